// The poke dialog and the memory load and save window, reached from the
// main window's menu on the paused machine.
#include <QtTest>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QToolButton>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <fstream>
#include <memory>
#include <set>

#include "common/IniFile.h"
#include "machine/cpu/ChipCpu8080.h"
#include "machine/cpu/ChipMemory.h"
#include "shell/FormMain.h"
#include "tests/qt/MainWindowFixture.h"
#include "tools/memrw/window/FormMemReadWrite.h"
#include "tools/poke/window/FormPoke.h"

class FormPokeMemoryTest : public QObject {
    Q_OBJECT

    MainWindowFixture w;
    std::unique_ptr<TestProgramDir>& prog = w.prog;
    std::unique_ptr<TFormMain>& form = w.form;

    void Start() {
        w.Start();
        // Park the CPU in a loop in RAM, then let it run.
        form->SetPause(1, 1);
        ChipMemory* m = form->Owner().GetMemory();
        const uint8_t loop[] = {0xF3, 0xC3, 0x01, 0x40};  // DI; JMP 4001h
        for (int i = 0; i < 4; ++i) m->WriteByte(0x4000 + i, loop[i]);
        form->Owner().GetCpu()->PC = 0x4000;
        form->SetPause(0, 1);
    }
    template <class T>
    static T* Child(QWidget* w, const char* name) {
        T* c = w->findChild<T*>(name);
        if (!c) qWarning("missing %s", name);
        return c;
    }
    static void WhenShown(QDialog* dialog, std::function<void()> body) { MainWindowFixture::WhenShown(dialog, body); }

private slots:
    void cleanup() { w.Stop(); }

    void pokeChangesExactlyTheTickedBytesAndRunsOn() {
        Start();
        ChipMemory* m = form->Owner().GetMemory();
        m->WriteByte(0x5000, 0x11);
        m->WriteByte(0x5001, 0x22);
        TFormPoke* poke = form->FormPoke();
        WhenShown(poke, [this, poke] {
            QVERIFY(form->RunState() == 1);  // paused while the dialog is open
            auto* address = Child<QLineEdit>(poke, "MeAddress");
            auto* value = Child<QLineEdit>(poke, "MeValue");
            address->setText("#5000");
            value->setText("#AB");
            Child<QPushButton>(poke, "BtnAdd")->click();
            address->setText("#5001");
            value->setText("#CD");
            Child<QPushButton>(poke, "BtnAdd")->click();
            auto* list = Child<QListWidget>(poke, "ClbPokeList");
            QCOMPARE(list->count(), 2);
            QCOMPARE(list->item(0)->text(), QString("#5000,#AB"));
            QVERIFY(!Child<QPushButton>(poke, "BtnOK")->isEnabled());
            list->item(0)->setCheckState(Qt::Checked);
            QVERIFY(Child<QPushButton>(poke, "BtnOK")->isEnabled());
            Child<QPushButton>(poke, "BtnOK")->click();
        });
        form->ActionNamed("MiPoke")->trigger();
        QCOMPARE(form->RunState(), 0);
        form->SetPause(1, 1);
        QCOMPARE(m->ReadByte(0x5000), 0xAB);
        QCOMPARE(m->ReadByte(0x5001), 0x22);
    }

    void badValuesAreReportedAndKeepTheDialogOpen() {
        Start();
        TFormPoke* poke = form->FormPoke();
        WhenShown(poke, [poke] {
            Child<QCheckBox>(poke, "CheckHex")->click();  // decimal
            Child<QLineEdit>(poke, "MeAddress")->setText("65536");
            Child<QPushButton>(poke, "BtnAdd")->click();
            QCOMPARE(Child<QListWidget>(poke, "ClbPokeList")->count(), 0);
            QVERIFY(poke->isVisible());
            Child<QPushButton>(poke, "BtnCancel")->click();
        });
        form->ActionNamed("MiPoke")->trigger();
        QCOMPARE(w.prompts.Warnings(), QStringList{"Poke"});
        QCOMPARE(form->RunState(), 0);
    }

