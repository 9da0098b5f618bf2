#include "shell/settings/pages/PageModel.h"

#include <QEvent>
#include <QLayout>

#include <algorithm>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "common/Config.h"
#include "common/Lang.h"
#include "common/Paths.h"
#include "common/RomRecogniser.h"
#include "machine/core/ModelIndex.h"
#include "machine/core/ModelCapabilities.h"
#include "machine/owner/MachineBuilder.h"
#include "shell/romfolder/logic/RomFolderPlan.h"
#include "shell/settings/FormSettings.h"
#include "shell/settings/logic/Media.h"
#include "shell/settings/logic/RomPackages.h"
#include "shell/settings/pages/PageRomPackages.h"
#include "shell/settings/pages/PageSound.h"
#include "shell/settings/pages/PageStorages2.h"
#include "shell/settings/pages/PageWidgets.h"
#include "ui/ControlPictures.h"

using namespace setpage;

namespace {
const char* const kModelRadios[8] = {"RadioM1", "RadioM2", "RadioM2A", "RadioM3",
                                     "RadioMM", "RadioMA", "RadioMA2", "RadioMC"};
const char* const kModelCaptions[8] = {"PMD 85-1", "PMD 85-2",      "PMD 85-2A",       "PMD 85-3",
                                       "Maťo",     "Didaktik Alfa", "Didaktik Alfa 2", "Consul 2717"};
const char* const kModelImages[8] = {"ImgPMD1", "ImgPMD2",      "ImgPMD2A",      "ImgPMD3",
                                     "ImgMato", "ImageDidAlfa", "ImageDidAlfa2", "imgC2717"};
}  // namespace

QString TPageModel::ModelCaption(int model) {
    if (!IsModelIndex(model)) return {};
    const std::string text = LangText(kSection, std::string("radio.") + kModelRadios[model] + ".Caption");
    return text.empty() ? U(kModelCaptions[model]) : Q(text);
}

TPageModel::TPageModel(TFormSettings& dialog)
    : TSettingsPage(dialog, "TabModel", "Model počítača", "Nastavenie emulovaného modelu počítača...") {
    auto* col = new QVBoxLayout(this);
    col->setSpacing(2);  // the model pictures need the height
    QGroupBox* gb = Group(this, "GbModel", "Model ");
    auto* grid = new QGridLayout(gb);
    grid->setVerticalSpacing(1);  // room for the pictures' height
    for (int i = 0; i < 8; ++i) {
        imgModel[i] = Named(new QLabel(gb), kModelImages[i]);
        imgModel[i]->setPixmap(ControlPictures::ModelPicture(i, ControlPictures::kModelPageWidth));
        imgModel[i]->setMinimumSize(imgModel[i]->pixmap().size());
        imgModel[i]->installEventFilter(this);
        radioModel[i] = Radio(gb, kModelRadios[i], kModelCaptions[i]);
        connect(radioModel[i], &QRadioButton::toggled, this, [this](bool on) {
            if (on) RadioModelClick();
        });
        grid->addWidget(imgModel[i], i % 4, (i / 4) * 2);
        grid->addWidget(radioModel[i], i % 4, (i / 4) * 2 + 1);
    }
    col->addWidget(gb);
    checkM3Comp = Check(this, "CheckM3Comp", "Automaticky prejsť do režimu kompatibility PMD 85-2",
                        "Nahrádza ručné zadávanie JUMP FFF0 po resete\\(iba v prípade, že nie je vložený ROM-Modul).");
    // The hint's backslash is a line break.
    checkM3Comp->setToolTip(checkM3Comp->toolTip().replace(QLatin1Char('\\'), QLatin1Char('\n')));
    check256k = Check(this, "Check256k", "256 kB RAM");
    col->addWidget(checkM3Comp);
    col->addWidget(check256k);
    QGroupBox* gbMon = Group(this, "GbMonFile", "Monitor ROM ");
    auto* mon = new QHBoxLayout(gbMon);
    editMon = PathLine(gbMon, "EditMon");
    editMon->setStyleSheet("QLineEdit { background: #d0d0d0; }");
    mon->addWidget(editMon, 1);
    QToolButton* open = SpeedButton(gbMon, "SbMonOpen", "Otvoriť...", ControlPictures::Command::Open);
    connect(open, &QToolButton::clicked, this, [this] { SbMonOpenClick(); });
    mon->addWidget(open);
    lblMonName = DynamicLabel(gbMon, "LblMonName", "");
    mon->addWidget(lblMonName);
    col->addWidget(gbMon);
    checkInsertRm = Check(this, "CheckInsertRm", "Vložiť ROM modul");
    connect(checkInsertRm, &QCheckBox::toggled, this, [this] { CheckInsertRmClick(); });
    col->addWidget(checkInsertRm);
    auto* hidden = Named(new QCheckBox(this), "CheckResetRom");
    hidden->hide();
    QGroupBox* gbPkg = Named(new QGroupBox(this), "GbPkg");
    auto* pkg = new QHBoxLayout(gbPkg);
    lblPkg = Label(gbPkg, "LblPkg", "ROM balíček:");
    cbPkg = Named(new QComboBox(gbPkg), "CbPkg");
    cbPkg->setProperty("dynamicItems", true);
    connect(cbPkg, qOverload<int>(&QComboBox::activated), this, [this] { CbPkgSelect(); });
    pkg->addWidget(lblPkg);
    pkg->addWidget(cbPkg, 1);
    col->addWidget(gbPkg);
    col->addStretch(1);
}

