#include "machine/sound/SoundDriver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <deque>
#include <functional>
#include <vector>

namespace {

constexpr std::array<int, 6> kFull{100, 100, 100, 100, 100, 100};
constexpr int16_t kFull2 = 16383;  // 100 / 200 x 32767, truncated
constexpr int16_t kFull3 = 10922;  // 100 / 300 x 32767, truncated

using Frames = std::vector<int16_t>;  // interleaved left, right

// Runs a whole ring: events(slice) stands for the CPU slice, then the mixer
// takes it; returns the 50 slices as the device reads them.
Frames RunRing(SoundDriver& d, const std::function<void(int)>& events) {
    for (int s = 0; s < SoundDriver::RingSlices; ++s) {
        if (events) events(s);
        EXPECT_FALSE(d.MixSlice()) << "slice " << s;
    }
    Frames out(size_t(SoundDriver::RingFrames) * 2);
    d.FillOutput(out.data(), SoundDriver::RingFrames);
    return out;
}

int16_t Left(const Frames& f, int slice, int frame) {
    return f[size_t(slice * SoundDriver::SliceFrames + frame) * 2];
}
int16_t Right(const Frames& f, int slice, int frame) {
    return f[size_t(slice * SoundDriver::SliceFrames + frame) * 2 + 1];
}

struct PlacementCase {
    int32_t cycle;
    int firstFrame;  // first frame with the new level; 88 = the next slice
};

class LevelPlacement : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(LevelPlacement, NewLevelStartsAtItsFrame) {
    const PlacementCase c = GetParam();
    SoundDriver d(SoundDriver::NoDevice, 2, kFull);
    Frames f = RunRing(d, [&](int s) {
        if (s == 0) d.SetLevel(0, 1, c.cycle);
    });
    for (int i = 0; i < SoundDriver::SliceFrames; ++i) {
        int16_t want = i >= c.firstFrame ? kFull2 : 0;
        ASSERT_EQ(Left(f, 0, i), want) << "frame " << i;
        ASSERT_EQ(Right(f, 0, i), want) << "frame " << i;
    }
    for (int i = 0; i < SoundDriver::SliceFrames; ++i) ASSERT_EQ(Left(f, 1, i), kFull2);
}

INSTANTIATE_TEST_SUITE_P(SliceClock, LevelPlacement,
                         ::testing::Values(PlacementCase{0, 0}, PlacementCase{46, 0},
                                           PlacementCase{47, 1}, PlacementCase{2048, 44},
                                           PlacementCase{4095, 87}, PlacementCase{4096, 88},
                                           PlacementCase{9000, 88}));

TEST(SoundDriverLevels, OnMustBeExactlyOneAndRepeatsAreIgnored) {
    SoundDriver d(SoundDriver::NoDevice, 2, kFull);
    Frames f = RunRing(d, [&](int s) {
        if (s == 0) {
            d.SetLevel(1, 2, 0);     // not 1: low, equal to the level in force
            d.SetLevel(0, 1, 1000);  // frame 21
            d.SetLevel(0, 1, 500);   // same level again: nothing (would touch frame 10)
            d.SetLevel(0, 0, 4000);  // frame 85
        }
    });
    for (int i = 0; i < SoundDriver::SliceFrames; ++i) {
        int16_t want = (i >= 21 && i < 85) ? kFull2 : 0;
        ASSERT_EQ(Left(f, 0, i), want) << "frame " << i;
        ASSERT_EQ(Right(f, 0, i), want) << "frame " << i;
    }
    EXPECT_EQ(Left(f, 1, 0), 0);
}

TEST(SoundDriverLevels, UnknownChannelsAreIgnored) {
    SoundDriver d(SoundDriver::NoDevice, 2, kFull);
    Frames f = RunRing(d, [&](int s) {
        d.SetLevel(-1, 1, 0);
        d.SetLevel(2, 1, 0);
        d.SetLevel(5, 1, 0);
        d.SetLevel(0, 1, -100);  // before the slice start: frame 0
    });
    EXPECT_EQ(Left(f, 0, 0), kFull2);
    EXPECT_EQ(Left(f, 3, 87), kFull2);
}

struct VolumeCase {
    int channels;
    int volume;
    int16_t amplitude;
};

class Volumes : public ::testing::TestWithParam<VolumeCase> {};

TEST_P(Volumes, AmplitudeIsVolumeShareOfFullScale) {
    const VolumeCase c = GetParam();
    std::array<int, 6> v;
    v.fill(c.volume);
    SoundDriver d(SoundDriver::NoDevice, c.channels, v);
    for (int ch = 0; ch < c.channels; ++ch) EXPECT_EQ(d.Amplitude(ch), c.amplitude);
}

INSTANTIATE_TEST_SUITE_P(Table, Volumes,
                         ::testing::Values(VolumeCase{2, 90, 14745}, VolumeCase{6, 90, 4915},
                                           VolumeCase{3, 90, 9830}, VolumeCase{2, 100, 16383},
                                           VolumeCase{3, 50, 5461}, VolumeCase{2, 0, 0},
                                           // outside 0..100 is held to the range
                                           VolumeCase{2, 250, 16383}, VolumeCase{2, -5, 0}));

TEST(SoundDriverVolumes, PerChannelMuteAndUnmute) {
    const std::array<int, 6> v{90, 50, 90, 90, 90, 90};
    SoundDriver d(SoundDriver::NoDevice, 2, v);
    EXPECT_EQ(d.Amplitude(0), 14745);
    EXPECT_EQ(d.Amplitude(1), 8191);  // 50 / 200 x 32767
    d.Mute();
    EXPECT_EQ(d.Amplitude(0), 0);
    EXPECT_EQ(d.Amplitude(1), 0);
    d.Unmute();
    EXPECT_EQ(d.Amplitude(0), 14745);
    EXPECT_EQ(d.Amplitude(1), 8191);
    d.Mute();
    Frames f = RunRing(d, [&](int s) {
        if (s == 0) d.SetLevel(0, 1, 0);
    });
    EXPECT_EQ(Left(f, 0, 0), 0);
    // Fewer volumes than channels: the rest are silent.
    SoundDriver three(SoundDriver::NoDevice, 3, std::span<const int>(v.data(), 1));
    EXPECT_EQ(three.Amplitude(0), 9830);
    EXPECT_EQ(three.Amplitude(2), 0);
}

struct FakeGenerator {
    int calls = 0;
    int lastFrames = 0;
    void Generate(int16_t* samples, int frames) {
        ++calls;
        lastFrames = frames;
        for (int i = 0; i < frames; ++i) {
            samples[2 * i] = 30003;
            samples[2 * i + 1] = -30003;
        }
        samples[2] = -3;  // frame 1
        samples[3] = -1;
    }
};

TEST(SoundDriverMixer, SumsClipAtSixteenBitsAndGeneratorScalesTowardZero) {
    SoundDriver d(SoundDriver::NoDevice, 3, kFull);
    FakeGenerator g;
    d.SetGenerator(MakeClosure<&FakeGenerator::Generate>(&g));
    Frames f = RunRing(d, [&](int s) {
        if (s == 0) {
            d.SetLevel(0, 1, 0);
            d.SetLevel(1, 1, 0);
        }
    });
    EXPECT_EQ(g.calls, 50);
    EXPECT_EQ(g.lastFrames, 88);
    // 30003 x 10922 / 16384 = 20000; 10922 + 10922 + 20000 = 41844 clips.
    EXPECT_EQ(Left(f, 0, 0), 32767);
    EXPECT_EQ(Right(f, 0, 0), 1844);  // 21844 - 20000
    // -3 x 10922 / 16384 = -1.99 -> -1; -1 x ... -> 0
    EXPECT_EQ(Left(f, 0, 1), 21843);
    EXPECT_EQ(Right(f, 0, 1), 21844);
    EXPECT_EQ(Left(f, 49, 87), 32767);
}

TEST(SoundDriverMixer, GeneratorNeedsAThirdChannel) {
    SoundDriver d(SoundDriver::NoDevice, 2, kFull);
    FakeGenerator g;
    d.SetGenerator(MakeClosure<&FakeGenerator::Generate>(&g));
    Frames f = RunRing(d, nullptr);
    EXPECT_EQ(g.calls, 0);
    EXPECT_EQ(Left(f, 0, 0), 0);
    d.SetGenerator(SoundGenerator());
}

TEST(SoundDriverRing, FullAtTheFiftyFirstSlice) {
    SoundDriver d(SoundDriver::NoDevice, 2, kFull);
    for (int s = 0; s < 50; ++s) ASSERT_FALSE(d.MixSlice()) << "slice " << s;
    EXPECT_TRUE(d.MixSlice());
    EXPECT_TRUE(d.MixSlice());
    int16_t out[88 * 2];
    d.FillOutput(out, 88);  // room for one slice
    EXPECT_FALSE(d.MixSlice());
    EXPECT_TRUE(d.MixSlice());
}

TEST(SoundDriverRing, CallbacksOfAnySizeNeverLoseUnreadFrames) {
    // The device may take frames in pieces that are not whole slices: a
    // slice is mixed only where all 88 of its frames fit before the read pointer.
    SoundDriver d(SoundDriver::NoDevice, 2, kFull);
    for (int s = 0; s < 50; ++s) ASSERT_FALSE(d.MixSlice());
    int16_t out[200 * 2];
    d.FillOutput(out, 100);         // 100 frames free: room for one slice, 12 left over
    EXPECT_FALSE(d.MixSlice());
    EXPECT_TRUE(d.MixSlice()) << "12 free frames must not take a slice";
    d.FillOutput(out, 76);          // 88 free
    EXPECT_FALSE(d.MixSlice());
    EXPECT_TRUE(d.MixSlice());
    d.FillOutput(out, 87);          // one frame short of a slice
    EXPECT_TRUE(d.MixSlice());
}

TEST(SoundDriverRing, SilenceBeforeFirstFillThenLastFrameRepeats) {
    SoundDriver d(SoundDriver::NoDevice, 2, kFull);
    d.Resume();
    for (int s = 0; s < 10; ++s) {
        d.SetLevel(0, 1, 0);
        ASSERT_FALSE(d.MixSlice());
    }
    Frames early(100 * 2, 7);
    d.FillOutput(early.data(), 100);
    for (int16_t v : early) ASSERT_EQ(v, 0);

    for (int s = 10; s < 50; ++s) {
        if (s == 49) d.SetLevel(1, 1, 4095);  // the very last frame is louder
        ASSERT_FALSE(d.MixSlice());
    }
    Frames out((SoundDriver::RingFrames + 12) * 2);
    d.FillOutput(out.data(), SoundDriver::RingFrames + 12);
    EXPECT_EQ(out[0], kFull2);
    EXPECT_EQ(out[size_t(SoundDriver::RingFrames - 2) * 2], kFull2);
    for (int i = SoundDriver::RingFrames - 1; i < SoundDriver::RingFrames + 12; ++i) {
        ASSERT_EQ(out[size_t(i) * 2], 2 * kFull2) << "frame " << i;
        ASSERT_EQ(out[size_t(i) * 2 + 1], 2 * kFull2) << "frame " << i;
    }
    // Ring empty: still the last frame, not silence.
    Frames dry(20 * 2);
    d.FillOutput(dry.data(), 20);
    for (int16_t v : dry) ASSERT_EQ(v, 2 * kFull2);
}

TEST(SoundDriverRing, ReadsWrapAroundTheRingEnd) {
    SoundDriver d(SoundDriver::NoDevice, 2, kFull);
    for (int s = 0; s < 50; ++s) d.MixSlice();
    Frames out(size_t(SoundDriver::RingFrames) * 2);
    d.FillOutput(out.data(), 4400 - 44);  // read pointer half way into the last slice
    for (int s = 0; s < 2; ++s) {
        d.SetLevel(0, s == 0 ? 1 : 0, 0);
        ASSERT_FALSE(d.MixSlice());
    }
    // 44 old frames, then slice "on" (88), then slice "off" (88).
    d.FillOutput(out.data(), 44 + 176);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[43 * 2], 0);
    EXPECT_EQ(out[44 * 2], kFull2);
    EXPECT_EQ(out[131 * 2], kFull2);
    EXPECT_EQ(out[132 * 2], 0);
}

