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

void TFormMain::ResumeOrReopenDebugger(MachineOwner::PauseHold& hold) {
    const int tag = owner->DebuggerTag.load();
    if (tag == DebuggerRequest::Stopped || tag == DebuggerRequest::StopRequest) {
        hold.Keep();
        MiDebuggerClick();
    } else {
        hold.Release();
    }
}

void TFormMain::MiPokeClick() {
    MachineOwner::PauseHold hold(*owner, 0, MachineOwner::PauseHold::IfWasRunning);
    TFormPoke* form = FormPoke();
    form->SetTarget(owner->GetModel(), owner->GetMemory());
    form->exec();
    ResumeOrReopenDebugger(hold);
}

void TFormMain::MiLoadSaveMemClick(int direction) {
    MachineOwner::PauseHold hold(*owner, 0, MachineOwner::PauseHold::IfWasRunning);
    TFormMemReadWrite* form = FormMemReadWrite();
    form->Setup(owner->GetModel(), owner->GetMemory(), direction == 1);
    form->exec();
    ResumeOrReopenDebugger(hold);
}

void TFormMain::ShowMemoryLoadWindow(const std::string& path) {
    TFormMemReadWrite* form = FormMemReadWrite();
    form->Setup(owner->GetModel(), owner->GetMemory(), false);
    form->PresetFile(path);
    form->exec();
}

void TFormMain::OpenInMemoryLoadWindow(const std::string& path) {
    MachineOwner::PauseHold hold(*owner, 1, MachineOwner::PauseHold::IfWasRunning);
    ShowMemoryLoadWindow(path);
    const int tag = owner->DebuggerTag.load();
    if (tag == DebuggerRequest::Stopped || tag == DebuggerRequest::StopRequest) hold.Keep();
}

