#pragma once
// Model: the emulated computer, its monitor ROM and the ROM module.
#include "shell/settings/pages/SettingsPage.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
namespace setpage { class PathLineEdit; }

class TPageModel : public TSettingsPage {
    Q_OBJECT
public:
    explicit TPageModel(TFormSettings& dialog);
    void Load() override;
    void Read(SettingsControls& c) const override;

    // The model's name as its radio button shows it: the language file's
    // caption, else the built-in one; empty outside 0-7.
    static QString ModelCaption(int model);

    int SelectedModel() const;
    void SelectModel(int model);
    // Loads the chosen model's values into the page.
    void RadioModelClick();
    // The package list changed on the packages page.
    void RefreshPackages();
    QCheckBox* InsertRm() const { return checkInsertRm; }
    void UncheckInsertRm();
    QComboBox* Package() const { return cbPkg; }
    // Room for the model with the most controls, whichever is chosen, so
    // that the dialog sized on opening holds the page for every model.
    QSize minimumSizeHint() const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CheckInsertRmClick();
    void CbPkgSelect();
    void SbMonOpenClick();
    // Names the dump the monitor edit shows, from the table of known dumps.
    void ShowMonitorName();

    QRadioButton* radioModel[8] = {};
    QLabel* imgModel[8] = {};
    QCheckBox* checkM3Comp = nullptr;
    QCheckBox* check256k = nullptr;
    setpage::PathLineEdit* editMon = nullptr;
    QLabel* lblMonName = nullptr;
    QCheckBox* checkInsertRm = nullptr;
    QLabel* lblPkg = nullptr;
    QComboBox* cbPkg = nullptr;
};
