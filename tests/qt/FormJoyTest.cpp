// The joystick set-up dialog over a faked controller and an in-memory configuration.
#include <QtTest>

#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>

#include <memory>

#include "common/Config.h"
#include "common/Startup.h"
#include "common/TextUtils.h"
#include "shell/peripherals/FormJoy.h"

namespace {
struct Pad {
    int buttons = 8;
    HostJoystickState state;
};
Pad g_pad;

class FakeJoystick : public HostJoystick {
public:
    bool Open(const Guid& g) override { return open = JoyDevices && !JoyDevices->empty() && (*JoyDevices)[0].InstanceGuid == g; }
    void Close() override { open = false; }
    bool IsOpen() const override { return open; }
    int AxisCount() const override { return 2; }
    int HatCount() const override { return 1; }
    int ButtonCount() const override { return g_pad.buttons; }
    bool Poll(HostJoystickState& s) override {
        s = g_pad.state;
        return open;
    }
    bool open = false;
};
std::unique_ptr<HostJoystick> MakeFake() { return std::make_unique<FakeJoystick>(); }
void NoEnumeration() {}

Guid PadGuid() {
    Guid g;
    g.Data1 = 0x12345678;
    g.Data4[0] = 0x9A;
    return g;
}
}  // namespace

class FormJoyTest : public QObject {
    Q_OBJECT

    pugi::xml_document doc;

    void Config(const char* gpio0) {
        doc.reset();
        std::string xml = std::string("<Orvik><Controls><Joystick>") + gpio0 +
                          "<Gpio1 connected=\"false\" type=\"none\"/></Joystick></Controls></Orvik>";
        QVERIFY(doc.load_string(xml.c_str()));
        ConfigRoot = doc.document_element();
    }
    pugi::xml_node Gpio0() { return doc.document_element().child("Controls").child("Joystick").child("Gpio0"); }
    template <typename T>
    static T* Child(TFormJoy& f, const char* name) {
        T* w = f.findChild<T*>(name);
        if (!w) qFatal("no %s", name);
        return w;
    }

private slots:
    void init() {
        SetHostJoystickFactory(&MakeFake);
        TFormJoy::SetDeviceEnumerator(&NoEnumeration);
        JoyDevices = std::make_unique<std::vector<JoyDevice>>();
        JoyDevices->push_back(JoyDevice{PadGuid(), "Test Pad"});
        g_pad = Pad{};
    }
    void cleanup() {
        ConfigRoot = pugi::xml_node();
        JoyDevices.reset();
        SetHostJoystickFactory(nullptr);
        TFormJoy::SetDeviceEnumerator(nullptr);
    }

    void keysRowIsEditedAndWrittenOnlyWhenAsked() {
        Config(R"(<Gpio0 connected="false" type="keys" left="0" right="1" up="2" down="3" fire="37"/>)");
        TFormJoy form;
        QCOMPARE(form.DescribeConnection(0), QString("A, B, C, D, Space"));
        QCOMPARE(form.DescribeConnection(1), QString("..."));
        form.currentRow = 0;
        form.show();
        QVERIFY(Child<QRadioButton>(form, "RbKeyMap")->isChecked());
        QCOMPARE(Child<QComboBox>(form, "CbKeyFire")->currentIndex(), 37);
        QVERIFY(!Child<QComboBox>(form, "CbDevice")->isEnabled());
        // Key capture: pressing Z in the left box chooses "Z".
        QComboBox* left = Child<QComboBox>(form, "CbKeyLeft");
        QTest::keyClick(left, Qt::Key_Z);
        QCOMPARE(left->currentIndex(), 25);
        Child<QComboBox>(form, "CbKeyDown")->setCurrentIndex(-1);
        QTest::mouseClick(Child<QPushButton>(form, "BtnOk"), Qt::LeftButton);
        QVERIFY(!form.isVisible());
        QVERIFY(form.IsRowEdited(0));
        QCOMPARE(form.Row(0).left, 25);
        QCOMPARE(form.Row(0).down, -1);
        QCOMPARE(form.GbJoyTag(), 1);
        // Nothing in the configuration yet: the settings dialog writes on its OK.
        QCOMPARE(QString(Gpio0().attribute("left").value()), QString("0"));
        QCOMPARE(QString(Gpio0().attribute("connected").value()), QString("false"));
        QVERIFY(form.WriteEditedRows());
        QCOMPARE(QString(Gpio0().attribute("left").value()), QString("25"));
        QCOMPARE(QString(Gpio0().attribute("down").value()), QString("-1"));
        QCOMPARE(QString(Gpio0().attribute("connected").value()), QString("true"));
        QCOMPARE(QString(Gpio0().attribute("type").value()), QString("keys"));
        QVERIFY(!form.IsRowEdited(0));
        QCOMPARE(form.DescribeConnection(0), QString("Z, B, C, ..., Space"));
    }

