#include <gtest/gtest.h>
#include <SDL.h>

#include "platform/Joystick.h"

namespace {

TEST(JoystickAxis, ScaledToPlusMinus128) {
    struct Case {
        int in, out;
    } cases[] = {
        {-32768, -128}, {32767, 128}, {0, 0}, {16384, 64}, {-16384, -64}, {256, 1}, {-256, -1},
    };
    for (const Case& c : cases) EXPECT_EQ(ScaleJoystickAxis(c.in), c.out) << c.in;
}

TEST(JoystickHat, HundredthsOfADegreeClockwiseFromUp) {
    struct Case {
        uint8_t hat;
        uint32_t pov;
    } cases[] = {
        {SDL_HAT_CENTERED, 0xFFFFFFFFu}, {SDL_HAT_UP, 0},       {SDL_HAT_RIGHTUP, 4500},
        {SDL_HAT_RIGHT, 9000},           {SDL_HAT_RIGHTDOWN, 13500}, {SDL_HAT_DOWN, 18000},
        {SDL_HAT_LEFTDOWN, 22500},       {SDL_HAT_LEFT, 27000}, {SDL_HAT_LEFTUP, 31500},
    };
    for (const Case& c : cases) EXPECT_EQ(JoystickHatToPov(c.hat), c.pov) << int(c.hat);
}

TEST(HostJoystick, EnumerationAndUnknownDevice) {
    bool ready = HostJoystickInit();
    EXPECT_EQ(HostJoystickReady(), ready);
    auto first = HostJoystickEnumerate();
    auto second = HostJoystickEnumerate();
    EXPECT_EQ(first.size(), second.size());
    if (!ready) {
        EXPECT_TRUE(first.empty());
    }

    HostJoystick joy;
    Guid nobody;
    nobody.Data1 = 0xDEADBEEF;
    EXPECT_FALSE(joy.Open(nobody));
    EXPECT_FALSE(joy.IsOpen());
    HostJoystickState st;
    st.x = 5;
    EXPECT_FALSE(joy.Poll(st));
    EXPECT_EQ(st.x, 0);
    EXPECT_EQ(st.pov[0], 0xFFFFFFFFu);
    EXPECT_EQ(joy.AxisCount(), 0);
    EXPECT_EQ(joy.ButtonCount(), 0);
    HostJoystickDone();
    EXPECT_FALSE(HostJoystickReady());
    EXPECT_TRUE(HostJoystickEnumerate().empty());
}

}  // namespace
