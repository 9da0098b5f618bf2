// The quiet measure of a counter: how many pulses it can take before OUT may
// change. The counts at which OUT changes are the 8253 data sheet's: mode 0
// and 4 at terminal count (N pulses after the load), mode 2 low at count 1
// (N - 1), mode 3 high for ceil(N / 2) pulses and low for floor(N / 2).
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "machine/timer/ChipPIT8253.h"

namespace {

struct OutLog {
    int changes = 0;
    void OnOut(int, int) { ++changes; }
};

void Edge(ChipPIT8253& pit, int counter) {
    pit.Clock(counter, 1);
    pit.Clock(counter, 0);
}

struct QuietCase {
    int mode;
    uint16_t count;
    bool bcd;
    int32_t firstChange;  // pulses after the load until OUT changes
};

// Mode words: counter 0, low then high byte.
uint8_t ControlWord(int mode, bool bcd) { return static_cast<uint8_t>(0x30 | mode << 1 | (bcd ? 1 : 0)); }

class PitQuiet : public ::testing::TestWithParam<QuietCase> {};

TEST_P(PitQuiet, NoOutChangeWithinTheMeasureAndTheMeasureIsNearTheDataSheet) {
    const QuietCase c = GetParam();
    ChipPIT8253 pit;
    OutLog log;
    pit.SetOutHandler(0, MakeClosure<&OutLog::OnOut>(&log));
    pit.SetGate(0, 1);
    pit.Write(3, ControlWord(c.mode, c.bcd));
    pit.Write(0, static_cast<uint8_t>(c.count));
    pit.Write(0, static_cast<uint8_t>(c.count >> 8));
    // The count is loaded by the next edge: nothing is known before.
    EXPECT_EQ(pit.QuietPulses(0), 0);
    Edge(pit, 0);
    log.changes = 0;
    const int32_t quiet = pit.QuietPulses(0);
    EXPECT_LT(quiet, c.firstChange);
    // Odd counts in mode 3 may give one pulse less than they could.
    EXPECT_GE(quiet, c.firstChange - 2);
    for (int32_t i = 0; i < quiet; ++i) Edge(pit, 0);
    EXPECT_EQ(log.changes, 0) << "mode " << c.mode << " count " << c.count;
    // The same through the batched pulses, from a fresh counter.
    ChipPIT8253 batched;
    OutLog batchedLog;
    batched.SetOutHandler(0, MakeClosure<&OutLog::OnOut>(&batchedLog));
    batched.SetGate(0, 1);
    batched.Write(3, ControlWord(c.mode, c.bcd));
    batched.Write(0, static_cast<uint8_t>(c.count));
    batched.Write(0, static_cast<uint8_t>(c.count >> 8));
    Edge(batched, 0);
    batchedLog.changes = 0;
    batched.Pulses(0, batched.QuietPulses(0));
    EXPECT_EQ(batchedLog.changes, 0);
    // Up to the data sheet's change OUT does change.
    for (int32_t i = quiet; i < c.firstChange; ++i) Edge(pit, 0);
    EXPECT_EQ(log.changes, 1) << "mode " << c.mode << " count " << c.count;
}

INSTANTIATE_TEST_SUITE_P(
    Modes, PitQuiet,
    ::testing::Values(QuietCase{0, 100, false, 100}, QuietCase{0, 0x0250, true, 250}, QuietCase{4, 37, false, 37},
                      QuietCase{2, 50, false, 49}, QuietCase{2, 2, false, 1}, QuietCase{3, 1000, false, 500},
                      QuietCase{3, 0x1000, true, 500}, QuietCase{3, 999, false, 500}, QuietCase{3, 7, false, 4},
                      QuietCase{3, 4, false, 2}));

TEST(PitQuietMeasure, DisabledCounterAndFinishedOneShotStayQuiet) {
    ChipPIT8253 pit;
    // Mode 0 with the gate low does not count.
    pit.SetGate(1, 0);
    pit.Write(3, 0x70);  // counter 1, mode 0, low then high
    pit.Write(1, 5);
    pit.Write(1, 0);
    Edge(pit, 1);
    EXPECT_EQ(pit.QuietPulses(1), INT32_MAX);
    // Mode 0 past terminal count: OUT stays high until the next programming.
    pit.SetGate(1, 1);
    for (int i = 0; i < 5; ++i) Edge(pit, 1);
    ASSERT_EQ(pit.GetOut(1), 1);
    EXPECT_EQ(pit.QuietPulses(1), INT32_MAX);
    // A new control word: the next edge loads, nothing is known before.
    pit.Write(3, 0x74);
    pit.Write(1, 3);
    pit.Write(1, 0);
    EXPECT_EQ(pit.QuietPulses(1), 0);
    EXPECT_EQ(pit.QuietPulses(3), INT32_MAX);
}

}  // namespace
