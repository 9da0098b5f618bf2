// The main window's menus and toolbar, built from one table: every item and
// button with its name, default text, shortcut, place, enable rule, handler
// and pictures, in the order they show. Also the open button's pop-up of
// recent files and the home-page item.
#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include "common/Lang.h"
#include "common/Paths.h"
#include "machine/recording/RecordingSession.h"
#include "shell/FormMain.h"
#include "tools/tape/window/TapeBrowser.h"
#include "shell/help/HelpPages.h"
#include "ui/ControlPictures.h"
#include "ui/Prompts.h"

namespace {

using ControlPictures::Command;
using ControlPictures::CommandIcon;

// Where an entry goes: a menu of the menu bar, one of their submenus, or the toolbar.
enum class Place : uint8_t { Bar, File, Picture, Prc, View, Size, Emul, Tools, Settings, Help, ToolBar, Count };

enum class Kind : uint8_t {
    Item,       // a command
    Menu,       // a submenu (or a menu of the bar) holding the entries of place `opens`
    Separator,
    Button,     // a toolbar button: caption is its hint
};

// When an entry is enabled; the File, Tools and Help menus are also off in full screen.
enum class Enable : uint8_t { Always, Never, PrcOpen, PrcRecording, TapeInterface };

enum Flags : uint8_t {
    kCheckable = 1,
    kChecked = 2,
    kHidden = 4,
    kRecentFiles = 8,  // the button drops the recent files down
};

constexpr QKeyCombination kNoKey = QKeyCombination::fromCombined(0);

using Handler = void (*)(TFormMain&, QAction*);

struct ControlEntry {
    Kind kind;
    Place place;
    // Object name; the language file's keys are menuItem.<name>.Caption and
    // button.<name>.Hint.
    const char* name;
    const char* caption;  // default caption (a button's default hint)
    QKeyCombination key = kNoKey;
    QKeyCombination key2 = kNoKey;  // a second shortcut
    Handler handler = nullptr;
    Command picture = Command::Count;  // none: check items and window sizes show their check
    int imageIndex = -1;               // the toolbar picture's index
    Enable enable = Enable::Always;
    uint8_t flags = 0;
    int tag = -1;        // the item's data: the window size, the settings page
    Place opens = Place::Count;
    const char* hint = nullptr;  // a menu item's hint
    // A button that runs a menu item's command is that item's action: the
    // button (named here) shows it with its own hint and picture index.
    const char* shares = nullptr;
};

constexpr ControlEntry Shares(const char* item, ControlEntry e) {
    e.shares = item;
    return e;
}

constexpr ControlEntry Sep(Place p) { return {Kind::Separator, p, "", ""}; }
constexpr ControlEntry Sub(Place p, const char* name, const char* caption, Place opens,
                           Command picture = Command::Count) {
    ControlEntry e{Kind::Menu, p, name, caption};
    e.opens = opens;
    e.picture = picture;
    return e;
}

using P = Place;
using C = Command;
constexpr auto A = Qt::ALT;
constexpr auto SA = Qt::SHIFT | Qt::ALT;

// The order of the table is the order of the menus and the toolbar.
const ControlEntry kControls[] = {
    Sub(P::Bar, "MiFile", "Súbor", P::File),
    {Kind::Item, P::File, "MiOpenTape", "Otvoriť pásku...", A | Qt::Key_F2, kNoKey,
     [](TFormMain& f, QAction*) { f.MiOpenTapeClick(); }, C::OpenTape},
    Sep(P::File),
    {Kind::Item, P::File, "MiOpenSnap", "Otvoriť snapshot...", SA | Qt::Key_F2, kNoKey,
     [](TFormMain& f, QAction*) { f.MiOpenSnapClick(); }, C::OpenSnapshot},
    {Kind::Item, P::File, "MiSaveSnap", "Uložiť snapshot...", A | Qt::Key_F7, kNoKey,
     [](TFormMain& f, QAction*) { f.TBtnSaveSnapClick(); }, C::SaveSnapshot},
    Sep(P::File),
    Sub(P::File, "MiPicture", "Obrázok", P::Picture, C::Picture),
    {Kind::Item, P::Picture, "MiPictureClip", "Skopírovať do schránky", A | Qt::Key_C, kNoKey,
     [](TFormMain& f, QAction*) { f.MiPictureClipClick(); }, C::PictureClip},
    {Kind::Item, P::Picture, "MiPictureBmp", "Uložiť ako bitmapu...", kNoKey, kNoKey,
     [](TFormMain& f, QAction*) { f.MiPictureBmpClick(); }, C::PictureBmp},
    {Kind::Item, P::Picture, "MiPictureVRAM", "Uložiť ako VideoRAM...", kNoKey, kNoKey, nullptr, C::Count, -1,
     Enable::Never, kHidden},
    Sep(P::File),
    {Kind::Item, P::File, "MiRecordSound", "Zaznamenať zvuk...", kNoKey, kNoKey,
     [](TFormMain& f, QAction*) { f.MiRecordSoundClick(); }, C::RecordSound},
    Sep(P::File),
    Sub(P::File, "MiActionRecording", "Záznam akcie (PRC)", P::Prc, C::Recording),
    {Kind::Item, P::Prc, "MiPlaybackPrc", "Prehrať záznam...", kNoKey, kNoKey,
     [](TFormMain& f, QAction*) { f.MiPlaybackPrcClick(); }, C::PlayRecording},
    {Kind::Item, P::Prc, "MiCreatePrc", "Vytvoriť nový záznam...", kNoKey, kNoKey,
     [](TFormMain& f, QAction*) { f.MiCreatePrcClick(); }, C::CreateRecording},
    {Kind::Item, P::Prc, "MiContinuePrc", "Pokračovať v zázname...", kNoKey, kNoKey,
     [](TFormMain& f, QAction*) { f.MiContinuePrcClick(true); }, C::ContinueRecording},
    {Kind::Item, P::Prc, "MiStopPrc", "Ukončiť záznam", kNoKey, kNoKey,
     [](TFormMain& f, QAction*) { f.MiStopPrcClick(); }, C::StopRecording, -1, Enable::PrcOpen},
    // Alt+R is this item's while it is enabled, else the ROM modules item's
    // (FollowEnableRules).
    {Kind::Item, P::Prc, "MiShowWinPrc", "Zobraziť okno záznamu", A | Qt::Key_R, kNoKey,
     [](TFormMain& f, QAction*) { f.MiShowWinPrcClick(); }, C::Recording, -1, Enable::PrcRecording},
    Sep(P::File),
    {Kind::Item, P::File, "MiPoke", "Poke...", kNoKey, kNoKey, [](TFormMain& f, QAction*) { f.MiPokeClick(); },
     C::Poke},
    Sep(P::File),
    {Kind::Item, P::File, "MiLoadFileToMem", "Nahrať súbor do pamäti...", A | Qt::Key_F11, kNoKey,
     [](TFormMain& f, QAction*) { f.MiLoadSaveMemClick(0); }, C::LoadMemory},
    {Kind::Item, P::File, "MiSaveMemToFile", "Uložiť obsah pamäti do súboru...", SA | Qt::Key_F11, kNoKey,
     [](TFormMain& f, QAction*) { f.MiLoadSaveMemClick(1); }, C::SaveMemory},
    Sep(P::File),
    {Kind::Item, P::File, "MiExit", "Koniec", A | Qt::Key_F4, kNoKey, [](TFormMain& f, QAction*) { f.MiExitClick(); },
     C::Exit},

    Sub(P::Bar, "MiView", "Zobrazenie", P::View),
    Sub(P::View, "MiSize", "Veľkosť okna", P::Size),
    {Kind::Item, P::Size, "MiSize100", "100%", A | Qt::Key_1, kNoKey,
     [](TFormMain& f, QAction* a) { f.ScreenSizeClick(a); }, C::Count, -1, Enable::Always, kCheckable, 0},
    {Kind::Item, P::Size, "MiSize200", "200%", A | Qt::Key_2, kNoKey,
     [](TFormMain& f, QAction* a) { f.ScreenSizeClick(a); }, C::Count, -1, Enable::Always, kCheckable, 1},
    {Kind::Item, P::Size, "MiSize300", "300%", A | Qt::Key_3, kNoKey,
     [](TFormMain& f, QAction* a) { f.ScreenSizeClick(a); }, C::Count, -1, Enable::Always, kCheckable, 2},
    {Kind::Item, P::Size, "MiSizeFull", "Celá obrazovka", A | Qt::Key_Return, A | Qt::Key_Enter,
     [](TFormMain& f, QAction* a) { f.ScreenSizeClick(a); }, C::Count, -1, Enable::Always, kCheckable, 3},

    Sub(P::Bar, "MiEmul", "Emulácia", P::Emul),
    {Kind::Item, P::Emul, "MiPaused", "Pozastavené", A | Qt::Key_F3, kNoKey,
     [](TFormMain& f, QAction*) { f.TBtnRunPauseClick(); }, C::Count, -1, Enable::Always, kCheckable},
    {Kind::Item, P::Emul, "MiReset", "Reset", A | Qt::Key_F5, kNoKey, [](TFormMain& f, QAction*) { f.TBtnResetClick(); },
     C::Reset},
    {Kind::Item, P::Emul, "MiHardReset", "Studený reštart", SA | Qt::Key_F5, kNoKey,
     [](TFormMain& f, QAction*) { f.MiHardResetClick(); }, C::HardReset},
    Sep(P::Emul),
    {Kind::Item, P::Emul, "MiSound", "Zvuk", A | Qt::Key_F8, kNoKey, [](TFormMain& f, QAction*) { f.TBtnSoundClick(true); },
     C::Count, -1, Enable::Always, kCheckable | kChecked},
    Sep(P::Emul),
    {Kind::Item, P::Emul, "MiFocusPause", "Pozastaviť pri neaktivite", kNoKey, kNoKey,
     [](TFormMain& f, QAction*) { f.MiFocusPauseClick(); }, C::Count, -1, Enable::Always, kCheckable},

    Sub(P::Bar, "MiTools", "Nástroje", P::Tools),
    {Kind::Item, P::Tools, "MiTapeBrowser", "Prieskumník pásky", A | Qt::Key_T, kNoKey,
     [](TFormMain& f, QAction*) { f.MiTapeBrowserClick(); }, C::Tape, -1, Enable::TapeInterface},
    {Kind::Item, P::Tools, "MiPrinterOutput", "Výstup tlačiarne", A | Qt::Key_O, kNoKey,
     [](TFormMain& f, QAction*) { f.MiPrinterOutputClick(); }, C::Printer},
    Sep(P::Tools),
    {Kind::Item, P::Tools, "MiInsertText", "Vložiť text zo schránky", A | Qt::Key_B, kNoKey,
     [](TFormMain& f, QAction*) { f.MiInsertTextClick(); }, C::InsertText},
    Sep(P::Tools),
    {Kind::Item, P::Tools, "MiDebugger", "Debugger", A | Qt::Key_F12, kNoKey,
     [](TFormMain& f, QAction*) { f.MiDebuggerClick(); }, C::Debugger},
    Sep(P::Tools),
    // The settings pages (tag: the page).
    Sub(P::Tools, "MiSettings", "Nastavenia...", P::Settings, C::Settings),
    {Kind::Item, P::Settings, "MiGeneral", "Všeobecné...", A | Qt::Key_G, kNoKey,
     [](TFormMain& f, QAction* a) { f.MiSettingsClick(a); }, C::Settings, -1, Enable::Always, 0, 0},
    {Kind::Item, P::Settings, "MiModel", "Zmena modelu...", A | Qt::Key_M, kNoKey,
     [](TFormMain& f, QAction* a) { f.MiSettingsClick(a); }, C::Computer, -1, Enable::Always, 0, 1},
    {Kind::Item, P::Settings, "MiSetScreen", "Spôsob zobrazovania...", A | Qt::Key_V, kNoKey,
     [](TFormMain& f, QAction* a) { f.MiSettingsClick(a); }, C::Display, -1, Enable::Always, 0, 2},
    {Kind::Item, P::Settings, "MiSetSound", "Nastavenie zvuku...", A | Qt::Key_S, kNoKey,
     [](TFormMain& f, QAction* a) { f.MiSettingsClick(a); }, C::SoundOn, -1, Enable::Always, 0, 3},
    {Kind::Item, P::Settings, "MiControl", "Klávesnica a Joystick...", A | Qt::Key_K, kNoKey,
     [](TFormMain& f, QAction* a) { f.MiSettingsClick(a); }, C::Joystick, -1, Enable::Always, 0, 4},
    {Kind::Item, P::Settings, "MiRomModul", "Rom moduly...", kNoKey, kNoKey,
     [](TFormMain& f, QAction* a) { f.MiSettingsClick(a); }, C::RomModule, -1, Enable::Always, 0, 5},
    {Kind::Item, P::Settings, "MiDev1", "Záznamové zariadenia (1)...", A | Qt::Key_D, kNoKey,
     [](TFormMain& f, QAction* a) { f.MiSettingsClick(a); }, C::Storage, -1, Enable::Always, 0, 6},
    {Kind::Item, P::Settings, "MiDev2", "Záznamové zariadenia (2)...", A | Qt::Key_I, kNoKey,
     [](TFormMain& f, QAction* a) { f.MiSettingsClick(a); }, C::Storage, -1, Enable::Always, 0, 7},
    {Kind::Item, P::Settings, "MiPrinters", "Tlačiarne a plotre...", A | Qt::Key_L, kNoKey,
     [](TFormMain& f, QAction* a) { f.MiSettingsClick(a); }, C::Printer, -1, Enable::Always, 0, 8},

    Sub(P::Bar, "MiHelp", "Pomocník", P::Help),
    {Kind::Item, P::Help, "MiKeyboard", "Klávesnica", A | Qt::Key_F1, kNoKey,
     [](TFormMain& f, QAction*) { f.MiKeyboardClick(); }, C::Keyboard},
    Sep(P::Help),
    // The home page named in the item's hint (the language file holds it);
    // a relative name is a page in the program folder.
    {Kind::Item, P::Help, "MiWebpages", "Domovská stránka emulátora", kNoKey, kNoKey,
     [](TFormMain& f, QAction* a) { f.MiWebpagesClick(a); }, C::Web, -1, Enable::Always, 0, -1, P::Count, "README.md"},
    Sep(P::Help),
    {Kind::Item, P::Help, "MiAbout", "O programe...", kNoKey, kNoKey, [](TFormMain& f, QAction*) { f.MiAboutClick(); },
     C::About},

    {Kind::Button, P::ToolBar, "TBtnOpen", "Otvoriť pásku/Snapshot...", kNoKey, kNoKey,
     [](TFormMain& f, QAction*) { f.TBtnOpenClick(0); }, C::Open, 0, Enable::Always, kRecentFiles},
    Sep(P::ToolBar),
    Shares("MiSaveSnap", {Kind::Button, P::ToolBar, "TBtnSaveSnap", "Uložiť snapshot... (Alt+F7)", kNoKey, kNoKey,
                          nullptr, C::SaveSnapshot, 1}),
    Sep(P::ToolBar),
    Shares("MiReset", {Kind::Button, P::ToolBar, "TBtnReset", "Reset (Alt+F5)", kNoKey, kNoKey, nullptr, C::Reset, 3}),
    // Pictures 4 and 5: run and pause; 6 and 7 sound on and off.
    {Kind::Button, P::ToolBar, "TBtnRunPause", "Spustiť/Pozastaviť (Alt+F3)", kNoKey, kNoKey,
     [](TFormMain& f, QAction*) { f.TBtnRunPauseClick(); }, C::Pause, 5},
    Sep(P::ToolBar),
    {Kind::Button, P::ToolBar, "TBtnSound", "Zvuk (Alt+F8)", kNoKey, kNoKey,
     [](TFormMain& f, QAction*) { f.TBtnSoundClick(true); }, C::SoundOn, 6},
    Sep(P::ToolBar),
    Shares("MiTapeBrowser", {Kind::Button, P::ToolBar, "TBtnTapeBrowser", "Prieskumník pásky (Alt+T)", kNoKey,
                             kNoKey, nullptr, C::Tape, 9, Enable::TapeInterface}),
    Sep(P::ToolBar),
    {Kind::Button, P::ToolBar, "TBtnSettings", "Nastavenia emulátora...", kNoKey, kNoKey,
     [](TFormMain& f, QAction*) { f.TBtnSettingsClick(); }, C::Settings, 8},
    Sep(P::ToolBar),
    // Hidden at the first showing.
    {Kind::Button, P::ToolBar, "TBtnTest", "Test Debug Action", kNoKey, kNoKey, nullptr, C::OtherFile},
};

constexpr size_t kControlCount = sizeof(kControls) / sizeof(kControls[0]);

bool OffInFullScreen(Place p) {
    switch (p) {
    case Place::File:
    case Place::Picture:
    case Place::Prc:
    case Place::Tools:
    case Place::Settings:
    case Place::Help:
        return true;
    default:
        return false;
    }
}

}  // namespace

