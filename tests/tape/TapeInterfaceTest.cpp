#include <gtest/gtest.h>
#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>
#include "machine/tape/IifTape.h"

namespace {

constexpr int kModel1 = 0, kModel2 = 1, kModel2A = 2, kModel3 = 3, kModelAlfa = 5, kModelAlfa2 = 6,
              kModelC2717 = 7;
constexpr int32_t kHalfBit = 853;
// Asynchronous, clock x1, 8 bits, no parity, 2 stop bits; TxEN, DTR, RxE, ER, RTS.
constexpr uint8_t kMode = 0xCD;
constexpr uint8_t kCommand = 0x37;

bool Plain(int model) { return model == kModel1 || model == kModelAlfa; }
uint8_t DataPort(int model) { return (model == kModelAlfa || model == kModelAlfa2) ? 0xF0 : 0x1C; }

struct Sound {
    int channel, on;
    int32_t position;
};

// One interface with a recording event handler and sound sink.
struct Rig {
    explicit Rig(int model) : model(model), tape(model) {
        tape.SetEventHandler(MakeClosure<&Rig::OnEvent>(this));
        tape.SetSoundSink(MakeClosure<&Rig::OnSound>(this));
    }
    uint8_t OnEvent(int event) {
        if (event == TapeEventMonitor)
            monitorEvents++;
        else
            events.push_back(event);
        if (onEvent) onEvent(event);
        return monitor;
    }
    void OnSound(int channel, int on, int32_t position) { sounds.push_back({channel, on, position}); }

    uint8_t Status() { return tape.ReadPort(DataPort(model) + 1, 0); }
    int Dsr() { return (Status() & 0x80) ? 0 : 1; }
    void HalfBit() {
        clock += kHalfBit;
        tape.Tick(clock, kHalfBit);
    }
    void HalfBits(int n) {
        for (int i = 0; i < n; i++) HalfBit();
    }
    // Runs n half-bits; one character each: the bit played ('0'/'1', from the
    // sound level and the phase) or '-' when nothing was heard. On the
    // phase-encoded wiring it also checks DSR = phase XOR bit (except on the
    // half-bit that enters the trailer, which leaves DSR at 1).
    std::string Levels(int n) {
        std::string s;
        for (int i = 0; i < n; i++) {
            size_t before = sounds.size();
            const int32_t stateBefore = tape.GetPlayState();
            HalfBit();
            if (sounds.size() == before) {
                s += '-';
                continue;
            }
            int bit = sounds.back().on ^ tape.GetPhase();
            s += static_cast<char>('0' + bit);
            const bool trailerEntry = stateBefore == 4 && tape.GetPlayState() == 5;
            if (!Plain(model) && !dsrFailed && Dsr() != (trailerEntry ? 1 : tape.GetPhase() ^ bit)) {
                ADD_FAILURE() << "DSR at half-bit " << i;
                dsrFailed = true;
            }
        }
        return s;
    }
    void InitUsart() {
        tape.WritePort(DataPort(model) + 1, kMode, 0);
        tape.WritePort(DataPort(model) + 1, kCommand, 0);
    }
    // Writes a byte as a save routine does: waits for TxRDY, clocking the
    // transmitter from the timer output (phase-encoded models) or the
    // interface's own half-bit clock (models 0 and 5).
    void Send(uint8_t value) {
        for (int i = 0; i < 200 && !(Status() & 0x01); i++) {
            if (Plain(model)) {
                HalfBit();
            } else {
                tape.OnTimerOut(1, 1);
                tape.OnTimerOut(1, 0);
            }
        }
        ASSERT_TRUE(Status() & 0x01) << "transmitter stuck";
        tape.WritePort(DataPort(model), value, 0);
    }
    void Send(const std::vector<uint8_t>& bytes) {
        for (uint8_t b : bytes) Send(b);
    }
    void Play(const std::vector<uint8_t>& data, int first, int fast, int headerPart) {
        tape.StartBlock(data.data(), static_cast<int32_t>(data.size()), first, fast, headerPart);
    }

