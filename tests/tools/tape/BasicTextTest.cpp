// BASIC programs: tokenising text into the token table's bytes, exporting
// them back, and the log of doubtful lines.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/Lang.h"
#include "tools/tape/BasicText.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A piece of a line: a token byte or literal characters.
struct Piece {
    int token;
    const char* text;
};
Piece T(int token) { return {token, nullptr}; }
Piece S(const char* text) { return {0, text}; }

struct Line {
    unsigned number;
    std::vector<Piece> pieces;
};

// A program image: each line's link is 2401h plus the bytes of all lines up
// to and including it; the end link 0000h after the last.
Bytes Program(const std::vector<Line>& lines) {
    Bytes out;
    for (const Line& l : lines) {
        Bytes text;
        for (const Piece& p : l.pieces) {
            if (p.text)
                for (const char* c = p.text; *c; ++c) text.push_back(static_cast<uint8_t>(*c));
            else
                text.push_back(static_cast<uint8_t>(p.token));
        }
        const unsigned link = 0x2401 + static_cast<unsigned>(out.size() + 4 + text.size() + 1);
        out.push_back(static_cast<uint8_t>(link));
        out.push_back(static_cast<uint8_t>(link >> 8));
        out.push_back(static_cast<uint8_t>(l.number));
        out.push_back(static_cast<uint8_t>(l.number >> 8));
        out.insert(out.end(), text.begin(), text.end());
        out.push_back(0);
    }
    out.push_back(0);
    out.push_back(0);
    return out;
}

std::FILE* TextFile(const std::string& text) {
    std::FILE* f = std::tmpfile();
    std::fwrite(text.data(), 1, text.size(), f);
    std::rewind(f);
    return f;
}

BasicImport Import(const std::string& text) {
    std::FILE* f = TextFile(text);
    BasicImport r = TokeniseBasic(f);
    std::fclose(f);
    return r;
}

std::string Export(const Bytes& program) {
    std::FILE* f = std::tmpfile();
    WriteBasicText(f, DetokeniseBasic(program.data(), program.size()));
    std::rewind(f);
    std::string out;
    int c;
    while ((c = std::fgetc(f)) != EOF) out += static_cast<char>(c);
    std::fclose(f);
    return out;
}

TEST(BasicTextTest, TheTableHas111EntriesWithThreeEmpty) {
    int empty = 0;
    for (int i = 0; i < kBasicKeywordCount; ++i) empty += kBasicKeywords[i][0] == 0;
    EXPECT_EQ(empty, 3);
    // Spot checks of each row.
    struct Case {
        int token;
        const char* word;
    };
    const Case cases[] = {{0x80, "END"}, {0x8E, "REM"},   {0x9D, "TAB("},  {0xA4, "+"},   {0xAC, "="},
                          {0xB3, "INP"}, {0xBF, "STR$"},  {0xCE, "?"},     {0xD8, "OUTPUT"}, {0xDB, "CONTROL"},
                          {0xE7, "AT"},  {0xE9, "DEG"},   {0xEA, ""},      {0xED, "WINDOW"}, {0xEE, "REN"}};
    for (const Case& c : cases) EXPECT_STREQ(kBasicKeywords[c.token - 0x80], c.word) << std::hex << c.token;
}

TEST(BasicTextTest, MatchKeywordTakesTheFirstEntryInTableOrder) {
    struct Case {
        const char16_t* line;
        size_t pos;
        uint8_t token;
        size_t after;
    };
    const Case cases[] = {
        {u"INPUT A", 0, 0x84, 5}, {u"INP(1)", 0, 0xB3, 3},  {u"OUTPUT", 0, 0xD8, 6}, {u"OUT 1", 0, 0xDE, 3},
        {u"CONTROL", 0, 0xDB, 7}, {u"CONT", 0, 0xDD, 4},    {u"ATN(X)", 0, 0xBC, 3}, {u"AT 1", 0, 0xE7, 2},
        {u"TOP", 0, 0x9E, 2},     {u"print", 0, 0, 0},      {u"X PRINT", 2, 0x96, 7}, {u"PRIN", 0, 0, 0},
    };
    for (const Case& c : cases) {
        size_t p = c.pos;
        EXPECT_EQ(MatchKeyword(c.line, p), c.token);
        EXPECT_EQ(p, c.after);
    }
}

