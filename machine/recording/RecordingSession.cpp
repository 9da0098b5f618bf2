#include "machine/recording/RecordingSession.h"

#include <unistd.h>

#include <vector>

#include "machine/cpu/ChipCpu8080.h"
#include "machine/owner/SnapshotCommands.h"

RecordingSession::RecordingSession(MachineOwner& ownerRef) : owner(ownerRef) {}

RecordingSession::~RecordingSession() {
    Unlink();
    recording.reset();
}

bool RecordingSession::TakeSnapshot(const std::string& path) {
    SnapshotSaveOptions options;
    options.packed = true;
    options.withMonitor = true;
    return SaveMachineSnapshot(owner, path, 0, options) > 0;
}

bool RecordingSession::LoadSnapshot(int fd, int32_t offset, const std::string& path) {
    bool loaded = false;
    if (fullLoader) {
        loaded = fullLoader(fd, offset, path);
    } else {
        const SnapshotLoadResult r =
            fd >= 0 ? LoadMachineSnapshotFd(owner, fd, offset) : LoadMachineSnapshot(owner, path, offset);
        loaded = r.Loaded();
    }
    // A load rebuilds the machine, also when it fails late: never keep the old CPU.
    if (recording) recording->SetCpu(owner.GetCpu());
    return loaded;
}

bool RecordingSession::LoadRecordingSnapshot(int32_t dataOffset, const std::string& name) {
    if (!recording || name.empty()) return false;
    if (name == recording->GetPath()) return LoadSnapshot(recording->GetFileDescriptor(), dataOffset, std::string());
    return LoadSnapshot(-1, 0, name);
}

void RecordingSession::Link() {
    ChipCpu8080* cpu = owner.GetCpu();
    if (!recording || !cpu) return;
    recording->SetCpu(cpu);
    cpu->Recording = recording.get();
    owner.SetRecording(this);
    linked = true;
    // Played back, the run must not write the user's disk, RAM-disk and tape files.
    owner.SetDiscardHostWrites(recording->GetState() == Recording::StatePlayingBack);
    owner.SetSteadyInterrupts(true);
}

void RecordingSession::Unlink() {
    if (ChipCpu8080* cpu = owner.GetCpu()) {
        if (cpu->Recording == recording.get()) cpu->Recording = nullptr;
    }
    if (linked) {
        owner.SetRecording(nullptr);
        owner.SetDiscardHostWrites(false);
        owner.SetSteadyInterrupts(false);
    }
    linked = false;
}

void RecordingSession::Forget() {
    Unlink();
    recording.reset();
    savePointTime.clear();
}

void RecordingSession::NoteEmulatedTime(int32_t snapshotIndex) {
    ChipCpu8080* cpu = owner.GetCpu();
    if (cpu) cpu->SyncDevices();
    savePointTime[snapshotIndex] = {cpu ? cpu->SliceClock : 0, cpu ? cpu->LastCycles : 0,
                                    owner.GetVideoInterruptPhase(), owner.GetMouseInterruptPhase()};
}

void RecordingSession::RestoreEmulatedTime(int32_t snapshotIndex) {
    const auto it = savePointTime.find(snapshotIndex);
    const EmulatedTime at = it != savePointTime.end() ? it->second : EmulatedTime{};
    if (ChipCpu8080* cpu = owner.GetCpu()) {
        cpu->SliceClock = at.sliceClock;
        cpu->LastCycles = at.lastCycles;
    }
    owner.SetVideoInterruptPhase(at.videoPhase);
    owner.SetMouseInterruptPhase(at.mousePhase);
    // The devices owe the restored last instruction, as at the save point.
    if (ChipCpu8080* cpu = owner.GetCpu()) cpu->ResetEventClock();
}

