#include <algorithm>

#include "Pmd32Link.h"

namespace {
// Drive/sector byte: drive bits 6-7 (A 00, C 01, B 10, D 11), sector bits 0-5.
uint8_t Ds(int bits, int sector) { return static_cast<uint8_t>(bits << 6 | sector); }
}  // namespace

TEST_F(Pmd32Link, IdleUntilModeTwoThenOffersSync) {
    gpio.WritePort(kControl, 0x9B, 0);  // mode 0: the unit stays idle
    EXPECT_EQ(unit->GetState(), 0);
    gpio.WritePort(kControl, 0xC0, 0);
    EXPECT_EQ(unit->GetState(), 1);
    EXPECT_FALSE(WaitByte(98));  // first offer after 100 ticks
    EXPECT_TRUE(WaitByte(3));
    EXPECT_EQ(Recv(), 0xAA);
    EXPECT_FALSE(WaitByte(98));  // offered again every 100 ticks
    EXPECT_TRUE(WaitByte(3));
    Send(0xAA);
    EXPECT_EQ(unit->GetState(), 2);
}

TEST_F(Pmd32Link, ReadsAndWritesSectors) {
    std::string a = MakeImage("a.p32", 1), b = MakeImage("b.p32", 2);
    ASSERT_EQ(unit->MountImage(0, a, 0), 0);
    ASSERT_EQ(unit->MountImage(1, b, 0), 0);
    std::vector<uint8_t> imageA = TempFolder::Read(a);
    Connect();

    Command({'R', Ds(0, 5), 3});
    ASSERT_EQ(Result(), 0);
    std::vector<uint8_t> sector = Data(128);
    EXPECT_TRUE(std::equal(sector.begin(), sector.end(), imageA.begin() + Offset(3, 5)));

    Command({'Q', Ds(0, 35), 79});  // last sector of the disk
    ASSERT_EQ(Result(), 0);
    sector = Data(128);
    EXPECT_TRUE(std::equal(sector.begin(), sector.end(), imageA.begin() + Offset(79, 35)));

    std::vector<uint8_t> data = Pattern(128, 3);
    std::vector<uint8_t> cmd = {'W', Ds(2, 7), 10};
    cmd.insert(cmd.end(), data.begin(), data.end());
    Command(cmd);
    EXPECT_EQ(Result(), 0);
    std::vector<uint8_t> imageB = TempFolder::Read(b);
    ASSERT_EQ(imageB.size(), static_cast<size_t>(kImageSize));
    EXPECT_TRUE(std::equal(data.begin(), data.end(), imageB.begin() + Offset(10, 7)));
    EXPECT_EQ(imageB[Offset(10, 8)], Pattern(kImageSize, 2)[Offset(10, 8)]);

    // B reads track 0, sector 0 of drive A.
    Command({'B'});
    ASSERT_EQ(Result(), 0);
    sector = Data(128);
    EXPECT_TRUE(std::equal(sector.begin(), sector.end(), imageA.begin()));
}

TEST_F(Pmd32Link, DriveBitsSelectDrives) {
    std::vector<std::vector<uint8_t>> images;
    for (int i = 0; i < 4; ++i) {
        std::string p = MakeImage("d" + std::to_string(i) + ".p32", 10 + i);
        images.push_back(TempFolder::Read(p));
        ASSERT_EQ(unit->MountImage(i, p, 1), 0);
    }
    Connect();
    struct Case { int bits, drive; } cases[] = {{0, 0}, {1, 2}, {2, 1}, {3, 3}};
    for (const Case& c : cases) {
        Command({'R', Ds(c.bits, 1), 0});
        ASSERT_EQ(Result(), 0);
        std::vector<uint8_t> s = Data(128);
        EXPECT_TRUE(std::equal(s.begin(), s.end(), images[c.drive].begin() + 128)) << c.bits;
    }
}

