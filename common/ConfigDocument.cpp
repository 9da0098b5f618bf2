#include "common/ConfigDocument.h"

#include "common/Config.h"
#include "common/Files.h"

#include <cerrno>
#include <filesystem>
#include <sstream>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr unsigned kParseOptions = pugi::parse_full | pugi::parse_ws_pcdata;
const char* const kIndent = "  ";

// Removes the white-space text between child nodes, so that the writer can
// indent afresh; the text of elements that hold only text stays as it is.
void StripLayout(pugi::xml_node node)
{
    bool structured = false;
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling())
        if (child.type() != pugi::node_pcdata && child.type() != pugi::node_cdata)
            structured = true;
    for (pugi::xml_node child = node.first_child(); child;) {
        pugi::xml_node next = child.next_sibling();
        if (structured && IsBlankText(child))
            node.remove_child(child);
        else if (child.type() == pugi::node_element)
            StripLayout(child);
        child = next;
    }
}

} // namespace


ConfigDocument::~ConfigDocument()
{
    Release();
}

bool ConfigDocument::Release()
{
    const bool ok = !active_ || Save();
    Deactivate();
    return ok;
}

int ConfigDocument::Open(const std::string& fileName, const std::string& version)
{
    Deactivate();
    fileName_ = fileName;
    std::string text;
    if (!ReadWholeFile(fileName, text)) {
        doc_.reset();
        return OpenUnreadable;
    }
    pugi::xml_parse_result result = doc_.load_buffer(text.data(), text.size(), kParseOptions, pugi::encoding_auto);
    if (!result || !doc_.document_element()) {
        doc_.reset();
        return OpenUnreadable;
    }
    if (version != doc_.document_element().attribute("version").value()) {
        doc_.reset();
        return OpenVersionMismatch;
    }
    active_ = true;
    return OpenOk;
}

void ConfigDocument::Deactivate()
{
    if (ConfigRoot && ConfigRoot == doc_.document_element())
        ConfigRoot = pugi::xml_node();
    active_ = false;
    doc_.reset();
}

pugi::xml_node ConfigDocument::Root() const
{
    return active_ ? doc_.document_element() : pugi::xml_node();
}

std::string ConfigDocument::SavedText() const
{
    pugi::xml_document copy;
    copy.reset(doc_);
    StripLayout(copy);
    std::ostringstream out;
    copy.save(out, kIndent, pugi::format_indent, pugi::encoding_utf8);
    return out.str();
}

bool ConfigDocument::Save()
{
    if (!active_ || fileName_.empty())
        return false;
    return ReplaceFileContents(fileName_, SavedText());
}
