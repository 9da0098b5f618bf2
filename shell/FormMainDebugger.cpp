// The main window's debugger command and the stop path of the controls tick.
#include <QAction>

#include "shell/FormMain.h"
#include "machine/core/RequestWords.h"
#include "machine/timer/IifTimer.h"
#include "tools/debugger/window/FormDebugger.h"
#include "tools/debugger/window/FormPerifStat.h"

void TFormMain::CreateDebugger() {
    formDebugger = std::make_unique<TFormDebugger>(owner->DebuggerTag, this);
    formDebugger->SetPrompts(*prompts);
    // A stop request seen by the controls tick opens the debugger.
    formDebugger->Run().onStopRequest = [this] { MiDebuggerClick(); };
    owner->SetDebugger(&formDebugger->Run());
    // Steps and memory switches run on the emulation thread, their answers here.
    formDebugger->Run().SetPoster([this](dbg::RunControl::Work work, dbg::RunControl::Work answer) {
        owner->Post(std::move(work), std::move(answer));
    });
}

void TFormMain::MiDebuggerClick() {
    if (!formDebugger || !owner->GetCpu()) return;
    SetPause(1, 0);
    TFormDebugger& d = *formDebugger;
    d.Attach(owner->GetCpu(), owner->GetMemory(), owner->GetModel());
    IifTimer* timer = owner->GetTimerIf();
    d.FormPerifStat()->SetTimer(timer ? &timer->GetPit() : nullptr);
    if (d.isVisible())
        d.EnterStopped();
    else
        d.show();
}

bool TFormMain::DebuggerHoldsMachine() const {
    return formDebugger && owner->DebuggerTag.load() == DebuggerRequest::Stopped;
}

void TFormMain::RunFromDebugger() {
    // Refused (with a beep) while an editor is open; otherwise as the debugger's run.
    formDebugger->SbRunClick(formDebugger.get());
}

void TFormMain::DebuggerMachineRebuilt() {
    if (!formDebugger) return;
    formDebugger->Attach(owner->GetCpu(), owner->GetMemory(), owner->GetModel());
    IifTimer* timer = owner->GetTimerIf();
    formDebugger->FormPerifStat()->SetTimer(timer ? &timer->GetPit() : nullptr);
}
