#include "tools/debugger/window/FormDebugger.h"
// The views: instructions, registers, list, breakpoints, nestings; clicks, wheel and keys on them.

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QToolTip>
#include <QWheelEvent>

#include "common/TextUtils.h"
#include "machine/cpu/ChipCpu8080.h"
#include "machine/cpu/ChipMemory.h"
#include "tools/debugger/Disassembler.h"
#include "tools/debugger/MemoryEdit.h"
#include "tools/debugger/window/FormDbgFind.h"
#include "tools/debugger/window/FormPerifStat.h"
#include "tools/debugger/window/DbgWindowUtils.h"
#include "tools/debugger/window/FormDebuggerDetail.h"

using namespace dbgwin::formdebugger;

uint16_t TFormDebugger::ListBase() const {
    if (!cpu) return memAddress;
    switch (SourceIndex()) {
        case SrcMem: return memAddress;
        case SrcAF: return cpu->GetPSW();
        case SrcBC: return cpu->GetBC();
        case SrcDE: return cpu->GetDE();
        case SrcHL: return cpu->GetHL();
        case SrcPC: return cpu->PC;
        default: return cpu->SP;
    }
}

int TFormDebugger::SourceIndex() const { return cbListSrc->currentIndex() < 0 ? SrcSP : cbListSrc->currentIndex(); }
int TFormDebugger::TypeIndex() const {
    return cbListType->currentIndex() < 0 ? TypeDisassembling : cbListType->currentIndex();
}
void TFormDebugger::SetSource(int s) {
    const QSignalBlocker block(cbListSrc);
    cbListSrc->setCurrentIndex(s);
    ApplyHint();
}
void TFormDebugger::SetType(int t) {
    const QSignalBlocker block(cbListType);
    cbListType->setCurrentIndex(t);
    ApplyHint();
}

void TFormDebugger::EnterStopped() {
    run.EnterStopped();
    ShowInstructions();
    ShowRegisters();
    ShowList();
    if (perifStat->isVisible()) perifStat->UpdateView();
}

void TFormDebugger::ShowInstructions() {
    if (!cpu || !memory) return;
    uint16_t a = dbg::PrevInstruction(*memory, cpu->PC, 2);
    for (QLabel* l : instrLines) l->setText(Q(dbg::DisassembleLine(*memory, a, decimal, notation)));
}

void TFormDebugger::ShowRegisters() {
    if (!cpu || !memory) return;
    const uint16_t values[6] = {cpu->GetPSW(), cpu->GetBC(), cpu->GetDE(), cpu->GetHL(), cpu->PC, cpu->SP};
    const char* const names[6] = {"AF:", "BC:", "DE:", "HL:", "PC:", "SP:"};
    for (int i = 0; i < 6; ++i) regs[i]->setText(names[i] + Q(dbg::PaddedWord(values[i], decimal)));
    for (int i = 0; i < 5; ++i) {
        const uint16_t a = static_cast<uint16_t>(cpu->SP + 2 * i);
        spAddrs[i]->setText(Q(dbg::PaddedWord(a, decimal)));
        spWords[i]->setText(Q(dbg::PaddedWord(memory->ReadWord(a), decimal)));
    }
    const uint8_t f = cpu->F;
    flags[0]->setText(f & 0x80 ? " M" : " P");
    flags[1]->setText(f & 0x40 ? " Z" : "NZ");
    flags[2]->setText(f & 0x10 ? "AC" : "NA");
    flags[3]->setText(f & 0x04 ? "PE" : "PO");
    flags[4]->setText(f & 0x01 ? " C" : "NC");
    flags[5]->setText(cpu->INTE ? "EI" : "DI");
    const QPalette& pal = palette();
    auto colour = [&pal](QLabel* l, bool on) {
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, on ? pal.color(QPalette::WindowText)
                                            : pal.color(QPalette::Disabled, QPalette::WindowText));
        l->setPalette(p);
    };
    colour(lblAllRam, memory->GetAllRamFlag() != 0);
    colour(lblRemap, memory->GetRemapFlag() != 0);
    if (memory->GetPagingFlag()) lblMM->setText("MM:" + Q(dbg::PaddedByte(memory->GetPagingRegister(), decimal)));
    lblTicks->setText(QString::asprintf("T:%010d", static_cast<int>(cpu->TotalClock & 0x7FFFFFFF)));
}

