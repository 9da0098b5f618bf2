#include "machine/sndif/Saa1099.h"

#include <algorithm>
#include <iterator>

namespace {
// Time is counted in units of 1 / (8 MHz x 44,100 Hz): a chip clock is 44,100
// units and an output sample 8,000,000, so every edge falls on a whole unit.
constexpr int64_t kUnitsPerClock = Saa1099::kSampleRate;
constexpr int64_t kUnitsPerSample = Saa1099::kClockHz;

bool SingleShape(int mode) { return mode == 2 || mode == 4 || mode == 6; }
int ShapePeriod(int mode) { return mode == 4 || mode == 5 ? 32 : 16; }
}  // namespace

Saa1099::Saa1099() { Clear(); }

void Saa1099::SetSoundParameters(uint32_t value) { parameters = value; }

void Saa1099::Clear() {
    std::fill(std::begin(regs), std::end(regs), uint8_t(0));
    address = 0;
    for (Envelope& e : env) e = Envelope{};
    for (Noise& n : noise) n.lfsr = 1;
    RestartGenerators();
}

int64_t Saa1099::HalfPeriodClocks(int ch) const {
    // f = 8 MHz x 2^octave / (512 x (511 - N)): half a period is
    // 256 x (511 - N) / 2^octave clocks, always a whole number.
    int n = regs[kRegFrequency0 + ch];
    int octave = (regs[kRegOctave01 + ch / 2] >> ((ch & 1) * 4)) & 7;
    return int64_t(511 - n) << (8 - octave);
}

int64_t Saa1099::NoiseClocks(int n) const {
    // 31.25, 15.6 and 7.8 kHz; selection 3 follows a tone generator instead.
    int sel = (regs[kRegNoiseClock] >> (n * 4)) & 3;
    return int64_t(256) << (sel == 3 ? 0 : sel);
}

void Saa1099::RestartGenerators() {
    for (int ch = 0; ch < 6; ++ch) {
        tone[ch].level = 0;
        tone[ch].remaining = HalfPeriodClocks(ch) * kUnitsPerClock;
    }
    for (int n = 0; n < 2; ++n) noise[n].remaining = NoiseClocks(n) * kUnitsPerClock;
}

void Saa1099::WriteAddress(uint8_t value) {
    address = value & 0x1F;
    // An envelope on the external clock steps with every address write.
    for (int g = 0; g < 2; ++g)
        if (env[g].control & 0x20) EnvelopeClock(g);
}

void Saa1099::WriteData(uint8_t value) {
    const uint8_t a = address;
    if (a == kRegEnvelope0 || a == kRegEnvelope0 + 1) {
        regs[a] = value;
        WriteEnvelope(a - kRegEnvelope0, value);
        return;
    }
    if (a == kRegControl) {
        bool wasHeld = regs[a] & 2;
        regs[a] = value;
        if (wasHeld && !(value & 2)) RestartGenerators();
        return;
    }
    regs[a] = value;
}

void Saa1099::WriteEnvelope(int g, uint8_t value) {
    Envelope& e = env[g];
    // Taken at once while the envelope is off or a single shape has run
    // out; otherwise kept until the running period ends.
    if (!(e.control & 0x80) || e.ended) {
        e.control = value;
        e.step = 0;
        e.ended = 0;
        e.hasBuffered = 0;
    } else {
        e.buffered = value;
        e.hasBuffered = 1;
    }
}

void Saa1099::EnvelopeClock(int g) {
    Envelope& e = env[g];
    if (!(e.control & 0x80)) return;
    int mode = (e.control >> 1) & 7;
    if (e.ended) return;
    if (++e.step < ShapePeriod(mode)) return;
    e.step = 0;
    if (e.hasBuffered) {
        e.control = e.buffered;
        e.hasBuffered = 0;
    } else if (SingleShape(mode)) {
        e.ended = 1;
    }
}

int Saa1099::EnvelopeRaw(int g) const {
    const Envelope& e = env[g];
    if (e.ended) return 0;
    int s = e.step;
    switch ((e.control >> 1) & 7) {
        case 0: return 0;
        case 1: return 15;
        case 2:
        case 3: return 15 - (s & 15);
        case 4:
        case 5: return s < 16 ? s : 31 - s;
        default: return s & 15;
    }
}

int Saa1099::EnvelopeLevel(int g, int side) const {
    g &= 1;
    const Envelope& e = env[g];
    if (!(e.control & 0x80)) return 16;
    int level = EnvelopeRaw(g);
    if (side && (e.control & 0x01)) level = 15 - level;  // mirrored on the right
    if (e.control & 0x10) level &= 0x0E;                 // 3-bit resolution
    return level;
}

