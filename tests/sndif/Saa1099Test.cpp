#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "machine/sndif/Saa1099.h"

namespace {

constexpr int kRate = 44100;

// Output of a constant level of `steps` (amplitude x 16, summed over the
// channels): the six channels at full amplitude, 6 x 15 x 16 steps, fill the
// mixer's full scale of 16384 for the sound-interface channel.
int Out(int steps) { return steps * 16384 / (6 * 15 * 16); }

class Chip {
public:
    Chip() : h(newSAASND()) { SAASNDSetSoundParameters(h, 0x13F); }
    ~Chip() { deleteSAASND(h); }
    Chip(const Chip&) = delete;
    Chip& operator=(const Chip&) = delete;

    void Set(uint8_t reg, uint8_t value) {
        SAASNDWriteAddress(h, reg);
        SAASNDWriteData(h, value);
    }
    void SetOctave(int ch, int octave) {
        uint8_t reg = uint8_t(0x10 + ch / 2);
        uint8_t v = h->Register(reg);
        v = (ch & 1) ? uint8_t((v & 0x0F) | (octave << 4)) : uint8_t((v & 0xF0) | octave);
        Set(reg, v);
    }
    // Holds the generators in reset and releases them with the sound on.
    void Restart() {
        Set(0x1C, 0x02);
        Set(0x1C, 0x01);
    }
    std::vector<int16_t> Generate(int frames) {
        std::vector<int16_t> out(size_t(frames) * 2, int16_t(0x5555));
        SAASNDGenerateMany(h, out.data(), static_cast<unsigned long>(frames));
        return out;
    }
    SAASND h;
};

// Frequency from the rising zero crossings of one side (side 0 left),
// interpolated between samples.
double MeasureFrequency(const std::vector<int16_t>& s, int side) {
    std::vector<double> crossings;
    int lastSign = 0;
    double lastValue = 0;
    size_t lastIndex = 0;
    for (size_t i = 0; i < s.size() / 2; ++i) {
        double v = s[2 * i + size_t(side)];
        int sign = v > 0 ? 1 : (v < 0 ? -1 : 0);
        if (sign == 0) continue;
        if (lastSign < 0 && sign > 0) {
            double t = double(lastIndex) + (0 - lastValue) / (v - lastValue) * double(i - lastIndex);
            crossings.push_back(t);
        }
        lastSign = sign;
        lastValue = v;
        lastIndex = i;
    }
    if (crossings.size() < 3) return 0;
    return double(crossings.size() - 1) * kRate / (crossings.back() - crossings.front());
}

int PeakOf(const std::vector<int16_t>& s, int side) {
    int peak = 0;
    for (size_t i = 0; i < s.size() / 2; ++i) peak = std::max(peak, std::abs(int(s[2 * i + size_t(side)])));
    return peak;
}

int SignChanges(const std::vector<int16_t>& s, int side) {
    int changes = 0, last = 0;
    for (size_t i = 0; i < s.size() / 2; ++i) {
        int v = s[2 * i + size_t(side)];
        int sign = v > 0 ? 1 : (v < 0 ? -1 : 0);
        if (sign == 0) continue;
        if (last != 0 && sign != last) ++changes;
        last = sign;
    }
    return changes;
}

bool AllZero(const std::vector<int16_t>& s) {
    for (int16_t v : s)
        if (v != 0) return false;
    return true;
}

TEST(Saa1099, ToneFrequencyFollowsNAndOctave) {
    struct Case {
        int ch, n, octave;
    };
    const Case cases[] = {
        {0, 0, 0}, {1, 51, 3}, {2, 128, 2}, {3, 100, 5}, {4, 200, 4}, {5, 255, 7}, {0, 255, 0}, {3, 0, 7},
    };
    for (const Case& c : cases) {
        Chip chip;
        chip.Set(uint8_t(c.ch), 0xFF);
        chip.Set(uint8_t(0x08 + c.ch), uint8_t(c.n));
        chip.SetOctave(c.ch, c.octave);
        chip.Set(0x14, uint8_t(1 << c.ch));
        chip.Restart();
        // The datasheet's f = 15625 x 2^octave / (511 - N).
        double expected = 15625.0 * std::pow(2.0, c.octave) / (511 - c.n);
        std::vector<int16_t> s = chip.Generate(2 * kRate);
        for (int side = 0; side < 2; ++side) {
            double f = MeasureFrequency(s, side);
            EXPECT_NEAR(f, expected, expected * 0.002)
                << "channel " << c.ch << " N " << c.n << " octave " << c.octave << " side " << side;
        }
    }
}

TEST(Saa1099, AmplitudeIsSetPerSide) {
    struct Case {
        int ch;
        uint8_t amplitude;
    };
    const Case cases[] = {{0, 0x0F}, {1, 0xF0}, {2, 0x5A}, {3, 0x88}, {4, 0x31}, {5, 0x00}};
    for (const Case& c : cases) {
        Chip chip;
        chip.Set(uint8_t(c.ch), c.amplitude);
        chip.Set(0x14, uint8_t(1 << c.ch));
        chip.Restart();
        std::vector<int16_t> s = chip.Generate(kRate / 10);  // several half periods of 30 Hz
        // A full sample of the square wave shows amplitude x 16 output units.
        EXPECT_EQ(PeakOf(s, 0), Out((c.amplitude & 0x0F) * 16)) << "channel " << c.ch;
        EXPECT_EQ(PeakOf(s, 1), Out((c.amplitude >> 4) * 16)) << "channel " << c.ch;
    }
}

TEST(Saa1099, SixFullChannelsDoNotWrap) {
    Chip chip;
    for (int ch = 0; ch < 6; ++ch) chip.Set(uint8_t(ch), 0xFF);
    chip.Set(0x14, 0x3F);
    chip.Restart();  // all six in step: the sum reaches its extreme
    std::vector<int16_t> s = chip.Generate(kRate / 10);
    int peak = PeakOf(s, 0);
    EXPECT_EQ(peak, 16384);
    EXPECT_EQ(PeakOf(s, 1), 16384);
    // In step, every sample is either the full positive or the full negative
    // sum, or between them at an edge; never a flipped sign from wrapping.
    EXPECT_NEAR(MeasureFrequency(s, 0), 8e6 / (512.0 * 511), 0.2);
}

TEST(Saa1099, NoiseOnAndOff) {
    // Noise alone on channel 0 at 7.8 kHz: the line changes on about half
    // of the shift steps.
    {
        Chip chip;
        chip.Set(0x00, 0xFF);
        chip.Set(0x16, 0x02);
        chip.Set(0x15, 0x01);
        chip.Restart();
        std::vector<int16_t> s = chip.Generate(kRate);
        int changes = SignChanges(s, 0);
        EXPECT_NEAR(changes, 7812.5 / 2, 7812.5 / 2 * 0.1);
        EXPECT_GT(PeakOf(s, 0), 0);
    }
    // Noise 1 on channel 4 at 31.25 kHz changes faster than at 15.6 kHz.
    {
        int fast = 0, slow = 0;
        for (int sel : {0, 1}) {
            Chip chip;
            chip.Set(0x04, 0xFF);
            chip.Set(0x16, uint8_t(sel << 4));
            chip.Set(0x15, 0x10);
            chip.Restart();
            int n = SignChanges(chip.Generate(kRate), 1);
            (sel == 0 ? fast : slow) = n;
        }
        EXPECT_GT(fast, slow + slow / 4);
        EXPECT_NEAR(slow, 15625 / 2, 15625 / 2 * 0.15);
    }
    // Noise clocked by tone generator 3: one shift per tone edge.
    {
        Chip chip;
        chip.Set(0x03, 0xFF);
        chip.Set(0x0B, 0);
        chip.SetOctave(3, 3);  // 244.6 Hz: 489 edges a second
        chip.Set(0x16, 0x30);
        chip.Set(0x15, 0x08);
        chip.Restart();
        int n = SignChanges(chip.Generate(4 * kRate), 0);
        double edges = 4 * 2 * 8e6 * 8 / (512.0 * 511);
        EXPECT_NEAR(n, edges / 2, edges / 2 * 0.1);
    }
    // Noise enabled on another channel only, and everything off: silence here.
    {
        Chip chip;
        chip.Set(0x00, 0xFF);
        chip.Set(0x15, 0x02);  // channel 1, whose amplitude is 0
        chip.Restart();
        EXPECT_TRUE(AllZero(chip.Generate(kRate / 10)));
        chip.Set(0x15, 0x00);
        EXPECT_TRUE(AllZero(chip.Generate(kRate / 10)));
    }
}

// The left level sequence of an envelope stepped by address writes.
std::vector<int> StepEnvelope(uint8_t control, int steps, int side = 0) {
    Chip chip;
    chip.Set(0x18, uint8_t(control | 0x80 | 0x20));  // on, external clock
    std::vector<int> out;
    for (int i = 0; i < steps; ++i) {
        out.push_back(chip.h->EnvelopeLevel(0, side));
        SAASNDWriteAddress(chip.h, 0x00);
    }
    return out;
}

std::vector<int> Ramp(int from, int to) {
    std::vector<int> r;
    for (int v = from; from <= to ? v <= to : v >= to; v += from <= to ? 1 : -1) r.push_back(v);
    return r;
}

std::vector<int> Cat(std::initializer_list<std::vector<int>> parts) {
    std::vector<int> r;
    for (const auto& p : parts) r.insert(r.end(), p.begin(), p.end());
    return r;
}

TEST(Saa1099, EnvelopeShapes) {
    const std::vector<int> zeros(16, 0), full(16, 15);
    const std::vector<int> up = Ramp(0, 15), down = Ramp(15, 0);
    struct Case {
        int mode;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {0, Cat({zeros, zeros, zeros, zeros})},
        {1, Cat({full, full, full, full})},
        {2, Cat({down, zeros, zeros, zeros})},   // single decay
        {3, Cat({down, down, down, down})},      // repetitive decay
        {4, Cat({up, down, zeros, zeros})},      // single triangle
        {5, Cat({up, down, up, down})},          // repetitive triangle
        {6, Cat({up, zeros, zeros, zeros})},     // single attack
        {7, Cat({up, up, up, up})},              // repetitive attack
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StepEnvelope(uint8_t(c.mode << 1), 64), c.expected) << "mode " << c.mode;
        // 3-bit resolution drops the lowest bit.
        std::vector<int> coarse = c.expected;
        for (int& v : coarse) v &= 0x0E;
        EXPECT_EQ(StepEnvelope(uint8_t(c.mode << 1 | 0x10), 64), coarse) << "3-bit mode " << c.mode;
        // Without the mirror the right side follows the left; with it, it is inverted.
        EXPECT_EQ(StepEnvelope(uint8_t(c.mode << 1), 64, 1), c.expected) << "right mode " << c.mode;
        std::vector<int> mirrored = c.expected;
        for (int& v : mirrored) v = 15 - v;
        EXPECT_EQ(StepEnvelope(uint8_t(c.mode << 1 | 0x01), 64, 1), mirrored) << "mirror mode " << c.mode;
    }
}

