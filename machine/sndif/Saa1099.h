#pragma once
// Philips SAA1099 sound generator: six tone generators (8-bit frequency,
// 3-bit octave), per-channel 4-bit left and right amplitudes, two noise
// generators and two envelope generators (on channels 2 and 5), clocked at
// 8 MHz and rendered as 44,100 Hz 16-bit stereo.
//
// The output is taken after the card's coupling capacitor: a tone or noise
// line swings between +level and -level, a silent or held channel gives 0.
// Each output sample is the average of the chip's output over the sample's
// time, so edges inside a sample land at their fraction.

#include <cstdint>

class Saa1099 {
public:
    static constexpr int64_t kClockHz = 8000000;
    static constexpr int64_t kSampleRate = 44100;
    // Output scale: a channel's level is amplitude (0-15) x 16 steps, and the
    // six channels at full amplitude together (kFullSteps) reach kFullScale,
    // the full scale the mixer expects of its sound-interface channel. So a
    // step is kFullScale / kFullSteps, and the chip with every channel at
    // full level fills the interface channel's share of the mix and no more.
    static constexpr int32_t kFullScale = 16384;
    static constexpr int32_t kFullSteps = 6 * 15 * 16;
    // Parameter word: 44,100 Hz, 16-bit, stereo frames (the only format made).
    static constexpr uint32_t kParam44100Stereo16 = 0x13F;

    // Register addresses.
    enum : uint8_t {
        kRegAmplitude0 = 0x00,  // 00h-05h: bits 0-3 left, 4-7 right
        kRegFrequency0 = 0x08,  // 08h-0Dh
        kRegOctave01 = 0x10,    // 10h-12h: bits 0-2 even channel, 4-6 odd channel
        kRegToneEnable = 0x14,  // bits 0-5
        kRegNoiseEnable = 0x15, // bits 0-5
        kRegNoiseClock = 0x16,  // bits 0-1 noise 0, 4-5 noise 1
        kRegEnvelope0 = 0x18,   // 18h, 19h
        kRegControl = 0x1C,     // bit 0 sound on, bit 1 reset and hold the generators
    };

    Saa1099();

    void SetSoundParameters(uint32_t parameters);
    void WriteAddress(uint8_t value);
    void WriteData(uint8_t value);
    // frames stereo frames, left and right interleaved.
    void Generate(int16_t* buffer, unsigned long frames);
    // Power-on state: every register 0, generators reset, silent.
    void Clear();

    uint8_t Register(int address) const { return regs[address & 0x1F]; }
    // Envelope generator g (0, 1) level on side 0 left / 1 right, 0-15, as it
    // scales its channel now; 16 while the envelope is off.
    int EnvelopeLevel(int g, int side) const;
    // Period of tone generator ch in 8 MHz clocks (both half periods).
    int64_t TonePeriodClocks(int ch) const { return 2 * HalfPeriodClocks(ch); }

private:
    struct Tone {
        uint8_t level = 0;      // 0/1
        int64_t remaining = 0;  // time units to the next edge
    };
    struct Noise {
        uint32_t lfsr = 1;
        int64_t remaining = 0;
    };
    struct Envelope {
        uint8_t control = 0;      // register in force
        uint8_t buffered = 0;     // written, waiting for the end of the period
        uint8_t hasBuffered = 0;
        int step = 0;             // position inside the shape
        uint8_t ended = 0;        // a single shape has run out
    };

    int64_t HalfPeriodClocks(int ch) const;
    int64_t NoiseClocks(int n) const;
    void ToneEdge(int ch);
    void NoiseStep(int n);
    void EnvelopeClock(int g);
    void WriteEnvelope(int g, uint8_t value);
    void RestartGenerators();
    int EnvelopeRaw(int g) const;
    // Channel value on each side in steps (signed).
    void ChannelValues(int32_t& left, int32_t& right) const;

    uint8_t regs[32] = {};
    uint8_t address = 0;
    Tone tone[6];
    Noise noise[2];
    Envelope env[2];
    uint32_t parameters = kParam44100Stereo16;
};

// The calls of the sound generator library, over Saa1099.
using SAASND = Saa1099*;
SAASND newSAASND();
void deleteSAASND(SAASND chip);
void SAASNDSetSoundParameters(SAASND chip, uint32_t parameters);
void SAASNDWriteAddress(SAASND chip, uint8_t value);
void SAASNDWriteData(SAASND chip, uint8_t value);
// frames stereo frames of interleaved signed 16-bit left and right samples.
void SAASNDGenerateMany(SAASND chip, int16_t* buffer, unsigned long frames);
void SAASNDClear(SAASND chip);
