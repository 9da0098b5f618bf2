#include "machine/owner/MachineOwner.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <cstring>

#include "common/Config.h"
#include "common/Files.h"
#include "common/Paths.h"
#include "machine/cpu/ChipCpu8080.h"
#include "machine/cpu/ChipMemory.h"
#include "machine/cpu/ChipMemoryModels.h"
#include "machine/owner/ColorTable.h"
#include "machine/pio/IifGPIO.h"
#include "machine/pio/SystemPIO.h"
#include "machine/screen/ScreenDAD85.h"
#include "machine/sndif/IfMusica.h"
#include "machine/sound/SoundDriver.h"
#include "machine/storage/Pmd32.h"
#include "machine/storage/RaomModule.h"
#include "machine/storage/RomModule.h"
#include "machine/tape/IifTape.h"
#include "machine/timer/IifTimer.h"

namespace {

const char* const kModelNames[8] = {"Model-1",    "Model-2",    "Model-2A",    "Model-3",
                                    "Model-Mato", "Model-Alfa", "Model-Alfa2", "Model-C2717"};

bool Has(const std::vector<int>& codes, int code) {
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}

int ReadVolume(pugi::xml_node sound, const char* name, int def) {
    int v = ReadAttrInt(sound, name, def);
    return (v < 0 || v > 100) ? 90 : v;
}

std::string StoredPathAbsolute(const std::string& text) {
    if (text.empty() || text == "...") return std::string();
    return MakeAbsolutePath(text);
}

}  // namespace

// ------------------------------------------------------------ construction

MachineOwner::MachineOwner() : screen(std::make_unique<ScreenDAD85>(0, nullptr)) {
    cpuTimer.SetIntervalMicroseconds(SoundDriver::UnpacedSlicePeriodMicroseconds);
    cpuTimer.SetOnTimer([this](TPreciseTimer*) { PreciseTimerCpuTimer(); });
    screenTimer.SetInterval(kScreenIntervalMs);
    screenTimer.SetOnTimer([this](TPreciseTimer*) { TimerRefreshScreenTimer(); });
    soundFactory = [](int device, int channels, std::span<const int> volumes) {
        return std::make_unique<SoundDriver>(device, channels, volumes);
    };
}

MachineOwner::~MachineOwner() {
    Shutdown();
    Reconfiguration hold(*this);
    DeleteRomModule();
    DeleteRaomModule();
    DeleteMusica();
    DeleteCore();
    sound.reset();
    screen.reset();
}

void MachineOwner::Shutdown() {
    if (shutDown) return;
    shutDown = true;
    Closing.store(1);
    SetPause(1, 1);
    cpuTimer.SetEnabled(false);
    screenTimer.SetEnabled(false);
    cpuTimer.WaitIdle();
    screenTimer.WaitIdle();
    TPreciseTimer::ShutdownThread();
}

void MachineOwner::SetTapeBrowser(TapeBrowserLink* link) {
    if (tapeBrowser) tapeBrowser->SetTapeDevice(nullptr);
    tapeBrowser = link;
    if (tapeBrowser) tapeBrowser->SetTapeDevice(tape.get());
}

MachineOwner::Reconfiguration::Reconfiguration(MachineOwner& o) : owner(o), outer(false) {
    owner.rebuilding.store(true);
    owner.CpuMutex.lock();
    owner.tickMutex.lock();
    outer = owner.reconfigDepth.fetch_add(1) == 0;
}

MachineOwner::Reconfiguration::~Reconfiguration() {
    if (owner.reconfigDepth.fetch_sub(1) == 1) owner.rebuilding.store(false);
    owner.tickMutex.unlock();
    owner.CpuMutex.unlock();
}

int64_t MachineOwner::NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int64_t MachineOwner::NowUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// ------------------------------------------------------------ builder

void MachineOwner::DeletePmd32() {
    if (!pmd32) return;
    if (cpu) cpu->RemoveCycleCallback(&Pmd32::TickCallback, pmd32.get());
    pmd32.reset();
}

void MachineOwner::DeleteCore() {
    // Devices built on the general-purpose interface go before it.
    DeletePmd32();
    if (tapeBrowser) tapeBrowser->SetTapeDevice(nullptr);
    cpu.reset();
    systemPio.reset();
    tape.reset();
    timerIf.reset();
    gpio.reset();
    memory.reset();
}