// A program text of our own and the bytes the token table gives for it.
const char* kText =
    "10 PRINT \"HELLO PRINT\":REM PRINT X\r\n"
    "20 DATA 1,2,\"A:PRINT\":PRINT 5\r\n"
    "30 FOR I=1 TO 10:NEXT I\r\n"
    "40 INPUT A$:OUTPUT 1\r\n"
    "50 print x\r\n"
    "60 IF A<>B THEN GOTO 10\r\n";

Bytes Expected() {
    return Program({
        {10, {T(0x96), S(" \"HELLO PRINT\":"), T(0x8E), S(" PRINT X")}},
        {20, {T(0x83), S(" 1,2,\"A:PRINT\":"), T(0x96), S(" 5")}},
        {30, {T(0x81), S(" I"), T(0xAC), S("1 "), T(0x9E), S(" 10:"), T(0x82), S(" I")}},
        {40, {T(0x84), S(" A$:"), T(0xD8), S(" 1")}},
        {50, {S("print x")}},
        {60, {T(0x8A), S(" A"), T(0xAD), T(0xAB), S("B "), T(0xA1), S(" "), T(0x88), S(" 10")}},
    });
}

TEST(BasicTextTest, TextTokenisesToTheTableBytesAndExportsBack) {
    const BasicImport r = Import(kText);
    EXPECT_EQ(r.bytes, Expected());
    EXPECT_TRUE(r.log.empty());
    EXPECT_EQ(Export(Expected()), kText);
}

TEST(BasicTextTest, ExportWritesOddBytesAsTheRulesSay) {
    // EAh..ECh outside quotes, REM and DATA export as nothing; tokens inside
    // quotes are characters of their code.
    const Bytes p = Program({{1, {T(0xEA), T(0xEB), S("A"), T(0xEC)}}, {2, {S("\""), T(0x96), S("\"")}}});
    EXPECT_EQ(Export(p), "1 A\r\n2 \"\xC2\x96\"\r\n");
    // A line feed inside quotes is written as the line-feed picture, which
    // reads back as the same byte.
    const Bytes lf = Program({{5, {S("\"A\nB\"")}}});
    const std::string text = Export(lf);
    EXPECT_EQ(text, "5 \"A\xE2\x90\x8A" "B\"\r\n");
    EXPECT_EQ(Import(text).bytes, lf);
}

TEST(BasicTextTest, ExportStopsAtTheEndOfTheBlock) {
    // No end link, and a line without its 00h: the walk stops at the block's end.
    Bytes p = Program({{1, {S("A")}}, {2, {S("B")}}});
    p.resize(p.size() - 2);
    BasicExport e = DetokeniseBasic(p.data(), p.size());
    EXPECT_TRUE(e.truncated);
    EXPECT_EQ(e.lines.size(), 2u);
    Bytes cut = Program({{1, {S("ABCDEF")}}});
    cut.resize(7);
    e = DetokeniseBasic(cut.data(), cut.size());
    EXPECT_TRUE(e.truncated);
    ASSERT_EQ(e.lines.size(), 1u);
    EXPECT_EQ(e.lines[0], "1 ABC");
    e = DetokeniseBasic(Expected().data(), Expected().size());
    EXPECT_FALSE(e.truncated);
}

