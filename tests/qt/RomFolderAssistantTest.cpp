// The ROM-folder dialog over temporary folders of made-up files and a test
// table of their SHA-1 values: the models' monitor ROMs and the ROM packages
// it writes, Cancel, a hostile folder, and the Model page's name of the
// chosen monitor ROM.
#include <QtTest>

#include <QRegularExpression>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include "common/Config.h"
#include "common/ConfigDocument.h"
#include "common/IniFile.h"
#include "common/Lang.h"
#include "common/Paths.h"
#include "machine/core/ChangeCodes.h"
#include "machine/owner/MachineBuilder.h"
#include "machine/owner/MachineSettings.h"
#include "shell/romfolder/FormRomFolder.h"
#include "shell/romfolder/RomFolderAssistant.h"
#include "shell/settings/FormSettings.h"
#include "tests/common/AsNobody.h"
#include "tests/qt/FakePrompts.h"
#include "tests/qt/KnownRomEntry.h"
#include "tests/qt/TestProgramDir.h"

namespace {

// Made-up contents: byte i is i * 7 + seed.
QByteArray Pattern(int size, int seed) {
    QByteArray b(size, '\0');
    for (int i = 0; i < size; ++i) b[i] = char((i * 7 + seed) & 0xFF);
    return b;
}

KnownRom Entry(const char* name, const QByteArray& bytes, const char* kind, const char* model) {
    return KnownRomEntry(name, bytes, kind, model);
}

struct Dumps {
    QByteArray mon1 = Pattern(4096, 1), mon2 = Pattern(4096, 2), mon3 = Pattern(8192, 3);
    QByteArray mon2aShort = Pattern(2048, 4);  // a "monitor" of 2 KB: too small for any model
    QByteArray monMato8k = Pattern(8192, 5);   // the Mato takes 16 KB only
    QByteArray basic2 = Pattern(9216, 6), basic3 = Pattern(10240, 7), basic1 = Pattern(9216, 8);
    QByteArray device = Pattern(2048, 9);
    std::vector<KnownRom> table = {
        Entry("mon1.rom", mon1, "monitor", "Model-1"),      Entry("mon2.rom", mon2, "monitor", "Model-2"),
        Entry("mon3.rom", mon3, "monitor", "Model-3"),      Entry("mon2a.rom", mon2aShort, "monitor", "Model-2A"),
        Entry("mato.rom", monMato8k, "monitor", "Model-Mato"), Entry("basic2.rmm", basic2, "module", "Model-2"),
        Entry("basic3.rmm", basic3, "module", "Model-3"),   Entry("basic1.rmm", basic1, "module", "Model-1"),
        Entry("disk.rom", device, "device", "-"),
    };
};

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

std::string RomFileOf(pugi::xml_node root, const char* model) {
    return ReadElementText(FindChildElement(FindChildElement(FindChildElement(root, "Model"), model), "RomFile"));
}

pugi::xml_node RomModuleOf(pugi::xml_node root, const char* model) {
    return FindChildElement(FindChildElement(FindChildElement(root, "Model"), model), "RomModule");
}

// name -> its RomFile texts
std::map<std::string, std::vector<std::string>> Packages(pugi::xml_node root) {
    std::map<std::string, std::vector<std::string>> all;
    for (pugi::xml_node p : FindChildElement(root, "RomPackages").children("RomPackage")) {
        std::vector<std::string>& files = all[p.attribute("name").value()];
        for (pugi::xml_node f : p.children("RomFile")) files.push_back(f.text().get());
    }
    return all;
}

}  // namespace

class RomFolderAssistantTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestProgramDir> prog;
    std::unique_ptr<ConfigDocument> doc;
    Dumps d;

    // A program folder whose configuration is open, with edits to its text.
    void Open(const std::function<void(QString&)>& edit = {}) {
        prog = std::make_unique<TestProgramDir>();
        QVERIFY(prog->Make(edit, false, true));  // the models start without monitor ROMs
        SetAppDir(prog->Path().toStdString());
        pugi::xml_document probe;
        QVERIFY(probe.load_file(prog->Path("Orvik.xml").toStdString().c_str()));
        doc = std::make_unique<ConfigDocument>();
        QCOMPARE(doc->Open(prog->Path("Orvik.xml").toStdString(),
                           probe.document_element().attribute("version").value()),
                 ConfigDocument::OpenOk);
        ConfigRoot = doc->Root();
    }
    static void SetCurrent(QString& text, const char* model) {
        text.replace(QStringLiteral("<Model current=\"Model-C2717\">"), QStringLiteral("<Model current=\"%1\">").arg(model));
    }
    // The list row of the file named name.
    static int RowOf(const TFormRomFolder& f, const std::string& name) {
        for (size_t i = 0; i < f.Plan().rows.size(); ++i) {
            const std::string& p = f.Plan().rows[i].path;
            if (p.size() >= name.size() + 1 && p.compare(p.size() - name.size() - 1, std::string::npos, "/" + name) == 0)
                return int(i);
        }
        return -1;
    }
    static QString Cell(const TFormRomFolder& f, const std::string& name, int column) {
        const int i = RowOf(f, name);
        return i < 0 ? QStringLiteral("(no row %1)").arg(QString::fromStdString(name)) : f.Row(size_t(i))->text(column);
    }

