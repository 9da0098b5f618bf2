#include <gtest/gtest.h>

#include <vector>

#include "tests/tape/TapeTestUtil.h"

using namespace tapetest;

namespace {

std::vector<uint8_t> Sync() {
    std::vector<uint8_t> s(48, 0xFF);
    for (int i = 16; i < 32; ++i) s[i] = 0x00;
    for (int i = 32; i < 48; ++i) s[i] = 0x55;
    return s;
}

// 15 header bytes with the body length field (bytes 4-5) set to length.
std::vector<uint8_t> Header(uint16_t length) {
    std::vector<uint8_t> h{0x01, 0x02, 0x03, 0x04, static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8)};
    for (int i = 6; i < 15; ++i) h.push_back(static_cast<uint8_t>(0x40 + i));
    return h;
}

void Append(std::vector<uint8_t>& to, const std::vector<uint8_t>& from) { to.insert(to.end(), from.begin(), from.end()); }

// The machine's side of a save on a phase-encoded model: the USART at
// clock factor 1, TxC from the timer listener.
class Recorder : public ::testing::Test {
protected:
    static constexpr int kModel = 2;
    void SetUp() override {
        log.Attach(tape);
        tape.WritePort(ControlPort(kModel), kModeX1Bits8Stop2, 0);
        tape.WritePort(ControlPort(kModel), kCommand, 0);
    }
    // Writes a byte and clocks the transmitter until the buffer is free.
    void Send(uint8_t b) {
        tape.WritePort(DataPort(kModel), b, 0);
        for (int i = 0; i < 100 && !(tape.ReadPort(ControlPort(kModel), 0) & 0x01); ++i) {
            tape.OnTimerOut(1, 1);
            tape.OnTimerOut(1, 0);
        }
        ASSERT_TRUE(tape.ReadPort(ControlPort(kModel), 0) & 0x01);
    }
    void Send(const std::vector<uint8_t>& bytes) {
        for (uint8_t b : bytes) Send(b);
    }
    std::vector<uint8_t> Take() {
        std::vector<uint8_t> out;
        tape.GetCapturedBlock(out);
        return out;
    }
    IifTape tape{kModel};
    EventLog log;
};

}  // namespace

TEST_F(Recorder, HeaderBlockIsRecordedInTapeFileLayout) {
    const std::vector<uint8_t> body{9, 8, 7, 6, 5, 4, 3};
    Send(Sync());
    EXPECT_EQ(tape.GetActivity(), 11);
    Send(Header(5));
    EXPECT_EQ(log.events, std::vector<int>{TapeEventHeader});
    EXPECT_EQ(tape.GetUsart().GetCharMode(), 1);  // the body passes at CPU speed
    Send(std::vector<uint8_t>(body.begin(), body.end() - 1));
    EXPECT_EQ(log.Count(TapeEventRecorded), 0);
    Send(body.back());
    EXPECT_EQ(log.events, (std::vector<int>{TapeEventHeader, TapeEventRecorded}));

    std::vector<uint8_t> expected{63, 0};
    Append(expected, Sync());
    Append(expected, Header(5));
    Append(expected, {7, 0});
    Append(expected, body);
    std::vector<uint8_t> out;
    EXPECT_EQ(tape.GetCapturedBlock(out), static_cast<int32_t>(expected.size()));
    EXPECT_EQ(out, expected);
    EXPECT_EQ(tape.GetCapturedBlock(out), 0);

    // 4800 half-bits without a byte reset the recogniser; each tick takes
    // one half-bit while a block is pending.
    EXPECT_EQ(tape.GetActivity(), 11);
    tape.Tick(0, 853 * 3);
    EXPECT_EQ(tape.GetPhase(), 0);
    for (int k = 1; k < 4799; ++k) HalfBit(tape);
    EXPECT_EQ(tape.GetActivity(), 11);
    HalfBit(tape);
    EXPECT_EQ(tape.GetActivity(), 0);
    EXPECT_EQ(tape.GetUsart().GetCharMode(), 0);
    EXPECT_EQ(log.Count(TapeEventRecorded), 1);
}

TEST_F(Recorder, BytesAfterABlockFormAHeadlessBlockClosed480HalfBitsLater) {
    Send(Sync());
    Send(Header(0));
    Send({0xAA, 0xBB});
    ASSERT_EQ(log.Count(TapeEventRecorded), 1);
    Take();
    for (int k = 0; k < 100; ++k) HalfBit(tape);
    Send({0x10, 0x20, 0x30});
    for (int k = 0; k < 479; ++k) HalfBit(tape);
    EXPECT_EQ(log.Count(TapeEventRecorded), 1);
    HalfBit(tape);
    EXPECT_EQ(log.Count(TapeEventRecorded), 2);
    EXPECT_EQ(Take(), (std::vector<uint8_t>{3, 0, 0x10, 0x20, 0x30}));
    // Then 4320 quiet half-bits end the recording.
    for (int k = 0; k < 4319; ++k) HalfBit(tape);
    EXPECT_EQ(tape.GetActivity(), 11);
    HalfBit(tape);
    EXPECT_EQ(tape.GetActivity(), 0);
}

