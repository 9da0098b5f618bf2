#include "machine/sound/SoundDriver.h"
#include "machine/sound/SoundLibrary.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

void Put16(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

void Put32(uint8_t* p, uint32_t v) {
    Put16(p, v);
    Put16(p + 2, v >> 16);
}

void MakeWaveHeader(uint8_t* h, uint32_t riffSize, uint32_t dataSize) {
    std::memcpy(h + 0, "RIFF", 4);
    Put32(h + 4, riffSize);
    std::memcpy(h + 8, "WAVE", 4);
    std::memcpy(h + 12, "fmt ", 4);
    Put32(h + 16, 16);
    Put16(h + 20, 1);  // PCM
    Put16(h + 22, 2);  // channels
    Put32(h + 24, SoundDriver::SampleRate);
    Put32(h + 28, SoundDriver::SampleRate * 4);
    Put16(h + 32, 4);   // block align
    Put16(h + 34, 16);  // bits per sample
    std::memcpy(h + 36, "data", 4);
    Put32(h + 40, dataSize);
}

// The RIFF sizes are 32-bit: appending stops before the file passes 4 GB.
constexpr int64_t kMaxWaveData = (int64_t(0xFFFFFFFF) - SoundDriver::WaveHeaderSize) & ~int64_t(3);

}  // namespace

SoundDriver::SoundDriver(int deviceIndex, int channelCount, std::span<const int> volumes) {
    Init(channelCount);
    if (!SoundLibraryReady()) return;
    int count = Pa_GetDeviceCount();
    if (deviceIndex < 0 || deviceIndex >= count) return;
    const PaDeviceInfo* info = Pa_GetDeviceInfo(deviceIndex);
    if (!info) return;
    PaStreamParameters out{};
    out.device = deviceIndex;
    out.channelCount = 2;
    out.sampleFormat = paInt16;
    out.suggestedLatency = info->defaultLowOutputLatency;
    out.hostApiSpecificStreamInfo = nullptr;
    PaStream* stream = nullptr;
    PaError err = Pa_OpenStream(&stream, nullptr, &out, SampleRate, FramesPerBuffer,
                                paClipOff | paDitherOff, &SoundDriver::StreamCallback, this);
    if (err != paNoError || !stream) return;
    stream_ = stream;
    streamOpen_ = true;
    SetVolumes(volumes);
    startPending_ = true;
    leadFrames_ = LeadFrames;
}

SoundDriver::SoundDriver(NoDeviceTag, int channelCount, std::span<const int> volumes) {
    Init(channelCount);
    noDevice_ = true;
    streamOpen_ = true;
    SetVolumes(volumes);
    startPending_ = true;
}

void SoundDriver::Init(int channelCount) {
    channelCount_ = std::max(channelCount, 0);
    channels_.assign(size_t(channelCount_), Channel{});
    ring_.assign(size_t(RingFrames) * 2, 0);
}

SoundDriver::~SoundDriver() {
    if (stream_) {
        std::lock_guard lk(streamMutex_);
        Pa_AbortStream(stream_);
        Pa_CloseStream(stream_);
        stream_ = nullptr;
    }
    StopWaveRecording();
}

void SoundDriver::SetLevel(int channel, int on, int32_t cycles) {
    if (!streamOpen_ || channel < 0 || channel >= channelCount_) return;
    std::lock_guard lk(soundMutex_);
    Channel& ch = channels_[size_t(channel)];
    int16_t level = on == 1 ? ch.amplitude : int16_t(0);
    if (level == ch.lastLevel) return;
    // A clock before the slice start (never expected) counts as frame 0.
    int64_t pos64 = int64_t(std::max<int32_t>(cycles, 0)) * SliceFrames / SliceCycles;
    int pos = int(std::min<int64_t>(pos64, SliceFrames));
    for (int i = ch.fillPos; i < pos; ++i) {
        ch.buffer[2 * i] = ch.currentLevel;
        ch.buffer[2 * i + 1] = ch.currentLevel;
    }
    if (pos < SliceFrames) {
        ch.buffer[2 * pos] = level;
        ch.buffer[2 * pos + 1] = level;
    }
    ch.fillPos = pos + 1;
    ch.currentLevel = ch.lastLevel = level;
}

void SoundDriver::SetGenerator(SoundGenerator generator) {
    std::lock_guard lk(soundMutex_);
    generator_ = generator;
}

int SoundDriver::BufferedLocked() const {
    return ringFull_ ? RingFrames : (writePos_ - readPos_ + RingFrames) % RingFrames;
}

