#include "machine/sndif/Mif85.h"

#include <cstring>

Mif85::Mif85() : chip(newSAASND()) { SAASNDSetSoundParameters(chip, Saa1099::kParam44100Stereo16); }

Mif85::~Mif85() { deleteSAASND(chip); }

void Mif85::WritePort(uint8_t port, uint8_t value, int32_t cycles) {
    (void)cycles;
    switch (port) {
        case 0xEC: interruptEnable = value & 1; break;
        case 0xEE:
            SAASNDWriteData(chip, value);
            registers[address] = value;
            break;
        case 0xEF:
            SAASNDWriteAddress(chip, value);
            address = value & 0x1F;
            break;
        default: break;
    }
}

uint8_t Mif85::ReadPort(uint8_t port, int32_t cycles) {
    (void)port;
    (void)cycles;
    return 0xFF;
}

void Mif85::Reset(int32_t cycles) {
    (void)cycles;
    interruptEnable = 0;
    SAASNDClear(chip);
    std::memset(registers, 0, sizeof registers);
    address = 0;
}

void Mif85::GenerateSamples(int16_t* buffer, int frames) {
    if (frames > 0) SAASNDGenerateMany(chip, buffer, static_cast<unsigned long>(frames));
}

int Mif85::GetRegisters(uint8_t* buffer) const {
    if (buffer) std::memcpy(buffer, registers, sizeof registers);
    return kRegisterCount;
}

void Mif85::SetRegisters(const uint8_t* values, uint8_t enable) {
    if (values) {
        std::memcpy(registers, values, sizeof registers);
        for (int i = 0; i < kRegisterCount; ++i) {
            SAASNDWriteAddress(chip, static_cast<uint8_t>(i));
            SAASNDWriteData(chip, registers[i]);
        }
        address = kRegisterCount - 1;
    }
    interruptEnable = enable ? 1 : 0;
}