TEST_F(Pmd32Link, SectorErrors) {
    std::string a = MakeImage("a.p32", 1);
    ASSERT_EQ(unit->MountImage(0, a, 0), 0);
    ASSERT_EQ(unit->MountImage(3, MakeImage("short.p32", 4, 1000), 0), 0);
    ASSERT_EQ(unit->MountImage(2, MakeImage("wp.p32", 5), 1), 0);
    Connect();
    struct Case { const char* what; std::vector<uint8_t> cmd; uint8_t result; } cases[] = {
        {"sector 36", {'R', Ds(0, 36), 0}, 3},
        {"track 80", {'R', Ds(0, 0), 80}, 3},
        {"empty drive", {'R', Ds(2 /*B*/, 0), 0}, 3},
        {"short image", {'R', Ds(3, 8), 0}, 3},
        {"format protected", {'F', Ds(1 /*C*/, 0), 1}, 1},
        {"format track 80", {'F', Ds(0, 0), 80}, 4},
    };
    for (const Case& c : cases) {
        Command(c.cmd);
        EXPECT_EQ(Result(), c.result) << c.what;
    }
    std::vector<uint8_t> cmd = {'T', Ds(1, 0), 0};
    cmd.resize(3 + 128, 0x12);
    Command(cmd);
    EXPECT_EQ(Result(), 1);  // write-protected
    cmd[1] = Ds(0, 36);
    Command(cmd);
    EXPECT_EQ(Result(), 4);
    EXPECT_EQ(TempFolder::Read(a), Pattern(kImageSize, 1));
}

TEST_F(Pmd32Link, WritesFourSectorsAndFormats) {
    std::string a = MakeImage("a.p32", 1);
    ASSERT_EQ(unit->MountImage(0, a, 0), 0);
    Connect();
    std::vector<uint8_t> data = Pattern(513, 6);
    std::vector<uint8_t> cmd = {'S', Ds(0, 7), 2};  // sector AND 3Ch = 4
    cmd.insert(cmd.end(), data.begin(), data.end());
    Command(cmd);
    EXPECT_EQ(Result(), 0);
    std::vector<uint8_t> image = TempFolder::Read(a);
    EXPECT_TRUE(std::equal(data.begin(), data.begin() + 512, image.begin() + Offset(2, 4)));
    EXPECT_EQ(image[Offset(2, 8)], Pattern(kImageSize, 1)[Offset(2, 8)]);

    Command({'F', Ds(0, 9), 5});
    EXPECT_EQ(Recv(), 0x33);
    long start = ticks;
    EXPECT_EQ(Recv(), 0);
    EXPECT_GE(ticks - start, 7990);  // formatting takes 8000 ticks
    image = TempFolder::Read(a);
    std::vector<uint8_t> original = Pattern(kImageSize, 1);
    for (size_t i = Offset(4, 0); i < Offset(7, 0); ++i)
        ASSERT_EQ(image[i], (i >= Offset(5, 0) && i < Offset(6, 0)) ? 0xE5 : original[i]) << i;
}

TEST_F(Pmd32Link, WrongChecksumExecutesNothing) {
    std::string a = MakeImage("a.p32", 1);
    ASSERT_EQ(unit->MountImage(0, a, 0), 0);
    Connect();
    std::vector<uint8_t> cmd = {'W', Ds(0, 0), 0};
    cmd.resize(3 + 128, 0x00);
    Command(cmd, 0x01);
    EXPECT_EQ(Recv(), 0x99);
    EXPECT_EQ(TempFolder::Read(a), Pattern(kImageSize, 1));
    // Back waiting for a letter: the next command needs no sync.
    Command({'*'});
    EXPECT_EQ(Result(), 0);
    Command({'@'});
    EXPECT_EQ(Result(), 0);
}

TEST_F(Pmd32Link, WaitsWhileTheComputerHasNotRead) {
    Connect();
    Command({'I', 0});
    ASSERT_TRUE(WaitByte());
    Tick(1000);
    EXPECT_EQ(unit->GetState(), 11);  // the result waits for the accept byte to be read
    EXPECT_EQ(Recv(), 0x33);
    EXPECT_EQ(Recv(), 0);
    EXPECT_EQ(unit->GetState(), 2);
}

