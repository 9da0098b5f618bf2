#include "machine/cpu/OpcodeTables.h"

// clang-format off
const int32_t OpcodeLength[256] = {
     1,  3,  1,  1,  1,  1,  2,  1,  1,  1,  1,  1,  1,  1,  2,  1,  // 00h
     1,  3,  1,  1,  1,  1,  2,  1,  1,  1,  1,  1,  1,  1,  2,  1,  // 10h
     1,  3,  3,  1,  1,  1,  2,  1,  1,  1,  3,  1,  1,  1,  2,  1,  // 20h
     1,  3,  3,  1,  1,  1,  2,  1,  1,  1,  3,  1,  1,  1,  2,  1,  // 30h
     1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  // 40h
     1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  // 50h
     1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  // 60h
     1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  // 70h
     1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  // 80h
     1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  // 90h
     1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  // A0h
     1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  // B0h
     1,  1,  3,  3,  3,  1,  2,  1,  1,  1,  3,  3,  3,  3,  2,  1,  // C0h
     1,  1,  3,  2,  3,  1,  2,  1,  1,  1,  3,  2,  3,  3,  2,  1,  // D0h
     1,  1,  3,  1,  3,  1,  2,  1,  1,  1,  3,  1,  3,  3,  2,  1,  // E0h
     1,  1,  3,  1,  3,  1,  2,  1,  1,  1,  3,  1,  3,  3,  2,  1,  // F0h
};

const int32_t OpcodeCycles[256] = {
     4, 10,  7,  5,  5,  5,  7,  4,  4, 10,  7,  5,  5,  5,  7,  4,  // 00h
     4, 10,  7,  5,  5,  5,  7,  4,  4, 10,  7,  5,  5,  5,  7,  4,  // 10h
     4, 10, 16,  5,  5,  5,  7,  4,  4, 10, 16,  5,  5,  5,  7,  4,  // 20h
     4, 10, 13,  5, 10, 10, 10,  4,  4, 10, 13,  5,  5,  5,  7,  4,  // 30h
     5,  5,  5,  5,  5,  5,  7,  5,  5,  5,  5,  5,  5,  5,  7,  5,  // 40h
     5,  5,  5,  5,  5,  5,  7,  5,  5,  5,  5,  5,  5,  5,  7,  5,  // 50h
     5,  5,  5,  5,  5,  5,  7,  5,  5,  5,  5,  5,  5,  5,  7,  5,  // 60h
     7,  7,  7,  7,  7,  7,  7,  7,  5,  5,  5,  5,  5,  5,  7,  5,  // 70h
     4,  4,  4,  4,  4,  4,  7,  4,  4,  4,  4,  4,  4,  4,  7,  4,  // 80h
     4,  4,  4,  4,  4,  4,  7,  4,  4,  4,  4,  4,  4,  4,  7,  4,  // 90h
     4,  4,  4,  4,  4,  4,  7,  4,  4,  4,  4,  4,  4,  4,  7,  4,  // A0h
     4,  4,  4,  4,  4,  4,  7,  4,  4,  4,  4,  4,  4,  4,  7,  4,  // B0h
     5, 10, 10, 10, 11, 11,  7, 11,  5, 10, 10, 10, 11, 17,  7, 11,  // C0h
     5, 10, 10, 10, 11, 11,  7, 11,  5, 10, 10, 10, 11, 17,  7, 11,  // D0h
     5, 10, 10, 18, 11, 11,  7, 11,  5,  5, 10,  4, 11, 17,  7, 11,  // E0h
     5, 10, 10,  4, 11, 11,  7, 11,  5,  5, 10,  4, 11, 17,  7, 11,  // F0h
};

