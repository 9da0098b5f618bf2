// cpu8080 [FILE.COM ...]: runs CP/M CPU test programs on the bare core and
// prints, after each program's own output, its instructions, cycles,
// seconds and emulated MHz.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/cpu/CpmHarness.h"

int main(int argc, char** argv) {
    std::vector<std::string> files;
    for (int i = 1; i < argc; i++) files.emplace_back(argv[i]);
    if (files.empty()) {
        const std::string dir = std::string(ORVIK_TESTDATA_DIR) + "/cpu8080/";
        for (const char* name : {"TST8080.COM", "8080PRE.COM", "CPUTEST.COM", "8080EXM.COM"})
            files.push_back(dir + name);
    }
    int rc = 0;
    for (const std::string& path : files) {
        const std::string name = path.substr(path.find_last_of('/') + 1);
        std::vector<uint8_t> program;
        CpmHarness h;
        if (!CpmHarness::ReadFile(path, program) || !h.Load(program)) {
            std::fprintf(stderr, "%s: cannot load\n", path.c_str());
            rc = 1;
            continue;
        }
        h.echo = true;
        const auto t0 = std::chrono::steady_clock::now();
        const bool ended = h.Run(UINT64_MAX);
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (!h.output.empty() && h.output.back() != '\n') std::printf("\n");
        std::printf("%-12s %llu instructions, %llu cycles, %.3f s, %.1f MHz%s\n", name.c_str(),
                    static_cast<unsigned long long>(h.instructions), static_cast<unsigned long long>(h.cycles),
                    s, s > 0 ? h.cycles / s / 1e6 : 0.0, ended ? "" : " (did not end)");
        std::fflush(stdout);
    }
    return rc;
}
