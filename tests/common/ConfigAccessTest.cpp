#include "common/Config.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

class ConfigAccess : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(doc.load_string("<Orvik version='1'><Screen/><Debugger><BreakPoints/></Debugger></Orvik>"));
        ConfigRoot = doc.document_element();
        screen = ConfigSection("Screen");
        ASSERT_TRUE(screen);
    }
    void TearDown() override { ConfigRoot = pugi::xml_node(); }

    pugi::xml_document doc;
    pugi::xml_node screen;
};

TEST_F(ConfigAccess, IntegerTexts)
{
    struct Case {
        const char* text;
        int expected;
    };
    const Case cases[] = {
        {"42", 42},           {"-1", -1},           {"0", 0},
        {"-0", 0},            {"2147483647", INT_MAX}, {"-2147483648", INT_MIN},
        {"", 7},              {"12ab", 7},          {"ab", 7},
        {"-", 7},             {"2147483648", 7},    {"-2147483649", 7},
        {"1.5", 7},           {"99999999999999999999", 7},
    };
    for (const Case& c : cases) {
        WriteAttrString(screen, "v", c.text);
        EXPECT_EQ(ReadAttrInt(screen, "v", 7), c.expected) << '"' << c.text << '"';
    }
    EXPECT_EQ(ReadAttrInt(screen, "absent", 7), 7);
}

TEST_F(ConfigAccess, WriteIntThenReadBack)
{
    WriteAttrInt(screen, "x", -1);
    EXPECT_STREQ(screen.attribute("x").value(), "-1");
    WriteAttrInt(screen, "x", 1234);
    EXPECT_STREQ(screen.attribute("x").value(), "1234");
    // Writing replaces, never duplicates, the attribute.
    int count = 0;
    for (pugi::xml_attribute a : screen.attributes())
        count += std::string(a.name()) == "x";
    EXPECT_EQ(count, 1);
}

TEST_F(ConfigAccess, BooleanTextsAreExact)
{
    struct Case {
        const char* text;
        bool def;
        bool expected;
    };
    const Case cases[] = {
        {"true", false, true},   {"true", true, true},     {"false", true, false},
        {"false", false, false}, {"True", false, false},   {"False", true, true},
        {"TRUE", false, false},  {"1", false, false},      {"0", true, true},
        {"", true, true},        {" true", false, false},  {"yes", true, true},
    };
    for (const Case& c : cases) {
        WriteAttrString(screen, "b", c.text);
        EXPECT_EQ(ReadAttrBool(screen, "b", c.def), c.expected) << '"' << c.text << "\" default " << c.def;
    }
    EXPECT_TRUE(ReadAttrBool(screen, "absent", true));
    EXPECT_FALSE(ReadAttrBool(screen, "absent", false));
}

TEST_F(ConfigAccess, WriteBoolOnlyOneIsTrue)
{
    const struct {
        int value;
        const char* text;
    } cases[] = {{1, "true"}, {0, "false"}, {2, "false"}, {-1, "false"}, {257, "false"}};
    for (const auto& c : cases) {
        WriteAttrBool(screen, "mute", c.value);
        EXPECT_STREQ(screen.attribute("mute").value(), c.text) << c.value;
    }
}

TEST_F(ConfigAccess, AttrEqualsAndStrings)
{
    EXPECT_TRUE(AttrEquals(screen, "size", ""));
    EXPECT_FALSE(AttrEquals(screen, "size", "normal"));
    EXPECT_EQ(ReadAttrString(screen, "size"), "");
    WriteAttrString(screen, "size", "double");
    EXPECT_TRUE(AttrEquals(screen, "size", "double"));
    EXPECT_FALSE(AttrEquals(screen, "size", "Double"));
    EXPECT_FALSE(AttrEquals(screen, "size", "doubl"));
    EXPECT_FALSE(AttrEquals(screen, "Size", "double"));
    EXPECT_EQ(ReadAttrString(screen, "size"), "double");
}

TEST_F(ConfigAccess, ChildIntegerTexts)
{
    pugi::xml_node bps = FindChildElement(ConfigSection("Debugger"), "BreakPoints");
    ASSERT_TRUE(bps);
    WriteElementText(bps.append_child("BP1"), "4096");
    bps.append_child("BP2");                        // no text at all
    WriteElementText(bps.append_child("BP3"), "x1");
    WriteElementText(bps.append_child("BP4"), "-5");
    WriteElementInt(bps.append_child("BP5"), 0);
    EXPECT_EQ(ReadChildInt(bps, "BP1", 9), 4096);
    EXPECT_EQ(ReadChildInt(bps, "BP2", 9), 9);      // empty text gives the default, not 0
    EXPECT_EQ(ReadChildInt(bps, "BP3", 9), 9);
    EXPECT_EQ(ReadChildInt(bps, "BP4", 9), -5);
    EXPECT_EQ(ReadChildInt(bps, "BP5", 9), 0);
    EXPECT_EQ(ReadChildInt(bps, "BP6", 9), 9);
    EXPECT_EQ(ReadChildInt(bps, "bp1", 9), 9);      // names are case-sensitive
}

TEST_F(ConfigAccess, FirstElementOfANameIsTheSection)
{
    ASSERT_TRUE(doc.load_string("<r><?Screen x='1'?><!--Screen--><Screen x='2'/><Screen x='3'/></r>",
                                pugi::parse_full));
    ConfigRoot = doc.document_element();
    EXPECT_EQ(ReadAttrInt(ConfigSection("Screen"), "x", 0), 2);
}

