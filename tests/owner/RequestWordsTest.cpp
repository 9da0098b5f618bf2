// The controls tick: the two request words, the keyboard scan and its
// conditions, the LEDs and the tape icon.
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "OwnerFixture.h"
#include "machine/pio/SystemPIO.h"
#include "machine/tape/IifTape.h"
#include "platform/KeyState.h"

namespace {

// Records the request word while each browser step runs.
class WatchingBrowser : public TapeBrowserLink {
public:
    std::atomic<int>* tag = nullptr;
    bool active = false;
    int seen[3] = {-100, -100, -100};  // new file, append, stop
    int calls[3] = {0, 0, 0};
    int updates = 0;
    std::function<void()> onStep;
    void SetTapeDevice(IifTape*) override {}
    void SetAvailable(bool) override {}
    bool IsActiveWindow() override { return active; }
    void NewTapeFile() override { Note(0); }
    void AppendRecordedBlock() override { Note(1); }
    void StopTape() override { Note(2); }
    void PeriodicUpdate() override { updates++; }

private:
    void Note(int i) {
        seen[i] = tag->load();
        calls[i]++;
        if (onStep) onStep();
    }
};

// Safe to call from the timer thread: a resumed machine runs real slices.
class SteppingDebugger : public DebuggerLink {
public:
    ChipCpu8080* cpu = nullptr;
    std::atomic<int> opened{0};
    int IsBreakpoint(uint16_t) override { return 0; }
    bool AnyBreakpoint() override { return false; }
    // A step over that never completes.
    int StepWatchingReturn(int32_t& cycles) override {
        cycles = cpu->Step();
        return 0;
    }
    void OpenDebugger() override { opened++; }
};

class LedView : public FakeView {
public:
    int led[3] = {-1, -1, -1};
    std::vector<int> tapeIcons;
    void SetLed(int index, bool on) override { led[index] = on ? 1 : 0; }
    void ShowTapeIcon(int image) override { tapeIcons.push_back(image); }
};

class RequestWordsTest : public OwnerTest {
protected:
    void SetUp() override {
        OwnerTest::SetUp();
        watching.tag = &owner.TapeBrowserTag;
        owner.SetTapeBrowser(&watching);
        owner.SetView(&leds);
        owner.Keys().Clear();
    }
    void TearDown() override {
        owner.Keys().Clear();
        owner.SetTapeBrowser(nullptr);
        owner.SetView(nullptr);
        OwnerTest::TearDown();
    }
    WatchingBrowser watching;
    LedView leds;
};

TEST_F(RequestWordsTest, TapeRequestsRunTheirStepUnderTheAcknowledgementThenGoIdle) {
    Build(kModel2A);
    struct Case {
        int request, ack, step;
    };
    const Case cases[] = {{6, 7, 0}, {8, 9, 1}, {10, 11, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.request);
        const int before[3] = {watching.calls[0], watching.calls[1], watching.calls[2]};
        owner.TapeBrowserTag = c.request;
        owner.TimerRefreshControlsTimer();
        EXPECT_EQ(owner.TapeBrowserTag.load(), 0);
        EXPECT_EQ(watching.seen[c.step], c.ack);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(watching.calls[i], before[i] + (i == c.step ? 1 : 0)) << i;
    }
    // Acknowledgement values and the busy word are left alone; the periodic
    // update runs on every tick.
    const int updates = watching.updates;
    for (int value : {1, 4, 7, 9, 11}) {
        owner.TapeBrowserTag = value;
        owner.TimerRefreshControlsTimer();
        EXPECT_EQ(owner.TapeBrowserTag.load(), value);
    }
    EXPECT_EQ(watching.updates, updates + 5);
    EXPECT_EQ(watching.calls[0] + watching.calls[1] + watching.calls[2], 3);
    owner.TapeBrowserTag = 0;
}

TEST_F(RequestWordsTest, EmulationThreadNeverWaitsAndTheCpuHoldsUntilTheRequestIsServed) {
    Build(kModel2A);
    Mem().EndBootMapping();
    Poke(0x4000, std::vector<uint8_t>(0x1000, 0x00));
    Cpu().PC = 0x4000;
    // Raised inside a slice (the CPU mutex held on the emulation thread), the
    // request returns at once; the user-interface thread can then take the
    // CPU mutex (a pause on focus loss while the new-tape dialog is open).
    std::atomic<int> answer{-1};
    std::thread emulation([&] {
        std::lock_guard<std::recursive_mutex> slice(owner.CpuMutex);  // as inside a slice
        answer = owner.RaiseTapeRequest(6);
    });
    emulation.join();
    EXPECT_EQ(answer.load(), 1);
    EXPECT_TRUE(owner.TapeRequestWaiting());
    owner.SetPause(1, 0);
    owner.SetPause(0, 0);
    // While it waits the CPU holds: no instruction runs. The machine runs on
    // its timer, so its registers are read under the CPU mutex.
    auto pcNow = [this] {
        std::lock_guard<std::recursive_mutex> hold(owner.CpuMutex);
        return Cpu().PC;
    };
    const uint16_t pc = pcNow();
    owner.PreciseTimerCpuTimer();
    EXPECT_EQ(pcNow(), pc);
    EXPECT_EQ(watching.calls[0], 0);
    // A request raised while one is served is not lost: both are served, the
    // new tape file before the block is appended, each under its acknowledgement.
    watching.onStep = [&] {
        if (watching.calls[1] == 0) owner.RaiseTapeRequest(8);
    };
    owner.TimerRefreshControlsTimer();
    watching.onStep = nullptr;
    EXPECT_EQ(watching.calls[0], 1);
    EXPECT_EQ(watching.seen[0], 7);
    EXPECT_EQ(watching.calls[1], 1);
    EXPECT_EQ(watching.seen[1], 9);
    EXPECT_EQ(owner.TapeBrowserTag.load(), 0);
    EXPECT_FALSE(owner.TapeRequestWaiting());
    owner.PreciseTimerCpuTimer();
    EXPECT_NE(pcNow(), pc);

    // The browser's own word (busy in a dialog) does not swallow a request:
    // it is served once the browser is idle again.
    owner.TapeBrowserTag = 1;
    EXPECT_EQ(owner.RaiseTapeRequest(10), 1);
    owner.TimerRefreshControlsTimer();
    EXPECT_EQ(watching.calls[2], 0);
    EXPECT_EQ(owner.TapeBrowserTag.load(), 1);
    owner.TapeBrowserTag = 0;
    owner.TimerRefreshControlsTimer();
    EXPECT_EQ(watching.calls[2], 1);
    EXPECT_EQ(watching.seen[2], 11);
    // Other values are no requests.
    for (int value : {0, 1, 3, 5, 7, 9, 11}) {
        EXPECT_EQ(owner.RaiseTapeRequest(value), 1);
        EXPECT_FALSE(owner.TapeRequestWaiting()) << value;
        EXPECT_EQ(owner.TapeBrowserTag.load(), 0) << value;
    }
}

TEST_F(RequestWordsTest, ARequestRaisedInsideASliceEndsItAfterTheInstruction) {
    Build(kModel2A);
    Mem().EndBootMapping();
    // The tape handler raises the append request when a played part ends,
    // inside the slice, as a recorded block's end does.
    Poke(0x4000, std::vector<uint8_t>(0x1000, 0x00));
    Cpu().PC = 0x4000;
    struct Raiser {
        MachineOwner* owner;
        uint8_t Handle(int event) { return event == TapeEventPartEnd ? owner->RaiseTapeRequest(8) : 0; }
    } raiser{&owner};
    IifTape& tape = *owner.GetTape();
    tape.SetEventHandler(MakeClosure<&Raiser::Handle>(&raiser));
    const std::vector<uint8_t> part(63, 0x55);
    tape.StartBlock(part.data(), 63, 0, 0, 1);  // a later header part: silent gap, lead-in, bytes
    int slices = 0;
    while (!owner.TapeRequestWaiting() && slices++ < 20000) owner.PreciseTimerCpuTimer();
    ASSERT_TRUE(owner.TapeRequestWaiting());
    const int32_t count = owner.GetSliceCount();
    const int32_t clock = Cpu().SliceClock;
    EXPECT_LT(clock, 4096);  // ended early, the clock kept
    owner.PreciseTimerCpuTimer();
    EXPECT_EQ(owner.GetSliceCount(), count);
    EXPECT_EQ(Cpu().SliceClock, clock);
    owner.TimerRefreshControlsTimer();
    EXPECT_EQ(watching.calls[1], 1);
    owner.PreciseTimerCpuTimer();
    EXPECT_EQ(owner.GetSliceCount(), count + 1);
    tape.SetEventHandler(IifTape::EventHandler());
}

TEST_F(RequestWordsTest, DebuggerWords) {
    Build(kModel2A);
    SteppingDebugger stepping;
    stepping.cpu = owner.GetCpu();
    owner.SetDebugger(&stepping);
    struct Case {
        int tag, after, runState, opened;
    };
    // 7 and 8 (step over, step out) resume and keep their value; 9 resumes
    // and becomes 0; 5 opens the debugger; -1 and 0 do nothing.
    const Case cases[] = {{7, 7, 0, 0}, {8, 8, 0, 0}, {9, 0, 0, 0}, {5, 5, 1, 1}, {-1, -1, 1, 0}, {0, 0, 1, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tag);
        owner.SetPause(1, 0);
        const int opened = stepping.opened;
        owner.DebuggerTag = c.tag;
        owner.TimerRefreshControlsTimer();
        EXPECT_EQ(owner.DebuggerTag.load(), c.after);
        EXPECT_EQ(owner.GetRunState(), c.runState);
        EXPECT_EQ(stepping.opened - opened, c.opened);
        owner.SetPause(1, 0);
    }
    owner.DebuggerTag = 0;
    owner.SetDebugger(nullptr);
}

TEST_F(RequestWordsTest, KeyboardScanOnlyWhenNeitherWindowHoldsIt) {
    Build(kModel2A);
    SystemPIO& sys = *owner.GetSystemPio();
    // Space is column 0, row bit 10h.
    owner.Keys().SetKey(VK_SPACE, true);
    struct Case {
        bool browserActive;
        int browserTag, debuggerTag;
        bool scanned;
    };
    const Case cases[] = {{false, 0, 0, true},  {true, 0, 0, false}, {false, 1, 0, false},
                          {false, 0, -1, false}, {false, 0, 5, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.browserActive << " " << c.browserTag << " " << c.debuggerTag);
        sys.matrix[0] = 0;
        watching.active = c.browserActive;
        owner.TapeBrowserTag = c.browserTag;
        owner.DebuggerTag = c.debuggerTag;
        // The controls tick decides; the slices' next keyboard step scans.
        owner.TimerRefreshControlsTimer();
        owner.TapeBrowserTag = 0;
        owner.DebuggerTag = 0;
        for (int i = 0; i < SliceRunner::kKeyboardSlices; ++i) owner.PreciseTimerCpuTimer();
        EXPECT_EQ(sys.matrix[0].load() == 0x10, c.scanned);
    }
    owner.TapeBrowserTag = 0;
    owner.DebuggerTag = 0;
    owner.SetPause(1, 0);
}

TEST_F(RequestWordsTest, TwoMachinesNeverShareKeys) {
    Build(kModel2A);
    MachineOwner other;
    other.BuildMachine(0, 0, nullptr);
    // Space is column 0, row bit 10h; each owner scans its own key state.
    owner.Keys().SetKey(VK_SPACE, true);
    for (int i = 0; i < SliceRunner::kKeyboardSlices; ++i) {
        owner.PreciseTimerCpuTimer();
        other.PreciseTimerCpuTimer();
    }
    EXPECT_EQ(owner.GetSystemPio()->matrix[0].load(), 0x10);
    EXPECT_EQ(other.GetSystemPio()->matrix[0].load(), 0x00);
    owner.SetPause(1, 0);
    other.SetPause(1, 0);
}

TEST_F(RequestWordsTest, LedsFollowTheSystemPortBits) {
    Build(kModel2A);
    for (uint8_t bits = 0; bits < 8; ++bits) {
        owner.GetSystemPio()->leds = bits;
        owner.TimerRefreshControlsTimer();
        for (int i = 0; i < 3; ++i) EXPECT_EQ(leds.led[i], (bits >> i) & 1) << int(bits) << " led " << i;
    }
}

TEST_F(RequestWordsTest, TapeIconFollowsPlayingOnlyWhenItChanges) {
    Build(kModel2A);
    owner.TimerRefreshControlsTimer();
    EXPECT_TRUE(leds.tapeIcons.empty());  // idle from the start: nothing to change
    IifTape& tape = *owner.GetTape();
    const std::vector<uint8_t> block(16, 0x55);
    tape.StartBlock(block.data(), static_cast<int32_t>(block.size()), 1, 0, 0);
    tape.GetFastMode();  // the emulation thread takes the request over
    ASSERT_EQ(tape.GetActivity(), 10);
    owner.TimerRefreshControlsTimer();
    owner.TimerRefreshControlsTimer();
    tape.StartBlock(nullptr, 0, 0, 0, 0);
    tape.GetFastMode();
    owner.TimerRefreshControlsTimer();
    EXPECT_EQ(leds.tapeIcons, (std::vector<int>{10, 0}));
}

TEST_F(RequestWordsTest, ClosingStopsTheControlsTick) {
    Build(kModel2A);
    owner.Closing = 1;
    owner.TapeBrowserTag = 6;
    owner.TimerRefreshControlsTimer();
    EXPECT_EQ(owner.TapeBrowserTag.load(), 6);
    EXPECT_EQ(watching.updates, 0);
    owner.Closing = 0;
    owner.TapeBrowserTag = 0;
}

}  // namespace
