#pragma once
// The main window: owns the configuration document and the machine owner,
// builds the machine at its first showing, shows the screen and the status
// bar, feeds the host keyboard into the owner's key state and carries the run,
// reset, size, sound and picture commands.
#include <QElapsedTimer>
#include <QHash>
#include <QMainWindow>
#include <QString>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "common/ConfigDocument.h"
#include "machine/owner/MachineOwner.h"
#include "machine/screen/ScreenDAD85.h"

class FirstStartPanel;
class InstanceChannel;
class RecordingSession;
class TFormActionRecording;
class QAction;
class QLabel;
class QMenu;
class QTimer;
class QToolBar;
class ScreenView;
class TFormJoy;
class TFormPrint;
class PrinterPaperLink;
class TFormAbout;
class TFormKeyMap;
class TFormMemReadWrite;
class TFormDebugger;
class TFormPoke;
class TFormSettings;
class Prompts;

// The application object's tag: the start-up fault after the main window's
// construction (0, -1, -2, -3), later the run state parked by focus pausing.
extern int ApplicationTag;

class TFormTapeBrowser;
class TFormEditTapeHeader;

class TFormMain : public QMainWindow, public ScreenOwner {
    Q_OBJECT
public:
    static constexpr int kStartupOk = 0;
    static constexpr int kConfigUnreadable = -1;
    static constexpr int kVersionMismatch = -2;
    static constexpr int kPortIoMissing = -3;
    static constexpr int kToolBarHeight = 26;
    static constexpr int kPanelHeight = 25;
    static constexpr int kControlsIntervalMs = 20;
    // ImageSound tags (two icon indexes, first << 8 | second).
    static constexpr int kSoundTagWave = 0x0C0D;
    static constexpr int kSoundTagActionRecording = 0x0E10;
    static constexpr int kSoundTagActionPlayback = 0x0E0F;

    // The window and the windows it creates show their boxes and dialogs
    // through prompts (DefaultPrompts() when none is given).
    explicit TFormMain(QWidget* parent = nullptr);
    explicit TFormMain(Prompts& prompts, QWidget* parent = nullptr);
    ~TFormMain() override;

    // Uses dir (with or without trailing '/') instead of the executable's
    // folder as the program folder; call before constructing the window.
    static void SetProgramDirOverride(const std::string& dir);

    // The single-instance channel that the first showing makes ready.
    void SetInstanceChannel(InstanceChannel* channel) { instance = channel; }
    // The file named on the command line, opened at the first showing.
    void SetCommandLineFile(const QString& path) { commandLineFile = path; }
    // The prompt service of this window and of the windows it creates.
    Prompts& Prompter() const { return *prompts; }

    MachineOwner& Owner() { return *owner; }
    // The tape side (FormMainTape.cpp).
    TFormTapeBrowser* TapeBrowser() const { return tapeBrowser; }
    TFormEditTapeHeader* TapeHeaderEditor() const { return tapeHeaderEditor; }
    // A .ptp or .pmd file goes to the tape browser unless it is editing; true when taken.
    bool OpenTapeFile(const QString& path);
    void MiTapeBrowserClick();
    void MiOpenTapeClick();
    // The tape browser's menu item and button follow the model: a model
    // without a tape interface (Model-Mato) has them disabled.
    void ShowTapeBrowserAvailable();
    bool IsRecordingWave() const;
    ConfigDocument& XMLDoc() { return xmlDoc; }
    ScreenView* Screen() const { return screenView; }
    // Over the screen while the machine has no monitor ROM (FirstStartPanel.cpp).
    FirstStartPanel* FirstStart() const { return firstStart; }
    bool FirstShowPending() const { return firstShowPending; }
    int Closing() const { return owner->Closing.load(); }
    int RunState() const { return owner->GetRunState(); }
    int WindowSize() const { return windowSize; }
    uint32_t LedState() const { return ledState; }
    int SoundTag() const { return soundTag; }
    bool Muted() const { return soundMuted; }
    const QString& LastOpenedFile() const { return lastOpenedFile; }
    int OpenedFileCount() const { return openedFiles; }
    // The component of that name (menu item, toolbar button, status item).
    QAction* ActionNamed(const char* name) const;
    // The picture index a toolbar button, a status picture or a recent-files
    // item shows (-1 none).
    int ImageIndex(const QObject* component) const;
    // What the owner calls to update the window.
    OwnerView& ViewLink();

