// Pictures of the main window, the about box and the keyboard picture as a
// real X server shows them, kept in the build folder for people to look at
// (tests/artefacts/); only their sizes are checked.
#include <QtTest>

#include <QComboBox>
#include <QDir>
#include <QScreen>

#include "shell/help/FormAbout.h"
#include "shell/help/FormKeyMap.h"
#include "shell/peripherals/FormJoy.h"
#include "shell/settings/FormSettings.h"
#include "tests/qt/MainWindowFixture.h"

class WindowPicturesTest : public QObject {
    Q_OBJECT

    MainWindowFixture w;
    QString folder;

    // The window as the X server holds it.
    QImage Grab(QWidget* window) {
        QTest::qWait(200);
        QScreen* screen = window->screen();
        if (!screen) return {};
        return screen->grabWindow(window->winId()).toImage();
    }
    void Keep(const QImage& picture, const char* name) {
        QVERIFY(!picture.isNull());
        QVERIFY(picture.save(folder + "/" + name));
    }

private slots:
    void initTestCase() {
        if (QGuiApplication::platformName() != "xcb") QSKIP("needs a real X server (xvfb-run)");
        folder = QStringLiteral(ORVIK_BUILD_TESTS_DIR "/artefacts");
        QVERIFY(QDir().mkpath(folder));
    }
    void cleanup() { w.Stop(); }

    void mainWindowAboutBoxAndKeyboardPicture() {
        w.Start();
        QVERIFY(QTest::qWaitForWindowExposed(w.form.get()));
        const QImage main = Grab(w.form.get());
        QVERIFY(main.width() >= 288);
        Keep(main, "main-window.png");

        TFormAbout* about = w.form->FormAbout();
        about->show();
        QVERIFY(QTest::qWaitForWindowExposed(about));
        const QImage box = Grab(about);
        QCOMPARE(box.size(), QSize(324, 210));
        Keep(box, "about-box.png");
        about->hide();

        TFormKeyMap* map = w.form->FormKeyMap();
        map->show();
        QVERIFY(QTest::qWaitForWindowExposed(map));
        const QImage keys = Grab(map);
        QCOMPARE(keys.size(), QSize(820, 262));
        Keep(keys, "keyboard-picture.png");
    }

    // Every page of the settings dialog at its own size, and the joystick
    // set-up dialog.
    void settingsPagesAndJoystickDialog() {
        // A ROM package with a row of each status: valid, bad size, missing, beyond 32 KB.
        w.Start(false, [](QString& t) {
            t.replace("<RomPackages/>",
                      "<RomPackages><RomPackage name=\"Rows\"><RomFile>a.rmm</RomFile><RomFile>b.rmm</RomFile>"
                      "<RomFile>missing.rmm</RomFile><RomFile>c.rmm</RomFile></RomPackage></RomPackages>");
        });
        if (QTest::currentTestFailed()) return;
        QVERIFY(w.prog->Write("a.rmm", QByteArray(16384, 0)));
        QVERIFY(w.prog->Write("b.rmm", QByteArray(1536, 0)));
        QVERIFY(w.prog->Write("c.rmm", QByteArray(32768, 0)));
        TFormSettings* d = w.form->FormSettings();
        d->show();
        QVERIFY(QTest::qWaitForWindowExposed(d));
        for (int page = 0; page < TFormSettings::kPageCount; ++page) {
            d->SelectPage(page);
            if (auto* packages = d->findChild<QComboBox*>("CbRomPackage"); page == 5 && packages) {
                packages->setCurrentIndex(0);
                emit packages->activated(0);
            }
            Keep(Grab(d), qPrintable(QString("settings-page-%1.png").arg(page)));
        }
        d->hide();
        TFormJoy* joy = w.form->FormJoy();
        joy->show();
        QVERIFY(QTest::qWaitForWindowExposed(joy));
        Keep(Grab(joy), "joystick-setup.png");
        joy->hide();
    }
};

QTEST_MAIN(WindowPicturesTest)
#include "WindowPicturesTest.moc"
