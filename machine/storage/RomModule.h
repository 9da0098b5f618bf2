#pragma once
// Plug-in ROM pack: 32 KB read through the module's own 8255. The CPU sets a
// 15-bit address on ports B (low) and C (high) and reads the byte on port A.
#include <cstdint>
#include <vector>

#include "machine/core/PeripheralDevice.h"
#include "machine/pio/ChipPIO8255.h"
#include "machine/storage/RomFile.h"

class RomModule : public PeripheralDevice {
public:
    static constexpr int kSlots = 32;  // of 1 KB

    RomModule();
    ~RomModule() override;

    // port AND 8Fh = 88h..8Bh: 8255 register 0..3; other ports ignored / FFh.
    void WritePort(uint8_t port, uint8_t value, int32_t cycles) override;
    uint8_t ReadPort(uint8_t port, int32_t cycles) override;
    void Reset(int32_t cycles) override;

    // Copies count KB into slots slot..slot+count-1; false (nothing copied)
    // when slot > 31, count is 0 or slot + count > 32.
    bool LoadRom(int slot, int count, const uint8_t* data);
    void ClearRom();
    // ClearRom, then the package's files in order from slot 0.
    void LoadPackage(const RomFileList& files);

    ChipPIO8255 pio;
    const uint8_t* GetRom() const { return rom.data(); }

private:
    void OnPortARead();

    std::vector<uint8_t> rom;
};
