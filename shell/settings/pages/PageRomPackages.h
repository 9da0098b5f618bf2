#pragma once
// ROM packages: composing, saving and deleting the packages of ROM files.
#include "shell/settings/logic/RomPackages.h"
#include "shell/settings/pages/SettingsPage.h"

class QComboBox;
class QToolButton;
class QTreeWidget;

class TPageRomPackages : public TSettingsPage {
    Q_OBJECT
public:
    explicit TPageRomPackages(TFormSettings& dialog);
    void Load() override;
    // Shows the package at index of the model page's list (count: that list's
    // length, the list is built again when it differs; -1 keeps it).
    void Follow(int index, int count);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FitColumns();
    void Fill(const std::string& wanted);
    void CbRomPackageSelect();
    void CbRomPackageChange();
    void SbRomPackageSaveClick();
    void SbRomPackageDelClick();
    void SbRomFileAddClick();
    void SbRomFileDelClick();
    void FillRomFileListView();
    void RefreshOtherPages();

    bool loading = false;
    bool romPackageEdited = false;
    PackageList packageTable;  // of CbRomPackage
    RomFileList romFiles;      // of the shown package
    QComboBox* cbRomPackage = nullptr;
    QToolButton* sbRomPackageSave = nullptr;
    QToolButton* sbRomPackageDel = nullptr;
    QTreeWidget* lvRomFileList = nullptr;
    QToolButton* sbRomFileAdd = nullptr;
    QToolButton* sbRomFileDel = nullptr;
};
