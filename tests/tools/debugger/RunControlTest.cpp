// Run control against a real machine owner: breakpoints, stepping and the
// memory switches, the way the CPU slice and the controls tick drive them.
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <chrono>
#include <thread>
#include <vector>

#include "common/Config.h"
#include "machine/core/ModelIndex.h"
#include "machine/core/RequestWords.h"
#include "machine/cpu/ChipCpu8080.h"
#include "machine/cpu/ChipMemory.h"
#include "machine/pio/SystemPIO.h"
#include "machine/owner/MachineOwner.h"
#include "tools/debugger/RunControl.h"

using namespace dbg;

namespace {

const char* const kModelNames[8] = {"Model-1",    "Model-2",    "Model-2A",    "Model-3",
                                    "Model-Mato", "Model-Alfa", "Model-Alfa2", "Model-C2717"};
const char* const kConfig =
    "<Orvik version='1'><General/><Screen/>"
    "<Model current='Model-2A'>"
    "<Model-1><RomFile/></Model-1><Model-2><RomFile/></Model-2><Model-2A><RomFile/></Model-2A>"
    "<Model-3><RomFile/></Model-3><Model-Mato><RomFile/></Model-Mato><Model-Alfa><RomFile/></Model-Alfa>"
    "<Model-Alfa2><RomFile/></Model-Alfa2><Model-C2717><RomFile/></Model-C2717></Model>"
    "<Sound device-index='-1'/>"
    "<Storages><PMD-32 connected='false'><DriveA/><DriveB/><DriveC/><DriveD/><SD-Root/></PMD-32></Storages>"
    "</Orvik>";

// Our test program at 4000h.
const std::vector<uint8_t> kProgram = {
    0x31, 0x00, 0x50,  // 4000 LXI SP,5000h
    0xCD, 0x10, 0x40,  // 4003 CALL 4010h
    0x00,              // 4006 NOP
    0x00,              // 4007 NOP
    0xC3, 0x08, 0x40,  // 4008 JMP 4008h
    0x00, 0x00, 0x00, 0x00, 0x00,
    0x3E, 0x05,        // 4010 MVI A,5
    0x3D,              // 4012 DCR A
    0xC2, 0x12, 0x40,  // 4013 JNZ 4012h
    0xC9,              // 4016 RET
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0xAF,              // 4020 XRA A
    0xC4, 0x10, 0x40,  // 4021 CNZ 4010h
    0x00,              // 4024 NOP
    0xC3, 0x24, 0x40,  // 4025 JMP 4024h
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0xCD, 0x30, 0x40,  // 4030 CALL 4030h (recursion without end)
};

class DebuggerRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(doc.load_string(kConfig));
        ConfigRoot = doc.document_element();
        owner.SetDebugger(&run);
        run.onStopRequest = [this] {
            owner.SetPause(1, 0);
            run.EnterStopped();
            ++stops;
        };
    }
    void TearDown() override {
        owner.Shutdown();
        ConfigRoot = pugi::xml_node();
    }
    void Build(int model) {
        ConfigRoot.child("Model").attribute("current").set_value(kModelNames[model]);
        std::vector<uint8_t> rom(model == kModelC2717 ? 16384 : 4096, 0);
        owner.BuildMachine(1, static_cast<int32_t>(rom.size()), rom.data());
        owner.ResetMachine(0);
        run.Attach(owner.GetCpu(), owner.GetMemory(), model);
    }
    void Program() {
        Build(kModel2A);
        Mem().EndBootMapping();
        for (size_t i = 0; i < kProgram.size(); ++i) Mem().WriteByte(0x4000 + static_cast<int>(i), kProgram[i]);
        Cpu().PC = 0x4000;
        run.EnterStopped();
    }
    // Lets the controls tick resume the machine and waits until the debugger
    // was opened again; false when it never stopped.
    bool RunUntilStopped() {
        const int before = stops;
        for (int i = 0; i < 4000; ++i) {
            owner.TimerRefreshControlsTimer();
            if (stops != before && run.State() == DebuggerRequest::Stopped) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        owner.SetPause(1, 0);
        return false;
    }
    // The system 8255 set up as a monitor does: port C all outputs.
    void SystemPortOutputs() { owner.GetSystemPio()->WritePort(0xF7, 0x82, 0); }
    ChipCpu8080& Cpu() { return *owner.GetCpu(); }
    ChipMemory& Mem() { return *owner.GetMemory(); }

    pugi::xml_document doc;
    MachineOwner owner;
    RunControl run{owner.DebuggerTag};
    int stops = 0;
};

