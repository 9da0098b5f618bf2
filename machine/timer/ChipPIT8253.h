#pragma once
#include <cstdint>
#include "machine/core/Closure.h"

// Intel 8253 programmable interval timer: three 16-bit down counters with a
// common control register. Time advances only through the CLK inputs: every
// falling CLK edge is one counting step.
class ChipPIT8253 {
public:
    // handler(counter, level), called whenever a counter's OUT changes.
    using OutHandler = Closure<void(int counter, int level)>;
    static constexpr int StateSize = 18;

    ChipPIT8253();
    virtual ~ChipPIT8253() = default;

    // Register 0-2: a count byte for that counter; 3: the control word.
    void Write(int reg, uint8_t value);
    // Register 0-2: the counter; 3 and others: FFh.
    uint8_t Read(int reg);

    // Input lines; a counter above 2 is ignored.
    void SetGate(int counter, int level);
    void Clock(int counter, int level);

    // Runs n clock pulses (CLK 1, then 0) on a counter; the result is exactly
    // that of n pairs of Clock(counter, 1), Clock(counter, 0). When position
    // is given, it is advanced by one after each pulse, so an OUT handler
    // called during pulse i sees the starting value + i. Stretches without an
    // OUT change are computed at once.
    void Pulses(int counter, int32_t n, int32_t* position = nullptr) {
        // Inside a known quiet stretch only the count moves (the cycle hooks
        // call this every instruction).
        if (static_cast<unsigned>(counter) < 3 && n > 0 && n <= c[counter].quietRun) {
            TakeQuietRun(c[counter], n);
            if (position) *position += n;
            return;
        }
        PulsesSlow(counter, n, position);
    }
    // Runs the longest run of at most n pulses during which OUT does not
    // change and no count is loaded, and returns its length (0 when the
    // next pulse may change something: run that one with Clock).
    int32_t SkipPulses(int counter, int32_t n);
    // Pulses the counter can take, from its present state, before OUT may
    // change; never more than it really can (INT32_MAX: OUT stays as it is).
    int32_t QuietPulses(int counter) const;

    // Returns the previous closure; a counter above 2 stores nothing.
    OutHandler SetOutHandler(int counter, OutHandler handler);

    // The first n bytes (at most 18) of the state record; nothing when n is
    // 0 or the buffer is missing.
    void GetState(uint8_t* buffer, int n) const;
    // Replays control words and count registers from the first n bytes.
    void SetState(const uint8_t* record, int n);

    // Accessors for the interface owners and the status window.
    int GetOut(int counter) const { return counter >= 0 && counter < 3 ? c[counter].out : 0; }
    int GetGate(int counter) const { return counter >= 0 && counter < 3 ? c[counter].gate : 0; }
    int GetClock(int counter) const { return counter >= 0 && counter < 3 ? c[counter].clock : 0; }
    uint16_t GetCount(int counter) const { return counter >= 0 && counter < 3 ? c[counter].countingElement : 0; }

private:
    struct Counter {
        uint8_t control;
        uint8_t newlyProgrammed = 0;
        uint16_t countRegister = 0xFFFF;
        uint8_t writePhase = 0;
        uint8_t countPending = 0;
        uint16_t countingElement = 0xFFFF;
        uint8_t readToggle = 0;
        uint16_t outputLatch = 0;
        int32_t latchState = 0;
        uint8_t gate = 0;
        uint8_t clock = 0;
        uint8_t out = 0;
        uint8_t trigger = 0;
        uint8_t enabled = 0;
        // Pulses still known to change neither OUT nor anything but the
        // binary count, which drops by quietStep per pulse; 0 = unknown.
        uint8_t quietStep = 0;
        int32_t quietRun = 0;
        OutHandler outHandler;
    };

    static int ModeOf(const Counter& k);
    static bool IsBcd(const Counter& k) { return (k.control & 1) != 0; }
    // One decrement step; true when it reached 0 (terminal count).
    static bool Step(Counter& k);
    void SetOut(int counter, uint8_t level);
    void ControlWord(uint8_t value);
    void CountWrite(int counter, uint8_t value);
    void FallingEdge(int counter);
    void PulsesSlow(int counter, int32_t n, int32_t* position);
    // Runs n pulses of the known quiet stretch (n <= quietRun).
    static void TakeQuietRun(Counter& k, int32_t n) {
        k.quietRun -= n;
        k.countingElement = static_cast<uint16_t>(k.countingElement - static_cast<uint32_t>(n) * k.quietStep);
        k.clock = 0;
    }

    Counter c[3];
};
