#pragma once
#include <portaudio.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "common/Files.h"
#include "machine/core/Closure.h"
#include "machine/core/SoundSink.h"

// Fills `frames` stereo frames of 16-bit signed samples, left and right
// interleaved (2 x frames values). The generator of channel 2.
using SoundGenerator = Closure<void(int16_t* samples, int frames)>;

// Turns the level changes of the sound lines into 16-bit stereo PCM at
// 44100 Hz, mixes one CPU slice at a time into an output ring that the audio
// device drains, and records the mix to a WAV file on request.
//
// Channels: 0 speaker, 1 tape, 2 sound interface, 3-5 Musica counters 0-2.
//
// Pacing. While a stream is open the audio device sets the emulation speed:
// MixSlice returns true while the ring is full and the caller then skips the
// slice. A slice gives 88 frames, 2 ms of the device take 88.2, so a 2 ms CPU
// timer would never fill the ring and the device would run dry. With a stream
// open (IsStreamOpen) the CPU timer must therefore run at
// SlicePeriodMicroseconds() = PacedSlicePeriodMicroseconds (1800 us: 48889
// frames/s offered against 44100 drained, a margin that also covers ticks a
// loaded machine drops); the full ring then skips the surplus ticks, so the
// average slice rate is the device's 44100 / 88. Without a stream it is the
// plain 2000 us and the timer alone sets the pace. BufferedFrames tells how
// much mixed sound waits for the device.
//
// Latency. A full ring is 100 ms of sound ahead of the device. Once the
// stream runs, a driver with a lead (LeadFrames, set for every device
// stream) skips the slice while that much mixed sound already waits, so a
// level change reaches the device within the lead plus a slice, and the
// device takes FramesPerBuffer frames per call. The ring still fills whole
// before the stream first starts.
//
// Threads: SetLevel and MixSlice run on the CPU thread, FillOutput on the
// audio callback thread; SoundMutex guards channel buffers, ring and flags.
// Pause/Resume/SetVolumes/Mute/Unmute and the WAV calls may come from the
// user-interface thread. No PortAudio call is made while SoundMutex is held.
class SoundDriver {
public:
    static constexpr int SampleRate = 44100;
    static constexpr int SliceCycles = 4096;
    static constexpr int SliceFrames = 88;
    static constexpr int RingSlices = 50;
    static constexpr int RingFrames = SliceFrames * RingSlices;  // 4400
    // Frames the device takes per call (5.8 ms: the host's buffer follows it).
    static constexpr int FramesPerBuffer = 256;
    // Mixed sound kept ahead of a running device stream: 8 slices (16 ms), a
    // margin of about 10 ms of late CPU ticks over one device call.
    static constexpr int LeadFrames = 8 * SliceFrames;
    static constexpr int WaveHeaderSize = 44;
    static constexpr int UnpacedSlicePeriodMicroseconds = 2000;
    static constexpr int PacedSlicePeriodMicroseconds = 1800;

    // Opens an output stream on PortAudio device deviceIndex (the library
    // must be initialised). volumes: percent 0..100 per channel; missing
    // entries count as 0. When the stream cannot be opened the driver is
    // silent and every operation does nothing.
    SoundDriver(int deviceIndex, int channelCount, std::span<const int> volumes);

    // A driver whose stream counts as open but has no device: mixing, ring,
    // pacing and recording work, and the owner calls FillOutput itself.
    struct NoDeviceTag {};
    static constexpr NoDeviceTag NoDevice{};
    SoundDriver(NoDeviceTag, int channelCount, std::span<const int> volumes);

    // Aborts the stream and finishes a WAV recording.
    ~SoundDriver();
    SoundDriver(const SoundDriver&) = delete;
    SoundDriver& operator=(const SoundDriver&) = delete;

    bool IsStreamOpen() const { return streamOpen_; }
    int ChannelCount() const { return channelCount_; }
    // The CPU timer period that keeps the ring filled (see above).
    int SlicePeriodMicroseconds() const {
        return streamOpen_ ? PacedSlicePeriodMicroseconds : UnpacedSlicePeriodMicroseconds;
    }

