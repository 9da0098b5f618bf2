// The main window's menus, toolbar and open routine: every item of the
// window's tables with its name, shortcut and state at start; the windows
// the commands open; files of every kind reaching their handler; the recent
// files pop-up.
#include <QtTest>

#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

#include <memory>
#include <set>

#include "common/Config.h"
#include "common/IniFile.h"
#include "common/RecentFiles.h"
#include "machine/cpu/ChipCpu8080.h"
#include "shell/FormMain.h"
#include "shell/settings/FormSettings.h"
#include "tests/qt/MainWindowFixture.h"
#include "tools/debugger/window/FormDebugger.h"
#include "tools/memrw/window/FormMemReadWrite.h"
#include "tools/tape/window/TapeBrowser.h"

namespace {

struct Item {
    const char* name;
    const char* key;  // portable text, "" none
    bool enabled;
};

// The items of the main menu with their shortcuts and state at start.
const Item kItems[] = {
    {"MiOpenTape", "Alt+F2", true},        {"MiOpenSnap", "Alt+Shift+F2", true},
    {"MiSaveSnap", "Alt+F7", true},        {"MiPictureClip", "Alt+C", true},
    {"MiPictureBmp", "", true},            {"MiPictureVRAM", "", false},
    {"MiRecordSound", "", true},           {"MiPlaybackPrc", "", true},
    {"MiCreatePrc", "", true},             {"MiContinuePrc", "", true},
    {"MiStopPrc", "", false},              {"MiShowWinPrc", "Alt+R", false},
    {"MiPoke", "", true},                  {"MiLoadFileToMem", "Alt+F11", true},
    {"MiSaveMemToFile", "Alt+Shift+F11", true}, {"MiExit", "Alt+F4", true},
    {"MiSize100", "Alt+1", true},          {"MiSize200", "Alt+2", true},
    {"MiSize300", "Alt+3", true},          {"MiSizeFull", "Alt+Return", true},
    {"MiPaused", "Alt+F3", true},          {"MiReset", "Alt+F5", true},
    {"MiHardReset", "Alt+Shift+F5", true}, {"MiSound", "Alt+F8", true},
    {"MiFocusPause", "", true},            {"MiTapeBrowser", "Alt+T", true},
    {"MiPrinterOutput", "Alt+O", true},    {"MiInsertText", "Alt+B", true},
    {"MiDebugger", "Alt+F12", true},       {"MiGeneral", "Alt+G", true},
    {"MiModel", "Alt+M", true},            {"MiSetScreen", "Alt+V", true},
    {"MiSetSound", "Alt+S", true},         {"MiControl", "Alt+K", true},
    {"MiRomModul", "Alt+R", true},              {"MiDev1", "Alt+D", true},
    {"MiDev2", "Alt+I", true},             {"MiPrinters", "Alt+L", true},
    {"MiKeyboard", "Alt+F1", true},        {"MiWebpages", "", true},
    {"MiAbout", "", true},
};

// Top-level order with separators ("-").
const char* const kFileOrder[] = {"MiOpenTape", "-", "MiOpenSnap", "MiSaveSnap", "-", "MiPicture", "-",
                                  "MiRecordSound", "-", "MiActionRecording", "-", "MiPoke", "-",
                                  "MiLoadFileToMem", "MiSaveMemToFile", "-", "MiExit"};
const char* const kToolsOrder[] = {"MiTapeBrowser", "MiPrinterOutput", "-", "MiInsertText", "-",
                                   "MiDebugger", "-", "MiSettings"};
const char* const kHelpOrder[] = {"MiKeyboard", "-", "MiWebpages", "-", "MiAbout"};
const char* const kToolBar[] = {"TBtnOpen", "-", "TBtnSaveSnap", "-", "TBtnReset", "TBtnRunPause", "-",
                                "TBtnSound", "-", "TBtnTapeBrowser", "-", "TBtnSettings", "-", "TBtnTest"};

QStringList Names(const QList<QAction*>& actions) {
    QStringList out;
    for (QAction* a : actions) {
        if (a->isSeparator())
            out << "-";
        else
            out << (a->objectName().isEmpty() && a->menu() ? a->menu()->objectName() : a->objectName());
    }
    return out;
}

// The toolbar's entries by the names of their buttons.
QStringList ButtonNames(QToolBar* bar) {
    QStringList out;
    for (QAction* a : bar->actions()) {
        QWidget* button = bar->widgetForAction(a);
        out << (a->isSeparator() ? QString("-") : button ? button->objectName() : QString());
    }
    return out;
}

template <size_t N>
QStringList List(const char* const (&names)[N]) {
    QStringList out;
    for (const char* n : names) out << n;
    return out;
}

}  // namespace

