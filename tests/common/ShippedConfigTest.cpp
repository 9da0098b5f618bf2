#include "common/Config.h"
#include "common/ConfigDocument.h"

#include "Version.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

struct Attr {
    const char* name;
    const char* value;   // nullptr: any value
};

struct Element {
    const char* path;    // slash-separated from the root element
    std::vector<Attr> attrs;
    const char* text;    // expected element text, nullptr: not checked
};

// The configuration tree with the values a reader assumes when they are missing.
const std::vector<Element>& Tree()
{
    static const std::vector<Element> tree = {
        {"General",
         {{"language", "English"},
          {"pause-on-focus-lost", "false"},
          {"show-hint-in-debugger", "false"},
          {"show-place-bar-on-file-dialog", "true"},
          {"show-info-on-enter-full-screen", "true"}},
         nullptr},
        {"Options", {{"x", "0"}, {"y", "0"}, {"page", "0"}}, nullptr},
        {"Screen",
         {{"x", "0"},
          {"y", "0"},
          {"size", "triple"},
          {"half-pass", "b50"},
          {"color-profile", "multicolor"},
          {"color-pallette", "defined"},
          {"attr00", "white"},
          {"attr01", "white"},
          {"attr10", "white"},
          {"attr11", "white"},
          {"video-cpu-interrupt", "false"}},
         nullptr},
        {"Model", {{"current", "Model-C2717"}}, nullptr},
        {"Model/Model-1", {}, nullptr},
        {"Model/Model-1/RomFile", {}, ""},
        {"Model/Model-1/RomModule", {{"inserted", "false"}, {"name", ""}}, nullptr},
        {"Model/Model-2", {}, nullptr},
        {"Model/Model-2/RomFile", {}, ""},
        {"Model/Model-2/RomModule", {{"inserted", "false"}, {"name", ""}}, nullptr},
        {"Model/Model-2A", {{"ram256k", "false"}}, nullptr},
        {"Model/Model-2A/RomFile", {}, ""},
        {"Model/Model-2A/RomModule", {{"inserted", "false"}, {"name", ""}}, nullptr},
        {"Model/Model-3", {{"compatibility-mode", "false"}, {"ram256k", "false"}}, nullptr},
        {"Model/Model-3/RomFile", {}, ""},
        {"Model/Model-3/RomModule", {{"inserted", "false"}, {"name", ""}}, nullptr},
        {"Model/Model-Mato", {}, nullptr},
        {"Model/Model-Mato/RomFile", {}, ""},
        {"Model/Model-Alfa", {}, nullptr},
        {"Model/Model-Alfa/RomFile", {}, ""},
        {"Model/Model-Alfa/RomModule", {{"inserted", "false"}, {"name", ""}}, nullptr},
        {"Model/Model-Alfa2", {}, nullptr},
        {"Model/Model-Alfa2/RomFile", {}, ""},
        {"Model/Model-Alfa2/RomModule", {{"inserted", "false"}, {"name", ""}}, nullptr},
        {"Model/Model-C2717", {}, nullptr},
        {"Model/Model-C2717/RomFile", {}, ""},
        {"Model/Model-C2717/RomModule", {{"inserted", "false"}, {"name", ""}}, nullptr},
        {"RomPackages", {}, nullptr},
        {"Sound",
         {{"out-type", nullptr},
          {"device-index", "-1"},
          {"volume-speaker", "90"},
          {"volume-tape", "50"},
          {"volume-sound-if", "90"},
          {"sound-if", "none"},
          {"mute", "false"}},
         nullptr},
        {"Controls", {}, nullptr},
        {"Controls/Keyboard", {{"change-zy", "false"}, {"use-numpad", "false"}, {"mato-ctrl", "false"}}, nullptr},
        {"Controls/Mouse", {{"type", "none"}, {"hide-cursor", "true"}}, nullptr},
        {"Controls/Joystick", {}, nullptr},
        {"Controls/Joystick/Gpio0",
         {{"connected", "false"}, {"type", "none"}, {"guid", ""}, {"left", "-1"}, {"right", "-1"},
          {"up", "-1"}, {"down", "-1"}, {"fire", "-1"}, {"pov", "-1"}, {"sensitivity", "60"}},
         nullptr},
        {"Controls/Joystick/Gpio1",
         {{"connected", "false"}, {"type", "none"}, {"guid", ""}, {"left", "-1"}, {"right", "-1"},
          {"up", "-1"}, {"down", "-1"}, {"fire", "-1"}, {"pov", "-1"}, {"sensitivity", "60"}},
         nullptr},
        {"Storages", {}, nullptr},
        {"Storages/RaomModule",
         {{"inserted", "false"}, {"name", ""}, {"hw-version", "chtf"}, {"write-protect", "false"}}, ""},
        {"Storages/KZD-1", {{"connected", "false"}, {"port", "gpio1"}, {"write-protect", "false"}}, ""},
        {"Storages/PMD-30", {{"connected", "false"}, {"write-protect", "false"}}, ""},
        {"Storages/PMD-32", {{"connected", "false"}, {"extra-commands", "false"}}, nullptr},
        {"Storages/PMD-32/DriveA", {{"write-protect", "false"}}, ""},
        {"Storages/PMD-32/DriveB", {{"write-protect", "false"}}, ""},
        {"Storages/PMD-32/DriveC", {{"write-protect", "false"}}, ""},
        {"Storages/PMD-32/DriveD", {{"write-protect", "false"}}, ""},
        {"Storages/PMD-32/SD-Root", {}, ""},
        {"Printer",
         {{"type", nullptr},
          {"on-lpt", "false"},
          {"port", nullptr},
          {"neg-data", "false"},
          {"mode", nullptr},
          {"only-text", "false"},
          {"lpt-port", "1,378"}},
         nullptr},
        {"Snapshot",
         {{"save-snapshot-compressed", "true"},
          {"save-snapshot-with-monitor", "false"},
          {"dont-run-snapshot-on-load", "false"}},
         ""},
        {"ActionRecording", {{"x", "0"}, {"y", "0"}}, ""},
        {"TapeBrowser",
         {{"x", "0"}, {"y", "0"}, {"height", "255"}, {"monitoring", "false"}, {"flash", "false"},
          {"auto-stop", "cursor"}},
         ""},
        {"Debugger",
         {{"x", "0"}, {"y", "0"}, {"radix", "hex"}, {"notation", nullptr}, {"highlight-color", "15714740"}},
         nullptr},
        {"Debugger/List", {{"source", "sp"}, {"type", nullptr}}, "0"},
        {"Debugger/BreakPoints", {}, nullptr},
        {"Debugger/BreakPoints/BP1", {{"active", "false"}}, "0"},
        {"Debugger/BreakPoints/BP2", {{"active", "false"}}, "0"},
        {"Debugger/BreakPoints/BP3", {{"active", "false"}}, "0"},
        {"Debugger/BreakPoints/BP4", {{"active", "false"}}, "0"},
        {"Debugger/BreakPoints/BP5", {{"active", "false"}}, "0"},
        {"Debugger/BreakPoints/BP6", {{"active", "false"}}, "0"},
        {"Poke", {{"x", "0"}, {"y", "0"}}, nullptr},
        {"MemReadWrite",
         {{"x", "0"}, {"y", "0"}, {"start", "0"}, {"length", "4096"}, {"source", nullptr},
          {"radix", nullptr}, {"remapping", "false"}},
         ""},
        {"Recent", {}, nullptr},
    };
    return tree;
}

