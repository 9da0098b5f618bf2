// The main window's tape side: the tape browser and its header editor, the
// commands that show it and open tapes, tape files handed over by the open
// routines, and the refusal to close while the browser is editing.
#include <QAction>
#include <QApplication>
#include <QFileInfo>

#include "common/Config.h"
#include "common/Lang.h"
#include "common/Paths.h"
#include "common/RecentFiles.h"
#include "shell/FormMain.h"
#include "ui/FileDialogs.h"
#include "tools/tape/window/EditTapeHeader.h"
#include "tools/tape/window/TapeBrowser.h"

void TFormMain::CreateTapeBrowser() {
    tapeHeaderEditor = new TFormEditTapeHeader(this);
    tapeBrowser = new TFormTapeBrowser(this);
    tapeBrowser->SetHeaderEditor(tapeHeaderEditor);
    tapeBrowser->SetOwner(owner.get());
    tapeHeaderEditor->SetPrompts(*prompts);
    tapeBrowser->SetPrompts(*prompts);

    QAction* playStop = new QAction(this);
    playStop->setShortcut(QKeySequence(Qt::ALT | Qt::Key_P));
    addAction(playStop);
    connect(playStop, &QAction::triggered, this, [this] {
        if (tapeBrowser->Deck().Playing())
            tapeBrowser->SBtnStopClick();
        else
            tapeBrowser->SBtnPlayClick();
    });
}

void TFormMain::DestroyTapeBrowser() {
    delete tapeBrowser;  // unlinks itself from the owner
    tapeBrowser = nullptr;
    delete tapeHeaderEditor;
    tapeHeaderEditor = nullptr;
}

void TFormMain::ShowTapeBrowserAvailable() { FollowEnableRules(); }

void TFormMain::MiTapeBrowserClick() {
    if (!tapeBrowser || !tapeBrowser->Available()) return;  // the model has no tape interface
    if (tapeBrowser->isHidden()) {
        tapeBrowser->show();
        tapeBrowser->raise();
    } else if (tapeBrowser->EditMode()) {
        QApplication::beep();
    } else {
        tapeBrowser->hide();
    }
}

bool TFormMain::OpenTapeFile(const QString& path) {
    const QString ext = QFileInfo(path).suffix().toUpper();
    if (ext != "PTP" && ext != "PMD") return false;
    if (!tapeBrowser || tapeBrowser->EditMode()) return false;  // goes to the memory load instead
    if (!tapeBrowser->SetTapeFileName(path.toStdString())) return true;  // said what is wrong with it
    if (tapeBrowser->Available()) tapeBrowser->show();  // else kept for a model with a tape interface
    AddRecentFile(path.toStdString());
    return true;
}