QAction* TFormMain::AddAction(QMenu* menu, const char* name, const char* caption, const QKeySequence& key) {
    auto* a = new QAction(QString::fromUtf8(caption), this);
    a->setObjectName(name);
    if (!key.isEmpty()) a->setShortcut(key);
    if (menu) menu->addAction(a);
    addAction(a);  // shortcuts keep working while the menu bar is hidden
    return a;
}

void TFormMain::CreateMenusAndToolBar() {
    QMenuBar* bar = menuBar();
    bar->setObjectName("MainMenu");
    toolBar = new QToolBar(this);
    toolBar->setObjectName("ToolBar");
    toolBar->setMovable(false);
    toolBar->setFloatable(false);
    toolBar->setFixedHeight(kToolBarHeight);
    toolBar->setIconSize(QSize(16, 16));
    toolBar->setContextMenuPolicy(Qt::PreventContextMenu);
    addToolBar(Qt::TopToolBarArea, toolBar);
    CreateRecentFilesDropdown();

    QMenu* menus[static_cast<int>(Place::Count)] = {};
    auto menuOf = [&menus](Place p) { return menus[static_cast<int>(p)]; };
    auto separator = [&](Place p) {
        if (p == Place::ToolBar) return toolBar->addSeparator();
        return menuOf(p)->addSeparator();
    };
    auto* sizeGroup = new QActionGroup(this);  // the window sizes: one checked
    sizeGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
    controlActions.assign(kControlCount, nullptr);
    for (size_t i = 0; i < kControlCount; ++i) {
        const ControlEntry& e = kControls[i];
        if (e.kind == Kind::Separator) {
            separator(e.place);
            continue;
        }
        QAction* a = nullptr;
        if (e.shares) {
            // Its enabling is the item's (controlActions keeps no second entry).
            a = ActionNamed(e.shares);
            a->setToolTip(QString::fromUtf8(e.caption));
            toolBar->addAction(a);
            toolBar->widgetForAction(a)->setObjectName(e.name);
            SetImageIndex(a, e.imageIndex);
            continue;
        }
        if (e.kind == Kind::Menu) {
            QMenu* m = e.place == Place::Bar ? bar->addMenu(QString::fromUtf8(e.caption))
                                             : menuOf(e.place)->addMenu(QString::fromUtf8(e.caption));
            m->setObjectName(e.name);
            menus[static_cast<int>(e.opens)] = m;
            a = m->menuAction();
        } else {
            a = AddAction(e.kind == Kind::Item ? menuOf(e.place) : nullptr, e.name,
                          e.kind == Kind::Item ? e.caption : "");
            if (e.key2.toCombined() != 0)
                a->setShortcuts({QKeySequence(e.key), QKeySequence(e.key2)});
            else if (e.key.toCombined() != 0)
                a->setShortcut(QKeySequence(e.key));
            if (e.kind == Kind::Button) {
                a->setToolTip(QString::fromUtf8(e.caption));
                toolBar->addAction(a);
                toolBar->widgetForAction(a)->setObjectName(e.name);
            }
            if (e.hint) a->setToolTip(QString::fromUtf8(e.hint));
            if (e.flags & kCheckable) a->setCheckable(true);
            if (e.flags & kChecked) a->setChecked(true);
            if (e.flags & kHidden) a->setVisible(false);
            if (e.flags & kRecentFiles) {
                a->setMenu(recentFilesDropdown);
                if (auto* button = qobject_cast<QToolButton*>(toolBar->widgetForAction(a)))
                    button->setPopupMode(QToolButton::MenuButtonPopup);
            }
            if (e.tag >= 0) a->setData(e.tag);
            if (e.imageIndex >= 0) SetImageIndex(a, e.imageIndex);
            if (e.place == Place::Size) sizeGroup->addAction(a);
            if (const Handler h = e.handler) connect(a, &QAction::triggered, this, [this, h, a] { h(*this, a); });
        }
        if (e.picture != Command::Count) a->setIcon(CommandIcon(e.picture));
        controlActions[i] = a;
    }
    miFile = menuOf(Place::File);
    miView = menuOf(Place::View);
    miEmul = menuOf(Place::Emul);
    miTools = menuOf(Place::Tools);
    miHelp = menuOf(Place::Help);
    for (int i = 0; i < 4; ++i) miSize[i] = sizeGroup->actions().value(i);
    miPaused = ActionNamed("MiPaused");
    miSound = ActionNamed("MiSound");
    miFocusPause = ActionNamed("MiFocusPause");
    miRecordSound = ActionNamed("MiRecordSound");
    tbtnRunPause = ActionNamed("TBtnRunPause");
    tbtnSound = ActionNamed("TBtnSound");
    tbtnTest = ActionNamed("TBtnTest");
    for (QToolButton* b : toolBar->findChildren<QToolButton*>()) b->setFocusPolicy(Qt::NoFocus);
    FollowEnableRules();
}

