#pragma once
// Musica sound interface: an 8253 at ports FCh-FFh whose three counters run
// at the CPU clock; their OUT lines are sound channels 3, 4 and 5.

#include <cstdint>
#include "machine/core/CycleHook.h"

#include "machine/core/PeripheralDevice.h"
#include "machine/core/SoundSink.h"
#include "machine/timer/ChipPIT8253.h"

class IfMusica : public PeripheralDevice {
public:
    static constexpr int FirstChannel = 3;
    static constexpr int ChannelCount = 6;  // sound driver channels with Musica

    IfMusica();
    ~IfMusica() override;

    void WritePort(uint8_t port, uint8_t value, int32_t cycles) override;
    uint8_t ReadPort(uint8_t port, int32_t cycles) override;
    // The counters keep their state across a reset.
    void Reset(int32_t cycles) override {}

    void SetSoundSink(SoundLevelSink sink) { soundSink = sink; }

    // The cycle hook: one clock pulse per cycle on counters 0, 1, 2.
    void Tick(int32_t sliceClock, int32_t cycles) {
        if (cycles <= 0) return;
        // The three counters do not affect each other and each voice has its
        // own channel, so each counter can take the whole instruction at
        // once; the position makes every level change land on its own cycle.
        for (int i = 0; i < 3; ++i) {
            cyclePos = sliceClock;
            pit.Pulses(i, cycles, &cyclePos);
        }
    }
    // Tick as the CPU's cycle hook.
    CycleHook TickHook() { return MakeClosure<&IfMusica::Tick>(this); }
    // Cycles until a counter's next output edge.
    int32_t Quiet() {
        int32_t quiet = pit.QuietPulses(0);
        for (int i = 1; i < 3; ++i) {
            const int32_t q = pit.QuietPulses(i);
            if (q < quiet) quiet = q;
        }
        return quiet;
    }
    QuietHook QuietMeasure() { return MakeClosure<&IfMusica::Quiet>(this); }

    void OnCounterOut(int counter, int level);

    ChipPIT8253& GetPit() { return pit; }
    const ChipPIT8253& GetPit() const { return pit; }

    ChipPIT8253 pit;

private:
    SoundLevelSink soundSink;
    int32_t cyclePos = 0;
};
