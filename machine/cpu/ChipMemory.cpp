#include "machine/cpu/ChipMemory.h"

#include <algorithm>
#include <cstring>

ChipMemory::ChipMemory(uint8_t romSizeKb)
    : romSizeKb(romSizeKb), romSize(romSizeKb * 1024) {
    // Whole 8 KB pages and at least 16 KB, so that no page of any mapping
    // can point past the buffer; the padding reads FFh.
    romBufferSize = std::max<int32_t>(16 * 1024, (romSize + 0x1FFF) & ~0x1FFF);
    rom = new uint8_t[romBufferSize];
    std::memset(rom, 0xFF, romBufferSize);
}

ChipMemory::~ChipMemory() {
    delete[] rom;
    delete[] ram;
}

uint8_t ChipMemory::GetPagingRegister() { return 0; }

void ChipMemory::SetPagingRegister(uint8_t) {}

void ChipMemory::CreateRam(int32_t size) {
    delete[] ram;
    ram = new uint8_t[size];
    std::memset(ram, 0, size);
    ramSize = size;
}

void ChipMemory::SetAllRamFlag(uint8_t value) {
    allRamFlag = value ? 1 : 0;
    UpdateFastTables();
}

void ChipMemory::SetRemapFlag(uint8_t value) {
    remapFlag = value ? 1 : 0;
    UpdateFastTables();
}

void ChipMemory::UpdateFastTables() {
    constexpr int32_t pageSize = 1 << FastPageShift;
    for (int i = 0; i < FastPageCount; i++) {
        uint8_t* p = nullptr;
        fastRead[i] = GetPointer(i * pageSize, pageSize, &p, ModeRead) == pageSize ? p : nullptr;
        p = nullptr;
        fastWrite[i] = GetPointer(i * pageSize, pageSize, &p, ModeWrite) == pageSize ? p : nullptr;
    }
}

uint8_t ChipMemory::ReadByteSlow(int32_t address) {
    uint8_t* p = nullptr;
    if (GetPointer(address, 1, &p, ModeRead) < 1 || !p) return 0xFF;
    return *p;
}

void ChipMemory::WriteByteSlow(int32_t address, uint8_t value) {
    uint8_t* p = nullptr;
    if (GetPointer(address, 1, &p, ModeWrite) < 1 || !p) return;
    *p = value;
}

bool ChipMemory::LoadRom(const uint8_t* data, int32_t length) {
    if (!data || length < 1 || length > romSize) return false;
    std::memcpy(rom, data, length);
    std::memset(rom + length, 0xFF, romSize - length);
    return true;
}

static bool BlockArgsValid(int32_t address, int32_t length) {
    return address >= 0 && address <= 0xFFFF && length >= 1 && length <= 0x10000 &&
           address + length <= 0x10000;
}

bool ChipMemory::ReadBlock(int32_t address, uint8_t* destination, int32_t length) {
    if (!destination || !BlockArgsValid(address, length)) return false;
    while (length > 0) {
        uint8_t* p = nullptr;
        int32_t run = GetPointer(address, length, &p, ModeRead);
        if (run < 1) return false;
        run = std::min(run, length);
        if (p)
            std::memcpy(destination, p, run);
        else
            std::memset(destination, 0xFF, run);
        destination += run;
        address += run;
        length -= run;
    }
    return true;
}

bool ChipMemory::WriteBlock(int32_t address, const uint8_t* source, int32_t length) {
    if (!source || !BlockArgsValid(address, length)) return false;
    while (length > 0) {
        uint8_t* p = nullptr;
        int32_t run = GetPointer(address, length, &p, ModeWrite);
        if (run < 1) return false;
        run = std::min(run, length);
        if (p) std::memcpy(p, source, run);
        source += run;
        address += run;
        length -= run;
    }
    return true;
}
