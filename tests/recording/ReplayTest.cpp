// A whole machine recorded and played back: a program of our own reads the
// keyboard, the timer and the tape under the 50 Hz video interrupt; the run is
// recorded with two save points and one rollback, the machine is disturbed,
// and the playback must end in the same state, byte for byte.
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/Config.h"
#include "machine/core/ModelIndex.h"
#include "machine/cpu/ChipCpu8080.h"
#include "machine/cpu/ChipMemory.h"
#include "machine/input/Mouse.h"
#include "machine/owner/MachineOwner.h"
#include "machine/recording/Recording.h"
#include "machine/recording/RecordingSession.h"
#include "machine/tape/IifTape.h"
#include "platform/KeyState.h"
#include "tests/common/TestTempDir.h"

namespace {

using Bytes = std::vector<uint8_t>;

const char* const kModelNames[8] = {"Model-1",    "Model-2",    "Model-2A",    "Model-3",
                                    "Model-Mato", "Model-Alfa", "Model-Alfa2", "Model-C2717"};

const char* const kConfigXml =
    "<Orvik version='1'><General/><Screen video-cpu-interrupt='true'/>"
    "<Model current='Model-1'>"
    "<Model-1><RomFile/></Model-1><Model-2><RomFile/></Model-2><Model-2A><RomFile/></Model-2A>"
    "<Model-3><RomFile/></Model-3><Model-Mato><RomFile/></Model-Mato><Model-Alfa><RomFile/></Model-Alfa>"
    "<Model-Alfa2><RomFile/></Model-Alfa2><Model-C2717><RomFile/></Model-C2717></Model>"
    "<Sound device-index='-1'/>"
    "<Storages><PMD-32 connected='false'><DriveA/><DriveB/><DriveC/><DriveD/><SD-Root/></PMD-32></Storages>"
    "</Orvik>";

// The monitor ROM at 8000h ends the boot mapping, copies
// the program that follows it to 7200h and runs it there, where the memory
// mapping it sets next cannot hide it:
//   MVI A,82h; OUT 87h; MVI A,10h; OUT 86h  (port A out, B in; ROM kept on Model-2A)
//   the RST 7 handler at 0038h: PUSH PSW; LDA 6FF0h; INR A; STA 6FF0h; POP PSW; EI; RET
//   timer: counter 0 mode 3 count 1234h, counter 1 mode 2 count 0777h
//   OUT 6Ch with C0h (video interrupt on where the port exists); EI
//   LXI H,C000h; MVI D,0
//   loop: the 16 keyboard columns (OUT 84h, IN 85h), the timer's counters
//   0 and 1, the tape's status and data, all mixed into D; D stored at HL
//   (C000h-FFFFh); a delay of (D AND 0Fh) + 1 rounds; JMP loop
Bytes Program(int model) {
    constexpr int kRun = 0x7200;
    Bytes r;  // the part that runs at 7200h
    auto emit = [&r](std::initializer_list<int> bytes) {
        for (int v : bytes) r.push_back(static_cast<uint8_t>(v));
    };
    auto here = [&r] { return kRun + static_cast<int>(r.size()); };
    emit({0x3E, 0x82, 0xD3, 0x87, 0x3E, 0x10, 0xD3, 0x86});
    emit({0x21, 0x38, 0x00});
    for (int b : {0xF5, 0x3A, 0xF0, 0x6F, 0x3C, 0x32, 0xF0, 0x6F, 0xF1, 0xFB, 0xC9}) emit({0x36, b, 0x23});
    emit({0x3E, 0x36, 0xD3, 0x5F, 0x3E, 0x34, 0xD3, 0x5C, 0x3E, 0x12, 0xD3, 0x5C});
    emit({0x3E, 0x74, 0xD3, 0x5F, 0x3E, 0x77, 0xD3, 0x5D, 0x3E, 0x07, 0xD3, 0x5D});
    emit({0x3E, 0xC0, 0xD3, 0x6C, 0xFB});
    emit({0x21, 0x00, 0xC0, 0x16, 0x00});
    const int loop = here();
    emit({0x0E, 0x00});
    const int kb = here();
    emit({0x79, 0xD3, 0x84, 0xDB, 0x85, 0xAA, 0x07, 0x57, 0x0C, 0x79, 0xFE, 0x10, 0xC2, kb & 0xFF, kb >> 8});
    emit({0xDB, 0x5C, 0x82, 0x57, 0xDB, 0x5D, 0xAA, 0x57});
    emit({0xDB, 0x1D, 0x82, 0x0F, 0x57, 0xDB, 0x1C, 0xAA, 0x57});
    emit({0x72, 0x23, 0x7C, 0xB7});
    const int skip = here() + 5;
    emit({0xC2, skip & 0xFF, skip >> 8, 0x26, 0xC0});
    emit({0x7A, 0xE6, 0x0F, 0x47, 0x04});
    const int delay = here();
    emit({0x05, 0xC2, delay & 0xFF, delay >> 8});
    emit({0xC3, loop & 0xFF, loop >> 8});

    // JMP 8003h; LXI SP,7000h; end of the boot mapping; LXI H,source;
    // LXI D,7200h; MVI B,length; copy: MOV A,M; STAX D; INX H; INX D; DCR B;
    // JNZ copy; JMP 7200h. The Consul 2717 needs the mode word (port C at 0)
    // before the read that ends its boot mapping; the others end it with a
    // write and keep the 8255's reset state until the program runs in RAM.
    Bytes p = {0xC3, 0x03, 0x80, 0x31, 0x00, 0x70};
    if (model == kModelC2717)
        p.insert(p.end(), {0x3E, 0x82, 0xD3, 0x87, 0xDB, 0x84});
    else
        p.insert(p.end(), {0xD3, 0x84, 0xDB, 0x84, 0x00, 0x00});
    const int source = 0x8000 + 31;
    const int copy = 0x8000 + 20;
    p.insert(p.end(), {0x21, static_cast<uint8_t>(source & 0xFF), static_cast<uint8_t>(source >> 8), 0x11, 0x00,
                       0x72, 0x06, static_cast<uint8_t>(r.size())});
    EXPECT_EQ(0x8000 + static_cast<int>(p.size()), copy);
    p.insert(p.end(), {0x7E, 0x12, 0x23, 0x13, 0x05, 0xC2, static_cast<uint8_t>(copy & 0xFF),
                       static_cast<uint8_t>(copy >> 8), 0xC3, 0x00, 0x72});
    EXPECT_EQ(0x8000 + static_cast<int>(p.size()), source);
    EXPECT_LT(r.size(), 256u);
    p.insert(p.end(), r.begin(), r.end());
    p.resize(4096, 0x00);
    return p;
}

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class ReplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(doc.load_string(kConfigXml));
        ConfigRoot = doc.document_element();
        owner.Keys().Clear();
    }
    void TearDown() override {
        owner.Keys().Clear();
        ConfigRoot = pugi::xml_node();
    }
    void Build(int model) {
        ConfigRoot.child("Model").attribute("current").set_value(kModelNames[model]);
        const Bytes rom = Program(model);
        owner.BuildMachine(1, static_cast<int32_t>(rom.size()), rom.data());
        owner.ResetMachine(0);
    }
    // One slice of the run; the host side (screen ticks, keys, tape) varies
    // with the pattern, which the playback must not depend on.
    void Slice(int i, int pattern) {
        owner.PreciseTimerCpuTimer();
        const int screenEvery = pattern == 0 ? 2 : 3;
        if (i % screenEvery == 0) owner.TimerRefreshScreenTimer();
        if (i % 5 == (pattern == 0 ? 0 : 3)) owner.TimerRefreshScreenTimer();
        if (i % 37 == 0) {
            const int vk = pattern == 0 ? 'A' + (i / 37) % 20 : '0' + (i / 37) % 10;
            owner.Keys().SetKey(vk, (i / 37) % 2 == 0);
        }
        if (i % 10 == 0) owner.TimerRefreshControlsTimer();
        if (i == 120 && owner.GetTape()) {
            const Bytes block(400, pattern == 0 ? 0x3C : 0xC3);
            owner.GetTape()->StartBlock(block.data(), static_cast<int32_t>(block.size()), 1, 0, 0);
        }
    }
    // The final state as a snapshot file holds it, plus the slice clock and all RAM.
    Bytes State(RecordingSession& session, const std::string& path) {
        EXPECT_TRUE(session.TakeSnapshot(path));
        Bytes s = ReadFile(path);
        ChipMemory& m = *owner.GetMemory();
        s.insert(s.end(), m.GetRam(), m.GetRam() + m.GetRamSize());
        const int32_t clock = owner.GetCpu()->SliceClock;
        s.insert(s.end(), reinterpret_cast<const uint8_t*>(&clock), reinterpret_cast<const uint8_t*>(&clock) + 4);
        return s;
    }
    uint8_t Interrupts() { return owner.GetMemory()->ReadByte(0x6FF0); }

    pugi::xml_document doc;
    MachineOwner owner;
    TestTempDir dir;
};

