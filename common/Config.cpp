#include "common/Config.h"

#include <charconv>
#include <cstring>

pugi::xml_node ConfigRoot;

bool IsBlankText(pugi::xml_node node)
{
    if (node.type() != pugi::node_pcdata)
        return false;
    for (const char* p = node.value(); *p; ++p)
        if (*p != ' ' && *p != '\t' && *p != '\r' && *p != '\n')
            return false;
    return true;
}

pugi::xml_node FindChildElement(pugi::xml_node parent, const char* name)
{
    if (!parent || !name)
        return {};
    for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling())
        if (child.type() == pugi::node_element && std::strcmp(child.name(), name) == 0)
            return child;
    return {};
}

pugi::xml_node ConfigSection(const char* name)
{
    return FindChildElement(ConfigRoot, name);
}

pugi::xml_node ChildForWrite(pugi::xml_node parent, const char* name)
{
    if (!parent || parent.type() != pugi::node_element || !name || !*name)
        return {};
    if (pugi::xml_node found = FindChildElement(parent, name))
        return found;
    return parent.append_child(name);
}

pugi::xml_node ConfigSectionForWrite(const char* name)
{
    return ChildForWrite(ConfigRoot, name);
}

bool ParseConfigInt(const char* text, int& value)
{
    if (!text || !*text)
        return false;
    const char* end = text + std::strlen(text);
    int result = 0;
    auto [ptr, ec] = std::from_chars(text, end, result, 10);
    if (ec != std::errc() || ptr != end)
        return false;
    value = result;
    return true;
}

namespace {

bool IsElement(pugi::xml_node element)
{
    return element && element.type() == pugi::node_element;
}

// The attribute's text; the empty text when it or the element is missing.
const char* AttrText(pugi::xml_node element, const char* name)
{
    if (!IsElement(element) || !name)
        return "";
    return element.attribute(name).value();
}

bool SetAttr(pugi::xml_node element, const char* name, const char* text)
{
    if (!IsElement(element) || !name || !*name)
        return false;
    pugi::xml_attribute attr = element.attribute(name);
    if (!attr)
        attr = element.append_attribute(name);
    return attr && attr.set_value(text);
}

} // namespace

int ReadAttrInt(pugi::xml_node element, const char* name, int def)
{
    int value = def;
    return ParseConfigInt(AttrText(element, name), value) ? value : def;
}

bool WriteAttrInt(pugi::xml_node element, const char* name, int value)
{
    return SetAttr(element, name, std::to_string(value).c_str());
}

bool ReadAttrBool(pugi::xml_node element, const char* name, bool def)
{
    const char* text = AttrText(element, name);
    if (std::strcmp(text, "true") == 0)
        return true;
    if (std::strcmp(text, "false") == 0)
        return false;
    return def;
}

bool WriteAttrBool(pugi::xml_node element, const char* name, int value)
{
    return SetAttr(element, name, value == 1 ? "true" : "false");
}

bool AttrEquals(pugi::xml_node element, const char* name, const char* text)
{
    return std::strcmp(AttrText(element, name), text ? text : "") == 0;
}

std::string ReadAttrString(pugi::xml_node element, const char* name)
{
    return AttrText(element, name);
}

bool WriteAttrString(pugi::xml_node element, const char* name, const std::string& text)
{
    return SetAttr(element, name, text.c_str());
}

int ReadChildInt(pugi::xml_node parent, const char* name, int def)
{
    pugi::xml_node child = FindChildElement(parent, name);
    int value = def;
    return child && ParseConfigInt(child.child_value(), value) ? value : def;
}

std::string ReadElementText(pugi::xml_node element)
{
    if (!IsElement(element))
        return {};
    return element.child_value();
}

bool WriteElementText(pugi::xml_node element, const std::string& text)
{
    if (!IsElement(element))
        return false;
    for (pugi::xml_node child = element.first_child(); child;) {
        pugi::xml_node next = child.next_sibling();
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
            element.remove_child(child);
        child = next;
    }
    if (text.empty())
        return true;
    pugi::xml_node data = element.prepend_child(pugi::node_pcdata);
    return data && data.set_value(text.c_str());
}

bool WriteElementInt(pugi::xml_node element, int value)
{
    return WriteElementText(element, std::to_string(value));
}

namespace {

int ClampEdge(int pos, int size, int desktop)
{
    if (pos < 0)
        return 0;
    // 64-bit sum: a stored position near INT_MAX must not overflow.
    if (static_cast<long long>(pos) + size <= desktop)
        return pos;
    long long edge = static_cast<long long>(desktop) - size;
    return edge < 0 ? 0 : static_cast<int>(edge);
}

} // namespace

void ReadWindowPos(pugi::xml_node element, int& left, int& top, int windowWidth, int windowHeight,
                   int desktopWidth, int desktopHeight)
{
    left = ClampEdge(ReadAttrInt(element, "x", 0), windowWidth, desktopWidth);
    top = ClampEdge(ReadAttrInt(element, "y", 0), windowHeight, desktopHeight);
}
