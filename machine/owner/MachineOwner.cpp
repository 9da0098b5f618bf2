#include "machine/owner/MachineOwner.h"

#include "common/Config.h"
#include "common/Startup.h"
#include "machine/core/ChangeCodes.h"
#include "machine/core/RequestWords.h"
#include "machine/cpu/ChipCpu8080.h"
#include "machine/cpu/ChipMemory.h"
#include "machine/input/Joy4004482.h"
#include "machine/input/Mouse.h"
#include "machine/printer/Bt100.h"
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

// ------------------------------------------------------------ ownership

MachineOwner::MachineOwner() {
    parts.screen = std::make_unique<ScreenDAD85>(0, nullptr);
    cpuTimer.SetIntervalMicroseconds(SoundDriver::UnpacedSlicePeriodMicroseconds);
    cpuTimer.SetOnTimer([this](TPreciseTimer*) { PreciseTimerCpuTimer(); });
    screenTimer.SetInterval(kScreenIntervalMs);
    screenTimer.SetOnTimer([this](TPreciseTimer*) { TimerRefreshScreenTimer(); });
    commandTimer.SetInterval(1);
    commandTimer.SetOnTimer([this](TPreciseTimer*) { RunCommands(); });
    // While the CPU runs, the screen tick is served in the slices' wake-ups.
    screenTimer.SetFollow(&cpuTimer);
    parts.soundFactory = [](int device, int channels, std::span<const int> volumes) {
        return std::make_unique<SoundDriver>(device, channels, volumes);
    };
}

MachineOwner::~MachineOwner() {
    Shutdown();
    Reconfiguration hold(*this);
    parts.DetachAll();
    parts.romModule.reset();
    parts.raomModule.reset();
    parts.musica.reset();
    MachineBuilder::DeleteCore(parts);
    parts.sound.reset();
    parts.screen.reset();
}

void MachineOwner::Shutdown() {
    if (shutDown) return;
    shutDown = true;
    Closing.store(1);
    SetPause(1, 1);
    cpuTimer.SetEnabled(false);
    screenTimer.SetEnabled(false);
    commandTimer.SetEnabled(false);
    cpuTimer.WaitIdle();
    screenTimer.WaitIdle();
    commandTimer.WaitIdle();
    commands.Drop();
    TPreciseTimer::ShutdownThread();
}

void MachineOwner::SetTapeBrowser(TapeBrowserLink* link) {
    if (parts.tapeBrowser) parts.tapeBrowser->SetTapeDevice(nullptr);
    parts.tapeBrowser = link;
    if (link) link->SetTapeDevice(parts.tape.get());
}

// ------------------------------------------------------------ locking

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

MachineOwner::PauseHold::PauseHold(MachineOwner& o, int alsoRefreshTimers, Resume r)
    : owner(o), timers(alsoRefreshTimers), rule(r), before(o.GetRunState()) {
    owner.SetPause(1, timers);
}

void MachineOwner::PauseHold::Release() {
    if (!held) return;
    held = false;
    if (rule == Always || before == 0) owner.SetPause(0, timers);
}

void MachineOwner::PreciseTimerCpuTimer() {
    const int64_t start = SliceRunner::NowNs();
    if (Closing.load() == 1 || DebuggerTag.load() == DebuggerRequest::StopRequest || rebuilding.load()) return;
    // The CPU holds while a tape request waits for the controls tick.
    if (tags.TapeRequestWaiting()) return;
    std::unique_lock<std::recursive_mutex> lock(CpuMutex);
    if (rebuilding.load() || Closing.load() == 1) return;
    // Commands first: the slice runs on what they left.
    if (commands.Waiting()) commands.RunPending();
    // A pause or a rebuild that came while this tick waited wins.
    if (rebuilding.load() || runState.load() == 1 || Closing.load() == 1 || !parts.cpu) return;
    const bool stop = slice.CpuSlice(start);
    lock.unlock();
    if (stop) DebuggerTag.store(DebuggerRequest::StopRequest);
}

void MachineOwner::Post(CommandQueue::Work work, CommandQueue::Work answer) {
    if (Closing.load() == 1) return;
    commands.Post(std::move(work), std::move(answer));
    commandTimer.SetEnabled(true);
}

void MachineOwner::RunCommands() {
    // Off first: a command posted from now on enables it again.
    commandTimer.SetEnabled(false);
    if (Closing.load() == 1) return;
    std::unique_lock<std::recursive_mutex> lock(CpuMutex, std::try_to_lock);
    if (!lock.owns_lock() || rebuilding.load()) {
        // Held for a reconfiguration: try again on the next wake-up.
        commandTimer.SetEnabled(true);
        return;
    }
    commands.RunPending();
}

void MachineOwner::TimerRefreshScreenTimer() {
    if (Closing.load() == 1) return;
    std::unique_lock<std::recursive_mutex> lock(tickMutex, std::try_to_lock);
    if (!lock.owns_lock() || rebuilding.load()) return;
    slice.ScreenTick();
}

