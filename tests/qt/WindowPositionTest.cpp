// The window's position survives restarts in a real X server, with no window
// manager and with one: ten starts and closes leave the stored position, and
// the frame on the screen, where they were.
#include <QtTest>

#include <QRegularExpression>

#include <memory>

#include "shell/FormMain.h"
#include "shell/ScreenView.h"
#include "tests/qt/TestProgramDir.h"
#include "tests/qt/TestWindowManager.h"

class WindowPositionTest : public QObject {
    Q_OBJECT

    TestWindowManager manager;

    static QPoint StoredPosition(TestProgramDir& prog) {
        const QString text = QString::fromUtf8(prog.Read("Orvik.xml"));
        const QRegularExpression screen("<Screen x=\"(-?\\d+)\" y=\"(-?\\d+)\"");
        const QRegularExpressionMatch m = screen.match(text);
        return m.hasMatch() ? QPoint(m.captured(1).toInt(), m.captured(2).toInt()) : QPoint(-9999, -9999);
    }

private slots:
    void initTestCase() {
        if (!TestWindowManager::OnX11()) QSKIP("window positions are tested in an X server (xvfb-run); this is another platform");
    }
    void cleanup() { TFormMain::SetProgramDirOverride(""); }
    void cleanupTestCase() { manager.Stop(); }

    void tenRestartsKeepThePosition_data() {
        QTest::addColumn<bool>("withManager");
        QTest::addColumn<QString>("size");
        QTest::newRow("no window manager") << false << "triple";
        QTest::newRow("window manager, 300 %") << true << "triple";
        QTest::newRow("window manager, 100 %") << true << "normal";
    }

    void tenRestartsKeepThePosition() {
        QFETCH(bool, withManager);
        QFETCH(QString, size);
        if (withManager) {
            if (TestWindowManager::Program().isEmpty())
                QSKIP("openbox is not installed (scripts/install-deps.sh installs it): no window-manager case");
            QVERIFY2(manager.Start(), "openbox did not start");
        } else {
            manager.Stop();
        }
        // A place where the whole frame of the Consul's wide 300 % window (1155 wide with
        // the manager's border) fits 1280 pixels: a frame that would stick out is put back.
        const QPoint where(120, 70);
        TestProgramDir prog;
        QVERIFY(prog.Make([&](QString& t) {
            t.replace("<Screen x=\"0\" y=\"0\"", QString("<Screen x=\"%1\" y=\"%2\"").arg(where.x()).arg(where.y()));
            t.replace("size=\"triple\"", "size=\"" + size + "\"");
            t.replace("mute=\"false\"", "mute=\"true\"");
        }));
        QCOMPARE(StoredPosition(prog), where);
        TFormMain::SetProgramDirOverride(prog.Path().toStdString());
        for (int start = 1; start <= 10; ++start) {
            auto form = std::make_unique<TFormMain>();
            QCOMPARE(ApplicationTag, 0);
            form->show();
            QVERIFY(QTest::qWaitForWindowExposed(form.get()));
            QVERIFY(manager.Framed(form.get()));
            // The frame is there; with a manager the client area lies inside it.
            auto placed = [&] {
                return form->frameGeometry().topLeft() == where && (!withManager || form->geometry().topLeft() != where);
            };
            (void)QTest::qWaitFor(placed, 5000);
            QTest::qWait(100);
            QVERIFY2(placed(), qPrintable(QString("start %1: frame at %2,%3, client at %4,%5")
                                              .arg(start)
                                              .arg(form->frameGeometry().x())
                                              .arg(form->frameGeometry().y())
                                              .arg(form->geometry().x())
                                              .arg(form->geometry().y())));
            QVERIFY(form->close());
            form.reset();  // the configuration is written back
            QCOMPARE(StoredPosition(prog), where);
        }
    }

    // The stored size (the shipped 300 % on a first start) is kept when the whole frame
    // fits the available screen, else the largest that fits is taken; the window can be
    // neither resized nor maximised. Run on a 1280x1024 and on a 1024x768 screen.
    void startSizeFitsTheScreen_data() {
        QTest::addColumn<bool>("withManager");
        QTest::addColumn<QString>("place");
        QTest::newRow("no window manager, shipped place") << false << "x=\"0\" y=\"0\"";
        QTest::newRow("window manager, shipped place") << true << "x=\"0\" y=\"0\"";
        QTest::newRow("window manager, far right and down") << true << "x=\"700\" y=\"500\"";
    }
    void startSizeFitsTheScreen() {
        QFETCH(bool, withManager);
        QFETCH(QString, place);
        if (withManager) {
            if (TestWindowManager::Program().isEmpty()) QSKIP("openbox is not installed");
            QVERIFY2(manager.Start(), "openbox did not start");
        } else {
            manager.Stop();
        }
        TestProgramDir prog;
        QVERIFY(prog.Make([&](QString& t) {
            QVERIFY(t.contains("<Screen x=\"0\" y=\"0\" size=\"triple\""));
            t.replace("<Screen x=\"0\" y=\"0\"", "<Screen " + place);
            t.replace("mute=\"false\"", "mute=\"true\"");
        }));
        TFormMain::SetProgramDirOverride(prog.Path().toStdString());
        auto form = std::make_unique<TFormMain>();
        QCOMPARE(ApplicationTag, 0);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QVERIFY(manager.Framed(form.get()));
        const QRect desk = form->screen()->availableGeometry();
        auto fits = [&] { return desk.contains(form->frameGeometry()); };
        (void)QTest::qWaitFor(fits, 5000);
        QTest::qWait(300);  // settled: the frame stays where it is
        const QRect frame = form->frameGeometry();
        QVERIFY2(desk.contains(frame), qPrintable(QString("frame %1,%2 %3x%4 on %5x%6")
                                                      .arg(frame.x()).arg(frame.y()).arg(frame.width())
                                                      .arg(frame.height()).arg(desk.width()).arg(desk.height())));
        int size = -1;
        for (int i = 0; i < 3; ++i)
            if (form->ActionNamed(QString("MiSize%1").arg((i + 1) * 100).toLatin1().constData())->isChecked()) size = i;
        QVERIFY(size >= 0);
        // The picture is 288 x 256 pixels per step of scale: a size below 300 % is taken
        // only when the next one's frame would not fit.
        QCOMPARE(form->Screen()->height(), 256 * (size + 1));
        if (size < 2)
            QVERIFY2(frame.width() + 288 > desk.width() || frame.height() + 256 > desk.height(),
                     qPrintable(QString("%1 % chosen, but %2 % fits").arg((size + 1) * 100).arg((size + 2) * 100)));
        if (desk.height() >= 1000) QCOMPARE(size, 2);  // 300 % fits a 1280x1024 screen
        if (desk.height() <= 768) QCOMPARE(size, 1);   // 200 % on 1024x768
        // A fixed size: neither resized nor maximised.
        QVERIFY(!(form->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(form->minimumSize(), form->maximumSize());
        QVERIFY(form->close());
        form.reset();
        // The size that was used is stored.
        const QString text = QString::fromUtf8(prog.Read("Orvik.xml"));
        static const char* const names[] = {"normal", "double", "triple"};
        QVERIFY(text.contains(QString("size=\"%1\"").arg(names[size])));
    }
};

QTEST_MAIN(WindowPositionTest)
#include "WindowPositionTest.moc"
