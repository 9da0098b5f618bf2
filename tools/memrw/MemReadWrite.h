#pragma once
// Memory load and save: a range of the machine's memory to a file and a file
// into memory, byte for byte, with the source, remapping and page applied to
// the memory only while copying.

#include <cstdint>
#include <string>
#include <vector>

class ChipMemory;

// The window's three numbers and their checks.
struct MemRangeValues {
    int32_t start = 0;      // 0..65535
    int32_t length = 4096;  // 1..65535
    int32_t page = 0;       // 0..127, with a paging register

    static constexpr int32_t kMaxLength = 0xFFFF;

    // Parses the field texts; an invalid field takes its fallback (start 0,
    // length 1, page 0). The page is read only with a paging register.
    // True when all are valid.
    bool Read(const std::string& startText, const std::string& lengthText,
              const std::string& pageText, bool hex, bool hasPaging);
};

// What the per-model controls show.
struct MemRwVisibility {
    bool readFrom = false;  // source RAM/ROM: saving on Model-2A, Model-3, Consul 2717
    bool remap = false;     // Consul 2717
    bool page = false;      // memory with a paging register
};
MemRwVisibility MemRwControls(int model, const ChipMemory& memory, bool save);

struct MemCopyOptions {
    int32_t start = 0;
    int32_t length = 4096;
    int32_t page = 0;
    bool fromRam = false;  // saving: read RAM where ROM would be seen
    bool remap = false;    // Consul 2717
};

// Reads the range through the mapping the options ask for (addresses beyond
// FFFFh give FFh); every flag is restored afterwards.
std::vector<uint8_t> ReadMemoryRange(ChipMemory& memory, int model, const MemCopyOptions& options);
// Writes the bytes from start (beyond FFFFh and into ROM dropped); remap and
// page restored afterwards; the all-RAM flag is not touched.
void WriteMemoryRange(ChipMemory& memory, int model, const MemCopyOptions& options,
                      const std::vector<uint8_t>& bytes);

struct MemFileResult {
    enum : int { Done = 0, CannotCreate = 1, CannotOpen = 2 };
    int result = Done;
    int32_t length = 0;    // bytes written or loaded
    bool clamped = false;  // the file held more than fits
};

// Saves the range; the file is replaced whole or not at all.
MemFileResult SaveMemoryToFile(ChipMemory& memory, int model, const MemCopyOptions& options,
                               const std::string& path);
// Loads up to options.length bytes (at most 65,535) from the start of the file.
// An empty or unreadable file is CannotOpen; a file longer than the largest
// range is loaded clamped to 65,535 bytes and says so.
MemFileResult LoadFileToMemory(ChipMemory& memory, int model, const MemCopyOptions& options,
                               const std::string& path);

// The length to preset for a file: its size, clamped to 1..65535; clamped
// is set when the file is longer.
int32_t PresetLength(const std::string& path, bool* clamped);
