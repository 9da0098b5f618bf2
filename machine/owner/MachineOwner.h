#pragma once
// The machine owner: holds every part of the emulated computer, builds it from
// the configuration and runs it on the timer thread (CPU slice and screen
// tick). The main window holds one and forwards its commands to it; what the
// owner needs from windows comes through the small link interfaces below.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "machine/storage/RomFile.h"
#include "platform/PreciseTimer.h"

class ChipCpu8080;
class ChipMemory;
class SystemPIO;
class IifGPIO;
class IifTimer;
class IifTape;
class ScreenDAD85;
class SoundDriver;
class RomModule;
class RaomModule;
class Pmd32;
class IfMusica;

// The debugger's side of the CPU slice.
class DebuggerLink {
public:
    // 1 when an active breakpoint stands at pc.
    virtual int IsBreakpoint(uint16_t pc) = 0;
    // Executes one instruction, stores its cycles; 1 when the step over or
    // step out is complete.
    virtual int StepWatchingReturn(int32_t& cycles) = 0;
    // False when no breakpoint is active; asked once per slice, so that a
    // slice without breakpoints skips IsBreakpoint.
    virtual bool AnyBreakpoint() { return true; }
    // Pauses and opens the debugger (stop request seen by the controls tick).
    virtual void OpenDebugger() {}

protected:
    ~DebuggerLink() = default;
};

// The tape browser's side of the machine.
class TapeBrowserLink {
public:
    // The tape interface to drive; null while there is none.
    virtual void SetTapeDevice(IifTape* tape) = 0;
    // False on the model without a tape interface: hide the window and its menu item.
    virtual void SetAvailable(bool available) {}
    virtual bool IsActiveWindow() { return false; }
    virtual void NewTapeFile() {}          // request 6
    virtual void AppendRecordedBlock() {}  // request 8
    virtual void StopTape() {}             // request 10
    virtual void PeriodicUpdate() {}

protected:
    ~TapeBrowserLink() = default;
};

// An attached action recording, as far as the CPU slice needs it.
class RecordingLink {
public:
    virtual bool IsRecording() const = 0;
    virtual void Flush() = 0;

protected:
    ~RecordingLink() = default;
};

// What the owner tells the main window. Calls made from the timer thread
// (RepaintScreen, ShowCpuUsage, Relayout) must be posted to the GUI thread by
// the implementation; the others come from the thread that called the owner.
class OwnerView {
public:
    virtual void RepaintScreen() {}
    virtual void ShowCpuUsage(const std::string& text) {}
    virtual void Relayout() {}
    // Run state changed by SetPause: paused 1/0, whether the screen and
    // controls timers follow. The window switches the button image, the
    // joystick devices, its controls timer and the paused menu check.
    virtual void RunStateChanged(int paused, bool alsoRefreshTimers) {}
    virtual void ShowModel(int model) {}
    virtual void ShowMute(bool mute) {}
    virtual void SetLed(int index, bool on) {}  // 0 yellow, 1 red, 2 blue
    virtual void ShowDiskIcon(int image) {}
    virtual void ShowTapeIcon(int image) {}
    // The debugger's panel hints on or off (change code 28).
    virtual void ShowDebuggerHints(bool show) {}

protected:
    ~OwnerView() = default;
};

// The settings dialog's module controls, filled by the dialog.
struct ModuleSelection {
    bool romModuleInserted = false;  // CheckInsertRm
    bool raomEnabled = false;        // CheckRaomEnable
    int raomVersion = 0;             // CbRaomVer index
    std::string raomImage;           // EditRaom (stored form)
    RomFileList romModuleFiles;      // file list of the ROM module's package
    RomFileList raomFiles;           // file list of the ROM/RAM module's package
};

class MachineOwner {
public:
    enum : int {
        kModel1 = 0, kModel2 = 1, kModel2A = 2, kModel3 = 3,
        kModelMato = 4, kModelAlfa = 5, kModelAlfa2 = 6, kModelC2717 = 7,
    };
    static constexpr int32_t kSliceCycles = 4096;
    static constexpr int kScreenIntervalMs = 4;
    static constexpr int kRomBufferSize = 16384;

    // Creates the screen (size mode 0) and both timers, disabled.
    MachineOwner();
    // Shutdown, then frees every part.
    ~MachineOwner();
    MachineOwner(const MachineOwner&) = delete;
    MachineOwner& operator=(const MachineOwner&) = delete;

    // Links; each may be null.
    void SetDebugger(DebuggerLink* link) { debugger = link; }
    void SetTapeBrowser(TapeBrowserLink* link);
    void SetView(OwnerView* link) { view = link; }
    void SetRecording(RecordingLink* link) { recording = link; }
    ModuleSelection& Modules() { return modules; }
    // Makes the sound driver for ApplySoundSettings (device index, channels,
    // volumes); by default a PortAudio driver on that device.
    using SoundFactory = std::function<std::unique_ptr<SoundDriver>(int, int, std::span<const int>)>;
    void SetSoundFactory(SoundFactory factory) { soundFactory = std::move(factory); }

    // Builder and appliers. Each holds the machine for the whole change.
    void BuildMachine(uint8_t fromSnapshot, int32_t romLength, const uint8_t* romData);
    int ApplySoundSettings(std::vector<int>& codes);
    int ApplyMusicaInterface(std::vector<int>& codes);
    int ApplyMif85Interface(std::vector<int>& codes);
    int ApplyStorageSettings(std::vector<int>& codes);
    void SetRomModule(uint8_t inserted, uint8_t ramVariant);
    // Brings the machine in line with the configuration for the change codes
    // (1-36); codes may grow. Returns 1 when the machine must be reset.
    int ApplySettings(std::vector<int>& codes);