TEST(Saa1099, EnvelopeWriteWaitsForTheEndOfThePeriod) {
    Chip chip;
    chip.Set(0x18, 0x80 | 0x20 | (7 << 1));  // repetitive attack, external clock
    for (int i = 0; i < 5; ++i) SAASNDWriteAddress(chip.h, 0);
    EXPECT_EQ(chip.h->EnvelopeLevel(0, 0), 5);
    // The address write before the data write steps it once more.
    chip.Set(0x18, 0x80 | 0x20 | (3 << 1));  // repetitive decay, buffered
    EXPECT_EQ(chip.h->EnvelopeLevel(0, 0), 6);
    std::vector<int> seen;
    for (int i = 0; i < 12; ++i) {
        SAASNDWriteAddress(chip.h, 0);
        seen.push_back(chip.h->EnvelopeLevel(0, 0));
    }
    EXPECT_EQ(seen, (std::vector<int>{7, 8, 9, 10, 11, 12, 13, 14, 15, 15, 14, 13}));
}

TEST(Saa1099, EnvelopeOnTheInternalClockStepsWithGenerator1) {
    Chip chip;
    chip.Set(0x09, 128);
    chip.SetOctave(1, 7);  // half period (511 - 128) x 2 = 766 clocks
    chip.Set(0x18, 0x80 | (7 << 1));
    chip.Restart();
    chip.Generate(kRate / 100);  // 80,000 clocks: 104 edges of generator 1
    EXPECT_EQ(chip.h->EnvelopeLevel(0, 0), 104 % 16);
    // Envelope 1 follows generator 4, left at N 0, octave 0: its first
    // edge comes after 130,816 clocks (16.35 ms), so 20 ms give one step.
    chip.Set(0x19, 0x80 | (7 << 1));
    chip.Generate(kRate / 100);
    EXPECT_EQ(chip.h->EnvelopeLevel(1, 0), 1);
}

