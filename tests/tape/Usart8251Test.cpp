#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "machine/tape/ChipUSART8251.h"

namespace {

// Mode words: bits 0-1 clock factor, 2-3 length, 4 parity, 5 even, 6-7 stop bits.
constexpr uint8_t kX1Bits8Stop1 = 0x4D;
constexpr uint8_t kX16Bits8Stop1 = 0x4E;
constexpr uint8_t kX16Bits8Stop15 = 0x8E;
constexpr uint8_t kX16Bits8Stop2 = 0xCE;
constexpr uint8_t kCmdTxRxRts = 0x27;  // TxEN, DTR, RxE, RTS

struct HookLog {
    std::string log;
    ChipUSART8251* chip = nullptr;
    void UpdateBreak() { log += 'u'; }
    void ChangeBreak() { log += chip->GetBreak() ? 'B' : 'b'; }
    void ChangeTxRdy() { log += 'T'; }
};

void RxEdge(ChipUSART8251& u) {
    u.RxClock(0);
    u.RxClock(1);
}

void TxEdge(ChipUSART8251& u) {
    u.TxClock(1);
    u.TxClock(0);
}

void Async(ChipUSART8251& u, uint8_t mode, uint8_t command = kCmdTxRxRts) {
    u.Write(0, mode);
    u.Write(0, command);
    u.SetCts(0);
}

TEST(Usart8251, X1StartBitIsSampledOnTheFirstRisingEdge) {
    ChipUSART8251 u;
    Async(u, kX1Bits8Stop1);
    const uint8_t value = 0xA5;
    // Start bit, then bits least significant first, then the stop bit; each
    // level set before the rising edge that samples it.
    std::vector<int> bits = {0};
    for (int i = 0; i < 8; i++) bits.push_back((value >> i) & 1);
    bits.push_back(1);
    for (size_t i = 0; i < bits.size(); i++) {
        u.SetRxD(bits[i]);
        EXPECT_EQ(u.GetRxRdy(), 0) << "edge " << i;
        RxEdge(u);
    }
    EXPECT_EQ(u.GetRxRdy(), 1);
    EXPECT_EQ(u.Read(0) & 0x38, 0);  // no errors
    EXPECT_EQ(u.Read(1), value);
    EXPECT_EQ(u.GetRxRdy(), 0);
}

TEST(Usart8251, LineBackHighBeforeTheFirstEdgeIsAFalseStart) {
    ChipUSART8251 u;
    Async(u, kX1Bits8Stop1);
    u.SetRxD(0);
    u.SetRxD(1);
    for (int i = 0; i < 30; i++) RxEdge(u);
    EXPECT_EQ(u.GetRxRdy(), 0);
}

TEST(Usart8251, X16SamplesMidBit) {
    ChipUSART8251 u;
    Async(u, kX16Bits8Stop1);
    const uint8_t value = 0x3C;
    std::vector<int> bits = {0};
    for (int i = 0; i < 8; i++) bits.push_back((value >> i) & 1);
    bits.push_back(1);
    for (int b : bits) {
        u.SetRxD(b);
        for (int e = 0; e < 16; e++) RxEdge(u);
    }
    EXPECT_EQ(u.Read(1), value);
}

struct StopCase {
    uint8_t mode;
    int highEdges;  // TxC falling edges of stop level between two characters
};

TEST(Usart8251, TransmitStopBitLengths) {
    for (StopCase k : {StopCase{kX16Bits8Stop1, 16}, StopCase{kX16Bits8Stop15, 24}, StopCase{kX16Bits8Stop2, 32}}) {
        ChipUSART8251 u;
        Async(u, k.mode);
        u.Write(1, 0x00);
        std::string line;
        bool second = false;
        for (int e = 0; e < 600; e++) {
            TxEdge(u);
            if (!second && u.Read(0) & 0x01) {  // buffer taken: queue the next one
                u.Write(1, 0x00);
                second = true;
            }
            line += u.GetTxD() ? '1' : '0';
        }
        // First character: 9 bits of 0 (start and data), 16 edges each.
        size_t firstLow = line.find('0');
        ASSERT_NE(firstLow, std::string::npos);
        size_t high = line.find('1', firstLow);
        EXPECT_EQ(high - firstLow, 9u * 16u);
        size_t nextLow = line.find('0', high);
        EXPECT_EQ(static_cast<int>(nextLow - high), k.highEdges) << "mode " << int(k.mode);
    }
}

TEST(Usart8251, TransmitX1SendsBitsLeastSignificantFirst) {
    ChipUSART8251 u;
    Async(u, kX1Bits8Stop1);
    u.Write(1, 0x4B);
    std::string line;
    for (int e = 0; e < 12; e++) {
        TxEdge(u);
        line += u.GetTxD() ? '1' : '0';
    }
    // start 0, then 1101 0010, stop 1, idle 1
    EXPECT_EQ(line, "011010010111");
    EXPECT_EQ(u.Read(0) & 0x05, 0x05);  // TxRDY and TxEMPTY again
}

TEST(Usart8251, OverrunReplacesDataAndErrorResetClears) {
    ChipUSART8251 u;
    Async(u, kX1Bits8Stop1);
    EXPECT_EQ(u.Read(1), 0xFF);  // nothing received: FFh, no change
    EXPECT_EQ(u.Read(0) & 0x12, 0);
    u.ReceiveChar(0x11);
    EXPECT_EQ(u.Read(0) & 0x12, 0x02);
    u.ReceiveChar(0x22);
    EXPECT_EQ(u.Read(0) & 0x12, 0x12);
    EXPECT_EQ(u.Read(1), 0x22);
    u.Write(0, kCmdTxRxRts | 0x10);  // error reset
    EXPECT_EQ(u.Read(0) & 0x38, 0);
}

TEST(Usart8251, TwoLowStopBitsSetBreakAndTheHighLineClearsIt) {
    ChipUSART8251 u;
    HookLog h;
    h.chip = &u;
    u.SetInputHook(ChipUSART8251::HookBreak, MakeClosure<&HookLog::UpdateBreak>(&h));
    u.SetOutputHook(ChipUSART8251::HookBreak, MakeClosure<&HookLog::ChangeBreak>(&h));
    Async(u, kX1Bits8Stop1);
    u.SetRxD(0);
    for (int i = 0; i < 10; i++) RxEdge(u);  // one character with a low stop bit
    EXPECT_EQ(u.Read(0) & 0x20, 0x20);      // framing error
    EXPECT_EQ(u.GetBreak(), 0);
    for (int i = 0; i < 11; i++) RxEdge(u);  // the line stays low: a second one
    EXPECT_EQ(u.GetBreak(), 1);
    EXPECT_EQ(h.log, "uB");
    EXPECT_EQ(u.Read(0) & 0x40, 0);  // not in the status in asynchronous mode
    u.SetRxD(1);
    EXPECT_EQ(u.GetBreak(), 0);
    EXPECT_EQ(h.log, "uBub");
}

TEST(Usart8251, TxRdyPinNeedsTxEnableAndCts) {
    ChipUSART8251 u;
    u.Write(0, kX1Bits8Stop1);
    u.Write(0, 0x20);  // RTS only
    u.SetCts(0);
    EXPECT_EQ(u.Read(0) & 0x01, 0x01);
    EXPECT_EQ(u.GetTxRdy(), 0);  // TxEN clear
    u.Write(0, 0x21);
    EXPECT_EQ(u.GetTxRdy(), 1);
    u.SetCts(1);
    EXPECT_EQ(u.GetTxRdy(), 0);  // CTS high
    EXPECT_EQ(u.GetRts(), 0);    // asserted: pin low
    u.Write(0, 0x01);
    EXPECT_EQ(u.GetRts(), 1);
}

TEST(Usart8251, BreakThenStartBitWaitsForTxEnable) {
    ChipUSART8251 u;
    Async(u, kX1Bits8Stop1, 0x28);  // SBRK, RTS
    EXPECT_EQ(u.GetTxD(), 0);
    u.Write(1, 0x00);
    TxEdge(u);
    EXPECT_EQ(u.GetTxD(), 0);  // the transmitter holds off during the break
    u.Write(0, 0x20);          // break off, TxEN still clear: the character waits
    EXPECT_EQ(u.GetTxD(), 1);
    TxEdge(u);
    EXPECT_EQ(u.GetTxD(), 1);
    u.Write(0, 0x21);
    TxEdge(u);
    EXPECT_EQ(u.GetTxD(), 0);  // start bit
}

TEST(Usart8251, CharacterModeConsumesTheCharacter) {
    ChipUSART8251 u;
    HookLog h;
    u.SetOutputHook(ChipUSART8251::HookTxRdy, MakeClosure<&HookLog::ChangeTxRdy>(&h));
    Async(u, kX1Bits8Stop1);
    EXPECT_EQ(u.TakeTxChar(), 0);  // nothing written
    u.Write(1, 0x5A);
    EXPECT_EQ(h.log, "T");
    EXPECT_EQ(u.TakeTxChar(), 0x5A);  // left waiting
    EXPECT_EQ(u.Read(0) & 0x01, 0);
    u.SetCharMode(1);
    EXPECT_EQ(u.TakeTxChar(), 0x5A);
    EXPECT_EQ(h.log, "TT");
    EXPECT_EQ(u.Read(0) & 0x05, 0x05);
    EXPECT_EQ(u.TakeTxChar(), 0);
}

TEST(Usart8251, StatusShowsDsrInBit7) {
    ChipUSART8251 u;
    Async(u, kX1Bits8Stop1);
    EXPECT_EQ(u.Read(0) & 0x80, 0);
    u.SetDsr(0);
    EXPECT_EQ(u.Read(0) & 0x80, 0x80);
    EXPECT_EQ(u.Read(5), 0xFF);
}

TEST(Usart8251, StateRecordAndReplay) {
    ChipUSART8251 u;
    uint8_t s[4] = {1, 2, 3, 4};
    EXPECT_EQ(u.GetState(nullptr), 4);
    u.Write(0, kX1Bits8Stop1);
    u.Write(0, 0x40);  // internal reset: back to the mode word, still recorded
    EXPECT_EQ(u.GetWritePhase(), 0);
    u.GetState(s);
    EXPECT_EQ(s[0], kX1Bits8Stop1);
    EXPECT_EQ(s[3], 0x40);

    // Synchronous, double sync: mode, sync 1, sync 2, command.
    ChipUSART8251 a;
    a.Write(0, 0x0C);
    a.Write(0, 0x16);
    a.Write(0, 0x27);
    a.Write(0, 0x05);
    a.GetState(s);
    const uint8_t expected[4] = {0x0C, 0x16, 0x27, 0x05};
    EXPECT_EQ(std::vector<uint8_t>(s, s + 4), std::vector<uint8_t>(expected, expected + 4));
    ChipUSART8251 b;
    b.SetState(s);
    uint8_t r[4];
    b.GetState(r);
    EXPECT_EQ(std::vector<uint8_t>(r, r + 4), std::vector<uint8_t>(expected, expected + 4));
    EXPECT_EQ(b.GetWritePhase(), 3);

    // A mode byte of 0 leaves the chip as it is.
    const uint8_t zero[4] = {0, 0x11, 0x22, 0x33};
    b.SetState(zero);
    b.GetState(r);
    EXPECT_EQ(r[0], 0x0C);
    EXPECT_EQ(r[3], 0x05);
    b.SetState(nullptr);
}

TEST(Usart8251, HookKindsAboveSevenAreRefused) {
    ChipUSART8251 u;
    HookLog h;
    EXPECT_FALSE(u.SetOutputHook(8, MakeClosure<&HookLog::ChangeTxRdy>(&h)).Assigned());
    EXPECT_FALSE(u.SetInputHook(8, MakeClosure<&HookLog::ChangeTxRdy>(&h)).Assigned());
    EXPECT_FALSE(u.SetOutputHook(1, MakeClosure<&HookLog::ChangeTxRdy>(&h)).Assigned());
    EXPECT_TRUE(u.SetOutputHook(1, ChipUSART8251::Hook()) == MakeClosure<&HookLog::ChangeTxRdy>(&h));
}

TEST(Usart8251, ResetKeepsOrClearsHooks) {
    ChipUSART8251 u;
    HookLog h;
    u.SetOutputHook(ChipUSART8251::HookTxRdy, MakeClosure<&HookLog::ChangeTxRdy>(&h));
    Async(u, kX1Bits8Stop1);
    u.Reset(0);
    EXPECT_EQ(u.GetWritePhase(), 0);
    Async(u, kX1Bits8Stop1);
    u.Write(1, 1);
    EXPECT_EQ(h.log, "T");
    u.Reset(1);
    Async(u, kX1Bits8Stop1);
    u.Write(1, 1);
    EXPECT_EQ(h.log, "T");
}

}  // namespace
