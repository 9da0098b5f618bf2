// The program's windows as the window manager stacks them: tool windows stay
// above the main window but not above other windows of the desktop, and a
// modal dialog opens above every window of the program.
#include <QtTest>

#include <QApplication>
#include <QProcess>
#include <QStandardPaths>

#include <memory>

#include "shell/FormMain.h"
#include "shell/help/FormKeyMap.h"
#include "shell/recording/FormActionRecording.h"
#include "tests/qt/FakePrompts.h"
#include "tests/qt/MainWindowFixture.h"
#include "tests/qt/TestProgramDir.h"
#include "tests/qt/TestWindowManager.h"
#include "tests/qt/XdoMainWindow.h"
#include "tools/memrw/window/FormMemReadWrite.h"
#include "tools/tape/window/TapeBrowser.h"

class ToolWindowStackingTest : public QObject {
    Q_OBJECT

    XdoMainWindow x;
    std::unique_ptr<TFormMain>& form = x.form;

    static QString Output(const QString& program, const QStringList& args) {
        QProcess p;
        p.start(QStandardPaths::findExecutable(program), args);
        p.waitForFinished(5000);
        return QString::fromUtf8(p.readAllStandardOutput());
    }
    // The client windows from bottom to top, as the window manager has them.
    static QList<WId> Stacking() {
        QList<WId> ids;
        const QString out = Output("xprop", {"-root", "_NET_CLIENT_LIST_STACKING"});
        const int hash = out.indexOf('#');
        if (hash < 0) return ids;
        for (const QString& part : out.mid(hash + 1).split(',', Qt::SkipEmptyParts)) {
            bool ok = false;
            const WId id = part.trimmed().toULongLong(&ok, 16);
            if (ok) ids << id;
        }
        return ids;
    }
    // True when a lies above b in the stacking order.
    static bool Above(QWidget* a, QWidget* b) {
        const QList<WId> s = Stacking();
        const qsizetype ia = s.indexOf(a->winId()), ib = s.indexOf(b->winId());
        return ia >= 0 && ib >= 0 && ia > ib;
    }
    static bool StateAbove(QWidget* w) {
        return Output("xprop", {"-id", QString::number(w->winId()), "_NET_WM_STATE"}).contains("_NET_WM_STATE_ABOVE");
    }
    static void Activate(QWidget* w) {
        XdoMainWindow::Activate(w);
        w->raise();
    }

private slots:
    void initTestCase() {
        if (const char* why = XdoMainWindow::Missing()) QSKIP(why);
        if (QStandardPaths::findExecutable("xprop").isEmpty()) QSKIP("xprop is not installed");
        QVERIFY(x.wm.Start());
        QVERIFY(x.Show());
    }

    void cleanupTestCase() { x.Close(); }

    // Another window of the desktop activated comes above the tool windows;
    // the main window activated stays below them.
    void toolWindowsStayAboveTheMainWindowOnly() {
        form->ActionNamed("MiTapeBrowser")->trigger();
        form->ActionNamed("MiKeyboard")->trigger();
        QWidget* tape = form->TapeBrowser();
        QWidget* keys = form->FormKeyMap();
        TFormActionRecording* rec = form->FormActionRecording();
        QVERIFY(tape && keys && rec);
        rec->ShowStartPanel(false);
        rec->show();
        const QList<QWidget*> tools = {tape, keys, rec};
        for (QWidget* t : tools) {
            QVERIFY(QTest::qWaitForWindowExposed(t));
            QVERIFY(x.wm.Framed(t));
            QVERIFY2(!(t->windowFlags() & Qt::WindowStaysOnTopHint), qPrintable(t->objectName()));
            QVERIFY2(!StateAbove(t), qPrintable(t->objectName()));
        }
        QWidget other;  // a window that belongs to nobody of the program
        other.setWindowTitle("other");
        other.resize(300, 200);
        other.show();
        QVERIFY(QTest::qWaitForWindowExposed(&other));
        QVERIFY(x.wm.Framed(&other));
        Activate(&other);
        for (QWidget* t : tools) QTRY_VERIFY2_WITH_TIMEOUT(Above(&other, t), qPrintable(t->objectName()), 5000);
        Activate(form.get());
        for (QWidget* t : tools) QTRY_VERIFY2_WITH_TIMEOUT(Above(t, form.get()), qPrintable(t->objectName()), 5000);
        rec->hide();
        keys->hide();
    }

    // Opened with the tape browser showing, the memory load window comes
    // above it (and so above the main window it blocks).
    void modalDialogOpensAboveEveryWindowOfTheProgram() {
        QWidget* tape = form->TapeBrowser();
        tape->show();
        QVERIFY(QTest::qWaitForWindowExposed(tape));
        Activate(tape);
        TFormMemReadWrite* mem = form->FormMemReadWrite();
        bool above = false, aboveMain = false;
        MainWindowFixture::WhenShown(mem, [&] {
            QTest::qWaitForWindowExposed(mem);
            QTest::qWaitFor([&] { return Above(mem, tape) && Above(mem, form.get()); }, 5000);
            above = Above(mem, tape);
            aboveMain = Above(mem, form.get());
            mem->reject();
        });
        form->ActionNamed("MiLoadFileToMem")->trigger();
        QVERIFY(above);
        QVERIFY(aboveMain);
    }
};

QTEST_MAIN(ToolWindowStackingTest)
#include "ToolWindowStackingTest.moc"
