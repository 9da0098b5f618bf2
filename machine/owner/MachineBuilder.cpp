#include "machine/owner/MachineBuilder.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "common/Config.h"
#include "common/Files.h"
#include "common/Paths.h"
#include "machine/cpu/ChipCpu8080.h"
#include "machine/cpu/ChipMemoryModels.h"
#include "machine/owner/MachineParts.h"
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

namespace machine_builder {
namespace {

constexpr PortEntry kSystemPio{Device::SystemPio, {0x84, 0x8C, 1}, When::Always, true};
constexpr PortEntry kSystemPioMato{Device::SystemPio, {0x84, 0x8C, 1}};
constexpr PortEntry kGpio{Device::Gpio, {0x4C, 0xFC, 1}};
constexpr PortEntry kTimer{Device::Timer, {0x5C, 0xFC, 0}, When::Always, true};
constexpr PortEntry kTape{Device::Tape, {0x1C, 0xFC, 1}, When::Always, true};
constexpr PortEntry kTapeAlfa{Device::Tape, {0xF0, 0xFC, 1}, When::Always, true};
constexpr PortEntry kPaging{Device::Paging, {0x6D, 0xFF, 1}, When::Ram256k};
constexpr PortEntry kScreen{Device::Screen, {0x6C, 0xFF, 1}, When::VideoInterrupt};

constexpr ModelPlan kPlans[kModelCount] = {
    {"Model-1", Memory::Model12, Memory::Model12, 0, true, true, false,
     {kSystemPio, kGpio, kTimer, kTape, kScreen}, 5},
    {"Model-2", Memory::Model12, Memory::Model12, 0, true, true, true,
     {kSystemPio, kGpio, kTimer, kTape, kScreen}, 5},
    {"Model-2A", Memory::Model2A, Memory::Model2AEx, 0, true, true, true,
     {kSystemPio, kGpio, kTimer, kTape, kPaging, kScreen}, 6},
    {"Model-3", Memory::Model3, Memory::Model3Ex, 8, true, true, true,
     {kSystemPio, kGpio, kTimer, kTape, kPaging, kScreen}, 6},
    {"Model-Mato", Memory::Model12, Memory::Model12, 16, false, true, false, {kSystemPioMato}, 1},
    {"Model-Alfa", Memory::Model12, Memory::Model12, 0, false, true, false,
     {kSystemPio, kGpio, kTimer, kTapeAlfa}, 4},
    {"Model-Alfa2", Memory::Model12, Memory::Model12, 0, false, true, true,
     {kSystemPio, kGpio, kTimer, kTapeAlfa}, 4},
    {"Model-C2717", Memory::C2717, Memory::C2717, 16, false, false, true,
     {kSystemPio, kGpio, kTimer, kTape}, 4},
};

std::unique_ptr<ChipMemory> MakeMemory(Memory kind, uint8_t romKb) {
    switch (kind) {
        case Memory::Model2A: return std::make_unique<ChipMemory2A>(romKb);
        case Memory::Model2AEx: return std::make_unique<ChipMemory2AEx>(romKb);
        case Memory::Model3: return std::make_unique<ChipMemory3>(romKb);
        case Memory::Model3Ex: return std::make_unique<ChipMemory3Ex>(romKb);
        case Memory::C2717: return std::make_unique<ChipMemoryC2717>(romKb);
        case Memory::Model12: break;
    }
    return std::make_unique<ChipMemory12>(romKb);
}

}  // namespace

const ModelPlan& Plan(int model) { return kPlans[IsModelIndex(model) ? model : kModel1]; }

}  // namespace machine_builder

using namespace machine_builder;

const char* MachineBuilder::ModelName(int model) { return IsModelIndex(model) ? kPlans[model].name : ""; }

int MachineBuilder::ModelIndex(const std::string& name) {
    for (int i = 0; i < kModelCount; ++i)
        if (name == kPlans[i].name) return i;
    return -1;
}

int MachineBuilder::MonitorRomKb(int model) { return IsModelIndex(model) ? kPlans[model].romKb : 0; }

bool MachineBuilder::MonitorRomFits(int model, int64_t size) {
    if (!IsModelIndex(model) || size <= 0 || size % 1024 != 0) return false;
    if (const int kb = kPlans[model].romKb) return size == int64_t(kb) * 1024;
    return size >= 4 * 1024 && size <= int64_t(kRomBufferSize);
}

void MachineBuilder::DeleteCore(MachineParts& p) {
    // Every device leaves the CPU first; devices built on the general-purpose
    // interface go before it.
    p.DetachAll();
    p.DeletePeripherals();
    p.pmd32.reset();
    if (p.tapeBrowser) p.tapeBrowser->SetTapeDevice(nullptr);
    p.cpu.reset();
    p.systemPio.reset();
    p.tape.reset();
    p.timerIf.reset();
    p.gpio.reset();
    p.memory.reset();
}

