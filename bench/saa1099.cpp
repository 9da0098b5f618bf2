// Prints how fast the SAA1099 renders: seconds of 44,100 Hz stereo sound per
// second of host time, for a quiet chip and for all six channels with
// high tones, both noises and both envelopes.
#include <chrono>
#include <cstdio>
#include <vector>

#include "machine/sndif/Saa1099.h"

namespace {
void Set(SAASND chip, uint8_t reg, uint8_t value) {
    SAASNDWriteAddress(chip, reg);
    SAASNDWriteData(chip, value);
}

double Run(SAASND chip, int seconds) {
    std::vector<int16_t> slice(88 * 2);
    const int slices = seconds * 44100 / 88;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < slices; ++i) SAASNDGenerateMany(chip, slice.data(), 88);
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return seconds / took;
}
}  // namespace

int main() {
    SAASND chip = newSAASND();
    SAASNDSetSoundParameters(chip, Saa1099::kParam44100Stereo16);
    Set(chip, 0x1C, 0x01);
    std::printf("quiet chip:   %8.1f x real time\n", Run(chip, 20));
    for (int ch = 0; ch < 6; ++ch) {
        Set(chip, uint8_t(ch), 0xFF);
        Set(chip, uint8_t(0x08 + ch), uint8_t(200 + ch * 9));
    }
    Set(chip, 0x10, 0x77);
    Set(chip, 0x11, 0x77);
    Set(chip, 0x12, 0x77);
    Set(chip, 0x14, 0x3F);
    Set(chip, 0x15, 0x3F);
    Set(chip, 0x16, 0x00);
    Set(chip, 0x18, 0x8A);
    Set(chip, 0x19, 0x8C);
    std::printf("busy chip:    %8.1f x real time\n", Run(chip, 20));
    deleteSAASND(chip);
    return 0;
}
