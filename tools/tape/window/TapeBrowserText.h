#pragma once
// The tape browser's own texts and small formatting helpers, shared by its
// source files.
#include <QFontMetrics>
#include <QString>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "common/Lang.h"
#include "tools/tape/HeaderRules.h"

namespace tapebrowser {

constexpr const char* kSection = "FormTapeBrowser";

inline std::string Lang(const char* key) { return LangText(kSection, key); }
inline QString QLang(const char* key) { return QString::fromStdString(Lang(key)); }

// "9217 (2401h)"
inline QString DecHex(unsigned v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%u (%04Xh)", v, v);
    return QString::fromLatin1(buf);
}

// Name and type bytes as Latin-1 characters; a control code shows as a
// middle dot.
inline QString Latin1(const uint8_t* bytes, int n) {
    QString out;
    for (int i = 0; i < n; ++i)
        out += PrintableNameByte(bytes[i]) ? QChar(QLatin1Char(static_cast<char>(bytes[i]))) : QChar(0x00B7);
    return out;
}

inline std::string FileName(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

inline std::string Folder(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace tapebrowser
