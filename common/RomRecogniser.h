#pragma once
// Recognises ROM dumps in a folder by their size and SHA-1 against a table of known dumps.
// Only the folder itself is read (not its subfolders); links that lead out of it, special
// files (FIFOs, devices, sockets) and files of a size no ROM has are never opened.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

// One known dump: its usual file name, size, SHA-1 (40 lower-case hex digits), kind
// ("monitor", "module", "device", "rom") and the model it is known to run on ("Model-1"...,
// or "-" when none).
struct KnownRom {
    std::string name;
    uint32_t size = 0;
    std::string sha1;
    std::string kind;
    std::string model;
};

// The table compiled into the program (empty when the build had no list of known dumps).
const std::vector<KnownRom>& BuiltInKnownRoms();

// The lines of a tab-separated table: name, size, sha1, crc32, kind, model. Lines that begin
// with '#', the header line and lines that are not well-formed are left out.
std::vector<KnownRom> ParseKnownRoms(const std::string& text);

// SHA-1 of a buffer as 40 lower-case hex digits.
std::string Sha1Hex(const uint8_t* data, size_t size);

// The sizes a ROM file can have: whole KB from 1 KB to 32 KB (a monitor, a ROM-module image).
constexpr uint32_t kRomMinSize = 1024;
constexpr uint32_t kRomMaxSize = 32768;
bool PlausibleRomSize(uint64_t size);

// A file the table names.
struct RecognisedRom {
    std::string path;  // folder + file name
    KnownRom rom;
};

enum class RomSkipReason {
    LinkOutside,  // a symbolic link that leads out of the folder (or nowhere)
    SpecialFile,  // not a regular file: a FIFO, a device, a socket
    SubFolder,    // a folder inside the folder
    WrongSize,    // a size no ROM has (too small, too large, not whole KB)
    Unreadable,   // could not be opened or read whole
};

struct SkippedFile {
    std::string path;
    RomSkipReason reason;
};

struct RomScanResult {
    bool folderRead = false;                        // false: the folder itself could not be opened
    std::vector<RecognisedRom> recognised;          // every known file, in file-name order
    std::map<std::string, RecognisedRom> monitors;  // model -> the first monitor found for it
    std::vector<RecognisedRom> basicModules;        // ROM modules of a model, each known dump once
    std::vector<std::string> unknown;               // plausible size, not in the table
    std::vector<SkippedFile> skipped;               // in file-name order
};

// Reads every file of a plausible size in folder and looks it up in table.
RomScanResult ScanRomFolder(const std::string& folder, const std::vector<KnownRom>& table);

enum class RomFileVerdict { Known, Unknown, NotRead };
// Looks up one file the user chose (links are followed): a regular file of a plausible
// size is read and found in table; others are not read (NotRead).
RomFileVerdict RecogniseRomFile(const std::string& path, const std::vector<KnownRom>& table, KnownRom& found);
