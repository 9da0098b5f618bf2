#include "machine/cpu/ChipCpu8080.h"

#include <algorithm>
#include <cstring>

namespace {

// Auxiliary carry, indexed by bit 3 of A before + 2 * bit 3 of the operand
// + 4 * bit 3 of the result.
constexpr uint8_t AddAC[8] = {0x00, 0x10, 0x10, 0x10, 0x00, 0x00, 0x00, 0x10};
constexpr uint8_t SubAC[8] = {0x10, 0x10, 0x00, 0x10, 0x00, 0x10, 0x00, 0x00};

inline int AcIndex(uint32_t a, uint32_t v, uint32_t r) {
    return static_cast<int>(((a >> 3) & 1) | ((v >> 2) & 2) | ((r >> 1) & 4));
}

}  // namespace

ChipCpu8080::ChipCpu8080(ChipMemory& memory) : memory(memory) { BuildTables(); }

ChipCpu8080::~ChipCpu8080() {
    while (portHead) {
        PortMapEntry* next = portHead->Next;
        delete portHead;
        portHead = next;
    }
    portTail = nullptr;
    while (callbackHead) {
        CycleCallback* next = callbackHead->Next;
        delete callbackHead;
        callbackHead = next;
    }
}

void ChipCpu8080::BuildTables() {
    for (int v = 0; v < 256; v++) {
        int bits = 0;
        for (int b = 0; b < 8; b++) bits += (v >> b) & 1;
        FlagTable[v] = static_cast<uint8_t>((v & 0x80) | 0x02 | ((bits & 1) ? 0 : 0x04) | (v == 0 ? 0x40 : 0));
    }
    for (int i = 0; i < 1024; i++) {
        const int a = i & 0xFF;
        const bool cy = (i & 0x100) != 0;
        const bool ac = (i & 0x200) != 0;
        int t = a;
        int flags = 0;
        if (ac || (a & 0x0F) > 9) {
            if ((a & 0x0F) > 9) flags |= FlagAC;
            t += 6;
        }
        if (cy || t > 0x9F) {
            t += 0x60;
            flags |= FlagCY;
        }
        const int newA = t & 0xFF;
        DaaTable[i] = static_cast<uint16_t>(newA << 8 | flags | FlagTable[newA]);
    }
}

void ChipCpu8080::Reset() {
    INTE = EiStage1 = EiStage2 = Halt = IntRequest = 0;
    PC = 0;
    memory.Reset();
    if (scheduledCount) CatchUpDevices(LastCycles);
    for (PortMapEntry* e = portHead; e; e = e->Next)
        if (e->ResetFlag == 1) e->Device->Reset(0);
    ScheduleEvents();
}

int32_t ChipCpu8080::Interrupt() {
    if (!INTE) return 0;
    INTE = EiStage1 = EiStage2 = 0;
    IntRequest = 1;
    return 1;
}

void ChipCpu8080::SetInte(uint8_t value) {
    INTE = value;
    EiStage1 = EiStage2 = 0;
}

int32_t ChipCpu8080::GetState(void* buffer) const {
    if (!buffer) return StateSize;
    CpuState s;
    s.Flags = static_cast<uint8_t>((INTE ? CpuState::FlagInte : 0) | (EiStage1 ? CpuState::FlagEi1 : 0) |
                                   (EiStage2 ? CpuState::FlagEi2 : 0) | (Halt ? CpuState::FlagHalt : 0) |
                                   (IntRequest ? CpuState::FlagIntRequest : 0));
    s.PSW[0] = F;
    s.PSW[1] = A;
    s.BC[0] = C;
    s.BC[1] = B;
    s.DE[0] = E;
    s.DE[1] = D;
    s.HL[0] = L;
    s.HL[1] = H;
    s.PC[0] = static_cast<uint8_t>(PC);
    s.PC[1] = static_cast<uint8_t>(PC >> 8);
    s.SP[0] = static_cast<uint8_t>(SP);
    s.SP[1] = static_cast<uint8_t>(SP >> 8);
    std::memcpy(buffer, &s, StateSize);
    return StateSize;
}

