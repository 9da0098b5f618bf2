#include "shell/settings/pages/PageStorages2.h"

#include <QGridLayout>
#include <QVBoxLayout>

#include "common/Config.h"
#include "common/Files.h"
#include "common/Lang.h"
#include "common/Paths.h"
#include "shell/settings/FormSettings.h"
#include "shell/settings/logic/Media.h"
#include "shell/settings/pages/PageModel.h"

using namespace setpage;

TPageStorages2::TPageStorages2(TFormSettings& dialog)
    : TSettingsPage(dialog, "TabStorages2", "Záznamové zariadenia",
                    "Nastavenie kazetopaskových a disketových jednotiek...") {
    auto* col = new QVBoxLayout(this);
    QGroupBox* gbRaom = Named(new QGroupBox(this), "GbRaom");
    auto* g = new QGridLayout(gbRaom);
    checkRaomEnable = Check(gbRaom, "CheckRaomEnable", "RAOM Modul");
    connect(checkRaomEnable, &QCheckBox::toggled, this, [this] { CheckRaomEnableClick(); });
    g->addWidget(checkRaomEnable, 0, 0, 1, 5);
    QLabel* lblVer = Label(gbRaom, "LblRaomVer", "Verzia:");
    cbRaomVer = Combo(gbRaom, "CbRaomVer", {"CHTF", "KUVI"});
    connect(cbRaomVer, qOverload<int>(&QComboBox::activated), this, [this] { CbRaomVerChange(); });
    QLabel* lblSizes = Label(gbRaom, "LblRaomSizes", "ROM / RAM:");
    lblRaomSizesVal = DynamicLabel(gbRaom, "LblRaomSizesVal", "64 kB / 192 kB");
    QLabel* lblPkgR = Label(gbRaom, "LblRaomPkg", "ROM balíček:");
    cbRaomPkg = Named(new QComboBox(gbRaom), "CbRaomPkg");
    cbRaomPkg->setProperty("dynamicItems", true);
    connect(cbRaomPkg, qOverload<int>(&QComboBox::activated), this, [this] { dlg.Flags().raom = true; });
    QLabel* lblRaom = Label(gbRaom, "LblRaom", "Obraz RAM disku:");
    editRaom = PathLine(gbRaom, "EditRaom");
    QToolButton* o = SpeedButton(gbRaom, "SbRaomOpen", "Otvoriť...", ControlPictures::Command::Open);
    QToolButton* n = SpeedButton(gbRaom, "SbRaomNew", "Vytvoriť nový obraz...", ControlPictures::Command::NewImage);
    QToolButton* e = SpeedButton(gbRaom, "SbRaomEject", "Vysunúť...", ControlPictures::Command::Eject);
    connect(o, &QToolButton::clicked, this, [this] { SbRaomOpenClick(); });
    connect(n, &QToolButton::clicked, this, [this] { SbRaomNewClick(); });
    connect(e, &QToolButton::clicked, this, [this] { SetPath(editRaom, kNoFile, true); });
    g->addWidget(lblVer, 1, 0);
    g->addWidget(cbRaomVer, 1, 1);
    g->addWidget(lblSizes, 1, 2);
    g->addWidget(lblRaomSizesVal, 1, 3, 1, 2);
    g->addWidget(lblPkgR, 2, 0);
    g->addWidget(cbRaomPkg, 2, 1, 1, 4);
    g->addWidget(lblRaom, 3, 0, 1, 5);
    g->addWidget(editRaom, 4, 0, 1, 2);
    g->addWidget(o, 4, 2);
    g->addWidget(n, 4, 3);
    g->addWidget(e, 4, 4);
    raomControls = {lblVer, cbRaomVer, lblSizes, lblRaomSizesVal, lblRaom, editRaom, o, n, e, lblPkgR, cbRaomPkg};
    col->addWidget(gbRaom);

    QGroupBox* gbKzd = Named(new QGroupBox(this), "GbKzd");
    auto* k = new QGridLayout(gbKzd);
    checkKzdEnable = Check(gbKzd, "CheckKzdEnable", "Kazetopáskový záznamník dát KZD-1");
    checkKzdEnable->setEnabled(false);
    connect(checkKzdEnable, &QCheckBox::toggled, this, [this] { CheckKzdEnableClick(); });
    k->addWidget(checkKzdEnable, 0, 0, 1, 6);
    QLabel* conn = Label(gbKzd, "LblKzdConn", "Konektor:");
    radioKzdK3 = Radio(gbKzd, "RadioKzdK3", "K3 - GPIO/0", "Port A");
    radioKzdK4 = Radio(gbKzd, "RadioKzdK4", "K4 - GPIO/1", "Port B");
    radioKzdK4->setChecked(true);
    QLabel* lblKzd = Label(gbKzd, "LblKzd", "Obraz pásky:");
    editKzd = PathLine(gbKzd, "EditKzd");
    checkKzdWp = Check(gbKzd, "CheckKzdWp", "WP", "Ochrana proti zápisu");
    QToolButton* ko = SpeedButton(gbKzd, "SbKzdOpen", "Otvoriť...", ControlPictures::Command::Open);
    QToolButton* kn = SpeedButton(gbKzd, "SbKzdNew", "Vytvoriť nový obraz...", ControlPictures::Command::NewImage);
    QToolButton* ke = SpeedButton(gbKzd, "SbKzdEject", "Vysunúť...", ControlPictures::Command::Eject);
    connect(ko, &QToolButton::clicked, this,
            [this] { dlg.SimpleOpen(editKzd, checkKzdWp, "text.OpenKzd.Title", "text.OpenKzd.Filter", "PTK"); });
    connect(kn, &QToolButton::clicked, this,
            [this] { dlg.SimpleNew(editKzd, checkKzdWp, "text.CreateKzd.Title", "text.CreateKzd.Filter", "PTK"); });
    connect(ke, &QToolButton::clicked, this, [this] {
        SetPath(editKzd, kNoFile, true);
        checkKzdWp->setChecked(true);
    });
    k->addWidget(conn, 1, 0);
    k->addWidget(radioKzdK3, 1, 1);
    k->addWidget(radioKzdK4, 1, 2);
    k->addWidget(lblKzd, 2, 0);
    k->addWidget(editKzd, 2, 1);
    k->addWidget(checkKzdWp, 2, 2);
    k->addWidget(ko, 2, 3);
    k->addWidget(kn, 2, 4);
    k->addWidget(ke, 2, 5);
    kzdControls = {conn, radioKzdK3, radioKzdK4, lblKzd, editKzd, checkKzdWp, ko, kn, ke};
    col->addWidget(gbKzd);
    col->addStretch(1);
}

