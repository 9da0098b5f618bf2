// Snapshot commands over the owner: a machine saved on each model loads back
// into a machine configured otherwise and comes out in the same state; a bad
// snapshot changes nothing.
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>

#include "OwnerFixture.h"
#include "machine/core/ChangeCodes.h"
#include "machine/core/ModelIndex.h"
#include "machine/owner/SnapshotCommands.h"
#include "machine/pio/IifGPIO.h"
#include "machine/pio/SystemPIO.h"
#include "machine/screen/ScreenDAD85.h"
#include "machine/sndif/IfMusica.h"
#include "machine/sndif/Mif85.h"
#include "machine/sound/SoundDriver.h"
#include "machine/storage/Pmd32.h"
#include "machine/tape/IifTape.h"
#include "machine/timer/IifTimer.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct MachineCase {
    const char* name;
    int model;
    bool ram256k;
    bool musica;
    bool pmd32;
    bool video;
};

void SetAttr(pugi::xml_node node, const char* name, const char* value) {
    node.remove_attribute(name);
    node.append_attribute(name).set_value(value);
}

std::string ConfigText(const pugi::xml_document& doc) {
    std::ostringstream out;
    doc.save(out);
    return out.str();
}

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

class SnapshotCommandsTest : public OwnerTest {
protected:
    void SetUp() override {
        OwnerTest::SetUp();
        owner.SetSoundFactory([](int, int channels, std::span<const int> volumes) {
            return std::make_unique<SoundDriver>(SoundDriver::NoDevice, channels, volumes);
        });
        ConfigRoot.append_child("Controls").append_child("Keyboard");
        SetAttr(Section("Sound"), "device-index", "0");
    }
    void Configure(const MachineCase& s) {
        SelectModel(s.model);
        SetAttr(ModelElement(s.model), "ram256k", s.ram256k ? "true" : "false");
        SetAttr(Section("Sound"), "sound-if", s.musica ? "musica" : "none");
        SetAttr(Section("Screen"), "video-cpu-interrupt", s.video ? "true" : "false");
        pugi::xml_node pmd = Section("Storages").child("PMD-32");
        if (s.pmd32) {
            std::string paths[4];
            ConnectDrives(ConfigRoot, dir, paths);
        } else {
            pmd.attribute("connected").set_value("false");
        }
    }
    void ApplyAll() {
        std::vector<int> codes;
        for (int c = ChangeCode::First; c <= ChangeCode::Last; ++c) codes.push_back(c);
        owner.ApplySettings(codes);
        owner.ResetMachine(0);
        debugger.cpu = owner.GetCpu();
    }
    // Distinctive state in every part the snapshot keeps.
    void Dress(uint32_t seed) {
        ChipCpu8080& c = Cpu();
        c.A = 0x17; c.F = 0x93; c.B = 0x21; c.C = 0x32; c.D = 0x43; c.E = 0x54; c.H = 0x65; c.L = 0x76;
        c.SP = 0x7FF0; c.PC = 0x4321; c.INTE = 1;
        ChipMemory& m = Mem();
        if (m.GetPagingFlag()) m.SetPagingRegister(0x05);
        uint32_t x = seed;
        for (int32_t i = 0; i < m.GetRamSize(); ++i) {
            x = x * 1103515245u + 12345u;
            m.GetRam()[i] = static_cast<uint8_t>(x >> 16);
        }
        if (SystemPIO* s = owner.GetSystemPio()) {
            s->WritePort(0x87, 0x82, 0);
            s->WritePort(0x84, 0x5A, 0);
            s->WritePort(0x86, 0x03, 0);
        }
        if (IifGPIO* g = owner.GetGpio()) {
            g->WritePort(0x4F, 0x80, 0);
            g->WritePort(0x4C, 0x33, 0);
            g->WritePort(0x4D, 0x22, 0);
        }
        if (IifTimer* t = owner.GetTimerIf()) {
            ChipPIT8253& p = t->GetPit();
            p.Write(3, 0x36); p.Write(0, 0x34); p.Write(0, 0x12);
            p.Write(3, 0xB0); p.Write(2, 0x01); p.Write(2, 0x00);
        }
        if (IifTape* t = owner.GetTape()) {
            t->GetUsart().Write(1, 0x4E);
            t->GetUsart().Write(1, 0x27);
        }
        if (IfMusica* mu = owner.GetMusica()) {
            ChipPIT8253& p = mu->GetPit();
            p.Write(3, 0x70); p.Write(1, 0x02); p.Write(1, 0x03);
        }
        if (owner.GetVideoInterruptOption()) owner.GetScreen()->SetVideoInterruptState(1);
    }
    struct State {
        uint8_t cpu[13] = {};
        Bytes ram;
        uint8_t paging = 0;
        uint8_t gpio[5] = {}, timer[9] = {}, usart[4] = {}, musica[9] = {};
    };
    State Capture() {
        State s;
        Cpu().GetState(s.cpu);
        s.ram.assign(Mem().GetRam(), Mem().GetRam() + Mem().GetRamSize());
        s.paging = Mem().GetPagingFlag() ? Mem().GetPagingRegister() : 0xFF;
        if (owner.GetGpio()) owner.GetGpio()->pio.GetState(s.gpio);
        if (owner.GetTimerIf()) owner.GetTimerIf()->GetPit().GetState(s.timer, 9);
        if (owner.GetTape()) owner.GetTape()->GetUsart().GetState(s.usart);
        if (owner.GetMusica()) owner.GetMusica()->GetPit().GetState(s.musica, 9);
        return s;
    }
    static void ExpectSame(const State& a, const State& b) {
        EXPECT_EQ(0, std::memcmp(a.cpu, b.cpu, 13)) << "CPU";
        EXPECT_EQ(a.ram.size(), b.ram.size());
        EXPECT_TRUE(a.ram == b.ram) << "RAM";
        EXPECT_EQ(a.paging, b.paging);
        EXPECT_EQ(0, std::memcmp(a.gpio, b.gpio, 5)) << "GPIO";
        EXPECT_EQ(0, std::memcmp(a.timer, b.timer, 9)) << "timer";
        EXPECT_EQ(0, std::memcmp(a.usart, b.usart, 4)) << "USART";
        EXPECT_EQ(0, std::memcmp(a.musica, b.musica, 9)) << "Musica";
    }

