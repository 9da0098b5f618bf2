// The file format side of a recording: opening and checking a file, the
// block list, writing chunks and snapshot blocks.
#include "machine/recording/Recording.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "common/Files.h"
#include "machine/cpu/ChipCpu8080.h"
#include "machine/recording/RecordingFormat.h"

using namespace prc_format;

namespace {
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

void Recording::Discard() {
    state = StateClosed;
    CloseFile();
    ::unlink(path.c_str());
    for (const std::string& copy : ownCopies) ::unlink(copy.c_str());
    ownCopies.clear();
}

std::string Recording::NextSnapshotFileName() const {
    return path + "-" + std::to_string(snapshotCount) + ".psn";
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

