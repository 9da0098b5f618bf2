#include <gtest/gtest.h>

#include "machine/storage/RomModule.h"
#include "TempFolder.h"

namespace {

// Mode 0: port A input, B and C output.
constexpr uint8_t kReadMode = 0x90;

uint8_t ReadAt(RomModule& m, uint16_t address) {
    m.WritePort(0x89, address & 0xFF, 0);
    m.WritePort(0x8A, address >> 8, 0);
    return m.ReadPort(0x88, 0);
}

}  // namespace

TEST(RomModule, ChipIsResetWhenCreated) {
    RomModule m;
    EXPECT_EQ(m.ReadPort(0x8B, 0), 0x9B);
    EXPECT_EQ(m.ReadPort(0x88, 0), 0xFF);
}

TEST(RomModule, ReadsTheRomThroughTheChip) {
    RomModule m;
    std::vector<uint8_t> data = Pattern(32 * 1024, 1);
    ASSERT_TRUE(m.LoadRom(0, 32, data.data()));
    m.WritePort(0x8B, kReadMode, 0);
    for (uint16_t a : {0x0000, 0x0001, 0x1234, 0x7C00, 0x7FFF}) EXPECT_EQ(ReadAt(m, a), data[a]) << a;
    // Bit 15 of the address reads FFh whatever the ROM holds.
    ASSERT_NE(data[0x1234], 0xFF);
    EXPECT_EQ(ReadAt(m, 0x9234), 0xFF);
    EXPECT_EQ(ReadAt(m, 0x8000), 0xFF);
}

TEST(RomModule, DecodesPortsAfterMask) {
    RomModule m;
    m.WritePort(0xFB, kReadMode, 0);  // FBh AND 8Fh = 8Bh: control
    EXPECT_EQ(m.ReadPort(0x9B, 0), kReadMode);
    for (uint8_t p : {0x8C, 0x8D, 0x8E, 0x8F, 0x00, 0x7B}) EXPECT_EQ(m.ReadPort(p, 0), 0xFF) << int(p);
    m.WritePort(0x8F, 0x80, 0);  // ignored
    EXPECT_EQ(m.ReadPort(0x8B, 0), kReadMode);
}

TEST(RomModule, LoadRomBounds) {
    RomModule m;
    std::vector<uint8_t> data(2048, 0x5A);
    struct Case { int slot, count; bool ok; } cases[] = {
        {31, 1, true}, {31, 2, false}, {32, 1, false}, {0, 0, false}, {-1, 1, false}, {0, 33, false},
    };
    for (const Case& c : cases) EXPECT_EQ(m.LoadRom(c.slot, c.count, data.data()), c.ok) << c.slot << "," << c.count;
    EXPECT_EQ(m.GetRom()[31 * 1024], 0x5A);
    EXPECT_EQ(m.GetRom()[31 * 1024 - 1], 0xFF);
    m.ClearRom();
    EXPECT_EQ(m.GetRom()[31 * 1024], 0xFF);
}

TEST(RomModule, LoadsPackageInOneKilobyteSlots) {
    TempFolder dir;
    std::vector<uint8_t> a = Pattern(1024, 2), b = Pattern(1536, 3), d = Pattern(32768, 4);
    TempFolder::Write(dir / "a.rmm", a);
    TempFolder::Write(dir / "b.rmm", b);
    TempFolder::Write(dir / "d.rmm", d);
    RomFileList files = {
        {dir / "a.rmm", 1024, 0},
        {"-", 1024, 0},
        {dir / "b.rmm", 1536, 2},
        {dir / "missing.rmm", 0, 1},
        {dir / "d.rmm", 32768, 3},
    };
    RomModule m;
    std::vector<uint8_t> junk(32768, 0x11);
    m.LoadRom(0, 32, junk.data());
    m.LoadPackage(files);
    const uint8_t* rom = m.GetRom();
    for (int i = 0; i < 1024; ++i) ASSERT_EQ(rom[i], a[i]) << i;
    for (int i = 1024; i < 2048; ++i) ASSERT_EQ(rom[i], 0xFF) << i;  // the gap
    for (int i = 0; i < 1536; ++i) ASSERT_EQ(rom[2048 + i], b[i]) << i;
    for (int i = 2048 + 1536; i < 4096; ++i) ASSERT_EQ(rom[i], 0xFF) << i;  // padded to whole KB
    for (int i = 4096; i < 32768; ++i) ASSERT_EQ(rom[i], d[i - 4096]) << i;  // cut to what is left
}
