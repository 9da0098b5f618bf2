// The settings applier: step order, codes added by a rebuild, what each code
// re-reads from the configuration, and the devices that must follow a new
// core or a new sound driver.
#include <algorithm>
#include <fstream>
#include <iterator>

#include "OwnerFixture.h"
#include "machine/owner/ColorTable.h"
#include "machine/owner/SnapshotCommands.h"
#include "machine/pio/SystemPIO.h"
#include "machine/screen/ScreenDAD85.h"
#include "machine/sndif/IfMusica.h"
#include "machine/sound/SoundDriver.h"
#include "machine/storage/Pmd32.h"
#include "machine/storage/RomModule.h"
#include "machine/timer/IifTimer.h"

namespace {

class HintView : public FakeView {
public:
    int hintCalls = 0;
    bool hints = false;
    void ShowDebuggerHints(bool show) override {
        hintCalls++;
        hints = show;
    }
};

bool Contains(const std::vector<int>& codes, int code) {
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}

bool HasCallback(ChipCpu8080& cpu, CycleHook hook) {
    for (const CycleCallback* c = cpu.GetCycleCallbacks(); c; c = c->Next)
        if (c->Hook == hook) return true;
    return false;
}

const PortMapEntry* PortEntry(ChipCpu8080& cpu, uint8_t port) {
    for (const PortMapEntry* e = cpu.GetPortMap(); e; e = e->Next)
        if (e->Port == port) return e;
    return nullptr;
}

class SettingsTest : public OwnerTest {
protected:
    void SetUp() override {
        OwnerTest::SetUp();
        owner.SetView(&hintView);
        owner.SetSoundFactory([this](int, int channels, std::span<const int> volumes) {
            created++;
            lastChannels = channels;
            return std::make_unique<SoundDriver>(SoundDriver::NoDevice, channels, volumes);
        });
        ConfigRoot.append_child("Controls").append_child("Keyboard");
    }
    // hintView goes before the owner: give the owner back the fixture's view.
    void TearDown() override {
        owner.SetView(&view);
        OwnerTest::TearDown();
    }
    void Attr(pugi::xml_node node, const char* name, const char* value) {
        node.remove_attribute(name);
        node.append_attribute(name).set_value(value);
    }
    void Attr(const char* section, const char* name, const char* value) { Attr(Section(section), name, value); }
    int Apply(std::vector<int> codes) {
        lastCodes = codes;
        return owner.ApplySettings(lastCodes);
    }
    void ConnectDrives() { ::ConnectDrives(ConfigRoot, dir, paths); }
    // All mixed output drained from the driver; true when any sample is not 0.
    bool Drain() {
        std::vector<int16_t> out(SoundDriver::RingFrames * 2, 0);
        owner.GetSoundDriver()->FillOutput(out.data(), SoundDriver::RingFrames);
        return std::any_of(out.begin(), out.end(), [](int16_t s) { return s != 0; });
    }
    void RunSlices(int n) {
        for (int i = 0; i < n; ++i) owner.PreciseTimerCpuTimer();
    }

