// The order of the main window's menus and toolbar, and the controls that
// belong to no single area: the open button with its recent-files pop-up,
// the tape-browser button and the home-page item.
#include <QAction>
#include <QDesktopServices>
#include <QFileInfo>
#include <QHash>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include "common/Paths.h"
#include "shell/FormMain.h"
#include "shell/help/HelpPages.h"
#include "ui/ControlPictures.h"

namespace {

QString NameOf(QAction* a) { return a->objectName().isEmpty() && a->menu() ? a->menu()->objectName() : a->objectName(); }

// Puts the menu's items in the given order ("-" a separator). Items the list
// does not name keep their place at the end, so nothing is lost.
void Arrange(QWidget* holder, std::initializer_list<const char*> order) {
    QHash<QString, QAction*> byName;
    QList<QAction*> rest;
    for (QAction* a : holder->actions()) {
        holder->removeAction(a);
        if (a->isSeparator()) {
            if (a->parent() == holder) delete a;
            continue;
        }
        byName.insert(NameOf(a), a);
        rest.append(a);
    }
    auto separator = [holder] {
        if (auto* menu = qobject_cast<QMenu*>(holder)) return menu->addSeparator();
        return static_cast<QToolBar*>(holder)->addSeparator();
    };
    for (const char* name : order) {
        if (name[0] == '-') {
            separator();
            continue;
        }
        if (QAction* a = byName.take(QString::fromLatin1(name))) {
            rest.removeOne(a);
            holder->addAction(a);
        }
    }
    for (QAction* a : rest) holder->addAction(a);
}

using ControlPictures::Command;
using ControlPictures::CommandIcon;

// The pictures of the menu items, by meaning; check items and the window
// sizes show their check instead.
const struct {
    const char* name;
    Command picture;
} kMenuPictures[] = {
    {"MiOpenTape", Command::OpenTape},
    {"MiOpenSnap", Command::OpenSnapshot},
    {"MiSaveSnap", Command::SaveSnapshot},
    {"MiPicture", Command::Picture},
    {"MiPictureClip", Command::PictureClip},
    {"MiPictureBmp", Command::PictureBmp},
    {"MiRecordSound", Command::RecordSound},
    {"MiActionRecording", Command::Recording},
    {"MiPlaybackPrc", Command::PlayRecording},
    {"MiCreatePrc", Command::CreateRecording},
    {"MiContinuePrc", Command::ContinueRecording},
    {"MiStopPrc", Command::StopRecording},
    {"MiShowWinPrc", Command::Recording},
    {"MiPoke", Command::Poke},
    {"MiLoadFileToMem", Command::LoadMemory},
    {"MiSaveMemToFile", Command::SaveMemory},
    {"MiExit", Command::Exit},
    {"MiReset", Command::Reset},
    {"MiHardReset", Command::HardReset},
    {"MiTapeBrowser", Command::Tape},
    {"MiPrinterOutput", Command::Printer},
    {"MiInsertText", Command::InsertText},
    {"MiDebugger", Command::Debugger},
    {"MiSettings", Command::Settings},
    {"MiGeneral", Command::Settings},
    {"MiModel", Command::Computer},
    {"MiSetScreen", Command::Display},
    {"MiSetSound", Command::SoundOn},
    {"MiControl", Command::Joystick},
    {"MiRomModul", Command::RomModule},
    {"MiDev1", Command::Storage},
    {"MiDev2", Command::Storage},
    {"MiPrinters", Command::Printer},
    {"MiKeyboard", Command::Keyboard},
    {"MiWebpages", Command::Web},
    {"MiAbout", Command::About},
    {"MiRecentFiles", Command::RecentFiles},
};

}  // namespace

