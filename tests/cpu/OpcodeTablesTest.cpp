// Opcode lengths, cycles and mnemonic templates, checked against the
// instruction set and against the core.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "machine/cpu/ChipCpu8080.h"
#include "machine/cpu/ChipMemoryModels.h"

namespace {

std::string Text(const char16_t* t) {
    std::string s;
    for (int i = 0; i < MnemonicLength && t[i]; i++) s.push_back(static_cast<char>(t[i]));
    return s;
}

TEST(OpcodeTables, Lengths) {
    const std::set<int> three = {0x01, 0x11, 0x21, 0x31, 0x22, 0x2A, 0x32, 0x3A, 0xC2, 0xC3, 0xCA, 0xCB, 0xD2,
                                 0xDA, 0xE2, 0xEA, 0xF2, 0xFA, 0xC4, 0xCC, 0xCD, 0xD4, 0xDC, 0xDD, 0xE4, 0xEC,
                                 0xED, 0xF4, 0xFC, 0xFD};
    const std::set<int> two = {0x06, 0x0E, 0x16, 0x1E, 0x26, 0x2E, 0x36, 0x3E, 0xC6, 0xCE,
                               0xD6, 0xDE, 0xE6, 0xEE, 0xF6, 0xFE, 0xD3, 0xDB};
    for (int op = 0; op < 256; op++) {
        const int expect = three.count(op) ? 3 : two.count(op) ? 2 : 1;
        EXPECT_EQ(OpcodeLength[op], expect) << std::hex << op;
    }
}

TEST(OpcodeTables, TellingRows) {
    struct Row {
        int op;
        const char* intel;
        const char* z80;
    } rows[] = {
        {0x00, " NOP", " nop"},           {0x08, "!NOP", "!nop"},
        {0x38, "!NOP", "!nop"},           {0x22, " SHLD &", " ld   (&),hl"},
        {0x36, " MVI  M,%", " ld   (hl),%"}, {0x76, " HLT", " halt"},
        {0xCB, "!JMP  *", "!jp   *"},      {0xD3, " OUT  %", " out  (%),a"},
        {0xD9, "!RET", "!ret"},           {0xDB, " IN   %", " in   a,(%)"},
        {0xDD, "!CALL *", "!call *"},     {0xED, "!CALL *", "!call *"},
        {0xFD, "!CALL *", "!call *"},     {0xE3, " XTHL", " ex   (sp),hl"},
        {0xE9, " PCHL", " jp   (hl)"},     {0xFF, " RST  7", " rst  @"},
        {0x41, " MOV  B,C", " ld   b,c"},  {0x31, " LXI  SP,&", " ld   sp,&"},
        {0xCD, " CALL *", " call *"},      {0xC4, " CNZ  *", " call nz,*"},
        {0xF5, " PUSH PSW", " push af"},   {0xF1, " POP  PSW", " pop  af"},
        {0x09, " DAD  B", " add  hl,bc"},  {0x0A, " LDAX B", " ld   a,(bc)"},
        {0x12, " STAX D", " ld   (de),a"}, {0x07, " RLC", " rlca"},
        {0x2F, " CMA", " cpl"},            {0x37, " STC", " scf"},
        {0x3F, " CMC", " ccf"},            {0x86, " ADD  M", " add  a,(hl)"},
        {0x9F, " SBB  A", " sbc  a,a"},    {0x90, " SUB  B", " sub  b"},
        {0xBE, " CMP  M", " cp   (hl)"},   {0xE8, " RPE", " ret  pe"},
        {0xFA, " JM   *", " jp   m,*"},    {0xC7, " RST  0", " rst  @"},
        {0xEB, " XCHG", " ex   de,hl"},    {0xF9, " SPHL", " ld   sp,hl"},
        {0xFE, " CPI  %", " cp   %"},      {0xDE, " SBI  %", " sbc  a,%"},
        {0x2A, " LHLD &", " ld   hl,(&)"}, {0x3A, " LDA  &", " ld   a,(&)"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(Text(ChipCpu8080::GetMnemonic(r.op, 0)), r.intel) << std::hex << r.op;
        EXPECT_EQ(Text(ChipCpu8080::GetMnemonic(r.op, 1)), r.z80) << std::hex << r.op;
    }
}

TEST(OpcodeTables, TemplatesAgreeWithLengths) {
    int aliases = 0;
    const std::set<int> expectAliases = {0x08, 0x10, 0x18, 0x20, 0x28, 0x30, 0x38, 0xCB, 0xD9, 0xDD, 0xED, 0xFD};
    for (int op = 0; op < 256; op++) {
        for (int style = 0; style < 2; style++) {
            const char16_t* t = ChipCpu8080::GetMnemonic(op, static_cast<uint8_t>(style));
            const std::string s = Text(t);
            ASSERT_GE(s.size(), 2u) << std::hex << op;
            EXPECT_TRUE(s[0] == ' ' || s[0] == '!') << s;
            EXPECT_EQ(s[0] == '!', expectAliases.count(op) == 1) << s;
            if (style == 0 && s[0] == '!') aliases++;
            for (size_t i = s.size(); i < MnemonicLength; i++) EXPECT_EQ(t[i], 0) << s;
            EXPECT_NE(s.back(), ' ') << s;
            // Mnemonic padded to five characters before the operands.
            if (s.size() > 6) {
                EXPECT_EQ(s[5], ' ') << s;
                EXPECT_NE(s[6], ' ') << s;
            }
            int placeholders = 0;
            for (char ch : s.substr(1)) {
                if (ch == '%' || ch == '&' || ch == '*' || ch == '@') placeholders++;
                if (ch >= 'a' && ch <= 'z') {
                    EXPECT_EQ(style, 1) << s;
                }
                if (ch >= 'A' && ch <= 'Z') {
                    EXPECT_EQ(style, 0) << s;
                }
            }
            EXPECT_LE(placeholders, 1) << s;
            const bool has8 = s.find('%') != std::string::npos;
            const bool has16 = s.find('&') != std::string::npos || s.find('*') != std::string::npos;
            EXPECT_EQ(has8, OpcodeLength[op] == 2) << s;
            EXPECT_EQ(has16, OpcodeLength[op] == 3) << s;
            if (s.find('@') != std::string::npos) {
                EXPECT_EQ(style, 1) << s;
                EXPECT_EQ(op & 0xC7, 0xC7) << s;
            }
        }
    }
    EXPECT_EQ(aliases, 12);
    // Only the low 8 bits of the opcode count; style 1 alone selects Z80.
    EXPECT_EQ(ChipCpu8080::GetMnemonic(0x1FF, 0), ChipCpu8080::GetMnemonic(0xFF, 0));
    EXPECT_EQ(ChipCpu8080::GetMnemonic(0x00, 2), ChipCpu8080::GetMnemonic(0x00, 0));
    EXPECT_EQ(Text(ChipCpu8080::GetMnemonic(0xC7 + 8 * 5, 0)), " RST  5");
}

TEST(OpcodeTables, CyclesByGroup) {
    for (int op = 0; op < 256; op++) {
        int expect;
        const int lo = op & 7;
        if (op == 0x76)
            expect = 7;
        else if (op >= 0x40 && op < 0x80)
            expect = ((op & 0x38) == 0x30 || lo == 6) ? 7 : 5;
        else if (op >= 0x80 && op < 0xC0)
            expect = lo == 6 ? 7 : 4;
        else
            continue;
        EXPECT_EQ(OpcodeCycles[op], expect) << std::hex << op;
    }
    struct Fixed {
        int op, cycles;
    } fixed[] = {{0x00, 4}, {0x08, 4}, {0x38, 4}, {0x01, 10}, {0x02, 7}, {0x03, 5}, {0x04, 5}, {0x34, 10},
                 {0x06, 7}, {0x36, 10}, {0x07, 4}, {0x27, 4}, {0x09, 10}, {0x22, 16}, {0x2A, 16}, {0x32, 13},
                 {0x3A, 13}, {0xC0, 5}, {0xC9, 10}, {0xD9, 10}, {0xC1, 10}, {0xC2, 10}, {0xC3, 10}, {0xCB, 10},
                 {0xC4, 11}, {0xCD, 17}, {0xDD, 17}, {0xED, 17}, {0xFD, 17}, {0xC5, 11}, {0xC6, 7}, {0xC7, 11},
                 {0xD3, 10}, {0xDB, 10}, {0xE3, 18}, {0xE9, 5}, {0xF9, 5}, {0xEB, 4}, {0xF3, 4}, {0xFB, 4}};
    for (const Fixed& f : fixed) EXPECT_EQ(OpcodeCycles[f.op], f.cycles) << std::hex << f.op;
}

// Every opcode on the core, once with F = 02h and once with F = D7h: the
// cycles returned are the table's, plus 6 for a conditional call or return
// whose condition holds; instructions that do not jump advance PC by
// their length.
TEST(OpcodeTables, CoreAgreesWithTables) {
    for (int op = 0; op < 256; op++) {
        for (uint8_t f : {uint8_t(0x02), uint8_t(0xD7)}) {
            ChipMemory2A mem(4);
            mem.Reset();
            mem.EndBootMapping();
            mem.SetAllRamFlag(1);
            ChipCpu8080 cpu(mem);
            mem.WriteByte(0x0100, static_cast<uint8_t>(op));
            mem.WriteWord(0x0101, 0x2000);
            cpu.PC = 0x0100;
            cpu.SP = 0x8000;
            cpu.SetHL(0x3000);
            cpu.F = f;
            int expect = OpcodeCycles[op];
            const bool condRet = (op & 0xC7) == 0xC0, condCall = (op & 0xC7) == 0xC4;
            if (condRet || condCall) {
                // cc: 0 NZ, 1 Z, 2 NC, 3 C, 4 PO, 5 PE, 6 P, 7 M; with F = 02h
                // the "not set" conditions hold, with D7h the "set" ones.
                const bool holds = ((op >> 3) & 1) == (f == 0xD7 ? 1 : 0);
                if (holds) expect += 6;
            }
            EXPECT_EQ(cpu.Step(), expect) << std::hex << op << " F=" << int(f);
            const bool jumps = op == 0x76 || op == 0xE9 || (op & 0xC7) == 0xC7 || op == 0xC3 || op == 0xCB ||
                               op == 0xC9 || op == 0xD9 || op == 0xCD || op == 0xDD || op == 0xED ||
                               op == 0xFD || condRet || condCall || (op & 0xC7) == 0xC2;
            if (!jumps) {
                EXPECT_EQ(cpu.PC, 0x0100 + OpcodeLength[op]) << std::hex << op;
            }
        }
    }
}

}  // namespace
