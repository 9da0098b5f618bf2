// Devices on scheduled events against the same devices as per-instruction
// hooks: one program of our own drives the system port's tones, the timer
// interface (sound, interrupts, the USART's clock), the tape's USART and
// Musica; both machines must hear the same levels at the same cycles, take
// the same interrupts and end in the same state.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <tuple>
#include <vector>

#include "machine/core/ModelIndex.h"
#include "machine/cpu/DeviceAttachment.h"
#include "machine/input/Mouse.h"
#include "machine/pio/SystemPIO.h"
#include "machine/sndif/IfMusica.h"
#include "machine/tape/IifTape.h"
#include "machine/timer/IifTimer.h"
#include "tests/support/FlatMachine.h"

using namespace testsupport;

namespace {

using Level = std::tuple<int, int, int32_t, uint32_t>;  // channel, on, slice clock, total clock

std::vector<uint8_t> Program() {
    Asm a;
    a.to(JMP, "start");
    // RST 7: count the interrupt and keep the timer's counter 1.
    a.org(0x38).b(PUSH_PSW).w(LDA, 0x9000).b(INR_A).w(STA, 0x9000);
    a.b(MVI_A, 0x40).b(OUT, 0x5F).b(IN, 0x5D).w(STA, 0x9001).b(IN, 0x5D).w(STA, 0x9002);
    a.b(POP_PSW).b(EI).b(RET);
    a.org(0x100).at("start").w(LXI_SP, 0x8000);
    a.b(MVI_A, 0x82).b(OUT, 0x87);   // system port: A, C out; B in
    a.b(MVI_A, 0x03).b(OUT, 0x87);   // PC1: the 4 kHz tone
    a.b(MVI_A, 0x36).b(OUT, 0x5F);   // timer 0: square wave, 0555h
    a.b(MVI_A, 0x55).b(OUT, 0x5C).b(MVI_A, 0x05).b(OUT, 0x5C);
    a.b(MVI_A, 0x74).b(OUT, 0x5F);   // timer 1: rate generator, 37h (odd)
    a.b(MVI_A, 0x37).b(OUT, 0x5D).b(MVI_A, 0x00).b(OUT, 0x5D);
    a.b(MVI_A, 0x36).b(OUT, 0xFF);   // Musica 0: square wave, 0123h (odd)
    a.b(MVI_A, 0x23).b(OUT, 0xFC).b(MVI_A, 0x01).b(OUT, 0xFC);
    a.b(MVI_A, 0x76).b(OUT, 0xFF);   // Musica 1: square wave, 0400h
    a.b(MVI_A, 0x00).b(OUT, 0xFD).b(MVI_A, 0x04).b(OUT, 0xFD);
    a.b(MVI_A, 0xB4).b(OUT, 0xFF);   // Musica 2: rate generator, 0077h
    a.b(MVI_A, 0x77).b(OUT, 0xFE).b(MVI_A, 0x00).b(OUT, 0xFE);
    a.b(MVI_A, 0x4D).b(OUT, 0x1D);   // USART: asynchronous, 8 bits, 1 stop
    a.b(MVI_A, 0x37).b(OUT, 0x1D);   // transmitter and receiver on
    a.b(EI).w(LXI_H, 0xA000);
    a.at("loop").b(MOV_A_M).b(INR_A).b(MOV_M_A).b(INX_H);
    a.b(MOV_A_H).b(ANI, 0x3F).to(JNZ, "loop");
    a.w(LDA, 0x9003).b(0xEE).b(0x01).w(STA, 0x9003).b(OUT, 0x87);  // PC0: the 1 kHz tone on and off
    a.b(IN, 0x1D).b(ANI, 0x01).to(JZ, "skip");                   // transmitter ready: send a byte
    a.w(LDA, 0x9004).b(INR_A).w(STA, 0x9004).b(OUT, 0x1C);
    a.at("skip").b(MVI_A, 0x00).b(OUT, 0xFF).b(IN, 0xFC).w(STA, 0x9005).b(IN, 0xFC).w(STA, 0x9006);
    a.b(MOV_A_H).b(CPI, 0xB0).to(JC, "loop").w(LXI_H, 0xA000).to(JMP, "loop");
    return a.Build();
}

struct Rig {
    explicit Rig(int timerModel, bool scheduled) : timer(timerModel, &m.cpu) {
        const SoundLevelSink sink = MakeClosure<&Rig::OnLevel>(this);
        pio.SetSoundSink(sink);
        timer.SetSoundSink(sink);
        timer.EnableSound(1);
        timer.SetInterruptHook(1, MakeClosure<&Rig::Ask>(this));
        timer.SetOutputListener(MakeClosure<&IifTape::OnTimerOut>(&tape));
        tape.SetSoundSink(sink);
        // A block plays at normal speed and is heard: its half-bits reach the sound.
        tape.SetEventHandler(MakeClosure<&Rig::OnTapeEvent>(this));
        static const uint8_t kBlock[] = {0x55, 0xAA, 0x0F, 0xF0, 0x3C, 0xC3, 0x01, 0x80};
        tape.StartBlock(kBlock, sizeof kBlock, 1, 0, 0);
        musica.SetSoundSink(sink);
        auto quiet = [scheduled](QuietHook q) { return scheduled ? q : QuietHook(); };
        places[0].Attach(m.cpu, &pio, {{0x84, 0x8C, 1}}, pio.TickHook(), quiet(pio.QuietMeasure()));
        places[1].Attach(m.cpu, &timer, {{0x5C, 0xFC, 0}}, timer.TickHook(), quiet(timer.QuietMeasure()));
        places[2].Attach(m.cpu, &tape, {{0x1C, 0xFC, 1}}, tape.TickHook(), quiet(tape.QuietMeasure()));
        places[3].Attach(m.cpu, &musica, {{0xFC, 0xFC, 0}}, musica.TickHook(), quiet(musica.QuietMeasure()));
        m.Load(Program());
    }
    // As the sound driver: a level already set is no change.
    void OnLevel(int channel, int on, int32_t cycles) {
        if (last[channel] == on) return;
        last[channel] = on;
        levels.emplace_back(channel, on, cycles, m.cpu.TotalClock);
    }
    uint8_t Ask() { return 1; }
    uint8_t OnTapeEvent(int event) { return event == TapeEventMonitor ? 1 : 0; }

