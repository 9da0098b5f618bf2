// The settings dialog's joystick buttons open the joystick set-up dialog; its
// row reaches the configuration only with the settings OK.
#include <QtTest>

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <memory>

#include "common/Config.h"
#include "machine/core/ChangeCodes.h"
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

    void Start(const std::function<void(QString&)>& edit = {}) {
        prog = std::make_unique<TestProgramDir>();
        QVERIFY(prog->Make(edit));
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

    // A connector set up and then switched off before OK stays off: the
    // boxes have the last word over the set-up dialog's row.
    void boxesOutweighTheEditedRow_data() {
        QTest::addColumn<bool>("toPmd32");  // K3 handed to the PMD-32, else unticked
        QTest::newRow("unticked") << false;
        QTest::newRow("PMD-32 on K3") << true;
    }
    void boxesOutweighTheEditedRow() {
        QFETCH(bool, toPmd32);
        Start();
        prompts.answers = {Prompts::Answer::Yes};  // the connector question
        std::vector<int> codes;
        prompts.AnswerDialogs<TFormSettings>([&](TFormSettings& settings) {
            settings.findChild<QCheckBox*>("CheckJoyK3")->setChecked(true);
            AcceptKeyMapWhenShown();
            settings.findChild<QPushButton*>("BtnJoyK3")->click();
            if (toPmd32) {
                settings.SelectPage(6);
                settings.TreeItemsClick();
                settings.findChild<QCheckBox*>("Check32Enable")->setChecked(true);
            } else {
                settings.findChild<QCheckBox*>("CheckJoyK3")->setChecked(false);
            }
            settings.BtnOkClick();
            codes = settings.ChangeList();
            return int(QDialog::Accepted);
        });
        form->ActionNamed("MiControl")->trigger();
        // Only the connector question, and only when K3 was handed over.
        QCOMPARE(prompts.boxes.size(), toPmd32 ? size_t(1) : size_t(0));
        QVERIFY(!ReadAttrBool(Gpio0(), "connected", false));
        QVERIFY(AttrEquals(Gpio0(), "type", "keys"));  // the row itself is kept
        QVERIFY(form->Owner().GetJoystick() == nullptr);
        QCOMPARE(form->Owner().GetPmd32() != nullptr, toPmd32);
        QVERIFY(std::find(codes.begin(), codes.end(), int(ChangeCode::Joystick)) != codes.end());
    }

    // Opening the calibration and leaving with Cancel still counts as a
    // joystick change.
    void calibrationAloneChangesTheJoysticks() {
        Start([](QString& t) { t.replace("<Gpio0 connected=\"false\"", "<Gpio0 connected=\"true\""); });
        QVERIFY(ReadAttrBool(Gpio0(), "connected", false));
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QByteArray("/nonexistent"));  // no calibration tool: a beep
        TFormJoy* joy = form->FormJoy();
        std::vector<int> codes;
        prompts.AnswerDialogs<TFormSettings>([&](TFormSettings& settings) {
            auto* timer = new QTimer(joy);
            QObject::connect(timer, &QTimer::timeout, joy, [joy, timer] {
                if (!joy->isVisible()) return;
                timer->stop();
                timer->deleteLater();
                auto* calibrate = joy->findChild<QPushButton*>("BtnCalibrate");
                calibrate->setEnabled(true);  // no controller to choose axes of here
                calibrate->click();
                joy->findChild<QPushButton*>("BtnCancel")->click();
            });
            timer->start(5);
            settings.findChild<QPushButton*>("BtnJoyK3")->click();
            settings.BtnOkClick();
            codes = settings.ChangeList();
            return int(QDialog::Accepted);
        });
        form->ActionNamed("MiControl")->trigger();
        qputenv("PATH", path);
        QVERIFY(std::find(codes.begin(), codes.end(), int(ChangeCode::Joystick)) != codes.end());
    }
};

QTEST_MAIN(SettingsJoystickTest)
#include "SettingsJoystickTest.moc"
