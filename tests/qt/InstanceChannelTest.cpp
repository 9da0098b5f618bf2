// Single instance: the lock decides who is first, requests are queued until
// the window is ready, and the handed-over path is made absolute.
#include <QLocalServer>
#include <QTemporaryDir>
#include <QtTest>

#include "shell/InstanceChannel.h"

class InstanceChannelTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString Program() const { return dir.path() + "/orvik"; }

    struct Received {
        int activations = 0;
        QStringList opened;
    };
    static void Ready(InstanceChannel& c, Received& r) {
        c.SetInstanceWindow([&r] { r.activations++; }, [&r](const QString& p) { r.opened << p; });
    }

private slots:
    void secondStartHandsOverAndEnds_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("workingDir");
        QTest::addColumn<QStringList>("opened");
        QTest::newRow("absolute") << QStringList{"orvik", "/data/games/tape.ptp"} << "/tmp"
                                  << QStringList{"/data/games/tape.ptp"};
        QTest::newRow("relative to the second start") << QStringList{"orvik", "sub/game.psn"} << "/home/u/work"
                                                      << QStringList{"/home/u/work/sub/game.psn"};
        QTest::newRow("dot dot") << QStringList{"orvik", "../x.ptp"} << "/home/u/work" << QStringList{"/home/u/x.ptp"};
        QTest::newRow("no argument") << QStringList{"orvik"} << "/tmp" << QStringList{};
        QTest::newRow("empty argument") << QStringList{"orvik", ""} << "/tmp" << QStringList{};
        QTest::newRow("non-BMP characters") << QStringList{"orvik", QString::fromUtf8("/t/\xF0\x9F\x98\x80.ptp")}
                                            << "/tmp" << QStringList{QString::fromUtf8("/t/\xF0\x9F\x98\x80.ptp")};
    }
    void secondStartHandsOverAndEnds() {
        QFETCH(QStringList, args);
        QFETCH(QString, workingDir);
        QFETCH(QStringList, opened);
        InstanceChannel first(Program());
        QVERIFY(!first.CheckInstance({"orvik"}, "/"));
        QVERIFY(first.IsFirst());
        Received r;
        Ready(first, r);
        InstanceChannel second(Program());
        QVERIFY(second.CheckInstance(args, workingDir));
        QVERIFY(!second.IsFirst());
        QTRY_COMPARE(r.activations, 1);
        QCOMPARE(r.opened, opened);
    }

    void requestsBeforeTheWindowIsReadyAreQueued() {
        InstanceChannel first(Program());
        QVERIFY(!first.CheckInstance({"orvik"}, "/"));
        InstanceChannel second(Program()), third(Program());
        QVERIFY(second.CheckInstance({"orvik", "/a.ptp"}, "/"));
        QVERIFY(third.CheckInstance({"orvik", "/b.ptp"}, "/"));
        // Start-up goes on: events run, the window is not ready yet.
        QTest::qWait(200);
        Received r;
        Ready(first, r);
        QTRY_COMPARE(r.opened.size(), 2);
        QCOMPARE(r.opened, (QStringList{"/a.ptp", "/b.ptp"}));
    }

    void theLockDecidesEvenBeforeTheFirstListens() {
        InstanceChannel first(Program());
        QVERIFY(!first.CheckInstance({"orvik"}, "/"));
        // The first copy holds the lock but its socket is gone (as while it
        // is still starting): a second start must not become first too.
        QLocalServer::removeServer(first.Name());
        InstanceChannel second(Program());
        QVERIFY(second.CheckInstance({"orvik", "/x.ptp"}, "/", 300));
        QVERIFY(!second.IsFirst());
    }

    void releasedInstanceLetsTheNextStartBeFirst() {
        {
            InstanceChannel first(Program());
            QVERIFY(!first.CheckInstance({"orvik"}, "/"));
            first.ReleaseInstance();
        }
        InstanceChannel next(Program());
        QVERIFY(!next.CheckInstance({"orvik"}, "/"));
        QVERIFY(next.IsFirst());
    }

    void otherProgramPathsDoNotMeet() {
        InstanceChannel a(Program());
        QVERIFY(!a.CheckInstance({"orvik"}, "/"));
        InstanceChannel b(dir.path() + "/other/orvik");
        QVERIFY(!b.CheckInstance({"orvik"}, "/"));
        QVERIFY(a.Name() != b.Name());
    }

    void malformedRequestsAreDropped() {
        QByteArray junk("\xff\xff\xff\xff garbage", 13);
        bool hasFile = true;
        QString path;
        QVERIFY(!InstanceChannel::DecodeRequest(junk, hasFile, path));
        QByteArray half = InstanceChannel::EncodeRequest(true, "/abc.ptp").left(6);
        QVERIFY(!InstanceChannel::DecodeRequest(half, hasFile, path));
        QByteArray whole = InstanceChannel::EncodeRequest(true, "/abc.ptp") + InstanceChannel::EncodeRequest(false, "");
        QVERIFY(InstanceChannel::DecodeRequest(whole, hasFile, path));
        QVERIFY(hasFile);
        QCOMPARE(path, QString("/abc.ptp"));
        QVERIFY(InstanceChannel::DecodeRequest(whole, hasFile, path));
        QVERIFY(!hasFile);
        QVERIFY(whole.isEmpty());
    }
};

QTEST_GUILESS_MAIN(InstanceChannelTest)
#include "InstanceChannelTest.moc"
