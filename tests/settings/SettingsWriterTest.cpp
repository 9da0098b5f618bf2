// The OK action: for each step, the document before, the controls, the
// document after and the exact change list.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "SettingsTestDoc.h"
#include "machine/core/ChangeCodes.h"

namespace {

using namespace ChangeCode;

struct Expect {
    std::string path, attr, value;
};

struct Case {
    const char* name;
    std::function<void(pugi::xml_node)> before;  // edits the default document
    std::function<void(SettingsControls&, SettingsFlags&)> controls;
    std::vector<int> codes;
    std::vector<Expect> after;
};

void SetAttr(pugi::xml_node root, const std::string& path, const char* attr, const char* value) {
    pugi::xml_node n = At(root, path);
    ASSERT_TRUE(n) << path;
    if (!n.attribute(attr)) n.append_attribute(attr);
    n.attribute(attr).set_value(value);
}
void SetText(pugi::xml_node root, const std::string& path, const char* text) { At(root, path).text().set(text); }
void DropAttr(pugi::xml_node root, const std::string& path, const char* attr) {
    At(root, path).remove_attribute(attr);
}

const std::vector<Case>& Cases() {
    static const std::vector<Case> cases = {
        {"NoChange", nullptr, nullptr, {}, {{"Model", "current", "Model-C2717"}}},
        // Step 1.
        {"ModelChosen", nullptr, [](auto& c, auto&) { c.model = 0; }, {Model}, {{"Model", "current", "Model-1"}}},
        {"NoModelCheckedIsConsul", [](auto r) { SetAttr(r, "Model", "current", "Model-1"); },
         [](auto& c, auto&) { c.model = -1; }, {Model}, {{"Model", "current", "Model-C2717"}}},
        {"MonitorChosen", nullptr, [](auto& c, auto&) { c.monitor.Set("roms/c2717.rom"); }, {Model},
         {{"Model/Model-C2717/RomFile", "", "roms/c2717.rom"}}},
        {"MissingMonitorKeepsPath", [](auto r) { SetText(r, "Model/Model-C2717/RomFile", "roms/gone.rom"); },
         nullptr, {}, {{"Model/Model-C2717/RomFile", "", "roms/gone.rom"}}},
        {"MonitorClearedByUser", [](auto r) { SetText(r, "Model/Model-C2717/RomFile", "roms/gone.rom"); },
         [](auto& c, auto&) { c.monitor.Eject(); }, {Model}, {{"Model/Model-C2717/RomFile", "", ""}}},
        {"OtherModelsRomUntouched", [](auto r) { SetText(r, "Model/Model-1/RomFile", "m1.rom"); },
         [](auto& c, auto&) { c.model = 1; c.monitor.Set("m2.rom"); }, {Model},
         {{"Model/Model-1/RomFile", "", "m1.rom"}, {"Model/Model-2/RomFile", "", "m2.rom"}}},
        // Step 2.
        {"CompatibilityWhateverModel", nullptr, [](auto& c, auto&) { c.m3Compatibility = true; }, {Compatibility},
         {{"Model/Model-3", "compatibility-mode", "true"}}},
        // Step 3.
        {"Ram256kOnModel3", [](auto r) { SetAttr(r, "Model", "current", "Model-3"); },
         [](auto& c, auto&) { c.model = 3; c.ram256k = true; }, {Ram256k, Model},
         {{"Model/Model-3", "ram256k", "true"}}},
        {"Ram256kComparesNewModel",
         [](auto r) { SetAttr(r, "Model", "current", "Model-2A"); SetAttr(r, "Model/Model-2A", "ram256k", "true"); },
         [](auto& c, auto&) { c.model = 3; c.ram256k = true; }, {Model, Ram256k, Model},
         {{"Model/Model-3", "ram256k", "true"}, {"Model/Model-2A", "ram256k", "true"}}},
        {"Ram256kIgnoredOnModel1", [](auto r) { SetAttr(r, "Model", "current", "Model-1"); },
         [](auto& c, auto&) { c.model = 0; c.ram256k = true; }, {}, {{"Model/Model-1", "ram256k", "<none>"}}},
        // Step 4.
        {"PackageFlagAfterLoad", nullptr, [](auto&, auto& f) { f.romModulePackage = true; }, {RomModule},
         {{"Model/Model-C2717/RomModule", "inserted", "false"}}},
        {"PackageFlagIgnoredOnMato", [](auto r) { SetAttr(r, "Model", "current", "Model-Mato"); },
         [](auto& c, auto& f) { c.model = 4; f.romModulePackage = true; }, {}, {}},
        {"RomModuleInserted", nullptr,
         [](auto& c, auto&) { c.insertRomModule = true; c.romModulePackage = "Basic"; }, {RomModuleInserted, RomModule},
         {{"Model/Model-C2717/RomModule", "inserted", "true"}, {"Model/Model-C2717/RomModule", "name", "Basic"}}},
        {"RomModuleRemoved",
         [](auto r) { SetAttr(r, "Model/Model-C2717/RomModule", "inserted", "true");
                      SetAttr(r, "Model/Model-C2717/RomModule", "name", "Basic"); },
         [](auto& c, auto&) { c.romModulePackage = "Basic"; }, {RomModule},
         {{"Model/Model-C2717/RomModule", "inserted", "false"}, {"Model/Model-C2717/RomModule", "name", "Basic"}}},
        {"RomModuleWithoutPackage", nullptr, [](auto& c, auto&) { c.insertRomModule = true; }, {RomModule},
         {{"Model/Model-C2717/RomModule", "inserted", "false"}, {"Model/Model-C2717/RomModule", "name", ""}}},
        // Step 5.
        {"FullDisplay", nullptr, [](auto& c, auto&) { c.displayMode = 0; }, {HalfPass}, {{"Screen", "half-pass", "off"}}},
        {"HalfPass75", nullptr, [](auto& c, auto&) { c.halfPass = 0; }, {HalfPass}, {{"Screen", "half-pass", "b75"}}},
        {"HalfPassNone", nullptr, [](auto& c, auto&) { c.halfPass = 3; }, {HalfPass}, {{"Screen", "half-pass", "b0"}}},
        {"Lcd", nullptr, [](auto& c, auto&) { c.displayMode = 2; }, {HalfPass}, {{"Screen", "half-pass", "lcd"}}},
        // Steps 6 to 8.
        {"ProfileMono", nullptr, [](auto& c, auto&) { c.colorProfile = 0; }, {Colors},
         {{"Screen", "color-profile", "mono"}}},
        {"ProfileAndPalette", nullptr, [](auto& c, auto&) { c.colorProfile = 1; c.palette = 1; }, {Colors, Colors},
         {{"Screen", "color-profile", "standard"}, {"Screen", "color-pallette", "video"}}},
        {"UserColours", [](auto r) { SetAttr(r, "Screen", "color-profile", "color"); },
         [](auto& c, auto&) { c.colorProfile = 2; c.attr[1] = 9; c.attr[3] = 0; }, {Colors},
         {{"Screen", "attr00", "white"}, {"Screen", "attr01", "red"}, {"Screen", "attr11", "black"}}},
        {"UnknownColourReadsWhite",
         [](auto r) { SetAttr(r, "Screen", "color-profile", "color"); SetAttr(r, "Screen", "attr10", "Aqua"); },
         [](auto& c, auto&) { c.colorProfile = 2; }, {}, {{"Screen", "attr10", "Aqua"}}},
        {"UserColoursOnlyWithDefined", nullptr, [](auto& c, auto&) { c.attr[0] = 9; }, {}, {{"Screen", "attr00", "white"}}},
        // Step 9.
        {"VideoInterrupt", nullptr, [](auto& c, auto&) { c.videoInterrupt = true; }, {VideoInterrupt, Model},
         {{"Screen", "video-cpu-interrupt", "true"}}},
        // Steps 10 to 13.
        {"OutType", nullptr, [](auto& c, auto&) { c.directSound = true; }, {SoundDevice}, {{"Sound", "out-type", "dsound"}}},
        {"Device", nullptr, [](auto& c, auto&) { c.deviceNumber = 3; }, {SoundDevice}, {{"Sound", "device-index", "3"}}},
        {"NoDeviceListed", nullptr, [](auto& c, auto&) { c.deviceNumber.reset(); }, {}, {{"Sound", "device-index", "-1"}}},
        {"DeviceMissingReadsMinusOne", [](auto r) { DropAttr(r, "Sound", "device-index"); },
         [](auto& c, auto&) { c.deviceNumber = 0; }, {SoundDevice}, {{"Sound", "device-index", "0"}}},
        {"Volume", nullptr, [](auto& c, auto&) { c.volumeTape = 40; }, {Volumes},
         {{"Sound", "volume-tape", "40"}, {"Sound", "volume-speaker", "90"}, {"Sound", "mute", "false"}}},
        {"VolumeMissing", [](auto r) { DropAttr(r, "Sound", "volume-speaker"); }, nullptr, {Volumes},
         {{"Sound", "volume-speaker", "90"}}},
        {"Mute", nullptr, [](auto& c, auto&) { c.mute = true; }, {Volumes}, {{"Sound", "mute", "true"}}},
        {"Mif85ToMusica", [](auto r) { SetAttr(r, "Sound", "sound-if", "mif85"); },
         [](auto& c, auto&) { c.soundIf = 1; }, {SoundDevice, Musica, Mif85}, {{"Sound", "sound-if", "musica"}}},
        {"NoneToMusica", nullptr, [](auto& c, auto&) { c.soundIf = 1; }, {SoundDevice, Musica},
         {{"Sound", "sound-if", "musica"}}},
        {"NoneToMif85", nullptr, [](auto& c, auto&) { c.soundIf = 2; }, {SoundDevice, Mif85},
         {{"Sound", "sound-if", "mif85"}}},
        {"MusicaToNone", [](auto r) { SetAttr(r, "Sound", "sound-if", "musica"); }, nullptr, {SoundDevice, Musica},
         {{"Sound", "sound-if", "none"}}},
        // Steps 14 to 16.
        {"Keyboard", nullptr, [](auto& c, auto&) { c.useNumpad = true; }, {Keyboard},
         {{"Controls/Keyboard", "use-numpad", "true"}, {"Controls/Keyboard", "change-zy", "false"}}},
        {"MouseChosen", nullptr, [](auto& c, auto&) { c.mouse = 2; }, {Mouse}, {{"Controls/Mouse", "type", "poly8"}}},
        {"MouseWordInCapitals", [](auto r) { SetAttr(r, "Controls/Mouse", "type", "M602"); },
         [](auto& c, auto&) { c.mouse = -1; }, {Mouse}, {{"Controls/Mouse", "type", "M602"}}},
        {"HideCursorMissingReadsTrue", [](auto r) { DropAttr(r, "Controls/Mouse", "hide-cursor"); }, nullptr, {}, {}},
        {"HideCursorOff", nullptr, [](auto& c, auto&) { c.hideCursor = false; }, {Mouse},
         {{"Controls/Mouse", "hide-cursor", "false"}}},
        {"JoystickK4", nullptr, [](auto& c, auto&) { c.joyK4 = true; }, {Joystick},
         {{"Controls/Joystick/Gpio1", "connected", "true"}, {"Controls/Joystick/Gpio0", "connected", "false"}}},
        {"JoystickDialogChanged", nullptr, [](auto& c, auto&) { c.joystickDialogChanged = true; }, {Joystick}, {}},
        // Steps 17 and 18.
        {"RaomInserted", nullptr, [](auto& c, auto&) { c.raomEnabled = true; c.raomPackage = "Disk"; },
         {RaomInserted, Raom},
         {{"Storages/RaomModule", "inserted", "true"}, {"Storages/RaomModule", "name", "Disk"},
          {"Storages/RaomModule", "hw-version", "chtf"}}},
        {"RaomVersion", nullptr, [](auto& c, auto& f) { c.raomVersion = 1; f.raom = true; }, {Raom},
         {{"Storages/RaomModule", "hw-version", "kuvi"}, {"Storages/RaomModule", "inserted", "false"}}},
        {"RaomWithoutPackage", nullptr, [](auto& c, auto&) { c.raomEnabled = true; }, {Raom},
         {{"Storages/RaomModule", "inserted", "false"}, {"Storages/RaomModule", "name", ""}}},
        {"RaomImage", nullptr, [](auto& c, auto&) { c.raomImage.Set("disk.rwm"); }, {Raom},
         {{"Storages/RaomModule", "", "disk.rwm"}}},
        {"RaomImageMissingKept", [](auto r) { SetText(r, "Storages/RaomModule", "gone.rwm"); }, nullptr, {},
         {{"Storages/RaomModule", "", "gone.rwm"}}},
        // Step 19.
        {"KzdConnected", nullptr, [](auto& c, auto&) { c.kzdEnabled = true; }, {Kzd1Connection},
         {{"Storages/KZD-1", "connected", "true"}, {"Storages/KZD-1", "port", "gpio1"}}},
        {"KzdPort", nullptr, [](auto& c, auto&) { c.kzdOnK3 = true; }, {Kzd1Connection},
         {{"Storages/KZD-1", "port", "gpio0"}}},
        {"KzdProtectAndImage", nullptr, [](auto& c, auto&) { c.kzdProtect = true; c.kzdImage.Set("t.ptk"); },
         {Kzd1WriteProtect, Kzd1Image}, {{"Storages/KZD-1", "write-protect", "true"}, {"Storages/KZD-1", "", "t.ptk"}}},
        // Step 20.
        {"Pmd30", nullptr,
         [](auto& c, auto&) { c.pmd30Enabled = true; c.pmd30Protect = true; c.pmd30Image.Set("d.p30"); },
         {Pmd30Connection, Pmd30WriteProtect, Pmd30Image},
         {{"Storages/PMD-30", "connected", "true"}, {"Storages/PMD-30", "", "d.p30"}}},
        // Step 21.
        {"Pmd32Unit", nullptr, [](auto& c, auto&) { c.pmd32Enabled = true; c.pmd32Sd = true; },
         {Pmd32Unit, Pmd32Unit},
         {{"Storages/PMD-32", "connected", "true"}, {"Storages/PMD-32", "extra-commands", "true"}}},
        {"Pmd32Drives", nullptr,
         [](auto& c, auto&) { c.pmd32Protect[2] = true; c.pmd32Image[1].Set("b.p32"); c.pmd32Image[3].Set("d.p32"); },
         {Pmd32ImageB, Pmd32ProtectC, Pmd32ImageD},
         {{"Storages/PMD-32/DriveB", "", "b.p32"}, {"Storages/PMD-32/DriveC", "write-protect", "true"}}},
        {"Pmd32MissingImageKept", [](auto r) { SetText(r, "Storages/PMD-32/DriveA", "gone.p32"); }, nullptr, {},
         {{"Storages/PMD-32/DriveA", "", "gone.p32"}}},
        {"Pmd32EjectedImage", [](auto r) { SetText(r, "Storages/PMD-32/DriveA", "a.p32"); },
         [](auto& c, auto&) { c.pmd32Image[0].Eject(); }, {Pmd32ImageA}, {{"Storages/PMD-32/DriveA", "", ""}}},
        {"SdRoot", nullptr, [](auto& c, auto&) { c.sdRoot.Set("sd"); }, {Pmd32Unit}, {{"Storages/PMD-32/SD-Root", "", "sd"}}},
        // Step 22.
        {"Bt100Chosen", nullptr, [](auto& c, auto&) { c.printerBt100 = true; }, {Bt100}, {{"Printer", "type", "bt100"}}},
        {"Bt100Dropped", [](auto r) { SetAttr(r, "Printer", "type", "bt100"); }, nullptr, {Bt100},
         {{"Printer", "type", "none"}}},
        {"LptWithBt100", [](auto r) { SetAttr(r, "Printer", "type", "bt100"); },
         [](auto& c, auto&) { c.printerBt100 = true; c.onLpt = true; }, {Bt100}, {{"Printer", "on-lpt", "true"}}},
        {"LptWithPlotter", [](auto r) { SetAttr(r, "Printer", "type", "xy41xx"); },
         [](auto& c, auto&) { c.printerXy41xx = true; c.onLpt = true; }, {Xy41xx}, {{"Printer", "type", "xy41xx"}}},
        {"LptWithoutPrinter", nullptr, [](auto& c, auto&) { c.onLpt = true; }, {}, {{"Printer", "on-lpt", "true"}}},
        {"BtToCentronics", [](auto r) { SetAttr(r, "Printer", "type", "bt100"); },
         [](auto& c, auto&) { c.printerCentronics = true; }, {Bt100, Centronics}, {{"Printer", "type", "centronics"}}},
        // Step 23.
        {"DebuggerHints", nullptr, [](auto& c, auto&) { c.hintInDebugger = true; }, {DebuggerHints},
         {{"General", "show-hint-in-debugger", "true"}}},
        {"PlaceBarWithoutCode", nullptr, [](auto& c, auto&) { c.showPlaceBar = false; c.infoOnFullScreen = false; }, {},
         {{"General", "show-place-bar-on-file-dialog", "false"}, {"General", "show-info-on-enter-full-screen", "false"}}},
        // Several steps at once keep the step order.
        {"StepOrder", nullptr,
         [](auto& c, auto& f) {
             c.hintInDebugger = true; c.printerBt100 = true; c.soundIf = 1; c.model = 3; c.ram256k = true;
             c.pmd32Enabled = true; c.mouse = 1; c.displayMode = 2;
         },
         {Model, Ram256k, Model, HalfPass, SoundDevice, Musica, Mouse, Pmd32Unit, Bt100, DebuggerHints}, {}},
    };
    return cases;
}

class WriterTest : public ::testing::TestWithParam<size_t> {};

TEST_P(WriterTest, WritesAndLists) {
    const Case& t = Cases()[GetParam()];
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(kSettingsXml));
    pugi::xml_node root = doc.document_element();
    if (t.before) t.before(root);
    SettingsControls c = DefaultControls();
    SettingsFlags f;
    if (t.controls) t.controls(c, f);
    const std::vector<int> codes = WriteSettings(root, c, f);
    EXPECT_EQ(codes, t.codes) << t.name;
    for (const Expect& e : t.after) EXPECT_EQ(Value(root, e.path, e.attr), e.value) << t.name << " " << e.path << " " << e.attr;
    EXPECT_FALSE(f.romModulePackage && t.controls && c.model != 4) << "flag cleared";
    EXPECT_FALSE(f.raom);
    EXPECT_FALSE(c.joystickDialogChanged);
    // A second OK with the same controls finds nothing to write (with no
    // mouse button checked the mouse step always counts as changed).
    SettingsFlags none;
    if (c.mouse >= 0) EXPECT_TRUE(WriteSettings(root, c, none).empty()) << t.name;
}

