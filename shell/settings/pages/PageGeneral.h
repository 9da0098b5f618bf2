#pragma once
// General: language, registered file types and the hint boxes.
#include <string>
#include <vector>

#include "shell/settings/logic/FileAssociations.h"
#include "shell/settings/pages/PageWidgets.h"
#include "shell/settings/pages/SettingsPage.h"

class QCheckBox;
class QComboBox;
class QLabel;

class TPageGeneral : public TSettingsPage {
    Q_OBJECT
public:
    explicit TPageGeneral(TFormSettings& dialog);
    void Load() override;
    void Read(SettingsControls& c) const override;
    bool HasLanguages() const;

private:
    void CbeLangChange(int index);
    void BtnRegtypeUpdateClick();

    std::vector<std::string> languageBases;
    AssociationBoxes assoc;
    QLabel* lblLang = nullptr;
    QComboBox* cbeLang = nullptr;
    QCheckBox* checkRegtype[4] = {};
    QCheckBox* checkHintDbg = nullptr;
    QCheckBox* checkShowPlaceBar = nullptr;
    QCheckBox* checkInfoFS = nullptr;
    std::vector<setpage::BoolBinding> bindings;
};