    TempDir dir;
};

class SnapshotRoundTrip : public SnapshotCommandsTest, public ::testing::WithParamInterface<MachineCase> {};

TEST_P(SnapshotRoundTrip, LoadsIntoAnotherSetUpAndRestoresTheMachine) {
    const MachineCase& s = GetParam();
    Configure(s);
    ApplyAll();
    Dress(s.model * 7 + 1);
    const State before = Capture();
    const std::string path = dir.path + "/m.psn";
    SnapshotSaveOptions options;
    options.withMonitor = true;
    ASSERT_GT(SaveMachineSnapshot(owner, path, 0, options), 0);
    const Bytes file = ReadFile(path);

    // Another model, no sound interface, no disk unit, no 256 KB.
    MachineCase other{"other", (s.model + 3) % 8, false, false, false, false};
    Configure(other);
    ApplyAll();
    ASSERT_EQ(owner.GetModel(), other.model);

    const SnapshotLoadResult r = LoadMachineSnapshot(owner, path, 0);
    ASSERT_TRUE(r.Loaded()) << r.result;
    EXPECT_EQ(owner.GetModel(), s.model);
    EXPECT_STREQ(Section("Model").attribute("current").value(), kOwnerModelNames[s.model]);
    EXPECT_EQ(owner.GetMusica() != nullptr, s.musica);
    EXPECT_EQ(owner.GetRam256k() != 0, s.ram256k);
    ExpectSame(before, Capture());
    EXPECT_EQ(Mem().GetBootFlag(), 0);
    if (s.video) {
        EXPECT_EQ(owner.GetScreen()->GetVideoInterruptState(), 1);
    }
    // Saved again, the same file.
    ASSERT_GT(SaveMachineSnapshot(owner, path, 0, options), 0);
    EXPECT_TRUE(ReadFile(path) == file);
}

