#pragma once
// Byte-wise reading and writing of UTF-8 text files on a stream opened by the caller.
// Written text has CR LF line ends and no byte-order mark; reading accepts CR, LF and CR LF,
// and skips a UTF-8 byte-order mark at the start of the file.
#include <cstdio>
#include <string>

// The next byte, or 0 at the end of the stream (a NUL byte reads the same).
char StreamReadChar(std::FILE* stream);
// Moves the position one byte back, unless it is at the start.
void StreamUnreadChar(std::FILE* stream);
// Skips spaces and tabs (blanks) and/or line ends (lineEnds), counting line ends in
// *lineCounter when given. False with the position before the first byte not skipped;
// true at the end of the stream.
bool StreamSkipBlanks(std::FILE* stream, bool lineEnds, bool blanks, int* lineCounter = nullptr);
// Skips the rest of the line, following blank lines and the leading blanks of the next line.
// False when positioned on that line's first non-blank character; true at the end of the stream.
bool StreamSkipLine(std::FILE* stream);
// A decimal number after optional spaces and tabs, or -1 when there is no digit.
// Numbers past the int range saturate.
int StreamReadNumber(std::FILE* stream);
// 0 when a line (without its line end) was read into text; 1 at the end of the stream.
int StreamReadLine(std::FILE* stream, std::string& text);
// Writes the UTF-8 text; lfToCrlf writes each LF as CR LF, finalCrlf adds CR LF at the end.
void StreamWriteText(std::FILE* stream, const std::string& text, bool lfToCrlf, bool finalCrlf);
