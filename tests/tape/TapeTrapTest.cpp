// The fast-loading traps of the CPU slice end to end: a whole machine built
// by the machine owner, a monitor ROM of our own that only carries the
// signature bytes the traps look for, and small programs that call the
// block and byte routines while the tape plays with fast loading.
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <vector>

#include "common/Config.h"
#include "machine/core/ModelIndex.h"
#include "machine/cpu/ChipCpu8080.h"
#include "machine/cpu/ChipMemory.h"
#include "machine/owner/MachineOwner.h"
#include "machine/tape/IifTape.h"
#include "tests/owner/OwnerFixture.h"

namespace {

struct Events {
    std::vector<int> log;
    uint8_t Handle(int event) {
        if (event != TapeEventMonitor) log.push_back(event);
        return 0;
    }
};

class TapeTrap : public ::testing::Test {
protected:
    void SetUp() override {
        const char* xml = kOwnerConfigXml;
        ASSERT_TRUE(doc.load_string(xml));
        ConfigRoot = doc.document_element();
    }
    void TearDown() override { ConfigRoot = pugi::xml_node(); }

    // The monitor at 8000h: block routine at 8DC4h (23h at 8DD3h, RET at
    // 8DE1h), byte routine at 8B6Ch (PUSH B there, RET at 8B9Bh).
    void Build(int model) {
        std::vector<uint8_t> rom(4096, 0x00);
        rom[0xDD3] = 0x23;
        rom[0xDE1] = 0xC9;
        rom[0xB6C] = 0xC5;
        rom[0xB9B] = 0xC9;
        ConfigRoot.child("Model").attribute("current").set_value(kOwnerModelNames[model]);
        owner.BuildMachine(1, static_cast<int32_t>(rom.size()), rom.data());
        owner.ResetMachine(0);
        owner.GetMemory()->EndBootMapping();
        ASSERT_NE(owner.GetTape(), nullptr);
        owner.GetTape()->SetEventHandler(MakeClosure<&Events::Handle>(&events));
    }
    void Load(uint16_t address, const std::vector<uint8_t>& bytes) {
        for (size_t i = 0; i < bytes.size(); i++) {
            owner.GetMemory()->WriteByte(address + static_cast<int32_t>(i), bytes[i]);
            ASSERT_EQ(owner.GetMemory()->ReadByte(address + static_cast<int32_t>(i)), bytes[i]);
        }
    }
    std::vector<uint8_t> Read(uint16_t address, size_t n) {
        std::vector<uint8_t> out;
        for (size_t i = 0; i < n; i++) out.push_back(owner.GetMemory()->ReadByte(address + static_cast<int32_t>(i)));
        return out;
    }
    // One CPU slice from 1000h.
    void RunSlice() {
        owner.GetCpu()->PC = 0x1000;
        owner.PreciseTimerCpuTimer();
    }

    pugi::xml_document doc;
    MachineOwner owner;
    Events events;
};

std::vector<uint8_t> Bytes(int n) {
    std::vector<uint8_t> v;
    for (int i = 0; i < n; i++) v.push_back(static_cast<uint8_t>(i * 73 + 19));
    v[0] = 0x00;
    v[1] = 0xFF;
    return v;
}

// The whole block comes within one slice (4096 cycles), where playing it
// would take 22 half-bits of 853 cycles per byte.
TEST_F(TapeTrap, BlockTrapLoadsTheWholeBlockAtOnce) {
    for (int model : {kModel1, kModelAlfa, kModel2A, kModelAlfa2}) {
        SCOPED_TRACE(model);
        events.log.clear();
        Build(model);
        const int n = 200;
        std::vector<uint8_t> block = Bytes(n);
        uint8_t sum = 0;
        for (uint8_t b : block) sum = static_cast<uint8_t>(sum + b);
        block.push_back(sum);  // checksum
        Load(0x1000, {0x31, 0x00, 0x70,               // LXI SP,7000h
                      0x21, 0x00, 0x40,               // LXI H,4000h
                      0x11, static_cast<uint8_t>(n - 1), static_cast<uint8_t>((n - 1) >> 8),  // LXI D,n-1
                      0x0E, 0x01,                     // MVI C,1 (store)
                      0xCD, 0xC4, 0x8D,               // CALL 8DC4h
                      0x76});                         // HLT
        owner.GetTape()->StartBlock(block.data(), static_cast<int32_t>(block.size()), 0, 1, 0);
        RunSlice();
        ChipCpu8080& c = *owner.GetCpu();
        ASSERT_EQ(c.Halt, 1) << "the routine was not trapped";
        EXPECT_EQ(Read(0x4000, n), std::vector<uint8_t>(block.begin(), block.end() - 1));
        EXPECT_EQ(c.F, 0x40);  // checksum matches
        EXPECT_EQ(c.B, sum);
        EXPECT_EQ(c.GetDE(), 0xFFFF);
        if (model == kModel1) {
            EXPECT_EQ(c.GetHL(), 0x4000 + n);
            EXPECT_EQ(c.A, sum);
        } else {
            EXPECT_EQ(c.GetHL(), 0x4000);
            EXPECT_EQ(c.A, 0);
        }
        EXPECT_EQ(events.log, std::vector<int>{TapeEventPartEnd});
        EXPECT_EQ(owner.GetTape()->GetActivity(), 0);
    }
}

TEST_F(TapeTrap, ByteTrapHandsOverEveryByteAtOnce) {
    for (int model : {kModel2A, kModelAlfa2}) {
        SCOPED_TRACE(model);
        events.log.clear();
        Build(model);
        const int n = 40;
        const std::vector<uint8_t> block = Bytes(n);
        Load(0x1000, {0x31, 0x00, 0x70,  // 1000 LXI SP,7000h
                      0x21, 0x00, 0x40,  // 1003 LXI H,4000h
                      0xCD, 0x6C, 0x8B,  // 1006 CALL 8B6Ch
                      0xDA, 0x11, 0x10,  // 1009 JC 1011h (no byte left)
                      0x77,              // 100C MOV M,A
                      0x23,              // 100D INX H
                      0xC3, 0x06, 0x10,  // 100E JMP 1006h
                      0x76});            // 1011 HLT
        owner.GetTape()->StartBlock(block.data(), n, 0, 1, 0);
        RunSlice();
        ChipCpu8080& c = *owner.GetCpu();
        ASSERT_EQ(c.Halt, 1);
        EXPECT_EQ(c.GetHL(), 0x4000 + n);
        EXPECT_EQ(Read(0x4000, n), block);
        EXPECT_EQ(events.log, std::vector<int>{TapeEventPartEnd});
        EXPECT_EQ(owner.GetTape()->GetActivity(), 0);
    }
}

// Without fast loading the routines run as they stand (here the ROM's
// NOPs), the tape keeps its bytes for normal playing.
TEST_F(TapeTrap, NoTrapWithoutFastLoading) {
    Build(2);
    const std::vector<uint8_t> block = Bytes(10);
    Load(0x1000, {0x31, 0x00, 0x70, 0x11, 0x05, 0x00, 0xCD, 0xC4, 0x8D, 0x76});
    owner.GetTape()->StartBlock(block.data(), 10, 0, 0, 0);
    RunSlice();
    EXPECT_EQ(owner.GetCpu()->GetDE(), 0x0005);
    EXPECT_EQ(owner.GetTape()->GetPlayRemaining(), 10);
    EXPECT_TRUE(events.log.empty());
}

}  // namespace
