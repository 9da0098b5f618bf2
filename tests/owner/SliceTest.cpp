// The CPU slice: emulated time, breakpoints, stepping, tape traps and pacing.
#include <memory>
#include <span>
#include <thread>

#include "OwnerFixture.h"
#include "machine/sound/SoundDriver.h"
#include "machine/tape/IifTape.h"

namespace {

class SliceTest : public OwnerTest {
protected:
    // A machine running NOPs from 4000h in RAM.
    void NopMachine(int model = kModel2A) {
        Build(model);
        Mem().EndBootMapping();
        Poke(0x4000, std::vector<uint8_t>(0x1000, 0x00));
        Cpu().PC = 0x4000;
    }
};

TEST_F(SliceTest, FourCycleInstructionsCountThirteenForTwelve) {
    NopMachine();
    debugger.breakpoints = {0x4007};
    owner.PreciseTimerCpuTimer();
    const std::vector<int32_t> expected{0, 4, 8, 12, 17, 21, 25, 30};
    EXPECT_EQ(debugger.clocks, expected);
}

TEST_F(SliceTest, OvershootCarriesIntoTheNextSlice) {
    NopMachine();
    // 4k + (k - 1) / 3 first reaches 4096 at k = 946 (4099).
    owner.PreciseTimerCpuTimer();
    EXPECT_EQ(Cpu().SliceClock, 3);
    EXPECT_EQ(Cpu().PC, 0x4000 + 946);
    EXPECT_EQ(owner.GetSliceCount(), 1);
    // The next slice starts at 3 with the 12-cycle remainder at 0: 3 + 4094 at k = 945.
    owner.PreciseTimerCpuTimer();
    EXPECT_EQ(Cpu().SliceClock, 1);
    EXPECT_EQ(Cpu().PC, 0x4000 + 946 + 945);
    EXPECT_EQ(owner.GetSliceCount(), 2);
}

TEST_F(SliceTest, BreakpointKeepsSliceClockAndRequestsStop) {
    NopMachine();
    debugger.breakpoints = {0x4010};
    owner.PreciseTimerCpuTimer();
    EXPECT_EQ(Cpu().PC, 0x4010);             // not executed
    EXPECT_EQ(Cpu().SliceClock, 64 + 5);     // 16 NOPs, not reduced by the slice length
    EXPECT_EQ(owner.DebuggerTag.load(), 5);
    EXPECT_EQ(owner.GetSliceCount(), 0);
    // With the stop request standing the slice does nothing.
    owner.PreciseTimerCpuTimer();
    EXPECT_EQ(Cpu().PC, 0x4010);
    // Going on continues from the kept slice clock.
    debugger.breakpoints.clear();
    owner.DebuggerTag = 0;
    owner.PreciseTimerCpuTimer();
    EXPECT_EQ(owner.GetSliceCount(), 1);
    EXPECT_LT(Cpu().SliceClock, 8);
}

TEST_F(SliceTest, SteppingGoesThroughTheDebuggerUntilItReportsDone) {
    NopMachine();
    owner.DebuggerTag = 7;
    debugger.stepsUntilDone = 3;
    owner.PreciseTimerCpuTimer();
    EXPECT_EQ(debugger.steps, 3);
    EXPECT_EQ(Cpu().PC, 0x4003);
    EXPECT_EQ(owner.DebuggerTag.load(), 5);
}

TEST_F(SliceTest, Model3CompatibilityJump) {
    struct Case { bool compatibility; bool allRam; uint16_t next; };
    for (Case c : {Case{true, false, 0xFFF1}, Case{false, false, 0xE04D}}) {
        std::vector<uint8_t> rom(8192, 0x00);
        Build(kModel3, rom);
        ASSERT_EQ(Mem().ReadByte(0xE04C), 0x00);
        ASSERT_EQ(Mem().ReadByte(0xFFF0), 0x00);
        owner.CompatibilityMode = c.compatibility ? 1 : 0;
        Cpu().PC = 0xE04C;
        debugger.breakpoints = {0xE04D, 0xFFF1};
        owner.DebuggerTag = 0;
        owner.PreciseTimerCpuTimer();
        EXPECT_EQ(Cpu().PC, c.next) << c.compatibility;
    }
}

TEST_F(SliceTest, Model3CompatibilityJumpNeedsRomMapping) {
    Build(kModel3, std::vector<uint8_t>(8192, 0x00));
    Mem().SetAllRamFlag(1);
    Mem().WriteByte(0xE04C, 0x00);
    owner.CompatibilityMode = 1;
    Cpu().PC = 0xE04C;
    debugger.breakpoints = {0xE04D, 0xFFF1};
    owner.PreciseTimerCpuTimer();
    EXPECT_EQ(Cpu().PC, 0xE04D);
}

// Trap routines: page D3h = 23h, E1h = C9h (block), PC byte C5h and 9Bh = C9h (byte).
class TrapTest : public SliceTest {
protected:
    void TrapMachine(int model) {
        const bool m3 = model == kModel3;
        std::vector<uint8_t> rom(m3 ? 8192 : 4096, 0x00);
        rom[0xDD3] = 0x23;
        rom[0xDE1] = 0xC9;
        rom[0xB6C] = 0xC5;
        rom[0xB9B] = 0xC9;
        Build(model, rom);
        Mem().EndBootMapping();
        base = m3 ? 0xE000 : 0x8000;
        ASSERT_EQ(Mem().ReadByte(base + 0xDD3), 0x23);
        ASSERT_EQ(Mem().ReadByte(base + 0xDE1), 0xC9);
        ASSERT_EQ(Mem().ReadByte(base + 0xB6C), 0xC5);
        // Return address 5000h on the stack; the test stops there.
        Poke(0x7000, {0x00, 0x50});
        Cpu().SP = 0x7000;
        debugger.breakpoints = {0x5000};
    }
    void Play(const std::vector<uint8_t>& block) {
        IifTape* tape = owner.GetTape();
        tape->StartBlock(block.data(), static_cast<int32_t>(block.size()), 0, 1, 0);
        tape->GetTrapBlock(nullptr, nullptr);  // takes the request over
        ASSERT_EQ(tape->GetFastMode(), 1);
    }
    void RunFrom(uint16_t pc) {
        Cpu().PC = pc;
        owner.DebuggerTag = 0;
        owner.PreciseTimerCpuTimer();
    }
    uint16_t base = 0x8000;
};

TEST_F(TrapTest, BlockTrapModel1LeavesHlPastTheBlockAndTheChecksumInA) {
    TrapMachine(kModel1);
    Play({1, 2, 3, 4, 10, 0x77});
    Cpu().SetHL(0x6000);
    Cpu().SetDE(3);
    Cpu().C = 1;
    RunFrom(0x8DC4);
    EXPECT_EQ(Cpu().PC, 0x5000);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(Mem().ReadByte(0x6000 + i), i + 1);
    EXPECT_EQ(Cpu().GetHL(), 0x6004);
    EXPECT_EQ(Cpu().A, 10);
    EXPECT_EQ(Cpu().GetDE(), 0xFFFF);
    EXPECT_EQ(Cpu().B, 10);
    EXPECT_EQ(Cpu().C, 1);
    EXPECT_EQ(Cpu().F, 0x40);
    EXPECT_EQ(owner.GetTape()->GetPlayRemaining(), 1);  // n + 1 bytes taken
}

TEST_F(TrapTest, BlockTrapOtherModelsRestoreHlAndClearA) {
    struct Case { int model; uint16_t pc; };
    for (Case c : {Case{kModel2A, 0x8DC4}, Case{kModel3, 0xEDC4},
                   Case{kModelAlfa, 0x8DC4}}) {
        TrapMachine(c.model);
        Play({5, 6, 7, 99});  // checksum 99 is wrong (18)
        Cpu().SetHL(0x6000);
        Cpu().SetDE(2);
        Cpu().C = 7;
        Cpu().A = 0x55;
        RunFrom(c.pc);
        EXPECT_EQ(Cpu().PC, 0x5000) << c.model;
        EXPECT_EQ(Mem().ReadByte(0x6002), 7) << c.model;
        EXPECT_EQ(Cpu().GetHL(), 0x6000) << c.model;
        EXPECT_EQ(Cpu().A, 0) << c.model;
        EXPECT_EQ(Cpu().B, 18) << c.model;
        EXPECT_EQ(Cpu().F, 0x01) << c.model;
        EXPECT_EQ(Cpu().GetDE(), 0xFFFF) << c.model;
    }
}

TEST_F(TrapTest, BlockTrapWithCZeroOnlyChecks) {
    TrapMachine(kModel2);
    Play({1, 2, 3});
    Cpu().SetHL(0x6000);
    Cpu().SetDE(1);
    Cpu().C = 0;
    RunFrom(0x8DC4);
    EXPECT_EQ(Mem().ReadByte(0x6000), 0);
    EXPECT_EQ(Mem().ReadByte(0x6001), 0);
    EXPECT_EQ(Cpu().F, 0x40);
    EXPECT_EQ(Cpu().B, 3);
}

TEST_F(TrapTest, BlockTrapNeverFiresWithDeFFFF) {
    TrapMachine(kModel1);
    Play(std::vector<uint8_t>(300, 1));
    Cpu().SetHL(0x6000);
    Cpu().SetDE(0xFFFF);
    debugger.breakpoints = {0x8DC5};
    RunFrom(0x8DC4);
    EXPECT_EQ(Cpu().PC, 0x8DC5);  // the NOP at the trap address ran
    EXPECT_EQ(Cpu().GetHL(), 0x6000);
    EXPECT_EQ(owner.GetTape()->GetPlayRemaining(), 300);
}

TEST_F(TrapTest, BlockTrapNeedsBlockLongEnough) {
    TrapMachine(kModel1);
    Play({1, 2, 3});  // DE + 2 = 4 bytes needed
    Cpu().SetDE(2);
    debugger.breakpoints = {0x8DC5};
    RunFrom(0x8DC4);
    EXPECT_EQ(Cpu().PC, 0x8DC5);
    EXPECT_EQ(Cpu().GetDE(), 2);
}

TEST_F(TrapTest, ByteTrapTakesBytesAndReportsTheEnd) {
    struct Case { int model; uint16_t pc; };
    for (Case c : {Case{kModel2A, 0x8B6C}, Case{kModel3, 0xEB6C},
                   Case{kModelAlfa2, 0x8B6C}}) {
        TrapMachine(c.model);
        Play({0x5A});
        Cpu().F = 0xFF;
        RunFrom(c.pc);
        EXPECT_EQ(Cpu().PC, 0x5000) << c.model;
        EXPECT_EQ(Cpu().A, 0x5A) << c.model;
        EXPECT_EQ(Cpu().F, 0x00) << c.model;
        // The block has no byte left: CY set, still back through the RET.
        Cpu().SP = 0x7000;
        Cpu().F = 0x00;
        RunFrom(c.pc);
        EXPECT_EQ(Cpu().PC, 0x5000) << c.model;
        EXPECT_EQ(Cpu().F, 0x01) << c.model;
    }
}

TEST_F(TrapTest, NoByteTrapOnModel1AndAlfa) {
    for (int model : {kModel1, kModelAlfa}) {
        TrapMachine(model);
        Play({0x5A, 0x00});
        Cpu().A = 0;
        debugger.breakpoints = {0x8B6D};
        RunFrom(0x8B6C);
        EXPECT_EQ(Cpu().PC, 0x8B6D) << model;  // PUSH B ran
        EXPECT_EQ(Cpu().A, 0) << model;
    }
}

TEST_F(TrapTest, NoTrapsWhileStoppedInTheDebuggerOrWithoutFastMode) {
    TrapMachine(kModel2A);
    owner.GetTape()->StartBlock(std::vector<uint8_t>{1, 2, 3}.data(), 3, 0, 0, 0);  // not fast
    owner.GetTape()->GetTrapBlock(nullptr, nullptr);
    Cpu().SetDE(1);
    debugger.breakpoints = {0x8DC5};
    RunFrom(0x8DC4);
    EXPECT_EQ(Cpu().PC, 0x8DC5);
    EXPECT_EQ(Cpu().GetDE(), 1);
}

TEST_F(SliceTest, NoInstructionWhileTheSoundRingIsFull) {
    owner.SetSoundFactory([](int, int channels, std::span<const int> volumes) {
        return std::make_unique<SoundDriver>(SoundDriver::NoDevice, channels, volumes);
    });
    Section("Sound").attribute("device-index").set_value("0");
    std::vector<int> codes{5};
    ASSERT_EQ(owner.ApplySoundSettings(codes), 1);
    EXPECT_EQ(owner.CpuTimer().IntervalMicroseconds(), SoundDriver::PacedSlicePeriodMicroseconds);
    NopMachine();
    Cpu().PC = 0x4000;
    // Fill the ring: every slice mixes one slice of frames.
    int ran = 0;
    for (int i = 0; i < 200; ++i) {
        const int32_t before = owner.GetSliceCount();
        owner.PreciseTimerCpuTimer();
        if (owner.GetSliceCount() == before) break;
        ran++;
        Cpu().PC = 0x4000;
    }
    ASSERT_LT(ran, 200);
    const uint32_t instructions = Cpu().InstructionCounter;
    const int32_t slices = owner.GetSliceCount();
    owner.PreciseTimerCpuTimer();
    EXPECT_EQ(Cpu().InstructionCounter, instructions);
    EXPECT_EQ(owner.GetSliceCount(), slices);
    // Draining makes room again.
    std::vector<int16_t> out(SoundDriver::RingFrames * 2);
    owner.GetSoundDriver()->FillOutput(out.data(), SoundDriver::RingFrames);
    owner.PreciseTimerCpuTimer();
    EXPECT_GT(Cpu().InstructionCounter, instructions);

    // Without a driver the timer alone sets the pace.
    Section("Sound").attribute("device-index").set_value("-1");
    EXPECT_EQ(owner.ApplySoundSettings(codes), 0);
    EXPECT_EQ(owner.GetSoundDriver(), nullptr);
    EXPECT_EQ(owner.CpuTimer().IntervalMicroseconds(), SoundDriver::UnpacedSlicePeriodMicroseconds);
}

TEST_F(SliceTest, SpeakerReachesAReplacedDriverAndNoneAfterRemoval) {
    owner.SetSoundFactory([](int, int channels, std::span<const int> volumes) {
        return std::make_unique<SoundDriver>(SoundDriver::NoDevice, channels, volumes);
    });
    Build(kModel2A);
    Mem().EndBootMapping();
    // Mode word 80h, then PC2 set / reset forever.
    Poke(0x4000, {0x3E, 0x80, 0xD3, 0x87, 0x3E, 0x05, 0xD3, 0x87, 0x3E, 0x04, 0xD3, 0x87, 0xC3, 0x04, 0x40});
    Cpu().PC = 0x4000;
    Section("Sound").attribute("device-index").set_value("0");
    std::vector<int> codes{5};
    ASSERT_EQ(owner.ApplySoundSettings(codes), 1);  // driver created after the build
    for (int i = 0; i < 60; ++i) owner.PreciseTimerCpuTimer();
    std::vector<int16_t> out(SoundDriver::RingFrames * 2, 0);
    owner.GetSoundDriver()->FillOutput(out.data(), SoundDriver::RingFrames);
    bool sound = false;
    for (int16_t s : out) sound = sound || s != 0;
    EXPECT_TRUE(sound);
    // Removing the driver leaves the speaker without a writer (no stale one).
    Section("Sound").attribute("device-index").set_value("-1");
    owner.ApplySoundSettings(codes);
    const int32_t slices = owner.GetSliceCount();
    for (int i = 0; i < 5; ++i) owner.PreciseTimerCpuTimer();
    EXPECT_EQ(owner.GetSliceCount(), slices + 5);
}

}  // namespace
