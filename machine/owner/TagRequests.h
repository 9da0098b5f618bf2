#pragma once
// The two request words shared by the emulation thread and the windows: the
// debugger's and the tape browser's Tag (values in machine/core/RequestWords.h).
// The emulation thread and the windows write them; the controls tick takes
// the requests on the user-interface thread.

#include <atomic>
#include <cstdint>

#include "machine/core/Closure.h"

class DebuggerLink;
class TapeBrowserLink;

class TagRequests {
public:
    // Pauses (1) or runs (0) the machine; the flag says whether the screen
    // and controls timers follow.
    using PauseControl = Closure<void(int state, int alsoRefreshTimers)>;

    // The emulation thread's side of a tape request: writes the request,
    // sleeps 25 ms (stop tape), 500 ms (new tape file) or 50 ms (append
    // block), and sleeps again while the controls tick holds the
    // acknowledgement. Other values do nothing. Returns 1.
    uint8_t RaiseTapeRequest(int request, const std::atomic<int>& closing);

    // The controls tick's side: the debugger's requests, then the tape browser's.
    void Serve(PauseControl pause, DebuggerLink* debugger, TapeBrowserLink* browser);

    std::atomic<int> debugger{0};     // FormDebugger.Tag
    std::atomic<int> tapeBrowser{0};  // FormTapeBrowser.Tag
};
