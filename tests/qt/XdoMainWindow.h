#pragma once
// The muted main window in the test's own X server under a window manager,
// with xdotool to type and activate windows as a user does.
#include <QApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QWidget>
#include <QtTest>

#include <memory>

#include "shell/FormMain.h"
#include "tests/qt/FakePrompts.h"
#include "tests/qt/TestProgramDir.h"
#include "tests/qt/TestWindowManager.h"

struct XdoMainWindow {
    TestWindowManager wm;
    std::unique_ptr<TestProgramDir> prog;
    FakePrompts prompts;
    std::unique_ptr<TFormMain> form;

    static QString Xdotool() { return QStandardPaths::findExecutable("xdotool"); }
    // Why the tests cannot run here, or null.
    static const char* Missing() {
        if (!TestWindowManager::OnX11()) return "needs an X server";
        if (Xdotool().isEmpty()) return "xdotool is not installed";
        return nullptr;
    }
    static bool Xdo(const QStringList& args) {
        QProcess p;
        p.start(Xdotool(), args);
        return p.waitForFinished(5000) && p.exitCode() == 0;
    }
    // One key combination (xdotool's names) into the focused window.
    static bool Key(const QString& keys) { return Xdo({"key", "--clearmodifiers", keys}); }
    // Text typed a character at a time.
    static bool TypeText(const QString& text) { return Xdo({"type", "--delay", "30", text}); }
    // Makes window the active one.
    static bool Activate(QWidget* window) {
        Xdo({"windowactivate", "--sync", QString::number(window->winId())});
        window->activateWindow();
        return QTest::qWaitFor([window] { return QApplication::activeWindow() == window; }, 5000);
    }
    // Makes window the active one with the focus in w.
    static bool FocusIn(QWidget* window, QWidget* w) {
        if (!Activate(window)) return false;
        w->setFocus(Qt::OtherFocusReason);
        return QTest::qWaitFor([w] { return QApplication::focusWidget() == w; }, 5000);
    }

    // The main window of a fresh program folder, shown and through its first showing.
    bool Show() {
        prog = std::make_unique<TestProgramDir>();
        if (!prog->Make([](QString& t) { t.replace("mute=\"false\"", "mute=\"true\""); })) return false;
        TFormMain::SetProgramDirOverride(prog->Path().toStdString());
        form = std::make_unique<TFormMain>(prompts);
        form->show();
        return QTest::qWaitForWindowExposed(form.get()) && !form->FirstShowPending();
    }
    void Close() {
        form.reset();
        prog.reset();
        TFormMain::SetProgramDirOverride("");
    }
};
