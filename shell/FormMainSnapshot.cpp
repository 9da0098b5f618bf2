// The main window's snapshot commands.
#include "shell/FormMain.h"

#include <QFileInfo>

#include "common/Config.h"
#include "common/Lang.h"
#include "common/Paths.h"
#include "common/RecentFiles.h"
#include "machine/core/RequestWords.h"
#include "machine/owner/SnapshotCommands.h"
#include "ui/FileDialogs.h"
#include "ui/Prompts.h"
#include "shell/SnapDialogs.h"
#include "shell/settings/FormSettings.h"

namespace {

QString Text(const char* key) { return QString::fromStdString(LangText("FormMain", key)); }

pugi::xml_node SnapshotSection() { return ConfigSectionForWrite("Snapshot"); }

// Name and folder for a dialog from the last path: its folder when it
// exists, else the program folder with no name.
void StartAt(QFileDialog& dialog, const std::string& last) {
    const QFileInfo info(QString::fromStdString(last));
    if (!last.empty() && QFileInfo(info.absolutePath()).isDir()) {
        dialog.setDirectory(info.absolutePath());
        dialog.selectFile(info.fileName());
    } else {
        dialog.setDirectory(QString::fromStdString(AppDir()));
    }
}

}  // namespace

bool TFormMain::RunSnapDialog(bool save, std::string& path, uint8_t (&checks)[2]) {
    const bool places = ReadAttrBool(ConfigSection("General"), "show-place-bar-on-file-dialog", true);
    if (save) {
        TSnapSaveDialog dialog(this, places);
        dialog.setWindowTitle(Text("text.SaveSnapDlg.Title"));
        dialog.setNameFilters(ConvertDialogFilter(LangText("FormMain", "text.SaveSnapDlg.Filter")));
        dialog.setDefaultSuffix("psn");
        StartAt(dialog, path);
        dialog.firstCaption = Text("check.SavePacked.Caption");
        dialog.secondCaption = Text("check.AlsoMonit.Caption");
        dialog.firstCheckState = checks[0];
        dialog.secondCheckState = checks[1];
        const bool ok = dialog.Execute(*prompts);
        checks[0] = dialog.firstCheckState;
        checks[1] = dialog.secondCheckState;
        if (ok) path = dialog.SelectedPath().toStdString();
        return ok;
    }
    TSnapOpenDialog dialog(this, places);
    dialog.setWindowTitle(Text("text.OpenSnapDlg.Title"));
    dialog.setNameFilters(ConvertDialogFilter(LangText("FormMain", "text.OpenSnapDlg.Filter")));
    dialog.setDefaultSuffix("psn");
    StartAt(dialog, path);
    dialog.checkCaption = Text("check.DontRun.Caption");
    dialog.checkState = checks[0];
    const bool ok = dialog.Execute(*prompts);
    checks[0] = dialog.checkState;
    if (ok) path = dialog.SelectedPath().toStdString();
    return ok;
}

void TFormMain::TBtnSaveSnapClick() {
    pugi::xml_node section = SnapshotSection();
    std::string path = MakeAbsolutePath(ReadElementText(section));
    MachineOwner::PauseHold hold(*owner, 0, MachineOwner::PauseHold::Always);
    uint8_t checks[2] = {static_cast<uint8_t>(ReadAttrBool(section, "save-snapshot-compressed", true) ? 1 : 0),
                         static_cast<uint8_t>(ReadAttrBool(section, "save-snapshot-with-monitor", false) ? 1 : 0)};
    if (RunSnapDialog(true, path, checks)) {
        WriteAttrBool(section, "save-snapshot-compressed", checks[0]);
        WriteAttrBool(section, "save-snapshot-with-monitor", checks[1]);
        WriteElementText(section, MakeRelativePath(path));
        SnapshotSaveOptions options;
        options.packed = checks[0] != 0;
        options.withMonitor = checks[1] != 0;
        if (SaveMachineSnapshot(*owner, path, 0, options) > 0)
            AddRecentFile(path);
        else
            prompts->Error(this, Text("err.SaveSnap.Title"), Text("err.SaveSnap.Message"));
    }
    // The debugger's window, when shown, keeps the machine paused for it.
    if (DebuggerWindowVisible()) hold.Keep();
}

void TFormMain::MiOpenSnapClick() {
    pugi::xml_node section = SnapshotSection();
    std::string path = MakeAbsolutePath(ReadElementText(section));
    MachineOwner::PauseHold hold(*owner, 0, MachineOwner::PauseHold::Always);
    uint8_t checks[2] = {static_cast<uint8_t>(ReadAttrBool(section, "dont-run-snapshot-on-load", false) ? 1 : 0), 0};
    bool loaded = false;
    bool cancelled = true;
    lastSnapshotChanged = false;
    if (RunSnapDialog(false, path, checks)) {
        cancelled = false;
        WriteAttrBool(section, "dont-run-snapshot-on-load", checks[0]);
        loaded = LoadSnapshotFile(path);
        if (loaded) AddRecentFile(path);
    }
    // A snapshot refused before anything changed leaves the machine as it was.
    if (!loaded && (cancelled || lastSnapshotChanged)) ResetMachine(1);
    if (checks[0] == 1 && loaded) {
        hold.Keep();
        MiDebuggerClick();
    }
}

bool TFormMain::LoadSnapshotFile(const std::string& path) { return LoadSnapshot(path, -1, 0); }

bool TFormMain::LoadSnapshotAt(int fd, int32_t offset) { return LoadSnapshot(std::string(), fd, offset); }

bool TFormMain::LoadSnapshot(const std::string& path, int fd, int32_t offset) {
    // The settings dialog follows the model.
    const SnapshotModelHook select = [this](int model) {
        if (formSettings) formSettings->SelectModel(model);
    };
    const SnapshotLoadResult r = fd >= 0 ? LoadMachineSnapshotFd(*owner, fd, offset, select)
                                         : LoadMachineSnapshot(*owner, path, offset, select);
    lastSnapshotChanged = r.changed;
    ReportDeviceFailures();
    if (!r.Loaded()) {
        prompts->Error(this, Text("err.OpenSnapDlg.Title"), Text("err.OpenSnapDlg.Message"));
        return false;
    }
    if (!path.empty() && !IsRecordingPath(path)) WriteElementText(SnapshotSection(), MakeRelativePath(path));
    return true;
}