void TFormDebugger::ShowList() {
    if (!cpu || !memory) return;
    const int source = SourceIndex();
    const int offset = listOffsets[source];
    const uint16_t start = static_cast<uint16_t>(ListBase() + offset);
    QString head = kSourceNames[source];
    if (offset > 0) head += "+" + Q(dbg::PlainWord(static_cast<unsigned>(offset), decimal));
    if (offset < 0) head += "-" + Q(dbg::PlainWord(static_cast<unsigned>(-offset), decimal));
    lblListAddr->setText(head + ")");
    lblListAddr->setToolTip(Q(dbg::PlainWord(start, decimal)));
    uint16_t a = start;
    for (QLabel* l : dumpLines) {
        if (TypeIndex() == TypeDisassembling)
            l->setText(Q(dbg::DisassembleLine(*memory, a, decimal, notation)));
        else
            l->setText(Q(dbg::DumpLine(*memory, a, decimal, TypeIndex() == TypeAscii)));
    }
}

void TFormDebugger::ShowBreakPoints() {
    updatingBreakPoints = true;
    for (int k = 0; k < 6; ++k) {
        QListWidgetItem* item = clbBreakPoints->item(k);
        item->setText(Q(dbg::PaddedWord(run.Bp(k + 1).address.load(), decimal)));
        item->setCheckState(run.Bp(k + 1).active.load() ? Qt::Checked : Qt::Unchecked);
    }
    clbBreakPoints->setCurrentRow(-1);
    clbBreakPoints->clearSelection();
    updatingBreakPoints = false;
}

void TFormDebugger::ShowNestings() {
    lbNestings->clear();
    for (int i = 0; i < nestingDepth; ++i)
        lbNestings->addItem(Q(dbg::PaddedWord(static_cast<uint16_t>(nestings[i].base + nestings[i].offset), decimal)));
}

uint16_t TFormDebugger::InstructionLineAddress(int t) const {
    if (t < 2) return dbg::PrevInstruction(*memory, cpu->PC, 2 - t);
    if (t == 2) return cpu->PC;
    return dbg::NextInstruction(*memory, cpu->PC, t - 2);
}

uint16_t TFormDebugger::ListLineAddress(int t) const {
    const uint16_t start = static_cast<uint16_t>(ListBase() + listOffsets[SourceIndex()]);
    switch (TypeIndex()) {
        case TypeDump: return static_cast<uint16_t>(start + (t - 10) * 8);
        case TypeAscii: return static_cast<uint16_t>(start + (t - 10) * 32);
        default: return dbg::NextInstruction(*memory, start, t - 10);
    }
}

void TFormDebugger::LineClick(int t, int col, bool left, Qt::KeyboardModifiers mods) {
    if (!cpu || !memory || !CanAct(true, true)) return;
    const int x = col * 8 + 1;  // the pixel zones of an 8-pixel character cell
    const bool instr = t < 10;
    const int type = TypeIndex();
    const bool code = instr || type == TypeDisassembling;
    const uint16_t address = instr ? InstructionLineAddress(t) : ListLineAddress(t);
    QLabel* line = instr ? instrLines[t] : dumpLines[t - 10];
    if (left && x <= 49 && code) {
        if (run.SetBreakpointFromLine(address, clbBreakPoints->currentRow())) ShowBreakPoints();
        return;
    }
    if (left && !instr && type == TypeDisassembling && x >= 129 && x <= 163) {
        OpenAsmEditor(address, mods & Qt::ControlModifier);
        return;
    }
    if (left && !instr && type == TypeDump && x >= 64 && x <= 319) {
        OpenDumpEditor(address, (x - 63) / 32, line);
        return;
    }
    if (left && !instr && type == TypeDump && x >= 327 && x <= 395) {
        OpenAsciiEditor(address, (x - 326) / 8, line, 8);
        return;
    }
    if (left && !instr && type == TypeAscii && x >= 72 && x <= 323) {
        OpenAsciiEditor(address, (x - 71) / 8, line, 32);
        return;
    }
    if (x < 169 || x > 249 || !code) return;
    uint16_t target = 0;
    if (!dbg::OperandTarget(*memory, address, target)) return;
    if (!left) {
        if (nestingDepth >= 11) return;
        for (int i = nestingDepth; i > 0; --i) nestings[i] = nestings[i - 1];
        nestings[0] = {ListBase(), listOffsets[SourceIndex()]};
        ++nestingDepth;
        memAddress = target;
        listOffsets[SrcMem] = 0;
        SetSource(SrcMem);
        SetType(TypeDisassembling);
        ShowNestings();
    } else {
        memAddress = target;
        listOffsets[SrcMem] = 0;
        SetSource(SrcMem);
        SetType(mods & Qt::ControlModifier ? TypeDump : mods & Qt::ShiftModifier ? TypeAscii : TypeDisassembling);
    }
    ShowList();
}

