#pragma once
#include <cstdint>

#include "machine/core/Closure.h"
#include "machine/core/PeripheralDevice.h"
#include "machine/pio/ChipPIO8255.h"

// General-purpose parallel interface at ports 4Ch-4Fh. Peripherals attach to
// the embedded chip's hooks directly and drive its pins through the
// forwarding operations; two reset slots let them act around the chip's reset.
class IifGPIO : public PeripheralDevice {
public:
    // Called with the cycles of the reset.
    using ResetHook = Closure<void(int32_t cycles)>;
    enum : int { kBefore = 0, kAfter = 1 };

    IifGPIO();
    ~IifGPIO() override;

    void WritePort(uint8_t port, uint8_t value, int32_t cycles) override;
    uint8_t ReadPort(uint8_t port, int32_t cycles) override;
    // Before-hooks of slots 0 and 1, the chip's reset (hooks kept), then the
    // after-hooks of slots 0 and 1.
    void Reset(int32_t cycles) override;

    // slot 0 or 1; when 1 = after the chip's reset, any other value before.
    // Returns the previous closure; another slot stores nothing and returns empty.
    ResetHook SetHook(int slot, int when, ResetHook hook);

    void SetPortInput(int port, uint8_t value) { pio.SetPortInput(port, value); }
    uint8_t GetPortOutput(int port) const { return pio.GetPortOutput(port); }
    void SetPortInputBit(int port, int bit, int level) { pio.SetInputPin(port, bit, level); }
    int GetPortOutputBit(int port, int bit) const { return pio.GetOutputPin(port, bit); }

    ChipPIO8255 pio{1};
    int32_t lastCycles = 0;

private:
    ResetHook before_[2];
    ResetHook after_[2];
};
