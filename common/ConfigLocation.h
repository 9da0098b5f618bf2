#pragma once
// Where the configuration lives: the program folder (portable mode) when it holds a
// writable Orvik.xml, otherwise the user's configuration folder, where a missing Orvik.xml
// is created from the shipped default.
#include <string>
#include <vector>

struct ConfigLocation {
    std::string dir;       // folder of Orvik.xml with its trailing '/'; paths stored relative to it
    bool portable = false; // the program folder itself
    bool created = false;  // Orvik.xml was copied from the shipped default just now
    std::string problem;   // why the user's copy could not be made (empty when none)
};

// $XDG_CONFIG_HOME/orvik/, or $HOME/.config/orvik/ when the variable is unset, empty or
// not an absolute path; empty when neither gives a folder.
std::string UserConfigDir();
// $XDG_DATA_HOME/orvik/, or $HOME/.local/share/orvik/ likewise.
std::string UserDataDir();
// The installed share folder beside the program folder (<prefix>/share/orvik/ for a
// program in <prefix>/bin/).
std::string SharedDataDir(const std::string& programDir);
// The installed documentation folder, <prefix>/share/doc/orvik/.
std::string SharedDocDir(const std::string& programDir);

// Chooses the configuration's folder for a program in programDir (with its trailing '/').
// shippedDefault is the file copied into the user's folder when it holds no Orvik.xml yet.
// The copy is written beside its final name and renamed, so a failed copy never leaves a
// partial Orvik.xml behind; the program then reports the missing file as it reports any
// unreadable configuration.
ConfigLocation ChooseConfigLocation(const std::string& programDir, const std::string& shippedDefault);

// The folders searched for language files after AppDir + "Lang/": the user's data folder,
// then the installed share folder (each with its trailing '/').
void SetExtraLanguageFolders(const std::vector<std::string>& folders);
const std::vector<std::string>& ExtraLanguageFolders();
