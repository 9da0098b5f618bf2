#include "tools/debugger/Listing.h"

#include <algorithm>

#include "common/Files.h"
#include "common/TextUtils.h"
#include "machine/cpu/ChipMemory.h"
#include "machine/cpu/OpcodeTables.h"
#include "tools/debugger/Disassembler.h"

namespace dbg {

namespace {
const char kHex[] = "0123456789ABCDEF";
std::string Hex(unsigned v, int digits) {
    std::string s(static_cast<size_t>(digits), '0');
    for (int i = digits - 1; i >= 0; --i, v >>= 4) s[static_cast<size_t>(i)] = kHex[v & 15];
    return s;
}
bool Printable(uint8_t b) { return b >= 0x20 && b <= 0x7E; }
}  // namespace

bool AreaIsValid(const DisassArea& a) {
    if (a.from < 0 || a.from > 0xFFFF || a.to < a.from || a.to > 0xFFFF) return false;
    if (a.type < AreaCode || a.type > AreaSpace) return false;
    // Relocated addresses are taken modulo 10000h, so an area may run on from 0000h.
    return a.offset >= 0 && a.offset <= 0xFFFF;
}

void InsertArea(std::vector<DisassArea>& areas, const DisassArea& area) {
    auto at = std::find_if(areas.begin(), areas.end(), [&](const DisassArea& x) { return x.from > area.from; });
    areas.insert(at, area);
}

int32_t NextFreeAddress(const DisassArea& a) {
    if (a.type == AreaWords) return a.from + ((a.to - a.from + 2) & 0xFFFE);
    return a.to + 1;
}

void ListingWriter::BuildSets(const std::vector<DisassArea>& areas) {
    codeSet.reset();
    labelSet.reset();
    for (const DisassArea& r : areas) {
        if (r.type == AreaCode) {
            for (int32_t a = r.from; a <= r.to; a += OpcodeLength[memory.ReadByte(a)])
                codeSet.set(static_cast<size_t>((a + r.offset) & 0xFFFF));
        } else {
            codeSet.set(static_cast<size_t>((r.from + r.offset) & 0xFFFF));
        }
    }
    for (const DisassArea& r : areas) {
        if (r.type != AreaCode) {
            labelSet.set(static_cast<size_t>((r.from + r.offset) & 0xFFFF));
            if (r.type == AreaWords && r.valuesAsLabels)
                for (int32_t a = r.from; a <= r.to; a += 2) labelSet.set(memory.ReadWord(a));
            continue;
        }
        for (int32_t a = r.from; a <= r.to; a += OpcodeLength[memory.ReadByte(a)]) {
            const uint8_t op = memory.ReadByte(a);
            if ((op & 0xC7) == 0xC7) {
                labelSet.set(op & 0x38);
            } else if (OpcodeLength[op] == 3) {
                switch (op) {
                    case 0x01: case 0x11: case 0x21: case 0x31:
                    case 0x22: case 0x2A: case 0x32: case 0x3A:
                        break;
                    default:
                        labelSet.set(memory.ReadWord((a + 1) & 0xFFFF));
                }
            }
        }
    }
}

std::string ListingWriter::AddressColumn(uint32_t v) {
    v &= 0xFFFF;
    if (opt.labels) {
        if (labelSet.test(v)) {
            defined.set(v);
            return std::string(1, 'L').append(Hex(v, 4)).append(":  ");
        }
        return std::string(8, ' ');
    }
    return (opt.decimal ? FormatNumber(v, true, true, false, false, false) : Hex(v, 4)) + "  ";
}

std::string ListingWriter::LabelText(uint16_t v, int distance) {
    used.set(v);
    std::string s(1, 'L');
    s += Hex(v, 4);
    if (distance > 0) s.append("+").append(std::to_string(distance));
    if (distance < 0) s += std::to_string(distance);
    return s;
}

std::string ListingWriter::ByteNumber(unsigned v, bool assemblerForm) {
    v &= 0xFF;
    if (opt.decimal) return std::to_string(v);
    if (assemblerForm && opt.labels) return FormatNumber(v, false, false, true, true, false);
    return Hex(v, 2);
}

std::string ListingWriter::WordNumber(unsigned v) {
    v &= 0xFFFF;
    return opt.decimal ? std::to_string(v) : Hex(v, 4);
}

void ListingWriter::Line(const std::string& text) {
    out += text;
    out += "\r\n";
}

void ListingWriter::WriteCode(const DisassArea& r) {
    for (int32_t a = r.from; a <= r.to;) {
        const uint8_t op = memory.ReadByte(a);
        const int length = OpcodeLength[op];
        const uint8_t b1 = memory.ReadByte((a + 1) & 0xFFFF);
        const uint16_t w = memory.ReadWord((a + 1) & 0xFFFF);
        std::string text = Template(op, opt.notation);
        if (text.find('@') != std::string::npos) {
            ReplaceFirst(text, "@", ByteNumber(op & 0x38, true));
        } else if (text.find('%') != std::string::npos) {
            ReplaceFirst(text, "%", ByteNumber(b1, true));
        } else if (text.find('*') != std::string::npos) {
            ReplaceFirst(text, "*", opt.labels ? LabelText(w) : WordNumber(w));
        } else if (text.find('&') != std::string::npos) {
            std::string value;
            if (!opt.labels) {
                value = WordNumber(w);
            } else if (!labelSet.test(w) && !codeSet.test(w) && codeSet.test((w - 1) & 0xFFFF)) {
                value = LabelText(static_cast<uint16_t>(w - 1), 1);
            } else if (!labelSet.test(w) && !codeSet.test(w) && codeSet.test((w + 1) & 0xFFFF)) {
                value = LabelText(static_cast<uint16_t>(w + 1), -1);
            } else {
                value = LabelText(w);
            }
            ReplaceFirst(text, "&", value);
        }
        std::string line = AddressColumn(static_cast<uint32_t>(a + r.offset));
        if (!opt.labels && opt.hexDump) {
            std::string dump(1, ' ');
            dump += Hex(op, 2);
            dump += ' ';
            if (length == 1) dump += "    ";
            else if (length == 2) dump += Hex(b1, 2) + "  ";
            else dump += Hex(w, 4);
            dump += std::string(7, ' ');
            line.insert(opt.decimal ? 6 : 5, dump);
        }
        Line(line + text);
        if (op == 0xC3 || op == 0xC9 || op == 0xCB || op == 0xD9 || op == 0xE9) Line("");
        a += length;
    }
}

void ListingWriter::WriteBytes(const DisassArea& r) {
    for (int32_t a = r.from; a <= r.to;) {
        const int n = std::min<int32_t>(4, r.to - a + 1);
        std::string line = AddressColumn(static_cast<uint32_t>(a + r.offset));
        if (!opt.labels && opt.hexDump) {
            for (int i = 0; i < 4; ++i) line += i < n ? Hex(memory.ReadByte(a + i), 2) + " " : "   ";
            line += "   ";
        }
        line += Mnemonic(" DB   ", " db   ");
        for (int i = 0; i < n; ++i) {
            if (i) line += ",";
            line += ByteNumber(memory.ReadByte(a + i), true);
        }
        Line(line);
        a += n;
    }
}

void ListingWriter::WriteText(const DisassArea& r) {
    for (int32_t a = r.from; a <= r.to;) {
        const int32_t start = a;
        std::string operand;
        bool open = false;
        while (a <= r.to && operand.size() < 32) {
            const uint8_t b = memory.ReadByte(a++);
            if (Printable(b)) {
                if (!open) {
                    if (!operand.empty()) operand += ",";
                    operand += "'";
                    open = true;
                }
                operand += b == '\'' ? std::string("''") : std::string(1, static_cast<char>(b));
            } else {
                if (open) {
                    operand += "'";
                    open = false;
                }
                if (!operand.empty()) operand += ",";
                operand += ByteNumber(b, true);
            }
        }
        if (open) operand += "'";
        const int32_t taken = a - start;
        std::string line = AddressColumn(static_cast<uint32_t>(start + r.offset));
        auto dump = [&](int32_t from) {
            std::string d;
            for (int i = 0; i < 4; ++i) d += from + i < a ? Hex(memory.ReadByte(from + i), 2) + " " : "   ";
            return d + "   ";
        };
        const bool withDump = !opt.labels && opt.hexDump;
        if (withDump) line += dump(start);
        Line(line + Mnemonic(" DB   ", " db   ") + operand);
        if (withDump)
            for (int32_t k = start + 4; k < start + taken; k += 4)
                Line(AddressColumn(static_cast<uint32_t>(k + r.offset)) + dump(k));
    }
}

void ListingWriter::WriteWords(const DisassArea& r) {
    for (int32_t a = r.from; a <= r.to;) {
        const int n = r.to - a + 1 > 2 ? 2 : 1;
        std::string line = AddressColumn(static_cast<uint32_t>(a + r.offset));
        if (!opt.labels && opt.hexDump) {
            for (int i = 0; i < 2; ++i) line += i < n ? Hex(memory.ReadWord((a + 2 * i) & 0xFFFF), 4) + " " : "     ";
            line += "     ";
        }
        line += Mnemonic(" DW   ", " dw   ");
        for (int i = 0; i < n; ++i) {
            const uint16_t w = memory.ReadWord((a + 2 * i) & 0xFFFF);
            if (i) line += ",";
            if (opt.labels)
                line += LabelText(w);
            else
                line += w < 256 ? ByteNumber(w, false) : WordNumber(w);
        }
        Line(line);
        a += 2 * n;
    }
}

void ListingWriter::WriteSpace(const DisassArea& r) {
    std::string line = AddressColumn(static_cast<uint32_t>(r.from + r.offset));
    if (!opt.labels && opt.hexDump) line += std::string(15, ' ');
    const unsigned size = static_cast<unsigned>(r.to - r.from + 1);
    std::string number;
    if (opt.decimal || !opt.labels)
        number = size < 256 ? ByteNumber(size, false) : WordNumber(size);
    else
        number = FormatNumber(size, size >= 256, false, true, true, false);
    Line(line + Mnemonic(" DS   ", " ds   ") + number);
}

std::string ListingWriter::Write(const std::vector<DisassArea>& areas) {
    out.clear();
    defined.reset();
    used.reset();
    undefined.clear();
    if (opt.labels) BuildSets(areas);
    for (const DisassArea& r : areas) {
        switch (r.type) {
            case AreaCode: WriteCode(r); break;
            case AreaBytes: WriteBytes(r); break;
            case AreaText: WriteText(r); break;
            case AreaWords: WriteWords(r); break;
            default: WriteSpace(r); break;
        }
        Line("");
    }
    if (opt.labels) {
        for (uint32_t v = 0; v < 0x10000; ++v)
            if (used.test(v) && !defined.test(v)) undefined.push_back(static_cast<uint16_t>(v));
        if (!undefined.empty()) {
            Line("; labels outside the listed lines");
            for (uint16_t v : undefined)
                Line(std::string(1, 'L').append(Hex(v, 4)).append("   ") + Mnemonic(" EQU  ", " equ  ") +
                     (opt.decimal ? std::to_string(v) : FormatNumber(v, true, false, true, true, false)));
            Line("");
        }
    }
    return out;
}

bool SaveListing(const std::string& path, ChipMemory& memory, const std::vector<DisassArea>& areas,
                 const ListingOptions& options) {
    ListingWriter writer(memory, options);
    return ReplaceFileContents(path, writer.Write(areas));
}

std::string AreaListText(const std::vector<DisassArea>& areas) {
    std::string s;
    for (const DisassArea& a : areas)
        s += std::to_string(a.from) + "," + std::to_string(a.to) + "," + std::to_string(a.offset) + "," +
             std::to_string(a.type) + "," + (a.valuesAsLabels ? "1" : "0") + "\r\n";
    return s;
}

int ParseAreaList(const std::string& text, std::vector<DisassArea>& areas) {
    areas.clear();
    size_t i = 0;
    int line = 1;
    auto skipBlanks = [&] {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    };
    auto number = [&]() -> long {
        skipBlanks();
        if (i >= text.size() || text[i] < '0' || text[i] > '9') return -1;
        long v = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            v = v * 10 + (text[i++] - '0');
            if (v > 0xFFFFF) v = 0xFFFFF;  // far out of every range
        }
        return v;
    };
    for (;;) {
        // Blanks and line ends between entries.
        while (i < text.size()) {
            const char c = text[i];
            if (c == ' ' || c == '\t') {
                ++i;
            } else if (c == '\r' || c == '\n') {
                ++i;
                if (c == '\r' && i < text.size() && text[i] == '\n') ++i;
                ++line;
            } else {
                break;
            }
        }
        if (i >= text.size() || text[i] == '\0') return 0;
        long v[5];
        for (int k = 0; k < 5; ++k) {
            v[k] = number();
            if (v[k] < 0) return line;
            if (k < 4) {
                if (i >= text.size() || text[i] != ',') return line;
                ++i;
            }
        }
        DisassArea a{static_cast<int32_t>(v[0]), static_cast<int32_t>(v[1]), static_cast<int32_t>(v[2]),
                     static_cast<int32_t>(v[3]), v[4] == 1};
        if (v[4] > 1 || !AreaIsValid(a)) return line;
        areas.push_back(a);
    }
}

}  // namespace dbg
