// The registration algorithm against a recording store, and the freedesktop
// store on a folder of its own.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "shell/settings/logic/FileAssociations.h"

namespace {

// Keeps keys in a map and records every operation.
class FakeStore : public AssociationStore {
public:
    std::map<std::string, std::string> keys;
    std::vector<std::string> log;
    bool OpenKey(const std::string& key, bool create) override {
        log.push_back((create ? "create " : "open ") + key);
        if (keys.count(key)) return true;
        if (!create) return false;
        keys[key] = "";
        return true;
    }
    bool ReadDefault(const std::string& key, std::string& value) override {
        log.push_back("read " + key);
        auto it = keys.find(key);
        if (it == keys.end()) return false;
        value = it->second;
        return true;
    }
    void WriteDefault(const std::string& key, const std::string& value) override {
        log.push_back("write " + key + " = " + value);
        keys[key] = value;
    }
    void DeleteKey(const std::string& key) override {
        log.push_back("delete " + key);
        keys.erase(key);
    }
    void Release() override { log.push_back("release"); }
};

const std::string kExe = "/opt/orvik/orvik";
const std::string kCmd = "\"/opt/orvik/orvik\" \"%1\"";

TEST(Associations, RegisterAllFromNothing) {
    FakeStore s;
    AssociationBoxes b;
    for (bool& c : b.checked) c = true;
    UpdateAssociations(s, b, kExe);
    const std::vector<std::string> expected = {
        "create \\.pmd", "write \\.pmd = OrvikTapeFile",
        "create \\.ptp", "write \\.ptp = OrvikTapeFile",
        "create \\.psn", "write \\.psn = OrvikSnapFile",
        "create \\OrvikSnapFile", "write \\OrvikSnapFile = Orvik Snap File",
        "create \\OrvikSnapFile\\shell\\open\\command", "write \\OrvikSnapFile\\shell\\open\\command = " + kCmd,
        "create \\OrvikSnapFile\\DefaultIcon", "write \\OrvikSnapFile\\DefaultIcon = /opt/orvik/orvik,1",
        "create \\.prc", "write \\.prc = OrvikActionRecordingFile",
        "create \\OrvikActionRecordingFile", "write \\OrvikActionRecordingFile = Orvik Action Recording File",
        "create \\OrvikActionRecordingFile\\shell\\open\\command",
        "write \\OrvikActionRecordingFile\\shell\\open\\command = " + kCmd,
        "create \\OrvikActionRecordingFile\\DefaultIcon",
        "write \\OrvikActionRecordingFile\\DefaultIcon = /opt/orvik/orvik,3",
        "create \\OrvikTapeFile", "write \\OrvikTapeFile = Orvik Tape File",
        "create \\OrvikTapeFile\\shell\\open\\command", "write \\OrvikTapeFile\\shell\\open\\command = " + kCmd,
        "create \\OrvikTapeFile\\DefaultIcon", "write \\OrvikTapeFile\\DefaultIcon = /opt/orvik/orvik,2",
        "release",
    };
    EXPECT_EQ(s.log, expected);
    for (int t : b.tag) EXPECT_EQ(t, 1);

    AssociationBoxes read;
    ReadAssociations(s, read);
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(read.checked[i]);
        EXPECT_EQ(read.tag[i], 1);
    }
}

TEST(Associations, RemoveSnapClass) {
    FakeStore s;
    AssociationBoxes b;
    b.checked[2] = false;
    b.tag[2] = 1;
    UpdateAssociations(s, b, kExe);
    const std::vector<std::string> expected = {
        "delete \\.psn", "delete \\OrvikSnapFile\\shell\\open\\command", "delete \\OrvikSnapFile\\shell\\open",
        "delete \\OrvikSnapFile\\shell", "delete \\OrvikSnapFile\\DefaultIcon", "delete \\OrvikSnapFile", "release"};
    EXPECT_EQ(s.log, expected);
    EXPECT_EQ(b.tag[2], 0);
}

