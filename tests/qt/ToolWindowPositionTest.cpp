// Every tool window opens with its whole frame, title bar included, on the
// screen's available area under a window manager, wherever the configuration
// put it (the corner, far beyond the screen, before it). Runs on the screen
// of the X server it is given (CTest runs it at 1280x1024 and at 1024x768).
#include <QtTest>

#include <QScreen>

#include "shell/recording/FormActionRecording.h"
#include "shell/settings/FormSettings.h"
#include "shell/help/FormKeyMap.h"
#include "tests/qt/MainWindowFixture.h"
#include "tests/qt/TestWindowManager.h"
#include "tools/debugger/window/FormDebugger.h"
#include "tools/memrw/window/FormMemReadWrite.h"
#include "tools/poke/window/FormPoke.h"
#include "tools/tape/window/TapeBrowser.h"

class ToolWindowPositionTest : public QObject {
    Q_OBJECT

    TestWindowManager manager;
    MainWindowFixture w;
    QStringList problems;
    QMargins edges;  // of the last framed window

    // Waits until the window is framed and its frame has come to rest, then
    // records it when the frame is not wholly on the screen.
    void CheckFrame(QWidget* window) {
        if (!QTest::qWaitForWindowExposed(window)) {
            problems << window->objectName() + ": not shown";
            return;
        }
        // Now and then the toolkit does not learn a window's frame; its frame is
        // then the client area with the edges measured on the other windows.
        const bool framed = manager.Framed(window);
        if (!framed && edges.isNull()) {
            problems << window->objectName() + ": not framed";
            return;
        }
        auto frameOf = [&] {
            if (framed) return window->frameGeometry();
            return window->geometry().marginsAdded(edges);
        };
        const QRect area = window->screen()->availableGeometry();
        auto onScreen = [&] { return area.contains(frameOf()); };
        QRect last;
        int still = 0;
        (void)QTest::qWaitFor([&] {
            still = frameOf() == last ? still + 1 : 0;
            last = frameOf();
            return onScreen() && still >= 10;
        }, 5000);
        if (framed) {
            const QRect f = window->frameGeometry(), c = window->geometry();
            edges = QMargins(c.left() - f.left(), c.top() - f.top(), f.right() - c.right(), f.bottom() - c.bottom());
        }
        const QRect f = frameOf();
        if (!onScreen())
            problems << QString("%1: frame %2,%3 %4x%5 outside %6,%7 %8x%9")
                            .arg(window->objectName())
                            .arg(f.x()).arg(f.y()).arg(f.width()).arg(f.height())
                            .arg(area.x()).arg(area.y()).arg(area.width()).arg(area.height());
    }
    void CheckModal(QDialog* window, const std::function<void()>& command) {
        bool seen = false;
        MainWindowFixture::WhenShown(window, [&, window] {
            CheckFrame(window);
            seen = true;
            window->reject();
        });
        command();
        if (!seen) problems << window->objectName() + ": never shown";
    }

private slots:
    void initTestCase() {
        if (!TestWindowManager::OnX11()) QSKIP("window frames are tested in an X server (xvfb-run)");
        if (TestWindowManager::Program().isEmpty()) QSKIP("openbox is not installed (scripts/install-deps.sh installs it)");
        QVERIFY2(manager.Start(), "openbox did not start");
    }
    void cleanupTestCase() { manager.Stop(); }
    void cleanup() { w.Stop(); }

    void wholeFrameOnTheScreen_data() {
        QTest::addColumn<QString>("x");
        QTest::addColumn<QString>("y");
        QTest::newRow("top-left corner") << "0" << "0";
        QTest::newRow("beyond the bottom right") << "5000" << "5000";
        QTest::newRow("before the top left") << "-300" << "-300";
    }

    void wholeFrameOnTheScreen() {
        QFETCH(QString, x);
        QFETCH(QString, y);
        problems.clear();
        edges = QMargins();
        w.prog = std::make_unique<TestProgramDir>();
        QVERIFY(w.prog->Make([&](QString& t) {
            for (const char* e : {"Options", "ActionRecording", "TapeBrowser", "Debugger", "Poke", "MemReadWrite"})
                t.replace(QString("<%1 x=\"0\" y=\"0\"").arg(e), QString("<%1 x=\"%2\" y=\"%3\"").arg(e, x, y));
            t.replace("size=\"triple\"", "size=\"normal\"");
            t.replace("mute=\"false\"", "mute=\"true\"");
        }));
        TFormMain::SetProgramDirOverride(w.prog->Path().toStdString());
        w.form = std::make_unique<TFormMain>(w.prompts);
        w.prompts.real = &DefaultPrompts();  // the modal windows are shown
        w.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.form.get()));

        w.form->MiDebuggerClick();
        CheckFrame(w.form->FormDebugger());
        w.form->FormDebugger()->close();
        w.form->MiTapeBrowserClick();
        CheckFrame(w.form->TapeBrowser());
        w.form->TapeBrowser()->hide();
        w.form->MiKeyboardClick();
        CheckFrame(w.form->FormKeyMap());
        w.form->FormKeyMap()->hide();
        CheckModal(w.form->FormPoke(), [&] { w.form->MiPokeClick(); });
        CheckModal(w.form->FormMemReadWrite(), [&] { w.form->MiLoadSaveMemClick(1); });
        CheckModal(w.form->FormSettings(), [&] { w.form->TBtnSettingsClick(); });
        TFormActionRecording* rec = w.form->FormActionRecording();
        rec->ShowStartPanel(true);
        CheckModal(rec, [&] { rec->exec(); });
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join("\n")));
    }
};

QTEST_MAIN(ToolWindowPositionTest)
#include "ToolWindowPositionTest.moc"