    HintView hintView;
    TempDir dir;
    std::string paths[4];
    std::vector<int> lastCodes;
    int created = 0;
    int lastChannels = 0;
};

TEST_F(SettingsTest, HardResetRebuildsAndReappliesEveryDeviceButNotSoundOrColours) {
    SelectModel(kModel3);
    Attr(ModelElement(kModel3), "compatibility-mode", "true");
    Attr("Screen", "video-cpu-interrupt", "true");
    Attr("Screen", "color-profile", "mono");
    Attr("Screen", "half-pass", "lcd");
    Attr(Section("Controls").child("Keyboard"), "change-zy", "true");
    Attr("Sound", "device-index", "0");
    Attr("Sound", "sound-if", "musica");
    ConnectDrives();
    InsertRomModule(kModel3);
    ASSERT_EQ(Apply({5, 1}), 1);
    ASSERT_EQ(created, 1);
    SoundDriver* driver = owner.GetSoundDriver();
    ASSERT_NE(owner.GetMusica(), nullptr);
    ASSERT_NE(owner.GetPmd32(), nullptr);

    // Renderer state the hard reset must leave alone.
    owner.GetScreen()->SetColorProfile(3);
    owner.GetScreen()->SetHalfPass(2);
    owner.CompatibilityMode.store(0);
    Attr("Screen", "video-cpu-interrupt", "false");
    Apply({36});
    ASSERT_EQ(owner.GetVideoInterruptOption(), 0);
    Attr("Screen", "video-cpu-interrupt", "true");

    EXPECT_EQ(Apply({1}), 1);
    for (int code : {2, 35, 36, 8, 11, 29, 7, 34, 19, 9, 10, 20, 22, 24, 26})
        EXPECT_TRUE(Contains(lastCodes, code)) << code;
    for (int code : {3, 4, 5, 6}) EXPECT_FALSE(Contains(lastCodes, code)) << code;
    EXPECT_NE(owner.GetCpu(), nullptr);
    EXPECT_EQ(created, 1);
    EXPECT_EQ(owner.GetSoundDriver(), driver);
    EXPECT_EQ(owner.GetScreen()->GetColorProfile(), 3);
    EXPECT_EQ(owner.GetScreen()->GetHalfPass(), 2);
    EXPECT_EQ(owner.CompatibilityMode.load(), 1);
    EXPECT_EQ(owner.GetVideoInterruptOption(), 1);
    EXPECT_EQ(owner.GetSystemPio()->changeZy, 1);

    // Every device sits on the new core.
    ChipCpu8080& cpu = Cpu();
    ASSERT_NE(owner.GetRomModule(), nullptr);
    EXPECT_EQ(cpu.FindPortDevice(0x88), static_cast<PeripheralDevice*>(owner.GetRomModule()));
    IfMusica* musica = owner.GetMusica();
    ASSERT_NE(musica, nullptr);
    const PortMapEntry* fc = PortEntry(cpu, 0xFC);
    ASSERT_NE(fc, nullptr);
    EXPECT_EQ(fc->Device, musica);
    EXPECT_EQ(fc->Mask, 0xFC);
    EXPECT_EQ(fc->ResetFlag, 0);
    EXPECT_TRUE(HasCallback(cpu, musica->TickHook()));
    EXPECT_EQ(owner.GetTimerIf()->IsSoundEnabled(), 1);
    ASSERT_NE(owner.GetPmd32(), nullptr);
    EXPECT_TRUE(HasCallback(cpu, owner.GetPmd32()->TickHook()));
    for (int i = 0; i < 4; ++i) EXPECT_EQ(owner.GetPmd32()->Drive(i).name, paths[i]) << i;
    // And runs (the sanitizer build catches any part left on the old core).
    owner.ResetMachine(0);
    const int32_t slices = owner.GetSliceCount();
    RunSlices(5);
    EXPECT_EQ(owner.GetSliceCount(), slices + 5);
}

TEST_F(SettingsTest, BuildAloneKeepsMusicaOnTheNewCore) {
    // A snapshot load rebuilds the core without the applier's codes.
    Attr("Sound", "device-index", "0");
    Attr("Sound", "sound-if", "musica");
    Build(kModel2);
    ASSERT_EQ(Apply({5, 7}), 1);
    IfMusica* musica = owner.GetMusica();
    ASSERT_NE(musica, nullptr);
    Build(kModel2);
    EXPECT_EQ(Cpu().FindPortDevice(0xFF), musica);
    EXPECT_TRUE(HasCallback(Cpu(), musica->TickHook()));
    EXPECT_EQ(owner.GetTimerIf()->IsSoundEnabled(), 1);
    // Model-Mato has no timer interface, so no Musica either.
    Build(kModelMato);
    EXPECT_EQ(owner.GetMusica(), nullptr);
    EXPECT_EQ(Cpu().FindPortDevice(0xFF), nullptr);
}

TEST_F(SettingsTest, SoundAndMuteTogetherKeepTheStoredMute) {
    Build(kModel2A);
    Attr("Sound", "device-index", "0");
    Attr("Sound", "volume-speaker", "100");
    for (const char* mute : {"true", "false"}) {
        SCOPED_TRACE(mute);
        Attr("Sound", "mute", mute);
        const int before = hintView.mutes;
        EXPECT_EQ(Apply({6, 5}), 1);  // a new driver: reset
        ASSERT_NE(owner.GetSoundDriver(), nullptr);
        EXPECT_EQ(lastChannels, 2);
        if (std::string(mute) == "true")
            EXPECT_EQ(owner.GetSoundDriver()->Amplitude(0), 0);
        else
            EXPECT_GT(owner.GetSoundDriver()->Amplitude(0), 0);
        EXPECT_EQ(hintView.mutes, before + 1);
    }
    // 6 alone: volumes and mute on the same driver, no reset.
    SoundDriver* driver = owner.GetSoundDriver();
    Attr("Sound", "mute", "true");
    EXPECT_EQ(Apply({6}), 0);
    EXPECT_EQ(owner.GetSoundDriver(), driver);
    EXPECT_EQ(driver->Amplitude(0), 0);
    // Without a device there is no driver and no reset.
    Attr("Sound", "device-index", "-1");
    EXPECT_EQ(Apply({5, 6}), 0);
    EXPECT_EQ(owner.GetSoundDriver(), nullptr);
}

TEST_F(SettingsTest, StorageCode19MountsAllFourDrives) {
    Build(kModel2A);
    ConnectDrives();
    EXPECT_EQ(Apply({19}), 1);
    for (int code : {20, 22, 24, 26}) EXPECT_TRUE(Contains(lastCodes, code)) << code;
    ASSERT_NE(owner.GetPmd32(), nullptr);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(owner.GetPmd32()->Drive(i).name, paths[i]) << i;
    // Only an image change: no reset.
    EXPECT_EQ(Apply({26}), 0);
}

TEST_F(SettingsTest, ResetResultPerCode) {
    Build(kModel2A);
    struct Case {
        std::vector<int> codes;
        int reset;
    };
    const std::vector<Case> cases = {
        {{3}, 0}, {{4}, 0}, {{2}, 0}, {{36}, 0}, {{8}, 0}, {{28}, 0}, {{9}, 0}, {{31}, 0},
        {{11}, 0}, {{11, 12}, 1}, {{29}, 0}, {{29, 30}, 1}, {{10}, 1}, {{7}, 1}, {{34}, 1},
        {{13, 14, 15, 16, 17, 18, 32, 33, 35}, 0}, {{}, 0},
    };
    for (const Case& c : cases) {
        std::string name;
        for (int code : c.codes) name += std::to_string(code) + " ";
        SCOPED_TRACE(name);
        EXPECT_EQ(Apply(c.codes), c.reset);
    }
}

TEST_F(SettingsTest, MusicaOnlyWithDriverTimerAndMusicaSetting) {
    Build(kModel2A);
    // Not "musica": no interface, still a reset.
    Attr("Sound", "device-index", "0");
    Attr("Sound", "sound-if", "none");
    EXPECT_EQ(Apply({5, 7}), 1);
    EXPECT_EQ(owner.GetMusica(), nullptr);
    EXPECT_EQ(owner.GetTimerIf()->IsSoundEnabled(), 0);
    // "musica" but no driver: none either.
    Attr("Sound", "sound-if", "musica");
    Attr("Sound", "device-index", "-1");
    EXPECT_EQ(Apply({5, 7}), 1);
    EXPECT_EQ(owner.GetMusica(), nullptr);
    // With a driver: 6 channels, mapped at FCh/FCh, not reset with the CPU.
    Attr("Sound", "device-index", "0");
    EXPECT_EQ(Apply({5, 7}), 1);
    EXPECT_EQ(lastChannels, 6);
    ASSERT_NE(owner.GetMusica(), nullptr);
    const PortMapEntry* fc = PortEntry(Cpu(), 0xFC);
    ASSERT_NE(fc, nullptr);
    EXPECT_EQ(fc->Device, owner.GetMusica());
    EXPECT_EQ(fc->Mask, 0xFC);
    EXPECT_EQ(fc->ResetFlag, 0);
    EXPECT_TRUE(HasCallback(Cpu(), owner.GetMusica()->TickHook()));
    EXPECT_EQ(owner.GetTimerIf()->IsSoundEnabled(), 1);
    // Switched off again: port, hook and the timer's channel are gone.
    const CycleHook old = owner.GetMusica()->TickHook();
    Attr("Sound", "sound-if", "none");
    EXPECT_EQ(Apply({7}), 1);
    EXPECT_EQ(owner.GetMusica(), nullptr);
    EXPECT_EQ(PortEntry(Cpu(), 0xFC), nullptr);
    EXPECT_FALSE(HasCallback(Cpu(), old));
    EXPECT_EQ(owner.GetTimerIf()->IsSoundEnabled(), 0);
    // Model-Mato has no timer interface: no Musica.
    Attr("Sound", "sound-if", "musica");
    Build(kModelMato);
    EXPECT_EQ(Apply({7}), 1);
    EXPECT_EQ(owner.GetMusica(), nullptr);
}

// A replaced driver must receive what the Musica voices and the timer's
// channel 2 play; a removed one must not be called any more.
TEST_F(SettingsTest, NewDriverReachesMusicaAndTimerVoices) {
    Attr("Sound", "device-index", "0");
    Attr("Sound", "sound-if", "musica");
    Attr("Sound", "volume-speaker", "0");
    Attr("Sound", "volume-tape", "0");
    Attr("Sound", "volume-sound-if", "100");
    struct Voice {
        const char* name;
        bool musica;
    };
    for (Voice v : {Voice{"musica", true}, Voice{"timer", false}}) {
        SCOPED_TRACE(v.name);
        Build(kModel2A);
        Mem().EndBootMapping();
        Poke(0x4000, {0xC3, 0x00, 0x40});  // JMP 4000h: touches no port
        Cpu().PC = 0x4000;
        ASSERT_EQ(Apply({5, 7}), 1);
        PeripheralDevice* dev = v.musica ? static_cast<PeripheralDevice*>(owner.GetMusica())
                                         : static_cast<PeripheralDevice*>(owner.GetTimerIf());
        const uint8_t base = v.musica ? 0xFC : 0x5C;
        // Counter 0, mode 3, count 64: a square wave of 32 kHz.
        dev->WritePort(uint8_t(base + 3), 0x36, 0);
        dev->WritePort(base, 64, 0);
        dev->WritePort(base, 0, 0);
        RunSlices(60);  // output starts once the ring is full
        EXPECT_TRUE(Drain());
        EXPECT_EQ(Apply({5}), 1);
        ASSERT_NE(owner.GetSoundDriver(), nullptr);
        EXPECT_EQ(lastChannels, 6);
        RunSlices(60);
        EXPECT_TRUE(Drain());
        // Driver removed: the voices keep running with nobody to call.
        Attr("Sound", "device-index", "-1");
        EXPECT_EQ(Apply({5}), 0);
        const int32_t slices = owner.GetSliceCount();
        RunSlices(5);
        EXPECT_EQ(owner.GetSliceCount(), slices + 5);
        Attr("Sound", "device-index", "0");
    }
}

TEST_F(SettingsTest, HalfPassFromTheScreenSection) {
    Build(kModel2A);
    struct Case {
        const char* text;  // nullptr: attribute missing
        int step;          // 0: LCD look
    };
    const std::vector<Case> cases = {
        {"off", 1}, {"b75", 2}, {"b50", 3}, {"b25", 4}, {"b0", 5}, {"lcd", 0}, {"B50", 5}, {"", 5}, {nullptr, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text ? c.text : "(missing)");
        owner.GetScreen()->SetHalfPass(3);
        Section("Screen").remove_attribute("half-pass");
        if (c.text) Attr("Screen", "half-pass", c.text);
        EXPECT_EQ(Apply({3}), 0);
        EXPECT_EQ((owner.GetScreen()->GetFlags() & ScreenDAD85::kFlagStep) >> 4, c.step);
    }
}

TEST_F(SettingsTest, ColourProfileAndPalettes) {
    Build(kModel2A);
    struct Case {
        const char* profile;
        const char* palette;
        int expected;
        std::vector<int> colours;  // user colours after the change; empty: not checked
    };
    Attr("Screen", "attr00", "aqua");
    Attr("Screen", "attr01", "navy");
    Attr("Screen", "attr10", "Aqua");  // case matters: white
    Attr("Screen", "attr11", "");
    const std::vector<Case> cases = {
        {"mono", "rgb", 0, {}},
        {"standard", "rgb", 1, {}},
        {"multicolor", "rgb", 3, {}},
        {"color", "rgb", 2, {10, 9, 12, 13}},
        {"color", "video", 2, {15, 10, 9, 1}},
        {"color", "defined", 2, {14, 4, 15, 15}},
        {"", "rgb", 2, {10, 9, 12, 13}},
        {"color", "", 2, {14, 4, 15, 15}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.profile) + "/" + c.palette);
        Attr("Screen", "color-profile", c.profile);
        Attr("Screen", "color-pallette", c.palette);
        EXPECT_EQ(Apply({4}), 0);
        EXPECT_EQ(owner.GetScreen()->GetColorProfile(), c.expected);
        for (size_t i = 0; i < c.colours.size(); ++i)
            EXPECT_EQ(owner.GetScreen()->GetUserColor(int(i)), c.colours[i]) << i;
    }
}