void Saa1099::ToneEdge(int ch) {
    Tone& t = tone[ch];
    t.level ^= 1;
    // A new frequency or octave takes effect from the next half period.
    t.remaining += HalfPeriodClocks(ch) * kUnitsPerClock;
    if (ch == 1 && !(env[0].control & 0x20)) EnvelopeClock(0);
    if (ch == 4 && !(env[1].control & 0x20)) EnvelopeClock(1);
    if (ch == 0 && ((regs[kRegNoiseClock] & 3) == 3)) NoiseStep(0);
    if (ch == 3 && (((regs[kRegNoiseClock] >> 4) & 3) == 3)) NoiseStep(1);
}

void Saa1099::NoiseStep(int n) {
    // 17-bit maximal-length shift register (x^17 + x^14 + 1).
    uint32_t r = noise[n].lfsr;
    uint32_t bit = (r ^ (r >> 3)) & 1;
    noise[n].lfsr = (r >> 1) | (bit << 16);
}

void Saa1099::ChannelValues(int32_t& left, int32_t& right) const {
    left = right = 0;
    const uint8_t control = regs[kRegControl];
    if (!(control & 1) || (control & 2)) return;
    const uint8_t toneOn = regs[kRegToneEnable];
    const uint8_t noiseOn = regs[kRegNoiseEnable];
    for (int ch = 0; ch < 6; ++ch) {
        bool t = (toneOn >> ch) & 1;
        bool nz = (noiseOn >> ch) & 1;
        if (!t && !nz) continue;
        bool high = (!t || tone[ch].level) && (!nz || (noise[ch / 3].lfsr & 1));
        int32_t sign = high ? 1 : -1;
        int32_t ampL = regs[ch] & 0x0F;
        int32_t ampR = regs[ch] >> 4;
        int32_t magL, magR;
        if ((ch == 2 || ch == 5) && (env[ch / 3].control & 0x80)) {
            // Under an envelope the amplitude keeps its upper three bits.
            magL = (ampL & 0x0E) * EnvelopeLevel(ch / 3, 0);
            magR = (ampR & 0x0E) * EnvelopeLevel(ch / 3, 1);
        } else {
            magL = ampL * 16;
            magR = ampR * 16;
        }
        left += sign * magL;
        right += sign * magR;
    }
}

void Saa1099::Generate(int16_t* buffer, unsigned long frames) {
    if (!buffer) return;
    if (regs[kRegControl] & 2) {  // generators held in reset: no output
        std::fill(buffer, buffer + 2 * frames, int16_t(0));
        return;
    }
    for (unsigned long f = 0; f < frames; ++f) {
        int64_t left = 0, right = 0;
        int64_t t = kUnitsPerSample;
        for (;;) {
            int64_t dt = t;
            for (const Tone& tn : tone) dt = std::min(dt, tn.remaining);
            for (const Noise& nz : noise) dt = std::min(dt, nz.remaining);
            if (dt > 0) {
                int32_t l, r;
                ChannelValues(l, r);
                left += int64_t(l) * dt;
                right += int64_t(r) * dt;
                for (Tone& tn : tone) tn.remaining -= dt;
                for (Noise& nz : noise) nz.remaining -= dt;
                t -= dt;
            }
            for (int ch = 0; ch < 6; ++ch)
                if (tone[ch].remaining <= 0) ToneEdge(ch);
            for (int n = 0; n < 2; ++n)
                if (noise[n].remaining <= 0) {
                    noise[n].remaining += NoiseClocks(n) * kUnitsPerClock;
                    if (((regs[kRegNoiseClock] >> (n * 4)) & 3) != 3) NoiseStep(n);
                }
            // Edges at the sample's very end are done; the next sample
            // starts after them.
            if (t <= 0) break;
        }
        // Steps x time into output units, rounded toward zero; at most
        // kFullScale, so the clamp never acts.
        constexpr int64_t kDivisor = kUnitsPerSample * kFullSteps;
        buffer[2 * f] = int16_t(std::clamp<int64_t>(left * kFullScale / kDivisor, -32768, 32767));
        buffer[2 * f + 1] = int16_t(std::clamp<int64_t>(right * kFullScale / kDivisor, -32768, 32767));
    }
}

SAASND newSAASND() { return new Saa1099(); }

void deleteSAASND(SAASND chip) { delete chip; }

void SAASNDSetSoundParameters(SAASND chip, uint32_t parameters) {
    if (chip) chip->SetSoundParameters(parameters);
}

void SAASNDWriteAddress(SAASND chip, uint8_t value) {
    if (chip) chip->WriteAddress(value);
}

void SAASNDWriteData(SAASND chip, uint8_t value) {
    if (chip) chip->WriteData(value);
}

void SAASNDGenerateMany(SAASND chip, int16_t* buffer, unsigned long frames) {
    if (chip) chip->Generate(buffer, frames);
}

void SAASNDClear(SAASND chip) {
    if (chip) chip->Clear();
}
