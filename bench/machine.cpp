// Runs every model headless at full speed on a small program of our own that
// writes video RAM, toggles the speaker and scans the keyboard port; renders
// the screen every 20 emulated ms and mixes the sound. Prints per model the
// real-time factor, the render time per frame, the emulated MHz without the
// rendering, and its ratio to the bare CPU's MHz measured just before on the
// CP/M exerciser (the loop of cpu8080, a fixed number of instructions).
#include <pugixml.hpp>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <memory>
#include <span>
#include <vector>

#include "common/Config.h"
#include "machine/core/ModelIndex.h"
#include "machine/cpu/ChipCpu8080.h"
#include "machine/cpu/ChipMemory.h"
#include "machine/owner/MachineOwner.h"
#include "machine/recording/Recording.h"
#include "machine/recording/RecordingSession.h"
#include "machine/screen/ScreenDAD85.h"
#include "machine/sound/SoundDriver.h"
#include "tests/cpu/CpmHarness.h"

namespace {

const char* const kModels[8] = {"Model-1",    "Model-2",    "Model-2A",    "Model-3",
                                "Model-Mato", "Model-Alfa", "Model-Alfa2", "Model-C2717"};

// At 0100h: 8255 mode 82h; then forever: increment every byte of C000h-FFFFh,
// and every 64 bytes select a keyboard column, read the rows and flip the speaker.
const uint8_t kProgram[] = {
    0x3E, 0x82,              // 0100 MVI A,82h
    0xD3, 0x87,              // 0102 OUT 87h
    0x21, 0x00, 0xC0,        // 0104 LXI H,C000h
    0x7E,                    // 0107 MOV A,M
    0x3C,                    // 0108 INR A
    0x77,                    // 0109 MOV M,A
    0x23,                    // 010A INX H
    0x7D,                    // 010B MOV A,L
    0xE6, 0x3F,              // 010C ANI 3Fh
    0xC2, 0x07, 0x01,        // 010E JNZ 0107h
    0x7C,                    // 0111 MOV A,H
    0xE6, 0x0F,              // 0112 ANI 0Fh
    0xD3, 0x84,              // 0114 OUT 84h
    0xDB, 0x85,              // 0116 IN 85h
    0x3A, 0x00, 0x70,        // 0118 LDA 7000h
    0xEE, 0x01,              // 011B XRI 01h
    0x32, 0x00, 0x70,        // 011D STA 7000h
    0xC6, 0x04,              // 0120 ADI 04h   (PC2 reset/set)
    0xD3, 0x87,              // 0122 OUT 87h
    0x7C,                    // 0124 MOV A,H
    0xB7,                    // 0125 ORA A
    0xC2, 0x07, 0x01,        // 0126 JNZ 0107h
    0xC3, 0x04, 0x01,        // 0129 JMP 0104h
};

class NoBreakpoints : public DebuggerLink {
public:
    int IsBreakpoint(uint16_t) override { return 0; }
    bool AnyBreakpoint() override { return false; }
    int StepWatchingReturn(int32_t& cycles) override { cycles = 0; return 1; }
    void OpenDebugger() override {}
};

using Clock = std::chrono::steady_clock;

// The bare core's MHz on the first instructions of the exerciser, the best of
// three runs (the host may be busy); 0 when the program is missing.
double BareCpuMhz() {
    std::vector<uint8_t> program;
    if (!CpmHarness::ReadFile(std::string(ORVIK_TESTDATA_DIR) + "/cpu8080/8080EXM.COM", program)) return 0;
    double best = 0;
    for (int run = 0; run < 3; ++run) {
        CpmHarness h;
        if (!h.Load(program)) return 0;
        const Clock::time_point t = Clock::now();
        h.Run(10000000);
        const double s = std::chrono::duration<double>(Clock::now() - t).count();
        if (s > 0 && h.cycles / s / 1e6 > best) best = h.cycles / s / 1e6;
    }
    return best;
}

}  // namespace