    int model;
    IifTape tape;
    int32_t clock = 0;
    uint8_t monitor = 1;
    int monitorEvents = 0;
    std::vector<int> events;
    std::vector<Sound> sounds;
    std::function<void(int)> onEvent;
    bool dsrFailed = false;
};

// The bit stream of a played part: lead-in ones, per byte a start bit, eight
// data bits least significant first and two stop bits, each bit two
// half-bits, then the trailer.
std::string Stream(int leadIn, const std::vector<uint8_t>& bytes, int trailer, int firstStart = 2) {
    std::string s(static_cast<size_t>(leadIn), '1');
    for (size_t i = 0; i < bytes.size(); i++) {
        s += std::string(i == 0 ? static_cast<size_t>(firstStart) : 2u, '0');
        for (int b = 0; b < 8; b++) s += std::string(2, static_cast<char>('0' + ((bytes[i] >> b) & 1)));
        s += "1111";
    }
    return s + std::string(static_cast<size_t>(trailer), '1');
}

const std::vector<uint8_t> kBytes = {0x00, 0xFF, 0xA5, 0x01, 0x80, 0x5A};

// ------------------------------------------------------------ ports

TEST(IifTape, PortsFollowTheModelWithBitOneIgnored) {
    for (int model : {kModel1, kModel2, kModel2A, kModel3, kModelAlfa, kModelAlfa2, kModelC2717}) {
        Rig r(model);
        const uint8_t base = DataPort(model);
        const uint8_t other = base == 0xF0 ? 0x1C : 0xF0;
        for (uint8_t mirror : {uint8_t(0), uint8_t(2)}) {
            Rig m(model);
            m.tape.WritePort(base + 1 + mirror, kMode, 0);
            m.tape.WritePort(base + 1 + mirror, kCommand, 0);
            EXPECT_EQ(m.tape.GetUsart().GetMode(), kMode) << model;
            EXPECT_EQ(m.tape.GetUsart().GetCommand(), kCommand) << model;
            EXPECT_EQ(m.tape.ReadPort(base + 1 + mirror, 0) & 0x05, 0x05) << model;  // TxRDY, TxEMPTY
            m.tape.WritePort(base + mirror, 0x42, 0);
            EXPECT_EQ(m.tape.ReadPort(base + 1 + mirror, 0) & 0x05, 0) << model;
            EXPECT_EQ(m.tape.ReadPort(base + mirror, 0), 0xFF) << model;  // nothing received
        }
        // The other model family's ports are not ours.
        r.tape.WritePort(other + 1, kMode, 0);
        EXPECT_EQ(r.tape.GetUsart().GetWritePhase(), 0) << model;
        EXPECT_EQ(r.tape.ReadPort(other + 1, 0), 0xFF) << model;
        EXPECT_EQ(r.tape.ReadPort(base + 4, 0), 0xFF) << model;
    }
}

TEST(IifTape, CtsFollowsRts) {
    Rig r(kModel2);
    r.tape.WritePort(0x1D, kMode, 0);
    r.tape.WritePort(0x1D, 0x17, 0);  // TxEN without RTS
    EXPECT_EQ(r.tape.GetUsart().GetTxRdy(), 0);
    r.tape.WritePort(0x1D, kCommand, 0);  // with RTS
    EXPECT_EQ(r.tape.GetUsart().GetTxRdy(), 1);
}

TEST(IifTape, ResetSendsEventOneAndWaitsForAModeWord) {
    Rig r(kModel2);
    r.InitUsart();
    r.Play(kBytes, 1, 0, 1);
    r.HalfBits(10);
    r.tape.Reset(0);
    EXPECT_EQ(r.events, std::vector<int>{TapeEventReset});
    EXPECT_EQ(r.tape.GetUsart().GetWritePhase(), 0);
    EXPECT_EQ(r.tape.GetPlayState(), 1);  // the browser stops the tape, not the reset
    IifTape quiet(kModel2);
    quiet.Reset(0);  // no handler: nothing to call
    quiet.Tick(0, 5 * kHalfBit);
}

// ------------------------------------------------------------ playing

struct PlayCase {
    int model;
    int halfBitsBefore;  // half-bits run before the block starts (phase alignment)
    int firstStart;      // expected half-bits of the first start bit
};

TEST(IifTape, FirstHeaderPlaysLeadInThenBytes) {
    // Phase is 1 at construction and toggles every half-bit, so a lead-in of
    // 6718 half-bits ends on phase 1 when started at once, on 0 one half-bit
    // later; models 0 and 5 then stretch the start bit to 3 half-bits.
    const PlayCase cases[] = {{kModel1, 0, 2}, {kModel1, 1, 3}, {kModelAlfa, 1, 3},
                              {kModel2, 0, 2}, {kModel2A, 1, 2}, {kModelAlfa2, 1, 2}};
    for (const PlayCase& c : cases) {
        Rig r(c.model);
        r.HalfBits(c.halfBitsBefore);
        r.Play(kBytes, 1, 0, 1);
        std::string expected = Stream(6718, kBytes, 0, c.firstStart);
        EXPECT_EQ(r.Levels(static_cast<int>(expected.size())), expected) << c.model << "/" << c.halfBitsBefore;
        EXPECT_EQ(r.events, std::vector<int>{TapeEventPartEnd}) << c.model;
        EXPECT_EQ(r.tape.GetPlayState(), 0);
        EXPECT_EQ(r.monitorEvents, static_cast<int>(expected.size()));
        EXPECT_EQ(r.Levels(20), std::string(20, '-'));
    }
}

TEST(IifTape, LaterHeaderStartsWithSilence) {
    for (int model : {kModel1, kModel2A}) {
        Rig r(model);
        r.Play({0x3C}, 0, 0, 1);
        EXPECT_EQ(r.Levels(3598), std::string(3598, '-')) << model;
        EXPECT_EQ(r.monitorEvents, 0);
        if (!Plain(model)) {
            EXPECT_EQ(r.Dsr(), 1);
        }
        std::string expected = Stream(6718, {0x3C}, 0);
        EXPECT_EQ(r.Levels(static_cast<int>(expected.size())), expected) << model;
        EXPECT_EQ(r.events, std::vector<int>{TapeEventPartEnd});
    }
}

TEST(IifTape, BodyPlaysShortLeadInAndTrailer) {
    for (int model : {kModelAlfa, kModel3}) {
        Rig r(model);
        r.Play(kBytes, 0, 0, 0);
        std::string expected = Stream(1200, kBytes, 480);
        std::string got = r.Levels(static_cast<int>(expected.size()) - 1);
        EXPECT_EQ(got, expected.substr(0, got.size())) << model;
        EXPECT_TRUE(r.events.empty());
        EXPECT_EQ(r.tape.GetPlayState(), 5);  // trailer
        r.HalfBit();
        EXPECT_EQ(r.events, std::vector<int>{TapeEventPartEnd});
        EXPECT_EQ(r.tape.GetPlayState(), 0);
    }
}

TEST(IifTape, StartBlockCopiesTheData) {
    Rig r(kModel2);
    std::vector<uint8_t> data = {0x12, 0x34};
    r.Play(data, 0, 0, 0);
    data = {0xEE, 0xEE};
    EXPECT_EQ(r.Levels(1200 + 44 + 480), Stream(1200, {0x12, 0x34}, 480));
}

TEST(IifTape, StartBlockWithoutDataStops) {
    Rig r(kModel2);
    r.Play(kBytes, 1, 0, 1);
    r.HalfBits(100);
    EXPECT_EQ(r.tape.GetActivity(), 10);
    r.tape.StartBlock(nullptr, 0, 0, 0, 0);
    EXPECT_EQ(r.Levels(10), std::string(10, '-'));
    EXPECT_EQ(r.tape.GetPlayState(), 0);
    EXPECT_EQ(r.tape.GetActivity(), 0);
    EXPECT_TRUE(r.events.empty());
}

TEST(IifTape, NextPartStartedFromTheEndEventFollowsWithoutAGap) {
    Rig r(kModel2);
    const std::vector<uint8_t> body = {0x77};
    r.onEvent = [&](int e) {
        if (e == TapeEventPartEnd && r.events.size() == 1)
            r.tape.StartBlock(body.data(), 1, 0, 0, 0);  // copied, so the local may go
    };
    r.Play({0x11}, 1, 0, 1);
    std::string expected = Stream(6718, {0x11}, 0) + Stream(1200, body, 480);
    EXPECT_EQ(r.Levels(static_cast<int>(expected.size())), expected);
    EXPECT_EQ(r.events, (std::vector<int>{TapeEventPartEnd, TapeEventPartEnd}));
}

TEST(IifTape, MonitoringAndSoundPosition) {
    Rig r(kModel2);
    r.monitor = 0;
    r.Play(kBytes, 0, 0, 0);
    r.HalfBits(50);
    EXPECT_EQ(r.monitorEvents, 50);  // asked every half-bit
    EXPECT_TRUE(r.sounds.empty());
    r.monitor = 1;
    // 900 cycles: one half-bit, 47 cycles left over; the level belongs to
    // the slice position where the half-bit ended.
    r.tape.Tick(1000, 900);
    ASSERT_EQ(r.sounds.size(), 1u);
    EXPECT_EQ(r.sounds[0].channel, 1);
    EXPECT_EQ(r.sounds[0].position, 1000 - 47);
    EXPECT_EQ(r.sounds[0].on, r.tape.GetPhase() ^ 1);  // lead-in bit 1
    // Two half-bits in one call (a long instruction after a pause).
    r.tape.Tick(3000, 2 * kHalfBit);
    ASSERT_EQ(r.sounds.size(), 3u);
    EXPECT_EQ(r.sounds[1].position, 3000 - (47 + kHalfBit));
    EXPECT_EQ(r.sounds[2].position, 3000 - 47);
}

TEST(IifTape, PlainWiringFeedsTheUsartReceiver) {
    for (int model : {kModel1, kModelAlfa})
        for (int before : {0, 1}) {
            Rig r(model);
            r.InitUsart();
            r.HalfBits(before);
            r.Play(kBytes, 0, 0, 0);
            std::vector<uint8_t> got;
            for (int i = 0; i < 1200 + 22 * 6 + 480 + 10 && r.events.empty(); i++) {
                r.HalfBit();
                uint8_t st = r.Status();
                EXPECT_EQ(st & 0x38, 0) << "error at half-bit " << i;
                if (st & 0x02) got.push_back(r.tape.ReadPort(DataPort(model), 0));
            }
            EXPECT_EQ(got, kBytes) << model << "/" << before;
            EXPECT_EQ(r.events, std::vector<int>{TapeEventPartEnd});
        }
}

TEST(IifTape, PhaseEncodedWiringLeavesTheReceiverAlone) {
    Rig r(kModel2A);
    r.InitUsart();
    r.Play(kBytes, 0, 0, 0);
    for (int i = 0; i < 1200 + 22 * 6 + 480; i++) {
        r.HalfBit();
        ASSERT_EQ(r.Status() & 0x02, 0);
    }
}

// ------------------------------------------------------------ fast loading

TEST(IifTape, FastBodyWaitsForTheTrapsThenPlaysNormally) {
    Rig r(kModel2A);
    r.Play(kBytes, 0, 1, 0);
    EXPECT_EQ(r.tape.GetFastMode(), 1);
    EXPECT_EQ(r.tape.GetPlayState(), 3);
    const uint8_t* data = nullptr;
    int32_t length = 0;
    ASSERT_TRUE(r.tape.GetTrapBlock(&data, &length));
    EXPECT_EQ(std::vector<uint8_t>(data, data + length), kBytes);
    // Silent (no monitor event) but DSR shows the level 1.
    for (int i = 0; i < 2399; i++) {
        r.HalfBit();
        ASSERT_EQ(r.Dsr(), r.tape.GetPhase() ^ 1);
    }
    EXPECT_EQ(r.monitorEvents, 0);
    EXPECT_EQ(r.tape.GetPlayState(), 3);
    r.HalfBit();
    EXPECT_EQ(r.tape.GetPlayState(), 2);
    EXPECT_EQ(r.tape.GetFastMode(), 0);
    EXPECT_FALSE(r.tape.GetTrapBlock(&data, &length));
    EXPECT_EQ(data, nullptr);
    std::string expected = Stream(0, kBytes, 480);
    EXPECT_EQ(r.Levels(static_cast<int>(expected.size())), expected);
    EXPECT_EQ(r.events, std::vector<int>{TapeEventPartEnd});
}

TEST(IifTape, TakenBytesAreSkippedAndEachTakeRestartsTheWait) {
    Rig r(kModel2);
    r.Play(kBytes, 0, 1, 0);
    uint8_t b = 0;
    r.HalfBits(2000);
    ASSERT_EQ(r.tape.TakeTrapByte(&b), 0);
    EXPECT_EQ(b, kBytes[0]);
    r.tape.SkipTrapBytes(0);  // outside a block trap nothing to skip, wait unchanged
    r.HalfBits(2000);
    ASSERT_EQ(r.tape.TakeTrapByte(&b), 0);
    EXPECT_EQ(b, kBytes[1]);
    EXPECT_EQ(r.tape.GetPlayRemaining(), 4);
    r.HalfBits(2399);
    EXPECT_EQ(r.tape.GetPlayState(), 3);
    r.HalfBit();
    std::vector<uint8_t> rest(kBytes.begin() + 2, kBytes.end());
    std::string expected = Stream(0, rest, 480);
    EXPECT_EQ(r.Levels(static_cast<int>(expected.size())), expected);
    EXPECT_EQ(r.events, std::vector<int>{TapeEventPartEnd});
}

TEST(IifTape, TrapServicesToTheEndFinishThePart) {
    Rig r(kModel3);
    r.Play(kBytes, 0, 1, 0);
    const uint8_t* data = nullptr;
    int32_t length = 0;
    ASSERT_TRUE(r.tape.GetTrapBlock(&data, &length));
    r.tape.SkipTrapBytes(4);
    EXPECT_EQ(r.tape.GetPlayRemaining(), 2);
    ASSERT_TRUE(r.tape.GetTrapBlock(&data, &length));
    EXPECT_EQ(length, 2);
    EXPECT_EQ(data[0], kBytes[4]);
    uint8_t b = 0;
    EXPECT_EQ(r.tape.TakeTrapByte(&b), 0);
    EXPECT_EQ(b, kBytes[4]);
    EXPECT_TRUE(r.events.empty());
    EXPECT_EQ(r.tape.TakeTrapByte(&b), 0);
    EXPECT_EQ(b, kBytes[5]);
    EXPECT_EQ(r.events, std::vector<int>{TapeEventPartEnd});
    EXPECT_EQ(r.tape.GetPlayState(), 0);
    EXPECT_EQ(r.tape.TakeTrapByte(&b), 1);
    // Skipping past the end stops at the end.
    Rig s(kModel3);
    s.Play(kBytes, 0, 1, 0);
    ASSERT_TRUE(s.tape.GetTrapBlock(&data, &length));
    s.tape.SkipTrapBytes(100);
    EXPECT_EQ(s.tape.GetPlayRemaining(), 0);
    EXPECT_EQ(s.events, std::vector<int>{TapeEventPartEnd});
    EXPECT_EQ(s.tape.GetActivity(), 0);
}

TEST(IifTape, TrapServicesRefuseOutsideTheirStates) {
    struct Case {
        const char* name;
        int model;
        int first, fast, header;
        int halfBits;      // run before asking
        bool blockReady;   // GetTrapBlock answers true
    };
    const Case cases[] = {
        {"idle", kModel2, -1, 0, 0, 0, false},
        {"header lead-in", kModel2, 1, 0, 1, 10, false},
        {"gap", kModel2, 0, 1, 1, 10, false},
        {"normal data bits", kModel2, 0, 0, 0, 1205, false},  // bits of the first byte
        {"plain header lead-in", kModel1, 1, 0, 1, 10, true},
        {"plain body lead-in", kModelAlfa, 0, 0, 0, 10, true},
        {"plain data bits", kModel1, 0, 0, 0, 1205, false},
    };
    for (const Case& c : cases) {
        Rig r(c.model);
        if (c.first >= 0) r.Play(kBytes, c.first, c.fast, c.header);
        r.HalfBits(c.halfBits);
        const int32_t state = r.tape.GetPlayState(), remaining = r.tape.GetPlayRemaining();
        const uint8_t* data = reinterpret_cast<const uint8_t*>(&c);
        int32_t length = -1;
        EXPECT_EQ(r.tape.GetTrapBlock(&data, &length), c.blockReady) << c.name;
        if (c.blockReady) {
            EXPECT_EQ(length, remaining) << c.name;
            EXPECT_EQ(data[0], kBytes[6 - remaining]) << c.name;
        } else {
            EXPECT_EQ(data, nullptr) << c.name;
            r.tape.SkipTrapBytes(1);
        }
        uint8_t b = 0x99;
        EXPECT_EQ(r.tape.TakeTrapByte(&b), 1) << c.name;
        EXPECT_EQ(b, 0x99) << c.name;
        EXPECT_EQ(r.tape.GetPlayState(), state) << c.name;
        if (!c.blockReady) {
            EXPECT_EQ(r.tape.GetPlayRemaining(), remaining) << c.name;
        }
        EXPECT_TRUE(r.events.empty()) << c.name;
    }
}

TEST(IifTape, PlainFastModeDeliversWholeBytes) {
    for (int model : {kModel1, kModelAlfa}) {
        Rig r(model);
        r.InitUsart();
        r.Play(kBytes, 0, 1, 0);
        std::vector<uint8_t> got;
        for (int i = 0; i < 100 && r.events.empty(); i++) {
            r.HalfBit();
            if (r.Status() & 0x02) got.push_back(r.tape.ReadPort(DataPort(model), 0));
        }
        EXPECT_EQ(got, kBytes) << model;
        EXPECT_EQ(r.events, std::vector<int>{TapeEventPartEnd});
        EXPECT_EQ(r.monitorEvents, 0);
        EXPECT_TRUE(r.sounds.empty());
        EXPECT_EQ(r.Status() & 0x38, 0);
    }
}

TEST(IifTape, PlainFastModeUnreadByteIsFollowedAfterTheLongWait) {
    Rig r(kModel1);
    r.InitUsart();
    r.Play({0x10, 0x20}, 0, 1, 0);
    r.HalfBit();
    EXPECT_EQ(r.Status() & 0x12, 0x02);
    r.HalfBits(18765);
    EXPECT_EQ(r.Status() & 0x10, 0);  // still the first byte
    EXPECT_TRUE(r.events.empty());
    r.HalfBit();
    EXPECT_EQ(r.Status() & 0x12, 0x12);  // overrun
    EXPECT_EQ(r.tape.ReadPort(0x1C, 0), 0x20);
    EXPECT_EQ(r.events, std::vector<int>{TapeEventPartEnd});
}

// ------------------------------------------------------------ recording

std::vector<uint8_t> Sync() {
    std::vector<uint8_t> s(48, 0xFF);
    for (int i = 16; i < 48; i++) s[i] = i < 32 ? 0x00 : 0x55;
    return s;
}

// 15 header bytes with the body length field (offset 4) set.
std::vector<uint8_t> Header(uint16_t length) {
    std::vector<uint8_t> h = {0x01, 0x02, 0x03, 0x04, 0, 0, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F};
    h[4] = static_cast<uint8_t>(length);
    h[5] = static_cast<uint8_t>(length >> 8);
    return h;
}

std::vector<uint8_t> Word(int32_t v) { return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)}; }