void TFormDebugger::ListStep(bool forward, Qt::KeyboardModifiers mods) {
    if (!memory) return;
    const int source = SourceIndex();
    const bool ctrl = mods & Qt::ControlModifier;
    const bool shift = mods & Qt::ShiftModifier;
    if (shift && ctrl && source == SrcMem) {
        memAddress = static_cast<uint16_t>(memAddress + (forward ? 1 : -1));
        ShowList();
        return;
    }
    int e;
    const uint16_t start = static_cast<uint16_t>(ListBase() + listOffsets[source]);
    if (shift) {
        e = forward ? 1 : -1;
    } else if (TypeIndex() == TypeDump) {
        e = (ctrl ? 80 : 8) * (forward ? 1 : -1);
    } else if (TypeIndex() == TypeAscii) {
        e = (ctrl ? 320 : 32) * (forward ? 1 : -1);
    } else if (forward) {
        e = static_cast<uint16_t>(dbg::NextInstruction(*memory, start, ctrl ? 9 : 1) - start);
    } else {
        e = -static_cast<int>(static_cast<uint16_t>(start - dbg::PrevInstruction(*memory, start, ctrl ? 9 : 1)));
    }
    const int next = listOffsets[source] + e;
    if (next < -32768 || next > 32768) return;
    listOffsets[source] = next;
    ShowList();
}

void TFormDebugger::wheelEvent(QWheelEvent* event) {
    if (!meEditValue->isHidden() || !meEditDump->isHidden() ||
        !panelDump->rect().contains(panelDump->mapFromGlobal(event->globalPosition().toPoint()))) {
        QWidget::wheelEvent(event);
        return;
    }
    ListStep(event->angleDelta().y() <= 0, event->modifiers());
    event->accept();
}

bool TFormDebugger::ShortCut(QKeyEvent* event) {
    if (!CanAct(false, false)) return false;
    const int key = event->key();
    const auto mods = event->modifiers();
    const bool ctrl = mods & Qt::ControlModifier;
    const bool shift = mods & Qt::ShiftModifier;
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
        ListStep(key == Qt::Key_Down, Qt::NoModifier);
        return true;
    }
    if (!meInlineAsm->isHidden()) return false;
    switch (key) {
        case Qt::Key_PageUp:
        case Qt::Key_PageDown: ListStep(key == Qt::Key_PageDown, Qt::ControlModifier); return true;
        case Qt::Key_Home: SbTo0Click(); return true;
        case Qt::Key_F3:
            if (find->FindEnabled()) FindNext(false);
            else SbFindClick();
            return true;
        case Qt::Key_F5: SbRunClick(this); return true;
        case Qt::Key_F7:
            if (shift) SbToNextClick();
            else SbStepClick();
            return true;
        case Qt::Key_F8:
            if (shift) SbStepOutClick();
            else SbStepOverClick();
            return true;
        default: break;
    }
    if (ctrl) {
        switch (key) {
            case Qt::Key_C: SbCopyClick(!shift); return true;
            case Qt::Key_V: SbFillClick(!shift); return true;
            case Qt::Key_F: SbFindClick(); return true;
            case Qt::Key_H: SbHexDecClick(); return true;
            default: break;
        }
    }
    return false;
}

void TFormDebugger::keyPressEvent(QKeyEvent* event) {
    // While the machine runs, and with the line assembler open, the other
    // keys do nothing.
    const bool swallow = !CanAct(false, false) || !meInlineAsm->isHidden();
    if (ShortCut(event) || swallow) return;
    QWidget::keyPressEvent(event);
}