bool SoundDriver::MixSlice() {
    if (!streamOpen_) return false;
    bool start = false;
    bool skip = false;
    {
        std::lock_guard lk(soundMutex_);
        // Room up to the read pointer: the device may take any number of
        // frames per callback, not only whole slices.
        if (leadFrames_ > 0 && !startPending_ && BufferedLocked() >= leadFrames_) {
            skip = true;  // far enough ahead of the running device
        } else if (RingFrames - BufferedLocked() < SliceFrames) {
            skip = true;
            // A ring left (almost) full by a pause: start the stream to drain it.
            if (startPending_) {
                startPending_ = false;
                start = true;
            }
        } else {
            MixIntoRing();
            if (RingFrames - BufferedLocked() < SliceFrames && startPending_) {
                startPending_ = false;
                start = true;
            }
        }
    }
    if (start) {
        std::lock_guard lk(streamMutex_);
        if (StreamStopped()) StartStream();
    }
    return skip;
}

void SoundDriver::MixIntoRing() {
    if (generator_ && channelCount_ > 2) {
        Channel& ch = channels_[2];
        generator_(ch.buffer, SliceFrames);
        ch.fillPos = SliceFrames;
        for (int16_t& s : ch.buffer) s = int16_t(int32_t(s) * ch.amplitude / 16384);
    }
    for (Channel& ch : channels_) {
        for (int i = std::max(ch.fillPos, 0); i < SliceFrames; ++i) {
            ch.buffer[2 * i] = ch.currentLevel;
            ch.buffer[2 * i + 1] = ch.currentLevel;
        }
        ch.fillPos = 0;
    }

    int16_t* dst = &ring_[size_t(writePos_) * 2];
    for (int i = 0; i < SliceFrames * 2; ++i) {
        int32_t sum = 0;
        for (const Channel& ch : channels_) sum += ch.buffer[i];
        // Clipped: a wrapped sum would flip sign and crackle.
        dst[i] = int16_t(std::clamp(sum, int32_t(-32768), int32_t(32767)));
    }

    if (wave_) AppendWave(dst);

    writePos_ += SliceFrames;
    if (writePos_ >= RingFrames) writePos_ = 0;
    if (writePos_ == readPos_) ringFull_ = true;
}

void SoundDriver::SetLeadFrames(int frames) {
    std::lock_guard lk(soundMutex_);
    leadFrames_ = std::clamp(frames, 0, RingFrames);
}

int SoundDriver::GetLeadFrames() const {
    std::lock_guard lk(soundMutex_);
    return leadFrames_;
}

void SoundDriver::SetVolumesLocked(std::span<const int> volumes) {
    for (int i = 0; i < channelCount_; ++i) {
        int v = size_t(i) < volumes.size() ? std::clamp(volumes[size_t(i)], 0, 100) : 0;
        int16_t a = int16_t(int64_t(v) * 32767 / (int64_t(channelCount_) * 100));
        channels_[size_t(i)].amplitude = channels_[size_t(i)].savedAmplitude = a;
    }
}

void SoundDriver::SetVolumes(std::span<const int> volumes) {
    if (!streamOpen_) return;
    std::lock_guard lk(soundMutex_);
    SetVolumesLocked(volumes);
}

void SoundDriver::Mute() {
    if (!streamOpen_) return;
    std::lock_guard lk(soundMutex_);
    for (Channel& ch : channels_) ch.amplitude = 0;
}

void SoundDriver::Unmute() {
    if (!streamOpen_) return;
    std::lock_guard lk(soundMutex_);
    for (Channel& ch : channels_) ch.amplitude = ch.savedAmplitude;
}

int16_t SoundDriver::Amplitude(int channel) const {
    if (channel < 0 || channel >= channelCount_) return 0;
    std::lock_guard lk(soundMutex_);
    return channels_[size_t(channel)].amplitude;
}

bool SoundDriver::StreamActive() {
    if (noDevice_) return noDeviceRunning_;
    return stream_ && Pa_IsStreamActive(stream_) == 1;
}

bool SoundDriver::StreamStopped() {
    if (noDevice_) return !noDeviceRunning_;
    return stream_ && Pa_IsStreamStopped(stream_) == 1;
}

void SoundDriver::StartStream() {
    if (noDevice_)
        noDeviceRunning_ = true;
    else if (stream_)
        Pa_StartStream(stream_);
}

void SoundDriver::StopStream() {
    if (noDevice_)
        noDeviceRunning_ = false;
    else if (stream_)
        Pa_StopStream(stream_);
}

void SoundDriver::Pause() {
    if (!streamOpen_) return;
    // The stream keeps running and plays silence: stopping and starting a
    // stream can take the audio system a second or more, and the machine
    // would stand still that long after every resume.
    std::lock_guard slk(soundMutex_);
    paused_ = true;
}

void SoundDriver::Resume() {
    if (!streamOpen_) return;
    std::lock_guard slk(soundMutex_);
    paused_ = false;
}

bool SoundDriver::IsPaused() const {
    std::lock_guard slk(soundMutex_);
    return paused_;
}

