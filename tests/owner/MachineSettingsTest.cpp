// The machine's settings value: read from the document and written back
// without touching what did not change, and the change codes of going from
// one value to another.
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <filesystem>
#include <functional>
#include <sstream>

#include "OwnerFixture.h"
#include "machine/core/ChangeCodes.h"
#include "machine/owner/MachineSettings.h"
#include "../settings/SettingsTestDoc.h"
#include "ChangeCodeRows.h"

namespace {

using namespace change_rows;

std::string Text(const pugi::xml_document& doc) {
    std::ostringstream out;
    doc.save(out);
    return out.str();
}


// ------------------------------------------------------------ reading

TEST(MachineSettings, ReadsTheDocument) {
    const MachineSettings v = Base();
    EXPECT_EQ(v.model.current, kModel3);
    EXPECT_EQ(v.model.Current().romFile, "rom/m3.rom");
    EXPECT_EQ(v.model.Current().romModuleName, "Basic");
    EXPECT_EQ(v.screen.halfPass, HalfPass::B50);
    EXPECT_EQ(v.screen.colorProfile, ColorProfile::Color);
    EXPECT_EQ(v.screen.attr, (std::array<int, 4>{15, 9, 10, 12}));
    EXPECT_EQ(v.sound.deviceIndex, 0);
    EXPECT_EQ(v.sound.volumeTape, 50);
    EXPECT_EQ(v.raom.name, "Games");
    EXPECT_FALSE(v.kzd1.onK3);
}

TEST(MachineSettings, MissingAndUnknownValuesReadAsTheirDefaults) {
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(
        "<Orvik><Screen half-pass='b10' color-profile='sepia' color-pallette='?' attr00='pink'/>"
        "<Model current='Model-9'/><Sound sound-if='beeper' volume-tape='loud'/>"
        "<Controls><Mouse type='trackball'/></Controls><Storages><RaomModule hw-version='x'/></Storages>"
        "<Printer type='laser' on-lpt='yes'/></Orvik>"));
    const MachineSettings v = ReadMachineSettings(doc.document_element());
    EXPECT_EQ(v.model.current, -1);
    EXPECT_EQ(&v.model.Current(), &v.model.models[kModelC2717]);
    EXPECT_EQ(v.screen.halfPass, HalfPass::B0);
    EXPECT_EQ(v.screen.colorProfile, ColorProfile::Color);
    EXPECT_EQ(v.screen.palette, ColorPalette::Defined);
    EXPECT_EQ(v.screen.attr[0], 15);
    EXPECT_EQ(v.sound.soundIf, SoundInterface::None);
    EXPECT_FALSE(v.sound.volumeTape.has_value());
    EXPECT_FALSE(v.sound.volumeSpeaker.has_value());
    EXPECT_EQ(v.sound.deviceIndex, -1);
    EXPECT_EQ(v.mouse.type, MouseType::None);
    EXPECT_TRUE(v.mouse.hideCursor);
    EXPECT_EQ(v.raom.version, 0);
    EXPECT_EQ(v.printer.type, PrinterType::None);
    EXPECT_FALSE(v.printer.onLpt);
}

// ------------------------------------------------------------ writing back

// The shipped configuration and the test configurations.
std::vector<std::pair<std::string, std::string>> Documents() {
    std::vector<std::pair<std::string, std::string>> docs = {
        {"owner", kOwnerConfigXml}, {"settings", kSettingsXml}, {"full", kDoc}};
    // The shipped configuration's source; only its version attribute is filled in by the build.
    const std::filesystem::path shipped = std::filesystem::path(ORVIK_SOURCE_DIR) / "resources" / "Orvik.xml.in";
    pugi::xml_document doc;
    if (doc.load_file(shipped.c_str())) docs.push_back({"shipped", Text(doc)});
    return docs;
}

TEST(MachineSettings, WritingBackWhatWasReadChangesNothing) {
    EXPECT_EQ(Documents().size(), 4u) << "resources/Orvik.xml.in did not load";
    for (const auto& [name, xml] : Documents()) {
        pugi::xml_document doc;
        ASSERT_TRUE(doc.load_string(xml.c_str())) << name;
        const std::string before = Text(doc);
        WriteMachineSettings(doc.document_element(), ReadMachineSettings(doc.document_element()));
        EXPECT_EQ(Text(doc), before) << name;
    }
}

// Every field away from what the documents hold.
MachineSettings Changed() {
    MachineSettings v;
    v.model.current = kModelAlfa2;
    for (int m = 0; m < kModelCount; ++m) {
        ModelElementSettings& e = v.model.models[m];
        e.romFile = "rom/" + std::to_string(m) + ".rom";
        if (m == kModel3) e.compatibilityMode = true;
        if (m == kModel2A || m == kModel3) e.ram256k = true;
        if (m != kModelMato) {
            e.romModuleInserted = true;
            e.romModuleName = "Pack " + std::to_string(m);
        }
    }
    v.screen = {HalfPass::Lcd, ColorProfile::Mono, ColorPalette::Video, {1, 2, 3, 4}, true};
    v.sound = {true, 3, 10, 20, 30, true, SoundInterface::Mif85};
    v.keyboard = {true, true, true};
    v.mouse = {MouseType::Poly8, false};
    v.joystick.connected = {true, true};
    v.raom = {true, "Games", 1, "raom.bin"};
    v.kzd1 = {true, true, true, "tape.kzd"};
    v.pmd30 = {true, true, "disk30.img"};
    v.pmd32.connected = true;
    v.pmd32.extraCommands = true;
    for (int d = 0; d < 4; ++d) v.pmd32.drives[d] = {true, "disk" + std::to_string(d) + ".p32"};
    v.pmd32.sdRoot = "sd";
    v.printer = {PrinterType::Xy41xx, true};
    v.general.showHintInDebugger = true;
    return v;
}

