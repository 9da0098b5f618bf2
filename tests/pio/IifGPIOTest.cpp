#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "machine/pio/IifGPIO.h"

namespace {

struct Log {
    std::vector<std::string> calls;
    IifGPIO* dev = nullptr;
    void B0(int32_t c) { calls.push_back("b0:" + std::to_string(c)); }
    void B1(int32_t c) { calls.push_back("b1:" + std::to_string(c)); }
    void A0(int32_t c) {
        calls.push_back("a0:" + std::to_string(c) + ":" + std::to_string(dev ? dev->pio.control : 0));
    }
    void A1(int32_t c) { calls.push_back("a1:" + std::to_string(c)); }
    void PortA(uint8_t v) { calls.push_back("A:" + std::to_string(v)); }
    void PortC(uint8_t, uint8_t) { calls.push_back("C"); }
};

TEST(IifGPIO, DecodesItsFourPortsOnly) {
    IifGPIO gpio;
    EXPECT_EQ(gpio.ReadPort(0x4F, 0), 0x9B);  // built reset
    gpio.WritePort(0x4F, 0x80, 10);
    gpio.WritePort(0x4C, 0x11, 11);
    gpio.WritePort(0x4D, 0x22, 12);
    gpio.WritePort(0x4E, 0x33, 13);
    EXPECT_EQ(gpio.lastCycles, 13);
    EXPECT_EQ(gpio.pio.portAOut, 0x11);
    EXPECT_EQ(gpio.pio.portBOut, 0x22);
    EXPECT_EQ(gpio.pio.portCOut, 0x33);
    gpio.WritePort(0x5C, 0x99, 14);  // a wider bus mapping: not ours
    gpio.WritePort(0x48, 0x99, 14);
    EXPECT_EQ(gpio.pio.portAOut, 0x11);
    EXPECT_EQ(gpio.ReadPort(0x4C, 20), 0x11);
    EXPECT_EQ(gpio.lastCycles, 20);
    for (int port : {0x00, 0x4B, 0x50, 0x5C, 0xCC, 0xFF}) EXPECT_EQ(gpio.ReadPort(port, 0), 0xFF) << port;
}

TEST(IifGPIO, ResetRunsHooksAroundTheChipReset) {
    IifGPIO gpio;
    Log log;
    log.dev = &gpio;
    gpio.WritePort(0x4F, 0x80, 0);
    gpio.SetHook(0, 0, MakeClosure<&Log::B0>(&log));
    gpio.SetHook(1, 7, MakeClosure<&Log::B1>(&log));  // any value but 1 means before
    gpio.SetHook(0, 1, MakeClosure<&Log::A0>(&log));
    gpio.SetHook(1, 1, MakeClosure<&Log::A1>(&log));
    gpio.Reset(42);
    EXPECT_EQ(gpio.lastCycles, 42);
    const std::vector<std::string> expected = {"b0:42", "b1:42", "a0:42:155", "a1:42"};
    EXPECT_EQ(log.calls, expected);
}

TEST(IifGPIO, PlainResetKeepsChipHooks) {
    IifGPIO gpio;
    Log log;
    gpio.pio.SetOutputHook(ChipPIO8255::kPortA, MakeClosure<&Log::PortA>(&log));
    gpio.pio.SetOutputHook(ChipPIO8255::kPortC, MakeClosure<&Log::PortC>(&log));
    gpio.Reset(0);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"C"}));
    EXPECT_EQ(gpio.pio.control, 0x9B);
    gpio.WritePort(0x4C, 7, 0);
    EXPECT_EQ(log.calls.back(), "A:7");
}

TEST(IifGPIO, SetHookReturnsPreviousAndRefusesBadSlots) {
    IifGPIO gpio;
    Log l1, l2;
    auto h1 = MakeClosure<&Log::B0>(&l1);
    auto h2 = MakeClosure<&Log::B0>(&l2);
    EXPECT_FALSE(gpio.SetHook(2, 0, h1).Assigned());
    EXPECT_FALSE(gpio.SetHook(-1, 1, h1).Assigned());
    gpio.Reset(0);
    EXPECT_TRUE(l1.calls.empty());
    EXPECT_FALSE(gpio.SetHook(0, 0, h1).Assigned());
    EXPECT_TRUE(gpio.SetHook(0, 0, h2) == h1);
    EXPECT_FALSE(gpio.SetHook(0, 1, h1).Assigned());  // before and after are separate places
    EXPECT_TRUE(gpio.SetHook(0, 0, {}) == h2);
}

TEST(IifGPIO, DeviceSideForwardsToTheChip) {
    IifGPIO gpio;
    gpio.WritePort(0x4F, 0x81, 0);  // A, B, C upper out; C lower in
    gpio.WritePort(0x4C, 0xA5, 0);
    EXPECT_EQ(gpio.GetPortOutput(0), 0xA5);
    EXPECT_EQ(gpio.GetPortOutputBit(0, 0), 1);
    EXPECT_EQ(gpio.GetPortOutputBit(0, 1), 0);
    gpio.SetPortInput(2, 0x00);
    gpio.SetPortInputBit(2, 3, 1);
    EXPECT_EQ(gpio.ReadPort(0x4E, 0) & 0x0F, 0x08);
    EXPECT_EQ(gpio.GetPortOutput(3), 0xFF);
}

}  // namespace
