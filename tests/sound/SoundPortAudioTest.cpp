#include <gtest/gtest.h>
#include <portaudio.h>

#include <array>

#include "machine/sound/SoundDevices.h"
#include "machine/sound/SoundDriver.h"

namespace {

constexpr std::array<int, 6> kVolumes{90, 50, 90, 90, 90, 90};

// Runs against the real library with whatever device the machine has; with
// none (a failed open) the driver must stay inert.
TEST(SoundPortAudio, DriverOnTheDefaultDevice) {
    PaError init = Pa_Initialize();
    if (init == paNoError) {
        for (const SoundHostApiEntry& api : SoundHostApis()) {
            int def = SoundDefaultOutputDevice(api.type);
            EXPECT_EQ(def, api.defaultOutputDevice) << api.name;
            bool defaultListed = def < 0;
            for (const SoundDeviceEntry& dev : SoundDevicesOfHostApi(api.type)) {
                const PaDeviceInfo* info = Pa_GetDeviceInfo(dev.index);
                ASSERT_NE(info, nullptr);
                EXPECT_EQ(Pa_GetHostApiInfo(info->hostApi)->type, api.type);
                if (dev.index == def) defaultListed = true;
            }
            EXPECT_TRUE(defaultListed) << api.name;
        }
    }
    EXPECT_TRUE(SoundDevicesOfHostApi(-12345).empty());
    EXPECT_EQ(SoundDefaultOutputDevice(-12345), -1);

    int device = init == paNoError ? Pa_GetDefaultOutputDevice() : -1;
    {
        SoundDriver d(device, 2, kVolumes);
        if (d.IsStreamOpen()) {
            EXPECT_EQ(d.SlicePeriodMicroseconds(), SoundDriver::PacedSlicePeriodMicroseconds);
            EXPECT_EQ(d.Amplitude(0), 14745);
            d.Resume();
            d.SetLevel(0, 1, 100);
            for (int s = 0; s < 60; ++s) d.MixSlice();  // fills the ring, starts the stream
            d.Pause();
            d.Resume();
            d.Pause();
        } else {
            EXPECT_EQ(d.SlicePeriodMicroseconds(), SoundDriver::UnpacedSlicePeriodMicroseconds);
            EXPECT_EQ(d.Amplitude(0), 0);
            for (int s = 0; s < 60; ++s) ASSERT_FALSE(d.MixSlice());
            EXPECT_FALSE(d.StartWaveRecording("/tmp/orvik-no-stream.wav"));
            d.Pause();
            d.Resume();
        }
    }
    // A device number past the list never opens.
    {
        SoundDriver d(init == paNoError ? Pa_GetDeviceCount() : 0, 6, kVolumes);
        EXPECT_FALSE(d.IsStreamOpen());
    }
    if (init == paNoError) Pa_Terminate();
}

}  // namespace
