#include <gtest/gtest.h>

#include <vector>

#include "machine/sndif/IfMusica.h"

namespace {

struct LevelEvent {
    int channel;
    int on;
    int32_t cycles;
};

struct Recorder {
    std::vector<LevelEvent> events;
    void OnLevel(int channel, int on, int32_t cycles) { events.push_back({channel, on, cycles}); }
};

class MusicaTest : public ::testing::Test {
protected:
    void SetUp() override { musica.SetSoundSink(MakeClosure<&Recorder::OnLevel>(&rec)); }

    // Counter n, mode 3, binary, low then high byte.
    void ProgramSquare(int counter, uint16_t count) {
        musica.WritePort(0xFF, uint8_t((counter << 6) | 0x30 | (3 << 1)), 0);
        musica.WritePort(uint8_t(0xFC + counter), uint8_t(count & 0xFF), 0);
        musica.WritePort(uint8_t(0xFC + counter), uint8_t(count >> 8), 0);
    }

    // Runs `total` cycles as instructions of `step` cycles inside slices of
    // 4096 cycles; returns the changes with their absolute cycle.
    std::vector<LevelEvent> Run(int32_t total, int32_t step, int32_t& absStart) {
        std::vector<LevelEvent> out;
        int32_t done = 0;
        while (done < total) {
            int32_t sliceBase = absStart - absStart % 4096;
            int32_t clock = absStart - sliceBase;
            int32_t n = std::min(step, total - done);
            rec.events.clear();
            musica.Tick(clock, n);
            for (auto e : rec.events) out.push_back({e.channel, e.on, e.cycles + sliceBase});
            absStart += n;
            done += n;
        }
        return out;
    }