    // Steps with the slice runner's clock stretch: 12 gathered cycles add one.
    void Run(int64_t cycles) {
        int32_t extra = 0;
        while (cycles > 0) {
            const int32_t c = m.cpu.Step();
            extra += c;
            const int32_t n = (extra - 1) / 12;
            extra -= n * 12;
            m.cpu.SliceClock += n;
            m.cpu.LastCycles += n;
            m.cpu.TotalClock += static_cast<uint32_t>(n);
            cycles -= c + n;
            if (m.cpu.SliceClock >= 4096) m.cpu.SliceClock -= 4096;
        }
        m.cpu.SyncDevices();
    }

    FlatMachine m;
    SystemPIO pio{kModel2A, &m.memory};
    IifTimer timer;
    IifTape tape{kModel2A};
    IfMusica musica;
    std::array<DeviceAttachment, 4> places;
    std::vector<Level> levels;
    std::array<int, 8> last{-1, -1, -1, -1, -1, -1, -1, -1};
};

void ExpectSameMachine(Rig& hooks, Rig& events) {
    ChipCpu8080& a = hooks.m.cpu;
    ChipCpu8080& b = events.m.cpu;
    EXPECT_EQ(a.TotalClock, b.TotalClock);
    EXPECT_EQ(a.InstructionCounter, b.InstructionCounter);
    EXPECT_EQ(a.PC, b.PC);
    EXPECT_EQ(a.GetPSW(), b.GetPSW());
    EXPECT_EQ(a.GetHL(), b.GetHL());
    for (int address = 0x9000; address < 0x9008; ++address)
        EXPECT_EQ(hooks.m.memory.ReadByte(address), events.m.memory.ReadByte(address)) << std::hex << address;
    uint8_t pa[ChipPIT8253::StateSize], pb[ChipPIT8253::StateSize];
    hooks.timer.GetPit().GetState(pa, ChipPIT8253::StateSize);
    events.timer.GetPit().GetState(pb, ChipPIT8253::StateSize);
    for (int i = 0; i < ChipPIT8253::StateSize; ++i) EXPECT_EQ(pa[i], pb[i]) << "timer byte " << i;
    hooks.musica.GetPit().GetState(pa, ChipPIT8253::StateSize);
    events.musica.GetPit().GetState(pb, ChipPIT8253::StateSize);
    for (int i = 0; i < ChipPIT8253::StateSize; ++i) EXPECT_EQ(pa[i], pb[i]) << "Musica byte " << i;
    EXPECT_EQ(hooks.pio.leds.load(), events.pio.leds.load());
    EXPECT_EQ(hooks.pio.toneSteps, events.pio.toneSteps);
    EXPECT_EQ(hooks.tape.Quiet(), events.tape.Quiet());
    ASSERT_EQ(hooks.levels.size(), events.levels.size());
    for (size_t i = 0; i < hooks.levels.size(); ++i) ASSERT_EQ(hooks.levels[i], events.levels[i]) << "level " << i;
}

class EventScheduling : public ::testing::TestWithParam<int> {};

TEST_P(EventScheduling, SameLevelsInterruptsAndStateAsPerInstructionHooks) {
    Rig hooks(GetParam(), false);
    Rig events(GetParam(), true);
    for (int part = 0; part < 4; ++part) {
        hooks.Run(500000);
        events.Run(500000);
        ExpectSameMachine(hooks, events);
    }
    // The program really ran its devices: interrupts, sent bytes, tones.
    if (GetParam() != kModelC2717) {
        EXPECT_GT(hooks.m.memory.ReadByte(0x9000), 0);
    }
    EXPECT_GT(hooks.levels.size(), 100u);
}

INSTANTIATE_TEST_SUITE_P(TimerWirings, EventScheduling, ::testing::Values(kModel2A, kModel1, kModelC2717));

// The mice: host moves come between two instructions in the middle of a
// slice, as the window's thread makes them; both machines take them at the
// next slice start and must then count the same cycles, with a tape
// interface's half-bit events (every 853 cycles) or without any other device.
struct HostMove {
    int slice;
    int32_t at;  // slice clock
    int32_t x, y;
    int left;
};

struct MouseRig {
    MouseRig(bool poly08, bool withTape, bool scheduled) {
        auto quiet = [scheduled](QuietHook q) { return scheduled ? q : QuietHook(); };
        if (poly08) {
            auto p = std::make_unique<MousePoly08>(1, 0, 0);
            p->SetCpu(&m.cpu);
            mouse = std::move(p);
        } else {
            mouse = std::make_unique<Mouse602>(1, 0, 0);
        }
        places[0].Attach(m.cpu, mouse.get(), {{0x8C, 0xFF, 0}}, mouse->TickHook(), quiet(mouse->QuietMeasure()));
        if (withTape) places[1].Attach(m.cpu, &tape, {{0x1C, 0xFC, 1}}, tape.TickHook(), quiet(tape.QuietMeasure()));
        Asm a;
        a.to(JMP, "start");
        // Poly08: keep the main loop's count at each interrupt, read the packet's 30 bits.
        a.org(0x38).b(PUSH_PSW).b(0xC5 /* PUSH B */).b(0x73 /* MOV M,E */).b(INX_H).b(0x72 /* MOV M,D */).b(INX_H);
        a.b(MVI_B, 30).at("bit").b(IN, 0x8C).b(DCR_B).to(JNZ, "bit");
        a.b(0xC1 /* POP B */).b(POP_PSW).b(EI).b(RET);
        a.org(0x100).at("start").w(LXI_SP, 0x8000).w(LXI_H, 0x9000).w(LXI_D, 0).b(MVI_B, 0);
        if (poly08) {
            a.b(EI).at("count").b(0x13 /* INX D */).to(JMP, "count");
        } else {
            // 602: look at the port about every 330 cycles; keep the count and the phase at each change.
            a.at("loop").b(0x13 /* INX D */).b(MVI_C, 20).at("delay").b(DCR_C).to(JNZ, "delay");
            a.b(IN, 0x8C).b(0xB8 /* CMP B */).to(JZ, "loop");
            a.b(MOV_B_A).b(0x73 /* MOV M,E */).b(INX_H).b(0x72 /* MOV M,D */).b(INX_H).b(MOV_M_A).b(INX_H);
            a.w(LXI_D, 0).to(JMP, "loop");
        }
        m.Load(a.Build());
    }

