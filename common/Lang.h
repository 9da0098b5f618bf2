#pragma once
// Language files: name + ".ini" in the language folders, one open at a time, and the run-time
// text lookups. Translating windows from the file lives with the Qt code.
#include <string>
#include <vector>

#include "common/IniFile.h"

struct LangKeyParts {
    std::string kind;
    std::string component;
    std::string property;
};

// kind.Component.Property, split at the first two dots (Property keeps further dots).
LangKeyParts SplitLangKey(const std::string& key);

// The folders that hold language files, searched in this order: AppDir + "Lang/", then
// ExtraLanguageFolders (the user's data folder, the installed share folder).
std::vector<std::string> LanguageFolders();
// The path of a language's file: the first folder that holds it, else AppDir + "Lang/".
std::string LangFilePath(const std::string& name);
// Closes the open language file and opens the named one (a missing file acts as an empty one).
void OpenLanguageFile(const std::string& name);
// Opens a language file by its full path (as OpenLanguageFile).
void OpenLanguageFilePath(const std::string& path);
// Closes the open language file; the lookups then give empty texts.
void CloseLanguageFile();
// The open language file, or nullptr when none is open.
const IniFile* LangIni();
// Common/Charset of the open file (default 0).
int LangCharset();

// The text of key in section, with each backslash turned into a line feed; empty when no
// language is open or the key is missing.
std::string LangText(const std::string& section, const std::string& key);
// LangText with its first "%1" replaced by arg.
std::string LangTextArg(const std::string& section, const std::string& key,
                        const std::string& arg);
// LangText with its first "%1" replaced by arg1, then the first "%2" of that by arg2.
std::string LangTextArgs(const std::string& section, const std::string& key,
                         const std::string& arg1, const std::string& arg2);