    // Forwards to the machine owner.
    int ApplySettings(std::vector<int>& codes);
    void SetPause(int state, int alsoRefreshTimers);
    void ResetMachine(int stopRecordings);
    void TimerRefreshScreenTimer();

    // Life cycle.
    void FormShow();
    void MiExitClick();
    void OpenCommandLineFile();
    void OnOpenFile(const QString& path);

    // Opening files (FormMainOpen.cpp).
    enum class OpenKind { Snapshot, Tape, Recording, Memory };
    OpenKind KindOfFile(const std::string& path) const;
    void OpenFile(const std::string& path, bool fromOutside);
    void OpenFileByName(const std::string& path);
    void TBtnOpenClick(int kind);
    void MiFileClick();
    void MiOpenRecentFileClick(QAction* sender);
    void MiWebpagesClick(QAction* sender);
    QMenu* RecentFilesDropdown() const { return recentFilesDropdown; }

    // Controls.
    void TBtnRunPauseClick();
    void TBtnResetClick();
    void MiHardResetClick();
    void ResumeAfterReset();
    void MiFocusPauseClick();
    void ApplActivate();
    void ApplDeactivate();
    void ScreenSizeClick(QAction* sender);
    void SetScreenSize(int size);
    Q_INVOKABLE void UpdateWindowLayout();
    // Runs the answers of the machine's commands handed over by the emulation thread.
    Q_INVOKABLE void RunCommandAnswers();
    // The window size (0..2) to start with: wanted when the whole window, with a frame
    // frameExtra larger than its client area, fits the available screen, else the
    // largest that fits (100 % when none does).
    int FittingWindowSize(int wanted, QSize frameExtra) const;
    // The window's size without its frame at a window size; widest: with the widest
    // picture the current model shows.
    QSize WindowSizeOf(int size, bool widest) const;
    void SetLed(int mask, bool lit);
    void TBtnSoundClick(bool fromClick);
    void MiRecordSoundClick();
    void RecordSound(bool start);
    void StopRecordings();
    void MiPictureClipClick();
    void MiPictureBmpClick();
    void MiInsertTextClick();
    // Peripherals (FormMainPeripherals.cpp).
    TFormJoy* FormJoy() const { return formJoy; }
    TFormPrint* FormPrint() const { return formPrint; }
    void MiPrinterOutputClick();
    // x, y: the screen picture's coordinates.
    void FormMouseMove(int x, int y);
    void FormMouseDown(int x, int y, Qt::MouseButton button);
    void FormMouseUp(int x, int y, Qt::MouseButton button);
    void MouseMoveShowCursor();
    void ShowMouseCursor(bool show);
    // Poke and memory load/save (direction 0 load, 1 save), on the paused machine.
    void MiPokeClick();
    void MiLoadSaveMemClick(int direction);
    // A file of a type the window does not know goes to the memory load window.
    void OpenInMemoryLoadWindow(const std::string& path);
    // The memory load window preset with the file, shown modally.
    void ShowMemoryLoadWindow(const std::string& path);
    TFormPoke* FormPoke();
    TFormMemReadWrite* FormMemReadWrite();
    // After a tool window: reopens the debugger when it holds the machine;
    // otherwise runs again when the machine ran before (runStateBefore 0).
    // The end of a hold for a memory tool: the debugger opens again when it held
    // the machine (the hold then keeps it paused), else the hold ends by its rule.
    void ResumeOrReopenDebugger(MachineOwner::PauseHold& hold);
    void MiDebuggerClick();
    TFormDebugger* FormDebugger() const { return formDebugger.get(); }
    // While the debugger holds the machine, running goes through it, so that no
    // slice runs while one of its editors is open.
    bool DebuggerHoldsMachine() const;
    void RunFromDebugger();
    // A new machine was built: the debugger follows its CPU and memory.
    void DebuggerMachineRebuilt();

