#pragma once
// A flat 64 KB of RAM for the debugger tests.
#include <cstdint>
#include <memory>
#include <vector>

#include "machine/cpu/ChipMemoryModels.h"

class FlatMemory {
public:
    FlatMemory() : mem(std::make_unique<ChipMemoryC2717>()) {
        mem->Reset();
        mem->EndBootMapping();
        mem->SetAllRamFlag(1);
    }
    ChipMemory& operator*() { return *mem; }
    ChipMemory* operator->() { return mem.get(); }
    void Put(uint16_t address, const std::vector<uint8_t>& bytes) {
        for (size_t i = 0; i < bytes.size(); ++i) mem->WriteByte(static_cast<uint16_t>(address + i), bytes[i]);
    }

private:
    std::unique_ptr<ChipMemory> mem;
};
