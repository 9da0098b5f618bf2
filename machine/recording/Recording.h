#pragma once
// Action recordings (.prc): a starting snapshot, then every byte the CPU's IN
// instructions read, zlib-packed in chunks, with save-point snapshots between.
//
// File layout (little-endian): "PRC", version 1, then blocks up to the end of
// the file. Block: type byte, u32 length of the whole block (header included).
//   10h embedded snapshot: a whole snapshot record follows.
//   11h external snapshot: a bare file name (UTF-8, NUL-terminated, at most
//       255 bytes) of a snapshot file in the recording's own folder.
//   80h action data: u32 chunk count, then the chunks. Chunk: u16 low bits of
//       the instruction counter, u16 raw length (1-65503), u16 packed length p,
//       then p bytes of one zlib stream.
//
// The file is kept readable after every flush: the open action block's header
// always covers the chunks written so far, so a recording that was never
// closed plays back up to its last flush.
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "machine/cpu/CpuInputRecorder.h"

class ChipCpu8080;

// One block of a recording, in file order.
struct PRC_BLOCK_ITEM {
    uint8_t Type = 0;
    int32_t Length = 0;        // the whole block in bytes
    uint32_t FileOffset = 0;   // where its header starts
    // 10h: the recording's path; 11h: the external file's full path; 80h: empty.
    std::string SnapshotFileName;
    int32_t DataOffset = 0;    // 10h: FileOffset + 5, else 0
    uint32_t ChunkCount = 0;   // 80h: chunks in the block
};

class Recording final : public CpuInputRecorder {
public:
    enum Mode : int32_t { ModeCreate = 0, ModeAppend = 1, ModePlayback = 2 };
    enum State : int32_t {
        StateClosed = -1, StateFailed = -2, StateRecordingNew = 0, StateRecordingAppend = 1, StatePlayingBack = 2,
    };
    // Error codes, valid in StateFailed.
    enum Error : int32_t {
        ErrorNone = 0,
        ErrorRead = 1,      // cannot open or read, broken structure, missing snapshot file, bad chunk
        ErrorWrite = 2,     // a write fails or is short, compression fails
        ErrorNotPrc = 3,    // no "PRC" at the start
        ErrorVersion = 4,   // version byte not 1
        ErrorNoSnapshotAtEnd = 5,  // append: the last block is not a snapshot
    };
    static constexpr uint8_t BlockSnapshot = 0x10;
    static constexpr uint8_t BlockExternalSnapshot = 0x11;
    static constexpr uint8_t BlockActions = 0x80;
    static constexpr int32_t MaxChunkBytes = 65503;
    static constexpr int32_t BufferSize = 65535;
    static constexpr int32_t MaxNameBytes = 255;
    static constexpr int32_t ScreenBytes = 16384;

    // mode 0 creates the file (emptying an existing one), 1 opens an existing
    // one to append, 2 opens one to play back (read only). Afterwards the
    // state is the mode, or StateFailed with an error code. cpu may be null.
    Recording(const std::string& path, int32_t mode, ChipCpu8080* cpu);
    ~Recording();
    Recording(const Recording&) = delete;
    Recording& operator=(const Recording&) = delete;

    // The CPU's side (timer thread, inside the slice).
    bool IsPlayingBack() const override { return state.load(std::memory_order_relaxed) == StatePlayingBack; }
    bool IsRecording() const override {
        const int32_t s = state.load(std::memory_order_relaxed);
        return s == StateRecordingNew || s == StateRecordingAppend;
    }
    void WriteByte(uint8_t value) override {
        if (!IsRecording()) return;
        pending[position++] = value;
        if (position >= MaxChunkBytes) Flush(0);
    }
    uint8_t ReadByte() override;

    // Writes the pending bytes as a chunk; with closeBlock also finishes the
    // open action block.
    void Flush(uint8_t closeBlock);
    void CloseBlock();
    // Ends recording: flush with block close, state closed, file closed.
    void Close();
    // Ends playback: state closed, file closed.
    void StopPlayback();
    // Closes the file and deletes it with the snapshot files this object
    // copied beside it (a recording that must not be kept). State closed.
    void Discard();

