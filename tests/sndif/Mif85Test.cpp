#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "machine/cpu/ChipCpu8080.h"
#include "machine/snapshot/Snapshot.h"
#include "machine/sndif/Mif85.h"
#include "machine/sound/SoundDriver.h"
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

namespace {

// The MIF 85 machine's mix: speaker, tape and the interface at volume 100
// (three channels of 100 / 300 x 32767 = 10922 each).
struct MifMix {
    Mif85 mif;
    SoundDriver sound{SoundDriver::NoDevice, 3, std::vector<int>{100, 100, 100}};
    MifMix() { sound.SetGenerator(MakeClosure<&Mif85::GenerateSamples>(&mif)); }
    ~MifMix() { sound.SetGenerator(SoundGenerator()); }
    void Set(uint8_t reg, uint8_t value) {
        mif.WritePort(0xEF, reg, 0);
        mif.WritePort(0xEE, value, 0);
    }
    // The whole ring: 50 slices mixed, then handed to the device.
    std::vector<int16_t> Mix() {
        for (int s = 0; s < SoundDriver::RingSlices; ++s) sound.MixSlice();
        std::vector<int16_t> out(size_t(SoundDriver::RingFrames) * 2);
        sound.FillOutput(out.data(), SoundDriver::RingFrames);
        return out;
    }
};

constexpr int kChannelAmplitude = 100 * 32767 / (3 * 100);  // 10922

TEST(Mif85Mix, EverySourceAtFullLevelStaysInsideSixteenBits) {
    MifMix m;
    m.sound.SetLevel(0, 1, 0);  // speaker on
    m.sound.SetLevel(1, 1, 0);  // tape on
    for (uint8_t ch = 0; ch < 6; ++ch) m.Set(ch, 0xFF);
    m.Set(0x14, 0x3F);
    m.Set(0x1C, 0x02);  // restart the generators in step: the sum reaches its extremes
    m.Set(0x1C, 0x01);
    const std::vector<int16_t> out = m.Mix();
    int high = -32768, low = 32767;
    for (int16_t v : out) {
        ASSERT_NE(v, 32767);
        ASSERT_NE(v, -32768);
        high = std::max<int>(high, v);
        low = std::min<int>(low, v);
    }
    // Each source at most its channel's amplitude: speaker and tape on, the
    // chip at the top and the bottom of its swing.
    EXPECT_EQ(high, 3 * kChannelAmplitude);
    EXPECT_EQ(low, 2 * kChannelAmplitude - kChannelAmplitude);
}

TEST(Mif85Mix, OneChannelAtFullLevelIsASixthOfTheInterfaceChannel) {
    // The chip's full scale, 16384, is shared by six channels of 15 x 16
    // steps; the mixer scales it by the channel's amplitude / 16384.
    const int chip = 15 * 16 * 16384 / (6 * 15 * 16);      // 2730
    const int expected = chip * kChannelAmplitude / 16384;  // 1819
    for (uint8_t ch = 0; ch < 6; ++ch) {
        MifMix m;
        m.Set(ch, 0xFF);
        m.Set(0x14, uint8_t(1 << ch));
        m.Set(0x1C, 0x02);
        m.Set(0x1C, 0x01);
        const std::vector<int16_t> out = m.Mix();  // 100 ms: several half periods of 30.6 Hz
        int peakL = 0, peakR = 0;
        for (size_t i = 0; i < out.size(); i += 2) {
            peakL = std::max(peakL, std::abs(int(out[i])));
            peakR = std::max(peakR, std::abs(int(out[i + 1])));
        }
        EXPECT_EQ(peakL, expected) << "channel " << int(ch);
        EXPECT_EQ(peakR, expected) << "channel " << int(ch);
    }
}

}  // namespace
