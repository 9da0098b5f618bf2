#pragma once
// The two emulated mice on port 8Ch, fed with the host mouse over the
// picture: Mouse602 (quadrature phases and two buttons) and MousePoly08
// (3-byte serial packets, read bit by bit, announced by an interrupt).
//
// Move runs on the user-interface thread, Tick and ReadPort on the
// emulation thread: the phase queue is a bounded single-producer
// single-consumer ring, and a Poly08 packet is handed over through its
// pending flag (the packet bytes are written only while it is clear).
// What a move changes reaches the emulation only at TakeHostInput, which
// the slice calls at its start with the devices caught up, so the mouse
// counts cycles from that boundary on, never from before the move.
#include <atomic>
#include <cstdint>

#include "machine/core/CycleHook.h"
#include "machine/core/PeripheralDevice.h"
#include "machine/core/SpscRing.h"

class ChipCpu8080;

class MouseBase : public PeripheralDevice {
public:
    static constexpr uint8_t kPort = 0x8C;

    MouseBase(int32_t scale, int32_t originX, int32_t originY);

    void WritePort(uint8_t port, uint8_t value, int32_t cycles) override {}
    void Reset(int32_t cycles) override {}
    virtual void Tick(int32_t sliceClock, int32_t cycles) = 0;
    // Cycles until the next phase step or packet.
    virtual int32_t Quiet() = 0;
    // x, y: window coordinates; buttons +1 went down, -1 went up, 0 unchanged.
    virtual void Move(int32_t x, int32_t y, int middle, int right, int left) = 0;
    // Emulation thread, between two instructions with the devices caught up:
    // the moves made since the last call become visible to Tick, Quiet and
    // ReadPort.
    virtual void TakeHostInput() = 0;
    // Interrupts that follow emulated time alone (a recording runs or plays
    // back), and where they stand in it; mice that interrupt override these.
    virtual void SetSteadyInterrupts(bool on) {}
    virtual int32_t InterruptPhase() const { return 0; }
    virtual void SetInterruptPhase(int32_t cycles) {}

    // New picture geometry; the next move only sets the position.
    void SetGeometry(int32_t scale, int32_t originX, int32_t originY);

    // Tick as the CPU's cycle hook.
    CycleHook TickHook() { return MakeClosure<&MouseBase::Tick>(this); }
    QuietHook QuietMeasure() { return MakeClosure<&MouseBase::Quiet>(this); }

    uint8_t hideCursor = 1;

protected:
    // Converts to emulated pixels; false on the first move (position stored only).
    bool NewPosition(int32_t x, int32_t y, int32_t& newX, int32_t& newY);

    int32_t scale;
    int32_t originX, originY;
    int32_t lastX = -1, lastY = -1;
};

class Mouse602 : public MouseBase {
public:
    static constexpr int32_t kStepCycles = 1706;  // one phase change, about 0.83 ms
    static constexpr size_t kQueueSize = 4096;    // about 3.4 s of movement

    using MouseBase::MouseBase;

    // Bits 0-1 Y phase, 2-3 X phase, 6 left, 7 right (1 = pressed).
    uint8_t ReadPort(uint8_t port, int32_t cycles) override;
    void Tick(int32_t sliceClock, int32_t cycles) override;
    int32_t Quiet() override;
    void Move(int32_t x, int32_t y, int middle, int right, int left) override;
    void TakeHostInput() override;

    // Phases queued, taken or not.
    size_t QueuedPhases() const { return queue.Size(); }
    // Phase groups dropped because the queue was full.
    uint32_t DroppedGroups() const { return dropped; }

private:
    void PushGroup(const uint8_t (&entries)[4]);

    uint8_t phase = 0;
    std::atomic<uint8_t> buttons{0};
    SpscRing<uint8_t, kQueueSize> queue;
    // Emulation side: the queued phases and the buttons as last taken.
    size_t taken = 0;
    uint8_t takenButtons = 0;
    int32_t stepCycles = 0;
    uint32_t dropped = 0;
};

class MousePoly08 : public MouseBase {
public:
    static constexpr int32_t kPacketCycles = 40960;  // 20 ms

    using MouseBase::MouseBase;

    void SetCpu(ChipCpu8080* c) { cpu = c; }
    // The next line bit in bit 7, the other bits 0.
    uint8_t ReadPort(uint8_t port, int32_t cycles) override;
    void Tick(int32_t sliceClock, int32_t cycles) override;
    int32_t Quiet() override;
    void Move(int32_t x, int32_t y, int middle, int right, int left) override;
    void TakeHostInput() override;

    // A move waits or is being sent (the window's view: set by Move at once).
    bool Pending() const { return pending.load(std::memory_order_acquire) != 0; }
    uint8_t Status() const { return status; }

    // Steady: a packet every 20 ms of emulated time whether the host moved
    // or not (an empty one then), so that a replay sees each interrupt at the
    // same instruction; the packet's bytes reach the program through IN.
    void SetSteadyInterrupts(bool on) override { steady = on; }
    int32_t InterruptPhase() const override { return tickCycles; }
    void SetInterruptPhase(int32_t cycles) override {
        tickCycles = cycles >= 0 && cycles < kPacketCycles ? cycles : 0;
    }

private:
    ChipCpu8080* cpu = nullptr;
    // Written by Move only while pending is 0, read by the emulation while it is 1.
    uint8_t status = 0x87;  // bit 0 right, 1 middle, 2 left; 0 = pressed
    int8_t dx = 0, dy = 0;
    std::atomic<uint8_t> pending{0};
    // Emulation side.
    bool taken = false;         // the pending move, once taken at a slice boundary
    bool steady = false;
    bool sendingMove = false;   // the packet being sent is the pending move
    uint8_t sentStatus = 0x87;  // buttons of the last move sent
    int32_t tickCycles = 0;
    int sendState = 0;  // 0 idle, 1 start bit, 2 data bits, 3 stop bit
    int byteIndex = 0;
    int bitsLeft = 0;
    uint8_t shift = 0;
};