    void memorySavedAndLoadedBackThroughTheMenu() {
        Start();
        ChipMemory* m = form->Owner().GetMemory();
        form->SetPause(1, 1);
        for (int i = 0; i < 16; ++i) m->WriteByte(0x6000 + i, static_cast<uint8_t>(0xA0 + i));
        form->SetPause(0, 1);
        const std::string file = prog->Path("dump.bin").toStdString();
        TFormMemReadWrite* mem = form->FormMemReadWrite();
        w.prompts.paths = {file};
        WhenShown(mem, [mem] {
            QCOMPARE(mem->windowTitle(), QString("Save memory to file"));
            Child<QToolButton>(mem, "SbSelectFile")->click();
            Child<QCheckBox>(mem, "CheckHex")->setChecked(true);
            mem->CheckHexClick(true);
            Child<QLineEdit>(mem, "MeStart")->setText("#6000");
            Child<QLineEdit>(mem, "MeLength")->setText("#0010");
            Child<QPushButton>(mem, "BtnOK")->click();
        });
        form->ActionNamed("MiSaveMemToFile")->trigger();
        QCOMPARE(form->RunState(), 0);
        const QByteArray saved = prog->Read("dump.bin");
        QCOMPARE(saved.size(), 16);
        QCOMPARE(static_cast<uint8_t>(saved[15]), uint8_t(0xAF));

        // Load it 1000h higher (loading keeps a file of its own: chosen here).
        w.prompts.paths = {file};
        WhenShown(mem, [mem] {
            QCOMPARE(mem->windowTitle(), QString("Load file into memory"));
            Child<QToolButton>(mem, "SbSelectFile")->click();
            QVERIFY(!Child<QComboBox>(mem, "CbReadFrom")->isVisible());
            Child<QLineEdit>(mem, "MeStart")->setText("#7000");
            Child<QPushButton>(mem, "BtnOK")->click();
        });
        form->ActionNamed("MiLoadFileToMem")->trigger();
        form->SetPause(1, 1);
        for (int i = 0; i < 16; ++i) QCOMPARE(m->ReadByte(0x7000 + i), 0xA0 + i);
    }

    void savingOverTheRememberedFileAsksFirst() {
        Start();
        TFormMemReadWrite* mem = form->FormMemReadWrite();
        // A first save chooses the file (its dialog asked already).
        w.prompts.paths = {prog->Path("keep.bin").toStdString()};
        WhenShown(mem, [mem] {
            Child<QToolButton>(mem, "SbSelectFile")->click();
            Child<QPushButton>(mem, "BtnOK")->click();
        });
        form->ActionNamed("MiSaveMemToFile")->trigger();
        QCOMPARE(w.prompts.Questions().size(), 0);
        QVERIFY(prog->Write("keep.bin", "precious"));
        // The next save over the remembered file asks, No being the default.
        w.prompts.answers = {Prompts::Answer::No};
        WhenShown(mem, [this, mem] {
            QCOMPARE(Child<QLineEdit>(mem, "EditFile")->text(), QString("keep.bin"));
            Child<QPushButton>(mem, "BtnOK")->click();
            if (mem->isVisible()) Child<QPushButton>(mem, "BtnCancel")->click();
        });
        form->ActionNamed("MiSaveMemToFile")->trigger();
        QCOMPARE(w.prompts.Questions().size(), 1);
        QVERIFY(w.prompts.boxes.back().defaultNo);
        QCOMPARE(prog->Read("keep.bin"), QByteArray("precious"));
    }

    // A file just loaded (or preset to load) is not where a save starts:
    // each direction keeps its own last file, in the configuration too.
    void loadAndSaveKeepTheirOwnFiles() {
        Start();
        QVERIFY(prog->Write("game.bin", "program"));
        TFormMemReadWrite* mem = form->FormMemReadWrite();
        w.prompts.paths = {prog->Path("out.bin").toStdString()};
        WhenShown(mem, [mem] {
            Child<QToolButton>(mem, "SbSelectFile")->click();
            Child<QPushButton>(mem, "BtnOK")->click();
        });
        form->ActionNamed("MiSaveMemToFile")->trigger();
        mem->PresetFile(prog->Path("game.bin").toStdString());
        WhenShown(mem, [mem] {
            QCOMPARE(Child<QLineEdit>(mem, "EditFile")->text(), QString("game.bin"));
            Child<QPushButton>(mem, "BtnOK")->click();
        });
        form->ActionNamed("MiLoadFileToMem")->trigger();
        WhenShown(mem, [mem] {
            QCOMPARE(Child<QLineEdit>(mem, "EditFile")->text(), QString("out.bin"));
            Child<QPushButton>(mem, "BtnCancel")->click();
        });
        form->ActionNamed("MiSaveMemToFile")->trigger();
        QCOMPARE(prog->Read("game.bin"), QByteArray("program"));
        // Both stay for the next start.
        form.reset();
        const QByteArray config = prog->Read("Orvik.xml");
        const qsizetype at = config.indexOf("<MemReadWrite");
        const QByteArray element = config.mid(at, config.indexOf("</MemReadWrite>", at) - at);
        QVERIFY2(element.contains(">game.bin") && element.contains("<SaveFile>out.bin</SaveFile>"), element.constData());
    }

