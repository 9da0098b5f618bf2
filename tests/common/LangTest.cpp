#include <gtest/gtest.h>

#include "TestTempDir.h"
#include "common/IniFile.h"
#include "common/Lang.h"
#include "common/Paths.h"

namespace {

TEST(SplitLangKey, Table) {
    struct Case {
        const char* key;
        const char* kind;
        const char* component;
        const char* property;
    } cases[] = {
        {"label.LblName.Caption", "label", "LblName", "Caption"},
        {"listView.LvList.Column3", "listView", "LvList", "Column3"},
        {"err.A.B.C.Title", "err", "A", "B.C.Title"},  // further dots stay in Property
        {"form.FormMain", "form", "FormMain", ""},
        {"nodot", "nodot", "", ""},
        {"", "", "", ""},
        {".x.", "", "x", ""},
        {"a..b", "a", "", "b"},
    };
    for (const Case& c : cases) {
        LangKeyParts p = SplitLangKey(c.key);
        EXPECT_EQ(p.kind, c.kind) << c.key;
        EXPECT_EQ(p.component, c.component) << c.key;
        EXPECT_EQ(p.property, c.property) << c.key;
    }
}

TEST(IniFile, Conventions) {
    IniFile ini;
    ini.Parse(
        "\xEF\xBB\xBF; comment\r\n"
        "orphan=ignored\r\n"
        "[ Common ]\r\n"
        "Charset = 238 \r\n"
        "[FormMain]\n"
        "  Text.Key  =  spaced value  \n"
        "Empty=\n"
        "Quoted=\" padded \"\n"
        "Eq=a=b\n"
        "dup=first\n"
        "DUP=second\n"
        "noequals line\n"
        "[formmain]\n"
        "other=x\n");
    ASSERT_EQ(ini.Sections().size(), 3u);
    EXPECT_EQ(ini.Sections()[0].name, "Common");
    EXPECT_EQ(ini.ReadInteger("COMMON", "charset", 0), 238);
    EXPECT_EQ(ini.ReadString("FORMMAIN", "text.key"), "spaced value");
    EXPECT_EQ(ini.ReadString("FormMain", "Empty", "def"), "");
    EXPECT_EQ(ini.ReadString("FormMain", "Quoted"), " padded ");
    EXPECT_EQ(ini.ReadString("FormMain", "Eq"), "a=b");
    EXPECT_EQ(ini.ReadString("FormMain", "dup"), "first");
    EXPECT_EQ(ini.ReadString("FormMain", "missing", "def"), "def");
    EXPECT_EQ(ini.ReadString("Nope", "x", "def"), "def");
    EXPECT_EQ(ini.ReadString("", "orphan", "def"), "def");
    EXPECT_EQ(ini.Sections()[1].entries.size(), 6u);  // file order kept
    EXPECT_EQ(ini.Sections()[1].entries[0].key, "Text.Key");
    EXPECT_EQ(ini.ReadInteger("FormMain", "Eq", -7), -7);
}

class LangTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetAppDir(dir.path());
        dir.write("Lang/Test.ini",
                  "[Common]\r\n"
                  "Charset=238\r\n"
                  "[FormTapeBrowser]\r\n"
                  "err.OpenTape.Title=Open\\tape\r\n"
                  "text.Twice=%1 and %1\r\n"
                  "text.Two=A %1 B %2 C %2\r\n"
                  "text.Plain=no placeholder\r\n"
                  "text.Utf8=\xC5\xA0\xC3\xADrka\r\n");
    }
    void TearDown() override {
        CloseLanguageFile();
        ClearAppDir();
    }
    TestTempDir dir;
};

TEST_F(LangTest, NothingLoadedGivesEmptyTexts) {
    CloseLanguageFile();
    EXPECT_EQ(LangIni(), nullptr);
    EXPECT_EQ(LangText("FormTapeBrowser", "err.OpenTape.Title"), "");
    EXPECT_EQ(LangTextArg("FormTapeBrowser", "text.Twice", "x"), "");
    EXPECT_EQ(LangCharset(), 0);
}

TEST_F(LangTest, Lookups) {
    EXPECT_EQ(LangFilePath("Test"), dir.path() + "Lang/Test.ini");
    OpenLanguageFile("Test");
    ASSERT_NE(LangIni(), nullptr);
    EXPECT_EQ(LangCharset(), 238);
    EXPECT_EQ(LangText("FormTapeBrowser", "err.OpenTape.Title"), "Open\ntape");
    EXPECT_EQ(LangText("formtapebrowser", "ERR.OPENTAPE.TITLE"), "Open\ntape");
    EXPECT_EQ(LangText("FormTapeBrowser", "text.Utf8"), "\xC5\xA0\xC3\xADrka");
    EXPECT_EQ(LangText("FormTapeBrowser", "missing.Key"), "");
    EXPECT_EQ(LangText("FormMain", "err.OpenTape.Title"), "");
    EXPECT_EQ(LangTextArg("FormTapeBrowser", "text.Twice", "x"), "x and %1");
    EXPECT_EQ(LangTextArg("FormTapeBrowser", "text.Plain", "x"), "no placeholder");
    EXPECT_EQ(LangTextArgs("FormTapeBrowser", "text.Two", "1", "2"), "A 1 B 2 C %2");
    // A "%2" brought in by the first argument is replaced like one of the text.
    EXPECT_EQ(LangTextArgs("FormTapeBrowser", "text.Two", "x%2", "y"), "A xy B %2 C %2");
}

TEST_F(LangTest, MissingFileActsAsEmpty) {
    OpenLanguageFile("Test");
    OpenLanguageFile("NoSuchLanguage");  // replaces the open one
    ASSERT_NE(LangIni(), nullptr);
    EXPECT_EQ(LangText("FormTapeBrowser", "err.OpenTape.Title"), "");
    EXPECT_EQ(LangCharset(), 0);
}

TEST(EnglishLanguageFile, ShipsCommonAndTheRunTimeKeys) {
    IniFile ini;
    ASSERT_TRUE(ini.Load(std::string(ORVIK_SOURCE_DIR) + "/resources/Lang/English.ini"));
    EXPECT_EQ(ini.ReadString("Common", "Charset", "missing"), "0");
    EXPECT_NE(ini.ReadString("FormSettings", "err.CreateMedium.Title"), "");
    EXPECT_NE(ini.ReadString("FormSettings", "err.CreateMedium.Message"), "");
}

}  // namespace