INSTANTIATE_TEST_SUITE_P(
    Models, SnapshotRoundTrip,
    ::testing::Values(MachineCase{"Model1", kModel1, false, false, true, false},
                      MachineCase{"Model2Musica", kModel2, false, true, false, true},
                      MachineCase{"Model2A", kModel2A, false, false, false, false},
                      MachineCase{"Model2A256k", kModel2A, true, true, true, true},
                      MachineCase{"Model3", kModel3, false, false, false, false},
                      MachineCase{"Model3With256k", kModel3, true, false, true, false},
                      MachineCase{"Mato", kModelMato, false, false, false, false},
                      MachineCase{"Alfa", kModelAlfa, false, true, true, false},
                      MachineCase{"Alfa2", kModelAlfa2, false, false, true, false},
                      MachineCase{"C2717", kModelC2717, false, true, true, false}),
    [](const ::testing::TestParamInfo<MachineCase>& info) { return std::string(info.param.name); });

TEST_F(SnapshotCommandsTest, BadSnapshotsChangeNeitherMachineNorConfiguration) {
    Configure(MachineCase{"src", kModel2A, true, true, false, true});
    ApplyAll();
    Dress(3);
    const std::string good = dir.path + "/good.psn";
    ASSERT_GT(SaveMachineSnapshot(owner, good, 0, SnapshotSaveOptions{}), 0);
    const Bytes file = ReadFile(good);

    Configure(MachineCase{"running", kModelC2717, false, false, false, false});
    ApplyAll();
    Dress(11);
    const State before = Capture();
    const std::string config = ConfigText(doc);
    ChipMemory* memory = owner.GetMemory();

    std::vector<Bytes> bad;
    for (size_t cut : {size_t(0), size_t(3), size_t(7), size_t(56), size_t(123), size_t(124), file.size() / 2,
                       file.size() - 1})
        bad.emplace_back(file.begin(), file.begin() + static_cast<long>(cut));
    Bytes corrupt = file;
    corrupt[22] = 5;  // bank 0: five bytes that cannot unpack to a bank
    corrupt[23] = 0;
    bad.push_back(corrupt);
    Bytes badModel = file;
    badModel[6] = 9;
    bad.push_back(badModel);
    for (size_t i = 0; i < bad.size(); ++i) {
        SCOPED_TRACE(i);
        const std::string path = dir.File("bad.psn", bad[i]);
        const SnapshotLoadResult r = LoadMachineSnapshot(owner, path, 0);
        EXPECT_FALSE(r.Loaded());
        EXPECT_FALSE(r.changed);
        EXPECT_EQ(owner.GetMemory(), memory);  // not rebuilt
        EXPECT_EQ(ConfigText(doc), config);
        ExpectSame(before, Capture());
    }
    EXPECT_FALSE(LoadMachineSnapshot(owner, dir.path + "/none.psn", 0).Loaded());
    EXPECT_FALSE(LoadMachineSnapshot(owner, dir.path, 0).Loaded());
    EXPECT_EQ(ConfigText(doc), config);
}

