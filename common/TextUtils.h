#pragma once
// Number notation of the tool windows, GUID texts and small text helpers.
#include <string>

#include "platform/Guid.h"

// True when a and b are the same text but for the case of ASCII letters.
bool SameTextNoCase(const std::string& a, const std::string& b);

// Every backslash becomes a line feed.
void ConvertLineBreaks(std::string& text);

// Value 0..65535 of a decimal text, or of a hexadecimal one whose first character (the "#")
// stands for "0x" when hex is set; blanks count as "0". -1 when the text is no such number.
int ParseNumber(const std::string& text, bool hex);

// Text of a byte (word = false, low 8 bits used) or word: hex gives 2 or 4 upper-case
// digits ("#" in front with hash), otherwise decimal, zero-padded to 3 or 5 digits with
// zeroPad. The assembler form puts "0" in front of values from A0h / A000h up and "H" after.
std::string FormatNumber(unsigned value, bool word, bool zeroPad, bool hex, bool assembler,
                         bool hash);
// The same into out; returns out.
const std::string& FormatNumber(unsigned value, bool word, bool zeroPad, std::string& out,
                                bool hex, bool assembler, bool hash);

// Eleven comma-separated upper-case hexadecimal fields, without braces or dashes.
std::string GuidToText(const Guid& guid);
// True when the text held all eleven fields; guid is not to be used otherwise.
bool TextToGuid(const std::string& text, Guid& guid);

// The value of the decimal digits at the start of text, which are removed; -1 (text
// unchanged) when text does not begin with a digit. Runs past the int range saturate.
int TakeLeadingNumber(std::string& text);
