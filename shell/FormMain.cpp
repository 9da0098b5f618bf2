#include "shell/FormMain.h"

#include "shell/help/FormAbout.h"
#include "shell/help/FormKeyMap.h"
#include "tools/debugger/window/FormDebugger.h"
#include "tools/memrw/window/FormMemReadWrite.h"
#include "tools/poke/window/FormPoke.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <portaudio.h>

#include <cstdio>

#include "common/Config.h"
#include "common/Files.h"
#include "common/Lang.h"
#include "common/Paths.h"
#include "machine/cpu/ChipCpu8080.h"
#include "machine/cpu/ChipMemory.h"
#include "machine/pio/SystemPIO.h"
#include "machine/recording/RecordingSession.h"
#include "machine/sound/SoundDriver.h"
#include "platform/KeyState.h"
#include "platform/ParPort.h"
#include "shell/FirstStartPanel.h"
#include "shell/InstanceChannel.h"
#include "shell/KeyMap.h"
#include "shell/ScreenView.h"
#include "shell/StatusPictures.h"
#include "shell/settings/FormSettings.h"
#include "ui/ControlPictures.h"
#include "ui/FileDialogs.h"
#include "ui/LangWindows.h"
#include "ui/QtCommonUtils.h"

int ApplicationTag = 0;

namespace {

using ControlPictures::Command;
using ControlPictures::CommandIcon;

std::string g_programDirOverride;

constexpr StatusPictures::Kind kImageLed = StatusPictures::Led;
constexpr StatusPictures::Kind kImageDiskTape = StatusPictures::DiskTape;

const char* const kSizeNames[3] = {"normal", "double", "triple"};

}  // namespace

// The owner's notifications; calls from the timer thread are posted to the
// user-interface thread as calls by name, whose queued events Qt makes and
// frees itself (no functor of ours crosses the threads).
class TFormMain::View : public OwnerView {
public:
    explicit View(TFormMain* f) : form(f) {}

    void RepaintScreen() override {
        form->screenView->PostFrame();
    }
    void ShowCpuUsage(const std::string& text) override {
        const QString t = QString::fromStdString(text);
        QMetaObject::invokeMethod(form->labelCpuUsage, "setText", Qt::QueuedConnection, Q_ARG(QString, t));
    }
    void Relayout() override {
        QMetaObject::invokeMethod(form, "UpdateWindowLayout", Qt::QueuedConnection);
    }
    void RunStateChanged(int paused, bool alsoRefreshTimers) override {
        form->RunStateChanged(paused, alsoRefreshTimers);
    }
    void ShowModel(int model) override {
        form->imageModel->setProperty("imageIndex", model);
        form->imageModel->setPixmap(StatusPictures::ModelPicture(model));
        form->imageModel->setToolTip(QString::fromLatin1(MachineOwner::ModelName(model)));
        form->ShowTapeBrowserAvailable();
        form->DebuggerMachineRebuilt();
        form->firstStart->FollowLater();  // a build may bring or lose the monitor ROM
    }
    void ShowMute(bool mute) override { form->ShowMute(mute); }
    void SetLed(int index, bool on) override { form->SetLed(1 << index, on); }
    void ShowDiskIcon(int image) override { form->ShowImage(form->imageDisk, kImageDiskTape, image); }
    void ShowTapeIcon(int image) override { form->ShowImage(form->imageTape, kImageDiskTape, image); }
    void ShowDebuggerHints(bool show) override {
        if (form->formDebugger) form->formDebugger->ShowHints(show);
    }

private:
    TFormMain* form;
};

void TFormMain::SetProgramDirOverride(const std::string& dir) { g_programDirOverride = dir; }

TFormMain::TFormMain(QWidget* parent) : QMainWindow(parent) {
    setObjectName("FormMain");
    setWindowTitle("Orvik");
    owner = std::make_unique<MachineOwner>();
    view = std::make_unique<View>(this);
    CreateControls();
    CreateSettingsControls();

    InitCommonUtils(this);
    if (!g_programDirOverride.empty()) SetAppDir(g_programDirOverride);

    ApplicationTag = kStartupOk;
    const int opened = xmlDoc.Open(AppDir() + "Orvik.xml", VersionString);
    if (opened == ConfigDocument::OpenUnreadable)
        ApplicationTag = kConfigUnreadable;
    else if (opened == ConfigDocument::OpenVersionMismatch)
        ApplicationTag = kVersionMismatch;
    else if (!Inp32 || !Out32)
        ApplicationTag = kPortIoMissing;

    if (ApplicationTag < 0) {
        xmlDoc.Deactivate();
        ConfigRoot = pugi::xml_node();
        firstShowPending = false;
        owner->Closing.store(1);
        return;
    }
    ConfigRoot = xmlDoc.Root();
    firstShowPending = true;
    owner->Closing.store(0);
    paInitialised = Pa_Initialize() == paNoError;
    owner->SetView(view.get());
    CreatePeripheralWindows();
    CreateTapeBrowser();
    ArrangeControls();
}