    Recorder rec;
    IfMusica musica;
};

TEST_F(MusicaTest, Mode3Count2048GivesOneKilohertzOnItsChannel) {
    // Each counter separately: its channel is 3 + counter; 2048 cycles at
    // 2.048 MHz are 1 ms, so the level changes every 1024 cycles.
    for (int counter = 0; counter < 3; ++counter) {
        IfMusica m;
        Recorder r;
        m.SetSoundSink(MakeClosure<&Recorder::OnLevel>(&r));
        m.WritePort(0xFF, uint8_t((counter << 6) | 0x36), 0);
        m.WritePort(uint8_t(0xFC + counter), 0x00, 0);
        m.WritePort(uint8_t(0xFC + counter), 0x08, 0);
        r.events.clear();
        // Instructions of 7 cycles, so changes fall inside instructions.
        int32_t pos = 0;
        std::vector<LevelEvent> ev;
        for (int i = 0; i < 20000 / 7; ++i) {
            r.events.clear();
            m.Tick(pos % 4096, 7);
            for (auto e : r.events) ev.push_back({e.channel, e.on, e.cycles - pos % 4096 + pos});
            pos += 7;
        }
        ASSERT_GE(ev.size(), 10u) << "counter " << counter;
        for (auto& e : ev) EXPECT_EQ(e.channel, 3 + counter);
        // Skip the first change (the load); after it the wave is regular.
        for (size_t i = 2; i < ev.size(); ++i) {
            EXPECT_EQ(ev[i].cycles - ev[i - 1].cycles, 1024) << "counter " << counter << " i " << i;
            EXPECT_NE(ev[i].on, ev[i - 1].on);
        }
    }
}

// Counter 1 in mode 3 with count 2048, run for `total` cycles as
// instructions of `step` cycles in slices of 4096; changes in absolute cycles.
std::vector<LevelEvent> RunFresh(int32_t total, int32_t step) {
    IfMusica m;
    Recorder r;
    m.SetSoundSink(MakeClosure<&Recorder::OnLevel>(&r));
    m.WritePort(0xFF, 0x76, 0);
    m.WritePort(0xFD, 0x00, 0);
    m.WritePort(0xFD, 0x08, 0);
    std::vector<LevelEvent> out;
    for (int32_t pos = 0; pos < total; pos += step) {
        int32_t sliceBase = pos - pos % 4096;
        r.events.clear();
        m.Tick(pos - sliceBase, step);
        for (auto e : r.events)
            if (e.channel == 4) out.push_back({e.channel, e.on, e.cycles + sliceBase});
    }
    return out;
}

TEST(Musica, LevelChangesLandAtTheirCycleInsideAnInstruction) {
    // Once cycle by cycle and once in 11-cycle instructions: the same
    // changes at the same cycles, every 1024 cycles.
    std::vector<LevelEvent> fine = RunFresh(12001 * 11, 1);
    std::vector<LevelEvent> coarse = RunFresh(12001 * 11, 11);
    ASSERT_EQ(fine.size(), coarse.size());
    ASSERT_GE(fine.size(), 100u);
    for (size_t i = 0; i < fine.size(); ++i) {
        EXPECT_EQ(fine[i].channel, 4);
        EXPECT_EQ(fine[i].cycles, coarse[i].cycles) << i;
        EXPECT_EQ(fine[i].on, coarse[i].on) << i;
        if (i >= 2) {
            EXPECT_EQ(fine[i].cycles - fine[i - 1].cycles, 1024) << i;
        }
    }
}

TEST_F(MusicaTest, ThreeVoicesRunIndependently) {
    ProgramSquare(0, 2048);
    ProgramSquare(1, 1000);
    ProgramSquare(2, 4);
    int32_t pos = 0;
    std::vector<LevelEvent> ev = Run(30000, 5, pos);
    std::vector<int32_t> last[3];
    for (auto& e : ev) {
        ASSERT_GE(e.channel, 3);
        ASSERT_LE(e.channel, 5);
        last[e.channel - 3].push_back(e.cycles);
    }
    const int32_t half[3] = {1024, 500, 2};
    for (int c = 0; c < 3; ++c) {
        ASSERT_GE(last[c].size(), 5u);
        for (size_t i = 2; i < last[c].size(); ++i)
            EXPECT_EQ(last[c][i] - last[c][i - 1], half[c]) << "counter " << c;
    }
}

TEST_F(MusicaTest, ReadsGiveFFAndCounterValueIsNotVisible) {
    ProgramSquare(0, 0x1234);
    musica.Tick(0, 100);
    for (int port = 0; port < 256; ++port) EXPECT_EQ(musica.ReadPort(uint8_t(port), 0), 0xFF) << port;
}

TEST_F(MusicaTest, PortsOutsideFCToFFAreIgnored) {
    // A control word and count to 5Fh/5Ch (the timer interface's ports) and
    // to F8h-FBh must not program the Musica counters.
    for (int base : {0x5C, 0xF8, 0x7C, 0xEC}) {
        musica.WritePort(uint8_t(base + 3), 0x36, 0);
        musica.WritePort(uint8_t(base), 0x04, 0);
        musica.WritePort(uint8_t(base), 0x00, 0);
    }
    rec.events.clear();
    musica.Tick(0, 5000);
    EXPECT_TRUE(rec.events.empty());
    // The same writes through FCh/FFh do program it.
    musica.WritePort(0xFF, 0x36, 0);
    musica.WritePort(0xFC, 0x04, 0);
    musica.WritePort(0xFC, 0x00, 0);
    musica.Tick(0, 100);
    EXPECT_FALSE(rec.events.empty());
}

TEST_F(MusicaTest, ResetKeepsCountersAndNoSinkIsSafe) {
    ProgramSquare(2, 8);
    musica.Tick(0, 3);
    uint16_t before = musica.pit.GetCount(2);
    musica.Reset(0);
    EXPECT_EQ(musica.pit.GetCount(2), before);
    IfMusica silent;
    silent.WritePort(0xFF, 0x36, 0);
    silent.WritePort(0xFC, 2, 0);
    silent.WritePort(0xFC, 0, 0);
    silent.Tick(0, 1000);  // no sink: nothing to call
    // Gates are 1 from construction: the counter runs.
    EXPECT_EQ(silent.pit.GetGate(0), 1);
    EXPECT_EQ(silent.pit.GetGate(1), 1);
    EXPECT_EQ(silent.pit.GetGate(2), 1);
}

}  // namespace
