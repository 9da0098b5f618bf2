// The first start without a monitor ROM: the panel over the screen names the
// model, the machine is held paused, and a ROM given through the panel's
// buttons takes the panel away and runs the machine.
#include <QtTest>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>

#include <memory>

#include "common/Config.h"
#include "common/Lang.h"
#include "machine/cpu/ChipMemory.h"
#include "shell/FirstStartPanel.h"
#include "shell/ScreenView.h"
#include "shell/FormMain.h"
#include "shell/settings/FormSettings.h"
#include "shell/romfolder/FormRomFolder.h"
#include "tests/qt/KnownRomEntry.h"
#include "tests/qt/MainWindowFixture.h"
#include "tests/qt/VideoMarkMonitor.h"

class FirstStartPanelTest : public QObject {
    Q_OBJECT

    MainWindowFixture w;
    std::unique_ptr<TestProgramDir>& prog = w.prog;
    std::unique_ptr<TFormMain>& form = w.form;
    FakePrompts& prompts = w.prompts;

    // Starts on model with no monitor ROM for any model but those edit gives one.
    void Start(const QString& model, const std::function<void(QString&)>& edit = {}) {
        w.Stop();
        w.Start(true, [&](QString& t) {
            QVERIFY(t.contains("current=\"Model-C2717\""));
            t.replace("current=\"Model-C2717\"", "current=\"" + model + "\"");
            if (edit) edit(t);
        });
        QVERIFY(!QTest::currentTestFailed());
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }
    // Model-2A boots pmd2a.rom (written now into the program folder).
    void GiveRom(QString& config) {
        QVERIFY(prog->Write("pmd2a.rom", VideoMarkMonitor(true)));
        const int at = config.indexOf("<Model-2A ");
        const int rom = config.indexOf("<RomFile/>", at);
        QVERIFY(at >= 0 && rom > at);
        config.replace(rom, 10, "<RomFile>pmd2a.rom</RomFile>");
    }
    FirstStartPanel* Panel() { return form->findChild<FirstStartPanel*>("FirstStartPanel"); }
    QString Message() { return form->findChild<QLabel*>("LabelFirstStartMessage")->text(); }
    int VideoByte(int i) {
        std::lock_guard<std::recursive_mutex> hold(form->Owner().CpuMutex);  // between two slices
        return form->Owner().GetMemory()->GetVideoRam()[i];
    }
    // Held: paused, and shown so (the run item checked, the button offers Run,
    // no LED lit), and no slice runs.
    void CheckHeld() {
        QCOMPARE(form->RunState(), 1);
        QVERIFY(form->ActionNamed("MiPaused")->isChecked());
        QCOMPARE(form->ImageIndex(form->ActionNamed("TBtnRunPause")), 4);
        QCOMPARE(form->LedState(), 0u);
        const int32_t slices = form->Owner().GetSliceCount();
        QTest::qWait(100);
        QCOMPARE(form->Owner().GetSliceCount(), slices);
    }
    // Runs the monitor: its bytes reach video RAM and the loop counts on.
    void CheckRunsTheMonitor() {
        QCOMPARE(form->RunState(), 0);
        QVERIFY(!form->ActionNamed("MiPaused")->isChecked());
        QTRY_VERIFY_WITH_TIMEOUT(VideoByte(1) == 0xAA, 10000);
        QCOMPARE(VideoByte(0), 0x55);
        const int count = VideoByte(2);
        QTRY_VERIFY_WITH_TIMEOUT(VideoByte(2) != count, 10000);
    }

private slots:
    void cleanup() { w.Stop(); }

