// Port map and cycle-callback list.
#include <gtest/gtest.h>

#include <sys/mman.h>

#include <cstring>
#include <vector>

#include "machine/cpu/ChipCpu8080.h"
#include "machine/cpu/ChipMemoryModels.h"

namespace {

struct Dev : PeripheralDevice {
    void WritePort(uint8_t, uint8_t, int32_t) override {}
    uint8_t ReadPort(uint8_t, int32_t) override { return 0; }
};

std::vector<const PortMapEntry*> Entries(const ChipCpu8080& cpu) {
    std::vector<const PortMapEntry*> v;
    for (const PortMapEntry* e = cpu.GetPortMap(); e; e = e->Next) v.push_back(e);
    return v;
}

class PortBus : public ::testing::Test {
protected:
    PortBus() : mem(4), cpu(mem) {}
    ChipMemory2A mem;
    ChipCpu8080 cpu;
    Dev a, b, c;
};

TEST_F(PortBus, RefusesNullDeviceAndZeroMask) {
    cpu.AddPortDevice(0x10, 0x00, 0, &a);
    cpu.AddPortDevice(0x10, 0xFF, 0, nullptr);
    EXPECT_TRUE(Entries(cpu).empty());
    EXPECT_EQ(cpu.FindPortDevice(0x10), nullptr);
}

TEST_F(PortBus, SamePortValueReplacesAndMovesLast) {
    cpu.AddPortDevice(0x10, 0xFF, 0, &a);
    cpu.AddPortDevice(0x20, 0xFF, 0, &b);
    cpu.AddPortDevice(0x10, 0xF0, 1, &c);
    auto e = Entries(cpu);
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(e[0]->Device, &b);
    EXPECT_EQ(e[1]->Device, &c);
    EXPECT_EQ(e[1]->Mask, 0xF0);
    EXPECT_EQ(e[1]->ResetFlag, 1);
    // The tail is kept right: a later entry goes after c.
    cpu.AddPortDevice(0x30, 0xFF, 0, &a);
    e = Entries(cpu);
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[2]->Device, &a);
}

TEST_F(PortBus, FirstMatchWins) {
    cpu.AddPortDevice(0x84, 0x8C, 0, &a);
    cpu.AddPortDevice(0x4C, 0xFC, 0, &b);
    EXPECT_EQ(cpu.FindPortDevice(0x86), &a);
    EXPECT_EQ(cpu.FindPortDevice(0xF6), &a);
    EXPECT_EQ(cpu.FindPortDevice(0x4F), &b);
    EXPECT_EQ(cpu.FindPortDevice(0x8C), nullptr);
    // An earlier entry hides a later one on the same ports.
    cpu.AddPortDevice(0x80, 0x80, 0, &c);
    EXPECT_EQ(cpu.FindPortDevice(0x86), &a);
    EXPECT_EQ(cpu.FindPortDevice(0x8C), &c);
}

TEST_F(PortBus, RemoveMatchesThePortValueExactly) {
    cpu.AddPortDevice(0x84, 0x8C, 0, &a);
    cpu.AddPortDevice(0x4C, 0xFC, 0, &b);
    cpu.RemovePortDevice(0x86);  // decoded by a, but not its port value
    EXPECT_EQ(Entries(cpu).size(), 2u);
    cpu.RemovePortDevice(0x4C);
    auto e = Entries(cpu);
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0]->Device, &a);
    cpu.RemovePortDevice(0x84);
    EXPECT_TRUE(Entries(cpu).empty());
    cpu.AddPortDevice(0x10, 0xFF, 0, &c);  // the list still appends after emptying
    EXPECT_EQ(cpu.FindPortDevice(0x10), &c);
}

struct Counter {
    int calls = 0;
    static void Hit(void* data, int32_t, int32_t) { static_cast<Counter*>(data)->calls++; }
    static void Other(void* data, int32_t, int32_t) { static_cast<Counter*>(data)->calls += 100; }
};

TEST_F(PortBus, CycleCallbackList) {
    Counter x, y;
    cpu.AddCycleCallback(CycleHook(nullptr, &x));
    EXPECT_EQ(cpu.GetCycleCallbacks(), nullptr);
    cpu.AddCycleCallback(CycleHook(&Counter::Hit, &x));
    cpu.AddCycleCallback(CycleHook(&Counter::Hit, &x));  // twice: called twice
    cpu.AddCycleCallback(CycleHook(&Counter::Other, &y));
    cpu.RunCycleCallbacks();
    EXPECT_EQ(x.calls, 2);
    EXPECT_EQ(y.calls, 100);
    cpu.RemoveCycleCallback(CycleHook(&Counter::Hit, &y));  // right function, other data
    cpu.RunCycleCallbacks();
    EXPECT_EQ(x.calls, 4);
    cpu.RemoveCycleCallback(CycleHook(&Counter::Hit, &x));  // removes one of the two
    cpu.RunCycleCallbacks();
    EXPECT_EQ(x.calls, 5);
    EXPECT_EQ(y.calls, 300);
    cpu.RemoveCycleCallback(CycleHook(&Counter::Other, &y));
    cpu.RemoveCycleCallback(CycleHook(&Counter::Hit, &x));
    EXPECT_EQ(cpu.GetCycleCallbacks(), nullptr);
}

// Any code address is a hook, however low it lies.
TEST_F(PortBus, HookAtALowAddressIsCalled) {
#if defined(__x86_64__) && defined(__linux__)
    void* const want = reinterpret_cast<void*>(0x8000);
    void* page = mmap(want, 4096, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
    if (page == MAP_FAILED) GTEST_SKIP() << "no page can be mapped below 10000h";
    if (page != want) {
        munmap(page, 4096);
        GTEST_SKIP() << "no page can be mapped below 10000h";
    }
    // endbr64; inc dword [rdi]; ret
    const uint8_t code[] = {0xF3, 0x0F, 0x1E, 0xFA, 0xFF, 0x07, 0xC3};
    std::memcpy(page, code, sizeof code);
    if (mprotect(page, 4096, PROT_READ | PROT_EXEC) != 0) {
        munmap(page, 4096);
        GTEST_SKIP() << "the page cannot be made executable";
    }
    int32_t calls = 0;
    const CycleHook low(reinterpret_cast<CycleHook::Code>(page), &calls);
    cpu.AddCycleCallback(low);
    EXPECT_NE(cpu.GetCycleCallbacks(), nullptr);
    cpu.RunCycleCallbacks();
    cpu.RunCycleCallbacks();
    EXPECT_EQ(calls, 2);
    cpu.RemoveCycleCallback(low);
    EXPECT_EQ(cpu.GetCycleCallbacks(), nullptr);
    munmap(page, 4096);
#else
    GTEST_SKIP() << "needs x86-64 code";
#endif
}

}  // namespace
