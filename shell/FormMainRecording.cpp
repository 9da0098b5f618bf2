// The main window's action-recording commands: create, continue, play back,
// stop, show the window, add a save point, roll back, and the close question.
#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>

#include "common/Lang.h"
#include "common/Paths.h"
#include "common/RecentFiles.h"
#include "machine/recording/RecordingSession.h"
#include "platform/KeyState.h"
#include "shell/FormMain.h"
#include "shell/KeyMap.h"
#include "ui/Prompts.h"
#include "shell/recording/FormActionRecording.h"

void TFormMain::CreateRecordingSession() {
    prcSession = std::make_unique<RecordingSession>(*owner);
    // Snapshots load through the main window's loader, which reports a failure itself.
    prcSession->SetLoader([this](int fd, int32_t offset, const std::string& path) {
        return fd >= 0 ? LoadSnapshotAt(fd, offset) : LoadSnapshotFile(path);
    });
    formActionRecording = new TFormActionRecording(this);
    formActionRecording->SetPrompts(*prompts);
    formActionRecording->installEventFilter(this);
}

void TFormMain::ShowPrcError(const char* titleKey, const char* messageKey) {
    prompts->Error(this, FormText(titleKey), FormText(messageKey));
}

void TFormMain::ShowRecordingIcon(int tag) {
    soundTag = tag;
    ShowSoundImage(tag ? 14 : 0);
    soundBlink = 25;
}

void TFormMain::MiCreatePrcClick() {
    MachineOwner::PauseHold hold(*owner, 0, MachineOwner::PauseHold::Always);
    StopRecordings();
    std::string path;
    const std::string title = LangText("FormMain", "text.SaveFileDlg.Title");
    const std::string filter = LangText("FormMain", "text.OpenFileDlg.FilterPrc");
    const bool chosen = prompts->SaveFile(title, filter, "prc", true, path);
    if (!chosen) return;
    TFormActionRecording& window = *formActionRecording;
    window.ShowStartPanel(true);
    const bool ok = prompts->Exec(window) == QDialog::Accepted;
    if (!ok) return;
    prcSession->SetExternalSnapshots(window.ExternalSnapshots());
    const std::string from = window.StartFromSnapshot() ? MakeAbsolutePath(window.SnapshotFileText()) : std::string();
    // A snapshot that does not load aborts the recording and deletes its file.
    if (prcSession->Create(path, from) != 0) {
        ShowPrcError("err.CreatePrcDlg.Title", "err.CreatePrcDlg.Message");
        return;
    }
    AddRecentFile(path);
    hold.Keep();
    SetUpRecordingView();
}

void TFormMain::MiContinuePrcClick(bool withSender) {
    if (withSender) {
        MachineOwner::PauseHold hold(*owner, 0, MachineOwner::PauseHold::Always);
        StopRecordings();
        std::string path;
        const std::string title = LangText("FormMain", "text.OpenFileDlg.Title");
        const std::string filter = LangText("FormMain", "text.OpenFileDlg.FilterPrc");
        const bool chosen = prompts->OpenFile(title, filter, "prc", path);
        if (!chosen) return;
        prcSession->SetExternalSnapshots(formActionRecording->ExternalSnapshots());
        if (prcSession->Continue(path) != 0) {
            ShowPrcError("err.OpenPrcDlg.Title", "err.OpenPrcDlg.Message");
            return;
        }
        AddRecentFile(path);
        hold.Keep();
    }
    SetUpRecordingView();
}

void TFormMain::SetUpRecordingView() {
    TFormActionRecording& window = *formActionRecording;
    window.SetSources(owner->GetScreen(), prcSession->GetRecording());
    window.ClearThumbnails();
    window.AddAllThumbnails();
    window.ShowStartPanel(false);
    window.show();
    FollowEnableRules();
    ShowRecordingIcon(kSoundTagActionRecording);
    // The machine stays paused; the user starts it.
}

void TFormMain::MiPlaybackPrcClick() {
    MachineOwner::PauseHold hold(*owner, 0, MachineOwner::PauseHold::Always);
    StopRecordings();
    std::string path;
    const std::string title = LangText("FormMain", "text.OpenFileDlg.Title");
    const std::string filter = LangText("FormMain", "text.OpenFileDlg.FilterPrc");
    const bool chosen = prompts->OpenFile(title, filter, "prc", path);
    if (chosen) {
        PlaybackPrc(path);
        AddRecentFile(path);
    }
}

