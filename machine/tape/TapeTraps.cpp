#include "machine/tape/TapeTraps.h"

#include "machine/core/ModelIndex.h"
#include "machine/cpu/ChipCpu8080.h"
#include "machine/cpu/ChipMemory.h"
#include "machine/tape/IifTape.h"

TapeTraps::TapeTraps(int m, IifTape& t, ChipCpu8080& c) : model(m), tape(t), cpu(c) {}

uint16_t TapeTraps::BlockRoutine(int model) { return model == kModel3 ? 0xEDC4 : 0x8DC4; }

int32_t TapeTraps::ByteRoutine(int model) {
    if (model == kModel1 || model == kModelAlfa) return -1;
    return model == kModel3 ? 0xEB6C : 0x8B6C;
}

void TapeTraps::Block(uint16_t pc) {
    ChipMemory& m = cpu.GetMemory();
    const uint16_t page = pc & 0xFF00;
    if (m.ReadByte(page + 0xD3) != 0x23 || m.ReadByte(page + 0xE1) != 0xC9) return;
    const uint8_t* data = nullptr;
    int32_t remaining = 0;
    const int32_t de = cpu.GetDE();
    if (!tape.GetTrapBlock(&data, &remaining) || !data || remaining < de + 2) return;
    const int32_t n = (de + 1) & 0xFFFF;
    uint16_t hl = cpu.GetHL();
    const uint16_t start = hl;
    uint8_t sum = 0;
    for (int32_t i = 0; i < n; ++i) {
        const uint8_t b = data[i];
        if (cpu.C != 0) m.WriteByte(hl, b);
        hl = static_cast<uint16_t>(hl + 1);
        sum = static_cast<uint8_t>(sum + b);
    }
    const uint8_t check = data[n];
    if (model == kModel1) {
        cpu.SetHL(hl);
        cpu.A = check;
    } else {
        cpu.SetHL(start);
        cpu.A = 0;
    }
    cpu.SetDE(0xFFFF);
    cpu.B = sum;
    cpu.F = sum == check ? 0x40 : 0x01;
    cpu.PC = static_cast<uint16_t>(page + 0xE1);
    tape.SkipTrapBytes(n + 1);
}

void TapeTraps::Byte(uint16_t pc) {
    ChipMemory& m = cpu.GetMemory();
    const uint16_t page = pc & 0xFF00;
    if (m.ReadByte(pc) != 0xC5 || m.ReadByte(page + 0x9B) != 0xC9) return;
    uint8_t b = 0;
    const int r = tape.TakeTrapByte(&b);
    if (r == 0) cpu.A = b;  // without a byte A stays as it was
    cpu.F = r == 1 ? 0x01 : 0x00;
    cpu.PC = static_cast<uint16_t>(page + 0x9B);
}
