#include "shell/settings/pages/PageDisplay.h"

#include <QGridLayout>
#include <QVBoxLayout>

#include "common/Config.h"
#include "machine/owner/ColorTable.h"
#include "shell/settings/logic/Pages.h"
#include "shell/settings/pages/PageWidgets.h"

using namespace setpage;

TPageDisplay::TPageDisplay(TFormSettings& dialog)
    : TSettingsPage(dialog, "TabDisplay", "Obrazovka", "Nastavenie spôsobu zobrazovania...") {
    auto* col = new QVBoxLayout(this);
    QLabel* lblDispMode = Label(this, "LblDispMode", "Režim vykresľovania vo fullscreen móde a násobkoch zväčšenia v okne:");
    lblDispMode->setWordWrap(true);
    col->addWidget(lblDispMode);
    cbDispMode = Combo(this, "CbDispMode", {"Plné zobrazenie", "Half-Pass", "LCD Emulácia"});
    connect(cbDispMode, qOverload<int>(&QComboBox::activated), this, [this] { CbDispModeChange(); });
    col->addWidget(cbDispMode);
    lblHalfpass = Label(this, "LblHalfpass", "Miera zdôraznenia v Half-Pass režime:");
    col->addWidget(lblHalfpass);
    cbHalfpass = Combo(this, "CbHalfpass", {"75% jasu aktuálneho riadku", "50% jasu aktuálneho riadku",
                                             "25% jasu aktuálneho riadku", "polriadok úplne vynechaný"});
    col->addWidget(cbHalfpass);
    col->addWidget(Label(this, "LblColor", "Farebný profil:"));
    cbColor = Combo(this, "CbColor", {"Iba biela", "Štandardné so zníženým jasom a blikaním", "Farebné", "ColorAce"});
    connect(cbColor, qOverload<int>(&QComboBox::activated), this, [this] { CbColorChange(); });
    col->addWidget(cbColor);
    lblPallette = Label(this, "LblPallette", "Paleta farieb:");
    col->addWidget(lblPallette);
    cbPallette = Combo(this, "CbPallette", {"RGB výstup", "Video výstup", "Vlastná"});
    connect(cbPallette, qOverload<int>(&QComboBox::activated), this, [this] { CbPalletteChange(); });
    col->addWidget(cbPallette);
    QGroupBox* gb = Group(this, "GbAttr", "Atribúty ");
    auto* grid = new QGridLayout(gb);
    static const char* const lbls[4] = {"LblAttr00", "LblAttr01", "LblAttr10", "LblAttr11"};
    static const char* const lblTexts[4] = {"Atribút 00:", "Atribút 01:", "Atribút 10:", "Atribút 11:"};
    static const char* const cbs[4] = {"CbAttr00", "CbAttr01", "CbAttr10", "CbAttr11"};
    for (int i = 0; i < 4; ++i) {
        lblAttr[i] = Label(gb, lbls[i], lblTexts[i]);
        cbAttr[i] = Named(new QComboBox(gb), cbs[i]);
        cbAttr[i]->setProperty("dynamicItems", true);  // colour names
        for (int n = 0; n < 16; ++n)
            cbAttr[i]->addItem(QIcon(Swatch(TableColor(n), 14, 14)), QLatin1String(ColorTable::ColorNameFromIndex(n)));
        cbAttr[i]->setItemText(15, QStringLiteral("white"));
        grid->addWidget(lblAttr[i], i / 2, (i % 2) * 2);
        grid->addWidget(cbAttr[i], i / 2, (i % 2) * 2 + 1);
    }
    col->addWidget(gb);
    checkIntVideoCPU = Check(this, "CheckIntVideoCPU", "Prerušenie od Video procesora");
    col->addWidget(checkIntVideoCPU);
    col->addStretch(1);
}

void TPageDisplay::Load() {
    const DisplayChoice d = LoadDisplay(ConfigSection("Screen"));
    cbDispMode->setCurrentIndex(d.displayMode);
    cbHalfpass->setCurrentIndex(d.halfPass);
    cbColor->setCurrentIndex(d.colorProfile);
    cbPallette->setCurrentIndex(d.palette);
    for (int i = 0; i < 4; ++i) userColors[i] = d.userColors[i];
    checkIntVideoCPU->setChecked(d.videoInterrupt);
    CbDispModeChange();
    CbColorChange();
}

void TPageDisplay::CbDispModeChange() {
    const bool on = cbDispMode->currentIndex() == 1;
    lblHalfpass->setEnabled(on);
    cbHalfpass->setEnabled(on);
}

void TPageDisplay::CbColorChange() {
    const bool on = cbColor->currentIndex() == 2;
    lblPallette->setEnabled(on);
    cbPallette->setEnabled(on);
    CbPalletteChange();
}

void TPageDisplay::CbPalletteChange() {
    const bool defined = cbColor->currentIndex() == 2 && cbPallette->currentIndex() == 2;
    int colors[4];
    PresetColors(PresetRow(cbColor->currentIndex(), cbPallette->currentIndex()), userColors, colors);
    for (int i = 0; i < 4; ++i) {
        lblAttr[i]->setEnabled(defined);
        cbAttr[i]->setEnabled(defined);
        cbAttr[i]->setCurrentIndex(colors[i]);
    }
}

void TPageDisplay::Read(SettingsControls& c) const {
    c.displayMode = cbDispMode->currentIndex();
    c.halfPass = cbHalfpass->currentIndex();
    c.colorProfile = cbColor->currentIndex();
    c.palette = cbPallette->currentIndex();
    for (int i = 0; i < 4; ++i) c.attr[i] = cbAttr[i]->currentIndex();
    c.videoInterrupt = checkIntVideoCPU->isChecked();
}
