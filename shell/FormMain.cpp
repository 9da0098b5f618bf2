#include "shell/FormMain.h"

#include "shell/help/FormAbout.h"
#include "shell/help/FormKeyMap.h"
#include "tools/debugger/window/FormDebugger.h"
#include "tools/memrw/window/FormMemReadWrite.h"
#include "tools/poke/window/FormPoke.h"
#include "tools/tape/window/TapeBrowser.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>


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
#include "machine/sound/SoundLibrary.h"
#include "platform/KeyState.h"
#include "platform/ParPort.h"
#include "shell/FirstStartPanel.h"
#include "shell/InstanceChannel.h"
#include "shell/KeyMap.h"
#include "shell/ScreenView.h"
#include "shell/StatusPictures.h"
#include "shell/romfolder/RomFolderAssistant.h"
#include "shell/settings/FormSettings.h"
#include "ui/ControlPictures.h"
#include "shell/recording/FormActionRecording.h"
#include "ui/LangWindows.h"
#include "ui/Prompts.h"
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
        form->SetImageIndex(form->imageModel, model);
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

TFormMain::TFormMain(QWidget* parent) : TFormMain(DefaultPrompts(), parent) {}

TFormMain::TFormMain(Prompts& prompter, QWidget* parent) : QMainWindow(parent), prompts(&prompter) {
    setObjectName("FormMain");
    setWindowTitle("Orvik");
    owner = std::make_unique<MachineOwner>();
    view = std::make_unique<View>(this);
    CreateControls();
    CreateSettingsWindow();

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
    // The sound library starts when a device is listed or opened.
    owner->SetView(view.get());
    // Answers come through our own lock and a call by name, like the view's
    // notifications: no functor crosses the threads through Qt's queue.
    owner->SetAnswerPoster([this](std::function<void()> answer) {
        bool first = false;
        {
            std::lock_guard<std::mutex> lock(answersMutex);
            first = commandAnswers.empty();
            commandAnswers.push_back(std::move(answer));
        }
        if (first) QMetaObject::invokeMethod(this, "RunCommandAnswers", Qt::QueuedConnection);
    });
    CreatePeripheralWindows();
    CreateTapeBrowser();
}

void TFormMain::RunCommandAnswers() {
    std::vector<std::function<void()>> taken;
    {
        std::lock_guard<std::mutex> lock(answersMutex);
        taken.swap(commandAnswers);
    }
    for (std::function<void()>& answer : taken) answer();
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
    SoundLibraryDone();
    // The poke and memory windows write their settings when they go: before
    // the document is released.
    formPoke.reset();
    formMemReadWrite.reset();
    // The configuration document writes itself back when it is released;
    // while the error box can still be shown.
    if (!xmlDoc.Release()) prompts->ErrorKey(this, "FormMain", "err.SaveConfig");
    DoneCommonUtils();
}

void TFormMain::CreateControls() {
    // A fixed-size window: title, system menu, minimise and close only, no maximise.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFocusPolicy(Qt::StrongFocus);
    CreateRecordingSession();
    CreateDebugger();
    CreateMenusAndToolBar();

    // Screen and status panel.
    auto* central = new QWidget(this);
    central->setObjectName("Central");
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    screenView = new ScreenView(central);
    column->addWidget(screenView, 1);
    firstStart = new FirstStartPanel(*owner, screenView);
    connect(firstStart, &FirstStartPanel::Held, this, [this] {
        for (int mask : {1, 2, 4}) SetLed(mask, false);
    });
    connect(firstStart, &FirstStartPanel::Released, this, [this] {
        if (RunState() == 1) ResumeAfterReset();
    });
    connect(firstStart, &FirstStartPanel::RomFolderRequested, this, &TFormMain::FirstStartRomFolder);
    connect(firstStart, &FirstStartPanel::ModelSettingsRequested, this,
            [this] { MiSettingsClick(ActionNamed("MiModel")); });
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
    ConnectScreenMouse();
}

OwnerView& TFormMain::ViewLink() { return *view; }

QAction* TFormMain::ActionNamed(const char* name) const {
    for (QAction* a : actions())
        if (a->objectName() == QLatin1String(name)) return a;
    // A toolbar button that shows a menu item's action.
    if (toolBar)
        if (auto* button = toolBar->findChild<QToolButton*>(QLatin1String(name)))
            return button->defaultAction();
    return nullptr;
}

void TFormMain::ShowSoundImage(int index) { ShowImage(imageSound, kImageDiskTape, index); }

void TFormMain::ShowImage(QLabel* label, int kind, int index) {
    SetImageIndex(label, index);
    label->setPixmap(StatusPictures::Icon(static_cast<StatusPictures::Kind>(kind), index));
}

QString TFormMain::FormText(const char* key) const {
    return QString::fromStdString(LangText("FormMain", key));
}

void TFormMain::FirstStartRomFolder() {
    const int wasRunning = RunState();
    SetPause(1, 1);
    TFormSettings& settings = *formSettings;
    std::vector<int> codes;
    if (RunRomFolderAssistant(this, xmlDoc, codes, *prompts, settings.KnownRoms())) {
        // The pages show the document again (so that the dialog's next OK
        // keeps what the assistant wrote), then as after the dialog's OK.
        ReloadSettingsPages(settings);
        ApplyChangedDocument(codes);
        firstStart->Follow();
    }
    if (wasRunning == 0) SetPause(0, 1);
}

// ---- forwards --------------------------------------------------------------