TEST_F(ConfigAccess, ElementTexts)
{
    pugi::xml_node snap = ConfigRoot.append_child("Snapshot");
    WriteAttrBool(snap, "save-snapshot-compressed", 1);
    EXPECT_EQ(ReadElementText(snap), "");
    EXPECT_TRUE(WriteElementText(snap, "snaps/game.psn"));
    EXPECT_EQ(ReadElementText(snap), "snaps/game.psn");
    EXPECT_TRUE(WriteElementText(snap, "other.psn"));
    EXPECT_EQ(ReadElementText(snap), "other.psn");
    EXPECT_TRUE(WriteElementText(snap, ""));
    EXPECT_EQ(ReadElementText(snap), "");
    EXPECT_FALSE(snap.first_child());
    EXPECT_TRUE(ReadAttrBool(snap, "save-snapshot-compressed", false));
}

// A missing section must not crash or throw: readers give their defaults,
// writers refuse and report it.
TEST_F(ConfigAccess, MissingSectionGivesDefaults)
{
    pugi::xml_node none = ConfigSection("NoSuchSection");
    EXPECT_FALSE(none);
    EXPECT_EQ(ReadAttrInt(none, "x", 5), 5);
    EXPECT_TRUE(ReadAttrBool(none, "b", true));
    EXPECT_FALSE(ReadAttrBool(none, "b", false));
    EXPECT_EQ(ReadAttrString(none, "s"), "");
    EXPECT_TRUE(AttrEquals(none, "s", ""));
    EXPECT_FALSE(AttrEquals(none, "s", "normal"));
    EXPECT_EQ(ReadChildInt(none, "BP1", 3), 3);
    EXPECT_EQ(ReadElementText(none), "");
    EXPECT_FALSE(FindChildElement(none, "List"));
    int left = -1, top = -1;
    ReadWindowPos(none, left, top, 100, 100, 800, 600);
    EXPECT_EQ(left, 0);
    EXPECT_EQ(top, 0);

    EXPECT_FALSE(WriteAttrInt(none, "x", 1));
    EXPECT_FALSE(WriteAttrBool(none, "b", 1));
    EXPECT_FALSE(WriteAttrString(none, "s", "t"));
    EXPECT_FALSE(WriteElementText(none, "t"));

    // No document at all.
    ConfigRoot = pugi::xml_node();
    EXPECT_FALSE(ConfigSection("Screen"));
    EXPECT_EQ(ReadAttrInt(ConfigSection("Screen"), "x", 8), 8);
}

// A value written into a missing section is kept: the section is made on
// write. Reading never makes one.
TEST_F(ConfigAccess, WritingIntoAMissingSectionCreatesIt)
{
    EXPECT_EQ(ReadAttrInt(ConfigSection("General"), "x", 4), 4);
    EXPECT_FALSE(ConfigSection("General"));

    EXPECT_TRUE(WriteAttrInt(ConfigSectionForWrite("General"), "x", 12));
    EXPECT_TRUE(WriteAttrBool(ConfigSectionForWrite("General"), "on", 1));
    EXPECT_EQ(ReadAttrInt(ConfigSection("General"), "x", 0), 12);
    EXPECT_TRUE(ReadAttrBool(ConfigSection("General"), "on", false));
    int generals = 0;
    for (pugi::xml_node n = ConfigRoot.first_child(); n; n = n.next_sibling())
        generals += std::string(n.name()) == "General";
    EXPECT_EQ(generals, 1);

    // An existing section is the one written into; nested ones likewise.
    EXPECT_EQ(ConfigSectionForWrite("Screen"), screen);
    pugi::xml_node list = ChildForWrite(ConfigSection("Debugger"), "List");
    ASSERT_TRUE(list);
    EXPECT_EQ(FindChildElement(ConfigSection("Debugger"), "List"), list);
    EXPECT_EQ(ChildForWrite(ConfigSection("Debugger"), "BreakPoints"),
              FindChildElement(ConfigSection("Debugger"), "BreakPoints"));

    // Without a document there is nothing to write into.
    ConfigRoot = pugi::xml_node();
    EXPECT_FALSE(ConfigSectionForWrite("Screen"));
    EXPECT_FALSE(WriteAttrInt(ConfigSectionForWrite("Screen"), "x", 1));
    EXPECT_FALSE(ChildForWrite(pugi::xml_node(), "List"));
}

TEST_F(ConfigAccess, WindowPositionIsClamped)
{
    struct Case {
        const char* x;
        int w;
        int desktop;
        int expected;
    };
    const Case cases[] = {
        {"-10", 300, 1024, 0},   {"900", 300, 1024, 724}, {"900", 1100, 1024, 0},
        {"724", 300, 1024, 724}, {"725", 300, 1024, 724}, {"0", 1024, 1024, 0},
        {"100", 300, 1024, 100}, {"", 300, 1024, 0},      {"abc", 300, 1024, 0},
        {"2147483647", 300, 1024, 724},
    };
    for (const Case& c : cases) {
        WriteAttrString(screen, "x", c.x);
        WriteAttrString(screen, "y", c.x);
        int left = -1, top = -1;
        ReadWindowPos(screen, left, top, c.w, c.w, c.desktop, c.desktop);
        EXPECT_EQ(left, c.expected) << "x=" << c.x << " w=" << c.w;
        EXPECT_EQ(top, c.expected) << "y=" << c.x << " h=" << c.w;
    }
    // Horizontal and vertical are clamped independently.
    WriteAttrInt(screen, "x", 50);
    WriteAttrInt(screen, "y", 700);
    int left = -1, top = -1;
    ReadWindowPos(screen, left, top, 200, 100, 1280, 768);
    EXPECT_EQ(left, 50);
    EXPECT_EQ(top, 668);
}

} // namespace
