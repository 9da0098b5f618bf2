// Rolling back to the last save point and compacting a recording.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

#include "machine/recording/Recording.h"
#include "machine/recording/RecordingFormat.h"

using namespace prc_format;

namespace {
int64_t MonotonicMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
}  // namespace

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
    // Up to the rename the recording holds all the work and is never touched;
    // the rename puts the whole compacted copy in its place at once. A failure
    // leaves both: the recording as it was, and beside it the temporary file
    // with what could be copied (all of it when only the rename failed).
    if (!ok) return StateFailed;
    if (::rename(temp.c_str(), path.c_str()) != 0) {
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
