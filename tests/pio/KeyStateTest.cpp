#include <gtest/gtest.h>

#include "platform/KeyState.h"

TEST(KeyState, SidedModifiersKeepTheCommonCode) {
    HostKeyState keys;
    keys.SetKey(VK_LSHIFT, true);
    keys.SetKey(VK_RSHIFT, true);
    EXPECT_TRUE(keys.IsDown(VK_SHIFT));
    keys.SetKey(VK_LSHIFT, false);
    EXPECT_TRUE(keys.IsDown(VK_SHIFT));  // right one still held
    keys.SetKey(VK_RSHIFT, false);
    EXPECT_FALSE(keys.IsDown(VK_SHIFT));
    keys.SetKey(VK_RMENU, true);
    EXPECT_TRUE(keys.IsDown(VK_MENU));
    keys.SetKey(VK_LCONTROL, true);
    EXPECT_TRUE(keys.IsDown(VK_CONTROL));
    keys.Clear();
    EXPECT_FALSE(keys.IsDown(VK_MENU));
    EXPECT_FALSE(keys.IsDown(VK_CONTROL));
}

TEST(KeyState, TableCopyAndBadCodes) {
    HostKeyState state;
    state.SetKey('A', true);
    state.SetKey(-1, true);
    state.SetKey(256, true);
    EXPECT_FALSE(state.IsDown(-1));
    EXPECT_FALSE(state.IsDown(256));
    uint8_t keys[256];
    ASSERT_TRUE(state.GetKeyboardState(keys));
    EXPECT_EQ(keys['A'], 0x80);
    int down = 0;
    for (uint8_t k : keys) down += (k & 0x80) ? 1 : 0;
    EXPECT_EQ(down, 1);
    EXPECT_FALSE(state.GetKeyboardState(nullptr));
    state.Clear();
}

TEST(KeyState, TwoStatesNeverShareKeys) {
    HostKeyState a, b;
    a.SetKey('Q', true);
    b.SetKey(VK_LSHIFT, true);
    EXPECT_TRUE(a.IsDown('Q'));
    EXPECT_FALSE(b.IsDown('Q'));
    EXPECT_FALSE(a.IsDown(VK_SHIFT));
    EXPECT_TRUE(b.IsDown(VK_SHIFT));
    a.Clear();
    EXPECT_TRUE(b.IsDown(VK_LSHIFT));
}