void ChipCpu8080::SetState(const void* buffer) {
    if (!buffer) return;
    CpuState s;
    std::memcpy(&s, buffer, StateSize);
    INTE = (s.Flags & CpuState::FlagInte) ? 1 : 0;
    EiStage1 = (s.Flags & CpuState::FlagEi1) ? 1 : 0;
    EiStage2 = (s.Flags & CpuState::FlagEi2) ? 1 : 0;
    Halt = (s.Flags & CpuState::FlagHalt) ? 1 : 0;
    IntRequest = (s.Flags & CpuState::FlagIntRequest) ? 1 : 0;
    F = s.PSW[0];
    A = s.PSW[1];
    C = s.BC[0];
    B = s.BC[1];
    E = s.DE[0];
    D = s.DE[1];
    L = s.HL[0];
    H = s.HL[1];
    PC = static_cast<uint16_t>(s.PC[0] | s.PC[1] << 8);
    SP = static_cast<uint16_t>(s.SP[0] | s.SP[1] << 8);
}

const char16_t* ChipCpu8080::GetMnemonic(int32_t opcode, uint8_t z80Style) {
    return z80Style == 1 ? MnemonicZ80[opcode & 0xFF] : MnemonicIntel[opcode & 0xFF];
}

void ChipCpu8080::AddPortDevice(uint8_t port, uint8_t mask, uint8_t resetFlag, PeripheralDevice* device) {
    if (!device || mask == 0) return;
    RemovePortDevice(port);
    PortMapEntry* e = new PortMapEntry;
    e->Port = port;
    e->Mask = mask;
    e->Device = device;
    e->ResetFlag = resetFlag;
    if (portTail)
        portTail->Next = e;
    else
        portHead = e;
    portTail = e;
}

void ChipCpu8080::RemovePortDevice(uint8_t port) {
    RemovePortEntry(port, nullptr);
}

void ChipCpu8080::RemovePortDevice(uint8_t port, const PeripheralDevice* device) {
    if (device) RemovePortEntry(port, device);
}

void ChipCpu8080::RemovePortEntry(uint8_t port, const PeripheralDevice* device) {
    PortMapEntry* prev = nullptr;
    for (PortMapEntry* e = portHead; e; prev = e, e = e->Next) {
        if (e->Port != port) continue;
        if (device && e->Device != device) return;
        if (prev)
            prev->Next = e->Next;
        else
            portHead = e->Next;
        if (portTail == e) portTail = prev;
        delete e;
        return;
    }
}

void ChipCpu8080::AddCycleCallback(CycleHook hook) { AddCycleCallback(hook, QuietHook()); }

void ChipCpu8080::AddCycleCallback(CycleHook hook, QuietHook quiet) {
    if (!hook) return;
    // A newcomer owes what the others owe (between slices: the last
    // instruction's cycles).
    if (quiet && scheduledCount == 0) eventClock = TotalClock - static_cast<uint32_t>(LastCycles);
    CycleCallback* n = new CycleCallback;
    n->Hook = hook;
    n->Quiet = quiet;
    CycleCallback** link = &callbackHead;
    while (*link) link = &(*link)->Next;
    *link = n;
    FlattenCycleCallbacks();
}

void ChipCpu8080::FlattenCycleCallbacks() {
    int plain = 0, all = 0, scheduled = 0;
    for (CycleCallback* c = callbackHead; c; c = c->Next) {
        if (c->Quiet) {
            scheduled++;
        } else {
            if (plain < kFlatHooks) {
                hookCode[plain] = c->Hook.code;
                hookObject[plain] = c->Hook.object;
            }
            plain++;
        }
        if (all < kEventHooks) {
            eventHook[all] = c->Hook;
            eventQuiet[all] = c->Quiet;
        }
        all++;
    }
    hookCount = plain <= kFlatHooks ? plain : -1;
    eventCount = all <= kEventHooks ? all : -1;
    scheduledCount = scheduled;
    plainHooks = plain > 0;
    // The next instruction is an event that asks the measures; the devices
    // are not called from here (they may be going away).
    NextEvent = TotalClock;
}

