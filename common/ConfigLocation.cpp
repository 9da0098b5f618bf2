#include "common/ConfigLocation.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

std::vector<std::string> g_extraLanguageFolders;

std::string WithSlash(std::string dir) {
    if (!dir.empty() && dir.back() != '/') dir += '/';
    return dir;
}

std::string XdgDir(const char* variable, const char* homeFallback) {
    const char* v = std::getenv(variable);
    if (v && v[0] == '/') return WithSlash(v) + "orvik/";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return WithSlash(home) + homeFallback + "orvik/";
    return std::string();
}

bool IsRegularFile(const std::string& path) {
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// mkdir -p with mode 0700 for the folders it makes.
bool MakeFolders(const std::string& dir) {
    std::string part;
    for (size_t i = 0; i < dir.size(); ++i) {
        part += dir[i];
        if (dir[i] != '/' || part.size() == 1) continue;
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    struct stat st{};
    return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string CopyFile(const std::string& from, const std::string& to) {
    std::ifstream in(from, std::ios::binary);
    if (!in) return "cannot read " + from;
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    if (in.bad()) return "cannot read " + from;
    const std::string temp = to + ".new";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return "cannot create " + temp + ": " + std::strerror(errno);
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    const bool written = done == bytes.size() && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed) {
        const std::string why = std::strerror(errno);
        ::unlink(temp.c_str());
        return "cannot write " + temp + ": " + why;
    }
    if (::rename(temp.c_str(), to.c_str()) != 0) {
        const std::string why = std::strerror(errno);
        ::unlink(temp.c_str());
        return "cannot create " + to + ": " + why;
    }
    return std::string();
}

}  // namespace

std::string UserConfigDir() { return XdgDir("XDG_CONFIG_HOME", ".config/"); }
std::string UserDataDir() { return XdgDir("XDG_DATA_HOME", ".local/share/"); }

std::string SharedDataDir(const std::string& programDir) {
    return WithSlash(programDir) + "../share/orvik/";
}

std::string SharedDocDir(const std::string& programDir) { return WithSlash(programDir) + "../share/doc/orvik/"; }

ConfigLocation ChooseConfigLocation(const std::string& programDir, const std::string& shippedDefault) {
    ConfigLocation where;
    const std::string beside = WithSlash(programDir) + "Orvik.xml";
    if (IsRegularFile(beside) && ::access(beside.c_str(), W_OK) == 0) {
        where.dir = WithSlash(programDir);
        where.portable = true;
        return where;
    }
    where.dir = UserConfigDir();
    if (where.dir.empty()) {
        // No home folder: the program folder, which then reports its own configuration.
        where.dir = WithSlash(programDir);
        where.problem = "neither XDG_CONFIG_HOME nor HOME names a folder";
        return where;
    }
    const std::string target = where.dir + "Orvik.xml";
    struct stat st{};
    if (::lstat(target.c_str(), &st) == 0) return where;  // the user's own file, whatever it holds
    if (!MakeFolders(where.dir)) {
        where.problem = "cannot create the folder " + where.dir + ": " + std::strerror(errno);
        return where;
    }
    where.problem = CopyFile(shippedDefault, target);
    where.created = where.problem.empty();
    return where;
}

void SetExtraLanguageFolders(const std::vector<std::string>& folders) {
    g_extraLanguageFolders.clear();
    for (const std::string& f : folders)
        if (!f.empty()) g_extraLanguageFolders.push_back(WithSlash(f));
}

const std::vector<std::string>& ExtraLanguageFolders() { return g_extraLanguageFolders; }
