#include "machine/owner/SliceRunner.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>

#include "machine/core/ModelCapabilities.h"
#include "machine/core/RequestWords.h"
#include "machine/cpu/ChipCpu8080.h"
#include "machine/input/Joy4004482.h"
#include "machine/input/Mouse.h"
#include "machine/cpu/ChipMemory.h"
#include "machine/owner/MachineParts.h"
#include "machine/pio/SystemPIO.h"
#include "machine/screen/ScreenDAD85.h"
#include "machine/sound/SoundDriver.h"
#include "machine/storage/Pmd32.h"
#include "machine/tape/IifTape.h"
#include "machine/tape/TapeTraps.h"

int64_t SliceRunner::NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int64_t SliceRunner::NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int SliceRunner::CpuUsagePercent(int64_t busy, int64_t elapsedMs) {
    if (elapsedMs <= 0) return 100;
    int64_t usage = busy / 10 / elapsedMs;  // busy in us: us * 100 / (ms * 1000)
    return static_cast<int>(std::min<int64_t>(usage, 100));
}

bool SliceRunner::CpuSlice(int64_t startNs) {
    if (parts.sound && parts.sound->MixSlice()) return false;
    // Host key events due by now reach the matrix before the slice runs.
    if (parts.keyEvents.Apply(parts.keys, keyClock) && parts.systemPio) parts.systemPio->ScanAfterKeyEvents();

    ChipCpu8080& c = *parts.cpu;
    const int model = parts.model;
    const int tag = debuggerTag.load();
    DebuggerLink* const debugger = parts.debugger;
    const ModelCapabilities& has = Capabilities(model);
    const bool traps = has.tapeTraps && parts.recording == nullptr && tag != DebuggerRequest::Stopped &&
                       parts.tape && parts.tape->GetFastMode();
    const bool stepping = (tag == DebuggerRequest::StepOver || tag == DebuggerRequest::StepOut) && debugger;
    DebuggerLink* const breakpoints = (debugger && debugger->AnyBreakpoint()) ? debugger : nullptr;
    const bool compatibility = has.compatibilityMode && parts.compatibilityMode.load() != 0;
    // A PC that never matches stands for an inactive trap.
    const int32_t blockPc = traps ? TapeTraps::BlockRoutine(model) : -1;
    const int32_t bytePc = traps ? TapeTraps::ByteRoutine(model) : -1;
    std::optional<TapeTraps> trap;
    if (traps) trap.emplace(model, *parts.tape, c);
    int32_t extra = 0;
    bool stop = false;
    bool held = false;
    // Each time more than 12 cycles have gathered, 12 of them stretch the
    // clocks by one; without a branch, as n is often 0.
    auto stretch = [&c, &extra](int32_t cycles) {
        extra += cycles;
        const int32_t n = (extra - 1) / 12;
        extra -= n * 12;
        c.SliceClock += n;
        c.LastCycles += n;
        c.TotalClock += static_cast<uint32_t>(n);
    };

    // A trap works on the tape between two instructions: the devices are
    // brought there first, and its changes may move their events.
    auto trapped = [&c, &trap](void (TapeTraps::*routine)(uint16_t), uint16_t pc) {
        c.SyncDevices();
        ((*trap).*routine)(pc);
        c.ScheduleEvents();
    };
    // The mouse's host moves go in here, with the devices brought to this
    // boundary first, so it counts no cycle from before a move.
    if (parts.mouse) {
        c.SyncDevices();
        parts.mouse->TakeHostInput();
    }
    // Settings, snapshots and requests may have changed the devices since
    // the last slice.
    c.ScheduleEvents();

    if (!breakpoints && !compatibility && !stepping) {
        // Nothing to watch but the tape traps.
        while (c.SliceClock < kSliceCycles) {
            const int32_t pc = c.PC;
            if (pc == blockPc) [[unlikely]]
                trapped(&TapeTraps::Block, static_cast<uint16_t>(pc));
            else if (pc == bytePc) [[unlikely]]
                trapped(&TapeTraps::Byte, static_cast<uint16_t>(pc));
            stretch(c.Step());
            if (hold.load(std::memory_order_relaxed)) [[unlikely]] {
                held = true;
                break;
            }
        }
    } else {
        while (c.SliceClock < kSliceCycles) {
            const uint16_t pc = c.PC;
            if (breakpoints && breakpoints->IsBreakpoint(pc) == 1) {
                stop = true;
                break;
            }
            if (compatibility && pc == 0xE04C && !parts.memory->GetAllRamFlag()) c.PC = 0xFFF0;
            if (pc == blockPc)
                trapped(&TapeTraps::Block, pc);
            else if (pc == bytePc)
                trapped(&TapeTraps::Byte, pc);
            int32_t cycles = 0;
            if (!stepping) {
                cycles = c.Step();
            } else if (debugger->StepWatchingReturn(cycles) == 1) {
                stop = true;
                break;
            }
            stretch(cycles);
            if (hold.load(std::memory_order_relaxed)) [[unlikely]] {
                held = true;
                break;
            }
        }
    }
    // Between slices the devices are where per-instruction hooks would have
    // them, for the windows, the snapshots and the recordings.
    c.SyncDevices();
    if (!stop && !held) {
        c.SliceClock -= kSliceCycles;
        keyClock += kSliceCycles;
        // The only writer of the key matrix besides the key events above.
        if (++keyboardSlices >= kKeyboardSlices) {
            keyboardSlices = 0;
            if (parts.systemPio && keyboardFree.load(std::memory_order_relaxed)) parts.systemPio->ScanKeyboard();
        }
        const int32_t count = sliceCount.fetch_add(1) + 1;
        if (parts.recording && parts.recording->IsRecording() && count % kRecordingFlushSlices == 0) parts.recording->Flush();
        const int32_t since = videoSlices.load(std::memory_order_relaxed) + 1;
        videoSlices.store(since >= kVideoInterruptSlices ? 0 : since, std::memory_order_relaxed);
        // Only a build with the video-interrupt port raises it; an enable
        // left over from another model does not.
        ScreenDAD85* const screen = parts.screen.get();
        if (since >= kVideoInterruptSlices && parts.videoInterrupt && screen && screen->IsVideoInterruptEnabled() &&
            tag != DebuggerRequest::Stopped)
            c.Interrupt();
    }
    busyNs.fetch_add(NowNs() - startNs);
    return stop;
}

