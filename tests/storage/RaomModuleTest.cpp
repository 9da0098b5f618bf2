#include <gtest/gtest.h>

#include <filesystem>

#include "machine/storage/RaomModule.h"
#include "TempFolder.h"

namespace {

constexpr int kChtf = 0, kKuvi = 1;
constexpr uint8_t kAllOutput = 0x80;  // mode 0, every port output
constexpr uint8_t kAInput = 0x90;     // mode 0, port A input

void SetAddress(RaomModule& m, uint8_t a, uint8_t b, uint8_t c) {
    m.WritePort(0x98, a, 0);
    m.WritePort(0x99, b, 0);
    m.WritePort(0x9A, c, 0);
}

// chtf RAM-disk offset through address = offset + 10000h, all ports output.
void ChtfOffset(RaomModule& m, int32_t offset) {
    int32_t address = offset + 0x10000;
    SetAddress(m, address & 0xFF, (address >> 8) & 0xFF, (address >> 16) & 0xFF);
}

class RaomImage : public ::testing::Test {
protected:
    void SetUp() override {
        path = dir / "disk.rwm";
        TempFolder::Write(path, std::vector<uint8_t>(196608, 0));
    }
    TempFolder dir;
    std::string path;
};

}  // namespace

TEST(RaomModule, VersionsAndReset) {
    RaomModule chtf(kChtf), kuvi(kKuvi);
    EXPECT_EQ(chtf.GetRomSize(), 65536);
    EXPECT_EQ(chtf.GetRamSize(), 196608);
    EXPECT_EQ(kuvi.GetRomSize(), 262144);
    EXPECT_EQ(kuvi.GetRamSize(), 262144);
    EXPECT_EQ(chtf.ReadPort(0x9B, 0), 0x9B);  // the chip starts reset
    EXPECT_EQ(kuvi.ReadPort(0xFB, 0), 0x9B);
    for (uint8_t p : {0x89, 0x8B, 0x9C, 0xE9, 0xFC, 0x00}) EXPECT_EQ(chtf.ReadPort(p, 0), 0xFF) << int(p);
}

TEST(RaomModule, LoadRomPagesBounds) {
    RaomModule chtf(kChtf), kuvi(kKuvi);
    std::vector<uint8_t> data(2048, 1);
    EXPECT_TRUE(chtf.LoadRomPages(63, 1, data.data()));
    EXPECT_FALSE(chtf.LoadRomPages(63, 2, data.data()));
    EXPECT_FALSE(chtf.LoadRomPages(64, 1, data.data()));
    EXPECT_FALSE(chtf.LoadRomPages(0, 0, data.data()));
    EXPECT_TRUE(kuvi.LoadRomPages(255, 1, data.data()));
    EXPECT_FALSE(kuvi.LoadRomPages(256, 1, data.data()));
}

TEST(RaomModule, ChtfAddressing) {
    RaomModule m(kChtf);
    std::vector<uint8_t> rom = Pattern(65536, 5);
    ASSERT_TRUE(m.LoadRomPages(0, 64, rom.data()));
    m.WritePort(0x9B, kAllOutput, 0);
    SetAddress(m, 0x34, 0x12, 0x00);
    EXPECT_EQ(m.GetAddress(), 0x001234);
    EXPECT_EQ(m.ReadPort(0x88, 0), rom[0x1234]);  // below 10000h is ROM
    EXPECT_EQ(m.ReadPort(0xF8, 0), rom[0x1234]);
    // A write to the ROM range changes nothing.
    m.WritePort(0x88, static_cast<uint8_t>(~rom[0x1234]), 0);
    EXPECT_EQ(m.ReadPort(0xE8, 0), rom[0x1234]);
    SetAddress(m, 0x34, 0x12, 0x02);
    EXPECT_EQ(m.GetAddress(), 0x021234);
    EXPECT_EQ(m.ReadPort(0xF8, 0), 0xFF);  // past the ROM
    EXPECT_EQ(m.ReadPort(0x88, 0), 0xFF);  // no image

    // Port A input in mode 0: B is the low byte, C the high byte, all ROM.
    m.WritePort(0x9B, kAInput, 0);
    m.WritePort(0x99, 0x78, 0);
    m.WritePort(0x9A, 0x05, 0);
    EXPECT_EQ(m.GetAddress(), 0x0578);
    EXPECT_EQ(m.ReadPort(0x88, 0), rom[0x0578]);
}

