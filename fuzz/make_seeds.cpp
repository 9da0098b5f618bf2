// Writes the seed corpora of the snapshot, recording and tape targets with
// the program's own writers: make_seeds CORPUS_FOLDER. Run by hand when a
// file layout changes; its output is kept in fuzz/corpus/.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "machine/core/ModelIndex.h"
#include "machine/cpu/ChipCpu8080.h"
#include "machine/cpu/ChipMemoryModels.h"
#include "machine/pio/IifGPIO.h"
#include "machine/pio/SystemPIO.h"
#include "machine/recording/Recording.h"
#include "machine/snapshot/Snapshot.h"
#include "machine/tape/IifTape.h"
#include "machine/timer/IifTimer.h"
#include "tools/tape/BasicText.h"
#include "tools/tape/TapeFile.h"

namespace fs = std::filesystem;

namespace {

void WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::exit(1);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// A machine with a small program in RAM.
struct Machine {
    int model;
    std::unique_ptr<ChipMemory> memory;
    std::unique_ptr<ChipCpu8080> cpu;
    std::unique_ptr<SystemPIO> system;
    std::unique_ptr<IifGPIO> gpio;
    std::unique_ptr<IifTimer> timer;
    std::unique_ptr<IifTape> tape;

    Machine(int m, ChipMemory* mem) : model(m), memory(mem) {
        memory->Reset();
        memory->EndBootMapping();
        const uint8_t program[] = {0xF3, 0xDB, 0x85, 0xDB, 0x85, 0x76};
        for (int i = 0; i < 6; ++i) memory->WriteByte(0x4000 + i, program[i]);
        for (int i = 0; i < 300; ++i) memory->WriteByte(0x5000 + i, static_cast<uint8_t>(i * 7));
        cpu = std::make_unique<ChipCpu8080>(*memory);
        cpu->PC = 0x4000;
        system = std::make_unique<SystemPIO>(m, memory.get());
        gpio = std::make_unique<IifGPIO>();
        timer = std::make_unique<IifTimer>(m, nullptr);
        tape = std::make_unique<IifTape>(m);
    }
    bool Save(const std::string& path, uint8_t packed, uint8_t video) {
        return SaveSnapshot(path, 0, packed, video, nullptr, nullptr, tape.get(), timer.get(), nullptr, gpio.get(),
                            system.get(), cpu.get(), memory->GetRomSize(), model, 0) > 0;
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const fs::path corpus = argv[1];
    for (const char* t : {"snapshot", "recording", "tape"}) fs::create_directories(corpus / t);
    const fs::path work = fs::temp_directory_path() / "orvik-seeds";
    fs::create_directories(work);

    Machine m1(kModel1, new ChipMemory12(4));
    Machine m3(kModel3, new ChipMemory3Ex(8));
    if (!m1.Save((corpus / "snapshot" / "model1-packed").string(), 1, 0xFF)) return 1;
    if (!m3.Save((corpus / "snapshot" / "model3-paged-v2").string(), 1, 0)) return 1;
    if (!m1.Save((corpus / "snapshot" / "model1-raw").string(), 0, 0xFF)) return 1;

    // A recording: the starting snapshot, a few IN bytes, a save point.
    const std::string snap = (work / "start.snap").string();
    if (!m1.Save(snap, 1, 0xFF)) return 1;
    {
        const std::string prc = (corpus / "recording" / "embedded-two-points").string();
        Recording r(prc, Recording::ModeCreate, m1.cpu.get());
        r.AddSnapshot(snap, 1, 0);
        for (uint8_t v : {0x11, 0x22, 0x33, 0x33, 0x33}) r.WriteByte(v);
        r.Flush(0);
        r.AddSnapshot(snap, 1, 0);
        r.Close();
    }
    {
        const std::string prc = (corpus / "recording" / "actions-only-after-start").string();
        Recording r(prc, Recording::ModeCreate, m1.cpu.get());
        r.AddSnapshot(snap, 1, 0);
        for (int i = 0; i < 40; ++i) r.WriteByte(static_cast<uint8_t>(i));
        r.Close();
    }

    // Tapes: a BASIC program and a data block with headers, then a headless block.
    const std::string basicText = (work / "prog.txt").string();
    {
        std::FILE* f = std::fopen(basicText.c_str(), "wb");
        std::fputs("10 PRINT \"HI\":REM PRINT\r\n20 DATA 1,2:GOTO 10\r\n", f);
        std::fclose(f);
    }
    std::FILE* f = std::fopen(basicText.c_str(), "rb");
    const BasicImport program = TokeniseBasic(f);
    std::fclose(f);
    const std::string programBytes = (work / "prog.bin").string();
    WriteBytes(programBytes, program.bytes);
    const std::string dataBytes = (work / "data.bin").string();
    WriteBytes(dataBytes, {0xC3, 0x00, 0x40, 0x01, 0x02, 0x03, 0xFF, 0x00});
    TapeHeaderFields basic;
    basic.number = 1;
    basic.type = '>';
    basic.start = kBasicStart;
    std::memcpy(basic.name.data(), "PROG    ", 8);
    TapeHeaderFields data;
    data.number = 2;
    data.type = '?';
    data.start = 0x4000;
    std::memcpy(data.name.data(), "DATA    ", 8);
    TapeBlockList headers(2);
    if (MakeHeaderBlock(programBytes, basic, headers[0]) || MakeHeaderBlock(dataBytes, data, headers[1])) return 1;
    TapeBlockList all = headers;
    all.emplace_back();
    if (MakeHeadlessBlock(dataBytes, all.back())) return 1;
    if (WriteTapeFile((corpus / "tape" / "three-blocks-counted").string(), all, TapeLayout::Ptp)) return 1;
    if (WriteTapeFile((corpus / "tape" / "two-headers-bare").string(), headers, TapeLayout::Pmd)) return 1;
    fs::remove_all(work);
    return 0;
}