TEST(Saa1099, EnvelopeScalesChannel2WithThreeAmplitudeBits) {
    Chip chip;
    chip.Set(0x02, 0x1F);  // left 15, right 1
    chip.Set(0x14, 0x04);
    chip.Set(0x18, 0x80 | (1 << 1));  // maximum
    chip.Restart();
    std::vector<int16_t> s = chip.Generate(kRate / 10);
    EXPECT_EQ(PeakOf(s, 0), Out(14 * 15));
    EXPECT_EQ(PeakOf(s, 1), 0);  // amplitude 1 loses its only bit
    // Channel 1 has no envelope: its amplitude keeps all four bits.
    chip.Set(0x01, 0x01);
    chip.Set(0x14, 0x02);
    chip.Restart();
    EXPECT_EQ(PeakOf(chip.Generate(kRate / 10), 0), Out(1 * 16));
}

TEST(Saa1099, Register1CSoundEnableAndReset) {
    Chip chip;
    chip.Set(0x00, 0xFF);
    chip.Set(0x08, 200);
    chip.SetOctave(0, 4);
    chip.Set(0x14, 0x01);
    chip.Restart();
    EXPECT_GT(PeakOf(chip.Generate(kRate / 10), 0), 0);
    chip.Set(0x1C, 0x03);  // reset held: silent
    EXPECT_TRUE(AllZero(chip.Generate(kRate / 10)));
    chip.Set(0x1C, 0x00);  // sound off
    EXPECT_TRUE(AllZero(chip.Generate(kRate / 10)));
    chip.Set(0x1C, 0x01);
    EXPECT_GT(PeakOf(chip.Generate(kRate / 10), 0), 0);
    // Clear: every register 0 and silent.
    SAASNDClear(chip.h);
    EXPECT_TRUE(AllZero(chip.Generate(kRate / 10)));
    for (int r = 0; r < 32; ++r) EXPECT_EQ(chip.h->Register(r), 0) << r;
}

TEST(Saa1099, NullHandleAndNullBufferAreHarmless) {
    SAASNDWriteAddress(nullptr, 1);
    SAASNDWriteData(nullptr, 1);
    SAASNDGenerateMany(nullptr, nullptr, 10);
    SAASNDClear(nullptr);
    deleteSAASND(nullptr);
    Chip chip;
    SAASNDGenerateMany(chip.h, nullptr, 10);
}

}  // namespace
