// A device's place on the CPU: ports and cycle hook added and removed together.
#include <gtest/gtest.h>

#include <utility>

#include "machine/cpu/ChipMemoryModels.h"
#include "machine/cpu/DeviceAttachment.h"

namespace {

struct Ticking : PeripheralDevice {
    int ticks = 0;
    void WritePort(uint8_t, uint8_t, int32_t) override {}
    uint8_t ReadPort(uint8_t, int32_t) override { return 0; }
    void Tick(int32_t, int32_t) { ticks++; }
    CycleHook TickHook() { return MakeClosure<&Ticking::Tick>(this); }
};

int HookCount(const ChipCpu8080& cpu) {
    int n = 0;
    for (const CycleCallback* c = cpu.GetCycleCallbacks(); c; c = c->Next) n++;
    return n;
}

class DeviceAttachmentTest : public ::testing::Test {
protected:
    ChipMemory2A mem{4};
    ChipCpu8080 cpu{mem};
    Ticking a, b;
};

TEST_F(DeviceAttachmentTest, OneCallMapsPortsAndHookAndDestructionRemovesBoth) {
    {
        DeviceAttachment place(cpu, &a, {{0x10, 0xFF, 1}, {0x20, 0xF0, 0}}, a.TickHook());
        EXPECT_TRUE(place.Attached());
        EXPECT_EQ(cpu.FindPortDevice(0x10), &a);
        EXPECT_EQ(cpu.FindPortDevice(0x2F), &a);
        const PortMapEntry* e = cpu.GetPortMap();
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->ResetFlag, 1);
        ASSERT_NE(e->Next, nullptr);
        EXPECT_EQ(e->Next->ResetFlag, 0);
        cpu.RunCycleCallbacks();
        EXPECT_EQ(a.ticks, 1);
    }
    EXPECT_EQ(cpu.GetPortMap(), nullptr);
    EXPECT_EQ(cpu.GetCycleCallbacks(), nullptr);
}

TEST_F(DeviceAttachmentTest, DetachLeavesAPortThatAnotherDeviceTookOver) {
    DeviceAttachment first(cpu, &a, {{0x88, 0x8C, 1}});
    DeviceAttachment second(cpu, &b, {{0x88, 0x8C, 1}});
    EXPECT_EQ(cpu.FindPortDevice(0x88), &b);
    first.Detach();
    EXPECT_EQ(cpu.FindPortDevice(0x88), &b);
    second.Detach();
    EXPECT_EQ(cpu.FindPortDevice(0x88), nullptr);
}

TEST_F(DeviceAttachmentTest, HookOnlyAndReattachAndMove) {
    DeviceAttachment place(cpu, nullptr, {}, a.TickHook());
    EXPECT_EQ(cpu.GetPortMap(), nullptr);
    EXPECT_EQ(HookCount(cpu), 1);
    // Attaching again replaces what the handle held.
    place.Attach(cpu, &b, {{0x30, 0xFF, 0}}, b.TickHook());
    EXPECT_EQ(HookCount(cpu), 1);
    cpu.RunCycleCallbacks();
    EXPECT_EQ(a.ticks, 0);
    EXPECT_EQ(b.ticks, 1);
    // A moved handle owns the place; the old one no longer removes anything.
    DeviceAttachment moved(std::move(place));
    EXPECT_FALSE(place.Attached());
    place.Detach();
    EXPECT_EQ(cpu.FindPortDevice(0x30), &b);
    moved.Detach();
    EXPECT_EQ(cpu.FindPortDevice(0x30), nullptr);
    EXPECT_EQ(HookCount(cpu), 0);
}

TEST_F(DeviceAttachmentTest, RemoveByPortAndDeviceNeedsBoth) {
    cpu.AddPortDevice(0x40, 0xFF, 0, &a);
    cpu.RemovePortDevice(0x40, &b);
    EXPECT_EQ(cpu.FindPortDevice(0x40), &a);
    cpu.RemovePortDevice(0x40, nullptr);
    EXPECT_EQ(cpu.FindPortDevice(0x40), &a);
    cpu.RemovePortDevice(0x40, &a);
    EXPECT_EQ(cpu.FindPortDevice(0x40), nullptr);
}

}  // namespace
