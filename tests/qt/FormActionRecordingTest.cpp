// The action-recording window and the main window's recording commands.
#include <QtTest>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>

#include <memory>
#include <mutex>

#include <QAbstractButton>

#include <set>

#include "common/Config.h"
#include "common/IniFile.h"
#include "ui/LangWindows.h"
#include "machine/cpu/ChipCpu8080.h"
#include "machine/cpu/ChipMemory.h"
#include "machine/recording/Recording.h"
#include "machine/recording/RecordingSession.h"
#include "shell/FormMain.h"
#include "shell/recording/FormActionRecording.h"
#include "tests/qt/FakePrompts.h"
#include "tests/qt/TestProgramDir.h"

class FormActionRecordingTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestProgramDir> prog;
    FakePrompts prompts;
    std::unique_ptr<TFormMain> form;
    QStringList Errors() const { return prompts.Errors(); }
    QStringList Questions() const { return prompts.Questions(); }
    // The start panel of a new recording is answered OK from the present
    // state; panels counts its showings.
    void AnswerStartPanel(int* panels) {
        prompts.onExec = [panels](QDialog& d) {
            auto* panel = qobject_cast<TFormActionRecording*>(&d);
            if (!panel) return int(QDialog::Rejected);
            ++*panels;
            return !panel->StartFromSnapshot() ? int(QDialog::Accepted) : int(QDialog::Rejected);
        };
    }

    void Start() {
        prog = std::make_unique<TestProgramDir>();
        QVERIFY(prog->Make());
        TFormMain::SetProgramDirOverride(prog->Path().toStdString());
        prompts = FakePrompts();
        form = std::make_unique<TFormMain>(prompts);
        QCOMPARE(ApplicationTag, 0);
        form->show();
        QVERIFY(!form->FirstShowPending());
        prompts.Clear();
    }
    // At 4000h: DI; IN 85h three times; HLT. Left paused there.
    void Park() {
        form->SetPause(1, 1);
        ChipMemory* m = form->Owner().GetMemory();
        const uint8_t program[] = {0xF3, 0xDB, 0x85, 0xDB, 0x85, 0xDB, 0x85, 0x76};
        for (int i = 0; i < 8; ++i) m->WriteByte(0x4000 + i, program[i]);
        form->Owner().GetCpu()->PC = 0x4000;
        form->Owner().GetCpu()->Halt = 0;
    }
    ChipCpu8080& Cpu() { return *form->Owner().GetCpu(); }
    // Read between two slices: the CPU thread writes the flag inside a slice.
    bool Halted() {
        std::lock_guard<std::recursive_mutex> hold(form->Owner().CpuMutex);
        return Cpu().Halt == 1;
    }

