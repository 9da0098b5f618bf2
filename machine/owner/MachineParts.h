#pragma once
// The parts of one emulated machine with their places on the CPU, and the
// links to the windows. The machine owner holds one; its builder, settings
// applier and slice runner work on it.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "machine/cpu/DeviceAttachment.h"
#include "machine/owner/MachineSettings.h"
#include "machine/owner/OwnerLinks.h"
#include "machine/pio/KeyEventQueue.h"
#include "platform/KeyState.h"

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
class Mif85;
class Joy4004482;
class MouseBase;
class Bt100;
class Bt100Lpt;

struct MachineParts {
    // Makes the sound driver (device index, channels, volumes).
    using SoundFactory = std::function<std::unique_ptr<SoundDriver>(int, int, std::span<const int>)>;

    MachineParts();
    ~MachineParts();
    MachineParts(const MachineParts&) = delete;
    MachineParts& operator=(const MachineParts&) = delete;

    // Removes every device from the CPU (the CPU itself stays).
    void DetachAll();
    // Points every sound-producing device at the driver's level writer (or none).
    void BindSoundSinks();
    // Map the optional device that exists on the current CPU.
    void PlaceRomModule();
    void PlaceRaomModule();
    // Also routes the timer's counter 0 to Musica; a model without the timer
    // interface has no Musica, so it is deleted there.
    void PlaceMusica();
    // Maps the MIF 85 interface, hands the timer its interrupt hook and the
    // sound driver its generator; without a sound driver it is deleted.
    void PlaceMif85();
    // Deletes the joystick, the mouse and both printers with their places
    // (before the interface they sit on goes), and detaches the paper window.
    void DeletePeripherals();

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
    std::unique_ptr<Mif85> mif85;
    // On the general-purpose interface: declared after it, so they go first.
    std::unique_ptr<Joy4004482> joystick;
    std::unique_ptr<Bt100> bt100;
    std::unique_ptr<Bt100Lpt> bt100Lpt;
    std::unique_ptr<MouseBase> mouse;

    // Places on the CPU; declared after it, so they go first.
    DeviceAttachment systemPioPlace, gpioPlace, timerPlace, tapePlace, pagingPlace, screenPlace;
    DeviceAttachment romModulePlace, raomModulePlace, pmd32Place, musicaPlace;
    DeviceAttachment mif85Place, mousePlace, bt100Place;

    int model = 0;
    uint8_t ram256k = 0;
    uint8_t videoInterrupt = 0;  // the video-interrupt option (builder, change code 36)
    int32_t monitorRomSize = 0;
    // The last build found a monitor ROM (file or snapshot); without one the
    // owner keeps the machine paused.
    bool monitorRomLoaded = false;
    // Model-3 compatibility mode.
    std::atomic<uint8_t> compatibilityMode{0};

    // The host keys this machine's keyboard scan reads, and the host's key
    // events on their way into them (applied at slice boundaries).
    HostKeyState keys;
    KeyEventQueue keyEvents;

    DebuggerLink* debugger = nullptr;
    TapeBrowserLink* tapeBrowser = nullptr;
    OwnerView* view = nullptr;
    RecordingLink* recording = nullptr;
    // During an action playback the RAM disk, the disk unit and the tape
    // recogniser keep their host files untouched (also devices made later).
    bool discardHostWrites = false;
    // A recording runs or plays back: device interrupts follow emulated time alone.
    bool steadyInterrupts = false;
    void ApplyDiscardHostWrites();
    PrinterPaperLink* printerPaper = nullptr;

    // Disk images the storage applier could not mount, until the window takes them.
    struct MountFailure {
        int drive = 0;     // 0..3, A..D
        std::string path;  // absolute
        int result = 0;    // the unit's result code
    };
    std::vector<MountFailure> pmd32MountFailures;
    // The sound device the sound applier could not open, -1 when none, until
    // the window takes it.
    int soundOpenFailure = -1;
    // The configuration the builder and the appliers read.
    MachineSettings settings;
    SoundFactory soundFactory;
};