TEST_F(SnapshotCommandsTest, ConfigurationFollowsTheSnapshot) {
    // Version 1 of Model-2A: no 256 KB, no video interrupt, sound-if kept.
    Configure(MachineCase{"v1", kModel2A, false, false, false, false});
    ApplyAll();
    const std::string v1 = dir.path + "/v1.psn";
    ASSERT_GT(SaveMachineSnapshot(owner, v1, 0, SnapshotSaveOptions{}), 0);
    ASSERT_EQ(ReadFile(v1)[3], 1);
    Configure(MachineCase{"x", kModel2A, true, true, false, true});
    ApplyAll();
    ASSERT_TRUE(LoadMachineSnapshot(owner, v1, 0).Loaded());
    EXPECT_STREQ(ModelElement(kModel2A).attribute("ram256k").value(), "false");
    EXPECT_STREQ(Section("Screen").attribute("video-cpu-interrupt").value(), "false");
    EXPECT_STREQ(Section("Sound").attribute("sound-if").value(), "musica");

    // Model-Mato never takes the video interrupt.
    Configure(MachineCase{"mato", kModelMato, false, true, false, false});
    ApplyAll();
    const std::string mato = dir.path + "/mato.psn";
    ASSERT_GT(SaveMachineSnapshot(owner, mato, 0, SnapshotSaveOptions{}), 0);
    Bytes f = ReadFile(mato);
    ASSERT_EQ(f[3], 1);
    // The same machine as a version 2 header whose video-interrupt byte is set.
    Bytes extra(124 - 56, 0);
    extra[56 - 56] = 1;      // video interrupt
    extra[57 - 56] = 0xFF;   // no paging register
    extra[82 - 56] = 0xFF;   // no MIF 85
    extra[115 - 56] = 0xFF;  // no Musica
    f.insert(f.begin() + 56, extra.begin(), extra.end());
    f[3] = 2;
    f[4] = 124;
    dir.File("mato.psn", f);
    ASSERT_TRUE(LoadMachineSnapshot(owner, mato, 0).Loaded());
    EXPECT_STREQ(Section("Screen").attribute("video-cpu-interrupt").value(), "false");
    EXPECT_EQ(owner.GetVideoInterruptOption(), 0);
}

TEST_F(SnapshotCommandsTest, Mif85RegistersAndEnableComeBack) {
    Configure(MachineCase{"mif", kModel2, false, false, false, false});
    SetAttr(Section("Sound"), "sound-if", "mif85");
    ApplyAll();
    Mif85* mif = owner.GetMif85();
    ASSERT_NE(mif, nullptr);
    mif->WritePort(0xEC, 1, 0);
    const uint8_t regs[][2] = {{0x00, 0x9C}, {0x08, 0x80}, {0x10, 0x04}, {0x14, 0x01}, {0x18, 0x8A}, {0x1C, 0x01}};
    for (auto& r : regs) {
        mif->WritePort(0xEF, r[0], 0);
        mif->WritePort(0xEE, r[1], 0);
    }
    const std::string path = dir.path + "/mif.psn";
    ASSERT_GT(SaveMachineSnapshot(owner, path, 0, SnapshotSaveOptions{}), 0);
    const Bytes file = ReadFile(path);
    ASSERT_EQ(file[3], 2);
    EXPECT_EQ(file[82], 1);
    EXPECT_EQ(file[83 + 0x08], 0x80);

    // Loaded into a machine with Musica: the MIF 85 comes back with its mirror.
    Configure(MachineCase{"musica", kModel2, false, true, false, false});
    ApplyAll();
    ASSERT_EQ(owner.GetMif85(), nullptr);
    ASSERT_TRUE(LoadMachineSnapshot(owner, path, 0).Loaded());
    EXPECT_STREQ(Section("Sound").attribute("sound-if").value(), "mif85");
    mif = owner.GetMif85();
    ASSERT_NE(mif, nullptr);
    EXPECT_EQ(owner.GetMusica(), nullptr);
    uint8_t mirror[32];
    mif->GetRegisters(mirror);
    for (int i = 0; i < 32; ++i) EXPECT_EQ(mirror[i], file[83 + i]) << i;
    EXPECT_EQ(mif->Chip().Register(0x00), 0x9C);
    EXPECT_EQ(mif->IsEnabled(), 1);
}

TEST(SnapshotPaths, RecordingsByExtensionOnly) {
    EXPECT_TRUE(IsRecordingPath("/a/b/game.prc"));
    EXPECT_TRUE(IsRecordingPath("/a/b/GAME.Prc"));
    EXPECT_FALSE(IsRecordingPath("/a/b.prc/game.psn"));
    EXPECT_FALSE(IsRecordingPath("/a/b/game.prc.psn"));
    EXPECT_FALSE(IsRecordingPath("/a/b/prc"));
    EXPECT_TRUE(IsRecordingPath("/a/b/game.prc-1.psn"));
    EXPECT_TRUE(IsRecordingPath("/a/b/Game.PRC-12.PSN"));
    EXPECT_FALSE(IsRecordingPath("/a/b/game.prc-.psn"));
    EXPECT_FALSE(IsRecordingPath("/a/b/game.prc-x.psn"));
}

}  // namespace