    // The level writer: channel's level becomes its amplitude when on is
    // exactly 1, else 0, from slice clock `cycles` (0..4095) on.
    void SetLevel(int channel, int on, int32_t cycles);
    // SetLevel bound to this driver, for the devices.
    SoundLevelSink LevelSink() { return MakeClosure<&SoundDriver::SetLevel>(this); }

    // The generator of channel 2 (an empty closure removes it).
    void SetGenerator(SoundGenerator generator);

    // Mixes the slice before; true when the ring is full, or when the lead
    // is reached while the stream runs (skip the slice).
    bool MixSlice();
    // Frames of mixed sound kept ahead of the running device; 0: the ring
    // fills whole. Device streams start with LeadFrames, NoDevice with 0.
    void SetLeadFrames(int frames);
    int GetLeadFrames() const;

    void SetVolumes(std::span<const int> volumes);
    void Mute();
    void Unmute();
    int16_t Amplitude(int channel) const;

    // Pause makes the device play silence, keeping the stream running and
    // the ring's contents; Resume lets the device play the ring again, so
    // the slices go on at once. The stream itself starts when the ring
    // first fills.
    void Pause();
    void Resume();
    bool IsPaused() const;

    // Starts recording to a WAV file at path. The sound goes to a temporary
    // file in path's folder; an existing file at path stays as it is until the
    // recording is stopped. False when the stream is not open, a recording
    // runs or the temporary file cannot be created.
    bool StartWaveRecording(const std::string& path);
    // Completes the header and renames the recording over path. False when
    // none was open, or when a write, the header or the rename failed (the
    // recording is then dropped and a file at path stays as it was).
    bool StopWaveRecording();
    bool IsRecording() const;

    // Mixed frames not yet handed to the device (RingFrames when full).
    int BufferedFrames() const;

    // Device output: frameCount stereo frames to output (interleaved).
    void FillOutput(int16_t* output, unsigned long frameCount);

    static int StreamCallback(const void* input, void* output, unsigned long frameCount,
                              const PaStreamCallbackTimeInfo* timeInfo,
                              PaStreamCallbackFlags statusFlags, void* userData);

private:
    struct Channel {
        int16_t amplitude = 0;
        int16_t savedAmplitude = 0;
        int16_t buffer[SliceFrames * 2] = {};
        int16_t currentLevel = 0;
        int16_t lastLevel = 0;
        int32_t fillPos = 0;
    };

    void Init(int channelCount);
    void SetVolumesLocked(std::span<const int> volumes);
    // Frames mixed and not yet played (sound mutex held).
    int BufferedLocked() const;
    void MixIntoRing();
    bool StreamActive();
    bool StreamStopped();
    void StartStream();
    void StopStream();

    mutable std::mutex soundMutex_;  // SoundMutex
    std::mutex streamMutex_;         // serialises the stream calls
    bool streamOpen_ = false;
    bool noDevice_ = false;
    bool noDeviceRunning_ = false;
    std::vector<int16_t> ring_;  // RingFrames stereo frames
    int writePos_ = 0;           // frames
    int readPos_ = 0;
    int16_t lastFrame_[2] = {0, 0};
    bool startPending_ = false;
    bool paused_ = false;  // the device gets silence
    bool ringFull_ = false;
    int leadFrames_ = 0;
    PaStream* stream_ = nullptr;
    int channelCount_ = 0;
    std::vector<Channel> channels_;
    SoundGenerator generator_;
    void AppendWave(const int16_t* frames);
    bool FlushWave();
    std::unique_ptr<FileReplacement> wave_;
    int64_t waveBytes_ = 0;  // sample bytes appended
    bool waveFailed_ = false;
    std::vector<uint8_t> waveBuffer_;  // samples not yet written, capacity kept
    size_t waveBuffered_ = 0;
};
