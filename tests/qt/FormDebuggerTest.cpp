// The debugger window on a running machine: it opens on a breakpoint, edits
// a register and a memory byte, assembles an instruction, and the machine
// runs on with the changes.
#include <QtTest>

#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

#include <pugixml.hpp>

#include <memory>
#include <vector>

#include "common/Config.h"
#include "common/IniFile.h"
#include "ui/LangWindows.h"
#include "machine/core/ModelIndex.h"
#include "machine/core/RequestWords.h"
#include "machine/cpu/ChipCpu8080.h"
#include "machine/cpu/ChipMemory.h"
#include "machine/owner/MachineOwner.h"
#include "machine/timer/ChipPIT8253.h"
#include "tests/qt/FakePrompts.h"
#include "tools/debugger/window/FormDbgFind.h"
#include "tools/debugger/window/FormDebugger.h"
#include "tools/debugger/window/FormDisass.h"
#include "tools/debugger/window/FormPerifStat.h"

namespace {
const char* const kConfig =
    "<Orvik version='1'><General/><Screen/>"
    "<Model current='Model-2A'>"
    "<Model-1><RomFile/></Model-1><Model-2><RomFile/></Model-2><Model-2A><RomFile/></Model-2A>"
    "<Model-3><RomFile/></Model-3><Model-Mato><RomFile/></Model-Mato><Model-Alfa><RomFile/></Model-Alfa>"
    "<Model-Alfa2><RomFile/></Model-Alfa2><Model-C2717><RomFile/></Model-C2717></Model>"
    "<Sound device-index='-1'/>"
    "<Storages><PMD-32 connected='false'><DriveA/><DriveB/><DriveC/><DriveD/><SD-Root/></PMD-32></Storages>"
    "<Debugger><BreakPoints><BP1 active='true'>16387</BP1><BP2 active='true'>16397</BP2></BreakPoints>"
    "</Debugger></Orvik>";

// At 4000h.
const std::vector<uint8_t> kProgram = {
    0x21, 0x00, 0x50,  // 4000 LXI H,5000h
    0x00,              // 4003 NOP        first breakpoint
    0x00, 0x00,        // 4004            MVI A,42h is assembled here
    0x77,              // 4006 MOV M,A
    0x3A, 0x00, 0x60,  // 4007 LDA 6000h
    0x32, 0x01, 0x50,  // 400A STA 5001h
    0xC3, 0x0D, 0x40,  // 400D JMP 400Dh  second breakpoint
};
}  // namespace

class FormDebuggerTest : public QObject {
    Q_OBJECT

    pugi::xml_document doc;
    std::unique_ptr<MachineOwner> owner;
    FakePrompts prompts;
    std::unique_ptr<TFormDebugger> form;
    int opened = 0;

    ChipCpu8080& Cpu() { return *owner->GetCpu(); }
    ChipMemory& Mem() { return *owner->GetMemory(); }

    // What the main window does on a stop request.
    void OpenDebugger() {
        owner->SetPause(1, 0);
        form->Attach(owner->GetCpu(), owner->GetMemory(), owner->GetModel());
        if (form->isVisible())
            form->EnterStopped();
        else
            form->show();
        ++opened;
    }
    bool WaitForStop(int before) {
        for (int i = 0; i < 4000 && opened == before; ++i) {
            owner->TimerRefreshControlsTimer();
            QTest::qWait(1);
        }
        return opened != before && form->Run().State() == DebuggerRequest::Stopped;
    }
    void Enter(QLineEdit* edit, const QString& text) {
        QVERIFY(edit && !edit->isHidden());
        edit->setText(text);
        QTest::keyClick(edit, Qt::Key_Return);
    }

private slots:
    void init() {
        QVERIFY(doc.load_string(kConfig));
        ConfigRoot = doc.document_element();
        owner = std::make_unique<MachineOwner>();
        form = std::make_unique<TFormDebugger>(owner->DebuggerTag);
        owner->SetDebugger(&form->Run());
        form->Run().onStopRequest = [this] { OpenDebugger(); };
        prompts = FakePrompts();
        form->SetPrompts(prompts);
        std::vector<uint8_t> rom(4096, 0);
        owner->BuildMachine(1, static_cast<int32_t>(rom.size()), rom.data());
        owner->ResetMachine(0);
        Mem().EndBootMapping();
        for (size_t i = 0; i < kProgram.size(); ++i) Mem().WriteByte(0x4000 + static_cast<int>(i), kProgram[i]);
        Mem().WriteByte(0x6000, 0x11);
        Cpu().PC = 0x4000;
        Cpu().SP = 0x7000;
    }
    void cleanup() {
        owner->Shutdown();
        form.reset();
        owner.reset();
        ConfigRoot = pugi::xml_node();
    }

