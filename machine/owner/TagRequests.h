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

    // The emulation thread's side of a tape request (stop tape, new tape
    // file, append block): the request is queued and the call returns at
    // once, so that nothing waits under the CPU mutex. While a request is
    // queued the CPU holds (the slice ends after the instruction, and no
    // slice runs) until the controls tick has served it. Requests never
    // overwrite one another; the browser's own values of the word stay its
    // own. Other values do nothing. Returns 1.
    uint8_t RaiseTapeRequest(int request);
    // A raised request waits: the CPU holds.
    bool TapeRequestWaiting() const { return pendingTape.load(std::memory_order_relaxed) != 0; }
    const std::atomic<unsigned>& TapeHold() const { return pendingTape; }

    // The controls tick's side: the debugger's requests, then the tape browser's.
    void Serve(PauseControl pause, DebuggerLink* debugger, TapeBrowserLink* browser);

    std::atomic<int> debugger{0};     // FormDebugger.Tag
    std::atomic<int> tapeBrowser{0};  // FormTapeBrowser.Tag

private:
    // Raised tape requests, one bit each, served in this order.
    static constexpr unsigned kStopBit = 1, kNewFileBit = 2, kAppendBit = 4;
    std::atomic<unsigned> pendingTape{0};
};
