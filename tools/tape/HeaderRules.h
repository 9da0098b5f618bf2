#pragma once
// The checks and number notation of the tape-header editor.
#include <cstdint>
#include <string>

#include "tools/tape/TapeBlock.h"

enum class HeaderCheck {
    Ok = 0,
    TypeEmpty,   // err.FileType1
    TypeBad,     // err.FileType2: not a printable ASCII character 21h..7Eh
    NameEmpty,   // err.FileName1
    NameBad,     // err.FileName2: a character outside 20h..7Eh
    NumberBad,   // err.Values: the block number is not 0..255
    ValuesBad,   // err.Values: start or length out of range
};

// Blanks and control characters removed from both ends (UTF-8 text).
std::string TrimHeaderText(const std::string& text);
// The type text: one character 21h..7Eh after trimming.
HeaderCheck CheckType(const std::string& text);
// The name: 1..8 characters of 20h..7Eh after trimming.
HeaderCheck CheckName(const std::string& text);
// The block number 0..255 of a decimal text (blanks read as 0); -1 otherwise.
int ParseBlockNumber(const std::string& text);
// The number shown with at least two digits ("05").
std::string FormatBlockNumber(int number);

// "#" and 4 upper-case hex digits, or 5 decimal digits.
std::string FormatHeaderValue(unsigned value, bool hex);
// Start 0..FFFFh and length 0..FFFFh (the length is the header's field,
// data bytes - 1). An invalid text gives start 0 or length 1; true when both
// were valid.
bool ReadHeaderValues(const std::string& startText, const std::string& lengthText, bool hex, int32_t& start,
                      int32_t& length);

// The fields of a checked editor: number, first character of the type,
// start and the name padded with blanks. Check first; unchecked texts give
// their low bytes.
TapeHeaderFields MakeHeaderFields(int number, const std::string& type, uint16_t start, const std::string& name);
// The editor's name for a file: its name with extension, upper-cased, cut
// to 8 characters and trimmed.
std::string HeaderNameForFile(const std::string& path);
// A name or type byte that stands for a visible Latin-1 character (not a
// control code 00h..1Fh, 7Fh, 80h..9Fh).
inline bool PrintableNameByte(uint8_t b) { return (b >= 0x20 && b < 0x7F) || b >= 0xA0; }
// A block's name as text (8 bytes as Latin-1 characters, control codes as
// blanks, trailing blanks removed).
std::string BlockNameText(const TapeBlock& block);
