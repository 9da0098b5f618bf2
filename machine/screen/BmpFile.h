#pragma once
// Writing 8-bit palette BMP files, and replacing a file safely.

#include <cstddef>
#include <cstdint>
#include <string>

// Writes data to a temporary file in the folder of path and renames it over
// path, so a failure never leaves path shorter than it was. 0 on success, -1
// on failure (nothing is left behind).
int ReplaceFileContents(const std::string& path, const uint8_t* data, size_t size);

// Saves an 8-bit bottom-up BMP: pixels holds height rows of width palette
// indices, top row first, stride bytes apart; palette holds colours entries as
// 0x??RRGGBB. Rows are padded to 4 bytes. 0 on success, -1 on failure.
int WriteBmp8(const std::string& path, const uint8_t* pixels, int width, int height, int stride,
              const uint32_t* palette, int colours);
