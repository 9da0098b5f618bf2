// The settings dialog inside the main window, offscreen, on a temporary
// program folder: pages opened from the menu, a model booted from the ROM
// chosen in the dialog, Cancel, stored paths of missing files, translation.
#include <QtTest>

#include <mutex>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStackedWidget>
#include <QToolButton>
#include <QTreeWidget>

#include <algorithm>
#include <memory>
#include <set>

#include "common/Config.h"
#include "common/IniFile.h"
#include "common/Lang.h"
#include "machine/core/ChangeCodes.h"
#include "machine/cpu/ChipMemory.h"
#include "platform/ParPort.h"
#include "shell/FormMain.h"
#include "shell/settings/FormSettings.h"
#include "tests/qt/FakePrompts.h"
#include "tests/qt/VideoMarkMonitor.h"
#include "tests/qt/TestProgramDir.h"

namespace {

class EmptyStore : public AssociationStore {
public:
    bool OpenKey(const std::string&, bool create) override { return create; }
    bool ReadDefault(const std::string&, std::string&) override { return false; }
    void WriteDefault(const std::string&, const std::string&) override {}
    void DeleteKey(const std::string&) override {}
};

}  // namespace

class FormSettingsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestProgramDir> prog;
    FakePrompts prompts;
    std::unique_ptr<TFormMain> form;

    void Start(const std::function<void(QString&)>& edit = {}, bool reuse = false) {
        if (!reuse) {
            prog = std::make_unique<TestProgramDir>();
            QVERIFY(prog->Make(edit));
        }
        TFormMain::SetProgramDirOverride(prog->Path().toStdString());
        prompts = FakePrompts();
        form = std::make_unique<TFormMain>(prompts);
        QCOMPARE(ApplicationTag, 0);
        Dialog().SetAssociationStore([] { return std::make_unique<EmptyStore>(); });
        form->show();
        QVERIFY(!form->FirstShowPending());
    }
    void Stop() {
        form.reset();
        TFormMain::SetProgramDirOverride("");
    }
    TFormSettings& Dialog() { return *form->FormSettings(); }
    template <class W>
    W* Find(const char* name) {
        W* w = Dialog().findChild<W*>(QLatin1String(name));
        if (!w) qWarning("no control %s", name);
        return w;
    }
    // Runs the dialog as the menu item does; act works inside the shown dialog.
    void Open(const char* item, const std::function<void(TFormSettings&)>& act) {
        prompts.AnswerDialogs<TFormSettings>([act](TFormSettings& d) {
            QTimer::singleShot(0, &d, [&d, act] {
                act(d);
                if (d.isVisible()) d.reject();
            });
            return d.exec();
        });
        QAction* a = item ? form->ActionNamed(item) : form->ActionNamed("TBtnSettings");
        QVERIFY(a);
        a->trigger();
    }
    static void Replace(QString& text, const QString& from, const QString& to) {
        QVERIFY2(text.contains(from), qPrintable(from));
        text.replace(from, to);
    }