void SliceRunner::ScreenTick() {
    ScreenDAD85* const screen = parts.screen.get();
    if (firstScreenTick) {
        firstScreenTick = false;
        nextUsageMs = NowMs() + 1000;
    }
    if (screen) {
        if (blinkAccumulator < 500) {
            blinkAccumulator += kScreenIntervalMs;
        } else {
            blinkAccumulator = 0;
            screen->SetBlinkPhase(!screen->GetBlinkPhase());
        }
    }
    phase = (phase + 1) % 5;
    switch (phase) {
        case 0:
            if (parts.memory && screen && screen->PaintIfChanged(parts.memory->GetVideoRam()) &&
                parts.view)
                parts.view->RepaintScreen();
            break;
        case 1: {
            const int64_t now = NowMs();
            if (now < nextUsageMs) break;
            const int usage = CpuUsagePercent(busyNs.exchange(0) / 1000, now - nextUsageMs + 1000);
            if (parts.view) parts.view->ShowCpuUsage(std::to_string(usage) + "%");
            nextUsageMs = now + 1000;
            break;
        }
        case 2:
            if (parts.systemPio && screen) {
                SystemPIO& pio = *parts.systemPio;
                const uint8_t word = pio.changeWord.load();
                if (word & 1) {
                    const bool wide = (word & 0xFE) != 0;
                    if (wide != screen->IsWideMode()) {
                        screen->SetWideMode(wide);
                        if (screen->GetSizeMode() != 3 && parts.view) parts.view->Relayout();
                    }
                    pio.changeWord.fetch_and(static_cast<uint8_t>(~1));
                }
            }
            break;
        default:
            break;
    }
}

void SliceRunner::ControlsTick(bool tapeBrowserIdle) {
    OwnerView* const view = parts.view;
    TapeBrowserLink* const browser = parts.tapeBrowser;
    if (browser) browser->PeriodicUpdate();
    if (parts.systemPio) {
        const bool browserActive = browser && browser->IsActiveWindow();
        keyboardFree.store(!browserActive && tapeBrowserIdle && debuggerTag.load() != DebuggerRequest::Stopped,
                           std::memory_order_relaxed);
        const uint8_t leds = parts.systemPio->leds.load();
        if (view)
            for (int i = 0; i < 3; ++i) view->SetLed(i, (leds >> i) & 1);
    }
    if (parts.joystick) parts.joystick->Poll();
    if (parts.pmd32) {
        const int a = parts.pmd32->GetActivity();
        if (a + 1 != diskShown) {
            if (diskShown != 0 && a == 0) {
                if (diskHold != 0)
                    diskHold--;
                else
                    diskHold = 50;
            }
            if (diskHold == 0 || a > 0) {
                if (view) view->ShowDiskIcon(a);
                diskShown = a + 1;
            }
        }
    } else if (diskShown != 0) {
        diskShown = 0;
        if (view) view->ShowDiskIcon(0);
    }
    if (parts.tape) {
        const int a = parts.tape->GetActivity();
        if (a != tapeShown) {
            tapeShown = a;
            if (view) view->ShowTapeIcon(a);
        }
    }
}
