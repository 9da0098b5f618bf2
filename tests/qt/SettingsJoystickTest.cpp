// The settings dialog's joystick buttons open the joystick set-up dialog; its
// row reaches the configuration only with the settings OK.
#include <QtTest>

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>

#include <memory>

#include "common/Config.h"
#include "shell/FormMain.h"
#include "shell/peripherals/FormJoy.h"
#include "shell/settings/FormSettings.h"
#include "tests/qt/FakePrompts.h"
#include "tests/qt/TestProgramDir.h"

class SettingsJoystickTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestProgramDir> prog;
    FakePrompts prompts;
    std::unique_ptr<TFormMain> form;

    void Start() {
        prog = std::make_unique<TestProgramDir>();
        QVERIFY(prog->Make());
        TFormMain::SetProgramDirOverride(prog->Path().toStdString());
        prompts = FakePrompts();
        form = std::make_unique<TFormMain>(prompts);
        form->show();
        QVERIFY(!form->FirstShowPending());
    }
    // Picks the key map in the set-up dialog once it is shown, and OK.
    void AcceptKeyMapWhenShown() {
        TFormJoy* joy = form->FormJoy();
        auto* timer = new QTimer(joy);
        QObject::connect(timer, &QTimer::timeout, joy, [joy, timer] {
            if (!joy->isVisible()) return;
            timer->stop();
            timer->deleteLater();
            joy->findChild<QRadioButton*>("RbKeyMap")->click();
            for (const char* name : {"CbKeyLeft", "CbKeyRight", "CbKeyUp", "CbKeyDown", "CbKeyFire"})
                joy->findChild<QComboBox*>(name)->setCurrentIndex(1);
            joy->findChild<QPushButton*>("BtnOk")->click();
        });
        timer->start(5);
    }
    pugi::xml_node Gpio0() { return FindChildElement(FindChildElement(ConfigSection("Controls"), "Joystick"), "Gpio0"); }

private slots:
    void cleanup() {
        form.reset();
        prog.reset();
        TFormMain::SetProgramDirOverride("");
    }

    void rowIsWrittenWithTheSettingsOk() {
        Start();
        bool connectedEarly = true;
        prompts.AnswerDialogs<TFormSettings>([this, &connectedEarly](TFormSettings& settings) {
            settings.findChild<QCheckBox*>("CheckJoyK3")->setChecked(true);
            AcceptKeyMapWhenShown();
            settings.findChild<QPushButton*>("BtnJoyK3")->click();
            // Not yet in the configuration.
            connectedEarly = ReadAttrBool(Gpio0(), "connected", false);
            settings.BtnOkClick();
            return int(QDialog::Accepted);
        });
        form->ActionNamed("MiControl")->trigger();
        QVERIFY(!connectedEarly);
        QVERIFY(ReadAttrBool(Gpio0(), "connected", false));
        QVERIFY(AttrEquals(Gpio0(), "type", "keys"));
        QVERIFY(form->Owner().GetJoystick() != nullptr);
    }

    void cancelDropsTheEditedRow() {
        Start();
        prompts.AnswerDialogs<TFormSettings>([this](TFormSettings& settings) {
            settings.findChild<QCheckBox*>("CheckJoyK3")->setChecked(true);
            AcceptKeyMapWhenShown();
            settings.findChild<QPushButton*>("BtnJoyK3")->click();
            return int(QDialog::Rejected);
        });
        form->ActionNamed("MiControl")->trigger();
        QVERIFY(!ReadAttrBool(Gpio0(), "connected", false));
        QVERIFY(AttrEquals(Gpio0(), "type", "none"));
        QVERIFY(!form->FormJoy()->IsRowEdited(0));
    }
};

QTEST_MAIN(SettingsJoystickTest)
#include "SettingsJoystickTest.moc"