void MachineBuilder::Build(MachineParts& p, uint8_t fromSnapshot, int32_t romLength, const uint8_t* romData) {
    DeleteCore(p);

    // An unknown model name keeps the model built last.
    const MachineSettings& settings = p.settings;
    if (IsModelIndex(settings.model.current)) p.model = settings.model.current;
    const ModelPlan& plan = kPlans[p.model];
    const ModelElementSettings& modelElement = settings.model.models[p.model];
    p.ram256k = 0;
    if (plan.memory256k != plan.memory) p.ram256k = modelElement.ram256k ? 1 : 0;
    p.videoInterrupt = 0;
    if (plan.videoInterruptOption) p.videoInterrupt = settings.screen.videoCpuInterrupt ? 1 : 0;

    // Monitor ROM.
    std::vector<uint8_t> buffer(kRomBufferSize, 0xFF);
    int32_t length = 0;
    if (fromSnapshot == 1 && romLength >= 4096 && romData) {
        std::memcpy(buffer.data(), romData, static_cast<size_t>(std::min(romLength, kRomBufferSize)));
        length = romLength;
    } else {
        const std::string path = StoredPathAbsolute(modelElement.romFile);
        if (GetFileSizeByName(path) >= 0) length = ReadFilePart(path, 0, buffer.data(), kRomBufferSize);
    }
    int romKb = plan.romKb ? plan.romKb : std::clamp((length + 1023) / 1024, 4, 16);

    p.memory = MakeMemory(p.ram256k ? plan.memory256k : plan.memory, static_cast<uint8_t>(romKb));
    p.cpu = std::make_unique<ChipCpu8080>(*p.memory);
    ChipCpu8080& cpu = *p.cpu;
    p.systemPio = std::make_unique<SystemPIO>(p.model, p.memory.get(), &p.keys);
    // Every model with more than the system port has the three interfaces.
    const bool interfaces = plan.portCount > 1;
    if (interfaces) {
        p.gpio = std::make_unique<IifGPIO>();
        p.timerIf = std::make_unique<IifTimer>(p.model, p.cpu.get());
        p.tape = std::make_unique<IifTape>(p.model);
        p.tape->SetDiscardRecorded(p.discardHostWrites);
        if (plan.tapeTimerClock) p.timerIf->SetOutputListener(MakeClosure<&IifTape::OnTimerOut>(p.tape.get()));
    }
    if (p.tapeBrowser) {
        p.tapeBrowser->SetAvailable(p.tape != nullptr);
        if (p.tape) p.tapeBrowser->SetTapeDevice(p.tape.get());
    }

    for (int i = 0; i < plan.portCount; ++i) {
        const PortEntry& e = plan.ports[i];
        if (e.when == When::Ram256k && !p.ram256k) continue;
        if (e.when == When::VideoInterrupt && !p.videoInterrupt) continue;
        switch (e.device) {
            case Device::SystemPio:
                p.systemPioPlace.Attach(cpu, p.systemPio.get(), {e.range},
                                                    e.tick ? p.systemPio->TickHook() : CycleHook(),
                                                    p.systemPio->QuietMeasure());
                break;
            case Device::Gpio:
                p.gpioPlace.Attach(cpu, p.gpio.get(), {e.range});
                break;
            case Device::Timer:
                p.timerPlace.Attach(cpu, p.timerIf.get(), {e.range},
                                                e.tick ? p.timerIf->TickHook() : CycleHook(),
                                                p.timerIf->QuietMeasure());
                break;
            case Device::Tape:
                p.tapePlace.Attach(cpu, p.tape.get(), {e.range},
                                               e.tick ? p.tape->TickHook() : CycleHook(),
                                               p.tape->QuietMeasure());
                break;
            case Device::Paging:
                p.pagingPlace.Attach(cpu, dynamic_cast<PeripheralDevice*>(p.memory.get()), {e.range});
                break;
            case Device::Screen:
                p.screenPlace.Attach(cpu, p.screen.get(), {e.range});
                break;
        }
    }
    p.BindSoundSinks();
    if (plan.narrowAtStart) p.systemPio->changeWord.store(1);

    p.monitorRomSize = romKb * 1024;
    p.monitorRomLoaded = length > 0;
    if (length > 0) p.memory->LoadRom(buffer.data(), p.monitorRomSize);

    // The modules and Musica were attached to the old machine.
    p.PlaceRomModule();
    p.PlaceRaomModule();
    p.PlaceMusica();
    p.PlaceMif85();
    if (p.view) p.view->ShowModel(p.model);
}