TEST(ColorTable, NamesAndNumbers) {
    const char* names[16] = {"black", "maroon", "green", "olive", "navy",    "purple", "teal", "gray",
                             "silver", "red",   "lime",  "yellow", "blue", "fuchsia", "aqua", "white"};
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(ColorTable::ColorIndexFromName(names[i]), i);
        EXPECT_STREQ(ColorTable::ColorNameFromIndex(i), names[i]);
    }
    for (const char* other : {"", "Aqua", "grey", "white ", "15"}) EXPECT_EQ(ColorTable::ColorIndexFromName(other), 15);
    for (int n : {-1, 15, 16, 255}) EXPECT_STREQ(ColorTable::ColorNameFromIndex(n), "white");
}

TEST_F(SettingsTest, OptionsCompatibilityVideoKeyboardHints) {
    Build(kModel3);
    pugi::xml_node keyboard = Section("Controls").child("Keyboard");
    for (bool on : {true, false}) {
        const char* v = on ? "true" : "false";
        Attr(ModelElement(kModel3), "compatibility-mode", v);
        Attr("Screen", "video-cpu-interrupt", v);
        Attr(keyboard, "change-zy", v);
        Attr(keyboard, "use-numpad", v);
        Attr(keyboard, "mato-ctrl", v);
        Attr("General", "show-hint-in-debugger", v);
        EXPECT_EQ(Apply({2, 36, 8, 28}), 0);
        EXPECT_EQ(owner.CompatibilityMode.load(), on ? 1 : 0);
        EXPECT_EQ(owner.GetVideoInterruptOption(), on ? 1 : 0);
        EXPECT_EQ(owner.GetSystemPio()->changeZy, on ? 1 : 0);
        EXPECT_EQ(owner.GetSystemPio()->useNumpad, on ? 1 : 0);
        EXPECT_EQ(owner.GetSystemPio()->matoCtrl, on ? 1 : 0);
        EXPECT_EQ(hintView.hints, on);
    }
    EXPECT_EQ(hintView.hintCalls, 2);
    // The video-interrupt option waits for the next build: no 6Ch port yet.
    EXPECT_EQ(PortEntry(Cpu(), 0x6C), nullptr);
    // Missing attributes read false.
    ModelElement(kModel3).remove_attribute("compatibility-mode");
    owner.CompatibilityMode.store(1);
    Apply({2});
    EXPECT_EQ(owner.CompatibilityMode.load(), 0);
}