void TPageStorages2::Load() {
    pugi::xml_node st = ConfigSection("Storages");
    pugi::xml_node raom = FindChildElement(st, "RaomModule");
    if (AttrEquals(raom, "hw-version", "chtf")) cbRaomVer->setCurrentIndex(0);
    if (AttrEquals(raom, "hw-version", "kuvi")) cbRaomVer->setCurrentIndex(1);
    lblRaomSizesVal->setText(Q(RaomSizesText(cbRaomVer->currentIndex())));
    const bool raomOn = ReadAttrBool(raom, "inserted", false);
    if (checkRaomEnable->isChecked() == raomOn) CheckRaomEnableClick();
    checkRaomEnable->setChecked(raomOn);
    const std::string raomImage = ReadElementText(raom);
    const std::string raomAbs = MakeAbsolutePath(raomImage);
    SetPath(editRaom,
            (!raomImage.empty() && (::FileHasSize(raomAbs, kRaomChtfSize) || ::FileHasSize(raomAbs, kRaomKuviSize)))
                ? raomImage
                : std::string(kNoFile),
            false);
    FillPackageCombo(cbRaomPkg, ReadAttrString(raom, "name"));

    pugi::xml_node kzd = FindChildElement(st, "KZD-1");
    if (AttrEquals(kzd, "port", "gpio0"))
        radioKzdK3->setChecked(true);
    else
        radioKzdK4->setChecked(true);
    const bool kzdOn = ReadAttrBool(kzd, "connected", false);
    if (checkKzdEnable->isChecked() == kzdOn) CheckKzdEnableClick();
    checkKzdEnable->setChecked(kzdOn);
    checkKzdWp->setChecked(ReadAttrBool(kzd, "write-protect", false));
    SetPath(editKzd, ShownIfExists(ReadElementText(kzd)), false);
}

