#pragma once
// A window manager (openbox) in the test's own X server, for the window tests
// that must behave the same with and without one.
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QWidget>
#include <QtTest>

class TestWindowManager {
public:
    ~TestWindowManager() { Stop(); }

    // The program, or empty when it is not installed.
    static QString Program() { return QStandardPaths::findExecutable("openbox"); }
    static bool OnX11() { return QGuiApplication::platformName() == QLatin1String("xcb"); }

    bool Running() const { return process.state() == QProcess::Running; }

    // Starts it and waits until it frames a window.
    bool Start() {
        if (Running()) return true;
        const QString program = Program();
        if (program.isEmpty()) return false;
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(program, {"--sm-disable"});
        if (!process.waitForStarted(5000)) return false;
        // A window shown before the manager runs may stay unframed: a new
        // probe for every try.
        for (int attempt = 0; attempt < 40; ++attempt) {
            QWidget probe;
            probe.resize(40, 40);
            probe.show();
            if (QTest::qWaitFor([&] { return probe.frameGeometry() != probe.geometry(); }, 250)) return true;
        }
        return false;
    }

    void Stop() {
        if (process.state() == QProcess::NotRunning) return;
        process.terminate();
        if (!process.waitForFinished(5000)) {
            process.kill();
            process.waitForFinished(2000);
        }
    }

    // Waits until the window's frame is known (at once without a manager).
    bool Framed(QWidget* window) {
        if (!Running()) return true;
        return QTest::qWaitFor([&] { return window->frameGeometry() != window->geometry(); }, 10000);
    }

private:
    QProcess process;
};