std::vector<uint8_t> Cat(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

std::vector<std::vector<uint8_t>> TakeAll(IifTape& tape) {
    std::vector<std::vector<uint8_t>> blocks;
    std::vector<uint8_t> b;
    while (tape.GetCapturedBlock(b) > 0) blocks.push_back(b);
    return blocks;
}

TEST(IifTape, SavedHeaderBlockIsRecordedInTapeFileLayout) {
    for (int model : {kModel1, kModel2A}) {
        Rig r(model);
        r.InitUsart();
        const std::vector<uint8_t> head = Cat({Sync(), Header(5)});
        const std::vector<uint8_t> body = {0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6};  // length field + 2
        std::vector<uint8_t> at5;
        r.onEvent = [&](int e) {
            if (e == TapeEventHeader) {
                EXPECT_EQ(r.tape.GetActivity(), 11);
            }
        };
        r.Send(std::vector<uint8_t>(head.begin(), head.end() - 1));
        EXPECT_TRUE(r.events.empty());
        EXPECT_EQ(r.tape.GetActivity(), 11);
        r.Send(head.back());
        EXPECT_EQ(r.events, std::vector<int>{TapeEventHeader}) << model;
        // The last header byte still leaves through the transmitter; after it
        // the body passes at CPU speed: TxRDY is back at once.
        r.Send(body[0]);
        for (uint8_t b : std::vector<uint8_t>(body.begin() + 1, body.end())) {
            ASSERT_TRUE(r.Status() & 0x01);
            r.tape.WritePort(DataPort(model), b, 0);
        }
        EXPECT_EQ(r.events, (std::vector<int>{TapeEventHeader, TapeEventRecorded}));
        auto blocks = TakeAll(r.tape);
        ASSERT_EQ(blocks.size(), 1u);
        EXPECT_EQ(blocks[0], Cat({Word(63), head, Word(7), body}));
        // 4800 half-bits without bytes end the recording.
        r.HalfBits(4799);
        EXPECT_EQ(r.tape.GetActivity(), 11);
        r.HalfBit();
        EXPECT_EQ(r.tape.GetActivity(), 0);
        EXPECT_EQ(r.tape.GetUsart().GetCharMode(), 0);
    }
}

TEST(IifTape, BytesAfterABlockFormAHeadlessBlock) {
    Rig r(kModel2);
    r.InitUsart();
    r.Send(Cat({Sync(), Header(0), {0xC0, 0xC1}}));
    ASSERT_EQ(TakeAll(r.tape).size(), 1u);
    r.HalfBits(100);
    r.Send({0xD0, 0xD1, 0xD2});
    r.HalfBits(200);
    r.Send(0xD3);  // restarts the close countdown
    r.HalfBits(479);
    EXPECT_EQ(r.events.size(), 2u);
    r.HalfBit();
    EXPECT_EQ(r.events.back(), TapeEventRecorded);
    auto blocks = TakeAll(r.tape);
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0], Cat({Word(4), {0xD0, 0xD1, 0xD2, 0xD3}}));
    r.HalfBits(4319);
    EXPECT_EQ(r.tape.GetActivity(), 11);
    r.HalfBit();
    EXPECT_EQ(r.tape.GetActivity(), 0);
}

