#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "common/ConfigLocation.h"
#include "common/Lang.h"
#include "common/Paths.h"
#include "tests/common/AsNobody.h"
#include "tests/common/TestTempDir.h"

namespace {

// Sets an environment variable for one test and puts the old value back.
class EnvVar {
public:
    EnvVar(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~EnvVar() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

const char* kShipped = "<?xml version=\"1.0\"?><Orvik version=\"1\"/>";

TEST(ConfigLocation, XdgFoldersFollowTheVariablesOrHome) {
    struct Case {
        const char* xdgConfig;
        const char* xdgData;
        const char* home;
        std::string config;
        std::string data;
    };
    const Case cases[] = {
        {"/x/cfg", "/x/data", "/home/u", "/x/cfg/orvik/", "/x/data/orvik/"},
        {"/x/cfg/", nullptr, "/home/u", "/x/cfg/orvik/", "/home/u/.local/share/orvik/"},
        {nullptr, "", "/home/u", "/home/u/.config/orvik/", "/home/u/.local/share/orvik/"},
        // A relative value is not a base folder and is ignored.
        {"rel/cfg", "rel", "/home/u/", "/home/u/.config/orvik/", "/home/u/.local/share/orvik/"},
        {nullptr, nullptr, nullptr, "", ""},
    };
    for (const Case& c : cases) {
        EnvVar a("XDG_CONFIG_HOME", c.xdgConfig), b("XDG_DATA_HOME", c.xdgData), h("HOME", c.home);
        EXPECT_EQ(UserConfigDir(), c.config);
        EXPECT_EQ(UserDataDir(), c.data);
    }
    EXPECT_EQ(SharedDataDir("/usr/bin/"), "/usr/bin/../share/orvik/");
}

TEST(ConfigLocation, WritableConfigBesideTheProgramIsPortable) {
    TestTempDir prog, cfg;
    prog.write("Orvik.xml", "<mine/>");
    EnvVar a("XDG_CONFIG_HOME", cfg.path().c_str());
    const ConfigLocation where = ChooseConfigLocation(prog.path(), prog.file("missing.xml"));
    EXPECT_TRUE(where.portable);
    EXPECT_EQ(where.dir, prog.path());
    EXPECT_FALSE(cfg.exists("orvik"));  // the user's folder is not touched
}

TEST(ConfigLocation, FirstStartCopiesTheShippedDefault) {
    TestTempDir prog, share, cfg;
    share.write("Orvik.xml", kShipped);
    EnvVar a("XDG_CONFIG_HOME", (cfg.path() + "deep/er").c_str());
    const ConfigLocation where = ChooseConfigLocation(prog.path(), share.file("Orvik.xml"));
    EXPECT_FALSE(where.portable);
    EXPECT_TRUE(where.created);
    EXPECT_EQ(where.problem, "");
    EXPECT_EQ(where.dir, cfg.path() + "deep/er/orvik/");
    EXPECT_EQ(cfg.read("deep/er/orvik/Orvik.xml"), kShipped);
    EXPECT_FALSE(cfg.exists("deep/er/orvik/Orvik.xml.new"));
    struct stat st{};
    ASSERT_EQ(::stat((cfg.path() + "deep/er/orvik").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(ConfigLocation, TheUsersOwnFileIsNeverReplaced) {
    TestTempDir prog, share, cfg;
    share.write("Orvik.xml", kShipped);
    cfg.write("orvik/Orvik.xml", "not even xml");
    EnvVar a("XDG_CONFIG_HOME", cfg.path().c_str());
    const ConfigLocation where = ChooseConfigLocation(prog.path(), share.file("Orvik.xml"));
    EXPECT_FALSE(where.created);
    EXPECT_EQ(where.dir, cfg.path() + "orvik/");
    EXPECT_EQ(cfg.read("orvik/Orvik.xml"), "not even xml");  // it gets the start-up error instead
}

// A read-only Orvik.xml beside the program (an installed copy) is the shipped default, not
// the user's configuration. Root may write any file, so as root the choice is made in a
// child process that has become nobody.
TEST(ConfigLocation, ReadOnlyConfigBesideTheProgramIsTheDefault) {
    TestTempDir prog, cfg;
    prog.write("Orvik.xml", kShipped);
    ASSERT_EQ(::chmod(prog.path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(prog.file("Orvik.xml").c_str(), 0444), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(cfg.path().c_str(), 65534, 65534), 0);
    }
    EnvVar a("XDG_CONFIG_HOME", cfg.path().c_str());
    auto choose = [&]() -> std::string {
        const ConfigLocation where = ChooseConfigLocation(prog.path(), prog.file("Orvik.xml"));
        return std::string(where.portable ? "P" : "-") + (where.created ? "C" : "-") +
               (where.dir == cfg.path() + "orvik/" ? "D" : "-");
    };
    const std::string verdict = root ? AsNobody(choose) : choose();
    EXPECT_EQ(verdict, "-CD");
    EXPECT_EQ(cfg.read("orvik/Orvik.xml"), kShipped);
}

TEST(ConfigLocation, MissingDefaultLeavesNoFileAndSaysWhy) {
    TestTempDir prog, cfg;
    EnvVar a("XDG_CONFIG_HOME", cfg.path().c_str());
    const ConfigLocation where = ChooseConfigLocation(prog.path(), prog.file("none.xml"));
    EXPECT_FALSE(where.created);
    EXPECT_NE(where.problem, "");
    EXPECT_FALSE(cfg.exists("orvik/Orvik.xml"));
    EXPECT_FALSE(cfg.exists("orvik/Orvik.xml.new"));
}

TEST(ConfigLocation, FolderThatCannotBeMadeIsReported) {
    TestTempDir prog, share, cfg;
    share.write("Orvik.xml", kShipped);
    cfg.write("file", "x");  // a file where a folder should be
    EnvVar a("XDG_CONFIG_HOME", cfg.file("file").c_str());
    const ConfigLocation where = ChooseConfigLocation(prog.path(), share.file("Orvik.xml"));
    EXPECT_FALSE(where.created);
    EXPECT_NE(where.problem.find(cfg.file("file/orvik/")), std::string::npos) << where.problem;
}

TEST(ConfigLocation, LanguageFilesAreFoundInTheFoldersInOrder) {
    TestTempDir app, user, shared;
    SetAppDir(app.path());
    SetExtraLanguageFolders({user.path() + "Lang", shared.path() + "Lang/"});
    shared.write("Lang/English.ini", "[Common]\n");
    shared.write("Lang/Slovak.ini", "[Common]\n");
    user.write("Lang/Slovak.ini", "[Common]\n");
    app.write("Lang/Czech.ini", "[Common]\n");
    EXPECT_EQ(LangFilePath("English"), shared.path() + "Lang/English.ini");
    EXPECT_EQ(LangFilePath("Slovak"), user.path() + "Lang/Slovak.ini");
    EXPECT_EQ(LangFilePath("Czech"), app.path() + "Lang/Czech.ini");
    // A language that is nowhere keeps its place in the configuration's folder.
    EXPECT_EQ(LangFilePath("German"), app.path() + "Lang/German.ini");
    const std::vector<std::string> folders = LanguageFolders();
    ASSERT_EQ(folders.size(), 3u);
    EXPECT_EQ(folders[1], user.path() + "Lang/");
    SetExtraLanguageFolders({});
    ClearAppDir();
}

}  // namespace