    // Help.
    void MiKeyboardClick();
    void MiAboutClick();
    TFormAbout* FormAbout();
    TFormKeyMap* FormKeyMap();
    // The keyboard picture follows the keyboard's change-zy setting.
    void RefreshKeyMap();

    // Snapshots.
    void TBtnSaveSnapClick();
    void MiOpenSnapClick();
    bool LoadSnapshotFile(const std::string& path);
    bool LoadSnapshotAt(int fd, int32_t offset);
    // The last load failed after the machine had been rebuilt (callers reset it).
    bool LastSnapshotLoadChangedMachine() const { return lastSnapshotChanged; }
    // One controls tick (the 20 ms timer).
    void TimerRefreshControlsTimer();

    // Action recordings (FormMainRecording.cpp).
    void MiCreatePrcClick();
    void MiContinuePrcClick(bool withSender);
    void MiPlaybackPrcClick();
    void MiStopPrcClick();
    void MiShowWinPrcClick();
    bool PlaybackPrc(const std::string& path);
    // The .prc branch of opening a file: the open recording ends (with its
    // question), the file plays back and goes to the recent list, also when
    // its playback does not start.
    void OpenPrcFile(const std::string& path);
    void PrcAddSnapshot();
    void PrcRestoreSnapshot();
    void ClosePrc();
    RecordingSession& PrcSession() { return *prcSession; }
    TFormActionRecording* FormActionRecording() const { return formActionRecording; }
    // Settings (FormMainSettings.cpp).
    TFormSettings* FormSettings() const { return formSettings.get(); }
    // Settings menu items (Tag = page) and the toolbar button (no sender).
    void MiSettingsClick(QAction* sender);
    void TBtnSettingsClick() { MiSettingsClick(nullptr); }

    // ScreenOwner.
    bool GetMonitorRect(int& left, int& top, int& width, int& height) override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool focusNextPrevChild(bool next) override { return false; }
    void changeEvent(QEvent* event) override;

private:
    class View;
    void CreateControls();
    // The menus and toolbar from their table (FormMainMenus.cpp).
    void CreateMenusAndToolBar();
    void CreateRecentFilesDropdown();
    // Every table entry enabled as its rule says, now.
    void FollowEnableRules();
    void SetImageIndex(QObject* component, int index);
    void CreateDebugger();
    QAction* AddAction(QMenu* menu, const char* name, const char* caption, const QKeySequence& key = {});
    void ShowImage(QLabel* label, int kind, int index);
    void SetMenusForFullScreen(bool full);
    void PlaceFrame(int left, int top);
    void PlaceFrameTick();
    void ApplicationStateChanged(Qt::ApplicationState state);
    void RunStateChanged(int paused, bool alsoRefreshTimers);
    void ShowMute(bool mute);
    bool LoadSnapshot(const std::string& path, int fd, int32_t offset);
    bool RunSnapDialog(bool save, std::string& path, uint8_t (&checks)[2]);
    bool AskSaveFile(const std::string& title, const std::string& filter, const std::string& ext,
                     std::string& path);
    QString FormText(const char* key) const;
    void ShowSoundImage(int index);
    void CreateRecordingSession();
    void SetUpRecordingView();
    void ShowPrcError(const char* titleKey, const char* messageKey);
    void ShowRecordingIcon(int tag);
    // Alt+Insert, Alt+Delete, Alt+Pause while recording, at the key's
    // release (vk: its virtual key); true when taken.
    bool PrcKeyUp(int vk, bool alt);
    // A key event of the main window or the recording window: notes a
    // recording key pressed with Alt (Alt may come up first) and runs
    // PrcKeyUp at its release; true when the release was taken.
    bool PrcKeyEvent(const QKeyEvent* event);
    // The controls tick's part: a recording that ended or failed is closed.
    void PrcControlsTick();
    void CreateSettingsWindow();
    // After the settings dialog's OK or the ROM folder assistant: the document
    // is saved and its changes (codes) applied to the machine.
    void ApplyChangedDocument(std::vector<int> codes);
    // The first-start panel's ROM folder button: the assistant, its change
    // applied as the settings dialog's OK does.
    void FirstStartRomFolder();
    void RunStartSettings();
    // A box for each disk image the last build or apply could not mount, and
    // for a sound device it could not open.
    void ReportDeviceFailures();
    void StoreSettingsWindow();
    void ShowSettingsMute(bool mute);
    void ConnectScreenMouse();
    void CreatePeripheralWindows();
    void DonePeripherals();
    void PeripheralsFollowScreenSize();
    void MouseButtonChange(int x, int y, Qt::MouseButton button, int change);

