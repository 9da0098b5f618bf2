#pragma once
// ROM packages as handed to the ROM modules: the ordered file list of one package.
#include <cstdint>
#include <string>
#include <vector>

#include "machine/core/Closure.h"

// One entry of a module's file list.
struct ROM_FILE {
    std::string path;    // as stored (relative or absolute), "-" for a 1 KB gap
    int32_t size = 0;    // bytes; 1024 for a gap; 0 when missing or unreadable
    int32_t status = 0;  // 0 valid, 1 missing/unreadable, 2 bad size, 3-5 total too large

    bool operator==(const ROM_FILE&) const = default;
};
using RomFileList = std::vector<ROM_FILE>;

// Loads count KB of data at KB slot; false when refused.
using RomPageLoader = Closure<bool(int slot, int count, const uint8_t* data)>;

// Fills a module ROM of sizeKb KB from the list: each file in order takes the
// next ceil(size / 1024) KB (cut to what is left), padded with FFh; a file
// that cannot be read leaves its KB untouched. Relative paths are taken from
// the program folder. Returns the KB assigned.
int LoadRomFileList(const RomFileList& files, int sizeKb, RomPageLoader loader);
