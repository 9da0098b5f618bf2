#include "platform/KeyState.h"

#include <atomic>

namespace {
std::atomic<uint8_t> g_keys[KeyState::kCount];

void SyncCommon(int common, int left, int right) {
    const bool down = (g_keys[left].load(std::memory_order_relaxed) & KeyState::kDown) ||
                      (g_keys[right].load(std::memory_order_relaxed) & KeyState::kDown);
    g_keys[common].store(down ? KeyState::kDown : 0, std::memory_order_relaxed);
}
}  // namespace

namespace KeyState {

void SetKey(int vk, bool down) {
    if (vk < 0 || vk >= kCount) return;
    g_keys[vk].store(down ? kDown : 0, std::memory_order_relaxed);
    switch (vk) {
        case VK_LSHIFT:
        case VK_RSHIFT: SyncCommon(VK_SHIFT, VK_LSHIFT, VK_RSHIFT); break;
        case VK_LCONTROL:
        case VK_RCONTROL: SyncCommon(VK_CONTROL, VK_LCONTROL, VK_RCONTROL); break;
        case VK_LMENU:
        case VK_RMENU: SyncCommon(VK_MENU, VK_LMENU, VK_RMENU); break;
        default: break;
    }
}

bool IsDown(int vk) {
    if (vk < 0 || vk >= kCount) return false;
    return (g_keys[vk].load(std::memory_order_relaxed) & kDown) != 0;
}

void Clear() {
    for (auto& k : g_keys) k.store(0, std::memory_order_relaxed);
}

}  // namespace KeyState

bool GetKeyboardState(uint8_t* keyState) {
    if (!keyState) return false;
    for (int i = 0; i < KeyState::kCount; ++i) keyState[i] = g_keys[i].load(std::memory_order_relaxed);
    return true;
}
