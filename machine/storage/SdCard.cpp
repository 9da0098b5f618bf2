#include "machine/storage/SdCard.h"

#include "common/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr size_t kMaxCfgSize = 1 << 20;

bool IsBlankOrControl(unsigned char c) { return c <= ' ' || c == 0x7F; }

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Upper(a[i]) != Upper(b[i])) return false;
    return true;
}

// Next word of line from pos; false when the line has none left.
bool NextWord(const std::string& line, size_t& pos, std::string& word) {
    while (pos < line.size() && IsBlankOrControl(static_cast<unsigned char>(line[pos]))) ++pos;
    if (pos >= line.size()) return false;
    size_t start = pos;
    while (pos < line.size() && !IsBlankOrControl(static_cast<unsigned char>(line[pos]))) ++pos;
    word.assign(line, start, pos - start);
    return true;
}

// A decimal number of at most a few digits; false for anything else.
bool ParseSmall(const std::string& word, int& value) {
    if (word.empty() || word.size() > 6) return false;
    value = 0;
    for (char c : word) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

std::string RealPath(const std::string& path) {
    char* r = realpath(path.c_str(), nullptr);
    if (!r) return std::string();
    std::string s(r);
    free(r);
    return s;
}

bool Inside(const std::string& realRoot, const std::string& real) {
    if (realRoot.empty() || real.empty()) return false;
    if (real == realRoot) return true;
    std::string prefix = realRoot;
    if (prefix.back() != '/') prefix += '/';
    return real.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

std::string ImageExtension(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    size_t start = (slash == std::string::npos) ? 0 : slash + 1;
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < start) return std::string();
    return path.substr(dot);
}

int ParseImagesCfg(const std::string& text, const std::string& imagePath, ImageGeometry& geometry) {
    const std::string ext = ImageExtension(imagePath);
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos) end = text.size();
        const bool lastLine = end == text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end;
        if (pos < text.size() && text[pos] == '\r') {
            ++pos;
            if (pos < text.size() && text[pos] == '\n') ++pos;
        } else if (pos < text.size()) {
            ++pos;  // '\n'
        }
        // A word that the end of the text cuts short (nothing after its last
        // character) makes the file malformed.
        auto cut = [&](size_t at) { return lastLine && at == line.size(); };

        if (!line.empty() && line[0] == '*') continue;
        size_t at = 0;
        std::string word;
        if (!NextWord(line, at, word)) continue;
        if (cut(at)) return kPmdCfgMalformed;
        if (ext.empty() || !EqualNoCase(word, ext)) continue;

        int tracks = 0, sectors = 0, heads = 2;
        std::string number;
        if (!NextWord(line, at, number) || cut(at) || !ParseSmall(number, tracks)) return kPmdCfgMalformed;
        if (!NextWord(line, at, number) || cut(at) || !ParseSmall(number, sectors)) return kPmdCfgMalformed;
        if (NextWord(line, at, number) && (cut(at) || !ParseSmall(number, heads))) return kPmdCfgMalformed;
        if (tracks < 1 || tracks > 256 || sectors < 1 || sectors > 64 || heads < 0 || heads > 3)
            return kPmdCfgMalformed;
        geometry.tracks = static_cast<uint8_t>(tracks & 0xFF);
        geometry.sectors = static_cast<uint8_t>(sectors);
        geometry.heads = static_cast<uint8_t>(heads);
        return kPmdOk;
    }
    return kPmdCfgNoLine;
}

int ReadImagesCfgFile(const std::string& cfgPath, const std::string& imagePath, ImageGeometry& geometry) {
    std::string text;
    if (!ReadWholeFile(cfgPath, text, kMaxCfgSize)) return kPmdCfgMissing;
    return ParseImagesCfg(text, imagePath, geometry);
}

bool JoinCardPath(const std::string& dir, const std::string& name, std::string& relative) {
    std::vector<std::string> parts;
    auto add = [&parts](const std::string& text) {
        size_t pos = 0;
        while (pos <= text.size()) {
            size_t end = text.find_first_of("/\\", pos);
            if (end == std::string::npos) end = text.size();
            std::string part = text.substr(pos, end - pos);
            pos = end + 1;
            if (part.empty() || part == ".") continue;
            if (part == "..") {
                if (parts.empty()) return false;
                parts.pop_back();
                continue;
            }
            parts.push_back(part);
        }
        return true;
    };
    if (!add(dir) || !add(name)) return false;
    relative.clear();
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i) relative += '/';
        relative += parts[i];
    }
    return true;
}

bool ResolveInsideCard(const std::string& root, const std::string& relative, bool mustExist,
                       std::string& real) {
    const std::string realRoot = RealPath(root);
    if (realRoot.empty()) return false;
    std::string base = root;
    if (!base.empty() && base.back() != '/') base += '/';
    const std::string full = base + relative;
    if (mustExist || relative.empty()) {
        std::string r = RealPath(full);
        if (!Inside(realRoot, r)) return false;
        real = r;
        return true;
    }
    size_t slash = relative.find_last_of('/');
    std::string parent = (slash == std::string::npos) ? std::string() : relative.substr(0, slash);
    std::string last = (slash == std::string::npos) ? relative : relative.substr(slash + 1);
    std::string rp = RealPath(base + parent);
    if (!Inside(realRoot, rp)) return false;
    struct stat st;
    std::string candidate = rp + "/" + last;
    if (lstat(candidate.c_str(), &st) == 0) {
        // An existing last name must itself resolve inside.
        if (S_ISLNK(st.st_mode)) return false;
    }
    real = candidate;
    return true;
}

std::vector<std::string> ListCardFolder(const std::string& folder, bool atTop) {
    std::vector<std::string> names;
    DIR* d = opendir(folder.c_str());
    if (!d) return names;
    std::string base = folder;
    if (!base.empty() && base.back() != '/') base += '/';
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name.empty() || name[0] == '.') continue;  // ".", "..", hidden
        std::string path = base + name;
        struct stat st;
        if (lstat(path.c_str(), &st) != 0) continue;
        std::string shown;
        if (S_ISREG(st.st_mode))
            shown = name;
        else if (S_ISDIR(st.st_mode))
            shown = "[" + name + "]";
        else
            continue;  // links, devices, pipes, sockets
        if (!(st.st_mode & S_IWUSR)) continue;  // read-only
        if (shown.size() > 255) continue;
        names.push_back(shown);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    if (!atTop) names.insert(names.begin(), "[..]");
    return names;
}

bool CreateNewImageFile(const std::string& path, int64_t size, uint8_t fill) {
    struct stat st;
    if (lstat(path.c_str(), &st) == 0) return false;  // never replace a file or follow a link
    return CreateMediumFile(path, size, fill);
}
