#pragma once
// Writing 8-bit palette BMP files (through a temporary file and a rename).

#include <cstddef>
#include <cstdint>
#include <string>

// Saves an 8-bit bottom-up BMP: pixels holds height rows of width palette
// indices, top row first, stride bytes apart; palette holds colours entries as
// 0x??RRGGBB. Rows are padded to 4 bytes. 0 on success, -1 on failure.
int WriteBmp8(const std::string& path, const uint8_t* pixels, int width, int height, int stride,
              const uint32_t* palette, int colours);
