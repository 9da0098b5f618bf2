#pragma once
#include <cstdint>
#include <functional>
#include <memory>

class TPreciseTimer;

// Handler of a precise timer, called with the timer as sender.
using TPreciseTimerEvent = std::function<void(TPreciseTimer* sender)>;

// A periodic timer with millisecond (or finer) periods.
//
// Every TPreciseTimer shares one timer thread, so two handlers never run at
// the same time. The thread sleeps to absolute deadlines on CLOCK_MONOTONIC,
// so the period does not drift. Ticks are never queued: deadlines that pass
// while a handler runs collapse into at most one late call, after which the
// timer continues on its own grid (a handler slower than its period is called
// again at the first deadline after it returns).
//
// The thread starts with the first enabled timer and ends with
// TPreciseTimer::ShutdownThread (also run at process exit).
class TPreciseTimer {
public:
    // Created disabled, with Interval 1000 ms and no handler.
    TPreciseTimer();
    // Disables the timer and waits until its handler has returned (unless
    // called from the handler itself).
    ~TPreciseTimer();
    TPreciseTimer(const TPreciseTimer&) = delete;
    TPreciseTimer& operator=(const TPreciseTimer&) = delete;

    bool Enabled() const;
    // true (re)starts the timer: the first tick comes one period from now.
    // false stops it: no handler call starts after this returns. It does not
    // wait for a call already in progress (the caller may hold a lock that
    // the handler waits for); use WaitIdle for that.
    void SetEnabled(bool value);

    // Period in milliseconds (a period set in microseconds reads truncated).
    int Interval() const;
    // Only a value above 0 that differs from the period: stores it and
    // restarts a running timer with it; a disabled timer stays stopped.
    void SetInterval(int milliseconds);
    int IntervalMicroseconds() const;
    void SetIntervalMicroseconds(int microseconds);

    TPreciseTimerEvent OnTimer() const;
    void SetOnTimer(TPreciseTimerEvent handler);

    // Rides along with host (null: on its own). While host is enabled this
    // timer never wakes the thread by itself: a tick of it that is due is
    // served in the same wake-up, right after host's handler (so at most one
    // host period late, and still at most one call per passed deadline). While
    // host is disabled it runs on its own deadlines. Its period stays its own;
    // host's must be shorter. host must outlive this timer or be unset first.
    void SetFollow(TPreciseTimer* host);

    // Waits until this timer's handler is not running. Returns at once on the
    // timer thread.
    void WaitIdle();

    // Process-wide stop: disables every timer, waits for a running handler
    // and joins the timer thread. Enabling a timer afterwards starts a new
    // thread. Called from a handler it only disables (it cannot join itself).
    static void ShutdownThread();
    // True on the timer thread (inside a handler).
    static bool OnTimerThread();

    struct State;

private:
    std::shared_ptr<State> state_;
};
