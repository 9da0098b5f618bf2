// The main window shows the emulated machine's picture: a monitor of our own
// boots from the configuration, clears video RAM and draws a pattern; the
// screen widget, grabbed both from the widget and from the window system,
// must show the renderer's bitmap pixel for pixel, and that bitmap the pattern.
#include <QtTest>

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QToolBar>
#include <QWindow>

#include <memory>

#include "machine/cpu/ChipCpu8080.h"
#include "machine/cpu/ChipMemory.h"
#include "machine/screen/ScreenDAD85.h"
#include "shell/FormMain.h"
#include "shell/ScreenView.h"
#include "tests/qt/FakePrompts.h"
#include "tests/qt/ScreenPictures.h"
#include "tests/qt/StandInMonitor.h"
#include "tests/qt/TestProgramDir.h"

namespace {

// True when emulated pixel (x, y) of the narrow 288 x 256 picture is set:
// byte column r >> 3 of row r holds 15h (even r) or 41h (odd r), bit 0 leftmost.
bool PatternPixel(int x, int y) {
    if (x / 6 != (y >> 3)) return false;
    const int b = (y & 1) ? 0x41 : 0x15;
    return (b >> (x % 6)) & 1;
}

// The colour of a bitmap pixel at the given scale: set pixels take the colour
// of their row (even / odd) and, on the added lines of a scaled row, the
// darker bank of the half-pass step; clear pixels are black.
struct Look {
    int scale;
    QRgb even[3];  // line 0, 1, 2 of an even row
    QRgb odd[3];
};

QRgb ExpectedRgb(const Look& look, int x, int y) {
    const int ex = x / look.scale, ey = y / look.scale, line = y % look.scale;
    if (!PatternPixel(ex, ey)) return qRgb(0, 0, 0);
    return (ey & 1) ? look.odd[line] : look.even[line];
}

// Differences between the grabbed widget and the bitmap; the widget is one
// column wider than the bitmap and that column is black.
int CountDifferences(const QImage& shot, const QImage& bitmap) { return CountDifferencesAt(shot, bitmap, 0, 0); }

}  // namespace

Q_DECLARE_METATYPE(Look)

class ScreenshotTest : public QObject {
    Q_OBJECT

    bool savedForLead = false;

private slots:
    void cleanup() { TFormMain::SetProgramDirOverride(""); }

    void windowShowsTheBootedPicture_data() {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("profile");
        QTest::addColumn<QString>("size");
        QTest::addColumn<Look>("look");
        // Multicolour: rows 2k (attribute 00) and 2k+1 (attribute 01) share the
        // column, so both take table[5], yellow. Triple size with "b50":
        // second line bank 2, third line bank 3.
        const QRgb yellow[3] = {qRgb(0xFF, 0xFF, 0x50), qRgb(0x86, 0x86, 0x36), qRgb(0x62, 0x62, 0x2C)};
        QTest::newRow("default: Consul 2717, multicolour, triple")
            << "Model-C2717" << "multicolor" << "triple"
            << Look{3, {yellow[0], yellow[1], yellow[2]}, {yellow[0], yellow[1], yellow[2]}};
        // Standard: attribute 00 is table[4] white, 01 table[5] silver.
        QTest::newRow("Model 2A, standard, normal")
            << "Model-2A" << "standard" << "normal"
            << Look{1, {qRgb(0xFF, 0xFF, 0xFF)}, {qRgb(0xBF, 0xBF, 0xBF)}};
        // Double size with "b50": the second line in bank 2.
        QTest::newRow("Model 2A, standard, double")
            << "Model-2A" << "standard" << "double"
            << Look{2, {qRgb(0xFF, 0xFF, 0xFF), qRgb(0x90, 0x90, 0x90)}, {qRgb(0xBF, 0xBF, 0xBF), qRgb(0x6C, 0x6C, 0x6C)}};
    }

