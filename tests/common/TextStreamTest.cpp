#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/TextStream.h"

namespace {

// A temporary file holding the bytes, positioned at its start.
class Stream {
public:
    explicit Stream(const std::string& bytes = std::string()) : f_(std::tmpfile()) {
        std::fwrite(bytes.data(), 1, bytes.size(), f_);
        std::rewind(f_);
    }
    ~Stream() { std::fclose(f_); }
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;
    std::FILE* get() { return f_; }
    long pos() { return std::ftell(f_); }
    std::string all() {
        std::fflush(f_);
        std::rewind(f_);
        std::string s;
        int c;
        while ((c = std::fgetc(f_)) != EOF) s += static_cast<char>(c);
        return s;
    }

private:
    std::FILE* f_;
};

TEST(StreamReadChar, BytesThenZeroAtEnd) {
    Stream s(std::string("a\0b", 3));
    EXPECT_EQ(StreamReadChar(s.get()), 'a');
    EXPECT_EQ(StreamReadChar(s.get()), '\0');  // a NUL reads like the end
    EXPECT_EQ(StreamReadChar(s.get()), 'b');
    EXPECT_EQ(StreamReadChar(s.get()), '\0');
    EXPECT_EQ(StreamReadChar(s.get()), '\0');
}

TEST(StreamUnreadChar, PutBackAndNotBeforeTheStart) {
    Stream s("xy");
    StreamUnreadChar(s.get());  // at the start: stays
    EXPECT_EQ(s.pos(), 0);
    EXPECT_EQ(StreamReadChar(s.get()), 'x');
    StreamUnreadChar(s.get());
    EXPECT_EQ(StreamReadChar(s.get()), 'x');
    EXPECT_EQ(StreamReadChar(s.get()), 'y');
}

TEST(StreamSkipBlanks, CountsLineEndsOfEveryKind) {
    struct Case {
        std::string bytes;
        int lines;
    } cases[] = {
        // Blank, tab, CR, blank, LF, CR LF, CR, x: a CR LF pair counts once.
        {std::string(" \t\r \n\r\n\rx"), 4},
        // With the CR and LF adjacent they are one pair too.
        {std::string(" \t\r\n\r\n\rx"), 3},
        {std::string("\n\n\nx"), 3},
        {std::string("\r\r\rx"), 3},
        {std::string("x"), 0},
    };
    for (const Case& c : cases) {
        Stream s(c.bytes);
        int lines = 0;
        EXPECT_FALSE(StreamSkipBlanks(s.get(), true, true, &lines));
        EXPECT_EQ(lines, c.lines);
        EXPECT_EQ(StreamReadChar(s.get()), 'x');
    }
}

TEST(StreamSkipBlanks, FlagsAndEnd) {
    Stream a(" \t\rx");
    EXPECT_FALSE(StreamSkipBlanks(a.get(), false, true));  // stops at the CR
    EXPECT_EQ(StreamReadChar(a.get()), '\r');

    Stream b("\n x");
    EXPECT_FALSE(StreamSkipBlanks(b.get(), true, false));  // stops at the blank
    EXPECT_EQ(StreamReadChar(b.get()), ' ');

    Stream c("  \r");  // a final CR counts one line, then the end
    int lines = 0;
    EXPECT_TRUE(StreamSkipBlanks(c.get(), true, true, &lines));
    EXPECT_EQ(lines, 1);

    Stream d("");
    EXPECT_TRUE(StreamSkipBlanks(d.get(), true, true, nullptr));
}

TEST(StreamSkipLine, RestOfLineBlankLinesAndLeadingBlanks) {
    Stream s("first line\r\n   \r\n\t\n  next\rlast");
    EXPECT_FALSE(StreamSkipLine(s.get()));
    EXPECT_EQ(StreamReadChar(s.get()), 'n');
    EXPECT_FALSE(StreamSkipLine(s.get()));
    EXPECT_EQ(StreamReadChar(s.get()), 'l');
    EXPECT_TRUE(StreamSkipLine(s.get()));
}

TEST(StreamReadNumber, BlanksDigitsAndPutBack) {
    Stream a("  \t123,");
    EXPECT_EQ(StreamReadNumber(a.get()), 123);
    EXPECT_EQ(StreamReadChar(a.get()), ',');

    Stream b("x1");
    EXPECT_EQ(StreamReadNumber(b.get()), -1);
    EXPECT_EQ(StreamReadChar(b.get()), 'x');

    Stream c("\n5");  // line ends are not skipped
    EXPECT_EQ(StreamReadNumber(c.get()), -1);
    EXPECT_EQ(StreamReadChar(c.get()), '\n');

    Stream d("77");  // number up to the end
    EXPECT_EQ(StreamReadNumber(d.get()), 77);
    EXPECT_EQ(StreamReadChar(d.get()), '\0');

    Stream e(" 80 40\r\n");
    EXPECT_EQ(StreamReadNumber(e.get()), 80);
    EXPECT_EQ(StreamReadNumber(e.get()), 40);
    EXPECT_EQ(StreamReadNumber(e.get()), -1);

    Stream f("99999999999999999999;");
    EXPECT_GT(StreamReadNumber(f.get()), 65535);
    EXPECT_EQ(StreamReadChar(f.get()), ';');
}

TEST(StreamReadLine, LineEnds) {
    struct Case {
        std::string bytes;
        std::vector<std::string> lines;
    } cases[] = {
        {"a\r\nb", {"a", "b"}},
        {"a\r", {"a"}},
        {"a\nb\n", {"a", "b"}},
        {"a\rb\r\n\r\nc", {"a", "b", "", "c"}},
        {"\n\n", {"", ""}},
        {"", {}},
        {std::string("ab\0cd", 5), {"ab", "cd"}},  // a NUL ends the line
        {"\xC5\xA0kola\r\n", {"\xC5\xA0kola"}},
    };
    for (const Case& c : cases) {
        Stream s(c.bytes);
        std::string line = "junk";
        for (const std::string& want : c.lines) {
            ASSERT_EQ(StreamReadLine(s.get(), line), 0) << want;
            EXPECT_EQ(line, want);
        }
        EXPECT_EQ(StreamReadLine(s.get(), line), 1);
        EXPECT_EQ(line, "");
    }
}

TEST(StreamReadLine, LongLinesHaveNoLimit) {
    std::string longLine(100000, 'z');
    Stream s(longLine + "\r\nend");
    std::string line;
    ASSERT_EQ(StreamReadLine(s.get(), line), 0);
    EXPECT_EQ(line, longLine);
    ASSERT_EQ(StreamReadLine(s.get(), line), 0);
    EXPECT_EQ(line, "end");
}

TEST(ByteOrderMark, SkippedAtTheStartOnly) {
    Stream a("\xEF\xBB\xBFline1\r\n\xEF\xBB\xBFline2");
    std::string line;
    ASSERT_EQ(StreamReadLine(a.get(), line), 0);
    EXPECT_EQ(line, "line1");
    ASSERT_EQ(StreamReadLine(a.get(), line), 0);
    EXPECT_EQ(line, "\xEF\xBB\xBFline2");  // later it is text

    Stream b("\xEF\xBB\xBF 42");
    EXPECT_EQ(StreamReadNumber(b.get()), 42);

    Stream c("\xEF\xBB\xBF");
    EXPECT_EQ(StreamReadLine(c.get(), line), 1);

    Stream d("\xEF\xBBx");  // not a mark: read as it is
    EXPECT_EQ(StreamReadChar(d.get()), '\xEF');
    EXPECT_EQ(StreamReadChar(d.get()), '\xBB');
    EXPECT_EQ(StreamReadChar(d.get()), 'x');
}

TEST(StreamWriteText, CrLfAndUtf8WithoutMark) {
    struct Case {
        std::string text;
        bool lfToCrlf, finalCrlf;
        std::string bytes;
    } cases[] = {
        {"ab\ncd", true, true, "ab\r\ncd\r\n"},
        {"ab\ncd", false, true, "ab\ncd\r\n"},
        {"ab\ncd", true, false, "ab\r\ncd"},
        {"", false, true, "\r\n"},
        {"", false, false, ""},
        // Characters outside any single code page survive unchanged.
        {"\xC5\xA0ir\xC3\xA1 \xE2\x82\xAC \xE4\xB8\xAD", false, false,
         "\xC5\xA0ir\xC3\xA1 \xE2\x82\xAC \xE4\xB8\xAD"},
    };
    for (const Case& c : cases) {
        Stream s;
        StreamWriteText(s.get(), c.text, c.lfToCrlf, c.finalCrlf);
        EXPECT_EQ(s.all(), c.bytes) << c.text;
    }
}

TEST(StreamWriteText, WrittenLinesReadBack) {
    Stream s;
    StreamWriteText(s.get(), "10 PRINT \"\xC4\x8C\"", false, true);
    StreamWriteText(s.get(), "20 END", false, true);
    std::fflush(s.get());
    std::rewind(s.get());
    std::string line;
    ASSERT_EQ(StreamReadLine(s.get(), line), 0);
    EXPECT_EQ(line, "10 PRINT \"\xC4\x8C\"");
    ASSERT_EQ(StreamReadLine(s.get(), line), 0);
    EXPECT_EQ(line, "20 END");
    EXPECT_EQ(StreamReadLine(s.get(), line), 1);
}

}  // namespace