TEST_F(DebuggerRunTest, BreakpointMidSliceStopsBeforeTheInstructionAndKeepsTheSliceClock) {
    Program();
    run.SetBp(1, 0x4012, true);
    run.Tag().store(DebuggerRequest::Running);
    const int32_t start = Cpu().SliceClock;
    owner.PreciseTimerCpuTimer();
    EXPECT_EQ(run.State(), DebuggerRequest::StopRequest);
    EXPECT_EQ(Cpu().PC, 0x4012);
    EXPECT_EQ(Cpu().A, 5);  // DCR not executed
    // LXI 10, CALL 17, MVI 7 cycles; one extra cycle each time more than 12 gathered (27: two).
    EXPECT_EQ(Cpu().SliceClock, start + 34 + 2);
    // A stop request keeps further slices out until the debugger has taken it.
    owner.PreciseTimerCpuTimer();
    EXPECT_EQ(Cpu().PC, 0x4012);

    run.EnterStopped();
    run.Run();  // steps off the breakpoint here, on this thread
    EXPECT_EQ(Cpu().A, 4);
    EXPECT_EQ(run.State(), DebuggerRequest::RunRequest);
    run.Tag().store(DebuggerRequest::Running);
    const int32_t kept = Cpu().SliceClock;
    ASSERT_LT(kept, 4096);
    owner.PreciseTimerCpuTimer();  // JNZ back to the breakpoint: 10 cycles, DCR not run
    EXPECT_EQ(Cpu().PC, 0x4012);
    EXPECT_EQ(Cpu().A, 4);
    EXPECT_EQ(Cpu().SliceClock, kept + 10);
}

TEST_F(DebuggerRunTest, UserBreakpointOpensTheDebugger) {
    Program();
    run.SetBp(3, 0x4016, true);
    run.Run();
    ASSERT_TRUE(RunUntilStopped());
    EXPECT_EQ(Cpu().PC, 0x4016);
    EXPECT_EQ(Cpu().A, 0);
    EXPECT_EQ(owner.GetRunState(), 1);
}

TEST_F(DebuggerRunTest, StepOverACallRunsTheWholeRoutine) {
    Program();
    run.Step();  // LXI SP
    ASSERT_EQ(Cpu().PC, 0x4003);
    run.StepOver();
    EXPECT_EQ(run.State(), DebuggerRequest::StepOver);
    ASSERT_TRUE(RunUntilStopped());
    EXPECT_EQ(Cpu().PC, 0x4006);
    EXPECT_EQ(Cpu().A, 0);
    EXPECT_EQ(Cpu().SP, 0x5000);
    EXPECT_FALSE(run.Bp(0).active.load());  // the temporary breakpoint never survives a stop
}

TEST_F(DebuggerRunTest, StepOverStopsAtABreakpointInsideTheRoutine) {
    Program();
    run.Step();
    run.SetBp(6, 0x4013, true);
    run.StepOver();
    ASSERT_TRUE(RunUntilStopped());
    EXPECT_EQ(Cpu().PC, 0x4013);
    EXPECT_EQ(Cpu().A, 4);
}