TFormMain::~TFormMain() {
    controlsTimer->stop();
    // The timers stop and their thread is joined before the windows and the
    // view that a tick may still use go.
    owner->Shutdown();
    DestroyTapeBrowser();
    owner->SetView(nullptr);
    DonePeripherals();
    prcSession.reset();  // lets go of the CPU before the parts go
    owner.reset();  // frees every machine part
    if (paInitialised) Pa_Terminate();
    // The configuration document writes itself back when it is released;
    // while the error box can still be shown.
    if (!xmlDoc.Release()) ShowErrorKey("err.SaveConfig");
    DoneCommonUtils();
}

QAction* TFormMain::AddAction(QMenu* menu, const char* name, const char* caption, const QKeySequence& key) {
    auto* a = new QAction(QString::fromUtf8(caption), this);
    a->setObjectName(name);
    if (!key.isEmpty()) a->setShortcut(key);
    if (menu) menu->addAction(a);
    addAction(a);  // shortcuts keep working while the menu bar is hidden
    return a;
}

void TFormMain::CreateControls() {
    setWindowFlags((windowFlags() & ~Qt::WindowMaximizeButtonHint) | Qt::WindowMinimizeButtonHint);
    setFocusPolicy(Qt::StrongFocus);

    // Menus.
    QMenuBar* bar = menuBar();
    bar->setObjectName("MainMenu");
    miFile = bar->addMenu(QString::fromUtf8("Súbor"));
    miFile->setObjectName("MiFile");
    QAction* openSnap = AddAction(miFile, "MiOpenSnap", "Otvoriť snapshot...", QKeySequence(Qt::SHIFT | Qt::ALT | Qt::Key_F2));
    connect(openSnap, &QAction::triggered, this, [this] { MiOpenSnapClick(); });
    QAction* saveSnap = AddAction(miFile, "MiSaveSnap", "Uložiť snapshot...", QKeySequence(Qt::ALT | Qt::Key_F7));
    connect(saveSnap, &QAction::triggered, this, [this] { TBtnSaveSnapClick(); });
    miFile->addSeparator();
    QMenu* picture = miFile->addMenu(QString::fromUtf8("Obrázok"));
    picture->setObjectName("MiPicture");
    QAction* clip = AddAction(picture, "MiPictureClip", "Skopírovať do schránky", QKeySequence(Qt::ALT | Qt::Key_C));
    connect(clip, &QAction::triggered, this, [this] { MiPictureClipClick(); });
    QAction* bmp = AddAction(picture, "MiPictureBmp", "Uložiť ako bitmapu...");
    connect(bmp, &QAction::triggered, this, [this] { MiPictureBmpClick(); });
    QAction* vram = AddAction(picture, "MiPictureVRAM", "Uložiť ako VideoRAM...");
    vram->setEnabled(false);
    vram->setVisible(false);
    miFile->addSeparator();
    miRecordSound = AddAction(miFile, "MiRecordSound", "Zaznamenať zvuk...");
    connect(miRecordSound, &QAction::triggered, this, [this] { MiRecordSoundClick(); });
    miFile->addSeparator();
    CreateRecordingControls(miFile);
    miFile->addSeparator();
    QAction* poke = AddAction(miFile, "MiPoke", "Poke...");
    connect(poke, &QAction::triggered, this, [this] { MiPokeClick(); });
    miFile->addSeparator();
    QAction* loadMem = AddAction(miFile, "MiLoadFileToMem", "Nahrať súbor do pamäti...", QKeySequence(Qt::ALT | Qt::Key_F11));
    connect(loadMem, &QAction::triggered, this, [this] { MiLoadSaveMemClick(0); });
    QAction* saveMem = AddAction(miFile, "MiSaveMemToFile", "Uložiť obsah pamäti do súboru...",
                                 QKeySequence(Qt::SHIFT | Qt::ALT | Qt::Key_F11));
    connect(saveMem, &QAction::triggered, this, [this] { MiLoadSaveMemClick(1); });
    miFile->addSeparator();
    QAction* exitItem = AddAction(miFile, "MiExit", "Koniec", QKeySequence(Qt::ALT | Qt::Key_F4));
    connect(exitItem, &QAction::triggered, this, [this] { MiExitClick(); });

    miView = bar->addMenu(QString::fromUtf8("Zobrazenie"));
    miView->setObjectName("MiView");
    QMenu* size = miView->addMenu(QString::fromUtf8("Veľkosť okna"));
    size->setObjectName("MiSize");
    static const char* const names[4] = {"MiSize100", "MiSize200", "MiSize300", "MiSizeFull"};
    static const char* const captions[4] = {"100%", "200%", "300%", "Celá obrazovka"};
    const QKeySequence keys[4] = {QKeySequence(Qt::ALT | Qt::Key_1), QKeySequence(Qt::ALT | Qt::Key_2),
                                  QKeySequence(Qt::ALT | Qt::Key_3), QKeySequence(Qt::ALT | Qt::Key_Return)};
    for (int i = 0; i < 4; ++i) {
        miSize[i] = AddAction(size, names[i], captions[i], keys[i]);
        miSize[i]->setCheckable(true);
        miSize[i]->setData(i);  // Tag
        QAction* a = miSize[i];
        connect(a, &QAction::triggered, this, [this, a] { ScreenSizeClick(a); });
    }
    miSize[3]->setShortcuts({QKeySequence(Qt::ALT | Qt::Key_Return), QKeySequence(Qt::ALT | Qt::Key_Enter)});

    miEmul = bar->addMenu(QString::fromUtf8("Emulácia"));
    miEmul->setObjectName("MiEmul");
    miPaused = AddAction(miEmul, "MiPaused", "Pozastavené", QKeySequence(Qt::ALT | Qt::Key_F3));
    miPaused->setCheckable(true);
    connect(miPaused, &QAction::triggered, this, [this] { TBtnRunPauseClick(); });
    QAction* reset = AddAction(miEmul, "MiReset", "Reset", QKeySequence(Qt::ALT | Qt::Key_F5));
    connect(reset, &QAction::triggered, this, [this] { TBtnResetClick(); });
    QAction* hard = AddAction(miEmul, "MiHardReset", "Studený reštart", QKeySequence(Qt::SHIFT | Qt::ALT | Qt::Key_F5));
    connect(hard, &QAction::triggered, this, [this] { MiHardResetClick(); });
    miEmul->addSeparator();
    miSound = AddAction(miEmul, "MiSound", "Zvuk", QKeySequence(Qt::ALT | Qt::Key_F8));
    miSound->setCheckable(true);
    miSound->setChecked(true);
    connect(miSound, &QAction::triggered, this, [this] { TBtnSoundClick(true); });
    miEmul->addSeparator();
    miFocusPause = AddAction(miEmul, "MiFocusPause", "Pozastaviť pri neaktivite");
    miFocusPause->setCheckable(true);
    connect(miFocusPause, &QAction::triggered, this, [this] { MiFocusPauseClick(); });

    miTools = bar->addMenu(QString::fromUtf8("Nástroje"));
    miTools->setObjectName("MiTools");
    QAction* insert = AddAction(miTools, "MiInsertText", "Vložiť text zo schránky", QKeySequence(Qt::ALT | Qt::Key_B));
    connect(insert, &QAction::triggered, this, [this] { MiInsertTextClick(); });
    CreateDebugger();

    miHelp = bar->addMenu(QString::fromUtf8("Pomocník"));
    miHelp->setObjectName("MiHelp");
    QAction* keyboard = AddAction(miHelp, "MiKeyboard", "Klávesnica", QKeySequence(Qt::ALT | Qt::Key_F1));
    connect(keyboard, &QAction::triggered, this, [this] { MiKeyboardClick(); });
    miHelp->addSeparator();
    QAction* about = AddAction(miHelp, "MiAbout", "O programe...");
    connect(about, &QAction::triggered, this, [this] { MiAboutClick(); });

    // Toolbar.
    toolBar = new QToolBar(this);
    toolBar->setObjectName("ToolBar");
    toolBar->setMovable(false);
    toolBar->setFloatable(false);
    toolBar->setFixedHeight(kToolBarHeight);
    toolBar->setIconSize(QSize(16, 16));
    toolBar->setContextMenuPolicy(Qt::PreventContextMenu);
    addToolBar(Qt::TopToolBarArea, toolBar);
    QAction* tbSaveSnap = AddAction(nullptr, "TBtnSaveSnap", "");
    tbSaveSnap->setToolTip(QString::fromUtf8("Uložiť snapshot... (Alt+F7)"));
    tbSaveSnap->setIcon(CommandIcon(Command::SaveSnapshot));
    tbSaveSnap->setProperty("imageIndex", 1);
    connect(tbSaveSnap, &QAction::triggered, this, [this] { TBtnSaveSnapClick(); });
    toolBar->addAction(tbSaveSnap);
    toolBar->addSeparator();
    QAction* tbReset = AddAction(nullptr, "TBtnReset", "");
    tbReset->setToolTip("Reset (Alt+F5)");
    tbReset->setIcon(CommandIcon(Command::Reset));
    tbReset->setProperty("imageIndex", 3);
    connect(tbReset, &QAction::triggered, this, [this] { TBtnResetClick(); });
    toolBar->addAction(tbReset);
    tbtnRunPause = AddAction(nullptr, "TBtnRunPause", "");
    tbtnRunPause->setToolTip(QString::fromUtf8("Spustiť/Pozastaviť (Alt+F3)"));
    tbtnRunPause->setIcon(CommandIcon(Command::Pause));
    tbtnRunPause->setProperty("imageIndex", 5);
    connect(tbtnRunPause, &QAction::triggered, this, [this] { TBtnRunPauseClick(); });
    toolBar->addAction(tbtnRunPause);
    toolBar->addSeparator();
    tbtnSound = AddAction(nullptr, "TBtnSound", "");
    tbtnSound->setToolTip("Zvuk (Alt+F8)");
    tbtnSound->setIcon(CommandIcon(Command::SoundOn));
    tbtnSound->setProperty("imageIndex", 6);
    connect(tbtnSound, &QAction::triggered, this, [this] { TBtnSoundClick(true); });
    toolBar->addAction(tbtnSound);
    toolBar->addSeparator();
    tbtnTest = AddAction(nullptr, "TBtnTest", "");
    tbtnTest->setToolTip("Test Debug Action");
    tbtnTest->setIcon(CommandIcon(Command::OtherFile));
    toolBar->addAction(tbtnTest);
    for (QToolButton* b : toolBar->findChildren<QToolButton*>()) b->setFocusPolicy(Qt::NoFocus);

    // Screen and status panel.
    auto* central = new QWidget(this);
    central->setObjectName("Central");
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    screenView = new ScreenView(central);
    column->addWidget(screenView, 1);
    firstStart = new FirstStartPanel(*this, screenView);
    panel = new QWidget(central);
    panel->setObjectName("Panel");
    panel->setFixedHeight(kPanelHeight);
    column->addWidget(panel);
    setCentralWidget(central);

    imageModel = new QLabel(panel);
    imageModel->setObjectName("ImageModel");
    imageModel->setGeometry(4, 4, 48, 16);
    labelCpuUsage = new QLabel("0%", panel);
    labelCpuUsage->setObjectName("LabelCpuUsage");
    labelCpuUsage->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    labelCpuUsage->resize(32, 16);
    imageSound = new QLabel(panel);
    imageSound->setObjectName("ImageSound");
    imageTape = new QLabel(panel);
    imageTape->setObjectName("ImageTape");
    imageDisk = new QLabel(panel);
    imageDisk->setObjectName("ImageDisk");
    static const char* const leds[3] = {"ImageLedYellow", "ImageLedRed", "ImageLedBlue"};
    for (int i = 0; i < 3; ++i) {
        imageLed[i] = new QLabel(panel);
        imageLed[i]->setObjectName(leds[i]);
    }
    imageLed[2]->setToolTip("All-RAM");
    for (QLabel* l : {imageSound, imageTape, imageDisk, imageLed[0], imageLed[1], imageLed[2]}) l->resize(16, 16);
    ShowImage(imageSound, kImageDiskTape, 0);
    ShowImage(imageTape, kImageDiskTape, 0);
    ShowImage(imageDisk, kImageDiskTape, 0);
    for (QLabel* l : imageLed) ShowImage(l, kImageLed, 0);

    controlsTimer = new QTimer(this);
    controlsTimer->setObjectName("TimerRefreshControls");
    controlsTimer->setInterval(kControlsIntervalMs);
    connect(controlsTimer, &QTimer::timeout, this, [this] { TimerRefreshControlsTimer(); });
    placeTimer = new QTimer(this);
    placeTimer->setInterval(20);
    connect(placeTimer, &QTimer::timeout, this, [this] { PlaceFrameTick(); });

    // The owner's host key state is emptied whenever the program loses the focus.
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) { ApplicationStateChanged(state); });
    CreatePeripheralControls();
}

