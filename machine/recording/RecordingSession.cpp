#include "machine/recording/RecordingSession.h"

#include <unistd.h>

#include <vector>

#include "machine/cpu/ChipCpu8080.h"
#include "machine/cpu/ChipMemory.h"
#include "machine/pio/IifGPIO.h"
#include "machine/pio/SystemPIO.h"
#include "machine/screen/ScreenDAD85.h"
#include "machine/snapshot/Snapshot.h"
#include "machine/sndif/IfMusica.h"
#include "machine/storage/Pmd32.h"
#include "machine/storage/RaomModule.h"
#include "machine/tape/IifTape.h"
#include "machine/timer/IifTimer.h"

namespace {
// Where the emulated-time video interrupt stands (owner, after its split).
int32_t VideoInterruptPhase(const MachineOwner&) { return 0; }
void SetVideoInterruptPhase(MachineOwner&, int32_t) {}

bool HasVideoInterrupt(const MachineOwner& owner) {
    return owner.GetVideoInterruptOption() != 0 && owner.GetModel() <= MachineOwner::kModel3 && owner.GetScreen();
}
}  // namespace

RecordingSession::RecordingSession(MachineOwner& ownerRef) : owner(ownerRef) {}

RecordingSession::~RecordingSession() {
    Unlink();
    recording.reset();
}

bool RecordingSession::TakeSnapshot(const std::string& path) {
    ChipCpu8080* cpu = owner.GetCpu();
    if (!cpu) return false;
    const uint8_t video = HasVideoInterrupt(owner) ? owner.GetScreen()->GetVideoInterruptState() : 0xFF;
    return SaveSnapshot(path, 0, 1, video, nullptr, owner.GetMusica(), owner.GetTape(), owner.GetTimerIf(), nullptr,
                        owner.GetGpio(), owner.GetSystemPio(), cpu, owner.GetMonitorRomSize(), owner.GetModel(),
                        1) > 0;
}

bool RecordingSession::LoadIntoMachine(MachineOwner& owner, int fd, int32_t offset, const std::string& path) {
    ChipCpu8080* cpu = owner.GetCpu();
    ChipMemory* memory = owner.GetMemory();
    if (!cpu || !memory) return false;
    uint8_t header[snapshot::HeaderSize];
    int32_t romLength = 0;
    std::vector<uint8_t> rom(snapshot::MaxRomSize);
    auto read = [&](ChipMemory* into) {
        return fd >= 0 ? LoadSnapshotFromHandle(fd, offset, header, &romLength, rom.data(), into)
                       : ::LoadSnapshot(path, 0, header, &romLength, rom.data(), into);
    };
    if (read(nullptr) != SnapshotOk) return false;
    const int model = header[snapshot::OffModel];
    const bool v2 = header[snapshot::OffVersion] >= 2;
    // Only a snapshot of this very set-up loads without a rebuild.
    if (model != owner.GetModel()) return false;
    const bool paging = v2 && header[snapshot::OffPaging] != 0xFF;
    if (paging != (memory->GetPagingFlag() != 0)) return false;
    const bool video = v2 && header[snapshot::OffVideoInterrupt] != 0xFF && model <= MachineOwner::kModel3;
    if (video != HasVideoInterrupt(owner)) return false;
    const bool musica = v2 && header[snapshot::OffMusica] != 0xFF;
    if (musica != (owner.GetMusica() != nullptr)) return false;
    if (v2 && header[snapshot::OffMif85Enable] != 0xFF) return false;
    if (romLength > 0 && romLength != memory->GetRomSize()) return false;

    MachineOwner::Reconfiguration hold(owner);
    cpu->SetState(header + snapshot::OffCpu);
    if (model != MachineOwner::kModel3) memory->Reset();
    if (SystemPIO* system = owner.GetSystemPio()) {
        system->Reset(0);
        system->WritePort(0x87, header[snapshot::OffSystemPio], 0);
        system->WritePort(0x86, header[snapshot::OffSystemPio + 1], 0);
        system->WritePort(0x84, header[snapshot::OffSystemPio + 2], 0);
        (void)system->ReadPort(0x85, 0);
    }
    if (IifGPIO* gpio = owner.GetGpio()) gpio->pio.SetState(header + snapshot::OffGpio);
    if (IifTimer* timer = owner.GetTimerIf()) timer->GetPit().SetState(header + snapshot::OffTimer, 9);
    if (IifTape* tape = owner.GetTape()) tape->GetUsart().SetState(header + snapshot::OffTape);
    if (v2) {
        if (musica) owner.GetMusica()->GetPit().SetState(header + snapshot::OffMusica, 9);
        if (paging) memory->SetPagingRegister(header[snapshot::OffPaging]);
        if (video) owner.GetScreen()->SetVideoInterruptState(header[snapshot::OffVideoInterrupt]);
    }
    if (read(memory) != SnapshotOk) return false;
    if (romLength > 0) std::copy(rom.begin(), rom.begin() + romLength, memory->GetRom());
    return true;
}

bool RecordingSession::LoadSnapshot(int fd, int32_t offset, const std::string& path) {
    if (LoadIntoMachine(owner, fd, offset, path)) return true;
    return fullLoader && fullLoader(fd, offset, path);
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
    const bool playing = recording->GetState() == Recording::StatePlayingBack;
    if (RaomModule* raom = owner.GetRaomModule()) raom->SetDiscardWrites(playing);
    if (Pmd32* pmd = owner.GetPmd32()) pmd->SetDiscardWrites(playing);
    if (IifTape* tape = owner.GetTape()) tape->SetDiscardRecorded(playing);
}

void RecordingSession::Unlink() {
    if (ChipCpu8080* cpu = owner.GetCpu()) {
        if (cpu->Recording == recording.get()) cpu->Recording = nullptr;
    }
    if (linked) {
        owner.SetRecording(nullptr);
        if (RaomModule* raom = owner.GetRaomModule()) raom->SetDiscardWrites(false);
        if (Pmd32* pmd = owner.GetPmd32()) pmd->SetDiscardWrites(false);
        if (IifTape* tape = owner.GetTape()) tape->SetDiscardRecorded(false);
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
    savePointTime[snapshotIndex] = {cpu ? cpu->SliceClock : 0, VideoInterruptPhase(owner)};
}

void RecordingSession::RestoreEmulatedTime(int32_t snapshotIndex) {
    const auto it = savePointTime.find(snapshotIndex);
    const std::pair<int32_t, int32_t> at = it != savePointTime.end() ? it->second : std::pair<int32_t, int32_t>{0, 0};
    if (ChipCpu8080* cpu = owner.GetCpu()) cpu->SliceClock = at.first;
    SetVideoInterruptPhase(owner, at.second);
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

void RecordingSession::Close(bool compact) {
    if (!recording) return;
    Unlink();
    if (recording->IsRecording()) {
        if (compact) {
            recording->Compact();
        } else {
            AddSavePoint();
        }
    }
    recording->Close();
    recording->StopPlayback();
    Forget();
}