    // Timer handlers (called by the timers; tests and the benchmark call them directly).
    void PreciseTimerCpuTimer();
    void TimerRefreshScreenTimer();
    // The machine's part of the 20 ms controls tick (user-interface thread):
    // the two request words, keyboard scan, LEDs, disk and tape icons.
    void TimerRefreshControlsTimer();

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

    // The configuration name of a model ("Model-1" ...), "" outside 0-7.
    static const char* ModelName(int model);
    // Percentage shown for busyUs microseconds in slices within elapsedMs.
    static int CpuUsagePercent(int64_t busyUs, int64_t elapsedMs);

    // Parts (null when absent).
    ChipCpu8080* GetCpu() const { return cpu.get(); }
    ChipMemory* GetMemory() const { return memory.get(); }
    SystemPIO* GetSystemPio() const { return systemPio.get(); }
    IifGPIO* GetGpio() const { return gpio.get(); }
    IifTimer* GetTimerIf() const { return timerIf.get(); }
    IifTape* GetTape() const { return tape.get(); }
    ScreenDAD85* GetScreen() const { return screen.get(); }
    SoundDriver* GetSoundDriver() const { return sound.get(); }
    RomModule* GetRomModule() const { return romModule.get(); }
    RaomModule* GetRaomModule() const { return raomModule.get(); }
    Pmd32* GetPmd32() const { return pmd32.get(); }
    IfMusica* GetMusica() const { return musica.get(); }
    int GetModel() const { return model; }
    uint8_t GetRam256k() const { return ram256k; }
    uint8_t GetVideoInterruptOption() const { return videoInterrupt; }
    int32_t GetMonitorRomSize() const { return monitorRomSize; }
    int GetRunState() const { return runState.load(); }
    int32_t GetSliceCount() const { return sliceCount.load(); }
    TPreciseTimer& CpuTimer() { return cpuTimer; }
    TPreciseTimer& ScreenTimer() { return screenTimer; }

    // Compatibility mode of Model-3 and the video-interrupt option for the next build.
    std::atomic<uint8_t> CompatibilityMode{0};
    std::atomic<uint8_t> VideoInterruptOption{0};

    // Shared with the windows.
    std::atomic<int> Closing{0};
    std::atomic<int> DebuggerTag{0};     // FormDebugger.Tag
    std::atomic<int> TapeBrowserTag{0};  // FormTapeBrowser.Tag
    // The emulation thread's side of a tape request, called by the tape
    // browser's event handler inside the slice: 10 stop the tape (event 1),
    // 6 ask for a new tape file (event 5), 8 append the recorded block
    // (event 6). Writes the request, sleeps 25, 500 or 50 ms, and sleeps again
    // while the controls tick holds the acknowledgement (request + 1).
    // Other values do nothing. Returns 1, the answer to the tape interface.
    uint8_t RaiseTapeRequest(int request);

    // Held for a whole CPU slice, by SetPause and by a reconfiguration.
    std::recursive_mutex CpuMutex;

private:
    friend class Reconfiguration;
    void DeleteCore();
    void BlockTrap(uint16_t pc);
    void ByteTrap(uint16_t pc);
    void BindSoundSinks();
    void UpdateCpuTimerPeriod();
    void RemoveModulePort(void* device);
    void DeletePmd32();
    void DeleteRomModule();
    void DeleteRaomModule();
    void DeleteMusica();
    void AttachMusica();
    static int64_t NowMs();
    static int64_t NowUs();

    std::unique_ptr<ScreenDAD85> screen;
    std::unique_ptr<SoundDriver> sound;
    std::unique_ptr<ChipMemory> memory;
    std::unique_ptr<ChipCpu8080> cpu;
    std::unique_ptr<SystemPIO> systemPio;
    std::unique_ptr<IifGPIO> gpio;
    std::unique_ptr<IifTimer> timerIf;
    std::unique_ptr<IifTape> tape;
    std::unique_ptr<RomModule> romModule;
    std::unique_ptr<RaomModule> raomModule;
    std::unique_ptr<Pmd32> pmd32;
    std::unique_ptr<IfMusica> musica;

    int model = 0;
    uint8_t ram256k = 0;
    uint8_t videoInterrupt = 0;
    int32_t monitorRomSize = 0;

    DebuggerLink* debugger = nullptr;
    TapeBrowserLink* tapeBrowser = nullptr;
    OwnerView* view = nullptr;
    RecordingLink* recording = nullptr;
    ModuleSelection modules;
    SoundFactory soundFactory;

    std::atomic<int> runState{-1};
    std::atomic<int64_t> busyUs{0};
    std::atomic<int32_t> sliceCount{0};

    // Reconfiguration state.
    std::recursive_mutex tickMutex;  // held by the screen tick and by a reconfiguration
    std::atomic<int> reconfigDepth{0};
    std::atomic<bool> rebuilding{false};

    // Screen-tick state (timer thread).
    int phase = 0;
    int blinkAccumulator = 0;
    bool firstScreenTick = true;
    int64_t nextUsageMs = 0;

    // Controls-tick state (user-interface thread).
    int diskShown = 0;
    int diskHold = 0;
    int tapeShown = 0;

    bool shutDown = false;
    TPreciseTimer cpuTimer;
    TPreciseTimer screenTimer;
};
