#include <gtest/gtest.h>

#include "DebuggerFixture.h"
#include "tools/debugger/MemorySearch.h"

using namespace dbg;

namespace {

SearchPattern Pattern(std::initializer_list<std::pair<uint8_t, uint8_t>> values) {
    SearchPattern p;
    int i = 0;
    for (auto [v, m] : values) {
        p.pattern[i] = v;
        p.mask[i++] = m;
    }
    return p;
}

class MemorySearchTest : public ::testing::Test {
protected:
    FlatMemory mem;  // all zeros
    SearchState state;
};

TEST_F(MemorySearchTest, MatchAcrossTheEndOfMemory) {
    mem.Put(0xFFFE, {0xAA, 0xBB});
    mem.Put(0x0000, {0xCC});
    const SearchPattern p = Pattern({{0xAA, 0xFF}, {0xBB, 0xFF}, {0xCC, 0xFF}});
    ASSERT_TRUE(FindNext(*mem, p, state, true, 0x1000));
    EXPECT_EQ(state.current, 0xFFFE);
}

TEST_F(MemorySearchTest, MaskedBitsAndIgnoredPositions) {
    mem.Put(0x2000, {0x3E, 0x99, 0xC9});
    // MVI A,anything ; RET with only the low nibble of the last byte compared.
    const SearchPattern p = Pattern({{0x3E, 0xFF}, {0x00, 0x00}, {0x09, 0x0F}});
    ASSERT_TRUE(FindNext(*mem, p, state, true, 0x0000));
    EXPECT_EQ(state.current, 0x2000);
}

TEST_F(MemorySearchTest, StartAddressIsNotComparedAndTheWalkEndsThere) {
    mem.Put(0x3000, {0x55});
    const SearchPattern p = Pattern({{0x55, 0xFF}});
    // Only at the base itself: a new search from there finds nothing.
    EXPECT_FALSE(FindNext(*mem, p, state, true, 0x3000));
    EXPECT_EQ(state.current, 0x3000);
    // From elsewhere it is found.
    ASSERT_TRUE(FindNext(*mem, p, state, true, 0x2FFF));
    EXPECT_EQ(state.current, 0x3000);
}

TEST_F(MemorySearchTest, ContinuedSearchThenExhaustedThenAgain) {
    mem.Put(0x0100, {0x77});
    mem.Put(0x8000, {0x77});
    const SearchPattern p = Pattern({{0x77, 0xFF}});
    ASSERT_TRUE(FindNext(*mem, p, state, true, 0x0000));
    EXPECT_EQ(state.current, 0x0100);
    ASSERT_TRUE(FindNext(*mem, p, state, false, 0));
    EXPECT_EQ(state.current, 0x8000);
    EXPECT_FALSE(FindNext(*mem, p, state, false, 0));  // back at the start
    ASSERT_TRUE(FindNext(*mem, p, state, false, 0));   // the whole space again
    EXPECT_EQ(state.current, 0x0100);
}

TEST(SearchFields, FormatAndParse) {
    const uint8_t bytes[8] = {0, 1, 0x41, 0x7F, 0x80, 0xFF, 10, 200};
    EXPECT_EQ(FormatBytes(bytes, false), "#00 #01 #41 #7F #80 #FF #0A #C8");
    EXPECT_EQ(FormatBytes(bytes, true), "000 001 065 127 128 255 010 200");
    const char16_t chars[8] = {u'A', u'.', u'.', u'.', u'.', u'.', u'.', u'Z'};
    EXPECT_EQ(FormatAscii(chars), u" A   .   .   .   .   .   .   Z");
    uint8_t out[8];
    ASSERT_EQ(ParseBytes("#00 #01 #41 #7f #80 #FF #0A #C8", false, out), 1);
    EXPECT_EQ(out[3], 0x7F);
    ASSERT_EQ(ParseBytes("000 001 065 127 128 255 010 200", true, out), 1);
    EXPECT_EQ(out[7], 200);
    // Caret on the digit that makes the value too large.
    EXPECT_EQ(ParseBytes("000 300 000 000 000 000 000 000", true, out), -(4 + 2));
    EXPECT_EQ(ParseBytes("000 000 270 000 000 000 000 000", true, out), -(9 + 2));
    EXPECT_EQ(ParseBytes("256 000 000 000 000 000 000 000", true, out), -(2 + 2));
    EXPECT_EQ(ParseBytes("000 000", true, out), 0);
}

}  // namespace