TEST(Associations, TapeClassStaysUntilBothGoInOnePress) {
    FakeStore s;
    AssociationBoxes b;
    b.checked[0] = b.checked[1] = true;
    UpdateAssociations(s, b, kExe);
    b.checked[0] = false;
    UpdateAssociations(s, b, kExe);
    b.checked[1] = false;
    s.log.clear();
    UpdateAssociations(s, b, kExe);
    EXPECT_EQ(s.log, (std::vector<std::string>{"delete \\.ptp", "release"}));
    EXPECT_TRUE(s.keys.count("\\OrvikTapeFile"));

    b.checked[0] = b.checked[1] = true;
    UpdateAssociations(s, b, kExe);
    b.checked[0] = b.checked[1] = false;
    s.log.clear();
    UpdateAssociations(s, b, kExe);
    const std::vector<std::string> expected = {
        "delete \\.pmd", "delete \\.ptp", "delete \\OrvikTapeFile\\shell\\open\\command",
        "delete \\OrvikTapeFile\\shell\\open", "delete \\OrvikTapeFile\\shell", "delete \\OrvikTapeFile\\DefaultIcon",
        "delete \\OrvikTapeFile", "release"};
    EXPECT_EQ(s.log, expected);
    EXPECT_EQ(b.tag[0], 0);
    EXPECT_EQ(b.tag[1], 0);
}

TEST(Associations, OnePressDeletesPmdAndRewritesTapeClass) {
    FakeStore s;
    AssociationBoxes b;
    b.checked[1] = true;
    b.tag[0] = 1;
    UpdateAssociations(s, b, kExe);
    ASSERT_GE(s.log.size(), 3u);
    EXPECT_EQ(s.log[0], "delete \\.pmd");
    EXPECT_EQ(s.log[1], "create \\.ptp");
    EXPECT_TRUE(s.keys.count("\\OrvikTapeFile\\shell\\open\\command"));
}

TEST(Associations, OtherProgramsTypeLoadsUncheckedAndIsTakenOver) {
    FakeStore s;
    s.keys["\\.psn"] = "OtherSnap";
    s.keys["\\OtherSnap\\shell\\open\\command"] = "other";
    AssociationBoxes b;
    ReadAssociations(s, b);
    EXPECT_FALSE(b.checked[2]);
    EXPECT_EQ(b.tag[2], 0);
    b.checked[2] = true;
    UpdateAssociations(s, b, kExe);
    EXPECT_EQ(s.keys["\\.psn"], "OrvikSnapFile");
    ReadAssociations(s, b);
    EXPECT_TRUE(b.checked[2]);
    // A class without its command key does not count as registered.
    s.keys.erase("\\OrvikSnapFile\\shell\\open\\command");
    ReadAssociations(s, b);
    EXPECT_FALSE(b.checked[2]);
}

TEST(Associations, FreedesktopFilesCreatedAndRemoved) {
    const std::filesystem::path home =
        std::filesystem::temp_directory_path() / ("orvik-xdg-" + std::to_string(::getpid()));
    std::filesystem::remove_all(home);
    {
        XdgAssociationStore s(home.string());
        s.runRefreshTools = false;
        AssociationBoxes b;
        for (bool& c : b.checked) c = true;
        UpdateAssociations(s, b, kExe);
        for (const char* ext : {"pmd", "ptp", "psn", "prc"}) EXPECT_TRUE(std::filesystem::exists(s.MimeFile(ext))) << ext;
        for (const char* c : {"OrvikTapeFile", "OrvikSnapFile", "OrvikActionRecordingFile"})
            EXPECT_TRUE(std::filesystem::exists(s.DesktopFile(c))) << c;
        std::ifstream in(s.DesktopFile("OrvikTapeFile"));
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_NE(text.find("Exec=\"/opt/orvik/orvik\" %f"), std::string::npos) << text;
        EXPECT_NE(text.find("MimeType=application/x-orvik-pmd;application/x-orvik-ptp;"), std::string::npos) << text;
    }
    {
        // A new store reads the state back from the files.
        XdgAssociationStore s(home.string());
        s.runRefreshTools = false;
        AssociationBoxes b;
        ReadAssociations(s, b);
        for (int i = 0; i < 4; ++i) EXPECT_TRUE(b.checked[i]) << i;
        b.checked[0] = b.checked[1] = b.checked[2] = b.checked[3] = false;
        UpdateAssociations(s, b, kExe);
        for (const char* ext : {"pmd", "ptp", "psn", "prc"}) EXPECT_FALSE(std::filesystem::exists(s.MimeFile(ext)));
        for (const char* c : {"OrvikTapeFile", "OrvikSnapFile", "OrvikActionRecordingFile"})
            EXPECT_FALSE(std::filesystem::exists(s.DesktopFile(c)));
    }
    std::filesystem::remove_all(home);
}

