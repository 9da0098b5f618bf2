#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "machine/core/ModelIndex.h"
#include "machine/cpu/ChipCpu8080.h"
#include "machine/cpu/ChipMemory.h"
#include "machine/cpu/ChipMemoryModels.h"
#include "machine/pio/IifGPIO.h"
#include "machine/pio/SystemPIO.h"
#include "machine/snapshot/Snapshot.h"
#include "machine/sndif/IfMusica.h"
#include "machine/tape/IifTape.h"
#include "machine/timer/IifTimer.h"

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr int KB = 1024;

// A private folder for the test's files, removed when the process ends.
class ScratchDir {
public:
    ScratchDir() {
        char tmpl[] = "/tmp/orvik_snapshot_XXXXXX";
        if (const char* d = mkdtemp(tmpl)) path = d;
    }
    ~ScratchDir() {
        std::error_code ec;
        if (!path.empty()) fs::remove_all(path, ec);
    }
    fs::path path;
};

fs::path TempDir() {
    static ScratchDir dir;
    if (dir.path.empty()) ADD_FAILURE() << "no scratch folder";
    return dir.path.empty() ? fs::path("/nonexistent-orvik-scratch") : dir.path;
}

Bytes ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteAll(const fs::path& p, const Bytes& b) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

void Cut(Bytes& b, size_t n) { b.erase(b.begin() + static_cast<std::ptrdiff_t>(std::min(n, b.size())), b.end()); }

