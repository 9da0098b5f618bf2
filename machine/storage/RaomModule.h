#pragma once
// ROM/RAM module: a ROM filled from a ROM package plus a RAM disk kept in an
// image file on the host, both addressed through the module's own 8255.
// Version 0 "chtf": 64 KB ROM, 192 KB RAM disk; version 1 "kuvi": 256 KB each.
#include <cstdint>
#include <string>
#include <vector>

#include "machine/core/PeripheralDevice.h"
#include "machine/pio/ChipPIO8255.h"
#include "machine/storage/RomFile.h"

class RaomModule : public PeripheralDevice {
public:
    static constexpr int32_t kWindowSize = 16384;

    explicit RaomModule(int32_t version);
    ~RaomModule() override;

    // 88h, E8h data port; 98h-9Bh and F8h-FBh the 8255 (F8h reads the ROM).
    void WritePort(uint8_t port, uint8_t value, int32_t cycles) override;
    uint8_t ReadPort(uint8_t port, int32_t cycles) override;
    void Reset(int32_t cycles) override;

    // Copies count KB into the ROM at KB slot; false (nothing copied) when
    // slot >= romSize / 1024, count is 0 or slot + count > romSize / 1024.
    bool LoadRomPages(int slot, int count, const uint8_t* data);
    void ClearRom();
    // ClearRom, then the package's files in order from slot 0.
    void LoadPackage(const RomFileList& files);

    // Opens an existing image for reading and writing (never creates it);
    // false when it cannot be opened (the module then has no image).
    bool OpenFile(const std::string& path);
    // Writes a changed window back and closes the image.
    void CloseFile();
    // While on, changes to the RAM disk never reach the image file (action
    // playback): a pending change is written first, later ones are dropped
    // and the window is read again from the file when it is turned off.
    void SetDiscardWrites(bool on);
    bool GetDiscardWrites() const { return discardWrites; }

    bool HasImage() const { return image >= 0; }
    int32_t GetVersion() const { return version; }
    int32_t GetRomSize() const { return romSize; }
    int32_t GetRamSize() const { return ramSize; }
    int32_t GetAddress();  // linear address from the 8255 outputs

    ChipPIO8255 pio;

private:
    uint8_t DataRead();
    void DataWrite(uint8_t value);
    // Offset into the RAM disk, or -1 for none (ROM range, too far, no image).
    int32_t RamOffset(bool& inRom);
    void MoveWindow(int32_t offset);
    void LoadWindow();
    void WriteBack();

    int32_t version;
    int32_t address = 0;
    uint8_t controlCopy = 0;
    std::vector<uint8_t> rom;
    int32_t romSize;
    int image = -1;
    std::vector<uint8_t> window;
    int32_t windowBase = 0;
    int32_t ramSize;
    uint8_t dirty = 0;
    bool discardWrites = false;
};
