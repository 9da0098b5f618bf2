// Every model boots a monitor of our own from the configuration: the program
// leaves the boot mapping the way its model needs, clears video RAM and draws
// a pattern, which must show in video RAM and in the rendered bitmap.
#include <string>
#include <vector>

#include "OwnerFixture.h"
#include "machine/screen/ScreenDAD85.h"

namespace {

// The ROM's place after the boot mapping ends: E000h on Model-3, else 8000h.
uint16_t RomBase(int model) { return model == kModel3 ? 0xE000 : 0x8000; }

// The stand-in monitor for a model, assembled for its ROM base.
//   JMP base+3        (runs at 0000h while the boot mapping shows the ROM there)
//   LXI SP,7000h
//   end of the boot mapping: any system-port write does it, except on the
//   Consul 2717, which first sets the 8255 to mode 82h (port C all outputs
//   at 0: no all-RAM, no remap, narrow screen) and then ends it with a read
//   clear C000h-FFFFh with 00h
//   for row r = 0..255: byte at C000h + 64 r + (r >> 3) = 41h for odd r, 15h for even r
//   JMP $
std::vector<uint8_t> StandInMonitor(int model, uint16_t& haltAddress) {
    const int b = RomBase(model);
    std::vector<uint8_t> p;
    auto emit = [&p](std::initializer_list<int> bytes) {
        for (int v : bytes) p.push_back(static_cast<uint8_t>(v));
    };
    auto here = [&p, b] { return b + static_cast<int>(p.size()); };
    auto jump = [&emit](int opcode, int target) { emit({opcode, target & 0xFF, (target >> 8) & 0xFF}); };

    jump(0xC3, b + 3);              // JMP base+3
    emit({0x31, 0x00, 0x70});       // LXI SP,7000h
    if (model == kModelC2717) {
        emit({0x3E, 0x82, 0xD3, 0x87});  // MVI A,82h; OUT 87h
        emit({0xDB, 0x84});              // IN 84h
    } else {
        emit({0xD3, 0x84});              // OUT 84h
    }
    emit({0x21, 0x00, 0xC0});       // LXI H,C000h
    const int clear = here();
    emit({0x36, 0x00, 0x23, 0x7C, 0xB5});  // MVI M,0; INX H; MOV A,H; ORA L
    jump(0xC2, clear);              // JNZ clear
    emit({0x21, 0x00, 0xC0, 0x06, 0x00});  // LXI H,C000h; MVI B,0
    const int row = here();
    emit({0x78, 0x0F, 0x0F, 0x0F, 0xE6, 0x1F});  // MOV A,B; RRC x3; ANI 1Fh
    emit({0x5F, 0x16, 0x00, 0xE5, 0x19});        // MOV E,A; MVI D,0; PUSH H; DAD D
    emit({0x78, 0xE6, 0x01, 0x3E, 0x15});        // MOV A,B; ANI 1; MVI A,15h (flags kept)
    const int store = here() + 5;
    jump(0xCA, store);              // JZ store
    emit({0x3E, 0x41});             // MVI A,41h
    emit({0x77, 0xE1});             // store: MOV M,A; POP H
    emit({0x11, 0x40, 0x00, 0x19, 0x04});  // LXI D,64; DAD D; INR B
    jump(0xC2, row);                // JNZ row
    haltAddress = static_cast<uint16_t>(here());
    jump(0xC3, here());             // JMP $
    p.resize(4096, 0x00);
    return p;
}

// The byte the pattern puts at video RAM row r, byte column c.
uint8_t PatternByte(int r, int c) {
    if (c != (r >> 3)) return 0x00;
    return (r & 1) ? 0x41 : 0x15;
}

// Narrow mode, single scale, standard profile: a byte gives six pixels from
// bit 0 on; a set bit draws colour table[4 + attribute] of the standard
// table {0, 8, 15, 8, 15, 8, 15, 8}, a clear bit black. Bit 7 is clear in
// the pattern, so blinking never hides it.
uint8_t ExpectedPixel(int x, int y) {
    static const uint8_t kStandard[8] = {0, 8, 15, 8, 15, 8, 15, 8};
    const uint8_t b = PatternByte(y, x / 6);
    if (!((b >> (x % 6)) & 1)) return 0;
    return kStandard[4 + (b >> 6)];
}

class ModelBootTest : public OwnerTest {};

TEST_F(ModelBootTest, EveryModelBootsAMonitorFromTheConfigurationAndShowsItsPattern) {
    TempDir dir;
    for (int model = kModel1; model < kModelCount; ++model) {
        SCOPED_TRACE(kOwnerModelNames[model]);
        uint16_t halt = 0;
        const std::string rom =
            dir.File(std::string("monitor") + char('0' + model) + ".rom", StandInMonitor(model, halt));
        ModelElement(model).child("RomFile").text().set(rom.c_str());
        SelectModel(model);
        owner.BuildMachine(0, 0, nullptr);
        ASSERT_EQ(owner.GetModel(), model);
        owner.ResetMachine(0);
        ASSERT_EQ(Mem().GetBootFlag(), 1);

        // Something to clear.
        uint8_t* video = Mem().GetVideoRam();
        for (int i = 0; i < ScreenDAD85::kVideoRamSize; ++i) video[i] = 0xAA;

        for (int slice = 0; slice < 400 && Cpu().PC != halt; ++slice) owner.PreciseTimerCpuTimer();
        ASSERT_EQ(Cpu().PC, halt);
        EXPECT_EQ(Mem().GetBootFlag(), 0);
        // The monitor is now seen only at its own place; 0000h is RAM.
        EXPECT_EQ(Mem().ReadByte(RomBase(model)), 0xC3);
        EXPECT_EQ(Mem().ReadByte(0x0000), 0x00);

        video = Mem().GetVideoRam();
        int wrongBytes = 0;
        for (int r = 0; r < 256; ++r)
            for (int c = 0; c < 64; ++c)
                if (video[r * 64 + c] != PatternByte(r, c)) wrongBytes++;
        EXPECT_EQ(wrongBytes, 0);

        // Five screen ticks reach the painting phase.
        for (int i = 0; i < 5; ++i) owner.TimerRefreshScreenTimer();
        ScreenDAD85& screen = *owner.GetScreen();
        auto lock = screen.LockBitmap();
        ASSERT_EQ(screen.Width(), 288);
        ASSERT_EQ(screen.Height(), 256);
        int wrongPixels = 0, lit = 0;
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 288; ++x) {
                const uint8_t got = screen.Bits()[y * screen.Stride() + x];
                if (got != ExpectedPixel(x, y)) wrongPixels++;
                if (got) lit++;
            }
        EXPECT_EQ(wrongPixels, 0);
        EXPECT_EQ(lit, 128 * 3 + 128 * 1);  // even rows three pixels, odd rows one
    }
}

}  // namespace
