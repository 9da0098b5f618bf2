// The program's own pictures for controls: every command icon and every
// model picture is painted and differs clearly from the others; the toolbar,
// the menus and the recent-files entries show the picture of their meaning;
// the Model page shows the eight model pictures; the buttons of the dialogs
// and tool windows show drawn pictures, not letters nor Qt's stock ones; the
// tape browser's commands are disabled on the model without a tape interface. A sheet of all the
// pictures is kept in the build folder (tests/artefacts/) to look at.
#include <QtTest>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <QRadioButton>
#include <QToolButton>
#include <QTreeWidget>
#include <QToolBar>

#include <map>
#include <memory>
#include <set>

#include "common/Config.h"
#include "common/RecentFiles.h"
#include "machine/core/ModelIndex.h"
#include "shell/FormMain.h"
#include "shell/peripherals/FormJoy.h"
#include "ui/ControlPictures.h"
#include "shell/settings/FormSettings.h"
#include "tests/qt/FakePrompts.h"
#include "tests/qt/TestProgramDir.h"
#include "shell/recording/FormActionRecording.h"
#include "tools/memrw/window/FormMemReadWrite.h"
#include "tools/tape/window/TapeBrowser.h"

using ControlPictures::Command;
using ControlPictures::Subject;

namespace {

constexpr int kCommands = int(Command::Count);
constexpr int kSubjects = int(Subject::Count);

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

// The share of the painted pixels that the most common colour covers (in
// steps of 16 per channel): near 1 for a plain square of a colour.
double DominantShare(const QImage& image) {
    std::map<QRgb, int> counts;
    int painted = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            if (qAlpha(c) < 128) continue;
            painted++;
            counts[qRgb(qRed(c) >> 4, qGreen(c) >> 4, qBlue(c) >> 4)]++;
        }
    int most = 0;
    for (const auto& [colour, n] : counts) most = std::max(most, n);
    return painted ? double(most) / painted : 1.0;
}