bool TPageModel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress)
        for (int m = 0; m < 8; ++m)
            if (watched == imgModel[m]) {
                radioModel[m]->setChecked(true);  // a click on the picture chooses its model
                RadioModelClick();
                return true;
            }
    return TSettingsPage::eventFilter(watched, event);
}

QSize TPageModel::minimumSizeHint() const {
    QSize need = TSettingsPage::minimumSizeHint();
    const int spacing = std::max(0, layout()->spacing());
    for (const QCheckBox* box : {checkM3Comp, check256k})
        if (box->isHidden()) {
            need.rheight() += box->sizeHint().height() + spacing;
            need.setWidth(std::max(need.width(), box->sizeHint().width() + layout()->contentsMargins().left() +
                                                     layout()->contentsMargins().right()));
        }
    return need;
}

int TPageModel::SelectedModel() const {
    for (int i = 0; i < 7; ++i)
        if (radioModel[i]->isChecked()) return i;
    return 7;
}

void TPageModel::SelectModel(int model) {
    if (model >= 0 && model < 8) {
        radioModel[model]->setChecked(true);
    } else {
        for (QRadioButton* r : radioModel) {
            r->setAutoExclusive(false);
            r->setChecked(false);
            r->setAutoExclusive(true);
        }
    }
    RadioModelClick();
    WriteAttrString(ConfigSection("Model"), "current", SelectedModelName(SelectedModel()));
}

void TPageModel::Load() {
    const std::string current = ReadAttrString(ConfigSection("Model"), "current");
    int m = 7;
    for (int i = 0; i < 8; ++i)
        if (current == SelectedModelName(i)) {
            m = i;
            break;
        }
    if (radioModel[m]->isChecked())
        RadioModelClick();
    else
        radioModel[m]->setChecked(true);
    CbPkgSelect();
}

