#pragma once
// Display: drawing mode, colour profile, palette and attribute colours.
#include "shell/settings/pages/SettingsPage.h"

class QCheckBox;
class QComboBox;
class QLabel;

class TPageDisplay : public TSettingsPage {
    Q_OBJECT
public:
    explicit TPageDisplay(TFormSettings& dialog);
    void Load() override;
    void Read(SettingsControls& c) const override;

private:
    void CbDispModeChange();
    void CbColorChange();
    void CbPalletteChange();

    int userColors[4] = {15, 15, 15, 15};
    QComboBox* cbDispMode = nullptr;
    QLabel* lblHalfpass = nullptr;
    QComboBox* cbHalfpass = nullptr;
    QComboBox* cbColor = nullptr;
    QLabel* lblPallette = nullptr;
    QComboBox* cbPallette = nullptr;
    QLabel* lblAttr[4] = {};
    QComboBox* cbAttr[4] = {};
    QCheckBox* checkIntVideoCPU = nullptr;
};
