// Host key events applied in emulated time.
#include <gtest/gtest.h>

#include "machine/pio/KeyEventQueue.h"

namespace {

// Two frames of 20 ms at 2.048 MHz.
constexpr int64_t kTwoFrames = 2 * 20 * 2048;

TEST(KeyEventQueueTest, HoldIsTwoFramesOfEmulatedCycles) { EXPECT_EQ(KeyEventQueue::kHoldCycles, kTwoFrames); }

TEST(KeyEventQueueTest, PressAtOnceReleaseAfterTheHold) {
    KeyEventQueue q;
    HostKeyState keys;
    const int64_t start = 1000;
    q.Post('A', true);
    q.Post('A', false);
    EXPECT_TRUE(q.Apply(keys, start));
    EXPECT_TRUE(keys.IsDown('A'));
    EXPECT_FALSE(q.Apply(keys, start + kTwoFrames - 1));
    EXPECT_TRUE(keys.IsDown('A'));
    EXPECT_TRUE(q.Apply(keys, start + kTwoFrames));
    EXPECT_FALSE(keys.IsDown('A'));
    // Pressed again at once on the host: down only once the release has had its time.
    q.Post('A', true);
    EXPECT_FALSE(q.Apply(keys, start + 2 * kTwoFrames - 1));
    EXPECT_FALSE(keys.IsDown('A'));
    EXPECT_TRUE(q.Apply(keys, start + 2 * kTwoFrames));
    EXPECT_TRUE(keys.IsDown('A'));
}

TEST(KeyEventQueueTest, ALongPressIsReleasedWhenTheHostReleasesIt) {
    KeyEventQueue q;
    HostKeyState keys;
    q.Post('B', true);
    q.Apply(keys, 0);
    q.Apply(keys, 10 * kTwoFrames);
    EXPECT_TRUE(keys.IsDown('B'));
    q.Post('B', false);
    EXPECT_TRUE(q.Apply(keys, 10 * kTwoFrames + 1));
    EXPECT_FALSE(keys.IsDown('B'));
}

TEST(KeyEventQueueTest, TheNextKeyWaitsForTheRelease) {
    KeyEventQueue q;
    HostKeyState keys;
    q.Post('A', true);
    q.Post('A', false);
    q.Post('B', true);
    q.Post('B', false);
    q.Apply(keys, 0);
    EXPECT_TRUE(keys.IsDown('A'));
    EXPECT_FALSE(keys.IsDown('B'));
    q.Apply(keys, kTwoFrames);
    EXPECT_FALSE(keys.IsDown('A'));
    EXPECT_TRUE(keys.IsDown('B'));
}

TEST(KeyEventQueueTest, AModifierGoesUpAfterTheKeyItModifies) {
    struct Case {
        const char* name;
        int modifier;
    };
    for (Case c : {Case{"shift", VK_LSHIFT}, Case{"ctrl", VK_RCONTROL}, Case{"alt", VK_LMENU}}) {
        SCOPED_TRACE(c.name);
        KeyEventQueue q;
        HostKeyState keys;
        q.Post(c.modifier, true);
        q.Post(VK_OEM_1, true);
        q.Post(c.modifier, false);
        q.Apply(keys, 0);
        EXPECT_TRUE(keys.IsDown(c.modifier));
        q.Apply(keys, 5 * kTwoFrames);  // the host still holds the key
        EXPECT_TRUE(keys.IsDown(c.modifier));
        q.Post(VK_OEM_1, false);
        q.Apply(keys, 5 * kTwoFrames + 1);
        EXPECT_FALSE(keys.IsDown(VK_OEM_1));
        EXPECT_FALSE(keys.IsDown(c.modifier));
    }
}

TEST(KeyEventQueueTest, AKeyPressedAfterTheModifierWentUpIsNotModified) {
    KeyEventQueue q;
    HostKeyState keys;
    // Shift let go while ; is still held, then M: M comes without Shift.
    q.Post(VK_LSHIFT, true);
    q.Post(VK_OEM_1, true);
    q.Post(VK_LSHIFT, false);
    q.Post('M', true);
    q.Apply(keys, 0);
    EXPECT_TRUE(keys.IsDown(VK_SHIFT));
    EXPECT_FALSE(keys.IsDown('M'));
    q.Apply(keys, kTwoFrames);
    EXPECT_FALSE(keys.IsDown(VK_SHIFT));
    EXPECT_TRUE(keys.IsDown('M'));
    EXPECT_TRUE(keys.IsDown(VK_OEM_1));
}

TEST(KeyEventQueueTest, RepeatedPressesAreQueuedOnce) {
    KeyEventQueue q;
    q.Post('A', true);
    q.Post('A', true);
    q.Post('A', true);
    q.Post('B', false);  // never pressed
    EXPECT_EQ(q.Waiting(), 1u);
}

TEST(KeyEventQueueTest, AFullRingTakesTheHostKeysAsTheyAre) {
    KeyEventQueue q;
    HostKeyState keys;
    for (size_t i = 0; i < KeyEventQueue::kCapacity; ++i) q.Post('A', i % 2 == 0);
    q.Post('C', true);  // refused: the ring is full
    q.Post('D', true);
    EXPECT_TRUE(q.Apply(keys, 0));
    EXPECT_FALSE(keys.IsDown('A'));
    EXPECT_TRUE(keys.IsDown('C'));
    EXPECT_TRUE(keys.IsDown('D'));
    EXPECT_EQ(q.Waiting(), 0u);
    // Afterwards events flow again.
    q.Post('D', false);
    q.Apply(keys, kTwoFrames);
    EXPECT_FALSE(keys.IsDown('D'));
}

TEST(KeyEventQueueTest, ReleaseAllKeepsEachHold) {
    KeyEventQueue q;
    HostKeyState keys;
    q.Post(VK_LSHIFT, true);
    q.Post('Q', true);
    q.PostReleaseAll();
    q.Apply(keys, 0);
    EXPECT_TRUE(keys.IsDown('Q'));
    EXPECT_TRUE(keys.IsDown(VK_SHIFT));
    q.Apply(keys, kTwoFrames);
    EXPECT_FALSE(keys.IsDown('Q'));
    EXPECT_FALSE(keys.IsDown(VK_SHIFT));
    EXPECT_FALSE(q.Live().IsDown('Q'));
}

// The machine runs again after a pause: what was typed meanwhile is not played, a key
// still held counts as pressed, a key let go meanwhile is up, and events flow again.
TEST(KeyEventQueueTest, DroppedEventsLeaveTheHostKeysAsTheyAre) {
    KeyEventQueue q;
    HostKeyState keys;
    q.Post('Z', true);  // held before the pause, let go during it
    q.Apply(keys, 0);
    ASSERT_TRUE(keys.IsDown('Z'));
    // Paused: no Apply runs.
    for (int vk : {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H'}) {
        q.Post(vk, true);
        q.Post(vk, false);
    }
    q.Post('Z', false);
    q.Post(VK_LSHIFT, true);
    q.Post('Q', true);  // still held at the resume
    q.DropQueued();
    const int64_t resume = 10 * kTwoFrames;
    EXPECT_TRUE(q.Apply(keys, resume));
    for (int vk : {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'Z'}) EXPECT_FALSE(keys.IsDown(vk)) << char(vk);
    EXPECT_TRUE(keys.IsDown('Q'));
    EXPECT_TRUE(keys.IsDown(VK_SHIFT));
    EXPECT_EQ(q.Waiting(), 0u);
    // Nothing of it comes later either.
    for (int64_t t = resume; t <= resume + 4 * kTwoFrames; t += kTwoFrames / 4) {
        q.Apply(keys, t);
        EXPECT_FALSE(keys.IsDown('A'));
        EXPECT_TRUE(keys.IsDown('Q'));
    }
    // Typing after the resume is played as ever.
    q.Post('Q', false);
    q.Post('W', true);
    q.Post('W', false);
    q.Apply(keys, resume + 5 * kTwoFrames);
    EXPECT_FALSE(keys.IsDown('Q'));
    bool wDown = keys.IsDown('W');
    for (int64_t t = resume + 5 * kTwoFrames; t <= resume + 7 * kTwoFrames && !wDown; t += kTwoFrames / 4) {
        q.Apply(keys, t);
        wDown = keys.IsDown('W');
    }
    EXPECT_TRUE(wDown);
}

}  // namespace