const char16_t MnemonicIntel[256][MnemonicLength] = {
    u" NOP",            // 00h
    u" LXI  B,&",       // 01h
    u" STAX B",         // 02h
    u" INX  B",         // 03h
    u" INR  B",         // 04h
    u" DCR  B",         // 05h
    u" MVI  B,%",       // 06h
    u" RLC",            // 07h
    u"!NOP",            // 08h
    u" DAD  B",         // 09h
    u" LDAX B",         // 0Ah
    u" DCX  B",         // 0Bh
    u" INR  C",         // 0Ch
    u" DCR  C",         // 0Dh
    u" MVI  C,%",       // 0Eh
    u" RRC",            // 0Fh
    u"!NOP",            // 10h
    u" LXI  D,&",       // 11h
    u" STAX D",         // 12h
    u" INX  D",         // 13h
    u" INR  D",         // 14h
    u" DCR  D",         // 15h
    u" MVI  D,%",       // 16h
    u" RAL",            // 17h
    u"!NOP",            // 18h
    u" DAD  D",         // 19h
    u" LDAX D",         // 1Ah
    u" DCX  D",         // 1Bh
    u" INR  E",         // 1Ch
    u" DCR  E",         // 1Dh
    u" MVI  E,%",       // 1Eh
    u" RAR",            // 1Fh
    u"!NOP",            // 20h
    u" LXI  H,&",       // 21h
    u" SHLD &",         // 22h
    u" INX  H",         // 23h
    u" INR  H",         // 24h
    u" DCR  H",         // 25h
    u" MVI  H,%",       // 26h
    u" DAA",            // 27h
    u"!NOP",            // 28h
    u" DAD  H",         // 29h
    u" LHLD &",         // 2Ah
    u" DCX  H",         // 2Bh
    u" INR  L",         // 2Ch
    u" DCR  L",         // 2Dh
    u" MVI  L,%",       // 2Eh
    u" CMA",            // 2Fh
    u"!NOP",            // 30h
    u" LXI  SP,&",      // 31h
    u" STA  &",         // 32h
    u" INX  SP",        // 33h
    u" INR  M",         // 34h
    u" DCR  M",         // 35h
    u" MVI  M,%",       // 36h
    u" STC",            // 37h
    u"!NOP",            // 38h
    u" DAD  SP",        // 39h
    u" LDA  &",         // 3Ah
    u" DCX  SP",        // 3Bh
    u" INR  A",         // 3Ch
    u" DCR  A",         // 3Dh
    u" MVI  A,%",       // 3Eh
    u" CMC",            // 3Fh
    u" MOV  B,B",       // 40h
    u" MOV  B,C",       // 41h
    u" MOV  B,D",       // 42h
    u" MOV  B,E",       // 43h
    u" MOV  B,H",       // 44h
    u" MOV  B,L",       // 45h
    u" MOV  B,M",       // 46h
    u" MOV  B,A",       // 47h
    u" MOV  C,B",       // 48h
    u" MOV  C,C",       // 49h
    u" MOV  C,D",       // 4Ah
    u" MOV  C,E",       // 4Bh
    u" MOV  C,H",       // 4Ch
    u" MOV  C,L",       // 4Dh
    u" MOV  C,M",       // 4Eh
    u" MOV  C,A",       // 4Fh
    u" MOV  D,B",       // 50h
    u" MOV  D,C",       // 51h
    u" MOV  D,D",       // 52h
    u" MOV  D,E",       // 53h
    u" MOV  D,H",       // 54h
    u" MOV  D,L",       // 55h
    u" MOV  D,M",       // 56h
    u" MOV  D,A",       // 57h
    u" MOV  E,B",       // 58h
    u" MOV  E,C",       // 59h
    u" MOV  E,D",       // 5Ah
    u" MOV  E,E",       // 5Bh
    u" MOV  E,H",       // 5Ch
    u" MOV  E,L",       // 5Dh
    u" MOV  E,M",       // 5Eh
    u" MOV  E,A",       // 5Fh
    u" MOV  H,B",       // 60h
    u" MOV  H,C",       // 61h
    u" MOV  H,D",       // 62h
    u" MOV  H,E",       // 63h
    u" MOV  H,H",       // 64h
    u" MOV  H,L",       // 65h
    u" MOV  H,M",       // 66h
    u" MOV  H,A",       // 67h
    u" MOV  L,B",       // 68h
    u" MOV  L,C",       // 69h
    u" MOV  L,D",       // 6Ah
    u" MOV  L,E",       // 6Bh
    u" MOV  L,H",       // 6Ch
    u" MOV  L,L",       // 6Dh
    u" MOV  L,M",       // 6Eh
    u" MOV  L,A",       // 6Fh
    u" MOV  M,B",       // 70h
    u" MOV  M,C",       // 71h
    u" MOV  M,D",       // 72h
    u" MOV  M,E",       // 73h
    u" MOV  M,H",       // 74h
    u" MOV  M,L",       // 75h
    u" HLT",            // 76h
    u" MOV  M,A",       // 77h
    u" MOV  A,B",       // 78h
    u" MOV  A,C",       // 79h
    u" MOV  A,D",       // 7Ah
    u" MOV  A,E",       // 7Bh
    u" MOV  A,H",       // 7Ch
    u" MOV  A,L",       // 7Dh
    u" MOV  A,M",       // 7Eh
    u" MOV  A,A",       // 7Fh
    u" ADD  B",         // 80h
    u" ADD  C",         // 81h
    u" ADD  D",         // 82h
    u" ADD  E",         // 83h
    u" ADD  H",         // 84h
    u" ADD  L",         // 85h
    u" ADD  M",         // 86h
    u" ADD  A",         // 87h
    u" ADC  B",         // 88h
    u" ADC  C",         // 89h
    u" ADC  D",         // 8Ah
    u" ADC  E",         // 8Bh
    u" ADC  H",         // 8Ch
    u" ADC  L",         // 8Dh
    u" ADC  M",         // 8Eh
    u" ADC  A",         // 8Fh
    u" SUB  B",         // 90h
    u" SUB  C",         // 91h
    u" SUB  D",         // 92h
    u" SUB  E",         // 93h
    u" SUB  H",         // 94h
    u" SUB  L",         // 95h
    u" SUB  M",         // 96h
    u" SUB  A",         // 97h
    u" SBB  B",         // 98h
    u" SBB  C",         // 99h
    u" SBB  D",         // 9Ah
    u" SBB  E",         // 9Bh
    u" SBB  H",         // 9Ch
    u" SBB  L",         // 9Dh
    u" SBB  M",         // 9Eh
    u" SBB  A",         // 9Fh
    u" ANA  B",         // A0h
    u" ANA  C",         // A1h
    u" ANA  D",         // A2h
    u" ANA  E",         // A3h
    u" ANA  H",         // A4h
    u" ANA  L",         // A5h
    u" ANA  M",         // A6h
    u" ANA  A",         // A7h
    u" XRA  B",         // A8h
    u" XRA  C",         // A9h
    u" XRA  D",         // AAh
    u" XRA  E",         // ABh
    u" XRA  H",         // ACh
    u" XRA  L",         // ADh
    u" XRA  M",         // AEh
    u" XRA  A",         // AFh
    u" ORA  B",         // B0h
    u" ORA  C",         // B1h
    u" ORA  D",         // B2h
    u" ORA  E",         // B3h
    u" ORA  H",         // B4h
    u" ORA  L",         // B5h
    u" ORA  M",         // B6h
    u" ORA  A",         // B7h
    u" CMP  B",         // B8h
    u" CMP  C",         // B9h
    u" CMP  D",         // BAh
    u" CMP  E",         // BBh
    u" CMP  H",         // BCh
    u" CMP  L",         // BDh
    u" CMP  M",         // BEh
    u" CMP  A",         // BFh
    u" RNZ",            // C0h
    u" POP  B",         // C1h
    u" JNZ  *",         // C2h
    u" JMP  *",         // C3h
    u" CNZ  *",         // C4h
    u" PUSH B",         // C5h
    u" ADI  %",         // C6h
    u" RST  0",         // C7h
    u" RZ",             // C8h
    u" RET",            // C9h
    u" JZ   *",         // CAh
    u"!JMP  *",         // CBh
    u" CZ   *",         // CCh
    u" CALL *",         // CDh
    u" ACI  %",         // CEh
    u" RST  1",         // CFh
    u" RNC",            // D0h
    u" POP  D",         // D1h
    u" JNC  *",         // D2h
    u" OUT  %",         // D3h
    u" CNC  *",         // D4h
    u" PUSH D",         // D5h
    u" SUI  %",         // D6h
    u" RST  2",         // D7h
    u" RC",             // D8h
    u"!RET",            // D9h
    u" JC   *",         // DAh
    u" IN   %",         // DBh
    u" CC   *",         // DCh
    u"!CALL *",         // DDh
    u" SBI  %",         // DEh
    u" RST  3",         // DFh
    u" RPO",            // E0h
    u" POP  H",         // E1h
    u" JPO  *",         // E2h
    u" XTHL",           // E3h
    u" CPO  *",         // E4h
    u" PUSH H",         // E5h
    u" ANI  %",         // E6h
    u" RST  4",         // E7h
    u" RPE",            // E8h
    u" PCHL",           // E9h
    u" JPE  *",         // EAh
    u" XCHG",           // EBh
    u" CPE  *",         // ECh
    u"!CALL *",         // EDh
    u" XRI  %",         // EEh
    u" RST  5",         // EFh
    u" RP",             // F0h
    u" POP  PSW",       // F1h
    u" JP   *",         // F2h
    u" DI",             // F3h
    u" CP   *",         // F4h
    u" PUSH PSW",       // F5h
    u" ORI  %",         // F6h
    u" RST  6",         // F7h
    u" RM",             // F8h
    u" SPHL",           // F9h
    u" JM   *",         // FAh
    u" EI",             // FBh
    u" CM   *",         // FCh
    u"!CALL *",         // FDh
    u" CPI  %",         // FEh
    u" RST  7",         // FFh
};

