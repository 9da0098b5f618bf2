#include "tools/debugger/RunControl.h"

#include "machine/core/ModelCapabilities.h"
#include "machine/core/RequestWords.h"
#include "machine/cpu/ChipCpu8080.h"
#include "machine/cpu/ChipMemory.h"
#include "tools/debugger/Disassembler.h"

namespace dbg {

namespace {
bool IsCall(uint8_t op) {
    return op == 0xCD || op == 0xDD || op == 0xED || op == 0xFD || (op & 0xC7) == 0xC4 || (op & 0xC7) == 0xC7;
}
bool IsReturn(uint8_t op) { return op == 0xC9 || op == 0xD9 || (op & 0xC7) == 0xC0; }
}  // namespace

int RunControl::IsBreakpoint(uint16_t pc) {
    for (const BreakPoint& b : bps)
        if (b.active.load(std::memory_order_relaxed) && b.address.load(std::memory_order_relaxed) == pc) return 1;
    return 0;
}

bool RunControl::AnyBreakpoint() {
    for (const BreakPoint& b : bps)
        if (b.active.load(std::memory_order_relaxed)) return true;
    return false;
}

int RunControl::StepWatchingReturn(int32_t& cycles) {
    const uint8_t op = memory->ReadByte(cpu->PC);
    cycles = cpu->Step();
    const bool returned = op == 0xC9 || op == 0xD9 || ((op & 0xC7) == 0xC0 && cycles == 11);
    if (!returned) return 0;
    const int state = tag.load();
    const uint16_t saved = savedSp.load();
    if (state == DebuggerRequest::StepOver && cpu->SP == saved) return 1;
    if (state == DebuggerRequest::StepOut && cpu->SP > saved) return 1;
    return 0;
}

void RunControl::EnterStopped() {
    bps[0].active.store(0);
    bps[0].address.store(0);
    tag.store(DebuggerRequest::Stopped);
}

void RunControl::StepCpu() {
    cpu->Step();
    // Scheduled devices run only at their events: bring them up to the CPU
    // for the windows that read them now.
    cpu->SyncDevices();
}

void RunControl::StepOffBreakpoint() {
    bps[0].active.store(0);
    if (IsBreakpoint(cpu->PC)) StepCpu();
}

void RunControl::Step() {
    if (!cpu) return;
    StepCpu();
    EnterStopped();
}

void RunControl::StepOver() {
    if (!cpu) return;
    const uint16_t pc = cpu->PC;
    if (!IsCall(memory->ReadByte(pc))) {
        Step();
        return;
    }
    savedSp.store(cpu->SP);
    StepOffBreakpoint();
    bps[0].address.store(NextInstruction(*memory, pc, 1));
    bps[0].active.store(1);
    tag.store(DebuggerRequest::StepOver);
}

void RunControl::StepOut() {
    if (!cpu) return;
    if (IsReturn(memory->ReadByte(cpu->PC))) {
        Step();
        return;
    }
    savedSp.store(cpu->SP);
    StepOffBreakpoint();
    tag.store(DebuggerRequest::StepOut);
}

void RunControl::RunToNext() {
    if (!cpu) return;
    const uint16_t pc = cpu->PC;
    StepOffBreakpoint();
    bps[0].address.store(NextInstruction(*memory, pc, 1));
    bps[0].active.store(1);
    tag.store(DebuggerRequest::RunRequest);
}

void RunControl::Run() {
    if (tag.load() != DebuggerRequest::Stopped) return;
    if (cpu) StepOffBreakpoint();
    tag.store(DebuggerRequest::RunRequest);
}

bool RunControl::SetBreakpointFromLine(uint16_t address, int selected) {
    int target = -1;
    if (selected >= 0 && selected < 6) {
        target = selected + 1;
    } else {
        for (int k = 1; k <= 6 && target < 0; ++k)
            if (!bps[k].active.load()) target = k;
    }
    if (target < 0) return false;
    SetBp(target, address, true);
    return true;
}

bool RunControl::RunPatch(uint8_t control) {
    ChipCpu8080& c = *cpu;
    ChipMemory& m = *memory;
    const uint8_t inte = c.INTE;
    const uint16_t pc = c.PC;
    const uint16_t af = c.GetPSW();
    const uint16_t w0 = m.ReadWord(0);
    const uint16_t w2 = m.ReadWord(2);
    c.SetInte(0);
    c.PC = 0;
    const uint16_t p0 = static_cast<uint16_t>(0x3E | control << 8);
    m.WriteWord(0, p0);
    m.WriteWord(2, 0xF7D3);
    // Run the patch only when it really stands there.
    const bool patched = m.ReadWord(0) == p0 && m.ReadWord(2) == 0xF7D3;
    if (patched) {
        c.Step();
        StepCpu();
    }
    m.WriteWord(0, w0);
    m.WriteWord(2, w2);
    c.SetPSW(af);
    c.PC = pc;
    c.SetInte(inte);
    return patched;
}

bool RunControl::SwitchAllRam() {
    if (!cpu || !memory || !HasAllRamSwitch(model) || memory->GetBootFlag()) return false;
    const bool on = memory->GetAllRamFlag() != 0;
    const uint8_t n = model == kModelC2717 ? (on ? 0x0C : 0x0D) : (on ? 0x09 : 0x08);
    return RunPatch(n);
}

bool RunControl::SwitchRemap() {
    // During the boot mapping 0000h..3FFFh is ROM and the patch could not run.
    if (!cpu || !memory || !Capabilities(model).remap || memory->GetBootFlag()) return false;
    return RunPatch(memory->GetRemapFlag() ? 0x0E : 0x0F);
}

}  // namespace dbg
