#pragma once
#include <cstdint>

// The 64 KB address space of an emulated machine. It owns the monitor ROM
// and the RAM and maps every CPU address to one of them, or to nothing.
//
// Each model keeps a fast table of 1 KB pages (read and write) that the
// inline byte accessors use; a null entry falls back to GetPointer, which
// is always the authority on the mapping. Mapping flags are changed only
// through the setters below, so the fast tables stay in step.
class ChipMemory {
public:
    enum : int { ModeRead = 1, ModeWrite = 2 };
    static constexpr int FastPageShift = 10;
    static constexpr int FastPageCount = 64;
    static constexpr int FastPageMask = (1 << FastPageShift) - 1;

    // romSizeKb: 4..16; the ROM starts filled with FFh, no RAM, flags clear.
    explicit ChipMemory(uint8_t romSizeKb);
    virtual ~ChipMemory();
    ChipMemory(const ChipMemory&) = delete;
    ChipMemory& operator=(const ChipMemory&) = delete;

    // Installs the boot mapping and sets the boot flag.
    virtual void Reset() = 0;
    // Once, while the boot flag is set: clears it and installs the normal mapping.
    virtual void EndBootMapping() = 0;
    // The 16 KB of RAM that the screen shows.
    virtual uint8_t* GetVideoRam() = 0;
    // Port-6Dh paging register (models with paging); the base has none.
    virtual uint8_t GetPagingRegister();
    virtual void SetPagingRegister(uint8_t value);
    // address 0..FFFFh, length 1..10000h, mode ModeRead/ModeWrite: stores a
    // pointer to the byte and returns how many bytes may be accessed from it
    // in one run (at most length); otherwise stores null and returns -1.
    virtual int32_t GetPointer(int32_t address, int32_t length, uint8_t** pointer, int mode) = 0;

    // FFh when the address is outside 0..FFFFh or not readable.
    uint8_t ReadByte(int32_t address) {
        if (static_cast<uint32_t>(address) > 0xFFFFu) return 0xFF;
        const uint8_t* p = fastRead[address >> FastPageShift];
        if (p) return p[address & FastPageMask];
        return ReadByteSlow(address);
    }
    uint16_t ReadWord(int32_t address) {
        return static_cast<uint16_t>(ReadByte(address) | (ReadByte((address + 1) & 0xFFFF) << 8));
    }
    // Dropped silently when the address is not writable.
    void WriteByte(int32_t address, uint8_t value) {
        if (static_cast<uint32_t>(address) > 0xFFFFu) return;
        uint8_t* p = fastWrite[address >> FastPageShift];
        if (p) {
            p[address & FastPageMask] = value;
            return;
        }
        WriteByteSlow(address, value);
    }
    void WriteWord(int32_t address, uint16_t value) {
        WriteByte(address, static_cast<uint8_t>(value));
        WriteByte((address + 1) & 0xFFFF, static_cast<uint8_t>(value >> 8));
    }

    // Copies the image to the start of the ROM and fills the rest with FFh;
    // false (ROM unchanged) when data is null or length is not 1..ROM size.
    bool LoadRom(const uint8_t* data, int32_t length);
    // Copy through the mapping, run by run. Unreadable runs read FFh,
    // unwritable runs are skipped; false on bad arguments or a refused run.
    bool ReadBlock(int32_t address, uint8_t* destination, int32_t length);
    bool WriteBlock(int32_t address, const uint8_t* source, int32_t length);

    // Mapping flags.
    uint8_t GetBootFlag() const { return bootFlag; }
    uint8_t GetAllRamFlag() const { return allRamFlag; }
    void SetAllRamFlag(uint8_t value);
    uint8_t GetRemapFlag() const { return remapFlag; }
    void SetRemapFlag(uint8_t value);
    uint8_t GetPagingFlag() const { return pagingFlag; }

    // Buffers and sizes. The ROM buffer is kept in whole pages beyond the
    // ROM size, padded with FFh.
    uint8_t* GetRom() { return rom; }
    uint8_t* GetRam() { return ram; }
    int32_t GetRomSizeKb() const { return romSizeKb; }
    int32_t GetRomSize() const { return romSize; }
    int32_t GetRamSize() const { return ramSize; }

protected:
    // Rebuilds fastRead/fastWrite from GetPointer; a page whose bytes are
    // not one linear run of the buffers stays on the slow path.
    void UpdateFastTables();
    // Creates the RAM, filled with 00h.
    void CreateRam(int32_t size);

    uint8_t* rom = nullptr;
    uint8_t* ram = nullptr;
    int32_t romSizeKb = 0;
    int32_t romSize = 0;
    int32_t romBufferSize = 0;
    int32_t ramSize = 0;
    uint8_t bootFlag = 0;
    uint8_t allRamFlag = 0;
    uint8_t remapFlag = 0;
    uint8_t pagingFlag = 0;

    const uint8_t* fastRead[FastPageCount] = {};
    uint8_t* fastWrite[FastPageCount] = {};

private:
    uint8_t ReadByteSlow(int32_t address);
    void WriteByteSlow(int32_t address, uint8_t value);
};