TEST(IifTape, BrokenSyncIsNotRecorded) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
    };
    std::vector<uint8_t> shortFf = Sync();
    shortFf.erase(shortFf.begin());  // 15 x FFh
    std::vector<uint8_t> extraFf = Sync();
    extraFf.insert(extraFf.begin(), 0xFF);  // 17 x FFh
    std::vector<uint8_t> badZero = Sync();
    badZero[20] = 0x01;
    std::vector<uint8_t> bad55 = Sync();
    bad55[40] = 0x54;
    const Case cases[] = {{"15 FFh", shortFf}, {"17 FFh", extraFf}, {"00h run broken", badZero},
                          {"55h run broken", bad55}};
    for (const Case& c : cases) {
        Rig r(kModel2A);
        r.InitUsart();
        r.Send(Cat({c.bytes, Header(1), {0x01, 0x02, 0x03}}));
        r.HalfBits(5000);
        EXPECT_TRUE(r.events.empty()) << c.name;
        EXPECT_TRUE(TakeAll(r.tape).empty()) << c.name;
        EXPECT_EQ(r.tape.GetRecState(), 0) << c.name;
    }
}

TEST(IifTape, SavingWhilePlayingIsNotRecorded) {
    Rig r(kModel2);
    r.InitUsart();
    r.Play(kBytes, 1, 0, 1);
    r.HalfBit();
    r.Send(Sync());
    EXPECT_EQ(r.tape.GetRecState(), 0);
    EXPECT_EQ(r.tape.GetActivity(), 10);
    r.tape.StartBlock(nullptr, 0, 0, 0, 0);
    r.HalfBit();
    r.Send(Cat({Sync(), Header(0), {0xE0, 0xE1}}));
    EXPECT_EQ(r.events, (std::vector<int>{TapeEventHeader, TapeEventRecorded}));
}