bool TFormMain::PlaybackPrc(const std::string& path) {
    const int result = prcSession->Playback(path);
    if (!prcSession->IsOpen()) {
        ShowPrcError("err.OpenPrcDlg.Title", "err.OpenPrcDlg.Message");
        return false;
    }
    FollowEnableRules();
    // The first snapshot did not load (the loader said so): open but not linked; stop closes it.
    if (result != 0) return false;
    ShowRecordingIcon(kSoundTagActionPlayback);
    return true;
}

void TFormMain::OpenPrcFile(const std::string& path) {
    ClosePrc();
    PlaybackPrc(path);
    AddRecentFile(path);
}

void TFormMain::MiStopPrcClick() {
    MachineOwner::PauseHold hold(*owner, 0, MachineOwner::PauseHold::Always);
    ClosePrc();
}

void TFormMain::MiShowWinPrcClick() {
    if (prcSession->IsOpen()) formActionRecording->show();
}

void TFormMain::PrcAddSnapshot() {
    if (!prcSession->IsRecording()) return;
    MachineOwner::PauseHold hold(*owner, 0, MachineOwner::PauseHold::Always);
    if (prcSession->AddSavePoint()) formActionRecording->AddThumbnail();
}

void TFormMain::PrcRestoreSnapshot() {
    if (!prcSession->IsRecording()) return;
    MachineOwner::PauseHold hold(*owner, 0, MachineOwner::PauseHold::Always);
    bool removed = false;
    const int loaded = prcSession->Rollback(removed);
    if (removed) formActionRecording->RemoveLastThumbnail();
    if (loaded) {
        hold.Keep();  // linked again; the machine stays paused
        return;
    }
    ResetMachine(1);
}

void TFormMain::ClosePrc() {
    if (!prcSession || !prcSession->IsOpen()) return;
    if (prcSession->IsRecording()) {
        const QString title = FormText("text.ClosePrc.Title");
        const QString text = FormText("text.ClosePrc.Message");
        const bool yes = prompts->Question(this, title, text);
        // Yes compacts the file; No ends it with a snapshot of the final state.
        if (!prcSession->Close(yes)) ShowPrcError("err.ClosePrc.Title", "err.ClosePrc.Message");
    } else {
        prcSession->Close(false);
    }
    formActionRecording->SetSources(owner->GetScreen(), nullptr);
    formActionRecording->hide();
    FollowEnableRules();
    if (soundTag == kSoundTagActionRecording || soundTag == kSoundTagActionPlayback ||
        (soundTag & 0xFFFF) == kSoundTagActionRecording || (soundTag & 0xFFFF) == kSoundTagActionPlayback)
        ShowRecordingIcon(0);
}

bool TFormMain::PrcKeyUp(int vk, bool alt) {
    if (!alt || !prcSession || !prcSession->IsRecording()) return false;
    switch (vk) {
        case VK_INSERT:
            PrcAddSnapshot();
            return true;
        case VK_DELETE:
            PrcRestoreSnapshot();
            return true;
        case VK_PAUSE:  // Pause, and Break (Ctrl+Pause)
            MiStopPrcClick();
            return true;
        default:
            return false;
    }
}

bool TFormMain::PrcKeyEvent(const QKeyEvent* event) {
    if (event->isAutoRepeat()) return false;
    const int vk = VirtualKeyOf(event);
    const bool alt = (event->modifiers() & Qt::AltModifier) != 0;
    if (event->type() == QEvent::KeyPress) {
        if (vk == VK_INSERT || vk == VK_DELETE || vk == VK_PAUSE) prcAltKey = alt ? vk : 0;
        return false;
    }
    if (event->type() != QEvent::KeyRelease) return false;
    // Alt let go a moment before the key still counts.
    const bool withAlt = alt || (vk != 0 && prcAltKey == vk);
    if (prcAltKey == vk) prcAltKey = 0;
    return PrcKeyUp(vk, withAlt);
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event) {
    // The recording window passes the recording keys on.
    if (watched == formActionRecording &&
        (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) &&
        PrcKeyEvent(static_cast<QKeyEvent*>(event)))
        return true;
    return QMainWindow::eventFilter(watched, event);
}

void TFormMain::PrcControlsTick() {
    if (!prcSession || !prcSession->IsOpen() || !prcSession->IsLinked()) return;
    const int32_t state = prcSession->GetState();
    if (state == Recording::StateClosed || state == Recording::StateFailed) MiStopPrcClick();
}
