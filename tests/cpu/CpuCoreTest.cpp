// Instruction semantics, flags, timing and interrupt behaviour of the core.
#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "machine/cpu/ChipCpu8080.h"
#include "machine/cpu/ChipMemoryModels.h"

namespace {

// 64 KB of plain RAM: the 2A map with all-RAM set outside boot.
class CpuTest : public ::testing::Test {
protected:
    CpuTest() : mem(4), cpu(mem) {
        mem.Reset();
        mem.EndBootMapping();
        mem.SetAllRamFlag(1);
    }
    void Load(uint16_t at, std::initializer_list<uint8_t> bytes) {
        uint16_t a = at;
        for (uint8_t b : bytes) mem.WriteByte(a++, b);
        cpu.PC = at;
    }
    ChipMemory2A mem;
    ChipCpu8080 cpu;
};

struct FakeDevice : PeripheralDevice {
    struct Access {
        uint8_t port, value;
        int32_t cycles;
    };
    std::vector<Access> writes, reads;
    int resets = 0;
    uint8_t answer = 0x5A;
    void WritePort(uint8_t port, uint8_t value, int32_t cycles) override { writes.push_back({port, value, cycles}); }
    uint8_t ReadPort(uint8_t port, int32_t cycles) override {
        reads.push_back({port, answer, cycles});
        return answer;
    }
    void Reset(int32_t cycles) override { resets++; }
};

struct FakeRecorder : CpuInputRecorder {
    bool playing = false, recording = false;
    std::vector<uint8_t> stored;
    std::vector<uint8_t> playback;
    size_t next = 0;
    bool IsPlayingBack() const override { return playing; }
    uint8_t ReadByte() override { return playback[next++]; }
    bool IsRecording() const override { return recording; }
    void WriteByte(uint8_t v) override { stored.push_back(v); }
};

TEST_F(CpuTest, StartsWithZeroRegistersAndCounters) {
    ChipCpu8080 fresh(mem);
    EXPECT_EQ(fresh.GetPSW(), 0);
    EXPECT_EQ(fresh.GetBC(), 0);
    EXPECT_EQ(fresh.GetDE(), 0);
    EXPECT_EQ(fresh.GetHL(), 0);
    EXPECT_EQ(fresh.SP, 0);
    EXPECT_EQ(fresh.PC, 0);
    EXPECT_EQ(fresh.INTE, 0);
    EXPECT_EQ(fresh.SliceClock, 0);
    EXPECT_EQ(fresh.TotalClock, 0u);
    EXPECT_EQ(fresh.LastCycles, 0);
    EXPECT_EQ(fresh.InstructionCounter, 0u);
    EXPECT_EQ(fresh.Recording, nullptr);
}

TEST_F(CpuTest, FlagTableEntries) {
    EXPECT_EQ(cpu.FlagTable[0x00], 0x46);
    EXPECT_EQ(cpu.FlagTable[0x01], 0x02);
    EXPECT_EQ(cpu.FlagTable[0x03], 0x06);
    EXPECT_EQ(cpu.FlagTable[0x80], 0x82);
    EXPECT_EQ(cpu.FlagTable[0xFF], 0x86);
}

struct DaaCase {
    uint8_t a, f, expectA, expectF;
};

TEST_F(CpuTest, Daa) {
    const DaaCase cases[] = {
        {0x9A, 0x02, 0x00, 0x57},  // 9Ah -> 00 with Z, P, CY, AC
        {0xFF, 0x02, 0x65, 0x17},  // FFh -> 65h with AC and CY
        {0x15, 0x12, 0x1B, 0x06},  // AC in, low digit <= 9: +6, AC out clear
        {0x42, 0x03, 0xA2, 0x83},  // CY in: +60h, CY stays
        {0x09, 0x02, 0x09, 0x06},  // nothing to adjust
        {0x0A, 0x02, 0x10, 0x12},  // low digit > 9: AC out
    };
    for (const DaaCase& c : cases) {
        Load(0x0100, {0x27});
        cpu.A = c.a;
        cpu.F = c.f;
        EXPECT_EQ(cpu.Step(), 4);
        EXPECT_EQ(cpu.A, c.expectA) << std::hex << int(c.a);
        EXPECT_EQ(cpu.F, c.expectF) << std::hex << int(c.a);
        const uint16_t e = cpu.DaaTable[c.a | (c.f & 1) << 8 | ((c.f >> 4) & 1) << 9];
        EXPECT_EQ(e, c.expectA << 8 | c.expectF);
    }
}

struct AluCase {
    const char* name;
    uint8_t opcode, a, b, f, expectA, expectF;
};

TEST_F(CpuTest, ArithmeticAndLogicFlags) {
    const AluCase cases[] = {
        {"ADD carry out of bit 3 and 7", 0x80, 0xFF, 0x01, 0x02, 0x00, 0x57},
        {"ADD no carries", 0x80, 0x01, 0x02, 0x02, 0x03, 0x06},
        {"ADC with CY into bit 4", 0x88, 0x0F, 0x00, 0x03, 0x10, 0x12},
        {"SUB borrow", 0x90, 0x00, 0x01, 0x02, 0xFF, 0x87},
        {"SUB borrow from bit 4", 0x90, 0x10, 0x01, 0x02, 0x0F, 0x06},
        {"SUB no borrow from bit 4", 0x90, 0x05, 0x01, 0x02, 0x04, 0x12},
        {"SBB with CY, borrow from bit 4", 0x98, 0x10, 0x01, 0x03, 0x0E, 0x02},
        {"SBB with CY, no borrow from bit 4", 0x98, 0x08, 0x00, 0x03, 0x07, 0x12},
        {"SBB with CY, borrow out", 0x98, 0x00, 0x00, 0x03, 0xFF, 0x87},
        {"SBB without CY", 0x98, 0x08, 0x00, 0x02, 0x08, 0x12},
        {"ANA bit 3 of A gives AC", 0xA0, 0x08, 0x00, 0x03, 0x00, 0x56},
        {"ANA no bit 3", 0xA0, 0xF0, 0x07, 0x03, 0x00, 0x46},
        {"XRA clears AC and CY", 0xA8, 0x0F, 0xF0, 0x13, 0xFF, 0x86},
        {"ORA", 0xB0, 0x01, 0x02, 0x13, 0x03, 0x06},
        {"CMP keeps A", 0xB8, 0x05, 0x06, 0x02, 0x05, 0x87},
        {"CMP equal", 0xB8, 0x42, 0x42, 0x03, 0x42, 0x56},
    };
    for (const AluCase& c : cases) {
        Load(0x0100, {c.opcode});
        cpu.A = c.a;
        cpu.B = c.b;
        cpu.F = c.f;
        EXPECT_EQ(cpu.Step(), 4) << c.name;
        EXPECT_EQ(cpu.A, c.expectA) << c.name;
        EXPECT_EQ(cpu.F, c.expectF) << c.name;
    }
}

TEST_F(CpuTest, ImmediateAndMemoryOperands) {
    // SBI 01h with CY: 10h - 1 - 1 = 0Eh, borrow from bit 4 (AC clear).
    Load(0x0100, {0xDE, 0x01});
    cpu.A = 0x10;
    cpu.F = 0x03;
    EXPECT_EQ(cpu.Step(), 7);
    EXPECT_EQ(cpu.A, 0x0E);
    EXPECT_EQ(cpu.F, 0x02);
    EXPECT_EQ(cpu.PC, 0x0102);
    // ADD M
    Load(0x0100, {0x86});
    cpu.SetHL(0x2000);
    mem.WriteByte(0x2000, 0x01);
    cpu.A = 0xFF;
    EXPECT_EQ(cpu.Step(), 7);
    EXPECT_EQ(cpu.A, 0x00);
    EXPECT_EQ(cpu.F, 0x57);
}

TEST_F(CpuTest, XraAClearsAccumulator) {
    Load(0x0100, {0xAF});
    cpu.A = 0x9C;
    cpu.F = 0xFF;
    cpu.Step();
    EXPECT_EQ(cpu.A, 0);
    EXPECT_EQ(cpu.F, 0x46);
}

struct IncDecCase {
    const char* name;
    uint8_t opcode, value, f, expectValue, expectF;
};

TEST_F(CpuTest, IncrementDecrementFlags) {
    const IncDecCase cases[] = {
        {"INR to x0h keeps CY, sets AC", 0x3C, 0x0F, 0x03, 0x10, 0x13},
        {"INR wraps to zero", 0x3C, 0xFF, 0x02, 0x00, 0x56},
        {"INR plain", 0x3C, 0x01, 0x02, 0x02, 0x02},
        {"DCR from x0h clears AC", 0x3D, 0x10, 0x12, 0x0F, 0x06},
        {"DCR to zero sets AC", 0x3D, 0x01, 0x02, 0x00, 0x56},
        {"DCR wraps, keeps CY", 0x3D, 0x00, 0x03, 0xFF, 0x87},
    };
    for (const IncDecCase& c : cases) {
        Load(0x0100, {c.opcode});
        cpu.A = c.value;
        cpu.F = c.f;
        EXPECT_EQ(cpu.Step(), 5) << c.name;
        EXPECT_EQ(cpu.A, c.expectValue) << c.name;
        EXPECT_EQ(cpu.F, c.expectF) << c.name;
        // The same on memory: read, change, write back, 10 cycles.
        Load(0x0100, {static_cast<uint8_t>(c.opcode - 0x08)});
        cpu.SetHL(0x3000);
        mem.WriteByte(0x3000, c.value);
        cpu.F = c.f;
        EXPECT_EQ(cpu.Step(), 10) << c.name;
        EXPECT_EQ(mem.ReadByte(0x3000), c.expectValue) << c.name;
        EXPECT_EQ(cpu.F, c.expectF) << c.name;
    }
}

TEST_F(CpuTest, RotatesAndCarryOps) {
    struct Case {
        uint8_t opcode, a, f, expectA, expectF;
    } cases[] = {
        {0x07, 0x81, 0xD6, 0x03, 0xD7},  // RLC keeps S Z AC P
        {0x0F, 0x01, 0x00, 0x80, 0x03},  // RRC
        {0x17, 0x80, 0x00, 0x00, 0x03},  // RAL
        {0x17, 0x00, 0x01, 0x01, 0x02},  // RAL takes CY into bit 0
        {0x1F, 0x01, 0x00, 0x00, 0x03},  // RAR
        {0x1F, 0x00, 0x01, 0x80, 0x02},  // RAR takes CY into bit 7
        {0x37, 0x00, 0x00, 0x00, 0x03},  // STC
        {0x3F, 0x00, 0x03, 0x00, 0x02},  // CMC
        {0x3F, 0x00, 0x02, 0x00, 0x03},
        {0x2F, 0x5A, 0x13, 0xA5, 0x13},  // CMA leaves F
    };
    for (const Case& c : cases) {
        Load(0x0100, {c.opcode});
        cpu.A = c.a;
        cpu.F = c.f;
        EXPECT_EQ(cpu.Step(), 4);
        EXPECT_EQ(cpu.A, c.expectA) << std::hex << int(c.opcode);
        EXPECT_EQ(cpu.F, c.expectF) << std::hex << int(c.opcode);
    }
}

TEST_F(CpuTest, DadCarryAndWrap) {
    Load(0x0100, {0x09});
    cpu.SetHL(0x8000);
    cpu.SetBC(0x8001);
    cpu.F = 0xD6;
    EXPECT_EQ(cpu.Step(), 10);
    EXPECT_EQ(cpu.GetHL(), 0x0001);
    EXPECT_EQ(cpu.F, 0xD7);
    Load(0x0100, {0x39});  // DAD SP
    cpu.SP = 0x0001;
    cpu.F = 0x01;
    cpu.Step();
    EXPECT_EQ(cpu.GetHL(), 0x0002);
    EXPECT_EQ(cpu.F, 0x02);
}

TEST_F(CpuTest, PushPopPswMasks) {
    Load(0x0100, {0xF1});  // POP PSW of FFFFh
    cpu.SP = 0x4000;
    mem.WriteWord(0x4000, 0xFFFF);
    EXPECT_EQ(cpu.Step(), 10);
    EXPECT_EQ(cpu.A, 0xFF);
    EXPECT_EQ(cpu.F, 0xD7);
    EXPECT_EQ(cpu.SP, 0x4002);

    Load(0x0100, {0xF5});  // PUSH PSW normalises F first
    cpu.A = 0x12;
    cpu.F = 0xFF;
    EXPECT_EQ(cpu.Step(), 11);
    EXPECT_EQ(cpu.F, 0xD7);
    EXPECT_EQ(cpu.SP, 0x4000);
    EXPECT_EQ(mem.ReadWord(0x4000), 0x12D7);

    Load(0x0100, {0xF5});
    cpu.F = 0x00;
    cpu.Step();
    EXPECT_EQ(mem.ReadWord(cpu.SP), 0x1202);
}

TEST_F(CpuTest, EiTakesEffectAfterTheNextInstruction) {
    Load(0x0100, {0xFB, 0x00, 0x00, 0x00});
    cpu.SP = 0x5000;
    cpu.Step();  // EI
    EXPECT_EQ(cpu.INTE, 0);
    EXPECT_EQ(cpu.Interrupt(), 0);  // lost
    cpu.Step();                     // NOP: INTE comes on at its end
    EXPECT_EQ(cpu.INTE, 1);
    EXPECT_EQ(cpu.PC, 0x0102);
    EXPECT_EQ(cpu.Interrupt(), 1);
    EXPECT_EQ(cpu.INTE, 0);
    const uint32_t counted = cpu.InstructionCounter;
    EXPECT_EQ(cpu.Step(), 11);  // RST 7
    EXPECT_EQ(cpu.PC, 0x0038);
    EXPECT_EQ(mem.ReadWord(cpu.SP), 0x0102);
    EXPECT_EQ(cpu.InstructionCounter, counted);
    EXPECT_EQ(cpu.IntRequest, 0);
}

TEST_F(CpuTest, LostInterruptIsNotRemembered) {
    Load(0x0100, {0x00, 0x00, 0xFB, 0x00, 0x00});
    EXPECT_EQ(cpu.Interrupt(), 0);
    cpu.Step();
    cpu.Step();
    EXPECT_EQ(cpu.PC, 0x0102);  // plain NOPs ran, no RST 7
    EXPECT_EQ(cpu.IntRequest, 0);
}

TEST_F(CpuTest, DiClearsEiStagesButNotARequest) {
    Load(0x0100, {0xFB, 0xF3, 0x00, 0x00});
    cpu.Step();  // EI
    cpu.Step();  // DI
    EXPECT_EQ(cpu.INTE, 0);
    EXPECT_EQ(cpu.EiStage1 | cpu.EiStage2, 0);
    cpu.Step();
    EXPECT_EQ(cpu.INTE, 0);

}

struct Interrupter {
    ChipCpu8080* cpu;
    std::vector<int32_t> results;
    static void Call(void* data, int32_t, int32_t) {
        auto* self = static_cast<Interrupter*>(data);
        self->results.push_back(self->cpu->Interrupt());
    }
};

TEST_F(CpuTest, InterruptFromACallbackSurvivesDi) {
    // EI; NOP; DI; NOP. The callback before DI's execution is accepted;
    // DI clears INTE but the request stays and RST 7 follows the DI.
    Load(0x0100, {0xFB, 0x00, 0xF3, 0x00});
    cpu.SP = 0x5000;
    Interrupter irq{&cpu, {}};
    cpu.AddCycleCallback(CycleHook(&Interrupter::Call, &irq));
    cpu.Step();  // EI
    cpu.Step();  // NOP, INTE on at its end
    cpu.Step();  // DI, interrupt accepted just before it runs
    EXPECT_EQ(irq.results, (std::vector<int32_t>{0, 0, 1}));
    EXPECT_EQ(cpu.INTE, 0);
    EXPECT_EQ(cpu.IntRequest, 1);
    EXPECT_EQ(cpu.Step(), 11);
    EXPECT_EQ(cpu.PC, 0x0038);
    EXPECT_EQ(mem.ReadWord(0x4FFE), 0x0103);
}

TEST_F(CpuTest, HaltRepeatsUntilInterrupt) {
    Load(0x0100, {0x76, 0x00});
    cpu.SP = 0x5000;
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(cpu.Step(), 7);
        EXPECT_EQ(cpu.PC, 0x0100);
        EXPECT_EQ(cpu.Halt, 1);
    }
    EXPECT_EQ(cpu.InstructionCounter, 3u);
    cpu.SetInte(1);
    ASSERT_EQ(cpu.Interrupt(), 1);
    EXPECT_EQ(cpu.Step(), 11);
    EXPECT_EQ(cpu.Halt, 0);
    EXPECT_EQ(cpu.PC, 0x0038);
    EXPECT_EQ(mem.ReadWord(0x4FFE), 0x0101);  // after the HLT
    EXPECT_EQ(cpu.InstructionCounter, 3u);
}

