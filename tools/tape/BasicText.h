#pragma once
// BASIC programs of the machine: tokenised lines loading at 2401h, turned
// into UTF-8 text and back.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

constexpr uint16_t kBasicStart = 0x2401;
constexpr int kBasicKeywordCount = 111;
// Keyword of token 80h + index; "" for the three unused tokens.
extern const char* const kBasicKeywords[kBasicKeywordCount];

// The keyword at line[pos] (first in table order, exact case): its token,
// pos moved past it; 0 (pos kept) when none.
uint8_t MatchKeyword(const std::u16string& line, size_t& pos);

struct BasicExport {
    std::vector<std::string> lines;  // UTF-8, without line ends
    bool truncated = false;          // the program ran past the block's bytes
};
// Walks the lines of a program of count bytes.
BasicExport DetokeniseBasic(const uint8_t* bytes, size_t count);
// Writes the lines, each with CR LF.
void WriteBasicText(std::FILE* stream, const BasicExport& text);

struct BasicLogEntry {
    enum Kind {
        TooLongLine,       // line number
        WrongLineOrder,    // line number, previous number
        ShortLine,         // line number
        LineNumberTooBig,  // number text; stored as 65535
        ProgramTooLong,    // line number: this line and the rest were dropped
        NotKept,           // line number: its bytes do not export back to the same text
    };
    Kind kind;
    long long number;
    long long previous;
    size_t line = 0;  // index in BasicImport::lines (for ProgramTooLong: the first line left out)
};

struct BasicStoredLine {
    uint16_t number;
    std::u16string source;  // the text read after the number and its blanks
    size_t offset;          // of the line's link in the program
};

struct BasicImport {
    std::vector<uint8_t> bytes;  // the program with its end link
    std::vector<BasicLogEntry> log;
    std::vector<BasicStoredLine> lines;
};
// The largest program: its links stay within the address space.
constexpr size_t kBasicMaxBytes = 0x10000 - kBasicStart;
// Reads and tokenises a text file opened by the caller.
BasicImport TokeniseBasic(std::FILE* stream);
// The log text of the entries, one line each (LF between, none at the end),
// with the texts of the language section.
std::string BasicLogText(const std::vector<BasicLogEntry>& log, const std::string& section);