void MachineOwner::BuildMachine(uint8_t fromSnapshot, int32_t romLength, const uint8_t* romData) {
    Reconfiguration hold(*this);
    const bool hadPmd32 = pmd32 != nullptr;
    DeleteCore();

    pugi::xml_node modelSection = ConfigSection("Model");
    const std::string current = ReadAttrString(modelSection, "current");
    for (int i = 0; i < 8; ++i)
        if (current == kModelNames[i]) model = i;
    pugi::xml_node modelElement = FindChildElement(modelSection, kModelNames[model]);
    ram256k = 0;
    if (model == kModel2A || model == kModel3)
        ram256k = ReadAttrBool(modelElement, "ram256k", false) ? 1 : 0;
    videoInterrupt = 0;
    if (model <= kModel3)
        videoInterrupt = ReadAttrBool(ConfigSection("Screen"), "video-cpu-interrupt", false) ? 1 : 0;
    VideoInterruptOption.store(videoInterrupt);

    // Monitor ROM.
    std::vector<uint8_t> buffer(kRomBufferSize, 0xFF);
    int32_t length = 0;
    if (fromSnapshot == 1 && romLength >= 4096 && romData) {
        std::memcpy(buffer.data(), romData, static_cast<size_t>(std::min(romLength, kRomBufferSize)));
        length = romLength;
    } else {
        const std::string path = StoredPathAbsolute(ReadElementText(FindChildElement(modelElement, "RomFile")));
        if (GetFileSizeByName(path) >= 0) length = ReadFilePart(path, 0, buffer.data(), kRomBufferSize);
    }
    int romKb = (length + 1023) / 1024;
    romKb = std::clamp(romKb, 4, 16);

    switch (model) {
        case kModel2A:
            if (ram256k)
                memory = std::make_unique<ChipMemory2AEx>(static_cast<uint8_t>(romKb));
            else
                memory = std::make_unique<ChipMemory2A>(static_cast<uint8_t>(romKb));
            break;
        case kModel3:
            romKb = 8;
            if (ram256k)
                memory = std::make_unique<ChipMemory3Ex>(8);
            else
                memory = std::make_unique<ChipMemory3>(8);
            break;
        case kModelMato:
            romKb = 16;
            memory = std::make_unique<ChipMemory12>(16);
            break;
        case kModelC2717:
            romKb = 16;
            memory = std::make_unique<ChipMemoryC2717>(16);
            break;
        default:
            memory = std::make_unique<ChipMemory12>(static_cast<uint8_t>(romKb));
            break;
    }

    cpu = std::make_unique<ChipCpu8080>(*memory);
    systemPio = std::make_unique<SystemPIO>(model, memory.get());
    cpu->AddPortDevice(0x84, 0x8C, 1, systemPio.get());

    if (model == kModelMato) {
        if (tapeBrowser) tapeBrowser->SetAvailable(false);
    } else {
        if (tapeBrowser) tapeBrowser->SetAvailable(true);
        cpu->AddCycleCallback(&SystemPIO::TickCallback, systemPio.get());
        gpio = std::make_unique<IifGPIO>();
        cpu->AddPortDevice(0x4C, 0xFC, 1, gpio.get());
        timerIf = std::make_unique<IifTimer>(model, cpu.get());
        cpu->AddPortDevice(0x5C, 0xFC, 0, timerIf.get());
        cpu->AddCycleCallback(&IifTimer::TickHook, timerIf.get());
        tape = std::make_unique<IifTape>(model);
        if (tapeBrowser) tapeBrowser->SetTapeDevice(tape.get());
        cpu->AddPortDevice((model == kModelAlfa || model == kModelAlfa2) ? 0xF0 : 0x1C, 0xFC, 1, tape.get());
        if (model != kModel1 && model != kModelAlfa)
            timerIf->SetOutputListener(MakeClosure<&IifTape::OnTimerOut>(tape.get()));
        cpu->AddCycleCallback(&IifTape::TickHook, tape.get());
        if (ram256k) {
            PeripheralDevice* paging = nullptr;
            if (model == kModel2A)
                paging = static_cast<ChipMemory2AEx*>(memory.get());
            else
                paging = static_cast<ChipMemory3Ex*>(memory.get());
            cpu->AddPortDevice(0x6D, 0xFF, 1, paging);
        }
        if (model <= kModel3 && videoInterrupt) cpu->AddPortDevice(0x6C, 0xFF, 1, screen.get());
    }
    BindSoundSinks();
    if (model != kModelC2717) systemPio->changeWord.store(1);

    monitorRomSize = romKb * 1024;
    if (length > 0) memory->LoadRom(buffer.data(), monitorRomSize);

    // The modules and the disk unit were attached to the old machine.
    if (romModule) cpu->AddPortDevice(0x88, 0x8C, 1, romModule.get());
    if (raomModule) cpu->AddPortDevice(0x88, 0x8C, 1, raomModule.get());
    AttachMusica();
    if (hadPmd32) {
        std::vector<int> codes{19};
        ApplyStorageSettings(codes);
    }
    if (view) view->ShowModel(model);
}