OwnerView& TFormMain::ViewLink() { return *view; }

QAction* TFormMain::ActionNamed(const char* name) const {
    for (QAction* a : actions())
        if (a->objectName() == QLatin1String(name)) return a;
    return nullptr;
}

void TFormMain::ShowSoundImage(int index) { ShowImage(imageSound, kImageDiskTape, index); }

void TFormMain::ShowImage(QLabel* label, int kind, int index) {
    label->setProperty("imageIndex", index);
    label->setPixmap(StatusPictures::Icon(static_cast<StatusPictures::Kind>(kind), index));
}

QString TFormMain::FormText(const char* key) const {
    return QString::fromStdString(LangText("FormMain", key));
}

// ---- forwards --------------------------------------------------------------

void TFormMain::BuildMachine(uint8_t fromSnapshot, int32_t romLength, const uint8_t* romData) {
    owner->BuildMachine(fromSnapshot, romLength, romData);
}
int TFormMain::ApplySettings(std::vector<int>& codes) {
    const int reset = owner->ApplySettings(codes);
    RefreshKeyMap();  // the keyboard options may have changed
    return reset;
}
void TFormMain::SetPause(int state, int alsoRefreshTimers) { owner->SetPause(state, alsoRefreshTimers); }
void TFormMain::ResetMachine(int stopRecordings) {
    if (stopRecordings == 1) StopRecordings();
    owner->ResetMachine(stopRecordings);
}
void TFormMain::PreciseTimerCpuTimer() { owner->PreciseTimerCpuTimer(); }
void TFormMain::TimerRefreshScreenTimer() { owner->TimerRefreshScreenTimer(); }

