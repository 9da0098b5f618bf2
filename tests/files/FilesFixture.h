#pragma once
// Small file systems for the tests of failed writes: a private mount namespace
// (root only) with a tiny tmpfs that the test fills up and one that it mounts
// read-only. Where that cannot be set up, the tests are skipped with the reason.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <algorithm>
#include <vector>

namespace testfs {

using Bytes = std::vector<uint8_t>;

inline Bytes ReadBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

inline bool WriteBytes(const std::string& path, const Bytes& data) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    return static_cast<bool>(f.flush());
}

inline Bytes Pattern(size_t n, unsigned seed) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>((i * 131 + seed * 17 + (i >> 8)) & 0xFF);
    return b;
}

// The names in a folder (to see that no temporary file stays behind).
inline std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Enters a private mount namespace once per process; the reason on failure.
inline bool PrivateMounts(std::string& why) {
    static int state = 0;  // 1 entered, -1 failed
    static std::string reason;
    if (state == 0) {
        if (::geteuid() != 0) {
            reason = "not running as root";
        } else if (::unshare(CLONE_NEWNS) != 0) {
            reason = std::string("unshare(CLONE_NEWNS): ") + std::strerror(errno);
        } else if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
            reason = std::string("making mounts private: ") + std::strerror(errno);
        }
        state = reason.empty() ? 1 : -1;
    }
    why = reason;
    return state == 1;
}

// Two tiny tmpfs folders: full, which FillUp fills to its last page, and
// readOnly, which MakeReadOnly remounts read-only.
class SmallFs {
public:
    static constexpr size_t kSize = 256 * 1024;

    ~SmallFs() {
        if (mounted) {
            ::umount2(full.c_str(), MNT_DETACH);
            ::umount2(readOnly.c_str(), MNT_DETACH);
        }
        std::error_code ec;
        if (!base.empty()) std::filesystem::remove_all(base, ec);
    }

    // False with the reason when the folders cannot be mounted here.
    bool Mount(std::string& why) {
        if (!PrivateMounts(why)) return false;
        std::string templ = (std::filesystem::temp_directory_path() / "orvik-fs-XXXXXX").string();
        std::vector<char> buf(templ.begin(), templ.end());
        buf.push_back('\0');
        if (!::mkdtemp(buf.data())) {
            why = "no temporary folder";
            return false;
        }
        base = buf.data();
        full = base + "/full";
        readOnly = base + "/ro";
        std::filesystem::create_directories(full);
        std::filesystem::create_directories(readOnly);
        const std::string options = "size=" + std::to_string(kSize) + ",mode=0777";
        if (::mount("tmpfs", full.c_str(), "tmpfs", 0, options.c_str()) != 0) {
            why = std::string("mounting tmpfs: ") + std::strerror(errno);
            return false;
        }
        if (::mount("tmpfs", readOnly.c_str(), "tmpfs", 0, options.c_str()) != 0) {
            why = std::string("mounting tmpfs: ") + std::strerror(errno);
            ::umount2(full.c_str(), MNT_DETACH);
            return false;
        }
        mounted = true;
        return true;
    }

    // Fills the full folder's file system up to its last byte.
    void FillUp() {
        int fd = ::open((full + "/.filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        const Bytes chunk(4096, 0x5A);
        for (size_t n = chunk.size(); n > 0; n /= 2)
            while (::write(fd, chunk.data(), n) > 0) {
            }
        ASSERT_EQ(errno, ENOSPC) << std::strerror(errno);
        fillerSize = static_cast<size_t>(::lseek(fd, 0, SEEK_END));
        ::close(fd);
    }
    // Gives back bytes of the space that FillUp took.
    void Free(size_t bytes) {
        ASSERT_GE(fillerSize, bytes);
        fillerSize -= bytes;
        ASSERT_EQ(::truncate((full + "/.filler").c_str(), static_cast<off_t>(fillerSize)), 0);
    }
    // Makes the read-only folder read-only, after its files were written.
    void MakeReadOnly() {
        ASSERT_EQ(::mount(nullptr, readOnly.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0)
            << std::strerror(errno);
        int fd = ::open((readOnly + "/probe").c_str(), O_WRONLY | O_CREAT, 0666);
        ASSERT_LT(fd, 0) << "root can still write there";
    }
    // The same bytes at name in both folders, for a writer to fail on.
    void Place(const std::string& name, const Bytes& data) {
        ASSERT_TRUE(WriteBytes(full + "/" + name, data));
        ASSERT_TRUE(WriteBytes(readOnly + "/" + name, data));
    }

    std::string base, full, readOnly;
    size_t fillerSize = 0;
    bool mounted = false;
};

class SmallFilesystem : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        if (!fs.Mount(why)) GTEST_SKIP() << "cannot mount a small file system here (" << why << ")";
    }
    SmallFs fs;
};

}  // namespace testfs
