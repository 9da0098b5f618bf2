#pragma once
// What the machine owner needs from the windows, and what it tells them.
// The shell implements these; tests implement fakes.

#include <cstdint>
#include <string>

#include "machine/storage/RomFile.h"

class IifTape;

// The debugger's side of the CPU slice.
class DebuggerLink {
public:
    // 1 when an active breakpoint stands at pc.
    virtual int IsBreakpoint(uint16_t pc) = 0;
    // Executes one instruction, stores its cycles; 1 when the step over or
    // step out is complete.
    virtual int StepWatchingReturn(int32_t& cycles) = 0;
    // False when no breakpoint is active; asked once per slice, so that a
    // slice without breakpoints skips IsBreakpoint.
    virtual bool AnyBreakpoint() = 0;
    // Pauses and opens the debugger (stop request seen by the controls tick).
    virtual void OpenDebugger() = 0;

protected:
    ~DebuggerLink() = default;
};

// The tape browser's side of the machine.
class TapeBrowserLink {
public:
    // The tape interface to drive; null while there is none.
    virtual void SetTapeDevice(IifTape* tape) = 0;
    // False on the model without a tape interface: hide the window and its menu item.
    virtual void SetAvailable(bool available) = 0;
    virtual bool IsActiveWindow() = 0;
    virtual void NewTapeFile() = 0;          // request 6
    virtual void AppendRecordedBlock() = 0;  // request 8
    virtual void StopTape() = 0;             // request 10
    virtual void PeriodicUpdate() = 0;

protected:
    ~TapeBrowserLink() = default;
};

// An attached action recording, as far as the CPU slice needs it.
class RecordingLink {
public:
    virtual bool IsRecording() const = 0;
    virtual void Flush() = 0;

protected:
    ~RecordingLink() = default;
};

// The printer's paper window. The owner attaches a drawn BT100 (640 x 820)
// and detaches it (0, 0) before the printer goes; the window then asks the
// owner for the printer's dot queue and clears it through the owner.
class PrinterPaperLink {
public:
    virtual void AttachPrinter(int width, int height) = 0;

protected:
    ~PrinterPaperLink() = default;
};

// What the owner tells the main window. Calls made from the timer thread
// (RepaintScreen, ShowCpuUsage, Relayout) must be posted to the GUI thread by
// the implementation; the others come from the thread that called the owner.
class OwnerView {
public:
    virtual void RepaintScreen() = 0;
    virtual void ShowCpuUsage(const std::string& text) = 0;
    virtual void Relayout() = 0;
    // Run state changed by SetPause: paused 1/0, whether the screen and
    // controls timers follow. The window switches the button image, the
    // joystick devices, its controls timer and the paused menu check.
    virtual void RunStateChanged(int paused, bool alsoRefreshTimers) = 0;
    virtual void ShowModel(int model) = 0;
    virtual void ShowMute(bool mute) = 0;
    virtual void SetLed(int index, bool on) = 0;  // 0 yellow, 1 red, 2 blue
    virtual void ShowDiskIcon(int image) = 0;
    virtual void ShowTapeIcon(int image) = 0;
    // The debugger's panel hints on or off (change code 28).
    virtual void ShowDebuggerHints(bool show) = 0;

protected:
    ~OwnerView() = default;
};

