#include "tools/tape/BasicText.h"

#include "common/Lang.h"
#include "common/TextStream.h"

const char* const kBasicKeywords[kBasicKeywordCount] = {
    "END", "FOR", "NEXT", "DATA", "INPUT", "DIM", "READ", "LET",
    "GOTO", "RUN", "IF", "RESTORE", "GOSUB", "RETURN", "REM", "STOP",
    "BIT", "ON", "NULL", "WAIT", "DEF", "POKE", "PRINT", "ERR",
    "LIST", "CLEAR", "LLIST", "RAD", "NEW", "TAB(", "TO", "FNC",
    "SPC(", "THEN", "NOT", "STEP", "+", "-", "*", "/",
    "^", "AND", "OR", ">", "=", "<", "SGN", "INT",
    "ABS", "USR", "FRE", "INP", "POS", "SQR", "RND", "LOG",
    "EXP", "COS", "SIN", "TAN", "ATN", "PEEK", "LEN", "STR$",
    "VAL", "ASC", "CHR$", "LEFT$", "RIGHT$", "MID$", "SCALE", "PLOT",
    "MOVE", "BEEP", "AXES", "GCLEAR", "PAUSE", "DISP", "?", "BMOVE",
    "BPLOT", "LOAD", "SAVE", "DLOAD", "DSAVE", "LABEL", "FILL", "AUTO",
    "OUTPUT", "STATUS", "ENTER", "CONTROL", "CHECK", "CONT", "OUT", "INKEY",
    "CODE", "ROM", "APOKE", "PEN", "INK(", "APEEK", "ADR", "AT",
    "HEX$", "DEG", "", "", "", "WINDOW", "REN",
};