void TPageStorages2::RefreshPackages() {
    FillPackageCombo(cbRaomPkg, ReadAttrString(FindChildElement(ConfigSection("Storages"), "RaomModule"), "name"));
}

void TPageStorages2::UncheckRaom() {
    if (!checkRaomEnable->isChecked()) return;
    touched = true;
    checkRaomEnable->setChecked(false);
}

void TPageStorages2::CheckKzdEnableClick() {
    if (guardKzd) return;
    guardKzd = true;
    ConnectorTable& connectors = dlg.ConnectorsForPages();
    const int c = radioKzdK4->isChecked() ? kK4 : kK3;
    if (checkKzdEnable->isChecked() && connectors.Occupant(c) != Device::Kzd1) {
        if (dlg.CheckConnector(c))
            connectors.Set(c, Device::Kzd1);
        else
            checkKzdEnable->setChecked(false);
    } else if (!checkKzdEnable->isChecked()) {
        for (int k : {kK3, kK4})
            if (connectors.Occupant(k) == Device::Kzd1) connectors.Free(k);
    }
    for (QWidget* w : kzdControls) w->setEnabled(checkKzdEnable->isChecked());
    guardKzd = false;
}

void TPageStorages2::CheckRaomEnableClick() {
    const bool on = checkRaomEnable->isChecked();
    for (QWidget* w : raomControls) w->setEnabled(on);
    if (on) dlg.ModelPage()->UncheckInsertRm();
}

void TPageStorages2::CbRaomVerChange() {
    lblRaomSizesVal->setText(Q(RaomSizesText(cbRaomVer->currentIndex())));
    dlg.Flags().raom = true;
}

void TPageStorages2::SbRaomOpenClick() {
    std::string path = S(editRaom->text());
    if (!dlg.ChooseFile(false, "text.OpenRaom.Title", "text.OpenRaom.Filter", "rwm", path)) return;
    if (::FileHasSize(path, kRaomChtfSize) || ::FileHasSize(path, kRaomKuviSize)) {
        SetPath(editRaom, MakeRelativePath(path), true);
    } else {
        SetPath(editRaom, kNoFile, true);
        dlg.Prompter().Warning(&dlg, Text("err.OpenRaom.Title"),
                               Q(LangTextArg(kSection, "err.OpenRaom.Message", path)));
    }
}

void TPageStorages2::SbRaomNewClick() {
    std::string path = S(editRaom->text());
    if (!dlg.ChooseFile(true, "text.CreateRaom.Title", "text.CreateRaom.Filter", "rwm", path)) return;
    if (CreateMediumFile(path, RaomImageSize(cbRaomVer->currentIndex()), 0x00)) {
        SetPath(editRaom, MakeRelativePath(path), true);
    } else {
        dlg.Prompter().ErrorKey(&dlg, kSection, "err.CreateMedium");
        SetPath(editRaom, kNoFile, true);
    }
}

void TPageStorages2::Read(SettingsControls& c) const {
    c.raomEnabled = checkRaomEnable->isChecked();
    c.raomPackage = cbRaomPkg->currentIndex() >= 0 ? S(cbRaomPkg->currentText()) : std::string();
    c.raomVersion = cbRaomVer->currentIndex();
    c.raomImage = ReadPath(editRaom);
    c.kzdEnabled = checkKzdEnable->isChecked();
    c.kzdOnK3 = radioKzdK3->isChecked();
    c.kzdProtect = checkKzdWp->isChecked();
    c.kzdImage = ReadPath(editKzd);
}
