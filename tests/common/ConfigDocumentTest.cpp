#include "common/Config.h"
#include "common/ConfigDocument.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const char* const kVersion = "3.1.4.15";

const char* const kSample =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!-- settings -->\n"
    "<Orvik version=\"3.1.4.15\">\n"
    "\t<General language=\"English\" pause-on-focus-lost=\"false\"/>\n"
    "  <Screen x=\"10\" y=\"20\" size=\"double\"/>\n"
    "  <Debugger radix=\"hex\"><List source=\"sp\">4096</List>\n"
    "    <BreakPoints><BP1 active=\"true\">256</BP1></BreakPoints></Debugger>\n"
    "  <Snapshot>snaps/a b.psn</Snapshot>\n"
    "  <Recent>\n"
    "    <RecentFile>tapes/x.ptp</RecentFile>\n"
    "    <RecentFile>/home/u/y.psn</RecentFile>\n"
    "  </Recent>\n"
    "</Orvik>\n";

std::string ReadFile(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const fs::path& p, const std::string& text)
{
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << text;
}

class ConfigFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() /
              ("orvik-configdoc-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        file = dir / "Orvik.xml";
        WriteFile(file, kSample);
    }
    void TearDown() override
    {
        ConfigRoot = pugi::xml_node();
        std::error_code ec;
        fs::remove_all(dir, ec);
    }

    int FilesInDir() const
    {
        int n = 0;
        for (const auto& e : fs::directory_iterator(dir)) {
            (void)e;
            ++n;
        }
        return n;
    }

    fs::path dir;
    fs::path file;
};

TEST_F(ConfigFile, OpensAndReadsSections)
{
    ConfigDocument doc;
    ASSERT_EQ(doc.Open(file.string(), kVersion), ConfigDocument::OpenOk);
    EXPECT_TRUE(doc.Active());
    ConfigRoot = doc.Root();
    EXPECT_EQ(ReadAttrString(ConfigSection("General"), "language"), "English");
    EXPECT_EQ(ReadAttrInt(ConfigSection("Screen"), "y", 0), 20);
    EXPECT_TRUE(AttrEquals(ConfigSection("Screen"), "size", "double"));
    pugi::xml_node debugger = ConfigSection("Debugger");
    EXPECT_EQ(ReadChildInt(debugger, "List", 0), 4096);
    EXPECT_EQ(ReadChildInt(FindChildElement(debugger, "BreakPoints"), "BP1", 0), 256);
    EXPECT_EQ(ReadElementText(ConfigSection("Snapshot")), "snaps/a b.psn");
    // Missing values read as their defaults.
    EXPECT_EQ(ReadAttrInt(ConfigSection("Options"), "page", 0), 0);
    EXPECT_TRUE(ReadAttrBool(ConfigSection("General"), "show-place-bar-on-file-dialog", true));
    doc.Deactivate();
}

TEST_F(ConfigFile, KeepsWhiteSpaceBetweenElements)
{
    ConfigDocument doc;
    ASSERT_EQ(doc.Open(file.string(), kVersion), ConfigDocument::OpenOk);
    pugi::xml_node recent = FindChildElement(doc.Root(), "Recent");
    ASSERT_TRUE(recent);
    ASSERT_TRUE(recent.first_child());
    EXPECT_EQ(recent.first_child().type(), pugi::node_pcdata);
    EXPECT_EQ(recent.first_child().next_sibling().type(), pugi::node_element);
    doc.Deactivate();
}

