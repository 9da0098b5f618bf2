#include "machine/cpu/ChipMemoryModels.h"

#include <algorithm>

namespace {

constexpr int32_t KB = 1024;

bool ArgsValid(int32_t address, int32_t length, int mode) {
    return address >= 0 && address <= 0xFFFF && length >= 1 && length <= 0x10000 &&
           (mode == ChipMemory::ModeRead || mode == ChipMemory::ModeWrite);
}

// Looks an address up in a table of equal pages.
int32_t TablePointer(uint8_t* const* table, int shift, int32_t address, int32_t length,
                     uint8_t** pointer) {
    const int32_t pageSize = 1 << shift;
    uint8_t* base = table[address >> shift];
    if (!base) {
        *pointer = nullptr;
        return -1;
    }
    const int32_t offset = address & (pageSize - 1);
    *pointer = base + offset;
    return std::min(length, pageSize - offset);
}

int32_t Refuse(uint8_t** pointer) {
    if (pointer) *pointer = nullptr;
    return -1;
}

}  // namespace

// ---------------------------------------------------------------- 1, 2, ...

ChipMemory12::ChipMemory12(uint8_t romSizeKb) : ChipMemory(romSizeKb) { CreateRam(48 * KB); }

void ChipMemory12::SetPage(int page, uint8_t* pointer, uint8_t mask) {
    pages[page] = pointer;
    masks[page] = pointer ? mask : 0;
}

void ChipMemory12::Reset() {
    constexpr uint8_t R = AccessRead, RW = AccessRead | AccessWrite;
    for (int i = 0; i < 16; i++) SetPage(i, nullptr, 0);
    SetPage(0x0, rom, R);
    SetPage(0x2, rom, R);
    SetPage(0x8, rom, R);
    SetPage(0xA, rom, R);
    for (int i = 0; i < 4; i++) {
        SetPage(0x4 + i, ram + 0x8000 + i * 0x1000, RW);
        SetPage(0xC + i, ram + 0x8000 + i * 0x1000, RW);
    }
    bootFlag = 1;
    UpdateFastTables();
}

void ChipMemory12::EndBootMapping() {
    if (!bootFlag) return;
    constexpr uint8_t R = AccessRead, RW = AccessRead | AccessWrite;
    for (int i = 0; i < 8; i++) SetPage(i, ram + i * 0x1000, RW);
    const bool over4 = romSize > 4 * KB, over8 = romSize > 8 * KB, over12 = romSize > 12 * KB;
    SetPage(0x8, rom, R);
    SetPage(0x9, over4 ? rom + 0x1000 : nullptr, R);
    SetPage(0xA, over8 ? rom + 0x2000 : rom, R);
    SetPage(0xB, over12 ? rom + 0x3000 : (over4 && !over8 ? rom + 0x1000 : nullptr), R);
    for (int i = 0; i < 4; i++) SetPage(0xC + i, ram + 0x8000 + i * 0x1000, RW);
    bootFlag = 0;
    UpdateFastTables();
}

uint8_t* ChipMemory12::GetVideoRam() { return ram + 0x8000; }

int32_t ChipMemory12::GetPointer(int32_t address, int32_t length, uint8_t** pointer, int mode) {
    if (!pointer) return -1;
    if (!ArgsValid(address, length, mode)) return Refuse(pointer);
    const int page = address >> 12;
    if (!(masks[page] & mode)) return Refuse(pointer);
    return TablePointer(pages, 12, address, length, pointer);
}

// ---------------------------------------------------------------- 2A

ChipMemory2A::ChipMemory2A(uint8_t romSizeKb) : ChipMemory2A(romSizeKb, 64 * KB) {}

ChipMemory2A::ChipMemory2A(uint8_t romSizeKb, int32_t ramBytes) : ChipMemory(romSizeKb) {
    CreateRam(ramBytes);
}

bool ChipMemory2A::IsRomPage(int page) const {
    const int kb = std::min<int32_t>(romSizeKb, 32);
    if (bootFlag && ((page >= 0 && page < 4) || (page >= 8 && page < 12))) return true;
    if (page >= 32 && page < 32 + kb) return true;
    if (romSize <= 8 * KB && page >= 40 && page < 40 + kb) return true;
    return false;
}

void ChipMemory2A::BuildBaseTables() {
    const int kb = std::min<int32_t>(romSizeKb, 32);
    for (int i = 0; i < 64; i++) {
        writeTable[i] = ram + i * KB;
        readTable[i] = ram + i * KB;
    }
    if (bootFlag)
        for (int i = 0; i < 4; i++) {
            readTable[i] = rom + i * KB;
            readTable[8 + i] = rom + i * KB;
        }
    for (int i = 0; i < kb; i++) readTable[32 + i] = rom + i * KB;
    if (romSize <= 8 * KB)
        for (int i = 0; i < kb; i++) readTable[40 + i] = rom + i * KB;
}