    // The index-th snapshot block (from 0): its data offset and file name;
    // 0 and "" when there is none.
    void GetSnapshot(int32_t index, int32_t& dataOffset, std::string& name) const;
    // path + "-" + number of snapshot blocks + ".psn".
    std::string NextSnapshotFileName() const;
    // Appends a snapshot block (recording states only). An external snapshot
    // from another folder is first copied beside the recording.
    void AddSnapshot(const std::string& file, uint8_t embedded, uint8_t deleteAfterEmbedding);
    // Drops the last save point (when the file ends with one) and the actions
    // after the remaining last snapshot; returns that snapshot's name, also
    // given in name with its data offset. removed is 1 when a snapshot block
    // went away.
    std::string RollbackToLastSnapshot(int32_t& dataOffset, uint8_t& removed, std::string& name);
    // Rewrites the file keeping the first snapshot and every action block,
    // renamed over the original; closes it. 0, or StateFailed; outside the
    // recording states the state. On failure the recording is unchanged and
    // the temporary file (path + tick count + ".tmp") stays beside it.
    int32_t Compact();
    // The video RAM (16 KB) of the index-th snapshot; false (out unchanged)
    // when it cannot be read.
    bool GetSnapshotScreen(int32_t index, uint8_t* out) const;

    // The CPU whose instruction counter the chunks take (after a rebuild).
    void SetCpu(ChipCpu8080* cpuRef) { cpu = cpuRef; }

    int32_t GetState() const { return state.load(); }
    int32_t GetErrorCode() const { return errorCode; }
    int32_t GetSnapshotCount() const { return snapshotCount; }
    const std::string& GetPath() const { return path; }
    // The open file (embedded snapshots are loaded from it), or -1.
    int GetFileDescriptor() const { return fd; }
    const std::vector<PRC_BLOCK_ITEM>& GetBlockList() const { return blocks; }

    // True for a name a recording may refer to: no separator, not "." or
    // "..", no "..", 1 to 255 bytes, no NUL.
    static bool IsBareFileName(const std::string& name);

private:
    void Fail(int32_t code);
    void ReadBlockList();
    bool WriteAt(int64_t offset, const void* data, size_t size);
    bool ReadAt(int64_t offset, void* data, size_t size) const;
    bool WriteBlockHeader(int64_t offset, uint8_t type, uint32_t length, const uint32_t* chunkCount);
    bool IsSnapshotType(uint8_t type) const { return type == BlockSnapshot || type == BlockExternalSnapshot; }
    std::string Folder() const;
    bool IsOwnSnapshotFile(const std::string& fullPath) const;
    bool LoadNextChunk();
    void CloseFile();

    std::string path;
    std::atomic<int32_t> state{StateClosed};
    ChipCpu8080* cpu = nullptr;
    int fd = -1;
    int32_t snapshotCount = 0;
    int32_t errorCode = ErrorNone;
    std::vector<uint8_t> pending;   // recording: raw IN bytes; playback: packed chunk
    std::vector<uint8_t> packed;    // recording: packed output; playback: unpacked chunk
    int32_t position = 0;           // recording: pending bytes; playback: next byte, -1 next block
    int32_t chunkLength = -1;       // playback: raw length of the chunk, -1 read the next
    int64_t openBlockOffset = 0;    // recording: start of the open action block, 0 none
    int32_t chunkCounter = 0;       // recording: chunks in the open block; playback: chunks left
    int64_t filePosition = 0;       // recording: end of the file; playback: next chunk
    int64_t blockEnd = 0;           // playback: end of the current action block
    size_t playIndex = 0;           // playback: next block list entry to look at
    std::vector<PRC_BLOCK_ITEM> blocks;
    std::vector<std::string> ownCopies;  // snapshot files copied beside the recording
};
