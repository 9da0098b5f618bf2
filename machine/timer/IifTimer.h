#pragma once
#include <cstdint>
#include "machine/core/CycleHook.h"
#include "machine/core/ModelIndex.h"
#include "machine/core/Closure.h"
#include "machine/core/PeripheralDevice.h"
#include "machine/core/SoundSink.h"
#include "machine/timer/ChipPIT8253.h"

class ChipCpu8080;

// The machine's timer interface at ports 5Ch-5Fh: an 8253 whose counter 2
// counts a 1 Hz time base and whose counters 0 and 1 run at the CPU clock
// while someone listens to them.
//
// Consul 2717: counter 0 and counter 1 run at the CPU clock, counter 1's
// output clocks counter 2 and the output listener sits on counter 0.
// Other models: counter 1 carries the output listener (or, on Model-1, the
// mouse cascade into counter 0); counter 0 feeds sound channel 2 and the
// CPU's interrupt line.
class IifTimer : public PeripheralDevice {
public:
    using OutputListener = ChipPIT8253::OutHandler;
    // Asked on counter 0's falling output; non-zero requests an interrupt.
    using InterruptHook = Closure<uint8_t()>;

    static constexpr int32_t HalfSecondCycles = 1024000;
    static constexpr int SoundChannel = 2;

    // cpu may be null (no interrupts are then requested).
    IifTimer(int model, ChipCpu8080* cpu);
    ~IifTimer() override;

    void WritePort(uint8_t port, uint8_t value, int32_t cycles) override;
    uint8_t ReadPort(uint8_t port, int32_t cycles) override;
    // The 8253 keeps its state across a CPU reset.
    void Reset(int32_t cycles) override {}

    void SetSoundSink(SoundLevelSink sink) { soundSink = sink; }
    // Forced off on models other than Model-1, -2, -2A and -3.
    void EnableSound(uint8_t flag);
    // Installs the listener of counter 0 (Consul 2717) or counter 1 (other
    // models); counter 1 runs only while one is assigned. Returns the
    // previous listener.
    OutputListener SetOutputListener(OutputListener listener);
    // Model-1 only: counter 1's output clocks counter 0, whose falling output
    // then requests an interrupt.
    void EnableCascade(uint8_t flag);
    // Models 0-3 only; elsewhere it is forced off.
    void SetInterruptHook(uint8_t flag, InterruptHook hook);

    // The cycle hook; inline, it runs every instruction.
    void Tick(int32_t sliceClock, int32_t cycles) {
        if (cycles <= 0) return;
        if (model == kModelC2717) {
            // Counters 0 and 1 do not affect each other, so each can take the
            // whole instruction at once.
            cyclePos = sliceClock;
            if (clock1Running) pit.Pulses(0, cycles, &cyclePos);
            pit.Pulses(1, cycles);
            return;
        }
        baseCycles += cycles;
        if (baseCycles > HalfSecondCycles - 1) [[unlikely]] ClockTimeBase();
        cyclePos = sliceClock;
        if (mouseChain) {
            // Counter 0 is clocked by counter 1's output alone; the position
            // follows counter 1's pulses.
            pit.Pulses(1, cycles, &cyclePos);
            return;
        }
        if (clock1Running) pit.Pulses(1, cycles);
        if (soundEnabled || interruptListener) pit.Pulses(0, cycles, &cyclePos);
    }
    // Tick as the CPU's cycle hook.
    CycleHook TickHook() { return MakeClosure<&IifTimer::Tick>(this); }
    // Cycles until the next output edge of a counter that runs, or the next
    // step of the time base.
    int32_t Quiet();
    QuietHook QuietMeasure() { return MakeClosure<&IifTimer::Quiet>(this); }

    ChipPIT8253& GetPit() { return pit; }
    const ChipPIT8253& GetPit() const { return pit; }
    int GetModel() const { return model; }
    uint8_t IsSoundEnabled() const { return soundEnabled; }
    uint8_t IsCounter1Running() const { return clock1Running; }

    // Counter 0's output handler on models other than the Consul 2717.
    void OnCounter0Out(int counter, int level);

private:
    void ClockTimeBase();
    void OnChainToCounter2(int counter, int level);
    void OnCascadeToCounter0(int counter, int level);
    void RequestInterrupt();

    ChipPIT8253 pit;
    int model;
    int32_t baseCycles = 0;
    uint8_t clock2Level = 1;
    uint8_t clock1Running = 0;
    SoundLevelSink soundSink;
    uint8_t soundEnabled = 0;
    int32_t cyclePos = 0;
    ChipCpu8080* cpu;
    uint8_t mouseChain = 0;
    uint8_t interruptListener = 0;
    InterruptHook interruptHook;
};
