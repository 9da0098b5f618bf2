#pragma once
// Reading and writing configuration values in the open configuration document.
//
// Numbers and booleans are attributes of an element, paths and some numbers are
// element texts, a window position is the pair of attributes "x" and "y".
// Every reader takes a default and returns it for a missing element, a missing
// attribute or a malformed text; no reader throws. Writers return false and
// write nothing when they are given no element; a writer that must keep its
// value takes its element from ConfigSectionForWrite / ChildForWrite.

#include <pugixml.hpp>

#include <string>

// The document element of the open configuration; its children are the sections.
// Null while no document is open (or it failed to load).
extern pugi::xml_node ConfigRoot;

// The first child element of parent named name (exact, case-sensitive), or null.
pugi::xml_node FindChildElement(pugi::xml_node parent, const char* name);

// True for a text node that holds only blanks, tabs and line ends.
bool IsBlankText(pugi::xml_node node);
// The section of ConfigRoot named name, or null.
pugi::xml_node ConfigSection(const char* name);
// The child element of parent named name, created (as its last child) when missing,
// so that a value written into it is kept. Null only without a parent element.
pugi::xml_node ChildForWrite(pugi::xml_node parent, const char* name);
// ChildForWrite on ConfigRoot: the section to write a value into.
pugi::xml_node ConfigSectionForWrite(const char* name);

// Parses a decimal integer with an optional leading "-" that fits in 32 bits.
// The whole text must be the number; blanks, "+", hexadecimal forms and the
// empty text are refused.
bool ParseConfigInt(const char* text, int& value);

int ReadAttrInt(pugi::xml_node element, const char* name, int def);
bool WriteAttrInt(pugi::xml_node element, const char* name, int value);

// True for exactly "true", false for exactly "false", def for any other text.
bool ReadAttrBool(pugi::xml_node element, const char* name, bool def);
// Writes "true" when value is 1 and "false" for any other value.
bool WriteAttrBool(pugi::xml_node element, const char* name, int value);

// Exact comparison; a missing attribute (or element) compares as the empty text.
bool AttrEquals(pugi::xml_node element, const char* name, const char* text);
std::string ReadAttrString(pugi::xml_node element, const char* name);
bool WriteAttrString(pugi::xml_node element, const char* name, const std::string& text);

// The text of the first child element named name of parent as an integer, or def.
int ReadChildInt(pugi::xml_node parent, const char* name, int def);

// The element's own text (empty when the element or its text is missing).
std::string ReadElementText(pugi::xml_node element);
// Replaces the element's own text; an empty text removes it.
bool WriteElementText(pugi::xml_node element, const std::string& text);
// Writes an integer as the element's text.
bool WriteElementInt(pugi::xml_node element, int value);

// Reads "x" and "y" (default 0) and clamps them so that a window of
// windowWidth x windowHeight lies on a desktop of desktopWidth x desktopHeight:
// negative values become 0, a window past the right or bottom edge is moved
// back, a window larger than the desktop goes to 0.
void ReadWindowPos(pugi::xml_node element, int& left, int& top, int windowWidth, int windowHeight,
                   int desktopWidth, int desktopHeight);