TEST_F(CpuTest, BranchCycles) {
    struct Case {
        const char* name;
        uint8_t opcode, f;
        int32_t cycles;
        uint16_t pc;
    } cases[] = {
        {"RZ taken", 0xC8, 0x42, 11, 0x1234},
        {"RZ not taken", 0xC8, 0x02, 5, 0x0101},
        {"RNZ taken", 0xC0, 0x02, 11, 0x1234},
        {"CZ taken", 0xCC, 0x42, 17, 0x2000},
        {"CZ not taken", 0xCC, 0x02, 11, 0x0103},
        {"CC taken", 0xDC, 0x03, 17, 0x2000},
        {"CPE taken", 0xEC, 0x06, 17, 0x2000},
        {"CPO not taken", 0xE4, 0x06, 11, 0x0103},
        {"CM taken", 0xFC, 0x82, 17, 0x2000},
        {"CP not taken", 0xF4, 0x82, 11, 0x0103},
        {"JZ taken", 0xCA, 0x42, 10, 0x2000},
        {"JZ not taken", 0xCA, 0x02, 10, 0x0103},
        {"JNC taken", 0xD2, 0x02, 10, 0x2000},
        {"RC not taken", 0xD8, 0x02, 5, 0x0101},
        {"RM taken", 0xF8, 0x82, 11, 0x1234},
        {"RET", 0xC9, 0x02, 10, 0x1234},
        {"CALL", 0xCD, 0x02, 17, 0x2000},
        {"JMP", 0xC3, 0x02, 10, 0x2000},
    };
    for (const Case& c : cases) {
        Load(0x0100, {c.opcode, 0x00, 0x20});
        cpu.SP = 0x5000;
        mem.WriteWord(0x5000, 0x1234);
        cpu.F = c.f;
        EXPECT_EQ(cpu.Step(), c.cycles) << c.name;
        EXPECT_EQ(cpu.PC, c.pc) << c.name;
        EXPECT_EQ(cpu.LastCycles, c.cycles) << c.name;
        const bool isCall = (c.opcode & 0xC7) == 0xC4 || c.opcode == 0xCD;
        if (isCall && c.pc == 0x2000) {
            EXPECT_EQ(cpu.SP, 0x4FFE) << c.name;
            EXPECT_EQ(mem.ReadWord(0x4FFE), 0x0103) << c.name;
        }
    }
}