TEST(BasicTextTest, StateRulesAfterRemDataAndQuotes) {
    struct Case {
        const char* text;
        Bytes bytes;
    };
    const Case cases[] = {
        // After the colon that ends DATA, keywords are tokenised again.
        {"1 DATA 1,2:PRINT", Program({{1, {T(0x83), S(" 1,2:"), T(0x96)}}})},
        // A colon inside quotes within DATA does not end it.
        {"1 DATA \":\" PRINT", Program({{1, {T(0x83), S(" \":\" PRINT")}}})},
        // REM ends tokenising for the rest of the line, colons too.
        {"1 REM A:PRINT", Program({{1, {T(0x8E), S(" A:PRINT")}}})},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Import(c.text).bytes, c.bytes) << c.text;
        EXPECT_EQ(Export(c.bytes), std::string(c.text) + "\r\n") << c.text;
    }
}

TEST(BasicTextTest, ImportCornerCases) {
    // An empty text: only the end link, no log.
    BasicImport r = Import("");
    EXPECT_EQ(r.bytes, (Bytes{0, 0}));
    EXPECT_TRUE(r.log.empty());
    // A Latin letter with a diacritic above U+00FF is stored as its plain letter (U+0141 -> L).
    r = Import("1 \"\xC5\x81\"");
    EXPECT_EQ(r.bytes, Program({{1, {S("\"L\"")}}}));
    // Blank lines and leading blanks are skipped.
    r = Import("\r\n   \r\n  7 END\n\n");
    EXPECT_EQ(r.bytes, Program({{7, {T(0x80)}}}));
}

struct LogCase {
    const char* name;
    std::string text;
    std::vector<BasicLogEntry> log;
};

TEST(BasicTextTest, EachDoubtfulLineGetsItsLogLine) {
    using E = BasicLogEntry;
    const std::vector<LogCase> cases = {
        {"77 characters", "10 " + std::string(74, 'A'), {}},
        {"78 characters", "10 " + std::string(75, 'A'), {{E::TooLongLine, 10, 0}}},
        {"no number after a numbered line", "10 END\nPRINT\n", {{E::WrongLineOrder, 0, 10}}},
        {"falling numbers", "20 END\n10 END\n", {{E::WrongLineOrder, 10, 20}}},
        {"equal numbers", "10 END\n10 END\n", {}},
        {"two characters", "10 AB", {{E::ShortLine, 10, 0}}},
        {"three characters", "10 ABC", {}},
        {"digits alone", "10", {{E::ShortLine, 10, 0}}},
        {"number above 65535", "70000 END", {{E::LineNumberTooBig, 70000, 0}}},
        {"in order: long, order, short", "20 A\n10 " + std::string(76, 'B') + "\n5 X",
         {{E::ShortLine, 20, 0}, {E::TooLongLine, 10, 0}, {E::WrongLineOrder, 10, 20}, {E::WrongLineOrder, 5, 10},
          {E::ShortLine, 5, 0}}},
    };
    for (const LogCase& c : cases) {
        SCOPED_TRACE(c.name);
        const BasicImport r = Import(c.text);
        ASSERT_EQ(r.log.size(), c.log.size());
        for (size_t i = 0; i < c.log.size(); ++i) {
            EXPECT_EQ(r.log[i].kind, c.log[i].kind) << i;
            EXPECT_EQ(r.log[i].number, c.log[i].number) << i;
            EXPECT_EQ(r.log[i].previous, c.log[i].previous) << i;
        }
    }
    // A digits-only line is stored with an empty text.
    EXPECT_EQ(Import("10").bytes, Program({{10, {}}}));
    // The number above 65535 is stored as 65535, not wrapped.
    EXPECT_EQ(Import("70000 END").bytes, Program({{65535, {T(0x80)}}}));
}

