#include "common/RomRecogniser.h"

#include <dirent.h>
#include <fcntl.h>
#include <nettle/sha1.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <sstream>

namespace {

std::string WithSlash(std::string dir) {
    if (!dir.empty() && dir.back() != '/') dir += '/';
    return dir;
}

bool IsHex40(const std::string& s) {
    if (s.size() != 40) return false;
    return std::all_of(s.begin(), s.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

// Reads the whole file of exactly size bytes; false when it cannot, or when it holds more.
bool ReadExactly(int fd, std::vector<uint8_t>& bytes, size_t size) {
    bytes.assign(size + 1, 0);  // one more byte tells a file that grew
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    if (done != size) return false;
    bytes.resize(size);
    return true;
}

// The table's entry for the bytes, or null.
const KnownRom* FindKnown(const std::vector<KnownRom>& table, const std::vector<uint8_t>& bytes) {
    const std::string sha1 = Sha1Hex(bytes.data(), bytes.size());
    const auto known = std::find_if(table.begin(), table.end(), [&](const KnownRom& r) {
        return r.size == bytes.size() && r.sha1 == sha1;
    });
    return known == table.end() ? nullptr : &*known;
}

}  // namespace

extern const char* const kKnownRomsText;  // generated from the list of known dumps

const std::vector<KnownRom>& BuiltInKnownRoms() {
    static const std::vector<KnownRom> table = ParseKnownRoms(kKnownRomsText);
    return table;
}

std::vector<KnownRom> ParseKnownRoms(const std::string& text) {
    std::vector<KnownRom> table;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> cells;
        size_t start = 0;
        for (;;) {
            const size_t tab = line.find('\t', start);
            cells.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
            if (tab == std::string::npos) break;
            start = tab + 1;
        }
        if (cells.size() < 6 || cells[0].empty()) continue;
        char* end = nullptr;
        errno = 0;
        const unsigned long size = std::strtoul(cells[1].c_str(), &end, 10);
        if (cells[1].empty() || *end != '\0' || errno != 0 || size == 0 || size > UINT32_MAX) continue;  // also the header
        KnownRom rom;
        rom.name = cells[0];
        rom.size = static_cast<uint32_t>(size);
        rom.sha1 = Lower(cells[2]);
        rom.kind = cells[4];
        rom.model = cells[5];
        if (!IsHex40(rom.sha1) || rom.kind.empty() || rom.model.empty()) continue;
        table.push_back(std::move(rom));
    }
    return table;
}

std::string Sha1Hex(const uint8_t* data, size_t size) {
    sha1_ctx ctx;
    sha1_init(&ctx);
    sha1_update(&ctx, size, data);
    uint8_t digest[SHA1_DIGEST_SIZE];
    sha1_digest(&ctx, SHA1_DIGEST_SIZE, digest);
    static const char kHex[] = "0123456789abcdef";
    std::string hex;
    for (uint8_t b : digest) {
        hex += kHex[b >> 4];
        hex += kHex[b & 15];
    }
    return hex;
}

bool PlausibleRomSize(uint64_t size) {
    return size >= kRomMinSize && size <= kRomMaxSize && size % 1024 == 0;
}

RomScanResult ScanRomFolder(const std::string& folder, const std::vector<KnownRom>& table) {
    RomScanResult result;
    const std::string dir = WithSlash(folder);
    char real[PATH_MAX];
    if (dir.empty() || !::realpath(dir.c_str(), real)) return result;
    const std::string realDir = WithSlash(real);

    Fd dirFd;
    dirFd.fd = ::open(realDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd.fd < 0) return result;
    std::vector<std::string> names;
    {
        DIR* d = ::fdopendir(::dup(dirFd.fd));
        if (!d) return result;
        while (dirent* e = ::readdir(d)) {
            const std::string n = e->d_name;
            if (n != "." && n != "..") names.push_back(n);
        }
        ::closedir(d);
    }
    result.folderRead = true;
    std::sort(names.begin(), names.end());

    std::vector<uint8_t> bytes;
    for (const std::string& name : names) {
        const std::string path = dir + name;
        auto skip = [&](RomSkipReason reason) { result.skipped.push_back({path, reason}); };

        struct stat st{};
        if (::fstatat(dirFd.fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            skip(RomSkipReason::Unreadable);
            continue;
        }
        Fd file;
        const int flags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
        std::string target;  // a link's file, when it stays in the folder
        if (S_ISLNK(st.st_mode)) {
            char resolved[PATH_MAX];
            if (!::realpath((realDir + name).c_str(), resolved) ||
                std::string(resolved).compare(0, realDir.size(), realDir) != 0) {
                skip(RomSkipReason::LinkOutside);
                continue;
            }
            target = resolved;
            if (::lstat(target.c_str(), &st) != 0) {
                skip(RomSkipReason::Unreadable);
                continue;
            }
        }
        if (S_ISDIR(st.st_mode)) {
            skip(RomSkipReason::SubFolder);
            continue;
        }
        if (!S_ISREG(st.st_mode)) {
            skip(RomSkipReason::SpecialFile);  // never opened: opening a device can act on it
            continue;
        }
        if (!PlausibleRomSize(static_cast<uint64_t>(st.st_size))) {
            skip(RomSkipReason::WrongSize);
            continue;
        }
        file.fd = target.empty() ? ::openat(dirFd.fd, name.c_str(), flags) : ::open(target.c_str(), flags);
        struct stat opened{};
        if (file.fd < 0 || ::fstat(file.fd, &opened) != 0) {
            skip(RomSkipReason::Unreadable);
            continue;
        }
        // Replaced between the look and the opening: judged again by what was opened.
        if (!S_ISREG(opened.st_mode)) {
            skip(RomSkipReason::SpecialFile);
            continue;
        }
        if (!PlausibleRomSize(static_cast<uint64_t>(opened.st_size))) {
            skip(RomSkipReason::WrongSize);
            continue;
        }
        const int blocking = ::fcntl(file.fd, F_GETFL);
        if (blocking >= 0) ::fcntl(file.fd, F_SETFL, blocking & ~O_NONBLOCK);
        if (!ReadExactly(file.fd, bytes, static_cast<size_t>(opened.st_size))) {
            skip(RomSkipReason::Unreadable);
            continue;
        }
        const KnownRom* known = FindKnown(table, bytes);
        if (!known) {
            result.unknown.push_back(path);
            continue;
        }
        const RecognisedRom found{path, *known};
        result.recognised.push_back(found);
        if (known->model == "-") continue;
        if (known->kind == "monitor") {
            result.monitors.emplace(known->model, found);  // the first one stays
        } else if (known->kind == "module") {
            const bool seen = std::any_of(result.basicModules.begin(), result.basicModules.end(),
                                          [&](const RecognisedRom& r) { return r.rom.name == known->name; });
            if (!seen) result.basicModules.push_back(found);
        }
    }
    return result;
}

RomFileVerdict RecogniseRomFile(const std::string& path, const std::vector<KnownRom>& table, KnownRom& found) {
    struct stat st{};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
        !PlausibleRomSize(static_cast<uint64_t>(st.st_size)))
        return RomFileVerdict::NotRead;
    Fd file;
    file.fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat opened{};
    if (file.fd < 0 || ::fstat(file.fd, &opened) != 0 || !S_ISREG(opened.st_mode) ||
        !PlausibleRomSize(static_cast<uint64_t>(opened.st_size)))
        return RomFileVerdict::NotRead;
    const int flags = ::fcntl(file.fd, F_GETFL);
    if (flags >= 0) ::fcntl(file.fd, F_SETFL, flags & ~O_NONBLOCK);
    std::vector<uint8_t> bytes;
    if (!ReadExactly(file.fd, bytes, static_cast<size_t>(opened.st_size))) return RomFileVerdict::NotRead;
    const KnownRom* known = FindKnown(table, bytes);
    if (!known) return RomFileVerdict::Unknown;
    found = *known;
    return RomFileVerdict::Known;
}
