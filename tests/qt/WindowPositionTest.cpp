// The window's position survives restarts in a real X server, with no window
// manager and with one: ten starts and closes leave the stored position, and
// the frame on the screen, where they were.
#include <QtTest>

#include <QRegularExpression>

#include <memory>

#include "shell/FormMain.h"
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
        const QPoint where(130, 70);
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
};

QTEST_MAIN(WindowPositionTest)
#include "WindowPositionTest.moc"