class FormMainMenusTest : public QObject {
    Q_OBJECT

    MainWindowFixture w;
    std::unique_ptr<TestProgramDir>& prog = w.prog;
    std::unique_ptr<TFormMain>& form = w.form;
    void Start() {
        w.Start();
        w.prompts.Clear();
    }
    // The enabled items that carry Alt+R.
    QStringList EnabledWithAltR() const {
        QStringList out;
        for (QAction* a : form->actions())
            if (a->isEnabled() && a->shortcuts().contains(QKeySequence(Qt::ALT | Qt::Key_R))) out << a->objectName();
        return out;
    }
    // Every box the window showed.
    QStringList Boxes() const { return w.prompts.AllTitles(); }
    QMenu* Menu(const char* name) { return form->menuBar()->findChild<QMenu*>(name); }
    // Closes the next modal window once it shows; its object name goes to shown.
    void CloseNextModal(QString* shown) {
        auto* timer = new QTimer(form.get());
        QObject::connect(timer, &QTimer::timeout, form.get(), [timer, shown] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal) return;
            timer->stop();
            timer->deleteLater();
            *shown = modal->objectName();
            modal->close();
        });
        timer->start(5);
    }

private slots:
    void cleanup() { w.Stop(); }

    void everyItemWithItsShortcutAndState() {
        Start();
        for (const Item& item : kItems) {
            QAction* a = form->ActionNamed(item.name);
            QVERIFY2(a, item.name);
            QCOMPARE(a->shortcut().toString(QKeySequence::PortableText), QString(item.key));
            QVERIFY2(a->isEnabled() == item.enabled, item.name);
        }
        QCOMPARE(Names(Menu("MiFile")->actions()), List(kFileOrder));
        QCOMPARE(Names(Menu("MiTools")->actions()), List(kToolsOrder));
        QCOMPARE(Names(Menu("MiHelp")->actions()), List(kHelpOrder));
        QCOMPARE(ButtonNames(form->findChild<QToolBar*>("ToolBar")), List(kToolBar));
        QVERIFY(!form->ActionNamed("TBtnTest")->isVisible());
        // Alt+R reaches one enabled item only: the ROM modules page.
        QCOMPARE(EnabledWithAltR(), QStringList{"MiRomModul"});
    }

    // A button that runs a menu item's command is that item's action: one
    // enabling, one shortcut, one handler; the button keeps its name, its
    // hint (also after the action changes) and its picture index.
    void buttonsShareTheActionOfTheirItem() {
        Start();
        QToolBar* bar = form->findChild<QToolBar*>("ToolBar");
        struct Case {
            const char* button;
            const char* item;
            const char* hint;
            int image;
        } cases[] = {{"TBtnSaveSnap", "MiSaveSnap", "Save snapshot... (Alt+F7)", 1},
                     {"TBtnReset", "MiReset", "Reset (Alt+F5)", 3},
                     {"TBtnTapeBrowser", "MiTapeBrowser", "Tape browser (Alt+T)", 9}};
        for (const Case& c : cases) {
            auto* button = bar->findChild<QToolButton*>(c.button);
            QVERIFY2(button, c.button);
            QAction* item = form->ActionNamed(c.item);
            QCOMPARE(button->defaultAction(), item);
            QCOMPARE(form->ActionNamed(c.button), item);
            QCOMPARE(form->ImageIndex(item), c.image);
            item->setEnabled(false);
            QVERIFY(!button->isEnabled());
            item->setEnabled(true);
            QCOMPARE(button->toolTip(), QString(c.hint));
            QVERIFY2(item->text() != button->toolTip(), c.item);  // the menu keeps its caption
        }
        // Every button carries its name, also those with actions of their own.
        for (const char* name : {"TBtnOpen", "TBtnRunPause", "TBtnSound", "TBtnSettings"}) {
            auto* button = bar->findChild<QToolButton*>(name);
            QVERIFY2(button && button->defaultAction() == form->ActionNamed(name), name);
        }
    }

    void commandsOpenTheirWindows() {
        Start();
        struct Case {
            const char* item;
            const char* window;
        } modal[] = {{"MiPoke", "FormPoke"},
                     {"MiLoadFileToMem", "FormMemReadWrite"},
                     {"MiSaveMemToFile", "FormMemReadWrite"},
                     {"MiAbout", "FormAbout"}};
        for (const Case& c : modal) {
            QString shown;
            CloseNextModal(&shown);
            form->ActionNamed(c.item)->trigger();
            QCOMPARE(shown, QString(c.window));
            QCOMPARE(form->RunState(), 0);
        }
        // The settings dialog runs through the prompt service.
        for (const char* item : {"MiGeneral", "MiPrinters"}) {
            w.prompts.dialogs.clear();
            form->ActionNamed(item)->trigger();
            QCOMPARE(w.prompts.dialogs, QStringList{"FormSettings"});
            QCOMPARE(form->RunState(), 0);
        }
        struct Floating {
            const char* item;
            const char* window;
        } floating[] = {{"MiKeyboard", "FormKeyMap"},
                        {"MiPrinterOutput", "FormPrint"},
                        {"MiTapeBrowser", "FormTapeBrowser"},
                        {"MiDebugger", "FormDebugger"}};
        for (const Floating& f : floating) {
            form->ActionNamed(f.item)->trigger();
            QWidget* w = nullptr;
            for (QWidget* top : QApplication::topLevelWidgets())
                if (top->objectName() == f.window && top->isVisible()) w = top;
            QVERIFY2(w, f.window);
        }
        form->ActionNamed("MiWebpages")->trigger();
        QCOMPARE(w.prompts.urls.size(), 1);
        QVERIFY(w.prompts.urls[0].endsWith("README.md"));
        QVERIFY(w.prompts.boxes.empty());
    }

    // With no browser to start, the page's address is told.
    void homePageWithoutABrowserIsTold() {
        Start();
        w.prompts.urlOpens = false;
        form->ActionNamed("MiWebpages")->trigger();
        QCOMPARE(w.prompts.urls.size(), 1);
        QCOMPARE(w.Infos(), QStringList{"Emulator home page"});
        const QString text = w.prompts.Texts(FakePrompts::Kind::Information).front();
        const QString page = QUrl(w.prompts.urls[0]).toLocalFile();
        QVERIFY2(!page.isEmpty() && text.endsWith("\n" + page), qPrintable(text));
    }

    void filesReachTheirHandlerByExtension() {
        Start();
        struct Case {
            const char* name;
            TFormMain::OpenKind kind;
        } cases[] = {{"a.psn", TFormMain::OpenKind::Snapshot},   {"A.PSN", TFormMain::OpenKind::Snapshot},
                     {"b.Ptp", TFormMain::OpenKind::Tape},       {"c.PMD", TFormMain::OpenKind::Tape},
                     {"d.prc", TFormMain::OpenKind::Recording},  {"e.psn.bak", TFormMain::OpenKind::Memory},
                     {"noext", TFormMain::OpenKind::Memory},     {"dir.d/file", TFormMain::OpenKind::Memory},
                     {"x.rom", TFormMain::OpenKind::Memory}};
        for (const Case& c : cases) QVERIFY2(form->KindOfFile(prog->Path(c.name).toStdString()) == c.kind, c.name);
    }

    void unknownFilesOpenTheMemoryLoadWindowFromEverySource() {
        Start();
        QVERIFY(prog->Write("data.bin", "0123456789"));
        const std::string path = prog->Path("data.bin").toStdString();
        QString shown;
        // Command line or second start.
        CloseNextModal(&shown);
        form->OnOpenFile(QString::fromStdString(path));
        QCOMPARE(shown, QString("FormMemReadWrite"));
        QCOMPARE(form->RunState(), 0);
        // The open dialog.
        w.prompts.paths = {path};
        shown.clear();
        CloseNextModal(&shown);
        form->ActionNamed("TBtnOpen")->trigger();
        QCOMPARE(shown, QString("FormMemReadWrite"));
        QCOMPARE(form->RunState(), 0);
    }

    void snapshotFromTheCommandLineLoads() {
        Start();
        w.prompts.onExec = [this](QDialog& d) {
            auto* dialog = qobject_cast<QFileDialog*>(&d);
            if (!dialog) return int(QDialog::Rejected);
            dialog->selectFile(prog->Path("s.psn"));
            return int(QDialog::Accepted);
        };
        form->SetPause(1, 1);
        form->Owner().GetCpu()->A = 0x5A;
        form->Owner().GetCpu()->PC = 0x4000;
        form->SetPause(0, 1);
        form->ActionNamed("MiSaveSnap")->trigger();
        form->SetPause(1, 1);
        form->Owner().GetCpu()->A = 0;
        form->SetPause(0, 1);
        form->OnOpenFile(prog->Path("s.psn"));
        QVERIFY(Boxes().isEmpty());
        QCOMPARE(form->RunState(), 0);
        form->SetPause(1, 1);
        QCOMPARE(form->Owner().GetCpu()->A, uint8_t(0x5A));
        // It is first in the recent list.
        QVERIFY(QString(FindChildElement(ConfigSection("Recent"), "RecentFile").text().get()).endsWith("s.psn"));
    }

    void tapeWhileEditingGoesToMemoryLoad() {
        Start();
        QVERIFY(form->KindOfFile("/t/a.ptp") == TFormMain::OpenKind::Tape);
        QVERIFY(form->TapeBrowser()->Deck().EditTapeClick(true) || form->TapeBrowser()->Deck().EditMode());
        QVERIFY(form->KindOfFile("/t/a.ptp") == TFormMain::OpenKind::Memory);
        form->TapeBrowser()->Deck().EditTapeClick(true);
    }

    void recentPopUpCaptionsAndOrder() {
        Start();
        pugi::xml_node recent = ConfigSection("Recent");
        QVERIFY(recent);
        std::vector<std::string> files;
        for (int i = 0; i < 12; ++i) {
            const QString name = QString("f%1.bin").arg(i);
            QVERIFY(prog->Write(name, "x"));
            files.push_back(prog->Path(name).toStdString());
        }
        for (auto it = files.rbegin(); it != files.rend(); ++it) AddRecentFile(*it);
        AddRecentFile(prog->Path("gone.bin").toStdString());  // no such file: dropped
        form->MiFileClick();
        QList<QAction*> items = form->RecentFilesDropdown()->actions();
        QCOMPARE(items.size(), 22);
        QCOMPARE(items[2]->text(), QString("&1  f0.bin"));
        QCOMPARE(items[10]->text(), QString("&9  f8.bin"));
        QCOMPARE(items[11]->text(), QString("&0  f9.bin"));
        QCOMPARE(items[12]->text(), QString("    f10.bin"));
        QVERIFY(items[13]->isVisible());
        for (int i = 14; i < 22; ++i) QVERIFY(!items[i]->isVisible());
        // The third entry opens and moves to the top.
        QString shown;
        CloseNextModal(&shown);
        items[4]->trigger();
        QCOMPARE(shown, QString("FormMemReadWrite"));
        form->MiFileClick();
        QCOMPARE(form->RecentFilesDropdown()->actions()[2]->text(), QString("&1  f2.bin"));
    }

    void aFailedSaveOfTheSettingsIsReported() {
        Start();
        w.prompts.onExec = [](QDialog& d) {
            auto* settings = qobject_cast<TFormSettings*>(&d);
            if (!settings) return int(QDialog::Rejected);
            settings->BtnOkClick();
            return int(QDialog::Accepted);
        };
        QVERIFY(QDir(prog->Path()).removeRecursively());  // nowhere to save to
        form->ActionNamed("MiGeneral")->trigger();
        QVERIFY(w.Errors().contains("Configuration"));
        QCOMPARE(form->RunState(), 0);
    }

    void shortcutsWorkInFullScreen() {
        Start();
        form->ActionNamed("MiSizeFull")->trigger();
        QVERIFY(!form->menuBar()->isVisible() || form->WindowSize() >= 0);
        const int before = form->RunState();
        form->ActionNamed("MiPaused")->trigger();  // Alt+F3 still reaches its item
        QCOMPARE(form->RunState(), before ^ 1);
        QVERIFY(!form->ActionNamed("MiPoke")->isEnabled());
        form->ActionNamed("MiSizeFull")->trigger();
        QVERIFY(form->ActionNamed("MiPoke")->isEnabled());
    }

    // A state that changes in full screen: the items stay off there and come
    // back as the new state says, not as they were before.
    void itemsFollowTheirStateThroughFullScreen() {
        Start();
        const std::string prc = prog->Path("full.prc").toStdString();
        w.prompts.paths = {prc};
        w.prompts.onExec = [](QDialog&) { return int(QDialog::Accepted); };  // the start panel's OK
        w.prompts.defaultAnswer = Prompts::Answer::Yes;
        form->ActionNamed("MiCreatePrc")->trigger();
        QVERIFY(form->ActionNamed("MiStopPrc")->isEnabled());
        QVERIFY(form->ActionNamed("MiShowWinPrc")->isEnabled());
        QCOMPARE(EnabledWithAltR(), QStringList{"MiShowWinPrc"});  // while recording
        form->SetScreenSize(3);
        QVERIFY(form->Owner().GetScreen()->IsFullScreen());
        form->MiStopPrcClick();  // the recording ends in full screen
        form->ShowTapeBrowserAvailable();  // as a machine built anew in full screen does
        QVERIFY(!form->ActionNamed("MiTapeBrowser")->isEnabled());
        form->SetScreenSize(form->WindowSize());
        QVERIFY(!form->ActionNamed("MiStopPrc")->isEnabled());
        QVERIFY(!form->ActionNamed("MiShowWinPrc")->isEnabled());
        QCOMPARE(EnabledWithAltR(), QStringList{"MiRomModul"});
        QVERIFY(form->ActionNamed("MiTapeBrowser")->isEnabled());
        QVERIFY(form->ActionNamed("MiPoke")->isEnabled());
        QVERIFY(w.Errors().isEmpty());
    }

    void everyNamedControlIsTranslated() {
        Start();
        IniFile ini;
        QVERIFY(ini.Load(ORVIK_SOURCE_DIR "/resources/Lang/English.ini"));
        const IniFile::Section* section = ini.FindSection("FormMain");
        QVERIFY(section);
        std::set<std::string> named;
        for (const IniFile::Entry& e : section->entries) {
            const size_t a = e.key.find('.');
            const size_t b = e.key.find('.', a + 1);
            if (a != std::string::npos && b != std::string::npos) named.insert(e.key.substr(a + 1, b - a - 1));
        }
        QStringList missing;
        for (QAction* a : form->actions()) {
            const QString n = a->objectName();
            if (n.isEmpty() || a->isSeparator() || n == "TBtnTest" || n.startsWith("MiRF")) continue;
            if ((!a->text().isEmpty() || !a->toolTip().isEmpty()) && !named.count(n.toStdString())) missing << n;
        }
        for (QMenu* m : form->menuBar()->findChildren<QMenu*>())
            if (!m->objectName().isEmpty() && !named.count(m->objectName().toStdString())) missing << m->objectName();
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(", ")));
    }
};

QTEST_MAIN(FormMainMenusTest)
#include "FormMainMenusTest.moc"