void ChipCpu8080::RemoveCycleCallback(CycleHook hook) {
    for (CycleCallback** link = &callbackHead; *link; link = &(*link)->Next) {
        CycleCallback* n = *link;
        if (n->Hook == hook) {
            *link = n->Next;
            delete n;
            FlattenCycleCallbacks();
            return;
        }
    }
}

// --- event scheduling ---

void ChipCpu8080::CatchUpDevices(int32_t owed) {
    const uint32_t target = TotalClock - static_cast<uint32_t>(owed);
    const int32_t cycles = static_cast<int32_t>(target - eventClock);
    if (cycles <= 0) return;
    eventClock = target;
    const int32_t at = SliceClock - owed;
    if (eventCount >= 0) {
        for (int i = 0; i < eventCount; ++i)
            if (eventQuiet[i]) eventHook[i](at, cycles);
    } else {
        for (CycleCallback* c = callbackHead; c; c = c->Next)
            if (c->Quiet) c->Hook(at, cycles);
    }
}

void ChipCpu8080::CatchUpInstruction() {
    if (eventClock == TotalClock) return;  // served at this instruction
    CatchUpDevices(LastCycles);
    if (eventCount >= 0) {
        for (int i = 0; i < eventCount; ++i)
            if (eventQuiet[i]) eventHook[i](SliceClock, LastCycles);
    } else {
        for (CycleCallback* c = callbackHead; c; c = c->Next)
            if (c->Quiet) c->Hook(SliceClock, LastCycles);
    }
    eventClock = TotalClock;
}

void ChipCpu8080::ServeEvents() {
    // Up to the start of the previous instruction, where nothing happens by
    // the quiet measures; then the previous instruction as every hook would
    // have had it, in list order.
    if (scheduledCount) CatchUpDevices(LastCycles);
    if (eventCount >= 0) {
        for (int i = 0; i < eventCount; ++i) eventHook[i](SliceClock, LastCycles);
    } else {
        for (CycleCallback* c = callbackHead; c; c = c->Next) c->Hook(SliceClock, LastCycles);
    }
    eventClock = TotalClock;
    ScheduleEvents();
}

void ChipCpu8080::SyncDevices() {
    if (scheduledCount) CatchUpDevices(LastCycles);
    ScheduleEvents();
}

void ChipCpu8080::ResetEventClock() {
    eventClock = TotalClock - static_cast<uint32_t>(LastCycles);
    ScheduleEvents();
}

void ChipCpu8080::ScheduleEvents() {
    if (plainHooks) {
        NextEvent = TotalClock;  // every instruction
        return;
    }
    // Far enough for the wrapping comparison; a needless event costs nothing.
    constexpr int32_t kFar = 1 << 30;
    int32_t quiet = kFar;
    if (eventCount >= 0) {
        for (int i = 0; i < eventCount; ++i)
            if (eventQuiet[i]) quiet = std::min(quiet, eventQuiet[i]());
    } else {
        for (CycleCallback* c = callbackHead; c; c = c->Next)
            if (c->Quiet) quiet = std::min(quiet, c->Quiet());
    }
    if (quiet < 0) quiet = 0;
    NextEvent = eventClock + static_cast<uint32_t>(quiet) + 1;
}

