// The debugger's keys typed as a user types them (key events of the X
// server, under a window manager) act on the list view also while the
// breakpoint list or the nesting list has the focus.
#include <QtTest>

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QStandardPaths>

#include <memory>

#include "machine/core/RequestWords.h"
#include "machine/cpu/ChipCpu8080.h"
#include "machine/cpu/ChipMemory.h"
#include "shell/FormMain.h"
#include "tests/qt/FakePrompts.h"
#include "tests/qt/TestProgramDir.h"
#include "tests/qt/TestWindowManager.h"
#include "tests/qt/XdoMainWindow.h"
#include "tools/debugger/window/FormDebugger.h"

class DebuggerKeysTest : public QObject {
    Q_OBJECT

    XdoMainWindow x;
    std::unique_ptr<TFormMain>& form = x.form;

    static bool Type(const QString& keys) { return XdoMainWindow::Key(keys); }
    static bool FocusIn(TFormDebugger* d, QWidget* w) { return XdoMainWindow::FocusIn(d, w); }

private slots:
    void initTestCase() {
        if (const char* why = XdoMainWindow::Missing()) QSKIP(why);
        QVERIFY(x.wm.Start());
    }

    void init() { QVERIFY(x.Show()); }

    void cleanup() { x.Close(); }

    // With the list as Dump on MEM: Down and Up step 8 bytes, Page Down and
    // Page Up 80, Home returns to offset 0, Ctrl+C starts the copy.
    void keysActOnTheListWhateverListHasTheFocus() {
        QFETCH(QString, list);
        form->ActionNamed("MiDebugger")->trigger();
        TFormDebugger* d = form->FormDebugger();
        QVERIFY(QTest::qWaitForWindowExposed(d));
        QCOMPARE(form->Owner().DebuggerTag.load(), int(DebuggerRequest::Stopped));
        // A CALL operand followed four times gives the nesting list entries
        // to move through.
        MachineOwner& o = form->Owner();
        const uint8_t call[3] = {0xCD, 0x34, 0x12};
        for (int i = 0; i < 3; ++i) o.GetMemory()->WriteByte(0x4000 + i, call[i]);
        QCOMPARE(o.GetMemory()->ReadByte(0x4000), uint8_t(0xCD));
        o.GetCpu()->PC = 0x4000;
        d->EnterStopped();
        for (int i = 0; i < 4; ++i) d->LineClick(2, 22, false, Qt::NoModifier);
        QCOMPARE(d->NestingDepth(), 4);
        d->SetSource(TFormDebugger::SrcMem);
        d->SetType(TFormDebugger::TypeDump);
        d->SbTo0Click();
        QWidget* target = d->findChild<QListWidget*>(list);
        QVERIFY(target);
        QVERIFY(FocusIn(d, target));
        static_cast<QListWidget*>(target)->setCurrentRow(1);

        struct Step {
            const char* keys;
            int offset;
        };
        const Step steps[] = {{"Down", 8}, {"Down", 16}, {"Next", 96}, {"Up", 88}, {"Prior", 8}, {"Home", 0}};
        for (const Step& s : steps) {
            QVERIFY(Type(s.keys));
            QTRY_COMPARE_WITH_TIMEOUT(d->ListOffset(TFormDebugger::SrcMem), s.offset, 5000);
            QCOMPARE(QApplication::focusWidget(), target);
        }
        QVERIFY(Type("ctrl+c"));
        QTRY_VERIFY_WITH_TIMEOUT(d->ValueEditor()->isVisible(), 5000);
        QVERIFY(Type("Escape"));
        QTRY_VERIFY_WITH_TIMEOUT(!d->ValueEditor()->isVisible(), 5000);
    }
    void keysActOnTheListWhateverListHasTheFocus_data() {
        QTest::addColumn<QString>("list");
        QTest::newRow("breakpoints") << QString("ClbBreakPoints");
        QTest::newRow("nestings") << QString("LbNestings");
    }
};

QTEST_MAIN(DebuggerKeysTest)
#include "DebuggerKeysTest.moc"
