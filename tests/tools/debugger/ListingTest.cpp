#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "DebuggerFixture.h"
#include "tools/debugger/Listing.h"

using namespace dbg;

namespace {

std::string Lines(const std::vector<std::string>& lines) {
    std::string s;
    for (const std::string& l : lines) s += l + "\r\n";
    return s;
}

class ListingTest : public ::testing::Test {
protected:
    void SetUp() override {
        mem.Put(0x0000, {0x21, 0x0F, 0x00,    // LXI H,000Fh
                         0xCD, 0x07, 0x00,    // CALL 0007h
                         0x76,                // HLT
                         0x3E, 0x41,          // MVI A,41h
                         0xC9,                // RET
                         0xFF});              // RST 7
        mem.Put(0x000B, {'H', 'i', '\'', 0x0D, 0x00});
        mem.Put(0x0010, {0x07, 0x00, 0x00, 0x01});
        mem.Put(0x0014, {0x01, 0xA0, 0xFF, 0x10, 0x02});
    }
    std::string Write(const std::vector<DisassArea>& areas, ListingOptions o) {
        ListingWriter w(*mem, o);
        return w.Write(areas);
    }
    FlatMemory mem;
};

TEST_F(ListingTest, LabelledListingOfCodeAndDataAreas) {
    const std::vector<DisassArea> areas = {
        {0x0000, 0x000A, 0, AreaCode, false},  {0x000B, 0x000F, 0, AreaText, false},
        {0x0010, 0x0013, 0, AreaWords, true},  {0x0014, 0x0018, 0, AreaBytes, false},
        {0x0019, 0x0118, 0, AreaSpace, false},
    };
    ListingWriter w(*mem, ListingOptions{});
    EXPECT_EQ(w.Write(areas), Lines({
                                  "         LXI  H,L0010-1",
                                  "         CALL L0007",
                                  "         HLT",
                                  "L0007:   MVI  A,41H",
                                  "         RET",
                                  "",
                                  "         RST  7",
                                  "",
                                  "L000B:   DB   'Hi''',0DH,00H",
                                  "",
                                  "L0010:   DW   L0007,L0100",
                                  "",
                                  "L0014:   DB   01H,0A0H,0FFH,10H",
                                  "         DB   02H",
                                  "",
                                  "L0019:   DS   0100H",
                                  "",
                                  "; labels outside the listed lines",
                                  "L0100    EQU  0100H",
                                  "",
                              }));
    EXPECT_EQ(w.UndefinedLabels(), std::vector<uint16_t>{0x0100});
}

TEST_F(ListingTest, Z80NotationLabelled) {
    const std::vector<DisassArea> areas = {{0x0007, 0x000A, 0, AreaCode, false}};
    ListingOptions o;
    o.notation = 1;
    // Nothing jumps here, so no label is defined; the vector is in assembler form.
    EXPECT_EQ(Write(areas, o), Lines({"         ld   a,41H", "         ret", "", "         rst  38H", ""}));
}

TEST_F(ListingTest, AddressesWithHexDump) {
    const std::vector<DisassArea> areas = {{0x0006, 0x0009, 0, AreaCode, false},
                                           {0x0014, 0x0018, 0, AreaBytes, false}};
    ListingOptions o;
    o.labels = false;
    o.hexDump = true;
    EXPECT_EQ(Write(areas, o), Lines({
                                   "0006  76" + std::string(14, ' ') + "HLT",
                                   "0007  3E 41" + std::string(11, ' ') + "MVI  A,41",
                                   "0009  C9" + std::string(14, ' ') + "RET",
                                   "",
                                   "",
                                   "0014  01 A0 FF 10     DB   01,A0,FF,10",
                                   "0018  02" + std::string(14, ' ') + "DB   02",
                                   "",
                               }));
}

TEST_F(ListingTest, AddressesInDecimal) {
    ListingOptions o;
    o.labels = false;
    o.decimal = true;
    EXPECT_EQ(Write({{0x0000, 0x0005, 0, AreaCode, false}}, o),
              Lines({"00000   LXI  H,15", "00003   CALL 7", ""}));
    EXPECT_EQ(Write({{0x0010, 0x0013, 0, AreaWords, false}, {0x0019, 0x0118, 0, AreaSpace, false}}, o),
              Lines({"00016   DW   7,256", "", "00025   DS   256", ""}));
}

TEST_F(ListingTest, JumpToItselfAndRelocatedCode) {
    FlatMemory m;
    m.Put(0x0000, {0xC3, 0x00, 0x00});
    ListingWriter w(*m, ListingOptions{});
    EXPECT_EQ(w.Write({{0, 2, 0, AreaCode, false}}), Lines({"L0000:   JMP  L0000", "", ""}));
    // Stored at 0000h, meant to run at 4000h.
    m.Put(0x0000, {0xC3, 0x03, 0x40, 0x00});
    EXPECT_EQ(w.Write({{0, 3, 0x4000, AreaCode, false}}), Lines({"         JMP  L4003", "", "L4003:   NOP", ""}));
    EXPECT_TRUE(w.UndefinedLabels().empty());
}

TEST_F(ListingTest, WordValuesDefineLabelsOnlyWithTheFlag) {
    // Three bytes: two words, the second takes the byte after the area.
    std::vector<DisassArea> areas = {{0x0006, 0x0006, 0, AreaCode, false},
                                     {0x0007, 0x0008, 0, AreaCode, false},
                                     {0x0010, 0x0012, 0, AreaWords, false}};
    EXPECT_EQ(Write(areas, ListingOptions{}), Lines({
                                                  "         HLT",
                                                  "",
                                                  "         MVI  A,41H",
                                                  "",
                                                  "L0010:   DW   L0007,L0100",
                                                  "",
                                                  "; labels outside the listed lines",
                                                  "L0007    EQU  0007H",
                                                  "L0100    EQU  0100H",
                                                  "",
                                              }));
    areas[2].valuesAsLabels = true;
    EXPECT_EQ(Write(areas, ListingOptions{}), Lines({
                                                  "         HLT",
                                                  "",
                                                  "L0007:   MVI  A,41H",
                                                  "",
                                                  "L0010:   DW   L0007,L0100",
                                                  "",
                                                  "; labels outside the listed lines",
                                                  "L0100    EQU  0100H",
                                                  "",
                                              }));
}

TEST_F(ListingTest, RestartVectorsAndOneAboveAnInstruction) {
    FlatMemory m;
    m.Put(0x0000, {0xC7,                // RST 0
                   0x21, 0x05, 0x00,    // LXI H,0005h: one above the MVI at 0004h
                   0x3E, 0x00});        // MVI A,0
    ListingWriter w(*m, ListingOptions{});
    EXPECT_EQ(w.Write({{0, 5, 0, AreaCode, false}}), Lines({
                                                         "L0000:   RST  0",
                                                         "         LXI  H,L0004+1",
                                                         "         MVI  A,00H",
                                                         "",
                                                         "; labels outside the listed lines",
                                                         "L0004    EQU  0004H",
                                                         "",
                                                     }));
}

TEST(ListingAreas, ValidityInsertionAndNextAddress) {
    EXPECT_TRUE(AreaIsValid({0, 0xFFFF, 0, AreaCode, false}));
    EXPECT_TRUE(AreaIsValid({0x4000, 0x7FFF, 0xC000, AreaCode, false}));  // moved down to 0000h
    EXPECT_TRUE(AreaIsValid({0x8000, 0x9000, 0x7800, AreaCode, false}));   // runs on from 0000h
    EXPECT_FALSE(AreaIsValid({0, 10, -1, AreaCode, false}));               // unreadable offset
    EXPECT_FALSE(AreaIsValid({5, 4, 0, AreaCode, false}));
    EXPECT_FALSE(AreaIsValid({0, 4, 0, 5, false}));
    EXPECT_EQ(NextFreeAddress({0, 4, 0, AreaWords, false}), 6);
    EXPECT_EQ(NextFreeAddress({0, 4, 0, AreaBytes, false}), 5);
    std::vector<DisassArea> list;
    InsertArea(list, {0x100, 0x1FF, 0, AreaCode, false});
    InsertArea(list, {0x000, 0x0FF, 0, AreaBytes, false});
    InsertArea(list, {0x100, 0x10F, 0, AreaText, false});  // after the equal one
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].from, 0);
    EXPECT_EQ(list[1].type, AreaCode);
    EXPECT_EQ(list[2].type, AreaText);
}