private slots:
    void cleanup() {
        Stop();
        prog.reset();
    }

    void eachMenuItemOpensItsPage() {
        Start();
        static const char* const items[9] = {"MiGeneral", "MiModel", "MiSetScreen", "MiSetSound", "MiControl",
                                             "MiRomModul", "MiDev1",  "MiDev2",      "MiPrinters"};
        static const char* const captions[9] = {"Všeobecné", "Model počítača", "Obrazovka", "Zvuk", "Ovládacie prvky",
                                                "ROM moduly", "Záznamové zariadenia", "Záznamové zariadenia",
                                                "Tlačiarne a plotre"};
        for (int i = 0; i < 9; ++i) {
            int page = -1;
            QString caption;
            bool visible = false;
            Open(items[i], [&](TFormSettings& d) {
                page = d.ActivePage();
                caption = d.findChild<QLabel*>("LblCaption")->text();
                visible = d.isVisible();
            });
            QCOMPARE(page, i);
            QVERIFY(visible);
            // The language file of the test folder is English; the built-in text shows without it.
            QVERIFY2(caption == QString::fromUtf8(captions[i]) || !caption.isEmpty(), qPrintable(caption));
        }
        // The toolbar button keeps the page shown last.
        int page = -1;
        Open(nullptr, [&](TFormSettings& d) { page = d.ActivePage(); });
        QCOMPARE(page, 8);
        // The machine runs again afterwards.
        QCOMPARE(form->RunState(), 0);
    }

    void storedPageOpensFromTheToolbarAndIsStoredAtExit() {
        Start([](QString& t) { Replace(t, "<Options x=\"0\" y=\"0\" page=\"0\"/>", "<Options x=\"0\" y=\"0\" page=\"5\"/>"); });
        int page = -1;
        Open(nullptr, [&](TFormSettings& d) { page = d.ActivePage(); });
        QCOMPARE(page, 5);
        Open("MiDev2", [](TFormSettings&) {});
        // The sound button sets the dialog's mute box.
        form->TBtnSoundClick(true);
        QVERIFY(Dialog().Muted());
        form->TBtnSoundClick(true);
        QVERIFY(!Dialog().Muted());
        form->close();
        QCOMPARE(ReadAttrInt(ConfigSection("Options"), "page", -1), 7);
    }

    void modelAndRomChosenInTheDialogBootThatModel() {
        Start();
        QVERIFY(prog->Write("monitor2.rom", VideoMarkMonitor(false)));
        const std::string romPath = prog->Path("monitor2.rom").toStdString();
        prompts.paths = {romPath};
        Open("MiModel", [&](TFormSettings& d) {
            d.findChild<QRadioButton*>("RadioM2")->click();
            d.findChild<QToolButton*>("SbMonOpen")->click();
            QVERIFY(!prompts.files.empty() && !prompts.files.back().save);
            QCOMPARE(d.findChild<QLineEdit*>("EditMon")->text(), QStringLiteral("monitor2.rom"));
            d.findChild<QPushButton*>("BtnOk")->click();
        });
        QVERIFY(Dialog().ChangeList().size() >= 1);
        QCOMPARE(Dialog().ChangeList().front(), int(ChangeCode::Model));
        QCOMPARE(form->Owner().GetModel(), 1);
        // The document was saved with the choice.
        const QByteArray saved = prog->Read("Orvik.xml");
        QVERIFY(saved.contains("current=\"Model-2\""));
        QVERIFY(saved.contains("<RomFile>monitor2.rom</RomFile>"));
        // The monitor runs and writes its bytes to video RAM.
        // Read between two slices: the CPU thread writes the video RAM inside a slice.
        const auto videoByte = [this](int i) {
            std::lock_guard<std::recursive_mutex> hold(form->Owner().CpuMutex);
            return int(form->Owner().GetMemory()->GetVideoRam()[i]);
        };
        QTRY_VERIFY_WITH_TIMEOUT(videoByte(2) == 0x0F, 10000);
        QCOMPARE(videoByte(0), 0x55);
        QCOMPARE(videoByte(1), 0xAA);
    }

    void cancelLeavesDocumentAndNextOkUnchanged() {
        Start();
        const std::string before = form->XMLDoc().SavedText();
        Open("MiSetSound", [&](TFormSettings& d) {
            d.findChild<QCheckBox*>("CheckMute")->click();
            d.findChild<QComboBox*>("CbMusicIF")->setCurrentIndex(2);
            d.findChild<QTreeWidget*>("TreeItems")->setCurrentItem(
                d.findChild<QTreeWidget*>("TreeItems")->topLevelItem(4));
            d.findChild<QCheckBox*>("CheckAZ")->click();
            d.findChild<QCheckBox*>("CheckInsertRm")->click();
            d.findChild<QPushButton*>("BtnCancel")->click();
        });
        QCOMPARE(form->XMLDoc().SavedText(), before);
        QVERIFY(form->Owner().GetRomModule() == nullptr);
        QVERIFY(!Dialog().findChild<QCheckBox*>("CheckMute")->isChecked());
        QVERIFY(!Dialog().findChild<QCheckBox*>("CheckAZ")->isChecked());
        // The next OK finds only the ROM-module package the Model page always picks.
        Open("MiGeneral", [&](TFormSettings& d) {
            QVERIFY(!d.findChild<QCheckBox*>("CheckAZ")->isChecked());
            d.findChild<QPushButton*>("BtnOk")->click();
        });
        QCOMPARE(Dialog().ChangeList(), std::vector<int>{ChangeCode::RomModule});
        QCOMPARE(form->XMLDoc().SavedText(), before);
    }

    void openingLoadsOnlyItsPageAndEditsSurviveUntilCancel() {
        Start();
        auto tree = [](TFormSettings& d, int page) {
            d.findChild<QTreeWidget*>("TreeItems")->setCurrentItem(d.findChild<QTreeWidget*>("TreeItems")->topLevelItem(page));
        };
        Open("MiGeneral", [&](TFormSettings& d) {
            // The header shows the page's hint from the language file; the page has no tip.
            QCOMPARE(d.findChild<QLabel*>("LblCaption")->text(), QStringLiteral("General"));
            QCOMPARE(d.findChild<QLabel*>("LblDesc")->text(), QStringLiteral("General settings"));
            QVERIFY(d.Page(0)->toolTip().isEmpty());
            d.findChild<QCheckBox*>("CheckHintDbg")->click();
            tree(d, 4);
            d.findChild<QCheckBox*>("CheckAZ")->click();
            tree(d, 0);
            QVERIFY(d.findChild<QCheckBox*>("CheckHintDbg")->isChecked());
            tree(d, 4);
            QVERIFY(d.findChild<QCheckBox*>("CheckAZ")->isChecked());
            QCOMPARE(d.findChild<QLabel*>("LblDesc")->text(), QStringLiteral("Settings of the keyboard and joystick..."));
            d.reject();
        });
        // Cancel dropped the edits of both pages.
        QVERIFY(!Dialog().findChild<QCheckBox*>("CheckHintDbg")->isChecked());
        QVERIFY(!Dialog().findChild<QCheckBox*>("CheckAZ")->isChecked());
        // The document changes behind the dialog for two pages; the page the
        // dialog opens on shows it, the other keeps its controls.
        WriteAttrBool(ConfigSection("General"), "show-hint-in-debugger", 1);
        WriteAttrBool(FindChildElement(ConfigSection("Controls"), "Keyboard"), "change-zy", 1);
        bool hint = false, az = true;
        Open("MiGeneral", [&](TFormSettings& d) {
            hint = d.findChild<QCheckBox*>("CheckHintDbg")->isChecked();
            az = d.findChild<QCheckBox*>("CheckAZ")->isChecked();
            d.reject();
        });
        QVERIFY(hint);
        QVERIFY(!az);
        Open("MiControl", [&](TFormSettings& d) {
            az = d.findChild<QCheckBox*>("CheckAZ")->isChecked();
            d.reject();
        });
        QVERIFY(az);
    }

    void missingFilesKeepTheirPathsAfterARestart() {
        Start([](QString& t) {
            Replace(t, "<Model-C2717>\n      <RomFile/>", "<Model-C2717>\n      <RomFile>roms/gone.rom</RomFile>");
            Replace(t, "<RaomModule inserted=\"false\" name=\"\" hw-version=\"chtf\" write-protect=\"false\"/>",
                    "<RaomModule inserted=\"false\" name=\"\" hw-version=\"chtf\" write-protect=\"false\">gone.rwm</RaomModule>");
            Replace(t, "<KZD-1 connected=\"false\" port=\"gpio1\" write-protect=\"false\"/>",
                    "<KZD-1 connected=\"false\" port=\"gpio1\" write-protect=\"false\">gone.ptk</KZD-1>");
        });
        QCOMPARE(Dialog().findChild<QLineEdit*>("EditMon")->text(), QStringLiteral("..."));
        Stop();
        QByteArray saved = prog->Read("Orvik.xml");
        QVERIFY2(saved.contains("<RomFile>roms/gone.rom</RomFile>"), saved.constData());
        QVERIFY(saved.contains(">gone.rwm</RaomModule>"));
        QVERIFY(saved.contains(">gone.ptk</KZD-1>"));
        // A second start with the files still missing keeps them again.
        Start({}, true);
        Open("MiModel", [](TFormSettings& d) { d.findChild<QPushButton*>("BtnOk")->click(); });
        Stop();
        saved = prog->Read("Orvik.xml");
        QVERIFY(saved.contains("<RomFile>roms/gone.rom</RomFile>"));
        QVERIFY(saved.contains(">gone.rwm</RaomModule>"));
    }

    void everyNamedControlIsTranslated() {
        Start();
        IniFile ini;
        QVERIFY(ini.Load(ORVIK_SOURCE_DIR "/resources/Lang/English.ini"));
        const IniFile::Section* section = ini.FindSection("FormSettings");
        QVERIFY(section);
        std::set<std::string> keys;  // "component|property", component lower-cased
        for (const IniFile::Entry& e : section->entries) {
            const LangKeyParts k = SplitLangKey(e.key);
            keys.insert(QString::fromStdString(k.component).toLower().toStdString() + "|" + k.property);
        }
        auto has = [&](const QString& name, const QString& property) {
            return keys.count(name.toLower().toStdString() + "|" + property.toStdString()) > 0;
        };
        QStringList missing;
        if (!has("FormSettings", "Caption")) missing << "form caption";
        for (QWidget* w : Dialog().findChildren<QWidget*>()) {
            const QString name = w->objectName();
            if (name.isEmpty() || name.startsWith(QLatin1String("qt_")) || w->property("dynamicText").toBool()) continue;
            QString text;
            if (auto* b = qobject_cast<QAbstractButton*>(w)) text = b->text();
            else if (auto* l = qobject_cast<QLabel*>(w)) text = l->text();
            else if (auto* g = qobject_cast<QGroupBox*>(w)) text = g->title();
            if (!text.isEmpty() && !has(name, "Caption")) missing << name + ".Caption";
            if (!w->toolTip().isEmpty() && !has(name, "Hint")) missing << name + ".Hint";
            if (auto* c = qobject_cast<QComboBox*>(w); c && !c->property("dynamicItems").toBool())
                for (int i = 1; i <= c->count(); ++i)
                    if (!has(name, QStringLiteral("ComboItem%1").arg(i))) missing << name + ".ComboItem" + QString::number(i);
        }
        auto* tabs = Dialog().findChild<QStackedWidget*>("Pages");
        QCOMPARE(tabs->count(), TFormSettings::kPageCount);
        for (int i = 0; i < tabs->count(); ++i) {
            if (!has(tabs->widget(i)->objectName(), "Caption")) missing << tabs->widget(i)->objectName() + ".Caption";
            // A page's hint is its description in the header, not a tip.
            if (!has(tabs->widget(i)->objectName(), "Hint")) missing << tabs->widget(i)->objectName() + ".Hint";
        }
        auto* tree = Dialog().findChild<QTreeWidget*>("TreeItems");
        for (int i = 1; i <= tree->topLevelItemCount(); ++i)
            if (!has("TreeItems", QStringLiteral("TreeItem%1").arg(i))) missing << "TreeItems.TreeItem" + QString::number(i);
        for (int i = 1; i <= 4; ++i)
            if (!has("LvRomFileList", QStringLiteral("Column%1").arg(i))) missing << "LvRomFileList.Column" + QString::number(i);
        // Run-time texts of the dialog.
        for (const char* key : {"err.AddRomFile.Message", "err.AddRomFile.Title", "err.CheckConnector.Message",
                                "err.CheckConnector.Title", "err.CheckOnLpt.Message", "err.CheckOnLpt.Title",
                                "err.CreateMedium.Message", "err.CreateMedium.Title", "err.DeletePackage.Message",
                                "err.DeletePackage.Title", "err.LvRomFileList.BadSize",
                                "err.LvRomFileList.FileNotFound", "err.LvRomFileList.Overflow", "err.OpenP32.Message",
                                "err.OpenP32.Title", "err.OpenP32Diff.Message", "err.OpenP32Diff.Title",
                                "err.OpenRaom.Message", "err.OpenRaom.Title", "text.AddRomFile.Filter",
                                "text.AddRomFile.Title", "text.CreateKzd.Filter", "text.CreateKzd.Title",
                                "text.CreateP30.Filter", "text.CreateP30.Title", "text.CreateP32.Filter",
                                "text.CreateP32.Title", "text.CreateRaom.Filter", "text.CreateRaom.Title",
                                "text.Device.Bt100", "text.Device.Joystick", "text.Device.Kzd1", "text.Device.Pmd30",
                                "text.Device.Pmd32", "text.Device.Printer", "text.Device.XY41xx",
                                "text.OpenKzd.Filter", "text.OpenKzd.Title", "text.OpenMonitor.Filter",
                                "text.OpenMonitor.Title", "text.OpenP30.Filter", "text.OpenP30.Title",
                                "text.OpenP32.Filter", "text.OpenP32.Title", "text.OpenRaom.Filter",
                                "text.OpenRaom.Title", "text.OpenZBR.Filter", "text.SelectFolderSD.Title"})
            if (ini.ReadString("FormSettings", key).empty()) missing << key;
        for (const QString& m : missing) qInfo("untranslated: %s", qPrintable(m));
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(", ")));
        // The program loaded this file at start: every caption key took effect
        // (a failing key would have dropped the rest of the section).
        QCOMPARE(Dialog().windowTitle(), QStringLiteral("Settings"));
        QStringList notApplied;
        for (const IniFile::Entry& e : section->entries) {
            const LangKeyParts k = SplitLangKey(e.key);
            if (k.property != "Caption" || k.kind == "form" || k.kind == "tabSheet") continue;
            QWidget* w = Dialog().findChild<QWidget*>(QString::fromStdString(k.component));
            QString text;
            if (auto* b = qobject_cast<QAbstractButton*>(w)) text = b->text();
            else if (auto* l = qobject_cast<QLabel*>(w)) text = l->text();
            else if (auto* g = qobject_cast<QGroupBox*>(w)) text = g->title();
            if (text != QString::fromStdString(e.value)) notApplied << QString::fromStdString(e.key);
        }
        auto* lastCombo = Dialog().findChild<QComboBox*>("CbPrtConnector");
        if (lastCombo->itemText(2) != QStringLiteral("K5 - IMS-2")) notApplied << "CbPrtConnector items";
        QVERIFY2(notApplied.isEmpty(), qPrintable(notApplied.join(", ")));

        // The main window's settings items.
        const IniFile::Section* mainSection = ini.FindSection("FormMain");
        QVERIFY(mainSection);
        for (const char* item : {"MiSettings", "MiGeneral", "MiModel", "MiSetScreen", "MiSetSound", "MiControl",
                                 "MiRomModul", "MiDev1", "MiDev2", "MiPrinters"})
            QVERIFY2(!ini.ReadString("FormMain", std::string("menuItem.") + item + ".Caption").empty(), item);
        QVERIFY(!ini.ReadString("FormMain", "button.TBtnSettings.Hint").empty());
    }

    void cancelledDeviceChoicesLeaveNoTrace() {
        Start([](QString& t) { Replace(t, "<PMD-32 connected=\"false\"", "<PMD-32 connected=\"true\""); });
        prompts.Clear();
        prompts.defaultAnswer = Prompts::Answer::Yes;
        Open("MiPrinters", [&](TFormSettings& d) {
            d.findChild<QRadioButton*>("RbPrtBt100")->click();  // takes K3 from the disk unit
            QCOMPARE(prompts.Questions().size(), 1);
            QCOMPARE(d.Connectors().Occupant(kK3), int(Device::Bt100));
            d.reject();
        });
        // Reloaded: no printer, the disk unit back on K3, and no question asked.
        QVERIFY(Dialog().findChild<QRadioButton*>("RbPrtNone")->isChecked());
        QVERIFY(Dialog().findChild<QCheckBox*>("Check32Enable")->isChecked());
        QCOMPARE(Dialog().Connectors().Occupant(kK3), int(Device::Pmd32));
        QCOMPARE(prompts.Questions().size(), 1);
        Open("MiPrinters", [](TFormSettings& d) { d.findChild<QPushButton*>("BtnOk")->click(); });
        // Only the printer page loaded (the Model page, whose loading picks the
        // module package, did not): nothing changed at all.
        QCOMPARE(Dialog().ChangeList(), std::vector<int>{});
        QCOMPARE(prompts.Questions().size(), 1);
    }

    void languageIsStoredByItsRealBaseName() {
        Start();
        QVERIFY(prog->Write("Lang/en.old.ini", "[FormSettings]\nform.FormSettings.Caption=Old English\n"));
        QVERIFY(prog->Write("Lang/en.ini", "[FormSettings]\nform.FormSettings.Caption=Wrong file\n"));
        QString title;
        Open("MiGeneral", [&](TFormSettings& d) {
            auto* combo = d.findChild<QComboBox*>("CbeLang");
            const int at = combo->findText("En.old");
            QVERIFY(at >= 0);
            combo->setCurrentIndex(at);
            emit combo->activated(at);
            title = d.windowTitle();
        });
        QCOMPARE(title, QStringLiteral("Old English"));
        QCOMPARE(QString::fromStdString(ReadAttrString(ConfigSection("General"), "language")), QStringLiteral("en.old"));
        // Shown again on the next opening, compared ignoring case.
        WriteAttrString(ConfigSection("General"), "language", "EN.OLD");
        QString shown;
        Open("MiGeneral", [&](TFormSettings& d) { shown = d.findChild<QComboBox*>("CbeLang")->currentText(); });
        QCOMPARE(shown, QStringLiteral("En.old"));
    }

    void newImagesHaveTheSizeOfModelAndVersion() {
        Start([](QString& t) { Replace(t, "<PMD-32 connected=\"false\"", "<PMD-32 connected=\"true\""); });
        const std::string disk = prog->Path("new.p32").toStdString();
        const std::string dcz = prog->Path("new.dcz").toStdString();
        const std::string raom = prog->Path("new.rwm").toStdString();
        // New images come from save dialogs.
        auto savedBy = [this] { return !prompts.files.empty() && prompts.files.back().save; };
        Open("MiDev1", [&](TFormSettings& d) {
            QCOMPARE(d.SelectedModel(), 7);  // Consul 2717
            prompts.paths = {disk};
            d.findChild<QToolButton*>("Sb32bNew")->click();
            QVERIFY(savedBy());
            prompts.paths = {dcz};
            d.findChild<QToolButton*>("Sb32cNew")->click();
            QVERIFY(savedBy());
            QCOMPARE(d.findChild<QLineEdit*>("Edit32B")->text(), QStringLiteral("new.p32"));
            d.findChild<QPushButton*>("BtnOk")->click();
        });
        QCOMPARE(QFileInfo(QString::fromStdString(disk)).size(), qint64(512512));
        QCOMPARE(QFileInfo(QString::fromStdString(dcz)).size(), qint64(368640));
        QCOMPARE(QString::fromStdString(ReadElementText(ConfigSection("Storages").child("PMD-32").child("DriveB"))),
                 QStringLiteral("new.p32"));
        Open("MiDev2", [&](TFormSettings& d) {
            d.findChild<QCheckBox*>("CheckRaomEnable")->click();
            auto* ver = d.findChild<QComboBox*>("CbRaomVer");
            ver->setCurrentIndex(1);
            emit ver->activated(1);
            QCOMPARE(d.findChild<QLabel*>("LblRaomSizesVal")->text(), QStringLiteral("256 kB / 256 kB"));
            prompts.paths = {raom};
            d.findChild<QToolButton*>("SbRaomNew")->click();
            QVERIFY(savedBy());
        });
        const QByteArray image = prog->Read("new.rwm");
        QCOMPARE(image.size(), 262144);
        QCOMPARE(image.count('\0'), 262144);
    }

    // An image that cannot be created is told through the window's prompts,
    // and the drive or the RAM disk is left empty.
    void failedNewImageIsToldAndLeavesTheDriveEmpty() {
        Start([](QString& t) { Replace(t, "<PMD-32 connected=\"false\"", "<PMD-32 connected=\"true\""); });
        const std::string nowhere = prog->Path("no/such/folder/new.p32").toStdString();
        const QStringList told{"Create medium"};
        const QStringList text{"The medium file could not be created."};
        Open("MiDev1", [&](TFormSettings& d) {
            prompts.Clear();
            prompts.paths = {nowhere};
            d.findChild<QToolButton*>("Sb32bNew")->click();
            QCOMPARE(prompts.Errors(), told);
            QCOMPARE(prompts.Texts(FakePrompts::Kind::Error), text);
            QCOMPARE(d.findChild<QLineEdit*>("Edit32B")->text(), QStringLiteral("..."));
        });
        Open("MiDev2", [&](TFormSettings& d) {
            d.findChild<QCheckBox*>("CheckRaomEnable")->click();
            prompts.Clear();
            prompts.paths = {prog->Path("no/such/folder/new.rwm").toStdString()};
            d.findChild<QToolButton*>("SbRaomNew")->click();
            QCOMPARE(prompts.Errors(), told);
            QCOMPARE(prompts.Texts(FakePrompts::Kind::Error), text);
            QCOMPARE(d.findChild<QLineEdit*>("EditRaom")->text(), QStringLiteral("..."));
        });
        QVERIFY(!QFileInfo::exists(prog->Path("no")));
    }

    void parallelPortIsProbedOnlyWhenSwitchedOn() {
        Start();
        prompts.Clear();
        Open("MiPrinters", [&](TFormSettings& d) {
            d.findChild<QRadioButton*>("RbPrtBt100")->click();
            auto* lpt = d.findChild<QCheckBox*>("CheckOnLpt");
            QVERIFY(lpt->isEnabled());
            if (LptOpen(LptNumber) >= 0) QSKIP("a parallel port is present");
            lpt->click();
            QCOMPARE(prompts.Warnings().size(), 1);  // the port is missing here
            QVERIFY(!lpt->isChecked());
            QCOMPARE(QString::fromStdString(ReadAttrString(ConfigSection("Printer"), "on-lpt")), QStringLiteral("false"));
            lpt->setChecked(false);
            QCOMPARE(prompts.Warnings().size(), 1);
        });
    }

    // Unticking probes as well: with the port gone, the warning comes and
    // the configuration says the printer is not on the LPT.
    void uncheckingWithNoPortPresentWarns() {
        Start();
        if (LptOpen(LptNumber) >= 0) QSKIP("a parallel port is present");
        prompts.Clear();
        Open("MiPrinters", [&](TFormSettings& d) {
            d.findChild<QRadioButton*>("RbPrtBt100")->click();
            auto* lpt = d.findChild<QCheckBox*>("CheckOnLpt");
            // Ticked while the running machine holds the port: no probe.
            LptHandle.store(1000);
            lpt->click();
            LptHandle.store(-1);
            QVERIFY(lpt->isChecked());
            QCOMPARE(prompts.Warnings().size(), 0);
            WriteAttrBool(ConfigSection("Printer"), "on-lpt", 1);
            lpt->click();
            QCOMPARE(prompts.Warnings().size(), 1);
            QVERIFY(!lpt->isChecked());
            QCOMPARE(QString::fromStdString(ReadAttrString(ConfigSection("Printer"), "on-lpt")), QStringLiteral("false"));
        });
    }

    void romPackageComposedAndChosenForTheModule() {
        Start();
        QByteArray rom(2048, '\x11');
        QVERIFY(prog->Write("basic.rmm", rom));
        const std::string path = prog->Path("basic.rmm").toStdString();
        prompts.defaultPath = path;
        Open("MiRomModul", [&](TFormSettings& d) {
            d.findChild<QToolButton*>("SbRomFileAdd")->click();
            auto* combo = d.findChild<QComboBox*>("CbRomPackage");
            combo->setEditText("  Basic  ");
            QVERIFY(d.findChild<QToolButton*>("SbRomPackageSave")->isEnabled());
            QVERIFY(!d.findChild<QToolButton*>("SbRomPackageDel")->isEnabled());
            d.findChild<QToolButton*>("SbRomPackageSave")->click();
            QCOMPARE(combo->currentText(), QStringLiteral("Basic"));
            auto* list = d.findChild<QTreeWidget*>("LvRomFileList");
            QCOMPARE(list->topLevelItemCount(), 1);
            QCOMPARE(list->topLevelItem(0)->text(1), QStringLiteral("000000h"));
            QCOMPARE(list->topLevelItem(0)->text(2), QStringLiteral("2"));
            // The model page lists it at once.
            d.SelectPage(1);
            auto* pkg = d.findChild<QComboBox*>("CbPkg");
            QCOMPARE(pkg->count(), 1);
            d.findChild<QCheckBox*>("CheckInsertRm")->click();
            pkg->setCurrentIndex(0);
            emit pkg->activated(0);
            d.findChild<QPushButton*>("BtnOk")->click();
        });
        pugi::xml_node packages = ConfigSection("RomPackages");
        QCOMPARE(QString::fromUtf8(packages.child("RomPackage").attribute("name").value()), QStringLiteral("Basic"));
        QCOMPARE(QString::fromUtf8(packages.child("RomPackage").child("RomFile").text().get()), QStringLiteral("basic.rmm"));
        const std::vector<int>& codes = Dialog().ChangeList();
        QVERIFY(std::find(codes.begin(), codes.end(), int(ChangeCode::RomModuleInserted)) != codes.end());
        QVERIFY(form->Owner().Settings().RomModuleInserted());
        QCOMPARE(int(form->Owner().Settings().RomModuleFiles().size()), 1);
        QVERIFY(form->Owner().GetRomModule() != nullptr);
    }

    void pageRulesBetweenControls() {
        Start([](QString& t) {
            Replace(t, "color-profile=\"multicolor\"", "color-profile=\"color\"");
            Replace(t, "attr01=\"white\"", "attr01=\"red\"");
            Replace(t, "sound-if=\"none\"", "sound-if=\"musica\"");
            Replace(t, "current=\"Model-C2717\"", "current=\"Model-1\"");
        });
        QVERIFY(prog->Write("a.p32", QByteArray(368640, '\xE5')));
        Open("MiSetScreen", [&](TFormSettings& d) {
            auto* palette = d.findChild<QComboBox*>("CbPallette");
            auto* attr01 = d.findChild<QComboBox*>("CbAttr01");
            QVERIFY(palette->isEnabled());
            QCOMPARE(attr01->currentIndex(), 9);  // the stored red
            attr01->setCurrentIndex(4);           // picked, not stored
            palette->setCurrentIndex(1);
            emit palette->activated(1);
            QVERIFY(!attr01->isEnabled());
            QCOMPARE(d.findChild<QComboBox*>("CbAttr00")->currentIndex(), 15);  // video: white, lime, red, maroon
            QCOMPARE(attr01->currentIndex(), 10);
            QCOMPARE(d.findChild<QComboBox*>("CbAttr11")->currentIndex(), 1);
            palette->setCurrentIndex(2);
            emit palette->activated(2);
            QCOMPARE(attr01->currentIndex(), 9);  // the stored colour again
            auto* color = d.findChild<QComboBox*>("CbColor");
            color->setCurrentIndex(3);
            emit color->activated(3);
            QVERIFY(!palette->isEnabled());
            QCOMPARE(attr01->currentIndex(), 15);

            // Sound: mute disables all three volumes.
            QVERIFY(d.findChild<QSlider*>("TrackVolumeMusicIF")->isEnabled());
            d.findChild<QCheckBox*>("CheckMute")->click();
            for (const char* t : {"TrackVolumeSpeaker", "TrackVolumeTape", "TrackVolumeMusicIF"})
                QVERIFY(!d.findChild<QSlider*>(t)->isEnabled());

            // Model: the Mato takes out the ROM module and the sound interface.
            auto* insert = d.findChild<QCheckBox*>("CheckInsertRm");
            auto* raom = d.findChild<QCheckBox*>("CheckRaomEnable");
            raom->click();
            QVERIFY(raom->isChecked());
            insert->click();  // a ROM module and a RAOM module never together
            QVERIFY(insert->isChecked());
            QVERIFY(!raom->isChecked());
            d.findChild<QRadioButton*>("RadioMM")->click();
            QVERIFY(!insert->isChecked());
            QVERIFY(!insert->isEnabled());
            QCOMPARE(d.findChild<QComboBox*>("CbMusicIF")->currentIndex(), 0);
            d.findChild<QRadioButton*>("RadioM1")->click();
            QVERIFY(insert->isEnabled());

            // Storages: exchange with an empty drive.
            d.findChild<QCheckBox*>("Check32Enable")->click();
            prompts.defaultPath = prog->Path("a.p32").toStdString();
            d.findChild<QToolButton*>("Sb32bOpen")->click();
            QCOMPARE(d.findChild<QLineEdit*>("Edit32B")->text(), QStringLiteral("a.p32"));
            QVERIFY(d.findChild<QCheckBox*>("Check32bWp")->isChecked());
            d.findChild<QCheckBox*>("Check32aWp")->setChecked(false);
            d.findChild<QToolButton*>("Sb32aOpen")->click();  // the same image in A: refused
            QCOMPARE(d.findChild<QLineEdit*>("Edit32A")->text(), QStringLiteral("..."));
            d.findChild<QToolButton*>("Sb32ExchAB")->click();
            QCOMPARE(d.findChild<QLineEdit*>("Edit32A")->text(), QStringLiteral("a.p32"));
            QCOMPARE(d.findChild<QLineEdit*>("Edit32B")->text(), QStringLiteral("..."));
            QVERIFY(d.findChild<QCheckBox*>("Check32aWp")->isChecked());
            QVERIFY(!d.findChild<QCheckBox*>("Check32bWp")->isChecked());
            d.findChild<QPushButton*>("BtnOk")->click();
        });
        pugi::xml_node pmd = ConfigSection("Storages").child("PMD-32");
        QCOMPARE(QString::fromUtf8(pmd.child("DriveA").text().get()), QStringLiteral("a.p32"));
        QCOMPARE(QString::fromUtf8(pmd.child("DriveB").text().get()), QString());
        // The Mato's reset of the interface choice stays after going back to Model-1.
        QCOMPARE(QString::fromUtf8(ConfigSection("Sound").attribute("sound-if").value()), QStringLiteral("none"));
    }

    void connectorQuestionAndDeclinedJoystick() {
        Start([](QString& t) { Replace(t, "<PMD-32 connected=\"false\"", "<PMD-32 connected=\"true\""); });
        QCOMPARE(Dialog().Connectors().Occupant(kK3), int(Device::Pmd32));
        prompts.Clear();
        prompts.answers = {Prompts::Answer::No, Prompts::Answer::Yes};
        Open("MiControl", [&](TFormSettings& d) {
            auto* joy = d.findChild<QCheckBox*>("CheckJoyK3");
            joy->click();  // No: stays unchecked
            QVERIFY(!joy->isChecked());
            QVERIFY(!d.findChild<QPushButton*>("BtnJoyK3")->isEnabled());
            joy->click();  // Yes: the disk unit leaves K3
            QVERIFY(joy->isChecked());
            QVERIFY(!d.findChild<QCheckBox*>("Check32Enable")->isChecked());
            QCOMPARE(d.Connectors().Occupant(kK3), int(Device::Joystick));
        });
        QCOMPARE(prompts.Questions().size(), 2);
        // A Yes/No box with the warning icon.
        QVERIFY(prompts.boxes.back().kind == FakePrompts::Kind::Question);
        QVERIFY(prompts.boxes.back().look == Prompts::Look::Warning);
    }
};

QTEST_MAIN(FormSettingsTest)
#include "FormSettingsTest.moc"
