// The main window's debugger command and the way a breakpoint hit opens it.
#include <QtTest>

#include <QAction>
#include <QLabel>
#include <QLineEdit>

#include <memory>

#include "machine/core/RequestWords.h"
#include "machine/cpu/ChipCpu8080.h"
#include "machine/cpu/ChipMemory.h"
#include "shell/FormMain.h"
#include "tests/qt/TestProgramDir.h"
#include "tools/debugger/window/FormDebugger.h"

class FormMainDebuggerTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestProgramDir> prog;
    std::unique_ptr<TFormMain> form;

private slots:
    void init() {
        prog = std::make_unique<TestProgramDir>();
        QVERIFY(prog->Make({}));
        TFormMain::SetProgramDirOverride(prog->Path().toStdString());
        form = std::make_unique<TFormMain>();
        form->show();
        QVERIFY(!form->FirstShowPending());
    }
    void cleanup() {
        form.reset();
        prog.reset();
        TFormMain::SetProgramDirOverride("");
    }

    void commandAndKey() {
        QAction* a = form->ActionNamed("MiDebugger");
        QVERIFY(a);
        QCOMPARE(a->shortcut(), QKeySequence(Qt::ALT | Qt::Key_F12));
        a->trigger();
        TFormDebugger* d = form->FormDebugger();
        QVERIFY(d->isVisible());
        QCOMPARE(form->RunState(), 1);
        QCOMPARE(form->Owner().DebuggerTag.load(), int(DebuggerRequest::Stopped));
    }

    void breakpointHitOpensTheDebugger() {
        form->ActionNamed("MiDebugger")->trigger();
        TFormDebugger* d = form->FormDebugger();
        MachineOwner& o = form->Owner();
        ChipMemory& m = *o.GetMemory();
        const uint8_t loop[] = {0xF3, 0x00, 0x00, 0xC3, 0x01, 0x40};  // DI; NOP; NOP; JMP 4001h
        for (int i = 0; i < 6; ++i) m.WriteByte(0x4000 + i, loop[i]);
        o.GetCpu()->PC = 0x4000;
        d->Run().SetBp(1, 0x4002, true);
        d->SbRunClick(d);
        QVERIFY(!d->isVisible());
        // The controls tick resumes the machine; the slice stops at the breakpoint;
        // the next controls tick opens the debugger again.
        QTRY_VERIFY_WITH_TIMEOUT(d->isVisible(), 5000);
        QCOMPARE(o.DebuggerTag.load(), int(DebuggerRequest::Stopped));
        QCOMPARE(o.GetCpu()->PC, uint16_t(0x4002));
        QCOMPARE(form->RunState(), 1);
    }

    void runPauseWhileTheDebuggerHoldsTheMachine() {
        form->ActionNamed("MiDebugger")->trigger();
        TFormDebugger* d = form->FormDebugger();
        MachineOwner& o = form->Owner();
        // An editor is open: the main window's run does not resume the machine.
        d->RegsDblClick(1);
        QVERIFY(!d->ValueEditor()->isHidden());
        form->TBtnRunPauseClick();
        QCOMPARE(form->RunState(), 1);
        QCOMPARE(o.DebuggerTag.load(), int(DebuggerRequest::Stopped));
        QTest::keyClick(d->ValueEditor(), Qt::Key_Escape);
        // Without an editor it runs as the debugger's run does.
        form->TBtnRunPauseClick();
        QVERIFY(!d->isVisible());
        QTRY_COMPARE_WITH_TIMEOUT(form->RunState(), 0, 2000);
        QCOMPARE(o.DebuggerTag.load(), int(DebuggerRequest::Running));
    }

    void followsARebuiltMachine() {
        form->ActionNamed("MiDebugger")->trigger();
        TFormDebugger* d = form->FormDebugger();
        MachineOwner& o = form->Owner();
        form->MiHardResetClick();  // rebuilds every part
        QCOMPARE(d->Run().Cpu(), o.GetCpu());
        QCOMPARE(d->Run().Memory(), o.GetMemory());
        QVERIFY(d->isVisible());
        QCOMPARE(o.DebuggerTag.load(), int(DebuggerRequest::Stopped));
        QVERIFY(d->Instr(2)->text().startsWith(" #0000 "));  // redrawn at the reset PC
    }
};

QTEST_MAIN(FormMainDebuggerTest)
#include "FormMainDebuggerTest.moc"
