#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>
#include "machine/timer/ChipPIT8253.h"

namespace {

struct OutEvent {
    int counter;
    int level;
    int32_t position;
    bool operator==(const OutEvent& o) const {
        return counter == o.counter && level == o.level && position == o.position;
    }
};

struct Recorder {
    std::vector<OutEvent> events;
    int32_t position = 0;
    void OnOut(int counter, int level) { events.push_back({counter, level, position}); }
};

void Edge(ChipPIT8253& pit, int counter) {
    pit.Clock(counter, 1);
    pit.Clock(counter, 0);
}

// OUT after each of n falling edges.
std::string OutsAfterEdges(ChipPIT8253& pit, int counter, int n) {
    std::string s;
    for (int i = 0; i < n; i++) {
        Edge(pit, counter);
        s += pit.GetOut(counter) ? '1' : '0';
    }
    return s;
}

struct ModeCase {
    const char* name;
    uint8_t control;     // counter 0
    uint16_t count;      // written as LSB (RW 1) or LSB, MSB (RW 3)
    bool gateRiseAfter;  // gate low before the count, raised after it
    const char* outs;    // OUT after each falling edge
};

class PitModeTest : public ::testing::TestWithParam<ModeCase> {};

TEST_P(PitModeTest, OutPerFallingEdge) {
    const ModeCase& m = GetParam();
    ChipPIT8253 pit;
    pit.SetGate(0, m.gateRiseAfter ? 0 : 1);
    pit.Write(3, m.control);
    pit.Write(0, static_cast<uint8_t>(m.count));
    if (((m.control >> 4) & 3) == 3) pit.Write(0, static_cast<uint8_t>(m.count >> 8));
    if (m.gateRiseAfter) pit.SetGate(0, 1);
    EXPECT_EQ(OutsAfterEdges(pit, 0, static_cast<int>(std::string(m.outs).size())), m.outs);
}

INSTANTIATE_TEST_SUITE_P(
    AllModes, PitModeTest,
    ::testing::Values(
        // Mode 0: the count loads on the first edge, OUT rises N edges later and stays.
        ModeCase{"Mode0Count3", 0x10, 3, false, "00011111"},
        ModeCase{"Mode0TwoByte", 0x30, 0x0002, false, "00111"},
        // Mode 1: a gate rising edge triggers; OUT low for N edges.
        ModeCase{"Mode1Count3", 0x12, 3, true, "00011111"},
        // Mode 2: OUT low for the one edge before each reload.
        ModeCase{"Mode2Count3", 0x14, 3, false, "1101101101"},
        ModeCase{"Mode2Count2", 0x14, 2, false, "1010101"},
        // Mode 3: square wave, odd counts high one edge longer.
        ModeCase{"Mode3Count4", 0x16, 4, false, "110011001100"},
        ModeCase{"Mode3Count5", 0x16, 5, false, "11100111001110"},
        ModeCase{"Mode3Count3", 0x16, 3, false, "1101101101"},
        ModeCase{"Mode3Count2", 0x16, 2, false, "1010101"},
        ModeCase{"Mode3Count1", 0x16, 1, false, "1010101"},
        ModeCase{"Mode7ActsAs3", 0x1E, 4, false, "110011001100"},
        ModeCase{"Mode6ActsAs2", 0x1C, 3, false, "1101101101"},
        // Mode 4: one-edge strobe at terminal count.
        ModeCase{"Mode4Count3", 0x18, 3, false, "1110111"},
        // Mode 5: gate-triggered strobe.
        ModeCase{"Mode5Count3", 0x1A, 3, true, "1110111"}),
    [](const ::testing::TestParamInfo<ModeCase>& info) { return std::string(info.param.name); });

TEST(Pit8253, Mode0TwoByteCountDropsOutSilently) {
    ChipPIT8253 pit;
    Recorder rec;
    pit.SetOutHandler(0, MakeClosure<&Recorder::OnOut>(&rec));
    pit.SetGate(0, 1);
    pit.Write(3, 0x30);  // mode 0, LSB then MSB
    pit.Write(0, 1);
    pit.Write(0, 0);
    Edge(pit, 0);  // load
    Edge(pit, 0);  // terminal count
    ASSERT_EQ(pit.GetOut(0), 1);
    rec.events.clear();
    pit.Write(0, 2);  // first byte: OUT drops at once, nobody told
    EXPECT_EQ(pit.GetOut(0), 0);
    EXPECT_TRUE(rec.events.empty());
    pit.Write(0, 0);  // completes the count
    EXPECT_TRUE(rec.events.empty());
    EXPECT_EQ(OutsAfterEdges(pit, 0, 4), "0011");
    ASSERT_EQ(rec.events.size(), 1u);
    EXPECT_EQ(rec.events[0].level, 1);
}

TEST(Pit8253, Mode0GateLowPausesCounting) {
    ChipPIT8253 pit;
    pit.SetGate(0, 1);
    pit.Write(3, 0x10);
    pit.Write(0, 3);
    Edge(pit, 0);  // load 3
    Edge(pit, 0);  // 2
    pit.SetGate(0, 0);
    EXPECT_EQ(OutsAfterEdges(pit, 0, 5), "00000");
    EXPECT_EQ(pit.GetCount(0), 2);
    pit.SetGate(0, 1);
    EXPECT_EQ(OutsAfterEdges(pit, 0, 3), "011");
}

TEST(Pit8253, Mode2GateLowForcesOutHighAndRisingEdgeRetriggers) {
    ChipPIT8253 pit;
    pit.SetGate(0, 1);
    pit.Write(3, 0x14);
    pit.Write(0, 3);
    Edge(pit, 0);  // load 3
    Edge(pit, 0);  // 2
    Edge(pit, 0);  // 1, OUT low
    ASSERT_EQ(pit.GetOut(0), 0);
    pit.SetGate(0, 0);
    EXPECT_EQ(pit.GetOut(0), 1);
    Edge(pit, 0);
    EXPECT_EQ(pit.GetCount(0), 1);  // disabled
    pit.SetGate(0, 1);
    Edge(pit, 0);  // retrigger: reload
    EXPECT_EQ(pit.GetCount(0), 3);
    EXPECT_EQ(OutsAfterEdges(pit, 0, 3), "101");
}

TEST(Pit8253, NewCountOnRunningMode2And3TakesEffectAtReload) {
    for (uint8_t control : {uint8_t(0x14), uint8_t(0x16)}) {
        ChipPIT8253 pit;
        pit.SetGate(0, 1);
        pit.Write(3, control);
        pit.Write(0, 6);
        Edge(pit, 0);  // load 6
        Edge(pit, 0);
        uint16_t before = pit.GetCount(0);
        pit.Write(0, 10);  // not newly programmed: no trigger
        EXPECT_EQ(pit.GetCount(0), before);
        // run to the next reload, which takes the new count
        for (int i = 0; i < 10 && pit.GetCount(0) != 10; i++) Edge(pit, 0);
        EXPECT_EQ(pit.GetCount(0), 10) << "control " << int(control);
    }
}

TEST(Pit8253, Mode2And3WithGateLowLoadAtOnce) {
    ChipPIT8253 pit;
    pit.SetGate(1, 0);
    pit.Write(3, 0x54);  // counter 1, LSB, mode 2
    pit.Write(1, 7);
    EXPECT_EQ(pit.GetCount(1), 7);
}

struct BcdCase {
    uint16_t count;
    uint16_t afterOneStep;
};

TEST(Pit8253, BcdDecrementsDecimalAndWraps) {
    const BcdCase cases[] = {
        {0x0000, 0x9999}, {0x0010, 0x0009}, {0x0100, 0x0099},
        {0x1000, 0x0999}, {0x2350, 0x2349}, {0x0001, 0x0000},
    };
    for (const BcdCase& k : cases) {
        ChipPIT8253 pit;
        pit.SetGate(0, 1);
        pit.Write(3, 0x31);  // mode 0, BCD, two bytes
        pit.Write(0, static_cast<uint8_t>(k.count));
        pit.Write(0, static_cast<uint8_t>(k.count >> 8));
        Edge(pit, 0);  // load
        Edge(pit, 0);
        EXPECT_EQ(pit.GetCount(0), k.afterOneStep) << std::hex << k.count;
    }
}

TEST(Pit8253, BcdMode2PeriodIsTenThousandForCountZero) {
    ChipPIT8253 pit;
    pit.SetGate(2, 1);
    pit.Write(3, 0xB5);  // counter 2, two bytes, mode 2, BCD
    pit.Write(2, 0);
    pit.Write(2, 0);
    Edge(pit, 2);  // load
    int lows = 0, firstLow = -1, secondLow = -1;
    for (int i = 1; i <= 20001; i++) {
        Edge(pit, 2);
        if (pit.GetOut(2) == 0) {
            if (lows == 0) firstLow = i;
            if (lows == 1) secondLow = i;
            lows++;
        }
    }
    EXPECT_EQ(firstLow, 9999);
    EXPECT_EQ(secondLow - firstLow, 10000);
}

TEST(Pit8253, LatchHoldsValueAndSecondLatchIsIgnored) {
    ChipPIT8253 pit;
    pit.SetGate(0, 1);
    pit.Write(3, 0x30);
    pit.Write(0, 0x34);
    pit.Write(0, 0x12);
    Edge(pit, 0);  // 1234h
    Edge(pit, 0);  // 1233h
    pit.Write(3, 0x00);  // latch counter 0
    Edge(pit, 0);
    pit.Write(3, 0x00);  // ignored: the first latch is unread
    Edge(pit, 0);
    EXPECT_EQ(pit.Read(0), 0x33);
    Edge(pit, 0);
    EXPECT_EQ(pit.Read(0), 0x12);
    // Unlatched: low then high byte of the live count (1230h).
    EXPECT_EQ(pit.Read(0), 0x30);
    EXPECT_EQ(pit.Read(0), 0x12);
}

TEST(Pit8253, SingleByteReadsAndLatch) {
    ChipPIT8253 pit;
    pit.SetGate(1, 1);
    pit.Write(3, 0x60);  // counter 1, MSB only, mode 0
    pit.Write(1, 0x01);  // CR = 0100h
    Edge(pit, 1);
    EXPECT_EQ(pit.Read(1), 0x01);
    pit.Write(3, 0x40);  // latch counter 1 (0100h)
    Edge(pit, 1);        // 00FFh
    EXPECT_EQ(pit.Read(1), 0x01);  // the latch
    EXPECT_EQ(pit.Read(1), 0x00);  // live again
    pit.Write(3, 0x50);  // counter 1, LSB only
    pit.Write(1, 0x20);
    Edge(pit, 1);
    EXPECT_EQ(pit.Read(1), 0x20);
    EXPECT_EQ(pit.Read(1), 0x20);  // no byte toggle with one-byte access
}

TEST(Pit8253, ControlRegisterReadsFFAndHighControlWordsAreIgnored) {
    ChipPIT8253 pit;
    EXPECT_EQ(pit.Read(3), 0xFF);
    uint8_t before[18], after[18];
    pit.GetState(before, 18);
    pit.Write(3, 0xC0);
    pit.Write(3, 0xFE);
    pit.Write(4, 0x12);
    pit.GetState(after, 18);
    EXPECT_EQ(std::vector<uint8_t>(before, before + 18), std::vector<uint8_t>(after, after + 18));
}

TEST(Pit8253, InitialStateRecord) {
    ChipPIT8253 pit;
    uint8_t s[18];
    pit.GetState(s, 18);
    const uint8_t expected[18] = {0x32, 0xFF, 0xFF, 0x72, 0xFF, 0xFF, 0xB2, 0xFF, 0xFF,
                                  0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00};
    EXPECT_EQ(std::vector<uint8_t>(s, s + 18), std::vector<uint8_t>(expected, expected + 18));
}

TEST(Pit8253, StateRecordLayoutAndPartialCopy) {
    ChipPIT8253 pit;
    pit.SetGate(1, 1);
    pit.Clock(2, 1);
    pit.Write(3, 0x74);  // counter 1, two bytes, mode 2 -> OUT 1
    pit.Write(1, 0x21);
    pit.Write(1, 0x43);
    Edge(pit, 1);  // load 4321h
    uint8_t s[18];
    pit.GetState(s, 18);
    EXPECT_EQ(s[3], 0x74);
    EXPECT_EQ(s[4], 0x21);
    EXPECT_EQ(s[5], 0x43);
    EXPECT_EQ(s[11], 0x21);
    EXPECT_EQ(s[12], 0x43);
    EXPECT_EQ(s[16], 0x80 | 0x20);  // out, gate; clock is low after the edge
    EXPECT_EQ(s[17], 0x10);         // counter 2: clock high
    uint8_t part[18];
    for (uint8_t& b : part) b = 0xAA;
    pit.GetState(part, 4);
    EXPECT_EQ(part[3], 0x74);
    EXPECT_EQ(part[4], 0xAA);
    pit.GetState(nullptr, 18);  // nothing, no crash
}

TEST(Pit8253, StateReplayRestoresControlAndCounts) {
    ChipPIT8253 source;
    source.Write(3, 0x36);  // counter 0, two bytes, mode 3
    source.Write(0, 0x00);
    source.Write(0, 0x08);
    source.Write(3, 0x54);  // counter 1, LSB, mode 2
    source.Write(1, 0x7F);
    source.Write(3, 0xA0);  // counter 2, MSB, mode 0
    source.Write(2, 0x12);
    uint8_t record[9];
    source.GetState(record, 9);

    ChipPIT8253 target;
    Recorder rec;
    target.SetOutHandler(0, MakeClosure<&Recorder::OnOut>(&rec));
    target.SetState(record, 9);
    uint8_t replayed[9];
    target.GetState(replayed, 9);
    EXPECT_EQ(std::vector<uint8_t>(record, record + 9), std::vector<uint8_t>(replayed, replayed + 9));
    // The replayed mode-3 control word raised OUT 0 through the handler.
    ASSERT_FALSE(rec.events.empty());
    EXPECT_EQ(rec.events.back().level, 1);

    // A short record stops early: only counter 0's control and low byte.
    ChipPIT8253 shortTarget;
    shortTarget.SetState(record, 2);
    uint8_t s[9];
    shortTarget.GetState(s, 9);
    EXPECT_EQ(s[0], 0x36);
    EXPECT_EQ(s[1], 0x00);
    EXPECT_EQ(s[3], 0x72);  // counter 1 untouched
}

TEST(Pit8253, OutHandlerSwapReturnsPrevious) {
    ChipPIT8253 pit;
    Recorder a, b;
    auto ca = MakeClosure<&Recorder::OnOut>(&a);
    auto cb = MakeClosure<&Recorder::OnOut>(&b);
    EXPECT_FALSE(pit.SetOutHandler(1, ca).Assigned());
    EXPECT_TRUE(pit.SetOutHandler(1, cb) == ca);
    EXPECT_FALSE(pit.SetOutHandler(3, ca).Assigned());
    pit.Write(3, 0x52);  // counter 1 mode 1: OUT 0 -> 1
    EXPECT_TRUE(a.events.empty());
    ASSERT_EQ(b.events.size(), 1u);
    EXPECT_EQ(b.events[0].counter, 1);
}

TEST(Pit8253, Counter3InputsAreIgnored) {
    ChipPIT8253 pit;
    uint8_t before[18], after[18];
    pit.GetState(before, 18);
    pit.SetGate(3, 1);
    pit.Clock(3, 1);
    pit.Clock(3, 0);
    pit.Pulses(3, 100);
    pit.GetState(after, 18);
    EXPECT_EQ(std::vector<uint8_t>(before, before + 18), std::vector<uint8_t>(after, after + 18));
}

// ------------------------------------------------------------------
// Pulses(n) against n edge pairs, over random programs.

struct Twin {
    ChipPIT8253 bulk, edges;
    Recorder bulkRec, edgeRec;
    Twin() {
        for (int i = 0; i < 3; i++) {
            bulk.SetOutHandler(i, MakeClosure<&Recorder::OnOut>(&bulkRec));
            edges.SetOutHandler(i, MakeClosure<&Recorder::OnOut>(&edgeRec));
        }
    }
    void Write(int reg, uint8_t v) {
        bulk.Write(reg, v);
        edges.Write(reg, v);
    }
    void Gate(int c, int level) {
        bulk.SetGate(c, level);
        edges.SetGate(c, level);
    }
    void Clock(int c, int level) {
        bulk.Clock(c, level);
        edges.Clock(c, level);
    }
    void Pulse(int c, int32_t n) {
        bulk.Pulses(c, n, &bulkRec.position);
        for (int32_t i = 0; i < n; i++) {
            edges.Clock(c, 1);
            edges.Clock(c, 0);
            edgeRec.position++;
        }
    }
    ::testing::AssertionResult Same() {
        uint8_t a[18], b[18];
        bulk.GetState(a, 18);
        edges.GetState(b, 18);
        for (int i = 0; i < 18; i++)
            if (a[i] != b[i])
                return ::testing::AssertionFailure() << "state byte " << i << ": " << int(a[i]) << " vs "
                                                     << int(b[i]);
        if (!(bulkRec.events == edgeRec.events))
            return ::testing::AssertionFailure() << "OUT events differ (" << bulkRec.events.size() << " vs "
                                                 << edgeRec.events.size() << ")";
        return ::testing::AssertionSuccess();
    }
};

uint16_t RandomCount(std::mt19937& rng, bool bcd) {
    int kind = rng() % 4;
    int v;
    if (kind == 0)
        v = rng() % 6;  // 0..5: the edges of every mode
    else if (kind == 1)
        v = rng() % 40;
    else if (kind == 2)
        v = rng() % 400;
    else
        v = rng() % 10000;
    if (!bcd) return static_cast<uint16_t>(kind == 3 ? rng() & 0xFFFF : v);
    if (rng() % 16 == 0) return static_cast<uint16_t>(rng() & 0xFFFF);  // digits above 9 too
    return static_cast<uint16_t>((v / 1000) << 12 | (v / 100 % 10) << 8 | (v / 10 % 10) << 4 | v % 10);
}

TEST(Pit8253Pulses, BulkEqualsEdgeByEdgeOverRandomPrograms) {
    for (uint32_t seed = 1; seed <= 40; seed++) {
        std::mt19937 rng(seed);
        Twin t;
        for (int i = 0; i < 3; i++) t.Gate(i, 1);
        bool bcd[3] = {false, false, false};
        for (int op = 0; op < 400; op++) {
            int c = rng() % 3;
            switch (rng() % 12) {
            case 0:
            case 1: {  // new control word and count
                int rw = 1 + rng() % 3, mode = rng() % 8;
                bcd[c] = rng() % 4 == 0;
                uint8_t control = static_cast<uint8_t>(c << 6 | rw << 4 | mode << 1 | (bcd[c] ? 1 : 0));
                t.Write(3, control);
                uint16_t count = RandomCount(rng, bcd[c]);
                if (rw == 1) t.Write(c, static_cast<uint8_t>(count));
                if (rw == 2) t.Write(c, static_cast<uint8_t>(count >> 8));
                if (rw == 3) {
                    t.Write(c, static_cast<uint8_t>(count));
                    t.Write(c, static_cast<uint8_t>(count >> 8));
                }
                break;
            }
            case 2:  // a count byte alone
                t.Write(c, static_cast<uint8_t>(RandomCount(rng, bcd[c])));
                break;
            case 3:
                t.Gate(c, rng() % 2);
                break;
            case 4:
                t.Write(3, static_cast<uint8_t>(c << 6));  // latch
                break;
            case 5: {
                uint8_t a = t.bulk.Read(c), b = t.edges.Read(c);
                ASSERT_EQ(a, b) << "seed " << seed << " op " << op;
                break;
            }
            case 6:
                t.Clock(c, rng() % 2);
                break;
            case 7:
                t.Pulse(c, 1 + rng() % 3);
                break;
            case 8:
            case 9:
                t.Pulse(c, 1 + rng() % 300);
                break;
            case 10:
                t.Pulse(c, 1 + rng() % 5000);
                break;
            default:
                if (rng() % 8 == 0) t.Pulse(c, 1 + rng() % 70000);
                break;
            }
            ASSERT_TRUE(t.Same()) << "seed " << seed << " op " << op;
        }
    }
}

// Instruction-sized runs, as the cycle hook gives them, with the counters
// reprogrammed, gated and read in between.
TEST(Pit8253Pulses, SmallRunsEqualEdgeByEdge) {
    for (uint32_t seed = 1; seed <= 30; seed++) {
        std::mt19937 rng(seed);
        Twin t;
        for (int i = 0; i < 3; i++) t.Gate(i, 1);
        bool bcd[3] = {false, false, false};
        for (int op = 0; op < 3000; op++) {
            int c = rng() % 3;
            switch (rng() % 64) {
            case 0: {
                int mode = rng() % 6;
                bcd[c] = rng() % 6 == 0;
                t.Write(3, static_cast<uint8_t>(c << 6 | 0x30 | mode << 1 | (bcd[c] ? 1 : 0)));
                uint16_t count = RandomCount(rng, bcd[c]);
                t.Write(c, static_cast<uint8_t>(count));
                t.Write(c, static_cast<uint8_t>(count >> 8));
                break;
            }
            case 1:
                t.Gate(c, rng() % 2);
                break;
            case 2: {
                uint8_t a = t.bulk.Read(c), b = t.edges.Read(c);
                ASSERT_EQ(a, b) << "seed " << seed << " op " << op;
                break;
            }
            case 3:
                t.Clock(c, rng() % 2);
                break;
            default:
                t.Pulse(c, 4 + rng() % 15);
                break;
            }
            ASSERT_TRUE(t.Same()) << "seed " << seed << " op " << op;
        }
    }
}

TEST(Pit8253Pulses, HandlerSeesPositionOfItsPulse) {
    ChipPIT8253 pit;
    Recorder rec;
    pit.SetOutHandler(0, MakeClosure<&Recorder::OnOut>(&rec));
    pit.SetGate(0, 1);
    pit.Write(3, 0x36);  // mode 3, count 1000: OUT toggles every 500 edges
    pit.Write(0, 0xE8);
    rec.events.clear();
    rec.position = 100;
    pit.Write(0, 0x03);
    pit.Pulses(0, 2001, &rec.position);
    EXPECT_EQ(rec.position, 2101);
    // Edge 1 (position 100) loads; OUT falls on edge 501 (position 600).
    ASSERT_EQ(rec.events.size(), 4u);
    EXPECT_EQ(rec.events[0], (OutEvent{0, 0, 600}));
    EXPECT_EQ(rec.events[1], (OutEvent{0, 1, 1100}));
    EXPECT_EQ(rec.events[2], (OutEvent{0, 0, 1600}));
    EXPECT_EQ(rec.events[3], (OutEvent{0, 1, 2100}));
}

}  // namespace