TEST_F(Pmd32Link, ControllerMemory) {
    Connect();
    std::vector<uint8_t> data = Pattern(32, 7);
    std::vector<uint8_t> cmd = {'U', 0x03, 0xF0, 0x00, 0x20};
    cmd.insert(cmd.end(), data.begin(), data.end());
    Command(cmd);
    EXPECT_EQ(Result(), 0);
    EXPECT_TRUE(std::equal(data.begin(), data.begin() + 16, unit->GetRam() + 0x3F0));

    // C sends ram bytes and a checksum that starts with the accept byte;
    // what lies past the 1 KB reads FFh.
    Command({'C', 0x03, 0xF0, 0x00, 0x20});
    EXPECT_EQ(Recv(), 0x33);
    std::vector<uint8_t> back = Data(32, 0x33);
    EXPECT_TRUE(std::equal(data.begin(), data.begin() + 16, back.begin()));
    for (int i = 16; i < 32; ++i) EXPECT_EQ(back[i], 0xFF) << i;
    Command({'C', 0xFF, 0x00, 0x01, 0x00});
    EXPECT_EQ(Recv(), 0x33);
    back = Data(256, 0x33);
    EXPECT_EQ(std::count(back.begin(), back.end(), 0xFF), 256);

    // More than 1 KB from address 0 keeps the first 1024 bytes.
    std::vector<uint8_t> big = Pattern(1030, 8);
    cmd = {'U', 0x00, 0x00, 0x04, 0x06};
    cmd.insert(cmd.end(), big.begin(), big.end());
    Command(cmd);
    EXPECT_EQ(Result(), 0);
    EXPECT_TRUE(std::equal(big.begin(), big.begin() + 1024, unit->GetRam()));

    Command({'J', 0x12, 0x34});
    EXPECT_EQ(Result(), 0);
}

TEST_F(Pmd32Link, ExtendedLettersNeedTheExtendedSet) {
    Connect();
    Command({'K'});
    EXPECT_EQ(Recv(), 0xAA);  // back to the sync offer
    Send(0xAA);
    Command({'*'});
    EXPECT_EQ(Result(), 0);
}

TEST_F(Pmd32Link, ActivityShowsDriveAndWriting) {
    std::string a = MakeImage("a.p32", 1);
    ASSERT_EQ(unit->MountImage(1, a, 0), 0);
    Connect();
    EXPECT_EQ(unit->GetActivity(), 0);
    Send('W');
    Send(Ds(2, 0));
    EXPECT_EQ(unit->GetActivity(), 1 + 1 + 4);
}

TEST_F(Pmd32Link, InterfaceResetReturnsToIdleAndKeepsHooks) {
    Connect();
    gpio.Reset(0);
    EXPECT_EQ(unit->GetState(), 0);
    gpio.WritePort(kControl, 0xC0, 0);
    Connect();
    Command({'*'});
    EXPECT_EQ(Result(), 0);
}

TEST(Pmd32Life, DestructorDetaches) {
    IifGPIO gpio;
    {
        Pmd32 unit(gpio);
        gpio.Reset(0);
    }
    gpio.Reset(0);
    gpio.WritePort(0x4F, 0xC0, 0);
    gpio.WritePort(0x4C, 0xAA, 0);
    EXPECT_EQ(gpio.ReadPort(0x4E, 0) & 0x80, 0);  // nobody took the byte
}

TEST(Pmd32Life, MountWithoutTheExtendedSet) {
    TempFolder dir;
    IifGPIO gpio;
    Pmd32 unit(gpio);
    TempFolder::Write(dir / "any.bin", std::vector<uint8_t>(100, 0));
    EXPECT_EQ(unit.MountImage(0, dir / "any.bin", 1), 0);
    EXPECT_EQ(unit.Drive(0).tracks, 80);
    EXPECT_EQ(unit.Drive(0).sectors, 36);
    EXPECT_EQ(unit.Drive(0).heads, 2);
    EXPECT_EQ(unit.MountImage(1, dir / "missing.p32", 0), 6);
    EXPECT_FALSE(TempFolder::Exists(dir / "missing.p32"));
    EXPECT_EQ(unit.MountImage(1, dir.Path(), 0), 6);  // a folder is no image
    EXPECT_EQ(unit.GetMountResult(1), 6);
    EXPECT_FALSE(Pmd32::MountFailureKeepsPath(6));
}
