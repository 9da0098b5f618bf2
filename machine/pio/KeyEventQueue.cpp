#include "machine/pio/KeyEventQueue.h"

#include <limits>

KeyEventQueue::KeyEventQueue() {
    // Long ago: the first press of every key is due at once.
    for (int64_t& s : since) s = std::numeric_limits<int64_t>::min() / 2;
}

bool KeyEventQueue::IsModifier(int vk) {
    switch (vk) {
        case VK_SHIFT:
        case VK_LSHIFT:
        case VK_RSHIFT:
        case VK_CONTROL:
        case VK_LCONTROL:
        case VK_RCONTROL:
        case VK_MENU:
        case VK_LMENU:
        case VK_RMENU: return true;
        default: return false;
    }
}

// ---- user-interface thread

void KeyEventQueue::Post(int vk, bool isDown) {
    if (vk < 0 || vk >= KeyState::kCount) return;
    if (live.IsDown(vk) == isDown) return;  // auto-repeat, or a release never pressed
    live.SetKey(vk, isDown);
    if (!ring.Push(Event{static_cast<int16_t>(vk), static_cast<uint8_t>(isDown ? 1 : 0)}))
        resync.store(true, std::memory_order_release);
}

void KeyEventQueue::PostReleaseAll() {
    bool any = false;
    for (int k = 0; k < KeyState::kCount && !any; ++k) any = live.IsDown(k);
    if (!any) return;  // every release is queued already
    live.Clear();
    if (!ring.Push(Event{kAllUp, 0})) resync.store(true, std::memory_order_release);
}

// ---- emulation thread

void KeyEventQueue::Set(HostKeyState& keys, int vk, bool isDown, int64_t now) {
    down[vk] = isDown;
    since[vk] = now;
    keys.SetKey(vk, isDown);
}

bool KeyEventQueue::ReleaseModifiers(HostKeyState& keys, int64_t now, bool force, bool& changed) {
    if (pendingCount == 0) return true;
    for (int m = 0; m < KeyState::kCount; ++m) {
        if (!releasePending[m]) continue;
        if (!Due(m, now)) continue;
        bool held = false;
        if (!force)
            for (int k = 0; k < KeyState::kCount && !held; ++k)
                held = down[k] && !IsModifier(k) && since[k] >= since[m];
        if (held) continue;
        releasePending[m] = false;
        --pendingCount;
        Set(keys, m, false, now);
        changed = true;
    }
    return pendingCount == 0;
}

bool KeyEventQueue::ApplyEvent(HostKeyState& keys, const Event& e, int64_t now, bool& changed) {
    if (e.vk == kAllUp) {
        bool waiting = false;
        for (int k = 0; k < KeyState::kCount; ++k) {
            if (!down[k] || IsModifier(k)) continue;
            if (!Due(k, now)) {
                waiting = true;
                continue;
            }
            Set(keys, k, false, now);
            changed = true;
        }
        if (waiting) return false;
        for (int m = 0; m < KeyState::kCount; ++m)
            if (down[m] && IsModifier(m) && !releasePending[m]) {
                releasePending[m] = true;
                ++pendingCount;
            }
        return true;
    }
    const int vk = e.vk;
    if (IsModifier(vk)) {
        if (e.down) {
            if (releasePending[vk]) {  // pressed again before it went up: it stays down
                releasePending[vk] = false;
                --pendingCount;
                return true;
            }
            if (down[vk]) return true;
            if (!Due(vk, now)) return false;
            Set(keys, vk, true, now);
            changed = true;
        } else if (down[vk] && !releasePending[vk]) {
            releasePending[vk] = true;
            ++pendingCount;
        }
        return true;
    }
    if (e.down) {
        if (down[vk]) return true;
        // A modifier let go before this key must be up before it goes down.
        if (!ReleaseModifiers(keys, now, true, changed)) return false;
        if (!Due(vk, now)) return false;
        Set(keys, vk, true, now);
        changed = true;
        return true;
    }
    if (!down[vk]) return true;
    if (!Due(vk, now)) return false;
    Set(keys, vk, false, now);
    changed = true;
    return true;
}

void KeyEventQueue::Resync(HostKeyState& keys, int64_t now) {
    ring.Clear();
    hasHead = false;
    headWaiting.store(false, std::memory_order_release);
    for (int k = 0; k < KeyState::kCount; ++k) {
        releasePending[k] = false;
        const bool d = live.IsDown(k);
        if (d != down[k]) Set(keys, k, d, now);
    }
    pendingCount = 0;
}

bool KeyEventQueue::Apply(HostKeyState& keys, int64_t now) {
    bool changed = false;
    if (resync.exchange(false, std::memory_order_acq_rel)) {
        Resync(keys, now);
        changed = true;
    }
    for (;;) {
        if (!hasHead) {
            // Marked before the pop, so that Waiting never misses the event.
            headWaiting.store(true, std::memory_order_release);
            if (!ring.Pop(head)) {
                headWaiting.store(false, std::memory_order_release);
                break;
            }
            hasHead = true;
        }
        if (!ApplyEvent(keys, head, now, changed)) break;
        hasHead = false;
        headWaiting.store(false, std::memory_order_release);
    }
    ReleaseModifiers(keys, now, false, changed);
    return changed;
}
