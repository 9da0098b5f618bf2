// BMP pictures: header, palette and rows byte for byte; safe replacing.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "ScreenTestUtil.h"
#include "machine/screen/BmpFile.h"

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& path, const std::vector<uint8_t>& data) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

uint32_t U32(const std::vector<uint8_t>& d, size_t at) {
    return d[at] | d[at + 1] << 8 | d[at + 2] << 16 | static_cast<uint32_t>(d[at + 3]) << 24;
}

class BmpTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("orvik-screen-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    size_t EntriesIn(const fs::path& folder) {
        return static_cast<size_t>(std::distance(fs::directory_iterator(folder), {}));
    }
    fs::path dir;
};

}  // namespace

TEST_F(BmpTest, HeaderPaletteAndRows) {
    ScreenDAD85 screen(0, nullptr);
    VideoRam ram;
    ram.Set(0, 0, 0x01);     // top-left pixel, white
    ram.Set(255, 47, 0x60);  // bottom-right pixel, silver (attribute 01)
    const fs::path path = dir / "picture.bmp";
    ASSERT_EQ(screen.SaveToBmp(ram.data(), path.string()), 0);
    const std::vector<uint8_t> d = ReadFile(path);

    const size_t header = 14 + 40 + 80 * 4;  // 374
    ASSERT_EQ(d.size(), header + 288 * 256);
    const uint8_t expected[54] = {
        'B', 'M', 0x76, 0x21, 0x01, 0x00,  // file size 74102
        0, 0, 0, 0,                        // reserved
        0x76, 0x01, 0, 0,                  // pixels at 374
        40, 0, 0, 0,                       // info header size
        0x20, 0x01, 0, 0,                  // width 288
        0x00, 0x01, 0, 0,                  // height 256 (bottom-up)
        1, 0,                              // planes
        8, 0,                              // bits per pixel
        0, 0, 0, 0,                        // no compression
        0x00, 0x20, 0x01, 0x00,            // image size 73728
        0xC3, 0x0E, 0, 0,                  // 3779 pixels per metre
        0xC3, 0x0E, 0, 0,
        80, 0, 0, 0,                       // colours used
        0, 0, 0, 0};                       // colours important
    for (size_t i = 0; i < sizeof expected; ++i) EXPECT_EQ(d[i], expected[i]) << "offset " << i;

    // Palette entries: blue, green, red, 0.
    const struct {
        int index;
        uint8_t b, g, r;
    } colours[] = {{0, 0, 0, 0},          {1, 0x00, 0x00, 0xA0},  {9, 0x50, 0x50, 0xFF},
                   {15, 0xFF, 0xFF, 0xFF}, {30, 0xB9, 0xB9, 0x50}, {33, 0x09, 0x09, 0x52}, {40, 0x6C, 0x6C, 0x6C},
                   {63, 0x6C, 0x6C, 0x6C}, {79, 0, 0, 0}};
    for (auto& c : colours) {
        SCOPED_TRACE(c.index);
        const size_t at = 54 + 4 * c.index;
        EXPECT_EQ(d[at], c.b);
        EXPECT_EQ(d[at + 1], c.g);
        EXPECT_EQ(d[at + 2], c.r);
        EXPECT_EQ(d[at + 3], 0);
    }

    // First stored row is the picture's bottom row.
    EXPECT_EQ(d[header + 287], 8);
    EXPECT_EQ(d[header + 255 * 288], 15);
    size_t lit = 0;
    for (size_t i = header; i < d.size(); ++i) lit += d[i] != 0;
    EXPECT_EQ(lit, 2u);
}