TEST_F(ReplayTest, RecordedRunWithSavePointsAndRollbackPlaysBackIdentically) {
    struct Case {
        int model;
        bool compactOnClose;
        bool externalSnapshots;
    };
    for (const Case& c : {Case{0, false, false}, Case{2, true, true}, Case{7, false, true}}) {
        SCOPED_TRACE(kModelNames[c.model]);
        const std::string prc = dir.file(std::string("run") + char('0' + c.model) + ".prc");
        Build(c.model);
        for (int i = 0; i < 50; ++i) Slice(i, 0);  // boot into the loop

        RecordingSession session(owner);
        session.SetExternalSnapshots(c.externalSnapshots);
        ASSERT_EQ(session.Create(prc, ""), 0);
        ASSERT_TRUE(session.IsLinked());
        EXPECT_FALSE(owner.GetDiscardHostWrites());  // recording writes as usual
        // 0..499, save point, 500..899, save point, 900..1199, rollback to
        // the second save point, then 1200..1799: 1500 slices from the start.
        for (int i = 0; i < 1800; ++i) {
            if (i == 500 || i == 900) {
                ASSERT_TRUE(session.AddSavePoint()) << i;
            }
            if (i == 1200) {
                bool removed = true;
                ASSERT_EQ(session.Rollback(removed), 1);
                EXPECT_FALSE(removed);
            }
            Slice(i, 0);
        }
        ASSERT_TRUE(session.IsRecording());
        if (c.model != kModelC2717)
            EXPECT_GT(Interrupts(), 5);  // the video interrupt ran
        else
            EXPECT_EQ(Interrupts(), 0);  // none on a model without it, whatever ran before
        const Bytes recorded = State(session, dir.file("recorded.psn"));
        session.Close(c.compactOnClose);
        EXPECT_FALSE(session.IsOpen());

        // Something else runs meanwhile.
        Build(c.model);
        for (int i = 0; i < 333; ++i) Slice(i, 1);
        ASSERT_NE(State(session, dir.file("other.psn")), recorded);

        ASSERT_EQ(session.Playback(prc), 0);
        ASSERT_TRUE(session.IsLinked());
        // Played back, the run writes no tape file (nor disk or RAM-disk image).
        EXPECT_TRUE(owner.GetDiscardHostWrites());
        ASSERT_TRUE(owner.GetTape());
        EXPECT_TRUE(owner.GetTape()->GetDiscardRecorded());
        for (int i = 0; i < 1500; ++i) Slice(i, 1);
        EXPECT_EQ(session.GetState(), Recording::StatePlayingBack);
        EXPECT_TRUE(State(session, dir.file("played.psn")) == recorded);
        session.Close(false);
        EXPECT_FALSE(owner.GetDiscardHostWrites());
        EXPECT_FALSE(owner.GetTape()->GetDiscardRecorded());
    }
}