INSTANTIATE_TEST_SUITE_P(Steps, WriterTest, ::testing::Range<size_t>(0, Cases().size()),
                         [](const auto& info) { return std::string(Cases()[info.param].name); });

TEST(WriterSideEffects, ModuleBoxesUncheckedWithoutPackage) {
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(kSettingsXml));
    SettingsControls c = DefaultControls();
    c.insertRomModule = true;
    c.raomEnabled = true;
    SettingsFlags f;
    WriteSettings(doc.document_element(), c, f);
    EXPECT_FALSE(c.insertRomModule);
    EXPECT_FALSE(c.raomEnabled);
}

TEST(WriterSideEffects, MissingSectionsWriteNothing) {
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string("<Orvik/>"));
    SettingsControls c = DefaultControls();
    SettingsFlags f;
    f.romModulePackage = true;
    EXPECT_NO_FATAL_FAILURE(WriteSettings(doc.document_element(), c, f));
}

TEST(PathEditRule, WrittenValue) {
    struct Row {
        const char* shown;
        bool userSet;
        const char* stored;
        const char* written;
    } rows[] = {
        {"...", false, "a.rom", "a.rom"}, {"...", true, "a.rom", ""}, {"b.rom", false, "a.rom", "b.rom"},
        {"b.rom", true, "", "b.rom"},     {"...", false, "", ""},
    };
    for (const Row& r : rows) {
        PathEdit e;
        e.text = r.shown;
        e.userSet = r.userSet;
        EXPECT_EQ(e.Written(r.stored), r.written) << r.shown << r.userSet << r.stored;
    }
}

TEST(SelectedModel, Names) {
    EXPECT_STREQ(SelectedModelName(0), "Model-1");
    EXPECT_STREQ(SelectedModelName(4), "Model-Mato");
    EXPECT_STREQ(SelectedModelName(6), "Model-Alfa2");
    EXPECT_STREQ(SelectedModelName(7), "Model-C2717");
    EXPECT_STREQ(SelectedModelName(-1), "Model-C2717");
}

}  // namespace
