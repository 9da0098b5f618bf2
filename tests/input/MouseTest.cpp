#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "machine/input/Mouse.h"
#include "machine/timer/IifTimer.h"
#include "tests/support/FlatMachine.h"

using namespace testsupport;

namespace {

// The phases a Mouse602 shows, one per step, until its queue is empty.
std::vector<uint8_t> Drain(Mouse602& m) {
    m.TakeHostInput();
    std::vector<uint8_t> out;
    while (m.QueuedPhases() > 0) {
        m.Tick(0, Mouse602::kStepCycles);
        out.push_back(uint8_t(m.ReadPort(0x8C, 0) & 0x0F));
    }
    return out;
}

std::vector<uint8_t> Repeat(std::vector<uint8_t> group, int times) {
    std::vector<uint8_t> r;
    for (int i = 0; i < times; ++i) r.insert(r.end(), group.begin(), group.end());
    return r;
}

TEST(Mouse602, MovesGiveThePhaseSequences) {
    const std::vector<uint8_t> right = {4, 12, 8, 0}, left = {8, 12, 4, 0};
    const std::vector<uint8_t> down = {1, 3, 2, 0}, up = {2, 3, 1, 0};
    const std::vector<uint8_t> rightDown = {5, 15, 10, 0}, leftUp = {10, 15, 5, 0};
    struct Case {
        int dx, dy;
        std::vector<uint8_t> expected;
    };
    std::vector<Case> cases = {
        {3, 0, Repeat(right, 3)},
        {-2, 0, Repeat(left, 2)},
        {0, 1, down},
        {0, -3, Repeat(up, 3)},
        {1, 1, rightDown},
        {-1, -1, leftUp},
    };
    // 4 right, 2 down: both, one X alone, both, one X alone.
    std::vector<uint8_t> diag;
    for (auto* g : {&rightDown, &right, &rightDown, &right}) diag.insert(diag.end(), g->begin(), g->end());
    cases.push_back({4, 2, diag});
    for (const Case& c : cases) {
        Mouse602 m(1, 0, 0);
        m.Move(100, 100, 0, 0, 0);  // the first move only sets the position
        EXPECT_EQ(m.QueuedPhases(), 0u);
        m.Move(100 + c.dx, 100 + c.dy, 0, 0, 0);
        EXPECT_EQ(Drain(m), c.expected) << c.dx << "," << c.dy;
    }
}

TEST(Mouse602, OnePhaseChangeEvery1706Cycles) {
    Mouse602 m(1, 0, 0);
    m.Move(0, 0, 0, 0, 0);
    m.Move(1, 0, 0, 0, 0);
    m.TakeHostInput();
    m.Tick(0, 1705);
    EXPECT_EQ(m.ReadPort(0x8C, 0), 0);
    m.Tick(0, 1);
    EXPECT_EQ(m.ReadPort(0x8C, 0), 4);
    m.Tick(0, 1706 + 1706 - 3);
    EXPECT_EQ(m.ReadPort(0x8C, 0), 12);
    m.Tick(0, 3);
    EXPECT_EQ(m.ReadPort(0x8C, 0), 8);
}

TEST(Mouse602, ScaleOriginAndGeometryReset) {
    Mouse602 m(2, 10, 20);
    m.Move(10, 20, 0, 0, 0);
    m.Move(17, 20, 0, 0, 0);  // (17 - 10) / 2 = 3 emulated pixels
    EXPECT_EQ(m.QueuedPhases(), 12u);
    Drain(m);
    m.SetGeometry(3, 0, 0);
    m.Move(300, 300, 0, 0, 0);  // first move after the change: position only
    EXPECT_EQ(m.QueuedPhases(), 0u);
    m.Move(306, 300, 0, 0, 0);
    EXPECT_EQ(m.QueuedPhases(), 8u);
}

// The emulation sees a move only once it has taken it (the slice does at its
// start): cycles that passed before do not count towards its first step.
TEST(Mouse602, AMoveCountsFromWhenItIsTaken) {
    Mouse602 m(1, 0, 0);
    m.Move(0, 0, 0, 0, 0);
    m.Move(1, 0, 0, 0, 1);
    EXPECT_EQ(m.Quiet(), INT32_MAX);
    m.Tick(0, 5000);  // cycles before the move was taken
    EXPECT_EQ(m.ReadPort(0x8C, 0), 0);
    m.TakeHostInput();
    EXPECT_EQ(m.ReadPort(0x8C, 0), 0x40) << "the left button";
    EXPECT_EQ(m.Quiet(), Mouse602::kStepCycles - 1);
    m.Tick(0, Mouse602::kStepCycles - 1);
    EXPECT_EQ(m.ReadPort(0x8C, 0) & 0x0F, 0);
    m.Tick(0, 1);
    EXPECT_EQ(m.ReadPort(0x8C, 0) & 0x0F, 4);
    // A move made while the taken phases run goes on after them once taken.
    m.Move(2, 0, 0, 0, 0);
    for (int i = 0; i < 3; ++i) m.Tick(0, Mouse602::kStepCycles);
    EXPECT_EQ(m.ReadPort(0x8C, 0) & 0x0F, 0);
    EXPECT_EQ(m.QueuedPhases(), 4u);
    EXPECT_EQ(m.Quiet(), INT32_MAX);
    m.TakeHostInput();
    m.Tick(0, Mouse602::kStepCycles);
    EXPECT_EQ(m.ReadPort(0x8C, 0) & 0x0F, 4);
}

TEST(Mouse602, ButtonsInBits6And7) {
    Mouse602 m(1, 0, 0);
    struct Step {
        int middle, right, left;
        uint8_t expected;
    };
    const Step steps[] = {{0, 0, 1, 0x40}, {0, 1, 0, 0xC0}, {1, 0, 0, 0xC0}, {0, 0, -1, 0x80}, {-1, -1, 0, 0x00}};
    for (const Step& s : steps) {
        m.Move(5, 5, s.middle, s.right, s.left);
        m.TakeHostInput();
        EXPECT_EQ(m.ReadPort(0x8C, 0), s.expected);
    }
}

TEST(Mouse602, QueueIsBoundedAndKeepsWholeGroups) {
    Mouse602 m(1, 0, 0);
    m.Move(0, 0, 0, 0, 0);
    m.Move(5000, 0, 0, 0, 0);  // 20,000 phases wanted
    EXPECT_EQ(m.QueuedPhases(), Mouse602::kQueueSize);
    EXPECT_EQ(m.DroppedGroups(), 5000u - Mouse602::kQueueSize / 4);
    std::vector<uint8_t> seen = Drain(m);
    EXPECT_EQ(seen, Repeat({4, 12, 8, 0}, int(Mouse602::kQueueSize / 4)));
    // Room again once drained.
    m.Move(4999, 0, 0, 0, 0);
    EXPECT_EQ(Drain(m), (std::vector<uint8_t>{8, 12, 4, 0}));
}

TEST(Mouse602, MovesAndTicksOnTwoThreadsKeepTheSequence) {
    // The window moves the mouse right while the emulation steps the
    // phases: every phase seen follows the previous one in the right-hand
    // sequence 0, 4, 12, 8, 0.
    Mouse602 m(1, 0, 0);
    m.Move(0, 0, 0, 0, 0);
    std::atomic<bool> done{false};
    std::thread window([&] {
        for (int x = 1; x <= 3000; ++x) {
            m.Move(x, 0, 0, 0, 0);
            if (x % 16 == 0) std::this_thread::yield();
        }
        done = true;
    });
    const uint8_t next[16] = {4, 0, 0, 0, 12, 0, 0, 0, 0, 0, 0, 0, 8, 0, 0, 0};
    uint8_t last = 0;
    long changes = 0;
    bool ok = true;
    while (!done || m.QueuedPhases() > 0) {
        m.TakeHostInput();
        m.Tick(0, Mouse602::kStepCycles);
        uint8_t p = uint8_t(m.ReadPort(0x8C, 0) & 0x0F);
        if (p != last) {
            ok = ok && p == next[last];
            last = p;
            ++changes;
        }
    }
    window.join();
    EXPECT_TRUE(ok);
    EXPECT_EQ(changes, 4 * (3000 - long(m.DroppedGroups())));
}

// Reads a Poly08 packet bit by bit as the serial line gives it.
std::vector<uint8_t> ReadPacket(MousePoly08& m) {
    std::vector<uint8_t> bytes;
    for (int b = 0; b < 3; ++b) {
        EXPECT_EQ(m.ReadPort(0x8C, 0), 0) << "start bit";
        uint8_t v = 0;
        for (int i = 0; i < 8; ++i) v = uint8_t((v >> 1) | (m.ReadPort(0x8C, 0) & 0x80));
        EXPECT_EQ(m.ReadPort(0x8C, 0), 0x80) << "stop bit";
        bytes.push_back(v);
    }
    return bytes;
}

TEST(MousePoly08, PacketsFromMovesAndButtons) {
    struct Case {
        int dx, dy, middle, right, left;
        std::vector<uint8_t> expected;
    };
    const Case cases[] = {
        {5, -3, 0, 0, 1, {0x83, 0x05, 0xFD}},
        {0, 0, 0, 1, 0, {0x86, 0x00, 0x00}},
        {0, 0, 1, 0, 0, {0x85, 0x00, 0x00}},
        {-128, 127, 0, 0, 0, {0x87, 0x80, 0x7F}},
        {300, -1000, 0, 0, 0, {0x87, 0x7F, 0x80}},  // clamped, not wrapped
    };
    for (const Case& c : cases) {
        testsupport::FlatMachine fm;
        fm.cpu.INTE = 1;
        MousePoly08 m(1, 0, 0);
        m.SetCpu(&fm.cpu);
        EXPECT_EQ(m.ReadPort(0x8C, 0), 0x80) << "idle line";
        m.Move(500, 500, 0, 0, 0);
        EXPECT_FALSE(m.Pending());
        m.Move(500 + c.dx, 500 + c.dy, c.middle, c.right, c.left);
        ASSERT_TRUE(m.Pending());
        m.TakeHostInput();
        m.Tick(0, MousePoly08::kPacketCycles - 1);
        EXPECT_EQ(fm.cpu.IntRequest, 0);
        m.Tick(0, 1);
        EXPECT_EQ(fm.cpu.IntRequest, 1);
        EXPECT_EQ(ReadPacket(m), c.expected) << c.dx << "," << c.dy;
        EXPECT_FALSE(m.Pending());
        EXPECT_EQ(m.ReadPort(0x8C, 0), 0x80);
    }
}

TEST(MousePoly08, AMoveCountsFromWhenItIsTaken) {
    testsupport::FlatMachine fm;
    fm.cpu.INTE = 1;
    MousePoly08 m(1, 0, 0);
    m.SetCpu(&fm.cpu);
    m.Move(0, 0, 0, 0, 0);
    m.Move(4, 0, 0, 0, 0);
    EXPECT_TRUE(m.Pending());
    EXPECT_EQ(m.Quiet(), INT32_MAX);
    m.Tick(0, MousePoly08::kPacketCycles - 1);  // before it was taken
    EXPECT_EQ(m.InterruptPhase(), 0);
    m.TakeHostInput();
    EXPECT_EQ(m.Quiet(), MousePoly08::kPacketCycles - 1);
    m.Tick(0, MousePoly08::kPacketCycles - 1);
    EXPECT_EQ(fm.cpu.IntRequest, 0);
    m.Tick(0, 1);
    EXPECT_EQ(fm.cpu.IntRequest, 1);
    EXPECT_EQ(ReadPacket(m), (std::vector<uint8_t>{0x87, 4, 0}));
    EXPECT_FALSE(m.Pending());
    EXPECT_EQ(m.Quiet(), INT32_MAX);
}

TEST(MousePoly08, MovesWhilePendingAreIgnoredAndTheRestOfAClampFollows) {
    testsupport::FlatMachine fm;
    MousePoly08 m(1, 0, 0);
    m.SetCpu(&fm.cpu);
    m.Move(0, 0, 0, 0, 0);
    m.Move(300, 0, 0, 0, 0);
    m.Move(300, 0, 0, 0, 1);  // pending: the left press is lost
    m.TakeHostInput();
    m.Tick(0, MousePoly08::kPacketCycles);
    EXPECT_EQ(ReadPacket(m), (std::vector<uint8_t>{0x87, 127, 0}));
    m.Move(300, 0, 0, 0, 0);
    m.TakeHostInput();
    m.Tick(0, MousePoly08::kPacketCycles);
    EXPECT_EQ(ReadPacket(m), (std::vector<uint8_t>{0x87, 127, 0}));
    m.Move(300, 0, 0, 0, 0);
    m.TakeHostInput();
    m.Tick(0, MousePoly08::kPacketCycles);
    EXPECT_EQ(ReadPacket(m), (std::vector<uint8_t>{0x87, 46, 0}));
    m.Move(300, 0, 0, 0, 0);  // nothing left, nothing changed
    EXPECT_FALSE(m.Pending());
}

TEST(MousePoly08, NoMovementNoInterrupt) {
    testsupport::FlatMachine fm;
    fm.cpu.INTE = 1;
    MousePoly08 m(1, 0, 0);
    m.SetCpu(&fm.cpu);
    m.Move(10, 10, 0, 0, 0);
    m.Move(10, 10, 0, 0, 0);
    m.TakeHostInput();
    for (int i = 0; i < 10; ++i) m.Tick(0, MousePoly08::kPacketCycles);
    EXPECT_EQ(fm.cpu.IntRequest, 0);
    // Without a CPU nothing is sent either.
    MousePoly08 lone(1, 0, 0);
    lone.Move(0, 0, 0, 0, 0);
    lone.Move(3, 0, 0, 0, 0);
    lone.TakeHostInput();
    lone.Tick(0, MousePoly08::kPacketCycles * 2);
    EXPECT_EQ(lone.ReadPort(0x8C, 0), 0x80);
}

TEST(MousePoly08, AnInterruptRoutineOfOurOwnReadsThePacket) {
    FlatMachine fm;
    MousePoly08 m(1, 0, 0);
    m.SetCpu(&fm.cpu);
    fm.cpu.AddPortDevice(0x8C, 0xFF, 0, &m);
    fm.cpu.AddCycleCallback(m.TickHook());
    Asm a;
    a.w(LXI_SP, 0xF000).w(LXI_H, 0x9000).b(EI);
    a.at("idle").b(HLT).to(JMP, "idle");
    a.org(0x38);
    // Three bytes of start bit, eight data bits (least significant first) and stop bit.
    a.b(MVI_B, 3);
    a.at("byte").b(IN, 0x8C).b(MVI_C, 8);
    a.at("bit").b(IN, 0x8C).b(0x17 /* RAL */).b(MOV_A_E).b(0x1F /* RAR */).b(MOV_E_A);
    a.b(DCR_C).to(JNZ, "bit").b(IN, 0x8C).b(0x73 /* MOV M,E */).b(INX_H).b(DCR_B).to(JNZ, "byte");
    a.b(EI).b(RET);
    fm.Load(a.Build());

    fm.RunCycles(100000);
    EXPECT_EQ(fm.cpu.GetHL(), 0x9000) << "no packet without a move";
    m.Move(200, 200, 0, 0, 0);
    m.Move(190, 207, 0, 1, 0);
    m.TakeHostInput();
    fm.RunCycles(MousePoly08::kPacketCycles + 2000);
    EXPECT_EQ(fm.cpu.GetHL(), 0x9003);
    EXPECT_EQ(fm.memory.ReadByte(0x9000), 0x86);
    EXPECT_EQ(fm.memory.ReadByte(0x9001), 0xF6);  // -10
    EXPECT_EQ(fm.memory.ReadByte(0x9002), 0x07);
    fm.RunCycles(200000);
    EXPECT_EQ(fm.cpu.GetHL(), 0x9003) << "one packet per change";
    fm.cpu.RemoveCycleCallback(m.TickHook());
    fm.cpu.RemovePortDevice(0x8C);
}

TEST(Mouse602, TimerCascadeInterruptSamplesThePhases) {
    // Model-1: counter 1 (count 4) clocks counter 0 (count 100), whose
    // falling output interrupts every 400 cycles; the routine samples port 8Ch.
    FlatMachine fm;
    IifTimer timer(0, &fm.cpu);
    timer.EnableCascade(1);
    Mouse602 m(1, 0, 0);
    fm.cpu.AddPortDevice(0x5C, 0xFC, 0, &timer);
    fm.cpu.AddPortDevice(0x8C, 0xFF, 0, &m);
    fm.cpu.AddCycleCallback(timer.TickHook());
    fm.cpu.AddCycleCallback(m.TickHook());
    Asm a;
    a.w(LXI_SP, 0xF000).w(LXI_H, 0x9000);
    a.b(MVI_A, 0x74).b(OUT, 0x5F).b(MVI_A, 4).b(OUT, 0x5D).b(XRA_A).b(OUT, 0x5D);
    a.b(MVI_A, 0x34).b(OUT, 0x5F).b(MVI_A, 100).b(OUT, 0x5C).b(XRA_A).b(OUT, 0x5C);
    a.b(EI);
    a.at("idle").b(HLT).to(JMP, "idle");
    a.org(0x38);
    a.b(PUSH_PSW).b(IN, 0x8C).b(MOV_M_A).b(MOV_A_H).b(CPI, 0x9F).to(JNC, "full").b(INX_H);
    a.at("full").b(POP_PSW).b(EI).b(RET);
    fm.Load(a.Build());
    fm.RunCycles(5000);
    m.Move(50, 50, 0, 0, 0);
    m.Move(52, 50, 0, 0, 0);
    m.TakeHostInput();
    fm.RunCycles(8 * Mouse602::kStepCycles + 5000);
    uint16_t end = fm.cpu.GetHL();
    ASSERT_GT(end, 0x9000 + 30);
    std::vector<uint8_t> runs;
    for (uint16_t p = 0x9000; p < end; ++p) {
        uint8_t v = fm.memory.ReadByte(p);
        if (runs.empty() || runs.back() != v) runs.push_back(v);
    }
    EXPECT_EQ(runs, (std::vector<uint8_t>{0, 4, 12, 8, 0, 4, 12, 8, 0}));
    fm.cpu.RemoveCycleCallback(timer.TickHook());
    fm.cpu.RemoveCycleCallback(m.TickHook());
    fm.cpu.RemovePortDevice(0x8C);
    fm.cpu.RemovePortDevice(0x5C);
}

}  // namespace