TEST_F(CpuTest, AliasesBehaveLikeTheirInstructions) {
    for (uint8_t op : {0x08, 0x10, 0x18, 0x20, 0x28, 0x30, 0x38}) {
        Load(0x0100, {op});
        cpu.A = 0x11;
        cpu.F = 0x02;
        EXPECT_EQ(cpu.Step(), 4);
        EXPECT_EQ(cpu.PC, 0x0101);
        EXPECT_EQ(cpu.A, 0x11);
        EXPECT_EQ(cpu.F, 0x02);
    }
    Load(0x0100, {0xCB, 0x34, 0x12});
    EXPECT_EQ(cpu.Step(), 10);
    EXPECT_EQ(cpu.PC, 0x1234);
    for (uint8_t op : {0xDD, 0xED, 0xFD}) {
        Load(0x0100, {op, 0x00, 0x30});
        cpu.SP = 0x5000;
        EXPECT_EQ(cpu.Step(), 17);
        EXPECT_EQ(cpu.PC, 0x3000);
        EXPECT_EQ(cpu.SP, 0x4FFE);
        EXPECT_EQ(mem.ReadWord(0x4FFE), 0x0103);
    }
    Load(0x0100, {0xD9});
    cpu.SP = 0x4FFE;
    EXPECT_EQ(cpu.Step(), 10);
    EXPECT_EQ(cpu.PC, 0x0103);
    EXPECT_EQ(cpu.SP, 0x5000);
}