void TFormMain::FollowEnableRules() {
    for (size_t i = 0; i < controlActions.size(); ++i) {
        const ControlEntry& e = kControls[i];
        QAction* a = controlActions[i];
        if (!a || e.kind == Kind::Menu) continue;
        bool on = true;
        switch (e.enable) {
        case Enable::Always: break;
        case Enable::Never: on = false; break;
        case Enable::PrcOpen: on = prcSession && prcSession->IsOpen(); break;
        case Enable::PrcRecording: on = prcSession && prcSession->IsRecording(); break;
        // A model without a tape interface (Model-Mato) has them off; on
        // until the tape browser is made.
        case Enable::TapeInterface: on = !tapeBrowser || tapeBrowser->Available(); break;
        }
        // File and tool commands stay off in full screen, their shortcuts too.
        if (inFullScreen && OffInFullScreen(e.place)) on = false;
        a->setEnabled(on);
    }
    // Two enabled items with one key would both stay silent.
    QAction* showWinPrc = ActionNamed("MiShowWinPrc");
    QAction* romModul = ActionNamed("MiRomModul");
    if (showWinPrc && romModul)
        romModul->setShortcut(showWinPrc->isEnabled() ? QKeySequence() : QKeySequence(Qt::ALT | Qt::Key_R));
}

