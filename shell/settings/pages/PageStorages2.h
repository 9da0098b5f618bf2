#pragma once
// Storages (2): the RAOM module and the KZD-1 data recorder.
#include "shell/settings/pages/PageWidgets.h"
#include "shell/settings/pages/SettingsPage.h"

class TPageStorages2 : public TSettingsPage {
    Q_OBJECT
public:
    explicit TPageStorages2(TFormSettings& dialog);
    void Load() override;
    void Read(SettingsControls& c) const override;

    void UncheckRaom();
    void RefreshPackages();
    bool RaomEnabled() const { return checkRaomEnable->isChecked(); }
    int RaomVersion() const { return cbRaomVer->currentIndex(); }
    PathEdit RaomImage() const { return setpage::ReadPath(editRaom); }
    QComboBox* RaomPackage() const { return cbRaomPkg; }

private:
    void CheckRaomEnableClick();
    void CbRaomVerChange();
    void SbRaomOpenClick();
    void SbRaomNewClick();
    void CheckKzdEnableClick();

    bool guardKzd = false;
    QCheckBox* checkRaomEnable = nullptr;
    QComboBox* cbRaomVer = nullptr;
    QLabel* lblRaomSizesVal = nullptr;
    QComboBox* cbRaomPkg = nullptr;
    setpage::PathLineEdit* editRaom = nullptr;
    QList<QWidget*> raomControls;
    QCheckBox* checkKzdEnable = nullptr;
    QRadioButton* radioKzdK3 = nullptr;
    QRadioButton* radioKzdK4 = nullptr;
    setpage::PathLineEdit* editKzd = nullptr;
    QCheckBox* checkKzdWp = nullptr;
    QList<QWidget*> kzdControls;
};
