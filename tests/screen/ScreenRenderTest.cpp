// Pixels of hand-made video RAM patterns, by colour profile, size,
// half-pass step, LCD look, blink phase, multicolour and wide mode.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "ScreenTestUtil.h"

using Px = std::vector<uint8_t>;

struct ProfileCase {
    const char* name;
    int profile;
    bool blinkVisible;
    uint8_t value;
    Px expected;  // the six pixels of the byte
};

class ProfileTest : public ::testing::TestWithParam<ProfileCase> {};

TEST_P(ProfileTest, SingleScaleByte) {
    const ProfileCase& c = GetParam();
    ScreenDAD85 screen(0, nullptr);
    screen.SetColorProfile(c.profile);
    screen.SetBlinkPhase(c.blinkVisible);
    VideoRam ram;
    ram.Set(0, 0, c.value);
    ASSERT_TRUE(screen.Paint(ram.data()));
    EXPECT_EQ(PixelRun(screen, 0, 0, 6), c.expected);
    EXPECT_EQ(PixelAt(screen, 6, 0), 0);
    EXPECT_EQ(PixelRun(screen, 0, 1, 6), Px(6, 0));
}

INSTANTIATE_TEST_SUITE_P(
    Profiles, ProfileTest,
    ::testing::Values(
        // mono: every attribute white, never blinks
        ProfileCase{"MonoAttr00", 0, false, 0x01, {15, 0, 0, 0, 0, 0}},
        ProfileCase{"MonoAttr11NoBlink", 0, false, 0xFF, {15, 15, 15, 15, 15, 15}},
        // standard: 00 white, 01 silver, 10/11 blink (white/silver)
        ProfileCase{"StdAttr00", 1, false, 0x01, {15, 0, 0, 0, 0, 0}},
        ProfileCase{"StdAttr01", 1, false, 0x60, {0, 0, 0, 0, 0, 8}},
        ProfileCase{"StdAttr01Full", 1, false, 0x7F, {8, 8, 8, 8, 8, 8}},
        ProfileCase{"StdAttr10Hidden", 1, false, 0xAA, {0, 0, 0, 0, 0, 0}},
        ProfileCase{"StdAttr10Shown", 1, true, 0xAA, {0, 15, 0, 15, 0, 15}},
        ProfileCase{"StdAttr11Hidden", 1, false, 0xD5, {0, 0, 0, 0, 0, 0}},
        ProfileCase{"StdAttr11Shown", 1, true, 0xD5, {8, 0, 8, 0, 8, 0}},
        // colour: default user colours white, lime, aqua, yellow; never blinks
        ProfileCase{"ColorAttr00", 2, false, 0x3F, {15, 15, 15, 15, 15, 15}},
        ProfileCase{"ColorAttr01", 2, false, 0x41, {10, 0, 0, 0, 0, 0}},
        ProfileCase{"ColorAttr10NoBlink", 2, false, 0xBF, {14, 14, 14, 14, 14, 14}},
        ProfileCase{"ColorAttr11", 2, false, 0xFF, {11, 11, 11, 11, 11, 11}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ScreenRender, ByteAndRowLayout) {
    ScreenDAD85 screen(0, nullptr);
    VideoRam ram;
    ram.Set(5, 47, 0x21);  // last shown byte: bits 0 and 5
    for (int col = 48; col < 64; ++col) ram.Set(4, col, 0xFF);  // never shown
    ASSERT_TRUE(screen.Paint(ram.data()));
    EXPECT_EQ(screen.Width(), 288);
    EXPECT_EQ(screen.Height(), 256);
    EXPECT_EQ(PixelRun(screen, 282, 5, 6), (Px{15, 0, 0, 0, 0, 15}));
    EXPECT_EQ(NonZeroPixels(screen), 2);
}

TEST(ScreenRender, UserColors) {
    ScreenDAD85 screen(0, nullptr);
    VideoRam ram;
    ram.Set(0, 0, 0x41);  // attribute 01
    ram.Set(0, 1, 0x81);  // attribute 10
    screen.SetUserColor(2, 12);  // stored while the standard profile is in use
    screen.SetColorProfile(2);
    screen.SetUserColor(1, 9);
    ASSERT_TRUE(screen.Paint(ram.data()));
    EXPECT_EQ(PixelAt(screen, 0, 0), 9);
    EXPECT_EQ(PixelAt(screen, 6, 0), 12);

    // Out-of-range indices and colours are ignored.
    screen.SetUserColor(4, 3);
    screen.SetUserColor(-1, 3);
    screen.SetUserColor(1, 16);
    screen.SetUserColor(1, -1);
    EXPECT_EQ(screen.GetUserColor(1), 9);
    ASSERT_TRUE(screen.Paint(ram.data()));
    EXPECT_EQ(PixelAt(screen, 0, 0), 9);
}

struct MultiCase {
    int top, bottom;            // attributes of rows 2 and 3
    uint8_t topColor, bottomColor;
};

TEST(ScreenRender, MulticolourPairs) {
    // table 0, 9, 12, 13, 10, 11, 14, 15
    const MultiCase cases[] = {
        {1, 1, 9, 9},     // both non-zero: table[1] red
        {1, 0, 11, 11},   // 01 over 00: table[5] yellow
        {0, 0, 10, 10},   // table[4] lime
        {2, 1, 13, 13},   // table[3]
        {3, 0, 15, 15},   // table[7]
        {2, 2, 12, 12},   // table[2]
        {0, 2, 14, 14},   // table[6]
    };
    for (const MultiCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.top << "/" << c.bottom);
        ScreenDAD85 screen(0, nullptr);
        screen.SetColorProfile(3);  // blink phase off: bit 7 still shows
        VideoRam ram;
        ram.Set(2, 10, static_cast<uint8_t>(c.top << 6 | 0x01));
        ram.Set(3, 10, static_cast<uint8_t>(c.bottom << 6 | 0x01));
        ASSERT_TRUE(screen.Paint(ram.data()));
        EXPECT_EQ(PixelAt(screen, 60, 2), c.topColor);
        EXPECT_EQ(PixelAt(screen, 60, 3), c.bottomColor);
    }
}

TEST(ScreenRender, MulticolourPairsAreEvenOdd) {
    ScreenDAD85 screen(0, nullptr);
    screen.SetColorProfile(3);
    VideoRam ram;
    ram.Set(1, 0, 0x41);  // partner row 0 is clear
    ram.Set(2, 0, 0x41);  // partner row 3 is clear
    ASSERT_TRUE(screen.Paint(ram.data()));
    EXPECT_EQ(PixelAt(screen, 0, 1), 11);
    EXPECT_EQ(PixelAt(screen, 0, 2), 11);
}

TEST(ScreenRender, WideModeEightPixelsNoAttributes) {
    struct {
        int profile;
        uint8_t color;
    } cases[] = {{1, 15}, {3, 10}, {0, 15}};
    for (auto& c : cases) {
        SCOPED_TRACE(c.profile);
        ScreenDAD85 screen(0, nullptr);
        screen.SetColorProfile(c.profile);
        screen.SetWideMode(true);
        EXPECT_TRUE(screen.IsWideMode());
        EXPECT_EQ(screen.Width(), 384);
        VideoRam ram;
        ram.Set(0, 0, 0xC1);   // bits 0, 6, 7; blink phase off does not hide it
        ram.Set(0, 47, 0x80);
        ram.Set(1, 0, 0x40);   // multicolour partner has no effect
        ASSERT_TRUE(screen.Paint(ram.data()));
        const uint8_t k = c.color;
        EXPECT_EQ(PixelRun(screen, 0, 0, 9), (Px{k, 0, 0, 0, 0, 0, k, k, 0}));
        EXPECT_EQ(PixelAt(screen, 383, 0), k);
        EXPECT_EQ(PixelAt(screen, 6, 1), k);
        EXPECT_EQ(NonZeroPixels(screen), 5);
    }
}

// One set pixel of colour 15 at emulated (6, 1) followed by a clear one.
struct ScaleCase {
    const char* name;
    int sizeMode;
    int step;  // 0 = LCD look
    std::vector<Px> lines;  // bitmap lines of emulated pixels 6 and 7
};

class ScaleTest : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(ScaleTest, Lines) {
    const ScaleCase& c = GetParam();
    FakeOwner owner(1920, 1080);
    ScreenDAD85 screen(c.sizeMode, &owner);
    if (c.step == 0)
        screen.SetLcdMode(true);
    else
        screen.SetHalfPass(c.step);
    VideoRam ram;
    ram.Set(1, 1, 0x01);
    ASSERT_TRUE(screen.Paint(ram.data()));
    const int scale = static_cast<int>(c.lines.size());
    ASSERT_EQ(screen.Height(), 256 * scale);
    ASSERT_EQ(screen.Width(), 288 * scale);
    for (int i = 0; i < scale; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(PixelRun(screen, 6 * scale, scale + i, 2 * scale), c.lines[i]);
    }
    // First lines of emulated rows 0 and 2 stay index 0.
    EXPECT_EQ(PixelRun(screen, 6 * scale, 0, 2 * scale), Px(2 * scale, 0));
    EXPECT_EQ(PixelRun(screen, 6 * scale, 2 * scale, 2 * scale), Px(2 * scale, 0));
}

INSTANTIATE_TEST_SUITE_P(
    Scales, ScaleTest,
    ::testing::Values(
        ScaleCase{"Single", 0, 3, {{15, 0}}},
        ScaleCase{"SingleLcd", 0, 0, {{15, 0}}},
        ScaleCase{"DoubleOff", 1, 1, {{15, 15, 0, 0}, {15, 15, 0, 0}}},
        ScaleCase{"DoubleB75", 1, 2, {{15, 15, 0, 0}, {31, 31, 16, 16}}},
        ScaleCase{"DoubleB50", 1, 3, {{15, 15, 0, 0}, {47, 47, 32, 32}}},
        ScaleCase{"DoubleB25", 1, 4, {{15, 15, 0, 0}, {63, 63, 48, 48}}},
        ScaleCase{"DoubleB0", 1, 5, {{15, 15, 0, 0}, {79, 79, 64, 64}}},
        ScaleCase{"FullScreenDrawsDouble", 3, 3, {{15, 15, 0, 0}, {47, 47, 32, 32}}},
        ScaleCase{"TripleOff", 2, 1,
                  {{15, 15, 15, 0, 0, 0}, {15, 15, 15, 0, 0, 0}, {15, 15, 15, 0, 0, 0}}},
        ScaleCase{"TripleB75", 2, 2,
                  {{15, 15, 15, 0, 0, 0}, {31, 31, 31, 16, 16, 16}, {47, 47, 47, 32, 32, 32}}},
        ScaleCase{"TripleB50", 2, 3,
                  {{15, 15, 15, 0, 0, 0}, {47, 47, 47, 32, 32, 32}, {63, 63, 63, 48, 48, 48}}},
        ScaleCase{"TripleB25", 2, 4,
                  {{15, 15, 15, 0, 0, 0}, {63, 63, 63, 48, 48, 48}, {79, 79, 79, 64, 64, 64}}},
        ScaleCase{"TripleB0", 2, 5,
                  {{15, 15, 15, 0, 0, 0}, {79, 79, 79, 64, 64, 64}, {79, 79, 79, 64, 64, 64}}},
        ScaleCase{"DoubleLcd", 1, 0, {{15, 31, 0, 0}, {79, 63, 0, 0}}},
        ScaleCase{"TripleLcd", 2, 0,
                  {{15, 15, 31, 0, 0, 0}, {15, 31, 15, 0, 0, 0}, {79, 63, 79, 0, 0, 0}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ScreenRender, TripleWideLcdGeometry) {
    ScreenDAD85 screen(2, nullptr);
    screen.SetWideMode(true);
    screen.SetLcdMode(true);
    screen.SetColorProfile(3);  // wide: table[4] lime
    VideoRam ram;
    ram.Set(255, 47, 0x80);  // last pixel of the picture
    ASSERT_TRUE(screen.Paint(ram.data()));
    ASSERT_EQ(screen.Width(), 1152);
    ASSERT_EQ(screen.Height(), 768);
    EXPECT_EQ(PixelRun(screen, 1149, 765, 3), (Px{10, 10, 26}));
    EXPECT_EQ(PixelRun(screen, 1149, 766, 3), (Px{10, 26, 10}));
    EXPECT_EQ(PixelRun(screen, 1149, 767, 3), (Px{74, 58, 74}));
    EXPECT_EQ(NonZeroPixels(screen), 9);
}

TEST(ScreenRender, BlinkHiddenPixelsUseIndexZeroOnAddedLines) {
    ScreenDAD85 screen(1, nullptr);
    screen.SetHalfPass(3);
    VideoRam ram;
    ram.Set(0, 0, 0x81);  // hidden while the blink phase is off
    ASSERT_TRUE(screen.Paint(ram.data()));
    EXPECT_EQ(PixelRun(screen, 0, 0, 2), (Px{0, 0}));
    EXPECT_EQ(PixelRun(screen, 0, 1, 2), (Px{32, 32}));  // bank 2 black
    screen.SetBlinkPhase(true);
    ASSERT_TRUE(screen.Paint(ram.data()));
    EXPECT_EQ(PixelRun(screen, 0, 0, 2), (Px{15, 15}));
    EXPECT_EQ(PixelRun(screen, 0, 1, 2), (Px{47, 47}));
}

TEST(ScreenRender, PaintWithoutVideoRam) {
    ScreenDAD85 screen(0, nullptr);
    EXPECT_FALSE(screen.Paint(nullptr));
}

TEST(ScreenRender, SeparatePicture) {
    ScreenDAD85 screen(0, nullptr);
    ScreenPicture picture = screen.CreateDib();
    EXPECT_EQ(picture.width, 288);
    EXPECT_EQ(picture.height, 256);
    EXPECT_EQ(picture.pixels.size(), 288u * 256u);

    VideoRam ram;
    ram.Set(0, 47, 0x80);
    // The screen became wide after the picture was made: it is remade, not overrun.
    screen.SetWideMode(true);
    ASSERT_TRUE(screen.Render(ram.data(), picture));
    EXPECT_EQ(picture.width, 384);
    EXPECT_EQ(picture.pixels.size(), 384u * 256u);
    EXPECT_EQ(picture.pixels[383], 15);
    // The screen's own bitmap is untouched.
    EXPECT_EQ(NonZeroPixels(screen), 0);

    ScreenPicture kept = picture;
    EXPECT_FALSE(screen.Render(nullptr, picture));
    EXPECT_EQ(picture.pixels, kept.pixels);
}

TEST(ScreenRender, Palette) {
    const uint32_t* p = ScreenDAD85::Palette();
    EXPECT_EQ(p[0], 0xFF000000u);
    EXPECT_EQ(p[1], 0xFFA00000u);   // maroon
    EXPECT_EQ(p[8], 0xFFBFBFBFu);   // silver
    EXPECT_EQ(p[10], 0xFF50FF50u);  // lime
    EXPECT_EQ(p[15], 0xFFFFFFFFu);  // white
    EXPECT_EQ(p[16 + 14], 0xFF50B9B9u);
    EXPECT_EQ(p[16 + 15], 0xFFBFBFBFu);
    EXPECT_EQ(p[32 + 7], 0xFF5A5A5Au);
    EXPECT_EQ(p[48 + 9], 0xFF622C2Cu);
    EXPECT_EQ(p[48 + 15], 0xFF6C6C6Cu);
    for (int i = 64; i < ScreenDAD85::kPaletteSize; ++i) EXPECT_EQ(p[i], 0xFF000000u) << i;
}

// Paint redraws only what changed since the last frame; after any mix of
// video RAM writes and option changes the bitmap must equal a full render.
TEST(ScreenRender, RepeatedPaintMatchesFullRender) {
    enum Change { Bytes, PartnerRow, Profile, Blink, Wide, Size, HalfPass, Lcd, UserColor, Nothing };
    struct Step {
        Change change;
        int value;
    };
    const Step steps[] = {
        {Bytes, 0},      {Nothing, 0},    {Profile, 3},    {PartnerRow, 10}, {PartnerRow, 11},
        {Bytes, 1},      {Blink, 1},      {Profile, 1},    {Bytes, 2},       {Blink, 0},
        {Wide, 1},       {Bytes, 3},      {Wide, 0},       {Size, 1},        {Bytes, 4},
        {HalfPass, 3},   {Lcd, 1},        {Bytes, 5},      {Lcd, 0},         {Size, 2},
        {Profile, 2},    {UserColor, 9},  {Bytes, 6},      {Size, 3},        {Bytes, 7},
        {Size, 1},       {Profile, 3},    {PartnerRow, 201}, {Size, 0},      {Nothing, 0},
    };
    FakeOwner monitor(1920, 1080);
    ScreenDAD85 screen(0, &monitor);
    VideoRam ram;
    uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 16;
    };
    for (int r = 0; r < 256; ++r)
        for (int b = 0; b < 64; ++b) ram.Set(r, b, static_cast<uint8_t>(next()));
    ASSERT_TRUE(screen.Paint(ram.data()));
    ScreenPicture full;
    for (size_t i = 0; i < std::size(steps); ++i) {
        const Step& s = steps[i];
        switch (s.change) {
        case Bytes:  // a few bytes in scattered rows
            for (int k = 0; k < 5; ++k) ram.Set(next() % 256, next() % 48, static_cast<uint8_t>(next()));
            break;
        case PartnerRow: ram.Set(s.value, 7, static_cast<uint8_t>(ram.bytes[s.value * 64 + 7] ^ 0xC0)); break;
        case Profile: screen.SetColorProfile(s.value); break;
        case Blink: screen.SetBlinkPhase(s.value != 0); break;
        case Wide: screen.SetWideMode(s.value != 0); break;
        case Size: screen.SetSizeMode(s.value, &monitor); break;
        case HalfPass: screen.SetHalfPass(s.value); break;
        case Lcd: screen.SetLcdMode(s.value != 0); break;
        case UserColor: screen.SetUserColor(1, s.value); break;
        case Nothing: break;
        }
        ASSERT_TRUE(screen.Paint(ram.data())) << "step " << i;
        ASSERT_TRUE(screen.Render(ram.data(), full));
        auto lock = screen.LockBitmap();
        const size_t size = static_cast<size_t>(screen.Width()) * screen.Height();
        ASSERT_EQ(full.pixels.size(), size);
        EXPECT_TRUE(std::equal(full.pixels.begin(), full.pixels.end(), screen.Bits())) << "step " << i;
    }
}
