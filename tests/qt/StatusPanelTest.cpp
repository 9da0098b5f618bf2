// The status panel's pictures: every model's 48 x 16 picture, drawn by the
// program, shows whole in ImageModel (with the full name as its hint), and
// the sound icon follows the icon protocol with real pictures while a WAV
// recording runs; without a sound output the record command says why.
#include <QtTest>

#include <QLabel>

#include <memory>
#include <set>

#include "common/Lang.h"
#include "machine/core/ModelIndex.h"
#include "machine/sound/SoundDriver.h"
#include "shell/FormMain.h"
#include "shell/StatusPictures.h"
#include "tests/qt/FakePrompts.h"
#include "tests/qt/TestProgramDir.h"

namespace {

int Painted(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) != 0) n++;
    return n;
}

QImage Shown(QLabel* label) { return label->pixmap().toImage().convertToFormat(QImage::Format_ARGB32); }

QImage Icon(int index) {
    return StatusPictures::Icon(StatusPictures::DiskTape, index).toImage().convertToFormat(QImage::Format_ARGB32);
}

const char* const kModelNames[8] = {"Model-1",    "Model-2",    "Model-2A",    "Model-3",
                                    "Model-Mato", "Model-Alfa", "Model-Alfa2", "Model-C2717"};

}  // namespace

class StatusPanelTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestProgramDir> prog;
    FakePrompts prompts;
    std::unique_ptr<TFormMain> form;

    void Start(const std::function<void(QString&)>& edit = {}, bool soundOutput = false) {
        prog = std::make_unique<TestProgramDir>();
        QVERIFY(prog->Make([&](QString& t) {
            t.replace("mute=\"false\"", "mute=\"true\"");
            if (edit) edit(t);
        }));
        TFormMain::SetProgramDirOverride(prog->Path().toStdString());
        prompts = FakePrompts();
        form = std::make_unique<TFormMain>(prompts);
        QCOMPARE(ApplicationTag, 0);
        if (soundOutput)  // an output without a device: mixing and recording work
            form->Owner().SetSoundFactory([](int, int channels, std::span<const int> volumes) {
                return std::make_unique<SoundDriver>(SoundDriver::NoDevice, channels, volumes);
            });
        form->show();
        QVERIFY(!form->FirstShowPending());
    }

private slots:
    void cleanup() {
        form.reset();
        prog.reset();
        TFormMain::SetProgramDirOverride("");
    }

    void everyModelHasItsOwnWholePicture() {
        std::set<QByteArray> seen;
        for (int m = kModel1; m <= kModelC2717; ++m) {
            const QImage image = StatusPictures::ModelPicture(m).toImage().convertToFormat(QImage::Format_ARGB32);
            QCOMPARE(image.size(), QSize(48, 16));
            QVERIFY2(Painted(image) > 48 * 16 / 2, kModelNames[m]);
            seen.insert(QByteArray(reinterpret_cast<const char*>(image.constBits()), int(image.sizeInBytes())));
        }
        QCOMPARE(int(seen.size()), 8);
    }

    void theWindowShowsTheModelsPicture_data() {
        QTest::addColumn<int>("model");
        // The two names that a text field cut ("Model-2", "Model-C").
        QTest::newRow("Model-2A") << int(kModel2A);
        QTest::newRow("Model-C2717") << int(kModelC2717);
        QTest::newRow("Model-1") << int(kModel1);
    }
    void theWindowShowsTheModelsPicture() {
        QFETCH(int, model);
        Start([&](QString& t) {
            t.replace("current=\"Model-C2717\"", QString("current=\"%1\"").arg(kModelNames[model]));
        });
        auto* image = form->findChild<QLabel*>("ImageModel");
        QVERIFY(image);
        QCOMPARE(image->size(), QSize(48, 16));
        QVERIFY(image->text().isEmpty());
        QCOMPARE(image->toolTip(), QString(kModelNames[model]));
        QCOMPARE(Shown(image), StatusPictures::ModelPicture(model).toImage().convertToFormat(QImage::Format_ARGB32));
    }

    void soundAndRecordingIconsAreDistinctPictures() {
        std::set<QByteArray> seen;
        for (int i : {12, 13, 14, 15, 16}) {
            const QImage image = Icon(i);
            QCOMPARE(image.size(), QSize(16, 16));
            QVERIFY(Painted(image) > 20);
            seen.insert(QByteArray(reinterpret_cast<const char*>(image.constBits()), int(image.sizeInBytes())));
        }
        QCOMPARE(int(seen.size()), 5);
        QCOMPARE(Painted(Icon(0)), 0);  // idle: nothing
    }

    void waveRecordingBlinksBetweenItsTwoIcons() {
        Start([](QString& t) { t.replace("device-index=\"-1\"", "device-index=\"0\""); }, true);
        QVERIFY(form->Owner().GetSoundDriver() && form->Owner().GetSoundDriver()->IsStreamOpen());
        const QString target = prog->Path("rec.wav");
        prompts.paths = {target.toStdString()};
        auto* sound = form->findChild<QLabel*>("ImageSound");
        QVERIFY(sound);
        QCOMPARE(Painted(Shown(sound)), 0);
        form->ActionNamed("MiRecordSound")->trigger();
        QVERIFY(form->IsRecordingWave());
        QCOMPARE(form->SoundTag(), 0x0C0D);
        QCOMPARE(Shown(sound), Icon(12));
        // Every 25 controls ticks the other icon of the pair.
        for (int round = 0; round < 4; ++round) {
            for (int i = 0; i < 24; ++i) form->TimerRefreshControlsTimer();
            QCOMPARE(Shown(sound), Icon(round % 2 ? 13 : 12));
            form->TimerRefreshControlsTimer();
            QCOMPARE(Shown(sound), Icon(round % 2 ? 12 : 13));
        }
        form->ActionNamed("MiRecordSound")->trigger();
        QVERIFY(!form->IsRecordingWave());
        QCOMPARE(Painted(Shown(sound)), 0);
        QVERIFY(prompts.boxes.empty());
    }

    void recordingWithoutASoundOutputSaysWhy() {
        Start();  // the shipped configuration: no device
        QVERIFY(!form->Owner().GetSoundDriver() || !form->Owner().GetSoundDriver()->IsStreamOpen());
        form->ActionNamed("MiRecordSound")->trigger();
        QVERIFY(prompts.files.empty());
        QVERIFY(!form->IsRecordingWave());
        QCOMPARE(form->RunState(), 0);
        // The texts of the language file (English in the shipped configuration).
        QCOMPARE(prompts.Infos().size(), 1);
        const QString title = prompts.Infos()[0], text = prompts.Texts(FakePrompts::Kind::Information)[0];
        QCOMPARE(title, QString::fromStdString(LangText("FormMain", "err.NoSoundOutput.Title")));
        QCOMPARE(text, QString::fromStdString(LangText("FormMain", "err.NoSoundOutput.Message")));
        QCOMPARE(title, QString("Record sound"));
        QVERIFY(text.contains("Sound settings"));
    }
};

QTEST_MAIN(StatusPanelTest)
#include "StatusPanelTest.moc"
