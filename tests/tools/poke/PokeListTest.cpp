#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "machine/core/ModelIndex.h"
#include "machine/cpu/ChipMemoryModels.h"
#include "tests/common/TestTempDir.h"
#include "tools/poke/PokeList.h"

namespace {

PokeItem Poke(int32_t address, int32_t value, uint8_t remap) {
    PokeItem item;
    item.address = address;
    item.value = value;
    item.remap = remap;
    return item;
}

TEST(PokeItemText, BothRadixes) {
    EXPECT_EQ(PokeItemText(Poke(0xC000, 10, 1), true), "X/#C000,#0A");
    EXPECT_EQ(PokeItemText(Poke(0xC000, 10, 1), false), "X/49152,10");
    EXPECT_EQ(PokeItemText(Poke(5, 0, 0), true), "#0005,#00");
    EXPECT_EQ(PokeItemText(Poke(5, 0, 0), false), "5,0");
}

TEST(PokeList, RemapFlagOnlyInsideTheRemappedArea) {
    PokeList list;
    list.AddPoke(0xC000, 1, true, true);
    list.AddPoke(0xCFFF, 2, true, true);
    list.AddPoke(0xBFFF, 3, true, true);
    list.AddPoke(0xD000, 4, true, true);
    EXPECT_EQ(list.At(0).remap, 1);
    EXPECT_EQ(list.At(1).remap, 1);
    EXPECT_EQ(list.At(2).remap, 0);
    EXPECT_EQ(list.At(3).remap, 0);
    EXPECT_EQ(list.At(3).text, "#D000,#04");
}

TEST(PokeList, InsertNotesAndDelete) {
    PokeList list;
    list.AddPoke(1, 1, false, false);
    EXPECT_EQ(list.AddNote(""), -1);
    EXPECT_EQ(list.AddNote("Lives", 0), 0);
    list.AddPoke(2, 2, false, false, 1);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_TRUE(list.At(0).IsNote());
    EXPECT_EQ(list.At(1).address, 2);
    EXPECT_EQ(list.At(2).address, 1);
    list.SetChecked(0, true);  // a note cannot be ticked
    EXPECT_FALSE(list.AnyItemChecked());
    list.SetChecked(2, true);
    EXPECT_TRUE(list.AnyItemChecked());
    list.Delete(2);
    EXPECT_FALSE(list.AnyItemChecked());
    list.Delete(7);  // outside: nothing
    EXPECT_EQ(list.Count(), 2);
}

TEST(PokeList, DoubleClickTogglesTheGroupAfterTheEntry) {
    PokeList list;
    list.AddNote("A");
    list.AddPoke(1, 1, false, false);
    list.AddPoke(2, 2, false, false);
    list.AddNote("B");
    list.AddPoke(3, 3, false, false);
    list.SetChecked(2, true);
    list.ToggleGroup(0);  // entries 1, 2 take the inverse of entry 1 (unticked)
    EXPECT_TRUE(list.At(1).checked);
    EXPECT_TRUE(list.At(2).checked);
    EXPECT_FALSE(list.At(4).checked);
    list.ToggleGroup(0);
    EXPECT_FALSE(list.At(1).checked);
    EXPECT_FALSE(list.At(2).checked);
    list.ToggleGroup(-1);  // none selected: from the first entry, a note: no group
    EXPECT_FALSE(list.AnyItemChecked());
    list.ToggleGroup(4);  // the last entry: nothing
    EXPECT_FALSE(list.At(4).checked);
    list.ToggleGroup(3);
    EXPECT_TRUE(list.At(4).checked);
}

TEST(PokeList, MoveAndRefreshTexts) {
    PokeList list;
    list.AddPoke(0xC000, 10, true, true);
    list.AddPoke(1, 2, false, true);
    list.Move(0, 1);
    EXPECT_EQ(list.At(1).text, "X/#C000,#0A");
    list.Move(1, 1);
    list.Move(5, 0);
    EXPECT_EQ(list.At(0).address, 1);
    list.RefreshTexts(false);
    EXPECT_EQ(list.At(1).text, "X/49152,10");
    EXPECT_EQ(list.At(0).text, "1,2");
}

TEST(PokeListApply, ConsulWritesFlaggedPokesRemappedAndRestoresTheState) {
    for (uint8_t machineRemap : {0, 1}) {
        ChipMemoryC2717 memory;
        memory.Reset();
        memory.EndBootMapping();
        memory.SetRemapFlag(machineRemap);
        PokeList list;
        list.AddPoke(0xC011, 0x5A, true, true);
        list.AddPoke(0xC012, 0xA5, false, true);
        list.AddPoke(0x1000, 0x77, false, true);
        list.AddPoke(0x1001, 0x66, false, true);
        for (int i = 0; i < 3; ++i) list.SetChecked(i, true);
        list.Apply(memory, kModelC2717);
        EXPECT_EQ(memory.GetRemapFlag(), machineRemap);
        memory.SetRemapFlag(1);
        EXPECT_EQ(memory.ReadByte(0xC011), 0x5A);
        memory.SetRemapFlag(machineRemap);
        EXPECT_EQ(memory.ReadByte(0xC012), 0xA5);
        EXPECT_EQ(memory.ReadByte(0x1000), 0x77);
        EXPECT_EQ(memory.ReadByte(0x1001), 0x00);  // not ticked
    }
}

TEST(PokeListApply, OtherModelsIgnoreTheFlag) {
    ChipMemory2A memory(4);
    memory.Reset();
    memory.EndBootMapping();
    PokeList list;
    list.AddPoke(0xC011, 0x5A, true, true);
    list.SetChecked(0, true);
    list.Apply(memory, kModel2A);
    EXPECT_EQ(memory.GetRemapFlag(), 0);
    EXPECT_EQ(memory.ReadByte(0xC011), 0x5A);
}

TEST(PokeListFile, SavesDecimalAndLoadsBack) {
    TestTempDir dir;
    PokeList list;
    list.AddNote("Lives");
    list.AddPoke(0xC000, 10, true, true);
    list.AddPoke(300, 255, false, true);
    EXPECT_EQ(list.FileText(), "; Lives\r\nX/49152,10\r\n300,255\r\n");
    ASSERT_TRUE(list.Save(dir.file("p.txt")));
    EXPECT_EQ(dir.read("p.txt"), list.FileText());

    PokeList back;
    const PokeLoadResult r = back.Load(dir.file("p.txt"), true);
    EXPECT_EQ(r.result, PokeLoadResult::Loaded);
    ASSERT_EQ(back.Count(), 3);
    EXPECT_TRUE(back.At(0).IsNote());
    EXPECT_EQ(back.At(0).text, "Lives");
    EXPECT_EQ(back.At(1).text, "X/#C000,#0A");
    EXPECT_EQ(back.At(2).address, 300);
    EXPECT_EQ(back.At(2).value, 255);
    EXPECT_FALSE(back.AnyItemChecked());
}

TEST(PokeListFile, FailedSaveIsReported) {
    TestTempDir dir;
    PokeList list;
    list.AddPoke(1, 1, false, false);
    EXPECT_FALSE(list.Save(dir.file("missing/folder/p.txt")));
}

struct LoadCase {
    const char* name;
    std::string text;
    int result;
    int badLine;
    int entries;
};

class PokeListLoad : public ::testing::TestWithParam<LoadCase> {};

TEST_P(PokeListLoad, StopsAtTheFirstBadLine) {
    const LoadCase& c = GetParam();
    TestTempDir dir;
    dir.write("p.txt", c.text);
    PokeList list;
    list.AddPoke(9, 9, false, false);  // replaced by the file's entries
    const PokeLoadResult r = list.Load(dir.file("p.txt"), false);
    EXPECT_EQ(r.result, c.result);
    if (c.result == PokeLoadResult::BadLine) {
        EXPECT_EQ(r.badLine, c.badLine);
    }
    EXPECT_EQ(list.Count(), c.entries);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, PokeListLoad,
    ::testing::Values(
        LoadCase{"RemapInArea", "X/49152,1\r\n", PokeLoadResult::Loaded, 0, 1},
        LoadCase{"LowerCaseX", "1,1\r\nx/49152,1\r\n", PokeLoadResult::BadLine, 2, 1},
        LoadCase{"BlankAfterComma", "100, 5\r\n", PokeLoadResult::BadLine, 1, 0},
        LoadCase{"TextAfterValue", "100,5;\r\n", PokeLoadResult::BadLine, 1, 0},
        LoadCase{"AddressTooLarge", "65536,0\r\n", PokeLoadResult::BadLine, 1, 0},
        LoadCase{"ValueTooLarge", "100,256\r\n", PokeLoadResult::BadLine, 1, 0},
        LoadCase{"NoComma", "100\r\n", PokeLoadResult::BadLine, 1, 0},
        LoadCase{"EmptyLinesCount", "\r\n\n  1,1  \r\n\r\n\t\r\n 7\r\n", PokeLoadResult::BadLine, 6, 1},
        LoadCase{"BlanksAndLfOnly", "  \n 1,2\n\n3,4   \n", PokeLoadResult::Loaded, 0, 2},
        LoadCase{"Empty", "", PokeLoadResult::Loaded, 0, 0}),
    [](const ::testing::TestParamInfo<LoadCase>& info) { return std::string(info.param.name); });

TEST(PokeListFile, NoteLineIsTrimmed) {
    TestTempDir dir;
    dir.write("p.txt", ";   word\r\n");
    PokeList list;
    ASSERT_EQ(list.Load(dir.file("p.txt"), false).result, PokeLoadResult::Loaded);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.At(0).text, "word");
    EXPECT_EQ(list.FileText(), "; word\r\n");
}

