// The tape-header editor's checks and number notation.
#include <gtest/gtest.h>

#include "tools/tape/HeaderRules.h"

namespace {

TEST(HeaderRulesTest, TypeCharacter) {
    struct Case {
        const char* text;
        HeaderCheck want;
    };
    const Case cases[] = {
        {">", HeaderCheck::Ok},
        {"~", HeaderCheck::Ok},
        {" ? ", HeaderCheck::Ok},
        {" ", HeaderCheck::TypeEmpty},
        {"", HeaderCheck::TypeEmpty},
        {"\xC3\xA1", HeaderCheck::TypeBad},      // an accented letter, above 7Fh
        {"\xC4\xBE", HeaderCheck::TypeBad},      // U+013E: its low byte 3Eh is no ">"
        {"\x7F", HeaderCheck::TypeBad},
        {"\xE2\x80\xBE", HeaderCheck::TypeBad},  // U+203E
    };
    for (const Case& c : cases) EXPECT_EQ(CheckType(c.text), c.want) << c.text;
}

TEST(HeaderRulesTest, Name) {
    struct Case {
        const char* text;
        HeaderCheck want;
    };
    const Case cases[] = {
        {"ABC DEF", HeaderCheck::Ok},
        {"  GAME  ", HeaderCheck::Ok},
        {"12345678", HeaderCheck::Ok},
        {"", HeaderCheck::NameEmpty},
        {"   ", HeaderCheck::NameEmpty},
        {"A\x7F", HeaderCheck::NameBad},
        {"\xC5\xA0KOLA", HeaderCheck::NameBad},  // U+0160
        {"A\xC4\xA1", HeaderCheck::NameBad},     // U+0121: low byte 21h
        {"A\tB", HeaderCheck::NameBad},
    };
    for (const Case& c : cases) EXPECT_EQ(CheckName(c.text), c.want) << c.text;
    EXPECT_EQ(TrimHeaderText("  GAME  "), "GAME");
}

TEST(HeaderRulesTest, BlockNumberTakesThreeDigitsUpTo255) {
    struct Case {
        const char* text;
        int want;
    };
    const Case cases[] = {{"00", 0}, {"05", 5}, {"99", 99}, {"255", 255}, {"256", -1}, {"  ", 0},
                          {"1 ", 10}, {"", 0}, {"x", -1}, {"999", -1}};
    for (const Case& c : cases) EXPECT_EQ(ParseBlockNumber(c.text), c.want) << c.text;
    EXPECT_EQ(FormatBlockNumber(5), "05");
    EXPECT_EQ(FormatBlockNumber(200), "200");
}

TEST(HeaderRulesTest, HexAndDecimalValues) {
    EXPECT_EQ(FormatHeaderValue(0x2401, true), "#2401");
    EXPECT_EQ(FormatHeaderValue(0x00AB, true), "#00AB");
    EXPECT_EQ(FormatHeaderValue(9217, false), "09217");
    EXPECT_EQ(FormatHeaderValue(0, false), "00000");
    struct Case {
        const char* start;
        const char* length;
        bool hex;
        bool valid;
        int32_t start_, length_;
    };
    const Case cases[] = {
        {"#2401", "#0010", true, true, 0x2401, 0x10},
        {"65535", "00001", false, true, 65535, 1},
        {"65536", "00001", false, false, 0, 1},       // start out of range
        {"00000", "00000", false, true, 0, 0},        // a 1-byte block has length field 0
        {"#FFFF", "#FFFF", true, true, 0xFFFF, 0xFFFF},
        {"#12G4", "#0003", true, false, 0, 3},
        {"#0001", "#XYZW", true, false, 1, 1},
        {"#  12", "#0003", true, true, 0x0012, 3},    // blanks read as 0
    };
    for (const Case& c : cases) {
        int32_t s = -5, l = -5;
        EXPECT_EQ(ReadHeaderValues(c.start, c.length, c.hex, s, l), c.valid) << c.start;
        EXPECT_EQ(s, c.start_) << c.start;
        EXPECT_EQ(l, c.length_) << c.start;
    }
}

TEST(HeaderRulesTest, FieldsAndNames) {
    const TapeHeaderFields f = MakeHeaderFields(7, ">", 0x2401, " AB CD ");
    EXPECT_EQ(f.number, 7);
    EXPECT_EQ(f.type, '>');
    EXPECT_EQ(f.start, 0x2401);
    EXPECT_EQ(std::string(f.name.begin(), f.name.end()), "AB CD   ");
    EXPECT_EQ(HeaderNameForFile("/home/u/hello.txt-123-tmp.tmp"), "HELLO.TX");
    EXPECT_EQ(HeaderNameForFile("/x/ab.c"), "AB.C");
    EXPECT_EQ(HeaderNameForFile("/x/ab      c"), "AB");  // trimmed after the cut
    TapeBlock b;
    b.name = {'G', 'A', 'M', 'E', ' ', ' ', ' ', ' '};
    EXPECT_EQ(BlockNameText(b), "GAME");
    // Control codes read as blanks: eight NUL bytes are an empty name.
    b.name = {0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(BlockNameText(b), "");
    b.name = {0x01, 'A', 0x7F, 'B', 0x85, 0xE9, 0x0D, 0x00};
    EXPECT_EQ(BlockNameText(b), " A B \xC3\xA9");
}

}  // namespace
