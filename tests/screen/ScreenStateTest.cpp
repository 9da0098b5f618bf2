// Options, sizes, full-screen state and the port-6Ch register.
#include <gtest/gtest.h>

#include "ScreenTestUtil.h"

TEST(ScreenState, FlagsAfterConstruction) {
    // scale bits, half-pass step 1 in bits 4-6, standard profile (bit 2 clear), blink off
    const struct {
        int sizeMode;
        uint8_t flags;
    } cases[] = {{0, 0x10}, {1, 0x11}, {2, 0x12}, {3, 0x13}, {7, 0x10}, {-1, 0x10}};
    for (auto& c : cases) {
        SCOPED_TRACE(c.sizeMode);
        ScreenDAD85 screen(c.sizeMode, nullptr);
        EXPECT_EQ(screen.GetFlags(), c.flags);
        EXPECT_EQ(screen.GetColorProfile(), 1);
        EXPECT_EQ(screen.GetHalfPass(), 1);
        const int users[4] = {15, 10, 14, 11};
        for (int i = 0; i < 4; ++i) EXPECT_EQ(screen.GetUserColor(i), users[i]);
        EXPECT_EQ(screen.GetUserColor(4), -1);
    }
}

TEST(ScreenState, OptionBits) {
    ScreenDAD85 screen(1, nullptr);
    screen.SetColorProfile(0);
    EXPECT_EQ(screen.GetFlags(), 0x15);
    screen.SetBlinkPhase(true);
    EXPECT_EQ(screen.GetFlags(), 0x1D);
    screen.SetColorProfile(1);
    EXPECT_EQ(screen.GetFlags(), 0x19);
    screen.SetColorProfile(4);  // ignored
    screen.SetColorProfile(-1);
    EXPECT_EQ(screen.GetColorProfile(), 1);

    screen.SetHalfPass(4);
    EXPECT_EQ(screen.GetFlags(), 0x49);
    screen.SetLcdMode(true);
    EXPECT_EQ(screen.GetFlags(), 0x09);
    screen.SetLcdMode(false);
    EXPECT_EQ(screen.GetFlags(), 0x49);
    screen.SetHalfPass(0);  // ignored
    screen.SetHalfPass(6);
    EXPECT_EQ(screen.GetHalfPass(), 4);
    screen.SetLcdMode(true);
    screen.SetHalfPass(2);  // a step ends the LCD look
    EXPECT_EQ(screen.GetFlags(), 0x29);

    screen.SetWideMode(true);
    EXPECT_EQ(screen.GetFlags(), 0xA9);
    screen.SetBlinkPhase(false);
    EXPECT_EQ(screen.GetFlags(), 0xA1);
    EXPECT_FALSE(screen.GetBlinkPhase());
}

TEST(ScreenState, Sizes) {
    const struct {
        int sizeMode;
        bool wide;
        int width, height;
        uint8_t scaleBits;
    } cases[] = {{0, false, 288, 256, 0}, {0, true, 384, 256, 0},   {1, false, 576, 512, 1},
                 {1, true, 768, 512, 1},  {2, false, 864, 768, 2},  {2, true, 1152, 768, 2},
                 {3, false, 576, 512, 3}, {3, true, 768, 512, 3}};
    for (auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.sizeMode << (c.wide ? " wide" : ""));
        ScreenDAD85 screen(c.sizeMode == 0 ? 2 : 0, nullptr);
        screen.SetWideMode(c.wide);
        screen.SetSizeMode(c.sizeMode, nullptr);
        EXPECT_EQ(screen.GetSizeMode(), c.sizeMode);
        EXPECT_EQ(screen.Width(), c.width);
        EXPECT_EQ(screen.Stride(), c.width);
        EXPECT_EQ(screen.Height(), c.height);
        EXPECT_EQ(screen.GetFlags() & 3, c.scaleBits);
        EXPECT_EQ(ScreenDAD85::WidthOf(c.sizeMode, c.wide), c.width);
        EXPECT_EQ(ScreenDAD85::HeightOf(c.sizeMode), c.height);
    }
    ScreenDAD85 screen(1, nullptr);
    screen.SetSizeMode(4, nullptr);  // ignored
    screen.SetSizeMode(-1, nullptr);
    EXPECT_EQ(screen.GetSizeMode(), 1);
}