void MachineOwner::BindSoundSinks() {
    SoundLevelSink sink;
    if (sound) sink = sound->LevelSink();
    if (systemPio) systemPio->SetSoundSink(sink);
    if (tape) tape->SetSoundSink(sink);
    // The Musica voices and the timer's channel 2 follow the driver too.
    if (musica) {
        musica->SetSoundSink(sink);
        if (timerIf) {
            timerIf->SetSoundSink(sink);
            timerIf->EnableSound(sound ? 1 : 0);
        }
    }
}

void MachineOwner::UpdateCpuTimerPeriod() {
    cpuTimer.SetIntervalMicroseconds(sound ? sound->SlicePeriodMicroseconds()
                                           : SoundDriver::UnpacedSlicePeriodMicroseconds);
}

int MachineOwner::ApplySoundSettings(std::vector<int>& codes) {
    Reconfiguration hold(*this);
    pugi::xml_node section = ConfigSection("Sound");
    const int speaker = ReadVolume(section, "volume-speaker", 90);
    const int tapeVolume = ReadVolume(section, "volume-tape", 50);
    const int soundIf = ReadVolume(section, "volume-sound-if", 90);
    const int volumes[6] = {speaker, tapeVolume, soundIf, soundIf, soundIf, soundIf};

    if (Has(codes, 5)) {
        // Nobody may keep the old driver's level writer or generator.
        if (timerIf) {
            timerIf->EnableSound(0);
            timerIf->SetSoundSink(SoundLevelSink());
        }
        sound.reset();
        BindSoundSinks();
        int result = 0;
        const int device = ReadAttrInt(section, "device-index", -1);
        if (device >= 0) {
            int channels = 2;
            if (AttrEquals(section, "sound-if", "musica"))
                channels = 6;
            else if (AttrEquals(section, "sound-if", "mif85"))
                channels = 3;
            sound = soundFactory(device, channels, volumes);
            BindSoundSinks();
            result = sound ? 1 : 0;
        }
        UpdateCpuTimerPeriod();
        // A new driver starts unmuted: the stored mute setting applies to it
        // as well, or a muted user would hear the machine after a device change.
        if (sound && ReadAttrBool(section, "mute", false)) sound->Mute();
        if (Has(codes, 6) && view) view->ShowMute(ReadAttrBool(section, "mute", false));
        return result;
    }
    if (Has(codes, 6)) {
        const bool mute = ReadAttrBool(section, "mute", false);
        if (view) view->ShowMute(mute);
        if (sound) {
            sound->SetVolumes(volumes);
            if (mute)
                sound->Mute();
            else
                sound->Unmute();
        }
    }
    return 0;
}

void MachineOwner::DeleteMusica() {
    if (!musica) return;
    if (cpu) {
        if (cpu->FindPortDevice(0xFC) == musica.get()) cpu->RemovePortDevice(0xFC);
        cpu->RemoveCycleCallback(&IfMusica::TickHook, musica.get());
    }
    musica.reset();
}

