#include "platform/PreciseTimer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Waits (generously) for a condition; a loaded machine only makes it slower.
template <typename F>
bool WaitFor(F done, std::chrono::seconds limit = 20s) {
    auto end = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() > end) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

TEST(PreciseTimer, PropertiesAndIntervalEdges) {
    TPreciseTimer t;
    EXPECT_FALSE(t.Enabled());
    EXPECT_EQ(t.Interval(), 1000);
    EXPECT_FALSE(t.OnTimer());
    t.SetInterval(0);
    EXPECT_EQ(t.Interval(), 1000);
    t.SetInterval(-5);
    EXPECT_EQ(t.Interval(), 1000);
    t.SetInterval(2);
    EXPECT_EQ(t.Interval(), 2);
    EXPECT_EQ(t.IntervalMicroseconds(), 2000);
    t.SetIntervalMicroseconds(1950);
    EXPECT_EQ(t.Interval(), 1);
    EXPECT_EQ(t.IntervalMicroseconds(), 1950);
    t.SetIntervalMicroseconds(0);
    EXPECT_EQ(t.IntervalMicroseconds(), 1950);
    t.SetOnTimer([](TPreciseTimer*) {});
    EXPECT_TRUE(t.OnTimer());
    EXPECT_FALSE(TPreciseTimer::OnTimerThread());
}

TEST(PreciseTimer, TicksArriveWithTheTimerAsSenderAndStopWhenDisabled) {
    TPreciseTimer t;
    std::atomic<int> calls{0};
    std::atomic<bool> wrongSender{false}, wrongThread{false};
    t.SetInterval(2);
    t.SetOnTimer([&](TPreciseTimer* s) {
        if (s != &t) wrongSender = true;
        if (!TPreciseTimer::OnTimerThread()) wrongThread = true;
        ++calls;
    });
    t.SetEnabled(true);
    EXPECT_TRUE(t.Enabled());
    ASSERT_TRUE(WaitFor([&] { return calls >= 20; }));
    t.SetEnabled(false);
    t.WaitIdle();
    int n = calls;
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(calls, n);
    EXPECT_FALSE(wrongSender);
    EXPECT_FALSE(wrongThread);
}

TEST(PreciseTimer, SlowHandlerDropsTicksInsteadOfQueuing) {
    constexpr int periodMs = 5;
    constexpr int slowMs = 200;
    TPreciseTimer t;
    std::atomic<int> calls{0};
    t.SetInterval(periodMs);
    t.SetOnTimer([&](TPreciseTimer*) {
        if (calls++ == 0) std::this_thread::sleep_for(std::chrono::milliseconds(slowMs));
    });
    auto start = Clock::now();
    t.SetEnabled(true);
    ASSERT_TRUE(WaitFor([&] { return calls >= 6; }));
    t.SetEnabled(false);
    t.WaitIdle();
    auto elapsedMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    // Queued ticks would add about slowMs / periodMs calls on top of the
    // deadlines outside the slow call; dropped ones add none.
    EXPECT_LE(calls, (elapsedMs - slowMs) / periodMs + 3) << "elapsed " << elapsedMs << " ms";
}

TEST(PreciseTimer, TwoTimersShareOneThreadAndNeverOverlap) {
    TPreciseTimer a, b;
    std::atomic<int> inside{0}, callsA{0}, callsB{0};
    std::atomic<bool> overlap{false}, otherThread{false};
    std::mutex idMutex;
    std::thread::id id;
    auto body = [&](std::atomic<int>& calls) {
        if (inside.fetch_add(1) != 0) overlap = true;
        {
            std::lock_guard lk(idMutex);
            if (id == std::thread::id()) id = std::this_thread::get_id();
            else if (id != std::this_thread::get_id()) otherThread = true;
        }
        auto until = Clock::now() + 300us;
        while (Clock::now() < until) {
        }
        ++calls;
        inside.fetch_sub(1);
    };
    a.SetInterval(1);
    b.SetInterval(2);
    a.SetOnTimer([&](TPreciseTimer*) { body(callsA); });
    b.SetOnTimer([&](TPreciseTimer*) { body(callsB); });
    a.SetEnabled(true);
    b.SetEnabled(true);
    ASSERT_TRUE(WaitFor([&] { return callsA >= 30 && callsB >= 30; }));
    a.SetEnabled(false);
    b.SetEnabled(false);
    a.WaitIdle();
    b.WaitIdle();
    EXPECT_FALSE(overlap);
    EXPECT_FALSE(otherThread);
}