TEST_F(CpuTest, ProgramCounterAndStackWrap) {
    Load(0xFFFE, {0x01, 0x34});  // LXI B with its high byte at 0000h
    mem.WriteByte(0x0000, 0x12);
    EXPECT_EQ(cpu.Step(), 10);
    EXPECT_EQ(cpu.GetBC(), 0x1234);
    EXPECT_EQ(cpu.PC, 0x0001);

    Load(0xFFFF, {0x00});
    cpu.Step();
    EXPECT_EQ(cpu.PC, 0x0000);

    Load(0x0100, {0xC5});  // PUSH B with SP = 1: bytes at FFFFh and 0000h
    cpu.SP = 0x0001;
    cpu.Step();
    EXPECT_EQ(cpu.SP, 0xFFFF);
    EXPECT_EQ(mem.ReadByte(0xFFFF), 0x34);
    EXPECT_EQ(mem.ReadByte(0x0000), 0x12);
    EXPECT_EQ(mem.ReadWord(0xFFFF), 0x1234);

    Load(0x0100, {0x23, 0x0B});  // INX H / DCX B wrap
    cpu.SetHL(0xFFFF);
    cpu.SetBC(0x0000);
    EXPECT_EQ(cpu.Step(), 5);
    EXPECT_EQ(cpu.Step(), 5);
    EXPECT_EQ(cpu.GetHL(), 0x0000);
    EXPECT_EQ(cpu.GetBC(), 0xFFFF);
}