TEST(BasicTextTest, LongProgramsStopBeforeTheLinksWrap) {
    // Lines of 4 + 70 + 1 bytes: the program may take 10000h - 2401h bytes
    // with its end link.
    std::string text;
    const int lines = 1000;
    for (int i = 1; i <= lines; ++i) text += std::to_string(i) + " REM" + std::string(67, 'X') + "\n";
    const BasicImport r = Import(text);
    const size_t lineBytes = 4 + 1 + 67 + 1;
    const size_t fit = (kBasicMaxBytes - 2) / lineBytes;
    EXPECT_EQ(r.bytes.size(), fit * lineBytes + 2);
    ASSERT_FALSE(r.log.empty());
    EXPECT_EQ(r.log.back().kind, BasicLogEntry::ProgramTooLong);
    EXPECT_EQ(r.log.back().number, static_cast<long long>(fit + 1));
    // Every link stays above the line it follows.
    unsigned address = kBasicStart;
    for (size_t i = 0; i + 2 < r.bytes.size(); i += lineBytes) {
        const unsigned link = r.bytes[i] | (r.bytes[i + 1] << 8);
        EXPECT_EQ(link, address + lineBytes);
        address = link;
    }
}

TEST(BasicTextTest, LogTextComesFromTheLanguageFile) {
    OpenLanguageFilePath(std::string(ORVIK_SOURCE_DIR) + "/resources/Lang/English.ini");
    const std::vector<BasicLogEntry> log = {{BasicLogEntry::TooLongLine, 10, 0},
                                            {BasicLogEntry::WrongLineOrder, 5, 10},
                                            {BasicLogEntry::ShortLine, 7, 0},
                                            {BasicLogEntry::LineNumberTooBig, 70000, 0},
                                            {BasicLogEntry::ProgramTooLong, 900, 0}};
    const std::string text = BasicLogText(log, "FormTapeBrowser");
    CloseLanguageFile();
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i)
        if (i == text.size() || text[i] == '\n') {
            lines.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    ASSERT_EQ(lines.size(), 5u);
    const char* numbers[] = {"10", "5", "7", "70000", "900"};
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_NE(lines[i].find(numbers[i]), std::string::npos) << lines[i];
        EXPECT_EQ(lines[i].find('%'), std::string::npos) << lines[i];
    }
    EXPECT_NE(lines[1].find("10"), std::string::npos);
}

// Characters whose stored byte the text cannot give back: the byte of each
// is worked out from the token table and the text-state rules by hand.
struct RawByteCase {
    const char* name;
    std::string text;
    Bytes bytes;    // the program as imported
    bool notKept;   // the import logs the line
};

