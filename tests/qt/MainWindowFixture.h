#pragma once
// A main window started on a temporary program folder, with its message
// boxes caught instead of shown, for the window tests.
#include <QtTest>

#include <functional>
#include <memory>

#include "shell/FormMain.h"
#include "tests/qt/TestProgramDir.h"

struct MainWindowFixture {
    std::unique_ptr<TestProgramDir> prog;
    std::unique_ptr<TFormMain> form;
    QStringList infos;   // titles of the information boxes
    QStringList errors;  // titles of the error boxes

    // Builds and shows the window (QVERIFY inside: check QTest::currentTestFailed after).
    // withoutRom: no model has a monitor ROM (the first-start panel shows).
    void Start(bool withoutRom = false) {
        prog = std::make_unique<TestProgramDir>();
        QVERIFY(prog->Make({}, false, withoutRom));
        TFormMain::SetProgramDirOverride(prog->Path().toStdString());
        form = std::make_unique<TFormMain>();
        QCOMPARE(ApplicationTag, 0);
        form->SetInfoBoxHook([this](const QString& t, const QString&) { infos << t; });
        form->SetErrorBoxHook([this](const QString& t, const QString&) { errors << t; });
        form->show();
        QVERIFY(!form->FirstShowPending());
        infos.clear();
        errors.clear();
    }
    void Stop() {
        form.reset();
        prog.reset();
        TFormMain::SetProgramDirOverride("");
    }
    // Runs body once the window is visible (a modal exec runs its own loop).
    static void WhenShown(QWidget* window, std::function<void()> body) {
        auto* timer = new QTimer(window);
        QObject::connect(timer, &QTimer::timeout, window, [window, timer, body] {
            if (!window->isVisible()) return;
            timer->stop();
            timer->deleteLater();
            body();
        });
        timer->start(5);
    }
};
