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

inline QString Latin1(const uint8_t* bytes, int n) {
    return QString::fromLatin1(reinterpret_cast<const char*>(bytes), n);
}

// The widest of the characters.
inline int Widest(const QFontMetrics& fm, std::string_view chars) {
    int widest = 0;
    for (char c : chars)
        widest = std::max(widest, fm.horizontalAdvance(QLatin1Char(c)));
    return widest;
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
