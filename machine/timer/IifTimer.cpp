#include "machine/timer/IifTimer.h"

#include <algorithm>

#include "machine/core/ModelIndex.h"
#include "machine/cpu/ChipCpu8080.h"

namespace {
bool IsPmdModel(int model) { return model >= kModel1 && model <= kModel3; }
}  // namespace

IifTimer::IifTimer(int model, ChipCpu8080* cpu) : model(model), cpu(cpu) {
    for (int i = 0; i < 3; i++) {
        pit.SetGate(i, 1);
        pit.Clock(i, i == 2 ? 1 : 0);
    }
    if (model == kModelC2717)
        pit.SetOutHandler(1, MakeClosure<&IifTimer::OnChainToCounter2>(this));
    else
        pit.SetOutHandler(0, MakeClosure<&IifTimer::OnCounter0Out>(this));
}

IifTimer::~IifTimer() = default;

void IifTimer::WritePort(uint8_t port, uint8_t value, int32_t cycles) {
    if ((port & 0xFC) == 0x5C) pit.Write(port & 3, value);
}

uint8_t IifTimer::ReadPort(uint8_t port, int32_t cycles) {
    if ((port & 0xFC) == 0x5C) return pit.Read(port & 3);
    return 0xFF;
}

int32_t IifTimer::Quiet() {
    if (model == kModelC2717) {
        int32_t quiet = pit.QuietPulses(1);
        if (clock1Running) quiet = std::min(quiet, pit.QuietPulses(0));
        return quiet;
    }
    int32_t quiet = HalfSecondCycles - 1 - baseCycles;
    if (mouseChain) return std::min(quiet, pit.QuietPulses(1));
    if (clock1Running) quiet = std::min(quiet, pit.QuietPulses(1));
    if (soundEnabled || interruptListener) quiet = std::min(quiet, pit.QuietPulses(0));
    return quiet;
}

void IifTimer::EnableSound(uint8_t flag) { soundEnabled = IsPmdModel(model) && flag ? 1 : 0; }

IifTimer::OutputListener IifTimer::SetOutputListener(OutputListener listener) {
    OutputListener previous = pit.SetOutHandler(model == kModelC2717 ? 0 : 1, listener);
    clock1Running = listener.Assigned() ? 1 : 0;
    return previous;
}

void IifTimer::EnableCascade(uint8_t flag) {
    if (model != kModel1) {
        mouseChain = 0;
        return;
    }
    mouseChain = flag ? 1 : 0;
    pit.SetOutHandler(1, flag ? MakeClosure<&IifTimer::OnCascadeToCounter0>(this) : OutputListener());
    clock1Running = mouseChain;
}

void IifTimer::SetInterruptHook(uint8_t flag, InterruptHook hook) {
    if (IsPmdModel(model)) {
        interruptListener = flag ? 1 : 0;
        interruptHook = hook;
    } else {
        interruptListener = 0;
        interruptHook = InterruptHook();
    }
}

void IifTimer::ClockTimeBase() {
    while (baseCycles > HalfSecondCycles - 1) {
        baseCycles -= HalfSecondCycles;
        clock2Level ^= 1;
        pit.Clock(2, clock2Level);
    }
}

void IifTimer::OnCounter0Out(int counter, int level) {
    if (!IsPmdModel(model)) return;
    // Every listener hears the change; the interrupt is requested once.
    if (soundEnabled && soundSink) soundSink(SoundChannel, level, cyclePos);
    if (level != 0) return;
    bool raise = mouseChain != 0;
    if (interruptListener && interruptHook && interruptHook()) raise = true;
    if (raise) RequestInterrupt();
}

void IifTimer::OnChainToCounter2(int counter, int level) { pit.Clock(2, level); }

void IifTimer::OnCascadeToCounter0(int counter, int level) { pit.Clock(0, level); }

void IifTimer::RequestInterrupt() {
    if (cpu) cpu->Interrupt();
}
