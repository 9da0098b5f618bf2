// Address maps of the memory models and the common memory interface.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "machine/cpu/ChipMemoryModels.h"

namespace {

// A ROM image whose every byte tells its own offset: byte = (offset >> 8)
// XOR (offset & FFh) XOR 5Ah, never FFh for the first bytes of a page.
std::vector<uint8_t> RomImage(int kb) {
    std::vector<uint8_t> v(kb * 1024);
    for (size_t i = 0; i < v.size(); i++) v[i] = static_cast<uint8_t>(((i >> 8) ^ i ^ 0x5A) & 0xFF);
    return v;
}
uint8_t RomByte(int offset) { return static_cast<uint8_t>(((offset >> 8) ^ offset ^ 0x5A) & 0xFF); }

constexpr int RAM = -1;    // expect RAM (write and read back)
constexpr int NONE = -2;   // expect FFh and no write

// Checks that `address` reads ROM byte `romOffset` (or behaves as stated).
void ExpectRomAt(ChipMemory& m, int address, int romOffset) {
    EXPECT_EQ(m.ReadByte(address), RomByte(romOffset)) << std::hex << address;
    EXPECT_EQ(m.ReadByte(address + 0x123), RomByte(romOffset + 0x123)) << std::hex << address;
}

// ------------------------------------------------------------ common

TEST(Memory, LoadRom) {
    ChipMemory12 m(16);
    const auto img = RomImage(4);
    EXPECT_FALSE(m.LoadRom(nullptr, 10));
    EXPECT_FALSE(m.LoadRom(img.data(), 0));
    EXPECT_TRUE(m.LoadRom(img.data(), 4096));
    for (int i = 0; i < 16 * 1024; i += 511) EXPECT_EQ(m.GetRom()[i], i < 4096 ? RomByte(i) : 0xFF) << i;
    const auto big = RomImage(17);
    std::vector<uint8_t> bad(17 * 1024, 0x11);
    EXPECT_FALSE(m.LoadRom(bad.data(), static_cast<int32_t>(bad.size())));
    EXPECT_EQ(m.GetRom()[0], RomByte(0));  // unchanged
    EXPECT_EQ(m.GetRomSize(), 16384);
    EXPECT_EQ(m.GetRomSizeKb(), 16);
    EXPECT_EQ(m.GetRamSize(), 48 * 1024);
}

TEST(Memory, OutOfRangeAndUnmapped) {
    ChipMemory12 m(4);
    m.LoadRom(RomImage(4).data(), 4096);
    m.Reset();
    EXPECT_EQ(m.ReadByte(-1), 0xFF);
    EXPECT_EQ(m.ReadByte(0x10000), 0xFF);
    m.WriteByte(0x10000, 1);  // dropped
    EXPECT_EQ(m.ReadByte(0x1000), 0xFF);
    m.WriteByte(0x1000, 0x12);
    EXPECT_EQ(m.ReadByte(0x1000), 0xFF);
    m.WriteByte(0x0000, 0x12);  // ROM
    EXPECT_EQ(m.ReadByte(0x0000), RomByte(0));
    EXPECT_EQ(m.GetRom()[0], RomByte(0));
    uint8_t* p = reinterpret_cast<uint8_t*>(1);
    EXPECT_EQ(m.GetPointer(0x1000, 1, &p, ChipMemory::ModeRead), -1);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(m.GetPointer(0x0000, 0, &p, ChipMemory::ModeRead), -1);
    EXPECT_EQ(m.GetPointer(0x0000, 0x10001, &p, ChipMemory::ModeRead), -1);
    EXPECT_EQ(m.GetPointer(0x0000, 1, &p, 3), -1);
    EXPECT_EQ(m.GetPointer(0x0010, 0x10000, &p, ChipMemory::ModeRead), 0x1000 - 0x10);
    EXPECT_EQ(p, m.GetRom() + 0x10);
    EXPECT_EQ(m.GetPointer(0x0000, 1, &p, ChipMemory::ModeWrite), -1);
}

TEST(Memory, WordsWrapAtTheTop) {
    ChipMemory2A m(4);
    m.Reset();
    m.EndBootMapping();
    m.WriteWord(0xFFFF, 0xA1B2);
    EXPECT_EQ(m.GetRam()[0xFFFF], 0xB2);
    EXPECT_EQ(m.GetRam()[0x0000], 0xA1);
    EXPECT_EQ(m.ReadWord(0xFFFF), 0xA1B2);
}

TEST(Memory, BlocksRunByRun) {
    ChipMemory12 m(4);
    m.LoadRom(RomImage(4).data(), 4096);
    m.Reset();
    m.EndBootMapping();
    std::vector<uint8_t> buf(0x2000, 0xEE);
    EXPECT_FALSE(m.ReadBlock(0x8000, buf.data(), 0x2000));  // 9000h unmapped
    EXPECT_EQ(buf[0], RomByte(0));
    EXPECT_EQ(buf[0xFFF], RomByte(0xFFF));
    EXPECT_EQ(buf[0x1000], 0xEE);
    EXPECT_FALSE(m.ReadBlock(0xFFFF, buf.data(), 2));
    EXPECT_FALSE(m.ReadBlock(0x0000, buf.data(), 0));
    EXPECT_FALSE(m.ReadBlock(0x0000, nullptr, 1));
    EXPECT_FALSE(m.ReadBlock(-1, buf.data(), 1));

    std::vector<uint8_t> src(0x1800);
    for (size_t i = 0; i < src.size(); i++) src[i] = static_cast<uint8_t>(i * 7);
    EXPECT_TRUE(m.WriteBlock(0x0800, src.data(), 0x1800));  // over two 4 KB pages
    std::vector<uint8_t> back(0x1800);
    EXPECT_TRUE(m.ReadBlock(0x0800, back.data(), 0x1800));
    EXPECT_EQ(back, src);
    EXPECT_FALSE(m.WriteBlock(0x7800, src.data(), 0x1000));  // reaches the ROM at 8000h
    EXPECT_EQ(m.ReadByte(0x7800), src[0]);
    EXPECT_EQ(m.ReadByte(0x8000), RomByte(0));
    // The whole 64 KB in one call.
    ChipMemory2A flat(4);
    flat.Reset();
    flat.EndBootMapping();
    flat.SetAllRamFlag(1);
    std::vector<uint8_t> all(0x10000, 0x3C);
    EXPECT_TRUE(flat.WriteBlock(0, all.data(), 0x10000));
    std::vector<uint8_t> got(0x10000);
    EXPECT_TRUE(flat.ReadBlock(0, got.data(), 0x10000));
    EXPECT_EQ(got, all);
}

// ------------------------------------------------------------ 1, 2, ...

TEST(Memory12, BootAndNormalMapWith4KbRom) {
    ChipMemory12 m(4);
    m.LoadRom(RomImage(4).data(), 4096);
    m.Reset();
    EXPECT_EQ(m.GetBootFlag(), 1);
    for (int a : {0x0000, 0x2000, 0x8000, 0xA000}) ExpectRomAt(m, a, 0);
    for (int a : {0x1000, 0x3000, 0x9000, 0xB000}) EXPECT_EQ(m.ReadByte(a), 0xFF) << std::hex << a;
    // 4000h-7FFFh and C000h-FFFFh are both RAM 8000h-BFFFh.
    m.WriteByte(0x4000, 0x11);
    EXPECT_EQ(m.ReadByte(0xC000), 0x11);
    m.WriteByte(0xFFFF, 0x22);
    EXPECT_EQ(m.ReadByte(0x7FFF), 0x22);
    EXPECT_EQ(m.GetRam()[0x8000], 0x11);
    EXPECT_EQ(m.GetRam()[0xBFFF], 0x22);

    m.EndBootMapping();
    EXPECT_EQ(m.GetBootFlag(), 0);
    m.WriteByte(0x0000, 0x33);
    EXPECT_EQ(m.ReadByte(0x0000), 0x33);
    m.WriteByte(0x4000, 0x44);
    EXPECT_EQ(m.GetRam()[0x4000], 0x44);
    EXPECT_EQ(m.ReadByte(0xC000), 0x11);  // still RAM 8000h
    ExpectRomAt(m, 0x8000, 0);
    ExpectRomAt(m, 0xA000, 0);
    EXPECT_EQ(m.ReadByte(0x9000), 0xFF);
    EXPECT_EQ(m.ReadByte(0xB000), 0xFF);
    m.EndBootMapping();  // once only
    EXPECT_EQ(m.ReadByte(0x0000), 0x33);
    // Video RAM is RAM 8000h, seen at C000h.
    EXPECT_EQ(m.GetVideoRam(), m.GetRam() + 0x8000);
    EXPECT_EQ(m.GetVideoRam()[0], 0x11);
    // All-RAM has no effect here.
    m.SetAllRamFlag(1);
    ExpectRomAt(m, 0x8000, 0);
    // Reset brings the boot map back, RAM kept.
    m.Reset();
    ExpectRomAt(m, 0x0000, 0);
    EXPECT_EQ(m.GetRam()[0x0000], 0x33);
}

TEST(Memory12, NormalRomLayouts) {
    struct Case {
        int kb;
        int at9000, atA000, atB000;  // ROM offset, or NONE
    } cases[] = {
        {4, NONE, 0x0000, NONE},
        {6, 0x1000, 0x0000, 0x1000},
        {8, 0x1000, 0x0000, 0x1000},
        {12, 0x1000, 0x2000, NONE},
        {16, 0x1000, 0x2000, 0x3000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kb);
        ChipMemory12 m(static_cast<uint8_t>(c.kb));
        const auto img = RomImage(c.kb);
        ASSERT_TRUE(m.LoadRom(img.data(), static_cast<int32_t>(img.size())));
        m.Reset();
        m.EndBootMapping();
        ExpectRomAt(m, 0x8000, 0);
        const int at[3] = {c.at9000, c.atA000, c.atB000};
        for (int k = 0; k < 3; k++) {
            const int a = 0x9000 + k * 0x1000;
            if (at[k] == NONE)
                EXPECT_EQ(m.ReadByte(a), 0xFF) << std::hex << a;
            else
                ExpectRomAt(m, a, at[k]);
            m.WriteByte(a, 0x00);  // ROM is read only
        }
        ExpectRomAt(m, 0x8000, 0);
    }
}

TEST(Memory12, PartialLastRomPageReadsFF) {
    // A 6 KB ROM occupies half of its second 4 KB page; the rest reads FFh
    // and no access reaches past the ROM buffer.
    ChipMemory12 m(6);
    const auto img = RomImage(6);
    m.LoadRom(img.data(), static_cast<int32_t>(img.size()));
    m.Reset();
    m.EndBootMapping();
    EXPECT_EQ(m.ReadByte(0x97FF), RomByte(0x17FF));
    EXPECT_EQ(m.ReadByte(0x9800), 0xFF);
    EXPECT_EQ(m.ReadByte(0x9FFF), 0xFF);
    EXPECT_EQ(m.ReadByte(0xBFFF), 0xFF);
    std::vector<uint8_t> buf(0x4000);
    EXPECT_TRUE(m.ReadBlock(0x8000, buf.data(), 0x4000));
    EXPECT_EQ(buf[0x1800], 0xFF);
    EXPECT_EQ(buf[0x3FFF], 0xFF);
}

// ------------------------------------------------------------ 2A

TEST(Memory2A, BootAndNormalMaps) {
    ChipMemory2A m(4);
    m.LoadRom(RomImage(4).data(), 4096);
    m.Reset();
    ExpectRomAt(m, 0x0000, 0);
    ExpectRomAt(m, 0x2000, 0);
    ExpectRomAt(m, 0x8000, 0);
    ExpectRomAt(m, 0xA000, 0);  // 4 KB ROM repeated
    m.WriteByte(0x1000, 0x55);
    EXPECT_EQ(m.ReadByte(0x1000), 0x55);
    m.WriteByte(0x9000, 0x66);
    EXPECT_EQ(m.ReadByte(0x9000), 0x66);
    // Writes under the ROM reach the RAM during and after boot.
    m.WriteByte(0x8000, 0x77);
    EXPECT_EQ(m.GetRam()[0x8000], 0x77);
    ExpectRomAt(m, 0x8000, 0);
    m.WriteByte(0x0000, 0x88);
    EXPECT_EQ(m.GetRam()[0x0000], 0x88);
    m.SetAllRamFlag(1);  // no effect during boot
    ExpectRomAt(m, 0x8000, 0);

    m.SetAllRamFlag(0);
    m.EndBootMapping();
    EXPECT_EQ(m.ReadByte(0x0000), 0x88);
    EXPECT_EQ(m.ReadByte(0x2000), 0x00);
    ExpectRomAt(m, 0x8000, 0);
    ExpectRomAt(m, 0xA000, 0);
    m.WriteByte(0x8001, 0x99);
    EXPECT_EQ(m.ReadByte(0x8001), RomByte(1));
    m.SetAllRamFlag(1);
    EXPECT_EQ(m.ReadByte(0x8000), 0x77);
    EXPECT_EQ(m.ReadByte(0x8001), 0x99);
    m.SetAllRamFlag(0);
    ExpectRomAt(m, 0x8000, 0);
    EXPECT_EQ(m.GetVideoRam(), m.GetRam() + 0xC000);
    m.WriteByte(0xC123, 0xAB);
    EXPECT_EQ(m.GetVideoRam()[0x123], 0xAB);
}

TEST(Memory2A, RomSizes) {
    struct Case {
        int kb;
        int romEnd;   // first address after the ROM at 8000h
        bool repeat;  // repeated at A000h
    } cases[] = {{4, 0x9000, true}, {8, 0xA000, true}, {10, 0xA800, false}, {16, 0xC000, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kb);
        ChipMemory2A m(static_cast<uint8_t>(c.kb));
        const auto img = RomImage(c.kb);
        m.LoadRom(img.data(), static_cast<int32_t>(img.size()));
        m.Reset();
        m.EndBootMapping();
        for (int a = 0x8000; a < 0xC000; a += 0x400) {
            const bool inRom = a < c.romEnd || (c.repeat && a >= 0xA000 && a < 0xA000 + c.kb * 1024);
            if (inRom)
                EXPECT_EQ(m.ReadByte(a + 5), RomByte((a - (a >= 0xA000 && c.repeat ? 0xA000 : 0x8000)) + 5))
                    << std::hex << a;
            else
                EXPECT_EQ(m.ReadByte(a + 5), 0x00) << std::hex << a;
        }
    }
}

TEST(Memory2AEx, PagingKeepsTheRom) {
    ChipMemory2AEx m(4);
    m.LoadRom(RomImage(4).data(), 4096);
    m.Reset();
    m.EndBootMapping();
    EXPECT_EQ(m.GetPagingFlag(), 1);
    m.GetRam()[5 * 0x4000 + 0x1000] = 0xB5;  // bank 5 offset 1000h
    m.GetRam()[0x9000] = 0x92;                // bank 2 offset 1000h
    m.SetPagingRegister(0x25);                // bank 5 in slot 2
    EXPECT_EQ(m.GetPagingRegister(), 0x25);
    ExpectRomAt(m, 0x8000, 0);
    ExpectRomAt(m, 0xA000, 0);
    EXPECT_EQ(m.ReadByte(0x9000), 0xB5);
    m.WriteByte(0x8000, 0x51);  // writes reach bank 5 under the ROM
    EXPECT_EQ(m.GetRam()[5 * 0x4000], 0x51);
    // Moving the register away restores slot 2 with its ROM.
    m.SetPagingRegister(0x00);
    ExpectRomAt(m, 0x8000, 0);
    ExpectRomAt(m, 0xA000, 0);
    EXPECT_EQ(m.ReadByte(0x9000), 0x92);
    m.SetPagingRegister(0x15);  // bank 5 in slot 1
    m.SetPagingRegister(0x2A);
    m.SetPagingRegister(0x03);  // bank 3 in slot 0
    ExpectRomAt(m, 0x8000, 0);
    EXPECT_EQ(m.ReadByte(0x5000), 0x00);  // slot 1 back to bank 1
    m.GetRam()[3 * 0x4000 + 0x10] = 0x33;
    EXPECT_EQ(m.ReadByte(0x0010), 0x33);
    m.WriteByte(0x0011, 0x34);
    EXPECT_EQ(m.GetRam()[3 * 0x4000 + 0x11], 0x34);
    EXPECT_EQ(m.GetVideoRam(), m.GetRam() + 0xC000);
    m.SetPagingRegister(0xC0);  // bit 7 ignored, video bit set
    EXPECT_EQ(m.GetPagingRegister(), 0x40);
    EXPECT_EQ(m.GetVideoRam(), m.GetRam() + 0x1C000);
}

TEST(Memory2AEx, PortAndResets) {
    ChipMemory2AEx m(4);
    m.LoadRom(RomImage(4).data(), 4096);
    m.Reset();
    m.EndBootMapping();
    PeripheralDevice& dev = m;
    dev.WritePort(0x6D, 0xB7, 0);
    EXPECT_EQ(dev.ReadPort(0x6D, 0), 0x37);
    EXPECT_EQ(dev.ReadPort(0x6C, 0), 0xFF);
    dev.WritePort(0x6C, 0x00, 0);  // other ports ignored
    EXPECT_EQ(m.GetPagingRegister(), 0x37);
    EXPECT_EQ(m.GetBank(), 7);
    EXPECT_EQ(m.GetSlot(), 3);
    dev.Reset(0);  // boot mapping with the register cleared
    EXPECT_EQ(m.GetBootFlag(), 1);
    EXPECT_EQ(m.GetPagingRegister(), 0x00);
    ExpectRomAt(m, 0x0000, 0);
    m.SetPagingRegister(0x12);
    m.EndBootMapping();
    EXPECT_EQ(m.GetPagingRegister(), 0x00);
    EXPECT_EQ(m.ReadByte(0x0000), 0x00);
    m.SetPagingRegister(0x12);
    m.EndBootMapping();  // not in boot: nothing changes
    EXPECT_EQ(m.GetPagingRegister(), 0x12);
}

// ------------------------------------------------------------ 3

TEST(Memory3, BootAndNormalMaps) {
    ChipMemory3 m;
    m.LoadRom(RomImage(8).data(), 8192);
    m.Reset();
    for (int a = 0; a < 0x10000; a += 0x2000) ExpectRomAt(m, a, 0);
    m.WriteByte(0x2000, 0x12);
    EXPECT_EQ(m.GetRam()[0x2000], 0x12);
    m.EndBootMapping();
    EXPECT_EQ(m.ReadByte(0x2000), 0x12);
    ExpectRomAt(m, 0xE000, 0);
    ExpectRomAt(m, 0xF000, 0x1000);
    m.WriteByte(0xE000, 0x34);
    ExpectRomAt(m, 0xE000, 0);
    m.SetAllRamFlag(1);
    EXPECT_EQ(m.ReadByte(0xE000), 0x34);
    m.SetAllRamFlag(0);
    EXPECT_EQ(m.GetVideoRam(), m.GetRam() + 0xC000);
}

TEST(Memory3Ex, PagingRegister) {
    ChipMemory3Ex m;
    m.LoadRom(RomImage(8).data(), 8192);
    m.Reset();
    m.EndBootMapping();
    m.GetRam()[7 * 0x4000 + 0x100] = 0x77;
    m.SetPagingRegister(0x47);  // bank 7 in slot 0, video bank 7
    EXPECT_EQ(m.ReadByte(0x0100), 0x77);
    m.WriteByte(0x3FFF, 0x7F);
    EXPECT_EQ(m.GetRam()[7 * 0x4000 + 0x3FFF], 0x7F);
    EXPECT_EQ(m.GetVideoRam(), m.GetRam() + 0x1C000);
    m.SetPagingRegister(0x00);
    EXPECT_EQ(m.ReadByte(0x0100), 0x00);
    EXPECT_EQ(m.GetVideoRam(), m.GetRam() + 0xC000);
    PeripheralDevice& dev = m;
    dev.WritePort(0x6D, 0xC7, 0);
    EXPECT_EQ(dev.ReadPort(0x6D, 0), 0x47);
    EXPECT_EQ(dev.ReadPort(0x6E, 0), 0xFF);
}

TEST(Memory3Ex, Slot3KeepsTheRom) {
    ChipMemory3Ex m;
    m.LoadRom(RomImage(8).data(), 8192);
    m.Reset();
    m.EndBootMapping();
    m.GetRam()[9 * 0x4000 + 0x10] = 0x99;
    m.SetPagingRegister(0x39);  // bank 9 in slot 3
    EXPECT_EQ(m.ReadByte(0xC010), 0x99);
    ExpectRomAt(m, 0xE000, 0);
    m.WriteByte(0xE000, 0x5E);  // write reaches bank 9 under the ROM
    EXPECT_EQ(m.GetRam()[9 * 0x4000 + 0x2000], 0x5E);
    m.SetPagingRegister(0x01);  // slot 3 back to bank 3: E000h stays ROM
    ExpectRomAt(m, 0xE000, 0);
    EXPECT_EQ(m.ReadByte(0xC010), 0x00);
    m.SetAllRamFlag(1);
    EXPECT_EQ(m.ReadByte(0xC010), 0x00);
    m.SetPagingRegister(0x39);
    EXPECT_EQ(m.ReadByte(0xE000), 0x5E);  // all-RAM reads the paged bank
}

// ------------------------------------------------------------ C2717

// Bits 13-12 and 5-4 exchanged and inverted, one bit at a time.
int32_t Remapped(int32_t a) {
    auto bit = [a](int n) { return (a >> n) & 1; };
    int32_t r = a & ~0x3030;
    r |= (1 - bit(5)) << 13;
    r |= (1 - bit(4)) << 12;
    r |= (1 - bit(13)) << 5;
    r |= (1 - bit(12)) << 4;
    return r;
}

TEST(MemoryC2717, RemapVectors) {
    EXPECT_EQ(ChipMemoryC2717::Permute(0xC000), 0xF030);
    EXPECT_EQ(ChipMemoryC2717::Permute(0xC010), 0xE030);
    EXPECT_EQ(ChipMemoryC2717::Permute(0xFFFF), 0xCFCF);
    for (int32_t a = 0xC000; a <= 0xFFFF; a++) {
        ASSERT_EQ(ChipMemoryC2717::Permute(a), Remapped(a)) << std::hex << a;
        ASSERT_EQ(ChipMemoryC2717::Permute(ChipMemoryC2717::Permute(a)), a);
    }
}

TEST(MemoryC2717, Maps) {
    ChipMemoryC2717 m;
    m.LoadRom(RomImage(16).data(), 16384);
    m.Reset();
    ExpectRomAt(m, 0x0000, 0);
    ExpectRomAt(m, 0x3000, 0x3000);
    ExpectRomAt(m, 0x8000, 0);
    ExpectRomAt(m, 0xB000, 0x3000);
    m.WriteByte(0x0000, 0x12);  // refused during boot
    EXPECT_EQ(m.GetRam()[0], 0x00);
    m.SetAllRamFlag(1);  // all-RAM does not lift the boot window
    ExpectRomAt(m, 0x0000, 0);
    m.SetAllRamFlag(0);
    m.EndBootMapping();
    m.WriteByte(0x0000, 0x12);
    EXPECT_EQ(m.ReadByte(0x0000), 0x12);
    ExpectRomAt(m, 0x8000, 0);
    m.WriteByte(0x8000, 0x80);
    EXPECT_EQ(m.GetRam()[0x8000], 0x00);
    m.SetAllRamFlag(1);
    m.WriteByte(0x8000, 0x80);
    EXPECT_EQ(m.ReadByte(0x8000), 0x80);
    m.SetAllRamFlag(0);
    ExpectRomAt(m, 0x8000, 0);

    m.SetRemapFlag(1);
    m.WriteByte(0xC000, 0xC0);
    EXPECT_EQ(m.GetRam()[0xF030], 0xC0);
    EXPECT_EQ(m.GetRam()[0xC000], 0x00);
    EXPECT_EQ(m.ReadByte(0xC000), 0xC0);
    m.WriteByte(0xFFFF, 0xFF);
    EXPECT_EQ(m.GetRam()[0xCFCF], 0xFF);
    ExpectRomAt(m, 0x8000, 0);
    // The screen reads video RAM without the remap.
    EXPECT_EQ(m.GetVideoRam(), m.GetRam() + 0xC000);
    EXPECT_EQ(m.GetVideoRam()[0x3030], 0xC0);
    m.SetRemapFlag(0);
    EXPECT_EQ(m.ReadByte(0xF030), 0xC0);
    EXPECT_EQ(m.ReadByte(0xC000), 0x00);
}

TEST(MemoryC2717, BlocksFollowTheRemapAndTheWindow) {
    ChipMemoryC2717 m;
    m.LoadRom(RomImage(16).data(), 16384);
    m.Reset();
    m.EndBootMapping();
    uint8_t* ram = m.GetRam();
    for (int i = 0; i < 0x10000; i++) ram[i] = static_cast<uint8_t>((i >> 4) * 13 + i);
    const auto ramByte = [](int i) { return static_cast<uint8_t>((i >> 4) * 13 + i); };

    // A run must stop where the ROM window begins.
    std::vector<uint8_t> buf(0x20);
    EXPECT_TRUE(m.ReadBlock(0x7FF0, buf.data(), 0x20));
    for (int i = 0; i < 0x10; i++) EXPECT_EQ(buf[i], ramByte(0x7FF0 + i)) << i;
    for (int i = 0x10; i < 0x20; i++) EXPECT_EQ(buf[i], RomByte(i - 0x10)) << i;
    std::vector<uint8_t> src(0x20, 0xAA);
    EXPECT_FALSE(m.WriteBlock(0x7FF0, src.data(), 0x20));
    EXPECT_EQ(ram[0x7FFF], 0xAA);
    EXPECT_EQ(ram[0x8000], ramByte(0x8000));

    // With the remap on, every 16-byte group is read from its own place.
    m.SetRemapFlag(1);
    std::vector<uint8_t> top(0x4000);
    EXPECT_TRUE(m.ReadBlock(0xC000, top.data(), 0x4000));
    for (int a = 0xC000; a < 0x10000; a++)
        ASSERT_EQ(top[a - 0xC000], ramByte(Remapped(a))) << std::hex << a;
    std::vector<uint8_t> pattern(0x4000);
    for (size_t i = 0; i < pattern.size(); i++) pattern[i] = static_cast<uint8_t>(i ^ (i >> 6));
    EXPECT_TRUE(m.WriteBlock(0xC000, pattern.data(), 0x4000));
    for (int a = 0xC000; a < 0x10000; a++) ASSERT_EQ(ram[Remapped(a)], pattern[a - 0xC000]) << std::hex << a;
    for (int a = 0xC000; a < 0x10000; a += 0x111) EXPECT_EQ(m.ReadByte(a), pattern[a - 0xC000]);
}

TEST(MemoryC2717, SmallRomStaysInItsBuffer) {
    ChipMemoryC2717 m(4);
    m.LoadRom(RomImage(4).data(), 4096);
    m.Reset();
    EXPECT_EQ(m.ReadByte(0x0000), RomByte(0));
    EXPECT_EQ(m.ReadByte(0x3FFF), 0xFF);
    EXPECT_EQ(m.ReadByte(0xBFFF), 0xFF);
    std::vector<uint8_t> buf(0x4000);
    EXPECT_TRUE(m.ReadBlock(0x8000, buf.data(), 0x4000));
    EXPECT_EQ(buf[0x3FFF], 0xFF);
}

}  // namespace
