#include "machine/owner/CommandQueue.h"

#include <utility>

void CommandQueue::Post(Work work, Work answer) {
    std::lock_guard<std::mutex> lock(mutex);
    queued.push_back({std::move(work), std::move(answer)});
    waiting.store(true, std::memory_order_release);
}

void CommandQueue::RunPending() {
    AnswerPoster post;
    {
        std::lock_guard<std::mutex> lock(mutex);
        running.swap(queued);
        waiting.store(false, std::memory_order_release);
        post = poster;
    }
    for (Command& c : running) {
        if (c.work) c.work();
        if (!c.answer) continue;
        if (post)
            post(std::move(c.answer));
        else
            c.answer();
    }
    running.clear();
}

void CommandQueue::Drop() {
    std::lock_guard<std::mutex> lock(mutex);
    queued.clear();
    waiting.store(false, std::memory_order_release);
}

void CommandQueue::SetAnswerPoster(AnswerPoster p) {
    std::lock_guard<std::mutex> lock(mutex);
    poster = std::move(p);
}
