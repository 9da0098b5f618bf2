#include "machine/sndif/IfMusica.h"

IfMusica::IfMusica() {
    for (int i = 0; i < 3; ++i) {
        pit.SetGate(i, 1);
        pit.Clock(i, 0);
        pit.SetOutHandler(i, MakeClosure<&IfMusica::OnCounterOut>(this));
    }
}

IfMusica::~IfMusica() = default;

void IfMusica::WritePort(uint8_t port, uint8_t value, int32_t cycles) {
    (void)cycles;
    if ((port & 0xFC) != 0xFC) return;
    pit.Write(port & 3, value);
}

uint8_t IfMusica::ReadPort(uint8_t port, int32_t cycles) {
    (void)port;
    (void)cycles;
    return 0xFF;
}

void IfMusica::OnCounterOut(int counter, int level) {
    if (soundSink) soundSink(FirstChannel + counter, level, cyclePos);
}