const char16_t MnemonicZ80[256][MnemonicLength] = {
    u" nop",            // 00h
    u" ld   bc,&",      // 01h
    u" ld   (bc),a",    // 02h
    u" inc  bc",        // 03h
    u" inc  b",         // 04h
    u" dec  b",         // 05h
    u" ld   b,%",       // 06h
    u" rlca",           // 07h
    u"!nop",            // 08h
    u" add  hl,bc",     // 09h
    u" ld   a,(bc)",    // 0Ah
    u" dec  bc",        // 0Bh
    u" inc  c",         // 0Ch
    u" dec  c",         // 0Dh
    u" ld   c,%",       // 0Eh
    u" rrca",           // 0Fh
    u"!nop",            // 10h
    u" ld   de,&",      // 11h
    u" ld   (de),a",    // 12h
    u" inc  de",        // 13h
    u" inc  d",         // 14h
    u" dec  d",         // 15h
    u" ld   d,%",       // 16h
    u" rla",            // 17h
    u"!nop",            // 18h
    u" add  hl,de",     // 19h
    u" ld   a,(de)",    // 1Ah
    u" dec  de",        // 1Bh
    u" inc  e",         // 1Ch
    u" dec  e",         // 1Dh
    u" ld   e,%",       // 1Eh
    u" rra",            // 1Fh
    u"!nop",            // 20h
    u" ld   hl,&",      // 21h
    u" ld   (&),hl",    // 22h
    u" inc  hl",        // 23h
    u" inc  h",         // 24h
    u" dec  h",         // 25h
    u" ld   h,%",       // 26h
    u" daa",            // 27h
    u"!nop",            // 28h
    u" add  hl,hl",     // 29h
    u" ld   hl,(&)",    // 2Ah
    u" dec  hl",        // 2Bh
    u" inc  l",         // 2Ch
    u" dec  l",         // 2Dh
    u" ld   l,%",       // 2Eh
    u" cpl",            // 2Fh
    u"!nop",            // 30h
    u" ld   sp,&",      // 31h
    u" ld   (&),a",     // 32h
    u" inc  sp",        // 33h
    u" inc  (hl)",      // 34h
    u" dec  (hl)",      // 35h
    u" ld   (hl),%",    // 36h
    u" scf",            // 37h
    u"!nop",            // 38h
    u" add  hl,sp",     // 39h
    u" ld   a,(&)",     // 3Ah
    u" dec  sp",        // 3Bh
    u" inc  a",         // 3Ch
    u" dec  a",         // 3Dh
    u" ld   a,%",       // 3Eh
    u" ccf",            // 3Fh
    u" ld   b,b",       // 40h
    u" ld   b,c",       // 41h
    u" ld   b,d",       // 42h
    u" ld   b,e",       // 43h
    u" ld   b,h",       // 44h
    u" ld   b,l",       // 45h
    u" ld   b,(hl)",    // 46h
    u" ld   b,a",       // 47h
    u" ld   c,b",       // 48h
    u" ld   c,c",       // 49h
    u" ld   c,d",       // 4Ah
    u" ld   c,e",       // 4Bh
    u" ld   c,h",       // 4Ch
    u" ld   c,l",       // 4Dh
    u" ld   c,(hl)",    // 4Eh
    u" ld   c,a",       // 4Fh
    u" ld   d,b",       // 50h
    u" ld   d,c",       // 51h
    u" ld   d,d",       // 52h
    u" ld   d,e",       // 53h
    u" ld   d,h",       // 54h
    u" ld   d,l",       // 55h
    u" ld   d,(hl)",    // 56h
    u" ld   d,a",       // 57h
    u" ld   e,b",       // 58h
    u" ld   e,c",       // 59h
    u" ld   e,d",       // 5Ah
    u" ld   e,e",       // 5Bh
    u" ld   e,h",       // 5Ch
    u" ld   e,l",       // 5Dh
    u" ld   e,(hl)",    // 5Eh
    u" ld   e,a",       // 5Fh
    u" ld   h,b",       // 60h
    u" ld   h,c",       // 61h
    u" ld   h,d",       // 62h
    u" ld   h,e",       // 63h
    u" ld   h,h",       // 64h
    u" ld   h,l",       // 65h
    u" ld   h,(hl)",    // 66h
    u" ld   h,a",       // 67h
    u" ld   l,b",       // 68h
    u" ld   l,c",       // 69h
    u" ld   l,d",       // 6Ah
    u" ld   l,e",       // 6Bh
    u" ld   l,h",       // 6Ch
    u" ld   l,l",       // 6Dh
    u" ld   l,(hl)",    // 6Eh
    u" ld   l,a",       // 6Fh
    u" ld   (hl),b",    // 70h
    u" ld   (hl),c",    // 71h
    u" ld   (hl),d",    // 72h
    u" ld   (hl),e",    // 73h
    u" ld   (hl),h",    // 74h
    u" ld   (hl),l",    // 75h
    u" halt",           // 76h
    u" ld   (hl),a",    // 77h
    u" ld   a,b",       // 78h
    u" ld   a,c",       // 79h
    u" ld   a,d",       // 7Ah
    u" ld   a,e",       // 7Bh
    u" ld   a,h",       // 7Ch
    u" ld   a,l",       // 7Dh
    u" ld   a,(hl)",    // 7Eh
    u" ld   a,a",       // 7Fh
    u" add  a,b",       // 80h
    u" add  a,c",       // 81h
    u" add  a,d",       // 82h
    u" add  a,e",       // 83h
    u" add  a,h",       // 84h
    u" add  a,l",       // 85h
    u" add  a,(hl)",    // 86h
    u" add  a,a",       // 87h
    u" adc  a,b",       // 88h
    u" adc  a,c",       // 89h
    u" adc  a,d",       // 8Ah
    u" adc  a,e",       // 8Bh
    u" adc  a,h",       // 8Ch
    u" adc  a,l",       // 8Dh
    u" adc  a,(hl)",    // 8Eh
    u" adc  a,a",       // 8Fh
    u" sub  b",         // 90h
    u" sub  c",         // 91h
    u" sub  d",         // 92h
    u" sub  e",         // 93h
    u" sub  h",         // 94h
    u" sub  l",         // 95h
    u" sub  (hl)",      // 96h
    u" sub  a",         // 97h
    u" sbc  a,b",       // 98h
    u" sbc  a,c",       // 99h
    u" sbc  a,d",       // 9Ah
    u" sbc  a,e",       // 9Bh
    u" sbc  a,h",       // 9Ch
    u" sbc  a,l",       // 9Dh
    u" sbc  a,(hl)",    // 9Eh
    u" sbc  a,a",       // 9Fh
    u" and  b",         // A0h
    u" and  c",         // A1h
    u" and  d",         // A2h
    u" and  e",         // A3h
    u" and  h",         // A4h
    u" and  l",         // A5h
    u" and  (hl)",      // A6h
    u" and  a",         // A7h
    u" xor  b",         // A8h
    u" xor  c",         // A9h
    u" xor  d",         // AAh
    u" xor  e",         // ABh
    u" xor  h",         // ACh
    u" xor  l",         // ADh
    u" xor  (hl)",      // AEh
    u" xor  a",         // AFh
    u" or   b",         // B0h
    u" or   c",         // B1h
    u" or   d",         // B2h
    u" or   e",         // B3h
    u" or   h",         // B4h
    u" or   l",         // B5h
    u" or   (hl)",      // B6h
    u" or   a",         // B7h
    u" cp   b",         // B8h
    u" cp   c",         // B9h
    u" cp   d",         // BAh
    u" cp   e",         // BBh
    u" cp   h",         // BCh
    u" cp   l",         // BDh
    u" cp   (hl)",      // BEh
    u" cp   a",         // BFh
    u" ret  nz",        // C0h
    u" pop  bc",        // C1h
    u" jp   nz,*",      // C2h
    u" jp   *",         // C3h
    u" call nz,*",      // C4h
    u" push bc",        // C5h
    u" add  a,%",       // C6h
    u" rst  @",         // C7h
    u" ret  z",         // C8h
    u" ret",            // C9h
    u" jp   z,*",       // CAh
    u"!jp   *",         // CBh
    u" call z,*",       // CCh
    u" call *",         // CDh
    u" adc  a,%",       // CEh
    u" rst  @",         // CFh
    u" ret  nc",        // D0h
    u" pop  de",        // D1h
    u" jp   nc,*",      // D2h
    u" out  (%),a",     // D3h
    u" call nc,*",      // D4h
    u" push de",        // D5h
    u" sub  %",         // D6h
    u" rst  @",         // D7h
    u" ret  c",         // D8h
    u"!ret",            // D9h
    u" jp   c,*",       // DAh
    u" in   a,(%)",     // DBh
    u" call c,*",       // DCh
    u"!call *",         // DDh
    u" sbc  a,%",       // DEh
    u" rst  @",         // DFh
    u" ret  po",        // E0h
    u" pop  hl",        // E1h
    u" jp   po,*",      // E2h
    u" ex   (sp),hl",   // E3h
    u" call po,*",      // E4h
    u" push hl",        // E5h
    u" and  %",         // E6h
    u" rst  @",         // E7h
    u" ret  pe",        // E8h
    u" jp   (hl)",      // E9h
    u" jp   pe,*",      // EAh
    u" ex   de,hl",     // EBh
    u" call pe,*",      // ECh
    u"!call *",         // EDh
    u" xor  %",         // EEh
    u" rst  @",         // EFh
    u" ret  p",         // F0h
    u" pop  af",        // F1h
    u" jp   p,*",       // F2h
    u" di",             // F3h
    u" call p,*",       // F4h
    u" push af",        // F5h
    u" or   %",         // F6h
    u" rst  @",         // F7h
    u" ret  m",         // F8h
    u" ld   sp,hl",     // F9h
    u" jp   m,*",       // FAh
    u" ei",             // FBh
    u" call m,*",       // FCh
    u"!call *",         // FDh
    u" cp   %",         // FEh
    u" rst  @",         // FFh
};
// clang-format on
