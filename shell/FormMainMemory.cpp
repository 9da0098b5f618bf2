// The main window's poke and memory load/save commands.
#include "shell/FormMain.h"

#include "common/Lang.h"
#include "machine/core/RequestWords.h"
#include "ui/LangWindows.h"
#include "tools/memrw/window/FormMemReadWrite.h"
#include "tools/poke/window/FormPoke.h"

TFormPoke* TFormMain::FormPoke() {
    return MadeOnFirstUse(formPoke, this, [this](TFormPoke& w) { w.SetPrompts(*prompts); });
}

TFormMemReadWrite* TFormMain::FormMemReadWrite() {
    return MadeOnFirstUse(formMemReadWrite, this, [this](TFormMemReadWrite& w) { w.SetPrompts(*prompts); });
}

void TFormMain::ResumeOrReopenDebugger(int runStateBefore) {
    const int tag = owner->DebuggerTag.load();
    if (tag == DebuggerRequest::Stopped || tag == DebuggerRequest::StopRequest)
        MiDebuggerClick();
    else if (runStateBefore == 0)
        SetPause(0, 0);
}

void TFormMain::MiPokeClick() {
    const int before = RunState();
    SetPause(1, 0);
    TFormPoke* form = FormPoke();
    form->SetTarget(owner->GetModel(), owner->GetMemory());
    form->exec();
    ResumeOrReopenDebugger(before);
}

void TFormMain::MiLoadSaveMemClick(int direction) {
    const int before = RunState();
    SetPause(1, 0);
    TFormMemReadWrite* form = FormMemReadWrite();
    form->Setup(owner->GetModel(), owner->GetMemory(), direction == 1);
    form->exec();
    ResumeOrReopenDebugger(before);
}

void TFormMain::ShowMemoryLoadWindow(const std::string& path) {
    TFormMemReadWrite* form = FormMemReadWrite();
    form->Setup(owner->GetModel(), owner->GetMemory(), false);
    form->PresetFile(path);
    form->exec();
}

void TFormMain::OpenInMemoryLoadWindow(const std::string& path) {
    const int before = RunState();
    SetPause(1, 1);
    ShowMemoryLoadWindow(path);
    const int tag = owner->DebuggerTag.load();
    if (before == 0 && tag != DebuggerRequest::Stopped && tag != DebuggerRequest::StopRequest) SetPause(0, 1);
}

