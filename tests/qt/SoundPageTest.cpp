// The sound library starts only when a device is listed or used: a start
// with no device chosen leaves it alone, the Sound page lists the devices
// when it is shown, and a device that cannot be opened is reported. Runs on
// the ALSA output of alsa-null.conf (one device that discards the sound);
// CTest runs it once more on alsa-no-card.conf, where there is none.
#include <QtTest>

#include <QComboBox>
#include <QLabel>

#include <portaudio.h>

#include <algorithm>
#include <memory>

#include "common/Config.h"
#include "machine/core/ChangeCodes.h"
#include "machine/sound/SoundDriver.h"
#include "shell/FormMain.h"
#include "shell/settings/FormSettings.h"
#include "tests/qt/FakePrompts.h"
#include "tests/qt/TestProgramDir.h"

class SoundPageTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestProgramDir> prog;
    FakePrompts prompts;
    std::unique_ptr<TFormMain> form;
    // Set by CTest for the run without devices.
    const bool noDevices = qEnvironmentVariableIsSet("ORVIK_TEST_NO_SOUND_DEVICE");

    void Start(const char* deviceIndex) {
        prog = std::make_unique<TestProgramDir>();
        QVERIFY(prog->Make([deviceIndex](QString& t) {
            QVERIFY(t.contains("device-index=\"-1\""));
            t.replace("device-index=\"-1\"", QString("device-index=\"%1\"").arg(deviceIndex));
        }));
        TFormMain::SetProgramDirOverride(prog->Path().toStdString());
        prompts = FakePrompts();
        form = std::make_unique<TFormMain>(prompts);
        form->show();
        QVERIFY(!form->FirstShowPending());
    }
    static int StoredDevice() { return ReadAttrInt(ConfigSection("Sound"), "device-index", -100); }

private slots:
    void initTestCase() {
        if (!qEnvironmentVariableIsSet("ALSA_CONFIG_PATH"))
            qputenv("ALSA_CONFIG_PATH", ORVIK_SOURCE_DIR "/tests/qt/alsa-null.conf");
    }
    void cleanup() {
        form.reset();
        prog.reset();
        TFormMain::SetProgramDirOverride("");
    }

    // -2: a start before found none. The library stays down until the Sound
    // page is shown; it lists what is there then, and OK uses it.
    void noDeviceChosenStartsWithoutTheLibrary() {
        Start("-2");
        QCOMPARE(Pa_GetDeviceCount(), int(paNotInitialized));
        QVERIFY(form->Owner().GetSoundDriver() == nullptr);
        QVERIFY(prompts.boxes.empty());

        int listed = -1;
        bool toldWhy = false;
        std::vector<int> codes;
        prompts.AnswerDialogs<TFormSettings>([&](TFormSettings& settings) {
            settings.show();  // as the dialog's own run does
            QCoreApplication::processEvents();
            auto* devices = settings.findChild<QComboBox*>("CbAudioDevice");
            auto* why = settings.findChild<QLabel*>("LblNoAudioDevice");
            listed = devices->count();
            toldWhy = why->isVisibleTo(&settings) && !why->text().isEmpty();
            settings.BtnOkClick();
            codes = settings.ChangeList();
            settings.hide();
            return int(QDialog::Accepted);
        });
        form->ActionNamed("MiSetSound")->trigger();
        QVERIFY(prompts.dialogs.contains("FormSettings"));
        if (noDevices) {
            QCOMPARE(listed, 0);
            QVERIFY(toldWhy);
            QCOMPARE(StoredDevice(), -2);
            return;
        }
        QVERIFY(listed > 0);
        QVERIFY(!toldWhy);
        QVERIFY(StoredDevice() >= 0);
        QVERIFY(std::find(codes.begin(), codes.end(), int(ChangeCode::SoundDevice)) != codes.end());
        QVERIFY(form->Owner().GetSoundDriver() && form->Owner().GetSoundDriver()->IsStreamOpen());
    }

    // A first start on a machine without a sound device notes that none was
    // found, so the next start leaves the library alone.
    void firstStartWithoutADeviceNotesNone() {
        if (!noDevices) QSKIP("there is a sound device here (run with ORVIK_TEST_NO_SOUND_DEVICE and alsa-no-card.conf)");
        Start("-1");
        if (Pa_GetDeviceCount() > 0) QSKIP("this machine has a sound card of its own");
        QCOMPARE(StoredDevice(), -2);
        QVERIFY(form->Owner().GetSoundDriver() == nullptr);
        QVERIFY(prompts.boxes.empty());
    }

    // A first start with a device chooses the default one and plays.
    void firstStartChoosesTheDefaultDevice() {
        if (noDevices) QSKIP("no sound device in this run");
        Start("-1");
        QVERIFY(StoredDevice() >= 0);
        QVERIFY(form->Owner().GetSoundDriver() && form->Owner().GetSoundDriver()->IsStreamOpen());
        QVERIFY(prompts.boxes.empty());
    }

    // A stored device that is not there: where others are, the default one
    // takes its place; where none is, it is told and the machine runs without sound.
    void storedDeviceThatCannotBeOpenedIsReported() {
        Start("999");
        if (!noDevices) {
            QVERIFY(StoredDevice() >= 0 && StoredDevice() != 999);
            QVERIFY(form->Owner().GetSoundDriver() && form->Owner().GetSoundDriver()->IsStreamOpen());
            QVERIFY(prompts.boxes.empty());
            return;
        }
        QCOMPARE(prompts.Warnings(), QStringList{"Sound"});
        QVERIFY2(prompts.Texts(FakePrompts::Kind::Warning).front().contains("999"),
                 qPrintable(prompts.Texts(FakePrompts::Kind::Warning).front()));
        QCOMPARE(form->RunState(), 0);
    }
};

QTEST_MAIN(SoundPageTest)
#include "SoundPageTest.moc"
