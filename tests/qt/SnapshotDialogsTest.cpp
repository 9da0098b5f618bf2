// Snapshot dialogs and the main window's snapshot commands.
#include <QtTest>

#include <QCheckBox>
#include <QLineEdit>

#include <memory>

#include "common/Config.h"
#include "machine/cpu/ChipCpu8080.h"
#include "machine/cpu/ChipMemory.h"
#include "shell/FormMain.h"
#include "shell/SnapDialogs.h"
#include "shell/settings/FormSettings.h"
#include "tools/debugger/window/FormDebugger.h"
#include "tests/qt/MainWindowFixture.h"

class SnapshotDialogsTest : public QObject {
    Q_OBJECT

    MainWindowFixture w;
    std::unique_ptr<TestProgramDir>& prog = w.prog;
    std::unique_ptr<TFormMain>& form = w.form;

    void Start() { w.Start(); }
    QStringList Errors() const { return w.Errors(); }
    // The snapshot dialogs (run through the fake) choose file; packed, when
    // given, gets the pack box of the save dialog as it was offered.
    void AnswerSnapDialogs(const std::string& file, int* packed = nullptr) {
        w.prompts.onExec = [file, packed](QDialog& d) {
            auto* dialog = qobject_cast<QFileDialog*>(&d);
            if (!dialog) return int(QDialog::Rejected);
            if (auto* box = dialog->findChild<QCheckBox*>("CheckSnapPack"); box && packed) *packed = box->isChecked();
            dialog->selectFile(QString::fromStdString(file));
            return int(QDialog::Accepted);
        };
    }
    void Park(uint8_t a) {
        form->SetPause(1, 1);
        ChipMemory* m = form->Owner().GetMemory();
        const uint8_t loop[] = {0xF3, 0xC3, 0x01, 0x40};
        for (int i = 0; i < 4; ++i) m->WriteByte(0x4000 + i, loop[i]);
        form->Owner().GetCpu()->PC = 0x4000;
        form->Owner().GetCpu()->A = a;
        form->SetPause(0, 1);
    }
    static void AcceptWhenShown(QFileDialog* d, const QString& path, std::function<void()> before) {
        auto* timer = new QTimer(d);
        QObject::connect(timer, &QTimer::timeout, d, [d, timer, path, before] {
            if (!d->isVisible()) return;
            timer->stop();
            before();
            d->setDirectory(QFileInfo(path).absolutePath());
            if (auto* edit = d->findChild<QLineEdit*>("fileNameEdit")) edit->setText(QFileInfo(path).fileName());
            static_cast<QDialog*>(d)->accept();
        });
        timer->start(5);
    }

private slots:
    void cleanup() { w.Stop(); }

    void saveDialogShowsTwoBoxesAndReturnsThem() {
        QTemporaryDir dir;
        TSnapSaveDialog d(nullptr, false);
        d.firstCaption = "Pack";
        d.secondCaption = "Monitor";
        d.firstCheckState = 1;
        d.secondCheckState = 0;
        AcceptWhenShown(&d, dir.path() + "/x.psn", [&d] {
            auto* first = d.findChild<QCheckBox*>("CheckSnapPack");
            auto* second = d.findChild<QCheckBox*>("CheckSnapMonitor");
            QVERIFY(first && second);
            QCOMPARE(first->text(), QString("Pack"));
            QVERIFY(first->isChecked());
            QVERIFY(!second->isChecked());
            first->setChecked(false);
            second->setChecked(true);
        });
        QVERIFY(d.Execute());
        QCOMPARE(d.firstCheckState, uint8_t(0));
        QCOMPARE(d.secondCheckState, uint8_t(1));
        QCOMPARE(QFileInfo(d.SelectedPath()).fileName(), QString("x.psn"));
    }

    void openDialogShowsOneBox() {
        QTemporaryDir dir;
        QFile f(dir.path() + "/y.psn");
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        TSnapOpenDialog d(nullptr, true);
        d.checkCaption = "Stay";
        AcceptWhenShown(&d, dir.path() + "/y.psn", [&d] {
            auto* box = d.findChild<QCheckBox*>("CheckSnapOpen");
            QVERIFY(box);
            QCOMPARE(box->text(), QString("Stay"));
            box->setChecked(true);
        });
        QVERIFY(d.Execute());
        QCOMPARE(d.checkState, uint8_t(1));
    }