    void opensOnABreakpointEditsAndRunsOn() {
        // The breakpoints come from the configuration at the first showing.
        form->show();
        form->SbRunClick(form.get());
        QCOMPARE(form->Run().State(), int(DebuggerRequest::RunRequest));
        owner->DebuggerTag = DebuggerRequest::Running;  // taken as the controls tick does, slices run by hand here
        QCOMPARE(form->Run().State(), int(DebuggerRequest::Running));
        owner->PreciseTimerCpuTimer();  // a slice: stops at the first breakpoint
        QCOMPARE(form->Run().State(), int(DebuggerRequest::StopRequest));
        owner->TimerRefreshControlsTimer();
        QCOMPARE(opened, 1);
        QVERIFY(form->isVisible());
        QCOMPARE(form->Run().State(), int(DebuggerRequest::Stopped));
        QCOMPARE(Cpu().PC, uint16_t(0x4003));
        QVERIFY(form->Instr(2)->text().startsWith(" #4003 00"));
        QCOMPARE(form->BreakPointList()->item(0)->checkState(), Qt::Checked);

        // HL through the value editor.
        form->RegsDblClick(3);
        QVERIFY(!form->CanAct(true, false));  // an editor is open
        Enter(form->ValueEditor(), "#5100");
        QCOMPARE(Cpu().GetHL(), uint16_t(0x5100));
        QVERIFY(form->ValueEditor()->isHidden());
        QVERIFY(form->findChild<QLabel*>("RegHL")->text() == "HL:#5100");

        // MEM := 6000h, then the first byte there through the dump editor.
        form->SetSource(TFormDebugger::SrcMem);
        form->RegsDblClick(6);
        Enter(form->ValueEditor(), "#6000");
        QCOMPARE(form->MemAddress(), uint16_t(0x6000));
        form->SetType(TFormDebugger::TypeDump);
        form->ShowList();
        QVERIFY(form->Line(0)->text().startsWith(" #6000  #11 "));
        form->LineClick(10, 8, true, Qt::NoModifier);  // the first byte of the first line
        QLineEdit* dump = form->DumpEditor();
        QVERIFY(!dump->isHidden());
        QString bytes = dump->text();
        bytes.replace(0, 3, "#99");
        Enter(dump, bytes);
        QCOMPARE(Mem().ReadByte(0x6000), uint8_t(0x99));

        // MVI A,42h at 4004h with the line assembler, from the list shown at PC.
        form->SetSource(TFormDebugger::SrcPC);
        form->SetType(TFormDebugger::TypeDisassembling);
        form->ShowList();
        QVERIFY(form->Line(1)->text().startsWith(" #4004 "));
        form->LineClick(11, 17, true, Qt::NoModifier);  // mnemonic column
        QLineEdit* line = form->AsmEditor();
        QVERIFY(!line->isHidden());
        Enter(line, "mvi a,#4G");                  // refused: the caret stands after the comma
        QVERIFY(!line->isHidden());
        QCOMPARE(line->selectionStart(), 6);
        Enter(line, "mvi a,#42");                  // upper-cased as the Intel editor does
        QCOMPARE(Mem().ReadByte(0x4004), uint8_t(0x3E));
        QCOMPARE(Mem().ReadByte(0x4005), uint8_t(0x42));
        QVERIFY(!line->isHidden());                // reopened at the next address
        QTest::keyClick(line, Qt::Key_Escape);
        QVERIFY(line->isHidden());
        QVERIFY(form->CanAct(true, false));

        // Run on: past the breakpoint on PC to the second one.
        form->SbRunClick(form.get());
        QVERIFY(!form->isVisible());
        QCOMPARE(form->Run().State(), int(DebuggerRequest::RunRequest));
        QVERIFY(WaitForStop(1));
        QCOMPARE(Cpu().PC, uint16_t(0x400D));
        QCOMPARE(Mem().ReadByte(0x5100), uint8_t(0x42));
        QCOMPARE(Mem().ReadByte(0x5001), uint8_t(0x99));
        QVERIFY(form->isVisible());
    }

