// The main window in-process, offscreen, on a temporary program folder.
#include <QtTest>

#include <memory>

#include <unistd.h>

#include "common/Config.h"
#include "common/Lang.h"
#include "machine/core/ChangeCodes.h"
#include "common/Startup.h"
#include "machine/cpu/ChipCpu8080.h"
#include "machine/cpu/ChipMemory.h"
#include "machine/pio/SystemPIO.h"
#include "machine/screen/ScreenDAD85.h"
#include "machine/sound/SoundDriver.h"
#include "platform/KeyState.h"
#include "shell/help/FormKeyMap.h"
#include "shell/FormMain.h"
#include "shell/InstanceChannel.h"
#include "tests/qt/FakePrompts.h"
#include "tests/qt/TestProgramDir.h"
#include "tools/tape/window/TapeBrowser.h"

class FormMainTest : public QObject {
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
        QCOMPARE(ApplicationTag, 0);
        form->show();
        QVERIFY(!form->FirstShowPending());
    }
    static void Replace(QString& text, const QString& from, const QString& to) {
        QVERIFY2(text.contains(from), qPrintable(from));
        text.replace(from, to);
    }
    void WaitForSlices() {
        const int32_t start = form->Owner().GetSliceCount();
        QTRY_VERIFY_WITH_TIMEOUT(form->Owner().GetSliceCount() > start + 2, 10000);
    }