TEST_F(Recorder, BrokenLeadersAreNotRecorded) {
    struct Case {
        const char* name;
        int ff, zero, five;
    };
    const Case cases[] = {{"15 x FFh", 15, 16, 16}, {"15 x 00h", 16, 15, 16}, {"15 x 55h", 16, 16, 15},
                          {"17 x FFh", 17, 16, 16}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IifTape t(kModel);
        EventLog l;
        l.Attach(t);
        t.WritePort(ControlPort(kModel), kModeX1Bits8Stop2, 0);
        t.WritePort(ControlPort(kModel), kCommand, 0);
        std::vector<uint8_t> stream(static_cast<size_t>(c.ff), 0xFF);
        stream.insert(stream.end(), static_cast<size_t>(c.zero), 0x00);
        stream.insert(stream.end(), static_cast<size_t>(c.five), 0x55);
        Append(stream, Header(2));
        Append(stream, {1, 2, 3, 4});
        for (uint8_t b : stream) {
            t.WritePort(DataPort(kModel), b, 0);
            for (int i = 0; i < 100 && !(t.ReadPort(ControlPort(kModel), 0) & 0x01); ++i) {
                t.OnTimerOut(1, 1);
                t.OnTimerOut(1, 0);
            }
        }
        EXPECT_TRUE(l.events.empty());
        EXPECT_EQ(t.GetRecState(), 0);
        std::vector<uint8_t> out;
        EXPECT_EQ(t.GetCapturedBlock(out), 0);
    }
}

TEST_F(Recorder, AByteWrittenWhileABlockPlaysResetsTheRecogniser) {
    Send(Sync());
    EXPECT_EQ(tape.GetRecState(), 3);
    const std::vector<uint8_t> block{1, 2};
    tape.StartBlock(block.data(), 2, 1, 0, 1);
    HalfBit(tape);
    Send(Header(1));
    EXPECT_EQ(tape.GetRecState(), 0);
    EXPECT_TRUE(log.events.empty());
}

// ---------------------------------------------------------------- bounds

TEST_F(Recorder, HeaderLengthFFFFhClosesTheBlockWhenTheBufferIsFull) {
    Send(Sync());
    Send(Header(0xFFFF));
    std::vector<uint8_t> body(IifTape::MaxBlockLength);
    for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<uint8_t>(i * 7);
    for (uint8_t b : body) tape.WritePort(DataPort(kModel), b, 0);  // character mode
    ASSERT_EQ(log.Count(TapeEventRecorded), 1);
    std::vector<uint8_t> out = Take();
    ASSERT_EQ(out.size(), 2u + 63 + 2 + 65535);
    EXPECT_EQ(out[0], 63);
    EXPECT_EQ(out[65], 0xFF);  // the body's length word counts what was kept
    EXPECT_EQ(out[66], 0xFF);
    EXPECT_TRUE(std::equal(body.begin(), body.end(), out.begin() + 67));
    // The machine writes on: the rest is a headless block.
    tape.WritePort(DataPort(kModel), 0x01, 0);
    tape.WritePort(DataPort(kModel), 0x02, 0);
    for (int k = 0; k < 480; ++k) HalfBit(tape);
    EXPECT_EQ(Take(), (std::vector<uint8_t>{2, 0, 1, 2}));
}

TEST_F(Recorder, HeadlessRunInCharacterModeIsClosedWhenFull) {
    Send(Sync());
    Send(Header(0));
    Send({0, 0});
    Take();
    const int total = 70000;
    for (int i = 0; i < total; ++i) tape.WritePort(DataPort(kModel), static_cast<uint8_t>(i), 0);
    EXPECT_EQ(log.Count(TapeEventRecorded), 2);
    std::vector<uint8_t> first = Take();
    ASSERT_EQ(first.size(), 2u + 65535);
    EXPECT_EQ(first[0], 0xFF);
    EXPECT_EQ(first[1], 0xFF);
    for (int i = 0; i < 65535; ++i) ASSERT_EQ(first[2 + i], static_cast<uint8_t>(i)) << i;
    for (int k = 0; k < 480; ++k) HalfBit(tape);
    EXPECT_EQ(log.Count(TapeEventRecorded), 3);
    std::vector<uint8_t> second = Take();
    const int rest = total - 65535;
    ASSERT_EQ(second.size(), 2u + rest);
    EXPECT_EQ(second[0] | second[1] << 8, rest);
    EXPECT_EQ(second[2], static_cast<uint8_t>(65535));
}

// The browser appends the block some time after event 6; the recogniser
// goes on recording meanwhile and must not change what it was handed.
TEST_F(Recorder, RecordedBlocksAreCopiesThatLaterRecordingLeavesAlone) {
    std::vector<uint8_t> inEvent;
    log.onEvent = [&](int event) {
        if (event == TapeEventRecorded && inEvent.empty()) tape.GetCapturedBlock(inEvent);
    };
    Send(Sync());
    Send(Header(1));
    Send({0xA1, 0xA2, 0xA3});
    ASSERT_EQ(inEvent.size(), 2u + 63 + 2 + 3);
    const std::vector<uint8_t> kept = inEvent;

    // Two more blocks before the browser takes anything.
    Send({0xB1, 0xB2});
    for (int k = 0; k < 480; ++k) HalfBit(tape);
    for (int k = 0; k < 100; ++k) HalfBit(tape);
    Send({0xC1});
    for (int k = 0; k < 480; ++k) HalfBit(tape);
    EXPECT_EQ(log.Count(TapeEventRecorded), 3);
    EXPECT_EQ(inEvent, kept);
    EXPECT_EQ(Take(), (std::vector<uint8_t>{2, 0, 0xB1, 0xB2}));
    EXPECT_EQ(Take(), (std::vector<uint8_t>{1, 0, 0xC1}));
    EXPECT_TRUE(Take().empty());
}