TEST(IifTape, ActivityPrefersPlaying) {
    Rig r(kModel2);
    r.InitUsart();
    EXPECT_EQ(r.tape.GetActivity(), 0);
    r.Send(std::vector<uint8_t>(15, 0xFF));
    EXPECT_EQ(r.tape.GetActivity(), 0);
    r.Send(0xFF);
    EXPECT_EQ(r.tape.GetActivity(), 11);
    r.Play(kBytes, 1, 0, 1);
    r.HalfBit();
    EXPECT_EQ(r.tape.GetActivity(), 10);
}

// A header whose length field is FFFFh asks for a body of 65537 bytes, more
// than a length word counts: the body is closed when it reaches 65535 bytes
// and the rest becomes a headless block.
TEST(IifTape, OversizedBodyIsClosedWhenFull) {
    Rig r(kModel2);
    r.InitUsart();
    const std::vector<uint8_t> head = Cat({Sync(), Header(0xFFFF)});
    r.Send(head);
    std::vector<uint8_t> body(65537);
    for (size_t i = 0; i < body.size(); i++) body[i] = static_cast<uint8_t>(i * 7 + i / 256);
    r.Send(body[0]);  // after the last header byte has left
    for (size_t i = 1; i < body.size(); i++) r.tape.WritePort(0x1C, body[i], 0);
    r.HalfBits(480);
    auto blocks = TakeAll(r.tape);
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0].size(), 2u + 63 + 2 + 65535);
    EXPECT_EQ(blocks[0], Cat({Word(63), head, Word(65535), std::vector<uint8_t>(body.begin(), body.end() - 2)}));
    EXPECT_EQ(blocks[1], Cat({Word(2), std::vector<uint8_t>(body.end() - 2, body.end())}));
}