// The types registered for the user, with the system's own beside them in one
// database: our tape and recording get our types, a PageMaker file and an
// e-book of the same extensions keep theirs (told by content).
TEST(Associations, UserTypesToldByContent) {
    const std::string system = "/usr/share/mime/packages/freedesktop.org.xml";
    if (std::system("command -v update-mime-database >/dev/null && command -v gio >/dev/null") != 0 ||
        !std::filesystem::exists(system))
        GTEST_SKIP() << "needs update-mime-database, gio and " << system;
    const std::filesystem::path home =
        std::filesystem::temp_directory_path() / ("orvik-xdg-types-" + std::to_string(::getpid()));
    std::filesystem::remove_all(home);
    {
        XdgAssociationStore s(home.string());
        s.runRefreshTools = false;
        AssociationBoxes b;
        for (bool& c : b.checked) c = true;
        UpdateAssociations(s, b, kExe);
    }
    std::filesystem::copy_file(system, home / "mime/packages/freedesktop.org.xml");
    std::filesystem::create_directories(home / "none");
    ASSERT_EQ(std::system(("update-mime-database '" + (home / "mime").string() + "' >/dev/null 2>&1").c_str()), 0);
    auto write = [&](const char* name, const std::string& bytes) {
        std::ofstream(home / name, std::ios::binary) << bytes;
    };
    write("tape.pmd", std::string(16, '\xFF') + std::string(16, '\0') + std::string(16, 'U') +
                          std::string("\0>\0\x40\x03\0HELLO   \0\x01\x02\x03\x04\x0A", 20));
    write("run.prc", std::string("PRC\x01", 4) + std::string(60, '\0'));
    write("doc.pmd", "PM65 a page layout, no tape" + std::string(40, '\x7F'));
    write("book.prc", std::string(60, '\0') + "BOOKMOBI" + std::string(60, '\0'));
    auto type = [&](const char* name) {
        const std::string cmd = "XDG_DATA_HOME='" + home.string() + "' XDG_DATA_DIRS='" + (home / "none").string() +
                                "' gio info -a standard::content-type '" + (home / name).string() + "' 2>/dev/null";
        std::string out;
        if (FILE* p = ::popen(cmd.c_str(), "r")) {
            char buf[256];
            while (std::fgets(buf, sizeof buf, p)) out += buf;
            ::pclose(p);
        }
        const std::string key = "standard::content-type: ";
        const size_t at = out.find(key);
        if (at == std::string::npos) return std::string();
        const size_t end = out.find('\n', at);
        return out.substr(at + key.size(), end - at - key.size());
    };
    EXPECT_EQ(type("tape.pmd"), "application/x-orvik-pmd");
    EXPECT_EQ(type("run.prc"), "application/x-orvik-prc");
    EXPECT_EQ(type("doc.pmd"), "application/x-pagemaker");
    EXPECT_EQ(type("book.prc"), "application/x-mobipocket-ebook");
    std::filesystem::remove_all(home);
}

}  // namespace
