#pragma once
// Whole-file operations for images and dumps. All report by result only and show
// nothing; the caller tells the user.
#include <cstddef>
#include <cstdint>
#include <string>

// Size in bytes; -1 when the file does not exist, is not a regular file or is 2 GiB or larger.
int32_t GetFileSizeByName(const std::string& path);

// Reads up to count bytes from offset of an existing file. Bytes read (fewer at the end of
// the file, 0 past it or when count <= 0); -1 when the file cannot be opened, the offset
// cannot be set or the read fails.
int32_t ReadFilePart(const std::string& path, int32_t offset, void* buffer, int32_t count);

// Writes count bytes at offset. createAlways creates the file or empties an existing one;
// otherwise an existing file keeps its contents (a missing one is created). Bytes written;
// 0 when count <= 0 (the file is still opened, created or emptied); -1 on failure.
int32_t WriteFilePart(const std::string& path, int32_t offset, const void* buffer, int32_t count,
                      bool createAlways);

// Opens an existing regular file with open(2) flags; its descriptor, or -1 (also for
// folders, devices, named pipes and sockets). The open itself never waits: a named pipe
// without a writer or a device that would block is refused at once. The descriptor
// returned is in ordinary blocking mode.
int OpenRegularFile(const std::string& path, int flags);

// Reads a whole regular file (at most maxSize bytes) into text; false when it cannot be
// opened as a regular file (see OpenRegularFile), is larger than maxSize or the read fails.
bool ReadWholeFile(const std::string& path, std::string& text, size_t maxSize = size_t(64) << 20);

// A file written under a temporary name in its target's folder and renamed over the
// target only when it is complete, so the target stays whole until then. The target
// must be a regular file or missing (a symbolic link is followed).
class FileReplacement {
public:
    FileReplacement() = default;
    ~FileReplacement() { Abandon(); }
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // Creates the temporary file; false when it cannot be created or the target is not a
    // regular file. Any earlier temporary file is abandoned first.
    bool Begin(const std::string& path);
    // Descriptor of the temporary file, -1 before Begin.
    int Fd() const { return fd_; }
    // Flushes, closes and renames the temporary file over the target; with ok false, or
    // when any of it fails, the temporary file is removed and the result is false.
    bool Commit(bool ok = true);
    // Closes and removes the temporary file (nothing without one).
    void Abandon();

private:
    int fd_ = -1;
    std::string tmp_;
    std::string target_;
};

// Replaces the file's contents with data: written to a temporary file in the same folder and
// renamed over the original, so a failure leaves the old file whole. True on success; false
// also when the path names something other than a regular file (a pipe, a device).
bool ReplaceFileContents(const std::string& path, const void* data, size_t size);
inline bool ReplaceFileContents(const std::string& path, const std::string& data) {
    return ReplaceFileContents(path, data.data(), data.size());
}

// Creates a medium image of size bytes, every byte fill, in whole 128-byte blocks (a size
// that is not a multiple of 128 fails). An existing file is replaced only on success.
// False on failure: the settings pages then show err.CreateMedium of their language
// section through their prompt service; the PMD-32 unit sends a result code.
bool CreateMediumFile(const std::string& path, int64_t size, uint8_t fill);
