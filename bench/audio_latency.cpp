// How long a change of the speaker takes to reach the sound output: from the
// CPU slice that sets the level (where a key press taken at the slice's start
// toggles it) to the moment the sound library says the frame leaves the
// device. The sound driver runs as in the program: paced slices every
// PacedSlicePeriodMicroseconds, the lead of a device stream, and its own
// stream callback on a stream opened with its parameters on the default
// output device. Printed: the latency (mean and worst), the host's own
// output latency, the device underruns.
//
// A device that takes sound faster than real time (the ALSA null PCM:
// ALSA_CONFIG_PATH=tests/qt/alsa-null.conf) is paced here at 44100 frames a
// second, its frames counted as leaving after the latency it reports.
// Without a device it says so and prints no figure.
// With "whole-ring" it runs as the driver did before the lead: the ring kept
// full and 880 frames per device call, for comparison.
//   build/bench/audio_latency [seconds] [whole-ring]
#include <portaudio.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "machine/sound/SoundDriver.h"

namespace {

double Now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

void SleepUntil(double when) {
    timespec t{};
    t.tv_sec = time_t(when);
    t.tv_nsec = long((when - double(t.tv_sec)) * 1e9);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &t, nullptr) != 0) {
    }
}

struct Bench {
    SoundDriver driver{SoundDriver::NoDevice, 2, std::vector<int>{100, 100}};
    PaStream* stream = nullptr;
    double hostLatency = 0;
    double start = 0;        // first callback
    int64_t framesOut = 0;   // frames handed to the device
    std::atomic<bool> paced{false};
    std::atomic<int> underruns{0};
    int16_t lastLeft = 0;
    std::mutex m;
    std::deque<double> toggles;  // host times of speaker changes not yet heard
    std::vector<double> latencies;
    double countFrom = 0;        // changes before this time fill the start-up ring

    int Callback(const void* input, void* output, unsigned long frames, const PaStreamCallbackTimeInfo* info,
                 PaStreamCallbackFlags flags) {
        double now = Now();
        if (start == 0) start = now;
        // A device faster than real time: hold each call until its frames are due.
        const double due = start + double(framesOut) / SoundDriver::SampleRate;
        if (now < due - 0.001) {
            paced = true;
            SleepUntil(due);
            now = due;
        }
        if (now >= countFrom && driver.BufferedFrames() < int(frames)) ++underruns;
        SoundDriver::StreamCallback(input, output, frames, info, flags, &driver);
        const double ahead =
            info && info->outputBufferDacTime > info->currentTime ? info->outputBufferDacTime - info->currentTime
                                                                  : hostLatency;
        const auto* s = static_cast<const int16_t*>(output);
        std::lock_guard lk(m);
        for (unsigned long i = 0; i < frames; ++i) {
            if (s[2 * i] == lastLeft) continue;
            lastLeft = s[2 * i];
            if (toggles.empty()) continue;
            const double heard = now + ahead + double(i) / SoundDriver::SampleRate;
            if (toggles.front() >= countFrom) latencies.push_back(heard - toggles.front());
            toggles.pop_front();
        }
        framesOut += int64_t(frames);
        return paContinue;
    }

    static int Trampoline(const void* in, void* out, unsigned long frames, const PaStreamCallbackTimeInfo* info,
                          PaStreamCallbackFlags flags, void* self) {
        return static_cast<Bench*>(self)->Callback(in, out, frames, info, flags);
    }
};

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const bool wholeRing = argc > 2 && std::string(argv[2]) == "whole-ring";
    const int framesPerCall = wholeRing ? 880 : SoundDriver::FramesPerBuffer;
    const int lead = wholeRing ? 0 : SoundDriver::LeadFrames;
    if (Pa_Initialize() != paNoError) {
        std::printf("audio latency: skipped, the sound library does not start here\n");
        return 0;
    }
    const int device = Pa_GetDefaultOutputDevice();
    const PaDeviceInfo* info = device >= 0 ? Pa_GetDeviceInfo(device) : nullptr;
    if (!info) {
        std::printf("audio latency: skipped, no sound output device here "
                    "(an ALSA null output: ALSA_CONFIG_PATH=tests/qt/alsa-null.conf)\n");
        Pa_Terminate();
        return 0;
    }
    const std::string name = info->name ? info->name : "";
    auto bench = std::make_unique<Bench>();
    bench->driver.SetLeadFrames(lead);
    bench->driver.Resume();
    PaStreamParameters out{};
    out.device = device;
    out.channelCount = 2;
    out.sampleFormat = paInt16;
    out.suggestedLatency = info->defaultLowOutputLatency;
    if (Pa_OpenStream(&bench->stream, nullptr, &out, SoundDriver::SampleRate, framesPerCall,
                      paClipOff | paDitherOff, &Bench::Trampoline, bench.get()) != paNoError) {
        std::printf("audio latency: skipped, no stream opens on device %d (%s)\n", device, info->name);
        Pa_Terminate();
        return 0;
    }
    if (const PaStreamInfo* si = Pa_GetStreamInfo(bench->stream)) bench->hostLatency = si->outputLatency;
    // The ring that fills before the stream starts drains in the first 0.1 s.
    bench->countFrom = Now() + 1.0;
    Pa_StartStream(bench->stream);

    // The CPU timer: a slice every paced period, skipped while the driver is
    // ahead; every 50th slice run toggles the speaker at its first cycle.
    const double period = SoundDriver::PacedSlicePeriodMicroseconds * 1e-6;
    const double begin = Now();
    double next = begin;
    int slices = 0, skipped = 0;
    bool on = false;
    while (Now() - begin < seconds + 1.0) {
        next += period;
        SleepUntil(next);
        if (bench->driver.MixSlice()) {
            ++skipped;
            continue;
        }
        if (++slices % 50 == 0) {
            on = !on;
            std::lock_guard lk(bench->m);
            bench->toggles.push_back(Now());
            bench->driver.SetLevel(0, on ? 1 : 0, 0);
        }
    }
    Pa_StopStream(bench->stream);
    Pa_CloseStream(bench->stream);
    Pa_Terminate();

    std::vector<double> l;
    {
        std::lock_guard lk(bench->m);
        l = bench->latencies;
    }
    std::printf("audio latency on device %d (%s)%s\n", device, name.c_str(),
                bench->paced ? ", a device faster than real time, paced here" : "");
    std::printf("  device call %d frames, lead %d frames, host output latency %.1f ms\n",
                framesPerCall, lead, bench->hostLatency * 1000);
    if (l.empty()) {
        std::printf("  no speaker change reached the output\n");
        return 0;
    }
    double sum = 0, worst = 0;
    for (double v : l) {
        sum += v;
        worst = std::max(worst, v);
    }
    std::printf("  speaker change to output: mean %.1f ms, worst %.1f ms over %zu changes (goal: within 40 ms)\n",
                sum / double(l.size()) * 1000, worst * 1000, l.size());
    std::printf("  %d slices run, %d ticks skipped, %d device calls short of sound\n", slices, skipped,
                bench->underruns.load());
    return 0;
}