void ChipMemory2A::Reset() {
    bootFlag = 1;
    BuildBaseTables();
    UpdateFastTables();
}

void ChipMemory2A::EndBootMapping() {
    if (!bootFlag) return;
    bootFlag = 0;
    BuildBaseTables();
    UpdateFastTables();
}

uint8_t* ChipMemory2A::GetVideoRam() { return ram + 0xC000; }

int32_t ChipMemory2A::GetPointer(int32_t address, int32_t length, uint8_t** pointer, int mode) {
    if (!pointer) return -1;
    if (!ArgsValid(address, length, mode)) return Refuse(pointer);
    uint8_t* const* table = (mode == ModeWrite || (allRamFlag && !bootFlag)) ? writeTable : readTable;
    return TablePointer(table, 10, address, length, pointer);
}

// ---------------------------------------------------------------- 2A, 256 KB

void ChipMemory2AEx::MapPagedSlot() {
    for (int j = 0; j < 16; j++) {
        const int page = slot * 16 + j;
        uint8_t* p = ram + bank * 16 * KB + j * KB;
        writeTable[page] = p;
        if (!(slot == 2 && IsRomPage(page))) readTable[page] = p;
    }
}

// ---------------------------------------------------------------- 3

ChipMemory3::ChipMemory3(uint8_t romSizeKb) : ChipMemory3(romSizeKb, 64 * KB) {}

ChipMemory3::ChipMemory3(uint8_t romSizeKb, int32_t ramBytes) : ChipMemory(romSizeKb) {
    CreateRam(ramBytes);
}

void ChipMemory3::BuildBaseTables() {
    for (int i = 0; i < 8; i++) {
        writeTable[i] = ram + i * 8 * KB;
        readTable[i] = (bootFlag || i == 7) ? rom : ram + i * 8 * KB;
    }
}

void ChipMemory3::Reset() {
    bootFlag = 1;
    BuildBaseTables();
    UpdateFastTables();
}

void ChipMemory3::EndBootMapping() {
    if (!bootFlag) return;
    bootFlag = 0;
    BuildBaseTables();
    UpdateFastTables();
}

uint8_t* ChipMemory3::GetVideoRam() { return ram + 0xC000; }

int32_t ChipMemory3::GetPointer(int32_t address, int32_t length, uint8_t** pointer, int mode) {
    if (!pointer) return -1;
    if (!ArgsValid(address, length, mode)) return Refuse(pointer);
    uint8_t* const* table = (mode == ModeWrite || (allRamFlag && !bootFlag)) ? writeTable : readTable;
    return TablePointer(table, 13, address, length, pointer);
}

// ---------------------------------------------------------------- 3, 256 KB

void ChipMemory3Ex::MapPagedSlot() {
    for (int j = 0; j < 2; j++) {
        const int page = slot * 2 + j;
        uint8_t* p = ram + bank * 16 * KB + j * 8 * KB;
        writeTable[page] = p;
        if (page != 7) readTable[page] = p;
    }
}

// ---------------------------------------------------------------- C2717

ChipMemoryC2717::ChipMemoryC2717(uint8_t romSizeKb) : ChipMemory(romSizeKb) { CreateRam(64 * KB); }

void ChipMemoryC2717::Reset() {
    bootFlag = 1;
    UpdateFastTables();
}

void ChipMemoryC2717::EndBootMapping() {
    bootFlag = 0;
    UpdateFastTables();
}

uint8_t* ChipMemoryC2717::GetVideoRam() { return ram + 0xC000; }

int32_t ChipMemoryC2717::GetPointer(int32_t address, int32_t length, uint8_t** pointer, int mode) {
    if (!pointer) return -1;
    if (!ArgsValid(address, length, mode)) return Refuse(pointer);
    int32_t end = 0x10000;  // where the run must stop, in CPU addresses
    int32_t a = address;
    if (remapFlag && address >= 0xC000) {
        a = Permute(address);
        end = (address | 0x0F) + 1;  // each 16-byte group lands elsewhere
    }
    const bool windowActive = !(allRamFlag && !bootFlag);
    if (windowActive) {
        const bool inRom = (a >= 0x8000 && a < 0xC000) || (bootFlag && a < 0x4000);
        if (inRom) {
            if (mode == ModeWrite) return Refuse(pointer);
            *pointer = rom + (a & 0x3FFF);
            return std::min(length, (address | 0x3FFF) + 1 - address);
        }
        // RAM below the window stops where the window begins.
        if (a < 0x8000) end = std::min(end, 0x8000);
    }
    *pointer = ram + a;
    return std::min(length, end - address);
}
