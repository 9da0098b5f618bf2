#pragma once
// Printers and plotters: BT100, XY 41xx, a Centronics printer and the LPT port.
#include "shell/settings/pages/PageWidgets.h"
#include "shell/settings/pages/SettingsPage.h"

class TPagePrinter : public TSettingsPage {
    Q_OBJECT
public:
    explicit TPagePrinter(TFormSettings& dialog);
    void Load() override;
    void Read(SettingsControls& c) const override;
    // A device that takes the printer's connector sets "no printer".
    void SwitchOff() { rbPrtNone->setChecked(true); }

private:
    void RbPrtNoneClick();
    void RbPrtBt100Click();
    void RbPrtXY41xxClick();
    void CbPrtCentronicsClick();
    void CbPrtConnectorChange(int index);
    void CheckOnLptClick();

    bool lptProbing = false;
    int prtConnectorTag = 0;
    QRadioButton* rbPrtNone = nullptr;
    QRadioButton* rbPrtBt100 = nullptr;
    QRadioButton* rbPrtXY41xx = nullptr;
    QRadioButton* cbPrtCentronics = nullptr;
    QCheckBox* checkOnLpt = nullptr;
    QComboBox* cbPrtConnector = nullptr;
    QCheckBox* checkInvData = nullptr;
    QRadioButton* rbNorm = nullptr;
    QRadioButton* rbDirectLpt = nullptr;
    QRadioButton* rbToFile = nullptr;
    QCheckBox* checkOnlyText = nullptr;
    QList<QWidget*> centronicsControls;
};
