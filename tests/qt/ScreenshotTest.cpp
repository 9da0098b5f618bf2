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
#include "tests/qt/TestProgramDir.h"

namespace {

// The stand-in monitor, assembled for a ROM seen at 8000h after the boot
// mapping ends (every model used here):
//   JMP 8003h; LXI SP,7000h
//   end of the boot mapping (Consul 2717: mode 82h, port C 0 = narrow
//   screen, then a read; others: any system-port write)
//   clear C000h-FFFFh
//   for row r = 0..255: byte at C000h + 64 r + (r >> 3) = 41h odd r, 15h even r
//   JMP $
QByteArray StandInMonitor(bool consul, uint16_t& haltAddress) {
    const int b = 0x8000;
    QByteArray p;
    auto put = [&p](std::initializer_list<int> bytes) {
        for (int v : bytes) p.append(static_cast<char>(v));
    };
    auto here = [&p, b] { return b + static_cast<int>(p.size()); };
    auto jump = [&put](int opcode, int target) { put({opcode, target & 0xFF, (target >> 8) & 0xFF}); };

    jump(0xC3, b + 3);
    put({0x31, 0x00, 0x70});
    if (consul)
        put({0x3E, 0x82, 0xD3, 0x87, 0xDB, 0x84});  // MVI A,82h; OUT 87h; IN 84h
    else
        put({0xD3, 0x84});                          // OUT 84h
    put({0x21, 0x00, 0xC0});                        // LXI H,C000h
    const int clear = here();
    put({0x36, 0x00, 0x23, 0x7C, 0xB5});            // MVI M,0; INX H; MOV A,H; ORA L
    jump(0xC2, clear);
    put({0x21, 0x00, 0xC0, 0x06, 0x00});            // LXI H,C000h; MVI B,0
    const int row = here();
    put({0x78, 0x0F, 0x0F, 0x0F, 0xE6, 0x1F});      // MOV A,B; RRC x3; ANI 1Fh
    put({0x5F, 0x16, 0x00, 0xE5, 0x19});            // MOV E,A; MVI D,0; PUSH H; DAD D
    put({0x78, 0xE6, 0x01, 0x3E, 0x15});            // MOV A,B; ANI 1; MVI A,15h
    const int store = here() + 5;
    jump(0xCA, store);                               // JZ store
    put({0x3E, 0x41});                              // MVI A,41h
    put({0x77, 0xE1});                              // store: MOV M,A; POP H
    put({0x11, 0x40, 0x00, 0x19, 0x04});            // LXI D,64; DAD D; INR B
    jump(0xC2, row);
    haltAddress = static_cast<uint16_t>(here());
    jump(0xC3, here());                              // JMP $
    p.append(QByteArray(4096 - p.size(), '\0'));
    return p;
}

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

QImage BitmapAsImage(ScreenDAD85& screen) {
    // The way the screen widget colours the renderer's bitmap.
    QList<QRgb> colors;
    for (int i = 0; i < ScreenDAD85::kPaletteSize; ++i) colors.append(static_cast<QRgb>(ScreenDAD85::Palette()[i]));
    auto lock = screen.LockBitmap();
    QImage indexed(screen.Bits(), screen.Width(), screen.Height(), screen.Stride(), QImage::Format_Indexed8);
    indexed.setColorTable(colors);
    return indexed.convertToFormat(QImage::Format_RGB32);  // a copy, made under the lock
}

// Differences between the grabbed widget and the bitmap; the widget is one
// column wider than the bitmap and that column is black.
int CountDifferences(const QImage& shot, const QImage& bitmap) {
    int wrong = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QRgb want = x < bitmap.width() && y < bitmap.height() ? bitmap.pixel(x, y) : qRgb(0, 0, 0);
            if ((shot.pixel(x, y) & 0xFFFFFF) != (want & 0xFFFFFF)) wrong++;
        }
    return wrong;
}

int CountLit(const QImage& image) {
    int lit = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) & 0xFFFFFF) lit++;
    return lit;
}

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
            const QString open = "<" + model + (model == "Model-2A" ? " ram256k=\"false\">" : ">");
            const int at = t.indexOf(open);
            const int romAt = t.indexOf("<RomFile/>", at);
            if (at >= 0 && romAt >= 0) t.replace(romAt, 10, "<RomFile>" + rom + "</RomFile>");
        }));
        QVERIFY(prog.Read("Orvik.xml").contains(("<RomFile>" + rom + "</RomFile>").toUtf8()));
        uint16_t halt = 0;
        QVERIFY(prog.Write("monitor.rom", StandInMonitor(model == "Model-C2717", halt)));
        TFormMain::SetProgramDirOverride(prog.Path().toStdString());

        auto form = std::make_unique<TFormMain>();
        QCOMPARE(ApplicationTag, 0);
        form->SetInfoBoxHook([](const QString&, const QString&) {});
        form->SetErrorBoxHook([](const QString&, const QString&) {});
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