int TFormMain::ApplySettings(std::vector<int>& codes) {
    const int reset = owner->ApplySettings(codes);
    ReportDeviceFailures();
    RefreshKeyMap();  // the keyboard options may have changed
    return reset;
}
void TFormMain::SetPause(int state, int alsoRefreshTimers) { owner->SetPause(state, alsoRefreshTimers); }
void TFormMain::ResetMachine(int stopRecordings) {
    if (stopRecordings == 1) StopRecordings();
    owner->ResetMachine(stopRecordings);
}
void TFormMain::TimerRefreshScreenTimer() { owner->TimerRefreshScreenTimer(); }

void TFormMain::RunStateChanged(int paused, bool alsoRefreshTimers) {
    SetImageIndex(tbtnRunPause, paused ? 4 : 5);
    tbtnRunPause->setIcon(CommandIcon(paused ? Command::Run : Command::Pause));
    miPaused->setChecked(paused != 0);
    if (formActionRecording) formActionRecording->SetPaused(paused != 0);
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
    // A stored size (the shipped 300 % on the first start, say) that does not fit the
    // screen gives way to the largest that does; checked again with the real frame.
    size = FittingWindowSize(size, frameGeometry().size() - geometry().size());
    fitPending = true;
    miSize[size]->setChecked(true);
    SetScreenSize(size);

    int left = 0, top = 0;
    const QRect desk = screen() ? screen()->availableGeometry() : QRect(0, 0, 1024, 768);
    ReadWindowPos(screenSection, left, top, frameGeometry().width(), frameGeometry().height(), desk.width(),
                  desk.height());
    PlaceFrame(left, top);
    savedLeft = left;
    savedTop = top;

    // The language first: a page or a device that reports a fault while the
    // machine is built shows its box with its texts.
    LoadLanguage(ReadAttrString(ConfigSection("General"), "language"));
    RunStartSettings();
    // Stored breakpoints stop the machine from the start, as ones set in the window do.
    if (formDebugger) formDebugger->ReadBreakPoints();
    ResetMachine(1);

    miFocusPause->setChecked(ReadAttrBool(ConfigSection("General"), "pause-on-focus-lost", false));
    MiFocusPauseClick();

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
    OpenFileByName(path.toStdString());
}

void TFormMain::MiExitClick() {
    // Closing is set by the close itself, once it goes ahead.
    close();
}

void TFormMain::closeEvent(QCloseEvent* event) {
    if (!xmlDoc.Active()) {  // never started: nothing to store
        event->accept();
        return;
    }
    if (tapeBrowser && tapeBrowser->EditMode()) {  // the tape browser is editing
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
    if (size < 0 || size > 3) return;
    // The group keeps the item checked; the check follows the size set.
    sender->setChecked(true);
    if (s->GetSizeMode() == size) {
        // Full screen chosen again goes back to the window.
        if (size == 3) {
            miSize[windowSize]->setChecked(true);
            SetScreenSize(windowSize);
        }
        return;
    }
    if (size == 3) {
        savedLeft = frameGeometry().x();
        savedTop = frameGeometry().y();
        if (ReadAttrBool(ConfigSection("General"), "show-info-on-enter-full-screen", true))
            prompts->Information(this, FormText("text.FullScreen.Title"), FormText("text.FullScreen.Message"));
    }
    SetScreenSize(size);
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
    SetImageIndex(tbtnSound, mute ? 7 : 6);
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
    return prompts->SaveFile(title, filter, ext, true, path);
}

void TFormMain::MiRecordSoundClick() {
    MachineOwner::PauseHold hold(*owner, 0, MachineOwner::PauseHold::Always);
    RecordSound(!recordingWave);
}

void TFormMain::RecordSound(bool start) {
    SoundDriver* d = owner->GetSoundDriver();
    if (start && (!d || !d->IsStreamOpen())) {
        // The recording is taken from the sound output: without one there is
        // nothing to record, and the user is told so.
        prompts->Information(this, FormText("err.NoSoundOutput.Title"), FormText("err.NoSoundOutput.Message"));
        return;
    }
    if (!start) {
        // A driver made anew meanwhile (new sound settings, a snapshot) has
        // finished the recording already; the menu still follows.
        if (d && d->IsRecording() && !d->StopWaveRecording()) prompts->ErrorKey(this, "FormMain", "err.RecordSound");
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
                     "wav", path))
        return;
    if (!d->StartWaveRecording(path)) {
        prompts->ErrorKey(this, "FormMain", "err.RecordSound");
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
    MachineOwner::PauseHold hold(*owner, 1, MachineOwner::PauseHold::Always);
    ScreenPicture picture;
    if (s->CopyToClipboard(m->GetVideoRam(), picture) && picture.width > 0 && picture.height > 0) {
        QImage image = QImage(picture.pixels.data(), picture.width, picture.height, picture.width,
                              QImage::Format_Indexed8)
                           .copy();
        image.setColorTable(ScreenView::ColorTable());
        QGuiApplication::clipboard()->setImage(image);
    }
}

void TFormMain::MiPictureBmpClick() {
    ScreenDAD85* s = owner->GetScreen();
    ChipMemory* m = owner->GetMemory();
    if (!s || !m) return;
    MachineOwner::PauseHold hold(*owner, 1, MachineOwner::PauseHold::Always);
    std::string path;
    if (AskSaveFile(LangText("FormMain", "text.SavePictureDlg.Title"),
                    LangText("FormMain", "text.SavePictureDlg.FilterBmp"), "bmp", path) &&
        s->SaveToBmp(m->GetVideoRam(), path) != 0)
        prompts->ErrorKey(this, "FormMain", "err.SavePicture");
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
    prompts->Information(this, FormText("err.InsertText.Title"), FormText("err.InsertText.Message"));
}