    // One slice as the slice runner runs it; the moves due in it come at their clock.
    void Slice(int index, const std::vector<HostMove>& moves) {
        ChipCpu8080& c = m.cpu;
        c.SyncDevices();
        mouse->TakeHostInput();
        c.ScheduleEvents();
        size_t next = 0;
        while (next < moves.size() && moves[next].slice != index) ++next;
        int32_t extra = 0;
        while (c.SliceClock < 4096) {
            if (next < moves.size() && moves[next].slice == index && c.SliceClock >= moves[next].at) {
                const HostMove& h = moves[next++];
                mouse->Move(h.x, h.y, 0, 0, h.left);
            }
            const int32_t cycles = c.Step();
            extra += cycles;
            const int32_t n = (extra - 1) / 12;
            extra -= n * 12;
            c.SliceClock += n;
            c.LastCycles += n;
            c.TotalClock += static_cast<uint32_t>(n);
        }
        c.SyncDevices();
        c.SliceClock -= 4096;
    }

    FlatMachine m;
    IifTape tape{kModel2A};
    std::unique_ptr<MouseBase> mouse;
    std::array<DeviceAttachment, 2> places;
};

class MouseScheduling : public ::testing::TestWithParam<std::tuple<bool, bool>> {};

TEST_P(MouseScheduling, MovesInTheMiddleOfASliceCountAsWithPerInstructionHooks) {
    const auto [poly08, withTape] = GetParam();
    MouseRig hooks(poly08, withTape, false);
    MouseRig events(poly08, withTape, true);
    // The first sets the position; one comes while the phases of the one
    // before still run; the Poly08 ignores those that come while a packet waits.
    const std::vector<HostMove> moves = {
        {1, 100, 500, 500, 0},  {3, 1500, 503, 500, 0}, {4, 3900, 503, 498, 1}, {5, 2222, 500, 498, 0},
        {18, 700, 510, 505, -1}, {31, 3000, 505, 505, 0}, {44, 4000, 505, 509, 1}, {45, 10, 506, 509, 0},
    };
    for (int slice = 0; slice < 60; ++slice) {
        hooks.Slice(slice, moves);
        events.Slice(slice, moves);
        ASSERT_EQ(hooks.m.cpu.TotalClock, events.m.cpu.TotalClock) << "slice " << slice;
        ASSERT_EQ(hooks.mouse->Quiet(), events.mouse->Quiet()) << "slice " << slice;
        ASSERT_EQ(hooks.mouse->InterruptPhase(), events.mouse->InterruptPhase()) << "slice " << slice;
    }
    EXPECT_EQ(hooks.m.cpu.InstructionCounter, events.m.cpu.InstructionCounter);
    EXPECT_EQ(hooks.m.cpu.PC, events.m.cpu.PC);
    EXPECT_EQ(hooks.m.cpu.GetHL(), events.m.cpu.GetHL());
    EXPECT_EQ(hooks.m.cpu.GetDE(), events.m.cpu.GetDE());
    for (int address = 0x9000; address < 0x9200; ++address)
        ASSERT_EQ(hooks.m.memory.ReadByte(address), events.m.memory.ReadByte(address)) << std::hex << address;
    // The program saw the mouse: packets, or phase changes.
    EXPECT_GE(hooks.m.cpu.GetHL(), poly08 ? 0x9000 + 2 * 3 : 0x9000 + 3 * 20);
}

INSTANTIATE_TEST_SUITE_P(MiceWithAndWithoutTape, MouseScheduling,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool()));