TEST_F(DebuggerRunTest, StepOverAConditionalCallNotTaken) {
    Program();
    Cpu().SP = 0x5000;
    Cpu().PC = 0x4020;
    run.Step();  // XRA A: Z set, CNZ not taken
    run.StepOver();
    EXPECT_EQ(run.State(), DebuggerRequest::StepOver);
    ASSERT_TRUE(RunUntilStopped());
    EXPECT_EQ(Cpu().PC, 0x4024);
}

TEST_F(DebuggerRunTest, StepOverARecursionWithoutEndStopsOnlyAtABreakpoint) {
    Program();
    Cpu().SP = 0x5000;
    Cpu().PC = 0x4030;
    run.StepOver();
    run.Tag().store(DebuggerRequest::StepOver);
    for (int i = 0; i < 3; ++i) owner.PreciseTimerCpuTimer();  // slices as the timer runs them
    EXPECT_EQ(run.State(), DebuggerRequest::StepOver);
    run.SetBp(1, 0x4030, true);
    owner.PreciseTimerCpuTimer();
    EXPECT_EQ(run.State(), DebuggerRequest::StopRequest);
    EXPECT_EQ(Cpu().PC, 0x4030);
    EXPECT_LT(Cpu().SP, 0x4FFE);
}

TEST_F(DebuggerRunTest, StepOverARecursiveCallStopsAtTheSameStackLevel) {
    Program();
    // 4040: DCR A; CNZ 4040h; RET -- called with A = 3 it nests three deep.
    const uint8_t code[] = {0x3D, 0xC4, 0x40, 0x40, 0xC9, 0xCD, 0x40, 0x40, 0x00, 0xC3, 0x48, 0x40};
    for (int i = 0; i < 12; ++i) Mem().WriteByte(0x4040 + i, code[i]);
    Cpu().SP = 0x5000;
    Cpu().A = 3;
    Cpu().PC = 0x4045;
    run.StepOver();
    // Without the temporary breakpoint only the return at the caller's level can end it.
    run.Bp(0).active.store(0);
    ASSERT_TRUE(RunUntilStopped());
    EXPECT_EQ(Cpu().PC, 0x4048);
    EXPECT_EQ(Cpu().SP, 0x5000);
    EXPECT_EQ(Cpu().A, 0);
}

TEST_F(DebuggerRunTest, StepOutLeavesTheRoutineAndIsAStepOnAReturn) {
    Program();
    for (int i = 0; i < 3; ++i) run.Step();  // LXI, CALL, MVI
    ASSERT_EQ(Cpu().PC, 0x4012);
    run.StepOut();
    EXPECT_EQ(run.State(), DebuggerRequest::StepOut);
    ASSERT_TRUE(RunUntilStopped());
    EXPECT_EQ(Cpu().PC, 0x4006);
    EXPECT_EQ(Cpu().SP, 0x5000);
    // On a RET it is a single step.
    Cpu().PC = 0x4016;
    Cpu().SP = 0x4FFE;
    Mem().WriteWord(0x4FFE, 0x4007);
    run.StepOut();
    EXPECT_EQ(run.State(), DebuggerRequest::Stopped);
    EXPECT_EQ(Cpu().PC, 0x4007);
}

TEST_F(DebuggerRunTest, RunToNextAndRunPastABreakpointOnPc) {
    Program();
    Cpu().SP = 0x5000;
    Cpu().PC = 0x4006;
    run.RunToNext();
    EXPECT_EQ(run.State(), DebuggerRequest::RunRequest);
    ASSERT_TRUE(RunUntilStopped());
    EXPECT_EQ(Cpu().PC, 0x4007);
    // Standing on an active breakpoint, run goes past it to the next one.
    run.SetBp(1, 0x4007, true);
    run.SetBp(2, 0x4008, true);
    run.Run();
    ASSERT_TRUE(RunUntilStopped());
    EXPECT_EQ(Cpu().PC, 0x4008);
}