TEST_F(BmpTest, CurrentSizeAndOptions) {
    ScreenDAD85 screen(1, nullptr);
    screen.SetWideMode(true);
    screen.SetHalfPass(5);
    VideoRam ram;
    ram.Set(0, 0, 0x01);
    const fs::path path = dir / "wide.bmp";
    ASSERT_EQ(screen.SaveToBmp(ram.data(), path.string()), 0);
    const std::vector<uint8_t> d = ReadFile(path);
    ASSERT_EQ(d.size(), 374u + 768 * 512);
    EXPECT_EQ(U32(d, 18), 768u);
    EXPECT_EQ(U32(d, 22), 512u);
    const size_t top = 374 + 511 * 768, second = 374 + 510 * 768;
    EXPECT_EQ(d[top], 15);
    EXPECT_EQ(d[top + 1], 15);
    EXPECT_EQ(d[top + 2], 0);
    EXPECT_EQ(d[second], 79);  // bank 4: black
    EXPECT_EQ(d[second + 2], 64);
    // The screen's own bitmap was not drawn.
    EXPECT_EQ(NonZeroPixels(screen), 0);
}

TEST_F(BmpTest, RowsPaddedToFourBytes) {
    const uint8_t pixels[2 * 6] = {1, 2, 3, 4, 5, 0xEE, 6, 7, 8, 9, 10, 0xEE};  // stride 6
    const uint32_t palette[2] = {0x00112233, 0x00445566};
    const fs::path path = dir / "small.bmp";
    ASSERT_EQ(WriteBmp8(path.string(), pixels, 5, 2, 6, palette, 2), 0);
    const std::vector<uint8_t> d = ReadFile(path);
    ASSERT_EQ(d.size(), 14u + 40 + 8 + 16);
    EXPECT_EQ(U32(d, 2), 78u);
    EXPECT_EQ(U32(d, 10), 62u);
    EXPECT_EQ(U32(d, 34), 16u);
    EXPECT_EQ(U32(d, 46), 2u);
    const std::vector<uint8_t> tail(d.begin() + 54, d.end());
    EXPECT_EQ(tail, (std::vector<uint8_t>{0x33, 0x22, 0x11, 0, 0x66, 0x55, 0x44, 0,
                                          6, 7, 8, 9, 10, 0, 0, 0, 1, 2, 3, 4, 5, 0, 0, 0}));
    EXPECT_EQ(WriteBmp8(path.string(), pixels, 0, 2, 6, palette, 2), -1);
    EXPECT_EQ(WriteBmp8(path.string(), pixels, 5, 2, 4, palette, 2), -1);
}

TEST_F(BmpTest, ReplacesLongerFile) {
    const fs::path path = dir / "old.bmp";
    WriteFile(path, std::vector<uint8_t>(200000, 0xAB));
    ScreenDAD85 screen(0, nullptr);
    VideoRam ram;
    ASSERT_EQ(screen.SaveToBmp(ram.data(), path.string()), 0);
    EXPECT_EQ(fs::file_size(path), 374u + 288 * 256);
    EXPECT_EQ(EntriesIn(dir), 1u);
}

TEST_F(BmpTest, FailuresLeaveTargetAlone) {
    ScreenDAD85 screen(0, nullptr);
    VideoRam ram;
    const fs::path existing = dir / "keep.bmp";
    const std::vector<uint8_t> old(1000, 0x5A);
    WriteFile(existing, old);

    // No video RAM.
    EXPECT_EQ(screen.SaveToBmp(nullptr, existing.string()), -1);
    EXPECT_EQ(ReadFile(existing), old);

    // Missing folder.
    EXPECT_EQ(screen.SaveToBmp(ram.data(), (dir / "missing" / "x.bmp").string()), -1);
    EXPECT_FALSE(fs::exists(dir / "missing"));

    // The target is a folder: renaming over it fails, the folder stays.
    fs::create_directories(dir / "folder" / "inside");
    EXPECT_EQ(screen.SaveToBmp(ram.data(), (dir / "folder").string()), -1);
    EXPECT_TRUE(fs::is_directory(dir / "folder" / "inside"));

    // Empty path and a path ending in a separator.
    EXPECT_EQ(screen.SaveToBmp(ram.data(), ""), -1);
    EXPECT_EQ(screen.SaveToBmp(ram.data(), (dir.string() + "/")), -1);

    // No temporary file is left behind.
    EXPECT_EQ(EntriesIn(dir), 2u);  // keep.bmp and folder
    EXPECT_EQ(ReadFile(existing), old);
}