TEST(ScreenState, NewSizeStartsBlack) {
    ScreenDAD85 screen(0, nullptr);
    VideoRam ram;
    ram.bytes.fill(0x3F);
    ASSERT_TRUE(screen.Paint(ram.data()));
    screen.SetSizeMode(2, nullptr);
    EXPECT_EQ(NonZeroPixels(screen), 0);
}

TEST(ScreenFullScreen, Centred) {
    FakeOwner owner(1920, 1080);
    ScreenDAD85 screen(3, &owner);
    EXPECT_TRUE(screen.IsFullScreen());
    EXPECT_EQ(screen.GetFullScreenResult(), 0);
    EXPECT_EQ(screen.GetOffsetX(), (1920 - 576) / 2);
    EXPECT_EQ(screen.GetOffsetY(), (1080 - 512) / 2);
    VideoRam ram;
    EXPECT_TRUE(screen.Paint(ram.data()));

    screen.SetWideMode(true);  // centred again for 768 pixels
    EXPECT_EQ(screen.GetOffsetX(), 576);
    EXPECT_EQ(screen.GetOffsetY(), 284);

    screen.SetSizeMode(1, &owner);
    EXPECT_FALSE(screen.IsFullScreen());
    EXPECT_TRUE(screen.Paint(ram.data()));
}

TEST(ScreenFullScreen, SmallMonitorGivesNegativeOffsets) {
    FakeOwner owner(501, 401);
    ScreenDAD85 screen(0, nullptr);
    EXPECT_EQ(screen.GetFullScreenResult(), ScreenDAD85::kFullScreenNone);
    screen.SetSizeMode(3, &owner);
    EXPECT_TRUE(screen.IsFullScreen());
    EXPECT_EQ(screen.GetOffsetX(), -37);  // (501 - 576) / 2 toward zero
    EXPECT_EQ(screen.GetOffsetY(), -55);  // (401 - 512) / 2 toward zero
}

TEST(ScreenFullScreen, FailedSetUpPaintsNothing) {
    FakeOwner refusing(1920, 1080, false);
    FakeOwner empty(0, 0);
    ScreenOwner* owners[] = {nullptr, &refusing, &empty};
    for (ScreenOwner* owner : owners) {
        ScreenDAD85 screen(3, owner);
        EXPECT_FALSE(screen.IsFullScreen());
        EXPECT_NE(screen.GetFullScreenResult(), 0);
        VideoRam ram;
        EXPECT_FALSE(screen.Paint(ram.data()));
        // Back to a window size: painted again.
        screen.SetSizeMode(1, owner);
        EXPECT_TRUE(screen.Paint(ram.data()));
    }
}

TEST(ScreenPort, VideoInterruptRegister) {
    ScreenDAD85 screen(0, nullptr);
    const struct {
        uint8_t port;
        uint8_t value;
        uint8_t read;  // port 6Ch afterwards
    } steps[] = {
        {0x6C, 0xC0, 0x87},  // enable, bits 0-2 kept
        {0x6C, 0x05, 0x85},  // bits 0-2, enable kept
        {0x6C, 0x40, 0x05},  // disable
        {0x6C, 0xFF, 0x85},  // bit 6 set: only the enable bit
        {0x6C, 0x3A, 0x82},  // bit 6 clear: only bits 0-2
        {0x6D, 0x00, 0x82},  // other ports ignored
        {0x0C, 0x47, 0x82},
    };
    EXPECT_EQ(screen.ReadPort(0x6C, 0), 0x07);
    EXPECT_FALSE(screen.IsVideoInterruptEnabled());
    for (auto& s : steps) {
        screen.WritePort(s.port, s.value, 0);
        EXPECT_EQ(screen.ReadPort(0x6C, 0), s.read) << std::hex << int(s.port) << " " << int(s.value);
        EXPECT_EQ(screen.GetVideoInterruptState(), s.read);
        EXPECT_EQ(screen.IsVideoInterruptEnabled(), (s.read & 0x80) != 0);
    }
    EXPECT_EQ(screen.ReadPort(0x6D, 0), 0xFF);
    EXPECT_EQ(screen.ReadPort(0xEC, 0), 0xFF);

    screen.Reset(0);
    EXPECT_EQ(screen.ReadPort(0x6C, 0), 0x07);

    screen.SetVideoInterruptState(0x8D);
    EXPECT_EQ(screen.ReadPort(0x6C, 0), 0x85);
    EXPECT_TRUE(screen.IsVideoInterruptEnabled());
    screen.SetVideoInterruptState(0x7E);
    EXPECT_EQ(screen.GetVideoInterruptState(), 0x06);
}