private slots:
    void cleanup() {
        form.reset();
        prog.reset();
        TFormMain::SetProgramDirOverride("");
    }

    void startupFaultsSetTheTagAndNeverShow() {
        for (int kind = 0; kind < 2; ++kind) {
            TestProgramDir p;
            QVERIFY(p.Make());
            if (kind == 0)
                p.Write("Orvik.xml", "<broken");
            else
                p.Write("Orvik.xml", QByteArray(p.Read("Orvik.xml")).replace("version=\"", "version=\"x"));
            const QByteArray before = p.Read("Orvik.xml");
            TFormMain::SetProgramDirOverride(p.Path().toStdString());
            {
                TFormMain f;
                QCOMPARE(ApplicationTag, kind == 0 ? TFormMain::kConfigUnreadable : TFormMain::kVersionMismatch);
                QVERIFY(!f.FirstShowPending());
                QCOMPARE(f.Closing(), 1);
                QVERIFY(!f.XMLDoc().Active());
            }
            QCOMPARE(p.Read("Orvik.xml"), before);
        }
    }

    void firstShowingBuildsFromEveryCodeAndRuns() {
        Start([](QString& t) {
            Replace(t, "current=\"Model-C2717\"", "current=\"Model-2A\"");
            Replace(t, "change-zy=\"false\"", "change-zy=\"true\"");
            Replace(t, "color-profile=\"multicolor\"", "color-profile=\"mono\"");
            Replace(t, "mute=\"false\"", "mute=\"true\"");
            Replace(t, "size=\"triple\"", "size=\"double\"");
            Replace(t, "lpt-port=\"1,378\"", "lpt-port=\"2,278\"");
        });
        MachineOwner& o = form->Owner();
        QVERIFY(o.GetCpu() && o.GetMemory() && o.GetSystemPio());
        QCOMPARE(o.GetModel(), int(kModel2A));   // code 1
        QCOMPARE(int(o.GetSystemPio()->changeZy), 1);           // code 8
        QCOMPARE(o.GetScreen()->GetColorProfile(), 0);          // code 4
        QVERIFY(form->Muted());                                 // code 6
        QCOMPARE(form->WindowSize(), 1);
        QVERIFY(form->ActionNamed("MiSize200")->isChecked());
        QCOMPARE(o.GetScreen()->GetSizeMode(), 1);
        QCOMPARE(form->LedState(), 0u);
        QCOMPARE(form->RunState(), 0);
        WaitForSlices();
        // The language of the configuration translated the window.
        QCOMPARE(form->ActionNamed("MiExit")->text(), QString("Exit"));
        // Names for the language file.
        for (const char* n : {"MiExit", "MiPaused", "MiReset", "MiHardReset", "MiSound", "MiFocusPause", "MiSize100",
                              "MiSizeFull", "MiPictureClip", "MiPictureBmp", "MiRecordSound", "TBtnReset",
                              "TBtnRunPause", "TBtnSound"})
            QVERIFY2(form->ActionNamed(n), n);
        for (const char* n : {"MainMenu", "ToolBar", "Panel", "ImageModel", "LabelCpuUsage", "ImageSound", "ImageTape",
                              "ImageDisk", "ImageLedYellow", "ImageLedRed", "ImageLedBlue", "MiFile", "MiView", "MiEmul"})
            QVERIFY2(form->findChild<QObject*>(n), n);
    }

    // A box raised while the pages load at the start has its texts: the
    // language is loaded before them.
    void startUpBoxesHaveTheirTexts() {
        Start([](QString& t) {
            Replace(t, "type=\"none\" on-lpt=\"false\"", "type=\"bt100\" on-lpt=\"true\"");
            Replace(t, "lpt-port=\"1,378\"", "lpt-port=\"97,378\"");  // no such port
        });
        QCOMPARE(prompts.Warnings().size(), 1);
        const FakePrompts::Box& box = prompts.boxes.front();
        QVERIFY(!box.title.isEmpty());
        QVERIFY2(box.text.contains("888"), qPrintable(box.text));  // 378h
    }

    // A disk image that images.cfg keeps out of its drive is reported, and
    // one whose file cannot be opened too.
    void unmountedDiskImagesAreReported_data() {
        QTest::addColumn<QByteArray>("imagesCfg");  // "-": none
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no images.cfg") << QByteArray("-") << false << "text.MountP32.CfgMissing";
        QTest::newRow("no line") << QByteArray("* disks\r\n.DSK 80 9 2\r\n") << false << "text.MountP32.CfgNoLine";
        QTest::newRow("bad line") << QByteArray(".P32 80 99 2\r\n") << false << "text.MountP32.CfgMalformed";
        QTest::newRow("read-only") << QByteArray(".P32 80 36 2\r\n") << true << "text.MountP32.NotOpened";
    }
    void unmountedDiskImagesAreReported() {
        QFETCH(QByteArray, imagesCfg);
        QFETCH(bool, readOnly);
        QFETCH(QString, reason);
        if (readOnly && geteuid() == 0) QSKIP("root opens a read-only file for writing");
        prog = std::make_unique<TestProgramDir>();
        QVERIFY(prog->Make([](QString& t) {
            Replace(t, "<PMD-32 connected=\"false\" extra-commands=\"false\">",
                    "<PMD-32 connected=\"true\" extra-commands=\"true\">");
            Replace(t, "<DriveA write-protect=\"false\"/>", "<DriveA write-protect=\"false\">sd/disk.p32</DriveA>");
            Replace(t, "<SD-Root/>", "<SD-Root>sd</SD-Root>");
        }));
        QVERIFY(QDir(prog->Path()).mkdir("sd"));
        QVERIFY(prog->Write("sd/disk.p32", QByteArray(368640, '\xE5')));
        if (imagesCfg != "-") QVERIFY(prog->Write("sd/images.cfg", imagesCfg));
        if (readOnly) QVERIFY(QFile::setPermissions(prog->Path("sd/disk.p32"), QFileDevice::ReadOwner));
        TFormMain::SetProgramDirOverride(prog->Path().toStdString());
        prompts = FakePrompts();
        form = std::make_unique<TFormMain>(prompts);
        QCOMPARE(ApplicationTag, 0);
        form->show();
        QVERIFY(form->Owner().GetPmd32());
        QCOMPARE(prompts.Warnings(), QStringList{"PMD-32 disk unit"});
        const QString text = prompts.Texts(FakePrompts::Kind::Warning).front();
        QVERIFY2(text.startsWith("Drive A is empty") && text.contains(prog->Path("sd/disk.p32")), qPrintable(text));
        QVERIFY2(text.endsWith(QString::fromStdString(LangText("FormMain", reason.toStdString()))), qPrintable(text));
        // Applied again, the same image is told again.
        prompts.Clear();
        std::vector<int> codes{ChangeCode::Pmd32Unit};
        form->ApplySettings(codes);
        QCOMPARE(prompts.Warnings().size(), 1);
    }

    void screenSizeFromConfig_data() {
        QTest::addColumn<QString>("size");
        QTest::addColumn<int>("expected");
        QTest::newRow("normal") << "normal" << 0;
        QTest::newRow("double") << "double" << 1;
        QTest::newRow("triple") << "triple" << 2;
        QTest::newRow("unknown") << "big" << 2;
    }
    void screenSizeFromConfig() {
        QFETCH(QString, size);
        QFETCH(int, expected);
        Start([&](QString& t) { Replace(t, "size=\"triple\"", "size=\"" + size + "\""); });
        QCOMPARE(form->WindowSize(), expected);
        const int w = ScreenDAD85::WidthOf(expected, form->Owner().GetScreen()->IsWideMode()) + 1;
        QCOMPARE(form->width(), w);
    }

    void closingStoresWindowStateAndSaves() {
        Start([](QString& t) { Replace(t, "size=\"triple\"", "size=\"normal\""); });
        form->ActionNamed("MiFocusPause")->trigger();
        form->move(40, 30);
        const QPoint at = form->pos();
        form->ActionNamed("MiExit")->trigger();
        QCOMPARE(form->Closing(), 1);
        QCOMPARE(form->RunState(), 1);
        form.reset();
        ConfigDocument doc;
        QCOMPARE(doc.Open(prog->Path("Orvik.xml").toStdString(), VersionString), 0);
        pugi::xml_node root = doc.Root();
        QVERIFY(ReadAttrBool(FindChildElement(root, "General"), "pause-on-focus-lost", false));
        pugi::xml_node screen = FindChildElement(root, "Screen");
        QCOMPARE(ReadAttrInt(screen, "x", -1), at.x());
        QCOMPARE(ReadAttrInt(screen, "y", -1), at.y());
        QCOMPARE(ReadAttrString(screen, "size"), std::string("normal"));
        doc.Deactivate();
    }

    // A hand-edited file without Screen gets the section back at exit, with
    // the window position in it.
    void closingCreatesAMissingScreenSection() {
        Start([](QString& t) {
            const int from = t.indexOf("<Screen ");
            const int to = t.indexOf("/>", from);
            QVERIFY(from >= 0 && to > from);
            t.remove(from, to + 2 - from);
        });
        form->move(50, 20);
        const QPoint at = form->pos();
        form->ActionNamed("MiExit")->trigger();
        form.reset();
        QVERIFY(prompts.Errors().isEmpty());
        ConfigDocument doc;
        QCOMPARE(doc.Open(prog->Path("Orvik.xml").toStdString(), VersionString), 0);
        pugi::xml_node screen = FindChildElement(doc.Root(), "Screen");
        QVERIFY(screen);
        QCOMPARE(ReadAttrInt(screen, "x", -1), at.x());
        QCOMPARE(ReadAttrInt(screen, "y", -1), at.y());
        QCOMPARE(ReadAttrString(screen, "size"), std::string("triple"));
        doc.Deactivate();
    }

    // A configuration that cannot be written back at exit is reported.
    void failedConfigurationSaveIsReported() {
        Start();
        form->ActionNamed("MiExit")->trigger();
        const QString folder = prog->Path();
        const QString moved = prog->dir.path() + "-moved";
        QVERIFY(QDir().rename(prog->dir.path(), moved));  // the folder is gone: no temporary file
        form.reset();
        QVERIFY(QDir().rename(moved, prog->dir.path()));
        QCOMPARE(prompts.Errors(), QStringList{"Configuration"});
    }

    void refusedCloseLeavesTheMachineRunning() {
        Start();
        // The tape browser is editing: no closing.
        QVERIFY(form->TapeBrowser()->Deck().EditTapeClick(true));
        QVERIFY(form->TapeBrowser()->EditMode());
        form->MiExitClick();
        QVERIFY(form->isVisible());
        QCOMPARE(form->Closing(), 0);  // the timers keep working
        QCOMPARE(form->RunState(), 0);
        WaitForSlices();
        QVERIFY(form->TapeBrowser()->Deck().EditTapeClick(true));
        QVERIFY(!form->TapeBrowser()->EditMode());
        form->MiExitClick();
        QCOMPARE(form->Closing(), 1);
    }

    void fullScreenAndBackRestoresSizeAndPosition() {
        Start([](QString& t) { Replace(t, "size=\"triple\"", "size=\"double\""); });
        const QSize before = form->size();
        const QPoint at = form->pos();
        QAction* full = form->ActionNamed("MiSizeFull");
        full->trigger();
        QCOMPARE(prompts.Infos().size(), 1);
        QVERIFY(form->Owner().GetScreen()->IsFullScreen());
        QCOMPARE(form->Owner().GetScreen()->GetSizeMode(), 3);
        QVERIFY(!form->ActionNamed("MiPictureBmp")->isEnabled());  // file menu off
        full->trigger();
        QCOMPARE(form->Owner().GetScreen()->GetSizeMode(), 1);
        QCOMPARE(form->WindowSize(), 1);
        QVERIFY(form->ActionNamed("MiSize200")->isChecked());
        QVERIFY(!full->isChecked());
        QVERIFY(form->ActionNamed("MiPictureBmp")->isEnabled());
        QCOMPARE(form->size(), before);
        QCOMPARE(form->pos(), at);
        // Closing from full screen stores the size used before.
        full->trigger();
        form->close();
        form.reset();
        QVERIFY(prog->Read("Orvik.xml").contains("size=\"double\""));
    }

    void sizeItemAlreadyCheckedDoesNothingAndNoInfoBoxWhenOff() {
        Start([](QString& t) {
            Replace(t, "size=\"triple\"", "size=\"normal\"");
            Replace(t, "show-info-on-enter-full-screen=\"true\"", "show-info-on-enter-full-screen=\"false\"");
        });
        const QSize before = form->size();
        form->ActionNamed("MiSize100")->trigger();
        QVERIFY(form->ActionNamed("MiSize100")->isChecked());
        QCOMPARE(form->size(), before);
        form->ActionNamed("MiSize300")->trigger();
        QCOMPARE(form->WindowSize(), 2);
        QVERIFY(!form->ActionNamed("MiSize100")->isChecked());
        form->ActionNamed("MiSizeFull")->trigger();
        QCOMPARE(prompts.Infos().size(), 0);
    }

    void typedKeysReachTheMatrix() {
        Start();
        SystemPIO* pio = form->Owner().GetSystemPio();
        // The window posts the key at once; the machine takes it at a slice boundary.
        const HostKeyState& live = form->Owner().KeyEvents().Live();
        QTest::keyPress(form.get(), Qt::Key_Q);
        QVERIFY(live.IsDown('Q'));
        QTRY_VERIFY_WITH_TIMEOUT(form->Owner().Keys().IsDown('Q'), 10000);
        form->TimerRefreshControlsTimer();
        QVERIFY(pio->matrix[0].load() & 0x04);  // Q: column 0, row bit 04h
        QTest::keyRelease(form.get(), Qt::Key_Q);
        QVERIFY(!live.IsDown('Q'));
        QTRY_VERIFY_WITH_TIMEOUT(!form->Owner().Keys().IsDown('Q'), 10000);
        form->TimerRefreshControlsTimer();
        QCOMPARE(int(pio->matrix[0].load() & 0x04), 0);
        // Keypad digits are told apart from the digit row.
        QTest::keyPress(form.get(), Qt::Key_5, Qt::KeypadModifier);
        QVERIFY(live.IsDown(VK_NUMPAD5));
        QVERIFY(!live.IsDown('5'));
        QTRY_VERIFY_WITH_TIMEOUT(form->Owner().Keys().IsDown(VK_NUMPAD5), 10000);
        QVERIFY(!form->Owner().Keys().IsDown('5'));
        // Losing the focus releases every key.
        QEvent change(QEvent::ActivationChange);
        QApplication::sendEvent(form.get(), &change);
        if (!form->isActiveWindow()) {
            QVERIFY(!live.IsDown(VK_NUMPAD5));
            QTRY_VERIFY_WITH_TIMEOUT(!form->Owner().Keys().IsDown(VK_NUMPAD5), 10000);
        }
    }

    void keyboardPictureFollowsTheChangeZySetting() {
        Start();
        QCOMPARE(int(form->Owner().GetSystemPio()->changeZy), 0);
        form->MiKeyboardClick();
        QVERIFY(!form->FormKeyMap()->ChangeZy());
        // The setting changed while the picture is open (change code 8).
        ConfigSectionForWrite("Controls").child("Keyboard").attribute("change-zy").set_value("true");
        std::vector<int> codes{8};
        form->ApplySettings(codes);
        QCOMPARE(int(form->Owner().GetSystemPio()->changeZy), 1);
        QVERIFY(form->FormKeyMap()->ChangeZy());
        form->FormKeyMap()->hide();
    }

    void pauseStopsSlicesAndRunResumes() {
        Start();
        WaitForSlices();
        form->ActionNamed("TBtnRunPause")->trigger();
        QCOMPARE(form->RunState(), 1);
        QVERIFY(form->ActionNamed("MiPaused")->isChecked());
        QCOMPARE(form->ImageIndex(form->ActionNamed("TBtnRunPause")), 4);
        const int32_t count = form->Owner().GetSliceCount();
        QTest::qWait(100);
        QCOMPARE(form->Owner().GetSliceCount(), count);
        form->ActionNamed("MiPaused")->trigger();
        QCOMPARE(form->RunState(), 0);
        QCOMPARE(form->ImageIndex(form->ActionNamed("TBtnRunPause")), 5);
        WaitForSlices();
    }

    void resetAndColdRestart() {
        Start();
        MachineOwner& o = form->Owner();
        // Reset runs the machine even when it was paused.
        form->TBtnRunPauseClick();
        form->ActionNamed("MiReset")->trigger();
        QCOMPARE(form->RunState(), 0);
        // While the debugger holds the machine it stays stopped after a reset.
        o.DebuggerTag.store(-1);
        form->TBtnResetClick();
        QCOMPARE(form->RunState(), 1);
        QCOMPARE(int(o.GetCpu()->PC), 0);
        // Cold restart rebuilds the machine from the configuration.
        o.GetMemory()->WriteByte(0x4000, 0x5A);
        o.GetCpu()->PC = 0x1234;
        form->ActionNamed("MiHardReset")->trigger();
        QCOMPARE(form->RunState(), 1);
        QCOMPARE(int(o.GetCpu()->PC), 0);
        QVERIFY(o.GetMemory()->ReadByte(0x4000) != 0x5A);
        o.DebuggerTag.store(0);
        form->MiHardResetClick();
        QCOMPARE(form->RunState(), 0);
    }

    void ledsFollowTheSystemPort_data() {
        QTest::addColumn<int>("leds");
        for (int v : {0, 1, 2, 4, 5, 7, 0}) QTest::newRow(qPrintable(QString::number(v))) << v;
    }
    void ledsFollowTheSystemPort() {
        Start();
        QFETCH(int, leds);
        form->Owner().GetSystemPio()->leds.store(static_cast<uint8_t>(leds));
        form->TimerRefreshControlsTimer();
        QCOMPARE(int(form->LedState()), leds);
        static const char* const names[3] = {"ImageLedYellow", "ImageLedRed", "ImageLedBlue"};
        for (int i = 0; i < 3; ++i) {
            auto* led = form->findChild<QObject*>(names[i]);
            QCOMPARE(form->ImageIndex(led), (leds >> i & 1) ? (1 << i) : 0);
        }
    }

    void focusPausingParksTheRunState() {
        Start();
        form->ApplDeactivate();
        QCOMPARE(form->RunState(), 1);
        form->ApplActivate();
        QCOMPARE(form->RunState(), 0);
        form->TBtnRunPauseClick();  // paused by the user
        form->ApplDeactivate();
        form->ApplActivate();
        QCOMPARE(form->RunState(), 1);
    }

    void muteClickIsStored() {
        Start();
        QVERIFY(!form->Muted());
        form->ActionNamed("MiSound")->trigger();
        QVERIFY(form->Muted());
        QVERIFY(!form->ActionNamed("MiSound")->isChecked());
        QCOMPARE(form->ImageIndex(form->ActionNamed("TBtnSound")), 7);
        QVERIFY(ReadAttrBool(ConfigSection("Sound"), "mute", false));
        form->ActionNamed("TBtnSound")->trigger();
        QVERIFY(!form->Muted());
        QVERIFY(!ReadAttrBool(ConfigSection("Sound"), "mute", true));
    }

    void waveRecordingStartsAndStops() {
        Start([](QString& t) { Replace(t, "device-index=\"-1\"", "device-index=\"0\""); });
        if (!form->Owner().GetSoundDriver()) QSKIP("no sound driver could be made");
        const QString target = prog->Path("rec.wav");
        prompts.paths = {target.toStdString()};
        if (!form->Owner().GetSoundDriver()->IsStreamOpen()) {
            // No audio device: the recording cannot start, the user is told
            // why (before any file is asked for) and the menu stays as it was.
            form->ActionNamed("MiRecordSound")->trigger();
            QCOMPARE(prompts.Infos().size(), 1);
            QVERIFY(prompts.files.empty());
            QVERIFY(!form->IsRecordingWave());
            QVERIFY(prompts.Errors().isEmpty());  // one box says why, no failure reported besides
            QCOMPARE(form->SoundTag(), 0);
            QCOMPARE(form->ActionNamed("MiRecordSound")->text(), QString("Record sound..."));
            QCOMPARE(form->RunState(), 0);
            QSKIP("no audio stream: recording itself not tried");
        }
        form->ActionNamed("MiRecordSound")->trigger();
        QCOMPARE(prompts.files.size(), size_t(1));
        QCOMPARE(prompts.files[0].ext, std::string("wav"));
        QVERIFY(form->IsRecordingWave());
        QCOMPARE(form->SoundTag(), 0x0C0D);
        QCOMPARE(form->ImageIndex(form->findChild<QObject*>("ImageSound")), 12);
        QCOMPARE(form->ActionNamed("MiRecordSound")->text(), QString("Stop sound recording"));
        QCOMPARE(form->RunState(), 0);
        for (int i = 0; i < 25; ++i) form->TimerRefreshControlsTimer();
        QCOMPARE(form->ImageIndex(form->findChild<QObject*>("ImageSound")), 13);
        form->ActionNamed("MiRecordSound")->trigger();
        QVERIFY(!form->IsRecordingWave());
        QCOMPARE(form->SoundTag(), 0);
        QCOMPARE(form->ActionNamed("MiRecordSound")->text(), QString("Record sound..."));
        QCOMPARE(prog->Read("rec.wav").left(4), QByteArray("RIFF"));
    }

    void handedOverFilesReachTheWindowAfterItsFirstShowing() {
        prog = std::make_unique<TestProgramDir>();
        QVERIFY(prog->Make());
        TFormMain::SetProgramDirOverride(prog->Path().toStdString());
        InstanceChannel first(prog->Path("orvik"));
        QVERIFY(!first.CheckInstance({"orvik"}, "/"));
        form = std::make_unique<TFormMain>(prompts);
        form->SetInstanceChannel(&first);
        form->SetCommandLineFile("/games/start.ptp");
        // A second start while the first is still starting.
        InstanceChannel early(prog->Path("orvik"));
        QVERIFY(early.CheckInstance({"orvik", "early.ptp"}, "/games"));
        QTest::qWait(100);
        QCOMPARE(form->OpenedFileCount(), 0);
        form->show();
        QTRY_COMPARE(form->OpenedFileCount(), 2);
        QCOMPARE(form->LastOpenedFile(), QString("/games/early.ptp"));
        InstanceChannel later(prog->Path("orvik"));
        QVERIFY(later.CheckInstance({"orvik", ""}, "/games"));  // only activates
        QVERIFY(later.CheckInstance({"orvik", "b.psn"}, "/x"));
        QTRY_COMPARE(form->OpenedFileCount(), 3);
        QCOMPARE(form->LastOpenedFile(), QString("/x/b.psn"));
        form.reset();
    }

    void bmpPictureIsSaved() {
        Start();
        const QString target = prog->Path("shot.bmp");
        prompts.paths = {target.toStdString()};
        form->ActionNamed("MiPictureBmp")->trigger();
        QCOMPARE(prompts.files.size(), size_t(1));
        QCOMPARE(prompts.files[0].ext, std::string("bmp"));
        QCOMPARE(prog->Read("shot.bmp").left(2), QByteArray("BM"));
        QCOMPARE(form->RunState(), 0);
        // Cancel: nothing written, the machine runs again.
        QFile::remove(target);
        prompts.paths = {""};
        form->ActionNamed("MiPictureBmp")->trigger();
        QVERIFY(!QFile::exists(target));
        QCOMPARE(form->RunState(), 0);
        QVERIFY(prompts.Errors().isEmpty());
        // A picture that cannot be written is reported; the machine runs on.
        prompts.paths = {prog->Path("missing/shot.bmp").toStdString()};
        form->ActionNamed("MiPictureBmp")->trigger();
        QCOMPARE(prompts.Errors(), QStringList{"Save picture"});
        QCOMPARE(form->RunState(), 0);
        WaitForSlices();
    }
};

QTEST_MAIN(FormMainTest)
#include "FormMainTest.moc"
