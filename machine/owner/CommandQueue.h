#pragma once
// Commands from the windows to the running machine. Any thread posts; the
// emulation thread runs them, in the order posted, at a slice boundary
// (before the next slice, or on its own wake-up while the CPU is paused).
// A command's answer goes back to the windows through the answer poster.

#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

class CommandQueue {
public:
    using Work = std::function<void()>;
    // Hands an answer to the thread that shows it (the shell posts it to the
    // user-interface thread); without one the answer runs where the command ran.
    using AnswerPoster = std::function<void(Work answer)>;

    // Queues work and its answer (may be empty). Returns at once.
    void Post(Work work, Work answer);
    // Runs every command queued by now and passes each answer on. Emulation thread.
    void RunPending();
    // Something waits; cheap enough for every slice.
    bool Waiting() const { return waiting.load(std::memory_order_acquire); }
    // Forgets queued commands without running them (closing).
    void Drop();

    void SetAnswerPoster(AnswerPoster poster);

private:
    struct Command {
        Work work;
        Work answer;
    };
    std::mutex mutex;
    std::vector<Command> queued;
    std::vector<Command> running;  // emulation thread only
    AnswerPoster poster;
    std::atomic<bool> waiting{false};
};
