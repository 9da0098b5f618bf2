// The main window's debugger command and the way a breakpoint hit opens it.
#include <QtTest>

#include <mutex>

#include <QAction>
#include <QFrame>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QToolTip>

#include <functional>
#include <memory>

#include "machine/core/RequestWords.h"
#include "machine/cpu/ChipCpu8080.h"
#include "machine/cpu/ChipMemory.h"
#include "shell/FormMain.h"
#include "common/Config.h"
#include "tests/qt/FakePrompts.h"
#include "tests/qt/StandInMonitor.h"
#include "tests/qt/TestProgramDir.h"
#include "tools/debugger/window/FormDebugger.h"

class FormMainDebuggerTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestProgramDir> prog;
    FakePrompts prompts;
    std::unique_ptr<TFormMain> form;

private slots:
    void init() {
        prog = std::make_unique<TestProgramDir>();
        QVERIFY(prog->Make({}));
        TFormMain::SetProgramDirOverride(prog->Path().toStdString());
        form = std::make_unique<TFormMain>(prompts);
        form->show();
        QVERIFY(!form->FirstShowPending());
    }
    void cleanup() {
        form.reset();
        prog.reset();
        TFormMain::SetProgramDirOverride("");
    }

    // A new main window on a Model-2A running the stand-in monitor, with the
    // configuration changed by edit; halt is the monitor's endless loop.
    void StartWithMonitor(const std::function<void(QString&)>& edit, uint16_t& halt) {
        form.reset();
        prog = std::make_unique<TestProgramDir>();
        const QString rom = prog->Path("monitor.rom");
        QVERIFY(prog->Write("monitor.rom", StandInMonitor(false, halt)));
        QVERIFY(prog->Make([&](QString& t) {
            t.replace("current=\"Model-C2717\"", "current=\"Model-2A\"");
            t.replace("mute=\"false\"", "mute=\"true\"");
            UseMonitorRom(t, "Model-2A", rom);
            edit(t);
        }));
        TFormMain::SetProgramDirOverride(prog->Path().toStdString());
        form = std::make_unique<TFormMain>(prompts);
        form->show();
        QVERIFY(!form->FirstShowPending());
    }

    // Whether a hint request on w shows text.
    static bool HintShows(QWidget* w, const QString& text) {
        QToolTip::hideText();  // a shown hint goes after a short delay
        if (!QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 3000)) return false;
        QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), w->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(w, &help);
        return QToolTip::isVisible() && QToolTip::text() == text;
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

    // A breakpoint stored in the configuration stops the machine although
    // the debugger was never opened, as one set in the window does.
    void storedBreakpointStopsTheMachineFromTheStart() {
        QFETCH(bool, active);
        uint16_t halt = 0;
        StartWithMonitor(
            [&](QString& t) {
                const QString bp = QString("<BP1 active=\"%1\">%2</BP1>").arg(active ? "true" : "false").arg(halt);
                QVERIFY(t.contains("<BP1 active=\"false\">0</BP1>"));
                t.replace("<BP1 active=\"false\">0</BP1>", bp);
            },
            halt);
        TFormDebugger* d = form->FormDebugger();
        MachineOwner& o = form->Owner();
        QCOMPARE(d->Run().IsBreakpoint(halt), active ? 1 : 0);
        if (active) {
            QTRY_VERIFY_WITH_TIMEOUT(d->isVisible(), 10000);
            QCOMPARE(o.DebuggerTag.load(), int(DebuggerRequest::Stopped));
            QCOMPARE(o.GetCpu()->PC, halt);
            QCOMPARE(form->RunState(), 1);
            // The list shows the stored breakpoint as the one that stopped it.
            QCOMPARE(d->BreakPointList()->item(0)->checkState(), Qt::Checked);
        } else {
            // The CPU runs on: its PC is read between slices.
            auto pc = [&o] {
                std::lock_guard<std::recursive_mutex> hold(o.CpuMutex);
                return o.GetCpu()->PC;
            };
            QTRY_COMPARE_WITH_TIMEOUT(pc(), halt, 10000);
            QTest::qWait(200);
            QVERIFY(!d->isVisible());
            QCOMPARE(form->RunState(), 0);
        }
    }
    void storedBreakpointStopsTheMachineFromTheStart_data() {
        QTest::addColumn<bool>("active");
        QTest::newRow("active") << true;
        QTest::newRow("inactive") << false;
    }

    // Change code 28 switches the hints of the six debugger panels, and the
    // list panel's hint follows the list type.
    void changeCode28SwitchesThePanelHints() {
        form->ActionNamed("MiDebugger")->trigger();
        TFormDebugger* d = form->FormDebugger();
        QVERIFY(d->isVisible());
        const QString panels[6][2] = {
            {"PanelInstructions", "Double click on the address: breakpoint\nRight click on the operand: follow it"},
            {"PanelRegs", "Double click: edit the register"},
            {"PanelSP", "Stack words; double click: edit"},
            {"PanelFlags", "Double click: switch the flag"},
            {"LbNestings", "Followed addresses; double click returns"},
            {"PanelDump", "Double click on a character: edit"},
        };
        d->SetType(TFormDebugger::TypeAscii);
        for (bool on : {true, false, true}) {
            ConfigSection("General").attribute("show-hint-in-debugger").set_value(on ? "true" : "false");
            std::vector<int> codes{28};
            form->ApplySettings(codes);
            for (const auto& p : panels) {
                QWidget* w = d->findChild<QWidget*>(p[0]);
                QVERIFY2(w, qPrintable(p[0]));
                QVERIFY2(HintShows(w, p[1]) == on, qPrintable(p[0] + (on ? " hint missing" : " hint shown")));
            }
        }
        QToolTip::hideText();
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

    // The debugger's steps go to the emulation thread as commands; their
    // answers refresh the window here.
    void stepsAndSwitchesRunThroughTheMachinesCommands() {
        form->ActionNamed("MiDebugger")->trigger();
        TFormDebugger* d = form->FormDebugger();
        MachineOwner& o = form->Owner();
        auto pc = [&o] {
            std::lock_guard<std::recursive_mutex> hold(o.CpuMutex);
            return o.GetCpu()->PC;
        };
        {
            std::lock_guard<std::recursive_mutex> hold(o.CpuMutex);
            ChipMemory& m = *o.GetMemory();
            const uint8_t code[] = {0x00, 0xCD, 0x10, 0x40, 0x00};  // NOP; CALL 4010h; NOP
            for (int i = 0; i < 5; ++i) m.WriteByte(0x4000 + i, code[i]);
            m.WriteByte(0x4010, 0xC9);  // RET
            o.GetCpu()->PC = 0x4000;
            o.GetCpu()->SP = 0x7000;
        }
        d->EnterStopped();
        d->SbStepClick();
        QTRY_COMPARE_WITH_TIMEOUT(pc(), uint16_t(0x4001), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(d->findChild<QLabel*>("RegPC")->text().contains("4001"), 5000);
        // Over the call: the routine runs in slices, the debugger opens again after it.
        // (Stopped and paused before as well: only the three together mark the end.)
        d->SbStepOverClick();
        QTRY_VERIFY_WITH_TIMEOUT(pc() == 0x4004 && o.DebuggerTag.load() == DebuggerRequest::Stopped &&
                                     form->RunState() == 1,
                                 10000);
        QVERIFY(d->isVisible());
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
