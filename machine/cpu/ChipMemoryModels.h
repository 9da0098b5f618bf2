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

// Model 2A with 256 KB RAM and the paging register at port 6Dh.
class ChipMemory2AEx : public ChipMemory2A, public PeripheralDevice {
public:
    explicit ChipMemory2AEx(uint8_t romSizeKb);
    void Reset() override;
    void EndBootMapping() override;
    uint8_t* GetVideoRam() override;
    uint8_t GetPagingRegister() override;
    void SetPagingRegister(uint8_t value) override;

    void WritePort(uint8_t port, uint8_t value, int32_t cycles) override;
    uint8_t ReadPort(uint8_t port, int32_t cycles) override;
    void Reset(int32_t cycles) override;

    uint8_t GetBank() const { return bank; }
    uint8_t GetSlot() const { return slot; }
    uint8_t GetVideoBit() const { return videoBit; }

private:
    void ApplyPaging();
    uint8_t bank = 0;
    uint8_t slot = 0;
    uint8_t videoBit = 0;
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

// Model 3 with 256 KB RAM and the paging register at port 6Dh.
class ChipMemory3Ex : public ChipMemory3, public PeripheralDevice {
public:
    explicit ChipMemory3Ex(uint8_t romSizeKb = 8);
    void Reset() override;
    void EndBootMapping() override;
    uint8_t* GetVideoRam() override;
    uint8_t GetPagingRegister() override;
    void SetPagingRegister(uint8_t value) override;

    void WritePort(uint8_t port, uint8_t value, int32_t cycles) override;
    uint8_t ReadPort(uint8_t port, int32_t cycles) override;
    void Reset(int32_t cycles) override;

    uint8_t GetBank() const { return bank; }
    uint8_t GetSlot() const { return slot; }
    uint8_t GetVideoBit() const { return videoBit; }

private:
    void ApplyPaging();
    uint8_t bank = 0;
    uint8_t slot = 0;
    uint8_t videoBit = 0;
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
