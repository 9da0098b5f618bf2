#pragma once
// A bare 8080 with 64 KB of RAM, and a byte emitter for small test programs.
#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "machine/cpu/ChipCpu8080.h"
#include "machine/cpu/ChipMemory.h"

namespace testsupport {

class FlatMemory : public ChipMemory {
public:
    FlatMemory() : ChipMemory(4) {
        CreateRam(0x10000);
        UpdateFastTables();
    }
    void Reset() override { UpdateFastTables(); }
    void EndBootMapping() override {}
    uint8_t* GetVideoRam() override { return ram + 0xC000; }
    int32_t GetPointer(int32_t address, int32_t length, uint8_t** pointer, int) override {
        if (address < 0 || address > 0xFFFF || length < 1) {
            *pointer = nullptr;
            return -1;
        }
        *pointer = ram + address;
        return std::min(length, 0x10000 - address);
    }
};

// Byte emitter with labels for jumps and calls.
class Asm {
public:
    Asm& b(uint8_t v) {
        code.push_back(v);
        return *this;
    }
    Asm& b(uint8_t op, uint8_t v) { return b(op).b(v); }
    Asm& w(uint8_t op, uint16_t v) { return b(op).b(v & 0xFF).b(v >> 8); }
    Asm& to(uint8_t op, const std::string& label) {
        b(op);
        fixups.emplace_back(code.size(), label);
        return b(0).b(0);
    }
    Asm& at(const std::string& label) {
        labels[label] = static_cast<uint16_t>(code.size());
        return *this;
    }
    // Continues at address (padding with zeros).
    Asm& org(uint16_t address) {
        if (code.size() < address) code.resize(address, 0);
        return *this;
    }
    std::vector<uint8_t> Build() {
        for (auto& [pos, label] : fixups) {
            uint16_t v = labels.at(label);
            code[pos] = v & 0xFF;
            code[pos + 1] = v >> 8;
        }
        return code;
    }

private:
    std::vector<uint8_t> code;
    std::map<std::string, uint16_t> labels;
    std::vector<std::pair<size_t, std::string>> fixups;
};

enum : uint8_t {
    NOP = 0x00, LXI_B = 0x01, LXI_D = 0x11, LXI_H = 0x21, LXI_SP = 0x31, MVI_A = 0x3E, MVI_B = 0x06,
    MVI_C = 0x0E, MVI_D = 0x16, MVI_E = 0x1E, MVI_M = 0x36, OUT = 0xD3, IN = 0xDB, CPI = 0xFE,
    ANI = 0xE6, ORI = 0xF6, JMP = 0xC3, JNZ = 0xC2, JZ = 0xCA, JC = 0xDA, JNC = 0xD2, CALL = 0xCD,
    RET = 0xC9, HLT = 0x76, EI = 0xFB, DI = 0xF3, PUSH_PSW = 0xF5, POP_PSW = 0xF1, MOV_A_M = 0x7E,
    MOV_M_A = 0x77, MOV_A_B = 0x78, MOV_A_C = 0x79, MOV_A_D = 0x7A, MOV_A_E = 0x7B, MOV_A_H = 0x7C, MOV_B_A = 0x47,
    MOV_C_A = 0x4F, MOV_D_A = 0x57, MOV_E_A = 0x5F, INX_H = 0x23, DCX_H = 0x2B, INR_A = 0x3C,
    INR_B = 0x04, INR_C = 0x0C, INR_M = 0x34, DCR_A = 0x3D, DCR_B = 0x05, DCR_C = 0x0D, DCR_D = 0x15,
    DCR_E = 0x1D, STA = 0x32, LDA = 0x3A, XRA_A = 0xAF, ORA_A = 0xB7, RST7 = 0xFF,
};

// A CPU over flat RAM that runs a program from address 0.
struct FlatMachine {
    FlatMemory memory;
    ChipCpu8080 cpu{memory};

    void Load(const std::vector<uint8_t>& program, uint16_t at = 0) {
        memory.WriteBlock(at, program.data(), static_cast<int32_t>(program.size()));
    }
    // Steps until HLT (and no interrupt is pending) or the step limit; the
    // slice clock wraps every 4096 cycles as in the slice runner. True when
    // halted.
    bool RunToHalt(long maxSteps = 5000000) {
        for (long i = 0; i < maxSteps; ++i) {
            if (cpu.Halt && !cpu.IntRequest) return true;
            cpu.Step();
            if (cpu.SliceClock >= 4096) cpu.SliceClock -= 4096;
        }
        return cpu.Halt && !cpu.IntRequest;
    }
    // Steps for at least the given cycles.
    void RunCycles(int64_t cycles) {
        while (cycles > 0) {
            int32_t c = cpu.Step();
            if (c <= 0) c = 4;
            cycles -= c;
            if (cpu.SliceClock >= 4096) cpu.SliceClock -= 4096;
        }
    }
};

}  // namespace testsupport