// Maps an existing Musica interface on the current CPU and routes the timer's
// counter 0 to channel 2 (after a rebuild the old CPU and timer are gone).
void MachineOwner::AttachMusica() {
    if (!musica || !cpu) return;
    if (!timerIf) {  // a model without the timer interface has no Musica either
        musica.reset();
        return;
    }
    if (!cpu->FindPortDevice(0xFC)) cpu->AddPortDevice(0xFC, 0xFC, 0, musica.get());
    cpu->RemoveCycleCallback(&IfMusica::TickHook, musica.get());
    cpu->AddCycleCallback(&IfMusica::TickHook, musica.get());
    BindSoundSinks();
}

int MachineOwner::ApplyMusicaInterface(std::vector<int>& codes) {
    (void)codes;
    Reconfiguration hold(*this);
    if (timerIf) {
        timerIf->EnableSound(0);
        timerIf->SetSoundSink(SoundLevelSink());
    }
    DeleteMusica();
    if (!sound || !timerIf || !cpu || !AttrEquals(ConfigSection("Sound"), "sound-if", "musica")) return 1;
    musica = std::make_unique<IfMusica>();
    AttachMusica();
    return 1;
}

int MachineOwner::ApplyMif85Interface(std::vector<int>& codes) {
    Reconfiguration hold(*this);
    if (timerIf) timerIf->SetInterruptHook(0, IifTimer::InterruptHook());
    if (sound) sound->SetGenerator(SoundGenerator());
    if (cpu) cpu->RemovePortDevice(0xEC);
    // No MIF 85 interface is built here.
    return Has(codes, 34) ? 1 : 0;
}

int MachineOwner::ApplyStorageSettings(std::vector<int>& codes) {
    Reconfiguration hold(*this);
    pugi::xml_node section = FindChildElement(ConfigSection("Storages"), "PMD-32");
    int result = 0;
    if (Has(codes, 19)) {
        result = 1;
        DeletePmd32();
        if (gpio && cpu && ReadAttrBool(section, "connected", false)) {
            pmd32 = std::make_unique<Pmd32>(*gpio);
            cpu->AddCycleCallback(&Pmd32::TickCallback, pmd32.get());
            codes.insert(codes.end(), {20, 22, 24, 26});
        }
    }
    if (!pmd32) return result;

    pmd32->SetRoot(ReadAttrBool(section, "extra-commands", false) ? 1 : 0,
                   StoredPathAbsolute(ReadElementText(FindChildElement(section, "SD-Root"))));
    static const char* const kDrives[4] = {"DriveA", "DriveB", "DriveC", "DriveD"};
    for (int index = 0; index < 4; ++index) {
        pugi::xml_node drive = FindChildElement(section, kDrives[index]);
        const uint8_t protect = ReadAttrBool(drive, "write-protect", false) ? 1 : 0;
        const std::string path = StoredPathAbsolute(ReadElementText(drive));
        const int imageCode = 20 + 2 * index;
        if (Has(codes, imageCode)) {
            if (index < 3) {
                pmd32->Unmount(index + 1);
                codes.push_back(imageCode + 2);
            }
            if (GetFileSizeByName(path) >= 0) {
                int r = pmd32->MountImage(index, path, protect);
                if (r != 0 && !Pmd32::MountFailureKeepsPath(r)) WriteElementText(drive, "");
            } else {
                pmd32->Unmount(index);
            }
        } else if (Has(codes, imageCode + 1)) {
            pmd32->SetWriteProtect(index, protect);
        }
    }
    return result;
}

void MachineOwner::RemoveModulePort(void* device) {
    if (!cpu) return;
    for (const PortMapEntry* e = cpu->GetPortMap(); e; e = e->Next)
        if (e->Port == 0x88 && static_cast<void*>(e->Device) == device) {
            cpu->RemovePortDevice(0x88);
            return;
        }
}

void MachineOwner::DeleteRomModule() {
    if (!romModule) return;
    RemoveModulePort(static_cast<PeripheralDevice*>(romModule.get()));
    romModule.reset();
}

void MachineOwner::DeleteRaomModule() {
    if (!raomModule) return;
    RemoveModulePort(static_cast<PeripheralDevice*>(raomModule.get()));
    raomModule.reset();
}

