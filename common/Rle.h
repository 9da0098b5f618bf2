#pragma once
// Run-length coder for memory blocks.
//
// A packed block is a sequence of packets: a first byte with bit 7 set is
// followed by (c AND 7Fh) + 1 literal bytes; a first byte below 80h is followed
// by one byte repeated c + 3 times. A packed size of 1 means the whole block is
// that one byte; a packed size equal to the block size means the block is raw.

#include <cstdint>

// Packs n bytes (n >= 1) of block into out, which holds at least n bytes.
// Returns the packed size: 1 for a block of one repeated byte, n when the block
// is stored raw, otherwise the number of packet bytes (fewer than n).
// Returns -1 for bad arguments.
int RleCompress(std::uint8_t* out, const std::uint8_t* block, int n);

// Unpacks packed (p bytes) into out (size bytes). Returns the number of bytes
// produced, -1 for bad arguments (missing buffers, size or p not positive,
// size < p) and -2 when the packed data is not used up exactly: a packet is cut
// short by the end of the data, or the data holds more than fits into out.
int RleDecompress(std::uint8_t* out, int size, const std::uint8_t* packed, int p);
