#pragma once
// PMD-32 floppy-disk unit on the general-purpose interface: talks to the
// computer over port A of the interface's 8255 in mode 2, keeps four drives
// whose disks are image files, and with the extended command set serves a
// host folder as its memory card.
#include <cstdint>
#include "machine/core/CycleHook.h"
#include <string>
#include <vector>

#include "machine/storage/SdCard.h"

class IifGPIO;
class ChipPIO8255;

class Pmd32 {
public:
    struct DRIVES {
        std::string name;       // image path, "/" separators
        int handle = -1;        // host file descriptor, -1 none
        uint8_t writeProtect = 1;
        uint8_t tracks = 0;     // 0 stands for 256 (no track check)
        uint8_t sectors = 0;
        uint8_t heads = 0;
    };

    static constexpr int32_t kTickCycles = 102;
    static constexpr int32_t kIdleCountdown = 2048000;

    explicit Pmd32(IifGPIO& gpio);
    ~Pmd32();
    Pmd32(const Pmd32&) = delete;
    Pmd32& operator=(const Pmd32&) = delete;

    void SetRoot(uint8_t extraCommands, const std::string& folder);
    // Result code: 0 mounted; 6 the file could not be opened; with the
    // extended commands also 9, 11, 12 from images.cfg. The drive is empty
    // after any failure; the last result stays readable (GetMountResult).
    int MountImage(int drive, const std::string& path, uint8_t writeProtect);
    void Unmount(int drive);
    void SetWriteProtect(int drive, uint8_t flag);
    // While on, sector writes, formatting and new images never reach the host
    // files (action playback); the commands answer as if they had.
    void SetDiscardWrites(bool on) { discardWrites = on; }
    bool GetDiscardWrites() const { return discardWrites; }
    // 0 idle, drive + 1 during a command, + 4 when it writes.
    int GetActivity() const { return activity; }

    // Result of the last MountImage of the drive (0 when never mounted).
    int GetMountResult(int drive) const;
    // True when a failed mount says nothing against the configured path
    // (images.cfg missing, malformed or without the extension's line), so the
    // caller keeps the path and reports the failure instead of clearing it.
    static bool MountFailureKeepsPath(int result);

    // Geometry for an image from images.cfg in the card's root: 0, 9, 11 or 12.
    int ReadImagesCfg(const std::string& imagePath, ImageGeometry& geometry) const;

    // Cycle hook: (slice clock, cycles of the previous instruction).
    void Tick(int32_t sliceClock, int32_t cycles);
    // Tick as the CPU's cycle hook.
    CycleHook TickHook() { return MakeClosure<&Pmd32::Tick>(this); }
    // Cycles until the next step of the unit's clock.
    int32_t Quiet() { return cycleAccumulator < kTickCycles ? kTickCycles - 1 - cycleAccumulator : 0; }
    QuietHook QuietMeasure() { return MakeClosure<&Pmd32::Quiet>(this); }

    // Interface hooks (installed on slot 0 of the interface).
    void BeforeGpioReset(int32_t cycles);
    void AfterGpioReset(int32_t cycles);
    // 8255 hooks.
    void OnControlWord(uint8_t control);
    void OnByteFromComputer(uint8_t oldValue, uint8_t newValue);

    const DRIVES& Drive(int index) const { return drives[index & 3]; }
    int GetState() const { return state; }
    uint8_t GetExtraCommands() const { return extraCommands; }
    const std::string& GetRoot() const { return sdRoot; }
    // False while no card folder is set.
    bool HasCard() const { return !sdRoot.empty(); }
    const std::string& GetCurrentDir() const { return currentDir; }
    const uint8_t* GetRam() const { return ram; }

private:
    ChipPIO8255& Pio();
    void Receive(uint8_t value);
    void Execute();
    void BeginData(int32_t bytes);
    bool SendByte(uint8_t value);

    int SectorOffset(const DRIVES& d, int sectorIndex, int64_t& offset) const;
    uint8_t ReadSector();
    uint8_t WriteSectors(int firstSector, int sectorCount, const uint8_t* data);
    uint8_t FormatTrack();

    uint8_t CmdGetDrive();
    uint8_t CmdMount();
    void CmdCurrentDir();
    void CmdList();
    uint8_t CmdChangeDir();
    uint8_t CmdNewImage();
    uint8_t CmdGeometry();
    std::string ReceivedString() const;
    bool CardPath(const std::string& name, std::string& relative, uint8_t& error) const;
    void SendName(const std::string& text, int at);

    IifGPIO& gpio;
    DRIVES drives[4];
    uint8_t drive = 0;
    uint8_t track = 0, sector = 0;
    int32_t address = 0, length = 0;
    uint8_t listNext = 0;
    uint8_t mountProtect = 0;
    uint8_t ram[1024] = {};
    uint8_t buffer[8192] = {};
    uint8_t* transfer = nullptr;
    uint8_t letter = 0;
    uint8_t checksum = 0;
    int32_t count = 0;
    uint8_t busy = 0;
    int32_t state = 0;
    int32_t cycleAccumulator = 0;
    int32_t countdown = kIdleCountdown;
    int32_t activity = 0;
    uint8_t extraCommands = 0;
    std::string sdRoot;
    std::string currentDir;
    std::string entry;
    std::vector<std::string> search;  // names of the open listing
    size_t searchNext = 0;
    bool searchOpen = false;
    int mountResult[4] = {};
    bool hooksInstalled = false;
    bool discardWrites = false;
};
