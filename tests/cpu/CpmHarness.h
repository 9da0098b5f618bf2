#pragma once
// Runs a CP/M .COM program on the bare CPU: 64 KB of flat RAM, the program
// at 0100h, OUT 00h at 0000h ends the run, OUT 01h / RET at 0005h is the
// console BDOS (C = 2: character in E, C = 9: "$"-terminated text at DE).
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "machine/cpu/ChipCpu8080.h"
#include "machine/cpu/ChipMemoryModels.h"

class CpmHarness : public PeripheralDevice {
public:
    CpmHarness() : memory(4), cpu(memory) {
        // The 2A map with all-RAM set outside boot is RAM everywhere.
        memory.Reset();
        memory.EndBootMapping();
        memory.SetAllRamFlag(1);
        cpu.AddPortDevice(0x00, 0xFF, 0, this);
        cpu.AddPortDevice(0x01, 0xFF, 0, this);
    }

    static bool ReadFile(const std::string& path, std::vector<uint8_t>& data) {
        std::ifstream f(path, std::ios::binary);
        if (!f) return false;
        data.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
        return true;
    }

    bool Load(const std::vector<uint8_t>& program) {
        if (program.empty() || program.size() > 0x10000 - 0x100) return false;
        static const uint8_t boot[] = {0xD3, 0x00};
        static const uint8_t bdos[] = {0xD3, 0x01, 0xC9};
        return memory.WriteBlock(0x0100, program.data(), static_cast<int32_t>(program.size())) &&
               memory.WriteBlock(0x0000, boot, 2) && memory.WriteBlock(0x0005, bdos, 3);
    }

    // Runs until the warm boot or the instruction limit; true when it ended.
    bool Run(uint64_t maxInstructions) {
        cpu.PC = 0x0100;
        uint64_t n = 0, c = 0;
        while (!done && n < maxInstructions) {
            c += static_cast<uint32_t>(cpu.Step());
            n++;
            if (cpu.SliceClock >= 4096) cpu.SliceClock -= 4096;
        }
        instructions = n;
        cycles = c;
        return done;
    }

    void WritePort(uint8_t port, uint8_t, int32_t) override {
        if (port == 0x00) {
            done = true;
        } else if (port == 0x01) {
            if (cpu.C == 2) {
                Put(static_cast<char>(cpu.E));
            } else if (cpu.C == 9) {
                for (int32_t a = cpu.GetDE(), k = 0; k < 0x10000; a = (a + 1) & 0xFFFF, k++) {
                    const char ch = static_cast<char>(memory.ReadByte(a));
                    if (ch == '$') break;
                    Put(ch);
                }
            }
        }
    }
    uint8_t ReadPort(uint8_t, int32_t) override { return 0xFF; }

    ChipMemory2A memory;
    ChipCpu8080 cpu;
    std::string output;
    bool echo = false;
    bool done = false;
    uint64_t instructions = 0;
    uint64_t cycles = 0;

private:
    void Put(char ch) {
        output.push_back(ch);
        if (echo) {
            std::fputc(ch, stdout);
            if (ch == '\n') std::fflush(stdout);
        }
    }
};
