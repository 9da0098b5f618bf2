#include "common/RecentFiles.h"

#include "common/Config.h"
#include "common/Paths.h"

#include <cstring>

namespace {

const char* const kEntry = "RecentFile";

bool IsEntry(pugi::xml_node node)
{
    return node.type() == pugi::node_element && std::strcmp(node.name(), kEntry) == 0;
}

std::string RemoveEntry(pugi::xml_node recent, pugi::xml_node entry)
{
    std::string text = entry.child_value();
    pugi::xml_node before = entry.previous_sibling();
    recent.remove_child(entry);
    if (before && IsBlankText(before))
        recent.remove_child(before);
    return text;
}

} // namespace

std::string RemoveRecentFile(pugi::xml_node recent, int index)
{
    if (!recent || index < 0)
        return {};
    pugi::xml_node node = recent.first_child();
    for (int i = 0; node && i < index; ++i)
        node = node.next_sibling();
    if (!node || !IsEntry(node))
        return {};
    return RemoveEntry(recent, node);
}

pugi::xml_node InsertRecentFileFirst(pugi::xml_node recent, const std::string& text)
{
    if (!recent || recent.type() != pugi::node_element)
        return {};
    pugi::xml_node first;
    for (pugi::xml_node node = recent.first_child(); node && !first; node = node.next_sibling())
        if (IsEntry(node))
            first = node;
    pugi::xml_node entry = first ? recent.insert_child_before(kEntry, first) : recent.append_child(kEntry);
    if (entry && !text.empty())
        entry.append_child(pugi::node_pcdata).set_value(text.c_str());
    return entry;
}

bool AddRecentFile(const std::string& path)
{
    pugi::xml_node recent = ConfigSection("Recent");
    if (!recent)
        return false;
    const std::string text = MakeRelativePath(path);

    // One entry goes: the first that already holds the text, or the
    // MaxRecentFiles-th, whichever comes first. A longer list (edited by hand)
    // keeps the entries after it.
    int count = 0;
    for (pugi::xml_node node = recent.first_child(); node; node = node.next_sibling()) {
        if (!IsEntry(node))
            continue;
        if (text == node.child_value() || ++count >= MaxRecentFiles) {
            RemoveEntry(recent, node);
            break;
        }
    }
    return static_cast<bool>(InsertRecentFileFirst(recent, text));
}