int32_t ChipCpu8080::Step() {
    if (inStep) return 0;
    inStep = true;

    ChipMemory& m = memory;
    uint8_t op;
    uint16_t imm = 0;  // immediate byte (low half) or word
    if (IntRequest) [[unlikely]] {
        if (Halt) {
            Halt = 0;
            PC++;
        }
        op = 0xFF;
        IntRequest = 0;
    } else {
        op = m.ReadByte(PC);
        PC++;
        const int32_t len = OpcodeLength[op];
        if (len == 2) {
            imm = m.ReadByte(PC);
            PC++;
        } else if (len == 3) {
            imm = m.ReadWord(PC);
            PC += 2;
        }
        InstructionCounter++;
    }

    if (static_cast<int32_t>(TotalClock - NextEvent) >= 0) [[unlikely]]
        ServeEvents();

    int32_t cycles = OpcodeCycles[op];
    const uint8_t imm8 = static_cast<uint8_t>(imm);


#define HL_ (static_cast<uint16_t>(H << 8 | L))
#define ADD_(v)                                                               \
    {                                                                         \
        const uint32_t v_ = (v);                                              \
        const uint32_t r_ = A + v_;                                           \
        F = static_cast<uint8_t>(FlagTable[r_ & 0xFF] | AddAC[AcIndex(A, v_, r_)] | (r_ >> 8)); \
        A = static_cast<uint8_t>(r_);                                         \
    }
#define ADC_(v)                                                               \
    {                                                                         \
        const uint32_t v_ = (v);                                              \
        const uint32_t r_ = A + v_ + (F & FlagCY);                            \
        F = static_cast<uint8_t>(FlagTable[r_ & 0xFF] | AddAC[AcIndex(A, v_, r_)] | (r_ >> 8)); \
        A = static_cast<uint8_t>(r_);                                         \
    }
#define SUB_(v)                                                               \
    {                                                                         \
        const uint32_t v_ = (v);                                              \
        const uint32_t r_ = static_cast<uint32_t>(A) - v_;                    \
        F = static_cast<uint8_t>(FlagTable[r_ & 0xFF] | SubAC[AcIndex(A, v_, r_)] | ((r_ >> 8) & 1)); \
        A = static_cast<uint8_t>(r_);                                         \
    }
#define SBB_(v)                                                               \
    {                                                                         \
        const uint32_t v_ = (v);                                              \
        const uint32_t r_ = static_cast<uint32_t>(A) - v_ - (F & FlagCY);     \
        F = static_cast<uint8_t>(FlagTable[r_ & 0xFF] | SubAC[AcIndex(A, v_, r_)] | ((r_ >> 8) & 1)); \
        A = static_cast<uint8_t>(r_);                                         \
    }
#define ANA_(v)                                                               \
    {                                                                         \
        const uint32_t v_ = (v);                                              \
        const uint32_t r_ = A & v_;                                           \
        F = static_cast<uint8_t>(FlagTable[r_] | (((A | v_) & 0x08) << 1));   \
        A = static_cast<uint8_t>(r_);                                         \
    }
#define XRA_(v)                                                               \
    {                                                                         \
        A = static_cast<uint8_t>(A ^ (v));                                    \
        F = FlagTable[A];                                                     \
    }
#define ORA_(v)                                                               \
    {                                                                         \
        A = static_cast<uint8_t>(A | (v));                                    \
        F = FlagTable[A];                                                     \
    }
#define CMP_(v)                                                               \
    {                                                                         \
        const uint32_t v_ = (v);                                              \
        const uint32_t r_ = static_cast<uint32_t>(A) - v_;                    \
        F = static_cast<uint8_t>(FlagTable[r_ & 0xFF] | SubAC[AcIndex(A, v_, r_)] | ((r_ >> 8) & 1)); \
    }
#define INR_(r)                                                               \
    {                                                                         \
        r = static_cast<uint8_t>(r + 1);                                      \
        F = static_cast<uint8_t>((F & FlagCY) | ((r & 0x0F) == 0 ? FlagAC : 0) | FlagTable[r]); \
    }
#define DCR_(r)                                                               \
    {                                                                         \
        F = static_cast<uint8_t>((F & FlagCY) | ((r & 0x0F) != 0 ? FlagAC : 0)); \
        r = static_cast<uint8_t>(r - 1);                                      \
        F |= FlagTable[r];                                                    \
    }
#define PUSH_(w)                                                              \
    {                                                                         \
        SP = static_cast<uint16_t>(SP - 2);                                   \
        m.WriteWord(SP, (w));                                                 \
    }
#define POP_()                                                                \
    [&]() {                                                                   \
        const uint16_t w_ = m.ReadWord(SP);                                   \
        SP = static_cast<uint16_t>(SP + 2);                                   \
        return w_;                                                            \
    }()
#define RET_()                                                                \
    {                                                                         \
        PC = m.ReadWord(SP);                                                  \
        SP = static_cast<uint16_t>(SP + 2);                                   \
    }
#define RETCC_(cond)                                                          \
    {                                                                         \
        if (cond) {                                                           \
            RET_();                                                           \
            cycles += 6;                                                      \
        }                                                                     \
    }
#define JMPCC_(cond)                                                          \
    {                                                                         \
        if (cond) PC = imm;                                                   \
    }
#define CALL_()                                                               \
    {                                                                         \
        PUSH_(PC);                                                            \
        PC = imm;                                                             \
    }
#define CALLCC_(cond)                                                         \
    {                                                                         \
        if (cond) {                                                           \
            CALL_();                                                          \
            cycles += 6;                                                      \
        }                                                                     \
    }
#define RST_(n)                                                               \
    {                                                                         \
        PUSH_(PC);                                                            \
        PC = (n) * 8;                                                         \
    }
#define MEM_ m.ReadByte(HL_)

#define ALU_GROUP(base, OP)                                                   \
    case base + 0: OP(B) break;                                               \
    case base + 1: OP(C) break;                                               \
    case base + 2: OP(D) break;                                               \
    case base + 3: OP(E) break;                                               \
    case base + 4: OP(H) break;                                               \
    case base + 5: OP(L) break;                                               \
    case base + 6: OP(MEM_) break;                                            \
    case base + 7: OP(A) break;

#define MOV_GROUP(base, dst)                                                  \
    case base + 0: dst = B; break;                                            \
    case base + 1: dst = C; break;                                            \
    case base + 2: dst = D; break;                                            \
    case base + 3: dst = E; break;                                            \
    case base + 4: dst = H; break;                                            \
    case base + 5: dst = L; break;                                            \
    case base + 6: dst = MEM_; break;                                         \
    case base + 7: dst = A; break;


    switch (op) {
        case 0x00: case 0x08: case 0x10: case 0x18:
        case 0x20: case 0x28: case 0x30: case 0x38:
            break;

        case 0x01: C = imm8; B = static_cast<uint8_t>(imm >> 8); break;
        case 0x11: E = imm8; D = static_cast<uint8_t>(imm >> 8); break;
        case 0x21: L = imm8; H = static_cast<uint8_t>(imm >> 8); break;
        case 0x31: SP = imm; break;

        case 0x02: m.WriteByte(B << 8 | C, A); break;
        case 0x12: m.WriteByte(D << 8 | E, A); break;
        case 0x0A: A = m.ReadByte(B << 8 | C); break;
        case 0x1A: A = m.ReadByte(D << 8 | E); break;

        case 0x03: { const uint16_t w = static_cast<uint16_t>((B << 8 | C) + 1); C = static_cast<uint8_t>(w); B = static_cast<uint8_t>(w >> 8); break; }
        case 0x13: { const uint16_t w = static_cast<uint16_t>((D << 8 | E) + 1); E = static_cast<uint8_t>(w); D = static_cast<uint8_t>(w >> 8); break; }
        case 0x23: { const uint16_t w = static_cast<uint16_t>(HL_ + 1); L = static_cast<uint8_t>(w); H = static_cast<uint8_t>(w >> 8); break; }
        case 0x33: SP = static_cast<uint16_t>(SP + 1); break;
        case 0x0B: { const uint16_t w = static_cast<uint16_t>((B << 8 | C) - 1); C = static_cast<uint8_t>(w); B = static_cast<uint8_t>(w >> 8); break; }
        case 0x1B: { const uint16_t w = static_cast<uint16_t>((D << 8 | E) - 1); E = static_cast<uint8_t>(w); D = static_cast<uint8_t>(w >> 8); break; }
        case 0x2B: { const uint16_t w = static_cast<uint16_t>(HL_ - 1); L = static_cast<uint8_t>(w); H = static_cast<uint8_t>(w >> 8); break; }
        case 0x3B: SP = static_cast<uint16_t>(SP - 1); break;

        case 0x04: INR_(B) break;
        case 0x0C: INR_(C) break;
        case 0x14: INR_(D) break;
        case 0x1C: INR_(E) break;
        case 0x24: INR_(H) break;
        case 0x2C: INR_(L) break;
        case 0x3C: INR_(A) break;
        case 0x34: { const uint16_t hl = HL_; uint8_t v = m.ReadByte(hl); INR_(v) m.WriteByte(hl, v); break; }
        case 0x05: DCR_(B) break;
        case 0x0D: DCR_(C) break;
        case 0x15: DCR_(D) break;
        case 0x1D: DCR_(E) break;
        case 0x25: DCR_(H) break;
        case 0x2D: DCR_(L) break;
        case 0x3D: DCR_(A) break;
        case 0x35: { const uint16_t hl = HL_; uint8_t v = m.ReadByte(hl); DCR_(v) m.WriteByte(hl, v); break; }

        case 0x06: B = imm8; break;
        case 0x0E: C = imm8; break;
        case 0x16: D = imm8; break;
        case 0x1E: E = imm8; break;
        case 0x26: H = imm8; break;
        case 0x2E: L = imm8; break;
        case 0x36: m.WriteByte(HL_, imm8); break;
        case 0x3E: A = imm8; break;

        case 0x07: { const uint8_t c = A >> 7; A = static_cast<uint8_t>(A << 1 | c); F = static_cast<uint8_t>((F & 0xD4) | 0x02 | c); break; }
        case 0x0F: { const uint8_t c = A & 1; A = static_cast<uint8_t>(A >> 1 | c << 7); F = static_cast<uint8_t>((F & 0xD4) | 0x02 | c); break; }
        case 0x17: { const uint8_t c = A >> 7; A = static_cast<uint8_t>(A << 1 | (F & FlagCY)); F = static_cast<uint8_t>((F & 0xD4) | 0x02 | c); break; }
        case 0x1F: { const uint8_t c = A & 1; A = static_cast<uint8_t>(A >> 1 | (F & FlagCY) << 7); F = static_cast<uint8_t>((F & 0xD4) | 0x02 | c); break; }

        case 0x09: case 0x19: case 0x29: case 0x39: {
            const uint32_t rp = op == 0x09 ? (B << 8 | C) : op == 0x19 ? (D << 8 | E) : op == 0x29 ? HL_ : SP;
            const uint32_t r = HL_ + rp;
            L = static_cast<uint8_t>(r);
            H = static_cast<uint8_t>(r >> 8);
            F = static_cast<uint8_t>((F & 0xD4) | 0x02 | ((r >> 16) & 1));
            break;
        }

        case 0x22: m.WriteWord(imm, HL_); break;
        case 0x2A: { const uint16_t w = m.ReadWord(imm); L = static_cast<uint8_t>(w); H = static_cast<uint8_t>(w >> 8); break; }
        case 0x32: m.WriteByte(imm, A); break;
        case 0x3A: A = m.ReadByte(imm); break;

        case 0x27: { const uint16_t e = DaaTable[A | (F & FlagCY) << 8 | (F & FlagAC) << 5]; A = static_cast<uint8_t>(e >> 8); F = static_cast<uint8_t>(e); break; }
        case 0x2F: A = static_cast<uint8_t>(~A); break;
        case 0x37: F = static_cast<uint8_t>((F & 0xD4) | 0x03); break;
        case 0x3F: F = static_cast<uint8_t>((F & 0xD4) | 0x02 | (~F & FlagCY)); break;

        MOV_GROUP(0x40, B)
        MOV_GROUP(0x48, C)
        MOV_GROUP(0x50, D)
        MOV_GROUP(0x58, E)
        MOV_GROUP(0x60, H)
        MOV_GROUP(0x68, L)
        MOV_GROUP(0x78, A)
        case 0x70: m.WriteByte(HL_, B); break;
        case 0x71: m.WriteByte(HL_, C); break;
        case 0x72: m.WriteByte(HL_, D); break;
        case 0x73: m.WriteByte(HL_, E); break;
        case 0x74: m.WriteByte(HL_, H); break;
        case 0x75: m.WriteByte(HL_, L); break;
        case 0x77: m.WriteByte(HL_, A); break;
        case 0x76: PC = static_cast<uint16_t>(PC - 1); Halt = 1; break;

        ALU_GROUP(0x80, ADD_)
        ALU_GROUP(0x88, ADC_)
        ALU_GROUP(0x90, SUB_)
        ALU_GROUP(0x98, SBB_)
        ALU_GROUP(0xA0, ANA_)
        ALU_GROUP(0xA8, XRA_)
        ALU_GROUP(0xB0, ORA_)
        ALU_GROUP(0xB8, CMP_)

        case 0xC6: ADD_(imm8) break;
        case 0xCE: ADC_(imm8) break;
        case 0xD6: SUB_(imm8) break;
        case 0xDE: SBB_(imm8) break;
        case 0xE6: ANA_(imm8) break;
        case 0xEE: XRA_(imm8) break;
        case 0xF6: ORA_(imm8) break;
        case 0xFE: CMP_(imm8) break;

        case 0xC0: RETCC_(!(F & FlagZ)) break;
        case 0xC8: RETCC_(F & FlagZ) break;
        case 0xD0: RETCC_(!(F & FlagCY)) break;
        case 0xD8: RETCC_(F & FlagCY) break;
        case 0xE0: RETCC_(!(F & FlagP)) break;
        case 0xE8: RETCC_(F & FlagP) break;
        case 0xF0: RETCC_(!(F & FlagS)) break;
        case 0xF8: RETCC_(F & FlagS) break;
        case 0xC9: case 0xD9: RET_() break;

        case 0xC1: { const uint16_t w = POP_(); C = static_cast<uint8_t>(w); B = static_cast<uint8_t>(w >> 8); break; }
        case 0xD1: { const uint16_t w = POP_(); E = static_cast<uint8_t>(w); D = static_cast<uint8_t>(w >> 8); break; }
        case 0xE1: { const uint16_t w = POP_(); L = static_cast<uint8_t>(w); H = static_cast<uint8_t>(w >> 8); break; }
        case 0xF1: { const uint16_t w = POP_(); A = static_cast<uint8_t>(w >> 8); F = static_cast<uint8_t>((w & 0xD5) | 0x02); break; }

        case 0xC2: JMPCC_(!(F & FlagZ)) break;
        case 0xCA: JMPCC_(F & FlagZ) break;
        case 0xD2: JMPCC_(!(F & FlagCY)) break;
        case 0xDA: JMPCC_(F & FlagCY) break;
        case 0xE2: JMPCC_(!(F & FlagP)) break;
        case 0xEA: JMPCC_(F & FlagP) break;
        case 0xF2: JMPCC_(!(F & FlagS)) break;
        case 0xFA: JMPCC_(F & FlagS) break;
        case 0xC3: case 0xCB: PC = imm; break;

        case 0xC4: CALLCC_(!(F & FlagZ)) break;
        case 0xCC: CALLCC_(F & FlagZ) break;
        case 0xD4: CALLCC_(!(F & FlagCY)) break;
        case 0xDC: CALLCC_(F & FlagCY) break;
        case 0xE4: CALLCC_(!(F & FlagP)) break;
        case 0xEC: CALLCC_(F & FlagP) break;
        case 0xF4: CALLCC_(!(F & FlagS)) break;
        case 0xFC: CALLCC_(F & FlagS) break;
        case 0xCD: case 0xDD: case 0xED: case 0xFD: CALL_() break;

        case 0xC5: PUSH_(static_cast<uint16_t>(B << 8 | C)) break;
        case 0xD5: PUSH_(static_cast<uint16_t>(D << 8 | E)) break;
        case 0xE5: PUSH_(HL_) break;
        case 0xF5: F = static_cast<uint8_t>((F & 0xD5) | 0x02); PUSH_(static_cast<uint16_t>(A << 8 | F)) break;

        case 0xC7: RST_(0) break;
        case 0xCF: RST_(1) break;
        case 0xD7: RST_(2) break;
        case 0xDF: RST_(3) break;
        case 0xE7: RST_(4) break;
        case 0xEF: RST_(5) break;
        case 0xF7: RST_(6) break;
        case 0xFF: RST_(7) break;

        case 0xD3: {
            const int32_t clock = SliceClock;
            // The devices first catch up with this instruction; what the
            // access changes may move their next events.
            if (scheduledCount) CatchUpInstruction();
            if (PeripheralDevice* d = FindPortDevice(imm8)) d->WritePort(imm8, A, clock);
            if (scheduledCount) ScheduleEvents();
            break;
        }
        case 0xDB: {
            const int32_t clock = SliceClock;
            CpuInputRecorder* rec = Recording;
            uint8_t value;
            if (scheduledCount) CatchUpInstruction();
            if (rec && rec->IsPlayingBack()) {
                value = rec->ReadByte();
            } else {
                PeripheralDevice* d = FindPortDevice(imm8);
                value = d ? d->ReadPort(imm8, clock) : 0xFF;
                if (rec && rec->IsRecording()) rec->WriteByte(value);
            }
            if (scheduledCount) ScheduleEvents();
            A = value;
            break;
        }

        case 0xE3: {
            const uint16_t w = m.ReadWord(SP);
            m.WriteWord(SP, HL_);
            L = static_cast<uint8_t>(w);
            H = static_cast<uint8_t>(w >> 8);
            break;
        }
        case 0xE9: PC = HL_; break;
        case 0xF9: SP = HL_; break;
        case 0xEB: { uint8_t t = D; D = H; H = t; t = E; E = L; L = t; break; }
        case 0xF3: INTE = EiStage1 = EiStage2 = 0; break;
        case 0xFB: EiStage1 = 1; EiStage2 = 0; break;
    }

#undef HL_
#undef ADD_
#undef ADC_
#undef SUB_
#undef SBB_
#undef ANA_
#undef XRA_
#undef ORA_
#undef CMP_
#undef INR_
#undef DCR_
#undef PUSH_
#undef POP_
#undef RET_
#undef RETCC_
#undef JMPCC_
#undef CALL_
#undef CALLCC_
#undef RST_
#undef MEM_
#undef ALU_GROUP
#undef MOV_GROUP


    if (EiStage1 | EiStage2) [[unlikely]] {
        if (EiStage2) {
            EiStage2 = 0;
            INTE = 1;
        }
        if (EiStage1) {
            EiStage1 = 0;
            EiStage2 = 1;
        }
    }
    LastCycles = cycles;
    SliceClock += cycles;
    TotalClock += static_cast<uint32_t>(cycles);
    inStep = false;
    return cycles;
}
