#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "machine/cpu/ChipCpu8080.h"
#include "machine/snapshot/Snapshot.h"
#include "machine/sndif/Mif85.h"
#include "tests/support/FlatMachine.h"

using namespace testsupport;

namespace {

// Writes reg, value pairs through ports EFh (address) and EEh (data).
void EmitWrites(Asm& a, const std::vector<std::pair<uint8_t, uint8_t>>& writes) {
    for (auto [reg, value] : writes) a.b(MVI_A, reg).b(OUT, 0xEF).b(MVI_A, value).b(OUT, 0xEE);
}

const std::vector<std::pair<uint8_t, uint8_t>> kTune = {
    {0x00, 0x9C}, {0x08, 0x80}, {0x10, 0x04}, {0x14, 0x01}, {0x15, 0x00}, {0x16, 0x21},
    {0x18, 0x8A}, {0x02, 0x77}, {0x0D, 0x33}, {0x12, 0x50}, {0x1C, 0x02}, {0x1C, 0x01},
};

struct MifMachine : FlatMachine {
    Mif85 mif;
    MifMachine() { cpu.AddPortDevice(0xEC, 0xFC, 1, &mif); }
    ~MifMachine() { cpu.RemovePortDevice(0xEC); }
};

TEST(Mif85, ProgramWritesReachTheChipAndTheMirror) {
    MifMachine m;
    Asm a;
    a.w(LXI_SP, 0xF000).b(MVI_A, 0x01).b(OUT, 0xEC);
    EmitWrites(a, kTune);
    // Reads of ECh-EFh give FFh: store them at 8000h-8003h.
    a.b(IN, 0xEC).w(STA, 0x8000).b(IN, 0xED).w(STA, 0x8001).b(IN, 0xEE).w(STA, 0x8002);
    a.b(IN, 0xEF).w(STA, 0x8003).b(HLT);
    m.Load(a.Build());
    ASSERT_TRUE(m.RunToHalt());

    uint8_t mirror[32];
    EXPECT_EQ(m.mif.GetRegisters(mirror), 32);
    EXPECT_EQ(m.mif.GetRegisters(nullptr), 32);
    uint8_t expected[32] = {};
    for (auto [reg, value] : kTune) expected[reg] = value;
    for (int r = 0; r < 32; ++r) {
        EXPECT_EQ(mirror[r], expected[r]) << "mirror " << r;
        EXPECT_EQ(m.mif.Chip().Register(r), expected[r]) << "chip " << r;
    }
    EXPECT_EQ(m.mif.IsEnabled(), 1);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(m.memory.ReadByte(0x8000 + i), 0xFF) << i;

    // The chip now plays: channel 0 at amplitude 12 left, 9 right.
    std::vector<int16_t> buffer(2 * 88 * 20);
    for (int slice = 0; slice < 20; ++slice) m.mif.GenerateSamples(buffer.data() + slice * 176, 88);
    int peakL = 0, peakR = 0;
    for (size_t i = 0; i < buffer.size(); i += 2) {
        peakL = std::max(peakL, std::abs(int(buffer[i])));
        peakR = std::max(peakR, std::abs(int(buffer[i + 1])));
    }
    EXPECT_GT(peakL, 0);
    EXPECT_GT(peakR, 0);
}

TEST(Mif85, AddressIsTakenModulo32AndOtherPortsAreIgnored) {
    Mif85 mif;
    mif.WritePort(0xEF, 0x25, 0);
    EXPECT_EQ(mif.GetAddress(), 0x05);
    mif.WritePort(0xEE, 0xAB, 0);
    uint8_t mirror[32];
    mif.GetRegisters(mirror);
    EXPECT_EQ(mirror[5], 0xAB);
    EXPECT_EQ(mif.Chip().Register(5), 0xAB);
    // ECh takes only bit 0; EDh does nothing.
    mif.WritePort(0xEC, 0xFE, 0);
    EXPECT_EQ(mif.IsEnabled(), 0);
    mif.WritePort(0xEC, 0x03, 0);
    EXPECT_EQ(mif.IsEnabled(), 1);
    mif.WritePort(0xED, 0x77, 0);
    mif.WritePort(0x5E, 0x77, 0);
    mif.GetRegisters(mirror);
    for (int r = 0; r < 32; ++r) EXPECT_EQ(mirror[r], r == 5 ? 0xAB : 0) << r;
}

TEST(Mif85, ResetClearsMirrorChipAndEnable) {
    Mif85 mif;
    mif.WritePort(0xEC, 1, 0);
    for (auto [reg, value] : kTune) {
        mif.WritePort(0xEF, reg, 0);
        mif.WritePort(0xEE, value, 0);
    }
    mif.Reset(0);
    uint8_t mirror[32];
    mif.GetRegisters(mirror);
    for (int r = 0; r < 32; ++r) {
        EXPECT_EQ(mirror[r], 0) << r;
        EXPECT_EQ(mif.Chip().Register(r), 0) << r;
    }
    EXPECT_EQ(mif.IsEnabled(), 0);
    EXPECT_EQ(mif.GetAddress(), 0);
    std::vector<int16_t> buffer(176, 1);
    mif.GenerateSamples(buffer.data(), 88);
    for (int16_t v : buffer) EXPECT_EQ(v, 0);
}

TEST(Mif85, SnapshotRoundTripRestoresTheMirror) {
    MifMachine m;
    Asm a;
    a.b(MVI_A, 0x01).b(OUT, 0xEC);
    EmitWrites(a, kTune);
    a.b(HLT);
    m.Load(a.Build());
    ASSERT_TRUE(m.RunToHalt());

    std::string templ = (std::filesystem::temp_directory_path() / "orvik-mif-XXXXXX").string();
    ASSERT_NE(::mkdtemp(templ.data()), nullptr);
    const std::string path = templ + "/m.psn";
    Mif85SnapshotState state;
    state.enable = m.mif.IsEnabled();
    m.mif.GetRegisters(state.registers);
    ASSERT_GT(SaveSnapshot(path, 0, 1, 0xFF, &state, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                           &m.cpu, 0, 0, 0),
              0);
    uint8_t header[snapshot::HeaderSize];
    int result = LoadSnapshot(path, 0, header, nullptr, nullptr, nullptr);
    std::filesystem::remove_all(templ);
    ASSERT_EQ(result, SnapshotOk);

    Mif85 restored;
    restored.SetRegisters(header + snapshot::OffMif85Registers, header[snapshot::OffMif85Enable]);
    uint8_t before[32], after[32];
    m.mif.GetRegisters(before);
    restored.GetRegisters(after);
    for (int r = 0; r < 32; ++r) {
        EXPECT_EQ(after[r], before[r]) << r;
        EXPECT_EQ(restored.Chip().Register(r), before[r]) << r;
    }
    EXPECT_EQ(restored.IsEnabled(), 1);

    // A snapshot taken right after a reset stores 32 zero bytes.
    m.mif.Reset(0);
    m.mif.GetRegisters(state.registers);
    for (uint8_t v : state.registers) EXPECT_EQ(v, 0);
    // Without registers only the enable bit is taken.
    restored.SetRegisters(nullptr, 0);
    EXPECT_EQ(restored.IsEnabled(), 0);
    restored.GetRegisters(after);
    EXPECT_EQ(after[0], 0x9C);
}

}  // namespace
