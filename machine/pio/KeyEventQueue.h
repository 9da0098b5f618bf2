#pragma once
// Host key events on their way from the user-interface thread to the
// emulated keyboard. The window posts every press and release as it comes;
// the emulation thread applies them to the machine's host key state at a
// slice boundary, in order, counting emulated cycles:
// - a press is applied at once (at the next slice boundary);
// - a release waits until the press has been visible for kHoldCycles, and a
//   new press of a released key until the release has been, so a monitor
//   scanning once a frame sees every tap, however short it was on the host;
// - a modifier (Shift, Ctrl, Alt) goes up only after the keys pressed while
//   it was down, unless a further key press needs it up first.
// The events pass through a lock-free ring; when it overflows, the emulation
// side takes the host's present key state instead. So it does when the
// machine runs again after a pause: what was typed meanwhile is dropped, and
// a key still held then counts as pressed.
#include <atomic>
#include <cstdint>

#include "machine/core/SpscRing.h"
#include "platform/KeyState.h"

class KeyEventQueue {
public:
    // Two screen frames: ten 4096-cycle slices make one.
    static constexpr int64_t kHoldCycles = 2 * 10 * 4096;
    static constexpr size_t kCapacity = 1024;

    // --- user-interface thread ---
    // A key went down or up on the host; repeated presses of a key already
    // down are not queued. Codes outside 0..255 are ignored.
    void Post(int vk, bool down);
    // Every key up (the window lost the focus).
    void PostReleaseAll();
    // Forgets every event posted until now: the next Apply takes the host's
    // keys as they are (the machine runs again after a pause).
    void DropQueued() { resync.store(true, std::memory_order_release); }
    // The keys as the host has them now (what has been posted).
    const HostKeyState& Live() const { return live; }

    // --- emulation thread ---
    // Applies what is due at emulated cycle `now` (never decreasing) to keys.
    // True when keys changed.
    bool Apply(HostKeyState& keys, int64_t now);
    // Events not applied yet (a snapshot on other threads).
    size_t Waiting() const { return ring.Size() + (headWaiting.load(std::memory_order_acquire) ? 1 : 0); }

    static bool IsModifier(int vk);

private:
    struct Event {
        int16_t vk = 0;  // kAllUp: every key up
        uint8_t down = 0;
    };
    static constexpr int16_t kAllUp = -1;

    bool Due(int vk, int64_t now) const { return now - since[vk] >= kHoldCycles; }
    void Set(HostKeyState& keys, int vk, bool down, int64_t now);
    // Releases the modifiers whose release is pending and due; with force the
    // keys pressed under them do not hold them. True when all pending are up.
    bool ReleaseModifiers(HostKeyState& keys, int64_t now, bool force, bool& changed);
    // One event; false when it must wait.
    bool ApplyEvent(HostKeyState& keys, const Event& e, int64_t now, bool& changed);
    void Resync(HostKeyState& keys, int64_t now);

    // Shared.
    SpscRing<Event, kCapacity> ring;
    std::atomic<bool> resync{false};  // the ring overflowed, or its events are to be dropped
    HostKeyState live;  // written by the producer, read by a resync

    // Emulation thread only.
    Event head;
    bool hasHead = false;
    std::atomic<bool> headWaiting{false};  // hasHead, for Waiting on other threads
    bool down[KeyState::kCount] = {};
    bool releasePending[KeyState::kCount] = {};
    int pendingCount = 0;
    int64_t since[KeyState::kCount];  // emulated cycle of the last change of each key

public:
    KeyEventQueue();
};