TEST_F(CpuTest, ExchangesAndStackPointerMoves) {
    Load(0x0100, {0xE3, 0xEB, 0xF9, 0xE9});
    cpu.SP = 0x4000;
    mem.WriteWord(0x4000, 0xBEEF);
    cpu.SetHL(0x1234);
    cpu.SetDE(0x5678);
    EXPECT_EQ(cpu.Step(), 18);  // XTHL
    EXPECT_EQ(cpu.GetHL(), 0xBEEF);
    EXPECT_EQ(mem.ReadWord(0x4000), 0x1234);
    EXPECT_EQ(cpu.Step(), 4);  // XCHG
    EXPECT_EQ(cpu.GetHL(), 0x5678);
    EXPECT_EQ(cpu.GetDE(), 0xBEEF);
    EXPECT_EQ(cpu.Step(), 5);  // SPHL
    EXPECT_EQ(cpu.SP, 0x5678);
    EXPECT_EQ(cpu.Step(), 5);  // PCHL
    EXPECT_EQ(cpu.PC, 0x5678);
}

TEST_F(CpuTest, LoadsAndStores) {
    Load(0x0100, {0x22, 0x00, 0x40, 0x2A, 0x10, 0x40, 0x32, 0x20, 0x40, 0x3A, 0x21, 0x40, 0x02, 0x1A, 0x36, 0x99,
                  0x77, 0x46});
    cpu.SetHL(0xA55A);
    mem.WriteWord(0x4010, 0x1357);
    mem.WriteByte(0x4021, 0x77);
    cpu.A = 0x42;
    EXPECT_EQ(cpu.Step(), 16);  // SHLD
    EXPECT_EQ(mem.ReadWord(0x4000), 0xA55A);
    EXPECT_EQ(cpu.Step(), 16);  // LHLD
    EXPECT_EQ(cpu.GetHL(), 0x1357);
    EXPECT_EQ(cpu.Step(), 13);  // STA
    EXPECT_EQ(mem.ReadByte(0x4020), 0x42);
    EXPECT_EQ(cpu.Step(), 13);  // LDA
    EXPECT_EQ(cpu.A, 0x77);
    cpu.SetBC(0x4030);
    cpu.SetDE(0x4020);
    EXPECT_EQ(cpu.Step(), 7);  // STAX B
    EXPECT_EQ(mem.ReadByte(0x4030), 0x77);
    EXPECT_EQ(cpu.Step(), 7);  // LDAX D
    EXPECT_EQ(cpu.A, 0x42);
    cpu.SetHL(0x4040);
    EXPECT_EQ(cpu.Step(), 10);  // MVI M
    EXPECT_EQ(mem.ReadByte(0x4040), 0x99);
    EXPECT_EQ(cpu.Step(), 7);  // MOV M,A
    EXPECT_EQ(mem.ReadByte(0x4040), 0x42);
    EXPECT_EQ(cpu.Step(), 7);  // MOV B,M
    EXPECT_EQ(cpu.B, 0x42);
}