TEST_F(ConfigFile, RefusesUnreadableOrOtherVersion)
{
    struct Case {
        const char* what;
        std::string text;
        int expected;
    };
    const Case cases[] = {
        {"not XML", "this is not XML", ConfigDocument::OpenUnreadable},
        {"cut short", std::string(kSample).substr(0, 200), ConfigDocument::OpenUnreadable},
        {"empty", "", ConfigDocument::OpenUnreadable},
        {"other version", "<Orvik version=\"3.1.4.16\"><General/></Orvik>", ConfigDocument::OpenVersionMismatch},
        {"no version", "<Orvik><General/></Orvik>", ConfigDocument::OpenVersionMismatch},
        {"version with blank", "<Orvik version=\"3.1.4.15 \"/>", ConfigDocument::OpenVersionMismatch},
        // Another program's document is never taken (and so never written over at exit),
        // whatever version it names.
        {"another program's document", "<Whatever version=\"3.1.4.15\"/>", ConfigDocument::OpenUnreadable},
        {"root name in other case", "<orvik version=\"3.1.4.15\"/>", ConfigDocument::OpenUnreadable},
    };
    for (const Case& c : cases) {
        WriteFile(file, c.text);
        {
            ConfigDocument doc;
            EXPECT_EQ(doc.Open(file.string(), kVersion), c.expected) << c.what;
            EXPECT_EQ(doc.Active(), c.expected == ConfigDocument::OpenOk) << c.what;
            if (!doc.Active()) {
                EXPECT_FALSE(doc.Root()) << c.what;
            }
            doc.Deactivate();
        }
        // Nothing is written back.
        EXPECT_EQ(ReadFile(file), c.text) << c.what;
    }
    ConfigDocument doc;
    EXPECT_EQ(doc.Open((dir / "missing.xml").string(), kVersion), ConfigDocument::OpenUnreadable);
}

// What Open found wrong, in words that name the fault.
TEST_F(ConfigFile, ProblemSaysWhatIsWrong)
{
    struct Case {
        const char* what;
        std::string text;
        std::string problem;
    };
    const Case cases[] = {
        {"empty", "", "empty"},
        {"blanks", "  \n\t\n", "holds only blanks"},
        {"not XML", "this is not XML", "not XML at line 1: no document element found"},
        {"tags crossed on line 3", "<Orvik version=\"3.1.4.15\">\n  <General>\n  </Screen>\n</Orvik>\n",
         "not XML at line 3: start-end tags mismatch"},
        {"cut short on line 2", "<Orvik version=\"3.1.4.15\">\n  <General", "not XML at line 2: error parsing start element tag"},
        {"another program's", "<svg version=\"3.1.4.15\"/>", "another program's document: its root element is <svg>, not <Orvik>"},
        {"other version", "<Orvik version=\"3.1.4.16\"/>", "version \"3.1.4.16\", where this program needs \"3.1.4.15\""},
        {"no version", "<Orvik/>", "no version, where this program needs \"3.1.4.15\""},
        {"good", kSample, ""},
    };
    for (const Case& c : cases) {
        WriteFile(file, c.text);
        ConfigDocument doc;
        doc.Open(file.string(), kVersion);
        EXPECT_EQ(doc.Problem(), c.problem) << c.what;
        EXPECT_EQ(doc.FileName(), file.string()) << c.what;
        doc.Deactivate();
        EXPECT_EQ(doc.Problem(), c.problem) << c.what << " (kept after Deactivate)";
    }
    ConfigDocument doc;
    doc.Open((dir / "missing.xml").string(), kVersion);
    EXPECT_EQ(doc.Problem(), "missing");
    doc.Open(dir.string(), kVersion);
    EXPECT_EQ(doc.Problem(), "a folder, not a file");
}

TEST_F(ConfigFile, ReleaseSavesUnlessDeactivated)
{
    {
        ConfigDocument doc;
        ASSERT_EQ(doc.Open(file.string(), kVersion), ConfigDocument::OpenOk);
        ConfigRoot = doc.Root();
        WriteAttrInt(ConfigSection("Screen"), "x", 333);
    }
    EXPECT_FALSE(ConfigRoot);   // released documents leave no dangling root
    {
        ConfigDocument doc;
        ASSERT_EQ(doc.Open(file.string(), kVersion), ConfigDocument::OpenOk);
        EXPECT_EQ(ReadAttrInt(FindChildElement(doc.Root(), "Screen"), "x", 0), 333);
        WriteAttrInt(FindChildElement(doc.Root(), "Screen"), "x", 444);
        doc.Deactivate();
    }
    ConfigDocument doc;
    ASSERT_EQ(doc.Open(file.string(), kVersion), ConfigDocument::OpenOk);
    EXPECT_EQ(ReadAttrInt(FindChildElement(doc.Root(), "Screen"), "x", 0), 333);
    doc.Deactivate();
}