    void savedSnapshotLoadsBackThroughTheCommands() {
        Start();
        Park(0x42);
        const std::string file = prog->Path("game.psn").toStdString();
        int packedDefault = -1;
        AnswerSnapDialogs(file, &packedDefault);
        form->ActionNamed("TBtnSaveSnap")->trigger();
        QCOMPARE(form->RunState(), 0);
        QCOMPARE(packedDefault, 1);
        QVERIFY(QFileInfo::exists(QString::fromStdString(file)));
        QVERIFY(Errors().isEmpty());

        Park(0x11);
        form->ActionNamed("MiOpenSnap")->trigger();
        QVERIFY(Errors().isEmpty());
        QCOMPARE(form->RunState(), 0);
        form->SetPause(1, 1);
        QCOMPARE(form->Owner().GetCpu()->A, uint8_t(0x42));
    }

    // After saving, the machine runs on unless the debugger's window is shown, also when
    // the debugger itself was let run.
    void saveRunsOnOnlyWithoutTheDebuggerWindow() {
        Start();
        const std::string file = prog->Path("d.psn").toStdString();
        AnswerSnapDialogs(file);
        form->ActionNamed("MiDebugger")->trigger();
        TFormDebugger* d = form->FormDebugger();
        QTRY_VERIFY(d->isVisible());
        d->SbRunClick(nullptr);  // run on, the window stays
        QTRY_COMPARE(form->RunState(), 0);
        QVERIFY(d->isVisible());
        form->ActionNamed("TBtnSaveSnap")->trigger();
        QVERIFY(QFileInfo::exists(QString::fromStdString(file)));
        QCOMPARE(form->RunState(), 1);
        d->close();
        QTRY_VERIFY(!d->isVisible());
        form->ActionNamed("TBtnRunPause")->trigger();  // the user runs it again
        QCOMPARE(form->RunState(), 0);
        form->ActionNamed("TBtnSaveSnap")->trigger();
        QCOMPARE(form->RunState(), 0);
        QVERIFY(Errors().isEmpty());
    }

    void settingsFollowTheSnapshotsModel() {
        Start();
        const int model = form->Owner().GetModel();
        const std::string file = prog->Path("m.psn").toStdString();
        AnswerSnapDialogs(file);
        form->ActionNamed("TBtnSaveSnap")->trigger();
        // Another model from the configuration.
        const int other = (model + 1) % 8;
        form->FormSettings()->SelectModel(other);
        form->ActionNamed("MiHardReset")->trigger();
        QCOMPARE(form->Owner().GetModel(), other);
        form->ActionNamed("MiOpenSnap")->trigger();
        QVERIFY(Errors().isEmpty());
        QCOMPARE(form->Owner().GetModel(), model);
        QCOMPARE(form->FormSettings()->SelectedModel(), model);
    }

    void badSnapshotIsReportedAndLeavesTheMachineRunningAsItWas() {
        Start();
        Park(0x33);
        QVERIFY(prog->Write("bad.psn", "PSN\x02"));
        AnswerSnapDialogs(prog->Path("bad.psn").toStdString());
        form->ActionNamed("MiOpenSnap")->trigger();
        QCOMPARE(Errors(), QStringList{"Open snapshot"});
        QCOMPARE(form->RunState(), 0);
        form->SetPause(1, 1);
        QCOMPARE(form->Owner().GetCpu()->A, uint8_t(0x33));
        QVERIFY(form->Owner().GetCpu()->PC >= 0x4000 && form->Owner().GetCpu()->PC <= 0x4003);
    }

    void failedSaveIsReportedAndNotRemembered() {
        Start();
        AnswerSnapDialogs(prog->Path("no/such/folder/x.psn").toStdString());
        form->ActionNamed("MiSaveSnap")->trigger();
        QCOMPARE(Errors(), QStringList{"Save snapshot"});
        for (pugi::xml_node n : ConfigSection("Recent").children("RecentFile"))
            QVERIFY(!QString(n.text().get()).contains("x.psn"));
    }
};

QTEST_MAIN(SnapshotDialogsTest)
#include "SnapshotDialogsTest.moc"