void TFormMain::SetImageIndex(QObject* component, int index) { imageIndexes.insert(component, index); }

int TFormMain::ImageIndex(const QObject* component) const { return imageIndexes.value(component, -1); }

void TFormMain::CreateRecentFilesDropdown() {
    recentFilesDropdown = new QMenu(this);
    recentFilesDropdown->setObjectName("RecentFilesDropdown");
    QAction* title = AddAction(recentFilesDropdown, "MiRecentFiles", "Naposledy otvorené súbory");
    title->setEnabled(false);
    title->setIcon(CommandIcon(Command::RecentFiles));
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
}

void TFormMain::MiWebpagesClick(QAction* sender) {
    const QString address = sender->toolTip();
    if (address.isEmpty()) return;
    const QUrl url = QUrl::fromUserInput(address, QString::fromStdString(HelpPageFolder(address.toStdString())),
                                         QUrl::AssumeLocalFile);
    if (prompts->OpenUrl(url)) return;
    // No browser or viewer: the user gets the address to open by hand.
    const QString where = url.isLocalFile() ? url.toLocalFile() : url.toString();
    prompts->Information(this, FormText("err.Webpages.Title"),
                         QString::fromStdString(LangTextArg("FormMain", "err.Webpages.Message", where.toStdString())));
}