    void cancelAndSettingsCancelDropTheEdit() {
        Config(R"(<Gpio0 connected="true" type="keys" left="0" right="1" up="2" down="3" fire="4"/>)");
        TFormJoy form;
        QTimer::singleShot(0, &form, [&] {
            Child<QComboBox>(form, "CbKeyUp")->setCurrentIndex(10);
            QTest::mouseClick(Child<QPushButton>(form, "BtnCancel"), Qt::LeftButton);
        });
        QVERIFY(!form.EditConnector(0));
        QVERIFY(!form.IsRowEdited(0));
        QCOMPARE(form.Row(0).up, 2);
        // OK in the dialog, then the settings dialog's Cancel reloads.
        QTimer::singleShot(0, &form, [&] {
            Child<QComboBox>(form, "CbKeyUp")->setCurrentIndex(10);
            QTest::mouseClick(Child<QPushButton>(form, "BtnOk"), Qt::LeftButton);
        });
        QVERIFY(form.EditConnector(0));
        QCOMPARE(form.Row(0).up, 10);
        form.LoadSettings();
        QVERIFY(!form.IsRowEdited(0));
        QCOMPARE(form.Row(0).up, 2);
        QCOMPARE(QString(Gpio0().attribute("up").value()), QString("2"));
    }

    void axesRowWithSensitivityAndFireButton() {
        std::string gpio0 = "<Gpio0 connected=\"true\" type=\"axes\" guid=\"" + GuidToText(PadGuid()) +
                            "\" left=\"-1\" right=\"-1\" up=\"-1\" down=\"-1\" fire=\"2\" pov=\"-1\" sensitivity=\"50\"/>";
        Config(gpio0.c_str());
        TFormJoy form;
        QCOMPARE(form.Row(0).type, int(JoyRow::kAxes));
        QCOMPARE(form.DescribeConnection(0), QString("Test Pad"));
        form.currentRow = 0;
        form.show();
        QVERIFY(Child<QRadioButton>(form, "RbJoyDev")->isChecked());
        QVERIFY(Child<QRadioButton>(form, "RbAxes")->isChecked());
        QComboBox* axes = Child<QComboBox>(form, "CbAxes");
        QCOMPARE(axes->count(), 2);
        QCOMPARE(axes->itemText(0), QString("X axis & Y axis"));
        QCOMPARE(axes->itemText(1), QString("Hat 0"));
        QCOMPARE(Child<QPushButton>(form, "BtnAxesFire")->text(), QString("Button 2"));
        QCOMPARE(form.SensitivityCursor(), QPoint(28, 42));
        // The live test follows the stick.
        g_pad.state.x = 128;
        g_pad.state.y = -128;
        form.TimerTimer();
        QCOMPARE(form.Crosshair(), QPoint(53, 3));
        // A cursor in the corner is further than the circle reaches: 100, not 141.
        form.SetSensitivityCursor(QPoint(0, 0));
        QTest::mouseClick(Child<QPushButton>(form, "BtnOk"), Qt::LeftButton);
        QCOMPARE(form.Row(0).sensitivity, 100);
        QCOMPARE(form.Row(0).fire, 2);
        QCOMPARE(form.Row(0).device, 0);
        // The image's edge, 28 pixels from the centre, is 100 too; 14 pixels 50.
        for (auto [p, expected] : {std::pair{QPoint(56, 28), 100}, std::pair{QPoint(28, 14), 50}}) {
            form.show();
            form.SetSensitivityCursor(p);
            form.BtnOkClick();
            QCOMPARE(form.Row(0).sensitivity, expected);
        }
        // The hat entry makes a pov row.
        form.show();
        axes->setCurrentIndex(1);
        form.CbAxesChange();
        form.BtnOkClick();
        QCOMPARE(form.Row(0).type, int(JoyRow::kPov));
        QCOMPARE(form.Row(0).pov, 0);
    }