TEST(SoundDriverRing, PauseSilencesTheDeviceAndResumeGoesOnAtOnce) {
    SoundDriver d(SoundDriver::NoDevice, 2, kFull);
    d.Resume();
    d.SetLevel(0, 1, 0);
    for (int s = 0; s < 50; ++s) d.MixSlice();  // full: the stream starts
    Frames out(880 * 2);
    d.FillOutput(out.data(), 880);
    EXPECT_EQ(out[0], kFull2);
    ASSERT_EQ(d.BufferedFrames(), SoundDriver::RingFrames - 880);

    // Paused, the device plays silence and the ring keeps its sound.
    d.Pause();
    EXPECT_TRUE(d.IsPaused());
    for (int i = 0; i < 3; ++i) {
        d.FillOutput(out.data(), 880);
        for (int16_t v : out) ASSERT_EQ(v, 0);
    }
    EXPECT_EQ(d.BufferedFrames(), SoundDriver::RingFrames - 880);

    // Resumed, the first slice finds room at once and the device plays on
    // from where it stopped; no refill of the ring first.
    d.Resume();
    EXPECT_FALSE(d.IsPaused());
    EXPECT_FALSE(d.MixSlice());
    d.FillOutput(out.data(), 880);
    EXPECT_EQ(out[0], kFull2);
    EXPECT_EQ(out[879 * 2 + 1], kFull2);
}