void TFormMain::CreateOpenControls() {
    // The open button and its drop-down of recent files.
    recentFilesDropdown = new QMenu(this);
    recentFilesDropdown->setObjectName("RecentFilesDropdown");
    QAction* title = AddAction(recentFilesDropdown, "MiRecentFiles", "Naposledy otvorené súbory");
    title->setEnabled(false);
    recentFilesDropdown->addSeparator()->setObjectName("N16");
    for (int i = 0; i < kRecentItems; ++i) {
        const std::string name = "MiRF" + std::to_string(i);
        recentItems[i] = new QAction(recentFilesDropdown);
        recentItems[i]->setObjectName(QString::fromStdString(name));
        recentItems[i]->setVisible(false);
        recentFilesDropdown->addAction(recentItems[i]);
        connect(recentItems[i], &QAction::triggered, this, [this, i] { MiOpenRecentFileClick(recentItems[i]); });
    }
    connect(recentFilesDropdown, &QMenu::aboutToShow, this, [this] { MiFileClick(); });
    QAction* open = AddAction(nullptr, "TBtnOpen", "");
    open->setToolTip(QString::fromUtf8("Otvoriť pásku/Snapshot..."));
    open->setIcon(CommandIcon(Command::Open));
    open->setProperty("imageIndex", 0);
    open->setMenu(recentFilesDropdown);
    connect(open, &QAction::triggered, this, [this] { TBtnOpenClick(0); });
    toolBar->addAction(open);
    if (auto* button = qobject_cast<QToolButton*>(toolBar->widgetForAction(open)))
        button->setPopupMode(QToolButton::MenuButtonPopup);

    QAction* tape = AddAction(nullptr, "TBtnTapeBrowser", "");
    tape->setToolTip(QString::fromUtf8("Prieskumník pásky (Alt+T)"));
    tape->setIcon(CommandIcon(Command::Tape));
    tape->setProperty("imageIndex", 9);
    connect(tape, &QAction::triggered, this, [this] { MiTapeBrowserClick(); });
    toolBar->addAction(tape);

    // The home page named in the item's hint (the language file holds it);
    // a relative name is a page in the configuration's or the program's
    // folder or the installed share folders (HelpPageFolder).
    QAction* web = AddAction(miHelp, "MiWebpages", "Domovská stránka emulátora");
    web->setToolTip("README.md");
    connect(web, &QAction::triggered, this, [this, web] { MiWebpagesClick(web); });
}

void TFormMain::MiWebpagesClick(QAction* sender) {
    const QString address = sender->toolTip();
    if (address.isEmpty()) return;
    const QUrl url = QUrl::fromUserInput(address, QString::fromStdString(HelpPageFolder(address.toStdString())),
                                         QUrl::AssumeLocalFile);
    if (webOpener)
        webOpener(url.toString());
    else
        QDesktopServices::openUrl(url);
}

void TFormMain::ArrangeControls() {
    CreateOpenControls();
    Arrange(miFile, {"MiOpenTape", "-", "MiOpenSnap", "MiSaveSnap", "-", "MiPicture", "-", "MiRecordSound", "-",
                     "MiActionRecording", "-", "MiPoke", "-", "MiLoadFileToMem", "MiSaveMemToFile", "-", "MiExit"});
    Arrange(miTools, {"MiTapeBrowser", "MiPrinterOutput", "-", "MiInsertText", "-", "MiDebugger", "-", "MiSettings"});
    Arrange(miHelp, {"MiKeyboard", "-", "MiWebpages", "-", "MiAbout"});
    Arrange(toolBar, {"TBtnOpen", "-", "TBtnSaveSnap", "-", "TBtnReset", "TBtnRunPause", "-", "TBtnSound", "-",
                      "TBtnTapeBrowser", "-", "TBtnSettings", "-", "TBtnTest"});
    if (auto* button = qobject_cast<QToolButton*>(toolBar->widgetForAction(ActionNamed("TBtnOpen"))))
        button->setPopupMode(QToolButton::MenuButtonPopup);
    for (QToolButton* b : toolBar->findChildren<QToolButton*>()) b->setFocusPolicy(Qt::NoFocus);
    for (const auto& m : kMenuPictures) {
        QAction* a = ActionNamed(m.name);
        if (!a)
            if (auto* menu = findChild<QMenu*>(QString::fromLatin1(m.name))) a = menu->menuAction();
        if (a) a->setIcon(CommandIcon(m.picture));
    }
    // Alt+R stays with the recording window, the item listed first.
    if (QAction* rom = ActionNamed("MiRomModul")) rom->setShortcut(QKeySequence());
}