TEST(BasicTextTest, LinesThatWouldNotReadBackAreLogged) {
    const std::vector<RawByteCase> cases = {
        // A lone EBh byte stands for U+00EB: line 0 holding the unused token EBh,
        // which exports as nothing.
        {"EBh alone", "\xEB", Program({{0, {T(0xEB)}}}), true},
        {"U+00EA", "10 \xC3\xAA", Program({{10, {T(0xEA)}}}), true},
        {"U+00EC after text", "10 A\xC3\xAC", Program({{10, {S("A"), T(0xEC)}}}), true},
        // Inside quotes, after REM and in DATA the unused tokens export as characters.
        {"EBh in quotes", "10 \"\xC3\xAB\"", Program({{10, {S("\""), T(0xEB), S("\"")}}}), false},
        {"EBh after REM", "10 REM\xC3\xAB", Program({{10, {T(0x8E), T(0xEB)}}}), false},
        {"EBh in DATA", "10 DATA\xC3\xAB", Program({{10, {T(0x83), T(0xEB)}}}), false},
        // EFh..FFh have no keyword; they export as the character of their code.
        {"U+00EF", "10 \xC3\xAF", Program({{10, {T(0xEF)}}}), false},
        {"U+00FF", "10 \xC3\xBF", Program({{10, {T(0xFF)}}}), false},
        // U+018E is stored as 8Eh, the REM token, and exports as REM, not as itself.
        {"U+018E", "10 \xC6\x8EX", Program({{10, {T(0x8E), S("X")}}}), true},
        // U+20AC is stored as ACh and exports as U+00AC.
        {"U+20AC in REM", "10 REM \xE2\x82\xAC", Program({{10, {T(0x8E), S(" "), T(0xAC)}}}), true},
        // A character whose low byte would end the line is stored as "?".
        {"U+0400", "10 \"\xD0\x80\"", Program({{10, {S("\"?\"")}}}), true},
        {"U+240D", "10 \"\xE2\x90\x8D\"", Program({{10, {S("\"?\"")}}}), true},
        // Outside quotes the replacement is the keyword "?".
        {"U+0400 outside quotes", "10 \xD0\x80", Program({{10, {T(0xCE)}}}), true},
        // A character beyond U+FFFF is one replacement.
        {"U+1F600", "10 \"\xF0\x9F\x98\x80\"", Program({{10, {S("\"?\"")}}}), true},
        // Latin letters with diacritics are stored as their plain letters.
        {"U+010D", "10 \"\xC4\x8D\"", Program({{10, {S("\"c\"")}}}), true},
        {"U+0100", "10 \xC4\x80X", Program({{10, {S("AX")}}}), true},
        {"U+0120 first", "10 \xC4\xA0" "AB", Program({{10, {S("GAB")}}}), true},
        {"U+0154", "10 \xC5\x94O", Program({{10, {S("RO")}}}), true},
        {"U+0141", "10 \xC5\x81" "B", Program({{10, {S("LB")}}}), true},
        // The picture of a line feed is stored as 0Ah and exported as the picture.
        {"line-feed picture", "10 \"\xE2\x90\x8A\"", Program({{10, {S("\""), T(0x0A), S("\"")}}}), false},
    };
    for (const RawByteCase& c : cases) {
        SCOPED_TRACE(c.name);
        const BasicImport r = Import(c.text);
        EXPECT_EQ(r.bytes, c.bytes);
        bool logged = false;
        for (const BasicLogEntry& e : r.log)
            if (e.kind == BasicLogEntry::NotKept) {
                logged = true;
                EXPECT_EQ(e.number, c.bytes[2] | (c.bytes[3] << 8));
            }
        EXPECT_EQ(logged, c.notKept);
        // A line that is not logged exports to a text that imports to the same program.
        if (!c.notKept) EXPECT_EQ(Import(Export(r.bytes)).bytes, r.bytes);
    }
}

// A line with a character the machine has no code for is stored with a
// replacement and logged; the lines after it export as they were typed.
TEST(BasicTextTest, AReplacedCharacterNeverBreaksTheLinesAfterIt) {
    const BasicImport r = Import("10 REM \xC4\x8D" "as\r\n20 PRINT 2\r\n30 END\r\n");
    EXPECT_EQ(Export(r.bytes), "10 REM cas\r\n20 PRINT 2\r\n30 END\r\n");
    ASSERT_EQ(r.log.size(), 1u);
    EXPECT_EQ(r.log[0].kind, BasicLogEntry::NotKept);
    EXPECT_EQ(r.log[0].number, 10);
    EXPECT_EQ(r.log[0].line, 0u);
    ASSERT_EQ(r.lines.size(), 3u);
    EXPECT_EQ(r.lines[1].number, 20);
    EXPECT_EQ(r.lines[1].source, u"PRINT 2");
    // The euro sign has no code: its line is logged, the next one is not.
    const BasicImport e = Import("10 REM \xE2\x82\xAC\n20 END\n");
    ASSERT_EQ(e.log.size(), 1u);
    EXPECT_EQ(e.log[0].kind, BasicLogEntry::NotKept);
    EXPECT_EQ(e.log[0].line, 0u);
}

TEST(BasicTextTest, NotKeptLogLineNamesTheLine) {
    OpenLanguageFilePath(std::string(ORVIK_SOURCE_DIR) + "/resources/Lang/English.ini");
    const std::string text = BasicLogText({{BasicLogEntry::NotKept, 4321, 0}}, "FormTapeBrowser");
    CloseLanguageFile();
    EXPECT_NE(text.find("4321"), std::string::npos) << text;
    EXPECT_EQ(text.find('%'), std::string::npos) << text;
    EXPECT_EQ(text.find('\n'), std::string::npos) << text;
}

}  // namespace
