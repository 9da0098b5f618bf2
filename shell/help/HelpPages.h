#pragma once
// Where the Help menu finds a page named without a folder (the README): in
// the configuration's folder, beside the program, or in the installed share
// folders of the program's prefix.
#include <string>
#include <vector>

// The folders searched, each with its trailing '/': appDir, programDir, then
// programDir's <prefix>/share/orvik/ and <prefix>/share/doc/orvik/ (empty
// folders and repeats left out).
std::vector<std::string> HelpPageFolders(const std::string& appDir, const std::string& programDir);
// The first folder holding the file name; the first folder when none does or
// when name is not a plain relative name (absolute, a URL, or with "..").
std::string HelpPageFolder(const std::string& name, const std::vector<std::string>& folders);
// The same for the running program (AppDir and the executable's folder).
std::string HelpPageFolder(const std::string& name);
