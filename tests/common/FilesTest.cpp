#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "TestTempDir.h"
#include "common/Files.h"
#include "common/Lang.h"
#include "common/Paths.h"

namespace {

TEST(GetFileSizeByName, MissingEmptyAndSized) {
    TestTempDir dir;
    dir.write("empty.bin", "");
    dir.write("five.bin", "12345");
    EXPECT_EQ(GetFileSizeByName(dir.file("missing.bin")), -1);
    EXPECT_EQ(GetFileSizeByName(dir.file("empty.bin")), 0);
    EXPECT_EQ(GetFileSizeByName(dir.file("five.bin")), 5);
    EXPECT_EQ(GetFileSizeByName(dir.path()), -1);  // a folder is no file
}

TEST(ReadFilePart, AtAndPastTheEnd) {
    TestTempDir dir;
    dir.write("f.bin", "ABCDEFGHIJ");
    const std::string f = dir.file("f.bin");
    struct Case {
        int32_t offset, count, result;
        const char* bytes;
    } cases[] = {
        {0, 4, 4, "ABCD"}, {6, 10, 4, "GHIJ"},  // fewer at the end
        {10, 5, 0, ""},    {100, 5, 0, ""},     // at and past the end: 0, not -1
        {3, 0, 0, ""},     {3, -1, 0, ""},
    };
    for (const Case& c : cases) {
        char buf[16] = {};
        EXPECT_EQ(ReadFilePart(f, c.offset, buf, c.count), c.result) << c.offset << "," << c.count;
        EXPECT_EQ(std::string(buf, c.result > 0 ? c.result : 0), c.bytes);
    }
    char buf[4];
    EXPECT_EQ(ReadFilePart(dir.file("missing.bin"), 0, buf, 4), -1);
    EXPECT_EQ(ReadFilePart(dir.file("missing.bin"), 0, buf, 0), -1);
    EXPECT_EQ(ReadFilePart(f, -1, buf, 4), -1);  // the offset cannot be set
    EXPECT_FALSE(dir.exists("missing.bin"));     // reading never creates
}

TEST(WriteFilePart, CreateAlwaysAndKeep) {
    TestTempDir dir;
    const std::string f = dir.file("w.bin");
    EXPECT_EQ(WriteFilePart(f, 0, "HELLO", 5, false), 5);  // created
    EXPECT_EQ(dir.read("w.bin"), "HELLO");
    EXPECT_EQ(WriteFilePart(f, 1, "ip", 2, false), 2);  // keeps the rest
    EXPECT_EQ(dir.read("w.bin"), "HipLO");
    EXPECT_EQ(WriteFilePart(f, 7, "!", 1, false), 1);  // past the end: the gap is zeros
    EXPECT_EQ(dir.read("w.bin"), std::string("HipLO\0\0!", 8));
    EXPECT_EQ(WriteFilePart(f, 0, "AB", 2, true), 2);  // emptied first
    EXPECT_EQ(dir.read("w.bin"), "AB");
    EXPECT_EQ(WriteFilePart(f, 0, "XY", 0, true), 0);  // count 0 still empties
    EXPECT_EQ(dir.read("w.bin"), "");
    EXPECT_EQ(WriteFilePart(dir.file("new.bin"), 0, "", 0, false), 0);
    EXPECT_TRUE(dir.exists("new.bin"));
    EXPECT_EQ(WriteFilePart(dir.file("no/such/folder.bin"), 0, "A", 1, true), -1);
    EXPECT_EQ(WriteFilePart(f, -5, "A", 1, false), -1);
}

TEST(ReplaceFileContents, ReplacesWholeAndLeavesNoTemporaryFile) {
    TestTempDir dir;
    dir.write("c.xml", "old contents that are longer");
    EXPECT_TRUE(ReplaceFileContents(dir.file("c.xml"), "new", 3));
    EXPECT_EQ(dir.read("c.xml"), "new");
    int files = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.path())) (void)e, ++files;
    EXPECT_EQ(files, 1);
    EXPECT_FALSE(ReplaceFileContents(dir.file("no/such/c.xml"), "new", 3));
}

TEST(ReplaceFileContents, KeepsThePermissionsOfTheOldFile) {
    TestTempDir dir;
    dir.write("p.bin", "old");
    ASSERT_EQ(::chmod(dir.file("p.bin").c_str(), 0640), 0);
    ASSERT_TRUE(ReplaceFileContents(dir.file("p.bin"), "new!", 4));
    struct stat st;
    ASSERT_EQ(::stat(dir.file("p.bin").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(dir.read("p.bin"), "new!");
}

class CreateMediumFileTest : public ::testing::Test {
protected:
    TestTempDir dir;
};

TEST_F(CreateMediumFileTest, DiskImageOf2880Blocks) {
    const std::string f = dir.file("disk.p32");
    ASSERT_TRUE(CreateMediumFile(f, 368640, 0xE5));
    std::string bytes = dir.read("disk.p32");
    ASSERT_EQ(bytes.size(), 368640u);
    EXPECT_EQ(bytes.find_first_not_of('\xE5'), std::string::npos);
    // RAM-disk image with zeros replaces the existing file.
    ASSERT_TRUE(CreateMediumFile(f, 196608, 0x00));
    bytes = dir.read("disk.p32");
    ASSERT_EQ(bytes.size(), 196608u);
    EXPECT_EQ(bytes.find_first_not_of('\0'), std::string::npos);
}

TEST_F(CreateMediumFileTest, SizeNotInWholeBlocksFailsAndKeepsTheOldFile) {
    dir.write("old.p32", "previous image");
    EXPECT_FALSE(CreateMediumFile(dir.file("old.p32"), 100, 0xE5));
    EXPECT_EQ(dir.read("old.p32"), "previous image");
    // No new file and no temporary file are left behind.
    EXPECT_FALSE(CreateMediumFile(dir.file("new.p32"), 100, 0xE5));
    EXPECT_FALSE(dir.exists("new.p32"));
    int files = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.path())) (void)e, ++files;
    EXPECT_EQ(files, 1);  // old.p32
}

TEST_F(CreateMediumFileTest, MissingFolderFails) {
    EXPECT_FALSE(CreateMediumFile(dir.file("no/such/folder/x.p32"), 128, 0xE5));
    EXPECT_FALSE(dir.exists("no"));
}

TEST_F(CreateMediumFileTest, ThroughALinkTheLinkStays) {
    dir.write("target.p32", "old");
    std::filesystem::create_symlink(dir.file("target.p32"), dir.file("link.p32"));
    ASSERT_TRUE(CreateMediumFile(dir.file("link.p32"), 256, 0xE5));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link.p32")));
    EXPECT_EQ(dir.read("target.p32"), std::string(256, '\xE5'));
}

TEST_F(CreateMediumFileTest, EmptySizeGivesAnEmptyFile) {
    EXPECT_TRUE(CreateMediumFile(dir.file("zero.img"), 0, 0xE5));
    EXPECT_EQ(GetFileSizeByName(dir.file("zero.img")), 0);
}

}  // namespace
