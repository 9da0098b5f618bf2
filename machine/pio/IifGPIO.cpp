#include "machine/pio/IifGPIO.h"

IifGPIO::IifGPIO() = default;
IifGPIO::~IifGPIO() = default;

void IifGPIO::WritePort(uint8_t port, uint8_t value, int32_t cycles) {
    lastCycles = cycles;
    if (port >= 0x4C && port <= 0x4F) pio.Write(port - 0x4C, value);
}

uint8_t IifGPIO::ReadPort(uint8_t port, int32_t cycles) {
    lastCycles = cycles;
    if (port >= 0x4C && port <= 0x4F) return pio.Read(port - 0x4C, cycles);
    return 0xFF;
}

void IifGPIO::Reset(int32_t cycles) {
    lastCycles = cycles;
    if (before_[0].Assigned()) before_[0](cycles);
    if (before_[1].Assigned()) before_[1](cycles);
    pio.Reset(0);
    if (after_[0].Assigned()) after_[0](cycles);
    if (after_[1].Assigned()) after_[1](cycles);
}

IifGPIO::ResetHook IifGPIO::SetHook(int slot, int when, ResetHook hook) {
    if (slot != 0 && slot != 1) return {};
    ResetHook& place = (when == kAfter) ? after_[slot] : before_[slot];
    ResetHook old = place;
    place = hook;
    return old;
}
