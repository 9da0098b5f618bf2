#include "machine/owner/SnapshotCommands.h"

#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <vector>

#include "common/Config.h"
#include "common/Files.h"
#include "common/Paths.h"
#include "machine/core/ChangeCodes.h"
#include "machine/core/ModelCapabilities.h"
#include "machine/cpu/ChipCpu8080.h"
#include "machine/cpu/ChipMemory.h"
#include "machine/owner/MachineOwner.h"
#include "machine/pio/IifGPIO.h"
#include "machine/pio/SystemPIO.h"
#include "machine/screen/ScreenDAD85.h"
#include "machine/snapshot/Snapshot.h"
#include "machine/sndif/IfMusica.h"
#include "machine/sndif/Mif85.h"
#include "machine/tape/IifTape.h"
#include "machine/timer/IifTimer.h"

namespace {

using namespace snapshot;

constexpr int kPitRecord = 9;

// The configuration values a load may change, put back when it fails.
class ConfigBackup {
public:
    void Keep(pugi::xml_node element, const char* name) {
        Entry e;
        e.element = element;
        e.name = name;
        if (element) {
            pugi::xml_attribute a = element.attribute(name);
            e.existed = !a.empty();
            e.value = a.value();
        }
        entries.push_back(e);
    }
    void Restore() {
        for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
            if (!it->element) continue;
            if (it->existed)
                WriteAttrString(it->element, it->name.c_str(), it->value);
            else
                it->element.remove_attribute(it->name.c_str());
        }
    }

private:
    struct Entry {
        pugi::xml_node element;
        std::string name;
        bool existed = false;
        std::string value;
    };
    std::vector<Entry> entries;
};

bool IsPagedModel(int model) { return Capabilities(model).ram256k; }

// Steps 3-5: the configuration for the snapshot's machine.
void SwitchConfiguration(const uint8_t* h, ConfigBackup& backup) {
    const int model = h[OffModel];
    pugi::xml_node modelSection = ConfigSectionForWrite("Model");
    pugi::xml_node screen = ConfigSectionForWrite("Screen");
    pugi::xml_node sound = ConfigSectionForWrite("Sound");
    backup.Keep(modelSection, "current");
    WriteAttrString(modelSection, "current", MachineOwner::ModelName(model));
    pugi::xml_node modelElement = IsPagedModel(model) ? ChildForWrite(modelSection, MachineOwner::ModelName(model))
                                                      : pugi::xml_node();
    if (modelElement) backup.Keep(modelElement, "ram256k");
    backup.Keep(screen, "video-cpu-interrupt");
    if (h[OffVersion] < 2) {
        if (modelElement) WriteAttrBool(modelElement, "ram256k", 0);
        WriteAttrBool(screen, "video-cpu-interrupt", 0);
        return;
    }
    if (modelElement) WriteAttrBool(modelElement, "ram256k", h[OffPaging] != 0xFF ? 1 : 0);
    const bool video = model <= kModel3 && h[OffVideoInterrupt] != 0xFF;
    WriteAttrBool(screen, "video-cpu-interrupt", video ? 1 : 0);
    backup.Keep(sound, "sound-if");
    if (h[OffMusica] != 0xFF)
        WriteAttrString(sound, "sound-if", "musica");
    else if (h[OffMif85Enable] == 0xFF)
        WriteAttrString(sound, "sound-if", "none");
    else
        WriteAttrString(sound, "sound-if", "mif85");
}

// Steps 8-12: chip states from the header.
void RestoreChips(MachineOwner& owner, const uint8_t* h) {
    const int model = h[OffModel];
    ChipCpu8080* cpu = owner.GetCpu();
    ChipMemory* memory = owner.GetMemory();
    cpu->SetState(h + OffCpu);
    if (model != kModel3) memory->Reset();
    if (SystemPIO* system = owner.GetSystemPio()) {
        // Through the port, so that each model leaves its boot mapping as the
        // running machine did.
        system->Reset(0);
        system->WritePort(0x87, h[OffSystemPio], 0);
        system->WritePort(0x86, h[OffSystemPio + 1], 0);
        system->WritePort(0x84, h[OffSystemPio + 2], 0);
        system->ReadPort(0x85, 0);
    }
    memory->EndBootMapping();
    if (IifGPIO* gpio = owner.GetGpio()) gpio->pio.SetState(h + OffGpio);
    if (IifTimer* timer = owner.GetTimerIf()) timer->GetPit().SetState(h + OffTimer, kPitRecord);
    if (IifTape* tape = owner.GetTape()) tape->GetUsart().SetState(h + OffTape);
    if (h[OffVersion] < 2) return;
    if (IfMusica* musica = owner.GetMusica()) musica->GetPit().SetState(h + OffMusica, kPitRecord);
    if (Mif85* mif = owner.GetMif85(); mif && h[OffMif85Enable] != 0xFF)
        mif->SetRegisters(h + OffMif85Registers, h[OffMif85Enable]);
    if (IsPagedModel(model) && h[OffPaging] != 0xFF && memory->GetPagingFlag())
        memory->SetPagingRegister(h[OffPaging]);
    if (model <= kModel3 && h[OffVideoInterrupt] != 0xFF)
        if (ScreenDAD85* screen = owner.GetScreen()) screen->SetVideoInterruptState(h[OffVideoInterrupt]);
}

