#include "tools/debugger/window/FormDebugger.h"
// The editors over the views: value, dump, text and assembler lines.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

#include "common/TextUtils.h"
#include "machine/cpu/ChipCpu8080.h"
#include "machine/cpu/ChipMemory.h"
#include "tools/debugger/Assembler.h"
#include "tools/debugger/Disassembler.h"
#include "tools/debugger/MemoryEdit.h"
#include "tools/debugger/window/DbgWindowUtils.h"
#include "tools/debugger/window/FormDebuggerDetail.h"

using namespace dbgwin::formdebugger;

void TFormDebugger::EnableControls(bool on) {
    clbBreakPoints->setEnabled(on);
    cbListSrc->setEnabled(on);
    cbListType->setEnabled(on);
}

void TFormDebugger::PlaceOver(QWidget* editor, QWidget* target, int xChars) {
    const int cw = QFontMetrics(font()).horizontalAdvance('M');
    const QPoint at = target->mapTo(this, QPoint(xChars * cw, 0));
    editor->move(at.x(), at.y() - 3);
    editor->raise();
    editor->show();
}

void TFormDebugger::OpenValueEditor(int value, int tag, const QString& caption, QWidget* target) {
    editTag = tag;
    editTarget = target;
    lblEditLabel->setText(caption);
    lblEditLabel->adjustSize();
    meEditValue->setInputMask(decimal ? "99999; " : ">\\#HHHH; ");
    meEditValue->setText(Q(dbg::PaddedWord(static_cast<unsigned>(value), decimal)));
    meEditValue->setFixedWidth(QFontMetrics(font()).horizontalAdvance(QString(8, 'M')));
    QWidget* place = target ? target : static_cast<QWidget*>(lblTicks);
    PlaceOver(lblEditLabel, place);
    meEditValue->move(lblEditLabel->geometry().right() + 2, lblEditLabel->y());
    meEditValue->raise();
    meEditValue->show();
    meEditValue->setFocus();
    meEditValue->setSelection(decimal ? 0 : 1, 1);
    if (auto* l = qobject_cast<QLabel*>(target); l && TagOf(l) < 20) l->setAutoFillBackground(false);
    if (target == clbBreakPoints) SetBreakPointHeader(tag - 21, true);
    EnableControls(false);
}

void TFormDebugger::SetBreakPointHeader(int k, bool on) {
    QListWidgetItem* item = clbBreakPoints->item(k);
    if (!item) return;
    // Changing the item must not reach the check handler.
    updatingBreakPoints = true;
    if (on) {
        item->setFlags(Qt::ItemIsEnabled);
        item->setData(Qt::CheckStateRole, QVariant());
        item->setBackground(HighlightColor());
    } else {
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setBackground(QBrush());
        item->setCheckState(run.Bp(k + 1).active.load() ? Qt::Checked : Qt::Unchecked);
    }
    updatingBreakPoints = false;
}

void TFormDebugger::CloseEditors() {
    for (QWidget* w : std::initializer_list<QWidget*>{lblEditLabel, meEditValue, meEditDump, meEditAscii, asmPrefix,
                                                      meInlineAsm})
        w->hide();
    if (auto* l = qobject_cast<QLabel*>(editTarget); l && l != instrLines[2]) l->setAutoFillBackground(true);
    if (editTarget == clbBreakPoints && editTag >= 21 && editTag <= 26) {
        SetBreakPointHeader(editTag - 21, false);
        ShowBreakPoints();
    }
    editTarget = nullptr;
    editTag = -1;
    EnableControls(true);
    setFocus();
}

bool TFormDebugger::ValueEnter() {
    const int v = ParseNumber(meEditValue->text().toStdString(), !decimal);
    if (v < 0 || !cpu || !memory) {
        Beep();
        return false;
    }
    const int tag = editTag;
    auto next = [this](int step, const char* key, const char* fallback) {
        OpenValueEditor(0, step, dbgwin::Text(kSection, key, fallback), editTarget);
    };
    switch (tag) {
        case 0: cpu->SetPSW(dbg::EditedAf(static_cast<unsigned>(v))); break;
        case 1: cpu->SetBC(static_cast<uint16_t>(v)); break;
        case 2: cpu->SetDE(static_cast<uint16_t>(v)); break;
        case 3: cpu->SetHL(static_cast<uint16_t>(v)); break;
        case 4: cpu->PC = static_cast<uint16_t>(v); break;
        case 5: cpu->SP = static_cast<uint16_t>(v); break;
        case 6: memAddress = static_cast<uint16_t>(v); break;
        case 7: case 8: case 9: case 10: case 11:
            memory->WriteWord(static_cast<uint16_t>(cpu->SP + 2 * (tag - 7)), static_cast<uint16_t>(v));
            break;
        case 12:
            if (v >= 128) {
                Beep();
                return false;
            }
            memory->SetPagingRegister(static_cast<uint8_t>(v));
            break;
        case 21: case 22: case 23: case 24: case 25: case 26:
            run.SetBp(tag - 20, static_cast<uint16_t>(v), true);
            break;
        case kStepCopy:
        case kStepFill:
            rangeStart = v;
            if (countMode)
                next(tag + 2, "text.FillCopy.Count", "Count:");
            else
                next(tag + 1, "text.FillCopy.End", "End:");
            return true;
        case kStepCopy + 1:
        case kStepFill + 1:
        case kStepCopy + 2:
        case kStepFill + 2:
            if ((tag % 10) == 1) {
                if (v < rangeStart) {
                    Beep();
                    return false;
                }
                rangeEnd = v;
            } else {
                rangeEnd = rangeStart + v - 1;
            }
            if (tag < kStepFill)
                next(kStepCopy + 3, "text.Copy.To", "To:");
            else
                next(kStepFill + 3, "text.Fill.With", "With:");
            return true;
        case kStepCopy + 3:
            copyTarget = v;
            dbg::CopyMemory(*memory, rangeStart, rangeEnd, copyTarget);
            break;
        case kStepFill + 3:
            if (v > 255) {
                Beep();
                return false;
            }
            dbg::FillMemory(*memory, rangeStart, rangeEnd, static_cast<uint8_t>(v));
            break;
        default: break;
    }
    CloseEditors();
    FormShow();
    return true;
}

