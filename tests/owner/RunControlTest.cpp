// Screen tick, controls tick, pausing, and the timer thread against rebuilds and shutdown.
#include <functional>
#include <thread>

#include "OwnerFixture.h"
#include "machine/core/ChangeCodes.h"
#include "machine/pio/SystemPIO.h"
#include "machine/screen/ScreenDAD85.h"

namespace {

class RunControlTest : public OwnerTest {
protected:
    // Counts the video interrupts of n CPU slices (interrupts kept enabled).
    int SliceInterrupts(int n) {
        int count = 0;
        for (int i = 0; i < n; ++i) {
            Cpu().SetInte(1);
            Cpu().IntRequest = 0;
            owner.PreciseTimerCpuTimer();
            count += Cpu().IntRequest;
        }
        return count;
    }
    // The same for n screen ticks, each with a new picture in video RAM.
    int TickInterrupts(int n) {
        int count = 0;
        for (int i = 0; i < n; ++i) {
            Cpu().SetInte(1);
            Cpu().IntRequest = 0;
            Mem().GetVideoRam()[100 * 64 + 7] = static_cast<uint8_t>(i + 1);
            owner.TimerRefreshScreenTimer();
            count += Cpu().IntRequest;
        }
        return count;
    }
};

}  // namespace

// The 50 Hz video interrupt comes from emulated time, one every 10 slices
// (20 ms), so a replayed run sees it at the same instruction; the screen tick
// only paints, 50 times per 250 ticks.
TEST_F(RunControlTest, VideoInterruptEveryTenSlicesAndFiftyPaintsPer250Ticks) {
    Section("Screen").append_attribute("video-cpu-interrupt").set_value("true");
    Build(kModel2A);
    owner.GetScreen()->WritePort(0x6C, 0xC0, 0);  // video interrupt on
    ASSERT_TRUE(owner.GetScreen()->IsVideoInterruptEnabled());
    EXPECT_EQ(SliceInterrupts(500), 50);
    EXPECT_EQ(TickInterrupts(250), 0);
    EXPECT_EQ(view.repaints, 50);
    // Stopped in the debugger: no interrupts.
    owner.DebuggerTag = -1;
    EXPECT_EQ(SliceInterrupts(100), 0);
    // Interrupt disabled on the port.
    owner.DebuggerTag = 0;
    owner.GetScreen()->WritePort(0x6C, 0x40, 0);
    EXPECT_EQ(SliceInterrupts(100), 0);
    // The phase can be read and set, for a recording that resumes at a save point.
    owner.GetScreen()->WritePort(0x6C, 0xC0, 0);
    owner.SetVideoInterruptPhase(9);
    EXPECT_EQ(owner.GetVideoInterruptPhase(), 9);
    EXPECT_EQ(SliceInterrupts(1), 1);
    EXPECT_EQ(owner.GetVideoInterruptPhase(), 0);
    // A model without the interrupt port raises none, even with an enable
    // left over from the model before.
    Build(kModelC2717);
    ASSERT_TRUE(owner.GetScreen()->IsVideoInterruptEnabled());
    EXPECT_EQ(SliceInterrupts(100), 0);
}

