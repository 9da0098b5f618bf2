// Lists 64 KB of pseudo-random code with the debugger's line disassembler and
// as a labelled listing; prints the time of each.
#include <chrono>
#include <cstdio>
#include <string>

#include "machine/cpu/ChipMemoryModels.h"
#include "tools/debugger/Disassembler.h"
#include "tools/debugger/Listing.h"

int main() {
    ChipMemoryC2717 memory;
    memory.Reset();
    memory.EndBootMapping();
    memory.SetAllRamFlag(1);
    uint32_t x = 12345;
    for (int a = 0; a < 0x10000; ++a) {
        x = x * 1103515245u + 12345u;
        memory.WriteByte(a, static_cast<uint8_t>(x >> 16));
    }
    using Clock = std::chrono::steady_clock;
    for (int notation = 0; notation < 2; ++notation) {
        const auto t0 = Clock::now();
        size_t chars = 0;
        int lines = 0;
        uint16_t a = 0;
        do {
            const uint16_t before = a;
            chars += dbg::DisassembleLine(memory, a, false, notation).size();
            ++lines;
            if (a < before) break;
        } while (a != 0);
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        std::printf("debugger lines, %s: %d lines, %zu chars in %.1f ms\n", notation ? "Z80" : "Intel", lines, chars,
                    ms);
    }
    for (int labels = 0; labels < 2; ++labels) {
        dbg::ListingOptions o;
        o.labels = labels == 1;
        o.hexDump = !o.labels;
        dbg::ListingWriter w(memory, o);
        const auto t0 = Clock::now();
        const std::string text = w.Write({{0, 0xFFFF, 0, dbg::AreaCode, false}});
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        std::printf("listing with %s: %zu bytes in %.1f ms\n", o.labels ? "labels" : "addresses and dump",
                    text.size(), ms);
    }
    return 0;
}
