#pragma once
// Runs a built machine: the CPU slice (timer thread, under the CPU mutex),
// the screen tick (timer thread) and the machine's part of the controls tick
// (user-interface thread). The owner takes the locks and checks the run
// state; the runner does the work of one tick.

#include <atomic>
#include <cstdint>

struct MachineParts;

class SliceRunner {
public:
    static constexpr int32_t kSliceCycles = 4096;
    static constexpr int kScreenIntervalMs = 4;
    // The 50 Hz video interrupt comes every 10 slices of emulated time (20 ms),
    // so a replayed run sees it at the same instruction as the recorded one.
    static constexpr int32_t kVideoInterruptSlices = 10;
    // A running recording writes its pending IN bytes every 200 slices.
    static constexpr int32_t kRecordingFlushSlices = 200;
    // The keyboard step (host scan, or the next step of inserted text) comes
    // every 10 slices of emulated time (20 ms), so inserted text is typed at
    // the same emulated pace whatever the speed.
    static constexpr int32_t kKeyboardSlices = 10;

    // hold: while not 0 the CPU holds (a tape request waits for the
    // user-interface thread).
    SliceRunner(MachineParts& parts, std::atomic<int>& debuggerTag, const std::atomic<unsigned>& hold)
        : parts(parts), debuggerTag(debuggerTag), hold(hold) {}

    // One CPU slice, begun at startNs (NowNs). Returns true when a breakpoint or a
    // finished step over/out stopped it. A hold ends it after the
    // instruction; like a stop it keeps the slice clock, so the next slice
    // goes on from there.
    bool CpuSlice(int64_t startNs);
    void ScreenTick();
    // Whether the keyboard is free for the slices' keyboard step; LEDs, disk
    // and tape icons. tapeBrowserIdle: the tape browser's request word is idle.
    void ControlsTick(bool tapeBrowserIdle);

    // Percentage shown for busyUs microseconds in slices within elapsedMs.
    static int CpuUsagePercent(int64_t busyUs, int64_t elapsedMs);
    static int64_t NowMs();
    static int64_t NowNs();

    int32_t SliceCount() const { return sliceCount.load(); }
    void ResetSliceCount() { sliceCount.store(0); }
    int32_t VideoInterruptPhase() const { return videoSlices.load(); }
    void SetVideoInterruptPhase(int32_t slices) { videoSlices.store(slices >= 0 && slices < kVideoInterruptSlices ? slices : 0); }

private:
    MachineParts& parts;
    std::atomic<int>& debuggerTag;
    const std::atomic<unsigned>& hold;

    // Time spent in slices since the last CPU-usage figure, in nanoseconds:
    // a slice takes some microseconds, so coarser units would lose most of it.
    std::atomic<int64_t> busyNs{0};
    std::atomic<int32_t> sliceCount{0};
    std::atomic<int32_t> videoSlices{0};  // completed slices since the last video interrupt
    int64_t keyClock = 0;                 // emulated cycles of completed slices, for the key events
    int32_t keyboardSlices = 0;           // completed slices since the last keyboard step
    // Set by the controls tick: neither the tape browser (active, or busy
    // with a request) nor a stopped debugger holds the keyboard.
    std::atomic<bool> keyboardFree{true};

    // Screen-tick state (timer thread).
    int phase = 0;
    int blinkAccumulator = 0;
    bool firstScreenTick = true;
    int64_t nextUsageMs = 0;

    // Controls-tick state (user-interface thread).
    int diskShown = 0;
    int diskHold = 0;
    int tapeShown = 0;
};
