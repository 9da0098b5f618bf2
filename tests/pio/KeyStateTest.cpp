#include <gtest/gtest.h>

#include "platform/KeyState.h"

TEST(KeyState, SidedModifiersKeepTheCommonCode) {
    KeyState::Clear();
    KeyState::SetKey(VK_LSHIFT, true);
    KeyState::SetKey(VK_RSHIFT, true);
    EXPECT_TRUE(KeyState::IsDown(VK_SHIFT));
    KeyState::SetKey(VK_LSHIFT, false);
    EXPECT_TRUE(KeyState::IsDown(VK_SHIFT));  // right one still held
    KeyState::SetKey(VK_RSHIFT, false);
    EXPECT_FALSE(KeyState::IsDown(VK_SHIFT));
    KeyState::SetKey(VK_RMENU, true);
    EXPECT_TRUE(KeyState::IsDown(VK_MENU));
    KeyState::SetKey(VK_LCONTROL, true);
    EXPECT_TRUE(KeyState::IsDown(VK_CONTROL));
    KeyState::Clear();
    EXPECT_FALSE(KeyState::IsDown(VK_MENU));
    EXPECT_FALSE(KeyState::IsDown(VK_CONTROL));
}

TEST(KeyState, TableCopyAndBadCodes) {
    KeyState::Clear();
    KeyState::SetKey('A', true);
    KeyState::SetKey(-1, true);
    KeyState::SetKey(256, true);
    EXPECT_FALSE(KeyState::IsDown(-1));
    EXPECT_FALSE(KeyState::IsDown(256));
    uint8_t keys[256];
    ASSERT_TRUE(GetKeyboardState(keys));
    EXPECT_EQ(keys['A'], 0x80);
    int down = 0;
    for (uint8_t k : keys) down += (k & 0x80) ? 1 : 0;
    EXPECT_EQ(down, 1);
    EXPECT_FALSE(GetKeyboardState(nullptr));
    KeyState::Clear();
}
