// Devices on scheduled events against the same devices as per-instruction
// hooks: one program of our own drives the system port's tones, the timer
// interface (sound, interrupts, the USART's clock), the tape's USART and
// Musica; both machines must hear the same levels at the same cycles, take
// the same interrupts and end in the same state.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <tuple>
#include <vector>

#include "machine/core/ModelIndex.h"
#include "machine/cpu/DeviceAttachment.h"
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
