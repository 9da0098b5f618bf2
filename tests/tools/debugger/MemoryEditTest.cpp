#include <gtest/gtest.h>

#include "DebuggerFixture.h"
#include "tools/debugger/MemoryEdit.h"

using namespace dbg;

namespace {

class MemoryEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < 16; ++i) mem->WriteByte(0x1000 + i, static_cast<uint8_t>(i + 1));
    }
    FlatMemory mem;
};

TEST_F(MemoryEditTest, OverlappingCopiesKeepTheSource) {
    CopyMemory(*mem, 0x1000, 0x100F, 0x1008);  // upward: backward copy
    for (int i = 0; i < 16; ++i) EXPECT_EQ(mem->ReadByte(0x1008 + i), i + 1) << i;
    for (int i = 0; i < 16; ++i) mem->WriteByte(0x1000 + i, static_cast<uint8_t>(i + 1));
    CopyMemory(*mem, 0x1000, 0x100F, 0x0FF8);  // downward: forward copy
    for (int i = 0; i < 16; ++i) EXPECT_EQ(mem->ReadByte(0x0FF8 + i), i + 1) << i;
    CopyMemory(*mem, 0x2000, 0x1FFF, 0x1000);  // count 0
    EXPECT_EQ(mem->ReadByte(0x1000), 0x09);
}

TEST_F(MemoryEditTest, FillWrapsPastTheEndAndCountZeroWritesNothing) {
    FillMemory(*mem, 0xFFFE, 0xFFFE + 4 - 1, 0xAA);
    EXPECT_EQ(mem->ReadByte(0xFFFE), 0xAA);
    EXPECT_EQ(mem->ReadByte(0xFFFF), 0xAA);
    EXPECT_EQ(mem->ReadByte(0x0000), 0xAA);
    EXPECT_EQ(mem->ReadByte(0x0001), 0xAA);
    EXPECT_EQ(mem->ReadByte(0x0002), 0x00);
    FillMemory(*mem, 0x1000, 0x0FFF, 0x55);
    EXPECT_EQ(mem->ReadByte(0x1000), 1);
}

TEST_F(MemoryEditTest, TextEditorKeepsUnshownBytesAndStopsAtTheEnd) {
    mem.Put(0x3000, {0x00, 0x41, 0x2E});
    WriteTextBytes(*mem, 0x3000, u".A.");
    EXPECT_EQ(mem->ReadByte(0x3000), 0x00);  // "." over a byte shown as "."
    EXPECT_EQ(mem->ReadByte(0x3001), 0x41);
    EXPECT_EQ(mem->ReadByte(0x3002), 0x2E);  // a real "." is written again
    WriteTextBytes(*mem, 0x3000, u"B");
    EXPECT_EQ(mem->ReadByte(0x3000), 0x42);
    // 32 characters from FFF0h: only 16 land, 0000h stays.
    EXPECT_EQ(WriteTextBytes(*mem, 0xFFF0, std::u16string(32, u'Z')), 16);
    EXPECT_EQ(mem->ReadByte(0xFFFF), 'Z');
    EXPECT_EQ(mem->ReadByte(0x0000), 0x00);
    const uint8_t bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    WriteDumpBytes(*mem, 0xFFFC, bytes);
    EXPECT_EQ(mem->ReadByte(0xFFFF), 4);
    EXPECT_EQ(mem->ReadByte(0x0000), 0x00);
}

TEST(EditedAf, FixedFlagBits) {
    EXPECT_EQ(EditedAf(0x00FF), 0x00D7);
    EXPECT_EQ(EditedAf(0x1200), 0x1202);
}

}  // namespace