TEST_F(ConfigFile, SavesIndentedAndKeepsContent)
{
    ConfigDocument doc;
    ASSERT_EQ(doc.Open(file.string(), kVersion), ConfigDocument::OpenOk);
    pugi::xml_node recent = FindChildElement(doc.Root(), "Recent");
    recent.prepend_child("RecentFile").append_child(pugi::node_pcdata).set_value("new.ptp");
    ASSERT_TRUE(doc.Save());
    const std::string text = ReadFile(file);
    EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n", 0), 0u) << text;
    EXPECT_NE(text.find("<!-- settings -->"), std::string::npos);
    EXPECT_NE(text.find("\n  <General language=\"English\""), std::string::npos) << text;
    EXPECT_NE(text.find("\n  <Debugger radix=\"hex\">\n    <List source=\"sp\">4096</List>\n"
                        "    <BreakPoints>\n      <BP1 active=\"true\">256</BP1>\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\n  <Recent>\n    <RecentFile>new.ptp</RecentFile>\n"
                        "    <RecentFile>tapes/x.ptp</RecentFile>\n"
                        "    <RecentFile>/home/u/y.psn</RecentFile>\n  </Recent>\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("<Snapshot>snaps/a b.psn</Snapshot>"), std::string::npos);
    EXPECT_EQ(FilesInDir(), 1);   // no temporary file left behind
    doc.Deactivate();

    // Saving what was loaded from a saved file changes nothing.
    ConfigDocument again;
    ASSERT_EQ(again.Open(file.string(), kVersion), ConfigDocument::OpenOk);
    EXPECT_EQ(again.SavedText(), text);
    again.Deactivate();
}

TEST_F(ConfigFile, SaveKeepsPermissionsAndLinks)
{
    fs::path real = dir / "real.xml";
    fs::rename(file, real);
    fs::create_symlink(real, file);
    ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
    ConfigDocument doc;
    ASSERT_EQ(doc.Open(file.string(), kVersion), ConfigDocument::OpenOk);
    WriteAttrInt(FindChildElement(doc.Root(), "Screen"), "x", 77);
    ASSERT_TRUE(doc.Save());
    doc.Deactivate();
    EXPECT_TRUE(fs::is_symlink(file));
    struct stat st {};
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_NE(ReadFile(real).find("x=\"77\""), std::string::npos);
}

// A write that fails part way (here: the file-size limit) reports failure and
// leaves the old file whole.
TEST_F(ConfigFile, FailedSaveLeavesTheFileWhole)
{
    ConfigDocument doc;
    ASSERT_EQ(doc.Open(file.string(), kVersion), ConfigDocument::OpenOk);
    WriteAttrString(FindChildElement(doc.Root(), "General"), "language", std::string(4000, 'L'));

    rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = doc.Save();
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(saved);
    EXPECT_EQ(ReadFile(file), kSample);
    EXPECT_EQ(FilesInDir(), 1);
    doc.Deactivate();
}

TEST_F(ConfigFile, SaveIntoMissingFolderFails)
{
    ConfigDocument doc;
    ASSERT_EQ(doc.Open(file.string(), kVersion), ConfigDocument::OpenOk);
    fs::remove_all(dir);
    EXPECT_FALSE(doc.Save());
    EXPECT_FALSE(fs::exists(dir));
    doc.Deactivate();
    EXPECT_FALSE(ReplaceFileContents("", "x"));
}

} // namespace