    // The texts come from the language file; the message names the model.
    void panelNamesTheModelAndTheMachineIsHeld() {
        Start("Model-2A");
        QVERIFY(Panel());
        QTRY_VERIFY(Panel()->isVisible());
        QCOMPARE(Message(), QString("PMD 85-2A has no monitor ROM."));
        QVERIFY(form->Owner().MonitorRomMissing());
        for (const char* name : {"LabelFirstStartHint", "BtnRomFolder", "BtnFirstStartSettings"}) {
            QWidget* w = form->findChild<QWidget*>(name);
            QVERIFY2(w && w->isVisible(), name);
        }
        QCOMPARE(form->findChild<QPushButton*>("BtnRomFolder")->text(), QString("Choose a ROM folder..."));
        QCOMPARE(form->findChild<QPushButton*>("BtnFirstStartSettings")->text(), QString("Settings..."));
        QCOMPARE(form->findChild<QLabel*>("LabelFirstStartHint")->text(),
                 QString::fromStdString(LangText("FormMain", "label.LabelFirstStartHint.Caption")));
        // The panel covers the screen picture, and shows the pointer where the
        // screen hides it (full screen, the emulated mouse).
        QCOMPARE(Panel()->geometry(), form->Screen()->rect());
        form->Screen()->setCursor(Qt::BlankCursor);
        QCOMPARE(Panel()->cursor().shape(), Qt::ArrowCursor);
        form->Screen()->unsetCursor();
        form->ActionNamed("MiSize100")->trigger();
        QTRY_COMPARE(Panel()->geometry(), form->Screen()->rect());
        CheckHeld();
        // Run asked for from the menu and the toolbar: refused, and shown so.
        form->ActionNamed("MiPaused")->trigger();
        CheckHeld();
        form->ActionNamed("TBtnRunPause")->trigger();
        CheckHeld();
        form->ActionNamed("MiReset")->trigger();
        CheckHeld();
        QVERIFY(Panel()->isVisible());
    }

    // The panel reads the machine owner and asks for everything else by its
    // signals: one of its own over another screen, connected to nothing,
    // opens no dialog and leaves the window's LEDs and run state alone.
    void panelAsksThroughItsSignalsOnly() {
        Start("Model-2A");
        QTRY_VERIFY(Panel()->isVisible());
        QWidget screen;
        screen.resize(300, 200);
        FirstStartPanel panel(form->Owner(), &screen);
        QSignalSpy held(&panel, &FirstStartPanel::Held), released(&panel, &FirstStartPanel::Released),
            romFolder(&panel, &FirstStartPanel::RomFolderRequested),
            modelPage(&panel, &FirstStartPanel::ModelSettingsRequested);
        panel.Follow();
        QCOMPARE(held.count(), 1);
        QVERIFY(!panel.isHidden());
        QCOMPARE(panel.geometry(), screen.rect());
        QCOMPARE(panel.findChild<QLabel*>("LabelFirstStartMessage")->text(), QString("PMD 85-2A has no monitor ROM."));
        prompts.Clear();
        panel.findChild<QPushButton*>("BtnRomFolder")->click();
        QCOMPARE(romFolder.count(), 1);
        panel.findChild<QPushButton*>("BtnFirstStartSettings")->click();
        QCOMPARE(modelPage.count(), 1);
        QCOMPARE(held.count(), 2);  // followed after the settings
        QCOMPARE(released.count(), 0);
        QVERIFY(prompts.dialogs.isEmpty());
        QVERIFY(prompts.boxes.empty());
        QVERIFY(Panel()->isVisible());
        CheckHeld();
    }

    // Settings... opens the Model page; the monitor chosen there and OK take
    // the panel away and the machine boots it.
    void romChosenOnTheModelPageRunsTheMachine() {
        Start("Model-2A");
        QTRY_VERIFY(Panel()->isVisible());
        QVERIFY(prog->Write("pmd2a.rom", VideoMarkMonitor(true)));
        const std::string romPath = prog->Path("pmd2a.rom").toStdString();
        prompts.paths = {romPath};  // the Monitor ROM's open dialog
        int page = -1;
        prompts.AnswerDialogs<TFormSettings>([&page](TFormSettings& d) {
            page = d.ActivePage();
            d.findChild<QToolButton*>("SbMonOpen")->click();
            d.findChild<QPushButton*>("BtnOk")->click();
            return d.result();
        });
        form->findChild<QPushButton*>("BtnFirstStartSettings")->click();
        QCOMPARE(page, 1);  // the Model page
        QVERIFY(!Panel()->isVisible());
        QVERIFY(!form->Owner().MonitorRomMissing());
        CheckRunsTheMonitor();
        QVERIFY(prog->Read("Orvik.xml").contains("<RomFile>pmd2a.rom</RomFile>"));
        QVERIFY(prompts.Errors().isEmpty());
    }