    void flagsStepsAndSettings() {
        owner->DebuggerTag = DebuggerRequest::StopRequest;
        OpenDebugger();
        QCOMPARE(form->Run().State(), int(DebuggerRequest::Stopped));
        Cpu().F = 0x02;
        form->FlagsDblClick(1);  // Z
        QCOMPARE(Cpu().F, uint8_t(0x42));
        QCOMPARE(form->findChild<QLabel*>("FlagZF")->text(), QString(" Z"));
        form->SbStepClick();
        QCOMPARE(Cpu().PC, uint16_t(0x4003));
        form->SbHexDecClick();
        QCOMPARE(form->findChild<QLabel*>("RegPC")->text(), QString("PC:16387"));
        form->SbZ80Click();
        QVERIFY(form->Instr(1)->text().contains("ld   hl,20480"));
        form->SaveSettings();
        pugi::xml_node e = ConfigSection("Debugger");
        QCOMPARE(QString(e.attribute("radix").value()), QString("dec"));
        QCOMPARE(QString(e.attribute("notation").value()), QString("z80"));
        // Every named control is there.
        for (const char* name : {"i1", "i6", "RegAF", "RegSP", "LblListAddr", "SP1", "SP5", "SPadr1", "LblMM",
                                 "FlagSF", "FlagIF", "dump1", "dump10", "ClbBreakPoints", "LbNestings", "CbListSrc",
                                 "CbListType", "LblTicks", "LblAllRam", "LblRemap", "ShapeInstr", "ShapeRegs",
                                 "ShapeListAdr", "ShapeSP", "ShapeDump", "ShapeMM", "PanelInstructions", "PanelRegs",
                                 "PanelSP", "PanelFlags", "PanelDump", "SbHexDec", "SbZ80", "SbTo0", "SbDisass",
                                 "SbFind", "SbPerifStat", "SbRun", "SbStep", "SbStepOver", "SbStepOut", "SbToNext",
                                 "MeEditValue", "MeEditDump", "MeEditAscii", "MeInlineAsm", "LblEditLabel"})
            QVERIFY2(form->findChild<QWidget*>(name), name);
    }

    void nestingsAndSearch() {
        OpenDebugger();
        form->SetSource(TFormDebugger::SrcPC);
        form->SetType(TFormDebugger::TypeDisassembling);
        form->ShowList();
        // The operand column of LDA 6000h (list line 5 from PC 4000h: LXI, NOP, NOP, NOP, MOV, LDA).
        QVERIFY(form->Line(5)->text().contains("LDA"));
        form->LineClick(15, 22, false, Qt::NoModifier);
        QCOMPARE(form->NestingDepth(), 1);
        QCOMPARE(form->MemAddress(), uint16_t(0x6000));
        QCOMPARE(form->SourceIndex(), int(TFormDebugger::SrcMem));
        form->NestingsDblClick();
        QCOMPARE(form->NestingDepth(), 0);
        QCOMPARE(form->MemAddress(), uint16_t(0x4000));

        // Search: 3Ah 00h 60h (LDA 6000h) from MEM.
        TFormDbgFind* find = form->FormDbgFind();
        find->values->setText("#3A #00 #00 #00 #00 #00 #00 #00");
        find->MeEditValuesChange();
        find->values->setText("#3A #00 #60 #00 #00 #00 #00 #00");
        find->MeEditValuesChange();
        find->checkVal[1]->setChecked(true);
        find->CheckValClick(1);
        QVERIFY(find->FindEnabled());
        form->FindNext(true);
        QCOMPARE(form->MemAddress(), uint16_t(0x4007));
        form->FindNext(false);
        QCOMPARE(prompts.Infos().size(), 1);  // no other occurrence
    }

