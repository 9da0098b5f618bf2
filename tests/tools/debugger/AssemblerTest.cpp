#include <gtest/gtest.h>

#include <string>

#include "OpcodeReference.h"
#include "tools/debugger/Assembler.h"

using namespace dbg;

namespace {

// The canonical opcode of each undocumented alias.
uint8_t Canonical(uint8_t op) {
    switch (op) {
        case 0x08: case 0x10: case 0x18: case 0x20: case 0x28: case 0x30: case 0x38: return 0x00;
        case 0xCB: return 0xC3;
        case 0xD9: return 0xC9;
        case 0xDD: case 0xED: case 0xFD: return 0xCD;
        default: return op;
    }
}

int Length(const std::string& t) {
    if (t.find("#1234") != std::string::npos) return 3;
    if (t.find("#34") != std::string::npos) return 2;
    return 1;
}

// The reference text with its hexadecimal operands in decimal.
std::string ToDecimal(std::string t) {
    auto swap = [&t](const std::string& from, const std::string& to) {
        const size_t at = t.find(from);
        if (at != std::string::npos) t.replace(at, from.size(), to);
    };
    swap("#1234", "4660");
    swap("#34", "52");
    for (int v = 0; v < 64; v += 8) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "#%02X", v);
        if (t.rfind("rst", 0) == 0) swap(hex, std::to_string(v));
    }
    return t;
}

void ExpectBytes(const std::string& text, int notation, bool decimal, uint8_t op, int length) {
    uint8_t opcode = 0;
    uint16_t operand = 0;
    const int r = Assemble(text, notation, decimal, opcode, operand);
    ASSERT_EQ(r, -length) << text;
    EXPECT_EQ(opcode, op) << text;
    if (length == 2) {
        EXPECT_EQ(operand, decimal ? 52 : 0x34) << text;
    }
    if (length == 3) {
        EXPECT_EQ(operand, 0x1234) << text;
    }
}

TEST(AssemblerTest, EveryReferenceTextAssemblesBack) {
    for (const OpcodeText& t : kOpcodeTexts) {
        const uint8_t op = Canonical(t.opcode);
        ExpectBytes(t.intel, 0, false, op, Length(t.intel));
        ExpectBytes(t.z80, 1, false, op, Length(t.z80));
        ExpectBytes(ToDecimal(t.intel), 0, true, op, Length(t.intel));
        ExpectBytes(ToDecimal(t.z80), 1, true, op, Length(t.z80));
    }
}

TEST(AssemblerTest, AllRestartsInBothRadixes) {
    // The Intel form shows the restart number itself in either radix.
    for (int n = 0; n < 8; ++n) {
        const uint8_t op = static_cast<uint8_t>(0xC7 + 8 * n);
        ExpectBytes("RST  " + std::to_string(n), 0, false, op, 1);
        ExpectBytes("RST  " + std::to_string(n), 0, true, op, 1);
        char hex[8];
        std::snprintf(hex, sizeof hex, "#%02X", n);
        ExpectBytes(std::string("RST ") + hex, 0, false, op, 1);
    }
    ExpectBytes("rst 8", 1, true, 0xCF, 1);
    ExpectBytes("rst #08", 1, false, 0xCF, 1);
    ExpectBytes("rst #38", 1, false, 0xFF, 1);
}

TEST(AssemblerTest, OperandNotations) {
    uint8_t op = 0;
    uint16_t w = 0;
    EXPECT_EQ(Assemble8080("MVI  A,#ff", false, op, w), -2);
    EXPECT_EQ(w, 0xFF);
    EXPECT_EQ(Assemble8080("LXI SP,#FFFF", false, op, w), -3);
    EXPECT_EQ(w, 0xFFFF);
    EXPECT_EQ(Assemble8080("LXI SP,65535", true, op, w), -3);
    EXPECT_EQ(w, 65535);
    EXPECT_EQ(AssembleZ80("ld   (hl),#a0", false, op, w), -2);
    EXPECT_EQ(op, 0x36);
    EXPECT_EQ(w, 0xA0);
    EXPECT_EQ(Assemble8080("  MOV M,M   trailing words", false, op, w), -1);
    EXPECT_EQ(op, 0x76);
    EXPECT_EQ(ParseAsmNumber("#10000", false), -1);
    EXPECT_EQ(ParseAsmNumber("65536", true), -1);
    EXPECT_EQ(ParseAsmNumber("12", false), -1);   // hex needs "#"
    EXPECT_EQ(ParseAsmNumber("#12", true), -1);   // decimal takes digits only
    EXPECT_EQ(ParseAsmNumber("-5", true), -1);
}

TEST(AssemblerTest, ErrorColumns) {
    struct Case {
        const char* text;
        int notation;
        bool decimal;
        int column;
    } cases[] = {
        {"", 0, false, 0},
        {"   ", 1, false, 0},
        {"FOO B", 0, false, 0},
        {"mov b,c", 0, false, 0},        // Intel keywords are upper case
        {"NOP B", 0, false, 4},          // operand to an instruction without one
        {"MVI B", 0, false, 5},          // missing operand: end of the text
        {"MVI", 0, false, 3},
        {"LXI PSW,1", 0, true, 4},
        {"PUSH SP", 0, false, 5},
        {"POP SP", 0, false, 4},
        {"STAX H", 0, false, 5},
        {"MOV B,X", 0, false, 6},
        {"MOV X,B", 0, false, 4},
        {"MVI A,256", 0, true, 6},
        {"MVI A,#100", 0, false, 6},
        {"ADI 300", 0, true, 4},
        {"INR B,C", 0, false, 5},        // the comma itself
        {"RST 8", 0, false, 4},
        {"JMP #1G00", 0, false, 4},
        {"rst 9", 1, true, 4},
        {"rst #09", 1, false, 4},
        {"ld af,bc", 1, false, 3},
        {"ld hl,(#12g4)", 1, false, 7},  // after the opening parenthesis
        {"ld a,(#1x)", 1, false, 6},
        {"ld b,(#1234)", 1, false, 5},
        {"ld (bc),b", 1, false, 8},
        {"sub a,b", 1, false, 5},        // one operand only
        {"add b", 1, false, 4},
        {"adc a", 1, false, 5},
        {"push sp", 1, false, 5},
        {"ex hl,de", 1, false, 3},
        {"jp x,#1234", 1, false, 3},
        {"jp nz", 1, false, 5},
        {"ret q", 1, false, 4},
        {"halt #12", 1, false, 5},
        {"out (#34),b", 1, false, 10},
        {"in b,(#34)", 1, false, 3},
    };
    for (const Case& c : cases) {
        uint8_t op = 0;
        uint16_t w = 0;
        EXPECT_EQ(Assemble(c.text, c.notation, c.decimal, op, w), c.column) << c.text;
    }
}

}  // namespace
