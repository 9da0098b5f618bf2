// Main window commands and status items: pictures, clipboard text, status
// icons, mute, cold restart and the menu shortcuts.
#include <QtTest>

#include <QClipboard>
#include <QLabel>
#include <QMimeData>
#include <QRegularExpression>

#include <cstring>
#include <memory>

#include "common/Config.h"
#include "machine/cpu/ChipCpu8080.h"
#include "machine/cpu/ChipMemory.h"
#include "machine/pio/SystemPIO.h"
#include "machine/screen/ScreenDAD85.h"
#include "platform/KeyState.h"
#include "shell/FormMain.h"
#include "shell/ScreenView.h"
#include "tests/qt/FakePrompts.h"
#include "tests/qt/TestProgramDir.h"

class FormControlsTest : public QObject {
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
    int ImageIndex(const char* name) const {
        QObject* o = form->findChild<QObject*>(name);
        return o ? form->ImageIndex(o) : -100;
    }
    // Parks the CPU in a loop in RAM so it leaves the video RAM alone.
    void ParkCpu() {
        form->SetPause(1, 1);
        MachineOwner& o = form->Owner();
        o.GetMemory()->WriteByte(0x4000, 0xF3);  // DI
        o.GetMemory()->WriteByte(0x4001, 0xC3);  // JMP 4001h
        o.GetMemory()->WriteByte(0x4002, 0x01);
        o.GetMemory()->WriteByte(0x4003, 0x40);
        o.GetCpu()->PC = 0x4000;
    }

private slots:
    void cleanup() {
        form.reset();
        prog.reset();
        TFormMain::SetProgramDirOverride("");
        QGuiApplication::clipboard()->clear();
    }

    void clipboardPictureIsTheColouredScreen() {
        Start();
        ParkCpu();
        MachineOwner& o = form->Owner();
        uint8_t* vram = o.GetMemory()->GetVideoRam();
        // Stripes of every pixel pattern and colour attribute.
        for (int i = 0; i < ScreenDAD85::kVideoRamSize; ++i) vram[i] = static_cast<uint8_t>(i * 37 + (i >> 6));
        QGuiApplication::clipboard()->clear();
        form->ActionNamed("MiPictureClip")->trigger();
        QCOMPARE(form->RunState(), 0);  // runs again afterwards
        form->SetPause(1, 1);
        ScreenPicture expected;
        QVERIFY(o.GetScreen()->Render(vram, expected));
        const QImage got = QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(got.width(), expected.width);
        QCOMPARE(got.height(), expected.height);
        QCOMPARE(got.width(), ScreenDAD85::WidthOf(o.GetScreen()->GetSizeMode(), o.GetScreen()->IsWideMode()));
        const uint32_t* palette = ScreenDAD85::Palette();
        int distinct = 0;
        QRgb first = got.pixel(0, 0);
        for (int y = 0; y < expected.height; ++y)
            for (int x = 0; x < expected.width; ++x) {
                const QRgb want = palette[expected.pixels[static_cast<size_t>(y) * expected.width + x]] | 0xFF000000u;
                const QRgb have = got.pixel(x, y);
                if (have != first) distinct++;
                if (have != want)
                    QFAIL(qPrintable(QString("pixel %1,%2: %3 instead of %4").arg(x).arg(y).arg(have, 8, 16).arg(want, 8, 16)));
            }
        QVERIFY(distinct > 0);  // not a blank picture
    }

    void insertedTextUsesTheMachinesLineEnd_data() {
        QTest::addColumn<QString>("clip");
        QTest::addColumn<QString>("typed");
        QTest::newRow("LF") << "10 PRINT 1\n20 END\n" << "10 PRINT 1\r20 END\r";
        QTest::newRow("CR LF") << "RUN\r\nLIST\r\n" << "RUN\rLIST\r";
        QTest::newRow("CR") << "A\rB" << "A\rB";
        QTest::newRow("empty lines") << "A\n\nB" << "A\r\rB";
        QTest::newRow("no line end") << "PRINT 2*3" << "PRINT 2*3";
    }
    void insertedTextUsesTheMachinesLineEnd() {
        QFETCH(QString, clip);
        QFETCH(QString, typed);
        Start();
        form->SetPause(1, 1);  // no controls tick pumps the text away
        QGuiApplication::clipboard()->setText(clip);
        form->ActionNamed("MiInsertText")->trigger();
        QVERIFY(prompts.Infos().isEmpty());
        QCOMPARE(QString::fromStdU16String(form->Owner().GetSystemPio()->GetInsertText()), typed);
    }