TEST_F(CpuTest, ClocksAdvanceAndTotalWraps) {
    Load(0x0100, {0x00, 0x00});
    cpu.SliceClock = 4090;
    cpu.TotalClock = 0xFFFFFFFEu;
    cpu.Step();
    EXPECT_EQ(cpu.SliceClock, 4094);
    EXPECT_EQ(cpu.TotalClock, 2u);
    EXPECT_EQ(cpu.LastCycles, 4);
    EXPECT_EQ(cpu.InstructionCounter, 1u);
}

struct CallbackLog {
    std::vector<std::pair<int32_t, int32_t>> calls;
    ChipCpu8080* cpu = nullptr;
    int32_t nested = -1;
    static void Record(void* data, int32_t clock, int32_t cycles) {
        static_cast<CallbackLog*>(data)->calls.emplace_back(clock, cycles);
    }
    static void StepAgain(void* data, int32_t, int32_t) {
        auto* log = static_cast<CallbackLog*>(data);
        log->nested = log->cpu->Step();
    }
};

TEST_F(CpuTest, CallbacksSeeThePreviousInstruction) {
    Load(0x0100, {0x3E, 0x01, 0x01, 0x00, 0x00, 0x00});
    CallbackLog log;
    cpu.AddCycleCallback(CycleHook(&CallbackLog::Record, &log));
    cpu.Step();  // MVI, 7
    cpu.Step();  // LXI, 10
    cpu.Step();  // NOP, 4
    ASSERT_EQ(log.calls.size(), 3u);
    EXPECT_EQ(log.calls[0], std::make_pair(0, 0));
    EXPECT_EQ(log.calls[1], std::make_pair(7, 7));
    EXPECT_EQ(log.calls[2], std::make_pair(17, 10));
}