// With a model name as argument ("Model-C2717"), only that model runs.
int main(int argc, char** argv) {
    constexpr int kSlices = 10000;         // 20 emulated seconds
    constexpr int kSlicesPerFrame = 10;    // 20 ms
    std::printf("%-12s %8s %14s %18s %9s %9s %6s\n", "model", "speed", "render/frame", "speed w/o render", "MHz",
                "bare MHz", "ratio");
    for (int model = kModel1; model < kModelCount; ++model) {
        if (argc > 1 && std::strcmp(argv[1], kModels[model]) != 0) continue;
        pugi::xml_document doc;
        pugi::xml_node root = doc.append_child("Orvik");
        root.append_child("Screen");
        pugi::xml_node models = root.append_child("Model");
        models.append_attribute("current").set_value(kModels[model]);
        models.append_child(kModels[model]).append_child("RomFile");
        pugi::xml_node sound = root.append_child("Sound");
        sound.append_attribute("device-index").set_value(0);
        root.append_child("Storages").append_child("PMD-32");
        ConfigRoot = root;

        MachineOwner owner;
        NoBreakpoints debugger;
        owner.SetDebugger(&debugger);
        owner.SetSoundFactory([](int, int channels, std::span<const int> volumes) {
            return std::make_unique<SoundDriver>(SoundDriver::NoDevice, channels, volumes);
        });
        owner.BuildMachine(0, 0, nullptr);
        std::vector<int> codes{5};
        owner.ApplySoundSettings(codes);
        owner.ResetMachine(0);
        ChipMemory& memory = *owner.GetMemory();
        memory.EndBootMapping();
        memory.WriteBlock(0x100, kProgram, sizeof kProgram);
        bool loaded = true;
        for (size_t i = 0; i < sizeof kProgram; ++i) loaded = loaded && memory.ReadByte(0x100 + int(i)) == kProgram[i];
        if (!loaded) {
            std::printf("%-12s program not in RAM\n", kModels[model]);
            continue;
        }
        owner.GetCpu()->PC = 0x100;
        const double bare = BareCpuMhz();
        const uint32_t firstCycle = owner.GetCpu()->TotalClock;

        SoundDriver* driver = owner.GetSoundDriver();
        std::vector<int16_t> out(SoundDriver::SliceFrames * 2);
        ScreenDAD85& screen = *owner.GetScreen();
        Clock::duration render{};
        int frames = 0;
        const Clock::time_point start = Clock::now();
        while (owner.GetSliceCount() < kSlices) {
            const int32_t before = owner.GetSliceCount();
            owner.PreciseTimerCpuTimer();
            if (driver) driver->FillOutput(out.data(), SoundDriver::SliceFrames);
            if (owner.GetSliceCount() != before && owner.GetSliceCount() % kSlicesPerFrame == 0) {
                const Clock::time_point r = Clock::now();
                screen.Paint(memory.GetVideoRam());
                render += Clock::now() - r;
                frames++;
            }
        }
        const double host = std::chrono::duration<double>(Clock::now() - start).count();
        const double emulated = kSlices * 0.002;
        const double renderMs = frames ? std::chrono::duration<double, std::milli>(render).count() / frames : 0;
        const double cpuOnly = host - std::chrono::duration<double>(render).count();
        const double mhz = static_cast<uint32_t>(owner.GetCpu()->TotalClock - firstCycle) / cpuOnly / 1e6;
        std::printf("%-12s %7.0fx %11.3f ms %17.0fx %9.1f %9.1f %6.2f\n", kModels[model], emulated / host, renderMs,
                    emulated / cpuOnly, mhz, bare, bare > 0 ? mhz / bare : 0.0);

        // The same number of slices recorded, then played back, without rendering.
        char folder[] = "/tmp/orvik-bench-XXXXXX";
        if (::mkdtemp(folder)) {
            const std::string prc = std::string(folder) + "/bench.prc";
            RecordingSession session(owner);
            auto run = [&] {
                const int32_t first = owner.GetSliceCount();
                const Clock::time_point t = Clock::now();
                while (owner.GetSliceCount() - first < kSlices && (session.IsRecording() || session.IsLinked())) {
                    owner.PreciseTimerCpuTimer();
                    if (driver) driver->FillOutput(out.data(), SoundDriver::SliceFrames);
                }
                return std::chrono::duration<double>(Clock::now() - t).count();
            };
            if (session.Create(prc, "") == 0) {
                driver = owner.GetSoundDriver();
                const double recording = run();
                session.Close(true);
                std::printf("%-12s %7.0fx  recording attached\n", "", emulated / recording);
                if (session.Playback(prc) == 0) {
                    driver = owner.GetSoundDriver();
                    const double playing = run();
                    std::printf("%-12s %7.0fx  playing back\n", "", emulated / playing);
                }
                session.Close(false);
            } else {
                std::printf("%-12s recording could not be created\n", "");
            }
            std::error_code ec;
            std::filesystem::remove_all(folder, ec);
        }
        ConfigRoot = pugi::xml_node();
    }
    return 0;
}