TEST(ListingAreas, ListFiles) {
    const std::vector<DisassArea> areas = {{0, 2, 0, AreaCode, false}, {3, 10, 16384, AreaWords, true}};
    EXPECT_EQ(AreaListText(areas), "0,2,0,0,0\r\n3,10,16384,3,1\r\n");
    std::vector<DisassArea> read;
    EXPECT_EQ(ParseAreaList("0,2,0,0,0\r\n 3, 10, 16384, 3, 1\n\n", read), 0);
    EXPECT_EQ(read, areas);
    // The third line has type 5: two areas stay, line 3 is reported.
    EXPECT_EQ(ParseAreaList("0,2,0,0,0\r\n3,10,0,1,0\r\n5,6,0,5,0\r\n7,8,0,0,0\r\n", read), 3);
    EXPECT_EQ(read.size(), 2u);
    EXPECT_EQ(ParseAreaList("1,2 ,0,0,0", read), 1);      // comma must follow directly
    EXPECT_EQ(ParseAreaList("\r\n\r\n9,8,0,0,0", read), 3);  // to below from
    EXPECT_EQ(ParseAreaList("0,65536,0,0,0", read), 1);
    EXPECT_EQ(ParseAreaList("", read), 0);
}

TEST_F(ListingTest, SavedThroughTheSafeReplace) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "orvik-listing-test";
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "out.asm").string();
    { std::ofstream(path) << "old contents that are longer than the listing itself ..................."; }
    ASSERT_TRUE(SaveListing(path, *mem, {{0x0006, 0x0006, 0, AreaCode, false}}, ListingOptions{}));
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    EXPECT_EQ(ss.str(), Lines({"         HLT", ""}));
    EXPECT_FALSE(SaveListing((dir / "no-such-folder" / "x.asm").string(), *mem,
                             {{0, 0, 0, AreaCode, false}}, ListingOptions{}));
    std::filesystem::remove_all(dir);
}

}  // namespace

namespace {

// An area whose relocated addresses pass FFFFh goes on at 0000h.
TEST_F(ListingTest, RelocationWrapsPastFFFFh) {
    mem.Put(0x1000, {0x00, 0x00, 0xC3, 0xFE, 0xFF});  // NOP; NOP; JMP FFFEh
    const DisassArea area{0x1000, 0x1004, 0xEFFE, AreaCode, false};
    ASSERT_TRUE(AreaIsValid(area));
    EXPECT_EQ(Write({area}, ListingOptions{}), Lines({"LFFFE:   NOP", "         NOP", "         JMP  LFFFE", "", ""}));
    ListingOptions addresses;
    addresses.labels = false;
    EXPECT_EQ(Write({area}, addresses), Lines({"FFFE   NOP", "FFFF   NOP", "0000   JMP  FFFE", "", ""}));
    std::vector<DisassArea> loaded;
    EXPECT_EQ(ParseAreaList("4096,4100,61438,0,0\r\n", loaded), 0);
    EXPECT_EQ(loaded, std::vector<DisassArea>{area});
}

}  // namespace