// The Poly08 mouse interrupts on emulated time alone while a recording runs
// or plays back: the host moves it only while recording, and the playback
// still sees every interrupt at the same instruction, also after a rollback
// to a save point that lies two cycles before a mouse interrupt.
TEST_F(ReplayTest, MouseInterruptsReplayWithoutTheHostMouse) {
    ConfigRoot.append_child("Controls").append_child("Mouse").append_attribute("type").set_value("poly8");
    // Only the mouse interrupts here.
    ConfigRoot.child("Screen").attribute("video-cpu-interrupt").set_value("false");
    const std::string prc = dir.file("mouse.prc");
    Build(kModel1);
    std::vector<int> codes{10};
    owner.ApplySettings(codes);
    ASSERT_NE(owner.GetMouse(), nullptr);
    for (int i = 0; i < 50; ++i) Slice(i, 0);
    RecordingSession session(owner);
    ASSERT_EQ(session.Create(prc, ""), 0);
    for (int i = 0; i < 900; ++i) {
        if (i == 400) {
            ASSERT_TRUE(session.AddSavePoint());
        }
        if (i == 700) {
            bool removed = true;
            ASSERT_EQ(session.Rollback(removed), 1);
        }
        if (i % 7 == 0) owner.GetMouse()->Move(100 + i % 50, 80 + i % 30, 0, 0, i % 14 == 0 ? 1 : -1);
        Slice(i, 0);
    }
    const uint8_t interrupts = Interrupts();
    EXPECT_GT(interrupts, 10);
    const Bytes recorded = State(session, dir.file("mouse-recorded.psn"));
    session.Close(false);

    Build(kModel1);
    ASSERT_EQ(session.Playback(prc), 0);
    for (int i = 0; i < 600; ++i) Slice(i, 1);  // no host mouse at all
    EXPECT_EQ(Interrupts(), interrupts);
    EXPECT_TRUE(State(session, dir.file("mouse-played.psn")) == recorded);
    session.Close(false);
}

