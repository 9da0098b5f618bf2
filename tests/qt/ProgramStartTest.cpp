// The built program started as a process from a temporary program folder.
#include <QProcess>
#include <QtTest>

#include "Version.h"

#include "shell/ProgramEntry.h"

#include "tests/qt/TestProgramDir.h"

class ProgramStartTest : public QObject {
    Q_OBJECT

    // The user's folders lie in a temporary folder, so a program folder without its own
    // Orvik.xml never reaches the real home folder.
    QTemporaryDir home;

    QProcessEnvironment Env() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("HOME", home.path());
        env.insert("XDG_CONFIG_HOME", home.path() + "/config");
        env.insert("XDG_DATA_HOME", home.path() + "/data");
        return env;
    }

private slots:
    void startupFaultsEndWithTheirMessage_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("detail");  // %p: the program folder, %h: the user's home folder
        const QString unreadable = "Error in config file: Config file is incorrect or corrupted!";
        const QString version = "Bad config file version: Config file version mismatch to application version!";
        QTest::newRow("missing") << 0 << unreadable
                                 << QStringList{"%h/config/orvik/Orvik.xml: missing.",
                                                "The default configuration cannot be read: it was looked for as "
                                                "%p/Orvik.xml and as"};
        QTest::newRow("corrupt") << 1 << unreadable << QStringList{"%p/Orvik.xml: not XML at line 1: "};
        QTest::newRow("truncated") << 2 << unreadable << QStringList{"%p/Orvik.xml: not XML at line "};
        QTest::newRow("wrong version") << 3 << version
                                       << QStringList{"%p/Orvik.xml: version \"9", "where this program needs \""};
        QTest::newRow("no version") << 4 << version
                                    << QStringList{"%p/Orvik.xml: no version, where this program needs \""};
        QTest::newRow("another program's document") << 5 << unreadable
            << QStringList{"%p/Orvik.xml: another program's document: its root element is <svg>, not <Orvik>."};
        QTest::newRow("empty") << 6 << unreadable << QStringList{"%p/Orvik.xml: empty."};
    }
    // The fixed text of the fault, then the file and what is wrong with it; nothing is
    // written back.
    void startupFaultsEndWithTheirMessage() {
        QFETCH(int, kind);
        QFETCH(QString, message);
        QFETCH(QStringList, detail);
        TestProgramDir prog;
        QVERIFY(prog.Make({}, true));
        const QByteArray good = prog.Read("Orvik.xml");
        switch (kind) {
            case 0: QFile::remove(prog.Path("Orvik.xml")); break;
            case 1: prog.Write("Orvik.xml", "this is not xml <<<"); break;
            case 2: prog.Write("Orvik.xml", good.left(good.size() / 2)); break;
            case 3: prog.Write("Orvik.xml", QByteArray(good).replace("version=\"", "version=\"9")); break;
            case 4: prog.Write("Orvik.xml", "<?xml version=\"1.0\"?><Orvik><General/></Orvik>"); break;
            case 5: {
                // Another program's document that carries the right version attribute.
                const int at = good.indexOf("version=\"", good.indexOf("<Orvik"));
                const QByteArray v = good.mid(at, good.indexOf('"', at + 9) + 1 - at);
                prog.Write("Orvik.xml", "<?xml version=\"1.0\"?>\n<svg " + v + "><g/></svg>\n");
                break;
            }
            case 6: prog.Write("Orvik.xml", ""); break;
        }
        const QByteArray before = prog.Read("Orvik.xml");
        QProcess p;
        p.setProcessEnvironment(Env());
        p.start(prog.Path("orvik"), {});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 1);
        const QString err = QString::fromUtf8(p.readAllStandardError());
        QVERIFY2(err.contains(message), qPrintable(err));
        for (QString d : detail) {
            d.replace("%p", QDir(prog.Path()).absolutePath()).replace("%h", home.path());
            QVERIFY2(err.contains(d), qPrintable(QString("%1\nnot in:\n%2").arg(d, err)));
        }
        QCOMPARE(prog.Read("Orvik.xml"), before);  // nothing written back
    }

    // The box's text: the fixed text, then the file and its fault, then the note.
    void startupMessageNamesTheFile() {
        QString caption, text;
        QVERIFY(StartupErrorMessage(-1, "/a/Orvik.xml", "missing", "The default configuration cannot be read.",
                                    caption, text));
        QCOMPARE(caption, QString("Error in config file"));
        QCOMPARE(text, QString("Config file is incorrect or corrupted!\n\n/a/Orvik.xml: missing.\n"
                               "The default configuration cannot be read."));
        QVERIFY(StartupErrorMessage(-2, "/a/Orvik.xml", "no version, where this program needs \"1\"", "", caption, text));
        QCOMPARE(text, QString("Config file version mismatch to application version!\n\n"
                               "/a/Orvik.xml: no version, where this program needs \"1\"."));
        QVERIFY(StartupErrorMessage(-3, "", "", "", caption, text));
        QCOMPARE(text, QString("inpout32.dll not found!"));
        QVERIFY(!StartupErrorMessage(0, "", "", "", caption, text));
    }

    void commandLineOptions_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::newRow("--help") << QStringList{"--help"} << 0 << "Usage: orvik [options] [file]" << "";
        QTest::newRow("-h") << QStringList{"-h"} << 0 << "--version" << "";
        QTest::newRow("--version") << QStringList{"--version"} << 0 << "Orvik " ORVIK_VERSION_TEXT "\n" << "";
        QTest::newRow("unknown") << QStringList{"--fast"} << 2 << "" << "Unknown option 'fast'";
        QTest::newRow("unknown after a file") << QStringList{"tape.ptp", "-x"} << 2 << "" << "Unknown option 'x'";
        QTest::newRow("two files") << QStringList{"a.ptp", "b.ptp"} << 2 << "" << "only one file";
    }
    // Answered before any window or configuration: the program folder has no Orvik.xml.
    void commandLineOptions() {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);
        TestProgramDir prog;
        QVERIFY(prog.Make({}, true));
        QFile::remove(prog.Path("Orvik.xml"));
        QTemporaryDir user;
        QProcessEnvironment env = Env();
        env.insert("XDG_CONFIG_HOME", user.path());
        env.remove("DISPLAY");
        env.insert("QT_QPA_PLATFORM", "xcb");  // no display is needed for these
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(prog.Path("orvik"), args);
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), exitCode);
        const QString stdOut = QString::fromLocal8Bit(p.readAllStandardOutput());
        const QString stdErr = QString::fromLocal8Bit(p.readAllStandardError());
        if (!out.isEmpty()) QVERIFY2(stdOut.contains(out), qPrintable(stdOut));
        if (!err.isEmpty()) QVERIFY2(stdErr.contains(err) && stdErr.contains("--help"), qPrintable(stdErr));
        if (exitCode == 2) QVERIFY(stdOut.isEmpty());
        QVERIFY(!QFileInfo::exists(user.path() + "/orvik"));  // nothing created
    }

    // Without Orvik.xml beside the program the configuration is made in the user's folder
    // from the shipped default in <prefix>/share/orvik.
    void installedLayoutMakesTheUsersConfiguration() {
        QTemporaryDir prefix;
        QVERIFY(QDir().mkpath(prefix.path() + "/bin") && QDir().mkpath(prefix.path() + "/share/orvik/Lang"));
        QVERIFY(QFile::copy(QStringLiteral(ORVIK_EXECUTABLE), prefix.path() + "/bin/orvik"));
        QVERIFY(QFile::copy(QStringLiteral(ORVIK_PROGRAM_DIR "/Orvik.xml"), prefix.path() + "/share/orvik/Orvik.xml"));
        QFile::setPermissions(prefix.path() + "/bin/orvik", QFile::permissions(prefix.path() + "/bin/orvik") | QFileDevice::ExeUser);
        QTemporaryDir user;
        QProcessEnvironment env = Env();
        env.insert("XDG_CONFIG_HOME", user.path() + "/cfg");
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(prefix.path() + "/bin/orvik", {});
        QVERIFY(p.waitForStarted(10000));
        QVERIFY(!p.waitForFinished(1500));  // the window is open
        p.terminate();
        p.waitForFinished(10000);
        QFile made(user.path() + "/cfg/orvik/Orvik.xml");
        QVERIFY(made.open(QIODevice::ReadOnly));
        QVERIFY(made.readAll().contains("<Orvik"));
        QVERIFY(!QFileInfo::exists(prefix.path() + "/bin/Orvik.xml"));
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
