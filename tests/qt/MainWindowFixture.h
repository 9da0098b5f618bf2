#pragma once
// A main window started on a temporary program folder, with its boxes and
// dialogs going to a fake prompt service, for the window tests.
#include <QtTest>

#include <functional>
#include <memory>

#include "shell/FormMain.h"
#include "tests/qt/FakePrompts.h"
#include "tests/qt/TestProgramDir.h"

struct MainWindowFixture {
    std::unique_ptr<TestProgramDir> prog;
    FakePrompts prompts;  // what the window showed since the start
    std::unique_ptr<TFormMain> form;

    // Builds and shows the window (QVERIFY inside: check QTest::currentTestFailed after).
    // withoutRom: the models that edit gives no monitor ROM have none (the
    // first-start panel shows); edit changes the configuration's text.
    void Start(bool withoutRom = false, const std::function<void(QString&)>& edit = {}) {
        prog = std::make_unique<TestProgramDir>();
        QVERIFY(prog->Make(edit, false, withoutRom));
        TFormMain::SetProgramDirOverride(prog->Path().toStdString());
        form = std::make_unique<TFormMain>(prompts);
        QCOMPARE(ApplicationTag, 0);
        form->show();
        QVERIFY(!form->FirstShowPending());
        prompts.Clear();
    }
    // Titles of the information and the error boxes.
    QStringList Infos() const { return prompts.Infos(); }
    QStringList Errors() const { return prompts.Errors(); }
    void Stop() {
        form.reset();
        prog.reset();
        TFormMain::SetProgramDirOverride("");
        prompts = FakePrompts();
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
