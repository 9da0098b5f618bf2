#pragma once
#include <cstdint>

// Per-opcode instruction lengths (bytes, opcode included) and clock cycles
// (not-taken counts for conditional calls and returns; taken adds 6).
extern const int32_t OpcodeLength[256];
extern const int32_t OpcodeCycles[256];

// Mnemonic templates, 16 UTF-16 characters padded with zeros. Character 0
// is ' ' for a documented instruction, '!' for an undocumented alias.
// Placeholders: '%' 8-bit immediate, '&' 16-bit immediate or address,
// '*' jump/call target, '@' RST target (Z80 table only).
constexpr int MnemonicLength = 16;
extern const char16_t MnemonicIntel[256][MnemonicLength];
extern const char16_t MnemonicZ80[256][MnemonicLength];