// The video-interrupt option exists on the PMD 85 models (0-3) only: with
// the setting on, a rebuild (code 1 with its 36) gives it to those and to
// no other. A snapshot saved then holds the port-6Ch register (version 2)
// only where the option is on, else the version 1 header of a machine
// without it.
TEST_F(SettingsTest, VideoInterruptOptionOnlyWhereTheModelHasIt) {
    Attr("Screen", "video-cpu-interrupt", "true");
    for (int model = kModel1; model <= kModelC2717; ++model) {
        SelectModel(model);
        EXPECT_EQ(Apply({1}), 1) << model;
        EXPECT_TRUE(Contains(lastCodes, 36)) << model;
        const bool fitted = model <= kModel3;
        EXPECT_EQ(owner.GetVideoInterruptOption(), fitted ? 1 : 0) << model;
        EXPECT_EQ(PortEntry(Cpu(), 0x6C) != nullptr, fitted) << model;
        const std::string path = dir.path + "/v" + std::to_string(model) + ".psn";
        ASSERT_GT(SaveMachineSnapshot(owner, path, 0, SnapshotSaveOptions{}), 0) << model;
        std::ifstream in(path, std::ios::binary);
        const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        ASSERT_GT(file.size(), 57u);
        EXPECT_EQ(file[3], fitted ? 2 : 1) << model;
        if (fitted) {
            EXPECT_EQ(uint8_t(file[56]), 0x07) << model;  // register 7, disabled: as reset
        }
    }
    // Code 36 alone follows the setting on such a model.
    Attr("Screen", "video-cpu-interrupt", "false");
    SelectModel(kModel2);
    Apply({1});
    ASSERT_EQ(owner.GetVideoInterruptOption(), 0);
    Attr("Screen", "video-cpu-interrupt", "true");
    EXPECT_EQ(Apply({36}), 0);
    EXPECT_EQ(owner.GetVideoInterruptOption(), 1);
}

}  // namespace