void TFormMain::RunStateChanged(int paused, bool alsoRefreshTimers) {
    tbtnRunPause->setProperty("imageIndex", paused ? 4 : 5);
    tbtnRunPause->setIcon(CommandIcon(paused ? Command::Run : Command::Pause));
    miPaused->setChecked(paused != 0);
    if (alsoRefreshTimers) {
        if (paused)
            controlsTimer->stop();
        else
            controlsTimer->start();
    }
}

// ---- life cycle ------------------------------------------------------------

void TFormMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (firstShowPending) FormShow();
}

void TFormMain::FormShow() {
    if (!firstShowPending) return;
    tbtnTest->setVisible(false);
    if (instance) {
        instance->SetInstanceWindow(
            [this] {
                if (isMinimized()) showNormal();
                raise();
                activateWindow();
            },
            // Queued: a request that waited during start-up is opened only
            // once the machine is built and running.
            [this](const QString& path) {
                QMetaObject::invokeMethod(this, [this, path] { OnOpenFile(path); }, Qt::QueuedConnection);
            });
    }

    // Parallel port "number,hex base".
    int number = 0;
    unsigned base = 0;
    const std::string lpt = ReadAttrString(ConfigSection("Printer"), "lpt-port");
    if (std::sscanf(lpt.c_str(), "%d,%X", &number, &base) == 2) {
        LptNumber = number;
        LptPortBase = static_cast<uint16_t>(base);
    } else {
        LptNumber = 1;
        LptPortBase = 0x378;
    }

    ledState = 7;
    SetLed(1, false);
    SetLed(2, false);
    SetLed(4, false);
    ShowImage(imageDisk, kImageDiskTape, 0);
    ShowImage(imageTape, kImageDiskTape, 0);

    pugi::xml_node screenSection = ConfigSection("Screen");
    int size = 2;
    if (AttrEquals(screenSection, "size", "normal"))
        size = 0;
    else if (AttrEquals(screenSection, "size", "double"))
        size = 1;
    for (int i = 0; i < 4; ++i) miSize[i]->setChecked(i == size);
    SetScreenSize(size);

    int left = 0, top = 0;
    const QRect desk = screen() ? screen()->availableGeometry() : QRect(0, 0, 1024, 768);
    ReadWindowPos(screenSection, left, top, frameGeometry().width(), frameGeometry().height(), desk.width(),
                  desk.height());
    PlaceFrame(left, top);
    savedLeft = left;
    savedTop = top;

    RunStartSettings();
    // Stored breakpoints stop the machine from the start, as ones set in the window do.
    if (formDebugger) formDebugger->ReadBreakPoints();
    ResetMachine(1);

    miFocusPause->setChecked(ReadAttrBool(ConfigSection("General"), "pause-on-focus-lost", false));
    MiFocusPauseClick();

    LoadLanguage(ReadAttrString(ConfigSection("General"), "language"));
    OpenCommandLineFile();
    SetPause(0, 1);
    firstShowPending = false;
}

