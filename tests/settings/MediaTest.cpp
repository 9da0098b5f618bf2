// Image sizes per model and version, and what the drive edits show.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "common/Paths.h"
#include "machine/core/ModelIndex.h"
#include "shell/settings/logic/Media.h"

namespace {

TEST(ImageSizes, Pmd32PerModelAndName) {
    struct Row {
        int model;
        const char* name;
        int32_t size;
    } rows[] = {
        {kModel1, "a.p32", 368640},      {kModel3, "a.dcz", 368640},    {kModelAlfa2, "a", 368640},
        {kModelC2717, "a.dcz", 368640},  {kModelC2717, "A.DCZ", 368640}, {kModelC2717, "a.p32", 512512},
        {kModelC2717, "dcz", 512512},    {kModelC2717, "a.dcz.p32", 512512},
    };
    for (const Row& r : rows) EXPECT_EQ(Pmd32ImageSize(r.model, r.name), r.size) << r.model << " " << r.name;
}

TEST(ImageSizes, Raom) {
    EXPECT_EQ(RaomImageSize(0), 196608);
    EXPECT_EQ(RaomImageSize(1), 262144);
    EXPECT_TRUE(RaomImageSizeOk(196608));
    EXPECT_TRUE(RaomImageSizeOk(262144));
    EXPECT_FALSE(RaomImageSizeOk(65536));
    EXPECT_EQ(RaomSizesText(0), "64 kB / 192 kB");
    EXPECT_EQ(RaomSizesText(1), "256 kB / 256 kB");
}

class MediaDir : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() / ("orvik-media-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        SetAppDir(dir.string());
    }
    void TearDown() override {
        ClearAppDir();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    std::string File(const std::string& name, size_t size) {
        std::ofstream(dir / name, std::ios::binary) << std::string(size, '\xE5');
        return name;
    }
    std::filesystem::path dir;
};

TEST_F(MediaDir, FileHasSize) {
    File("x", 100);
    EXPECT_TRUE(FileHasSize((dir / "x").string(), 100));
    EXPECT_FALSE(FileHasSize((dir / "x").string(), 99));
    EXPECT_FALSE(FileHasSize((dir / "y").string(), 0));
    EXPECT_FALSE(FileHasSize(dir.string(), 0));
    EXPECT_FALSE(FileHasSize("", 0));
}

TEST_F(MediaDir, DrivesShowEachImageOnce) {
    File("a.p32", 368640);
    File("c.p32", 512512);
    File("bad.p32", 1000);
    DriveView v = ShownDrives({"a.p32", "A.P32", "bad.p32", "c.p32"});
    EXPECT_EQ(v.shown[0], "a.p32");
    EXPECT_EQ(v.shown[1], "...");
    EXPECT_TRUE(v.duplicate[1]);
    EXPECT_EQ(v.shown[2], "...");
    EXPECT_FALSE(v.duplicate[2]);
    EXPECT_EQ(v.shown[3], "c.p32");
    v = ShownDrives({"", "gone.p32", "...", "a.p32"});
    EXPECT_EQ(v.shown[0], "...");
    EXPECT_EQ(v.shown[1], "...");
    EXPECT_FALSE(v.duplicate[1]);
    EXPECT_EQ(v.shown[3], "a.p32");
}

TEST_F(MediaDir, ShownWhenPresent) {
    File("t.ptk", 10);
    std::filesystem::create_directory(dir / "sd");
    EXPECT_EQ(ShownIfExists("t.ptk"), "t.ptk");
    EXPECT_EQ(ShownIfExists("u.ptk"), "...");
    EXPECT_EQ(ShownIfExists(""), "...");
    EXPECT_EQ(ShownIfExists("sd"), "...");
    EXPECT_EQ(ShownIfFolder("sd"), "sd");
    EXPECT_EQ(ShownIfFolder("t.ptk"), "...");
}

}  // namespace