TEST(RaomModule, KuviAddressing) {
    RaomModule m(kKuvi);
    std::vector<uint8_t> rom = Pattern(262144, 6);
    ASSERT_TRUE(m.LoadRomPages(0, 256, rom.data()));
    m.WritePort(0xFB, kAllOutput, 0);
    SetAddress(m, 0x03, 0xCD, 0xAB);
    EXPECT_EQ(m.GetAddress(), 0x03ABCD);
    EXPECT_EQ(m.ReadPort(0xF8, 0), rom[0x03ABCD]);
    m.WritePort(0xF8, 0x04, 0);
    EXPECT_EQ(m.GetAddress(), 0x04ABCD);
    EXPECT_EQ(m.ReadPort(0xF8, 0), 0xFF);  // at or past 40000h
    // With port A input A is not part of the address.
    m.WritePort(0xFB, kAInput, 0);
    m.WritePort(0xF9, 0x22, 0);
    m.WritePort(0xFA, 0x11, 0);
    EXPECT_EQ(m.GetAddress(), 0x1122);
    EXPECT_EQ(m.ReadPort(0xF8, 0), rom[0x1122]);
}

TEST(RaomModule, BitCommandReplacesControlCopy) {
    RaomModule m(kChtf);
    std::vector<uint8_t> rom = Pattern(65536, 7);
    m.LoadRomPages(0, 64, rom.data());
    m.WritePort(0x9B, kAInput, 0);
    m.WritePort(0x99, 0x00, 0);
    m.WritePort(0x9A, 0x01, 0);
    EXPECT_EQ(m.GetAddress(), 0x0100);
    m.WritePort(0x9B, 0x01, 0);  // bit set PC0: the kept copy no longer says "A input"
    EXPECT_EQ(m.GetAddress(), 0x0100FF);
}

TEST_F(RaomImage, ReadsAndWritesThroughTheWindow) {
    RaomModule m(kChtf);
    ASSERT_TRUE(m.OpenFile(path));
    m.WritePort(0x9B, kAllOutput, 0);
    ChtfOffset(m, 0);
    m.WritePort(0x88, 0x11, 0);
    EXPECT_EQ(m.ReadPort(0x88, 0), 0x11);
    EXPECT_EQ(TempFolder::Read(path)[0], 0x00);  // still only in the window

    ChtfOffset(m, 16384);  // leaving the window writes it back
    m.WritePort(0x88, 0x22, 0);
    EXPECT_EQ(TempFolder::Read(path)[0], 0x11);
    ChtfOffset(m, 1);
    EXPECT_EQ(m.ReadPort(0x88, 0), 0x00);
    EXPECT_EQ(TempFolder::Read(path)[16384], 0x22);

    // An unchanged window is not written back: a change made to the file
    // meanwhile survives the next move and is read afterwards.
    {
        std::vector<uint8_t> file = TempFolder::Read(path);
        file[16385] = 0x33;
        TempFolder::Write(path, file);
    }
    ChtfOffset(m, 16385);
    EXPECT_EQ(m.ReadPort(0x88, 0), 0x33);
    ChtfOffset(m, 196607);  // last byte of the RAM disk
    m.WritePort(0x88, 0x44, 0);
    ChtfOffset(m, 196608);  // past the end
    EXPECT_EQ(m.ReadPort(0x88, 0), 0xFF);
    m.CloseFile();
    std::vector<uint8_t> file = TempFolder::Read(path);
    ASSERT_EQ(file.size(), 196608u);
    EXPECT_EQ(file[16385], 0x33);
    EXPECT_EQ(file[196607], 0x44);
    EXPECT_FALSE(m.HasImage());
}

