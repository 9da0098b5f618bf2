#include "shell/romfolder/RomFolderAssistant.h"

#include <QComboBox>

#include "common/ConfigDocument.h"
#include "common/Lang.h"
#include "common/Paths.h"
#include "common/RomRecogniser.h"
#include "shell/romfolder/FormRomFolder.h"
#include "shell/settings/FormSettings.h"
#include "shell/settings/pages/PageModel.h"
#include "ui/Prompts.h"

namespace {
std::string lastFolder;
}  // namespace

bool RunRomFolderAssistant(QWidget* parent, ConfigDocument& doc, std::vector<int>& codes, Prompts& prompts,
                           const std::vector<KnownRom>& table) {
    codes.clear();
    if (!doc.Active()) return false;
    std::string title = LangText("FormRomFolder", "text.ChooseFolder.Title");
    if (title.empty()) title = "Choose the folder of your ROM dumps";
    std::string folder = lastFolder.empty() ? AppDir() : lastFolder;
    if (!prompts.ChooseFolder(parent, title, folder) || folder.empty()) return false;
    lastFolder = folder;
    TFormRomFolder dialog(parent, folder, table, doc);
    if (prompts.Exec(dialog) != QDialog::Accepted || !dialog.Changed()) return false;
    codes = dialog.ChangeCodes();
    return true;
}

void ReloadSettingsPages(TFormSettings& settings) {
    settings.TabRomPackagesShow();
    // The Model page fills its package list again only when it is empty.
    settings.ModelPage()->Package()->clear();
    settings.TabModelShow();
    settings.TabStoragesShow();
}
