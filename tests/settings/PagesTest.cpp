// Loading rules of the Display, Sound and General pages.
#include <gtest/gtest.h>
#include <pugixml.hpp>
#include <portaudio.h>

#include "shell/settings/logic/Pages.h"

namespace {

DisplayChoice Load(const char* screenXml) {
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_string(screenXml));
    return LoadDisplay(doc.document_element());
}

TEST(DisplayPage, HalfPass) {
    struct Row {
        const char* xml;
        int mode, level;
    } rows[] = {
        {"<Screen half-pass='b50'/>", 1, 1}, {"<Screen/>", 1, 1},          {"<Screen half-pass='b75'/>", 1, 0},
        {"<Screen half-pass='b25'/>", 1, 2}, {"<Screen half-pass='b0'/>", 1, 3}, {"<Screen half-pass='off'/>", 0, 1},
        {"<Screen half-pass='lcd'/>", 2, 1}, {"<Screen half-pass='LCD'/>", 1, 1},
    };
    for (const Row& r : rows) {
        DisplayChoice d = Load(r.xml);
        EXPECT_EQ(d.displayMode, r.mode) << r.xml;
        EXPECT_EQ(d.halfPass, r.level) << r.xml;
    }
}

TEST(DisplayPage, ColoursAndPresets) {
    DisplayChoice d = Load("<Screen color-profile='multicolor' attr10='Aqua' attr01='red' video-cpu-interrupt='true'/>");
    EXPECT_EQ(d.colorProfile, 3);
    EXPECT_EQ(d.palette, 2);
    EXPECT_EQ(d.userColors[1], 9);
    EXPECT_EQ(d.userColors[2], 15);
    EXPECT_TRUE(d.videoInterrupt);
    EXPECT_EQ(Load("<Screen color-profile='mono' color-pallette='rgb'/>").colorProfile, 0);
    EXPECT_EQ(Load("<Screen color-profile='Color'/>").colorProfile, 3);
    EXPECT_EQ(Load("<Screen color-pallette='video'/>").palette, 1);

    const int user[4] = {1, 2, 3, 4};
    struct Row {
        int profile, palette, row;
        int colors[4];
    } rows[] = {
        {0, 0, 0, {15, 15, 15, 15}}, {1, 2, 1, {15, 8, 15, 8}},  {2, 0, 2, {10, 9, 12, 13}},
        {2, 1, 3, {15, 10, 9, 1}},   {2, 2, 4, {1, 2, 3, 4}},    {3, 1, 0, {15, 15, 15, 15}},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(PresetRow(r.profile, r.palette), r.row);
        int out[4];
        PresetColors(r.row, user, out);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(out[i], r.colors[i]) << r.row << " " << i;
    }
}

SoundDeviceEntry Dev(int index, int outputs) { return {index, "dev" + std::to_string(index), 0, outputs}; }

TEST(SoundPage, DeviceChoice) {
    const std::vector<SoundDeviceEntry> devices{Dev(0, 0), Dev(2, 2), Dev(5, 2), Dev(7, 0)};
    SoundDeviceChoice c = ChooseSoundDevice(devices, 5, 2);
    ASSERT_EQ(c.items.size(), 2u);  // input-only devices are not listed
    EXPECT_EQ(c.items[0].number, 2);
    EXPECT_EQ(c.items[1].number, 5);
    EXPECT_EQ(c.selected, 1);
    EXPECT_EQ(ChooseSoundDevice(devices, 7, 5).selected, 1);   // stored is input only: the default
    EXPECT_EQ(ChooseSoundDevice(devices, 9, 2).selected, 0);   // gone: the default
    EXPECT_EQ(ChooseSoundDevice(devices, -1, -1).selected, 0); // no default: the first
    SoundDeviceChoice none = ChooseSoundDevice({Dev(0, 0)}, 0, 0);
    EXPECT_TRUE(none.items.empty());
    EXPECT_EQ(none.selected, -1);
    EXPECT_EQ(SoundHostApiType(false), paALSA);
    EXPECT_EQ(SoundHostApiType(true), paJACK);
}

TEST(SoundPage, Volumes) {
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string("<Sound volume-speaker='-5' volume-sound-if='150' volume-x='100'/>"));
    pugi::xml_node s = doc.document_element();
    bool rewrite = false;
    EXPECT_EQ(LoadVolume(s, "volume-tape", 50, rewrite), 50);
    EXPECT_FALSE(rewrite);
    EXPECT_EQ(LoadVolume(s, "volume-x", 50, rewrite), 100);
    EXPECT_FALSE(rewrite);
    EXPECT_EQ(LoadVolume(s, "volume-speaker", 90, rewrite), 90);
    EXPECT_TRUE(rewrite);
    rewrite = false;
    EXPECT_EQ(LoadVolume(s, "volume-sound-if", 90, rewrite), 90);
    EXPECT_TRUE(rewrite);
}

TEST(GeneralPage, Languages) {
    auto e = LanguageEntries({"SLOVAK.ini", "en.old.ini", "English.INI", "notes.txt", ".ini"});
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[0].baseName, "SLOVAK");
    EXPECT_EQ(e[0].shownName, "Slovak");
    EXPECT_EQ(e[1].baseName, "en.old");
    EXPECT_EQ(e[1].shownName, "En.old");
    EXPECT_EQ(e[2].baseName, "English");
    EXPECT_EQ(FindLanguage(e, "slovak"), 0);
    EXPECT_EQ(FindLanguage(e, "EN.OLD"), 1);
    EXPECT_EQ(FindLanguage(e, "en"), -1);
    EXPECT_EQ(FindLanguage(e, ""), -1);
}

}  // namespace