void MachineOwner::SetRomModule(uint8_t inserted, uint8_t ramVariant) {
    Reconfiguration hold(*this);
    if (ramVariant == 0) {
        DeleteRomModule();
    } else {
        DeleteRaomModule();
        // A ROM module that stays gets its port back.
        if (romModule && cpu && !cpu->FindPortDevice(0x88))
            cpu->AddPortDevice(0x88, 0x8C, 1, romModule.get());
    }
    if (!inserted) return;
    if (ramVariant == 1) {
        raomModule = std::make_unique<RaomModule>(modules.raomVersion);
        if (cpu) cpu->AddPortDevice(0x88, 0x8C, 1, raomModule.get());
        raomModule->LoadPackage(modules.raomFiles);
        const std::string image = StoredPathAbsolute(modules.raomImage);
        if (GetFileSizeByName(image) >= 0)
            raomModule->OpenFile(image);
        else
            raomModule->CloseFile();
    } else {
        romModule = std::make_unique<RomModule>();
        if (cpu) cpu->AddPortDevice(0x88, 0x8C, 1, romModule.get());
        romModule->LoadPackage(modules.romModuleFiles);
    }
}

// ------------------------------------------------------------ running

void MachineOwner::BlockTrap(uint16_t pc) {
    ChipMemory& m = *memory;
    const uint16_t page = pc & 0xFF00;
    if (m.ReadByte(page + 0xD3) != 0x23 || m.ReadByte(page + 0xE1) != 0xC9) return;
    const uint8_t* data = nullptr;
    int32_t remaining = 0;
    const int32_t de = cpu->GetDE();
    if (!tape->GetTrapBlock(&data, &remaining) || !data || remaining < de + 2) return;
    const int32_t n = (de + 1) & 0xFFFF;
    uint16_t hl = cpu->GetHL();
    const uint16_t start = hl;
    uint8_t sum = 0;
    for (int32_t i = 0; i < n; ++i) {
        const uint8_t b = data[i];
        if (cpu->C != 0) m.WriteByte(hl, b);
        hl = static_cast<uint16_t>(hl + 1);
        sum = static_cast<uint8_t>(sum + b);
    }
    const uint8_t check = data[n];
    if (model == kModel1) {
        cpu->SetHL(hl);
        cpu->A = check;
    } else {
        cpu->SetHL(start);
        cpu->A = 0;
    }
    cpu->SetDE(0xFFFF);
    cpu->B = sum;
    cpu->F = sum == check ? 0x40 : 0x01;
    cpu->PC = static_cast<uint16_t>(page + 0xE1);
    tape->SkipTrapBytes(n + 1);
}

void MachineOwner::ByteTrap(uint16_t pc) {
    ChipMemory& m = *memory;
    const uint16_t page = pc & 0xFF00;
    if (m.ReadByte(pc) != 0xC5 || m.ReadByte(page + 0x9B) != 0xC9) return;
    uint8_t b = 0;
    const int r = tape->TakeTrapByte(&b);
    if (r == 0) cpu->A = b;  // without a byte A stays as it was
    cpu->F = r == 1 ? 0x01 : 0x00;
    cpu->PC = static_cast<uint16_t>(page + 0x9B);
}