void TFormMain::OpenCommandLineFile() {
    if (!commandLineFile.isEmpty()) OnOpenFile(commandLineFile);
}

void TFormMain::OnOpenFile(const QString& path) {
    if (path.isEmpty()) return;
    lastOpenedFile = path;
    ++openedFiles;
    if (openFileHandler) {
        openFileHandler(path);
        return;
    }
    OpenFileByName(path.toStdString());
}

void TFormMain::MiExitClick() {
    // Closing is set by the close itself, once it goes ahead.
    close();
}

void TFormMain::SetCloseRefusal(CloseRefusal refusal) { closeRefusal = std::move(refusal); }

void TFormMain::closeEvent(QCloseEvent* event) {
    if (!xmlDoc.Active()) {  // never started: nothing to store
        event->accept();
        return;
    }
    if (closeRefusal && closeRefusal()) {
        QApplication::beep();
        event->ignore();
        return;
    }
    owner->Closing.store(1);
    SetPause(1, 1);
    controlsTimer->stop();
    StopRecordings();
    WriteAttrBool(ConfigSectionForWrite("General"), "pause-on-focus-lost", miFocusPause->isChecked() ? 1 : 0);
    pugi::xml_node screenSection = ConfigSectionForWrite("Screen");
    // The frame's position, the same one that the first showing restores.
    const QPoint at = inFullScreen ? QPoint(savedLeft, savedTop) : frameGeometry().topLeft();
    WriteAttrInt(screenSection, "x", at.x());
    WriteAttrInt(screenSection, "y", at.y());
    WriteAttrString(screenSection, "size", kSizeNames[windowSize]);
    StoreSettingsWindow();
    event->accept();
}

// ---- run state -------------------------------------------------------------

void TFormMain::TBtnRunPauseClick() {
    if (RunState() == 1 && DebuggerHoldsMachine()) {
        RunFromDebugger();
        return;
    }
    SetPause(RunState() ^ 1, 0);  // RunStateChanged sets the menu check
}

void TFormMain::TBtnResetClick() {
    SetPause(1, 1);
    ResetMachine(1);
    ResumeAfterReset();
}

void TFormMain::MiHardResetClick() {
    SetPause(1, 1);
    StopRecordings();
    std::vector<int> codes{1};
    ApplySettings(codes);
    ResetMachine(1);
    ResumeAfterReset();
}