void TPageModel::RadioModelClick() {
    const int m = SelectedModel();
    pugi::xml_node me = FindChildElement(ConfigSection("Model"), SelectedModelName(m));
    SetPath(editMon, ShownIfExists(ReadElementText(FindChildElement(me, "RomFile"))), false);
    ShowMonitorName();
    const ModelCapabilities& has = Capabilities(m);
    checkM3Comp->setVisible(has.compatibilityMode);
    checkM3Comp->setEnabled(has.compatibilityMode);
    checkM3Comp->setChecked(ReadAttrBool(me, "compatibility-mode", false));
    check256k->setVisible(has.ram256k);
    check256k->setEnabled(has.ram256k);
    check256k->setChecked(ReadAttrBool(me, "ram256k", false));
    if (!has.romModule) {
        cbPkg->setCurrentIndex(-1);
        checkInsertRm->setChecked(false);
        checkInsertRm->setEnabled(false);
        lblPkg->setEnabled(false);
        cbPkg->setEnabled(false);
        if (!has.soundInterface) dlg.SoundPage()->ClearSoundInterface();
    } else {
        if (!has.soundInterface) dlg.SoundPage()->ClearSoundInterface();
        checkInsertRm->setEnabled(true);
        pugi::xml_node rm = FindChildElement(me, "RomModule");
        checkInsertRm->setChecked(ReadAttrBool(rm, "inserted", false));
        CheckInsertRmClick();
        const std::string name = ReadAttrString(rm, "name");
        if (cbPkg->count() == 0) {
            FillPackageCombo(cbPkg, name);
        } else {
            std::vector<std::string> names;
            for (int i = 0; i < cbPkg->count(); ++i) names.push_back(S(cbPkg->itemText(i)));
            cbPkg->setCurrentIndex(FindPackage(names, name));
        }
    }
    // The packages page shows the same package.
    dlg.RomPackagesPage()->Follow(cbPkg->currentIndex(), cbPkg->count());
}

void TPageModel::CheckInsertRmClick() {
    const bool on = checkInsertRm->isChecked();
    lblPkg->setEnabled(on && checkInsertRm->isEnabled());
    cbPkg->setEnabled(on && checkInsertRm->isEnabled());
    if (on) dlg.Storages2Page()->UncheckRaom();
}

void TPageModel::CbPkgSelect() {
    dlg.RomPackagesPage()->Follow(cbPkg->currentIndex(), -1);
    dlg.Flags().romModulePackage = true;
}

void TPageModel::RefreshPackages() {
    cbPkg->clear();
    const bool flag = dlg.Flags().romModulePackage;
    RadioModelClick();
    dlg.Flags().romModulePackage = flag;
}

void TPageModel::SbMonOpenClick() {
    std::string path = S(editMon->text());
    if (!dlg.ChooseFile(false, "text.OpenMonitor.Title", "text.OpenMonitor.Filter", "rom", path)) return;
    SetPath(editMon, MakeRelativePath(path), true);
    ShowMonitorName();
}

void TPageModel::ShowMonitorName() {
    const std::string path = StoredPathAbsolute(S(editMon->text()));
    if (path.empty()) {
        lblMonName->clear();
        return;
    }
    const RomNameTexts names = LoadRomNameTexts(kSection);
    KnownRom rom;
    if (RecogniseRomFile(path, dlg.KnownRoms(), rom) != RomFileVerdict::Known) {
        lblMonName->setText(Q(names.unknown));
        return;
    }
    const int model = MachineBuilder::ModelIndex(rom.model);
    const std::string caption = model >= 0 ? S(radioModel[model]->text()) : std::string();
    lblMonName->setText(Q(RomDisplayName(rom, caption, names)));
}

void TPageModel::Read(SettingsControls& c) const {
    c.model = SelectedModel();
    c.monitor = ReadPath(editMon);
    c.m3Compatibility = checkM3Comp->isChecked();
    c.ram256k = check256k->isChecked();
    c.insertRomModule = checkInsertRm->isChecked();
    c.romModulePackage = cbPkg->currentIndex() >= 0 ? S(cbPkg->currentText()) : std::string();
}

void TPageModel::UncheckInsertRm() {
    if (!checkInsertRm->isChecked()) return;
    touched = true;
    checkInsertRm->setChecked(false);
}