void MachineOwner::PreciseTimerCpuTimer() {
    const int64_t start = NowUs();
    if (Closing.load() == 1 || DebuggerTag.load() == 5 || rebuilding.load()) return;
    std::unique_lock<std::recursive_mutex> lock(CpuMutex);
    // A pause or a rebuild that came while this tick waited wins.
    if (rebuilding.load() || runState.load() == 1 || Closing.load() == 1 || !cpu) return;
    if (sound && sound->MixSlice()) return;

    ChipCpu8080& c = *cpu;
    const int tag = DebuggerTag.load();
    const bool traps = model != kModelMato && recording == nullptr && tag != -1 && tape && tape->GetFastMode();
    const bool stepping = (tag == 7 || tag == 8) && debugger;
    DebuggerLink* const breakpoints = (debugger && debugger->AnyBreakpoint()) ? debugger : nullptr;
    const uint16_t blockPc = model == kModel3 ? 0xEDC4 : 0x8DC4;
    const uint16_t bytePc = model == kModel3 ? 0xEB6C : 0x8B6C;
    const bool byteTrapModel = model != kModel1 && model != kModelAlfa;
    const bool compatibility = model == kModel3 && CompatibilityMode.load() != 0;
    int32_t extra = 0;
    int stop = 0;
    // Each time more than 12 cycles have gathered, 12 of them stretch the
    // clocks by one; without a branch, as n is often 0.
    auto stretch = [&c, &extra](int32_t cycles) {
        extra += cycles;
        const int32_t n = (extra - 1) / 12;
        extra -= n * 12;
        c.SliceClock += n;
        c.LastCycles += n;
        c.TotalClock += static_cast<uint32_t>(n);
    };

    if (!breakpoints && !compatibility && !stepping) {
        // Nothing to watch but the tape traps: a PC that never matches
        // stands for an inactive trap.
        const int32_t blockTrapPc = traps ? blockPc : -1;
        const int32_t byteTrapPc = traps && byteTrapModel ? bytePc : -1;
        while (c.SliceClock < kSliceCycles) {
            const int32_t pc = c.PC;
            if (pc == blockTrapPc) [[unlikely]]
                BlockTrap(blockPc);
            else if (pc == byteTrapPc) [[unlikely]]
                ByteTrap(bytePc);
            stretch(c.Step());
        }
    } else {
        while (c.SliceClock < kSliceCycles) {
            const uint16_t pc = c.PC;
            if (breakpoints && breakpoints->IsBreakpoint(pc) == 1) {
                stop = 1;
                break;
            }
            if (compatibility && pc == 0xE04C && !memory->GetAllRamFlag()) c.PC = 0xFFF0;
            if (traps) {
                if (pc == blockPc)
                    BlockTrap(pc);
                else if (pc == bytePc && byteTrapModel)
                    ByteTrap(pc);
            }
            int32_t cycles = 0;
            if (!stepping) {
                cycles = c.Step();
            } else if (debugger->StepWatchingReturn(cycles) == 1) {
                stop = 1;
                break;
            }
            stretch(cycles);
        }
    }
    if (!stop) {
        c.SliceClock -= kSliceCycles;
        const int32_t count = sliceCount.fetch_add(1) + 1;
        if (recording && recording->IsRecording() && count % 200 == 0) recording->Flush();
    }
    busyUs.fetch_add(NowUs() - start);
    lock.unlock();
    if (stop) DebuggerTag.store(5);
}

const char* MachineOwner::ModelName(int model) {
    return model >= 0 && model < 8 ? kModelNames[model] : "";
}

int MachineOwner::CpuUsagePercent(int64_t busy, int64_t elapsedMs) {
    if (elapsedMs <= 0) return 100;
    int64_t usage = busy / 10 / elapsedMs;  // busy in us: us * 100 / (ms * 1000)
    return static_cast<int>(std::min<int64_t>(usage, 100));
}

void MachineOwner::TimerRefreshScreenTimer() {
    if (Closing.load() == 1) return;
    std::unique_lock<std::recursive_mutex> lock(tickMutex, std::try_to_lock);
    if (!lock.owns_lock() || rebuilding.load()) return;
    if (firstScreenTick) {
        firstScreenTick = false;
        nextUsageMs = NowMs() + 1000;
    }
    if (screen) {
        if (blinkAccumulator < 500) {
            blinkAccumulator += kScreenIntervalMs;
        } else {
            blinkAccumulator = 0;
            screen->SetBlinkPhase(!screen->GetBlinkPhase());
        }
    }
    phase = (phase + 1) % 5;
    switch (phase) {
        case 0:
            if (memory && screen && screen->Paint(memory->GetVideoRam()) && view) view->RepaintScreen();
            break;
        case 1: {
            const int64_t now = NowMs();
            if (now < nextUsageMs) break;
            const int usage = CpuUsagePercent(busyUs.exchange(0), now - nextUsageMs + 1000);
            if (view) view->ShowCpuUsage(std::to_string(usage) + "%");
            nextUsageMs = now + 1000;
            break;
        }
        case 2:
            if (systemPio && screen) {
                const uint8_t word = systemPio->changeWord.load();
                if (word & 1) {
                    const bool wide = (word & 0xFE) != 0;
                    if (wide != screen->IsWideMode()) {
                        screen->SetWideMode(wide);
                        if (screen->GetSizeMode() != 3 && view) view->Relayout();
                    }
                    systemPio->changeWord.fetch_and(static_cast<uint8_t>(~1));
                }
            }
            break;
        case 4:
            if (cpu && screen && screen->IsVideoInterruptEnabled() && DebuggerTag.load() != -1) cpu->Interrupt();
            break;
        default:
            break;
    }
}