void MachineOwner::TimerRefreshControlsTimer() {
    if (Closing.load() == 1) return;
    tags.Serve(MakeClosure<&MachineOwner::SetPause>(this), parts.debugger, parts.tapeBrowser);
    slice.ControlsTick(TapeBrowserTag.load() == TapeRequest::Idle);
}

void MachineOwner::SetPause(int state, int alsoRefreshTimers) {
    if (state == 0 && MonitorRomMissing()) {
        // No monitor ROM: nothing to run. A refused run still tells the view,
        // whose run item may have checked itself.
        state = 1;
        romHold = true;
        if (runState.load() == 1) {
            if (parts.view) parts.view->RunStateChanged(1, alsoRefreshTimers != 0);
            return;
        }
    }
    // The first run after a hold for the ROM starts every timer: the hold
    // may have stopped the screen timer and the view's, and the run that
    // ends it (a snapshot with its ROM, say) may ask for the CPU's alone.
    if (state == 0 && romHold.exchange(false)) alsoRefreshTimers = 1;
    if (state == runState.load()) return;
    std::lock_guard<std::recursive_mutex> lock(CpuMutex);
    if (state == runState.load()) return;
    runState.store(state);
    if (state == 1) {
        cpuTimer.SetEnabled(false);
        if (alsoRefreshTimers) {
            // A screen tick in progress ends before the pause does (the tick
            // never takes the CPU mutex, so it cannot wait for us).
            screenTimer.SetEnabled(false);
            screenTimer.WaitIdle();
        }
        if (parts.sound) parts.sound->Pause();
        if (parts.joystick) parts.joystick->ReleaseDevices(0);
        if (parts.view) parts.view->RunStateChanged(1, alsoRefreshTimers != 0);
    } else {
        // Keys typed while paused are not played now; one still held is pressed.
        parts.keyEvents.DropQueued();
        if (parts.view) parts.view->RunStateChanged(0, alsoRefreshTimers != 0);
        if (parts.joystick) parts.joystick->AcquireDevices();
        if (parts.sound) parts.sound->Resume();
        if (alsoRefreshTimers) screenTimer.SetEnabled(true);
        applier.UpdateCpuTimerPeriod();
        cpuTimer.SetEnabled(true);
    }
}

void MachineOwner::ClearPrinter() {
    std::lock_guard<std::recursive_mutex> lock(CpuMutex);
    if (parts.bt100) parts.bt100->Reset();
}

void MachineOwner::ResetMachine(int stopRecordings) {
    std::lock_guard<std::recursive_mutex> lock(CpuMutex);
    if (!parts.cpu) return;
    if (stopRecordings == 1 && parts.sound) parts.sound->StopWaveRecording();
    parts.cpu->Reset();
}

// ------------------------------------------------------------ forwarding

// The builder and the appliers read the configuration as one value, read
// here for each change; what they changed in it (a drive image that would
// not mount) goes back into the document.
void MachineOwner::ReadSettings() { parts.settings = ReadMachineSettings(ConfigRoot, JoyDevices.get()); }

void MachineOwner::WriteBackSettings() { WriteMachineSettings(ConfigRoot, parts.settings); }

void MachineOwner::BuildMachine(uint8_t fromSnapshot, int32_t romLength, const uint8_t* romData) {
    {
        Reconfiguration hold(*this);
        ReadSettings();
        const bool hadPmd32 = parts.pmd32 != nullptr;
        MachineBuilder::Build(parts, fromSnapshot, romLength, romData);
        if (hadPmd32) {
            std::vector<int> codes{ChangeCode::Pmd32Unit};
            applier.ApplyStorageSettings(codes);
        }
        WriteBackSettings();
    }
    HoldWithoutRom();
}

int MachineOwner::ApplySettings(std::vector<int>& codes) {
    int reset = 0;
    {
        Reconfiguration hold(*this);
        ReadSettings();
        reset = applier.Apply(codes);
        WriteBackSettings();
    }
    HoldWithoutRom();
    return reset;
}

void MachineOwner::HoldWithoutRom() {
    if (!MonitorRomMissing()) return;
    romHold = true;
    if (runState.load() == 0) SetPause(1, 1);
}

int MachineOwner::ApplySoundSettings(std::vector<int>& codes) {
    Reconfiguration hold(*this);
    ReadSettings();
    const int result = applier.ApplySoundSettings(codes);
    WriteBackSettings();
    return result;
}

void MachineOwner::SetSteadyInterrupts(bool on) {
    parts.steadyInterrupts = on;
    if (parts.mouse) parts.mouse->SetSteadyInterrupts(on);
}

int32_t MachineOwner::GetMouseInterruptPhase() const { return parts.mouse ? parts.mouse->InterruptPhase() : 0; }

void MachineOwner::SetMouseInterruptPhase(int32_t cycles) {
    if (parts.mouse) parts.mouse->SetInterruptPhase(cycles);
}
