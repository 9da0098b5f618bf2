#include "tools/debugger/Assembler.h"

#include <array>
#include <cctype>
#include <string_view>

namespace dbg {

namespace {

// The split text: mnemonic, operand field, first and second operand.
struct Fields {
    int length = 0;  // of the text without trailing blanks
    std::string mnemonic;
    std::string operand;  // whole field
    int operandCol = 0;
    bool comma = false;
    int commaCol = 0;
    std::string first, second;
    int secondCol = 0;
};

bool Split(const std::string& raw, Fields& f) {
    std::string text = raw;
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
    f.length = static_cast<int>(text.size());
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    if (i >= text.size()) return false;
    while (i < text.size() && text[i] != ' ') f.mnemonic += text[i++];
    while (i < text.size() && text[i] == ' ') ++i;
    f.operandCol = static_cast<int>(i);
    while (i < text.size() && text[i] != ' ') f.operand += text[i++];
    const size_t c = f.operand.find(',');
    if (c == std::string::npos) {
        f.first = f.operand;
    } else {
        f.comma = true;
        f.commaCol = f.operandCol + static_cast<int>(c);
        f.first = f.operand.substr(0, c);
        f.second = f.operand.substr(c + 1);
        f.secondCol = f.commaCol + 1;
    }
    return true;
}

template <size_t N>
int FindKeyword(const std::array<std::string_view, N>& table, const std::string& word, int from, int to) {
    for (int i = from; i <= to; ++i)
        if (table[static_cast<size_t>(i)] == word) return i;
    return -1;
}

// Text between "(" and ")"; false when it is not in parentheses.
bool StripParens(const std::string& s, std::string& inner) {
    if (s.size() < 2 || s[0] != '(') return false;
    const size_t close = s.find(')');
    if (close == std::string::npos) return false;
    for (size_t i = close + 1; i < s.size(); ++i)
        if (s[i] != ' ') return false;
    inner = s.substr(1, close - 1);
    return true;
}

int ParseByte(const std::string& s, bool decimal) {
    const int v = ParseAsmNumber(s, decimal);
    return v > 255 ? -1 : v;
}

int Result(int length, uint8_t op, uint16_t value, uint8_t& opcode, uint16_t& operand) {
    opcode = op;
    operand = value;
    return -length;
}

// Intel keywords: 78 mnemonics, 8 registers, 5 pairs.
constexpr std::array<std::string_view, 91> kIntel = {
    "NOP",  "MOV",  "OUT", "IN",  "DI",  "EI",  "HLT", "XCHG", "XTHL", "SPHL", "PCHL", "LXI",  "MVI",
    "STAX", "LDAX", "SHLD", "LHLD", "STA", "LDA", "INR", "DCR",  "INX",  "DCX",  "DAD",  "POP",  "PUSH",
    "RST",  "RLC",  "RRC", "RAL", "RAR", "DAA", "CMA", "STC",  "CMC",  "ADD",  "ADC",  "SUB",  "SBB",
    "ANA",  "XRA",  "ORA", "CMP", "ADI", "ACI", "SUI", "SBI",  "ANI",  "XRI",  "ORI",  "CPI",  "JMP",
    "JNZ",  "JZ",   "JNC", "JC",  "JPO", "JPE", "JP",  "JM",   "CALL", "CNZ",  "CZ",   "CNC",  "CC",
    "CPO",  "CPE",  "CP",  "CM",  "RET", "RNZ", "RZ",  "RNC",  "RC",   "RPO",  "RPE",  "RP",   "RM",
    "B",    "C",    "D",   "E",   "H",   "L",   "M",   "A",    "B",    "D",    "H",    "SP",   "PSW"};
enum {
    iNOP, iMOV, iOUT, iIN, iDI, iEI, iHLT, iXCHG, iXTHL, iSPHL, iPCHL, iLXI, iMVI, iSTAX, iLDAX, iSHLD,
    iLHLD, iSTA, iLDA, iINR, iDCR, iINX, iDCX, iDAD, iPOP, iPUSH, iRST, iRLC, iRRC, iRAL, iRAR, iDAA,
    iCMA, iSTC, iCMC, iADD, iADC, iSUB, iSBB, iANA, iXRA, iORA, iCMP, iADI, iACI, iSUI, iSBI, iANI,
    iXRI, iORI, iCPI, iJMP, iJNZ, iJZ, iJNC, iJC, iJPO, iJPE, iJP, iJM, iCALL, iCNZ, iCZ, iCNC, iCC,
    iCPO, iCPE, iCP, iCM, iRET, iRNZ, iRZ, iRNC, iRC, iRPO, iRPE, iRP, iRM,
    iRegB = 78, iPairB = 86
};

// Z80 keywords: 32 mnemonics, 8 conditions, 8 registers, 8 pair forms.
constexpr std::array<std::string_view, 56> kZ80 = {
    "nop", "ld",  "out",  "in",   "di",   "ei",  "halt", "ex",  "inc",  "dec", "pop",  "push", "rst", "rlca",
    "rrca", "rla", "rra", "daa",  "cpl",  "scf", "ccf",  "add", "adc",  "sub", "sbc",  "and",  "xor", "or",
    "cp",  "jp",  "call", "ret",  "nz",   "z",   "nc",   "c",   "po",   "pe",  "p",    "m",    "b",   "c",
    "d",   "e",   "h",    "l",    "(hl)", "a",   "bc",   "de",  "hl",   "sp",  "af",   "(bc)", "(de)", "(sp)"};
enum {
    zNOP, zLD, zOUT, zIN, zDI, zEI, zHALT, zEX, zINC, zDEC, zPOP, zPUSH, zRST, zRLCA, zRRCA, zRLA, zRRA,
    zDAA, zCPL, zSCF, zCCF, zADD, zADC, zSUB, zSBC, zAND, zXOR, zOR, zCP, zJP, zCALL, zRET,
    zCond = 32, zReg = 40, zPair = 48, zAF = 52, zPBC = 53, zPDE = 54, zPSP = 55
};

}  // namespace

int ParseAsmNumber(const std::string& text, bool decimal) {
    if (text.empty()) return -1;
    long value = 0;
    size_t i = 0;
    if (!decimal) {
        if (text[0] != '#' || text.size() < 2) return -1;
        i = 1;
    }
    for (; i < text.size(); ++i) {
        const int c = static_cast<unsigned char>(text[i]);
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (!decimal && std::isxdigit(c))
            d = std::toupper(c) - 'A' + 10;
        else
            return -1;
        value = value * (decimal ? 10 : 16) + d;
        if (value > 0xFFFF) return -1;
    }
    return static_cast<int>(value);
}

int Assemble8080(const std::string& text, bool decimal, uint8_t& opcode, uint16_t& operand) {
    Fields f;
    if (!Split(text, f)) return 0;
    const int m = FindKeyword(kIntel, f.mnemonic, 0, 77);
    if (m < 0) return 0;
    const bool none = f.operand.empty();
    auto reg = [&](const std::string& s) { return FindKeyword(kIntel, s, iRegB, iRegB + 7) - iRegB; };
    auto pair = [&](const std::string& s) { return FindKeyword(kIntel, s, iPairB, iPairB + 4) - iPairB; };

    // Instructions without operands.
    static const struct { int m; uint8_t op; } kNone[] = {
        {iNOP, 0x00}, {iDI, 0xF3},  {iEI, 0xFB},  {iHLT, 0x76}, {iXCHG, 0xEB}, {iXTHL, 0xE3}, {iSPHL, 0xF9},
        {iPCHL, 0xE9}, {iRLC, 0x07}, {iRRC, 0x0F}, {iRAL, 0x17}, {iRAR, 0x1F},  {iDAA, 0x27},  {iCMA, 0x2F},
        {iSTC, 0x37}, {iCMC, 0x3F}, {iRET, 0xC9}};
    for (const auto& n : kNone)
        if (n.m == m) return none ? Result(1, n.op, 0, opcode, operand) : f.operandCol;
    if (m >= iRNZ && m <= iRM) return none ? Result(1, static_cast<uint8_t>(0xC0 + 8 * (m - iRNZ)), 0, opcode, operand) : f.operandCol;

    if (none) return f.length;  // every other instruction takes an operand
    // Two-operand forms.
    if (m == iMOV || m == iMVI || m == iLXI) {
        int a;
        if (m == iLXI) {
            a = pair(f.first);
            if (a < 0 || a == 4) return f.operandCol;
        } else {
            a = reg(f.first);
            if (a < 0) return f.operandCol;
        }
        if (f.second.empty()) return f.length;
        if (m == iMOV) {
            const int b = reg(f.second);
            if (b < 0) return f.secondCol;
            return Result(1, static_cast<uint8_t>(0x40 + 8 * a + b), 0, opcode, operand);
        }
        if (m == iMVI) {
            const int v = ParseByte(f.second, decimal);
            if (v < 0) return f.secondCol;
            return Result(2, static_cast<uint8_t>(0x06 + 8 * a), static_cast<uint16_t>(v), opcode, operand);
        }
        const int v = ParseAsmNumber(f.second, decimal);
        if (v < 0) return f.secondCol;
        return Result(3, static_cast<uint8_t>(0x01 + 16 * a), static_cast<uint16_t>(v), opcode, operand);
    }
    // One-operand forms: the operand first, then no comma.
    int length = 1;
    uint8_t op = 0;
    uint16_t value = 0;
    if (m == iSTAX || m == iLDAX) {
        const int p = pair(f.first);
        if (p != 0 && p != 1) return f.operandCol;
        op = static_cast<uint8_t>((m == iSTAX ? 0x02 : 0x0A) + 16 * p);
    } else if (m == iINX || m == iDCX || m == iDAD) {
        const int p = pair(f.first);
        if (p < 0 || p == 4) return f.operandCol;
        op = static_cast<uint8_t>((m == iINX ? 0x03 : m == iDCX ? 0x0B : 0x09) + 16 * p);
    } else if (m == iPOP || m == iPUSH) {
        int p = pair(f.first);
        if (p < 0 || p == 3) return f.operandCol;
        if (p == 4) p = 3;
        op = static_cast<uint8_t>((m == iPOP ? 0xC1 : 0xC5) + 16 * p);
    } else if (m == iINR || m == iDCR) {
        const int r = reg(f.first);
        if (r < 0) return f.operandCol;
        op = static_cast<uint8_t>((m == iINR ? 0x04 : 0x05) + 8 * r);
    } else if (m >= iADD && m <= iCMP) {
        const int r = reg(f.first);
        if (r < 0) return f.operandCol;
        op = static_cast<uint8_t>(0x80 + 8 * (m - iADD) + r);
    } else if ((m >= iADI && m <= iCPI) || m == iOUT || m == iIN) {
        const int v = ParseByte(f.first, decimal);
        if (v < 0) return f.operandCol;
        op = m == iOUT ? 0xD3 : m == iIN ? 0xDB : static_cast<uint8_t>(0xC6 + 8 * (m - iADI));
        length = 2;
        value = static_cast<uint16_t>(v);
    } else if (m == iRST) {
        // The disassembly shows the restart number as a plain digit in both radixes.
        int n = f.first.size() == 1 && f.first[0] >= '0' && f.first[0] <= '9' ? f.first[0] - '0'
                                                                              : ParseAsmNumber(f.first, decimal);
        if (n < 0 || n > 7) return f.operandCol;
        op = static_cast<uint8_t>(0xC7 + 8 * n);
    } else {
        const int v = ParseAsmNumber(f.first, decimal);
        if (v < 0) return f.operandCol;
        length = 3;
        value = static_cast<uint16_t>(v);
        if (m == iSHLD) op = 0x22;
        else if (m == iLHLD) op = 0x2A;
        else if (m == iSTA) op = 0x32;
        else if (m == iLDA) op = 0x3A;
        else if (m == iJMP) op = 0xC3;
        else if (m == iCALL) op = 0xCD;
        else if (m >= iJNZ && m <= iJM) op = static_cast<uint8_t>(0xC2 + 8 * (m - iJNZ));
        else op = static_cast<uint8_t>(0xC4 + 8 * (m - iCNZ));
    }
    if (f.comma) return f.commaCol;
    return Result(length, op, value, opcode, operand);
}

int AssembleZ80(const std::string& text, bool decimal, uint8_t& opcode, uint16_t& operand) {
    Fields f;
    if (!Split(text, f)) return 0;
    const int m = FindKeyword(kZ80, f.mnemonic, 0, 31);
    if (m < 0) return 0;
    const bool none = f.operand.empty();
    auto reg = [&](const std::string& s) { return FindKeyword(kZ80, s, zReg, zReg + 7) - zReg; };
    auto pair = [&](const std::string& s) { return FindKeyword(kZ80, s, zPair, zPair + 7) - zPair; };  // 0..3, 4 af, 5..7 (bc) (de) (sp)
    auto cond = [&](const std::string& s) { return FindKeyword(kZ80, s, zCond, zCond + 7) - zCond; };
    auto byte = [&](const std::string& s) { return ParseByte(s, decimal); };
    auto word = [&](const std::string& s) { return ParseAsmNumber(s, decimal); };
    auto r1 = [&](uint8_t op) { return Result(1, op, 0, opcode, operand); };
    auto r2 = [&](uint8_t op, int v) { return Result(2, op, static_cast<uint16_t>(v), opcode, operand); };
    auto r3 = [&](uint8_t op, int v) { return Result(3, op, static_cast<uint16_t>(v), opcode, operand); };

    static const struct { int m; uint8_t op; } kNone[] = {
        {zNOP, 0x00},  {zDI, 0xF3},  {zEI, 0xFB},  {zHALT, 0x76}, {zRLCA, 0x07}, {zRRCA, 0x0F},
        {zRLA, 0x17},  {zRRA, 0x1F}, {zDAA, 0x27}, {zCPL, 0x2F},  {zSCF, 0x37},  {zCCF, 0x3F}};
    for (const auto& n : kNone)
        if (n.m == m) return none ? r1(n.op) : f.operandCol;
    if (m == zRET) {
        if (none) return r1(0xC9);
        const int c = cond(f.first);
        if (c < 0) return f.operandCol;
        if (f.comma) return f.commaCol;
        return r1(static_cast<uint8_t>(0xC0 + 8 * c));
    }
    if (none) return f.length;
    std::string inner;

    switch (m) {
        case zLD: {
            const int r = reg(f.first);
            const int p = pair(f.first);
            const bool memFirst = r < 0 && p < 0 && StripParens(f.first, inner);
            int address = -1;
            if (memFirst) {
                address = word(inner);
                if (address < 0) return f.operandCol;
            } else if (r < 0 && (p < 0 || p == 4 || p == 7)) {
                return f.operandCol;
            }
            if (f.second.empty()) return f.length;
            const std::string& s = f.second;
            if (r >= 0) {
                const int r2v = reg(s);
                if (r2v >= 0) return r1(static_cast<uint8_t>(0x40 + 8 * r + r2v));
                if (r == 7) {
                    const int q = pair(s);
                    if (q == 5) return r1(0x0A);
                    if (q == 6) return r1(0x1A);
                    if (StripParens(s, inner)) {
                        const int v = word(inner);
                        if (v < 0) return f.secondCol + 1;
                        return r3(0x3A, v);
                    }
                }
                const int v = byte(s);
                if (v < 0) return f.secondCol;
                return r2(static_cast<uint8_t>(0x06 + 8 * r), v);
            }
            if (memFirst) {
                if (s == "a") return r3(0x32, address);
                if (s == "hl") return r3(0x22, address);
                return f.secondCol;
            }
            if (p == 5 || p == 6) {
                if (s == "a") return r1(p == 5 ? 0x02 : 0x12);
                return f.secondCol;
            }
            // bc, de, hl or sp
            if (p == 3 && s == "hl") return r1(0xF9);
            if (p == 2 && StripParens(s, inner)) {
                const int v = word(inner);
                if (v < 0) return f.secondCol + 1;
                return r3(0x2A, v);
            }
            const int v = word(s);
            if (v < 0) return f.secondCol;
            return r3(static_cast<uint8_t>(0x01 + 16 * p), v);
        }
        case zOUT: {
            if (!StripParens(f.first, inner)) return f.operandCol;
            const int v = byte(inner);
            if (v < 0) return f.operandCol;
            if (f.second.empty()) return f.length;
            if (f.second != "a") return f.secondCol;
            return r2(0xD3, v);
        }
        case zIN: {
            if (f.first != "a") return f.operandCol;
            if (f.second.empty()) return f.length;
            if (!StripParens(f.second, inner)) return f.secondCol;
            const int v = byte(inner);
            if (v < 0) return f.secondCol;
            return r2(0xDB, v);
        }
        case zEX: {
            const int p = pair(f.first);
            if (p != 1 && p != 7) return f.operandCol;
            if (f.second.empty()) return f.length;
            if (f.second != "hl") return f.secondCol;
            return r1(p == 7 ? 0xE3 : 0xEB);
        }
        case zINC:
        case zDEC: {
            const int r = reg(f.first);
            const int p = pair(f.first);
            uint8_t op;
            if (r >= 0)
                op = static_cast<uint8_t>((m == zINC ? 0x04 : 0x05) + 8 * r);
            else if (p >= 0 && p <= 3)
                op = static_cast<uint8_t>((m == zINC ? 0x03 : 0x0B) + 16 * p);
            else
                return f.operandCol;
            if (f.comma) return f.commaCol;
            return r1(op);
        }
        case zPOP:
        case zPUSH: {
            int p = pair(f.first);
            if (p < 0 || p == 3 || p > 4) return f.operandCol;
            if (p == 4) p = 3;
            if (f.comma) return f.commaCol;
            return r1(static_cast<uint8_t>((m == zPOP ? 0xC1 : 0xC5) + 16 * p));
        }
        case zRST: {
            const int v = byte(f.first);
            if (v < 0 || (v & 0xC7) != 0) return f.operandCol;
            if (f.comma) return f.commaCol;
            return r1(static_cast<uint8_t>(v + 0xC7));
        }
        case zADD:
        case zADC:
        case zSBC: {
            const int k = m == zADD ? 0 : m == zADC ? 1 : 3;
            if (m == zADD && f.first == "hl") {
                if (f.second.empty()) return f.length;
                const int p = pair(f.second);
                if (p < 0 || p > 3) return f.secondCol;
                return r1(static_cast<uint8_t>(0x09 + 16 * p));
            }
            if (f.first != "a") return f.operandCol;
            if (f.second.empty()) return f.length;
            const int r = reg(f.second);
            if (r >= 0) return r1(static_cast<uint8_t>(0x80 + 8 * k + r));
            const int v = byte(f.second);
            if (v < 0) return f.secondCol;
            return r2(static_cast<uint8_t>(0xC6 + 8 * k), v);
        }
        case zSUB:
        case zAND:
        case zXOR:
        case zOR:
        case zCP: {
            const int k = m == zSUB ? 2 : m == zAND ? 4 : m == zXOR ? 5 : m == zOR ? 6 : 7;
            const int r = reg(f.first);
            int result;
            if (r >= 0) {
                result = r1(static_cast<uint8_t>(0x80 + 8 * k + r));
            } else {
                const int v = byte(f.first);
                if (v < 0) return f.operandCol;
                result = r2(static_cast<uint8_t>(0xC6 + 8 * k), v);
            }
            if (f.comma) return f.commaCol;
            return result;
        }
        case zJP:
        case zCALL: {
            if (f.comma) {
                const int c = cond(f.first);
                if (c < 0) return f.operandCol;
                if (f.second.empty()) return f.length;
                const int v = word(f.second);
                if (v < 0) return f.secondCol;
                return r3(static_cast<uint8_t>((m == zJP ? 0xC2 : 0xC4) + 8 * c), v);
            }
            if (m == zJP && f.first == "(hl)") return r1(0xE9);
            const int v = word(f.first);
            if (v >= 0) return r3(m == zJP ? 0xC3 : 0xCD, v);
            if (cond(f.first) >= 0) return f.length;  // condition without target
            return f.operandCol;
        }
        default:
            return 0;
    }
}

int Assemble(const std::string& text, int notation, bool decimal, uint8_t& opcode, uint16_t& operand) {
    return notation == 1 ? AssembleZ80(text, decimal, opcode, operand)
                         : Assemble8080(text, decimal, opcode, operand);
}

}  // namespace dbg