void MachineOwner::TimerRefreshControlsTimer() {
    if (Closing.load() == 1) return;
    const int dt = DebuggerTag.load();
    if (dt == 7 || dt == 8 || dt == 9) {
        if (dt == 9) DebuggerTag.store(0);
        SetPause(0, 0);
    } else if (dt == 5) {
        if (debugger) debugger->OpenDebugger();
    }
    switch (TapeBrowserTag.load()) {
        case 5:
            TapeBrowserTag.store(4);
            SetPause(1, 0);
            break;
        case 3:
            TapeBrowserTag.store(0);
            SetPause(0, 0);
            break;
        case 6:
            TapeBrowserTag.store(7);
            if (tapeBrowser) tapeBrowser->NewTapeFile();
            TapeBrowserTag.store(0);
            break;
        case 8:
            TapeBrowserTag.store(9);
            if (tapeBrowser) tapeBrowser->AppendRecordedBlock();
            TapeBrowserTag.store(0);
            break;
        case 10:
            TapeBrowserTag.store(11);
            if (tapeBrowser) tapeBrowser->StopTape();
            TapeBrowserTag.store(0);
            break;
        default:
            break;
    }
    if (tapeBrowser) tapeBrowser->PeriodicUpdate();
    if (systemPio) {
        const bool browserActive = tapeBrowser && tapeBrowser->IsActiveWindow();
        if (!browserActive && TapeBrowserTag.load() == 0 && DebuggerTag.load() != -1) systemPio->ScanKeyboard();
        const uint8_t leds = systemPio->leds.load();
        if (view)
            for (int i = 0; i < 3; ++i) view->SetLed(i, (leds >> i) & 1);
    }
    if (pmd32) {
        const int a = pmd32->GetActivity();
        if (a + 1 != diskShown) {
            if (diskShown != 0 && a == 0) {
                if (diskHold != 0)
                    diskHold--;
                else
                    diskHold = 50;
            }
            if (diskHold == 0 || a > 0) {
                if (view) view->ShowDiskIcon(a);
                diskShown = a + 1;
            }
        }
    } else if (diskShown != 0) {
        diskShown = 0;
        if (view) view->ShowDiskIcon(0);
    }
    if (tape) {
        const int a = tape->GetActivity();
        if (a != tapeShown) {
            tapeShown = a;
            if (view) view->ShowTapeIcon(a);
        }
    }
}

uint8_t MachineOwner::RaiseTapeRequest(int request) {
    int sleepMs = 0;
    switch (request) {
        case 10: sleepMs = 25; break;
        case 6: sleepMs = 500; break;
        case 8: sleepMs = 50; break;
        default: return 1;
    }
    TapeBrowserTag.store(request);
    do {
        std::this_thread::sleep_for(std::chrono::milliseconds(sleepMs));
    } while (TapeBrowserTag.load() == request + 1 && Closing.load() != 1);
    return 1;
}

void MachineOwner::SetPause(int state, int alsoRefreshTimers) {
    if (state == runState.load()) return;
    std::lock_guard<std::recursive_mutex> lock(CpuMutex);
    if (state == runState.load()) return;
    runState.store(state);
    if (state == 1) {
        cpuTimer.SetEnabled(false);
        if (alsoRefreshTimers) screenTimer.SetEnabled(false);
        if (sound) sound->Pause();
        if (view) view->RunStateChanged(1, alsoRefreshTimers != 0);
    } else {
        if (view) view->RunStateChanged(0, alsoRefreshTimers != 0);
        if (sound) sound->Resume();
        if (alsoRefreshTimers) screenTimer.SetEnabled(true);
        UpdateCpuTimerPeriod();
        cpuTimer.SetEnabled(true);
    }
}

void MachineOwner::ResetMachine(int stopRecordings) {
    std::lock_guard<std::recursive_mutex> lock(CpuMutex);
    if (!cpu) return;
    if (stopRecordings == 1 && sound) sound->StopWaveRecording();
    cpu->Reset();
}