TEST_F(CpuTest, SecondStepWhileRunningDoesNothing) {
    Load(0x0100, {0x3E, 0x01, 0x00});
    CallbackLog log;
    log.cpu = &cpu;
    cpu.AddCycleCallback(CycleHook(&CallbackLog::StepAgain, &log));
    EXPECT_EQ(cpu.Step(), 7);
    EXPECT_EQ(log.nested, 0);
    EXPECT_EQ(cpu.PC, 0x0102);
    EXPECT_EQ(cpu.A, 0x01);
    EXPECT_EQ(cpu.InstructionCounter, 1u);
    EXPECT_EQ(cpu.SliceClock, 7);
    // The guard is down again: the next Step runs the NOP.
    EXPECT_EQ(cpu.Step(), 4);
    EXPECT_EQ(cpu.PC, 0x0103);
}

TEST_F(CpuTest, PortAccessesSeeTheClockBeforeTheInstruction) {
    FakeDevice dev;
    cpu.AddPortDevice(0x10, 0xFF, 0, &dev);
    Load(0x0100, {0x00, 0xD3, 0x10, 0xDB, 0x10, 0xDB, 0x20});
    cpu.A = 0x33;
    cpu.Step();
    EXPECT_EQ(cpu.Step(), 10);  // OUT
    EXPECT_EQ(cpu.Step(), 10);  // IN
    ASSERT_EQ(dev.writes.size(), 1u);
    EXPECT_EQ(dev.writes[0].port, 0x10);
    EXPECT_EQ(dev.writes[0].value, 0x33);
    EXPECT_EQ(dev.writes[0].cycles, 4);
    ASSERT_EQ(dev.reads.size(), 1u);
    EXPECT_EQ(dev.reads[0].cycles, 14);
    EXPECT_EQ(cpu.A, 0x5A);
    cpu.Step();  // IN from a port nobody decodes
    EXPECT_EQ(cpu.A, 0xFF);
    EXPECT_EQ(dev.reads.size(), 1u);
}

TEST_F(CpuTest, InWithRecording) {
    FakeDevice dev;
    FakeRecorder rec;
    cpu.AddPortDevice(0x10, 0xFF, 0, &dev);
    cpu.Recording = &rec;
    rec.recording = true;
    Load(0x0100, {0xDB, 0x10, 0xDB, 0x77, 0xDB, 0x10});
    cpu.Step();
    cpu.Step();
    EXPECT_EQ(rec.stored, (std::vector<uint8_t>{0x5A, 0xFF}));
    rec.recording = false;
    rec.playing = true;
    rec.playback = {0xC3};
    cpu.Step();
    EXPECT_EQ(cpu.A, 0xC3);
    EXPECT_EQ(dev.reads.size(), 1u);  // playback does not read the device
    EXPECT_EQ(rec.stored.size(), 2u);
}

