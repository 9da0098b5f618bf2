// Commands posted to the machine: run on the emulation thread between
// slices, also while paused, in the order posted, with their answers handed
// to the poster's thread. The ThreadSanitizer build checks that a command
// never touches the machine while a slice runs.
#include <chrono>
#include <mutex>
#include <thread>

#include "OwnerFixture.h"
#include "machine/core/ChangeCodes.h"
#include "platform/PreciseTimer.h"

namespace {

class CommandQueueTest : public OwnerTest {
protected:
    void SetUp() override {
        OwnerTest::SetUp();
        owner.SetDebugger(nullptr);
        owner.SetAnswerPoster([this](CommandQueue::Work answer) {
            std::lock_guard<std::mutex> lock(answersMutex);
            answers.push_back(std::move(answer));
        });
    }
    // Waits (at most 10 s) until count answers have come, then runs them here.
    bool RunAnswers(size_t count) {
        std::vector<CommandQueue::Work> taken;
        for (int i = 0; i < 1000; ++i) {
            {
                std::lock_guard<std::mutex> lock(answersMutex);
                if (answers.size() >= count) {
                    taken.swap(answers);
                    break;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        for (CommandQueue::Work& a : taken) a();
        return taken.size() == count;
    }
    bool SlicesRun() {
        const int32_t start = owner.GetSliceCount();
        for (int i = 0; i < 1000; ++i) {
            if (owner.GetSliceCount() > start + 5) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    std::mutex answersMutex;
    std::vector<CommandQueue::Work> answers;
};

TEST_F(CommandQueueTest, StepResetAndSettingsPostedFromASecondThreadWhileSlicesRun) {
    Build(kModel2A);  // all NOP
    owner.SetPause(0, 1);
    ASSERT_TRUE(SlicesRun());

    constexpr int kCommands = 600;
    // Written by the commands (emulation thread), read here after their answers.
    std::vector<int> ran;
    int offThread = 0;
    int wrongStep = 0;
    int wrongReset = 0;
    std::vector<int> answered;
    std::thread poster([&] {
        for (int i = 0; i < kCommands; ++i) {
            CommandQueue::Work work;
            switch (i % 3) {
                case 0:  // one debugger step
                    work = [&, i] {
                        if (!TPreciseTimer::OnTimerThread()) offThread++;
                        const uint16_t pc = Cpu().PC;
                        Cpu().Step();
                        Cpu().SyncDevices();
                        if (Cpu().PC != static_cast<uint16_t>(pc + 1)) wrongStep++;
                        ran.push_back(i);
                    };
                    break;
                case 1:  // reset: nothing runs between it and the end of the command
                    work = [&, i] {
                        if (!TPreciseTimer::OnTimerThread()) offThread++;
                        owner.ResetMachine(0);
                        if (Cpu().PC != 0) wrongReset++;
                        ran.push_back(i);
                    };
                    break;
                default:  // new settings
                    work = [&, i] {
                        if (!TPreciseTimer::OnTimerThread()) offThread++;
                        std::vector<int> codes{ChangeCode::Compatibility, ChangeCode::Keyboard, ChangeCode::VideoInterrupt};
                        owner.ApplySettings(codes);
                        ran.push_back(i);
                    };
                    break;
            }
            owner.Post(std::move(work), [&answered, i] { answered.push_back(i); });
            if (i % 7 == 0) std::this_thread::yield();
        }
    });
    // Meanwhile this thread pauses and runs the machine: some commands come
    // while it is paused.
    for (int i = 0; i < 50; ++i) {
        owner.SetPause(1, i % 2);
        std::this_thread::yield();
        owner.SetPause(0, i % 2);
    }
    poster.join();
    ASSERT_TRUE(RunAnswers(kCommands));
    owner.SetPause(1, 1);

    ASSERT_EQ(static_cast<int>(ran.size()), kCommands);
    ASSERT_EQ(static_cast<int>(answered.size()), kCommands);
    for (int i = 0; i < kCommands; ++i) {
        EXPECT_EQ(ran[i], i);
        EXPECT_EQ(answered[i], i);
    }
    EXPECT_EQ(offThread, 0);
    EXPECT_EQ(wrongStep, 0);
    EXPECT_EQ(wrongReset, 0);
    owner.Shutdown();
}

TEST_F(CommandQueueTest, ACommandRunsWhilePausedWithoutASlice) {
    Build(kModel2A);
    owner.SetPause(1, 1);
    const uint16_t pc = Cpu().PC;
    const int32_t slices = owner.GetSliceCount();
    bool onTimer = false;
    uint16_t after = 0;
    owner.Post(
        [&] {
            onTimer = TPreciseTimer::OnTimerThread();
            Cpu().Step();
            after = Cpu().PC;
        },
        [] {});
    ASSERT_TRUE(RunAnswers(1));
    EXPECT_TRUE(onTimer);
    EXPECT_EQ(after, static_cast<uint16_t>(pc + 1));
    EXPECT_EQ(owner.GetSliceCount(), slices);
    EXPECT_EQ(owner.GetRunState(), 1);
    owner.Shutdown();
}

TEST_F(CommandQueueTest, WithoutAPosterTheAnswerFollowsItsCommand) {
    owner.SetAnswerPoster(nullptr);
    Build(kModel2A);
    std::mutex m;
    std::vector<int> order;
    owner.Post([&] { std::lock_guard<std::mutex> l(m); order.push_back(1); },
               [&] { std::lock_guard<std::mutex> l(m); order.push_back(2); });
    owner.Post([&] { std::lock_guard<std::mutex> l(m); order.push_back(3); });
    for (int i = 0; i < 1000; ++i) {
        {
            std::lock_guard<std::mutex> l(m);
            if (order.size() == 3) break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::lock_guard<std::mutex> l(m);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST_F(CommandQueueTest, ACommandPostedWhileClosingNeverRuns) {
    Build(kModel2A);
    owner.Shutdown();
    bool ran = false;
    owner.Post([&] { ran = true; }, [&] { ran = true; });
    owner.RunCommands();
    EXPECT_FALSE(ran);
}

}  // namespace