// A picture, not a plain or lettered square of one colour: painted in a
// good part, and not a square filled whole with mostly one colour.
bool IsPicture(const QImage& image, QString* why = nullptr) {
    const int area = image.width() * image.height(), painted = Painted(image);
    const double share = DominantShare(image);
    if (why) *why = QString("painted %1 of %2, one colour over %3").arg(painted).arg(area).arg(share);
    const bool square = painted >= area * 9 / 10 && share >= 0.6;
    return painted >= area / 8 && !square;
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

    // Each button of the window with a short text or none (a letter, "...",
    // "+", "<>") shows a drawn picture and a hint, not the text nor one of
    // Qt's stock pictures; except (named) while they have no text.
    void ButtonsShowPictures(QWidget* window, const QStringList& except = {}) {
        std::vector<QImage> stock;
        for (int sp = 0; sp <= int(QStyle::SP_LineEditClearButton) + 8; ++sp) {
            const QIcon icon = window->style()->standardIcon(QStyle::StandardPixmap(sp));
            if (!icon.isNull()) stock.push_back(IconImage(icon));
        }
        for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
            if (!qobject_cast<QToolButton*>(b) && !qobject_cast<QPushButton*>(b)) continue;
            const QString text = b->text().remove('&').trimmed();
            const bool placeholder = text.size() <= 2 || !text.contains(QRegularExpression("\\w"));
            if (!placeholder || text == "OK") continue;
            if (except.contains(b->objectName()) && text.isEmpty()) continue;
            QVERIFY2(text.isEmpty(), qPrintable(b->objectName() + " shows " + text));
            QVERIFY2(!b->icon().isNull(), qPrintable(b->objectName()));
            const QImage image = IconImage(b->icon());
            QString why;
            QVERIFY2(IsPicture(image, &why), qPrintable(b->objectName() + ": " + why));
            for (const QImage& s : stock)
                QVERIFY2(Differing(image, s) >= 16 * 16 / 16, qPrintable(b->objectName() + " shows a stock picture"));
            QVERIFY2(!b->toolTip().isEmpty(), qPrintable(b->objectName()));
        }
    }

    // The named buttons of the window each show a picture of their own.
    void PicturesDiffer(QWidget* window, const std::vector<const char*>& names) {
        std::vector<std::pair<const char*, QImage>> seen;
        for (const char* name : names) {
            auto* b = window->findChild<QToolButton*>(name);
            QVERIFY2(b, name);
            const QImage image = IconImage(b->icon());
            for (const auto& [other, picture] : seen)
                QVERIFY2(Differing(image, picture) >= 16 * 16 / 16, qPrintable(QString("%1 and %2").arg(name, other)));
            seen.emplace_back(name, image);
        }
    }

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
        const int pageHeight = qRound(ControlPictures::kModelHeight * ControlPictures::kModelPageWidth /
                                      double(ControlPictures::kModelWidth));
        for (const QSize size : {QSize(60, 34), QSize(ControlPictures::kModelPageWidth, pageHeight)}) {
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
        // The settings' pictures at the tree's, the groups' and the header's sizes,
        // the rows' status icons, and the model pictures as the Model page has them.
        QImage settings(kSubjects * 48 + 8, 24 + 32 + 40 + 16 + 2 * 44 + 32, QImage::Format_ARGB32);
        settings.fill(QColor(236, 236, 236));
        p.begin(&settings);
        for (int s = 0; s < kSubjects; ++s) {
            p.drawPixmap(4 + s * 48, 4, ControlPictures::SubjectPicture(Subject(s), 24));
            p.drawPixmap(4 + s * 48, 32, ControlPictures::SubjectPicture(Subject(s), 32));
            p.drawPixmap(4 + s * 48, 68, ControlPictures::SubjectPicture(Subject(s), 40));
        }
        for (int r = 0; r < ControlPictures::kRomStatusCount; ++r) p.drawPixmap(4 + r * 16, 112, ControlPictures::RomStatusPicture(r));
        for (int m = 0; m < 8; ++m)
            p.drawPixmap(4 + (m % 4) * 80, 128 + (m / 4) * 44, ControlPictures::ModelPicture(m, ControlPictures::kModelPageWidth));
        p.end();
        QVERIFY(settings.save(folder + "/settings-pictures.png"));
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
        TFormTapeBrowser* browser = form->TapeBrowser();
        browser->show();
        QVERIFY(browser->grab().save(folder + "/pictures-tape-browser.png"));
        browser->findChild<QToolButton*>("SBtnFlashLoad")->setChecked(true);
        browser->findChild<QToolButton*>("SBtnEditTape")->click();
        QVERIFY(browser->grab().save(folder + "/pictures-tape-browser-edit.png"));
        browser->findChild<QToolButton*>("SBtnEditTape")->click();
        browser->hide();
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

    // The pages' and groups' pictures of the settings: each a picture, each
    // unlike the others, at the tree's and the header's sizes.
    void settingsPicturesArePaintedAndDistinct() {
        for (int size : {24, 32, 40}) {
            std::vector<QImage> all;
            for (int s = 0; s < kSubjects; ++s) {
                const QImage image = Argb(ControlPictures::SubjectPicture(Subject(s), size));
                QCOMPARE(image.size(), QSize(size, size));
                QString why;
                QVERIFY2(IsPicture(image, &why), qPrintable(QString("%1 at %2: ").arg(s).arg(size) + why));
                all.push_back(image);
            }
            for (int a = 0; a < kSubjects; ++a)
                for (int b = a + 1; b < kSubjects; ++b)
                    QVERIFY2(Differing(all[a], all[b]) >= size * size / 16, qPrintable(QString("%1 %2").arg(a).arg(b)));
        }
        // The rows' status icons: valid, missing, bad size, beyond the room.
        std::vector<QImage> rows;
        for (int r = 0; r < ControlPictures::kRomStatusCount; ++r) {
            const QImage image = Argb(ControlPictures::RomStatusPicture(r));
            QCOMPARE(image.size(), QSize(8, 8));
            QString why;
            QVERIFY2(IsPicture(image, &why), qPrintable(QString::number(r) + ": " + why));
            for (const QImage& other : rows) QVERIFY2(Differing(image, other) >= 8, qPrintable(QString::number(r)));
            rows.push_back(image);
        }
        QCOMPARE(Argb(ControlPictures::RomStatusPicture(5)), rows[3]);
    }

    // The tree and the header show each page's own picture, no numbered
    // squares; the General and Printers pages' groups show pictures.
    void settingsTreeHeaderAndGroupsShowPictures() {
        Start();
        TFormSettings* d = form->FormSettings();
        auto* tree = d->findChild<QTreeWidget*>("TreeItems");
        auto* top = d->findChild<QLabel*>("ImgTop");
        QVERIFY(tree && top);
        QCOMPARE(tree->topLevelItemCount(), TFormSettings::kPageCount);
        std::vector<QImage> icons, headers;
        for (int page = 0; page < TFormSettings::kPageCount; ++page) {
            d->SelectPage(page);
            const QImage icon = Argb(tree->topLevelItem(page)->icon(0).pixmap(QSize(24, 24)));
            const QImage header = Argb(top->pixmap());
            QString why;
            QVERIFY2(IsPicture(icon, &why), qPrintable(QString("tree %1: ").arg(page) + why));
            QVERIFY2(IsPicture(header, &why), qPrintable(QString("header %1: ").arg(page) + why));
            QVERIFY2(header.width() >= 32, qPrintable(QString::number(page)));
            for (size_t other = 0; other < icons.size(); ++other) {
                QVERIFY2(Differing(icon, icons[other]) >= 24 * 24 / 16, qPrintable(QString("%1 %2").arg(page).arg(other)));
                QVERIFY2(Differing(header, headers[other]) >= header.width() * header.height() / 16,
                         qPrintable(QString("%1 %2").arg(page).arg(other)));
            }
            icons.push_back(icon);
            headers.push_back(header);
        }
        std::vector<QImage> groups;
        for (const char* name : {"ImgLang", "ImgRegtype", "ImgPrtCentronics"}) {
            auto* label = d->findChild<QLabel*>(name);
            QVERIFY2(label, name);
            const QImage image = Argb(label->pixmap());
            QString why;
            QVERIFY2(IsPicture(image, &why), qPrintable(QString(name) + ": " + why));
            for (const QImage& other : groups) QVERIFY2(Differing(image, other) >= image.width() * image.height() / 16, name);
            groups.push_back(image);
        }
    }

    // No button of the settings or the joystick set-up shows a letter for a
    // picture: a button with a short text or none shows a picture, and the
    // buttons of different commands show different pictures.
    void buttonsShowPicturesNotLetters() {
        Start();
        // The assign buttons show a controller button's name, set as they load.
        const QStringList assign = {"BtnAxesFire", "BtnLeft", "BtnRight", "BtnUp", "BtnDown", "BtnFire"};
        for (QWidget* window : {static_cast<QWidget*>(form->FormSettings()), static_cast<QWidget*>(form->FormJoy())}) {
            ButtonsShowPictures(window, assign);
            if (QTest::currentTestFailed()) return;
        }
        for (const std::vector<const char*>& set : std::vector<std::vector<const char*>>{
                 {"Sb32aOpen", "Sb32aNew", "Sb32aEject", "Sb32ExchAB", "SbRootPath"},
                 {"SbRomPackageSave", "SbRomPackageDel", "SbRomFileAdd", "SbRomFileDel"}}) {
            PicturesDiffer(form->FormSettings(), set);
            if (QTest::currentTestFailed()) return;
        }
        // The same command shows the same picture on every drive and device.
        const QImage open = IconImage(form->FormSettings()->findChild<QToolButton*>("Sb32aOpen")->icon());
        for (const char* name : {"Sb32dOpen", "Sb30Open", "SbRaomOpen", "SbKzdOpen", "SbMonOpen"})
            QCOMPARE(IconImage(form->FormSettings()->findChild<QToolButton*>(name)->icon()), open);
    }

    // The tape browser's buttons, and the file choosers of the memory and
    // recording windows, show drawn pictures: no letters, none of Qt's stock
    // pictures, a different picture for each command; the two switches show
    // whether they are on.
    void toolWindowButtonsShowPicturesNotLetters() {
        Start();
        TFormTapeBrowser* browser = form->TapeBrowser();
        QVERIFY(browser);
        const std::vector<const char*> tape = {"SBtnInsertTape", "SBtnNewTape", "SBtnEditTape", "SBtnSaveTape",
                                               "SBtnAdd",        "SBtnDelete",  "SBtnUp",       "SBtnDown",
                                               "SBtnPopUp",      "SBtnStop",    "SBtnPlay",     "SBtnFlashLoad",
                                               "SBtnMonit"};
        for (const char* name : tape) QVERIFY2(browser->findChild<QToolButton*>(name), name);
        ButtonsShowPictures(browser);
        if (QTest::currentTestFailed()) return;
        PicturesDiffer(browser, tape);
        if (QTest::currentTestFailed()) return;
        for (const char* name : {"SBtnFlashLoad", "SBtnMonit"}) {
            const QIcon icon = browser->findChild<QToolButton*>(name)->icon();
            const QImage on = Argb(icon.pixmap(QSize(16, 16), QIcon::Normal, QIcon::On));
            const QImage off = Argb(icon.pixmap(QSize(16, 16), QIcon::Normal, QIcon::Off));
            QVERIFY2(IsPicture(on) && IsPicture(off), name);
            QVERIFY2(Differing(on, off) >= 16 * 16 / 16, name);
        }
        QVERIFY(form->FormActionRecording());
        for (QWidget* window : {static_cast<QWidget*>(form->FormMemReadWrite()),
                                static_cast<QWidget*>(form->FormActionRecording())}) {
            ButtonsShowPictures(window);
            if (QTest::currentTestFailed()) return;
        }
    }

    // The model pictures' name plates read at the dialog's own size: their
    // capitals and digits at least 7 pixels high on the Model page.
    void modelPlatesReadOnTheModelPage() {
        Start();
        TFormSettings* d = form->FormSettings();
        d->SelectPage(1);
        for (int m = 0; m < 8; ++m) {
            auto* label = d->findChild<QLabel*>(kModelImages[m]);
            QVERIFY2(label, kModelImages[m]);
            const int width = label->pixmap().width();
            QVERIFY2(ControlPictures::PlateLetterHeight(m, width) >= ControlPictures::kPlateLetterPixels,
                     qPrintable(QString("%1: %2 pixels at %3").arg(kModelNames[m]).arg(
                         ControlPictures::PlateLetterHeight(m, width)).arg(width)));
        }
        QCOMPARE(ControlPictures::PlateLetterHeight(8, 100), 0);
        // Narrower pictures have smaller plates; the page's are not the smallest readable by chance.
        QVERIFY(ControlPictures::PlateLetterHeight(0, 42) < ControlPictures::kPlateLetterPixels);
    }

    // Larger pictures still leave room: whichever model is chosen after the
    // dialog opened (Model-3 adds two check boxes), every control of the
    // Model page lies whole inside the page, also with a larger desktop font.
    void modelPageHoldsEveryModelsControls_data() {
        QTest::addColumn<int>("points");
        QTest::newRow("default font") << 0;
        QTest::newRow("11 points") << 11;
    }
    void modelPageHoldsEveryModelsControls() {
        QFETCH(int, points);
        const QFont before = QApplication::font();
        if (points > 0) {
            QFont font = before;
            font.setPointSize(points);
            QApplication::setFont(font);
        }
        Start();
        TFormSettings* d = form->FormSettings();
        d->SelectPage(1);
        d->show();
        QVERIFY(QTest::qWaitForWindowExposed(d));
        QWidget* page = d->Page(1);
        for (int m = 0; m < 8; ++m) {
            d->findChild<QRadioButton*>(kModelRadios[m])->setChecked(true);
            QApplication::processEvents();
            for (QWidget* w : page->findChildren<QWidget*>()) {
                if (!w->isVisibleTo(page) || w->objectName().isEmpty()) continue;
                const QRect place(w->mapTo(page, QPoint(0, 0)), w->size());
                QVERIFY2(page->rect().contains(place), qPrintable(QString("%1: %2").arg(kModelNames[m], w->objectName())));
                QVERIFY2(w->height() >= w->minimumSizeHint().height(),
                         qPrintable(QString("%1: %2 squeezed").arg(kModelNames[m], w->objectName())));
            }
        }
        d->hide();
        QApplication::setFont(before);
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