TEST(SoundDriverCallback, PassesOutputToTheDriverAndAlwaysContinues) {
    SoundDriver d(SoundDriver::NoDevice, 2, kFull);
    d.SetLevel(0, 1, 0);
    for (int s = 0; s < 50; ++s) d.MixSlice();
    int16_t out[10 * 2] = {};
    EXPECT_EQ(SoundDriver::StreamCallback(nullptr, out, 10, nullptr, 0, &d), paContinue);
    EXPECT_EQ(out[0], kFull2);
    EXPECT_EQ(SoundDriver::StreamCallback(nullptr, out, 10, nullptr, 0, nullptr), paContinue);
    EXPECT_EQ(SoundDriver::StreamCallback(nullptr, nullptr, 10, nullptr, 0, &d), paContinue);
}

TEST(SoundDriverClosed, WithoutAStreamEverythingIsInert) {
    // No library initialised and no such device: the stream cannot open.
    SoundDriver d(99999, 2, kFull);
    EXPECT_FALSE(d.IsStreamOpen());
    EXPECT_EQ(d.SlicePeriodMicroseconds(), 2000);
    EXPECT_EQ(d.Amplitude(0), 0);
    d.SetVolumes(kFull);
    EXPECT_EQ(d.Amplitude(0), 0);
    d.SetLevel(0, 1, 0);
    for (int s = 0; s < 60; ++s) ASSERT_FALSE(d.MixSlice());
    d.Pause();
    d.Resume();
    EXPECT_FALSE(d.StartWaveRecording("/tmp/never-written.wav"));
    EXPECT_FALSE(d.StopWaveRecording());
    SoundDriver negative(-1, 2, kFull);
    EXPECT_FALSE(negative.IsStreamOpen());
}

