#pragma once
// The OK action of the settings dialog without the dialog: compares the
// document with the values of the dialog's controls, writes what differs and
// lists the change codes of what changed, step by step in a fixed order.
#include <pugixml.hpp>

#include <optional>
#include <string>
#include <vector>

// The placeholder an edit shows for no file.
inline constexpr const char* kNoFile = "...";

// A path edit: the text it shows and whether the user put that text there
// (open, new, eject, exchange). A placeholder the loader showed because the
// stored file was missing keeps the stored path.
struct PathEdit {
    std::string text = kNoFile;
    bool userSet = false;

    // The value to store, given the stored one.
    std::string Written(const std::string& stored) const;
    void Set(const std::string& shown) { text = shown.empty() ? kNoFile : shown; userSet = true; }
    void Eject() { Set(kNoFile); }
};

// The values of every control that OK reads.
struct SettingsControls {
    // Model page.
    int model = -1;  // checked model radio button 0..7, -1 none
    PathEdit monitor;
    bool m3Compatibility = false;
    bool ram256k = false;
    bool insertRomModule = false;
    std::string romModulePackage;  // chosen package name, empty when none is chosen
    // Display page (combo entries).
    int displayMode = 1;  // 0 full, 1 half-pass, 2 LCD
    int halfPass = 1;     // 0 b75, 1 b50, 2 b25, 3 b0
    int colorProfile = 3; // 0 mono, 1 standard, 2 color, 3 multicolor
    int palette = 2;      // 0 rgb, 1 video, 2 defined
    int attr[4] = {15, 15, 15, 15};
    bool videoInterrupt = false;
    // Sound page.
    bool directSound = false;
    std::optional<int> deviceNumber;  // of the chosen device; none with an empty list
    int volumeSpeaker = 90, volumeTape = 50, volumeSoundIf = 90;
    bool mute = false;
    int soundIf = 0;  // 0 none, 1 musica, 2 mif85
    // Controls page.
    bool changeZY = false, useNumpad = false, matoCtrl = false;
    int mouse = -1;  // 0 none, 1 m602, 2 poly8, -1 none checked
    bool hideCursor = true;
    bool joystickDialogChanged = false;
    bool joyK3 = false, joyK4 = false;
    // Storage pages.
    bool raomEnabled = false;
    std::string raomPackage;
    int raomVersion = 0;  // 0 CHTF, 1 KUVI
    PathEdit raomImage;
    bool kzdEnabled = false, kzdOnK3 = false, kzdProtect = false;
    PathEdit kzdImage;
    bool pmd30Enabled = false, pmd30Protect = false;
    PathEdit pmd30Image;
    bool pmd32Enabled = false, pmd32Sd = false;
    bool pmd32Protect[4] = {false, false, false, false};
    PathEdit pmd32Image[4];
    PathEdit sdRoot;
    // Printer page.
    bool printerBt100 = false, printerXy41xx = false, printerCentronics = false;
    bool onLpt = false;
    // General page.
    bool hintInDebugger = false, showPlaceBar = true, infoOnFullScreen = true;
};

// The dialog's flags that OK reads and clears.
struct SettingsFlags {
    bool romModulePackage = false;  // a package was picked for the ROM module
    bool raom = false;              // the RAOM version or package was picked
};

// The model name of the checked radio button ("Model-C2717" when none of the first seven).
const char* SelectedModelName(int model);

// Writes the controls into the document under root and returns the change
// codes, in the order the steps append them. Side effects on the controls:
// a module box with no package chosen is unchecked; the joystick dialog's
// changed flag is cleared.
std::vector<int> WriteSettings(pugi::xml_node root, SettingsControls& controls, SettingsFlags& flags);