void TFormMain::ResumeAfterReset() {
    const int tag = owner->DebuggerTag.load();
    if (tag == -1 || tag == 5) {
        // The debugger holds the machine: keep it stopped, refresh the window.
        owner->ScreenTimer().SetEnabled(true);
        controlsTimer->start();
        MiDebuggerClick();
    } else {
        SetPause(0, 1);
    }
}

void TFormMain::MiFocusPauseClick() {
    focusHooked = miFocusPause->isChecked();
    focusParked = false;
}

void TFormMain::ApplicationStateChanged(Qt::ApplicationState state) {
    if (state != Qt::ApplicationActive && owner) owner->KeyEvents().PostReleaseAll();
    if (!focusHooked || firstShowPending || owner->Closing.load() == 1) return;
    // Only the change between active and not active counts: a second
    // inactive state (inactive, then hidden) must not park the paused state.
    const bool active = state == Qt::ApplicationActive;
    if (active == !focusParked) return;
    focusParked = !active;
    if (active)
        ApplActivate();
    else
        ApplDeactivate();
}

void TFormMain::ApplDeactivate() {
    ApplicationTag = RunState();
    SetPause(1, 0);
}

void TFormMain::ApplActivate() { SetPause(ApplicationTag, 0); }

void TFormMain::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && !isActiveWindow() && owner) owner->KeyEvents().PostReleaseAll();
    QMainWindow::changeEvent(event);
}

// ---- keys ------------------------------------------------------------------

bool TFormMain::event(QEvent* e) {
    if (e->type() == QEvent::KeyPress || e->type() == QEvent::KeyRelease) {
        auto* key = static_cast<QKeyEvent*>(e);
        if (owner) UpdateKeyState(owner->KeyEvents(), key);
        if (PrcKeyEvent(key)) {
            e->accept();
            return true;
        }
        // F10 never reaches the menu bar.
        if (key->key() == Qt::Key_F10) {
            e->accept();
            return true;
        }
    }
    return QMainWindow::event(e);
}

// ---- window sizes ----------------------------------------------------------

void TFormMain::ScreenSizeClick(QAction* sender) {
    ScreenDAD85* s = owner->GetScreen();
    if (!sender || !s) return;
    const int size = sender->data().toInt();
    // QAction toggled its own check before this handler ran.
    const bool wasChecked = !sender->isChecked();
    if (size < 0 || size > 3) return;
    if (wasChecked && size != 3) {
        sender->setChecked(true);
        return;
    }
    for (QAction* a : miSize) a->setChecked(false);
    sender->setChecked(true);
    if (s->GetSizeMode() == size) {
        if (size == 3) {
            miSize[3]->setChecked(false);
            miSize[windowSize]->setChecked(true);
            SetScreenSize(windowSize);
        }
        return;
    }
    if (size == 3) {
        savedLeft = frameGeometry().x();
        savedTop = frameGeometry().y();
        if (ReadAttrBool(ConfigSection("General"), "show-info-on-enter-full-screen", true))
            ShowInfo(FormText("text.FullScreen.Title"), FormText("text.FullScreen.Message"));
    }
    SetScreenSize(size);
}

void TFormMain::PlaceFrame(int left, int top) {
    move(left, top);  // the frame's position, as the closing stores it
    // During the first showing the window is not mapped yet, and a window
    // manager takes that position for the client area's. Once the frame is
    // known the frame is put there again; without a manager it never
    // appears and the window is already in place.
    placeAt = QPoint(left, top);
    placeClock.start();
    placeSettled = 0;
    placeTimer->start();
}

void TFormMain::PlaceFrameTick() {
    if (inFullScreen || placeClock.elapsed() > 5000) {
        placeTimer->stop();
        return;
    }
    if (frameGeometry() == geometry()) return;  // no frame yet
    // The manager may still move the window while it frames it: done once
    // the frame has stayed in place for a few ticks.
    if (frameGeometry().topLeft() != placeAt) {
        placeSettled = 0;
        move(placeAt);
    } else if (++placeSettled >= 5) {
        placeTimer->stop();
    }
}

bool TFormMain::GetMonitorRect(int& left, int& top, int& width, int& height) {
    QScreen* sc = screen();
    if (!sc) sc = QGuiApplication::primaryScreen();
    if (!sc) return false;
    const QRect r = sc->geometry();
    left = r.x();
    top = r.y();
    width = r.width();
    height = r.height();
    return width > 0 && height > 0;
}

void TFormMain::SetMenusForFullScreen(bool full) {
    for (QMenu* m : {miFile, miView, miEmul, miTools, miHelp}) m->menuAction()->setVisible(!full);
    if (full) {
        // File and tool commands stay off in full screen, their shortcuts too.
        disabledForFullScreen.clear();
        for (QMenu* m : {miFile, miTools, miHelp}) {
            QList<QMenu*> menus{m};
            menus += m->findChildren<QMenu*>();
            for (QMenu* sub : menus)
                for (QAction* a : sub->actions())
                    if (a->isEnabled() && !a->isSeparator() && !a->menu()) {
                        a->setEnabled(false);
                        disabledForFullScreen.append(a);
                    }
            m->menuAction()->setEnabled(false);
        }
    } else {
        for (QAction* a : disabledForFullScreen) a->setEnabled(true);
        disabledForFullScreen.clear();
        for (QMenu* m : {miFile, miTools, miHelp}) m->menuAction()->setEnabled(true);
    }
}

