#include <gtest/gtest.h>

#include <vector>

#include "tests/tape/TapeTestUtil.h"

using namespace tapetest;

namespace {

// A save during an action playback: the recogniser neither keeps the block
// nor announces it, so the tape browser never writes it into a tape file.
TEST(RecorderDiscard, SavedBlocksGoNowhereWhileDiscarding) {
    constexpr int kModel = 2;
    IifTape tape{kModel};
    EventLog log;
    log.Attach(tape);
    tape.WritePort(ControlPort(kModel), kModeX1Bits8Stop2, 0);
    tape.WritePort(ControlPort(kModel), kCommand, 0);
    auto send = [&](uint8_t b) {
        tape.WritePort(DataPort(kModel), b, 0);
        for (int i = 0; i < 100 && !(tape.ReadPort(ControlPort(kModel), 0) & 0x01); ++i) {
            tape.OnTimerOut(1, 1);
            tape.OnTimerOut(1, 0);
        }
    };
    auto block = [&](uint8_t first) {
        for (int i = 0; i < 48; ++i) send(i < 16 ? 0xFF : i < 32 ? 0x00 : 0x55);
        const uint8_t header[15] = {first, 2, 3, 4, 2, 0, 7, 7, 7, 7, 7, 7, 7, 7, 7};
        for (uint8_t b : header) send(b);
        for (uint8_t b : {0xAB, 0xCD, 0xEF, 0x01}) send(b);  // body: its length + 2 bytes
    };
    tape.SetDiscardRecorded(true);
    block(1);
    EXPECT_EQ(log.Count(TapeEventHeader), 0);
    EXPECT_EQ(log.Count(TapeEventRecorded), 0);
    std::vector<uint8_t> out;
    EXPECT_EQ(tape.GetCapturedBlock(out), 0);

    // Turned off again, the next save is recorded as usual.
    tape.SetDiscardRecorded(false);
    for (int k = 0; k < 4800; ++k) HalfBit(tape);
    block(9);
    EXPECT_EQ(log.Count(TapeEventHeader), 1);
    EXPECT_EQ(log.Count(TapeEventRecorded), 1);
    ASSERT_GT(tape.GetCapturedBlock(out), 0);
    EXPECT_EQ(out[2 + 48], 9);
}

}  // namespace
