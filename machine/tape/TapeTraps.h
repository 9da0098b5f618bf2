#pragma once
// Fast loading: the monitor's tape-block and tape-byte routines short-cut to
// the playing block of the tape interface. The CPU slice asks for a trap only
// when PC stands at one of the two routine addresses; the trap checks the
// monitor's signature bytes first and does nothing when they do not match.
#include <cstdint>

class ChipCpu8080;
class IifTape;

class TapeTraps {
public:
    TapeTraps(int model, IifTape& tape, ChipCpu8080& cpu);

    // Entry of the block routine (8DC4h, EDC4h on Model-3).
    static uint16_t BlockRoutine(int model);
    // Entry of the byte routine (8B6Ch, EB6Ch on Model-3); -1 on the models
    // whose monitor reads bytes another way (Model-1, Model-Alfa).
    static int32_t ByteRoutine(int model);

    // The block routine at pc: reads DE + 1 bytes (stored at HL when C is not
    // 0), checks their sum and returns to the routine's end.
    void Block(uint16_t pc);
    // The byte routine at pc: A = the next byte, CY set when there is none.
    void Byte(uint16_t pc);

private:
    int model;
    IifTape& tape;
    ChipCpu8080& cpu;
};