TEST_F(DebuggerRunTest, BreakpointFromALine) {
    Program();
    for (int k = 1; k <= 6; ++k) EXPECT_TRUE(run.SetBreakpointFromLine(static_cast<uint16_t>(0x100 * k), -1));
    EXPECT_EQ(run.Bp(6).address.load(), 0x600);
    EXPECT_FALSE(run.SetBreakpointFromLine(0x700, -1));  // all six active, none selected
    EXPECT_TRUE(run.SetBreakpointFromLine(0x700, 2));     // the selected item
    EXPECT_EQ(run.Bp(3).address.load(), 0x700);
}

TEST_F(DebuggerRunTest, AllRamSwitchRestoresWhatItPatched) {
    Build(kModel2A);
    Mem().WriteWord(0x0000, 0x1234);  // into the RAM under the boot ROM
    Cpu().PC = 0x4567;
    Cpu().SetPSW(0xA5C3);
    Cpu().SetInte(1);
    const uint16_t rom0 = Mem().ReadWord(0), rom2 = Mem().ReadWord(2);
    // Boot mapping in force: refused, nothing changes.
    EXPECT_FALSE(run.SwitchAllRam());
    EXPECT_EQ(Mem().GetAllRamFlag(), 0);
    EXPECT_EQ(Mem().ReadWord(0), rom0);
    EXPECT_EQ(Mem().ReadWord(2), rom2);
    EXPECT_EQ(Cpu().PC, 0x4567);

    Mem().EndBootMapping();
    SystemPortOutputs();
    owner.GetSystemPio()->WritePort(0xF7, 0x09, 0);  // all RAM off
    ASSERT_EQ(Mem().GetAllRamFlag(), 0);
    Mem().WriteWord(0x0000, 0x1111);
    Mem().WriteWord(0x0002, 0x2222);
    const uint32_t clock = Cpu().TotalClock;
    EXPECT_TRUE(run.SwitchAllRam());
    EXPECT_EQ(Mem().GetAllRamFlag(), 1);
    EXPECT_EQ(Cpu().TotalClock, clock + 7 + 10);  // MVI and OUT
    EXPECT_TRUE(run.SwitchAllRam());
    EXPECT_EQ(Mem().GetAllRamFlag(), 0);
    EXPECT_EQ(Mem().ReadWord(0), 0x1111);
    EXPECT_EQ(Mem().ReadWord(2), 0x2222);
    EXPECT_EQ(Cpu().PC, 0x4567);
    EXPECT_EQ(Cpu().GetPSW(), 0xA5C3);
    EXPECT_EQ(Cpu().INTE, 1);
    // A model without the switch.
    Build(kModel1);
    EXPECT_FALSE(run.SwitchAllRam());
}

TEST_F(DebuggerRunTest, RemapSwitchOnlyOutsideTheBootMapping) {
    Build(kModelC2717);
    Cpu().PC = 0x1234;
    const uint8_t remap = Mem().GetRemapFlag();
    EXPECT_FALSE(run.SwitchRemap());
    EXPECT_EQ(Mem().GetRemapFlag(), remap);
    EXPECT_EQ(Cpu().PC, 0x1234);
    Mem().EndBootMapping();
    SystemPortOutputs();
    ASSERT_EQ(Mem().GetRemapFlag(), 0);
    ASSERT_EQ(Mem().GetAllRamFlag(), 0);
    Mem().WriteWord(0, 0xBEEF);
    EXPECT_TRUE(run.SwitchRemap());
    EXPECT_EQ(Mem().GetRemapFlag(), 1);
    EXPECT_TRUE(run.SwitchRemap());
    EXPECT_EQ(Mem().GetRemapFlag(), 0);
    EXPECT_EQ(Mem().ReadWord(0), 0xBEEF);
    EXPECT_EQ(Cpu().PC, 0x1234);
    // The All RAM switch of this model.
    EXPECT_TRUE(run.SwitchAllRam());
    EXPECT_EQ(Mem().GetAllRamFlag(), 1);
    Build(kModel2A);
    EXPECT_FALSE(run.SwitchRemap());
}

}  // namespace
