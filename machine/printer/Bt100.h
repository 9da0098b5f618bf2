#pragma once
// The BT100 needle plotter on the general-purpose interface. The program
// drives motor and needle lines on one 8255 port and reads the position
// sensors on half of port C (side 0: port A and PC4-PC7; side 1: port B and
// PC0-PC3).
//
//   line  A7 head left, A5 head right, A4 paper feed, A0 needle down (all active low)
//   sense C7 0 on a grid position, C6 0 in a head step's second part,
//         C5 1 at the left stop, C4 0 in a paper step's second part
//
// Bt100 simulates the mechanism and queues the needle's dots for the paper
// window; Bt100Lpt passes the lines to a real BT100 on a parallel port.
#include <atomic>
#include <cstdint>

#include "machine/core/CycleHook.h"
#include "machine/core/SpscRing.h"
#include "machine/pio/ChipPIO8255.h"

class IifGPIO;
class ParPortIo;

struct PaperDot {
    int16_t x = 0, y = 0;
};

class Bt100 {
public:
    static constexpr int kPaperWidth = 640;
    static constexpr int kPaperHeight = 820;
    static constexpr int32_t kHeadMin = -16, kHeadMax = 515;
    // The paper line stops one past the picture's last row, so dots printed
    // beyond the paper's end fall off it.
    static constexpr int32_t kPaperMax = kPaperHeight;
    static constexpr int32_t kDotOffsetX = 91;
    static constexpr int32_t kHeadStepCycles = 1136, kPaperStepCycles = 33552, kSecondPartCycles = 568;
    static constexpr size_t kDotQueueSize = 65536;
    using DotQueue = SpscRing<PaperDot, kDotQueueSize>;

    // Installs the line-port output hook and the sensor input hook.
    Bt100(IifGPIO& gpio, int side);
    // Puts the replaced hooks back.
    ~Bt100();
    Bt100(const Bt100&) = delete;
    Bt100& operator=(const Bt100&) = delete;

    // Head at 80, paper at line 50, motors and needle off, queue empty. Runs
    // on the emulation thread, or elsewhere while the emulation is held (the
    // paper window's Clear goes through the machine's lock).
    void Reset();

    // Filled by the emulation thread, emptied by the paper window.
    DotQueue* GetDotQueue() { return &dots; }
    // Dots not queued because the queue was full.
    uint32_t DroppedDots() const { return dropped.load(std::memory_order_relaxed); }

    void Tick(int32_t sliceClock, int32_t cycles);
    // Tick as the CPU's cycle hook.
    CycleHook TickHook() { return MakeClosure<&Bt100::Tick>(this); }
    // Cycles until the next head or paper step.
    int32_t Quiet();
    QuietHook QuietMeasure() { return MakeClosure<&Bt100::Quiet>(this); }

    void OnPortWrite(uint8_t value);
    void OnStatusRead();

    // Mechanism state, for tests and the status views.
    int32_t HeadX() const { return headX; }
    int32_t PaperY() const { return paperY; }
    bool AtHome() const { return atHome; }
    // The sensor nibble in bits 4-7 as side 0 shows it.
    uint8_t SensorBits() const;

private:
    bool CanMoveHead() const { return (moveLeft && headX > kHeadMin) || (moveRight && headX < kHeadMax); }

    IifGPIO& gpio;
    int side;
    DotQueue dots;
    std::atomic<uint32_t> dropped{0};
    int32_t headX = 80;
    int32_t paperY = 50;
    int32_t headCycles = 0, paperCycles = 0;
    uint8_t atHome = 0, onGrid = 0, headPhase = 0, paperPhase = 0;
    uint8_t moveLeft = 0, moveRight = 0, feedPaper = 0, needle = 0;
    ChipPIO8255::OutputHook previousOut;
    ChipPIO8255::InputHook previousIn;
};

// The same lines on a real BT100 behind a parallel port: data bits 0-3
// carry feed, right, left and needle; the status register brings back the
// sensors. Does nothing while the port is not open.
class Bt100Lpt {
public:
    // io: the port's registers (data at base, status base + 1, control base + 2).
    Bt100Lpt(IifGPIO& gpio, int side, ParPortIo& io, uint16_t base);
    ~Bt100Lpt();
    Bt100Lpt(const Bt100Lpt&) = delete;
    Bt100Lpt& operator=(const Bt100Lpt&) = delete;

    void OnDataWrite(uint8_t value);
    void OnStatusRead();

    // The data byte for a line-port value, and the sensor nibble (bits 4-7)
    // for a status byte.
    static uint8_t DataFromLines(uint8_t lines);
    static uint8_t SensorsFromStatus(uint8_t status);

private:
    IifGPIO& gpio;
    int side;
    ParPortIo& io;
    uint16_t base;
    ChipPIO8255::OutputHook previousOut;
    ChipPIO8255::InputHook previousIn;
};

// The system's parallel port (ppdev through the port-I/O functions).
ParPortIo& SystemParallelPort();
