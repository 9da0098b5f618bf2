#include "platform/PreciseTimer.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace {

int64_t MonotonicNow() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

void SleepUntil(int64_t deadline) {
    timespec ts{};
    ts.tv_sec = time_t(deadline / 1000000000);
    ts.tv_nsec = long(deadline % 1000000000);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
}

// A deadline further away than this is waited for on the condition variable
// (so that changes wake the thread); the last stretch is slept precisely.
constexpr int64_t kPreciseStretch = 3000000;

}  // namespace

struct TPreciseTimer::State {
    TPreciseTimer* owner = nullptr;
    bool registered = false;
    bool enabled = false;
    int64_t periodNs = 1000000000;
    int64_t next = 0;
    uint64_t generation = 0;  // changes whenever the schedule restarts
    bool busy = false;
    std::shared_ptr<const TPreciseTimerEvent> handler;
    std::weak_ptr<State> host;  // served in host's wake-ups while host is enabled
};

namespace {

class TimerThread {
public:
    static TimerThread& Get() {
        // Never destroyed: timers may outlive static destruction order.
        static TimerThread* instance = [] {
            auto* t = new TimerThread;
            std::atexit([] { TPreciseTimer::ShutdownThread(); });
            return t;
        }();
        return *instance;
    }

    std::mutex mutex;
    std::condition_variable changed;

    bool OnThread() {
        std::lock_guard lk(mutex);
        return running_ && std::this_thread::get_id() == threadId_;
    }

    // Under mutex.
    void Add(const std::shared_ptr<TPreciseTimer::State>& s) {
        timers_.push_back(s);
        s->registered = true;
    }

    // Under mutex.
    void Remove(const std::shared_ptr<TPreciseTimer::State>& s) {
        for (auto it = timers_.begin(); it != timers_.end(); ++it) {
            if (*it == s) {
                timers_.erase(it);
                break;
            }
        }
        s->registered = false;
    }

    // Under mutex: starts the schedule of s and makes sure the thread runs.
    void Restart(TPreciseTimer::State& s) {
        s.next = MonotonicNow() + s.periodNs;
        ++s.generation;
        if (!running_ && !stopping_) {
            try {
                stop_ = false;
                thread_ = std::thread([this] { Run(); });
                threadId_ = thread_.get_id();
                running_ = true;
            } catch (const std::system_error&) {
                // No thread: the timer stays inert.
            }
        }
        changed.notify_all();
    }

    // Under lk: waits while s's handler runs on another thread.
    void WaitIdle(std::unique_lock<std::mutex>& lk, TPreciseTimer::State& s) {
        if (running_ && std::this_thread::get_id() == threadId_) return;
        changed.wait(lk, [&] { return !s.busy; });
    }

    void Shutdown() {
        std::thread t;
        {
            std::lock_guard lk(mutex);
            for (auto& s : timers_) s->enabled = false;
            if (!running_) return;
            stop_ = true;
            changed.notify_all();
            if (std::this_thread::get_id() == threadId_) {
                // Cannot join itself: the thread lets itself go after the
                // handler, unless another caller is joining it.
                if (!stopping_) selfStop_ = true;
                return;
            }
            if (stopping_) return;  // another caller joins
            stopping_ = true;
            t = std::move(thread_);
        }
        t.join();
        std::lock_guard lk(mutex);
        for (auto& s : timers_) s->enabled = false;
        running_ = false;
        stopping_ = false;
        stop_ = false;
        threadId_ = {};
        changed.notify_all();
    }

private:
    // Under mutex: s waits for its host's wake-ups.
    static bool RidesAlong(const TPreciseTimer::State& s) {
        const std::shared_ptr<TPreciseTimer::State> host = s.host.lock();
        return host && host->enabled;
    }

    // Under lk: calls s's handler once and moves its schedule past now.
    void Serve(std::unique_lock<std::mutex>& lk, const std::shared_ptr<TPreciseTimer::State>& s) {
        const int64_t deadline = s->next;
        const uint64_t generation = s->generation;
        auto handler = s->handler;
        TPreciseTimer* sender = s->owner;
        s->busy = true;
        lk.unlock();
        if (handler && *handler) (*handler)(sender);
        lk.lock();
        s->busy = false;
        if (s->generation == generation) {
            // Drop every deadline that passed meanwhile.
            const int64_t now = MonotonicNow();
            int64_t next = deadline + s->periodNs;
            if (next <= now) next += ((now - next) / s->periodNs + 1) * s->periodNs;
            s->next = next;
        }
        changed.notify_all();
    }

