#include "tools/debugger/window/FormDebugger.h"
// Run control and the buttons: stepping, running, the side windows, double clicks.

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QToolButton>

#include <memory>

#include "common/TextUtils.h"
#include "machine/core/RequestWords.h"
#include "machine/cpu/ChipCpu8080.h"
#include "machine/cpu/ChipMemory.h"
#include "tools/debugger/DebuggerSettings.h"
#include "tools/debugger/Disassembler.h"
#include "tools/debugger/MemoryEdit.h"
#include "tools/debugger/window/DbgWindowUtils.h"
#include "tools/debugger/window/FormDbgFind.h"
#include "tools/debugger/window/FormDisass.h"
#include "tools/debugger/window/FormPerifStat.h"
#include "tools/debugger/window/FormDebuggerDetail.h"

using namespace dbgwin::formdebugger;

void TFormDebugger::SbHexDecClick() {
    decimal = !decimal;
    FormShow();
}

void TFormDebugger::SbZ80Click() {
    notation = 1 - notation;
    sbZ80->setText(notation ? "Z80" : "8080");
    disass->SetNotation(notation);
    EnterStopped();
}

void TFormDebugger::SbTo0Click() {
    listOffsets[SourceIndex()] = 0;
    EnterStopped();
}

void TFormDebugger::SbStepClick() {
    run.Post([this] { run.Step(); }, [this] { EnterStopped(); });
}

void TFormDebugger::SbStepOverClick() {
    run.Post([this] { run.StepOver(); }, [this] {
        if (run.State() == DebuggerRequest::Stopped) EnterStopped();
    });
}

void TFormDebugger::SbStepOutClick() {
    run.Post([this] { run.StepOut(); }, [this] {
        if (run.State() == DebuggerRequest::Stopped) EnterStopped();
    });
}

void TFormDebugger::SbToNextClick() {
    run.Post([this] { run.RunToNext(); });
}

void TFormDebugger::SbRunClick(QObject* sender) {
    if (run.State() == DebuggerRequest::Stopped && !CanAct(true, true)) return;
    SaveSettings();
    run.Post([this] { run.Run(); });
    if (sender) hide();
    disass->hide();
    find->hide();
    perifStat->Tag = perifStat->isVisible() ? 1 : 0;
    perifStat->hide();
}


void TFormDebugger::SbFindClick() {
    PlaceNextTo(find);
    find->show();
    find->raise();
}

void TFormDebugger::SbDisassClick() {
    PlaceNextTo(disass);
    disass->SetMemory(memory);
    disass->show();
    disass->raise();
}

void TFormDebugger::SbPerifStatClick() {
    PlaceNextTo(perifStat);
    perifStat->setVisible(!perifStat->isVisible());
    perifStat->Tag = perifStat->isVisible() ? 1 : 0;
    if (perifStat->isVisible()) perifStat->UpdateView();
}

void TFormDebugger::FindNext(bool newSearch) {
    if (!memory) return;
    if (dbg::FindNext(*memory, find->GetPattern(), search, newSearch, ListBase())) {
        memAddress = search.current;
        listOffsets[SrcMem] = 0;
        SetSource(SrcMem);
        ShowList();
    } else {
        prompts->Information(QApplication::activeWindow(), dbgwin::Text(kSection, "err.Find.Title", "Find"),
                             dbgwin::Text(kSection, "err.Find.Message", "The pattern was not found."));
    }
    activateWindow();
}

void TFormDebugger::FlagsDblClick(int tag) {
    if (!cpu || !CanAct(true, true)) return;
    static const uint8_t bits[5] = {0x80, 0x40, 0x10, 0x04, 0x01};
    if (tag >= 0 && tag < 5) cpu->F ^= bits[tag];
    if (tag == 5) cpu->SetInte(cpu->INTE ? 0 : 1);
    EnterStopped();
}

void TFormDebugger::RegsDblClick(int tag) {
    if (!cpu || !memory || !CanAct(true, true)) return;
    const uint16_t values[6] = {cpu->GetPSW(), cpu->GetBC(), cpu->GetDE(), cpu->GetHL(), cpu->PC, cpu->SP};
    const char* const names[6] = {"AF:", "BC:", "DE:", "HL:", "PC:", "SP:"};
    if (tag >= 0 && tag < 6) {
        OpenValueEditor(values[tag], tag, names[tag], regs[tag]);
    } else if (tag == 6) {
        if (SourceIndex() == SrcMem) OpenValueEditor(memAddress, 6, "MEM:", lblListAddr);
    } else if (tag >= 7 && tag <= 11) {
        const int n = 2 * (tag - 7);
        OpenValueEditor(memory->ReadWord(static_cast<uint16_t>(cpu->SP + n)), tag, QString("(SP+%1):").arg(n),
                        spWords[tag - 7]);
    } else if (tag == 12 && memory->GetPagingFlag()) {
        OpenValueEditor(memory->GetPagingRegister(), 12, "MM:", lblMM);
    }
}

void TFormDebugger::LblAllRamDblClick() {
    if (!CanAct(true, true)) return;
    auto done = std::make_shared<bool>(false);
    run.Post([this, done] { *done = run.SwitchAllRam(); }, [this, done] {
        if (*done) FormShow();
    });
}

void TFormDebugger::LblRemapDblClick() {
    if (!CanAct(true, true)) return;
    auto done = std::make_shared<bool>(false);
    run.Post([this, done] { *done = run.SwitchRemap(); }, [this, done] {
        if (*done) FormShow();
    });
}

void TFormDebugger::NestingsDblClick() {
    if (!CanAct(true, true) || nestingDepth <= 0) return;
    memAddress = nestings[0].base;
    listOffsets[SrcMem] = nestings[0].offset;
    for (int i = 0; i + 1 < nestingDepth; ++i) nestings[i] = nestings[i + 1];
    --nestingDepth;
    SetSource(SrcMem);
    SetType(TypeDisassembling);
    ShowNestings();
    ShowList();
}