    void insertWithoutClipboardTextOnlyInforms() {
        Start();
        form->SetPause(1, 1);
        form->Owner().GetSystemPio()->SetInsertText(u"OLD");
        auto* image = new QMimeData;
        image->setImageData(QImage(4, 4, QImage::Format_RGB32));
        QGuiApplication::clipboard()->setMimeData(image);
        form->ActionNamed("MiInsertText")->trigger();
        QCOMPARE(prompts.Infos().size(), 1);
        QCOMPARE(form->Owner().GetSystemPio()->GetInsertText(), std::u16string(u"OLD"));
    }

    void insertedReturnIsTypedAsTheReturnKey() {
        Start();
        QGuiApplication::clipboard()->setText("\n");
        form->ActionNamed("MiInsertText")->trigger();
        MachineOwner& o = form->Owner();
        SystemPIO* pio = o.GetSystemPio();
        // The running slices type it: one keyboard step every 10 slices.
        auto keyboardSteps = [&o](int n) {
            const int32_t until = o.GetSliceCount() + n * SliceRunner::kKeyboardSlices;
            QTRY_VERIFY_WITH_TIMEOUT(o.GetSliceCount() >= until, 10000);
        };
        for (int i = 0; i < 10 && !pio->GetInsertText().empty(); ++i) keyboardSteps(1);
        QVERIFY(pio->GetInsertText().empty());
        // A dropped character never presses a key; Return leaves a pause of a
        // second before the next one, so a following character still waits.
        pio->SetInsertText(u"X");
        keyboardSteps(10);
        QCOMPARE(pio->GetInsertText(), std::u16string(u"X"));
    }

    void cpuUsageLabelShowsAPercentage() {
        Start();
        auto* label = form->findChild<QLabel*>("LabelCpuUsage");
        QVERIFY(label);
        QCOMPARE(label->text(), QString("0%"));  // laid out at the first showing
        label->setText("-");
        QTRY_VERIFY_WITH_TIMEOUT(label->text() != "-", 10000);
        const QRegularExpressionMatch m = QRegularExpression("^(\\d{1,3})%$").match(label->text());
        QVERIFY2(m.hasMatch(), qPrintable(label->text()));
        QVERIFY(m.captured(1).toInt() <= 100);
        // The owner's text is shown as it stands (posted from the timer thread).
        form->ViewLink().ShowCpuUsage("42%");
        QTRY_COMPARE(label->text(), QString("42%"));
        form->UpdateWindowLayout();
        QCOMPARE(label->text(), QString("0%"));
    }

    void diskAndTapeIconsFollowTheOwner() {
        Start();
        OwnerView& v = form->ViewLink();
        QCOMPARE(ImageIndex("ImageDisk"), 0);
        QCOMPARE(ImageIndex("ImageTape"), 0);
        struct Step {
            bool disk;
            int image;
        };
        const Step steps[] = {{false, 10}, {true, 1}, {false, 11}, {true, 6}, {false, 0}, {true, 0}};
        int disk = 0, tape = 0;
        for (const Step& s : steps) {
            if (s.disk) {
                v.ShowDiskIcon(s.image);
                disk = s.image;
            } else {
                v.ShowTapeIcon(s.image);
                tape = s.image;
            }
            QCOMPARE(ImageIndex("ImageDisk"), disk);
            QCOMPARE(ImageIndex("ImageTape"), tape);
        }
    }

