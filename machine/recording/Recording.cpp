#include "machine/recording/Recording.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>

#include "common/Files.h"
#include "common/Rle.h"
#include "machine/cpu/ChipCpu8080.h"
#include "machine/snapshot/Snapshot.h"

namespace {
constexpr int64_t kMaxFileSize = INT32_MAX;  // offsets are stored in 32 bits
constexpr int kHeaderBytes = 4;
constexpr int kBlockHeader = 5;
constexpr int kActionHeader = 9;
constexpr int kChunkHeader = 6;

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}
void Put16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
    Put16(p, v);
    Put16(p + 2, v >> 16);
}

std::string BaseName(const std::string& p) {
    const size_t slash = p.rfind('/');
    return slash == std::string::npos ? p : p.substr(slash + 1);
}

std::string FolderOf(const std::string& p) {
    const size_t slash = p.rfind('/');
    return slash == std::string::npos ? std::string() : p.substr(0, slash + 1);
}

// The folder as one spelling, for comparing two folders.
std::string CanonicalFolder(const std::string& folder) {
    std::error_code ec;
    const std::filesystem::path f = folder.empty() ? std::filesystem::path(".") : std::filesystem::path(folder);
    std::filesystem::path c = std::filesystem::weakly_canonical(std::filesystem::absolute(f, ec), ec);
    if (ec) return folder;
    return c.string();
}

bool FileExists(const std::string& p) {
    struct stat st;
    return ::lstat(p.c_str(), &st) == 0 && (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode));
}

int64_t MonotonicMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
}  // namespace

bool Recording::IsBareFileName(const std::string& name) {
    if (name.empty() || name.size() > static_cast<size_t>(MaxNameBytes)) return false;
    if (name.find('/') != std::string::npos || name.find('\\') != std::string::npos) return false;
    if (name.find('\0') != std::string::npos) return false;
    if (name.find("..") != std::string::npos || name == ".") return false;
    return true;
}

Recording::Recording(const std::string& filePath, int32_t mode, ChipCpu8080* cpuRef) : path(filePath), cpu(cpuRef) {
    if (mode < ModeCreate || mode > ModePlayback) {
        Fail(ErrorRead);
        return;
    }
    if (mode == ModeCreate) {
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        struct stat st;
        if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
            ::close(fd);
            fd = -1;
        }
    } else {
        fd = OpenRegularFile(path, mode == ModePlayback ? O_RDONLY : O_RDWR);
    }
    if (fd < 0) {
        Fail(ErrorRead);
        return;
    }
    if (mode == ModeCreate) {
        const uint8_t head[kHeaderBytes] = {'P', 'R', 'C', 1};
        if (!WriteAt(0, head, sizeof head)) {
            Fail(ErrorWrite);
            return;
        }
        filePosition = kHeaderBytes;
    } else {
        uint8_t head[kHeaderBytes];
        if (!ReadAt(0, head, sizeof head)) {
            Fail(ErrorRead);
            return;
        }
        if (std::memcmp(head, "PRC", 3) != 0) {
            Fail(ErrorNotPrc);
            return;
        }
        if (head[3] != 1) {
            Fail(ErrorVersion);
            return;
        }
    }
    state = mode;
    if (mode == ModePlayback) position = -1;
    pending.assign(BufferSize, 0);
    packed.assign(BufferSize, 0);
    if (mode == ModeCreate) return;

    ReadBlockList();
    if (state == StateFailed) return;
    if (mode == ModeAppend) {
        if (blocks.empty() || !IsSnapshotType(blocks.back().Type)) {
            Fail(ErrorNoSnapshotAtEnd);
            return;
        }
        const PRC_BLOCK_ITEM& last = blocks.back();
        filePosition = static_cast<int64_t>(last.FileOffset) + last.Length;
    } else {
        if (blocks.empty() || !IsSnapshotType(blocks.front().Type)) {
            Fail(ErrorRead);
            return;
        }
        playIndex = 1;
    }
}

