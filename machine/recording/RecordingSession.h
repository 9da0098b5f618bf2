#pragma once
// One action recording attached to the machine: creating, continuing and
// playing back a recording file, its save points and rollback, and the
// machine's side of it (snapshots taken and loaded, the CPU link, the host
// files kept untouched during playback). Every call but Flush is made on the
// user-interface thread while the machine is paused; the main window adds
// its dialogs and boxes around these steps.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "machine/owner/MachineOwner.h"
#include "machine/recording/Recording.h"

class RecordingSession : public RecordingLink {
public:
    // Loads a snapshot into the machine: from the open file fd at offset
    // (embedded), or from the file path (fd -1, offset 0). True when loaded.
    using SnapshotLoader = std::function<bool(int fd, int32_t offset, const std::string& path)>;

    explicit RecordingSession(MachineOwner& owner);
    ~RecordingSession();
    RecordingSession(const RecordingSession&) = delete;
    RecordingSession& operator=(const RecordingSession&) = delete;

    // The loader of snapshots into the machine (the main window's, with its
    // error box); without one the owner's loader is used.
    void SetLoader(SnapshotLoader loader) { fullLoader = std::move(loader); }
    // Snapshots of save points as separate files beside the recording.
    void SetExternalSnapshots(bool external) { externalSnapshots = external; }
    bool GetExternalSnapshots() const { return externalSnapshots; }

    // A new recording at path, from the current state (fromSnapshot empty) or
    // from a snapshot file, which is loaded. 0 when recording; otherwise the
    // recording's error code, or -1 when the snapshot did not load; nothing
    // stays open then and the new file is deleted.
    int Create(const std::string& path, const std::string& fromSnapshot);
    // Continues a recording from its last snapshot. 0, an error code, or -1
    // when that snapshot did not load (the file stays as it was).
    int Continue(const std::string& path);
    // Plays a recording back from its first snapshot. 0 playing; an error code
    // (nothing open); -1 when the first snapshot did not load (the recording
    // stays open but unlinked, as the stop command closes it).
    int Playback(const std::string& path);

    // Takes a save point (recording only). True when it was added.
    bool AddSavePoint();
    // Returns to the last save point (recording only): 1 loaded and linked
    // again, 0 the snapshot did not load (the caller resets the machine).
    // removed: a save point went away.
    int Rollback(bool& removed);
    // Ends the recording: compact (Yes on the close question) or append a
    // final snapshot (No). Playback just stops. Unlinks and forgets it.
    // False when the recording's last writes failed (the file holds what was
    // written before; a failed compaction leaves its copy beside it).
    bool Close(bool compact);

    bool IsOpen() const { return recording != nullptr; }
    bool IsLinked() const { return linked; }
    // State of the open recording, or StateClosed without one.
    int32_t GetState() const { return recording ? recording->GetState() : Recording::StateClosed; }
    Recording* GetRecording() const { return recording.get(); }

    // Snapshot of the machine to path (packed, with the monitor). True when written.
    bool TakeSnapshot(const std::string& path);
    // Loads the index-th snapshot of the open recording.
    bool LoadRecordingSnapshot(int32_t dataOffset, const std::string& name);

    // RecordingLink: the slice's periodic flush.
    bool IsRecording() const override { return recording && recording->IsRecording(); }
    void Flush() override {
        if (!recording) return;
        recording->SetCpu(owner.GetCpu());
        recording->Flush(0);
    }

private:
    bool LoadSnapshot(int fd, int32_t offset, const std::string& path);
    void Link();
    void Unlink();
    void Forget();
    void NoteEmulatedTime(int32_t snapshotIndex);
    void RestoreEmulatedTime(int32_t snapshotIndex);

    MachineOwner& owner;
    std::unique_ptr<Recording> recording;
    SnapshotLoader fullLoader;
    bool externalSnapshots = false;
    bool linked = false;
    // Where each save point stood in emulated time (slice clock and the
    // video-interrupt phase), so that a rollback resumes at the same point.
    // Where each save point stands in emulated time: slice clock, the cycles
    // the devices still take from the last instruction, video and mouse
    // interrupt phases.
    struct EmulatedTime {
        int32_t sliceClock = 0;
        int32_t lastCycles = 0;
        int32_t videoPhase = 0;
        int32_t mousePhase = 0;
    };
    std::map<int32_t, EmulatedTime> savePointTime;
};
