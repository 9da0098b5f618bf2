#include "common/Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

namespace {

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
    struct stat existing;
    if (::lstat(target.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode) &&
        !S_ISLNK(existing.st_mode)) {
        errno = EINVAL;  // a pipe, a device, a folder: never replaced
        return -1;
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
    // Looking first keeps devices from being opened at all; opening without waiting and
    // checking the opened file closes the gap in which the name could change.
    struct stat st;
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    int fd = ::open(path.c_str(), (flags & ~O_CREAT) | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return -1;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    if ((flags & O_NONBLOCK) == 0) {
        int fl = ::fcntl(fd, F_GETFL);
        if (fl < 0 || ::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK) != 0) {
            ::close(fd);
            return -1;
        }
    }
    return fd;
}

bool ReadWholeFile(const std::string& path, std::string& text, size_t maxSize) {
    text.clear();
    Fd fd(OpenRegularFile(path, O_RDONLY));
    if (fd.get() < 0) return false;
    char chunk[8192];
    for (;;) {
        ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        if (text.size() + static_cast<size_t>(n) > maxSize) return false;
        text.append(chunk, static_cast<size_t>(n));
    }
}

bool FileReplacement::Begin(const std::string& path) {
    Abandon();
    target_ = ResolveTarget(path);
    fd_ = CreateTempBeside(target_, tmp_);
    return fd_ >= 0;
}

bool FileReplacement::Commit(bool ok) {
    if (fd_ < 0) return false;
    int fd = fd_;
    fd_ = -1;
    return CommitTemp(fd, tmp_, target_, ok);
}

void FileReplacement::Abandon() {
    if (fd_ < 0) return;
    ::close(fd_);
    ::unlink(tmp_.c_str());
    fd_ = -1;
}

int32_t GetFileSizeByName(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    if (st.st_size < 0 || st.st_size > INT32_MAX) return -1;
    return static_cast<int32_t>(st.st_size);
}

int32_t ReadFilePart(const std::string& path, int32_t offset, void* buffer, int32_t count) {
    Fd fd(OpenRegularFile(path, O_RDONLY));
    if (fd.get() < 0) return -1;
    if (count <= 0) return 0;
    if (::lseek(fd.get(), offset, SEEK_SET) < 0) return -1;
    ssize_t n = ReadAll(fd.get(), buffer, static_cast<size_t>(count));
    return n < 0 ? -1 : static_cast<int32_t>(n);
}

int32_t WriteFilePart(const std::string& path, int32_t offset, const void* buffer, int32_t count,
                      bool createAlways) {
    // Never waits on a pipe or a device, and changes nothing but regular files.
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return -1;
    Fd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666));
    if (fd.get() < 0) return -1;
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    int fl = ::fcntl(fd.get(), F_GETFL);
    if (fl < 0 || ::fcntl(fd.get(), F_SETFL, fl & ~O_NONBLOCK) != 0) return -1;
    if (createAlways && ::ftruncate(fd.get(), 0) != 0) return -1;
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

bool CreateMediumFile(const std::string& path, int64_t size, uint8_t fill) {
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
    return ok;
}
