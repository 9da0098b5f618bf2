#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "machine/core/ModelIndex.h"
#include "machine/cpu/ChipMemoryModels.h"
#include "tests/common/TestTempDir.h"
#include "tools/memrw/MemReadWrite.h"

namespace {

template <class M>
std::unique_ptr<M> Running(uint8_t romKb) {
    auto m = std::make_unique<M>(romKb);
    m->Reset();
    m->EndBootMapping();
    return m;
}

struct ValueCase {
    const char* name;
    const char* start;
    const char* length;
    const char* page;
    bool hex;
    bool paging;
    bool valid;
    int32_t startOut, lengthOut, pageOut;
};

class MemRangeRead : public ::testing::TestWithParam<ValueCase> {};

TEST_P(MemRangeRead, ChecksAndFallsBack) {
    const ValueCase& c = GetParam();
    MemRangeValues v;
    v.page = 9;
    EXPECT_EQ(v.Read(c.start, c.length, c.page, c.hex, c.paging), c.valid);
    EXPECT_EQ(v.start, c.startOut);
    EXPECT_EQ(v.length, c.lengthOut);
    EXPECT_EQ(v.page, c.pageOut);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, MemRangeRead,
    ::testing::Values(
        ValueCase{"HexFFFF", "#FFFF", "#1000", "#00", true, false, true, 0xFFFF, 0x1000, 9},
        ValueCase{"Decimal65536", "65536", "04096", "000", false, false, false, 0, 4096, 9},
        ValueCase{"LengthZero", "#0000", "#0000", "#00", true, false, false, 0, 1, 9},
        ValueCase{"PageRead", "00000", "00001", "007", false, true, true, 0, 1, 7},
        ValueCase{"PageTooLarge", "#0000", "#0001", "#80", true, true, false, 0, 1, 0},
        ValueCase{"Garbage", "#XYZ0", "#0010", "#00", true, false, false, 0, 16, 9}),
    [](const ::testing::TestParamInfo<ValueCase>& info) { return std::string(info.param.name); });

TEST(MemRwControls, PerModelAndDirection) {
    auto m2a = Running<ChipMemory2A>(4);
    auto m2aEx = Running<ChipMemory2AEx>(4);
    auto m12 = Running<ChipMemory12>(4);
    auto c2717 = Running<ChipMemoryC2717>(16);
    EXPECT_TRUE(MemRwControls(kModel2A, *m2a, true).readFrom);
    EXPECT_FALSE(MemRwControls(kModel2A, *m2a, false).readFrom);
    EXPECT_FALSE(MemRwControls(kModel2A, *m2a, true).page);
    EXPECT_TRUE(MemRwControls(kModel2A, *m2aEx, true).page);
    EXPECT_FALSE(MemRwControls(kModel1, *m12, true).readFrom);
    EXPECT_FALSE(MemRwControls(kModel1, *m12, true).remap);
    EXPECT_TRUE(MemRwControls(kModelC2717, *c2717, false).remap);
    EXPECT_TRUE(MemRwControls(kModelC2717, *c2717, true).readFrom);
}

TEST(MemReadWrite, SaveBeyondFFFFGivesFFh) {
    TestTempDir dir;
    auto m = Running<ChipMemory2A>(4);
    for (int a = 0xFFF0; a <= 0xFFFF; ++a) m->WriteByte(a, static_cast<uint8_t>(a));
    MemCopyOptions o;
    o.start = 0xFFF0;
    o.length = 0x20;
    o.fromRam = true;
    const MemFileResult r = SaveMemoryToFile(*m, kModel2A, o, dir.file("dump.bin"));
    ASSERT_EQ(r.result, MemFileResult::Done);
    const std::string bytes = dir.read("dump.bin");
    ASSERT_EQ(bytes.size(), 32u);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(static_cast<uint8_t>(bytes[i]), 0xF0 + i);
    for (int i = 16; i < 32; ++i) EXPECT_EQ(static_cast<uint8_t>(bytes[i]), 0xFF);
}

TEST(MemReadWrite, SourceRamOrRomAndFlagsRestored) {
    auto m = Running<ChipMemory2A>(4);
    m->GetRom()[0] = 0x11;
    // RAM under the ROM window of Model-2A (ROM at 8000h).
    m->SetAllRamFlag(1);
    m->WriteByte(0x8000, 0x22);
    m->SetAllRamFlag(0);
    MemCopyOptions o;
    o.start = 0x8000;
    o.length = 1;
    o.fromRam = false;
    EXPECT_EQ(ReadMemoryRange(*m, kModel2A, o)[0], 0x11);
    o.fromRam = true;
    EXPECT_EQ(ReadMemoryRange(*m, kModel2A, o)[0], 0x22);
    EXPECT_EQ(m->GetAllRamFlag(), 0);
}

TEST(MemReadWrite, ConsulRemapOnlyWhileCopying) {
    auto m = Running<ChipMemoryC2717>(16);
    MemCopyOptions o;
    o.start = 0xC011;
    o.length = 1;
    o.remap = true;
    WriteMemoryRange(*m, kModelC2717, o, {0x5A});
    EXPECT_EQ(m->GetRemapFlag(), 0);
    EXPECT_EQ(ReadMemoryRange(*m, kModelC2717, o)[0], 0x5A);
    m->SetRemapFlag(1);
    EXPECT_EQ(m->ReadByte(0xC011), 0x5A);
    o.remap = false;
    EXPECT_EQ(ReadMemoryRange(*m, kModelC2717, o)[0], 0x00);
    EXPECT_EQ(m->GetRemapFlag(), 1);
}

TEST(MemReadWrite, PageSetDuringTheCopyAndRestored) {
    auto m = Running<ChipMemory2AEx>(4);
    m->SetPagingRegister(0);
    MemCopyOptions o;
    o.start = 0x1000;
    o.length = 2;
    o.page = 7;
    WriteMemoryRange(*m, kModel2A, o, {1, 2});
    EXPECT_EQ(m->GetPagingRegister(), 0);
    EXPECT_EQ(ReadMemoryRange(*m, kModel2A, o), (std::vector<uint8_t>{1, 2}));
    m->SetPagingRegister(7);
    EXPECT_EQ(m->ReadByte(0x1000), 1);
}

TEST(MemReadWrite, ShortFileLoadsItsBytesAndSetsTheLength) {
    TestTempDir dir;
    dir.write("ten.bin", "0123456789");
    auto m = Running<ChipMemory2A>(4);
    MemCopyOptions o;
    o.start = 0x0100;
    o.length = 4096;
    const MemFileResult r = LoadFileToMemory(*m, kModel2A, o, dir.file("ten.bin"));
    EXPECT_EQ(r.result, MemFileResult::Done);
    EXPECT_EQ(r.length, 10);
    EXPECT_FALSE(r.clamped);
    EXPECT_EQ(m->ReadByte(0x0109), '9');
    EXPECT_EQ(m->ReadByte(0x010A), 0x00);
}

TEST(MemReadWrite, WritesBeyondFFFFAreDropped) {
    TestTempDir dir;
    dir.write("four.bin", "ABCD");
    auto m = Running<ChipMemory2A>(4);
    MemCopyOptions o;
    o.start = 0xFFFE;
    o.length = 4;
    EXPECT_EQ(LoadFileToMemory(*m, kModel2A, o, dir.file("four.bin")).length, 4);
    EXPECT_EQ(m->ReadByte(0xFFFE), 'A');
    EXPECT_EQ(m->ReadByte(0xFFFF), 'B');
    EXPECT_EQ(m->ReadByte(0x0000), 0x00);
}

TEST(MemReadWrite, EmptyMissingOrFolderCannotBeOpened) {
    TestTempDir dir;
    dir.write("empty.bin", "");
    auto m = Running<ChipMemory2A>(4);
    MemCopyOptions o;
    for (const std::string& p : {dir.file("empty.bin"), dir.file("none.bin"), dir.path()})
        EXPECT_EQ(LoadFileToMemory(*m, kModel2A, o, p).result, MemFileResult::CannotOpen) << p;
}

TEST(MemReadWrite, LargeFilesAreClampedAndSaySo) {
    TestTempDir dir;
    dir.write("big.bin", std::string(70000, 'x'));
    bool clamped = false;
    EXPECT_EQ(PresetLength(dir.file("big.bin"), &clamped), 65535);
    EXPECT_TRUE(clamped);
    auto m = Running<ChipMemory2A>(4);
    MemCopyOptions o;
    o.length = 65535;
    const MemFileResult r = LoadFileToMemory(*m, kModel2A, o, dir.file("big.bin"));
    EXPECT_EQ(r.length, 65535);
    EXPECT_TRUE(r.clamped);
    dir.write("small.bin", "xy");
    EXPECT_EQ(PresetLength(dir.file("small.bin"), &clamped), 2);
    EXPECT_FALSE(clamped);
}

TEST(MemReadWrite, FailedSaveIsReported) {
    TestTempDir dir;
    auto m = Running<ChipMemory2A>(4);
    MemCopyOptions o;
    EXPECT_EQ(SaveMemoryToFile(*m, kModel2A, o, dir.file("no/such/dump.bin")).result,
              MemFileResult::CannotCreate);
}

}  // namespace
