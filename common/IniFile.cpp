#include "common/IniFile.h"

#include "common/Files.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {
std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
    return s.substr(b, e - b);
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
}  // namespace

bool IniFile::SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

bool IniFile::Load(const std::string& path) {
    sections_.clear();
    std::string text;
    if (!ReadWholeFile(path, text)) return false;
    Parse(text);
    return true;
}

void IniFile::Parse(const std::string& text) {
    sections_.clear();
    size_t pos = 0;
    // A UTF-8 byte-order mark before the first line is not part of it.
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) pos = 3;
    Section* current = nullptr;
    while (pos < text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos) end = text.size();
        std::string line = Trim(text.substr(pos, end - pos));
        pos = end;
        if (pos < text.size() && text[pos] == '\r') ++pos;
        if (pos < text.size() && text[pos] == '\n') ++pos;

        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            size_t close = line.find(']');
            std::string name = Trim(line.substr(1, close == std::string::npos ? std::string::npos
                                                                               : close - 1));
            sections_.push_back(Section{name, {}});
            current = &sections_.back();
            continue;
        }
        if (!current) continue;  // keys before any section belong to none
        size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string key = Trim(line.substr(0, eq));
        std::string value = Trim(line.substr(eq + 1));
        if (value.size() >= 2 && ((value.front() == '"' && value.back() == '"') ||
                                  (value.front() == '\'' && value.back() == '\'')))
            value = value.substr(1, value.size() - 2);
        if (key.empty()) continue;
        current->entries.push_back(Entry{key, value});
    }
}

const IniFile::Section* IniFile::FindSection(const std::string& name) const {
    for (const Section& s : sections_)
        if (SameName(s.name, name)) return &s;
    return nullptr;
}

std::string IniFile::ReadString(const std::string& section, const std::string& key,
                                const std::string& def) const {
    if (const Section* s = FindSection(section))
        for (const Entry& e : s->entries)
            if (SameName(e.key, key)) return e.value;
    return def;
}

int IniFile::ReadInteger(const std::string& section, const std::string& key, int def) const {
    std::string v = ReadString(section, key);
    if (v.empty()) return def;
    errno = 0;
    char* end = nullptr;
    bool hex = v.size() > 2 && v[0] == '0' && (v[1] == 'x' || v[1] == 'X');
    long n = std::strtol(v.c_str() + (hex ? 2 : 0), &end, hex ? 16 : 10);
    if (errno != 0 || end == v.c_str() + (hex ? 2 : 0) || *end != '\0' || n < INT_MIN || n > INT_MAX) return def;
    return static_cast<int>(n);
}