TEST_F(ReplayTest, UnclosedRecordingPlaysBackUpToItsLastFlush) {
    const std::string prc = dir.file("crash.prc");
    Build(2);
    for (int i = 0; i < 50; ++i) Slice(i, 0);
    Bytes onDisk;
    {
        RecordingSession session(owner);
        ASSERT_EQ(session.Create(prc, ""), 0);
        const int32_t start = owner.GetSliceCount();
        // Past two periodic flushes; what is on disk then is what a killed
        // process leaves.
        while (owner.GetSliceCount() < (start / 200 + 2) * 200 + 50) Slice(owner.GetSliceCount(), 0);
        onDisk = ReadFile(prc);
        session.Close(true);
    }
    const std::string killed = dir.file("killed.prc");
    {
        std::ofstream out(killed, std::ios::binary);
        out.write(reinterpret_cast<const char*>(onDisk.data()), static_cast<std::streamsize>(onDisk.size()));
    }
    RecordingSession session(owner);
    ASSERT_EQ(session.Playback(killed), 0);
    int slices = 0;
    while (session.GetState() == Recording::StatePlayingBack && slices < 1000) {
        Slice(slices, 1);
        ++slices;
    }
    EXPECT_EQ(session.GetState(), Recording::StateClosed);  // ended, not failed
    EXPECT_GT(slices, 150);
    EXPECT_LT(slices, 500);
}

TEST_F(ReplayTest, CreateFromASnapshotThatDoesNotLoadIsAbortedAndDeleted) {
    Build(0);
    RecordingSession session(owner);
    const std::string prc = dir.file("aborted.prc");
    dir.write("broken.psn", "PSN but not a snapshot");
    EXPECT_EQ(session.Create(prc, dir.file("broken.psn")), -1);
    EXPECT_FALSE(session.IsOpen());
    EXPECT_FALSE(std::filesystem::exists(prc));
    EXPECT_EQ(owner.GetCpu()->Recording, nullptr);
    EXPECT_TRUE(dir.exists("broken.psn"));
    // A snapshot of another model switches the machine to it.
    Build(kModel2A);
    ASSERT_TRUE(session.TakeSnapshot(dir.file("model2a.psn")));
    Build(kModel1);
    EXPECT_EQ(session.Create(prc, dir.file("model2a.psn")), 0);
    EXPECT_EQ(owner.GetModel(), kModel2A);
    EXPECT_TRUE(session.IsRecording());
    session.Close(true);
    // The main window's loader, when given, loads instead; its refusal aborts.
    int loads = 0;
    session.SetLoader([&](int, int32_t, const std::string&) {
        ++loads;
        return false;
    });
    EXPECT_EQ(session.Create(prc, dir.file("model2a.psn")), -1);
    EXPECT_EQ(loads, 1);
    EXPECT_FALSE(std::filesystem::exists(prc));
}

}  // namespace

namespace {

// Settings that rebuild the machine while a recording runs end it afterwards
// (the reset that follows stops recordings): the recording must not touch the
// CPU that went with the old machine.
TEST_F(ReplayTest, MachineRebuiltWhileRecordingStillClosesCleanly) {
    Build(kModel2A);
    for (int i = 0; i < 50; ++i) Slice(i, 0);
    RecordingSession session(owner);
    const std::string prc = dir.file("rebuilt.prc");
    ASSERT_EQ(session.Create(prc, ""), 0);
    for (int i = 0; i < 30; ++i) Slice(i, 0);  // IN bytes wait for the next flush
    Build(kModel2A);                           // the old CPU is gone
    session.Close(false);
    Recording r(prc, Recording::ModePlayback, nullptr);
    EXPECT_EQ(r.GetState(), Recording::StatePlayingBack);
    EXPECT_EQ(r.GetSnapshotCount(), 2);
}

TEST_F(ReplayTest, CloseTellsWhetherTheRecordingEndedWhole) {
    Build(kModel2A);
    for (int i = 0; i < 20; ++i) Slice(i, 0);
    for (const bool compact : {true, false}) {
        RecordingSession session(owner);
        const std::string prc = dir.file(compact ? "whole-c.prc" : "whole-n.prc");
        ASSERT_EQ(session.Create(prc, ""), 0);
        for (int i = 0; i < 20; ++i) Slice(i, 0);
        EXPECT_TRUE(session.Close(compact)) << compact;
    }
    // A compaction whose rename cannot replace the recording fails.
    RecordingSession session(owner);
    const std::string prc = dir.file("blocked.prc");
    ASSERT_EQ(session.Create(prc, ""), 0);
    for (int i = 0; i < 20; ++i) Slice(i, 0);
    ASSERT_EQ(std::rename(prc.c_str(), dir.file("moved.prc").c_str()), 0);
    ASSERT_EQ(::mkdir(prc.c_str(), 0700), 0);
    EXPECT_FALSE(session.Close(true));
    EXPECT_FALSE(session.IsOpen());
}

}  // namespace