// A note of nothing (";" alone, or "; " as saving writes an empty note) stays a
// note: the groups after it keep their bounds.
TEST(PokeListFile, EmptyNoteLineStaysANote) {
    TestTempDir dir;
    dir.write("p.txt", "1,1\r\n;\r\n2,2\r\n;   \r\n3,3\r\n");
    PokeList list;
    ASSERT_EQ(list.Load(dir.file("p.txt"), false).result, PokeLoadResult::Loaded);
    ASSERT_EQ(list.Count(), 5);
    EXPECT_TRUE(list.At(1).IsNote());
    EXPECT_EQ(list.At(1).text, "");
    EXPECT_TRUE(list.At(3).IsNote());
    EXPECT_EQ(list.FileText(), "1,1\r\n; \r\n2,2\r\n; \r\n3,3\r\n");
}

TEST(PokeListFile, OldFilesWithTheFlagOutsideTheAreaLoadWithAWarning) {
    TestTempDir dir;
    dir.write("p.txt", "1,1\r\nX/53248,1\r\nX/0,2\r\n");
    PokeList list;
    const PokeLoadResult r = list.Load(dir.file("p.txt"), false);
    EXPECT_EQ(r.result, PokeLoadResult::Loaded);
    EXPECT_EQ(r.remapDropped, (std::vector<int>{2, 3}));
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.At(1).remap, 0);
    EXPECT_EQ(list.At(1).text, "53248,1");
}

TEST(PokeListFile, MissingFileOrFolderCannotBeOpenedAndKeepsTheList) {
    TestTempDir dir;
    PokeList list;
    list.AddPoke(1, 1, false, false);
    EXPECT_EQ(list.Load(dir.file("none.txt"), false).result, PokeLoadResult::CannotOpen);
    EXPECT_EQ(list.Load(dir.path(), false).result, PokeLoadResult::CannotOpen);
    EXPECT_EQ(list.Count(), 1);
}

}  // namespace