int RecordingSession::Create(const std::string& path, const std::string& fromSnapshot) {
    Forget();
    recording = std::make_unique<Recording>(path, Recording::ModeCreate, owner.GetCpu());
    if (recording->GetState() != Recording::StateRecordingNew) {
        const int code = recording->GetErrorCode();
        if (recording->GetFileDescriptor() >= 0) recording->Discard();
        Forget();
        return code;
    }
    bool loaded = false;
    if (!fromSnapshot.empty()) {
        recording->AddSnapshot(fromSnapshot, externalSnapshots ? 0 : 1, 0);
        loaded = recording->GetState() == Recording::StateRecordingNew && LoadSnapshot(-1, 0, fromSnapshot);
    } else {
        const std::string name = recording->NextSnapshotFileName();
        if (TakeSnapshot(name)) {
            recording->AddSnapshot(name, externalSnapshots ? 0 : 1, 1);
            // The run starts from the state as loaded, as its playback does.
            int32_t offset = 0;
            std::string start;
            recording->GetSnapshot(0, offset, start);
            loaded = LoadRecordingSnapshot(offset, start);
        }
    }
    if (recording->GetState() != Recording::StateRecordingNew || !loaded) {
        const int code = recording->GetState() == Recording::StateFailed ? recording->GetErrorCode() : -1;
        recording->Discard();
        Forget();
        return code;
    }
    Link();
    owner.GetCpu()->InstructionCounter = 0;
    owner.ResetSliceCount();
    RestoreEmulatedTime(0);
    NoteEmulatedTime(0);
    return 0;
}

int RecordingSession::Continue(const std::string& path) {
    Forget();
    recording = std::make_unique<Recording>(path, Recording::ModeAppend, owner.GetCpu());
    if (recording->GetState() != Recording::StateRecordingAppend) {
        const int code = recording->GetErrorCode();
        Forget();
        return code;
    }
    int32_t offset = 0;
    std::string name;
    const int32_t last = recording->GetSnapshotCount() - 1;
    recording->GetSnapshot(last, offset, name);
    if (!LoadRecordingSnapshot(offset, name)) {
        recording->Close();
        Forget();
        return -1;
    }
    Link();
    owner.GetCpu()->InstructionCounter = 0;
    owner.ResetSliceCount();
    RestoreEmulatedTime(last);
    NoteEmulatedTime(last);
    return 0;
}

int RecordingSession::Playback(const std::string& path) {
    Forget();
    recording = std::make_unique<Recording>(path, Recording::ModePlayback, owner.GetCpu());
    if (recording->GetState() != Recording::StatePlayingBack) {
        const int code = recording->GetErrorCode();
        Forget();
        return code;
    }
    int32_t offset = 0;
    std::string name;
    recording->GetSnapshot(0, offset, name);
    if (!LoadRecordingSnapshot(offset, name)) return -1;
    Link();
    RestoreEmulatedTime(0);
    return 0;
}

bool RecordingSession::AddSavePoint() {
    if (!IsRecording()) return false;
    recording->SetCpu(owner.GetCpu());  // the machine may have been rebuilt meanwhile
    const int32_t index = recording->GetSnapshotCount();
    const std::string name = recording->NextSnapshotFileName();
    if (!TakeSnapshot(name)) return false;
    NoteEmulatedTime(index);
    recording->AddSnapshot(name, externalSnapshots ? 0 : 1, 1);
    if (recording->GetSnapshotCount() == index) {
        // Dropped (nothing recorded since the last one): the file is ours alone.
        ::unlink(name.c_str());
        savePointTime.erase(index);
        return false;
    }
    return true;
}

int RecordingSession::Rollback(bool& removed) {
    removed = false;
    if (!IsRecording()) return 0;
    recording->SetCpu(owner.GetCpu());
    int32_t offset = 0;
    uint8_t gone = 0;
    std::string name;
    recording->RollbackToLastSnapshot(offset, gone, name);
    removed = gone != 0;
    const int32_t index = recording->GetSnapshotCount() - 1;
    if (removed) savePointTime.erase(index + 1);
    if (!LoadRecordingSnapshot(offset, name)) return 0;
    Link();
    owner.GetCpu()->InstructionCounter = 0;
    RestoreEmulatedTime(index);
    return 1;
}

bool RecordingSession::Close(bool compact) {
    if (!recording) return true;
    recording->SetCpu(owner.GetCpu());
    Unlink();
    const bool wasRecording = recording->IsRecording();
    if (wasRecording) {
        if (compact) {
            recording->Compact();
        } else {
            AddSavePoint();
        }
    }
    recording->Close();
    const bool whole = !wasRecording || recording->GetState() != Recording::StateFailed;
    recording->StopPlayback();
    Forget();
    return whole;
}
