#pragma once
// A few helpers to lay out small 8080 programs of our own: bytes, labels
// and 16-bit address fix-ups.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

class Asm8080 {
public:
    explicit Asm8080(uint16_t origin) : origin(origin) {}
    void Emit(std::initializer_list<int> bytes) {
        for (int b : bytes) code.push_back(static_cast<uint8_t>(b));
    }
    // An instruction with a 16-bit operand: a number or a label.
    void Op16(int opcode, int value) { Emit({opcode, value & 0xFF, (value >> 8) & 0xFF}); }
    void Op16(int opcode, const std::string& label) {
        Emit({opcode});
        fixups.push_back({code.size(), label});
        Emit({0, 0});
    }
    void Label(const std::string& name) { labels[name] = Here(); }
    uint16_t Here() const { return static_cast<uint16_t>(origin + code.size()); }
    // Pads with 00h up to address.
    void At(uint16_t address) {
        if (address >= Here()) code.resize(address - origin, 0x00);
    }
    uint16_t Address(const std::string& label) const { return labels.at(label); }
    std::vector<uint8_t> Finish(size_t size) {
        for (const Fixup& f : fixups) {
            const uint16_t a = labels.at(f.label);
            code[f.at] = static_cast<uint8_t>(a);
            code[f.at + 1] = static_cast<uint8_t>(a >> 8);
        }
        code.resize(size, 0x00);
        return code;
    }

private:
    struct Fixup {
        size_t at;
        std::string label;
    };
    uint16_t origin;
    std::vector<uint8_t> code;
    std::map<std::string, uint16_t> labels;
    std::vector<Fixup> fixups;
};

// Opcodes used by the tests.
namespace op {
enum : int {
    NOP = 0x00, LXI_B = 0x01, LXI_D = 0x11, LXI_H = 0x21, LXI_SP = 0x31, SHLD = 0x22, LHLD = 0x2A,
    STA = 0x32, LDA = 0x3A, INX_H = 0x23, INX_D = 0x13, DCX_B = 0x0B, DCX_H = 0x2B, INR_C = 0x0C,
    DCR_B = 0x05, MVI_A = 0x3E, MVI_B = 0x06, MVI_C = 0x0E, MVI_E = 0x1E, MOV_A_B = 0x78, MOV_A_C = 0x79,
    MOV_A_E = 0x7B, MOV_A_H = 0x7C, MOV_A_M = 0x7E, MOV_M_A = 0x77, MOV_D_A = 0x57, MOV_E_A = 0x5F,
    MOV_B_D = 0x42, MOV_C_E = 0x4B, MOV_H_B = 0x60, MOV_L_C = 0x69, ORA_C = 0xB1, ORA_L = 0xB5, CMP_D = 0xBA,
    XCHG = 0xEB, RAR = 0x1F, RET = 0xC9, RZ = 0xC8, CALL = 0xCD, JMP = 0xC3, JZ = 0xCA, JNZ = 0xC2, JC = 0xDA,
    JNC = 0xD2, IN = 0xDB, OUT = 0xD3, ANI = 0xE6, CPI = 0xFE, XRI = 0xEE, PUSH_H = 0xE5, POP_H = 0xE1,
    PUSH_PSW = 0xF5, HLT = 0x76,
};
}  // namespace op