SnapshotLoadResult Load(MachineOwner& owner, int fd, int32_t offset, const SnapshotModelHook& selectModel) {
    SnapshotLoadResult out;
    uint8_t header[HeaderSize];
    std::vector<uint8_t> rom(MaxRomSize, 0xFF);
    int32_t romLength = 0;
    // Every block is read and checked before anything changes.
    out.result = LoadSnapshotFromHandle(fd, offset, header, &romLength, rom.data(), nullptr);
    if (out.result != SnapshotOk) return out;

    MachineOwner::Reconfiguration hold(owner);
    const int previousModel = owner.GetModel();
    ConfigBackup backup;
    SwitchConfiguration(header, backup);
    if (selectModel) selectModel(header[OffModel]);
    owner.BuildMachine(1, romLength, romLength > 0 ? rom.data() : nullptr);
    std::vector<int> codes{ChangeCode::Compatibility, ChangeCode::Ram256k, ChangeCode::VideoInterrupt,
                           ChangeCode::Keyboard,      ChangeCode::RomModule, ChangeCode::Raom,
                           ChangeCode::SoundDevice,   ChangeCode::Volumes, ChangeCode::Musica,
                           ChangeCode::Mif85,         ChangeCode::Pmd32Unit, ChangeCode::Joystick,
                           ChangeCode::Mouse,         ChangeCode::Bt100};
    out.changed = true;
    if (owner.ApplySettings(codes)) {
        owner.ResetMachine(0);
        out.resetDone = true;
    }
    RestoreChips(owner, header);
    out.result = LoadSnapshotFromHandle(fd, offset, header, nullptr, nullptr, owner.GetMemory());
    if (out.result != SnapshotOk) {
        // The previous configuration and its whole machine again.
        backup.Restore();
        if (selectModel) selectModel(previousModel);
        std::vector<int> rebuild{ChangeCode::Model};
        owner.ApplySettings(rebuild);
    }
    return out;
}

}  // namespace

bool IsRecordingPath(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const auto endsWith = [&name](const std::string& tail) {
        return name.size() >= tail.size() && name.compare(name.size() - tail.size(), tail.size(), tail) == 0;
    };
    if (endsWith(".PRC")) return true;
    // A recording's own snapshots: "<name>.prc-<n>.psn".
    if (!endsWith(".PSN")) return false;
    const size_t mark = name.rfind(".PRC-");
    if (mark == std::string::npos) return false;
    const size_t first = mark + 5, last = name.size() - 4;
    if (first >= last) return false;
    for (size_t i = first; i < last; ++i)
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) return false;
    return true;
}

int32_t SaveMachineSnapshot(MachineOwner& owner, const std::string& path, int32_t offset,
                            const SnapshotSaveOptions& options) {
    MachineOwner::Reconfiguration hold(owner);
    if (!owner.GetCpu()) return 0;
    const uint8_t video = owner.GetVideoInterruptOption() && owner.GetScreen()
                              ? owner.GetScreen()->GetVideoInterruptState()
                              : 0xFF;
    Mif85SnapshotState mif;
    if (Mif85* m = owner.GetMif85()) {
        mif.enable = m->IsEnabled();
        m->GetRegisters(mif.registers);
    }
    return SaveSnapshot(path, offset, options.packed ? 1 : 0, video, owner.GetMif85() ? &mif : nullptr,
                        owner.GetMusica(), owner.GetTape(),
                        owner.GetTimerIf(), nullptr, owner.GetGpio(), owner.GetSystemPio(), owner.GetCpu(),
                        owner.GetMonitorRomSize(), owner.GetModel(), options.withMonitor ? 1 : 0);
}

SnapshotLoadResult LoadMachineSnapshotFd(MachineOwner& owner, int fd, int32_t offset,
                                         const SnapshotModelHook& selectModel) {
    if (fd < 0) {
        SnapshotLoadResult r;
        r.result = SnapshotReadError;
        return r;
    }
    return Load(owner, fd, offset, selectModel);
}

SnapshotLoadResult LoadMachineSnapshot(MachineOwner& owner, const std::string& path, int32_t offset,
                                       const SnapshotModelHook& selectModel) {
    const int fd = OpenRegularFile(path, O_RDONLY);
    SnapshotLoadResult r = LoadMachineSnapshotFd(owner, fd, offset, selectModel);
    if (fd >= 0) ::close(fd);
    return r;
}