void TFormDebugger::SbCopyClick(bool count) {
    countMode = count;
    OpenValueEditor(0, kStepCopy, dbgwin::Text(kSection, "text.FillCopy.Start", "Start:"), lblTicks);
}

void TFormDebugger::SbFillClick(bool count) {
    countMode = count;
    OpenValueEditor(0, kStepFill, dbgwin::Text(kSection, "text.FillCopy.Start", "Start:"), lblTicks);
}

void TFormDebugger::OpenDumpEditor(uint16_t address, int byteIndex, QLabel* line) {
    if (!memory) return;
    uint8_t b[8];
    for (int i = 0; i < 8; ++i) b[i] = memory->ReadByte(static_cast<uint16_t>(address + i));
    dumpAddress = address;
    editTarget = line;
    meEditDump->setInputMask(decimal ? "999 999 999 999 999 999 999 999; "
                                     : ">\\#HH \\#HH \\#HH \\#HH \\#HH \\#HH \\#HH \\#HH; ");
    meEditDump->setText(Q(dbg::FormatBytes(b, decimal)));
    meEditDump->setFixedWidth(QFontMetrics(font()).horizontalAdvance(QString(34, 'M')));
    PlaceOver(meEditDump, line, 8);
    meEditDump->setFocus();
    meEditDump->setSelection(byteIndex * 4 + (decimal ? 0 : 1), 1);
    EnableControls(false);
}

bool TFormDebugger::DumpEnter() {
    uint8_t b[8];
    const int r = dbg::ParseBytes(meEditDump->text().toStdString(), decimal, b);
    if (r < 0) {
        const int caret = -r - 2;
        meEditDump->setSelection((caret / 4) * 4 + (decimal ? 0 : 1), 1);
        Beep();
        return false;
    }
    if (r == 1) dbg::WriteDumpBytes(*memory, dumpAddress, b);
    else Beep();
    CloseEditors();
    FormShow();
    return r == 1;
}

void TFormDebugger::OpenAsciiEditor(uint16_t address, int charIndex, QLabel* line, int count) {
    if (!memory) return;
    QString text;
    for (int i = 0; i < count; ++i) text += QChar(dbg::DumpChar(memory->ReadByte(static_cast<uint16_t>(address + i))));
    asciiAddress = address;
    editTarget = line;
    meEditAscii->setMaxLength(count);
    meEditAscii->setText(text);
    meEditAscii->setFixedWidth(QFontMetrics(font()).horizontalAdvance(QString(count + 2, 'M')));
    PlaceOver(meEditAscii, line, count == 8 ? 41 : 9);
    meEditAscii->setFocus();
    meEditAscii->setSelection(charIndex, 1);
    EnableControls(false);
}

void TFormDebugger::AsciiEnter() {
    std::u16string text = meEditAscii->text().toStdU16String();
    dbg::WriteTextBytes(*memory, asciiAddress, text);
    CloseEditors();
    FormShow();
}

void TFormDebugger::OpenAsmEditor(uint16_t address, bool preload) {
    if (!memory) return;
    asmAddress = address;
    asmPreload = preload;
    asmPrefix->setText(Q(dbg::PaddedWord(address, decimal)) + "  ");
    asmPrefix->adjustSize();
    meInlineAsm->setMaxLength(notation ? 15 : 13);
    meInlineAsm->setFixedWidth(QFontMetrics(font()).horizontalAdvance(QString(17, 'M')));
    // The line it lies over: the list line showing the address, else the first one.
    QLabel* over = dumpLines[0];
    for (int t = 10; t < 20; ++t)
        if (TypeIndex() == TypeDisassembling && ListLineAddress(t) == address) over = dumpLines[t - 10];
    PlaceOver(asmPrefix, over, 1);
    meInlineAsm->move(asmPrefix->geometry().right() + 1, asmPrefix->y());
    meInlineAsm->raise();
    meInlineAsm->show();
    meInlineAsm->setFocus();
    if (preload) {
        uint16_t a = address;
        const std::string line = dbg::DisassembleLine(*memory, a, decimal, notation);
        meInlineAsm->setText(Q(line.size() > 16 ? line.substr(16) : std::string()));
        meInlineAsm->selectAll();
    } else {
        meInlineAsm->clear();
    }
    EnableControls(false);
}

bool TFormDebugger::AsmEnter() {
    QString typed = meInlineAsm->text();
    typed = notation ? typed.toLower() : typed.toUpper();
    uint8_t opcode = 0;
    uint16_t operand = 0;
    const int r = dbg::Assemble(typed.toStdString(), notation, decimal, opcode, operand);
    if (r >= 0) {
        Beep();
        meInlineAsm->setSelection(r, 1);
        return false;
    }
    const uint16_t a = static_cast<uint16_t>(asmAddress);
    memory->WriteByte(a, opcode);
    if (r == -2) memory->WriteByte(static_cast<uint16_t>(a + 1), static_cast<uint8_t>(operand));
    if (r == -3) memory->WriteWord(static_cast<uint16_t>(a + 1), operand);
    ShowInstructions();
    ShowList();
    OpenAsmEditor(static_cast<uint16_t>(a - r), asmPreload);
    return true;
}