namespace {

TEST_F(RunControlTest, ScreenTickBlinksEvery500Ms) {
    Build(kModel2A);
    const bool start = owner.GetScreen()->GetBlinkPhase();
    int toggles = 0;
    bool last = start;
    for (int i = 0; i < 1260; ++i) {  // about 5 s
        owner.TimerRefreshScreenTimer();
        if (owner.GetScreen()->GetBlinkPhase() != last) {
            toggles++;
            last = !last;
        }
    }
    // 125 ticks fill the accumulator to 500, the 126th toggles.
    EXPECT_EQ(toggles, 10);
}

// A frame is posted only when the picture changed: a still screen costs no
// painting, but any change of video RAM or of the way it is shown gives one.
TEST_F(RunControlTest, ScreenTickPostsAFrameOnlyForAChangedPicture) {
    Build(kModel2A);
    ScreenDAD85& screen = *owner.GetScreen();
    uint8_t* vram = Mem().GetVideoRam();
    auto framesOf = [this](int ticks) {
        const int before = view.repaints;
        for (int i = 0; i < ticks; ++i) owner.TimerRefreshScreenTimer();
        return view.repaints - before;
    };
    EXPECT_EQ(framesOf(5), 1);    // the first picture
    EXPECT_EQ(framesOf(100), 0);  // still: 20 paint phases, no frame
    struct Case {
        const char* name;
        std::function<void()> change;
    };
    const Case cases[] = {
        {"video RAM byte", [&] { vram[37 * 64 + 11] ^= 0x15; }},
        {"last shown byte of a row", [&] { vram[255 * 64 + 47] ^= 0x01; }},
        {"colour profile", [&] { screen.SetColorProfile(3); }},
        {"user colour in the colour profile", [&] {
             screen.SetColorProfile(2);
             framesOf(5);
             screen.SetUserColor(1, 9);
         }},
        {"half-pass step", [&] { screen.SetHalfPass(4); }},
        {"LCD look", [&] { screen.SetLcdMode(true); }},
        {"screen size", [&] { screen.SetSizeMode(2, nullptr); }},
        {"back to the normal size", [&] { screen.SetSizeMode(0, nullptr); }},
        {"wide mode", [&] { screen.SetWideMode(true); }},
        {"narrow mode", [&] { screen.SetWideMode(false); }},
    };
    for (const Case& c : cases) {
        c.change();
        EXPECT_EQ(framesOf(5), 1) << c.name;
        EXPECT_EQ(framesOf(25), 0) << c.name << ": still again";
    }
    // A byte outside the shown 48 of its row is not on the screen.
    vram[10 * 64 + 50] ^= 0xFF;
    EXPECT_EQ(framesOf(25), 0);
}

// The blink phase is a change only where the picture blinks: the standard
// colours with a byte that has bit 7 set.
TEST_F(RunControlTest, BlinkPhaseGivesFramesOnlyWhenSomethingBlinks) {
    Build(kModel2A);
    ScreenDAD85& screen = *owner.GetScreen();
    auto framesOf = [this](int ticks) {
        const int before = view.repaints;
        for (int i = 0; i < ticks; ++i) owner.TimerRefreshScreenTimer();
        return view.repaints - before;
    };
    framesOf(5);
    screen.SetColorProfile(1);
    Mem().GetVideoRam()[20 * 64 + 3] = 0x3F;  // no blink bit
    framesOf(5);
    EXPECT_EQ(framesOf(1260), 0);  // about 5 s: 10 blink toggles, nothing blinks
    Mem().GetVideoRam()[20 * 64 + 3] = 0xBF;
    EXPECT_EQ(framesOf(1260), 11);  // the byte's own frame and one per toggle
    screen.SetColorProfile(0);      // mono never blinks
    framesOf(5);
    EXPECT_EQ(framesOf(1260), 0);
}

TEST_F(RunControlTest, ScreenTickAppliesTheWideModeRequest) {
    Build(kModel2A);
    SystemPIO& sys = *owner.GetSystemPio();
    for (int i = 0; i < 5; ++i) owner.TimerRefreshScreenTimer();
    EXPECT_FALSE(owner.GetScreen()->IsWideMode());
    EXPECT_EQ(sys.changeWord.load() & 1, 0);
    sys.changeWord = 0x03;
    for (int i = 0; i < 5; ++i) owner.TimerRefreshScreenTimer();
    EXPECT_TRUE(owner.GetScreen()->IsWideMode());
    EXPECT_EQ(view.relayouts, 1);
    EXPECT_EQ(sys.changeWord.load(), 0x02);
}

TEST(CpuUsage, PercentOfWallTime) {
    EXPECT_EQ(MachineOwner::CpuUsagePercent(250000, 1000), 25);
    EXPECT_EQ(MachineOwner::CpuUsagePercent(999999, 1000), 99);
    EXPECT_EQ(MachineOwner::CpuUsagePercent(3000000, 1000), 100);
    EXPECT_EQ(MachineOwner::CpuUsagePercent(100000, 2000), 5);
}

TEST_F(RunControlTest, PausingTwiceDoesNothingTheSecondTime) {
    Build(kModel2A);
    owner.SetPause(1, 0);
    owner.SetPause(1, 0);
    EXPECT_EQ(view.runChanges, 1);
    EXPECT_EQ(owner.GetRunState(), 1);
    owner.SetPause(0, 1);
    owner.SetPause(0, 1);
    EXPECT_EQ(view.runChanges, 2);
    EXPECT_TRUE(owner.CpuTimer().Enabled());
    EXPECT_TRUE(owner.ScreenTimer().Enabled());
    owner.SetPause(1, 1);
    EXPECT_FALSE(owner.CpuTimer().Enabled());
    EXPECT_FALSE(owner.ScreenTimer().Enabled());
    EXPECT_EQ(view.runChanges, 3);
}

TEST_F(RunControlTest, SliceWaitingForTheMutexDoesNotRunAfterPause) {
    Build(kModel2A);
    Mem().EndBootMapping();
    const uint32_t before = Cpu().InstructionCounter;
    std::thread slice;
    {
        std::lock_guard<std::recursive_mutex> hold(owner.CpuMutex);
        slice = std::thread([this] { owner.PreciseTimerCpuTimer(); });
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        owner.SetPause(1, 0);
    }
    slice.join();
    EXPECT_EQ(Cpu().InstructionCounter, before);
}

TEST_F(RunControlTest, TicksSkipAMachineBeingRebuilt) {
    Build(kModel2A);
    {
        MachineOwner::Reconfiguration hold(owner);
        const uint32_t before = Cpu().InstructionCounter;
        std::thread timer([this] {
            owner.PreciseTimerCpuTimer();
            owner.TimerRefreshScreenTimer();
        });
        timer.join();  // neither waits for the rebuild nor touches the parts
        EXPECT_EQ(Cpu().InstructionCounter, before);
        for (int i = 0; i < 5; ++i) owner.TimerRefreshScreenTimer();  // same thread: skipped too
        EXPECT_EQ(view.repaints, 0);
    }
    for (int i = 0; i < 5; ++i) owner.TimerRefreshScreenTimer();
    EXPECT_EQ(view.repaints, 1);
}

TEST_F(RunControlTest, RebuildsWhileTheTimersRun) {
    Section("Screen").append_attribute("video-cpu-interrupt").set_value("true");
    Build(kModel2A);
    owner.SetPause(0, 1);
    // Rebuilding without pausing first must stay safe: the ticks skip it.
    for (int i = 0; i < 20; ++i) {
        Build(i % 2 ? kModel1 : kModel3, std::vector<uint8_t>(8192, 0));
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
    owner.Shutdown();
    EXPECT_EQ(owner.Closing.load(), 1);
    EXPECT_FALSE(owner.CpuTimer().Enabled());
    const uint32_t after = Cpu().InstructionCounter;
    owner.PreciseTimerCpuTimer();
    EXPECT_EQ(Cpu().InstructionCounter, after);
}

TEST_F(OwnerTest, DestroyedWhileRunning) {
    auto running = std::make_unique<MachineOwner>();
    SelectModel(kModel2);
    const std::vector<uint8_t> rom(4096, 0);  // all NOP: a machine without a ROM would not run
    running->BuildMachine(1, static_cast<int32_t>(rom.size()), rom.data());
    running->ResetMachine(1);
    running->SetPause(0, 1);
    ASSERT_EQ(running->GetRunState(), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    running.reset();  // stops and joins the timer thread before freeing
    SUCCEED();
}

// A machine built without its monitor ROM is held paused: a run is refused
// (and told to the view, whose run item may have checked itself), and a
// change that takes the ROM away pauses the running machine.
TEST_F(RunControlTest, AMachineWithoutItsMonitorRomIsHeldPaused) {
    TempDir dir;
    const std::string rom4k = dir.File("m.rom", std::vector<uint8_t>(4096, 0));
    const std::string empty = dir.File("empty.rom", {});
    const std::vector<uint8_t> snapRom(4096, 0), shortRom(2048, 0);
    struct Case {
        const char* what;
        std::string file;                  // the model's RomFile
        const std::vector<uint8_t>* snap;  // a snapshot's ROM
        bool missing;
    };
    const Case cases[] = {
        {"none chosen", "", nullptr, true},
        {"file missing", dir.path + "/gone.rom", nullptr, true},
        {"a folder", dir.path, nullptr, true},
        {"empty file", empty, nullptr, true},
        {"4 KB file", rom4k, nullptr, false},
        {"snapshot ROM", "", &snapRom, false},
        {"snapshot ROM under 4 KB, no file", "", &shortRom, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        owner.SetPause(1, 1);
        ModelElement(kModel2A).child("RomFile").text().set(c.file.c_str());
        SelectModel(kModel2A);
        if (c.snap)
            owner.BuildMachine(1, static_cast<int32_t>(c.snap->size()), c.snap->data());
        else
            owner.BuildMachine(0, 0, nullptr);
        EXPECT_EQ(owner.MonitorRomMissing(), c.missing);
        const int changes = view.runChanges;
        owner.SetPause(0, 1);
        EXPECT_EQ(owner.GetRunState(), c.missing ? 1 : 0);
        EXPECT_EQ(owner.CpuTimer().Enabled(), !c.missing);
        EXPECT_EQ(view.runChanges, changes + 1);
    }
    // Running with a ROM file; the file goes and the model is built again.
    ModelElement(kModel2A).child("RomFile").text().set(rom4k.c_str());
    std::vector<int> codes{ChangeCode::Model};
    owner.ApplySettings(codes);
    owner.SetPause(0, 1);
    ASSERT_EQ(owner.GetRunState(), 0);
    ModelElement(kModel2A).child("RomFile").text().set("");
    codes = {ChangeCode::Model};
    owner.ApplySettings(codes);
    EXPECT_TRUE(owner.MonitorRomMissing());
    EXPECT_EQ(owner.GetRunState(), 1);
    EXPECT_FALSE(owner.CpuTimer().Enabled());
    // The ROM back: the machine may run again once told to, and that run
    // starts the screen timer that the hold stopped, also when it asks for
    // the CPU's timer alone (a snapshot load resumes so).
    ModelElement(kModel2A).child("RomFile").text().set(rom4k.c_str());
    codes = {ChangeCode::Model};
    owner.ApplySettings(codes);
    EXPECT_FALSE(owner.MonitorRomMissing());
    EXPECT_EQ(owner.GetRunState(), 1);
    EXPECT_FALSE(owner.ScreenTimer().Enabled());
    owner.SetPause(0, 0);
    EXPECT_EQ(owner.GetRunState(), 0);
    EXPECT_TRUE(owner.CpuTimer().Enabled());
    EXPECT_TRUE(owner.ScreenTimer().Enabled());
    // Later pauses and runs are as they were asked.
    owner.SetPause(1, 0);
    owner.SetPause(0, 0);
    EXPECT_TRUE(owner.ScreenTimer().Enabled());
    owner.SetPause(1, 1);
    EXPECT_FALSE(owner.ScreenTimer().Enabled());
    owner.SetPause(0, 0);
    EXPECT_FALSE(owner.ScreenTimer().Enabled());
    owner.SetPause(1, 1);
}

TEST_F(RunControlTest, ControlsTickAnswersTheRequestWords) {
    Build(kModel2A);
    owner.SetPause(1, 0);
    owner.TapeBrowserTag = 3;
    owner.TimerRefreshControlsTimer();
    EXPECT_EQ(owner.TapeBrowserTag.load(), 0);
    EXPECT_EQ(owner.GetRunState(), 0);
    owner.TapeBrowserTag = 5;
    owner.TimerRefreshControlsTimer();
    EXPECT_EQ(owner.TapeBrowserTag.load(), 4);
    EXPECT_EQ(owner.GetRunState(), 1);
    owner.TapeBrowserTag = 6;
    owner.TimerRefreshControlsTimer();
    owner.TapeBrowserTag = 8;
    owner.TimerRefreshControlsTimer();
    owner.TapeBrowserTag = 10;
    owner.TimerRefreshControlsTimer();
    EXPECT_EQ(owner.TapeBrowserTag.load(), 0);
    EXPECT_EQ(browser.newFile + browser.append + browser.stop, 3);
    owner.DebuggerTag = 9;
    owner.TimerRefreshControlsTimer();
    EXPECT_EQ(owner.DebuggerTag.load(), 0);
    EXPECT_EQ(owner.GetRunState(), 0);
    owner.DebuggerTag = 5;
    owner.TimerRefreshControlsTimer();
    EXPECT_EQ(debugger.opened, 1);
    owner.SetPause(1, 0);
}

}  // namespace
