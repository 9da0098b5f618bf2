#include "common/TextUtils.h"

#include <climits>
#include <cstdio>

void ConvertLineBreaks(std::string& text) {
    for (char& c : text)
        if (c == '\\') c = '\n';
}

int ParseNumber(const std::string& text, bool hex) {
    std::string t = text;
    if (hex && !t.empty()) t.replace(0, 1, "0x");
    for (char& c : t)
        if (c == ' ') c = '0';
    if (t.empty()) return -1;

    size_t i = 0;
    bool negative = false;
    if (t[i] == '+' || t[i] == '-') {
        negative = t[i] == '-';
        ++i;
    }
    int base = 10;
    if (t.size() - i >= 2 && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= t.size()) return -1;
    long long value = 0;
    for (; i < t.size(); ++i) {
        char c = t[i];
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else return -1;
        value = value * base + d;
        if (value > 0xFFFFFF) return -1;  // far out of range; stops any overflow
    }
    if (negative) value = -value;
    if (value < 0 || value > 65535) return -1;
    return static_cast<int>(value);
}

const std::string& FormatNumber(unsigned value, bool word, bool zeroPad, std::string& out,
                                bool hex, bool assembler, bool hash) {
    unsigned v = word ? (value & 0xFFFFu) : (value & 0xFFu);
    char buf[16];
    if (hex)
        std::snprintf(buf, sizeof buf, "%s%0*X", hash ? "#" : "", word ? 4 : 2, v);
    else if (zeroPad)
        std::snprintf(buf, sizeof buf, "%0*u", word ? 5 : 3, v);
    else
        std::snprintf(buf, sizeof buf, "%u", v);
    out = buf;
    if (assembler) {
        if (v >= (word ? 0xA000u : 0xA0u)) out = std::string(1, '0') + out;
        out += 'H';
    }
    return out;
}

std::string FormatNumber(unsigned value, bool word, bool zeroPad, bool hex, bool assembler,
                         bool hash) {
    std::string out;
    FormatNumber(value, word, zeroPad, out, hex, assembler, hash);
    return out;
}

std::string GuidToText(const Guid& g) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%08X,%04X,%04X,%02X,%02X,%02X,%02X,%02X,%02X,%02X,%02X",
                  static_cast<unsigned>(g.Data1), static_cast<unsigned>(g.Data2),
                  static_cast<unsigned>(g.Data3), g.Data4[0], g.Data4[1], g.Data4[2],
                  g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return buf;
}

namespace {
// Reads up to maxDigits hexadecimal digits at text[pos]; false when there is none.
bool ReadHexField(const std::string& text, size_t& pos, int maxDigits, unsigned long& value) {
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
    value = 0;
    int n = 0;
    while (pos < text.size() && n < maxDigits) {
        char c = text[pos];
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else break;
        value = value * 16 + d;
        ++pos;
        ++n;
    }
    return n > 0;
}
}  // namespace

bool TextToGuid(const std::string& text, Guid& guid) {
    static const int widths[11] = {8, 4, 4, 2, 2, 2, 2, 2, 2, 2, 2};
    unsigned long f[11];
    size_t pos = 0;
    for (int i = 0; i < 11; ++i) {
        if (i > 0) {
            if (pos >= text.size() || text[pos] != ',') return false;
            ++pos;
        }
        if (!ReadHexField(text, pos, widths[i], f[i])) return false;
    }
    guid.Data1 = static_cast<uint32_t>(f[0]);
    guid.Data2 = static_cast<uint16_t>(f[1]);
    guid.Data3 = static_cast<uint16_t>(f[2]);
    for (int i = 0; i < 8; ++i) guid.Data4[i] = static_cast<uint8_t>(f[3 + i]);
    return true;
}

int TakeLeadingNumber(std::string& text) {
    if (text.empty() || text[0] < '0' || text[0] > '9') return -1;
    long long value = 0;
    size_t i = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT_MAX) value = INT_MAX;
    }
    text.erase(0, i);
    return static_cast<int>(value);
}

bool SameTextNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = char(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}