    void perifStatAndDisassWindows() {
        OpenDebugger();
        TFormPerifStat* p = form->FormPerifStat();
        form->SbPerifStatClick();
        QVERIFY(p->isVisible());
        for (const char* name : {"GbIntCTC8253", "LblC0", "LblC0Mv", "LblC1Cv", "LblC2Pv", "LblC2Xv"})
            QVERIFY2(p->findChild<QWidget*>(name), name);
        // Counter 0 programmed with 36h and the preset 2D5Ah.
        ChipPIT8253 pit;
        pit.Write(3, 0x36);
        pit.Write(0, 0x5A);
        pit.Write(0, 0x2D);
        p->SetTimer(&pit);
        p->UpdateView();
        QCOMPARE(p->Value(0, 0)->text(), QString("3 / BIN / BOTH"));
        QCOMPARE(p->Value(0, 2)->text(), QString("#2D5A"));
        p->SetTimer(nullptr);  // a model without the timer: the labels keep their texts
        p->UpdateView();
        QCOMPARE(p->Value(0, 0)->text(), QString("3 / BIN / BOTH"));
        TFormDisass* d = form->FormDisass();
        d->SetMemory(&Mem());
        d->meFrom->setText("#4000");
        d->meTo->setText("#400F");
        d->meOffset->setText("#0000");
        d->BtnAddClick();
        QCOMPARE(d->Areas().size(), size_t(1));
        QCOMPARE(d->meFrom->text(), QString("#4010"));
        d->meFrom->setText("#8000");
        d->meTo->setText("#9000");
        d->meOffset->setText("#7800");  // runs on from 0000h
        d->BtnAddClick();
        QCOMPARE(d->Areas().size(), size_t(2));
        QCOMPARE(prompts.Warnings().size(), 0);
        d->meFrom->setText("#9000");
        d->meTo->setText("#8000");  // ends before it starts
        d->BtnAddClick();
        QCOMPARE(d->Areas().size(), size_t(2));
        QCOMPARE(prompts.Warnings().size(), 1);
        QTemporaryDir dir;
        const std::string path = (dir.path() + "/out.asm").toStdString();
        prompts.paths = {path};
        d->BtnDisassClick();
        QFile f(QString::fromStdString(path));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.readAll().contains("L400D:   JMP  L400D"));
    }

    void valueEditorTableAndCopyFill() {
        OpenDebugger();
        QVERIFY(form->findChild<QLabel*>("LblMM")->isHidden());  // no paging register on this model
        form->RegsDblClick(0);
        Enter(form->ValueEditor(), "#00FF");
        QCOMPARE(Cpu().GetPSW(), uint16_t(0x00D7));
        // Stack word SP+2.
        form->RegsDblClick(8);
        Enter(form->ValueEditor(), "#BEEF");
        QCOMPARE(Mem().ReadWord(0x7002), uint16_t(0xBEEF));
        // Fill 2 bytes from 5000h; a fill byte of 256 is refused and the prompt stays.
        form->SbHexDecClick();  // decimal
        form->SbFillClick(true);
        Enter(form->ValueEditor(), "20480");
        Enter(form->ValueEditor(), "00002");
        Enter(form->ValueEditor(), "00256");
        QVERIFY(!form->ValueEditor()->isHidden());
        Enter(form->ValueEditor(), "00171");
        QVERIFY(form->ValueEditor()->isHidden());
        QCOMPARE(Mem().ReadByte(0x5000), uint8_t(0xAB));
        QCOMPARE(Mem().ReadByte(0x5001), uint8_t(0xAB));
        QCOMPARE(Mem().ReadByte(0x5002), uint8_t(0x00));
        // Count 0 writes nothing.
        form->SbFillClick(true);
        Enter(form->ValueEditor(), "20482");
        Enter(form->ValueEditor(), "00000");
        Enter(form->ValueEditor(), "00001");
        QCOMPARE(Mem().ReadByte(0x5002), uint8_t(0x00));
        // Copy by end address: 5000h..5001h to 5001h (overlapping upward).
        form->SbCopyClick(false);
        Enter(form->ValueEditor(), "20480");
        Enter(form->ValueEditor(), "20479");  // end below start: refused
        QVERIFY(!form->ValueEditor()->isHidden());
        Enter(form->ValueEditor(), "20481");
        Enter(form->ValueEditor(), "20481");
        QCOMPARE(Mem().ReadByte(0x5001), uint8_t(0xAB));
        QCOMPARE(Mem().ReadByte(0x5002), uint8_t(0xAB));
    }

    void dumpTextAndAssemblerEditors() {
        OpenDebugger();
        form->SbHexDecClick();  // decimal
        form->SetSource(TFormDebugger::SrcMem);
        form->RegsDblClick(6);
        Enter(form->ValueEditor(), "24576");  // 6000h
        form->SetType(TFormDebugger::TypeDump);
        form->ShowList();
        form->LineClick(10, 12, true, Qt::NoModifier);  // second byte
        QLineEdit* dump = form->DumpEditor();
        QCOMPARE(dump->selectionStart(), 4);
        QString t = dump->text();
        t.replace(8, 3, "256");
        Enter(dump, t);
        QVERIFY(!dump->isHidden());  // refused, caret on that field
        QCOMPARE(dump->selectionStart(), 8);
        QTest::keyClick(dump, Qt::Key_G);
        QTest::keyClick(dump, Qt::Key_Escape);
        QVERIFY(dump->isHidden());
        QCOMPARE(Mem().ReadByte(0x6002), uint8_t(0x00));
        // The text editor keeps a "." over a byte that shows as ".".
        Mem().WriteByte(0x6000, 0x00);
        Mem().WriteByte(0x6001, 0x41);
        form->ShowList();
        form->LineClick(10, 41, true, Qt::NoModifier);
        QLineEdit* text = form->AsciiEditor();
        QVERIFY(!text->isHidden());
        QCOMPARE(text->text().left(2), QString(".A"));
        Enter(text, ".B......");
        QCOMPARE(Mem().ReadByte(0x6000), uint8_t(0x00));
        QCOMPARE(Mem().ReadByte(0x6001), uint8_t(0x42));
        // The line assembler in preload mode shows the instruction that stands next.
        form->SbHexDecClick();  // back to hexadecimal
        form->SetSource(TFormDebugger::SrcPC);
        form->SetType(TFormDebugger::TypeDisassembling);
        form->ShowList();
        form->LineClick(10, 17, true, Qt::ControlModifier);
        QLineEdit* line = form->AsmEditor();
        QCOMPARE(line->text(), QString("LXI  H,#5000"));
        Enter(line, "LXI H,#5100");
        QCOMPARE(Mem().ReadWord(0x4001), uint16_t(0x5100));
        QCOMPARE(line->text(), QString("NOP"));
        line->clear();
        QTest::keyClicks(line, "mov");
        QCOMPARE(line->text(), QString("MOV"));  // forced to upper case
        // Closing is refused while an editor is open.
        form->close();
        QVERIFY(form->isVisible());
        QTest::keyClick(line, Qt::Key_Escape);
        form->close();
        QVERIFY(!form->isVisible());
        QCOMPARE(form->Run().State(), int(DebuggerRequest::RunRequest));
    }

    void listOffsetsAndKeys() {
        OpenDebugger();
        form->SetSource(TFormDebugger::SrcSP);
        form->SetType(TFormDebugger::TypeDump);
        form->ShowList();
        QCOMPARE(form->findChild<QLabel*>("LblListAddr")->text(), QString("(SP)"));
        form->ListStep(false, Qt::ShiftModifier);
        form->ListStep(false, Qt::ShiftModifier);
        form->ListStep(false, Qt::ShiftModifier);
        form->ListStep(false, Qt::ShiftModifier);
        QCOMPARE(form->findChild<QLabel*>("LblListAddr")->text(), QString("(SP-#0004)"));
        form->SbHexDecClick();
        QCOMPARE(form->findChild<QLabel*>("LblListAddr")->text(), QString("(SP-4)"));
        QTest::keyClick(form.get(), Qt::Key_Home);
        QCOMPARE(form->ListOffset(TFormDebugger::SrcSP), 0);
        for (int i = 0; i < 4096; ++i) form->ListStep(true, Qt::NoModifier);  // 8 bytes a step
        QCOMPARE(form->ListOffset(TFormDebugger::SrcSP), 32768);
        form->ListStep(true, Qt::NoModifier);
        form->ListStep(true, Qt::ShiftModifier);
        QCOMPARE(form->ListOffset(TFormDebugger::SrcSP), 32768);
        QTest::keyClick(form.get(), Qt::Key_F7);  // step
        QCOMPARE(Cpu().PC, uint16_t(0x4003));
        QTest::keyClick(form.get(), Qt::Key_H, Qt::ControlModifier);
        QVERIFY(!form->Decimal());
        const QString ticks = form->findChild<QLabel*>("LblTicks")->text();
        QVERIFY(ticks.startsWith("T:00000000"));
        QCOMPARE(ticks.size(), 12);
    }

    void searchWindowFields() {
        OpenDebugger();
        TFormDbgFind* find = form->FormDbgFind();
        QVERIFY(!find->FindEnabled());
        QTest::keyClick(form.get(), Qt::Key_F3);  // nothing to find: opens the window
        QVERIFY(find->isVisible());
        find->SetRadix(true);
        find->values->setText("000 000 300 000 000 000 000 000");
        find->MeEditValuesChange();
        QCOMPARE(find->values->selectionStart(), 8);
        find->values->setText("000 000 256 000 000 000 000 000");
        find->MeEditValuesChange();
        QCOMPARE(find->values->selectionStart(), 10);
        find->SetRadix(false);
        // "A" typed at character position 3.
        QString chars = find->ascii->text();
        chars[13] = 'A';
        find->ascii->setText(chars);
        find->MeEditAsciiChange();
        QCOMPARE(find->GetPattern().pattern[3], uint8_t(0x41));
        QCOMPARE(find->GetPattern().mask[3], uint8_t(0xFF));
        QVERIFY(find->checkVal[3]->isChecked());
        QVERIFY(find->FindEnabled());
        QVERIFY(find->values->text().startsWith("#00 #00 #00 #41"));
        // A mask byte 0Fh becomes FFh when the mask is switched off.
        find->checkMask->setChecked(true);
        find->CheckMaskClick();
        QVERIFY(find->masks->isEnabled());
        find->masks->setText("#0F #00 #00 #FF #00 #00 #00 #00");
        find->MeEditMaskChange();
        QCOMPARE(find->GetPattern().mask[0], uint8_t(0x0F));
        find->checkMask->setChecked(false);
        find->CheckMaskClick();
        QCOMPARE(find->GetPattern().mask[0], uint8_t(0xFF));
        // Clearing a position empties it.
        find->checkVal[3]->setChecked(false);
        find->CheckValClick(3);
        QCOMPARE(find->GetPattern().mask[3], uint8_t(0x00));
        QCOMPARE(find->GetPattern().chars[3], u'.');
    }

    void mouseOnTheLines() {
        OpenDebugger();
        form->SetType(TFormDebugger::TypeDump);
        form->SetSource(TFormDebugger::SrcPC);
        form->ShowList();
        QLabel* i3 = form->Instr(2);
        const int cw = QFontMetrics(i3->font()).horizontalAdvance('M');
        const int y = i3->height() / 2;
        // A left double click in the address column sets the first free breakpoint there.
        QTest::mouseDClick(i3, Qt::LeftButton, Qt::NoModifier, QPoint(2 * cw + 1, y));
        QTest::mouseRelease(i3, Qt::LeftButton, Qt::NoModifier, QPoint(2 * cw + 1, y));
        QCOMPARE(form->BreakPointList()->item(2)->checkState(), Qt::Checked);  // BP1, BP2 come from the file
        QCOMPARE(form->Run().Bp(3).address.load(), uint16_t(0x4000));
        // A single left click does nothing.
        QLabel* d1 = form->Line(0);
        QTest::mouseClick(d1, Qt::LeftButton, Qt::NoModifier, QPoint(9 * cw + 1, y));
        QVERIFY(form->DumpEditor()->isHidden());
        // A double click on a byte opens the dump editor.
        QTest::mouseDClick(d1, Qt::LeftButton, Qt::NoModifier, QPoint(9 * cw + 1, y));
        QTest::mouseRelease(d1, Qt::LeftButton, Qt::NoModifier, QPoint(9 * cw + 1, y));
        QVERIFY(!form->DumpEditor()->isHidden());
        QTest::keyClick(form->DumpEditor(), Qt::Key_Escape);
        // The wheel over the list moves it by a line of 8 bytes.
        QWidget* panel = form->findChild<QWidget*>("PanelDump");
        const QPoint inside = panel->mapToGlobal(QPoint(20, 20));
        QWheelEvent wheel(QPointF(20, 20), QPointF(inside), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(form.get(), &wheel);
        QCOMPARE(form->ListOffset(TFormDebugger::SrcPC), 8);
    }

    void translatedByTheEnglishFile() {
        IniFile ini;
        QVERIFY(ini.Load(std::string(ORVIK_SOURCE_DIR) + "/resources/Lang/English.ini"));
        TranslateWindows(ini, {form.get(), form->FormDisass(), form->FormDbgFind(), form->FormPerifStat()});
        QCOMPARE(form->windowTitle(), QString("Debugger"));
        QCOMPARE(form->findChild<QLabel*>("LblAllRam")->toolTip(), QString("All RAM state\nDouble click switches it"));
        QCOMPARE(form->FormDisass()->findChild<QPushButton*>("BtnAdd")->text(), QString("Add"));
        QCOMPARE(form->FormDisass()->lvList->headerItem()->text(4), QString("DW labels"));
        QCOMPARE(form->FormDbgFind()->findChild<QPushButton*>("BtnFind")->text(), QString("Find"));
        QCOMPARE(form->FormPerifStat()->findChild<QGroupBox*>("GbIntCTC8253")->title(), QString("Internal CTC 8253"));
    }
};

QTEST_MAIN(FormDebuggerTest)
#include "FormDebuggerTest.moc"