private slots:
    void cleanup() {
        form.reset();
        prog.reset();
        TFormMain::SetProgramDirOverride("");
    }

    void startPanelRefusesOkWithoutASnapshotFile() {
        TFormActionRecording w;
        FakePrompts boxes;
        w.SetPrompts(boxes);
        QCOMPARE(w.objectName(), QString("FormActionRecording"));
        auto* current = w.findChild<QRadioButton*>("RbCurrentPos");
        auto* fromSnap = w.findChild<QRadioButton*>("RbFromExistSnap");
        auto* edit = w.findChild<QLineEdit*>("EditSnapFile");
        QVERIFY(current && fromSnap && edit && w.findChild<QWidget*>("PanelCreatePRC") &&
                w.findChild<QWidget*>("PanelRecording") && w.findChild<QScrollArea*>("ScrlBoxRecording") &&
                w.findChild<QLabel*>("LblRolback") && w.findChild<QLabel*>("LblStop"));
        QVERIFY(current->isChecked());
        QVERIFY(!edit->isEnabled());
        w.ShowStartPanel(true);
        w.show();
        fromSnap->click();
        QVERIFY(edit->isEnabled());
        w.done(QDialog::Accepted);
        QCOMPARE(boxes.Errors().size(), 1);
        QVERIFY(w.isVisible());  // refused
        current->click();
        QVERIFY(!edit->isEnabled());
        w.done(QDialog::Accepted);
        QVERIFY(!w.isVisible());
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QCOMPARE(boxes.Errors().size(), 1);
        // The file button fills the field with the chosen file.
        fromSnap->click();
        boxes.paths = {"/tmp/some.psn"};
        w.SbSelectSnapFileClick();
        QCOMPARE(edit->text(), QString("/tmp/some.psn"));
        QVERIFY(w.StartFromSnapshot());
    }

    void englishFileCoversTheWindow() {
        TFormActionRecording w;
        IniFile ini;
        QVERIFY(ini.Load(ORVIK_SOURCE_DIR "/resources/Lang/English.ini"));
        const IniFile::Section* section = ini.FindSection("FormActionRecording");
        QVERIFY(section);
        std::set<std::string> named;
        for (const IniFile::Entry& e : section->entries) {
            const size_t a = e.key.find('.');
            const size_t b = e.key.find('.', a + 1);
            if (a != std::string::npos && b != std::string::npos) named.insert(e.key.substr(a + 1, b - a - 1));
            QVERIFY(ApplyLangKey(&w, e.key, e.value));
        }
        QStringList missing;
        for (QWidget* c : w.findChildren<QWidget*>()) {
            const QString n = c->objectName();
            if (n.isEmpty() || n.startsWith("qt_")) continue;
            const bool hasText = qobject_cast<QLabel*>(c) || qobject_cast<QAbstractButton*>(c) || !c->toolTip().isEmpty();
            if (hasText && !named.count(n.toStdString())) missing << n;
        }
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(", ")));
        QCOMPARE(w.findChild<QRadioButton*>("RbCurrentPos")->text(), QString("from the current state"));
        QCOMPARE(w.windowTitle(), QString("Action recording"));
        for (const char* key : {"err.SnapFile.Title", "err.SnapFile.Message", "text.OpenSnapDlg.Title",
                                "text.OpenSnapDlg.FilterSnap"})
            QVERIFY(!ini.ReadString("FormActionRecording", key).empty());
        for (const char* key : {"err.CreatePrcDlg.Title", "err.CreatePrcDlg.Message", "err.OpenPrcDlg.Title",
                                "err.OpenPrcDlg.Message", "err.ClosePrc.Title", "err.ClosePrc.Message", "text.ClosePrc.Title", "text.ClosePrc.Message",
                                "text.OpenFileDlg.FilterPrc", "text.OpenFileDlg.Title", "text.SaveFileDlg.Title"})
            QVERIFY(!ini.ReadString("FormMain", key).empty());
    }

    void continueShowsOneThumbnailPerSnapshotAndAsksOnOpen() {
        Start();
        Park();
        const std::string prc = prog->Path("three.prc").toStdString();
        {
            // Three snapshot blocks, the last one at the end, written by the session.
            RecordingSession& session = form->PrcSession();
            QCOMPARE(session.Create(prc, ""), 0);
            for (int i = 0; i < 2; ++i) {
                form->SetPause(0, 1);
                QTRY_VERIFY(Halted());
                form->SetPause(1, 1);
                Cpu().PC = 0x4000;
                Cpu().Halt = 0;
                QVERIFY(session.AddSavePoint());
            }
            session.Close(false);  // nothing since the last save point: no fourth
        }
        prompts.paths = {prc};
        form->ActionNamed("MiContinuePrc")->trigger();
        QVERIFY(Errors().isEmpty());
        QVERIFY(form->PrcSession().IsRecording());
        TFormActionRecording* window = form->FormActionRecording();
        QCOMPARE(window->ThumbnailCount(), 3);
        for (int i = 0; i < 3; ++i) QCOMPARE(window->Thumbnail(i)->geometry().left(), 10 + 154 * i);
        QScrollBar* bar = window->Strip()->horizontalScrollBar();
        QCOMPARE(bar->value(), bar->maximum());
        QVERIFY(bar->maximum() > 0);
        window->AddThumbnail();  // one per snapshot already
        QCOMPARE(window->ThumbnailCount(), 3);

        // Opening a recording while recording asks the close question first.
        prompts.answers = {Prompts::Answer::Yes};  // Yes: compact
        form->OpenPrcFile(prc);
        QCOMPARE(Questions().size(), 1);
        QVERIFY(form->PrcSession().IsLinked());
        QCOMPARE(form->PrcSession().GetState(), int(Recording::StatePlayingBack));
        form->ActionNamed("MiStopPrc")->trigger();
        // Compacted: the start and the actions, no save points.
        Recording r(prc, Recording::ModePlayback, nullptr);
        QCOMPARE(r.GetSnapshotCount(), 1);
    }

    // The position is written at every closing: OK and Cancel of the start
    // panel and the main window's hiding, not only the close button.
    void positionIsWrittenAtEveryClosing() {
        QFETCH(int, way);
        Start();
        pugi::xml_node element = ConfigSection("ActionRecording");
        TFormActionRecording w;
        w.ShowStartPanel(way != 2);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QRect desk = w.screen()->availableGeometry();
        w.move(desk.left() + 37, desk.top() + 41);
        WriteAttrInt(element, "x", -1);
        WriteAttrInt(element, "y", -1);
        if (way == 0) w.done(QDialog::Accepted);
        if (way == 1) w.done(QDialog::Rejected);
        if (way == 2) w.hide();
        QVERIFY(!w.isVisible());
        QCOMPARE(ReadAttrInt(element, "x", -1), w.pos().x());
        QCOMPARE(ReadAttrInt(element, "y", -1), w.pos().y());
    }
    void positionIsWrittenAtEveryClosing_data() {
        QTest::addColumn<int>("way");
        QTest::newRow("OK") << 0;
        QTest::newRow("Cancel") << 1;
        QTest::newRow("hidden by the main window") << 2;
    }

    void firstShowingKeepsTheWindowOnTheScreen() {
        Start();
        pugi::xml_node element = ConfigSection("ActionRecording");
        WriteAttrInt(element, "x", -50);
        WriteAttrInt(element, "y", 20);
        TFormActionRecording w;
        w.ShowStartPanel(false);
        w.show();
        QCOMPARE(w.pos().x(), w.screen()->availableGeometry().left());
        w.move(w.screen()->availableGeometry().left() + 30, w.screen()->availableGeometry().top() + 40);
        w.close();
        QCOMPARE(ReadAttrInt(element, "x", 0), w.pos().x());
        QCOMPARE(ReadAttrInt(element, "y", 0), w.pos().y());
    }

    void createAddSnapshotRollBackStopAndPlayBack() {
        Start();
        Park();
        const std::string prc = prog->Path("run.prc").toStdString();
        prompts.paths = {prc};
        int panels = 0;
        AnswerStartPanel(&panels);
        prompts.answers = {Prompts::Answer::No};  // No: the file ends with a snapshot of the final state
        form->ActionNamed("MiCreatePrc")->trigger();
        QCOMPARE(panels, 1);
        QVERIFY(Errors().isEmpty());
        RecordingSession& session = form->PrcSession();
        QVERIFY(session.IsRecording());
        QVERIFY(session.IsLinked());
        TFormActionRecording* window = form->FormActionRecording();
        QVERIFY(window->isVisible());
        QCOMPARE(window->ThumbnailCount(), 1);
        QCOMPARE(window->Thumbnail(0)->geometry(), QRect(10, 10, 144, 128));
        QVERIFY(!window->Thumbnail(0)->pixmap().isNull());
        QCOMPARE(form->RunState(), 1);  // paused until the user runs it
        // ...and the window says so, until it runs.
        QVERIFY(window->PausedShown());
        QCOMPARE(window->findChild<QLabel*>("LblPaused")->text(), QString("Paused: Alt+F3 runs the machine"));  // the English file
        QVERIFY(window->rect().contains(window->findChild<QLabel*>("LblPaused")->geometry()));
        QVERIFY(form->ActionNamed("MiStopPrc")->isEnabled());
        QVERIFY(form->ActionNamed("MiShowWinPrc")->isEnabled());
        QCOMPARE(form->SoundTag() & 0xFFFF, TFormMain::kSoundTagActionRecording);

        // Run to the HLT: three IN bytes recorded.
        form->SetPause(0, 1);
        QVERIFY(!window->PausedShown());
        QTRY_VERIFY(Halted());
        QTest::keyRelease(form.get(), Qt::Key_Insert, Qt::AltModifier);
        QCOMPARE(window->ThumbnailCount(), 2);
        QCOMPARE(window->Thumbnail(1)->geometry(), QRect(164, 10, 144, 128));
        QCOMPARE(session.GetRecording()->GetSnapshotCount(), 2);

        // Right after the save point: it goes away with its thumbnail, and the
        // machine is back at the start, paused.
        QTest::keyRelease(form.get(), Qt::Key_Delete, Qt::AltModifier);
        QCOMPARE(window->ThumbnailCount(), 1);
        QCOMPARE(session.GetRecording()->GetSnapshotCount(), 1);
        QCOMPARE(form->RunState(), 1);
        QVERIFY(window->PausedShown());
        QCOMPARE(Cpu().PC, uint16_t(0x4000));
        QCOMPARE(Cpu().Halt, uint8_t(0));

        // Run again, then stop: asked, answered No.
        form->SetPause(0, 1);
        QTRY_VERIFY(Halted());
        form->ActionNamed("MiStopPrc")->trigger();
        QCOMPARE(Questions().size(), 1);
        QVERIFY(!session.IsOpen());
        QVERIFY(!window->isVisible());
        QVERIFY(!form->ActionNamed("MiStopPrc")->isEnabled());
        QCOMPARE(form->SoundTag(), 0);
        {
            Recording r(prc, Recording::ModePlayback, nullptr);
            QCOMPARE(r.GetState(), int(Recording::StatePlayingBack));
            QCOMPARE(r.GetSnapshotCount(), 2);  // the start and the final state
            QCOMPARE(r.GetBlockList().size(), size_t(3));
        }

        // Play back: from the start, the machine runs to the HLT again.
        prompts.paths = {prc};
        form->ActionNamed("MiPlaybackPrc")->trigger();
        QVERIFY(Errors().isEmpty());
        QVERIFY(session.IsLinked());
        QCOMPARE(session.GetState(), int(Recording::StatePlayingBack));
        QCOMPARE(form->SoundTag() & 0xFFFF, TFormMain::kSoundTagActionPlayback);
        QVERIFY(form->ActionNamed("MiStopPrc")->isEnabled());
        QVERIFY(!window->isVisible());
        QCOMPARE(form->RunState(), 0);
        QTRY_VERIFY(Halted());
        // Alt+Insert does nothing during playback.
        QTest::keyRelease(form.get(), Qt::Key_Insert, Qt::AltModifier);
        QCOMPARE(window->ThumbnailCount(), 1);
        form->ActionNamed("MiStopPrc")->trigger();
        QCOMPARE(Questions().size(), 1);  // no question for a playback
        QVERIFY(!session.IsOpen());
        QCOMPARE(Cpu().Recording, nullptr);

        // Opening a file that is not a recording: its box, nothing stays open.
        QVERIFY(prog->Write("bad.prc", "PRX"));
        form->OpenPrcFile(prog->Path("bad.prc").toStdString());
        QCOMPARE(Errors().size(), 1);
        QVERIFY(!session.IsOpen());
        QVERIFY(!form->ActionNamed("MiStopPrc")->isEnabled());
    }

    void aCompactionThatFailsIsReported() {
        Start();
        Park();
        const std::string prc = prog->Path("blocked.prc").toStdString();
        prompts.paths = {prc};
        int panels = 0;
        AnswerStartPanel(&panels);
        form->ActionNamed("MiCreatePrc")->trigger();
        QVERIFY(form->PrcSession().IsRecording());
        form->SetPause(0, 1);
        QTRY_VERIFY(Halted());
        // The recording's name now stands for a folder: the compacted copy cannot replace it.
        QVERIFY(QFile::rename(QString::fromStdString(prc), prog->Path("moved.prc")));
        QVERIFY(QDir().mkdir(QString::fromStdString(prc)));
        prompts.answers = {Prompts::Answer::Yes};  // Yes: compact
        form->ActionNamed("MiStopPrc")->trigger();
        QVERIFY(!form->PrcSession().IsOpen());
        QCOMPARE(Errors(), QStringList{QString("Action recording")});
    }
};

QTEST_MAIN(FormActionRecordingTest)
#include "FormActionRecordingTest.moc"