pugi::xml_node Walk(pugi::xml_node root, const std::string& path)
{
    pugi::xml_node node = root;
    std::size_t start = 0;
    while (node && start <= path.size()) {
        std::size_t slash = path.find('/', start);
        std::string name = path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        node = FindChildElement(node, name.c_str());
        if (slash == std::string::npos)
            break;
        start = slash + 1;
    }
    return node;
}

class ShippedConfig : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(doc.Open(std::string(ORVIK_PROGRAM_DIR) + "/Orvik.xml", ORVIK_VERSION_TEXT),
                  ConfigDocument::OpenOk)
            << "the build writes Orvik.xml with the project version into the program folder";
        ConfigRoot = doc.Root();
    }
    void TearDown() override
    {
        ConfigRoot = pugi::xml_node();
        doc.Deactivate();   // never write the shipped file back
    }
    ConfigDocument doc;
};

TEST_F(ShippedConfig, VersionIsTheProgramVersion)
{
    EXPECT_STREQ(doc.Root().attribute("version").value(), ORVIK_VERSION_TEXT);
    EXPECT_STRNE(ORVIK_VERSION_TEXT, "");
}

TEST_F(ShippedConfig, HoldsEverySectionWithItsDefaults)
{
    for (const Element& e : Tree()) {
        pugi::xml_node node = Walk(doc.Root(), e.path);
        ASSERT_TRUE(node) << "missing element " << e.path;
        for (const Attr& a : e.attrs) {
            pugi::xml_attribute attr = node.attribute(a.name);
            EXPECT_TRUE(attr) << e.path << " lacks " << a.name;
            if (attr && a.value) {
                EXPECT_STREQ(attr.value(), a.value) << e.path << "/" << a.name;
            }
        }
        if (e.text) {
            EXPECT_EQ(ReadElementText(node), e.text) << e.path;
        }
    }
}

