// The built program started as a process from a temporary program folder.
#include <QProcess>
#include <QtTest>

#include "tests/qt/TestProgramDir.h"

class ProgramStartTest : public QObject {
    Q_OBJECT

    static QProcessEnvironment Env() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        return env;
    }

private slots:
    void startupFaultsEndWithTheirMessage_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing") << 0 << "Error in config file: Config file is incorrect or corrupted!";
        QTest::newRow("corrupt") << 1 << "Error in config file: Config file is incorrect or corrupted!";
        QTest::newRow("truncated") << 2 << "Error in config file: Config file is incorrect or corrupted!";
        QTest::newRow("wrong version") << 3
                                       << "Bad config file version: Config file version mismatch to application version!";
        QTest::newRow("no version") << 4
                                    << "Bad config file version: Config file version mismatch to application version!";
    }
    void startupFaultsEndWithTheirMessage() {
        QFETCH(int, kind);
        QFETCH(QString, message);
        TestProgramDir prog;
        QVERIFY(prog.Make({}, true));
        const QByteArray good = prog.Read("Orvik.xml");
        switch (kind) {
            case 0: QFile::remove(prog.Path("Orvik.xml")); break;
            case 1: prog.Write("Orvik.xml", "this is not xml <<<"); break;
            case 2: prog.Write("Orvik.xml", good.left(good.size() / 2)); break;
            case 3: prog.Write("Orvik.xml", QByteArray(good).replace("version=\"", "version=\"9")); break;
            case 4: prog.Write("Orvik.xml", "<?xml version=\"1.0\"?><Orvik><General/></Orvik>"); break;
        }
        const QByteArray before = prog.Read("Orvik.xml");
        QProcess p;
        p.setProcessEnvironment(Env());
        p.start(prog.Path("orvik"), {});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 1);
        QVERIFY2(QString::fromUtf8(p.readAllStandardError()).contains(message), qPrintable(message));
        QCOMPARE(prog.Read("Orvik.xml"), before);  // nothing written back
    }

    void goodConfigOpensWindowAndSecondStartHandsOver() {
        TestProgramDir prog;
        QVERIFY(prog.Make({}, true));
        QProcess first;
        first.setProcessEnvironment(Env());
        first.start(prog.Path("orvik"), {});
        QVERIFY(first.waitForStarted(10000));
        // Still running: the window is open.
        QVERIFY(!first.waitForFinished(1500));
        QProcess second;
        second.setProcessEnvironment(Env());
        second.setWorkingDirectory(prog.Path());
        second.start(prog.Path("orvik"), {"tape.ptp"});
        QVERIFY(second.waitForFinished(30000));
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(first.state(), QProcess::Running);
        first.terminate();
        first.waitForFinished(10000);
    }
};

QTEST_GUILESS_MAIN(ProgramStartTest)
#include "ProgramStartTest.moc"
