#include <gtest/gtest.h>

#include <string>

#include "DebuggerFixture.h"
#include "OpcodeReference.h"
#include "tools/debugger/Disassembler.h"

using namespace dbg;

namespace {

class DisassemblerTest : public ::testing::Test {
protected:
    FlatMemory mem;
    // Instruction text without the flag character.
    std::string Text(uint8_t op, int notation, bool decimal = false, uint16_t at = 0x4000) {
        mem.Put(at, {op, 0x34, 0x12});
        return InstructionText(*mem, at, decimal, notation).substr(1);
    }
};

TEST_F(DisassemblerTest, EveryOpcodeInBothNotations) {
    for (const OpcodeText& t : kOpcodeTexts) {
        EXPECT_EQ(Text(t.opcode, Intel), t.intel) << std::hex << int(t.opcode);
        EXPECT_EQ(Text(t.opcode, Z80), t.z80) << std::hex << int(t.opcode);
        mem.Put(0x4000, {t.opcode});
        const char flag = t.alias ? '!' : ' ';
        EXPECT_EQ(InstructionText(*mem, 0x4000, false, Intel)[0], flag) << std::hex << int(t.opcode);
        EXPECT_EQ(InstructionText(*mem, 0x4000, false, Z80)[0], flag) << std::hex << int(t.opcode);
    }
}

TEST_F(DisassemblerTest, DecimalOperands) {
    struct Case {
        uint8_t op;
        int notation;
        const char* text;
    } cases[] = {
        {0x06, Intel, "MVI  B,52"},   {0x01, Intel, "LXI  B,4660"}, {0xC3, Intel, "JMP  4660"},
        {0xFF, Intel, "RST  7"},      {0xFF, Z80, "rst  56"},       {0xCF, Z80, "rst  8"},
        {0xC7, Z80, "rst  0"},        {0xD3, Z80, "out  (52),a"},   {0x2A, Z80, "ld   hl,(4660)"},
    };
    for (const Case& c : cases) EXPECT_EQ(Text(c.op, c.notation, true), c.text);
}

TEST_F(DisassemblerTest, DisassemblyLines) {
    mem.Put(0x1000, {0x3E, 0x41, 0xCD, 0x05, 0x00, 0x00, 0x08});
    uint16_t a = 0x1000;
    EXPECT_EQ(DisassembleLine(*mem, a, false, Intel), " #1000 3E41     MVI  A,#41");
    EXPECT_EQ(a, 0x1002);
    EXPECT_EQ(DisassembleLine(*mem, a, false, Z80), " #1002 CD0500   call #0005");
    EXPECT_EQ(a, 0x1005);
    EXPECT_EQ(DisassembleLine(*mem, a, true, Intel), " 04101 00" + std::string(7, ' ') + "NOP");
    EXPECT_EQ(DisassembleLine(*mem, a, true, Z80), " 04102 08" + std::string(6, ' ') + "!nop");
    a = 0x1000;
    EXPECT_EQ(DisassembleLine(*mem, a, true, Intel), " 04096 3E41     MVI  A,65");
}

TEST_F(DisassemblerTest, InstructionAtTheEndReadsOperandsFromZero) {
    mem.Put(0xFFFF, {0xC3});
    mem.Put(0x0000, {0x34, 0x12});
    uint16_t a = 0xFFFF;
    EXPECT_EQ(DisassembleLine(*mem, a, false, Intel), " #FFFF C33412   JMP  #1234");
    EXPECT_EQ(a, 0x0002);
}

TEST_F(DisassemblerTest, DumpAndAsciiLines) {
    mem.Put(0x2000, {0x41, 0x42, 0x00, 0x7F, 0x20, 0x7E, 0x1F, 0xFF});
    uint16_t a = 0x2000;
    EXPECT_EQ(DumpLine(*mem, a, false, false), " #2000  #41 #42 #00 #7F #20 #7E #1F #FF  AB.. ~..");
    EXPECT_EQ(a, 0x2008);
    a = 0x2000;
    EXPECT_EQ(DumpLine(*mem, a, true, false), " 08192  065 066 000 127 032 126 031 255  AB.. ~..");
    a = 0x2000;
    EXPECT_EQ(DumpLine(*mem, a, false, true), " #2000   AB.. ~.." + std::string(24, '.'));
    EXPECT_EQ(a, 0x2020);
    // A dump at the end of memory wraps to 0000h.
    mem.Put(0xFFFC, {0x31, 0x32, 0x33, 0x34});
    mem.Put(0x0000, {0x35, 0x36, 0x37, 0x38});
    a = 0xFFFC;
    EXPECT_EQ(DumpLine(*mem, a, false, false), " #FFFC  #31 #32 #33 #34 #35 #36 #37 #38  12345678");
    EXPECT_EQ(a, 0x0004);
}

TEST_F(DisassemblerTest, InstructionWalkAcrossZero) {
    // 0000h holds a NOP; FFFEh..FFFFh an MVI: back from 0001h it lands on 0000h, then FFFEh.
    mem.Put(0xFFFD, {0x00, 0x06, 0x00});
    mem.Put(0x0000, {0x00, 0x00});
    EXPECT_EQ(PrevInstruction(*mem, 0x0001, 1), 0x0000);
    EXPECT_EQ(PrevInstruction(*mem, 0x0001, 2), 0xFFFE);
    EXPECT_EQ(NextInstruction(*mem, 0xFFFE, 1), 0x0000);
    // Three-byte guess first: a JMP three below.
    mem.Put(0x3000, {0xC3, 0x00, 0x00, 0x00});
    EXPECT_EQ(PrevInstruction(*mem, 0x3003, 1), 0x3000);
}

TEST_F(DisassemblerTest, OperandTargets) {
    uint16_t t = 0;
    mem.Put(0x100, {0xCD, 0x34, 0x12, 0xEF, 0x06, 0x10});
    EXPECT_TRUE(OperandTarget(*mem, 0x100, t));
    EXPECT_EQ(t, 0x1234);
    EXPECT_TRUE(OperandTarget(*mem, 0x103, t));
    EXPECT_EQ(t, 0x28);
    EXPECT_FALSE(OperandTarget(*mem, 0x104, t));  // MVI follows nothing
}

TEST(NumberTexts, PaddedAndPlain) {
    EXPECT_EQ(PaddedWord(0x1234, false), "#1234");
    EXPECT_EQ(PaddedWord(4660, true), "04660");
    EXPECT_EQ(PaddedByte(7, true), "007");
    EXPECT_EQ(PlainWord(4, true), "4");
    EXPECT_EQ(PlainByte(0x3E, false), "#3E");
    std::string s = "A*B*";
    EXPECT_TRUE(ReplaceFirst(s, "*", "x"));
    EXPECT_EQ(s, "AxB*");
    EXPECT_FALSE(ReplaceFirst(s, "%", "y"));
}

}  // namespace