    void muteFollowsTheAppliedSettingsWithoutStoring() {
        Start();
        QVERIFY(!form->Muted());
        QAction* button = form->ActionNamed("TBtnSound");
        QAction* item = form->ActionNamed("MiSound");
        QVERIFY(item->isChecked());
        QCOMPARE(form->ImageIndex(button), 6);
        // The sound page applied with mute on.
        WriteAttrBool(ConfigSection("Sound"), "mute", 1);
        std::vector<int> codes{6};
        form->ApplySettings(codes);
        QVERIFY(form->Muted());
        QVERIFY(!item->isChecked());
        QCOMPARE(form->ImageIndex(button), 7);
        // Unmuting from the applier (no click) leaves the stored value alone.
        form->TBtnSoundClick(false);
        QVERIFY(!form->Muted());
        QVERIFY(item->isChecked());
        QCOMPARE(form->ImageIndex(button), 6);
        QVERIFY(ReadAttrBool(ConfigSection("Sound"), "mute", false));
        // Unmuting while paused keeps the machine paused.
        form->SetPause(1, 1);
        form->ActionNamed("MiSound")->trigger();
        form->ActionNamed("MiSound")->trigger();
        QVERIFY(!form->Muted());
        QCOMPARE(form->RunState(), 1);
        QVERIFY(!ReadAttrBool(ConfigSection("Sound"), "mute", true));
        QCOMPARE(ImageIndex("ImageSound"), 0);
    }

    void coldRestartRebuildsOnlyTheMachine() {
        Start();
        MachineOwner& o = form->Owner();
        QCOMPARE(o.GetModel(), int(kModelC2717));
        // Settings changed in the document but not applied: the cold restart
        // takes the model from it, and nothing else.
        QVERIFY(WriteAttrString(ConfigSection("Model"), "current", "Model-2A"));
        WriteAttrBool(ConfigSection("Sound"), "mute", 1);
        form->SetPause(1, 1);  // the restart runs the machine even when paused
        o.GetCpu()->PC = 0x1234;  // registers only while paused
        form->ActionNamed("MiHardReset")->trigger();
        QCOMPARE(o.GetModel(), int(kModel2A));
        QCOMPARE(int(o.GetCpu()->PC), 0);
        QCOMPARE(form->RunState(), 0);
        QVERIFY(!form->Muted());
        QCOMPARE(form->ImageIndex(form->findChild<QLabel*>("ImageModel")), int(kModel2A));
        // The screen widget shows the rebuilt machine.
        const int32_t start = o.GetSliceCount();
        QTRY_VERIFY_WITH_TIMEOUT(o.GetSliceCount() > start + 2, 10000);
        form->Screen()->repaint();

        // The same by hand: code 1 alone, then a reset.
        QVERIFY(WriteAttrString(ConfigSection("Model"), "current", "Model-3"));
        form->SetPause(1, 1);
        std::vector<int> codes{1};
        form->ApplySettings(codes);
        form->ResetMachine(1);
        QCOMPARE(o.GetModel(), int(kModel3));
        QVERIFY(o.GetCpu() && o.GetMemory() && o.GetSystemPio());
        QCOMPARE(int(o.GetCpu()->PC), 0);
        form->SetPause(0, 1);
        QTRY_VERIFY_WITH_TIMEOUT(o.GetSliceCount() > start + 4, 10000);
    }

    void coldRestartStopsTheDebuggerHoldOnlyWhenAsked() {
        Start();
        MachineOwner& o = form->Owner();
        o.DebuggerTag.store(5);
        form->MiHardResetClick();
        QCOMPARE(form->RunState(), 1);
        o.DebuggerTag.store(0);
        form->MiHardResetClick();
        QCOMPARE(form->RunState(), 0);
    }

    void focusPausingCountsOnlyTheChangeOfActivity() {
        Start();
        QAction* item = form->ActionNamed("MiFocusPause");
        QVERIFY(!item->isChecked());
        item->trigger();
        QVERIFY(item->isChecked());
        auto state = [](Qt::ApplicationState s) { Q_EMIT qApp->applicationStateChanged(s); };
        state(Qt::ApplicationActive);
        // Inactive and then hidden is one deactivation: the running machine
        // runs again on return.
        state(Qt::ApplicationInactive);
        QCOMPARE(form->RunState(), 1);
        state(Qt::ApplicationHidden);
        state(Qt::ApplicationActive);
        QCOMPARE(form->RunState(), 0);
        // A machine paused by the user stays paused.
        form->TBtnRunPauseClick();
        state(Qt::ApplicationInactive);
        state(Qt::ApplicationSuspended);
        state(Qt::ApplicationActive);
        QCOMPARE(form->RunState(), 1);
        form->TBtnRunPauseClick();
        // Unchecked: losing the focus leaves the machine alone.
        item->trigger();
        state(Qt::ApplicationInactive);
        QCOMPARE(form->RunState(), 0);
        state(Qt::ApplicationActive);
        QCOMPARE(form->RunState(), 0);
    }

