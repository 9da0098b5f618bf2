// Full screen in a real X server, with no window manager and with one: from
// each window size Alt+Enter covers the monitor with black and the renderer's
// double-size picture in its centre (every pixel of the screen grabbed), and
// Alt+Enter again brings back the window at its size and position.
#include <QtTest>

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QWindow>

#include <memory>

#include "machine/cpu/ChipCpu8080.h"
#include "machine/screen/ScreenDAD85.h"
#include "shell/FormMain.h"
#include "shell/ScreenView.h"
#include "tests/qt/FakePrompts.h"
#include "tests/qt/ScreenPictures.h"
#include "tests/qt/StandInMonitor.h"
#include "tests/qt/TestProgramDir.h"
#include "tests/qt/TestWindowManager.h"

class FullScreenTest : public QObject {
    Q_OBJECT

    TestWindowManager manager;

    // Alt+Enter as the user presses it.
    static void AltEnter(TFormMain& form) {
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTest::keyClick(&form, Qt::Key_Return, Qt::AltModifier);
    }

private slots:
    void initTestCase() {
        if (!TestWindowManager::OnX11()) QSKIP("full screen is tested in an X server (xvfb-run); this is another platform");
    }
    void cleanup() { TFormMain::SetProgramDirOverride(""); }
    void cleanupTestCase() { manager.Stop(); }

    void altEnterShowsTheWholePictureCentredAndReturns_data() {
        QTest::addColumn<bool>("withManager");
        QTest::addColumn<QString>("size");
        QTest::addColumn<int>("windowSize");
        for (bool wm : {false, true})
            for (int s = 0; s < 3; ++s) {
                static const char* const names[3] = {"normal", "double", "triple"};
                QTest::addRow("%s, %s", wm ? "window manager" : "no window manager", names[s])
                    << wm << QString(names[s]) << s;
            }
    }

    void altEnterShowsTheWholePictureCentredAndReturns() {
        QFETCH(bool, withManager);
        QFETCH(QString, size);
        QFETCH(int, windowSize);
        if (withManager) {
            if (TestWindowManager::Program().isEmpty())
                QSKIP("openbox is not installed (scripts/install-deps.sh installs it): no window-manager case");
            QVERIFY2(manager.Start(), "openbox did not start");
        } else {
            manager.Stop();
        }

        TestProgramDir prog;
        const QString rom = prog.Path("monitor.rom");
        QVERIFY(prog.Make([&](QString& t) {
            t.replace("current=\"Model-C2717\"", "current=\"Model-2A\"");
            t.replace("color-profile=\"multicolor\"", "color-profile=\"standard\"");
            t.replace("size=\"triple\"", "size=\"" + size + "\"");
            t.replace("<Screen x=\"0\" y=\"0\"", "<Screen x=\"40\" y=\"30\"");
            t.replace("mute=\"false\"", "mute=\"true\"");
            UseMonitorRom(t, "Model-2A", rom);
        }));
        uint16_t halt = 0;
        QVERIFY(prog.Write("monitor.rom", StandInMonitor(false, halt)));
        TFormMain::SetProgramDirOverride(prog.Path().toStdString());

        FakePrompts prompts;
        auto form = std::make_unique<TFormMain>(prompts);
        QCOMPARE(ApplicationTag, 0);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QVERIFY(manager.Framed(form.get()));
        QTRY_COMPARE_WITH_TIMEOUT(form->frameGeometry().topLeft(), QPoint(40, 30), 5000);

        // The monitor draws its pattern; the CPU is then held where it ended,
        // while the screen timer goes on painting.
        auto heldAtTheEnd = [&] {
            form->SetPause(1, 0);
            if (form->Owner().GetCpu()->PC == halt) return true;
            form->SetPause(0, 0);
            return false;
        };
        QTRY_VERIFY_WITH_TIMEOUT(heldAtTheEnd(), 20000);
        // The lit pixels of the pattern at a scale: 128 rows of 3, 128 of 1.
        auto lit = [](int scale) { return (128 * 3 + 128 * 1) * scale * scale; };
        const QRect windowBefore = form->frameGeometry();
        const QSize clientBefore = form->size();
        ScreenDAD85& screen = *form->Owner().GetScreen();
        const int w = ScreenDAD85::WidthOf(windowSize, false), h = ScreenDAD85::HeightOf(windowSize);
        QCOMPARE(form->Screen()->size(), QSize(w + 1, h));

        AltEnter(*form);
        QCOMPARE(screen.GetSizeMode(), 3);
        QCOMPARE(prompts.Infos().size(), 1);  // the full-screen information box
        QScreen* monitor = form->windowHandle()->screen();
        const QRect all = monitor->geometry();
        QTRY_COMPARE_WITH_TIMEOUT(form->geometry(), all, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(form->Screen()->geometry(), QRect(QPoint(0, 0), all.size()), 5000);
        QCOMPARE(screen.Width(), 576);
        QCOMPARE(screen.Height(), 512);
        // Centred by the renderer's offsets on the monitor.
        QCOMPARE(screen.GetOffsetX(), (all.width() - 576) / 2);
        QCOMPARE(screen.GetOffsetY(), (all.height() - 512) / 2);

        QImage bitmap, shot;
        int wrong = -1;
        QTRY_VERIFY_WITH_TIMEOUT(
            (bitmap = BitmapAsImage(screen),
             shot = monitor->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32),
             wrong = CountDifferencesAt(shot, bitmap, screen.GetOffsetX(), screen.GetOffsetY()),
             shot.size() == all.size() && CountLit(bitmap) == lit(2) && wrong == 0),
            10000);
        QCOMPARE(CountLit(shot), lit(2));

        AltEnter(*form);
        QCOMPARE(screen.GetSizeMode(), windowSize);
        QCOMPARE(form->WindowSize(), windowSize);
        QVERIFY(form->ActionNamed(windowSize == 0 ? "MiSize100" : windowSize == 1 ? "MiSize200" : "MiSize300")->isChecked());
        QVERIFY(!form->ActionNamed("MiSizeFull")->isChecked());
        QTRY_COMPARE_WITH_TIMEOUT(form->frameGeometry(), windowBefore, 10000);
        QCOMPARE(form->size(), clientBefore);
        QCOMPARE(form->Screen()->size(), QSize(w + 1, h));
        // And the window shows the picture again.
        const QPoint at = form->Screen()->mapTo(form.get(), QPoint(0, 0));
        QTRY_VERIFY_WITH_TIMEOUT(
            (bitmap = BitmapAsImage(screen),
             shot = monitor->grabWindow(form->winId(), at.x(), at.y(), w + 1, h).toImage().convertToFormat(QImage::Format_RGB32),
             shot.size() == QSize(w + 1, h) && CountLit(bitmap) == lit(windowSize + 1) &&
                 CountDifferencesAt(shot, bitmap, 0, 0) == 0),
            10000);
        form.reset();
    }
};

QTEST_MAIN(FullScreenTest)
#include "FullScreenTest.moc"
