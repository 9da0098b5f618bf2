#pragma once
// MIF 85 sound interface: an SAA1099 behind ports ECh-EFh, with an
// interrupt-enable bit that lets counter 0 of the timer interface interrupt
// the CPU. Keeps a mirror of the 32 chip registers for snapshots and renders
// the chip into sound channel 2 once per slice.
//
//   ECh  write: bit 0 interrupt enable
//   EEh  write: data to the selected register
//   EFh  write: register address (taken modulo 32)
// Every read gives FFh.

#include <cstdint>

#include "machine/core/PeripheralDevice.h"
#include "machine/sndif/Saa1099.h"

class Mif85 : public PeripheralDevice {
public:
    static constexpr int kChannelCount = 3;  // sound driver channels with the MIF 85
    static constexpr int kRegisterCount = 32;

    Mif85();
    ~Mif85() override;
    Mif85(const Mif85&) = delete;
    Mif85& operator=(const Mif85&) = delete;

    void WritePort(uint8_t port, uint8_t value, int32_t cycles) override;
    uint8_t ReadPort(uint8_t port, int32_t cycles) override;
    // Interrupt enable 0, chip cleared, mirror and address 0.
    void Reset(int32_t cycles) override;

    // The timer interface's interrupt hook.
    uint8_t IsEnabled() { return interruptEnable; }
    // The sound driver's generator of channel 2.
    void GenerateSamples(int16_t* buffer, int frames);

    // Copies the mirror into buffer when given; returns 32.
    int GetRegisters(uint8_t* buffer) const;
    // With registers: mirror them and write each to the chip in order 0-31
    // (address, then data); then the interrupt enable.
    void SetRegisters(const uint8_t* registers, uint8_t enable);

    uint8_t GetAddress() const { return address; }
    Saa1099& Chip() { return *chip; }

private:
    SAASND chip;
    uint8_t interruptEnable = 0;
    uint8_t registers[kRegisterCount] = {};
    uint8_t address = 0;
};