namespace {

// While a recording runs, a Poly08 packet goes every 20 ms of emulated time,
// an empty one when nothing moved; a move that comes meanwhile is not lost.
TEST(MousePoly08, SteadyInterruptsFollowEmulatedTimeAlone) {
    testsupport::FlatMachine fm;
    fm.cpu.INTE = 1;
    MousePoly08 m(1, 0, 0);
    m.SetCpu(&fm.cpu);
    m.SetSteadyInterrupts(true);
    m.Tick(0, MousePoly08::kPacketCycles - 1);
    EXPECT_EQ(fm.cpu.IntRequest, 0);
    EXPECT_EQ(m.InterruptPhase(), MousePoly08::kPacketCycles - 1);
    m.Tick(0, 1);
    EXPECT_EQ(fm.cpu.IntRequest, 1);
    EXPECT_EQ(ReadPacket(m), (std::vector<uint8_t>{0x87, 0x00, 0x00}));
    // A move arrives while an empty packet is on the line: it follows next.
    fm.cpu.IntRequest = 0;
    fm.cpu.INTE = 1;
    m.Move(10, 10, 0, 0, 0);
    m.Tick(0, MousePoly08::kPacketCycles);
    EXPECT_EQ(m.ReadPort(0x8C, 0), 0);  // start bit of the empty packet
    m.Move(15, 12, 0, 0, 1);
    ASSERT_TRUE(m.Pending());
    for (int i = 0; i < 29; ++i) m.ReadPort(0x8C, 0);  // the rest of it
    EXPECT_TRUE(m.Pending());
    m.TakeHostInput();
    m.Tick(0, MousePoly08::kPacketCycles);
    EXPECT_EQ(ReadPacket(m), (std::vector<uint8_t>{0x83, 0x05, 0x02}));
    EXPECT_FALSE(m.Pending());
    // The phase can be put back, and out-of-range phases start again at 0.
    m.SetInterruptPhase(123);
    EXPECT_EQ(m.InterruptPhase(), 123);
    m.SetInterruptPhase(MousePoly08::kPacketCycles);
    EXPECT_EQ(m.InterruptPhase(), 0);
    // Off again: no movement, no interrupt.
    m.SetSteadyInterrupts(false);
    fm.cpu.IntRequest = 0;
    m.Tick(0, MousePoly08::kPacketCycles * 3);
    EXPECT_EQ(fm.cpu.IntRequest, 0);
}

}  // namespace
