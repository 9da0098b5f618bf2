#include "shell/romfolder/RomFolderAssistant.h"

#include <QComboBox>
#include <QFileDialog>

#include "common/ConfigDocument.h"
#include "common/Lang.h"
#include "common/Paths.h"
#include "common/RomRecogniser.h"
#include "shell/romfolder/FormRomFolder.h"
#include "shell/settings/FormSettings.h"
#include "shell/settings/pages/PageModel.h"

namespace {
std::vector<int> lastCodes;
QString lastFolder;
}  // namespace

bool RunRomFolderAssistant(QWidget* parent, ConfigDocument& doc) {
    lastCodes.clear();
    if (!doc.Active()) return false;
    std::string title = LangText("FormRomFolder", "text.ChooseFolder.Title");
    if (title.empty()) title = "Choose the folder of your ROM dumps";
    const QString start = lastFolder.isEmpty() ? QString::fromStdString(AppDir()) : lastFolder;
    const QString folder =
        QFileDialog::getExistingDirectory(parent, QString::fromStdString(title), start, QFileDialog::ShowDirsOnly);
    if (folder.isEmpty()) return false;
    lastFolder = folder;
    TFormRomFolder dialog(parent, folder.toStdString(), BuiltInKnownRoms(), doc);
    if (dialog.exec() != QDialog::Accepted || !dialog.Changed()) return false;
    lastCodes = dialog.ChangeCodes();
    return true;
}

const std::vector<int>& RomFolderAssistantChangeCodes() { return lastCodes; }

void ReloadSettingsPages(TFormSettings& settings) {
    settings.TabRomPackagesShow();
    // The Model page fills its package list again only when it is empty.
    settings.ModelPage()->Package()->clear();
    settings.TabModelShow();
    settings.TabStoragesShow();
}