struct PacingRun {
    int underruns = 0;  // device callbacks that found less than they asked for
    int skipped = 0;    // ticks that found the ring full
    int slices = 0;     // slices run
};

// Virtual time: a CPU tick every periodUs (every dropEvery-th tick lost, as
// on a loaded machine) against a device taking FramesPerBuffer frames at
// 44100 Hz.
PacingRun SimulatePacing(int periodUs, int seconds, int dropEvery = 0) {
    SoundDriver d(SoundDriver::NoDevice, 2, kFull);
    d.Resume();
    PacingRun r;
    bool playing = false;
    int64_t tick = 0, callback = 1;
    const int64_t endNs = int64_t(seconds) * 1000000000;
    std::vector<int16_t> out(SoundDriver::FramesPerBuffer * 2);
    for (;;) {
        int64_t tickNs = (tick + 1) * periodUs * 1000;
        int64_t callbackNs = callback * SoundDriver::FramesPerBuffer * 1000000000 / SoundDriver::SampleRate;
        if (std::min(tickNs, callbackNs) > endNs) break;
        if (tickNs <= callbackNs) {
            ++tick;
            if (dropEvery && tick % dropEvery == 0) continue;
            if (d.MixSlice()) {
                ++r.skipped;
            } else {
                ++r.slices;
                d.SetLevel(0, r.slices & 1, 1000);
            }
            if (d.BufferedFrames() == SoundDriver::RingFrames) playing = true;
        } else {
            ++callback;
            if (playing && d.BufferedFrames() < SoundDriver::FramesPerBuffer) ++r.underruns;
            d.FillOutput(out.data(), SoundDriver::FramesPerBuffer);
        }
    }
    return r;
}

