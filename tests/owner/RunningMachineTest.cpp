// A running machine, its timers ticking, reset, rebuilt, reconfigured and
// paused many times over: the ThreadSanitizer build checks that the timer
// thread and the commands never touch the machine at once.
#include <chrono>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <future>

#include "OwnerFixture.h"
#include "machine/core/ChangeCodes.h"
#include "machine/owner/SnapshotCommands.h"
#include "machine/storage/Pmd32.h"
#include "machine/storage/RaomModule.h"

namespace {

// Switches the video interrupt on, enables interrupts and loops; the
// interrupt routine at 38h enables them again.
std::vector<uint8_t> InterruptLoopRom() {
    std::vector<uint8_t> rom(4096, 0x00);
    const uint8_t program[] = {0x3E, 0xC0,         // MVI A,C0h
                               0xD3, 0x6C,         // OUT 6Ch: video interrupt on
                               0xFB,               // EI
                               0xC3, 0x05, 0x00};  // JMP 0005h
    std::copy(std::begin(program), std::end(program), rom.begin());
    rom[0x38] = 0xFB;  // EI
    rom[0x39] = 0xC9;  // RET
    return rom;
}

class RunningMachineTest : public OwnerTest {
protected:
    // Waits (at most 10 s) until the CPU slices have gone on.
    bool SlicesRun() {
        const int32_t start = owner.GetSliceCount();
        for (int i = 0; i < 1000; ++i) {
            if (owner.GetSliceCount() > start + 5) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
};

TEST_F(RunningMachineTest, ResetRebuildAndPauseWhileTheTimersRun) {
    Section("Screen").append_attribute("video-cpu-interrupt").set_value("true");
    owner.SetDebugger(nullptr);
    const std::vector<uint8_t> rom = InterruptLoopRom();
    Build(kModel2A, rom);
    owner.SetPause(0, 1);
    ASSERT_TRUE(SlicesRun());

    int paints = 0;
    for (int i = 0; i < 1000; ++i) {
        switch (i % 5) {
            case 0:  // reset of the running machine
                owner.ResetMachine(0);
                break;
            case 1:  // registers changed only while paused
                owner.SetPause(1, 1);
                paints = view.repaints;  // no screen tick runs any more
                Cpu().PC = 0x0000;
                Cpu().SetInte(0);
                owner.SetPause(0, 1);
                break;
            case 2:  // rebuild without pausing first
                Build(i % 10 == 2 ? kModel1 : kModel2A, rom);
                break;
            case 3:  // pause with the screen timer left running
                owner.SetPause(1, 0);
                owner.SetPause(0, 0);
                break;
            default: {
                std::vector<int> codes{ChangeCode::Compatibility, ChangeCode::Keyboard, ChangeCode::VideoInterrupt};
                owner.ApplySettings(codes);
                break;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1 + i % 3));
    }
    EXPECT_TRUE(SlicesRun());  // the machine still runs

    owner.SetPause(1, 1);
    EXPECT_GE(view.repaints, paints);
    const int after = view.repaints;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(view.repaints, after);  // paused: no tick paints
    owner.Shutdown();
}

// The video interrupt of the screen tick reaches the running CPU through the
// next slice.
TEST_F(RunningMachineTest, VideoInterruptsReachTheRunningCpu) {
    Section("Screen").append_attribute("video-cpu-interrupt").set_value("true");
    owner.SetDebugger(nullptr);
    std::vector<uint8_t> rom(4096, 0x00);
    const uint8_t program[] = {0x3E, 0xC0,         // MVI A,C0h
                               0xD3, 0x6C,         // OUT 6Ch: video interrupt on
                               0xAF,               // XRA A
                               0xFB,               // EI
                               0xC3, 0x06, 0x00};  // JMP 0006h
    std::copy(std::begin(program), std::end(program), rom.begin());
    rom[0x38] = 0x3C;  // INR A: counts the interrupts taken
    rom[0x39] = 0xFB;  // EI
    rom[0x3A] = 0xC9;  // RET
    Build(kModel2A, rom);
    owner.SetPause(0, 1);
    bool counted = false;
    for (int i = 0; i < 1000 && !counted; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        owner.SetPause(1, 1);
        counted = Cpu().A >= 3;
        owner.SetPause(0, 1);
    }
    EXPECT_TRUE(counted);
    owner.Shutdown();
}

// Named pipes configured as the monitor ROM, the disk image, the card's
// images.cfg and the RAM-disk image, and opened as a snapshot: each is
// refused at once (a pipe without a writer would block its reader for ever,
// here with the CPU mutex held), and the machine goes on running.
TEST_F(RunningMachineTest, NamedPipesAreRefusedWhileTheMachineRuns) {
    TempDir dir;
    const std::string card = dir.path + "/card";
    ASSERT_TRUE(std::filesystem::create_directory(card));
    const std::string rom = dir.path + "/monitor.rom", disk = dir.path + "/disk.p32",
                      raom = dir.path + "/raom.img", snap = dir.path + "/state.psn", cfg = card + "/images.cfg";
    for (const std::string& p : {rom, disk, raom, snap, cfg}) ASSERT_EQ(::mkfifo(p.c_str(), 0666), 0) << p;
    ModelElement(kModel2A).child("RomFile").text().set(rom.c_str());
    pugi::xml_node pmd = Section("Storages").child("PMD-32");
    pmd.attribute("connected").set_value("true");
    pmd.append_attribute("extra-commands").set_value("true");
    pmd.child("DriveA").text().set(disk.c_str());
    pmd.child("SD-Root").text().set(card.c_str());
    InsertRaom().text().set(raom.c_str());

    owner.SetDebugger(nullptr);
    Build(kModel2A, InterruptLoopRom());
    owner.SetPause(0, 1);
    ASSERT_TRUE(SlicesRun());

    struct Step {
        const char* what;
        std::function<void()> run;
    };
    const Step steps[] = {
        {"monitor ROM", [this] {
             std::vector<int> codes{ChangeCode::Model};
             owner.ApplySettings(codes);
         }},
        {"disk image and images.cfg", [this] {
             std::vector<int> codes{ChangeCode::Pmd32Unit};
             owner.ApplySettings(codes);
         }},
        {"RAM-disk image", [this] {
             std::vector<int> codes{ChangeCode::Raom};
             owner.ApplySettings(codes);
         }},
        {"snapshot", [this, snap] { EXPECT_FALSE(LoadMachineSnapshot(owner, snap, 0).Loaded()); }},
    };
    for (const Step& s : steps) {
        auto done = std::async(std::launch::async, s.run);
        if (done.wait_for(std::chrono::seconds(1)) != std::future_status::ready) {
            ADD_FAILURE() << s.what << ": waits on a named pipe";
            for (const std::string& p : {rom, disk, raom, snap, cfg}) {
                int fd = ::open(p.c_str(), O_RDWR | O_NONBLOCK);  // releases a waiting reader
                if (fd >= 0) ::close(fd);
            }
        }
        done.get();
        EXPECT_EQ(owner.MonitorRomMissing(), s.what == std::string("monitor ROM")) << s.what;
        if (owner.MonitorRomMissing()) {
            // The refused monitor ROM leaves the machine without one: it is
            // held paused and a run is refused, until a ROM comes back.
            EXPECT_EQ(owner.GetMonitorRomSize(), 4096) << s.what;  // no file: the 4 KB ROM of FFh
            EXPECT_EQ(owner.GetRunState(), 1) << s.what;
            owner.SetPause(0, 1);
            EXPECT_EQ(owner.GetRunState(), 1) << s.what;
            Build(kModel2A, InterruptLoopRom());
        }
        owner.SetPause(0, 1);  // a snapshot load leaves the machine as it was told
        EXPECT_TRUE(SlicesRun()) << s.what;
    }
    owner.SetPause(1, 1);
    ASSERT_TRUE(owner.GetPmd32());
    EXPECT_EQ(owner.GetPmd32()->Drive(0).handle, -1);
    ASSERT_TRUE(owner.GetRaomModule());
    EXPECT_FALSE(owner.GetRaomModule()->HasImage());
    owner.Shutdown();
}

}  // namespace