    void windowShowsTheBootedPicture() {
        QFETCH(QString, model);
        QFETCH(QString, profile);
        QFETCH(QString, size);
        QFETCH(Look, look);

        TestProgramDir prog;
        const QString rom = prog.Path("monitor.rom");
        QVERIFY(prog.Make([&](QString& t) {
            t.replace("current=\"Model-C2717\"", "current=\"" + model + "\"");
            t.replace("color-profile=\"multicolor\"", "color-profile=\"" + profile + "\"");
            t.replace("size=\"triple\"", "size=\"" + size + "\"");
            t.replace("mute=\"false\"", "mute=\"true\"");
            UseMonitorRom(t, model, rom);
        }));
        QVERIFY(prog.Read("Orvik.xml").contains(("<RomFile>" + rom + "</RomFile>").toUtf8()));
        uint16_t halt = 0;
        QVERIFY(prog.Write("monitor.rom", StandInMonitor(model == "Model-C2717", halt)));
        TFormMain::SetProgramDirOverride(prog.Path().toStdString());

        FakePrompts prompts;
        auto form = std::make_unique<TFormMain>(prompts);
        QCOMPARE(ApplicationTag, 0);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QVERIFY(!form->FirstShowPending());
        QCOMPARE(form->RunState(), 0);
        ScreenView* view = form->Screen();
        QVERIFY(view && view->isVisible());
        ScreenDAD85& screen = *form->Owner().GetScreen();

        // The machine runs on its own timers until the picture is there.
        const int w = ScreenDAD85::kShownBytes * 6 * look.scale;
        const int h = ScreenDAD85::kRows * look.scale;
        const int lit = (128 * 3 + 128 * 1) * look.scale * look.scale;  // even rows 3 pixels, odd rows 1
        QTRY_VERIFY_WITH_TIMEOUT(view->PaintedFrames() > 0 && CountLit(view->grab().toImage()) == lit, 30000);

        // Hold the machine where the monitor ended (the last stores come a few
        // instructions before it), then compare what shows.
        auto heldAtTheEnd = [&] {
            form->SetPause(1, 1);
            if (form->Owner().GetCpu()->PC == halt) return true;
            form->SetPause(0, 1);
            return false;
        };
        QTRY_VERIFY_WITH_TIMEOUT(heldAtTheEnd(), 10000);
        QCOMPARE(form->RunState(), 1);
        QCOMPARE(int(form->Owner().GetMemory()->GetBootFlag()), 0);
        for (int i = 0; i < 10; ++i) form->TimerRefreshScreenTimer();  // a fresh frame of the held machine
        const QImage bitmap = BitmapAsImage(screen);
        QCOMPARE(bitmap.size(), QSize(w, h));
        // A width change seen by the last ticks reaches the window as a posted re-layout.
        QTRY_COMPARE_WITH_TIMEOUT(view->size(), QSize(w + 1, h), 5000);

        // The bitmap holds the pattern in the colours of the profile and size.
        int wrongPixels = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if ((bitmap.pixel(x, y) & 0xFFFFFF) != (ExpectedRgb(look, x, y) & 0xFFFFFF)) wrongPixels++;
        QCOMPARE(wrongPixels, 0);
        QCOMPARE(CountLit(bitmap), lit);

        // The widget paints exactly that bitmap.
        const QImage widgetShot = view->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(widgetShot.size(), view->size());
        QCOMPARE(CountDifferences(widgetShot, bitmap), 0);

        // And the window system shows it in the main window, below the toolbar.
        QApplication::processEvents();
        const QPoint at = view->mapTo(form.get(), QPoint(0, 0));
        auto* toolBar = form->findChild<QToolBar*>("ToolBar");
        QVERIFY(toolBar && toolBar->isVisible());
        QVERIFY(at.y() >= toolBar->mapTo(form.get(), QPoint(0, toolBar->height())).y());
        QScreen* host = form->windowHandle()->screen();
        QImage windowShot;
        QTRY_VERIFY_WITH_TIMEOUT(
            (windowShot = host->grabWindow(form->winId(), at.x(), at.y(), view->width(), view->height())
                              .toImage()
                              .convertToFormat(QImage::Format_RGB32),
             windowShot.size() == view->size() && CountDifferences(windowShot, bitmap) == 0),
            10000);

        const QString name = QString("screen-%1-%2-%3.png").arg(model, profile, size);
        QVERIFY(windowShot.save(prog.Path(name), "PNG"));
        if (!savedForLead) {
            QVERIFY(windowShot.save("/tmp/orvik-screenshot.png", "PNG"));
            savedForLead = true;
        }
        qInfo("platform %s, grabbed %dx%d at (%d,%d)", qPrintable(QGuiApplication::platformName()), windowShot.width(),
              windowShot.height(), at.x(), at.y());
        form.reset();
    }
};

QTEST_MAIN(ScreenshotTest)
#include "ScreenshotTest.moc"