TEST(IifTape, LongHeadlessRunIsSplitWhenFull) {
    Rig r(kModel2);
    r.InitUsart();
    r.Send(Cat({Sync(), Header(0), {0, 0}}));
    TakeAll(r.tape);
    std::vector<uint8_t> run(65535 + 1000);
    for (size_t i = 0; i < run.size(); i++) run[i] = static_cast<uint8_t>(i ^ (i >> 8));
    for (uint8_t b : run) r.tape.WritePort(0x1C, b, 0);  // character mode stays on
    r.HalfBits(480);
    auto blocks = TakeAll(r.tape);
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0], Cat({Word(65535), std::vector<uint8_t>(run.begin(), run.begin() + 65535)}));
    EXPECT_EQ(blocks[1], Cat({Word(1000), std::vector<uint8_t>(run.begin() + 65535, run.end())}));
}

// The browser may take a block later than event 6 (it only waits a while);
// the recogniser goes on into the same buffer, so each block is handed over
// as its own copy.
TEST(IifTape, RecordedBlocksAreCopiesKeptUntilTaken) {
    Rig r(kModel2A);
    r.InitUsart();
    const std::vector<uint8_t> first = Cat({Sync(), Header(1), {0xA0, 0xA1, 0xA2}});
    r.Send(first);
    r.Send({0x01, 0x02, 0x03, 0x04});  // headless, overwrites the buffer's start
    r.HalfBits(480);
    EXPECT_EQ(r.events, (std::vector<int>{TapeEventHeader, TapeEventRecorded, TapeEventRecorded}));
    auto blocks = TakeAll(r.tape);
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0], Cat({Word(63), std::vector<uint8_t>(first.begin(), first.begin() + 63), Word(3),
                              {0xA0, 0xA1, 0xA2}}));
    EXPECT_EQ(blocks[1], Cat({Word(4), {0x01, 0x02, 0x03, 0x04}}));
    // Taken from inside the event, as the browser does when it is quick.
    Rig q(kModel2A);
    q.InitUsart();
    std::vector<uint8_t> inEvent;
    q.onEvent = [&](int e) {
        if (e == TapeEventRecorded) q.tape.GetCapturedBlock(inEvent);
    };
    q.Send(first);
    EXPECT_EQ(inEvent, blocks[0]);
    std::vector<uint8_t> none = {1};
    EXPECT_EQ(q.tape.GetCapturedBlock(none), 0);
    EXPECT_TRUE(none.empty());
}

