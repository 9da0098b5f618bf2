#pragma once
// Memory and register changes made by the debugger's editors.
#include <cstdint>
#include <string>

class ChipMemory;

namespace dbg {

// Copies rangeStart..rangeEnd to target, in the direction that keeps an
// overlapping source intact; rangeEnd = rangeStart - 1 copies nothing.
void CopyMemory(ChipMemory& memory, int32_t rangeStart, int32_t rangeEnd, int32_t target);
// Writes value to rangeStart..rangeEnd (addresses taken modulo 10000h).
void FillMemory(ChipMemory& memory, int32_t rangeStart, int32_t rangeEnd, uint8_t value);

// Writes the characters of the text editor from address on, one byte each:
// a "." over a byte that shows as "." keeps that byte. Stops at the end of
// memory (nothing is written past FFFFh). Returns the bytes written.
int WriteTextBytes(ChipMemory& memory, int32_t address, const std::u16string& text);
// Writes eight bytes, none past FFFFh.
void WriteDumpBytes(ChipMemory& memory, int32_t address, const uint8_t bytes[8]);

// The AF value stored by the value editor: bits 3 and 5 cleared, bit 1 set.
inline uint16_t EditedAf(unsigned value) { return static_cast<uint16_t>((value & 0xFFD5) | 0x0002); }

}  // namespace dbg
