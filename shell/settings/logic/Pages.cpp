#include "shell/settings/logic/Pages.h"

#include <portaudio.h>

#include <algorithm>
#include <filesystem>

#include "common/Config.h"
#include "machine/owner/ColorTable.h"
#include "common/TextUtils.h"

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }
char Upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }


}  // namespace

DisplayChoice LoadDisplay(pugi::xml_node screen) {
    DisplayChoice d;
    const std::string hp = ReadAttrString(screen, "half-pass");
    if (hp == "lcd")
        d.displayMode = 2;
    else if (hp == "off")
        d.displayMode = 0;
    else if (hp == "b75")
        d.halfPass = 0;
    else if (hp == "b25")
        d.halfPass = 2;
    else if (hp == "b0")
        d.halfPass = 3;
    const std::string cp = ReadAttrString(screen, "color-profile");
    d.colorProfile = cp == "mono" ? 0 : cp == "standard" ? 1 : cp == "color" ? 2 : 3;
    const std::string pal = ReadAttrString(screen, "color-pallette");
    d.palette = pal == "rgb" ? 0 : pal == "video" ? 1 : 2;
    static const char* const attrs[4] = {"attr00", "attr01", "attr10", "attr11"};
    for (int i = 0; i < 4; ++i) d.userColors[i] = ColorTable::ColorIndexFromName(ReadAttrString(screen, attrs[i]));
    d.videoInterrupt = ReadAttrBool(screen, "video-cpu-interrupt", false);
    return d;
}

int PresetRow(int colorProfile, int palette) {
    if (colorProfile == 2) return palette + 2;
    if (colorProfile == 3) return 0;
    return colorProfile;
}

void PresetColors(int row, const int userColors[4], int out[4]) {
    static const int rows[4][4] = {{15, 15, 15, 15}, {15, 8, 15, 8}, {10, 9, 12, 13}, {15, 10, 9, 1}};
    for (int i = 0; i < 4; ++i) out[i] = (row >= 0 && row < 4) ? rows[row][i] : userColors[i];
}

int SoundHostApiType(bool second) { return second ? paJACK : paALSA; }

SoundDeviceChoice ChooseSoundDevice(const std::vector<SoundDeviceEntry>& devices, int stored, int defaultOutput) {
    SoundDeviceChoice c;
    for (const SoundDeviceEntry& d : devices) {
        if (d.maxOutputChannels <= 0) continue;
        if (d.index == stored) c.selected = static_cast<int>(c.items.size());
        c.items.push_back({d.index, d.name});
    }
    if (c.selected < 0)
        for (size_t i = 0; i < c.items.size(); ++i)
            if (c.items[i].number == defaultOutput) {
                c.selected = static_cast<int>(i);
                break;
            }
    if (c.selected < 0 && !c.items.empty()) c.selected = 0;
    return c;
}

int LoadVolume(pugi::xml_node sound, const char* name, int def, bool& rewrite) {
    const int v = ReadAttrInt(sound, name, def);
    if (v < 0 || v > 100) {
        rewrite = true;
        return 90;
    }
    return v;
}

std::vector<LanguageEntry> LanguageEntries(const std::vector<std::string>& fileNames) {
    std::vector<LanguageEntry> list;
    for (const std::string& f : fileNames) {
        if (f.size() <= 4 || !SameTextNoCase(f.substr(f.size() - 4), ".ini")) continue;
        LanguageEntry e;
        e.baseName = f.substr(0, f.size() - 4);
        e.shownName = e.baseName;
        for (size_t i = 0; i < e.shownName.size(); ++i)
            e.shownName[i] = i == 0 ? Upper(e.shownName[i]) : Lower(e.shownName[i]);
        list.push_back(std::move(e));
    }
    return list;
}

int FindLanguage(const std::vector<LanguageEntry>& entries, const std::string& stored) {
    for (size_t i = 0; i < entries.size(); ++i)
        if (SameTextNoCase(entries[i].baseName, stored)) return static_cast<int>(i);
    return -1;
}

std::vector<std::string> ListLanguageFiles(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        if (!entry.is_regular_file(ec)) continue;
        const std::string n = entry.path().filename().string();
        if (n.size() > 4 && SameTextNoCase(n.substr(n.size() - 4), ".ini")) names.push_back(n);
    }
    std::sort(names.begin(), names.end());
    return names;
}
