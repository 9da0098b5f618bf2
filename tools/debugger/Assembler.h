#pragma once
// One-line assembler of the debugger: Intel and Z80 notation of the 8080.
#include <cstdint>
#include <string>

namespace dbg {

// Value of an operand number: digits in decimal, "#" and hex digits otherwise;
// -1 when the text is no such number or is above FFFFh.
int ParseAsmNumber(const std::string& text, bool decimal);

// -1, -2 or -3 for an instruction of 1, 2 or 3 bytes (opcode, then the
// operand byte or word), or the column (0 or more) of the first error.
int Assemble8080(const std::string& text, bool decimal, uint8_t& opcode, uint16_t& operand);
int AssembleZ80(const std::string& text, bool decimal, uint8_t& opcode, uint16_t& operand);
int Assemble(const std::string& text, int notation, bool decimal, uint8_t& opcode, uint16_t& operand);

}  // namespace dbg