TEST(IifTape, UntakenBlocksAreBounded) {
    Rig r(kModel2);
    r.InitUsart();
    r.Send(Cat({Sync(), Header(0), {0, 0}}));
    for (int i = 0; i < IifTape::MaxCapturedBlocks + 3; i++) {
        r.Send(static_cast<uint8_t>(i));
        r.HalfBits(480);
    }
    auto blocks = TakeAll(r.tape);
    ASSERT_EQ(blocks.size(), static_cast<size_t>(IifTape::MaxCapturedBlocks));
    EXPECT_EQ(blocks.back(), Cat({Word(1), {static_cast<uint8_t>(IifTape::MaxCapturedBlocks + 2)}}));
}

// ------------------------------------------------------------ threads

// A trap reads the block between GetTrapBlock and SkipTrapBytes; a block
// started meanwhile (the browser's thread) must not lose its first bytes.
TEST(IifTape, BlockStartedDuringATrapIsKeptWhole) {
    Rig r(kModel2A);
    r.Play({1, 2, 3, 4, 5, 6, 7, 8}, 0, 1, 0);
    const uint8_t* data = nullptr;
    int32_t length = 0;
    ASSERT_TRUE(r.tape.GetTrapBlock(&data, &length));
    const std::vector<uint8_t> next = {0x61, 0x62, 0x63};
    r.Play(next, 0, 1, 0);
    EXPECT_EQ(data[0], 1);  // the trap still reads its own block
    r.tape.SkipTrapBytes(3);
    ASSERT_TRUE(r.tape.GetTrapBlock(&data, &length));
    EXPECT_EQ(std::vector<uint8_t>(data, data + length), next);
}