TEST_F(RaomImage, KuviOffsetIsTheAddress) {
    TempFolder::Write(path, std::vector<uint8_t>(262144, 0));
    RaomModule m(kKuvi);
    ASSERT_TRUE(m.OpenFile(path));
    m.WritePort(0xFB, kAllOutput, 0);
    SetAddress(m, 0x03, 0xFF, 0xFF);  // 3FFFFh
    m.WritePort(0xE8, 0x5C, 0);
    SetAddress(m, 0x00, 0x00, 0x00);
    EXPECT_EQ(m.ReadPort(0xE8, 0), 0x00);
    EXPECT_EQ(TempFolder::Read(path)[0x3FFFF], 0x5C);
}

TEST_F(RaomImage, ShortImageReadsFillAndGrowsOnWrite) {
    TempFolder::Write(path, std::vector<uint8_t>(1000, 0x01));
    RaomModule m(kChtf);
    ASSERT_TRUE(m.OpenFile(path));
    m.WritePort(0x9B, kAllOutput, 0);
    ChtfOffset(m, 999);
    EXPECT_EQ(m.ReadPort(0x88, 0), 0x01);
    ChtfOffset(m, 1000);
    EXPECT_EQ(m.ReadPort(0x88, 0), 0x55);
    ChtfOffset(m, 40000);
    EXPECT_EQ(m.ReadPort(0x88, 0), 0x55);
    ChtfOffset(m, 5);
    m.WritePort(0x88, 0x77, 0);
    m.CloseFile();
    std::vector<uint8_t> file = TempFolder::Read(path);
    ASSERT_EQ(file.size(), 16384u);  // never shorter than before
    EXPECT_EQ(file[5], 0x77);
    EXPECT_EQ(file[999], 0x01);
    EXPECT_EQ(file[1000], 0x55);
}

TEST_F(RaomImage, NoImageAndDestructorWriteBack) {
    {
        RaomModule m(kChtf);
        EXPECT_FALSE(m.OpenFile(dir / "missing.rwm"));
        EXPECT_FALSE(TempFolder::Exists(dir / "missing.rwm"));  // never created
        m.WritePort(0x9B, kAllOutput, 0);
        ChtfOffset(m, 10);
        m.WritePort(0x88, 0x12, 0);
        EXPECT_EQ(m.ReadPort(0x88, 0), 0xFF);
        ASSERT_TRUE(m.OpenFile(path));
        ChtfOffset(m, 10);
        m.WritePort(0x88, 0x12, 0);
    }
    EXPECT_EQ(TempFolder::Read(path)[10], 0x12);
}

TEST(RaomModuleRom, LoadsPackageUpToRomSize) {
    TempFolder dir;
    std::vector<uint8_t> a = Pattern(32768, 8), b = Pattern(32768, 9), c = Pattern(4096, 10);
    TempFolder::Write(dir / "a.rmm", a);
    TempFolder::Write(dir / "b.rmm", b);
    TempFolder::Write(dir / "c.rmm", c);
    RaomModule m(kChtf);
    m.LoadPackage({{dir / "a.rmm", 32768, 0}, {dir / "b.rmm", 32768, 0}, {dir / "c.rmm", 4096, 4}});
    m.WritePort(0x9B, kAllOutput, 0);
    SetAddress(m, 0xFF, 0x7F, 0x00);
    EXPECT_EQ(m.ReadPort(0xF8, 0), a[0x7FFF]);
    SetAddress(m, 0xFF, 0xFF, 0x00);
    EXPECT_EQ(m.ReadPort(0xF8, 0), b[0x7FFF]);
}
