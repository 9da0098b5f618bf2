#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "machine/sound/SoundDriver.h"

namespace fs = std::filesystem;

namespace {

constexpr std::array<int, 6> kFull{100, 100, 100, 100, 100, 100};

class WaveRecording : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("orvik-wave-" + std::to_string(getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    static std::vector<uint8_t> Read(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    }

    static std::vector<uint8_t> Header(uint32_t riff, uint32_t data) {
        std::vector<uint8_t> h = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E',
                                  'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 2, 0,
                                  0x44, 0xAC, 0x00, 0x00,  // 44100
                                  0x10, 0xB1, 0x02, 0x00,  // 176400
                                  4, 0, 16, 0, 'd', 'a', 't', 'a', 0, 0, 0, 0};
        for (int i = 0; i < 4; ++i) {
            h[size_t(4 + i)] = uint8_t(riff >> (8 * i));
            h[size_t(40 + i)] = uint8_t(data >> (8 * i));
        }
        return h;
    }

    fs::path dir_;
};

TEST_F(WaveRecording, HeaderAndSamplesByteForByte) {
    SoundDriver d(SoundDriver::NoDevice, 2, kFull);
    fs::path p = dir_ / "rec.wav";
    ASSERT_TRUE(d.StartWaveRecording(p.string()));
    EXPECT_TRUE(d.IsRecording());
    EXPECT_FALSE(d.StartWaveRecording((dir_ / "second.wav").string()));
    EXPECT_FALSE(fs::exists(dir_ / "second.wav"));
    // While recording the target does not exist yet: the sound goes to a
    // temporary file beside it.
    d.MixSlice();
    EXPECT_FALSE(fs::exists(p));

    d.SetLevel(0, 1, 2048);  // frames 44.. of the second slice: 16383 = 3FFFh
    d.MixSlice();
    d.MixSlice();
    ASSERT_TRUE(d.StopWaveRecording());
    EXPECT_FALSE(d.StopWaveRecording());
    EXPECT_FALSE(d.IsRecording());

    std::vector<uint8_t> f = Read(p);
    ASSERT_EQ(f.size(), 44u + 3 * 352);
    EXPECT_EQ(std::vector<uint8_t>(f.begin(), f.begin() + 44), Header(36 + 3 * 352, 3 * 352));
    auto sample = [&](int frame, int side) {
        size_t at = 44 + size_t(frame) * 4 + size_t(side) * 2;
        return std::array<uint8_t, 2>{f[at], f[at + 1]};
    };
    using B = std::array<uint8_t, 2>;
    EXPECT_EQ(sample(0, 0), (B{0, 0}));
    EXPECT_EQ(sample(88 + 43, 1), (B{0, 0}));
    EXPECT_EQ(sample(88 + 44, 0), (B{0xFF, 0x3F}));
    EXPECT_EQ(sample(88 + 44, 1), (B{0xFF, 0x3F}));
    EXPECT_EQ(sample(263, 1), (B{0xFF, 0x3F}));
}

TEST_F(WaveRecording, NegativeSamplesAreLittleEndianTwosComplement) {
    SoundDriver d(SoundDriver::NoDevice, 3, kFull);
    struct Gen {
        void Fill(int16_t* s, int n) {
            for (int i = 0; i < 2 * n; ++i) s[i] = -16384;  // x 10922 / 16384 = -10922
        }
    } g;
    d.SetGenerator(MakeClosure<&Gen::Fill>(&g));
    fs::path p = dir_ / "neg.wav";
    ASSERT_TRUE(d.StartWaveRecording(p.string()));
    d.MixSlice();
    ASSERT_TRUE(d.StopWaveRecording());
    std::vector<uint8_t> f = Read(p);
    ASSERT_EQ(f.size(), 44u + 352);
    // -10922 = D556h
    EXPECT_EQ(f[44], 0x56);
    EXPECT_EQ(f[45], 0xD5);
}

TEST_F(WaveRecording, ReplacesAnExistingFile) {
    fs::path p = dir_ / "old.wav";
    {
        std::ofstream out(p, std::ios::binary);
        out << std::string(5000, 'x');
    }
    SoundDriver d(SoundDriver::NoDevice, 2, kFull);
    ASSERT_TRUE(d.StartWaveRecording(p.string()));
    d.MixSlice();
    // The old file stays whole until the recording stops.
    EXPECT_EQ(Read(p), std::vector<uint8_t>(5000, 'x'));
    ASSERT_TRUE(d.StopWaveRecording());
    std::vector<uint8_t> f = Read(p);
    ASSERT_EQ(f.size(), 44u + 352);
    EXPECT_EQ(std::vector<uint8_t>(f.begin(), f.begin() + 44), Header(36 + 352, 352));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), 1);  // no temporary file left
}

// A recording whose file cannot be put in place (its folder went away) is
// reported and leaves nothing behind.
TEST_F(WaveRecording, FailedRenameIsReported) {
    fs::path sub = dir_ / "sub";
    fs::create_directory(sub);
    SoundDriver d(SoundDriver::NoDevice, 2, kFull);
    ASSERT_TRUE(d.StartWaveRecording((sub / "rec.wav").string()));
    d.MixSlice();
    fs::path moved = dir_ / "moved";
    fs::rename(sub, moved);
    EXPECT_FALSE(d.StopWaveRecording());
    EXPECT_FALSE(d.IsRecording());
    EXPECT_FALSE(fs::exists(sub / "rec.wav"));
}

TEST_F(WaveRecording, FailedStartReportsFalseAndKeepsRunning) {
    SoundDriver d(SoundDriver::NoDevice, 2, kFull);
    EXPECT_FALSE(d.StartWaveRecording((dir_ / "missing" / "rec.wav").string()));
    EXPECT_FALSE(d.StartWaveRecording(dir_.string()));  // a folder
    EXPECT_FALSE(d.StartWaveRecording(""));
    EXPECT_FALSE(d.IsRecording());
    EXPECT_FALSE(d.StopWaveRecording());
    for (int s = 0; s < 50; ++s) ASSERT_FALSE(d.MixSlice());
    EXPECT_TRUE(d.MixSlice());
    // A later start still works.
    EXPECT_TRUE(d.StartWaveRecording((dir_ / "ok.wav").string()));
}

TEST_F(WaveRecording, SkippedSlicesAddNothing) {
    SoundDriver d(SoundDriver::NoDevice, 2, kFull);
    fs::path p = dir_ / "full.wav";
    ASSERT_TRUE(d.StartWaveRecording(p.string()));
    for (int s = 0; s < 50; ++s) d.MixSlice();
    EXPECT_TRUE(d.MixSlice());  // ring full: not mixed
    ASSERT_TRUE(d.StopWaveRecording());
    EXPECT_EQ(fs::file_size(p), 44u + 50 * 352);
}

TEST_F(WaveRecording, DestroyingTheDriverFinishesTheFile) {
    fs::path p = dir_ / "end.wav";
    {
        auto d = std::make_unique<SoundDriver>(SoundDriver::NoDevice, 2, kFull);
        ASSERT_TRUE(d->StartWaveRecording(p.string()));
        d->MixSlice();
        d->MixSlice();
    }
    std::vector<uint8_t> f = Read(p);
    ASSERT_EQ(f.size(), 44u + 2 * 352);
    EXPECT_EQ(std::vector<uint8_t>(f.begin(), f.begin() + 44), Header(36 + 704, 704));
}

}  // namespace
