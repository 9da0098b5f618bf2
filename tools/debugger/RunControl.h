#pragma once
// Breakpoints, stepping and the memory switches of the debugger, against the
// owner's request word; the CPU slice reaches it through DebuggerLink. The
// window runs its steps through Post, so that they run on the emulation thread.
#include <atomic>
#include <cstdint>
#include <functional>

#include "machine/core/ModelCapabilities.h"
#include "machine/owner/MachineOwner.h"

class ChipCpu8080;
class ChipMemory;

namespace dbg {

struct BreakPoint {
    std::atomic<uint16_t> address{0};
    std::atomic<uint8_t> active{0};
};

class RunControl : public DebuggerLink {
public:
    static constexpr int kCount = 7;  // 0 the temporary one, 1..6 BP1..BP6

    explicit RunControl(std::atomic<int>& tag) : tag(tag) {}

    void Attach(ChipCpu8080* c, ChipMemory* m, int modelIndex) {
        cpu = c;
        memory = m;
        model = modelIndex;
    }
    ChipCpu8080* Cpu() const { return cpu; }
    ChipMemory* Memory() const { return memory; }
    int Model() const { return model; }
    int State() const { return tag.load(); }
    std::atomic<int>& Tag() { return tag; }

    // CPU thread.
    int IsBreakpoint(uint16_t pc) override;
    int StepWatchingReturn(int32_t& cycles) override;
    bool AnyBreakpoint() override;
    void OpenDebugger() override {
        if (onStopRequest) onStopRequest();
    }
    // Called by the controls tick on a stop request (pause and show the window).
    std::function<void()> onStopRequest;

    // Hands work to the emulation thread and its answer back to the window's
    // thread (the owner's command queue); unset, both run here and now.
    using Work = std::function<void()>;
    using Poster = std::function<void(Work work, Work answer)>;
    void SetPoster(Poster p) { poster = std::move(p); }
    void Post(Work work, Work answer = {}) {
        if (poster) {
            poster(std::move(work), std::move(answer));
            return;
        }
        work();
        if (answer) answer();
    }

    // User-interface thread, machine paused.
    BreakPoint& Bp(int index) { return bps[index]; }
    void SetBp(int index, uint16_t address, bool active) {
        bps[index].address.store(address);
        bps[index].active.store(active ? 1 : 0);
    }
    // Drops the temporary breakpoint and marks the machine stopped.
    void EnterStopped();
    // The stepping and the switches run the CPU: through Post.
    void Step();       // one instruction, stays stopped
    void StepOver();   // over a call or RST, else one step
    void StepOut();    // to the caller, or one step on a return
    void RunToNext();  // to the next instruction
    void Run();        // run on (from the stopped state)
    // BP(selected+1), or the first inactive one when selected is -1; false when none is free.
    bool SetBreakpointFromLine(uint16_t address, int selected);
    // Toggles All RAM / Remap by running MVI A,n; OUT F7h at 0000h. False when refused
    // (model without the switch, boot mapping in force, patch not writable).
    bool SwitchAllRam();
    bool SwitchRemap();
    static bool HasAllRamSwitch(int m) { return Capabilities(m).allRamSwitch; }
    uint16_t SavedSp() const { return savedSp.load(); }

private:
    // One instruction on this thread, the devices brought up to it.
    void StepCpu();
    void StepOffBreakpoint();
    bool RunPatch(uint8_t control);

    std::atomic<int>& tag;
    ChipCpu8080* cpu = nullptr;
    ChipMemory* memory = nullptr;
    int model = -1;
    BreakPoint bps[kCount];
    Poster poster;
    std::atomic<uint16_t> savedSp{0};
};

}  // namespace dbg