    // A language chosen on the General page names the model in its words.
    void messageFollowsTheLanguage() {
        Start("Model-2A");
        QTRY_VERIFY(Panel()->isVisible());
        QVERIFY(prog->Write("Lang/Test.ini", "[FormMain]\ntext.FirstStart.Message=No ROM for %1.\n"));
        bool chosen = false;
        prompts.AnswerDialogs<TFormSettings>([&chosen](TFormSettings& d) {
            // Shown for real: the page lists the languages as it shows.
            QTimer::singleShot(0, &d, [&d, &chosen] {
                auto* combo = d.findChild<QComboBox*>("CbeLang");
                const int at = combo->findText("Test");
                chosen = at >= 0;
                if (chosen) {
                    combo->setCurrentIndex(at);
                    emit combo->activated(at);
                }
                d.findChild<QPushButton*>("BtnOk")->click();
            });
            return d.exec();
        });
        form->ActionNamed("MiGeneral")->trigger();
        QVERIFY(chosen);
        QTRY_COMPARE(Message(), QString("No ROM for PMD 85-2A."));
        QVERIFY(Panel()->isVisible());
    }

    // Cancel keeps the panel and the machine held.
    void cancelledSettingsKeepThePanel() {
        Start("Model-2A");
        QTRY_VERIFY(Panel()->isVisible());
        prompts.AnswerDialogs<TFormSettings>([](TFormSettings&) { return QDialog::Rejected; });
        form->findChild<QPushButton*>("BtnFirstStartSettings")->click();
        QVERIFY(Panel()->isVisible());
        CheckHeld();
    }

    // The ROM folder assistant's confirmed change is saved and applied: the
    // panel goes, the machine runs, and the settings dialog shows the new
    // monitor (its next OK must not write the old one back).
    void romFolderAssistantChangeIsAppliedAndKept() {
        Start("Model-2A");
        QTRY_VERIFY(Panel()->isVisible());
        QVERIFY(QDir().mkpath(prog->Path("roms")));
        QVERIFY(prog->Write("roms/pmd2a.rom", VideoMarkMonitor(true)));
        // The table knows the made-up monitor as Model-2A's (its hash computed here).
        form->FormSettings()->SetKnownRoms({KnownRomEntry("pmd2a.rom", VideoMarkMonitor(true), "monitor", "Model-2A")});
        const std::string roms = prog->Path("roms").toStdString();
        // The folder chosen, the list cancelled: nothing changes.
        prompts.paths = {roms};
        int listed = 0;
        prompts.AnswerDialogs<TFormRomFolder>([&listed](TFormRomFolder&) {
            ++listed;
            return QDialog::Rejected;
        });
        form->findChild<QPushButton*>("BtnRomFolder")->click();
        QCOMPARE(listed, 1);
        QVERIFY(Panel()->isVisible());
        QVERIFY(!prog->Read("Orvik.xml").contains("pmd2a.rom"));
        CheckHeld();
        // No folder chosen: the list is not shown.
        form->findChild<QPushButton*>("BtnRomFolder")->click();
        QCOMPARE(listed, 1);
        // Confirmed.
        prompts.paths = {roms};
        prompts.AnswerDialogs<TFormRomFolder>([&listed](TFormRomFolder& d) {
            ++listed;
            d.accept();
            return d.result();
        });
        Panel()->ChooseRomFolder();
        QCOMPARE(listed, 2);
        QVERIFY(!Panel()->isVisible());
        CheckRunsTheMonitor();
        QVERIFY(prog->Read("Orvik.xml").contains("<RomFile>roms/pmd2a.rom</RomFile>"));
        QCOMPARE(form->FormSettings()->findChild<QLineEdit*>("EditMon")->text(), QString("roms/pmd2a.rom"));
        // OK on another page keeps the monitor.
        prompts.AnswerDialogs<TFormSettings>([](TFormSettings& d) {
            d.findChild<QPushButton*>("BtnOk")->click();
            return d.result();
        });
        form->ActionNamed("MiGeneral")->trigger();
        QVERIFY(prog->Read("Orvik.xml").contains("<RomFile>roms/pmd2a.rom</RomFile>"));
        QVERIFY(!Panel()->isVisible());
        QCOMPARE(form->RunState(), 0);
        QVERIFY(prompts.Errors().isEmpty());
    }