namespace {
constexpr size_t kWaveSliceBytes = size_t(SoundDriver::SliceFrames) * 4;
constexpr size_t kWaveBufferBytes = kWaveSliceBytes * 100;  // 0.2 s of sound

bool WriteAllAt(int fd, const uint8_t* data, size_t size, int64_t offset) {
    while (size > 0) {
        ssize_t n = ::pwrite(fd, data, size, off_t(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= size_t(n);
        offset += n;
    }
    return true;
}
}  // namespace

// Sound mutex held.
void SoundDriver::AppendWave(const int16_t* frames) {
    if (waveFailed_ || waveBytes_ + int64_t(kWaveSliceBytes) > kMaxWaveData) return;
    uint8_t* out = waveBuffer_.data() + waveBuffered_;
    for (int i = 0; i < SliceFrames * 2; ++i) Put16(&out[2 * i], uint16_t(frames[i]));
    waveBuffered_ += kWaveSliceBytes;
    waveBytes_ += int64_t(kWaveSliceBytes);
    if (waveBuffered_ + kWaveSliceBytes > waveBuffer_.size()) FlushWave();
}

// Writes the buffered samples after the header and those written before.
bool SoundDriver::FlushWave() {
    if (waveBuffered_ == 0 || waveFailed_) return !waveFailed_;
    const int64_t at = WaveHeaderSize + waveBytes_ - int64_t(waveBuffered_);
    if (!WriteAllAt(wave_->Fd(), waveBuffer_.data(), waveBuffered_, at)) waveFailed_ = true;
    waveBuffered_ = 0;
    return !waveFailed_;
}

bool SoundDriver::StartWaveRecording(const std::string& path) {
    if (!streamOpen_ || path.empty()) return false;
    {
        std::lock_guard lk(soundMutex_);
        if (wave_) return false;
    }
    auto file = std::make_unique<FileReplacement>();
    if (!file->Begin(path)) return false;
    uint8_t header[WaveHeaderSize];
    MakeWaveHeader(header, 0, 0);
    if (!WriteAllAt(file->Fd(), header, sizeof header, 0)) return false;  // the temporary file goes
    std::lock_guard lk(soundMutex_);
    if (wave_) return false;  // another start won meanwhile
    waveBuffer_.assign(kWaveBufferBytes, 0);
    waveBuffered_ = 0;
    waveBytes_ = 0;
    waveFailed_ = false;
    wave_ = std::move(file);
    return true;
}

bool SoundDriver::StopWaveRecording() {
    std::unique_ptr<FileReplacement> file;
    bool ok;
    int64_t bytes;
    {
        std::lock_guard lk(soundMutex_);
        if (!wave_) return false;
        ok = FlushWave();
        bytes = waveBytes_;
        file = std::move(wave_);
        waveBuffer_.clear();
        waveBuffer_.shrink_to_fit();
    }
    const int64_t size = WaveHeaderSize + bytes;
    uint8_t header[WaveHeaderSize];
    MakeWaveHeader(header, uint32_t(size - 8), uint32_t(size - WaveHeaderSize));
    ok = ok && WriteAllAt(file->Fd(), header, sizeof header, 0);
    return file->Commit(ok);
}

bool SoundDriver::IsRecording() const {
    std::lock_guard lk(soundMutex_);
    return wave_ != nullptr;
}

int SoundDriver::BufferedFrames() const {
    std::lock_guard lk(soundMutex_);
    return BufferedLocked();
}

void SoundDriver::FillOutput(int16_t* output, unsigned long frameCount) {
    if (!streamOpen_ || !output || frameCount == 0) return;
    std::lock_guard lk(soundMutex_);
    // Paused, or not yet filled once: silence, and the ring keeps what it
    // holds for the run that follows.
    if (paused_ || (startPending_ && !ringFull_)) {
        std::memset(output, 0, size_t(frameCount) * 4);
        return;
    }
    unsigned long avail = unsigned(BufferedLocked());
    unsigned long n = std::min(avail, frameCount);
    unsigned long done = 0;
    while (done < n) {
        unsigned long chunk = std::min<unsigned long>(n - done, unsigned(RingFrames - readPos_));
        std::memcpy(output + done * 2, &ring_[size_t(readPos_) * 2], chunk * 4);
        done += chunk;
        readPos_ += int(chunk);
        if (readPos_ >= RingFrames) readPos_ = 0;
    }
    if (n > 0) {
        lastFrame_[0] = output[(n - 1) * 2];
        lastFrame_[1] = output[(n - 1) * 2 + 1];
    }
    for (unsigned long i = n; i < frameCount; ++i) {
        output[i * 2] = lastFrame_[0];
        output[i * 2 + 1] = lastFrame_[1];
    }
    ringFull_ = false;
}

int SoundDriver::StreamCallback(const void*, void* output, unsigned long frameCount,
                                const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags,
                                void* userData) {
    if (output && frameCount && userData)
        static_cast<SoundDriver*>(userData)->FillOutput(static_cast<int16_t*>(output), frameCount);
    return paContinue;
}
