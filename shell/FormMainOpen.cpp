// Opening files: one routine decides by the extension whether a file is a
// snapshot, a tape, an action recording or raw data for memory; the open
// dialog and the recent-files pop-up in front of it.
#include <QAction>
#include <QFileInfo>
#include <QMenu>

#include <optional>

#include "common/Config.h"
#include "common/Lang.h"
#include "common/Paths.h"
#include "common/RecentFiles.h"
#include "machine/core/RequestWords.h"
#include "shell/FormMain.h"
#include "ui/ControlPictures.h"
#include "ui/Prompts.h"
#include "tools/debugger/window/FormDebugger.h"
#include "tools/tape/window/TapeBrowser.h"

namespace {

std::string UpperExtension(const std::string& path) {
    const QString name = QFileInfo(QString::fromStdString(path)).fileName();
    const int dot = name.lastIndexOf('.');
    return dot < 0 ? std::string() : name.mid(dot).toUpper().toStdString();
}

}  // namespace

TFormMain::OpenKind TFormMain::KindOfFile(const std::string& path) const {
    const std::string ext = UpperExtension(path);
    if (ext == ".PSN") return OpenKind::Snapshot;
    if ((ext == ".PTP" || ext == ".PMD") && !(tapeBrowser && tapeBrowser->EditMode())) return OpenKind::Tape;
    if (ext == ".PRC") return OpenKind::Recording;
    return OpenKind::Memory;
}

bool TFormMain::DebuggerWindowVisible() const { return formDebugger && formDebugger->isVisible(); }

void TFormMain::OpenFile(const std::string& path, bool fromOutside) {
    const OpenKind kind = KindOfFile(path);
    // Opened from outside (command line, another instance): held here; from
    // the open dialog, by its caller.
    std::optional<MachineOwner::PauseHold> hold;
    if (fromOutside) hold.emplace(*owner, 1, MachineOwner::PauseHold::Always);
    switch (kind) {
        case OpenKind::Snapshot:
            ClosePrc();
            if (LoadSnapshotFile(path))
                AddRecentFile(path);
            else if (LastSnapshotLoadChangedMachine())
                ResetMachine(1);
            break;
        case OpenKind::Tape:
            OpenTapeFile(QString::fromStdString(path));
            break;
        case OpenKind::Recording:
            OpenPrcFile(path);
            break;
        case OpenKind::Memory:
            SetPause(1, 1);
            ShowMemoryLoadWindow(path);
            if (hold && DebuggerWindowVisible()) hold->Keep();
            return;
    }
}

void TFormMain::OpenFileByName(const std::string& path) {
    if (path.empty()) return;
    OpenFile(path, true);
}

void TFormMain::TBtnOpenClick(int kind) {
    MachineOwner::PauseHold hold(*owner, 0, MachineOwner::PauseHold::Always);
    std::string filter;
    std::string start;
    if (kind == 1) {
        filter = LangText("FormMain", "text.OpenFileDlg.FilterTape");
        start = MakeAbsolutePath(ReadElementText(ConfigSection("TapeBrowser")));
    } else {
        filter = LangText("FormMain", "text.OpenFileDlg.FilterEmu");
        start = AppDir();
    }
    if (start.empty() || !QFileInfo(QFileInfo(QString::fromStdString(start)).absolutePath()).isDir()) start = AppDir();
    const std::string title = LangText("FormMain", "text.OpenFileDlg.Title");
    if (prompts->OpenFile(title, filter, "", start))
        OpenFile(start, false);
}

void TFormMain::MiOpenTapeClick() { TBtnOpenClick(1); }

void TFormMain::MiFileClick() {
    if (!recentFilesDropdown) return;
    pugi::xml_node recent = ConfigSection("Recent");
    // Missing files leave the list for good.
    std::vector<pugi::xml_node> nodes;
    for (pugi::xml_node n = recent.first_child(); n; n = n.next_sibling()) nodes.push_back(n);
    for (int i = static_cast<int>(nodes.size()) - 1; i >= 0; --i) {
        if (std::string(nodes[i].name()) != "RecentFile") continue;
        if (!QFileInfo::exists(QString::fromStdString(MakeAbsolutePath(nodes[i].text().get()))))
            RemoveRecentFile(recent, i);
    }
    int shown = 0;
    int index = 0;
    for (pugi::xml_node n = recent.first_child(); n && shown < kRecentItems; n = n.next_sibling(), ++index) {
        if (std::string(n.name()) != "RecentFile") continue;
        const std::string text = n.text().get();
        const QString prefix = shown < 10 ? QString("&%1  ").arg((shown + 1) % 10) : QString("    ");
        QAction* item = recentItems[shown];
        item->setText(prefix + QString::fromStdString(text));
        item->setData(index);
        const std::string ext = UpperExtension(text);
        using ControlPictures::Command;
        const bool snapshot = ext == ".PSN", tape = ext == ".PTP" || ext == ".PMD", recording = ext == ".PRC";
        SetImageIndex(item, snapshot ? 1 : tape ? 11 : recording ? 19 : 21);
        item->setIcon(ControlPictures::CommandIcon(snapshot    ? Command::Snapshot
                                                   : tape      ? Command::Tape
                                                   : recording ? Command::Recording
                                                               : Command::OtherFile));
        item->setVisible(true);
        ++shown;
    }
    for (int i = shown; i < kRecentItems; ++i) recentItems[i]->setVisible(false);
}

void TFormMain::MiOpenRecentFileClick(QAction* sender) {
    if (!sender) return;
    pugi::xml_node recent = ConfigSection("Recent");
    const std::string path = RemoveRecentFile(recent, sender->data().toInt());
    if (path.empty()) return;
    InsertRecentFileFirst(recent, path);  // first in the list again
    OpenFile(MakeAbsolutePath(path), true);
}
