#pragma once
// Loading rules of the Display, Sound and General pages that are more than
// copying a value into a control.
#include <pugixml.hpp>

#include <string>
#include <vector>

#include "machine/sound/SoundDevices.h"

// ---- Display ---------------------------------------------------------------

struct DisplayChoice {
    int displayMode = 1;  // CbDispMode
    int halfPass = 1;     // CbHalfpass
    int colorProfile = 3; // CbColor
    int palette = 2;      // CbPallette
    int userColors[4] = {15, 15, 15, 15};  // preset row 4, from attr00..attr11
    bool videoInterrupt = false;
};
DisplayChoice LoadDisplay(pugi::xml_node screen);

// The preset row for the colour entry and palette entry: with "color" the
// palette entry + 2, with ColorAce 0, otherwise the colour entry itself.
int PresetRow(int colorProfile, int palette);
// The four colours of a preset row (row 4 the user colours).
void PresetColors(int row, const int userColors[4], int out[4]);

// ---- Sound -----------------------------------------------------------------

// The host API type for "waveout" (false) and "dsound" (true) on this system:
// ALSA for the first, JACK for the second.
int SoundHostApiType(bool second);

struct SoundDeviceItem {
    int number = -1;
    std::string name;
};
struct SoundDeviceChoice {
    std::vector<SoundDeviceItem> items;  // output devices only, in device order
    int selected = -1;                   // item position; -1 with an empty list
};
// Selects the stored device when listed, else the default output device,
// else the first item.
SoundDeviceChoice ChooseSoundDevice(const std::vector<SoundDeviceEntry>& devices, int stored, int defaultOutput);

// A volume read with its default; a value outside 0..100 reads 90 and sets rewrite.
int LoadVolume(pugi::xml_node sound, const char* name, int def, bool& rewrite);

// ---- General ---------------------------------------------------------------

struct LanguageEntry {
    std::string baseName;   // the file name without ".ini", as on disk
    std::string shownName;  // first letter upper case, the rest lower case
};
// The entries for the ".ini" files (any case of the extension) in the names given.
std::vector<LanguageEntry> LanguageEntries(const std::vector<std::string>& fileNames);
// The entry whose base name equals stored ignoring case; -1 when none.
int FindLanguage(const std::vector<LanguageEntry>& entries, const std::string& stored);
// The ".ini" file names in folder, sorted.
std::vector<std::string> ListLanguageFiles(const std::string& folder);
