// The fast-loading traps as a service of their own: a CPU, a memory with a
// monitor of our own that carries only the signature bytes, and a tape
// interface playing a block with fast loading; no machine owner.
#include <gtest/gtest.h>

#include <vector>

#include "machine/core/ModelIndex.h"
#include "machine/cpu/ChipCpu8080.h"
#include "machine/cpu/ChipMemoryModels.h"
#include "machine/tape/IifTape.h"
#include "machine/tape/TapeTraps.h"

namespace {

TEST(TapeTrapsRoutines, EntryAddressesPerModel) {
    struct Case {
        int model;
        uint16_t block;
        int32_t byte;
    };
    const Case cases[] = {
        {kModel1, 0x8DC4, -1},     {kModel2, 0x8DC4, 0x8B6C},     {kModel2A, 0x8DC4, 0x8B6C},
        {kModel3, 0xEDC4, 0xEB6C}, {kModelAlfa, 0x8DC4, -1},      {kModelAlfa2, 0x8DC4, 0x8B6C},
        {kModelC2717, 0x8DC4, 0x8B6C},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TapeTraps::BlockRoutine(c.model), c.block) << c.model;
        EXPECT_EQ(TapeTraps::ByteRoutine(c.model), c.byte) << c.model;
    }
}

class TapeTrapsTest : public ::testing::TestWithParam<int> {
protected:
    // A 4 KB monitor at 8000h: 23h at 8DD3h, RET at 8DE1h, PUSH B at 8B6Ch, RET at 8B9Bh.
    void SetUp() override {
        std::vector<uint8_t> rom(4096, 0x00);
        rom[0xDD3] = 0x23;
        rom[0xDE1] = 0xC9;
        rom[0xB6C] = 0xC5;
        rom[0xB9B] = 0xC9;
        ASSERT_TRUE(memory.LoadRom(rom.data(), static_cast<int32_t>(rom.size())));
        memory.Reset();
        memory.EndBootMapping();
    }
    void Play(const std::vector<uint8_t>& block) {
        tape.StartBlock(block.data(), static_cast<int32_t>(block.size()), 0, 1, 0);
        ASSERT_EQ(tape.GetFastMode(), 1);
    }
    // n data bytes 1, 2, ... and their checksum (plus delta).
    static std::vector<uint8_t> Block(int n, int delta = 0) {
        std::vector<uint8_t> v;
        uint8_t sum = 0;
        for (int i = 0; i < n; ++i) {
            v.push_back(static_cast<uint8_t>(i * 37 + 1));
            sum = static_cast<uint8_t>(sum + v.back());
        }
        v.push_back(static_cast<uint8_t>(sum + delta));
        return v;
    }
    void ReadBlockInto(uint16_t hl, int n, uint8_t c) {
        cpu.SetHL(hl);
        cpu.SetDE(static_cast<uint16_t>(n - 1));
        cpu.C = c;
        cpu.PC = 0x8DC4;
        traps.Block(0x8DC4);
    }

    int model = GetParam();
    ChipMemory12 memory{4};
    ChipCpu8080 cpu{memory};
    IifTape tape{model};
    TapeTraps traps{model, tape, cpu};
};

TEST_P(TapeTrapsTest, BlockIsStoredAndChecked) {
    const int n = 100;
    const std::vector<uint8_t> block = Block(n);
    Play(block);
    ReadBlockInto(0x4000, n, 1);
    for (int i = 0; i < n; ++i) ASSERT_EQ(memory.ReadByte(0x4000 + i), block[i]) << i;
    EXPECT_EQ(memory.ReadByte(0x4000 + n), 0x00);  // the checksum is not stored
    EXPECT_EQ(cpu.PC, 0x8DE1);
    EXPECT_EQ(cpu.GetDE(), 0xFFFF);
    EXPECT_EQ(cpu.B, block[n]);
    EXPECT_EQ(cpu.C, 1);
    EXPECT_EQ(cpu.F, 0x40);
    if (model == kModel1) {
        EXPECT_EQ(cpu.GetHL(), 0x4000 + n);
        EXPECT_EQ(cpu.A, block[n]);
    } else {
        EXPECT_EQ(cpu.GetHL(), 0x4000);
        EXPECT_EQ(cpu.A, 0);
    }
    EXPECT_EQ(tape.GetPlayRemaining(), 0);
}

TEST_P(TapeTrapsTest, WrongChecksumAndCompareOnly) {
    const int n = 20;
    const std::vector<uint8_t> block = Block(n, 1);
    Play(block);
    ReadBlockInto(0x4000, n, 0);  // C = 0: compare only, nothing stored
    for (int i = 0; i < n; ++i) ASSERT_EQ(memory.ReadByte(0x4000 + i), 0x00) << i;
    EXPECT_EQ(cpu.F, 0x01);
    EXPECT_EQ(cpu.B, static_cast<uint8_t>(block[n] - 1));
    EXPECT_EQ(cpu.PC, 0x8DE1);
}

TEST_P(TapeTrapsTest, ShortBlockOrMissingSignatureLeaveTheRoutineToRun) {
    const std::vector<uint8_t> block = Block(10);
    Play(block);
    ReadBlockInto(0x4000, 11, 1);  // DE + 2 = 12 > 11 bytes left
    EXPECT_EQ(cpu.PC, 0x8DC4);
    EXPECT_EQ(cpu.GetDE(), 10);
    EXPECT_EQ(memory.ReadByte(0x4000), 0x00);

    // Another page without the signature bytes.
    cpu.SetDE(9);
    cpu.PC = 0x9DC4;
    traps.Block(0x9DC4);
    EXPECT_EQ(cpu.PC, 0x9DC4);
    EXPECT_EQ(cpu.GetDE(), 9);
    EXPECT_EQ(tape.GetPlayRemaining(), 11);
}

// The models whose monitor has a byte routine.
class ByteTrapsTest : public TapeTrapsTest {};

TEST_P(ByteTrapsTest, HandsOverOneByteThenReportsTheEnd) {
    Play({0x5A, 0xA5});
    for (uint8_t expected : {0x5A, 0xA5}) {
        cpu.PC = 0x8B6C;
        cpu.F = 0xFF;
        traps.Byte(0x8B6C);
        EXPECT_EQ(cpu.A, expected);
        EXPECT_EQ(cpu.F, 0x00);
        EXPECT_EQ(cpu.PC, 0x8B9B);
    }
    cpu.A = 0x33;
    traps.Byte(0x8B6C);
    EXPECT_EQ(cpu.A, 0x33);  // no byte: A stays
    EXPECT_EQ(cpu.F, 0x01);
    EXPECT_EQ(cpu.PC, 0x8B9B);
}

TEST_P(ByteTrapsTest, NeedsThePushAtTheEntry) {
    Play({0x5A});
    cpu.PC = 0x9B6C;
    cpu.A = 0x11;
    traps.Byte(0x9B6C);
    EXPECT_EQ(cpu.PC, 0x9B6C);
    EXPECT_EQ(cpu.A, 0x11);
}

INSTANTIATE_TEST_SUITE_P(Models, TapeTrapsTest, ::testing::Values(kModel1, kModel2A));
INSTANTIATE_TEST_SUITE_P(Models, ByteTrapsTest, ::testing::Values(kModel2A, kModelAlfa2));

}  // namespace
