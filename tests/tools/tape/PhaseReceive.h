#pragma once
// RECV for the test monitors: reads BC bytes to HL from the tape's phase
// encoding on DSR (the 8251's status bit 7). A level change after one
// half-bit is a cell boundary, after a whole bit the middle of a cell whose
// bit differs from the one before. longPolls: the poll count from which an
// edge wait was a whole bit (it depends on the poll loop's cycles). With
// silence, an edge wait saturates at 255 polls and such a wait after the
// sync run starts the search again (a silent gap).
#include <cstdint>

#include "tests/tools/tape/Asm8080.h"

inline void EmitPhaseReceive(Asm8080& a, uint16_t counter, int longPolls, bool silence) {
    using namespace op;
    constexpr int DCR_C = 0x0D;
    a.Label("RECV");
    a.Emit({PUSH_H, MOV_H_B, MOV_L_C});
    a.Op16(SHLD, counter);
    a.Emit({POP_H});
    a.Emit({IN, 0x1D, ANI, 0x80, MOV_D_A});
    a.Label("SYNC");
    a.Emit({MVI_B, 32});
    a.Label("S1");
    a.Op16(CALL, "EDGE");
    a.Emit({MOV_A_C, CPI, longPolls});
    a.Op16(JNC, "SYNC");
    a.Emit({DCR_B});
    a.Op16(JNZ, "S1");
    a.Label("S2");
    a.Op16(CALL, "EDGE");
    if (silence) {
        a.Emit({MOV_A_C, CPI, 0xFF});
        a.Op16(JZ, "SYNC");
        a.Emit({CPI, longPolls});
    } else {
        a.Emit({MOV_A_C, CPI, longPolls});
    }
    a.Op16(JC, "S2");
    a.Emit({MVI_E, 0});
    a.Label("BYTE");
    a.Emit({MVI_B, 8});
    a.Label("BIT");
    a.Op16(CALL, "NEXTBIT");
    a.Emit({MOV_A_E, RAR, MOV_A_M, RAR, MOV_M_A, DCR_B});
    a.Op16(JNZ, "BIT");
    a.Op16(CALL, "NEXTBIT");
    a.Op16(CALL, "NEXTBIT");
    a.Emit({INX_H, PUSH_H});
    a.Op16(LHLD, counter);
    a.Emit({DCX_H});
    a.Op16(SHLD, counter);
    a.Emit({MOV_A_H, ORA_L, POP_H, RZ});
    a.Op16(CALL, "NEXTBIT");
    a.Op16(JMP, "BYTE");
    a.Label("EDGE");
    a.Emit({MVI_C, 0});
    a.Label("E1");
    if (silence) {
        a.Emit({INR_C});
        a.Op16(JNZ, "E2");
        a.Emit({DCR_C});
        a.Label("E2");
        a.Emit({IN, 0x1D, ANI, 0x80, CMP_D});
    } else {
        a.Emit({INR_C, IN, 0x1D, ANI, 0x80, CMP_D});
    }
    a.Op16(JZ, "E1");
    a.Emit({MOV_D_A, RET});
    a.Label("NEXTBIT");
    a.Op16(CALL, "EDGE");
    a.Emit({MOV_A_C, CPI, longPolls});
    a.Op16(JC, "NB2");
    a.Emit({MOV_A_E, XRI, 1, MOV_E_A, RET});
    a.Label("NB2");
    a.Op16(CALL, "EDGE");
    a.Emit({RET});
}