TEST(SoundDriverPacing, PacedPeriodKeepsTheDeviceFedAtItsRate) {
    SoundDriver d(SoundDriver::NoDevice, 2, kFull);
    EXPECT_EQ(d.SlicePeriodMicroseconds(), SoundDriver::PacedSlicePeriodMicroseconds);
    EXPECT_LT(SoundDriver::PacedSlicePeriodMicroseconds, 1995);  // 88 / 44100 s = 1995.5 us

    PacingRun paced = SimulatePacing(d.SlicePeriodMicroseconds(), 60);
    EXPECT_EQ(paced.underruns, 0);
    EXPECT_GT(paced.skipped, 0);
    // The device, not the timer, sets the slice rate: 44100 / 88 per second.
    EXPECT_NEAR(paced.slices, 60 * 44100 / 88, 100);

    PacingRun lossy = SimulatePacing(d.SlicePeriodMicroseconds(), 60, 20);
    EXPECT_EQ(lossy.underruns, 0);
    EXPECT_NEAR(lossy.slices, 60 * 44100 / 88, 100);

    // A plain 2 ms timer offers 44000 frames a second and runs dry.
    PacingRun plain = SimulatePacing(SoundDriver::UnpacedSlicePeriodMicroseconds, 60);
    EXPECT_GT(plain.underruns, 0);
}

TEST(SoundDriverSink, LevelSinkWritesThroughTheDriver) {
    SoundDriver d(SoundDriver::NoDevice, 2, kFull);
    SoundLevelSink sink = d.LevelSink();
    ASSERT_TRUE(sink.Assigned());
    Frames f = RunRing(d, [&](int s) {
        if (s == 0) sink(1, 1, 2048);
    });
    EXPECT_EQ(Left(f, 0, 43), 0);
    EXPECT_EQ(Left(f, 0, 44), kFull2);
}

struct LeadRun {
    int underruns = 0;
    int slices = 0;
    double worstMs = 0;  // from a slice's level change to the device call that takes it
};