    Prompts* prompts;
    ConfigDocument xmlDoc;
    // Tool windows write their configuration when destroyed, so they go
    // before the document.
    std::unique_ptr<TFormDebugger> formDebugger;
    std::unique_ptr<TFormPoke> formPoke;
    std::unique_ptr<TFormMemReadWrite> formMemReadWrite;
    std::unique_ptr<TFormAbout> formAbout;
    std::unique_ptr<TFormKeyMap> formKeyMap;
    std::unique_ptr<MachineOwner> owner;
    // Answers of posted commands, waiting for RunCommandAnswers.
    std::mutex answersMutex;
    std::vector<std::function<void()>> commandAnswers;
    std::unique_ptr<View> view;

    bool firstShowPending = false;
    uint32_t ledState = 0;
    int soundBlink = 0;
    int soundTag = 0;          // ImageSound.Tag (bit 16: second icon shown)
    int savedLeft = 0, savedTop = 0;
    int windowSize = 2;
    bool soundMuted = false;   // TBtnSound.Tag
    bool focusHooked = false;
    bool focusParked = false;   // deactivated, run state parked in ApplicationTag
    bool recordingWave = false;  // MiRecordSound.Tag 13
    bool inFullScreen = false;

    InstanceChannel* instance = nullptr;
    QString commandLineFile;
    QString lastOpenedFile;
    int openedFiles = 0;
    static constexpr int kRecentItems = 20;
    QMenu* recentFilesDropdown = nullptr;
    QAction* recentItems[kRecentItems] = {};
    bool DebuggerWindowVisible() const;
    std::unique_ptr<RecordingSession> prcSession;
    int prcAltKey = 0;  // virtual key of the recording key last pressed with Alt
    TFormActionRecording* formActionRecording = nullptr;
    bool lastSnapshotChanged = false;  // the last snapshot load rebuilt the machine

    // Components.
    QToolBar* toolBar = nullptr;
    QWidget* panel = nullptr;
    ScreenView* screenView = nullptr;
    FirstStartPanel* firstStart = nullptr;
    QLabel* imageModel = nullptr;
    QLabel* labelCpuUsage = nullptr;
    QLabel* imageSound = nullptr;
    QLabel* imageTape = nullptr;
    QLabel* imageDisk = nullptr;
    QLabel* imageLed[3] = {};
    QMenu* miFile = nullptr;
    QMenu* miView = nullptr;
    QMenu* miEmul = nullptr;
    QMenu* miTools = nullptr;
    QMenu* miHelp = nullptr;
    QAction* miSize[4] = {};
    std::vector<QAction*> controlActions;  // by the table's entries (menus: their menu action)
    QHash<const QObject*, int> imageIndexes;
    QAction* miPaused = nullptr;
    QAction* miSound = nullptr;
    QAction* miFocusPause = nullptr;
    QAction* miRecordSound = nullptr;
    QAction* tbtnRunPause = nullptr;
    QAction* tbtnSound = nullptr;
    QAction* tbtnTest = nullptr;
    QTimer* controlsTimer = nullptr;
    QTimer* placeTimer = nullptr;  // places the frame once it is known
    QPoint placeAt;
    QElapsedTimer placeClock;
    int placeSettled = 0;
    bool fitPending = false;  // the start's size is checked again once the frame is known
    std::unique_ptr<TFormSettings> formSettings;
    TFormJoy* formJoy = nullptr;
    TFormPrint* formPrint = nullptr;
    PrinterPaperLink* paperLink = nullptr;  // owned by the paper window
    bool mouseCursorHidden = false;
    void CreateTapeBrowser();
    void DestroyTapeBrowser();
    TFormTapeBrowser* tapeBrowser = nullptr;
    TFormEditTapeHeader* tapeHeaderEditor = nullptr;
};
