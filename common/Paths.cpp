#include "common/Paths.h"

namespace {
std::string g_appDir;

bool IsDrivePath(const std::string& p) {
    return p.size() >= 3 && p[1] == ':' && (p[2] == '\\' || p[2] == '/');
}
}  // namespace

const std::string& AppDir() { return g_appDir; }

void SetAppDir(const std::string& dir) {
    g_appDir = dir;
    if (g_appDir.empty() || g_appDir.back() != '/') g_appDir += '/';
}

void ClearAppDir() { g_appDir.clear(); }

std::string MakeRelativePath(const std::string& path) {
    // Linux file names are case-sensitive: the folder must match exactly, or the stored
    // relative path would lead into another folder when read back.
    if (!g_appDir.empty() && path.size() >= g_appDir.size() &&
        path.compare(0, g_appDir.size(), g_appDir) == 0)
        return path.substr(g_appDir.size());
    return path;
}

std::string MakeAbsolutePath(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    if (IsDrivePath(path)) return path;
    std::string rel = path;
    for (char& c : rel)
        if (c == '\\') c = '/';
    return g_appDir + rel;
}

std::string StoredPathAbsolute(const std::string& text) {
    if (text.empty() || text == "...") return std::string();
    return MakeAbsolutePath(text);
}
