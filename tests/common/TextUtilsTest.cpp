#include <gtest/gtest.h>

#include "common/TextUtils.h"

namespace {

TEST(ParseNumber, Table) {
    struct Case {
        const char* text;
        bool hex;
        int value;
    } cases[] = {
        {"#1A2B", true, 6699}, {"#FFFF", true, 65535}, {"#10000", true, -1},
        {"#1a2b", true, 6699}, {"#00FF", true, 255},   {"# 1F", true, 31},  // blank = 0
        {"12 3", false, 1203}, {"", false, -1},        {"-5", false, -1},
        {"65535", false, 65535}, {"65536", false, -1}, {"00042", false, 42},
        {"12x", false, -1},    {"#", true, -1},        {"#G1", true, -1},
        {"99999999999999999999", false, -1},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseNumber(c.text, c.hex), c.value) << c.text;
}

TEST(FormatNumber, NotationTable) {
    struct Case {
        unsigned value;
        bool word, zeroPad, hex, assembler, hash;
        const char* text;
    } cases[] = {
        {0x1000, true, false, true, false, true, "#1000"},
        {4096, true, true, false, false, false, "04096"},
        {7, false, true, false, false, false, "007"},
        {200, false, false, false, false, false, "200"},
        {0xA000, true, false, true, true, false, "0A000H"},
        {0x3E, false, false, true, true, false, "3EH"},
        {0xA0, false, false, true, true, false, "0A0H"},
        {0x9FFF, true, false, true, true, false, "9FFFH"},
        {40960, true, false, false, true, false, "040960H"},
        {0x9F, false, false, true, true, false, "9FH"},
        {0x0F, false, false, true, false, false, "0F"},   // two digits, no hash
        {0x1234, false, false, true, false, true, "#34"},  // a byte uses the low 8 bits
        {0, true, false, false, false, false, "0"},
        {65535, true, true, false, false, false, "65535"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatNumber(c.value, c.word, c.zeroPad, c.hex, c.assembler, c.hash), c.text)
            << c.value;
        std::string out = "junk";
        EXPECT_EQ(FormatNumber(c.value, c.word, c.zeroPad, out, c.hex, c.assembler, c.hash), c.text);
        EXPECT_EQ(out, c.text);
    }
}

TEST(Guid, TextRoundTrip) {
    Guid g;
    g.Data1 = 0x9A4CB685;
    g.Data2 = 0x236D;
    g.Data3 = 0x11D3;
    const uint8_t tail[8] = {0x8E, 0x9D, 0x00, 0xC0, 0x4F, 0x68, 0x44, 0xAE};
    for (int i = 0; i < 8; ++i) g.Data4[i] = tail[i];
    const std::string text = GuidToText(g);
    EXPECT_EQ(text, "9A4CB685,236D,11D3,8E,9D,00,C0,4F,68,44,AE");
    Guid back;
    ASSERT_TRUE(TextToGuid(text, back));
    EXPECT_TRUE(back == g);

    Guid lower;
    ASSERT_TRUE(TextToGuid("9a4cb685,236d,11d3,8e,9d,0,c0,4f,68,44,ae", lower));
    EXPECT_TRUE(lower == g);
}

TEST(Guid, IncompleteTextsAreRefused) {
    Guid g;
    const char* bad[] = {
        "9A4CB685,236D,11D3,8E,9D,00,C0,4F,68,44",  // ten fields
        "",
        "9A4CB685,236D,11D3,8E,9D,00,C0,4F,68,44,",
        "9A4CB685;236D;11D3;8E;9D;00;C0;4F;68;44;AE",
        "XYZ,236D,11D3,8E,9D,00,C0,4F,68,44,AE",
    };
    for (const char* t : bad) EXPECT_FALSE(TextToGuid(t, g)) << t;
}

TEST(TakeLeadingNumber, Table) {
    struct Case {
        const char* in;
        int value;
        const char* rest;
    } cases[] = {
        {"123,45", 123, ",45"}, {"12,", 12, ","}, {"abc", -1, "abc"},
        {"42", 42, ""},         {"", -1, ""},     {"0x", 0, "x"},
    };
    for (const Case& c : cases) {
        std::string t = c.in;
        EXPECT_EQ(TakeLeadingNumber(t), c.value) << c.in;
        EXPECT_EQ(t, c.rest) << c.in;
    }
    std::string huge = "123456789012345;";
    EXPECT_GT(TakeLeadingNumber(huge), 65535);  // far out of every caller's range
    EXPECT_EQ(huge, ";");
}

TEST(ConvertLineBreaks, EveryBackslashBecomesLineFeed) {
    std::string t = "a\\b\\\\c";
    ConvertLineBreaks(t);
    EXPECT_EQ(t, "a\nb\n\nc");
}

}  // namespace

TEST(SameTextNoCase, OnlyAsciiLettersFold) {
    struct Case {
        const char* a;
        const char* b;
        bool same;
    };
    const Case cases[] = {{"basic.RMM", "BASIC.rmm", true}, {"", "", true},     {"a", "", false},
                          {"[", "{", false},                {"@", "`", false}, {"\xc3\x81", "\xc3\xa1", false}};
    for (const Case& c : cases) EXPECT_EQ(SameTextNoCase(c.a, c.b), c.same) << c.a << " / " << c.b;
}