TEST(EventSchedulingCpu, AHookWithoutAQuietMeasureStillRunsEveryInstruction) {
    struct Count {
        int calls = 0;
        int32_t cycles = 0;
        void Tick(int32_t, int32_t n) {
            ++calls;
            cycles += n;
        }
        int32_t Quiet() { return 1000000; }
    } plain, scheduled;
    FlatMachine m;  // RAM of zeros: NOPs of 4 cycles
    m.cpu.AddCycleCallback(MakeClosure<&Count::Tick>(&plain));
    m.cpu.AddCycleCallback(MakeClosure<&Count::Tick>(&scheduled), MakeClosure<&Count::Quiet>(&scheduled));
    for (int i = 0; i < 100; ++i) m.cpu.Step();
    EXPECT_EQ(plain.calls, 100);
    // With a plain hook present every instruction is an event for all.
    EXPECT_EQ(scheduled.calls, 100);
    m.cpu.RemoveCycleCallback(MakeClosure<&Count::Tick>(&plain));
    m.cpu.Step();  // the event that asks the measure again
    scheduled.calls = 0;
    scheduled.cycles = 0;
    for (int i = 0; i < 100; ++i) m.cpu.Step();
    EXPECT_EQ(scheduled.calls, 0);
    // Syncing hands over the cycles owed up to the last instruction: the
    // event's own NOP and 99 more.
    m.cpu.SyncDevices();
    EXPECT_EQ(scheduled.calls, 1);
    EXPECT_EQ(scheduled.cycles, 400);
    // A port access brings it up to the accessing instruction.
    m.Load({0xDB, 0x10}, m.cpu.PC);  // IN 10h
    m.cpu.Step();
    EXPECT_EQ(scheduled.calls, 2);
    EXPECT_EQ(scheduled.cycles, 404);
}

}  // namespace
