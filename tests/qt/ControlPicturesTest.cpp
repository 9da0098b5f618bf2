// The program's own pictures for controls: every command icon and every
// model picture is painted and differs clearly from the others; the toolbar,
// the menus and the recent-files entries show the picture of their meaning;
// the Model page shows the eight model pictures; the tape browser's commands
// are disabled on the model without a tape interface. A sheet of all the
// pictures is kept in the build folder (tests/artefacts/) to look at.
#include <QtTest>

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QRadioButton>
#include <QToolBar>

#include <memory>
#include <set>

#include "common/Config.h"
#include "common/RecentFiles.h"
#include "machine/core/ModelIndex.h"
#include "shell/FormMain.h"
#include "ui/ControlPictures.h"
#include "shell/settings/FormSettings.h"
#include "tests/qt/FakePrompts.h"
#include "tests/qt/TestProgramDir.h"
#include "tools/tape/window/TapeBrowser.h"

using ControlPictures::Command;

namespace {

constexpr int kCommands = int(Command::Count);

QImage Argb(const QPixmap& p) { return p.toImage().convertToFormat(QImage::Format_ARGB32); }

int Painted(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) != 0) n++;
    return n;
}

// Pixels whose colour differs by more than a shade.
int Differing(const QImage& a, const QImage& b) {
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const int d = std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q)) +
                          std::abs(qAlpha(p) - qAlpha(q));
            if (d > 48) n++;
        }
    return n;
}

QImage IconImage(const QIcon& icon) { return Argb(icon.pixmap(QSize(16, 16))); }
QImage Picture(Command c) { return Argb(ControlPictures::CommandPicture(c, 16)); }

const char* const kModelNames[8] = {"Model-1",    "Model-2",    "Model-2A",    "Model-3",
                                    "Model-Mato", "Model-Alfa", "Model-Alfa2", "Model-C2717"};
const char* const kModelImages[8] = {"ImgPMD1", "ImgPMD2",      "ImgPMD2A",      "ImgPMD3",
                                     "ImgMato", "ImageDidAlfa", "ImageDidAlfa2", "imgC2717"};
const char* const kModelRadios[8] = {"RadioM1", "RadioM2", "RadioM2A", "RadioM3",
                                     "RadioMM", "RadioMA", "RadioMA2", "RadioMC"};

}  // namespace

class ControlPicturesTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestProgramDir> prog;
    FakePrompts prompts;
    std::unique_ptr<TFormMain> form;

    void Start(const char* model = nullptr) {
        prog = std::make_unique<TestProgramDir>();
        QVERIFY(prog->Make([&](QString& t) {
            if (model) t.replace("current=\"Model-C2717\"", QString("current=\"%1\"").arg(model));
        }));
        TFormMain::SetProgramDirOverride(prog->Path().toStdString());
        form = std::make_unique<TFormMain>(prompts);
        QCOMPARE(ApplicationTag, 0);
        form->show();
        QVERIFY(!form->FirstShowPending());
    }
    QAction* Menu(const char* name) {
        if (QAction* a = form->ActionNamed(name)) return a;
        auto* menu = form->findChild<QMenu*>(name);
        return menu ? menu->menuAction() : nullptr;
    }
    void Rebuild(int model) {
        ConfigSection("Model").attribute("current").set_value(kModelNames[model]);
        std::vector<int> codes{1};
        form->SetPause(1, 1);
        form->ApplySettings(codes);
        form->SetPause(0, 1);
    }