uint16_t Word(const Bytes& b, int at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }
void PutWord(Bytes& b, int at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

// Deterministic bytes: runs, literals and noise, so packed banks use every packet kind.
void FillPattern(uint8_t* p, int n, uint32_t seed) {
    uint32_t x = seed * 2654435761u + 12345u;
    for (int i = 0; i < n;) {
        x = x * 1103515245u + 12345u;
        int kind = (x >> 16) % 3;
        int len = 1 + static_cast<int>((x >> 8) % 300);
        uint8_t v = static_cast<uint8_t>(x >> 24);
        for (int k = 0; k < len && i < n; k++, i++) {
            if (kind == 0) {
                p[i] = v;
            } else {
                x = x * 1103515245u + 12345u;
                p[i] = static_cast<uint8_t>(x >> 16);
            }
        }
    }
}

struct MachineSetup {
    const char* name;
    int model;
    bool ram256k;
    bool musica;
    bool mif85;
    uint8_t video;
    uint8_t packed;
    uint8_t withRom;
};

// A machine as the builder puts it together, without screen and sound.
struct Machine {
    int model = 0;
    std::unique_ptr<ChipMemory> memory;
    std::unique_ptr<ChipCpu8080> cpu;
    std::unique_ptr<SystemPIO> system;
    std::unique_ptr<IifGPIO> gpio;
    std::unique_ptr<IifTimer> timer;
    std::unique_ptr<IifTape> tape;
    std::unique_ptr<IfMusica> musica;

    Machine(int m, bool ram256k, bool withMusica = false) : model(m) {
        switch (m) {
        case 2: memory.reset(ram256k ? static_cast<ChipMemory*>(new ChipMemory2AEx(8)) : new ChipMemory2A(8)); break;
        case 3: memory.reset(ram256k ? static_cast<ChipMemory*>(new ChipMemory3Ex(8)) : new ChipMemory3(8)); break;
        case 7: memory.reset(new ChipMemoryC2717(16)); break;
        case 4: memory.reset(new ChipMemory12(16)); break;
        default: memory.reset(new ChipMemory12(4)); break;
        }
        memory->Reset();
        memory->EndBootMapping();
        cpu = std::make_unique<ChipCpu8080>(*memory);
        system = std::make_unique<SystemPIO>(m, memory.get());
        gpio = std::make_unique<IifGPIO>();
        timer = std::make_unique<IifTimer>(m, nullptr);
        tape = std::make_unique<IifTape>(m);
        if (withMusica) musica = std::make_unique<IfMusica>();
    }

    int32_t Save(const fs::path& path, const MachineSetup& s, const Mif85SnapshotState* mif, int32_t offset = 0) {
        return SaveSnapshot(path.string(), offset, s.packed, s.video, mif, musica.get(), tape.get(), timer.get(),
                            nullptr, gpio.get(), system.get(), cpu.get(), memory->GetRomSize(), model, s.withRom);
    }

    Bytes Ram() const { return Bytes(memory->GetRam(), memory->GetRam() + memory->GetRamSize()); }
    Bytes Rom() const { return Bytes(memory->GetRom(), memory->GetRom() + memory->GetRomSize()); }
};

// Gives every chip of the machine a distinctive state.
void Dress(Machine& m, uint32_t seed) {
    ChipCpu8080& c = *m.cpu;
    c.A = 0x07; c.F = 0x83; c.B = 0x01; c.C = 0x02; c.D = 0x03; c.E = 0x04; c.H = 0x05; c.L = 0x06;
    c.SP = 0xABCD; c.PC = 0x1234; c.INTE = 1; c.Halt = 1;
    ChipPIO8255& s = m.system->pio;
    s.control = 0x82; s.portCOut = 0x0F; s.portBOut = 0x55; s.portAOut = 0xA5;
    ChipPIO8255& g = m.gpio->pio;
    g.Write(3, 0x80); g.Write(0, 0x33); g.Write(1, 0x22); g.Write(2, 0x11);  // mode 0, all outputs
    ChipPIT8253& t = m.timer->GetPit();
    t.Write(3, 0x36); t.Write(0, 0x34); t.Write(0, 0x12);
    t.Write(3, 0x74); t.Write(1, 0x78); t.Write(1, 0x56);
    t.Write(3, 0xB0); t.Write(2, 0x01); t.Write(2, 0x00);
    m.tape->GetUsart().Write(0, 0x4E);
    m.tape->GetUsart().Write(0, 0x27);
    if (m.musica) {
        ChipPIT8253& p = m.musica->GetPit();
        p.Write(3, 0x30); p.Write(0, 0x00); p.Write(0, 0x01);
        p.Write(3, 0x70); p.Write(1, 0x02); p.Write(1, 0x03);
        p.Write(3, 0xB0); p.Write(2, 0x04); p.Write(2, 0x05);
    }
    FillPattern(m.memory->GetRam(), m.memory->GetRamSize(), seed);
    Bytes rom(m.memory->GetRomSize());
    FillPattern(rom.data(), static_cast<int>(rom.size()), seed + 99);
    m.memory->LoadRom(rom.data(), static_cast<int32_t>(rom.size()));
}

struct MappingState {
    uint8_t allRam, remap, paging;
    bool operator==(const MappingState&) const = default;
};
MappingState Mapping(ChipMemory& m) { return {m.GetAllRamFlag(), m.GetRemapFlag(), m.GetPagingRegister()}; }

Bytes CpuRecord(const ChipCpu8080& c) {
    Bytes b(13);
    c.GetState(b.data());
    return b;
}

const MachineSetup kRoundTrips[] = {
    {"Model1_v1_packed_rom", 0, false, false, false, 0xFF, 1, 1},
    {"Model2_musica_v2", 1, false, true, false, 0xFF, 1, 0},
    {"Model2A_v1_raw_rom", 2, false, false, false, 0xFF, 0, 1},
    {"Model2A_256k_v2_packed", 2, true, false, false, 0xFF, 1, 1},
    {"Model3_v2_video", 3, false, false, false, 0x85, 1, 1},
    {"Model3_256k_v2_raw_mif", 3, true, false, true, 0x07, 0, 1},
    {"ModelMato_v1", 4, false, false, false, 0xFF, 1, 1},
    {"ModelC2717_v1", 7, false, false, false, 0xFF, 1, 1},
};

class RoundTrip : public ::testing::TestWithParam<MachineSetup> {};

TEST_P(RoundTrip, RestoresCpuChipsRomAndEveryBank) {
    const MachineSetup& s = GetParam();
    Machine a(s.model, s.ram256k, s.musica);
    Dress(a, 7);
    if (s.ram256k) a.memory->SetPagingRegister(0x52);
    if (s.model == kModelC2717) a.memory->SetRemapFlag(1);
    const MappingState before = Mapping(*a.memory);
    Mif85SnapshotState mif;
    mif.enable = 1;
    for (int i = 0; i < 32; i++) mif.registers[i] = static_cast<uint8_t>(0xC0 + i);

    const fs::path path = TempDir() / (std::string(s.name) + ".psn");
    const int32_t written = a.Save(path, s, s.mif85 ? &mif : nullptr);
    const Bytes file = ReadAll(path);
    ASSERT_GT(written, 0);
    EXPECT_EQ(static_cast<size_t>(written), file.size());
    EXPECT_EQ(Mapping(*a.memory), before) << "saving changed the source mapping";

    const bool v2 = s.musica || s.mif85 || s.video != 0xFF || s.ram256k;
    EXPECT_EQ(file[3], v2 ? 2 : 1);
    EXPECT_EQ(Word(file, 4), v2 ? 124 : 56);

    Machine b(s.model, s.ram256k, s.musica);
    Bytes otherRom(b.memory->GetRomSize(), 0x11);
    b.memory->LoadRom(otherRom.data(), static_cast<int32_t>(otherRom.size()));
    if (s.ram256k) b.memory->SetPagingRegister(0x47);
    const MappingState targetBefore = Mapping(*b.memory);

    uint8_t header[124];
    int32_t romLength = -7;
    Bytes romOut(16384, 0xEE);
    ASSERT_EQ(LoadSnapshot(path.string(), 0, header, &romLength, romOut.data(), b.memory.get()), SnapshotOk);
    EXPECT_EQ(0, std::memcmp(header, file.data(), v2 ? 124 : 56));
    EXPECT_EQ(Mapping(*b.memory), targetBefore) << "loading changed the target mapping";
    EXPECT_TRUE(b.Ram() == a.Ram()) << "RAM differs";
    if (s.withRom) {
        EXPECT_EQ(romLength, a.memory->GetRomSize());
        EXPECT_TRUE(Bytes(romOut.begin(), romOut.begin() + a.memory->GetRomSize()) == a.Rom());
    } else {
        EXPECT_EQ(romLength, -7);
        EXPECT_EQ(romOut, Bytes(16384, 0xEE));
    }

    // The caller restores the chips from the header.
    b.cpu->SetState(header + 7);
    b.gpio->pio.SetState(header + 33);
    b.timer->GetPit().SetState(header + 43, 9);
    b.tape->GetUsart().SetState(header + 52);
    if (b.musica) b.musica->GetPit().SetState(header + 115, 9);
    EXPECT_EQ(CpuRecord(*b.cpu), CpuRecord(*a.cpu));
    uint8_t ra[18], rb[18];
    a.gpio->pio.GetState(ra);
    b.gpio->pio.GetState(rb);
    EXPECT_EQ(0, std::memcmp(ra, rb, 5));
    a.timer->GetPit().GetState(ra, 9);
    b.timer->GetPit().GetState(rb, 9);
    EXPECT_EQ(0, std::memcmp(ra, rb, 9));
    a.tape->GetUsart().GetState(ra);
    b.tape->GetUsart().GetState(rb);
    EXPECT_EQ(0, std::memcmp(ra, rb, 4));
    if (a.musica) {
        a.musica->GetPit().GetState(ra, 9);
        b.musica->GetPit().GetState(rb, 9);
        EXPECT_EQ(0, std::memcmp(ra, rb, 9));
    }
    if (v2) {
        EXPECT_EQ(header[56], s.video);
        EXPECT_EQ(header[57], s.ram256k ? 0x52 : 0xFF);
        EXPECT_EQ(header[82], s.mif85 ? 1 : 0xFF);
        if (s.mif85) {
            EXPECT_EQ(0, std::memcmp(header + 83, mif.registers, 32));
        }
        if (!s.musica) {
            EXPECT_EQ(header[115], 0xFF);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Models, RoundTrip, ::testing::ValuesIn(kRoundTrips),
                         [](const auto& info) { return std::string(info.param.name); });

// Every header field of one hand-made Model-3 with 256 KB, Musica, MIF 85 and
// the video interrupt, checked against the file layout byte by byte.
TEST(SnapshotHeader, FieldOffsetsOfHandMadeMachine) {
    Machine m(3, true, true);
    Dress(m, 1);
    for (int i = 0; i < 16; i++) std::memset(m.memory->GetRam() + i * 16 * KB, i + 1, 16 * KB);
    Bytes rom(8 * KB, 0xC9);
    m.memory->LoadRom(rom.data(), static_cast<int32_t>(rom.size()));
    m.memory->SetPagingRegister(0x47);
    Mif85SnapshotState mif;
    mif.enable = 1;
    for (int i = 0; i < 32; i++) mif.registers[i] = static_cast<uint8_t>(i * 3);

    const fs::path path = TempDir() / "header.psn";
    MachineSetup s{"", 3, true, true, true, 0x85, 1, 1};
    ASSERT_EQ(m.Save(path, s, &mif), 124 + 8192 + 16);
    const Bytes f = ReadAll(path);
    ASSERT_EQ(f.size(), 124u + 8192 + 16);

    const Bytes expectedStart = {
        'P', 'S', 'N', 2, 124, 0, 3,                                       // magic, version, length, model
        0x09, 0x83, 0x07, 0x02, 0x01, 0x04, 0x03, 0x06, 0x05, 0x34, 0x12, 0xCD, 0xAB,  // CPU
        0x00, 0xA0,                                                        // ROM of one byte: raw, 8 KB
        1, 0, 1, 0, 1, 0, 1, 0,                                            // banks 0-3
        0x82, 0x0F, 0xA5,                                                  // system port: control, C, A
        0x80, 0x11, 0x22, 0x33, 0x00,                                      // general-purpose 8255
        0, 0, 0, 0, 0,                                                     // reserved
        0x36, 0x34, 0x12, 0x74, 0x78, 0x56, 0xB0, 0x01, 0x00,              // timer 8253
        0x4E, 0x00, 0x00, 0x27,                                            // tape 8251
        0x85, 0x47,                                                        // video interrupt, paging
    };
    for (size_t i = 0; i < expectedStart.size(); i++) EXPECT_EQ(f[i], expectedStart[i]) << "offset " << i;
    for (int i = 4; i < 16; i++) EXPECT_EQ(Word(f, 58 + 2 * (i - 4)), 1) << "bank " << i;
    EXPECT_EQ(f[82], 1);
    for (int i = 0; i < 32; i++) EXPECT_EQ(f[83 + i], i * 3);
    const uint8_t musica[9] = {0x30, 0x00, 0x01, 0x70, 0x02, 0x03, 0xB0, 0x04, 0x05};
    for (int i = 0; i < 9; i++) EXPECT_EQ(f[115 + i], musica[i]) << "Musica byte " << i;
    for (int i = 0; i < 8192; i++) ASSERT_EQ(f[124 + i], 0xC9);             // ROM block
    for (int i = 0; i < 16; i++) EXPECT_EQ(f[124 + 8192 + i], i + 1) << "bank " << i;  // banks in order
    EXPECT_EQ(m.memory->GetPagingRegister(), 0x47);
}

TEST(SnapshotHeader, Model1With48KbSavesVersion1WithBanks013) {
    Machine m(0, false);
    Dress(m, 3);
    const fs::path path = TempDir() / "model1.psn";
    MachineSetup s{"", 0, false, false, false, 0xFF, 0, 0};
    ASSERT_EQ(m.Save(path, s, nullptr), 56 + 3 * 16384);
    const Bytes f = ReadAll(path);
    ASSERT_EQ(f.size(), 56u + 3 * 16384);
    EXPECT_EQ(f[3], 1);
    EXPECT_EQ(Word(f, 4), 56);
    EXPECT_EQ(Word(f, 20), 0);  // no ROM
    EXPECT_EQ(Word(f, 22), 16384);
    EXPECT_EQ(Word(f, 24), 16384);
    EXPECT_EQ(Word(f, 26), 0);
    EXPECT_EQ(Word(f, 28), 16384);
    // Bank 3 is the RAM the CPU sees at C000h.
    const uint8_t* ram = m.memory->GetRam();
    EXPECT_EQ(0, std::memcmp(f.data() + 56, ram, 16384));
    EXPECT_EQ(0, std::memcmp(f.data() + 56 + 16384, ram + 0x4000, 16384));
    EXPECT_EQ(0, std::memcmp(f.data() + 56 + 2 * 16384, ram + 0x8000, 16384));
}

TEST(SnapshotSave, NoCpuWritesNothing) {
    const fs::path path = TempDir() / "nocpu.psn";
    EXPECT_EQ(SaveSnapshot(path.string(), 0, 1, 0xFF, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                           nullptr, nullptr, 4096, 0, 1),
              0);
    EXPECT_FALSE(fs::exists(path));
}

// A valid Model-3 256 KB snapshot whose last bank is run-length packets, plus a
// target machine with its own contents.
class SnapshotErrors : public ::testing::Test {
protected:
    void SetUp() override {
        Machine a(3, true);
        Dress(a, 11);
        path = TempDir() / "errors.psn";
        MachineSetup s{"", 3, true, false, false, 0xFF, 1, 1};
        ASSERT_GT(a.Save(path, s, nullptr), 0);
        good = ReadAll(path);
        const int last = Word(good, 58 + 2 * 11);
        ASSERT_GT(last, 1);
        ASSERT_LT(last, 16384);
        ASSERT_GT(Word(good, 20) & 0x7FFF, 1);
        ASSERT_EQ(Word(good, 20) & 0x8000, 0);

        target = std::make_unique<Machine>(3, true);
        FillPattern(target->memory->GetRam(), target->memory->GetRamSize(), 500);
        target->memory->SetPagingRegister(0x63);
        ramBefore = target->Ram();
        mappingBefore = Mapping(*target->memory);
    }

    int Load(const Bytes& file) {
        WriteAll(path, file);
        romLength = -7;
        romOut.assign(16384, 0xEE);
        return LoadSnapshot(path.string(), 0, header, &romLength, romOut.data(), target->memory.get());
    }

    void ExpectUntouched() {
        EXPECT_TRUE(target->Ram() == ramBefore) << "memory changed";
        EXPECT_EQ(Mapping(*target->memory), mappingBefore);
        EXPECT_EQ(romLength, -7);
        EXPECT_EQ(romOut, Bytes(16384, 0xEE));
    }

    fs::path path;
    Bytes good;
    std::unique_ptr<Machine> target;
    Bytes ramBefore;
    MappingState mappingBefore{};
    uint8_t header[124];
    int32_t romLength = -7;
    Bytes romOut;
};

TEST_F(SnapshotErrors, BadHeadersAndDataAreRefusedWithoutTouchingMemory) {
    struct Case {
        const char* what;
        int expected;
        void (*mutate)(Bytes&);
    };
    const Case cases[] = {
        {"magic", 3, [](Bytes& b) { b[2] = 'M'; }},
        {"header length 55", 3, [](Bytes& b) { PutWord(b, 4, 55); }},
        {"header length 125", 3, [](Bytes& b) { PutWord(b, 4, 125); }},
        {"model 8", 5, [](Bytes& b) { b[6] = 8; }},
        {"version 0", 4, [](Bytes& b) { b[3] = 0; }},
        {"version 3", 4, [](Bytes& b) { b[3] = 3; }},
        {"ROM length 16385", 3, [](Bytes& b) { PutWord(b, 20, 16385); }},
        {"bank 9 length 16385", 3, [](Bytes& b) { PutWord(b, 58 + 2 * 5, 16385); }},
        {"empty file", 1, [](Bytes& b) { b.clear(); }},
        {"cut in the magic", 1, [](Bytes& b) { Cut(b, 5); }},
        {"cut in the header", 1, [](Bytes& b) { Cut(b, 100); }},
        {"cut in the ROM", 1, [](Bytes& b) { Cut(b, 130); }},
        {"cut in the last bank", 1, [](Bytes& b) { Cut(b, b.size() - 1); }},
        {"last bank overflows", 6,
         [](Bytes& b) {
             const int last = Word(b, 58 + 2 * 11);
             std::memset(b.data() + b.size() - last, 0x7F, last);  // repeat packets of 130 bytes
         }},
        {"last bank too short", 6,
         [](Bytes& b) {
             const int last = Word(b, 58 + 2 * 11);
             std::memset(b.data() + b.size() - last, 0x00, last);  // repeat packets of 3 bytes
         }},
        {"ROM does not unpack", 6,
         [](Bytes& b) {
             const int rom = Word(b, 20);
             std::memset(b.data() + 124, 0x7F, rom);
             b[124 + rom - 1] = 0x85;  // a literal packet cut short
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes bad = good;
        c.mutate(bad);
        EXPECT_EQ(Load(bad), c.expected);
        ExpectUntouched();
    }
}

TEST_F(SnapshotErrors, MissingFileAndFolderGiveOne) {
    int32_t len = -7;
    uint8_t h[124];
    EXPECT_EQ(LoadSnapshot((TempDir() / "missing.psn").string(), 0, h, &len, nullptr, target->memory.get()), 1);
    EXPECT_EQ(LoadSnapshot(TempDir().string(), 0, h, &len, nullptr, target->memory.get()), 1);
    EXPECT_EQ(len, -7);
    EXPECT_TRUE(target->Ram() == ramBefore);
}

TEST_F(SnapshotErrors, GoodFileLoadsAfterAll) {
    EXPECT_EQ(Load(good), SnapshotOk);
    EXPECT_EQ(romLength, 8 * KB);
    EXPECT_EQ(Mapping(*target->memory), mappingBefore);
}

TEST(SnapshotLoad, HeaderBufferIsClearedBeyondAVersion1Header) {
    Machine m(1, false);
    Dress(m, 5);
    const fs::path path = TempDir() / "v1.psn";
    MachineSetup s{"", 1, false, false, false, 0xFF, 1, 0};
    ASSERT_GT(m.Save(path, s, nullptr), 0);
    uint8_t header[124];
    std::memset(header, 0xEE, sizeof header);
    EXPECT_EQ(LoadSnapshot(path.string(), 0, header, nullptr, nullptr, nullptr), SnapshotOk);
    EXPECT_EQ(header[3], 1);
    for (int i = 56; i < 124; i++) EXPECT_EQ(header[i], 0) << "offset " << i;
}

// A version 1 Model-2 file made by hand: bank 0 raw, bank 1 one repeated byte,
// bank 3 absent.
TEST(SnapshotLoad, RawBankAndOneByteBankLoad) {
    Bytes f(56, 0);
    std::memcpy(f.data(), "PSN", 3);
    f[3] = 1;
    PutWord(f, 4, 56);
    f[6] = 1;
    PutWord(f, 22, 16384);
    PutWord(f, 24, 1);
    Bytes raw(16384);
    FillPattern(raw.data(), 16384, 42);
    f.insert(f.end(), raw.begin(), raw.end());
    f.push_back(0x5A);
    const fs::path path = TempDir() / "handmade.psn";
    WriteAll(path, f);

    Machine m(1, false);
    std::memset(m.memory->GetRam(), 0x33, m.memory->GetRamSize());
    uint8_t header[124];
    ASSERT_EQ(LoadSnapshot(path.string(), 0, header, nullptr, nullptr, m.memory.get()), SnapshotOk);
    const uint8_t* ram = m.memory->GetRam();
    EXPECT_EQ(0, std::memcmp(ram, raw.data(), 16384));
    for (int i = 0; i < 16384; i++) ASSERT_EQ(ram[0x4000 + i], 0x5A) << i;
    for (int i = 0; i < 16384; i++) ASSERT_EQ(ram[0x8000 + i], 0x33) << i;  // bank 3 left alone
}

// A raw ROM block (bit 15) and a packed one of one repeated byte, which unpacks to 16 KB.
TEST(SnapshotLoad, RomBlockRawAndPacked) {
    for (int packed = 0; packed < 2; packed++) {
        SCOPED_TRACE(packed);
        Bytes f(56, 0);
        std::memcpy(f.data(), "PSN", 3);
        f[3] = 1;
        PutWord(f, 4, 56);
        Bytes rom(4096);
        FillPattern(rom.data(), 4096, 8);
        if (packed) {
            PutWord(f, 20, 1);
            f.push_back(0xAA);
        } else {
            PutWord(f, 20, 0x8000 | 4096);
            f.insert(f.end(), rom.begin(), rom.end());
        }
        const fs::path path = TempDir() / "rom.psn";
        WriteAll(path, f);
        int32_t len = -1;
        Bytes out(16384, 0);
        uint8_t header[124];
        ASSERT_EQ(LoadSnapshot(path.string(), 0, header, &len, out.data(), nullptr), SnapshotOk);
        if (packed) {
            EXPECT_EQ(len, 16384);
            EXPECT_EQ(out, Bytes(16384, 0xAA));
        } else {
            EXPECT_EQ(len, 4096);
            EXPECT_EQ(0, std::memcmp(out.data(), rom.data(), 4096));
        }
    }
}

// Bank 2 is stored and loaded only on Model-2A, Model-3 and Model-C2717.
TEST(SnapshotLoad, Bank2FieldIgnoredOnOtherModels) {
    Machine a(2, false);
    Dress(a, 21);
    const fs::path path = TempDir() / "bank2.psn";
    MachineSetup s{"", 2, false, false, false, 0xFF, 1, 0};
    ASSERT_GT(a.Save(path, s, nullptr), 0);
    Bytes f = ReadAll(path);
    ASSERT_GT(Word(f, 26), 0);
    f[6] = 1;  // claim Model-2: bank 2's block is then not read, bank 3 follows bank 1
    const int b0 = Word(f, 22), b1 = Word(f, 24), b2 = Word(f, 26);
    f.erase(f.begin() + 56 + b0 + b1, f.begin() + 56 + b0 + b1 + b2);
    WriteAll(path, f);
    Machine b(1, false);
    uint8_t header[124];
    ASSERT_EQ(LoadSnapshot(path.string(), 0, header, nullptr, nullptr, b.memory.get()), SnapshotOk);
    EXPECT_EQ(0, std::memcmp(b.memory->GetRam(), a.memory->GetRam(), 0x8000));
    EXPECT_EQ(0, std::memcmp(b.memory->GetRam() + 0x8000, a.memory->GetRam() + 0xC000, 0x4000));
}

TEST(SnapshotLoad, AllRamAndRemapOfTargetUnchanged) {
    Machine a(7, false);
    Dress(a, 31);
    const fs::path path = TempDir() / "c2717.psn";
    MachineSetup s{"", 7, false, false, false, 0xFF, 1, 1};
    ASSERT_GT(a.Save(path, s, nullptr), 0);
    for (int flags = 0; flags < 4; flags++) {
        SCOPED_TRACE(flags);
        Machine b(7, false);
        b.memory->SetAllRamFlag(flags & 1);
        b.memory->SetRemapFlag(flags >> 1);
        uint8_t header[124];
        ASSERT_EQ(LoadSnapshot(path.string(), 0, header, nullptr, nullptr, b.memory.get()), SnapshotOk);
        EXPECT_EQ(b.memory->GetAllRamFlag(), flags & 1);
        EXPECT_EQ(b.memory->GetRemapFlag(), flags >> 1);
        EXPECT_TRUE(b.Ram() == a.Ram());
    }
}

// A 256 KB snapshot loaded into a memory without paging gives only banks 0-3.
TEST(SnapshotLoad, PagedSnapshotIntoUnpagedMemoryLoadsFourBanks) {
    Machine a(3, true);
    Dress(a, 41);
    const fs::path path = TempDir() / "paged.psn";
    MachineSetup s{"", 3, true, false, false, 0xFF, 1, 0};
    ASSERT_GT(a.Save(path, s, nullptr), 0);
    Machine b(3, false);
    uint8_t header[124];
    ASSERT_EQ(LoadSnapshot(path.string(), 0, header, nullptr, nullptr, b.memory.get()), SnapshotOk);
    EXPECT_EQ(0, std::memcmp(b.memory->GetRam(), a.memory->GetRam(), 64 * KB));
}

// Embedded at an offset of an existing file: written in place, read back through
// a name and through an open stream, whose position is kept.
TEST(SnapshotOffset, WrittenInPlaceAndReadThroughHandle) {
    const fs::path path = TempDir() / "embedded.prc";
    Bytes prefix(100);
    FillPattern(prefix.data(), 100, 77);
    Bytes content(100 + 300000, 0x99);
    std::memcpy(content.data(), prefix.data(), 100);
    WriteAll(path, content);

    Machine a(2, true);
    Dress(a, 51);
    MachineSetup s{"", 2, true, false, false, 0xFF, 1, 1};
    const int32_t n = a.Save(path, s, nullptr, 100);
    ASSERT_GT(n, 0);
    const Bytes f = ReadAll(path);
    ASSERT_EQ(f.size(), content.size());
    EXPECT_EQ(0, std::memcmp(f.data(), prefix.data(), 100));
    EXPECT_EQ(f[100 + n], 0x99);

    Machine b(2, true);
    uint8_t header[124];
    ASSERT_EQ(LoadSnapshot(path.string(), 100, header, nullptr, nullptr, b.memory.get()), SnapshotOk);
    EXPECT_TRUE(b.Ram() == a.Ram());

    Machine c(2, true);
    std::FILE* stream = std::fopen(path.c_str(), "rb");
    ASSERT_NE(stream, nullptr);
    std::fseek(stream, 37, SEEK_SET);
    EXPECT_EQ(LoadSnapshotFromHandle(stream, 100, header, nullptr, nullptr, c.memory.get()), SnapshotOk);
    EXPECT_EQ(std::ftell(stream), 37);
    std::fclose(stream);
    EXPECT_TRUE(c.Ram() == a.Ram());

    int fd = ::open(path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ::lseek(fd, 5, SEEK_SET);
    EXPECT_EQ(LoadSnapshotFromHandle(fd, 100, header, nullptr, nullptr, nullptr), SnapshotOk);
    EXPECT_EQ(::lseek(fd, 0, SEEK_CUR), 5);
    ::close(fd);
}

// Limits the file size for the process so that writes fall short.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        old = ::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &saved);
        rlimit r = saved;
        r.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &r);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved);
        ::signal(SIGXFSZ, old);
    }

private:
    rlimit saved{};
    void (*old)(int) = nullptr;
};

TEST(SnapshotSave, FailedSaveLeavesExistingFileWhole) {
    Machine m(3, true);
    Dress(m, 61);
    MachineSetup s{"", 3, true, false, false, 0xFF, 0, 1};  // raw: about 270 KB

    // The path is a folder.
    const fs::path folder = TempDir() / "folder.psn";
    fs::create_directories(folder);
    EXPECT_EQ(m.Save(folder, s, nullptr), 0);
    EXPECT_TRUE(fs::is_directory(folder));

    // A short write at offset 0: the old file stays as it was.
    const fs::path path = TempDir() / "existing.psn";
    Bytes old(200000);
    FillPattern(old.data(), static_cast<int>(old.size()), 3);
    WriteAll(path, old);
    {
        FileSizeLimit limit(250000);
        EXPECT_EQ(m.Save(path, s, nullptr), 0);
    }
    EXPECT_TRUE(ReadAll(path) == old);
    for (const auto& e : fs::directory_iterator(TempDir()))
        EXPECT_EQ(e.path().filename().string().find("existing.psn.tmp"), std::string::npos) << "temporary file left";

    // A short write in place is reported.
    {
        FileSizeLimit limit(250000);
        EXPECT_EQ(m.Save(path, s, nullptr, 1000), 0);
    }
    // In place needs an existing file.
    EXPECT_EQ(m.Save(TempDir() / "absent.prc", s, nullptr, 1000), 0);
    EXPECT_FALSE(fs::exists(TempDir() / "absent.prc"));
}

}  // namespace

namespace {

// A ROM of one repeated byte packs to a single byte, which reads back as a
// whole 16 KB bank: such a ROM is stored raw and reloads at its own size.
TEST(SnapshotSave, UniformRomKeepsItsSize) {
    Machine m(0, false);
    Bytes rom(m.memory->GetRomSize(), 0xFF);
    m.memory->LoadRom(rom.data(), static_cast<int32_t>(rom.size()));
    MachineSetup s{"uniform", 0, false, false, false, 0xFF, 1, 1};
    const fs::path path = TempDir() / "uniform.psn";
    ASSERT_GT(m.Save(path, s, nullptr), 0);
    int32_t len = -1;
    Bytes out(16384, 0);
    uint8_t header[124];
    ASSERT_EQ(LoadSnapshot(path.string(), 0, header, &len, out.data(), nullptr), SnapshotOk);
    EXPECT_EQ(len, m.memory->GetRomSize());
    EXPECT_EQ(header[20] | header[21] << 8, 0x8000 | m.memory->GetRomSize());
}

// Bank 0 holds RAM even while the boot mapping shows the ROM there: it is
// saved and loaded as RAM, and the boot mapping stays as it was.
TEST(SnapshotSave, BootMappingDoesNotHideBankZero) {
    for (int model : {0, 2, 7}) {
        SCOPED_TRACE(model);
        Machine m(model, false);
        Dress(m, 5);
        const Bytes ram = m.Ram();
        m.memory->Reset();  // boot mapping: ROM at 0000h
        ASSERT_EQ(m.memory->GetBootFlag(), 1);
        MachineSetup s{"boot", model, false, false, false, 0xFF, 1, 0};
        const fs::path path = TempDir() / "boot.psn";
        ASSERT_GT(m.Save(path, s, nullptr), 0);
        EXPECT_EQ(m.memory->GetBootFlag(), 1);

        Machine back(model, false);
        back.memory->Reset();
        uint8_t header[124];
        ASSERT_EQ(LoadSnapshot(path.string(), 0, header, nullptr, nullptr, back.memory.get()), SnapshotOk);
        EXPECT_EQ(back.memory->GetBootFlag(), 1);
        back.memory->EndBootMapping();
        const Bytes got = back.Ram();
        ASSERT_EQ(got.size(), ram.size());
        EXPECT_TRUE(std::equal(ram.begin(), ram.begin() + 0x4000, got.begin()));
    }
}

}  // namespace
