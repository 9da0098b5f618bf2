#include <gtest/gtest.h>

#include "common/Paths.h"

namespace {

class PathsTest : public ::testing::Test {
protected:
    void SetUp() override { SetAppDir("/opt/Tools/"); }
    void TearDown() override { ClearAppDir(); }
};

TEST(PathsAppDir, TrailingSeparatorIsAddedOnce) {
    SetAppDir("/opt/Tools");
    EXPECT_EQ(AppDir(), "/opt/Tools/");
    SetAppDir("/opt/Tools/");
    EXPECT_EQ(AppDir(), "/opt/Tools/");
    ClearAppDir();
    EXPECT_EQ(AppDir(), "");
}

TEST_F(PathsTest, MakeRelativePath) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"/opt/Tools/roms/m1.rom", "roms/m1.rom"},
        {"/opt/Tools/ROMS/M1.rom", "ROMS/M1.rom"},     // the rest keeps its letter case
        {"/other/roms/m1.rom", "/other/roms/m1.rom"},  // outside: unchanged
        // File names are case-sensitive here: another folder, so no change.
        {"/opt/tools/roms/m1.rom", "/opt/tools/roms/m1.rom"},
        {"/opt/Tools", "/opt/Tools"},                  // the folder itself without separator
        {"/opt/ToolsX/a.rom", "/opt/ToolsX/a.rom"},
        {"roms/m1.rom", "roms/m1.rom"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(MakeRelativePath(c.in), c.out) << c.in;
}

TEST_F(PathsTest, MakeAbsolutePath) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"roms/m1.rom", "/opt/Tools/roms/m1.rom"},
        {"roms\\m1.rom", "/opt/Tools/roms/m1.rom"},  // stored on Windows
        {"/data/roms/m1.rom", "/data/roms/m1.rom"},
        {"D:\\roms\\m1.rom", "D:\\roms\\m1.rom"},    // a drive path stays as it is
        {"D:/roms/m1.rom", "D:/roms/m1.rom"},
        // A network path is not a drive path: it gets the program folder in front.
        {"\\\\server\\share\\x.ptp", "/opt/Tools///server/share/x.ptp"},
        {"m1.rom", "/opt/Tools/m1.rom"},
    };
    for (const Case& c : cases) EXPECT_EQ(MakeAbsolutePath(c.in), c.out) << c.in;
}

TEST_F(PathsTest, StoredPathAbsoluteGivesNothingForNoFile) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"", ""},
        {"...", ""},
        {"roms/m1.rom", "/opt/Tools/roms/m1.rom"},
        {"/data/m1.rom", "/data/m1.rom"},
        {".../x.rom", "/opt/Tools/.../x.rom"},  // only the whole text "..." means no file
    };
    for (const Case& c : cases) EXPECT_EQ(StoredPathAbsolute(c.in), c.out) << c.in;
}

TEST_F(PathsTest, RoundTripInsideProgramFolder) {
    const std::string p = "/opt/Tools/tapes/game.ptp";
    EXPECT_EQ(MakeAbsolutePath(MakeRelativePath(p)), p);
    const std::string q = "/home/user/game.ptp";
    EXPECT_EQ(MakeAbsolutePath(MakeRelativePath(q)), q);
}

}  // namespace