    void Run() {
        std::unique_lock lk(mutex);
        while (!stop_) {
            std::shared_ptr<TPreciseTimer::State> due;
            int64_t deadline = INT64_MAX;
            for (auto& s : timers_) {
                if (s->enabled && s->next < deadline && !RidesAlong(*s)) {
                    deadline = s->next;
                    due = s;
                }
            }
            if (!due) {
                changed.wait(lk);
                continue;
            }
            int64_t now = MonotonicNow();
            if (deadline > now) {
                if (deadline - now > kPreciseStretch) {
                    auto until = std::chrono::steady_clock::time_point(
                        std::chrono::nanoseconds(deadline - kPreciseStretch + 1000000));
                    changed.wait_until(lk, until);
                } else {
                    lk.unlock();
                    SleepUntil(deadline);
                    lk.lock();
                }
                continue;  // look again: timers may have changed meanwhile
            }

            Serve(lk, due);
            // Timers that ride along with this one and are due now.
            now = MonotonicNow();
            for (size_t i = 0; i < timers_.size() && !stop_; ++i) {
                std::shared_ptr<TPreciseTimer::State> f = timers_[i];
                if (f->enabled && f->next <= now && f->host.lock() == due) Serve(lk, f);
            }
        }
        if (selfStop_ && !stopping_ && thread_.joinable()) {
            selfStop_ = false;
            thread_.detach();
            running_ = false;
            stop_ = false;
            threadId_ = {};
            changed.notify_all();
        }
        selfStop_ = false;
    }

    std::vector<std::shared_ptr<TPreciseTimer::State>> timers_;
    std::thread thread_;
    std::thread::id threadId_;
    bool running_ = false;
    bool stopping_ = false;
    bool stop_ = false;
    bool selfStop_ = false;
};

}  // namespace

TPreciseTimer::TPreciseTimer() : state_(std::make_shared<State>()) {
    state_->owner = this;
    TimerThread& tt = TimerThread::Get();
    std::lock_guard lk(tt.mutex);
    tt.Add(state_);
}

TPreciseTimer::~TPreciseTimer() {
    TimerThread& tt = TimerThread::Get();
    std::unique_lock lk(tt.mutex);
    state_->enabled = false;
    tt.Remove(state_);
    tt.WaitIdle(lk, *state_);
    state_->owner = nullptr;
}

bool TPreciseTimer::Enabled() const {
    std::lock_guard lk(TimerThread::Get().mutex);
    return state_->enabled;
}

void TPreciseTimer::SetEnabled(bool value) {
    TimerThread& tt = TimerThread::Get();
    std::lock_guard lk(tt.mutex);
    state_->enabled = value;
    if (value) tt.Restart(*state_);
}

int TPreciseTimer::Interval() const {
    std::lock_guard lk(TimerThread::Get().mutex);
    return int(state_->periodNs / 1000000);
}

int TPreciseTimer::IntervalMicroseconds() const {
    std::lock_guard lk(TimerThread::Get().mutex);
    return int(state_->periodNs / 1000);
}

void TPreciseTimer::SetInterval(int milliseconds) {
    if (milliseconds <= 0) return;
    SetIntervalMicroseconds(milliseconds > INT_MAX / 1000 ? INT_MAX : milliseconds * 1000);
}

void TPreciseTimer::SetIntervalMicroseconds(int microseconds) {
    if (microseconds <= 0) return;
    TimerThread& tt = TimerThread::Get();
    std::lock_guard lk(tt.mutex);
    int64_t period = int64_t(microseconds) * 1000;
    if (period == state_->periodNs) return;
    state_->periodNs = period;
    if (state_->enabled) tt.Restart(*state_);
}

TPreciseTimerEvent TPreciseTimer::OnTimer() const {
    std::lock_guard lk(TimerThread::Get().mutex);
    return state_->handler ? *state_->handler : TPreciseTimerEvent();
}

void TPreciseTimer::SetOnTimer(TPreciseTimerEvent handler) {
    auto h = std::make_shared<const TPreciseTimerEvent>(std::move(handler));
    {
        std::lock_guard lk(TimerThread::Get().mutex);
        state_->handler.swap(h);
    }
    // h (the old handler) is released here, outside the lock.
}

void TPreciseTimer::SetFollow(TPreciseTimer* host) {
    TimerThread& tt = TimerThread::Get();
    std::lock_guard lk(tt.mutex);
    state_->host = host && host != this ? host->state_ : nullptr;
    tt.changed.notify_all();
}

void TPreciseTimer::WaitIdle() {
    TimerThread& tt = TimerThread::Get();
    std::unique_lock lk(tt.mutex);
    tt.WaitIdle(lk, *state_);
}

void TPreciseTimer::ShutdownThread() { TimerThread::Get().Shutdown(); }

bool TPreciseTimer::OnTimerThread() { return TimerThread::Get().OnThread(); }
