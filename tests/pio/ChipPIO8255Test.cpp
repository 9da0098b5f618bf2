#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "machine/pio/ChipPIO8255.h"

namespace {

// Records every hook call as text, in order.
struct Recorder {
    std::vector<std::string> calls;
    ChipPIO8255* chip = nullptr;
    uint8_t pinsForA = 0;

    static std::string Hex(unsigned v) {
        char b[8];
        snprintf(b, sizeof b, "%02X", v & 0xFF);
        return b;
    }
    void OutA(uint8_t v) { calls.push_back("A:" + Hex(v)); }
    void OutB(uint8_t v) { calls.push_back("B:" + Hex(v)); }
    void OutC(uint8_t o, uint8_t n) { calls.push_back("C:" + Hex(o) + ">" + Hex(n)); }
    void OutCU(uint8_t o, uint8_t n) { calls.push_back("CU:" + Hex(o) + ">" + Hex(n)); }
    void OutCL(uint8_t o, uint8_t n) { calls.push_back("CL:" + Hex(o) + ">" + Hex(n)); }
    void Ctl(uint8_t v) { calls.push_back("W:" + Hex(v)); }
    void InA() {
        calls.push_back("inA");
        if (chip) chip->SetPortInput(0, pinsForA);
    }
    void InB() { calls.push_back("inB"); }
    void InC() { calls.push_back("inC"); }
    void InCU() { calls.push_back("inCU"); }
    void InCL() { calls.push_back("inCL"); }
};

using Calls = std::vector<std::string>;

TEST(ChipPIO8255, ResetGivesMode0AllInputs) {
    ChipPIO8255 pio(1);
    EXPECT_EQ(pio.Read(3), 0x9B);
    EXPECT_EQ(pio.portCOut, 0x00);
    EXPECT_EQ(pio.Read(0), 0xFF);
    EXPECT_EQ(pio.Read(1), 0xFF);
    EXPECT_EQ(pio.Read(2), 0xFF);

    // Construction without reset leaves the registers untouched.
    ChipPIO8255 raw(0);
    EXPECT_EQ(raw.control, 0x00);
}

TEST(ChipPIO8255, ModeWordFoldsGroupAMode3To2) {
    const std::pair<uint8_t, uint8_t> cases[] = {
        {0xE0, 0xC0}, {0xFF, 0xDF}, {0xC0, 0xC0}, {0xA0, 0xA0}, {0x80, 0x80}, {0xF3, 0xD3},
    };
    for (auto [written, read] : cases) {
        ChipPIO8255 pio(1);
        pio.Write(3, written);
        EXPECT_EQ(pio.Read(3), read) << "mode word " << int(written);
    }
}

TEST(ChipPIO8255, ModeWordInitialisesPortsAndStatus) {
    struct Case {
        uint8_t mode, cin, cout;
    };
    const Case cases[] = {
        {0x80, 0xFF, 0x00},  // mode 0 everywhere
        {0x84, 0xF8, 0x02},  // group B mode 1: OBF B high
        {0xA0, 0x07, 0x80},  // group A mode 1: OBF A high
        {0xC0, 0x07, 0x80},  // group A mode 2
        {0xA4, 0x00, 0x82},  // both in handshake modes
    };
    for (const Case& c : cases) {
        ChipPIO8255 pio(1);
        pio.inteA1 = pio.inteA2 = pio.inteB = 1;
        pio.portAOut = pio.portBOut = 0x55;
        pio.Write(3, c.mode);
        EXPECT_EQ(pio.portCIn, c.cin) << int(c.mode);
        EXPECT_EQ(pio.portCOut, c.cout) << int(c.mode);
        EXPECT_EQ(pio.portAIn, 0xFF);
        EXPECT_EQ(pio.portBIn, 0xFF);
        EXPECT_EQ(pio.portAOut, 0x00);
        EXPECT_EQ(pio.portBOut, 0x00);
        EXPECT_EQ(pio.inteA1 | pio.inteA2 | pio.inteB, 0);
    }
}

TEST(ChipPIO8255, Mode0OutputReadBack) {
    ChipPIO8255 pio(1);
    pio.Write(3, 0x80);
    pio.Write(0, 0x5A);
    pio.Write(1, 0x5A);
    EXPECT_EQ(pio.Read(0), 0x5A);
    pio.SetPortInput(0, 0x0F);
    pio.SetPortInput(1, 0x0F);
    EXPECT_EQ(pio.Read(0), 0x0A);  // latch AND pins
    EXPECT_EQ(pio.Read(1), 0x5A);  // latch alone
}

TEST(ChipPIO8255, PortCWriteMasks) {
    struct Case {
        uint8_t mode, expected;
    };
    const Case cases[] = {
        {0x80, 0xFF},  // both halves output
        {0x81, 0xF0},  // C lower input: upper only
        {0x84, 0xF2},  // group B mode 1: upper only (OBF B stays)
        {0x88, 0x0F},  // C upper input: lower only
        {0xA0, 0x8F},  // group A mode 1: lower only
        {0xC0, 0x8F},  // group A mode 2: lower only
        {0x89, 0x00},  // both input: nothing
        {0xA4, 0x82},  // both handshake: nothing
    };
    for (const Case& c : cases) {
        ChipPIO8255 pio(1);
        pio.Write(3, c.mode);
        pio.Write(2, 0xFF);
        EXPECT_EQ(pio.portCOut, c.expected) << "mode " << int(c.mode);
    }
}

TEST(ChipPIO8255, PortCReadMode0MixesLatchAndPins) {
    ChipPIO8255 pio(1);
    pio.Write(3, 0x88);  // C upper input, C lower output
    pio.Write(2, 0x05);
    pio.SetPortInput(2, 0xA0);
    EXPECT_EQ(pio.Read(2), 0xA5);
    pio.Write(3, 0x81);  // C upper output, C lower input
    pio.Write(2, 0x30);
    pio.SetPortInput(2, 0x0C);
    EXPECT_EQ(pio.Read(2), 0x3C);
}

TEST(ChipPIO8255, BitSetResetHonoursDirections) {
    struct Case {
        uint8_t mode;
        int bit;
        bool writable;
    };
    const Case cases[] = {
        {0x80, 0, true},  {0x80, 3, true},  {0x80, 7, true},
        {0x81, 1, false}, {0x81, 3, true},  {0x81, 5, true},   // bit 3 through C upper output
        {0x88, 3, true},  {0x88, 5, false}, {0x88, 2, true},   // bit 3 through C lower output
        {0x89, 3, false}, {0x89, 0, false}, {0x89, 6, false},
        {0x84, 1, false}, {0x84, 3, true},  {0x84, 6, true},   // group B mode 1
        {0xA0, 5, false}, {0xA0, 3, false}, {0xA0, 1, true},   // group A mode 1
    };
    for (const Case& c : cases) {
        ChipPIO8255 pio(1);
        pio.Write(3, c.mode);
        const uint8_t before = pio.portCOut;
        const uint8_t mask = static_cast<uint8_t>(1u << c.bit);
        pio.Write(3, static_cast<uint8_t>((c.bit << 1) | 1));
        const uint8_t expected = c.writable ? (before | mask) : before;
        EXPECT_EQ(pio.portCOut, expected) << "mode " << int(c.mode) << " bit " << c.bit;
        pio.Write(3, static_cast<uint8_t>(c.bit << 1));
        EXPECT_EQ(pio.portCOut, c.writable ? (before & ~mask) : before);
    }
}

TEST(ChipPIO8255, InteCommandsInMode2) {
    ChipPIO8255 pio(1);
    pio.Write(3, 0xC0);
    pio.Write(3, 0x09);  // PC4 set: INTE 1
    EXPECT_EQ(pio.inteA1, 1);
    EXPECT_EQ(pio.portCOut, 0x80);  // bit 4 untouched
    EXPECT_EQ(pio.Read(2) & 0x10, 0x10);
    pio.Write(3, 0x0D);  // PC6 set: INTE 2
    EXPECT_EQ(pio.inteA2, 1);
    EXPECT_EQ(pio.Read(2) & 0x40, 0x40);
    // OBF A is set (empty) but ACK is low: no INTR yet.
    EXPECT_EQ(pio.portCOut & 0x08, 0);
    pio.SetInputPin(2, 6, 1);  // ACK rises with INTE 2 and OBF set
    EXPECT_EQ(pio.portCOut & 0x08, 0x08);
    pio.Write(3, 0x0C);  // INTE 2 off: INTR recomputed
    EXPECT_EQ(pio.inteA2, 0);
    EXPECT_EQ(pio.portCOut & 0x08, 0);
    pio.Write(3, 0x0D);  // back on; PC6 pin high and OBF set
    EXPECT_EQ(pio.portCOut & 0x08, 0x08);
}

TEST(ChipPIO8255, InteCommandsNeedTheMatchingMode) {
    ChipPIO8255 pio(1);
    pio.Write(3, 0xA0);  // group A mode 1 output: PC4 is a plain line, PC6 INTE 2
    pio.Write(3, 0x09);
    EXPECT_EQ(pio.inteA1, 0);
    pio.Write(3, 0x0D);
    EXPECT_EQ(pio.inteA2, 1);
    pio.Write(3, 0xB0);  // mode 1 input: PC4 INTE 1, PC6 nothing
    pio.Write(3, 0x0D);
    EXPECT_EQ(pio.inteA2, 0);
    pio.Write(3, 0x09);
    EXPECT_EQ(pio.inteA1, 1);
    pio.Write(3, 0x05);  // group B mode 0: PC2 is data
    EXPECT_EQ(pio.inteB, 0);
}

TEST(ChipPIO8255, Mode1StrobedInputPortA) {
    ChipPIO8255 pio(1);
    Recorder rec;
    pio.SetOutputHook(ChipPIO8255::kPortC, MakeClosure<&Recorder::OutC>(&rec));
    pio.Write(3, 0xB0);  // group A mode 1 input, C lower output
    pio.SetInputPin(2, 4, 1);
    EXPECT_EQ(pio.portCOut & 0x08, 0);  // rising STB, no INTE
    pio.Write(3, 0x09);
    pio.SetPortInput(0, 0x3C);
    rec.calls.clear();
    pio.SetInputPin(2, 4, 0);  // STB falls: latch, IBF
    EXPECT_EQ(pio.portALatch, 0x3C);
    EXPECT_EQ(pio.portCOut & 0x28, 0x20);
    EXPECT_EQ(rec.calls, (Calls{"C:80>A0"}));
    pio.SetPortInput(0, 0x00);  // pins change after the strobe
    pio.SetInputPin(2, 4, 1);  // STB rises: INTR A
    EXPECT_EQ(pio.portCOut & 0x28, 0x28);
    // bits 7-6 read 0, IBF, INTE 1, INTR, lower bits from the latch.
    EXPECT_EQ(pio.Read(2), 0x38);
    EXPECT_EQ(pio.Read(0), 0x3C);
    EXPECT_EQ(pio.portCOut & 0x28, 0x00);
    EXPECT_EQ(pio.Read(2), 0x10);
}

TEST(ChipPIO8255, Mode1OutputPortAHandshake) {
    ChipPIO8255 pio(1);
    Recorder rec;
    pio.SetOutputHook(ChipPIO8255::kPortA, MakeClosure<&Recorder::OutA>(&rec));
    pio.SetOutputHook(ChipPIO8255::kPortC, MakeClosure<&Recorder::OutC>(&rec));
    pio.Write(3, 0xA0);
    pio.Write(3, 0x0D);          // INTE 2; ACK pin low: no INTR
    EXPECT_EQ(pio.portCOut, 0x80);
    pio.SetInputPin(2, 6, 1);    // ACK rises with OBF high: INTR
    EXPECT_EQ(pio.portCOut, 0x88);
    rec.calls.clear();
    pio.Write(0, 0x55);          // OBF falls, INTR clears, no port-A hook
    EXPECT_EQ(rec.calls, (Calls{"C:88>00"}));
    EXPECT_EQ(pio.GetPortOutput(0), 0x55);
    EXPECT_EQ(pio.Read(2) & 0xC8, 0x40);  // OBF low, INTE 2, no INTR
    pio.SetInputPin(2, 6, 0);    // ACK falls: buffer empty
    EXPECT_EQ(pio.portCOut, 0x80);
    pio.SetInputPin(2, 6, 1);    // ACK rises: INTR
    EXPECT_EQ(pio.portCOut, 0x88);
    EXPECT_EQ(pio.Read(0), 0x55);
}

TEST(ChipPIO8255, Mode1PortBInputAndOutput) {
    ChipPIO8255 pio(1);
    Recorder rec;
    pio.SetOutputHook(ChipPIO8255::kPortB, MakeClosure<&Recorder::OutB>(&rec));
    pio.Write(3, 0x86);  // group B mode 1 input
    pio.Write(3, 0x05);  // INTE B; STB low: no INTR
    EXPECT_EQ(pio.inteB, 1);
    EXPECT_EQ(pio.portCOut & 0x03, 0x02);
    pio.SetPortInput(1, 0x99);
    pio.SetInputPin(2, 2, 1);
    EXPECT_EQ(pio.portCOut & 0x03, 0x03);
    pio.SetInputPin(2, 2, 0);  // latch, IBF, INTR off
    EXPECT_EQ(pio.portBLatch, 0x99);
    EXPECT_EQ(pio.portCOut & 0x03, 0x02);
    pio.SetInputPin(2, 2, 1);
    EXPECT_EQ(pio.portCOut & 0x03, 0x03);
    EXPECT_EQ(pio.Read(2) & 0x0F, 0x07);
    EXPECT_EQ(pio.Read(1), 0x99);
    EXPECT_EQ(pio.portCOut & 0x03, 0x00);
    EXPECT_EQ(pio.Read(2) & 0x07, 0x04);

    pio.Write(3, 0x84);  // group B mode 1 output
    pio.Write(1, 0x77);
    EXPECT_TRUE(rec.calls.empty());
    EXPECT_EQ(pio.portCOut & 0x03, 0x00);
    EXPECT_EQ(pio.GetPortOutput(1), 0x77);
    EXPECT_EQ(pio.Read(1), 0x77);
    pio.SetInputPin(2, 2, 1);
    pio.SetInputPin(2, 2, 0);  // ACK: buffer empty
    EXPECT_EQ(pio.portCOut & 0x03, 0x02);

    pio.Write(3, 0x80);  // mode 0: the hook is called
    pio.Write(1, 0x12);
    EXPECT_EQ(rec.calls, (Calls{"B:12"}));
}

TEST(ChipPIO8255, PortCNotifierSplitsHalves) {
    ChipPIO8255 pio(1);
    Recorder rec;
    pio.SetOutputHook(ChipPIO8255::kPortCLower, MakeClosure<&Recorder::OutCL>(&rec));
    pio.SetOutputHook(ChipPIO8255::kPortCUpper, MakeClosure<&Recorder::OutCU>(&rec));
    pio.Write(3, 0x80);  // mode write: every bit seen as changed, upper first
    EXPECT_EQ(rec.calls, (Calls{"CU:FF>00", "CL:FF>00"}));
    rec.calls.clear();
    pio.Write(2, 0x01);
    pio.Write(2, 0x81);
    pio.Write(2, 0x81);  // no change: no call
    EXPECT_EQ(rec.calls, (Calls{"CL:00>01", "CU:01>81"}));

    // The whole-port hook takes over both halves.
    rec.calls.clear();
    pio.SetOutputHook(ChipPIO8255::kPortC, MakeClosure<&Recorder::OutC>(&rec));
    pio.Write(2, 0x18);
    pio.Write(2, 0x18);
    EXPECT_EQ(rec.calls, (Calls{"C:81>18"}));
}

TEST(ChipPIO8255, ControlHookAndResetKeepOrClearHooks) {
    ChipPIO8255 pio(1);
    Recorder rec;
    pio.SetOnControlWrite(MakeClosure<&Recorder::Ctl>(&rec));
    pio.SetOutputHook(ChipPIO8255::kPortC, MakeClosure<&Recorder::OutC>(&rec));
    pio.Write(3, 0x82);
    EXPECT_EQ(rec.calls, (Calls{"W:82", "C:FF>00"}));
    pio.Write(3, 0x01);  // bit command: no control hook
    EXPECT_EQ(rec.calls.size(), 3u);
    rec.calls.clear();
    pio.portALatch = pio.portBLatch = 0x42;
    pio.Reset(0);
    EXPECT_EQ(rec.calls, (Calls{"W:9B", "C:FF>00"}));  // old is NOT new: all bits changed
    EXPECT_EQ(pio.portALatch, 0);
    EXPECT_EQ(pio.portBLatch, 0);
    rec.calls.clear();
    pio.Reset(1);
    EXPECT_TRUE(rec.calls.empty());
}

TEST(ChipPIO8255, HookSettersReturnPreviousAndRefuseBadKinds) {
    ChipPIO8255 pio(1);
    Recorder r1, r2;
    auto a1 = MakeClosure<&Recorder::OutA>(&r1);
    auto a2 = MakeClosure<&Recorder::OutA>(&r2);
    EXPECT_FALSE(pio.SetOutputHook(0, a1).Assigned());
    EXPECT_TRUE(pio.SetOutputHook(0, a2) == a1);
    pio.Write(3, 0x80);
    pio.Write(0, 0x11);
    EXPECT_TRUE(r1.calls.empty());
    EXPECT_EQ(r2.calls, (Calls{"A:11"}));

    // Value hooks only on 0/1, port-C hooks only on 2/4/5, inputs on 0-2/4/5.
    EXPECT_FALSE(pio.SetOutputHook(2, a1).Assigned());
    EXPECT_FALSE(pio.SetOutputHook(3, a1).Assigned());
    auto c = MakeClosure<&Recorder::OutC>(&r1);
    for (int kind : {0, 1, 3, 6, -1}) {
        EXPECT_FALSE(pio.SetOutputHook(kind, c).Assigned());
        EXPECT_FALSE(pio.SetOutputHook(kind, c).Assigned()) << "kind " << kind << " must store nothing";
    }
    auto in = MakeClosure<&Recorder::InB>(&r1);
    EXPECT_FALSE(pio.SetInputHook(3, in).Assigned());
    EXPECT_FALSE(pio.SetInputHook(3, in).Assigned());
    EXPECT_FALSE(pio.SetInputHook(5, in).Assigned());
    EXPECT_TRUE(pio.SetInputHook(5, {}) == in);
    auto ctl = MakeClosure<&Recorder::Ctl>(&r1);
    EXPECT_FALSE(pio.SetOnControlWrite(ctl).Assigned());
    EXPECT_TRUE(pio.SetOnControlWrite({}) == ctl);
}

TEST(ChipPIO8255, InputHooksRunBeforeMode0Reads) {
    ChipPIO8255 pio(1);
    Recorder rec;
    rec.chip = &pio;
    rec.pinsForA = 0x3E;
    pio.SetInputHook(ChipPIO8255::kPortA, MakeClosure<&Recorder::InA>(&rec));
    pio.SetInputHook(ChipPIO8255::kPortB, MakeClosure<&Recorder::InB>(&rec));
    EXPECT_EQ(pio.Read(0), 0x3E);  // the hook set the pins first
    pio.Read(1);
    EXPECT_EQ(rec.calls, (Calls{"inA", "inB"}));
    rec.calls.clear();
    pio.Write(3, 0x80);  // outputs: no input hooks
    pio.Read(0);
    pio.Read(1);
    pio.Write(3, 0xB0);  // mode 1 input: strobed, no hook
    pio.Read(0);
    EXPECT_TRUE(rec.calls.empty());
}

TEST(ChipPIO8255, PortCInputHookSelection) {
    ChipPIO8255 pio(1);
    Recorder rec;
    pio.SetInputHook(ChipPIO8255::kPortC, MakeClosure<&Recorder::InC>(&rec));
    pio.Read(2);
    EXPECT_EQ(rec.calls, (Calls{"inC"}));
    pio.Write(3, 0x80);  // both halves output: no hook
    pio.Read(2);
    EXPECT_EQ(rec.calls.size(), 1u);

    // Half hooks take precedence over the whole-port hook.
    rec.calls.clear();
    pio.SetInputHook(ChipPIO8255::kPortCUpper, MakeClosure<&Recorder::InCU>(&rec));
    pio.SetInputHook(ChipPIO8255::kPortCLower, MakeClosure<&Recorder::InCL>(&rec));
    pio.Write(3, 0x89);
    pio.Read(2);
    pio.Write(3, 0x81);
    pio.Read(2);
    pio.Write(3, 0x88);
    pio.Read(2);
    EXPECT_EQ(rec.calls, (Calls{"inCU", "inCL", "inCL", "inCU"}));
}

TEST(ChipPIO8255, PinOutput) {
    ChipPIO8255 pio(1);
    EXPECT_EQ(pio.GetPortOutput(3), 0xFF);
    EXPECT_EQ(pio.GetPortOutput(-1), 0xFF);
    EXPECT_EQ(pio.GetOutputPin(3, 0), 0);

    pio.Write(3, 0x88);  // A, B out; C upper in, C lower out
    pio.Write(0, 0x12);
    pio.Write(1, 0x34);
    pio.Write(2, 0x0A);
    pio.SetPortInput(2, 0x50);
    EXPECT_EQ(pio.GetPortOutput(0), 0x12);
    EXPECT_EQ(pio.GetPortOutput(1), 0x34);
    EXPECT_EQ(pio.GetPortOutput(2), 0x5A);
    EXPECT_EQ(pio.GetOutputPin(2, 3), 1);
    EXPECT_EQ(pio.GetOutputPin(2, 2), 0);
    EXPECT_EQ(pio.GetOutputPin(2, 6), 1);

    pio.Write(3, 0x93);  // A, B, C lower input
    pio.SetPortInput(0, 0xC3);
    pio.SetPortInput(1, 0x3C);
    pio.SetPortInput(2, 0x0F);
    EXPECT_EQ(pio.GetPortOutput(0), 0xC3);
    EXPECT_EQ(pio.GetPortOutput(1), 0x3C);
    EXPECT_EQ(pio.GetPortOutput(2), 0x0F);

    // Group B mode 1: bits 0-1 from the status, bit 2 the pin, bit 3 not driven.
    pio.Write(3, 0x84);
    pio.SetPortInput(2, 0xFC);
    EXPECT_EQ(pio.GetPortOutput(2) & 0x0F, 0x06);
}

TEST(ChipPIO8255, PinOutputGroupAHandshakeModes) {
    ChipPIO8255 pio(1);
    pio.Write(3, 0xA0);  // mode 1 output: 7, 3 status; 4-6 pins
    pio.SetPortInput(2, 0x70);
    EXPECT_EQ(pio.GetPortOutput(2) & 0xF8, 0xF0);
    pio.Write(3, 0xB0);  // mode 1 input: 5, 3 status; 4, 6, 7 pins
    pio.SetPortInput(2, 0xC0);
    EXPECT_EQ(pio.GetPortOutput(2) & 0xF8, 0xC0);

    pio.Write(3, 0xC0);  // mode 2
    pio.Write(0, 0x66);
    pio.SetPortInput(0, 0x99);
    pio.SetPortInput(2, 0x00);  // ACK low: the latch drives the pins
    EXPECT_EQ(pio.GetPortOutput(0), 0x66);
    pio.SetPortInput(2, 0x50);  // ACK and STB high: floating
    EXPECT_EQ(pio.GetPortOutput(0), 0xFF);
    pio.SetPortInput(2, 0x40);  // ACK high, STB low: the device's byte
    EXPECT_EQ(pio.GetPortOutput(0), 0x99);
    EXPECT_EQ(pio.GetPortOutput(2) & 0xF8, (pio.portCOut & 0xA8) | 0x40);
}

TEST(ChipPIO8255, InputPinLevelMustBeExactlyOne) {
    ChipPIO8255 pio(1);
    pio.SetInputPin(0, 3, 2);
    EXPECT_EQ(pio.portAIn, 0xF7);
    pio.SetInputPin(0, 3, 1);
    EXPECT_EQ(pio.portAIn, 0xFF);
    pio.SetInputPin(1, 0, -1);
    EXPECT_EQ(pio.portBIn, 0xFE);
    pio.SetInputPin(2, 7, 0);
    EXPECT_EQ(pio.portCIn, 0x7F);
    pio.SetInputPin(3, 0, 0);   // unknown port: ignored
    pio.SetInputPin(0, 8, 0);   // bit out of range: ignored
    EXPECT_EQ(pio.portAIn, 0xFF);
}

TEST(ChipPIO8255, StateRecordReplay) {
    ChipPIO8255 src(1);
    EXPECT_EQ(src.GetState(nullptr), 5);
    src.Write(3, 0x80);
    src.Write(0, 0x11);
    src.Write(1, 0x22);
    src.Write(2, 0x33);
    uint8_t rec[5] = {};
    ASSERT_EQ(src.GetState(rec), 5);
    const uint8_t expected[5] = {0x80, 0x33, 0x22, 0x11, 0x00};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(rec[i], expected[i]) << i;

    ChipPIO8255 dst(1);
    Recorder hooks;
    dst.SetOutputHook(ChipPIO8255::kPortA, MakeClosure<&Recorder::OutA>(&hooks));
    dst.SetOutputHook(ChipPIO8255::kPortB, MakeClosure<&Recorder::OutB>(&hooks));
    dst.SetOutputHook(ChipPIO8255::kPortC, MakeClosure<&Recorder::OutC>(&hooks));
    dst.SetOnControlWrite(MakeClosure<&Recorder::Ctl>(&hooks));
    dst.SetState(rec);
    EXPECT_EQ(hooks.calls, (Calls{"W:9B", "C:FF>00", "W:80", "C:FF>00", "C:00>33", "B:22", "A:11"}));
    uint8_t back[5] = {};
    dst.GetState(back);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(back[i], expected[i]) << i;
}

TEST(ChipPIO8255, StateRecordRestoresInteBits) {
    ChipPIO8255 src(1);
    src.Write(3, 0xC4);  // group A mode 2, group B mode 1
    src.Write(3, 0x09);
    src.Write(3, 0x0D);
    src.Write(3, 0x05);
    uint8_t rec[5];
    src.GetState(rec);
    EXPECT_EQ(rec[0], 0xC4);
    EXPECT_EQ(rec[4], 0x07);
    ChipPIO8255 dst(1);
    dst.SetState(rec);
    EXPECT_EQ(dst.inteA1, 1);
    EXPECT_EQ(dst.inteA2, 1);
    EXPECT_EQ(dst.inteB, 1);
    EXPECT_EQ(dst.control, 0xC4);
}

TEST(ChipPIO8255, StateRecordIgnoredWhenMissingOrEmpty) {
    ChipPIO8255 pio(1);
    pio.Write(3, 0x80);
    pio.Write(0, 0x44);
    const uint8_t zero[5] = {0x00, 0xFF, 0xFF, 0xFF, 0x07};
    pio.SetState(zero);
    pio.SetState(nullptr);
    EXPECT_EQ(pio.control, 0x80);
    EXPECT_EQ(pio.portAOut, 0x44);
    EXPECT_EQ(pio.inteA1, 0);
}

}  // namespace