    void buttonsAreAssignedFromThePadAndNeedFive() {
        Config(R"(<Gpio0 connected="false" type="none"/>)");
        TFormJoy form;
        QCOMPARE(form.Row(0).type, int(JoyRow::kNone));
        form.currentRow = 0;
        form.show();
        Child<QRadioButton>(form, "RbJoyDev")->setChecked(true);
        QComboBox* device = Child<QComboBox>(form, "CbDevice");
        device->setCurrentIndex(0);
        form.CbDeviceChange();
        QRadioButton* buttons = Child<QRadioButton>(form, "RbButtons");
        QVERIFY(buttons->isEnabled());
        buttons->setChecked(true);
        QPushButton* fire = Child<QPushButton>(form, "BtnFire");
        QCOMPARE(fire->text(), TFormJoy::AssociateText());
        form.BtnAssociateClick(fire);
        QVERIFY(form.Assigning());
        QVERIFY(!Child<QPushButton>(form, "BtnOk")->isEnabled());
        QVERIFY(!Child<QPushButton>(form, "BtnLeft")->isEnabled());
        g_pad.state.buttons[5] = 0x80;
        g_pad.state.buttons[3] = 0x80;
        form.TimerTimer();  // the lowest pressed button wins
        QVERIFY(!form.Assigning());
        QCOMPARE(fire->text(), QString("Button 3"));
        QVERIFY(Child<QPushButton>(form, "BtnOk")->isEnabled());
        // A second click on a button being assigned leaves it unassigned.
        QPushButton* up = Child<QPushButton>(form, "BtnUp");
        form.BtnAssociateClick(up);
        form.BtnAssociateClick(up);
        QVERIFY(!form.Assigning());
        QCOMPARE(up->text(), TFormJoy::AssociateText());
        form.BtnOkClick();
        QCOMPARE(form.Row(0).type, int(JoyRow::kButtons));
        QCOMPARE(form.Row(0).fire, 3);
        QCOMPARE(form.Row(0).up, -1);

        // With four buttons the buttons choice stays off.
        g_pad.buttons = 4;
        form.show();
        Child<QRadioButton>(form, "RbJoyDev")->setChecked(true);
        device->setCurrentIndex(0);
        form.CbDeviceChange();
        QVERIFY(!buttons->isEnabled());
    }

    void missingControllerLoadsAsNone() {
        Guid other;
        other.Data1 = 1;
        std::string gpio0 = "<Gpio0 connected=\"true\" type=\"buttons\" guid=\"" + GuidToText(other) +
                            "\" left=\"0\" right=\"1\" up=\"2\" down=\"3\" fire=\"4\"/>";
        Config(gpio0.c_str());
        TFormJoy form;
        QCOMPARE(form.Row(0).type, int(JoyRow::kNone));
        QCOMPARE(form.DescribeConnection(0), QString("..."));
    }

    void objectNames() {
        QCOMPARE(TFormJoy::ObjectName(0), QString("X axis"));
        QCOMPARE(TFormJoy::ObjectName(1), QString("Y axis"));
        QCOMPARE(TFormJoy::ObjectName(3), QString("Hat 1"));
        QCOMPARE(TFormJoy::ObjectName(9), QString("Button 3"));
        QCOMPARE(TFormJoy::ObjectName(38), QString());
    }
};

QTEST_MAIN(FormJoyTest)
#include "FormJoyTest.moc"