    void menuShortcuts_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QKeySequence>("key");
        QTest::newRow("picture") << "MiPictureClip" << QKeySequence(Qt::ALT | Qt::Key_C);
        QTest::newRow("exit") << "MiExit" << QKeySequence(Qt::ALT | Qt::Key_F4);
        QTest::newRow("100") << "MiSize100" << QKeySequence(Qt::ALT | Qt::Key_1);
        QTest::newRow("200") << "MiSize200" << QKeySequence(Qt::ALT | Qt::Key_2);
        QTest::newRow("300") << "MiSize300" << QKeySequence(Qt::ALT | Qt::Key_3);
        QTest::newRow("full") << "MiSizeFull" << QKeySequence(Qt::ALT | Qt::Key_Return);
        QTest::newRow("paused") << "MiPaused" << QKeySequence(Qt::ALT | Qt::Key_F3);
        QTest::newRow("reset") << "MiReset" << QKeySequence(Qt::ALT | Qt::Key_F5);
        QTest::newRow("cold") << "MiHardReset" << QKeySequence(Qt::SHIFT | Qt::ALT | Qt::Key_F5);
        QTest::newRow("sound") << "MiSound" << QKeySequence(Qt::ALT | Qt::Key_F8);
        QTest::newRow("insert") << "MiInsertText" << QKeySequence(Qt::ALT | Qt::Key_B);
        QTest::newRow("bmp") << "MiPictureBmp" << QKeySequence();
        QTest::newRow("record") << "MiRecordSound" << QKeySequence();
        QTest::newRow("focus") << "MiFocusPause" << QKeySequence();
    }
    void menuShortcuts() {
        QFETCH(QString, name);
        QFETCH(QKeySequence, key);
        if (!form) Start();
        QAction* a = form->ActionNamed(qPrintable(name));
        QVERIFY(a);
        QCOMPARE(a->shortcut(), key);
        QVERIFY(a->isEnabled());
        // Only the emulation and view shortcuts survive full screen.
        const bool keepsInFullScreen = name.startsWith("MiSize") || name == "MiPaused" || name == "MiReset" ||
                                       name == "MiHardReset" || name == "MiSound" || name == "MiFocusPause";
        form->SetScreenSize(3);
        QVERIFY(form->Owner().GetScreen()->IsFullScreen());
        QCOMPARE(a->isEnabled(), keepsInFullScreen);
        form->SetScreenSize(form->WindowSize());
        QVERIFY(a->isEnabled());
    }

    void shortcutKeysReachTheCommands() {
        Start();
        form->activateWindow();
        if (!QTest::qWaitForWindowActive(form.get())) QSKIP("the window cannot be made active here");
        QTest::keyClick(form.get(), Qt::Key_F3, Qt::AltModifier);
        QCOMPARE(form->RunState(), 1);
        QTest::keyClick(form.get(), Qt::Key_F3, Qt::AltModifier);
        QCOMPARE(form->RunState(), 0);
        QTest::keyClick(form.get(), Qt::Key_F8, Qt::AltModifier);
        QVERIFY(form->Muted());
        form->SetPause(1, 1);
        QTest::keyClick(form.get(), Qt::Key_F5, Qt::AltModifier);
        QCOMPARE(form->RunState(), 0);  // reset runs the machine
        QVERIFY(WriteAttrString(ConfigSection("Model"), "current", "Model-2A"));
        QTest::keyClick(form.get(), Qt::Key_F5, Qt::AltModifier | Qt::ShiftModifier);
        QCOMPARE(form->Owner().GetModel(), int(kModel2A));
        QGuiApplication::clipboard()->setText("A\nB");
        form->SetPause(1, 1);
        QTest::keyClick(form.get(), Qt::Key_B, Qt::AltModifier);
        QCOMPARE(form->Owner().GetSystemPio()->GetInsertText(), std::u16string(u"A\rB"));
    }
};

QTEST_MAIN(FormControlsTest)
#include "FormControlsTest.moc"
