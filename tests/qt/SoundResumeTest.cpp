// With a sound device set, the machine goes on at once after every resume:
// run after pause, reset, and the pause around a dialog. The first slice
// must run within 100 ms of resuming. Runs on a real PortAudio stream on the
// default output device; skipped where none can be opened. CTest also runs
// it on an ALSA output that discards the sound (alsa-null.conf), so that
// machines without a sound card test the stream path too.
#include <QtTest>

#include <portaudio.h>

#include <chrono>
#include <memory>
#include <thread>

#include "machine/sound/SoundDriver.h"
#include "shell/FormMain.h"
#include "tests/qt/TestProgramDir.h"

namespace {

using Clock = std::chrono::steady_clock;

// Milliseconds from now until the machine completes a slice, or -1 after 2 s.
double MsUntilNextSlice(MachineOwner& owner, Clock::time_point from) {
    const int32_t count = owner.GetSliceCount();
    while (Clock::now() - from < std::chrono::seconds(2)) {
        if (owner.GetSliceCount() != count) return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
        // The user-interface thread goes on as in the program (the CPU may
        // wait for its controls tick).
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return -1;
}

}  // namespace

class SoundResumeTest : public QObject {
    Q_OBJECT

    int device = -1;
    bool initialised = false;

private slots:
    void initTestCase() {
        initialised = Pa_Initialize() == paNoError;
        if (!initialised) QSKIP("the sound library does not start here");
        device = Pa_GetDefaultOutputDevice();
        if (device < 0) QSKIP("no sound output device here (set ALSA_CONFIG_PATH to tests/qt/alsa-null.conf for one)");
        qInfo("default output device %d: %s", device, Pa_GetDeviceInfo(device)->name);
    }
    void cleanupTestCase() {
        if (initialised) Pa_Terminate();
    }
    void cleanup() { TFormMain::SetProgramDirOverride(""); }

    void everyResumeRunsTheNextSliceAtOnce() {
        TestProgramDir prog;
        QVERIFY(prog.Make([this](QString& t) {
            t.replace("device-index=\"-1\"", QString("device-index=\"%1\"").arg(device));
            t.replace("mute=\"false\"", "mute=\"true\"");
        }));
        TFormMain::SetProgramDirOverride(prog.Path().toStdString());
        auto form = std::make_unique<TFormMain>();
        QCOMPARE(ApplicationTag, 0);
        form->show();
        MachineOwner& owner = form->Owner();
        SoundDriver* sound = owner.GetSoundDriver();
        QVERIFY(sound);
        if (!sound->IsStreamOpen()) QSKIP("no stream opens on the default output device");
        // Running, paced by the device: the ring has filled once.
        QTRY_VERIFY_WITH_TIMEOUT(owner.GetSliceCount() > 200, 10000);
        QTest::qWait(200);

        struct Case {
            const char* name;
            std::function<void()> pause, resume;
        };
        const Case cases[] = {
            {"run/pause button", [&] { form->TBtnRunPauseClick(); }, [&] { form->TBtnRunPauseClick(); }},
            {"reset", [] {}, [&] { form->TBtnResetClick(); }},
            {"dialog", [&] { form->SetPause(1, 1); }, [&] { form->SetPause(0, 1); }},
        };
        for (const Case& c : cases) {
            for (int round = 0; round < 3; ++round) {
                c.pause();
                QTest::qWait(300);  // paused long enough to drain what the device held
                const auto resumed = Clock::now();
                c.resume();
                const double ms = MsUntilNextSlice(owner, resumed);
                qInfo("%s, round %d: first slice %.1f ms after resuming", c.name, round, ms);
                QVERIFY2(ms >= 0 && ms < 100, qPrintable(QString("%1: %2 ms").arg(c.name).arg(ms)));
                QCOMPARE(form->RunState(), 0);
                QTest::qWait(100);
            }
        }
        form.reset();
    }
};

QTEST_MAIN(SoundResumeTest)
#include "SoundResumeTest.moc"
