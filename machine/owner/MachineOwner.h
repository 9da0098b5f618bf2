#pragma once
// The machine owner: holds every part of the emulated computer and the locks
// that guard it, and carries the main window's machine commands. Each job
// behind it has its own room: the builder (MachineBuilder), the settings
// applier (SettingsApplier), the slice runner (SliceRunner) and the request
// words (TagRequests), the windows' command queue (CommandQueue). What the owner needs from windows comes through the
// links in OwnerLinks.h.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "machine/owner/CommandQueue.h"
#include "machine/owner/MachineBuilder.h"
#include "machine/owner/MachineParts.h"
#include "machine/owner/OwnerLinks.h"
#include "machine/owner/SettingsApplier.h"
#include "machine/owner/SliceRunner.h"
#include "machine/owner/TagRequests.h"
#include "platform/PreciseTimer.h"

class MachineOwner {
public:
    static constexpr int32_t kSliceCycles = SliceRunner::kSliceCycles;
    static constexpr int kScreenIntervalMs = SliceRunner::kScreenIntervalMs;
    static constexpr int kRomBufferSize = MachineBuilder::kRomBufferSize;

    // Creates the screen (size mode 0) and both timers, disabled.
    MachineOwner();
    // Shutdown, then frees every part.
    ~MachineOwner();
    MachineOwner(const MachineOwner&) = delete;
    MachineOwner& operator=(const MachineOwner&) = delete;

    // Links; each may be null.
    void SetDebugger(DebuggerLink* link) { parts.debugger = link; }
    void SetTapeBrowser(TapeBrowserLink* link);
    void SetView(OwnerView* link) { parts.view = link; }
    void SetRecording(RecordingLink* link) { parts.recording = link; }
    // Playback: writes to the RAM disk image, the disk images and the card,
    // and recorded tape blocks go nowhere while on (also for devices made later).
    void SetDiscardHostWrites(bool on) {
        parts.discardHostWrites = on;
        parts.ApplyDiscardHostWrites();
    }
    bool GetDiscardHostWrites() const { return parts.discardHostWrites; }
    // While a recording runs or plays back, the mouse interrupts on emulated
    // time alone (also a mouse made later); its phase in that time.
    void SetSteadyInterrupts(bool on);
    int32_t GetMouseInterruptPhase() const;
    void SetMouseInterruptPhase(int32_t cycles);
    // Where the video interrupt stands in emulated time: slices since the last one.
    int32_t GetVideoInterruptPhase() const { return slice.VideoInterruptPhase(); }
    void SetVideoInterruptPhase(int32_t phase) { slice.SetVideoInterruptPhase(phase); }
    // The host key state of this machine, filled by the main window.
    HostKeyState& Keys() { return parts.keys; }
    // The main window posts its key events here; they reach Keys() at the
    // next slice boundaries (KeyEventQueue).
    KeyEventQueue& KeyEvents() { return parts.keyEvents; }
    // Makes the sound driver for ApplySoundSettings (device index, channels,
    // volumes); by default a PortAudio driver on that device.
    using SoundFactory = MachineParts::SoundFactory;
    void SetSoundFactory(SoundFactory factory) { parts.soundFactory = std::move(factory); }

    // Builder and appliers. Each holds the machine for the whole change.
    // A direct rebuild makes a connected disk unit again on the new core.
    void BuildMachine(uint8_t fromSnapshot, int32_t romLength, const uint8_t* romData);
    int ApplySoundSettings(std::vector<int>& codes);
    // Brings the machine in line with the configuration for the change codes
    // (1-36); codes may grow. Returns 1 when the machine must be reset.
    int ApplySettings(std::vector<int>& codes);

    // Timer handlers (called by the timers; tests and the benchmark call them directly).
    void PreciseTimerCpuTimer();
    void TimerRefreshScreenTimer();
    // The machine's part of the 20 ms controls tick (user-interface thread):
    // the two request words, whether the keyboard is free, LEDs, disk and
    // tape icons. The key matrix itself is written by the slices alone.
    void TimerRefreshControlsTimer();

