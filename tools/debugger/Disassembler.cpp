#include "tools/debugger/Disassembler.h"

#include "common/TextUtils.h"
#include "machine/cpu/ChipMemory.h"
#include "machine/cpu/OpcodeTables.h"

namespace dbg {

namespace {
const char kHex[] = "0123456789ABCDEF";

void AppendHex2(std::string& s, unsigned v) {
    s += kHex[(v >> 4) & 15];
    s += kHex[v & 15];
}
}  // namespace

std::string PaddedWord(unsigned value, bool decimal) {
    return FormatNumber(value, true, true, !decimal, false, true);
}
std::string PaddedByte(unsigned value, bool decimal) {
    return FormatNumber(value, false, true, !decimal, false, true);
}
std::string PlainWord(unsigned value, bool decimal) {
    return FormatNumber(value, true, false, !decimal, false, true);
}
std::string PlainByte(unsigned value, bool decimal) {
    return FormatNumber(value, false, false, !decimal, false, true);
}

std::string Template(uint8_t opcode, int notation) {
    const char16_t* t = notation == Z80 ? MnemonicZ80[opcode] : MnemonicIntel[opcode];
    std::string s;
    for (int i = 0; i < MnemonicLength && t[i]; ++i) s += static_cast<char>(t[i]);
    return s;
}

bool ReplaceFirst(std::string& text, const std::string& placeholder, const std::string& value) {
    const size_t at = text.find(placeholder);
    if (at == std::string::npos) return false;
    text.replace(at, placeholder.size(), value);
    return true;
}

std::string InstructionText(ChipMemory& memory, uint16_t address, bool decimal, int notation) {
    const uint8_t op = memory.ReadByte(address);
    std::string text = Template(op, notation);
    const uint16_t next = static_cast<uint16_t>(address + 1);
    if (notation == Z80 && ReplaceFirst(text, "@", PlainByte(op & 0x38, decimal))) return text;
    if (ReplaceFirst(text, "%", PlainByte(memory.ReadByte(next), decimal))) return text;
    const std::string word = PlainWord(memory.ReadWord(next), decimal);
    if (ReplaceFirst(text, "*", word)) return text;
    ReplaceFirst(text, "&", word);
    return text;
}

std::string DisassembleLine(ChipMemory& memory, uint16_t& address, bool decimal, int notation) {
    const uint8_t op = memory.ReadByte(address);
    const int length = OpcodeLength[op];
    std::string line(1, ' ');
    line += PaddedWord(address, decimal);
    line += ' ';
    AppendHex2(line, op);
    for (int i = 1; i < 3; ++i) {
        if (i < length)
            AppendHex2(line, memory.ReadByte(static_cast<uint16_t>(address + i)));
        else
            line += "  ";
    }
    line += "  ";
    line += InstructionText(memory, address, decimal, notation);
    address = static_cast<uint16_t>(address + length);
    return line;
}

std::string DumpLine(ChipMemory& memory, uint16_t& address, bool decimal, bool ascii) {
    std::string line(1, ' ');
    line += PaddedWord(address, decimal);
    if (ascii) {
        line += "   ";
        for (int i = 0; i < 32; ++i) line += DumpChar(memory.ReadByte(static_cast<uint16_t>(address + i)));
        address = static_cast<uint16_t>(address + 32);
        return line;
    }
    line += "  ";
    std::string chars;
    for (int i = 0; i < 8; ++i) {
        const uint8_t b = memory.ReadByte(static_cast<uint16_t>(address + i));
        line += PaddedByte(b, decimal);
        line += ' ';
        chars += DumpChar(b);
    }
    line += ' ';
    line += chars;
    address = static_cast<uint16_t>(address + 8);
    return line;
}

uint16_t NextInstruction(ChipMemory& memory, uint16_t address, int n) {
    for (int i = 0; i < n; ++i) address = static_cast<uint16_t>(address + OpcodeLength[memory.ReadByte(address)]);
    return address;
}

uint16_t PrevInstruction(ChipMemory& memory, uint16_t address, int n) {
    for (int i = 0; i < n; ++i) {
        if (OpcodeLength[memory.ReadByte(static_cast<uint16_t>(address - 3))] == 3)
            address = static_cast<uint16_t>(address - 3);
        else if (OpcodeLength[memory.ReadByte(static_cast<uint16_t>(address - 2))] == 2)
            address = static_cast<uint16_t>(address - 2);
        else
            address = static_cast<uint16_t>(address - 1);
    }
    return address;
}

bool OperandTarget(ChipMemory& memory, uint16_t address, uint16_t& target) {
    const uint8_t op = memory.ReadByte(address);
    if ((op & 0xC7) == 0xC7) {
        target = op & 0x38;
        return true;
    }
    if (OpcodeLength[op] != 3) return false;
    target = memory.ReadWord(static_cast<uint16_t>(address + 1));
    return true;
}

}  // namespace dbg
