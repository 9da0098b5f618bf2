#pragma once
// The files of the BASIC export and import: the text written out, the text
// read in, its log and the tokenised program waiting in the temporary folder.
#include <cstdint>
#include <string>
#include <vector>

#include "tools/tape/BasicText.h"
#include "tools/tape/TapeFile.h"

// Writes the lines (CR LF each) over path, which stays whole on a failure
// (WriteFailed, path).
TapeFileError ExportBasicFile(const std::string& path, const BasicExport& text);
// Tokenises the text file at path, opened only as a regular file and without
// waiting on a pipe (FileUnreadable, path).
TapeFileError ImportBasicFile(const std::string& path, BasicImport& out);
// Writes the log text (LF between lines) over path with CR LF line ends
// (WriteFailed, path).
TapeFileError WriteBasicLogFile(const std::string& path, const std::string& log);
// Writes the program to a new file "<baseName>-XXXXXX-tmp.tmp" in the
// temporary folder and sets tempPath to its name; nothing is left behind on a
// failure (WriteFailed, the name pattern).
TapeFileError WriteTempProgram(const std::string& baseName, const std::vector<uint8_t>& bytes, std::string& tempPath);
