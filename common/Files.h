#pragma once
// Whole-file operations for images and dumps. All report by result only, except
// CreateMediumFile, which shows an error box through the installed handler.
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
// folders and devices).
int OpenRegularFile(const std::string& path, int flags);

// Replaces the file's contents with data: written to a temporary file in the same folder and
// renamed over the original, so a failure leaves the old file whole. True on success.
bool ReplaceFileContents(const std::string& path, const void* data, size_t size);
inline bool ReplaceFileContents(const std::string& path, const std::string& data) {
    return ReplaceFileContents(path, data.data(), data.size());
}

// Creates a medium image of size bytes, every byte fill, in whole 128-byte blocks (a size
// that is not a multiple of 128 fails). An existing file is replaced only on success.
// On failure, unless section is "0", shows err.CreateMedium.Title / err.CreateMedium.Message
// of the language section through the error-box handler.
bool CreateMediumFile(const std::string& path, int64_t size, uint8_t fill,
                      const std::string& section);

// Shows an error message box (title, text). The Qt layer installs one; without it
// messages go nowhere.
using ErrorBoxHandler = void (*)(const std::string& title, const std::string& text);
void SetErrorBoxHandler(ErrorBoxHandler handler);
void ShowErrorBox(const std::string& title, const std::string& text);
