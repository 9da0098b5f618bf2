#pragma once
// Storages (1): the PMD 32 disk unit with its SD card and the PMD 30.
#include "shell/settings/pages/PageWidgets.h"
#include "shell/settings/pages/SettingsPage.h"

class TPageStorages1 : public TSettingsPage {
    Q_OBJECT
public:
    explicit TPageStorages1(TFormSettings& dialog);
    void Load() override;
    void Read(SettingsControls& c) const override;

private:
    void Check32EnableClick();
    void Check32SDClick();
    void Sb32OpenClick(int drive);
    void Sb32NewClick(int drive);
    void Sb32EjectClick(int drive);
    void Sb32ExchClick(int pair);
    void SbRootPathClick();
    void Check30EnableClick();

    bool guard32 = false, guard30 = false;
    QGroupBox* gb32 = nullptr;
    QCheckBox* check32Enable = nullptr;
    setpage::PathLineEdit* edit32[4] = {};
    QCheckBox* check32Wp[4] = {};
    QCheckBox* check32SD = nullptr;
    QLabel* lblRootPath = nullptr;
    setpage::PathLineEdit* editRootPath = nullptr;
    QToolButton* sbRootPath = nullptr;
    QCheckBox* check30Enable = nullptr;
    setpage::PathLineEdit* edit30 = nullptr;
    QCheckBox* check30Wp = nullptr;
    QList<QWidget*> pmd30Controls;
};
