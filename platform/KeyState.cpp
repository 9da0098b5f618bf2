#include "platform/KeyState.h"

void HostKeyState::SyncCommon(int common, int left, int right) {
    const bool down = (keys[left].load(std::memory_order_relaxed) & KeyState::kDown) ||
                      (keys[right].load(std::memory_order_relaxed) & KeyState::kDown);
    keys[common].store(down ? KeyState::kDown : 0, std::memory_order_relaxed);
}

void HostKeyState::SetKey(int vk, bool down) {
    if (vk < 0 || vk >= KeyState::kCount) return;
    keys[vk].store(down ? KeyState::kDown : 0, std::memory_order_relaxed);
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

bool HostKeyState::IsDown(int vk) const {
    if (vk < 0 || vk >= KeyState::kCount) return false;
    return (keys[vk].load(std::memory_order_relaxed) & KeyState::kDown) != 0;
}

void HostKeyState::Clear() {
    for (auto& k : keys) k.store(0, std::memory_order_relaxed);
}

bool HostKeyState::GetKeyboardState(uint8_t* keyState) const {
    if (!keyState) return false;
    for (int i = 0; i < KeyState::kCount; ++i) keyState[i] = keys[i].load(std::memory_order_relaxed);
    return true;
}
