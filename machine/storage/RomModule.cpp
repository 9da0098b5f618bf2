#include "machine/storage/RomModule.h"

#include <cstring>

RomModule::RomModule() : pio(0), rom(kSlots * 1024, 0xFF) {
    pio.SetInputHook(ChipPIO8255::kPortA, MakeClosure<&RomModule::OnPortARead>(this));
    // The chip must not start in an undefined state.
    pio.Reset(0);
}

RomModule::~RomModule() { pio.ClearHooks(); }

void RomModule::WritePort(uint8_t port, uint8_t value, int32_t) {
    uint8_t p = port & 0x8F;
    if (p >= 0x88 && p <= 0x8B) pio.Write(p - 0x88, value);
}

uint8_t RomModule::ReadPort(uint8_t port, int32_t cycles) {
    uint8_t p = port & 0x8F;
    if (p >= 0x88 && p <= 0x8B) return pio.Read(p - 0x88, cycles);
    return 0xFF;
}

void RomModule::Reset(int32_t) { pio.Reset(0); }

bool RomModule::LoadRom(int slot, int count, const uint8_t* data) {
    if (slot < 0 || slot > kSlots - 1 || count <= 0 || slot + count > kSlots || !data) return false;
    std::memcpy(rom.data() + slot * 1024, data, static_cast<size_t>(count) * 1024);
    return true;
}

void RomModule::ClearRom() { std::memset(rom.data(), 0xFF, rom.size()); }

void RomModule::LoadPackage(const RomFileList& files) {
    ClearRom();
    LoadRomFileList(files, kSlots,
                    RomPageLoader([](void* o, int slot, int count, const uint8_t* data) {
                        return static_cast<RomModule*>(o)->LoadRom(slot, count, data);
                    }, this));
}

void RomModule::OnPortARead() {
    uint32_t address = static_cast<uint32_t>(pio.GetPortOutput(2)) << 8 | pio.GetPortOutput(1);
    uint8_t value = (address & 0x8000) ? 0xFF : rom[address];
    pio.SetPortInput(0, value);
}
