#include "common/Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

#include "common/Lang.h"

namespace {
ErrorBoxHandler g_errorBox = nullptr;

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int release() {
        int f = fd_;
        fd_ = -1;
        return f;
    }

private:
    int fd_;
};

// Writes all of buf; bytes written before a failure, or -1 when nothing could be written.
ssize_t WriteAll(int fd, const void* buf, size_t count) {
    const char* p = static_cast<const char*>(buf);
    size_t done = 0;
    while (done < count) {
        ssize_t n = ::write(fd, p + done, count - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return done > 0 ? static_cast<ssize_t>(done) : -1;
        }
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

ssize_t ReadAll(int fd, void* buf, size_t count) {
    char* p = static_cast<char*>(buf);
    size_t done = 0;
    while (done < count) {
        ssize_t n = ::read(fd, p + done, count - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

// The file that a path finally names (a symbolic link is followed, so that replacing the
// file keeps the link).
std::string ResolveTarget(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* real = ::realpath(path.c_str(), nullptr)) {
            std::string r = real;
            std::free(real);
            return r;
        }
    }
    return path;
}

// A temporary file beside target, created new; its fd, or -1.
int CreateTempBeside(const std::string& target, std::string& tmpPath) {
    static std::atomic<unsigned> counter{0};
    std::string dir, name;
    size_t slash = target.rfind('/');
    if (slash == std::string::npos) {
        dir = "";
        name = target;
    } else {
        dir = target.substr(0, slash + 1);
        name = target.substr(slash + 1);
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        tmpPath = dir + "." + name + ".tmp" + std::to_string(::getpid()) + "-" +
                  std::to_string(counter.fetch_add(1));
        int fd = ::open(tmpPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            struct stat st;
            if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode))
                (void)::fchmod(fd, st.st_mode & 07777);
            return fd;
        }
        if (errno != EEXIST) return -1;
    }
    return -1;
}

// Makes the written temporary file the target; removes it on failure.
bool CommitTemp(int fd, const std::string& tmpPath, const std::string& target, bool ok) {
    if (ok && ::fsync(fd) != 0) ok = false;
    if (::close(fd) != 0) ok = false;
    if (ok && ::rename(tmpPath.c_str(), target.c_str()) != 0) ok = false;
    if (!ok) {
        ::unlink(tmpPath.c_str());
        return false;
    }
    // Make the rename itself durable; a failure here still leaves a whole file.
    size_t slash = target.rfind('/');
    std::string dir = slash == std::string::npos ? "." : target.substr(0, slash + 1);
    int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}
}  // namespace

int OpenRegularFile(const std::string& path, int flags) {
    int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

int32_t GetFileSizeByName(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    if (st.st_size < 0 || st.st_size > INT32_MAX) return -1;
    return static_cast<int32_t>(st.st_size);
}

int32_t ReadFilePart(const std::string& path, int32_t offset, void* buffer, int32_t count) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) return -1;
    if (count <= 0) return 0;
    if (::lseek(fd.get(), offset, SEEK_SET) < 0) return -1;
    ssize_t n = ReadAll(fd.get(), buffer, static_cast<size_t>(count));
    return n < 0 ? -1 : static_cast<int32_t>(n);
}

int32_t WriteFilePart(const std::string& path, int32_t offset, const void* buffer, int32_t count,
                      bool createAlways) {
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (createAlways ? O_TRUNC : 0);
    Fd fd(::open(path.c_str(), flags, 0666));
    if (fd.get() < 0) return -1;
    if (count <= 0) return 0;
    if (::lseek(fd.get(), offset, SEEK_SET) < 0) return -1;
    ssize_t n = WriteAll(fd.get(), buffer, static_cast<size_t>(count));
    return n < 0 ? -1 : static_cast<int32_t>(n);
}

bool ReplaceFileContents(const std::string& path, const void* data, size_t size) {
    std::string target = ResolveTarget(path);
    std::string tmp;
    int fd = CreateTempBeside(target, tmp);
    if (fd < 0) return false;
    bool ok = WriteAll(fd, data, size) == static_cast<ssize_t>(size);
    return CommitTemp(fd, tmp, target, ok);
}

bool CreateMediumFile(const std::string& path, int64_t size, uint8_t fill,
                      const std::string& section) {
    bool ok = false;
    std::string target = ResolveTarget(path);
    std::string tmp;
    int fd = CreateTempBeside(target, tmp);
    if (fd >= 0) {
        unsigned char block[128];
        for (unsigned char& b : block) b = fill;
        int64_t written = 0;
        bool whole = true;
        while (written < size) {
            if (WriteAll(fd, block, sizeof block) != static_cast<ssize_t>(sizeof block)) {
                whole = false;
                break;
            }
            written += static_cast<int64_t>(sizeof block);
        }
        ok = whole && written == size && ::lseek(fd, 0, SEEK_END) == size;
        ok = CommitTemp(fd, tmp, target, ok);
    }
    if (!ok && section != "0")
        ShowErrorBox(LangText(section, "err.CreateMedium.Title"),
                     LangText(section, "err.CreateMedium.Message"));
    return ok;
}

void SetErrorBoxHandler(ErrorBoxHandler handler) { g_errorBox = handler; }

void ShowErrorBox(const std::string& title, const std::string& text) {
    if (g_errorBox) g_errorBox(title, text);
}
