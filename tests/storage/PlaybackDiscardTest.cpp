// During an action playback the storage devices keep their host files as they
// are: writes are dropped, the commands answer as if they had written.
#include <filesystem>

#include "Pmd32Link.h"
#include "machine/storage/RaomModule.h"

namespace {

// Drive/sector byte: drive bits 6-7, sector bits 0-5.
uint8_t Ds(int bits, int sector) { return static_cast<uint8_t>(bits << 6 | sector); }

TEST_F(Pmd32Link, DiscardedWritesLeaveImagesAndCardUnchanged) {
    const std::string a = MakeImage("a.p32", 1);
    ASSERT_EQ(unit->MountImage(0, a, 0), 0);
    const std::string card = dir / "card";
    std::filesystem::create_directories(card);
    TempFolder::WriteText(card + "/images.cfg", ".P32 80 36 2\r\n");
    unit->SetRoot(1, card);
    unit->SetDiscardWrites(true);
    Connect();
    const std::vector<uint8_t> before = TempFolder::Read(a);

    std::vector<uint8_t> cmd = {'W', Ds(0, 7), 10};
    const std::vector<uint8_t> data = Pattern(128, 3);
    cmd.insert(cmd.end(), data.begin(), data.end());
    Command(cmd);
    EXPECT_EQ(Result(), 0);
    Command({'F', Ds(0, 9), 5});
    EXPECT_EQ(Recv(), 0x33);
    EXPECT_EQ(Recv(), 0);
    Command(WithString({'N'}, "new.p32"));
    EXPECT_EQ(Result(), 0);
    EXPECT_EQ(TempFolder::Read(a), before);
    EXPECT_FALSE(std::filesystem::exists(card + "/new.p32"));

    unit->SetDiscardWrites(false);
    Command(cmd);
    EXPECT_EQ(Result(), 0);
    EXPECT_NE(TempFolder::Read(a), before);
}

TEST(RaomDiscard, RamDiskImageKeepsItsContents) {
    TempFolder dir;
    const std::string path = dir / "disk.rwm";
    TempFolder::Write(path, std::vector<uint8_t>(196608, 0));
    RaomModule m(0);
    ASSERT_TRUE(m.OpenFile(path));
    m.WritePort(0x9B, 0x80, 0);  // every port output
    auto at = [&](int32_t offset) {
        const int32_t address = offset + 0x10000;  // chtf: the RAM disk starts at 10000h
        m.WritePort(0x98, address & 0xFF, 0);
        m.WritePort(0x99, (address >> 8) & 0xFF, 0);
        m.WritePort(0x9A, (address >> 16) & 0xFF, 0);
    };
    at(5);
    m.WritePort(0x88, 0x11, 0);  // a change made before the playback
    m.SetDiscardWrites(true);    // is written first
    EXPECT_EQ(TempFolder::Read(path)[5], 0x11);
    at(6);
    m.WritePort(0x88, 0x22, 0);
    at(20000);                    // leaving the window
    m.WritePort(0x88, 0x33, 0);
    m.CloseFile();
    std::vector<uint8_t> file = TempFolder::Read(path);
    EXPECT_EQ(file[6], 0x00);
    EXPECT_EQ(file[20000], 0x00);

    // Turned off, the window shows the file again and changes are kept.
    ASSERT_TRUE(m.OpenFile(path));
    m.SetDiscardWrites(true);
    at(7);
    m.WritePort(0x88, 0x44, 0);
    m.SetDiscardWrites(false);
    EXPECT_EQ(m.ReadPort(0x88, 0), 0x00);
    m.WritePort(0x88, 0x55, 0);
    m.CloseFile();
    EXPECT_EQ(TempFolder::Read(path)[7], 0x55);
}

}  // namespace
