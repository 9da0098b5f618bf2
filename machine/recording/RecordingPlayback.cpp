// Playback: the IN bytes chunk by chunk, and the snapshots a recording holds.
#include <zlib.h>

#include <cstring>
#include <vector>

#include "common/Files.h"
#include "common/Rle.h"
#include "machine/recording/Recording.h"
#include "machine/recording/RecordingFormat.h"
#include "machine/snapshot/Snapshot.h"

using namespace prc_format;

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

void Recording::StopPlayback() {
    if (state != StatePlayingBack) return;
    state = StateClosed;
    CloseFile();
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
