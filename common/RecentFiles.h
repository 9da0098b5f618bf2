#pragma once
// The list of recently used files: RecentFile children of the configuration
// section Recent, newest first, each holding a path as stored by MakeRelativePath.

#include <pugixml.hpp>

#include <string>

inline constexpr int MaxRecentFiles = 20;

// Puts path on top of the list in ConfigRoot's Recent section. An entry with
// the same stored text moves to the top; otherwise the MaxRecentFiles-th entry
// is dropped (so a full list stays full, and a longer one keeps its tail). Returns false (and changes nothing) when there is no Recent section.
bool AddRecentFile(const std::string& path);

// Removes child node index of recent when it is a RecentFile element, together
// with the white-space text node before it, and returns its text. Returns the
// empty text and removes nothing for any other index.
std::string RemoveRecentFile(pugi::xml_node recent, int index);

// Inserts a new RecentFile holding text as the first entry of recent (before
// the first RecentFile element, or as the last child when there is none).
pugi::xml_node InsertRecentFileFirst(pugi::xml_node recent, const std::string& text);