int MachineOwner::ApplySettings(std::vector<int>& codes) {
    Reconfiguration hold(*this);
    int reset = 0;

    if (Has(codes, 5) || Has(codes, 6)) {
        if (ApplySoundSettings(codes) == 1) reset = 1;
    }
    if (Has(codes, 1)) {
        BuildMachine(0, 0, nullptr);
        // Every device built on the old core is made again on the new one;
        // the printer (31) too, since it sits on the general-purpose interface.
        codes.insert(codes.end(), {2, 35, 36, 8, 11, 29, 7, 34, 19, 9, 10, 31});
        reset = 1;
    }
    if (Has(codes, 2)) {
        pugi::xml_node m3 = FindChildElement(ConfigSection("Model"), "Model-3");
        CompatibilityMode.store(ReadAttrBool(m3, "compatibility-mode", false) ? 1 : 0);
    }
    pugi::xml_node screenSection = ConfigSection("Screen");
    if (Has(codes, 36))
        VideoInterruptOption.store(ReadAttrBool(screenSection, "video-cpu-interrupt", false) ? 1 : 0);
    if (Has(codes, 3) && screen) {
        static const char* const kSteps[4] = {"off", "b75", "b50", "b25"};
        const std::string halfPass = ReadAttrString(screenSection, "half-pass");
        if (halfPass == "lcd") {
            screen->SetLcdMode(true);
        } else {
            int step = 5;
            for (int i = 0; i < 4; ++i)
                if (halfPass == kSteps[i]) step = i + 1;
            screen->SetHalfPass(step);
        }
    }
    if (Has(codes, 4) && screen) {
        const std::string profile = ReadAttrString(screenSection, "color-profile");
        if (profile == "mono") {
            screen->SetColorProfile(0);
        } else if (profile == "standard") {
            screen->SetColorProfile(1);
        } else if (profile == "multicolor") {
            screen->SetColorProfile(3);
        } else {
            screen->SetColorProfile(2);
            const std::string palette = ReadAttrString(screenSection, "color-pallette");
            static const int kRgb[4] = {10, 9, 12, 13};
            static const int kVideo[4] = {15, 10, 9, 1};
            static const char* const kAttrs[4] = {"attr00", "attr01", "attr10", "attr11"};
            for (int i = 0; i < 4; ++i) {
                int color;
                if (palette == "rgb")
                    color = kRgb[i];
                else if (palette == "video")
                    color = kVideo[i];
                else
                    color = ColorTable::ColorIndexFromName(ReadAttrString(screenSection, kAttrs[i]));
                screen->SetUserColor(i, color);
            }
        }
    }
    if (Has(codes, 8) && systemPio) {
        pugi::xml_node keyboard = FindChildElement(ConfigSection("Controls"), "Keyboard");
        systemPio->changeZy = ReadAttrBool(keyboard, "change-zy", false) ? 1 : 0;
        systemPio->useNumpad = ReadAttrBool(keyboard, "use-numpad", false) ? 1 : 0;
        systemPio->matoCtrl = ReadAttrBool(keyboard, "mato-ctrl", false) ? 1 : 0;
    }
    if (Has(codes, 28) && view)
        view->ShowDebuggerHints(ReadAttrBool(ConfigSection("General"), "show-hint-in-debugger", false));
    if (Has(codes, 11)) {
        SetRomModule(modules.romModuleInserted ? 1 : 0, 0);
        if (Has(codes, 12)) reset = 1;
    }
    if (Has(codes, 29)) {
        SetRomModule(modules.raomEnabled ? 1 : 0, 1);
        if (Has(codes, 30)) reset = 1;
    }
    // Code 9 (joystick): no joystick interface is built yet.
    // Code 10 (mouse): no mouse is built yet; the change still needs a reset.
    if (Has(codes, 10)) reset = 1;
    // Code 31 (printer): no printer is built yet.
    for (int code = 19; code <= 27; ++code) {
        if (!Has(codes, code)) continue;
        if (ApplyStorageSettings(codes) == 1) reset = 1;
        break;
    }
    if (Has(codes, 7)) {
        ApplyMusicaInterface(codes);
        reset = 1;
    }
    if (Has(codes, 34)) {
        ApplyMif85Interface(codes);
        reset = 1;
    }
    return reset;
}
