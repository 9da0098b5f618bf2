#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "machine/cpu/ChipCpu8080.h"
#include "machine/cpu/ChipMemoryModels.h"
#include "machine/recording/Recording.h"
#include "tests/common/TestTempDir.h"

namespace {

// A port that answers a new value on every read and counts the reads.
struct CountingPort : PeripheralDevice {
    uint32_t x = 7;
    int reads = 0;
    void WritePort(uint8_t, uint8_t, int32_t) override {}
    uint8_t ReadPort(uint8_t, int32_t) override {
        ++reads;
        x = x * 1103515245u + 12345u;
        return static_cast<uint8_t>(x >> 16);
    }
};

struct Cpu {
    ChipMemory2A memory{8};
    ChipCpu8080 cpu{memory};
    Cpu() {
        memory.Reset();
        memory.EndBootMapping();
        memory.SetAllRamFlag(1);
        // 0000 LXI H,4000h; 0003 IN 10h; MOV M,A; INX H; IN 11h; MOV M,A; INX H; JMP 0003
        const uint8_t program[] = {0x21, 0x00, 0x40, 0xDB, 0x10, 0x77, 0x23, 0xDB,
                                   0x11, 0x77, 0x23, 0xC3, 0x03, 0x00};
        for (uint16_t i = 0; i < sizeof program; ++i) memory.WriteByte(i, program[i]);
        cpu.PC = 0;
    }
    std::vector<uint8_t> Stored(int n) {
        std::vector<uint8_t> b(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) b[static_cast<size_t>(i)] = memory.ReadByte(static_cast<uint16_t>(0x4000 + i));
        return b;
    }
};

TEST(CpuRecording, InBytesAreRecordedAndReplayedWithoutTheDevices) {
    TestTempDir dir;
    dir.write("s.psn", "S");
    const std::string prc = dir.file("cpu.prc");
    constexpr int kLoops = 20000;  // two IN per loop, 40000 bytes from 4000h
    Cpu rec;
    CountingPort port;
    rec.cpu.AddPortDevice(0x10, 0xFF, 0, &port);  // port 11h has no device: FFh
    {
        Recording r(prc, Recording::ModeCreate, &rec.cpu);
        r.AddSnapshot(dir.file("s.psn"), 1, 0);
        rec.cpu.Recording = &r;
        for (int i = 0; i < 1 + kLoops * 7; ++i) {
            rec.cpu.Step();
            if (i % 10000 == 0) r.Flush(0);  // as the slice does: several chunks
        }
        rec.cpu.Recording = nullptr;
        r.Close();
        ASSERT_EQ(r.GetState(), Recording::StateClosed);
    }
    EXPECT_EQ(port.reads, kLoops);
    const std::vector<uint8_t> expected = rec.Stored(2 * kLoops);
    EXPECT_EQ(expected[1], 0xFF);

    Cpu play;
    CountingPort other;
    other.x = 99;  // answers differently: must never be asked
    play.cpu.AddPortDevice(0x10, 0xFF, 0, &other);
    Recording r(prc, Recording::ModePlayback, &play.cpu);
    ASSERT_EQ(r.GetState(), Recording::StatePlayingBack);
    play.cpu.Recording = &r;
    for (int i = 0; i < 1 + kLoops * 7; ++i) play.cpu.Step();
    EXPECT_EQ(other.reads, 0);
    EXPECT_EQ(play.Stored(2 * kLoops), expected);
    EXPECT_EQ(play.cpu.PC, rec.cpu.PC);
    // Past the end the IN reads FFh and the playback is over.
    for (int i = 0; i < 6; ++i) play.cpu.Step();
    EXPECT_EQ(r.GetState(), Recording::StateClosed);
    EXPECT_EQ(play.memory.ReadByte(0x4000 + 2 * kLoops), 0xFF);
}

}  // namespace
