#include "machine/printer/Bt100.h"

#include <algorithm>

#include "common/Startup.h"
#include "machine/pio/IifGPIO.h"
#include "platform/ParPort.h"

namespace {
int LinePort(int side) { return side == 1 ? 1 : 0; }
int SensorHook(int side) { return side == 1 ? ChipPIO8255::kPortCLower : ChipPIO8255::kPortCUpper; }

// Merges the sensor nibble (bits 4-7) into port C for the side.
void PutSensors(IifGPIO& gpio, int side, uint8_t nibble) {
    uint8_t out = gpio.GetPortOutput(2);
    uint8_t value = side == 1 ? uint8_t((nibble >> 4) | (out & 0xF0)) : uint8_t(nibble | (out & 0x0F));
    gpio.SetPortInput(2, value);
}
}  // namespace

// --- Bt100 ---

Bt100::Bt100(IifGPIO& g, int s) : gpio(g), side(s == 1 ? 1 : 0) {
    Reset();
    previousOut = gpio.pio.SetOutputHook(LinePort(side), MakeClosure<&Bt100::OnPortWrite>(this));
    previousIn = gpio.pio.SetInputHook(SensorHook(side), MakeClosure<&Bt100::OnStatusRead>(this));
}

Bt100::~Bt100() {
    gpio.pio.SetOutputHook(LinePort(side), previousOut);
    gpio.pio.SetInputHook(SensorHook(side), previousIn);
}

void Bt100::Reset() {
    headX = 80;
    paperY = 50;
    headCycles = paperCycles = 0;
    atHome = onGrid = headPhase = paperPhase = 0;
    moveLeft = moveRight = feedPaper = needle = 0;
    dots.Clear();
}

void Bt100::OnPortWrite(uint8_t value) {
    (void)value;
    const uint8_t lines = gpio.GetPortOutput(LinePort(side));
    feedPaper = (lines & 0x10) == 0;
    moveLeft = (lines & 0x80) == 0;
    moveRight = (lines & 0x20) == 0;
    if (moveLeft && moveRight) moveLeft = moveRight = 0;
    needle = (lines & 0x01) == 0;
    if (needle) {
        PaperDot d;
        d.x = int16_t(headX + kDotOffsetX);
        d.y = int16_t(paperY);
        if (!dots.Push(d)) dropped.fetch_add(1, std::memory_order_relaxed);
    }
}

void Bt100::Tick(int32_t sliceClock, int32_t cycles) {
    (void)sliceClock;
    // A step once begun finishes its second part even at a stop.
    if (headPhase || CanMoveHead()) {
        headCycles += cycles;
        for (;;) {
            if (!headPhase) {
                if (!CanMoveHead()) {
                    headCycles = 0;
                    break;
                }
                if (headCycles < kHeadStepCycles) break;
                headCycles -= kHeadStepCycles;
                if (moveLeft) {
                    --headX;
                    if (headX <= kHeadMin) atHome = 1;
                } else {
                    ++headX;
                    atHome = 0;
                }
                headPhase = 1;
                onGrid = (headX % 20) == 0;
            } else {
                if (headCycles < kSecondPartCycles) break;
                headCycles -= kSecondPartCycles;
                headPhase = 0;
                onGrid = 0;
            }
        }
    }
    if (feedPaper) {
        paperCycles += cycles;
        for (;;) {
            if (!paperPhase) {
                if (paperCycles < kPaperStepCycles) break;
                paperCycles -= kPaperStepCycles;
                paperPhase = 1;
                if (paperY < kPaperMax) ++paperY;
            } else {
                if (paperCycles < kSecondPartCycles) break;
                paperCycles -= kSecondPartCycles;
                paperPhase = 0;
            }
        }
    }
}

int32_t Bt100::Quiet() {
    int32_t quiet = INT32_MAX;
    if (headPhase || CanMoveHead()) quiet = (headPhase ? kSecondPartCycles : kHeadStepCycles) - 1 - headCycles;
    if (feedPaper) quiet = std::min(quiet, (paperPhase ? kSecondPartCycles : kPaperStepCycles) - 1 - paperCycles);
    return quiet > 0 ? quiet : 0;
}

uint8_t Bt100::SensorBits() const {
    return uint8_t((atHome ? 0x20 : 0) | (onGrid ? 0 : 0x80) | (headPhase ? 0 : 0x40) | (paperPhase ? 0 : 0x10));
}

void Bt100::OnStatusRead() { PutSensors(gpio, side, SensorBits()); }

// --- Bt100Lpt ---

Bt100Lpt::Bt100Lpt(IifGPIO& g, int s, ParPortIo& p, uint16_t b) : gpio(g), side(s == 1 ? 1 : 0), io(p), base(b) {
    previousOut = gpio.pio.SetOutputHook(LinePort(side), MakeClosure<&Bt100Lpt::OnDataWrite>(this));
    previousIn = gpio.pio.SetInputHook(SensorHook(side), MakeClosure<&Bt100Lpt::OnStatusRead>(this));
    if (io.IsOpen()) {
        io.Write(uint16_t(base + 2), 0xC0);
        io.Write(base, 0xFF);
    }
}

Bt100Lpt::~Bt100Lpt() {
    gpio.pio.SetOutputHook(LinePort(side), previousOut);
    gpio.pio.SetInputHook(SensorHook(side), previousIn);
}

uint8_t Bt100Lpt::DataFromLines(uint8_t lines) {
    return uint8_t(((lines & 0x10) ? 1 : 0) | ((lines & 0x20) ? 2 : 0) | ((lines & 0x80) ? 4 : 0) |
                   ((lines & 0x01) ? 8 : 0));
}

uint8_t Bt100Lpt::SensorsFromStatus(uint8_t s) {
    return uint8_t(((s & 0x80) ? 0 : 0x20) | ((s & 0x40) ? 0x80 : 0) | ((s & 0x10) ? 0x40 : 0) |
                   ((s & 0x20) ? 0x10 : 0));
}

void Bt100Lpt::OnDataWrite(uint8_t value) {
    (void)value;
    if (!io.IsOpen()) return;
    io.Write(base, DataFromLines(gpio.GetPortOutput(LinePort(side))));
}

void Bt100Lpt::OnStatusRead() {
    if (!io.IsOpen()) return;
    PutSensors(gpio, side, SensorsFromStatus(io.Read(uint16_t(base + 1))));
}

// --- the system's port ---

namespace {
class SystemPort : public ParPortIo {
public:
    bool IsOpen() const override { return LptHandle.load() >= 0 && Inp32 && Out32; }
    uint8_t Read(uint16_t port) override { return Inp32 ? Inp32(port) : 0xFF; }
    void Write(uint16_t port, uint8_t value) override {
        if (Out32) Out32(port, value);
    }
};
}  // namespace

ParPortIo& SystemParallelPort() {
    static SystemPort port;
    return port;
}
