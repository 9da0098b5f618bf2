#include <gtest/gtest.h>
#include <vector>
#include "machine/cpu/ChipCpu8080.h"
#include "machine/cpu/ChipMemoryModels.h"
#include "machine/timer/IifTimer.h"

namespace {

constexpr int kModel1 = 0, kModel2 = 1, kModelAlfa = 5, kModelAlfa2 = 6, kModelC2717 = 7;

struct SinkCall {
    int channel, on;
    int32_t cycles;
    bool operator==(const SinkCall& o) const { return channel == o.channel && on == o.on && cycles == o.cycles; }
};

struct Listener {
    std::vector<SinkCall> sound;
    std::vector<int> outs;
    int hookCalls = 0;
    uint8_t hookResult = 1;
    void Sink(int channel, int on, int32_t cycles) { sound.push_back({channel, on, cycles}); }
    void Out(int counter, int level) { outs.push_back(level); }
    uint8_t Hook() {
        hookCalls++;
        return hookResult;
    }
};

struct Machine {
    ChipMemory2A memory{4};
    ChipCpu8080 cpu{memory};
    Machine() { cpu.INTE = 1; }
};

void Program(IifTimer& t, int counter, uint8_t modeBits, uint16_t count) {
    // two-byte access
    t.WritePort(0x5F, static_cast<uint8_t>(counter << 6 | 0x30 | modeBits << 1), 0);
    t.WritePort(static_cast<uint8_t>(0x5C + counter), static_cast<uint8_t>(count), 0);
    t.WritePort(static_cast<uint8_t>(0x5C + counter), static_cast<uint8_t>(count >> 8), 0);
}

uint16_t ReadCount(IifTimer& t, int counter) {
    uint8_t lo = t.ReadPort(static_cast<uint8_t>(0x5C + counter), 0);
    uint8_t hi = t.ReadPort(static_cast<uint8_t>(0x5C + counter), 0);
    return static_cast<uint16_t>(lo | hi << 8);
}

void RunCycles(IifTimer& t, int64_t cycles, int32_t chunk = 4000) {
    while (cycles > 0) {
        int32_t n = cycles < chunk ? static_cast<int32_t>(cycles) : chunk;
        t.Tick(0, n);
        cycles -= n;
    }
}

TEST(IifTimer, OneHertzTimeBaseOnCounter2) {
    IifTimer t(kModel2, nullptr);
    Program(t, 2, 2, 3);  // mode 2, count 3: the first edge loads it
    RunCycles(t, 1023999);
    EXPECT_EQ(ReadCount(t, 2), 0xFFFF);
    RunCycles(t, 1);  // first falling edge half a second after start
    EXPECT_EQ(ReadCount(t, 2), 3);
    RunCycles(t, 2047999);
    EXPECT_EQ(ReadCount(t, 2), 3);
    RunCycles(t, 1);  // then one falling edge every 2,048,000 cycles
    EXPECT_EQ(ReadCount(t, 2), 2);
    RunCycles(t, 2048000);
    EXPECT_EQ(ReadCount(t, 2), 1);
}

TEST(IifTimer, Counters0And1RunOnlyWithAListener) {
    IifTimer t(kModel2, nullptr);
    Program(t, 0, 0, 100);
    Program(t, 1, 0, 100);
    RunCycles(t, 50);
    EXPECT_EQ(ReadCount(t, 0), 0xFFFF);
    EXPECT_EQ(ReadCount(t, 1), 0xFFFF);
    EXPECT_EQ(t.IsCounter1Running(), 0);

    Listener l;
    t.SetOutputListener(MakeClosure<&Listener::Out>(&l));
    EXPECT_EQ(t.IsCounter1Running(), 1);
    RunCycles(t, 1 + 40);  // load, then 40 steps
    EXPECT_EQ(ReadCount(t, 1), 60);
    EXPECT_EQ(ReadCount(t, 0), 0xFFFF);
    RunCycles(t, 60);
    ASSERT_FALSE(l.outs.empty());
    EXPECT_EQ(l.outs.back(), 1);  // terminal count of counter 1 reached the listener

    EXPECT_TRUE(t.SetOutputListener(IifTimer::OutputListener()) == MakeClosure<&Listener::Out>(&l));
    EXPECT_EQ(t.IsCounter1Running(), 0);
}

TEST(IifTimer, AlfaHasNoTapeListenerSoCounter1Stays) {
    IifTimer t(kModelAlfa, nullptr);
    EXPECT_EQ(t.IsCounter1Running(), 0);
    Program(t, 1, 0, 100);
    RunCycles(t, 1000);
    EXPECT_EQ(ReadCount(t, 1), 0xFFFF);
}

TEST(IifTimer, Counter0DrivesSoundChannel2AtTheCyclePosition) {
    IifTimer t(kModel1, nullptr);
    Listener l;
    t.SetSoundSink(MakeClosure<&Listener::Sink>(&l));
    t.EnableSound(1);
    ASSERT_EQ(t.IsSoundEnabled(), 1);
    Program(t, 0, 3, 4);  // square wave, 2 cycles high, 2 low
    l.sound.clear();
    t.Tick(100, 10);  // cycles at positions 100..109; 100 loads the count
    const std::vector<SinkCall> expected = {{2, 0, 102}, {2, 1, 104}, {2, 0, 106}, {2, 1, 108}};
    EXPECT_EQ(l.sound, expected);
}

TEST(IifTimer, SoundIsForcedOffOutsideTheFirstFourModels) {
    for (int model : {kModelAlfa, kModelAlfa2, kModelC2717}) {
        IifTimer t(model, nullptr);
        t.EnableSound(1);
        EXPECT_EQ(t.IsSoundEnabled(), 0) << model;
    }
}

TEST(IifTimer, Counter0ListenerOrder) {
    // With a sink and a hook both hear counter 0: the sink every change,
    // the hook each falling edge, and its answer still interrupts.
    {
        Machine m;
        IifTimer t(kModel1, &m.cpu);
        Listener l;
        t.SetSoundSink(MakeClosure<&Listener::Sink>(&l));
        t.EnableSound(1);
        t.SetInterruptHook(1, MakeClosure<&Listener::Hook>(&l));
        Program(t, 0, 2, 3);  // OUT falls on cycles 3, 6, 9
        t.Tick(0, 10);
        int falls = 0;
        for (const SinkCall& c : l.sound) falls += c.on == 0 ? 1 : 0;
        EXPECT_EQ(falls, 3);
        EXPECT_EQ(l.hookCalls, 3);
        EXPECT_EQ(m.cpu.IntRequest, 1);
    }
    // Then the interrupt hook, asked on falling output only.
    {
        Machine m;
        IifTimer t(kModel1, &m.cpu);
        Listener l;
        l.hookResult = 0;
        t.SetInterruptHook(1, MakeClosure<&Listener::Hook>(&l));
        Program(t, 0, 2, 3);  // OUT falls on cycles 3, 6, 9
        t.Tick(0, 10);
        EXPECT_EQ(l.hookCalls, 3);
        EXPECT_EQ(m.cpu.IntRequest, 0);
        l.hookResult = 1;
        t.Tick(0, 3);
        EXPECT_EQ(l.hookCalls, 4);
        EXPECT_EQ(m.cpu.IntRequest, 1);
    }
    // The hook is forced off beyond model 3: counter 0 is not even clocked.
    {
        Machine m;
        IifTimer t(kModelAlfa, &m.cpu);
        Listener l;
        t.SetInterruptHook(1, MakeClosure<&Listener::Hook>(&l));
        Program(t, 0, 2, 3);
        t.Tick(0, 10);
        EXPECT_EQ(l.hookCalls, 0);
        EXPECT_EQ(ReadCount(t, 0), 0xFFFF);
    }
}

TEST(IifTimer, Model1CascadeInterruptsOnCounter0FallingOutput) {
    Machine m;
    IifTimer t(kModel1, &m.cpu);
    Listener l;
    l.hookResult = 0;
    // A MIF 85 style hook does not make counter 0 run at the CPU clock too.
    t.SetInterruptHook(1, MakeClosure<&Listener::Hook>(&l));
    t.EnableCascade(1);
    EXPECT_EQ(t.IsCounter1Running(), 1);
    Program(t, 0, 2, 2);  // counted by counter 1's output
    Program(t, 1, 2, 4);  // OUT 1 falls on cycles 4, 8, ...
    t.Tick(0, 7);  // one falling edge of counter 1: counter 0 loads 2
    EXPECT_EQ(m.cpu.IntRequest, 0);
    EXPECT_EQ(ReadCount(t, 0), 2);
    t.Tick(7, 1);  // second: counter 0 reaches 1, OUT 0 falls
    EXPECT_EQ(m.cpu.IntRequest, 1);
    EXPECT_EQ(l.hookCalls, 1);  // the hook saw the edge too

    t.EnableCascade(0);
    EXPECT_EQ(t.IsCounter1Running(), 0);
    IifTimer other(kModel2, &m.cpu);
    other.EnableCascade(1);
    EXPECT_EQ(other.IsCounter1Running(), 0);
}

TEST(IifTimer, Model1CascadeWithSoundClocksCounter0OnceAndStillInterrupts) {
    // The mouse cascade together with Musica (sound on channel 2): counter 0
    // counts counter 1's falling edges only, the sink hears it and the
    // falling output still interrupts.
    Machine m;
    IifTimer t(kModel1, &m.cpu);
    Listener l;
    t.SetSoundSink(MakeClosure<&Listener::Sink>(&l));
    t.EnableSound(1);
    t.EnableCascade(1);
    Program(t, 1, 2, 4);     // OUT 1 falls every 4 cycles
    Program(t, 0, 2, 1000);  // rate generator
    t.Tick(0, 4);            // first edge of counter 1 loads counter 0
    t.Tick(4, 40);           // ten more edges
    EXPECT_EQ(ReadCount(t, 0), 1000 - 10);
    // Counter 0 reaches 1 after 999 counted edges: its output falls.
    m.cpu.IntRequest = 0;
    for (int i = 0; i < 989 * 4; i += 4) t.Tick(0, 4);
    EXPECT_EQ(m.cpu.IntRequest, 1);
    ASSERT_FALSE(l.sound.empty());
    EXPECT_EQ(l.sound.back().channel, 2);
    EXPECT_EQ(l.sound.back().on, 0);
}

TEST(IifTimer, ConsulChainsCounter1IntoCounter2) {
    IifTimer t(kModelC2717, nullptr);
    Program(t, 1, 3, 4);  // OUT 1 falls on cycles 3, 7, 11, ...
    Program(t, 2, 2, 3);
    t.Tick(0, 10);
    EXPECT_EQ(ReadCount(t, 2), 2);  // loaded on cycle 3, one step on cycle 7
    t.Tick(10, 1);
    EXPECT_EQ(ReadCount(t, 2), 1);
    // Counter 0 runs only with the output listener, which sits on it.
    Program(t, 0, 3, 2);
    t.Tick(11, 10);
    EXPECT_EQ(ReadCount(t, 0), 0xFFFF);
    Listener l;
    t.SetOutputListener(MakeClosure<&Listener::Out>(&l));
    t.Tick(21, 5);  // load, then OUT toggles on every cycle
    const std::vector<int> expected = {0, 1, 0, 1};
    EXPECT_EQ(l.outs, expected);
}

TEST(IifTimer, PortDecoding) {
    IifTimer t(kModel2, nullptr);
    EXPECT_EQ(t.ReadPort(0x5F, 0), 0xFF);
    EXPECT_EQ(t.ReadPort(0x60, 0), 0xFF);
    t.WritePort(0x60, 0x10, 0);  // not ours
    t.WritePort(0x5F, 0x10, 0);  // counter 0, LSB, mode 0
    t.WritePort(0x5C, 0x42, 0);
    uint8_t s[3];
    t.GetPit().GetState(s, 3);
    EXPECT_EQ(s[0], 0x10);
    EXPECT_EQ(s[1], 0x42);
    t.Reset(0);  // keeps the 8253 state
    t.GetPit().GetState(s, 3);
    EXPECT_EQ(s[1], 0x42);
}

}  // namespace
