#include "tools/tape/HeaderRules.h"

#include <cctype>
#include <cstdio>
#include <vector>

#include "common/TextUtils.h"

namespace {

// Code points of a UTF-8 text; a stray byte stands for itself.
std::vector<uint32_t> CodePoints(const std::string& s) {
    std::vector<uint32_t> out;
    size_t i = 0;
    while (i < s.size()) {
        const uint8_t b = static_cast<uint8_t>(s[i]);
        int more = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
        uint32_t c = more == 3 ? (b & 0x07) : more == 2 ? (b & 0x0F) : more == 1 ? (b & 0x1F) : b;
        bool ok = b < 0x80 || more > 0;
        for (int k = 1; ok && k <= more; ++k) {
            if (i + k >= s.size() || (static_cast<uint8_t>(s[i + k]) & 0xC0) != 0x80) ok = false;
            else c = (c << 6) | (static_cast<uint8_t>(s[i + k]) & 0x3F);
        }
        if (!ok) {
            out.push_back(b);
            ++i;
        } else {
            out.push_back(c);
            i += static_cast<size_t>(more) + 1;
        }
    }
    return out;
}

}  // namespace

std::string TrimHeaderText(const std::string& text) {
    size_t a = 0, b = text.size();
    while (a < b && static_cast<uint8_t>(text[a]) <= ' ') ++a;
    while (b > a && static_cast<uint8_t>(text[b - 1]) <= ' ') --b;
    return text.substr(a, b - a);
}

HeaderCheck CheckType(const std::string& text) {
    const auto c = CodePoints(TrimHeaderText(text));
    if (c.empty()) return HeaderCheck::TypeEmpty;
    if (c.size() != 1 || c[0] < 0x21 || c[0] > 0x7E) return HeaderCheck::TypeBad;
    return HeaderCheck::Ok;
}

HeaderCheck CheckName(const std::string& text) {
    const auto c = CodePoints(TrimHeaderText(text));
    if (c.empty()) return HeaderCheck::NameEmpty;
    if (c.size() > 8) return HeaderCheck::NameBad;
    for (uint32_t ch : c)
        if (ch < 0x20 || ch > 0x7E) return HeaderCheck::NameBad;
    return HeaderCheck::Ok;
}

int ParseBlockNumber(const std::string& text) {
    if (text.empty()) return 0;
    int v = 0;
    for (char ch : text) {
        if (ch == ' ') ch = '0';
        if (ch < '0' || ch > '9') return -1;
        v = v * 10 + (ch - '0');
        if (v > 255) return -1;
    }
    return v;
}

std::string FormatBlockNumber(int number) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", number & 0xFF);
    return buf;
}

std::string FormatHeaderValue(unsigned value, bool hex) {
    return FormatNumber(value & 0xFFFF, true, true, hex, false, true);
}

bool ReadHeaderValues(const std::string& startText, const std::string& lengthText, bool hex, int32_t& start,
                      int32_t& length) {
    const int s = ParseNumber(startText, hex);
    const int l = ParseNumber(lengthText, hex);
    start = s < 0 ? 0 : s;
    length = l < 0 ? 1 : l;
    return s >= 0 && l >= 0;
}

TapeHeaderFields MakeHeaderFields(int number, const std::string& type, uint16_t start, const std::string& name) {
    TapeHeaderFields f;
    f.number = static_cast<uint8_t>(number);
    const auto t = CodePoints(TrimHeaderText(type));
    f.type = t.empty() ? '?' : static_cast<uint8_t>(t[0]);
    f.start = start;
    const auto n = CodePoints(TrimHeaderText(name));
    for (size_t i = 0; i < 8; ++i) f.name[i] = i < n.size() ? static_cast<uint8_t>(n[i]) : ' ';
    return f;
}

std::string HeaderNameForFile(const std::string& path) {
    const size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    for (char& ch : name) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    // Cut to 8 characters, not bytes.
    size_t i = 0, count = 0;
    while (i < name.size() && count < 8) {
        const uint8_t b = static_cast<uint8_t>(name[i]);
        i += b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        ++count;
    }
    return TrimHeaderText(name.substr(0, std::min(i, name.size())));
}

std::string BlockNameText(const TapeBlock& block) {
    std::string out;
    for (uint8_t b : block.name) {
        if (!PrintableNameByte(b)) {
            out += ' ';
        } else if (b < 0x80) {
            out += static_cast<char>(b);
        } else {
            out += static_cast<char>(0xC0 | (b >> 6));
            out += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}