TEST_F(CpuTest, ResetKeepsRegisters) {
    FakeDevice withReset, withoutReset;
    cpu.AddPortDevice(0x10, 0xFF, 1, &withReset);
    cpu.AddPortDevice(0x20, 0xFF, 0, &withoutReset);
    cpu.SetPSW(0x1234);
    cpu.SetBC(0x5678);
    cpu.SetDE(0x9ABC);
    cpu.SetHL(0xDEF0);
    cpu.SP = 0x4321;
    cpu.PC = 0x8888;
    cpu.INTE = cpu.EiStage1 = cpu.EiStage2 = cpu.Halt = cpu.IntRequest = 1;
    cpu.SliceClock = 100;
    cpu.InstructionCounter = 7;
    cpu.Reset();
    EXPECT_EQ(cpu.GetPSW(), 0x1234);
    EXPECT_EQ(cpu.GetBC(), 0x5678);
    EXPECT_EQ(cpu.GetDE(), 0x9ABC);
    EXPECT_EQ(cpu.GetHL(), 0xDEF0);
    EXPECT_EQ(cpu.SP, 0x4321);
    EXPECT_EQ(cpu.PC, 0);
    EXPECT_EQ(cpu.INTE | cpu.EiStage1 | cpu.EiStage2 | cpu.Halt | cpu.IntRequest, 0);
    EXPECT_EQ(cpu.SliceClock, 100);
    EXPECT_EQ(cpu.InstructionCounter, 7u);
    EXPECT_EQ(mem.GetBootFlag(), 1);  // the memory is back in its boot mapping
    EXPECT_EQ(withReset.resets, 1);
    EXPECT_EQ(withoutReset.resets, 0);
}

TEST_F(CpuTest, StateRecordLayout) {
    EXPECT_EQ(cpu.GetState(nullptr), 13);
    cpu.SetPSW(0x1234);
    cpu.SetBC(0x5678);
    cpu.SetDE(0x9ABC);
    cpu.SetHL(0xDEF0);
    cpu.PC = 0x1122;
    cpu.SP = 0x3344;
    cpu.INTE = 1;
    cpu.EiStage1 = 0;
    cpu.EiStage2 = 1;
    cpu.Halt = 1;
    cpu.IntRequest = 0;
    uint8_t buf[14];
    buf[13] = 0xEE;
    EXPECT_EQ(cpu.GetState(buf), 13);
    const uint8_t expect[13] = {0x0D, 0x34, 0x12, 0x78, 0x56, 0xBC, 0x9A, 0xF0, 0xDE, 0x22, 0x11, 0x44, 0x33};
    for (int i = 0; i < 13; i++) EXPECT_EQ(buf[i], expect[i]) << i;
    EXPECT_EQ(buf[13], 0xEE);

    ChipCpu8080 other(mem);
    const uint8_t in[13] = {0x12, 0xD7, 0xFF, 1, 2, 3, 4, 5, 6, 0x00, 0x80, 0xFE, 0xFF};
    other.SetState(in);
    EXPECT_EQ(other.INTE, 0);
    EXPECT_EQ(other.EiStage1, 1);
    EXPECT_EQ(other.EiStage2, 0);
    EXPECT_EQ(other.Halt, 0);
    EXPECT_EQ(other.IntRequest, 1);
    EXPECT_EQ(other.GetPSW(), 0xFFD7);
    EXPECT_EQ(other.GetBC(), 0x0201);
    EXPECT_EQ(other.GetDE(), 0x0403);
    EXPECT_EQ(other.GetHL(), 0x0605);
    EXPECT_EQ(other.PC, 0x8000);
    EXPECT_EQ(other.SP, 0xFFFE);
    other.SetState(nullptr);
    EXPECT_EQ(other.PC, 0x8000);
}

TEST_F(CpuTest, InterruptNeedsInte) {
    EXPECT_EQ(cpu.Interrupt(), 0);
    EXPECT_EQ(cpu.IntRequest, 0);
    cpu.SetInte(1);
    EXPECT_EQ(cpu.Interrupt(), 1);
    EXPECT_EQ(cpu.IntRequest, 1);
    EXPECT_EQ(cpu.INTE, 0);
    EXPECT_EQ(cpu.Interrupt(), 0);
}

}  // namespace
