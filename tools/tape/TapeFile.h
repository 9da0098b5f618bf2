#pragma once
// Tape files: the PTP layout (counted records) and the PMD layout (bare
// parts), the reader with its resynchronisation, the writer, raw export and
// the rules that make, convert and repair blocks.
#include <cstdint>
#include <string>
#include <vector>

#include "tools/tape/TapeBlock.h"

enum class TapeLayout : int { Pmd = 0, Ptp = 1 };

// The 8-bit sum of the first n bytes into *sum (when given); true when it
// equals bytes[n].
bool Checksum8(const uint8_t* bytes, size_t n, uint8_t* sum);

struct TapeReadResult {
    TapeBlockList blocks;
    bool bad = true;      // the file was not consumed exactly
    bool pmd = false;     // a bare header part was met: the file is a PMD file
    bool opened = false;  // the path is a regular file that could be opened
    uint32_t end = 0;     // where reading stopped
    uint32_t size = 0;    // of the file
};
TapeReadResult ReadTapeFile(const std::string& path);

// Why a tape operation failed. The window turns it into a message box.
struct TapeFileError {
    enum Code {
        None = 0,
        SourceUnreadable,  // a block's source could not be read whole (path)
        BlockTooLong,      // a body does not fit a 16-bit count (path = source)
        WriteFailed,       // the target could not be written (path = target)
        PmdAfterHeadless,  // a PMD file cannot hold a block after a headless one (path = its source)
        PmdHeadlessAsHeader,  // headless data after a header block that begin like a header block
        FileUnreadable,    // a file to add cannot be opened (path)
        FileTooLong,       // a file to add is too long for a block (path, limit)
        FileEmpty,         // a file to add holds no byte (path)
        NoTape,            // a file to open reads as no block at all (path)
        TapeReadInPart,    // a file to open reads as blocks only up to an offset (path, limit = offset)
    };
    Code code = None;
    std::string path;
    int limit = 0;
    explicit operator bool() const { return code != None; }
};

// What is wrong with a file opened as a tape: it cannot be opened (or is no
// regular file), it holds no block, or blocks were read only from part of it
// (more than the 1 or 2 bytes after the last block that a tape may carry;
// a last block whose body runs past the end is listed as such).
TapeFileError TapeReadProblem(const std::string& path, const TapeReadResult& read);

// The bytes of a block's body as written: BodyCount bytes from its source,
// the last one replaced by bodySum when repairSum is set or an added header
// block is written.
TapeFileError ReadBlockBody(const TapeBlock& block, std::vector<uint8_t>& out);
// The whole file image of a list.
TapeFileError BuildTapeImage(const TapeBlockList& list, TapeLayout layout, std::vector<uint8_t>& out);
// Writes the list to target through a temporary file in the same folder,
// renamed over target; target is untouched on any failure. The list may be
// read from target itself.
TapeFileError WriteTapeFile(const std::string& target, const TapeBlockList& list, TapeLayout layout);
// The body bytes of one block alone.
TapeFileError ExportRawBlock(const TapeBlock& block, const std::string& target);

// Making blocks from files. A header block holds up to 65,534 bytes (its
// body count, data and sum, must fit 16 bits), a headless one 65,535.
constexpr int32_t kMaxHeaderFile = 65534;
constexpr int32_t kMaxHeadlessFile = 65535;
// Checks that path can become a block; its size in *size.
TapeFileError CheckFileForBlock(const std::string& path, bool asHeader, int32_t* size);
// A headless block of the whole file.
TapeFileError MakeHeadlessBlock(const std::string& path, TapeBlock& out);
// A header block of the whole file with the given header fields.
TapeFileError MakeHeaderBlock(const std::string& path, const TapeHeaderFields& fields, TapeBlock& out);
// Drops the header: the block becomes the former body's data bytes.
// False (unchanged) for a block whose data would not fit a headless length.
bool BlockToHeadless(TapeBlock& block);
// Gives a headless block a header; its data become the body, followed by
// their sum. False (unchanged) when the source cannot be read or the block
// is empty.
TapeFileError BlockToHeader(TapeBlock& block, const TapeHeaderFields& fields);
// The stored body sum is replaced by bodySum when written.
void RepairBlockSum(TapeBlock& block);

// Appends a block recorded by the machine (PTP layout: count 63, header
// part, count, body; or a headless record) to the tape file at path, in the
// layout the file has (a new file gets PTP). The file is rewritten through a
// temporary file, so a failure leaves it whole.
TapeFileError AppendRecordedBlock(const std::string& path, const std::vector<uint8_t>& recorded);
