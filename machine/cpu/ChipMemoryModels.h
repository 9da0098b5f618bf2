#pragma once
#include <cstdint>
#include "machine/core/PeripheralDevice.h"
#include "machine/cpu/ChipMemory.h"

// Models 1, 2, Mato, Alfa, Alfa2: 48 KB RAM, 4 KB pages with access masks.
class ChipMemory12 : public ChipMemory {
public:
    enum : uint8_t { AccessRead = 1, AccessWrite = 2 };
    explicit ChipMemory12(uint8_t romSizeKb);
    void Reset() override;
    void EndBootMapping() override;
    uint8_t* GetVideoRam() override;
    int32_t GetPointer(int32_t address, int32_t length, uint8_t** pointer, int mode) override;

private:
    void SetPage(int page, uint8_t* pointer, uint8_t mask);
    uint8_t* pages[16] = {};
    uint8_t masks[16] = {};
};

// Model 2A: 64 KB RAM, 1 KB pages, separate read and write tables.
class ChipMemory2A : public ChipMemory {
public:
    explicit ChipMemory2A(uint8_t romSizeKb);
    void Reset() override;
    void EndBootMapping() override;
    uint8_t* GetVideoRam() override;
    int32_t GetPointer(int32_t address, int32_t length, uint8_t** pointer, int mode) override;

protected:
    ChipMemory2A(uint8_t romSizeKb, int32_t ramBytes);
    // Write table one to one; read table RAM with the ROM of the current
    // (boot or normal) mapping on top.
    void BuildBaseTables();
    // True for the 1 KB pages that show ROM in the current mapping.
    bool IsRomPage(int page) const;
    uint8_t* readTable[64] = {};
    uint8_t* writeTable[64] = {};
};

// The paging register at port 6Dh of a 256 KB model, over the model's base
// mapping: bits 0-3 the 16 KB bank, bits 4-5 the 16 KB slot it appears in,
// bit 6 the bank the screen shows (C000h or 1C000h of the RAM). A slot
// showing its own bank is the base mapping itself.
template <class Base>
class PagingMemory : public Base, public PeripheralDevice {
public:
    void Reset() override {
        bank = slot = videoBit = 0;
        this->bootFlag = 1;
        ApplyPaging();
    }
    void EndBootMapping() override {
        if (!this->bootFlag) return;
        bank = slot = videoBit = 0;
        this->bootFlag = 0;
        ApplyPaging();
    }
    uint8_t* GetVideoRam() override { return this->ram + (videoBit ? 0x1C000 : 0xC000); }
    uint8_t GetPagingRegister() override { return static_cast<uint8_t>(bank + 16 * slot + 64 * videoBit); }
    void SetPagingRegister(uint8_t value) override {
        bank = value & 0x0F;
        slot = (value >> 4) & 3;
        videoBit = (value >> 6) & 1;
        ApplyPaging();
    }

    void WritePort(uint8_t port, uint8_t value, int32_t) override {
        if (port == 0x6D) SetPagingRegister(value);
    }
    uint8_t ReadPort(uint8_t port, int32_t) override { return port == 0x6D ? GetPagingRegister() : 0xFF; }
    void Reset(int32_t) override { Reset(); }

    uint8_t GetBank() const { return bank; }
    uint8_t GetSlot() const { return slot; }
    uint8_t GetVideoBit() const { return videoBit; }

protected:
    explicit PagingMemory(uint8_t romSizeKb) : Base(romSizeKb, 256 * 1024) { this->pagingFlag = 1; }
    // Shows bank in slot over the base tables (bank differs from slot).
    virtual void MapPagedSlot() = 0;

    uint8_t bank = 0;
    uint8_t slot = 0;
    uint8_t videoBit = 0;

private:
    void ApplyPaging() {
        this->BuildBaseTables();
        if (bank != slot) MapPagedSlot();
        this->UpdateFastTables();
    }
};

// Model 2A with 256 KB RAM; the ROM pages of slot 2 stay readable as ROM.
class ChipMemory2AEx : public PagingMemory<ChipMemory2A> {
public:
    explicit ChipMemory2AEx(uint8_t romSizeKb) : PagingMemory(romSizeKb) {}

protected:
    void MapPagedSlot() override;
};

// Model 3: 64 KB RAM, 8 KB ROM, 8 KB pages, read and write tables.
class ChipMemory3 : public ChipMemory {
public:
    explicit ChipMemory3(uint8_t romSizeKb = 8);
    void Reset() override;
    void EndBootMapping() override;
    uint8_t* GetVideoRam() override;
    int32_t GetPointer(int32_t address, int32_t length, uint8_t** pointer, int mode) override;

protected:
    ChipMemory3(uint8_t romSizeKb, int32_t ramBytes);
    void BuildBaseTables();
    uint8_t* readTable[8] = {};
    uint8_t* writeTable[8] = {};
};

// Model 3 with 256 KB RAM; slot 3 keeps E000h-FFFFh as ROM.
class ChipMemory3Ex : public PagingMemory<ChipMemory3> {
public:
    explicit ChipMemory3Ex(uint8_t romSizeKb = 8) : PagingMemory(romSizeKb) {}

protected:
    void MapPagedSlot() override;
};

// Consul 2717: 64 KB RAM, 16 KB ROM window at 8000h (and 0000h during
// boot), optional permutation of C000h-FFFFh.
class ChipMemoryC2717 : public ChipMemory {
public:
    explicit ChipMemoryC2717(uint8_t romSizeKb = 16);
    void Reset() override;
    void EndBootMapping() override;
    uint8_t* GetVideoRam() override;
    int32_t GetPointer(int32_t address, int32_t length, uint8_t** pointer, int mode) override;

    // Exchanges and inverts address bits 13-12 and 5-4 (its own inverse).
    static int32_t Permute(int32_t address) {
        return (address & 0xCFCF) | ((~address & 0x0030) << 8) | ((~address & 0x3000) >> 8);
    }
};