    // The shipped start, on Consul 2717: a folder that holds another model's monitor makes
    // that model the current one, so that the panel goes and the machine boots it.
    void romFolderOnTheShippedModelSwitchesToAModelWithItsRom() {
        Start("Model-C2717");
        QTRY_VERIFY(Panel()->isVisible());
        QCOMPARE(Message(), QString("Consul 2717 has no monitor ROM."));
        QVERIFY(QDir().mkpath(prog->Path("roms")));
        QVERIFY(prog->Write("roms/pmd2a.rom", VideoMarkMonitor(true)));
        form->FormSettings()->SetKnownRoms({KnownRomEntry("pmd2a.rom", VideoMarkMonitor(true), "monitor", "Model-2A")});
        prompts.paths = {prog->Path("roms").toStdString()};
        prompts.AnswerDialogs<TFormRomFolder>([](TFormRomFolder& d) {
            d.accept();
            return d.result();
        });
        form->findChild<QPushButton*>("BtnRomFolder")->click();
        QVERIFY(!Panel()->isVisible());
        QCOMPARE(form->Owner().GetModel(), 2);
        CheckRunsTheMonitor();
        QVERIFY(prog->Read("Orvik.xml").contains("<Model current=\"Model-2A\">"));
        QVERIFY(form->FormSettings()->findChild<QRadioButton*>("RadioM2A")->isChecked());
        // The settings dialog's OK keeps the model.
        prompts.AnswerDialogs<TFormSettings>([](TFormSettings& d) {
            d.findChild<QPushButton*>("BtnOk")->click();
            return d.result();
        });
        form->ActionNamed("MiGeneral")->trigger();
        QVERIFY(prog->Read("Orvik.xml").contains("<Model current=\"Model-2A\">"));
        QCOMPARE(form->Owner().GetModel(), 2);
        QVERIFY(!Panel()->isVisible());
        QVERIFY(prompts.Errors().isEmpty());
    }

    // A snapshot saved with its monitor ROM, opened while the panel shows:
    // the panel goes and the machine runs with every timer (the hold had
    // stopped the screen and controls timers too).
    void snapshotWithItsRomTakesThePanelAway() {
        Start("Model-2A", [this](QString& t) { GiveRom(t); });
        CheckRunsTheMonitor();
        const std::string saved = prog->Path("run.psn").toStdString();
        prompts.AnswerDialogs<QFileDialog>([saved](QFileDialog& d) {
            d.findChild<QCheckBox*>("CheckSnapMonitor")->setChecked(true);  // with the monitor ROM (packed or not)
            d.selectFile(QString::fromStdString(saved));
            return QDialog::Accepted;
        });
        form->TBtnSaveSnapClick();
        const QByteArray snapshot = prog->Read("run.psn");
        QVERIFY(!snapshot.isEmpty());
        form.reset();

        Start("Model-2A");
        QTRY_VERIFY(Panel()->isVisible());
        QVERIFY(prog->Write("run.psn", snapshot));
        const std::string path = prog->Path("run.psn").toStdString();
        prompts.AnswerDialogs<QFileDialog>([path](QFileDialog& d) {
            d.findChild<QCheckBox*>("CheckSnapOpen")->setChecked(false);  // run after loading
            d.selectFile(QString::fromStdString(path));
            return QDialog::Accepted;
        });
        form->MiOpenSnapClick();
        QTRY_VERIFY(!Panel()->isVisible());
        QVERIFY(!form->Owner().MonitorRomMissing());
        CheckRunsTheMonitor();
        QVERIFY(form->Owner().ScreenTimer().Enabled());
        QVERIFY(form->findChild<QTimer*>("TimerRefreshControls")->isActive());
        QVERIFY(prompts.Errors().isEmpty());
    }

    // A model without its ROM chosen while another runs: the panel comes back
    // naming it, and the machine stops.
    void switchingToAModelWithoutRomHoldsTheMachine() {
        Start("Model-2A", [this](QString& t) { GiveRom(t); });
        QTest::qWait(50);
        QVERIFY(!Panel()->isVisible());
        CheckRunsTheMonitor();
        prompts.AnswerDialogs<TFormSettings>([](TFormSettings& d) {
            d.findChild<QRadioButton*>("RadioMC")->click();
            d.findChild<QPushButton*>("BtnOk")->click();
            return d.result();
        });
        form->ActionNamed("MiModel")->trigger();
        QTRY_VERIFY(Panel()->isVisible());
        QCOMPARE(Message(), QString("Consul 2717 has no monitor ROM."));
        CheckHeld();
    }
};

QTEST_MAIN(FirstStartPanelTest)
#include "FirstStartPanelTest.moc"