TEST(IifTape, StartBlockFromAnotherThreadIsTakenOverWhole) {
    Rig r(kModel2);
    r.monitor = 0;
    std::atomic<bool> done{false};
    std::atomic<int> seen{0};
    constexpr int kRequests = 2000;
    std::thread browser([&] {
        std::vector<uint8_t> block;
        for (int g = 1; g <= kRequests; g++) {
            // The last request waits until the emulation side has taken one.
            if (g == kRequests)
                for (long i = 0; i < 100000000L && seen.load() == 0; i++) std::this_thread::yield();
            block.assign(static_cast<size_t>(g % 61 + 2), static_cast<uint8_t>(g));
            r.tape.StartBlock(block.data(), static_cast<int32_t>(block.size()), 0, 1, 0);
            if (g % 97 == 0) r.tape.StartBlock(nullptr, 0, 0, 0, 0);
            r.tape.GetActivity();
        }
        done = true;
    });
    while (!done.load()) {
        r.tape.Tick(0, 1);
        const uint8_t* data = nullptr;
        int32_t length = 0;
        if (r.tape.GetTrapBlock(&data, &length)) {
            const int g = data[0];
            for (int32_t i = 0; i < length; i++) ASSERT_EQ(data[i], g);
            ASSERT_LE(length, 62);
            if (length > 1) r.tape.SkipTrapBytes(1);
            seen++;
        }
    }
    browser.join();
    r.HalfBit();
    const uint8_t* data = nullptr;
    int32_t length = 0;
    ASSERT_TRUE(r.tape.GetTrapBlock(&data, &length));
    EXPECT_LE(length, kRequests % 61 + 2);  // the loop may have skipped some of it
    EXPECT_EQ(data[0], static_cast<uint8_t>(kRequests));
    EXPECT_GT(seen.load(), 0);
}

}  // namespace