    // With no file chosen yet, OK asks for one first and does nothing when that is cancelled.
    void okWithoutAFileAsksForOne() {
        Start();
        TFormMemReadWrite* mem = form->FormMemReadWrite();
        w.prompts.paths = {""};
        WhenShown(mem, [mem] {
            QCOMPARE(Child<QLineEdit>(mem, "EditFile")->text(), QString());
            Child<QPushButton>(mem, "BtnOK")->click();
            QVERIFY(mem->isVisible());
            Child<QPushButton>(mem, "BtnCancel")->click();
        });
        form->ActionNamed("MiSaveMemToFile")->trigger();
        QCOMPARE(w.prompts.files.size(), size_t(1));
        QVERIFY(w.prompts.files[0].save);
        QVERIFY(w.prompts.boxes.empty());
    }

    void unknownFileOpensTheMemoryLoadWindowPreset() {
        Start();
        QVERIFY(prog->Write("game.xyz", "0123456789"));
        TFormMemReadWrite* mem = form->FormMemReadWrite();
        WhenShown(mem, [mem] {
            QCOMPARE(Child<QLineEdit>(mem, "EditFile")->text(), QString("game.xyz"));
            QCOMPARE(mem->Values().length, 10);
            // No radix in the configuration: decimal fields.
            QCOMPARE(Child<QLineEdit>(mem, "MeLength")->displayText(), QString("00010"));
            Child<QLineEdit>(mem, "MeStart")->setText("20480");
            Child<QPushButton>(mem, "BtnOK")->click();
        });
        form->OpenInMemoryLoadWindow(prog->Path("game.xyz").toStdString());
        QCOMPARE(form->RunState(), 0);
        form->SetPause(1, 1);
        QCOMPARE(form->Owner().GetMemory()->ReadByte(0x5009), uint8_t('9'));
    }

    // Through the open dialog: the machine runs again with its picture.
    void memoryFileFromTheOpenDialogKeepsTheScreenRunning() {
        Start();
        QVERIFY(prog->Write("game.xyz", "0123456789"));
        TFormMemReadWrite* mem = form->FormMemReadWrite();
        WhenShown(mem, [mem] {
            Child<QLineEdit>(mem, "MeStart")->setText("20480");
            Child<QPushButton>(mem, "BtnOK")->click();
        });
        w.prompts.paths = {prog->Path("game.xyz").toStdString()};
        form->TBtnOpenClick(0);
        QCOMPARE(form->RunState(), 0);
        QVERIFY(form->Owner().ScreenTimer().Enabled());
        form->SetPause(1, 1);
        QCOMPARE(form->Owner().GetMemory()->ReadByte(0x5009), uint8_t('9'));
    }

    void everyNamedControlIsTranslated() {
        Start();
        IniFile ini;
        QVERIFY(ini.Load(ORVIK_SOURCE_DIR "/resources/Lang/English.ini"));
        for (QWidget* window : {static_cast<QWidget*>(form->FormPoke()),
                                static_cast<QWidget*>(form->FormMemReadWrite())}) {
            std::set<std::string> named;
            const IniFile::Section* section = ini.FindSection(window->objectName().toStdString());
            QVERIFY(section);
            for (const IniFile::Entry& e : section->entries) {
                const size_t a = e.key.find('.');
                const size_t b = e.key.find('.', a + 1);
                if (a != std::string::npos && b != std::string::npos) named.insert(e.key.substr(a + 1, b - a - 1));
            }
            // Every named control that shows a text or a hint has a key.
            QStringList missing;
            for (QWidget* w : window->findChildren<QWidget*>()) {
                const QString n = w->objectName();
                if (n.isEmpty() || n.startsWith("qt_")) continue;
                const bool hasText = qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w) ||
                                     qobject_cast<QComboBox*>(w) || !w->toolTip().isEmpty();
                if (hasText && !named.count(n.toStdString())) missing << n;
            }
            QVERIFY2(missing.isEmpty(), qPrintable(missing.join(", ")));
        }
    }
};

QTEST_MAIN(FormPokeMemoryTest)
#include "FormPokeMemoryTest.moc"