void TFormMain::SetScreenSize(int size) {
    const bool screenTimerOn = owner->ScreenTimer().Enabled();
    const bool controlsOn = controlsTimer->isActive();
    owner->ScreenTimer().SetEnabled(false);
    controlsTimer->stop();
    ScreenDAD85* s = owner->GetScreen();
    screenView->SetScreen(s);
    if (size == 3 && s->GetSizeMode() >= 0 && s->GetSizeMode() <= 2) windowSize = s->GetSizeMode();
    s->SetSizeMode(size, this);
    if (size == 3 && !s->IsFullScreen()) {
        s->SetSizeMode(windowSize, this);
        miSize[3]->setChecked(false);
        miSize[windowSize]->setChecked(true);
        size = windowSize;
    }
    if (size == 3) {
        inFullScreen = true;
        SetMenusForFullScreen(true);
        menuBar()->hide();
        toolBar->hide();
        panel->hide();
        screenView->SetFullScreen(true);
        // The fixed sizes of the window layout would keep the old area.
        for (QWidget* w : {static_cast<QWidget*>(screenView), centralWidget(), static_cast<QWidget*>(this)}) {
            w->setMinimumSize(0, 0);
            w->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        }
        showFullScreen();
        // A window manager acts on the full-screen state; without one the
        // window covers the monitor by itself.
        int left = 0, top = 0, width = 0, height = 0;
        if (GetMonitorRect(left, top, width, height)) setGeometry(left, top, width, height);
        raise();
        activateWindow();
    } else {
        windowSize = size;
        const bool wasFull = inFullScreen;
        inFullScreen = false;
        screenView->SetFullScreen(false);
        SetMenusForFullScreen(false);
        menuBar()->show();
        toolBar->show();
        panel->show();
        if (wasFull) showNormal();
        UpdateWindowLayout();
        raise();
        activateWindow();
        // The first showing places the window itself, after this.
        if (!firstShowPending) PlaceFrame(savedLeft, savedTop);
    }
    PeripheralsFollowScreenSize();
    if (controlsOn) controlsTimer->start();
    if (screenTimerOn) owner->ScreenTimer().SetEnabled(true);
    screenView->update();
}

void TFormMain::UpdateWindowLayout() {
    ScreenDAD85* s = owner->GetScreen();
    if (!s || inFullScreen) return;
    const int w = ScreenDAD85::WidthOf(s->GetSizeMode(), s->IsWideMode()) + 1;
    const int h = ScreenDAD85::HeightOf(s->GetSizeMode());
    screenView->setFixedSize(w, h);
    centralWidget()->setFixedSize(w, h + kPanelHeight);
    if (QLayout* l = layout()) l->activate();
    setFixedSize(w, h + kPanelHeight + kToolBarHeight + menuBar()->sizeHint().height());
    labelCpuUsage->setText("0%");
    labelCpuUsage->move(w - 139 - (labelCpuUsage->width() - 22), 4);
    imageSound->move(w - 117, 4);
    imageTape->move(w - 99, 4);
    imageDisk->move(w - 81, 4);
    imageLed[0]->move(w - 59, 4);
    imageLed[1]->move(w - 41, 4);
    imageLed[2]->move(w - 23, 4);
    update();
}

// ---- status ----------------------------------------------------------------

void TFormMain::SetLed(int mask, bool lit) {
    int index = -1;
    if (mask == 1)
        index = 0;
    else if (mask == 2)
        index = 1;
    else if (mask == 4)
        index = 2;
    if (index < 0) return;
    if (lit) {
        if (ledState & mask) return;
        ledState |= mask;
        ShowImage(imageLed[index], kImageLed, mask);
    } else {
        if (!(ledState & mask)) return;
        ledState &= ~static_cast<uint32_t>(mask);
        ShowImage(imageLed[index], kImageLed, 0);
    }
}

void TFormMain::TimerRefreshControlsTimer() {
    if (owner->Closing.load() == 1) return;
    owner->TimerRefreshControlsTimer();
    if ((soundTag & 0xFFFF) > 0 && --soundBlink <= 0) {
        soundTag ^= 0x10000;
        const int image = (soundTag & 0x10000) ? (soundTag & 0xFF) : ((soundTag >> 8) & 0xFF);
        ShowImage(imageSound, kImageDiskTape, image);
        soundBlink = 25;
    }
    PrcControlsTick();
}

// ---- sound -----------------------------------------------------------------

void TFormMain::ShowMute(bool mute) {
    soundMuted = mute;
    tbtnSound->setProperty("imageIndex", mute ? 7 : 6);
    tbtnSound->setIcon(CommandIcon(mute ? Command::SoundOff : Command::SoundOn));
    miSound->setChecked(!mute);
}