TEST_F(ShippedConfig, HoldsNothingBeyondTheTree)
{
    // Every element of the file is listed, and the program's own lists start empty.
    std::vector<std::string> unknown;
    struct Walker : pugi::xml_tree_walker {
        std::vector<std::string>* unknown;
        pugi::xml_node root;
        bool for_each(pugi::xml_node& node) override
        {
            if (node.type() != pugi::node_element)
                return true;
            std::string path;
            for (pugi::xml_node n = node; n && n != root; n = n.parent())
                path = path.empty() ? std::string(n.name()) : std::string(n.name()) + "/" + path;
            bool listed = false;
            for (const Element& e : Tree())
                listed = listed || path == e.path;
            if (!listed)
                unknown->push_back(path);
            return true;
        }
    } walker;
    walker.unknown = &unknown;
    walker.root = doc.Root();
    doc.Root().traverse(walker);
    EXPECT_TRUE(unknown.empty()) << unknown.front();
    EXPECT_FALSE(FindChildElement(ConfigSection("Recent"), "RecentFile"));
    EXPECT_FALSE(FindChildElement(ConfigSection("RomPackages"), "RomPackage"));
    EXPECT_FALSE(Walk(doc.Root(), "Model/Model-Mato/RomModule"));
}

TEST_F(ShippedConfig, ReadersGetTheDocumentedValues)
{
    EXPECT_EQ(ReadAttrInt(ConfigSection("Sound"), "volume-tape", 0), 50);
    EXPECT_EQ(ReadAttrInt(ConfigSection("Sound"), "device-index", 0), -1);
    EXPECT_TRUE(ReadAttrBool(ConfigSection("General"), "show-place-bar-on-file-dialog", false));
    EXPECT_FALSE(ReadAttrBool(ConfigSection("General"), "pause-on-focus-lost", true));
    EXPECT_EQ(ReadAttrInt(ConfigSection("Debugger"), "highlight-color", 0), 15714740);
    EXPECT_EQ(ReadChildInt(Walk(doc.Root(), "Debugger/BreakPoints"), "BP6", -1), 0);
    EXPECT_EQ(ReadAttrInt(ConfigSection("MemReadWrite"), "length", 0), 4096);
    // Enumerations stored as a word fall to the reader's last case where the
    // table names no word for it.
    EXPECT_FALSE(AttrEquals(ConfigSection("Printer"), "type", "bt100"));
    EXPECT_FALSE(AttrEquals(ConfigSection("Printer"), "port", "ims2"));
    EXPECT_FALSE(AttrEquals(ConfigSection("Printer"), "port", "gpio1"));
    EXPECT_FALSE(AttrEquals(ConfigSection("Printer"), "mode", "normal"));
    EXPECT_FALSE(AttrEquals(ConfigSection("Printer"), "mode", "file"));
    EXPECT_FALSE(AttrEquals(ConfigSection("Debugger"), "notation", "z80"));
    EXPECT_FALSE(AttrEquals(FindChildElement(ConfigSection("Debugger"), "List"), "type", "dump"));
    EXPECT_FALSE(AttrEquals(FindChildElement(ConfigSection("Debugger"), "List"), "type", "ascii"));
    EXPECT_FALSE(AttrEquals(ConfigSection("MemReadWrite"), "source", "ram"));
    EXPECT_FALSE(AttrEquals(ConfigSection("MemReadWrite"), "radix", "hex"));
    const std::string out = ReadAttrString(ConfigSection("Sound"), "out-type");
    EXPECT_TRUE(out == "waveout" || out == "dsound") << out;
}

TEST_F(ShippedConfig, LanguageFileIsShipped)
{
    const std::string language = ReadAttrString(ConfigSection("General"), "language");
    const std::filesystem::path lang = std::filesystem::path(ORVIK_SOURCE_DIR) / "resources" / "Lang";
    if (!std::filesystem::exists(lang / (language + ".ini")))
        GTEST_SKIP() << "no language file " << language << ".ini in resources/Lang yet";
    SUCCEED();
}

} // namespace