// A timer that follows another never wakes the thread on its own while the
// other runs: each of its ticks comes right after a tick of its host. With
// the host stopped it runs on its own.
TEST(PreciseTimer, FollowerIsServedInItsHostsWakeUps) {
    TPreciseTimer host, follower;
    std::mutex m;
    std::string log;
    auto count = [&](char c) {
        std::lock_guard lk(m);
        return std::count(log.begin(), log.end(), c);
    };
    host.SetIntervalMicroseconds(1800);
    follower.SetInterval(4);
    host.SetOnTimer([&](TPreciseTimer*) {
        std::lock_guard lk(m);
        log += 'h';
    });
    follower.SetOnTimer([&](TPreciseTimer*) {
        std::lock_guard lk(m);
        log += 'f';
    });
    follower.SetFollow(&host);
    host.SetEnabled(true);
    follower.SetEnabled(true);
    ASSERT_TRUE(WaitFor([&] { return count('f') >= 30; }));
    host.SetEnabled(false);
    host.WaitIdle();
    std::string hosted;
    {
        std::lock_guard lk(m);
        hosted = log;
        log.clear();
    }
    ASSERT_EQ(hosted.front(), 'h');
    // Ticks after the host's last one may come on their own: the host had
    // stopped before the log was taken.
    const size_t hostEnd = std::min(hosted.find_last_of('h') + 2, hosted.size());
    for (size_t i = 0; i < hostEnd; ++i) {
        if (hosted[i] != 'f') continue;
        ASSERT_EQ(hosted[i - 1], 'h') << "tick " << i << " of " << hosted;
    }
    // On its own once the host stops.
    ASSERT_TRUE(WaitFor([&] { return count('f') >= 5; }));
    EXPECT_EQ(count('h'), 0);
    follower.SetEnabled(false);
    follower.WaitIdle();
}

TEST(PreciseTimer, DestroyingWaitsForTheRunningHandler) {
    auto t = std::make_unique<TPreciseTimer>();
    std::atomic<bool> started{false}, finished{false};
    t->SetInterval(1);
    t->SetOnTimer([&](TPreciseTimer*) {
        if (started.exchange(true)) return;
        std::this_thread::sleep_for(100ms);
        finished = true;
    });
    t->SetEnabled(true);
    ASSERT_TRUE(WaitFor([&] { return started.load(); }));
    t.reset();
    EXPECT_TRUE(finished);
}

TEST(PreciseTimer, DisablingDoesNotWaitForAHandlerBlockedOnTheCallersLock) {
    std::mutex cpu;
    std::atomic<int> calls{0};
    TPreciseTimer t;
    t.SetInterval(1);
    t.SetOnTimer([&](TPreciseTimer*) {
        std::lock_guard lk(cpu);
        ++calls;
    });
    {
        std::lock_guard lk(cpu);
        t.SetEnabled(true);
        std::this_thread::sleep_for(20ms);  // the handler now waits for cpu
        t.SetEnabled(false);                // must return while we hold cpu
    }
    t.WaitIdle();
    int n = calls;
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(calls, n);
    EXPECT_LE(n, 1);
}

TEST(PreciseTimer, HandlerMayDisableOrDeleteItsOwnTimer) {
    TPreciseTimer t;
    std::atomic<int> calls{0};
    t.SetInterval(1);
    t.SetOnTimer([&](TPreciseTimer* s) {
        ++calls;
        s->SetEnabled(false);
        s->WaitIdle();  // returns at once on the timer thread
    });
    t.SetEnabled(true);
    ASSERT_TRUE(WaitFor([&] { return calls >= 1 && !t.Enabled(); }));
    t.WaitIdle();
    EXPECT_EQ(calls, 1);

    std::atomic<bool> deleted{false};
    auto* own = new TPreciseTimer;
    own->SetInterval(1);
    own->SetOnTimer([&](TPreciseTimer* s) {
        delete s;
        deleted = true;
    });
    own->SetEnabled(true);
    ASSERT_TRUE(WaitFor([&] { return deleted.load(); }));
}

TEST(PreciseTimer, ShutdownJoinsTheThreadAndAllowsARestart) {
    TPreciseTimer t;
    std::atomic<int> calls{0};
    std::atomic<bool> inHandler{false}, finished{false};
    t.SetInterval(1);
    t.SetOnTimer([&](TPreciseTimer*) {
        if (calls++ == 3) {
            inHandler = true;
            std::this_thread::sleep_for(50ms);
            finished = true;
        }
    });
    t.SetEnabled(true);
    ASSERT_TRUE(WaitFor([&] { return inHandler.load(); }));
    TPreciseTimer::ShutdownThread();
    EXPECT_TRUE(finished);  // the running handler completed before the join returned
    EXPECT_FALSE(t.Enabled());
    int n = calls;
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(calls, n);
    TPreciseTimer::ShutdownThread();  // twice is harmless

    t.SetEnabled(true);
    ASSERT_TRUE(WaitFor([&] { return calls >= n + 5; }));
    t.SetEnabled(false);
    t.WaitIdle();
}

}  // namespace