void TFormMain::TBtnSoundClick(bool fromClick) {
    const bool mute = !soundMuted;
    if (SoundDriver* d = owner->GetSoundDriver()) {
        if (mute)
            d->Mute();
        else
            d->Unmute();
    }
    ShowMute(mute);
    ShowSettingsMute(mute);
    if (fromClick) WriteAttrBool(ConfigSectionForWrite("Sound"), "mute", mute ? 1 : 0);
}

bool TFormMain::AskSaveFile(const std::string& title, const std::string& filter, const std::string& ext,
                            std::string& path) {
    path = AppDir();
    if (saveDialog) return saveDialog(title, filter, ext, path);
    return SaveFileDialog(title, filter, ext, true, path);
}

void TFormMain::ShowInfo(const QString& title, const QString& text) {
    if (infoBox) {
        infoBox(title, text);
        return;
    }
    QMessageBox::information(this, title, text);
}

void TFormMain::ShowErrorKey(const char* key) {
    const std::string k = key;
    ShowError(QString::fromStdString(LangText("FormMain", k + ".Title")),
              QString::fromStdString(LangText("FormMain", k + ".Message")));
}

void TFormMain::MiRecordSoundClick() {
    SetPause(1, 0);
    RecordSound(!recordingWave);
    SetPause(0, 0);
}

void TFormMain::RecordSound(bool start) {
    SoundDriver* d = owner->GetSoundDriver();
    if (start && (!d || !d->IsStreamOpen())) {
        // The recording is taken from the sound output: without one there is
        // nothing to record, and the user is told so.
        ShowInfo(FormText("err.NoSoundOutput.Title"), FormText("err.NoSoundOutput.Message"));
        return;
    }
    if (!start) {
        // A driver made anew meanwhile (new sound settings, a snapshot) has
        // finished the recording already; the menu still follows.
        if (d && d->IsRecording() && !d->StopWaveRecording()) ShowErrorKey("err.RecordSound");
        const QString caption = FormText("menuItem.MiRecordSound.Caption");
        miRecordSound->setText(caption.isEmpty() ? QString::fromUtf8("Zaznamenať zvuk...") : caption);
        recordingWave = false;
        soundTag = 0;
        ShowImage(imageSound, kImageDiskTape, 0);
        return;
    }
    if (!d) return;
    std::string path;
    if (!AskSaveFile(LangText("FormMain", "text.CreateWaveDlg.Title"), LangText("FormMain", "text.CreateWaveDlg.Filter"),
                     "WAV", path))
        return;
    if (!d->StartWaveRecording(path)) {
        ShowErrorKey("err.RecordSound");
        return;
    }
    const QString caption = FormText("menuItem.MiRecordSoundEnd.Caption");
    miRecordSound->setText(caption.isEmpty() ? QString::fromUtf8("Ukončiť záznam zvuku") : caption);
    recordingWave = true;
    soundTag = kSoundTagWave;
    ShowImage(imageSound, kImageDiskTape, 12);
    soundBlink = 25;
}

void TFormMain::StopRecordings() {
    ClosePrc();
    if (recordingWave) RecordSound(false);
}

bool TFormMain::IsRecordingWave() const { return recordingWave; }

// ---- pictures and text -----------------------------------------------------

void TFormMain::MiPictureClipClick() {
    ScreenDAD85* s = owner->GetScreen();
    ChipMemory* m = owner->GetMemory();
    if (!s || !m) return;
    SetPause(1, 1);
    ScreenPicture picture;
    if (s->CopyToClipboard(m->GetVideoRam(), picture) && picture.width > 0 && picture.height > 0) {
        QImage image = QImage(picture.pixels.data(), picture.width, picture.height, picture.width,
                              QImage::Format_Indexed8)
                           .copy();
        image.setColorTable(ScreenView::ColorTable());
        QGuiApplication::clipboard()->setImage(image);
    }
    SetPause(0, 1);
}

void TFormMain::MiPictureBmpClick() {
    ScreenDAD85* s = owner->GetScreen();
    ChipMemory* m = owner->GetMemory();
    if (!s || !m) return;
    SetPause(1, 1);
    std::string path;
    if (AskSaveFile(LangText("FormMain", "text.SavePictureDlg.Title"),
                    LangText("FormMain", "text.SavePictureDlg.FilterBmp"), "BMP", path) &&
        s->SaveToBmp(m->GetVideoRam(), path) != 0)
        ShowErrorKey("err.SavePicture");
    SetPause(0, 1);
}

void TFormMain::MiInsertTextClick() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    SystemPIO* pio = owner->GetSystemPio();
    if (data && data->hasText()) {
        // The machine's line end is a carriage return; host text ends lines
        // in LF or CR LF, and a bare LF would be dropped by the typing pump.
        QString text = data->text();
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\r"));
        text.replace(QChar(u'\n'), QChar(u'\r'));
        if (pio) pio->SetInsertText(text.toStdU16String());
        return;
    }
    ShowInfo(FormText("err.InsertText.Title"), FormText("err.InsertText.Message"));
}