namespace {

constexpr uint8_t kQuote = 0x22, kRem = 0x8E, kData = 0x83, kColon = 0x3A;

// Text state: bit 0 in quotes, bit 1 after REM, bit 2 in data.
void ExportState(int& s, uint8_t b) {
    if (b == kQuote && !(s & 1)) s |= 1;
    else if (b == kQuote && (s & 1)) s &= ~1;
    else if (b == kRem && !(s & 1)) s |= 2;
    else if (b == kData && s == 0) s |= 4;
    else if (b == kColon && (s & 4) && !(s & 1)) s &= ~4;
}

void ImportState(int& s, uint8_t b) {
    if (b == kQuote && !(s & 1)) s |= 1;
    else if (b == kQuote && (s & 1)) s &= ~1;
    else if (b == kRem && !(s & 2)) s |= 2;
    else if (b == kData && !(s & 4)) s |= 4;
    else if (b == kColon && (s & 4) && !(s & 1)) s &= ~4;
}

void AppendUtf8(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// UTF-8 into UTF-16 code units; a byte that starts no valid sequence stands
// for itself (U+0080..U+00FF).
std::u16string Utf16(const std::string& s) {
    std::u16string out;
    size_t i = 0;
    while (i < s.size()) {
        const uint8_t b = static_cast<uint8_t>(s[i]);
        uint32_t c = b;
        int more = 0;
        if (b >= 0xF0 && b < 0xF8) c = b & 0x07, more = 3;
        else if (b >= 0xE0) c = b & 0x0F, more = 2;
        else if (b >= 0xC0) c = b & 0x1F, more = 1;
        bool ok = b < 0x80 || more > 0;
        if (more > 0) {
            for (int k = 1; ok && k <= more; ++k) {
                if (i + k >= s.size() || (static_cast<uint8_t>(s[i + k]) & 0xC0) != 0x80) ok = false;
                else c = (c << 6) | (static_cast<uint8_t>(s[i + k]) & 0x3F);
            }
        }
        if (!ok) {
            out += static_cast<char16_t>(b);
            ++i;
            continue;
        }
        i += static_cast<size_t>(more) + 1;
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
    return out;
}

// A line-feed byte cannot stand inside a text line; it is written as the
// picture of a line feed, whose low byte reads back as 0Ah.
constexpr uint32_t kLineFeedPicture = 0x240A;

// The text of one line: its number, a blank, then its bytes from i up to a
// 00h or 0Dh byte (i moved past it, ended set) or the end of the bytes.
std::string ExportLine(unsigned number, const uint8_t* bytes, size_t count, size_t& i, bool& ended) {
    std::string text = std::to_string(number) + " ";
    int state = 0;
    ended = false;
    while (i < count) {
        const uint8_t b = bytes[i++];
        if (b == 0x00 || b == 0x0D) {
            ended = true;
            break;
        }
        if (b < 0x80 || state != 0) {
            AppendUtf8(text, b == 0x0A ? kLineFeedPicture : b);
        } else if (b - 0x80 < kBasicKeywordCount) {
            text += kBasicKeywords[b - 0x80];
        } else {
            AppendUtf8(text, b);
        }
        ExportState(state, b);
    }
    return text;
}

// Latin letters with diacritics (U+0100..U+017F) as their plain letter.
constexpr char kPlainLetters[] =
    "AaAaAaCcCcCcCcDd" "DdEeEeEeEeEeGgGg" "GgGgHhHhIiIiIiIi" "IiIiJjKkkLlLlLlL"
    "lLlNnNnNnnNnOoOo" "OoOoRrRrRrSsSsSs" "SsTtTtTtUuUuUuUu" "UuUuWwYyYZzZzZzs";
static_assert(sizeof kPlainLetters == 0x80 + 1);

// What stands for a character that the machine has no byte for.
constexpr char16_t kReplacement = u'?';

// The line with every character the machine can hold: U+0001..U+00FF stay
// (a 00h or 0Dh byte would end the line, so NUL and CR do not), Latin
// letters with diacritics become their plain letter, a character beyond the
// 16-bit plane becomes one replacement, and any other character its low
// 8 bits unless those end the line.
std::u16string PmdCharacters(const std::u16string& line) {
    std::u16string out;
    out.reserve(line.size());
    for (size_t i = 0; i < line.size(); ++i) {
        const char16_t c = line[i];
        if (c >= 0xD800 && c <= 0xDFFF) {
            if (c < 0xDC00 && i + 1 < line.size() && line[i + 1] >= 0xDC00 && line[i + 1] <= 0xDFFF) ++i;
            out += kReplacement;
        } else if (c >= 0x100 && c < 0x180) {
            out += static_cast<char16_t>(kPlainLetters[c - 0x100]);
        } else {
            const char16_t low = c & 0xFF;
            out += low == 0x00 || low == 0x0D ? kReplacement : low;
        }
    }
    return out;
}

struct TokenisedLine {
    long long number = 0;
    bool tooBig = false;
    size_t textStart = 0;  // first character after the number and its blanks
    std::vector<uint8_t> text;
};

TokenisedLine TokeniseLine(const std::u16string& source) {
    const std::u16string line = PmdCharacters(source);
    TokenisedLine t;
    size_t p = 0;
    while (p < line.size() && line[p] >= u'0' && line[p] <= u'9') {
        t.number = t.number * 10 + (line[p] - u'0');
        if (t.number > 65535) t.tooBig = true;
        if (t.number > 99999999) t.number = 99999999;
        ++p;
    }
    while (p < line.size() && (line[p] == u' ' || line[p] == u'\t')) ++p;
    t.textStart = p;
    int state = 0;
    while (p < line.size()) {
        uint8_t b = 0;
        if (state == 0) b = MatchKeyword(line, p);
        if (b == 0) b = static_cast<uint8_t>(line[p++]);
        t.text.push_back(b);
        ImportState(state, b);
    }
    return t;
}

// True when the stored line exports to the text it was read from (after its
// number and blanks), so that it also imports back to the same bytes.
// Characters the machine has no byte for, bytes the export writes as
// nothing or as a keyword, and letters that complete a keyword do not.
bool LineReadsBack(unsigned number, const std::vector<uint8_t>& text, const std::u16string& source) {
    size_t i = 0;
    bool ended = false;
    const std::string exported = ExportLine(number, text.data(), text.size(), i, ended);
    if (ended || i != text.size()) return false;
    const std::u16string back = Utf16(exported);
    const size_t prefix = std::to_string(number).size() + 1;
    return back.compare(prefix, std::u16string::npos, source) == 0;
}

}  // namespace

uint8_t MatchKeyword(const std::u16string& line, size_t& pos) {
    for (int i = 0; i < kBasicKeywordCount; ++i) {
        const char* k = kBasicKeywords[i];
        if (!*k) continue;
        size_t n = 0;
        while (k[n] && pos + n < line.size() && line[pos + n] == static_cast<char16_t>(k[n])) ++n;
        if (k[n] == 0) {
            pos += n;
            return static_cast<uint8_t>(0x80 + i);
        }
    }
    return 0;
}

BasicExport DetokeniseBasic(const uint8_t* bytes, size_t count) {
    BasicExport out;
    size_t i = 0;
    while (true) {
        if (i + 2 > count) {
            out.truncated = true;
            break;
        }
        const unsigned link = bytes[i] | (bytes[i + 1] << 8);
        if (link == 0) break;
        if (i + 4 > count) {
            out.truncated = true;
            break;
        }
        const unsigned number = bytes[i + 2] | (bytes[i + 3] << 8);
        i += 4;
        bool ended = false;
        out.lines.push_back(ExportLine(number, bytes, count, i, ended));
        if (!ended) {
            out.truncated = true;
            break;
        }
    }
    return out;
}

void WriteBasicText(std::FILE* stream, const BasicExport& text) {
    for (const std::string& line : text.lines) StreamWriteText(stream, line, false, true);
}

BasicImport TokeniseBasic(std::FILE* stream) {
    BasicImport r;
    unsigned address = kBasicStart;
    long long previous = 0;
    std::string raw;
    while (!StreamSkipBlanks(stream, true, true)) {
        if (StreamReadLine(stream, raw) != 0) break;
        const std::u16string line = Utf16(raw);
        const TokenisedLine t = TokeniseLine(line);
        long long number = t.number;
        if (line.size() > 77) r.log.push_back({BasicLogEntry::TooLongLine, number, 0, r.lines.size()});
        if (number < previous) r.log.push_back({BasicLogEntry::WrongLineOrder, number, previous, r.lines.size()});
        if (line.size() < t.textStart + 3) r.log.push_back({BasicLogEntry::ShortLine, number, 0, r.lines.size()});
        if (t.tooBig) {
            r.log.push_back({BasicLogEntry::LineNumberTooBig, number, 0, r.lines.size()});
            number = 65535;
        }
        const std::vector<uint8_t>& text = t.text;
        const size_t lineBytes = 4 + text.size() + 1;
        // The line and the end link after it must stay below 10000h.
        if (r.bytes.size() + lineBytes + 2 > kBasicMaxBytes) {
            r.log.push_back({BasicLogEntry::ProgramTooLong, number, 0, r.lines.size()});
            break;
        }
        const std::u16string source = line.substr(t.textStart);
        if (!LineReadsBack(static_cast<unsigned>(number), text, source))
            r.log.push_back({BasicLogEntry::NotKept, number, 0, r.lines.size()});
        r.lines.push_back({static_cast<uint16_t>(number), source, r.bytes.size()});
        address += static_cast<unsigned>(lineBytes);
        r.bytes.push_back(static_cast<uint8_t>(address));
        r.bytes.push_back(static_cast<uint8_t>(address >> 8));
        r.bytes.push_back(static_cast<uint8_t>(number));
        r.bytes.push_back(static_cast<uint8_t>(number >> 8));
        r.bytes.insert(r.bytes.end(), text.begin(), text.end());
        r.bytes.push_back(0);
        previous = number;
    }
    r.bytes.push_back(0);
    r.bytes.push_back(0);
    return r;
}

std::string BasicLogText(const std::vector<BasicLogEntry>& log, const std::string& section) {
    std::string text;
    for (const BasicLogEntry& e : log) {
        if (!text.empty()) text += "\n";
        const std::string n = std::to_string(e.number);
        switch (e.kind) {
            case BasicLogEntry::TooLongLine:
                text += LangTextArg(section, "err.ImportBasic.TooLongLine", n);
                break;
            case BasicLogEntry::WrongLineOrder:
                text += LangTextArgs(section, "err.ImportBasic.WrongLineOrder", n, std::to_string(e.previous));
                break;
            case BasicLogEntry::ShortLine:
                text += LangTextArg(section, "err.ImportBasic.ShortLine", n);
                break;
            case BasicLogEntry::LineNumberTooBig:
                text += LangTextArg(section, "err.ImportBasic.LineNumberTooBig", n);
                break;
            case BasicLogEntry::NotKept:
                text += LangTextArg(section, "err.ImportBasic.NotKept", n);
                break;
            case BasicLogEntry::ProgramTooLong:
                text += LangTextArg(section, "err.ImportBasic.ProgramTooLong", n);
                break;
        }
    }
    return text;
}
