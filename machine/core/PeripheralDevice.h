#pragma once
#include <cstdint>

// A device on the CPU's port bus. It gets the full 8-bit port number and
// decodes its own registers; ports it does not know read FFh.
class PeripheralDevice {
public:
    virtual void WritePort(uint8_t port, uint8_t value, int32_t cycles) = 0;
    virtual uint8_t ReadPort(uint8_t port, int32_t cycles) = 0;
    virtual void Reset(int32_t cycles) {}
    virtual ~PeripheralDevice() = default;
};