private slots:
    void cleanup() {
        form.reset();
        prog.reset();
        TFormMain::SetProgramDirOverride("");
    }

    void commandPicturesArePaintedAndDistinct() {
        for (int size : {16, 32}) {
            std::vector<QImage> all;
            for (int c = 0; c < kCommands; ++c) {
                const QImage image = Argb(ControlPictures::CommandPicture(Command(c), size));
                QCOMPARE(image.size(), QSize(size, size));
                QVERIFY2(Painted(image) >= size * size / 8, qPrintable(QString::number(c)));
                all.push_back(image);
            }
            // Every two differ in a good part of the picture, not in a pixel or two.
            for (int a = 0; a < kCommands; ++a)
                for (int b = a + 1; b < kCommands; ++b)
                    QVERIFY2(Differing(all[a], all[b]) >= size * size / 16, qPrintable(QString("%1 %2").arg(a).arg(b)));
        }
        const QIcon icon = ControlPictures::CommandIcon(Command::Tape);
        QCOMPARE(IconImage(icon), Picture(Command::Tape));
        QCOMPARE(Argb(icon.pixmap(QSize(32, 32))), Argb(ControlPictures::CommandPicture(Command::Tape, 32)));
    }

    void modelPicturesArePaintedAndDistinct() {
        for (const QSize size : {QSize(60, 34), QSize(ControlPictures::kModelPageWidth, 24)}) {
            const int area = size.width() * size.height();
            std::vector<QImage> all;
            for (int m = kModel1; m <= kModelC2717; ++m) {
                const QImage image = Argb(ControlPictures::ModelPicture(m, size.width()));
                QCOMPARE(image.size(), size);
                QVERIFY2(Painted(image) >= area / 3, kModelNames[m]);
                all.push_back(image);
            }
            for (int a = 0; a < 8; ++a)
                for (int b = a + 1; b < 8; ++b)
                    QVERIFY2(Differing(all[a], all[b]) >= area / 40,
                             qPrintable(QString("%1 %2").arg(kModelNames[a], kModelNames[b])));
        }
        for (int outside : {-1, 8}) QCOMPARE(Painted(Argb(ControlPictures::ModelPicture(outside))), 0);
    }

    void sheetOfAllPicturesIsKept() {
        const QString folder = QStringLiteral(ORVIK_BUILD_TESTS_DIR "/artefacts");
        QVERIFY(QDir().mkpath(folder));
        const int columns = 10;
        QImage sheet(columns * 40 + 8, ((kCommands + columns - 1) / columns) * 40 + 2 * 44 + 16, QImage::Format_ARGB32);
        sheet.fill(QColor(236, 236, 236));
        QPainter p(&sheet);
        for (int c = 0; c < kCommands; ++c) {
            const QPoint at(4 + (c % columns) * 40, 4 + (c / columns) * 40);
            p.drawPixmap(at, ControlPictures::CommandPicture(Command(c), 32));
        }
        const int top = 12 + ((kCommands + columns - 1) / columns) * 40;
        for (int m = 0; m < 8; ++m) p.drawPixmap(4 + (m % 4) * 64, top + (m / 4) * 40, ControlPictures::ModelPicture(m));
        p.end();
        QVERIFY(sheet.save(folder + "/control-pictures.png"));
    }

    // The main window, its menus and the Model page as drawn, for people to look at.
    void windowPicturesAreKept() {
        Start("Model-3");
        const QString folder = QStringLiteral(ORVIK_BUILD_TESTS_DIR "/artefacts");
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(form->grab().save(folder + "/pictures-main-window.png"));
        for (const char* name : {"MiFile", "MiEmul", "MiTools", "MiHelp"}) {
            auto* menu = form->findChild<QMenu*>(name);
            QVERIFY2(menu, name);
            menu->popup(QPoint(0, 0));
            QVERIFY(menu->grab().save(folder + "/pictures-" + name + ".png"));
            menu->hide();
        }
        TFormSettings* d = form->FormSettings();
        d->SelectPage(1);
        d->TreeItemsClick();
        d->show();
        QVERIFY(d->grab().save(folder + "/pictures-model-page.png"));
        d->hide();
    }

    // The meanings asked of the pictures: the tape browser a cassette, the
    // settings a gear, and so on; no stock picture of another meaning.
    void toolbarAndMenusShowTheirMeaning_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("picture");
        const std::pair<const char*, Command> rows[] = {
            {"TBtnOpen", Command::Open},           {"TBtnSaveSnap", Command::SaveSnapshot},
            {"TBtnReset", Command::Reset},         {"TBtnRunPause", Command::Pause},
            {"TBtnSound", Command::SoundOn},       {"TBtnTapeBrowser", Command::Tape},
            {"TBtnSettings", Command::Settings},   {"MiOpenTape", Command::OpenTape},
            {"MiOpenSnap", Command::OpenSnapshot}, {"MiSaveSnap", Command::SaveSnapshot},
            {"MiReset", Command::Reset},           {"MiHardReset", Command::HardReset},
            {"MiTapeBrowser", Command::Tape},      {"MiDebugger", Command::Debugger},
            {"MiKeyboard", Command::Keyboard},     {"MiSettings", Command::Settings},
            {"MiSetSound", Command::SoundOn},      {"MiPrinters", Command::Printer},
            {"MiPrinterOutput", Command::Printer}, {"MiRecordSound", Command::RecordSound},
            {"MiCreatePrc", Command::CreateRecording}, {"MiPlaybackPrc", Command::PlayRecording},
            {"MiAbout", Command::About},           {"MiExit", Command::Exit},
        };
        for (const auto& [name, picture] : rows) QTest::newRow(name) << QString(name) << int(picture);
    }
    void toolbarAndMenusShowTheirMeaning() {
        QFETCH(QString, control);
        QFETCH(int, picture);
        Start();
        if (QTest::currentTestFailed()) return;
        QAction* a = Menu(control.toLatin1().constData());
        QVERIFY(a);
        QCOMPARE(IconImage(a->icon()), Picture(Command(picture)));
    }

    void runPauseAndSoundButtonsFollowTheirState() {
        Start();
        QAction* run = form->ActionNamed("TBtnRunPause");
        QAction* sound = form->ActionNamed("TBtnSound");
        QVERIFY(run && sound);
        form->SetPause(1, 1);
        QCOMPARE(IconImage(run->icon()), Picture(Command::Run));
        form->SetPause(0, 1);
        QCOMPARE(IconImage(run->icon()), Picture(Command::Pause));
        form->TBtnSoundClick(true);
        QCOMPARE(IconImage(sound->icon()), Picture(Command::SoundOff));
        form->TBtnSoundClick(true);
        QCOMPARE(IconImage(sound->icon()), Picture(Command::SoundOn));
    }

    // Each recent file shows the picture of its type: snapshot, tape (.ptp
    // and .pmd alike), action recording, anything else; the title a clock.
    void recentFilesShowTheirTypesPicture() {
        Start();
        const std::pair<const char*, Command> files[] = {
            {"a.psn", Command::Snapshot}, {"b.PTP", Command::Tape},     {"c.pmd", Command::Tape},
            {"d.Prc", Command::Recording}, {"e.bin", Command::OtherFile}, {"f.psn.bak", Command::OtherFile},
        };
        for (auto it = std::rbegin(files); it != std::rend(files); ++it) {
            QVERIFY(prog->Write(it->first, "x"));
            AddRecentFile(prog->Path(it->first).toStdString());
        }
        form->MiFileClick();
        const QList<QAction*> items = form->RecentFilesDropdown()->actions();
        QCOMPARE(IconImage(items[0]->icon()), Picture(Command::RecentFiles));
        std::set<QByteArray> kinds;
        for (size_t i = 0; i < std::size(files); ++i) {
            QAction* item = items[int(i) + 2];
            QVERIFY(item->text().endsWith(files[i].first));
            const QImage shown = IconImage(item->icon());
            QCOMPARE(shown, Picture(files[i].second));
            kinds.insert(QByteArray(reinterpret_cast<const char*>(shown.constBits()), int(shown.sizeInBytes())));
        }
        QCOMPARE(int(kinds.size()), 4);
    }

    // Shown whole, none over another, also with the extra check box of
    // Model-3 on the page.
    void modelPageShowsTheEightPictures() {
        Start("Model-3");
        TFormSettings* d = form->FormSettings();
        QVERIFY(d);
        d->SelectPage(1);
        d->TreeItemsClick();
        d->show();
        QVERIFY(QTest::qWaitForWindowExposed(d));
        QList<QRect> places;
        for (int m = 0; m < 8; ++m) {
            auto* label = d->findChild<QLabel*>(kModelImages[m]);
            QVERIFY2(label, kModelImages[m]);
            QCOMPARE(Argb(label->pixmap()), Argb(ControlPictures::ModelPicture(m, ControlPictures::kModelPageWidth)));
            QVERIFY(label->text().isEmpty());
            QVERIFY2(label->height() >= label->pixmap().height(), kModelImages[m]);
            QVERIFY2(label->width() >= label->pixmap().width(), kModelImages[m]);
            const QRect place(label->mapTo(d, QPoint(0, 0)), label->size());
            for (const QRect& other : places) QVERIFY2(!other.intersects(place), kModelImages[m]);
            places << place;
        }
        // A picture chooses its model.
        auto* alfa = d->findChild<QLabel*>("ImageDidAlfa2");
        QTest::mouseClick(alfa, Qt::LeftButton);
        QVERIFY(d->findChild<QRadioButton*>("RadioMA2")->isChecked());
        d->hide();
    }

    // Model-Mato has no tape interface: the tape browser's menu item, its
    // shortcut and the toolbar button are disabled, and come back with a
    // model that has one.
    void tapeBrowserIsDisabledWithoutATapeInterface() {
        Start("Model-Mato");
        QAction* item = form->ActionNamed("MiTapeBrowser");
        QAction* button = form->ActionNamed("TBtnTapeBrowser");
        QVERIFY(item && button);
        QVERIFY(!item->isEnabled());
        QVERIFY(!button->isEnabled());
        TFormTapeBrowser* browser = form->TapeBrowser();
        QVERIFY(browser->isHidden());
        form->activateWindow();
        QTest::keyClick(form.get(), Qt::Key_T, Qt::AltModifier);
        form->MiTapeBrowserClick();
        QVERIFY(browser->isHidden());
        // A tape opened now waits in the browser, hidden.
        QVERIFY(prog->Write("t.ptp", QByteArray()));
        form->OpenFile(prog->Path("t.ptp").toStdString(), true);
        QVERIFY(browser->isHidden());

        Rebuild(kModel1);
        QVERIFY(item->isEnabled());
        QVERIFY(button->isEnabled());
        item->trigger();
        QVERIFY(browser->isVisible());
        Rebuild(kModelMato);
        QVERIFY(!item->isEnabled());
        QVERIFY(!button->isEnabled());
        QVERIFY(browser->isHidden());
    }
};

QTEST_MAIN(ControlPicturesTest)
#include "ControlPicturesTest.moc"