private slots:
    void init() { CloseLanguageFile(); }
    void cleanup() {
        if (doc) doc->Deactivate();
        doc.reset();
        prog.reset();
        ConfigRoot = pugi::xml_node();
        ClearAppDir();
        CloseLanguageFile();
    }

    void setsMonitorsAndCreatesPackages() {
        Open([](QString& t) { SetCurrent(t, "Model-2"); });
        const QString roms = prog->Path("roms/");
        QVERIFY(WriteFile(roms + "m1.rom", d.mon1));
        QVERIFY(WriteFile(roms + "m2.rom", d.mon2));
        QVERIFY(WriteFile(roms + "m3.rom", d.mon3));
        QVERIFY(WriteFile(roms + "m2a.rom", d.mon2aShort));
        QVERIFY(WriteFile(roms + "mato.rom", d.monMato8k));
        QVERIFY(WriteFile(roms + "basic2.rmm", d.basic2));
        QVERIFY(WriteFile(roms + "basic3.rmm", d.basic3));
        QVERIFY(WriteFile(roms + "basic1.bin", d.basic1));  // a module without the .rmm extension
        QVERIFY(WriteFile(roms + "disk.rom", d.device));
        QVERIFY(WriteFile(roms + "mystery.rom", Pattern(2048, 77)));
        // Monitors in a folder outside the program folder are stored with their full path.
        QTemporaryDir outside;
        QVERIFY(WriteFile(outside.path() + "/alfa-none.rom", Pattern(1024, 3)));

        OpenLanguageFilePath(ORVIK_SOURCE_DIR "/resources/Lang/English.ini");
        TFormRomFolder form(nullptr, roms.toStdString(), d.table, *doc);
        QCOMPARE(form.windowTitle(), QStringLiteral("ROM folder"));
        using C = TFormRomFolder::Column;
        QCOMPARE(Cell(form, "m1.rom", C::kColRecognised), QStringLiteral("PMD 85-1 monitor"));
        QCOMPARE(Cell(form, "m1.rom", C::kColAction), QStringLiteral("becomes the monitor ROM of PMD 85-1"));
        QCOMPARE(Cell(form, "m3.rom", C::kColAction), QStringLiteral("becomes the monitor ROM of PMD 85-3"));
        // The Model-3 ROM is 8 KB and the Mato's 16 KB; a 2 KB file fills no model's ROM.
        QCOMPARE(Cell(form, "m2a.rom", C::kColAction), QStringLiteral("not set: wrong size for PMD 85-2A (4 to 16 KB needed)"));
        QCOMPARE(Cell(form, "mato.rom", C::kColAction), QStringLiteral("not set: wrong size for Mato (16 KB needed)"));
        QCOMPARE(Cell(form, "basic2.rmm", C::kColAction), QStringLiteral("ROM package \"basic2\" created"));
        QCOMPARE(Cell(form, "basic2.rmm", C::kColPlug), QStringLiteral("plug into PMD 85-2's ROM module"));
        QCOMPARE(Cell(form, "basic1.bin", C::kColAction).left(9), QStringLiteral("not used:"));
        QCOMPARE(Cell(form, "disk.rom", C::kColRecognised), QStringLiteral("disk.rom (device ROM)"));
        QCOMPARE(Cell(form, "mystery.rom", C::kColRecognised), QStringLiteral("unknown dump"));
        // Plugging the BASIC module in is what a user who hands over a folder expects.
        const int b2 = RowOf(form, "basic2.rmm"), b3 = RowOf(form, "basic3.rmm");
        QVERIFY(b2 >= 0 && b3 >= 0);
        QCOMPARE(form.Row(size_t(b2))->checkState(C::kColPlug), Qt::Checked);
        QCOMPARE(form.Row(size_t(b3))->checkState(C::kColPlug), Qt::Checked);
        form.Row(size_t(b3))->setCheckState(C::kColPlug, Qt::Unchecked);
        form.show();
        QTest::mouseClick(form.findChild<QPushButton*>("BtnOk"), Qt::LeftButton);
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QVERIFY(form.Changed());

        pugi::xml_node root = doc->Root();
        QCOMPARE(RomFileOf(root, "Model-1"), std::string("roms/m1.rom"));
        QCOMPARE(RomFileOf(root, "Model-2"), std::string("roms/m2.rom"));
        QCOMPARE(RomFileOf(root, "Model-3"), std::string("roms/m3.rom"));
        QCOMPARE(RomFileOf(root, "Model-2A"), std::string());
        QCOMPARE(RomFileOf(root, "Model-Mato"), std::string());
        const auto packages = Packages(root);
        QCOMPARE(packages.size(), size_t(2));
        QCOMPARE(packages.at("basic2"), std::vector<std::string>{"roms/basic2.rmm"});
        QCOMPARE(packages.at("basic3"), std::vector<std::string>{"roms/basic3.rmm"});
        QCOMPARE(ReadAttrString(RomModuleOf(root, "Model-2"), "inserted"), std::string("true"));
        QCOMPARE(ReadAttrString(RomModuleOf(root, "Model-2"), "name"), std::string("basic2"));
        QVERIFY(!ReadAttrBool(RomModuleOf(root, "Model-3"), "inserted", false));
        // Model-2 is the current model: its monitor and its newly inserted module.
        QCOMPARE(form.ChangeCodes(), (std::vector<int>{ChangeCode::Model, ChangeCode::RomModule,
                                                        ChangeCode::RomModuleInserted}));
        // The saved document reads back the same.
        QVERIFY(doc->Save());
        ConfigDocument again;
        QCOMPARE(again.Open(prog->Path("Orvik.xml").toStdString(), root.attribute("version").value()), 0);
        QCOMPARE(RomFileOf(again.Root(), "Model-1"), std::string("roms/m1.rom"));
        QCOMPARE(Packages(again.Root()), packages);
        again.Deactivate();

        // The same folder once more: nothing new, no second package.
        const std::string before = doc->SavedText();
        TFormRomFolder second(nullptr, roms.toStdString(), d.table, *doc);
        QVERIFY(!second.Plan().HasWork());
        QCOMPARE(Cell(second, "m1.rom", C::kColAction), QStringLiteral("already the monitor ROM of PMD 85-1"));
        QCOMPARE(Cell(second, "basic2.rmm", C::kColAction), QStringLiteral("ROM package \"basic2\" already there"));
        second.accept();
        QVERIFY(!second.Changed());
        QVERIFY(second.ChangeCodes().empty());
        QCOMPARE(doc->SavedText(), before);

        // A folder outside the program folder: the full path is stored.
        QVERIFY(WriteFile(outside.path() + "/m1-copy.rom", d.mon1));
        TFormRomFolder out(nullptr, outside.path().toStdString(), d.table, *doc);
        out.accept();
        QCOMPARE(RomFileOf(doc->Root(), "Model-1"), (outside.path() + "/m1-copy.rom").toStdString());
        QVERIFY(out.ChangeCodes().empty());  // Model-1 is not the current model
    }

    // The shipped configuration starts on Consul 2717: a folder without its monitor makes
    // the first model it gives a monitor the current one, so that the machine boots.
    void currentModelWithoutRomGivesWay() {
        Open();  // Model/current is Model-C2717, no model has a monitor ROM
        const QString roms = prog->Path("roms/");
        QVERIFY(WriteFile(roms + "m3.rom", d.mon3));
        QVERIFY(WriteFile(roms + "m2.rom", d.mon2));
        QVERIFY(WriteFile(roms + "basic2.rmm", d.basic2));
        OpenLanguageFilePath(ORVIK_SOURCE_DIR "/resources/Lang/English.ini");
        TFormRomFolder form(nullptr, roms.toStdString(), d.table, *doc);
        QCOMPARE(form.Plan().switchModel, 1);
        auto* summary = form.findChild<QLabel*>("LblSummary");
        QCOMPARE(summary->text(), QStringLiteral("Consul 2717 has no monitor ROM: OK makes PMD 85-2 the current model."));
        form.show();
        QVERIFY(summary->isVisible());
        form.accept();
        QCOMPARE(ReadAttrString(FindChildElement(doc->Root(), "Model"), "current"), std::string("Model-2"));
        QCOMPARE(RomFileOf(doc->Root(), "Model-2"), std::string("roms/m2.rom"));
        QCOMPARE(RomFileOf(doc->Root(), "Model-3"), std::string("roms/m3.rom"));
        // The new current model, with its module plugged in.
        QCOMPARE(ReadAttrString(RomModuleOf(doc->Root(), "Model-2"), "name"), std::string("basic2"));
        QCOMPARE(form.ChangeCodes(), (std::vector<int>{ChangeCode::Model, ChangeCode::RomModule,
                                                        ChangeCode::RomModuleInserted}));

        // The current model has its monitor now: no switch, nothing to do.
        TFormRomFolder again(nullptr, roms.toStdString(), d.table, *doc);
        QCOMPARE(again.Plan().switchModel, -1);
        QVERIFY(!again.Plan().HasWork());
    }

    // Which model takes the place of one without a monitor ROM, by case.
    void switchCases() {
        struct Case {
            const char* name;
            const char* current;
            std::vector<std::pair<const char*, QByteArray>> folder;
            const char* romBefore;  // a model that had a monitor before (its file written), or null
            int expected;           // switchModel
        };
        const Case cases[] = {
            {"the folder sets the current model's monitor", "Model-3", {{"m3.rom", d.mon3}, {"m1.rom", d.mon1}}, nullptr, -1},
            {"the first model in order, not the first file", "Model-C2717", {{"a-m3.rom", d.mon3}, {"b-m2.rom", d.mon2}}, nullptr, 1},
            {"the current model's monitor does not fit", "Model-Mato", {{"mato.rom", d.monMato8k}, {"m3.rom", d.mon3}}, nullptr, 3},
            {"no monitor here: a model that had one", "Model-C2717", {{"basic2.rmm", d.basic2}}, "Model-Alfa", 5},
            {"a model of this folder before one that had one", "Model-C2717", {{"m3.rom", d.mon3}}, "Model-1", 3},
            {"no model has a monitor", "Model-C2717", {{"basic2.rmm", d.basic2}}, nullptr, -1},
            {"the current model had one already", "Model-Alfa", {{"m1.rom", d.mon1}}, "Model-Alfa", -1},
        };
        for (const Case& c : cases) {
            Open([&](QString& t) {
                SetCurrent(t, c.current);
                if (c.romBefore) {
                    const int at = t.indexOf(QStringLiteral("<%1").arg(c.romBefore));
                    const int rom = t.indexOf(QStringLiteral("<RomFile/>"), at);
                    t.replace(rom, 10, QStringLiteral("<RomFile>had.rom</RomFile>"));
                }
            });
            if (c.romBefore) QVERIFY(WriteFile(prog->Path("had.rom"), Pattern(4096, 99)));
            const QString roms = prog->Path("roms/");
            QVERIFY(QDir().mkpath(roms));
            for (const auto& [name, bytes] : c.folder) QVERIFY(WriteFile(roms + name, bytes));
            TFormRomFolder form(nullptr, roms.toStdString(), d.table, *doc);
            QVERIFY2(form.Plan().switchModel == c.expected,
                     qPrintable(QStringLiteral("%1: %2").arg(c.name).arg(form.Plan().switchModel)));
            form.accept();
            const QString now = QString::fromStdString(ReadAttrString(FindChildElement(doc->Root(), "Model"), "current"));
            const QString want = QString::fromLatin1(c.expected < 0 ? c.current : MachineBuilder::ModelName(c.expected));
            QVERIFY2(now == want, c.name);
            if (c.expected >= 0) QVERIFY2(ModelHasMonitorRom(doc->Root(), c.expected), c.name);
            cleanup();
        }
    }

    // The user's own package of the same name and the module he plugged in stay as they are.
    void usersPackagesAndModulesStay() {
        Open([](QString& t) {
            SetCurrent(t, "Model-2");
            t.replace(QStringLiteral("<RomPackages/>"),
                      QStringLiteral("<RomPackages><RomPackage name=\"BASIC2\"><RomFile>mine.rmm</RomFile></RomPackage>"
                                     "<RomPackage name=\"games\"><RomFile>games.rmm</RomFile></RomPackage></RomPackages>"));
            const int at = t.indexOf(QStringLiteral("<Model-2>"));
            const int rm = t.indexOf(QStringLiteral("<RomModule"), at);
            const int end = t.indexOf(QStringLiteral("/>"), rm);
            t.replace(rm, end + 2 - rm, QStringLiteral("<RomModule inserted=\"true\" name=\"games\"/>"));
        });
        QCOMPARE(ReadAttrString(RomModuleOf(doc->Root(), "Model-2"), "name"), std::string("games"));
        const QString roms = prog->Path("roms/");
        QVERIFY(WriteFile(roms + "basic2.rmm", d.basic2));
        TFormRomFolder form(nullptr, roms.toStdString(), d.table, *doc);
        const int row = RowOf(form, "basic2.rmm");
        QVERIFY(row >= 0);
        QCOMPARE(form.Row(size_t(row))->checkState(TFormRomFolder::kColPlug), Qt::Unchecked);
        form.accept();
        const auto packages = Packages(doc->Root());
        QCOMPARE(packages.at("BASIC2"), std::vector<std::string>{"mine.rmm"});
        QCOMPARE(packages.at("basic2 (2)"), std::vector<std::string>{"roms/basic2.rmm"});
        QCOMPARE(ReadAttrString(RomModuleOf(doc->Root(), "Model-2"), "name"), std::string("games"));
        QVERIFY(form.ChangeCodes().empty());  // a new package alone changes no machine
    }

    // A ROM module and the RAOM module are never plugged in together: the current model's
    // module is offered unchecked while the RAOM module is in, and checking it takes that out.
    void romModuleAndRaomModule() {
        Open([](QString& t) {
            SetCurrent(t, "Model-2");
            t.replace(QStringLiteral("<RaomModule inserted=\"false\""), QStringLiteral("<RaomModule inserted=\"true\""));
        });
        auto raomIn = [&] {
            return ReadAttrBool(FindChildElement(FindChildElement(doc->Root(), "Storages"), "RaomModule"), "inserted", false);
        };
        QVERIFY(raomIn());
        const QString roms = prog->Path("roms/");
        QVERIFY(WriteFile(roms + "basic2.rmm", d.basic2));
        QVERIFY(WriteFile(roms + "basic3.rmm", d.basic3));
        {
            TFormRomFolder form(nullptr, roms.toStdString(), d.table, *doc);
            QCOMPARE(form.Row(size_t(RowOf(form, "basic2.rmm")))->checkState(TFormRomFolder::kColPlug), Qt::Unchecked);
            QCOMPARE(form.Row(size_t(RowOf(form, "basic3.rmm")))->checkState(TFormRomFolder::kColPlug), Qt::Checked);
            form.accept();
            QVERIFY(raomIn());  // Model-3 is not the current model
            QVERIFY(ReadAttrBool(RomModuleOf(doc->Root(), "Model-3"), "inserted", false));
            QVERIFY(!ReadAttrBool(RomModuleOf(doc->Root(), "Model-2"), "inserted", false));
            QVERIFY(form.ChangeCodes().empty());
        }
        TFormRomFolder form(nullptr, roms.toStdString(), d.table, *doc);
        QTreeWidgetItem* basic2 = form.Row(size_t(RowOf(form, "basic2.rmm")));
        QCOMPARE(basic2->checkState(TFormRomFolder::kColPlug), Qt::Unchecked);
        basic2->setCheckState(TFormRomFolder::kColPlug, Qt::Checked);
        form.accept();
        QVERIFY(!raomIn());
        QCOMPARE(ReadAttrString(RomModuleOf(doc->Root(), "Model-2"), "name"), std::string("basic2"));
        QCOMPARE(form.ChangeCodes(), (std::vector<int>{ChangeCode::RomModule, ChangeCode::RomModuleInserted, ChangeCode::Raom}));
    }

    // Two BASIC modules of one model: one module takes one package, so one box is checked.
    void oneModulePerModel() {
        Open();
        const QByteArray other = Pattern(5120, 50);
        std::vector<KnownRom> table = d.table;
        table.push_back(Entry("basic1b.rmm", other, "module", "Model-1"));
        const QString roms = prog->Path("roms/");
        QVERIFY(WriteFile(roms + "a-basic1.rmm", d.basic1));
        QVERIFY(WriteFile(roms + "b-basic1.rmm", other));
        TFormRomFolder form(nullptr, roms.toStdString(), table, *doc);
        QTreeWidgetItem* a = form.Row(size_t(RowOf(form, "a-basic1.rmm")));
        QTreeWidgetItem* b = form.Row(size_t(RowOf(form, "b-basic1.rmm")));
        QCOMPARE(a->checkState(TFormRomFolder::kColPlug), Qt::Checked);
        QCOMPARE(b->checkState(TFormRomFolder::kColPlug), Qt::Unchecked);
        b->setCheckState(TFormRomFolder::kColPlug, Qt::Checked);
        QCOMPARE(a->checkState(TFormRomFolder::kColPlug), Qt::Unchecked);
        form.accept();
        QCOMPARE(ReadAttrString(RomModuleOf(doc->Root(), "Model-1"), "name"), std::string("basic1b"));
        QCOMPARE(Packages(doc->Root()).size(), size_t(2));
    }

    void cancelChangesNothing() {
        Open([](QString& t) { SetCurrent(t, "Model-1"); });
        const QString roms = prog->Path("roms/");
        QVERIFY(WriteFile(roms + "m1.rom", d.mon1));
        QVERIFY(WriteFile(roms + "basic1.rmm", d.basic1));
        const std::string before = doc->SavedText();
        TFormRomFolder form(nullptr, roms.toStdString(), d.table, *doc);
        QVERIFY(form.Plan().HasWork());
        form.show();
        QTest::mouseClick(form.findChild<QPushButton*>("BtnCancel"), Qt::LeftButton);
        QCOMPARE(form.result(), int(QDialog::Rejected));
        QVERIFY(!form.Changed());
        QCOMPARE(doc->SavedText(), before);
    }

    // A link out of the folder, a FIFO, a huge sparse file, an unreadable file and two
    // equal files: the scan ends, reads nothing outside the folder, and sets one file.
    void hostileFolder() {
        Open([](QString& t) { SetCurrent(t, "Model-1"); });
        const QString roms = prog->Path("roms/");
        QTemporaryDir outside;
        QVERIFY(WriteFile(outside.path() + "/m3.rom", d.mon3));
        QVERIFY(WriteFile(outside.path() + "/basic3.rmm", d.basic3));
        QVERIFY(QDir().mkpath(roms));
        QCOMPARE(::symlink((outside.path() + "/m3.rom").toLocal8Bit().constData(), (roms + "link-m3.rom").toLocal8Bit().constData()), 0);
        QCOMPARE(::symlink("../../" + QFileInfo(outside.path()).fileName().toLocal8Bit() + "/basic3.rmm",
                           (roms + "rel-basic3.rmm").toLocal8Bit().constData()), 0);
        const QByteArray fifo = (roms + "pipe.rom").toLocal8Bit();
        QCOMPARE(::mkfifo(fifo.constData(), 0644), 0);
        {
            const int fd = ::open((roms + "huge.rom").toLocal8Bit().constData(), O_WRONLY | O_CREAT, 0644);
            QVERIFY(fd >= 0);
            QCOMPARE(::ftruncate(fd, off_t(64) << 30), 0);  // sparse, 64 GiB
            ::close(fd);
        }
        QVERIFY(WriteFile(roms + "locked.rom", d.mon2));
        QCOMPARE(::chmod((roms + "locked.rom").toLocal8Bit().constData(), 0), 0);
        QVERIFY(WriteFile(roms + "a.rom", d.mon1));
        QVERIFY(WriteFile(roms + "b.rom", d.mon1));
        QVERIFY(WriteFile(roms + "basic1.rmm", d.basic1));
        QVERIFY(WriteFile(roms + "basic1-copy.rmm", d.basic1));

        // The watchdog: a scan stuck on the FIFO gets a writer that ends it, and fails.
        std::mutex m;
        std::condition_variable cv;
        bool done = false;
        std::atomic<bool> timedOut{false};
        std::thread watchdog([&] {
            std::unique_lock<std::mutex> lock(m);
            if (cv.wait_for(lock, std::chrono::seconds(20), [&] { return done; })) return;
            timedOut = true;
            const int w = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK);
            if (w >= 0) ::close(w);
        });
        auto form = std::make_unique<TFormRomFolder>(nullptr, roms.toStdString(), d.table, *doc);
        {
            std::lock_guard<std::mutex> lock(m);
            done = true;
        }
        cv.notify_all();
        watchdog.join();
        QVERIFY2(!timedOut, "the scan waited on the FIFO");

        using Kind = RomFolderRow::Kind;
        const struct {
            const char* name;
            Kind kind;
        } rows[] = {{"link-m3.rom", Kind::Skipped},    {"rel-basic3.rmm", Kind::Skipped},
                    {"pipe.rom", Kind::Skipped},       {"huge.rom", Kind::Skipped},
                    {"a.rom", Kind::Monitor},          {"b.rom", Kind::MonitorSpare},
                    {"basic1.rmm", Kind::ModuleSpare}, {"basic1-copy.rmm", Kind::Module}};
        for (const auto& r : rows) {
            const int i = RowOf(*form, r.name);
            QVERIFY2(i >= 0, r.name);
            QVERIFY2(form->Plan().rows[size_t(i)].kind == r.kind, r.name);
        }
        form->accept();
        pugi::xml_node root = doc->Root();
        QCOMPARE(RomFileOf(root, "Model-1"), std::string("roms/a.rom"));
        QCOMPARE(RomFileOf(root, "Model-3"), std::string());  // the link led outside
        const auto packages = Packages(root);
        QCOMPARE(packages.size(), size_t(1));
        QCOMPARE(packages.begin()->second, std::vector<std::string>{"roms/basic1-copy.rmm"});
        form.reset();

        // The locked file: root reads it anyway, so the check runs as nobody in a child.
        const int locked = [&] {
            TFormRomFolder f(nullptr, roms.toStdString(), d.table, *doc);
            return RowOf(f, "locked.rom");
        }();
        QVERIFY(locked >= 0);
        if (::geteuid() == 0) {
            QCOMPARE(::chmod(prog->Path().toLocal8Bit().constData(), 0755), 0);
            QCOMPARE(::chmod(roms.toLocal8Bit().constData(), 0755), 0);
            const std::string verdict = AsNobody([&] {
                const RomFolderPlan plan = PlanRomFolder(ScanRomFolder(roms.toStdString(), d.table), root);
                std::string said = "-";
                for (const RomFolderRow& r : plan.rows)
                    if (r.path == (roms + "locked.rom").toStdString())
                        said = r.kind == Kind::Skipped && r.skip == RomSkipReason::Unreadable ? "U" : "R";
                return said;
            });
            QCOMPARE(verdict, std::string("U"));
        } else {
            TFormRomFolder f(nullptr, roms.toStdString(), d.table, *doc);
            QVERIFY(f.Plan().rows[size_t(locked)].kind == Kind::Skipped);
            QCOMPARE(RomFileOf(doc->Root(), "Model-2"), std::string());
        }
    }

    // Names the configuration cannot keep are not stored.
    void storablePaths() {
        Open();
        const std::string app = prog->Path().toStdString();
        const struct {
            std::string path;
            std::string stored;
        } cases[] = {
            {app + "roms/m.rom", "roms/m.rom"},
            {"/elsewhere/m.rom", "/elsewhere/m.rom"},
            {app + "-", app + "-"},          // "-" would be a gap in a package
            {app + "...", app + "..."},      // "..." reads as no file
            {app + "a\\b.rom", app + "a\\b.rom"},  // a relative backslash reads as '/'
            {app + "line\nbreak.rom", ""},
            {app + "bad\xff.rom", ""},
            {"relative.rom", ""},
        };
        for (const auto& c : cases) QCOMPARE(StorableRomPath(c.path), c.stored);
    }

    void unreadableFolderSaysSo() {
        Open();
        TFormRomFolder form(nullptr, prog->Path("none").toStdString(), d.table, *doc);
        QVERIFY(!form.Plan().folderRead);
        QCOMPARE(form.findChild<QLabel*>("LblSummary")->text(), QStringLiteral("The folder cannot be read."));
    }

    // The Model page names the chosen monitor ROM from the table.
    void modelPageNamesTheMonitor() {
        Open([](QString& t) { SetCurrent(t, "Model-2"); });
        QVERIFY(WriteFile(prog->Path("roms/m2.rom"), d.mon2));
        QVERIFY(WriteFile(prog->Path("roms/other.rom"), Pattern(4096, 99)));
        QVERIFY(WriteFile(prog->Path("roms/m2a.rom"), d.mon2aShort));
        WriteElementText(ChildForWrite(FindChildElement(ConfigSection("Model"), "Model-2"), "RomFile"), "roms/m2.rom");
        WriteElementText(ChildForWrite(FindChildElement(ConfigSection("Model"), "Model-1"), "RomFile"), "roms/other.rom");
        OpenLanguageFilePath(ORVIK_SOURCE_DIR "/resources/Lang/English.ini");
        TFormSettings settings;
        FakePrompts prompts;  // boxes only recorded
        settings.SetPrompts(prompts);
        settings.SetKnownRoms(d.table);
        settings.TabModelShow();
        auto* name = settings.findChild<QLabel*>("LblMonName");
        QVERIFY(name);
        auto radio = [&](const char* n) { return settings.findChild<QAbstractButton*>(n); };
        QCOMPARE(name->text(), QStringLiteral("PMD 85-2 monitor"));
        radio("RadioM1")->click();
        QCOMPARE(name->text(), QStringLiteral("unknown dump"));
        radio("RadioM3")->click();  // no file
        QCOMPARE(name->text(), QString());
        // A file chosen with the open button is named at once.
        prompts.paths = {prog->Path("roms/m2a.rom").toStdString()};
        settings.findChild<QAbstractButton*>("SbMonOpen")->click();
        QCOMPARE(settings.findChild<QLineEdit*>("EditMon")->text(), QStringLiteral("roms/m2a.rom"));
        QCOMPARE(name->text(), QStringLiteral("PMD 85-2A monitor"));
        // A FIFO chosen as the monitor is not read.
        QCOMPARE(::mkfifo(prog->Path("roms/pipe.rom").toLocal8Bit().constData(), 0644), 0);
        prompts.paths = {prog->Path("roms/pipe.rom").toStdString()};
        settings.findChild<QAbstractButton*>("SbMonOpen")->click();
        QCOMPARE(name->text(), QStringLiteral("unknown dump"));
    }

    // The settings dialog, loaded before the assistant ran, shows and keeps what it wrote.
    void settingsDialogFollows() {
        Open([](QString& t) {
            SetCurrent(t, "Model-2");
            t.replace(QStringLiteral("<RomPackages/>"),
                      QStringLiteral("<RomPackages><RomPackage name=\"old\"><RomFile>old.rmm</RomFile></RomPackage></RomPackages>"));
        });
        TFormSettings settings;
        FakePrompts prompts;
        settings.SetPrompts(prompts);
        settings.TabRomPackagesShow();
        settings.TabModelShow();
        settings.TabStoragesShow();
        const QString roms = prog->Path("roms/");
        QVERIFY(WriteFile(roms + "m2.rom", d.mon2));
        QVERIFY(WriteFile(roms + "basic2.rmm", d.basic2));
        TFormRomFolder form(nullptr, roms.toStdString(), d.table, *doc);
        form.accept();
        QVERIFY(form.Changed());
        ReloadSettingsPages(settings);
        QCOMPARE(settings.findChild<QLineEdit*>("EditMon")->text(), QStringLiteral("roms/m2.rom"));
        const MachineSettings modules = ReadMachineSettings(doc->Root());
        QVERIFY(modules.RomModuleInserted());
        QCOMPARE(modules.RomModuleFiles().size(), size_t(1));
        QCOMPARE(modules.RomModuleFiles()[0].path, std::string("roms/basic2.rmm"));
        QCOMPARE(modules.RomModuleFiles()[0].status, 0);
        settings.BtnOkClick();
        QCOMPARE(RomFileOf(doc->Root(), "Model-2"), std::string("roms/m2.rom"));
        QCOMPARE(ReadAttrString(RomModuleOf(doc->Root(), "Model-2"), "name"), std::string("basic2"));
        QVERIFY(ReadAttrBool(RomModuleOf(doc->Root(), "Model-2"), "inserted", false));
    }

    // Every named control of the dialog and its run-time texts have English keys.
    void everyTextHasAnEnglishKey() {
        Open();
        IniFile ini;
        QVERIFY(ini.Load(ORVIK_SOURCE_DIR "/resources/Lang/English.ini"));
        const IniFile::Section* section = ini.FindSection("FormRomFolder");
        QVERIFY(section);
        std::set<std::string> keys;
        for (const IniFile::Entry& e : section->entries) keys.insert(e.key);
        TFormRomFolder form(nullptr, prog->Path().toStdString(), d.table, *doc);
        QStringList missing;
        if (!keys.count("form.FormRomFolder.Caption")) missing << "caption";
        for (QWidget* w : form.findChildren<QWidget*>()) {
            const QString n = w->objectName();
            if (n.isEmpty() || n.startsWith("qt_") || w->property("dynamicText").toBool()) continue;
            QString kind;
            if (qobject_cast<QPushButton*>(w)) kind = "button";
            else if (qobject_cast<QLabel*>(w)) kind = "label";
            if (!kind.isEmpty() && !keys.count((kind + "." + n + ".Caption").toStdString())) missing << n;
        }
        auto* list = form.findChild<QTreeWidget*>("LvRomFolder");
        for (int c = 1; c <= list->columnCount(); ++c)
            if (!keys.count("listView.LvRomFolder.Column" + std::to_string(c))) missing << QString("column %1").arg(c);
        // The run-time texts the dialog asks for.
        QFile src(ORVIK_SOURCE_DIR "/shell/romfolder/FormRomFolder.cpp");
        QVERIFY(src.open(QIODevice::ReadOnly));
        const QString code = QString::fromUtf8(src.readAll());
        static const QRegularExpression asked(QStringLiteral("Text\\(\"(text\\.[A-Za-z.]+)\""));
        int seen = 0;
        for (auto it = asked.globalMatch(code); it.hasNext(); ++seen) {
            const std::string key = it.next().captured(1).toStdString();
            if (!keys.count(key)) missing << QString::fromStdString(key);
        }
        QVERIFY(seen > 10);
        for (const char* key : {"text.ChooseFolder.Title", "text.RomName.Unknown", "text.RomName.OfModel",
                                "text.RomKind.Monitor"})
            if (!keys.count(key)) missing << key;
        const IniFile::Section* settings = ini.FindSection("FormSettings");
        for (const char* key : {"radio.RadioMM.Caption", "text.RomName.Unknown", "text.RomName.OfModel", "text.RomName.Unsorted",
                                "text.RomKind.Monitor", "text.RomKind.Module", "text.RomKind.Device", "text.RomKind.Rom"}) {
            bool found = false;
            for (const IniFile::Entry& e : settings->entries) found = found || e.key == key;
            if (!found) missing << QString("FormSettings ") + key;
        }
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(", ")));
        // The walk puts the file's texts on the dialog.
        OpenLanguageFilePath(ORVIK_SOURCE_DIR "/resources/Lang/English.ini");
        TFormRomFolder translated(nullptr, prog->Path().toStdString(), d.table, *doc);
        QCOMPARE(translated.findChild<QTreeWidget*>("LvRomFolder")->headerItem()->text(2), QStringLiteral("What OK does"));
    }
};

QTEST_MAIN(RomFolderAssistantTest)
#include "RomFolderAssistantTest.moc"