// Virtual time as above, with the lead of a device stream: a slice sets the
// speaker at cycle 1000 (frame 21); the time from the tick that ran it to the
// device call that takes that frame, plus the frame's place in the call.
LeadRun SimulateLead(int periodUs, int seconds, int dropEvery = 0, int late = 0) {
    SoundDriver d(SoundDriver::NoDevice, 2, kFull);
    d.SetLeadFrames(SoundDriver::LeadFrames);
    d.Resume();
    LeadRun r;
    bool playing = false;
    int64_t tick = 0, callback = 1;
    int64_t produced = 0, consumed = 0;
    int64_t ranNs = -1;  // the slice waiting to be mixed ran at this time
    std::deque<std::pair<int64_t, int64_t>> waiting;  // (frame of the change, time it ran)
    const int64_t endNs = int64_t(seconds) * 1000000000;
    std::vector<int16_t> out(SoundDriver::FramesPerBuffer * 2);
    for (;;) {
        int64_t tickNs = (tick + 1) * periodUs * 1000;
        // Every 50th tick comes `late` microseconds late; the timer drops
        // the deadlines that passed meanwhile.
        const bool lateTick = late && (tick + 1) % 50 == 0;
        if (lateTick) tickNs += int64_t(late) * 1000;
        int64_t callbackNs = callback * SoundDriver::FramesPerBuffer * 1000000000 / SoundDriver::SampleRate;
        if (std::min(tickNs, callbackNs) > endNs) break;
        if (tickNs <= callbackNs) {
            ++tick;
            if (lateTick) tick += late / periodUs;
            if (dropEvery && tick % dropEvery == 0) continue;
            const int before = d.BufferedFrames();
            if (d.MixSlice()) continue;
            if (ranNs >= 0) {
                EXPECT_EQ(d.BufferedFrames(), before + SoundDriver::SliceFrames);
                waiting.emplace_back(produced + 21, ranNs);
                produced += SoundDriver::SliceFrames;
            }
            ++r.slices;
            d.SetLevel(0, r.slices & 1, 1000);
            ranNs = tickNs;
            if (d.BufferedFrames() == SoundDriver::RingFrames) playing = true;
        } else {
            ++callback;
            if (!playing) {
                d.FillOutput(out.data(), SoundDriver::FramesPerBuffer);
                continue;
            }
            const int avail = d.BufferedFrames();
            if (avail < SoundDriver::FramesPerBuffer) ++r.underruns;
            const int taken = std::min(avail, SoundDriver::FramesPerBuffer);
            d.FillOutput(out.data(), SoundDriver::FramesPerBuffer);
            while (!waiting.empty() && waiting.front().first < consumed + taken) {
                const double ms = double(callbackNs - waiting.front().second) / 1e6 +
                                  double(waiting.front().first - consumed) * 1000.0 / SoundDriver::SampleRate;
                // The first second drains the ring that filled before the start.
                if (callbackNs > 1000000000) r.worstMs = std::max(r.worstMs, ms);
                waiting.pop_front();
            }
            consumed += taken;
        }
    }
    return r;
}

// A device stream keeps only the lead ahead: a key that toggles the speaker
// reaches the device soon enough that, with the host's own buffer of a few
// device calls, it is heard within 40 ms; the device never runs dry, also
// with lost and late ticks, and still sets the pace.
TEST(SoundDriverPacing, LeadKeepsALevelChangeCloseToTheDevice) {
    struct Case {
        const char* name;
        int dropEvery, lateUs;
    };
    const Case cases[] = {{"steady", 0, 0}, {"every 20th tick lost", 20, 0}, {"a tick 3 ms late every 0.1 s", 0, 3000}};
    for (const Case& c : cases) {
        LeadRun run = SimulateLead(SoundDriver::PacedSlicePeriodMicroseconds, 30, c.dropEvery, c.lateUs);
        EXPECT_EQ(run.underruns, 0) << c.name;
        EXPECT_NEAR(run.slices, 30 * 44100 / 88, 100) << c.name;
        // 40 ms less three device calls of the host's buffer (17.4 ms).
        EXPECT_LE(run.worstMs, 40.0 - 3 * 1000.0 * SoundDriver::FramesPerBuffer / 44100) << c.name;
        EXPECT_GT(run.worstMs, 0) << c.name;
    }
}

TEST(SoundDriverPacing, WithoutALeadTheRingFillsWhole) {
    SoundDriver d(SoundDriver::NoDevice, 2, kFull);
    EXPECT_EQ(d.GetLeadFrames(), 0);
    d.Resume();
    for (int s = 0; s < 50; ++s) ASSERT_FALSE(d.MixSlice());  // the stream starts
    int16_t out[88 * 2];
    d.FillOutput(out, 88);
    EXPECT_FALSE(d.MixSlice());  // room for one slice: mixed
    // With a lead, a running stream with more than the lead waiting skips.
    d.FillOutput(out, 88);
    d.SetLeadFrames(SoundDriver::LeadFrames);
    EXPECT_TRUE(d.MixSlice());
    // Before the stream first starts, the lead does not hold the ring back.
    SoundDriver fresh(SoundDriver::NoDevice, 2, kFull);
    fresh.SetLeadFrames(SoundDriver::LeadFrames);
    for (int s = 0; s < 50; ++s) ASSERT_FALSE(fresh.MixSlice()) << "slice " << s;
    EXPECT_TRUE(fresh.MixSlice());
}

}  // namespace