    // A window's command: work runs on the emulation thread under the CPU
    // mutex at the next slice boundary, also while the machine is paused,
    // in the order posted; then answer (may be empty) runs on the thread of
    // the answer poster. Any thread may post; a command posted while closing
    // never runs. The work must not reach the windows (nor call what tells
    // the view, such as SetPause or a build): that belongs in the answer.
    void Post(CommandQueue::Work work, CommandQueue::Work answer = {});
    // The shell hands answers to its user-interface thread; without a poster
    // an answer runs on the emulation thread right after its command.
    void SetAnswerPoster(CommandQueue::AnswerPoster poster) { commands.SetAnswerPoster(std::move(poster)); }
    // The command wake-up while the CPU does not run (timer thread; tests call it).
    void RunCommands();

    // state 0 runs (unless the monitor ROM is missing), 1 pauses.
    void SetPause(int state, int alsoRefreshTimers);
    void ResetMachine(int stopRecordings);
    // Closing: stops both timers and joins the timer thread. Nothing is freed
    // here; the destructor frees the parts afterwards.
    void Shutdown();

    // Holds the machine against the timer thread for a whole reconfiguration
    // (rebuild, snapshot load, model change). Nests on one thread.
    class Reconfiguration {
    public:
        explicit Reconfiguration(MachineOwner& owner);
        ~Reconfiguration();
        Reconfiguration(const Reconfiguration&) = delete;
        Reconfiguration& operator=(const Reconfiguration&) = delete;

    private:
        MachineOwner& owner;
        bool outer;
    };

    // Holds the machine paused while a dialog is open or a file is read
    // (SetPause(1, timers) at the start). When the hold ends it runs the
    // machine again by its rule: Always, or IfWasRunning (only when it ran
    // as the hold began), with the same timers flag. Keep() ends the hold
    // leaving the machine paused; Release() ends it now by its rule. Holds nest.
    class PauseHold {
    public:
        enum Resume { Always, IfWasRunning };
        PauseHold(MachineOwner& owner, int alsoRefreshTimers, Resume rule);
        ~PauseHold() { Release(); }
        PauseHold(const PauseHold&) = delete;
        PauseHold& operator=(const PauseHold&) = delete;
        // The run state as the hold began (0 running).
        int StateBefore() const { return before; }
        void Keep() { held = false; }
        void Release();

    private:
        MachineOwner& owner;
        int timers;
        Resume rule;
        int before;
        bool held = true;
    };

    // The configuration name of a model ("Model-1" ...), "" outside 0-7.
    static const char* ModelName(int model) { return MachineBuilder::ModelName(model); }
    // Percentage shown for busyUs microseconds in slices within elapsedMs.
    static int CpuUsagePercent(int64_t busyUs, int64_t elapsedMs) {
        return SliceRunner::CpuUsagePercent(busyUs, elapsedMs);
    }