bool TFormDebugger::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::ToolTip && !hintsShown)
        for (QWidget* w : hintPanels)
            if (watched == w) {
                QToolTip::hideText();
                return true;
            }
    // The lists' own keys give way to the window's.
    if (type == QEvent::KeyPress && (watched == clbBreakPoints || watched == lbNestings))
        return ShortCut(static_cast<QKeyEvent*>(event));
    // Editor keys.
    if (type == QEvent::KeyPress &&
        (watched == meEditValue || watched == meEditDump || watched == meEditAscii || watched == meInlineAsm)) {
        auto* k = static_cast<QKeyEvent*>(event);
        const bool enter = k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter;
        if (k->key() == Qt::Key_Escape) {
            CloseEditors();
            FormShow();
            return true;
        }
        if (watched == meInlineAsm && (k->key() == Qt::Key_Up || k->key() == Qt::Key_Down)) {
            ListStep(k->key() == Qt::Key_Down, Qt::NoModifier);
            return true;
        }
        if (enter) {
            if (watched == meEditValue) ValueEnter();
            else if (watched == meEditDump) DumpEnter();
            else if (watched == meEditAscii) AsciiEnter();
            else AsmEnter();
            return true;
        }
        // The text editor is typed over in place, one character a place.
        if (watched == meEditAscii) return dbgwin::TypeOverKey(meEditAscii, k, 1, 0, QChar(' '));
        const QString t = k->text();
        if ((watched == meEditValue || watched == meEditDump) && !t.isEmpty() && t[0].isPrint()) {
            const QChar c = t[0];
            const bool ok = c.isDigit() || (!decimal && QString("ABCDEFabcdef").contains(c)) ||
                            (watched == meEditDump && c == ' ') || (!decimal && c == '#');
            if (!ok) {
                Beep();
                return true;
            }
        }
        return false;
    }
    // Nor does the text editor take a pasted selection (middle button).
    if (watched == meEditAscii && (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease) &&
        static_cast<QMouseEvent*>(event)->button() == Qt::MiddleButton)
        return true;
    auto* label = qobject_cast<QLabel*>(watched);
    if (!label) return QWidget::eventFilter(watched, event);
    const int tag = TagOf(label);
    const bool isLine = label->objectName().startsWith("dump") || (label->objectName().size() == 2 &&
                                                                     label->objectName()[0] == 'i');
    if (isLine && (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick)) {
        auto* m = static_cast<QMouseEvent*>(event);
        const bool leftDouble = type == QEvent::MouseButtonDblClick && m->button() == Qt::LeftButton;
        const bool rightSingle = type == QEvent::MouseButtonPress && m->button() == Qt::RightButton;
        if ((leftDouble || rightSingle) && !(m->modifiers() & Qt::AltModifier) &&
            !(m->buttons() & Qt::MiddleButton)) {
            recordedLine = tag;
            recordedLeft = leftDouble;
        } else {
            recordedLine = -1;
        }
        return false;
    }
    if (isLine && type == QEvent::MouseButtonRelease && recordedLine >= 0) {
        auto* m = static_cast<QMouseEvent*>(event);
        const int cw = QFontMetrics(label->font()).horizontalAdvance('M');
        const int col = cw > 0 ? static_cast<int>(m->position().x()) / cw : 0;
        const int line = recordedLine;
        recordedLine = -1;
        LineClick(line, col, recordedLeft, m->modifiers());
        return false;
    }
    if (type == QEvent::MouseButtonDblClick) {
        const QString name = label->objectName();
        if (name.startsWith("Flag")) FlagsDblClick(tag);
        else if (name == "LblTicks") {
            if (cpu && CanAct(true, true)) {
                // The scheduled devices count on this clock.
                cpu->SyncDevices();
                cpu->TotalClock = 0;
                cpu->ResetEventClock();
                ShowRegisters();
            }
        } else if (name == "LblAllRam") LblAllRamDblClick();
        else if (name == "LblRemap") LblRemapDblClick();
        else if (tag >= 0 && tag <= 12 && !isLine) RegsDblClick(tag);
    }
    return QWidget::eventFilter(watched, event);
}
