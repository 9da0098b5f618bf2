// Every step command of the debugger leaves the devices where per-instruction
// hooks would have them: a machine whose timer runs on scheduled events
// against the same machine with the timer as a plain hook, both driven by the
// same commands.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "machine/core/ModelIndex.h"
#include "machine/core/RequestWords.h"
#include "machine/cpu/DeviceAttachment.h"
#include "machine/timer/IifTimer.h"
#include "tests/support/FlatMachine.h"
#include "tools/debugger/RunControl.h"

using namespace testsupport;

namespace {

constexpr uint16_t kCall = 0x0110;
constexpr uint16_t kSub = 0x0120;

// Timer counter 0 as a square wave of 3FFFh, then a loop around a call.
std::vector<uint8_t> Program() {
    Asm a;
    a.to(JMP, "start");
    a.org(0x100).at("start").w(LXI_SP, 0x8000);
    a.b(MVI_A, 0x36).b(OUT, 0x5F).b(MVI_A, 0xFF).b(OUT, 0x5C).b(MVI_A, 0x3F).b(OUT, 0x5C);
    a.at("loop").b(NOP).w(CALL, kSub).b(INX_H).to(JMP, "loop");
    a.org(kSub).b(NOP).b(INX_H).b(NOP).b(RET);
    return a.Build();
}

struct Rig {
    explicit Rig(bool scheduled) : timer(kModel2A, &m.cpu), run(tag) {
        // With its sound on, counter 0 counts the CPU clock.
        timer.SetSoundSink(MakeClosure<&Rig::OnLevel>(this));
        timer.EnableSound(1);
        place.Attach(m.cpu, &timer, {{0x5C, 0xFC, 0}}, timer.TickHook(),
                     scheduled ? timer.QuietMeasure() : QuietHook());
        m.Load(Program());
        tag.store(DebuggerRequest::Stopped);
        run.Attach(&m.cpu, &m.memory, kModel2A);
    }
    void OnLevel(int, int, int32_t) {}
    std::string TimerState() {
        uint8_t s[ChipPIT8253::StateSize];
        timer.GetPit().GetState(s, ChipPIT8253::StateSize);
        return std::string(reinterpret_cast<const char*>(s), sizeof s);
    }

    FlatMachine m;
    IifTimer timer;
    DeviceAttachment place;
    std::atomic<int> tag{0};
    dbg::RunControl run;
};

struct Command {
    const char* name;
    std::function<void(Rig&)> act;
};

// Each command runs on both machines; the timers must agree after it.
void Expect(Rig& hooks, Rig& events, const Command& c) {
    c.act(hooks);
    c.act(events);
    ASSERT_EQ(hooks.m.cpu.InstructionCounter, events.m.cpu.InstructionCounter) << c.name;
    ASSERT_EQ(hooks.m.cpu.TotalClock, events.m.cpu.TotalClock) << c.name;
    EXPECT_EQ(hooks.TimerState(), events.TimerState()) << c.name << " at " << std::hex << events.m.cpu.PC;
    // Back to the stopped state, as the window's stop does.
    hooks.run.EnterStopped();
    events.run.EnterStopped();
}

TEST(StepDevices, EveryStepCommandCatchesTheDevicesUp) {
    Rig hooks(false), events(true);
    const Command step{"step", [](Rig& r) { r.run.Step(); }};
    // Through the set-up into the loop, one step at a time, and eight more.
    for (int i = 0; i < 7 + 8; ++i) Expect(hooks, events, step);
    const Command toCall{"step to the call", [](Rig& r) {
                             while (r.m.cpu.PC != kCall) r.run.Step();
                         }};
    Expect(hooks, events, toCall);
    // On a call standing on a breakpoint, step over first steps off it.
    const Command overOffBp{"step over off a breakpoint", [](Rig& r) {
                                r.run.SetBp(1, kCall, true);
                                r.run.StepOver();
                                r.run.SetBp(1, kCall, false);
                            }};
    Expect(hooks, events, overOffBp);
    Expect(hooks, events, step);  // NOP in the routine
    const Command over{"step over, not on a call", [](Rig& r) { r.run.StepOver(); }};
    Expect(hooks, events, over);  // INX H
    const Command out{"step out inside the routine", [](Rig& r) {
                          r.run.SetBp(1, r.m.cpu.PC, true);
                          r.run.StepOut();
                          r.run.SetBp(1, 0, false);
                      }};
    Expect(hooks, events, out);  // NOP, stepped off its breakpoint
    const Command outOnRet{"step out on a return", [](Rig& r) { r.run.StepOut(); }};
    Expect(hooks, events, outOnRet);
    const Command toNext{"run to the next instruction", [](Rig& r) {
                             r.run.SetBp(2, r.m.cpu.PC, true);
                             r.run.RunToNext();
                             r.run.SetBp(2, 0, false);
                         }};
    Expect(hooks, events, toNext);
    const Command runOn{"run", [](Rig& r) {
                            r.run.SetBp(3, r.m.cpu.PC, true);
                            r.run.Run();
                            r.run.SetBp(3, 0, false);
                        }};
    Expect(hooks, events, runOn);
    Expect(hooks, events, step);
    // The memory switches run their two instructions on the CPU as well.
    const Command allRam{"All RAM switch", [](Rig& r) {
                             const uint16_t pc = r.m.cpu.PC;
                             EXPECT_TRUE(r.run.SwitchAllRam());
                             EXPECT_EQ(r.m.cpu.PC, pc) << "the switch puts PC back";
                         }};
    Expect(hooks, events, allRam);
    for (int i = 0; i < 8; ++i) Expect(hooks, events, step);
}

}  // namespace