TEST(MachineSettings, AValueWrittenReadsBackTheSame) {
    const MachineSettings changed = Changed();
    for (const auto& [name, xml] : Documents()) {
        if (name == "owner") continue;  // lacks most elements
        pugi::xml_document doc;
        ASSERT_TRUE(doc.load_string(xml.c_str())) << name;
        MachineSettings expected = changed;
        expected.joystick.rows = ReadMachineSettings(doc.document_element()).joystick.rows;  // left alone
        expected.romPackages = ReadMachineSettings(doc.document_element()).romPackages;     // left alone
        WriteMachineSettings(doc.document_element(), expected);
        EXPECT_TRUE(ReadMachineSettings(doc.document_element()) == expected) << name;
    }
}

TEST(MachineSettings, WritesTheStoredWords) {
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(kDoc));
    WriteMachineSettings(doc.document_element(), Changed());
    pugi::xml_node root = doc.document_element();
    EXPECT_EQ(Value(root, "Model", "current"), "Model-Alfa2");
    EXPECT_EQ(Value(root, "Screen", "half-pass"), "lcd");
    EXPECT_EQ(Value(root, "Screen", "color-profile"), "mono");
    EXPECT_EQ(Value(root, "Screen", "color-pallette"), "video");
    EXPECT_EQ(Value(root, "Screen", "attr00"), "maroon");
    EXPECT_EQ(Value(root, "Sound", "out-type"), "dsound");
    EXPECT_EQ(Value(root, "Sound", "sound-if"), "mif85");
    EXPECT_EQ(Value(root, "Controls/Mouse", "type"), "poly8");
    EXPECT_EQ(Value(root, "Storages/RaomModule", "hw-version"), "kuvi");
    EXPECT_EQ(Value(root, "Storages/KZD-1", "port"), "gpio0");
    EXPECT_EQ(Value(root, "Storages/PMD-32/DriveC", ""), "disk2.p32");
    EXPECT_EQ(Value(root, "Printer", "type"), "xy41xx");
    EXPECT_EQ(Value(root, "Printer", "on-lpt"), "true");
}

TEST(MachineSettings, ElementsTheDocumentLacksAreNotMade) {
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string("<Orvik><Model current='Model-1'/></Orvik>"));
    WriteMachineSettings(doc.document_element(), Changed());
    EXPECT_EQ(Text(doc).find("Screen"), std::string::npos);
    EXPECT_EQ(Value(doc.document_element(), "Model", "current"), "Model-Alfa2");
}

// ------------------------------------------------------------ change codes

namespace CC = ChangeCode;

TEST(MachineSettings, ChangeCodesOfEveryRow) {
    for (const CodeRow& row : CodeRows()) {
        MachineSettings old = Base();
        if (row.before) row.before(old);
        MachineSettings now = old;
        row.after(now);
        EXPECT_EQ(ChangeCodesBetween(old, now), row.codes) << row.what;
    }
}

TEST(MachineSettings, GroupsForcedWithoutAChange) {
    const MachineSettings same = Base();
    EXPECT_EQ(ChangeCodesBetween(same, same, {.romModule = true}), std::vector<int>{CC::RomModule});
    EXPECT_EQ(ChangeCodesBetween(same, same, {.raom = true}), std::vector<int>{CC::Raom});
    EXPECT_EQ(ChangeCodesBetween(same, same, {.joystick = true}), std::vector<int>{CC::Joystick});
    MachineSettings mato = same;
    mato.model.current = kModelMato;
    EXPECT_EQ(ChangeCodesBetween(mato, mato, {.romModule = true}), std::vector<int>{});
    MachineSettings inserted = same;
    M(inserted, kModel3).romModuleInserted = true;
    EXPECT_EQ(ChangeCodesBetween(same, inserted, {.romModule = true}),
              (std::vector<int>{CC::RomModuleInserted, CC::RomModule}));
}

TEST(MachineSettings, EveryCodeHasARow) {
    std::vector<bool> seen(CC::Last + 1, false);
    for (const CodeRow& row : CodeRows())
        for (int code : row.codes) seen[code] = true;
    for (int code = CC::First; code <= CC::Last; ++code) EXPECT_TRUE(seen[code]) << code;
}

TEST(MachineSettings, EveryFieldAtOnceGivesEveryGroup) {
    const std::vector<int> codes = ChangeCodesBetween(Base(), Changed());
    for (int code : {CC::Model, CC::Compatibility, CC::HalfPass, CC::Colors, CC::SoundDevice, CC::Volumes, CC::Mif85,
                     CC::Keyboard, CC::Joystick, CC::Mouse, CC::Kzd1Connection, CC::Pmd32Unit, CC::Raom,
                     CC::RaomInserted, CC::Xy41xx, CC::DebuggerHints, CC::VideoInterrupt})
        EXPECT_NE(std::find(codes.begin(), codes.end(), code), codes.end()) << code;
}

}  // namespace