    // Parts (null when absent).
    ChipCpu8080* GetCpu() const { return parts.cpu.get(); }
    ChipMemory* GetMemory() const { return parts.memory.get(); }
    SystemPIO* GetSystemPio() const { return parts.systemPio.get(); }
    IifGPIO* GetGpio() const { return parts.gpio.get(); }
    IifTimer* GetTimerIf() const { return parts.timerIf.get(); }
    IifTape* GetTape() const { return parts.tape.get(); }
    ScreenDAD85* GetScreen() const { return parts.screen.get(); }
    SoundDriver* GetSoundDriver() const { return parts.sound.get(); }
    RomModule* GetRomModule() const { return parts.romModule.get(); }
    // The settings the machine was last built or configured from.
    const MachineSettings& Settings() const { return parts.settings; }
    RaomModule* GetRaomModule() const { return parts.raomModule.get(); }
    Pmd32* GetPmd32() const { return parts.pmd32.get(); }
    // The disk images that failed to mount since the last call (and forgets them).
    std::vector<MachineParts::MountFailure> TakePmd32MountFailures() { return std::exchange(parts.pmd32MountFailures, {}); }
    // The sound device that could not be opened since the last call, -1 when none.
    int TakeSoundOpenFailure() { return std::exchange(parts.soundOpenFailure, -1); }
    IfMusica* GetMusica() const { return parts.musica.get(); }
    Mif85* GetMif85() const { return parts.mif85.get(); }
    Joy4004482* GetJoystick() const { return parts.joystick.get(); }
    MouseBase* GetMouse() const { return parts.mouse.get(); }
    Bt100* GetBt100() const { return parts.bt100.get(); }
    Bt100Lpt* GetBt100Lpt() const { return parts.bt100Lpt.get(); }
    // The paper window (may be null); attached to a drawn BT100 by code 31.
    void SetPrinterPaper(PrinterPaperLink* link) { parts.printerPaper = link; }
    // The paper window's Clear: resets the drawn BT100 while the machine is held.
    void ClearPrinter();
    int GetModel() const { return parts.model; }
    uint8_t GetRam256k() const { return parts.ram256k; }
    uint8_t GetVideoInterruptOption() const { return parts.videoInterrupt; }
    int32_t GetMonitorRomSize() const { return parts.monitorRomSize; }
    // The built machine has no monitor ROM (none chosen for the model, the
    // file missing, empty or refused). Such a machine never runs: SetPause(0)
    // leaves it paused, and a build or settings change that leaves it without
    // one pauses it. False before the first build.
    bool MonitorRomMissing() const { return parts.cpu && !parts.monitorRomLoaded; }
    int GetRunState() const { return runState.load(); }
    int32_t GetSliceCount() const { return slice.SliceCount(); }
    // A recording starts counting slices afresh (its periodic flush every 200).
    void ResetSliceCount() { slice.ResetSliceCount(); }
    TPreciseTimer& CpuTimer() { return cpuTimer; }
    TPreciseTimer& ScreenTimer() { return screenTimer; }

private:
    // Declared before the public references into them below.
    MachineParts parts;
    TagRequests tags;

public:
    // Compatibility mode of Model-3.
    std::atomic<uint8_t>& CompatibilityMode = parts.compatibilityMode;

    // Shared with the windows.
    std::atomic<int> Closing{0};
    std::atomic<int>& DebuggerTag = tags.debugger;        // FormDebugger.Tag
    std::atomic<int>& TapeBrowserTag = tags.tapeBrowser;  // FormTapeBrowser.Tag
    // The emulation thread's side of a tape request, called by the tape
    // browser's event handler inside the slice: 10 stop the tape (event 1),
    // 6 ask for a new tape file (event 5), 8 append the recorded block
    // (event 6). Queues the request and returns 1, the answer to the tape
    // interface, at once; the CPU holds after the instruction and runs again
    // once the controls tick has served every queued request.
    uint8_t RaiseTapeRequest(int request) { return tags.RaiseTapeRequest(request); }
    bool TapeRequestWaiting() const { return tags.TapeRequestWaiting(); }

    // Held for a whole CPU slice, by SetPause and by a reconfiguration.
    std::recursive_mutex CpuMutex;

private:
    void ReadSettings();
    void WriteBackSettings();
    friend class Reconfiguration;
    // After a build or a settings change: a machine left without its monitor
    // ROM stops running.
    void HoldWithoutRom();

    TPreciseTimer cpuTimer;
    TPreciseTimer screenTimer;
    // Wakes the timer thread for posted commands; enabled by Post, off once served.
    TPreciseTimer commandTimer;
    CommandQueue commands;
    SettingsApplier applier{parts, cpuTimer};
    SliceRunner slice{parts, tags.debugger, tags.TapeHold()};

    std::atomic<int> runState{-1};
    std::atomic<bool> romHold{false};  // paused or refused for a missing monitor ROM since the last run
    // Reconfiguration state.
    std::recursive_mutex tickMutex;  // held by the screen tick and by a reconfiguration
    std::atomic<int> reconfigDepth{0};
    std::atomic<bool> rebuilding{false};
    bool shutDown = false;
};
