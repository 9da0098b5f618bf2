#pragma once
// Instruction and dump lines of the debugger, over the opcode tables.
#include <cstdint>
#include <string>

class ChipMemory;

namespace dbg {

enum Notation : int { Intel = 0, Z80 = 1 };

// "#" and four hex digits, or five decimal digits.
std::string PaddedWord(unsigned value, bool decimal);
// "#" and two hex digits, or three decimal digits.
std::string PaddedByte(unsigned value, bool decimal);
// As above, decimal without leading zeros.
std::string PlainWord(unsigned value, bool decimal);
std::string PlainByte(unsigned value, bool decimal);

// The opcode's template up to its padding, flag character included.
std::string Template(uint8_t opcode, int notation);

// Replaces the first placeholder in text by value; false when it is absent.
bool ReplaceFirst(std::string& text, const std::string& placeholder, const std::string& value);

// Template of the instruction at address with its operand filled in (flag included).
std::string InstructionText(ChipMemory& memory, uint16_t address, bool decimal, int notation);

// Address, bytes and instruction; address advances by the instruction length.
std::string DisassembleLine(ChipMemory& memory, uint16_t& address, bool decimal, int notation);
// Eight bytes with their characters (ascii false) or 32 characters; address advances.
std::string DumpLine(ChipMemory& memory, uint16_t& address, bool decimal, bool ascii);

uint16_t NextInstruction(ChipMemory& memory, uint16_t address, int n);
uint16_t PrevInstruction(ChipMemory& memory, uint16_t address, int n);

// Character shown for a byte in the dump lines.
inline char DumpChar(uint8_t b) { return b < 32 || b > 126 ? '.' : static_cast<char>(b); }

// Where an operand click leads: the RST vector or the 16-bit operand of a
// three-byte instruction; false for other instructions.
bool OperandTarget(ChipMemory& memory, uint16_t address, uint16_t& target);

}  // namespace dbg
