// The Help menu's README found in a fake installed layout: the configuration
// folder, the program folder <prefix>/bin/, <prefix>/share/orvik/ and
// <prefix>/share/doc/orvik/ (where the install rules put it).
#include <QtTest>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "shell/help/HelpPages.h"

class HelpPagesTest : public QObject {
    Q_OBJECT

    static bool Touch(const QString& path) {
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write("# Orvik\n") == 8;
    }

private slots:
    void foundInTheFirstFolderHoldingIt_data() {
        QTest::addColumn<QStringList>("present");  // where README.md lies
        QTest::addColumn<QString>("expected");     // the folder chosen
        QTest::newRow("nowhere: the configuration folder") << QStringList{} << "config/";
        QTest::newRow("configuration folder") << QStringList{"config/", "usr/share/doc/orvik/"} << "config/";
        QTest::newRow("beside the program") << QStringList{"usr/bin/", "usr/share/orvik/"} << "usr/bin/";
        QTest::newRow("share/orvik") << QStringList{"usr/share/orvik/", "usr/share/doc/orvik/"} << "usr/share/orvik/";
        QTest::newRow("share/doc/orvik") << QStringList{"usr/share/doc/orvik/"} << "usr/share/doc/orvik/";
    }
    void foundInTheFirstFolderHoldingIt() {
        QFETCH(QStringList, present);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString root = dir.path() + "/";
        QVERIFY(QDir().mkpath(root + "config") && QDir().mkpath(root + "usr/bin"));
        for (const QString& at : present) QVERIFY(Touch(root + at + "README.md"));
        const std::vector<std::string> folders =
            HelpPageFolders((root + "config").toStdString(), (root + "usr/bin/").toStdString());
        const std::string found = HelpPageFolder("README.md", folders);
        QCOMPARE(QDir(QString::fromStdString(found)).canonicalPath(), QDir(root + expected).canonicalPath());
        QVERIFY(QFileInfo(QString::fromStdString(found)).isDir());
    }

    // Names that are no plain page in a folder are never looked up: the
    // configuration folder comes back, as for a page found nowhere.
    void otherNamesStayWithTheConfigurationFolder() {
        QTemporaryDir dir;
        const QString root = dir.path() + "/";
        QVERIFY(Touch(root + "usr/share/secret.md"));
        QVERIFY(Touch(root + "usr/share/doc/orvik/README.md"));
        QVERIFY(QDir().mkpath(root + "config") && QDir().mkpath(root + "usr/bin"));
        const std::vector<std::string> folders =
            HelpPageFolders((root + "config/").toStdString(), (root + "usr/bin/").toStdString());
        for (const char* name : {"../secret.md", "../../share/secret.md", "https://example.org/README.md",
                                 "/etc/passwd", "", "doc/.."})
            QCOMPARE(QString::fromStdString(HelpPageFolder(name, folders)), root + "config/");
        // A folder is not a page.
        QVERIFY(QDir().mkpath(root + "usr/bin/README.md"));
        QCOMPARE(QString::fromStdString(HelpPageFolder("README.md", folders)), root + "usr/bin/../share/doc/orvik/");
    }

    void foldersInOrderWithoutRepeats() {
        const std::vector<std::string> f = HelpPageFolders("/opt/orvik", "/opt/orvik/");
        const std::vector<std::string> expected{"/opt/orvik/", "/opt/orvik/../share/orvik/",
                                                "/opt/orvik/../share/doc/orvik/"};
        QVERIFY(f == expected);
        QVERIFY(HelpPageFolders("", "").empty());
        QCOMPARE(QString::fromStdString(HelpPageFolder("README.md", {})), QString());
    }
};

QTEST_MAIN(HelpPagesTest)
#include "HelpPagesTest.moc"
