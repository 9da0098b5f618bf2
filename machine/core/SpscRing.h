#pragma once
// A bounded ring for one producer thread and one consumer thread, without a
// lock: the producer alone moves the tail, the consumer alone the head.
// A push into a full ring is refused and reported.
#include <array>
#include <atomic>
#include <cstddef>

template <typename T, size_t Capacity>
class SpscRing {
    static_assert(Capacity >= 2 && (Capacity & (Capacity - 1)) == 0, "capacity must be a power of two");

public:
    static constexpr size_t kCapacity = Capacity;

    // Producer side. False (nothing stored) when the ring is full.
    bool Push(const T& value) {
        const size_t tail = tail_.load(std::memory_order_relaxed);
        if (tail - head_.load(std::memory_order_acquire) >= Capacity) return false;
        slots_[tail & (Capacity - 1)] = value;
        tail_.store(tail + 1, std::memory_order_release);
        return true;
    }
    // Room for n more entries (producer side).
    bool HasRoom(size_t n) const {
        return tail_.load(std::memory_order_relaxed) - head_.load(std::memory_order_acquire) + n <= Capacity;
    }

    // Consumer side. False when the ring is empty.
    bool Pop(T& value) {
        const size_t head = head_.load(std::memory_order_relaxed);
        if (head == tail_.load(std::memory_order_acquire)) return false;
        value = slots_[head & (Capacity - 1)];
        head_.store(head + 1, std::memory_order_release);
        return true;
    }
    // Drops every entry (consumer side).
    void Clear() { head_.store(tail_.load(std::memory_order_acquire), std::memory_order_release); }

    // Entries waiting; exact on either side's own thread, a snapshot elsewhere.
    size_t Size() const { return tail_.load(std::memory_order_acquire) - head_.load(std::memory_order_acquire); }
    bool Empty() const { return Size() == 0; }

private:
    std::array<T, Capacity> slots_{};
    alignas(64) std::atomic<size_t> head_{0};
    alignas(64) std::atomic<size_t> tail_{0};
};