Recording::~Recording() {
    Close();
    StopPlayback();
    CloseFile();
}

void Recording::CloseFile() {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

void Recording::Fail(int32_t code) {
    errorCode = code;
    state = StateFailed;
}

bool Recording::WriteAt(int64_t offset, const void* data, size_t size) {
    if (fd < 0 || offset < 0 || offset + static_cast<int64_t>(size) > kMaxFileSize) return false;
    const uint8_t* p = static_cast<const uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, p, size, offset);
        if (n <= 0) return false;
        p += n;
        offset += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool Recording::ReadAt(int64_t offset, void* data, size_t size) const {
    if (fd < 0 || offset < 0) return false;
    uint8_t* p = static_cast<uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = ::pread(fd, p, size, offset);
        if (n <= 0) return false;
        p += n;
        offset += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool Recording::WriteBlockHeader(int64_t offset, uint8_t type, uint32_t length, const uint32_t* chunkCount) {
    uint8_t h[kActionHeader];
    h[0] = type;
    Put32(h + 1, length);
    if (chunkCount) Put32(h + 5, *chunkCount);
    return WriteAt(offset, h, chunkCount ? kActionHeader : kBlockHeader);
}

std::string Recording::Folder() const { return FolderOf(path); }

void Recording::ReadBlockList() {
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        Fail(ErrorRead);
        return;
    }
    const int64_t fileSize = st.st_size;
    if (fileSize > kMaxFileSize) {
        Fail(ErrorRead);
        return;
    }
    const std::string folder = Folder();
    int64_t offset = kHeaderBytes;
    while (offset < fileSize) {
        uint8_t h[kActionHeader];
        if (fileSize - offset < kBlockHeader || !ReadAt(offset, h, kBlockHeader)) {
            Fail(ErrorRead);
            return;
        }
        PRC_BLOCK_ITEM item;
        item.Type = h[0];
        int64_t length = Get32(h + 1);
        item.FileOffset = static_cast<uint32_t>(offset);
        const int64_t minimum = item.Type == BlockActions ? kActionHeader : kBlockHeader;
        if (length < minimum || length > fileSize - offset) {
            Fail(ErrorRead);
            return;
        }
        if (item.Type == BlockSnapshot) {
            item.SnapshotFileName = path;
            item.DataOffset = static_cast<int32_t>(offset + kBlockHeader);
            ++snapshotCount;
        } else if (item.Type == BlockExternalSnapshot) {
            const int64_t nameBytes = length - kBlockHeader;
            if (nameBytes < 2 || nameBytes > MaxNameBytes + 1) {
                Fail(ErrorRead);
                return;
            }
            std::string raw(static_cast<size_t>(nameBytes), '\0');
            if (!ReadAt(offset + kBlockHeader, raw.data(), raw.size()) || raw.back() != '\0') {
                Fail(ErrorRead);
                return;
            }
            raw.pop_back();
            if (!IsBareFileName(raw) || !FileExists(folder + raw)) {
                Fail(ErrorRead);
                return;
            }
            item.SnapshotFileName = folder + raw;
            ++snapshotCount;
        } else if (item.Type == BlockActions) {
            if (!ReadAt(offset + kBlockHeader, h + kBlockHeader, 4)) {
                Fail(ErrorRead);
                return;
            }
            item.ChunkCount = Get32(h + kBlockHeader);
            if (item.ChunkCount == 0) {
                // A block whose header was never finished (written by a program
                // that did not keep it up to date): take the whole chunks that
                // follow it up to the end of the file.
                if (length != kActionHeader) {
                    Fail(ErrorRead);
                    return;
                }
                int64_t at = offset + kActionHeader;
                uint32_t count = 0;
                uint8_t c[kChunkHeader];
                while (fileSize - at >= kChunkHeader && ReadAt(at, c, kChunkHeader)) {
                    const int32_t raw = Get16(c + 2);
                    const int32_t p = Get16(c + 4);
                    if (raw < 1 || raw > MaxChunkBytes || p < 1 || p > fileSize - at - kChunkHeader) break;
                    at += kChunkHeader + p;
                    ++count;
                }
                if (count == 0) {
                    Fail(ErrorRead);
                    return;
                }
                item.ChunkCount = count;
                length = at - offset;
                item.Length = static_cast<int32_t>(length);
                blocks.push_back(std::move(item));
                if (at != fileSize) Fail(ErrorRead);
                return;
            }
        }
        item.Length = static_cast<int32_t>(length);
        blocks.push_back(std::move(item));
        offset += length;
    }
}

void Recording::Flush(uint8_t closeBlock) {
    if (!IsRecording()) return;
    if (position > 0) {
        if (openBlockOffset == 0) {
            const uint32_t zero = 0;
            if (!WriteBlockHeader(filePosition, BlockActions, kActionHeader, &zero)) {
                Fail(ErrorWrite);
                return;
            }
            openBlockOffset = filePosition;
            chunkCounter = 0;
            PRC_BLOCK_ITEM item;
            item.Type = BlockActions;
            item.Length = kActionHeader;
            item.FileOffset = static_cast<uint32_t>(filePosition);
            blocks.push_back(std::move(item));
            filePosition += kActionHeader;
        }
        uLongf packedLength = BufferSize - kChunkHeader;
        if (compress(packed.data() + kChunkHeader, &packedLength, pending.data(), static_cast<uLong>(position)) !=
                Z_OK ||
            packedLength > 0xFFFF) {
            Fail(ErrorWrite);
            return;
        }
        uint32_t instructions = 0;
        if (cpu) {
            instructions = cpu->InstructionCounter & 0xFFFF;
            cpu->InstructionCounter = 0;
        }
        Put16(packed.data(), instructions);
        Put16(packed.data() + 2, static_cast<uint32_t>(position));
        Put16(packed.data() + 4, static_cast<uint32_t>(packedLength));
        const size_t chunkBytes = kChunkHeader + packedLength;
        if (!WriteAt(filePosition, packed.data(), chunkBytes)) {
            Fail(ErrorWrite);
            return;
        }
        filePosition += static_cast<int64_t>(chunkBytes);
        position = 0;
        ++chunkCounter;
        // Keep the header covering every chunk written, so the file stays readable.
        const uint32_t count = static_cast<uint32_t>(chunkCounter);
        const uint32_t blockLength = static_cast<uint32_t>(filePosition - openBlockOffset);
        if (!WriteBlockHeader(openBlockOffset, BlockActions, blockLength, &count)) {
            Fail(ErrorWrite);
            return;
        }
        blocks.back().Length = static_cast<int32_t>(blockLength);
        blocks.back().ChunkCount = count;
    }
    if (closeBlock) CloseBlock();
}

void Recording::CloseBlock() {
    if (!IsRecording() || openBlockOffset == 0) return;
    const uint32_t count = static_cast<uint32_t>(chunkCounter);
    const uint32_t blockLength = static_cast<uint32_t>(filePosition - openBlockOffset);
    if (!WriteBlockHeader(openBlockOffset, BlockActions, blockLength, &count)) {
        Fail(ErrorWrite);
        return;
    }
    blocks.back().Length = static_cast<int32_t>(blockLength);
    blocks.back().ChunkCount = count;
    openBlockOffset = 0;
    chunkCounter = 0;
}

void Recording::Close() {
    if (!IsRecording()) return;
    Flush(1);
    if (state == StateFailed) return;
    state = StateClosed;
    CloseFile();
}

void Recording::StopPlayback() {
    if (state != StatePlayingBack) return;
    state = StateClosed;
    CloseFile();
}

void Recording::Discard() {
    state = StateClosed;
    CloseFile();
    ::unlink(path.c_str());
    for (const std::string& copy : ownCopies) ::unlink(copy.c_str());
    ownCopies.clear();
}

bool Recording::LoadNextChunk() {
    uint8_t h[kChunkHeader];
    if (chunkCounter <= 0 || blockEnd - filePosition < kChunkHeader || !ReadAt(filePosition, h, kChunkHeader)) {
        Fail(ErrorRead);
        return false;
    }
    const int32_t raw = Get16(h + 2);
    const int32_t p = Get16(h + 4);
    if (raw < 1 || raw > MaxChunkBytes || p < 1 || p > blockEnd - filePosition - kChunkHeader ||
        !ReadAt(filePosition + kChunkHeader, pending.data(), static_cast<size_t>(p))) {
        Fail(ErrorRead);
        return false;
    }
    uLongf unpacked = BufferSize;
    if (uncompress(packed.data(), &unpacked, pending.data(), static_cast<uLong>(p)) != Z_OK ||
        unpacked != static_cast<uLongf>(raw)) {
        Fail(ErrorRead);
        return false;
    }
    filePosition += kChunkHeader + p;
    position = 0;
    chunkLength = raw;
    return true;
}

uint8_t Recording::ReadByte() {
    if (state != StatePlayingBack) return 0xFF;
    if (position == -1) {
        while (playIndex < blocks.size() && blocks[playIndex].Type != BlockActions) ++playIndex;
        if (playIndex >= blocks.size()) {
            StopPlayback();
            return 0xFF;
        }
        const PRC_BLOCK_ITEM& b = blocks[playIndex++];
        chunkCounter = static_cast<int32_t>(b.ChunkCount);
        filePosition = static_cast<int64_t>(b.FileOffset) + kActionHeader;
        blockEnd = static_cast<int64_t>(b.FileOffset) + b.Length;
        chunkLength = -1;
        position = 0;
    }
    if (chunkLength == -1 && !LoadNextChunk()) return 0xFF;
    const uint8_t value = packed[static_cast<size_t>(position++)];
    if (position >= chunkLength) {
        --chunkCounter;
        if (chunkCounter > 0) {
            chunkLength = -1;
        } else {
            position = -1;
        }
    }
    return value;
}

void Recording::GetSnapshot(int32_t index, int32_t& dataOffset, std::string& name) const {
    dataOffset = 0;
    name.clear();
    if (index < 0) return;
    int32_t n = 0;
    for (const PRC_BLOCK_ITEM& b : blocks) {
        if (!IsSnapshotType(b.Type)) continue;
        if (n++ == index) {
            dataOffset = b.DataOffset;
            name = b.SnapshotFileName;
            return;
        }
    }
}

std::string Recording::NextSnapshotFileName() const {
    return path + "-" + std::to_string(snapshotCount) + ".psn";
}

bool Recording::IsOwnSnapshotFile(const std::string& fullPath) const {
    // Only the numbered files this recording names: <recording name>-<n>.psn.
    if (FolderOf(fullPath) != Folder()) return false;
    const std::string name = BaseName(fullPath);
    const std::string stem = BaseName(path) + "-";
    if (name.size() <= stem.size() + 4 || name.compare(0, stem.size(), stem) != 0) return false;
    if (name.compare(name.size() - 4, 4, ".psn") != 0) return false;
    for (size_t i = stem.size(); i < name.size() - 4; ++i)
        if (name[i] < '0' || name[i] > '9') return false;
    return true;
}

void Recording::AddSnapshot(const std::string& file, uint8_t embedded, uint8_t deleteAfterEmbedding) {
    if (!IsRecording()) return;
    Flush(1);
    if (!IsRecording()) return;
    if (!blocks.empty() && IsSnapshotType(blocks.back().Type)) return;
    const int64_t start = filePosition;
    PRC_BLOCK_ITEM item;
    item.FileOffset = static_cast<uint32_t>(start);
    if (embedded) {
        const int32_t size = GetFileSizeByName(file);
        if (size < 0) {
            Fail(ErrorRead);
            return;
        }
        if (start + kBlockHeader + size > kMaxFileSize ||
            !WriteBlockHeader(start, BlockSnapshot, static_cast<uint32_t>(size + kBlockHeader), nullptr)) {
            Fail(ErrorWrite);
            return;
        }
        int32_t done = 0;
        while (done < size) {
            const int32_t piece = std::min(size - done, BufferSize);
            if (ReadFilePart(file, done, packed.data(), piece) != piece) {
                Fail(ErrorRead);
                break;
            }
            if (!WriteAt(start + kBlockHeader + done, packed.data(), static_cast<size_t>(piece))) {
                Fail(ErrorWrite);
                break;
            }
            done += piece;
        }
        if (state == StateFailed) {
            // A block cut short is not left at the end of the file.
            (void)::ftruncate(fd, start);
            return;
        }
        if (deleteAfterEmbedding) ::unlink(file.c_str());
        item.Type = BlockSnapshot;
        item.Length = size + kBlockHeader;
        item.SnapshotFileName = path;
        item.DataOffset = static_cast<int32_t>(start + kBlockHeader);
    } else {
        std::string source = file;
        if (CanonicalFolder(FolderOf(file)) != CanonicalFolder(Folder())) {
            // The block names a file in the recording's folder: bring it there.
            const int32_t size = GetFileSizeByName(file);
            std::vector<uint8_t> data(size > 0 ? static_cast<size_t>(size) : 0);
            if (size < 0 || ReadFilePart(file, 0, data.data(), size) != size) {
                Fail(ErrorRead);
                return;
            }
            source = NextSnapshotFileName();
            if (!ReplaceFileContents(source, data.data(), data.size())) {
                Fail(ErrorWrite);
                return;
            }
            ownCopies.push_back(source);
        }
        const std::string name = BaseName(source);
        if (!IsBareFileName(name)) {
            Fail(ErrorWrite);
            return;
        }
        const uint32_t length = static_cast<uint32_t>(kBlockHeader + name.size() + 1);
        std::vector<uint8_t> block(length, 0);
        block[0] = BlockExternalSnapshot;
        Put32(block.data() + 1, length);
        std::memcpy(block.data() + kBlockHeader, name.data(), name.size());
        if (!WriteAt(start, block.data(), block.size())) {
            (void)::ftruncate(fd, start);
            Fail(ErrorWrite);
            return;
        }
        item.Type = BlockExternalSnapshot;
        item.Length = static_cast<int32_t>(length);
        item.SnapshotFileName = Folder() + name;
        item.DataOffset = 0;
    }
    filePosition = start + item.Length;
    blocks.push_back(std::move(item));
    ++snapshotCount;
}

std::string Recording::RollbackToLastSnapshot(int32_t& dataOffset, uint8_t& removed, std::string& name) {
    dataOffset = 0;
    removed = 0;
    name.clear();
    if (!IsRecording()) return name;
    Flush(1);
    if (!IsRecording() || blocks.empty()) return name;
    if (blocks.size() > 1) {
        if (IsSnapshotType(blocks.back().Type)) {
            const PRC_BLOCK_ITEM& last = blocks.back();
            if (last.Type == BlockExternalSnapshot && IsOwnSnapshotFile(last.SnapshotFileName))
                ::unlink(last.SnapshotFileName.c_str());
            blocks.pop_back();
            --snapshotCount;
            removed = 1;
        }
        while (blocks.size() > 1 && !IsSnapshotType(blocks.back().Type)) blocks.pop_back();
        const PRC_BLOCK_ITEM& keep = blocks.back();
        const int64_t end = static_cast<int64_t>(keep.FileOffset) + keep.Length;
        if (::ftruncate(fd, end) != 0) {
            Fail(ErrorWrite);
            return name;
        }
        filePosition = end;
    }
    const PRC_BLOCK_ITEM& snap = blocks.back();
    dataOffset = snap.DataOffset;
    name = snap.SnapshotFileName;
    return name;
}

int32_t Recording::Compact() {
    if (!IsRecording()) return state;
    Flush(1);
    if (!IsRecording()) return StateFailed;
    const std::string temp = path + std::to_string(MonotonicMs()) + ".tmp";
    const int out = ::open(temp.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (out < 0) {
        Fail(ErrorWrite);
        return StateFailed;
    }
    struct stat st;
    if (::fstat(fd, &st) == 0) (void)::fchmod(out, st.st_mode & 07777);
    auto copy = [&](int64_t from, int64_t to, int64_t count) {
        while (count > 0) {
            const size_t piece = static_cast<size_t>(std::min<int64_t>(count, BufferSize));
            if (!ReadAt(from, packed.data(), piece)) {
                Fail(ErrorRead);
                return false;
            }
            const uint8_t* p = packed.data();
            size_t left = piece;
            int64_t at = to;
            while (left > 0) {
                const ssize_t n = ::pwrite(out, p, left, at);
                if (n <= 0) {
                    Fail(ErrorWrite);
                    return false;
                }
                p += n;
                at += n;
                left -= static_cast<size_t>(n);
            }
            from += static_cast<int64_t>(piece);
            to += static_cast<int64_t>(piece);
            count -= static_cast<int64_t>(piece);
        }
        return true;
    };
    int64_t written = 0;
    bool ok = copy(0, 0, kHeaderBytes);
    written = kHeaderBytes;
    bool first = true;
    for (const PRC_BLOCK_ITEM& b : blocks) {
        if (!ok) break;
        const bool keep = (first && IsSnapshotType(b.Type)) || b.Type == BlockActions;
        if (IsSnapshotType(b.Type)) first = false;
        if (!keep) continue;
        ok = copy(b.FileOffset, written, b.Length);
        written += b.Length;
    }
    if (ok && ::fsync(out) != 0) {
        Fail(ErrorWrite);
        ok = false;
    }
    if (::close(out) != 0 && ok) {
        Fail(ErrorWrite);
        ok = false;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        return StateFailed;
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        Fail(ErrorWrite);
        return StateFailed;
    }
    const std::string folder = Folder().empty() ? std::string(".") : Folder();
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    state = StateClosed;
    CloseFile();
    return 0;
}

bool Recording::GetSnapshotScreen(int32_t index, uint8_t* out) const {
    if (fd < 0 || !out) return false;
    int32_t dataOffset = 0;
    std::string name;
    GetSnapshot(index, dataOffset, name);
    if (name.empty()) return false;
    const bool embedded = name == path;
    uint8_t header[snapshot::HeaderSize];
    const int result = embedded ? LoadSnapshotFromHandle(fd, dataOffset, header, nullptr, nullptr, nullptr)
                                : LoadSnapshot(name, 0, header, nullptr, nullptr, nullptr);
    if (result != SnapshotOk) return false;
    const int version = header[snapshot::OffVersion];
    const int64_t headerLength = Get16(header + snapshot::OffHeaderLength);
    auto bank = [&](int i) { return static_cast<int64_t>(Get16(header + snapshot::BankLengthOffset(i))); };
    int64_t at = (embedded ? dataOffset : 0) + headerLength + (Get16(header + snapshot::OffRomLength) & 0x7FFF) +
                 bank(0) + bank(1) + bank(2);
    int64_t length = bank(3);
    const uint8_t paging = header[snapshot::OffPaging];
    if (version >= 2 && paging != 0xFF && (paging & 0x40)) {
        at += bank(3) + bank(4) + bank(5) + bank(6);
        length = bank(7);
    }
    if (length < 1 || length > ScreenBytes) return false;
    std::vector<uint8_t> data(static_cast<size_t>(length));
    if (embedded) {
        if (!ReadAt(at, data.data(), data.size())) return false;
    } else if (at > INT32_MAX ||
               ReadFilePart(name, static_cast<int32_t>(at), data.data(), static_cast<int32_t>(length)) != length) {
        return false;
    }
    uint8_t screen[ScreenBytes];
    if (RleDecompress(screen, ScreenBytes, data.data(), static_cast<int>(length)) != ScreenBytes) return false;
    std::memcpy(out, screen, ScreenBytes);
    return true;
}
