#include "shell/settings/pages/PagePrinter.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QVBoxLayout>

#include "common/Config.h"
#include "common/Lang.h"
#include "platform/ParPort.h"
#include "shell/settings/FormSettings.h"

using namespace setpage;

TPagePrinter::TPagePrinter(TFormSettings& dialog)
    : TSettingsPage(dialog, "TabPrinter", "Tlačiarne a plotre", "Nastavenie tlačiarní a plotrov") {
    QWidget* page = this;
    auto* col = new QVBoxLayout(page);
    auto* kinds = new QButtonGroup(page);
    rbPrtNone = Radio(page, "RbPrtNone", "Žiadna");
    rbPrtBt100 = Radio(page, "RbPrtBt100", "Tlačiareň  BT100");
    rbPrtXY41xx = Radio(page, "RbPrtXY41xx", "Grafická jednotka  XY 41xx");
    cbPrtCentronics = Radio(page, "CbPrtCentronics", "Tlačiareň s rozhraním CENTRONICS");
    rbPrtNone->setChecked(true);
    rbPrtXY41xx->setEnabled(false);
    cbPrtCentronics->setEnabled(false);
    for (QRadioButton* r : {rbPrtNone, rbPrtBt100, rbPrtXY41xx, cbPrtCentronics}) {
        kinds->addButton(r);
        col->addWidget(r);
    }
    connect(rbPrtNone, &QRadioButton::toggled, this, [this](bool on) { if (on) RbPrtNoneClick(); });
    connect(rbPrtBt100, &QRadioButton::toggled, this, [this](bool on) { if (on) RbPrtBt100Click(); });
    connect(rbPrtXY41xx, &QRadioButton::toggled, this, [this](bool on) { if (on) RbPrtXY41xxClick(); });
    connect(cbPrtCentronics, &QRadioButton::toggled, this, [this] { CbPrtCentronicsClick(); });
    checkOnLpt = Check(page, "CheckOnLpt", "Pripojená na LPT",
                       "Označuje, že BT100 alebo XY 41xx je pripojená priamo na LPT port");
    checkOnLpt->setEnabled(false);
    connect(checkOnLpt, &QCheckBox::toggled, this, [this] { CheckOnLptClick(); });
    col->addWidget(checkOnLpt);
    QGroupBox* gb = Named(new QGroupBox(page), "GbPrtCentronics");
    auto* g = new QGridLayout(gb);
    auto* img = Named(new QLabel(gb), "ImgPrtCentronics");
    img->setPixmap(ControlPictures::SubjectPicture(ControlPictures::Subject::Centronics, 32));
    g->addWidget(img, 0, 0, 3, 1);
    QLabel* lblConn = Label(gb, "LblPrtConnector", "Konektor:");
    cbPrtConnector = Combo(gb, "CbPrtConnector", {"K3 - GPIO0", "K4 - GPIO1", "K5 - IMS-2"});
    connect(cbPrtConnector, qOverload<int>(&QComboBox::activated), this, [this](int i) { CbPrtConnectorChange(i); });
    checkInvData = Check(gb, "CheckInvData", "Negované data");
    auto* modes = new QButtonGroup(gb);
    rbNorm = Radio(gb, "RbNorm", "Normálny režim");
    rbDirectLpt = Radio(gb, "RbDirectLpt", "Posielať priamo na LPT");
    rbToFile = Radio(gb, "RbToFile", "Zachytávať do súboru");
    for (QRadioButton* r : {rbNorm, rbDirectLpt, rbToFile}) modes->addButton(r);
    rbNorm->setChecked(true);
    checkOnlyText = Check(gb, "CheckOnlyText", "Iba text bez riadiacich znakov");
    g->addWidget(lblConn, 0, 1);
    g->addWidget(cbPrtConnector, 0, 2);
    g->addWidget(checkInvData, 1, 1, 1, 2);
    g->addWidget(rbNorm, 2, 1);
    g->addWidget(rbDirectLpt, 3, 1);
    g->addWidget(rbToFile, 4, 1);
    g->addWidget(checkOnlyText, 5, 1, 1, 2);
    centronicsControls = {lblConn, cbPrtConnector, checkInvData, rbNorm, rbDirectLpt, rbToFile, checkOnlyText};
    for (QWidget* w : centronicsControls) w->setEnabled(false);
    col->addWidget(gb);
    col->addStretch(1);
}
void TPagePrinter::Load() {
    pugi::xml_node p = ConfigSection("Printer");
    // Any other type shows no printer, so that a cancelled choice is not
    // written by the next OK.
    QRadioButton* chosen = AttrEquals(p, "type", "bt100")        ? rbPrtBt100
                           : AttrEquals(p, "type", "xy41xx")     ? rbPrtXY41xx
                           : AttrEquals(p, "type", "centronics") ? cbPrtCentronics
                                                                 : rbPrtNone;
    if (chosen->isChecked()) {
        if (chosen == rbPrtBt100) RbPrtBt100Click();
        else if (chosen == rbPrtXY41xx) RbPrtXY41xxClick();
        else if (chosen == rbPrtNone) RbPrtNoneClick();
        else CbPrtCentronicsClick();
    } else {
        chosen->setChecked(true);
    }
    checkOnLpt->setEnabled(rbPrtBt100->isChecked() || rbPrtXY41xx->isChecked());
    // Probes the port when this switches it on; the warning is shown at start too.
    checkOnLpt->setChecked(ReadAttrBool(p, "on-lpt", false));
    const std::string port = ReadAttrString(p, "port");
    prtConnectorTag = port == "ims2" ? 2 : port == "gpio1" ? 1 : 0;
    cbPrtConnector->setCurrentIndex(prtConnectorTag);
    checkInvData->setChecked(ReadAttrBool(p, "neg-data", false));
    const std::string mode = ReadAttrString(p, "mode");
    (mode == "normal" ? rbNorm : mode == "file" ? rbToFile : rbDirectLpt)->setChecked(true);
    checkOnlyText->setChecked(ReadAttrBool(p, "only-text", false));
}

void TPagePrinter::RbPrtNoneClick() {
    ConnectorTable& connectors = dlg.ConnectorsForPages();
    if (connectors.Occupant(kK3) == Device::Bt100 || connectors.Occupant(kK3) == Device::Printer) connectors.Free(kK3);
    if (connectors.Occupant(kK4) == Device::Xy41xx || connectors.Occupant(kK4) == Device::Printer) connectors.Free(kK4);
    if (connectors.Occupant(kK5) == Device::Printer) connectors.Free(kK5);
    CbPrtCentronicsClick();
}

void TPagePrinter::RbPrtBt100Click() {
    ConnectorTable& connectors = dlg.ConnectorsForPages();
    if (connectors.Occupant(kK3) == Device::Bt100) {
        CbPrtCentronicsClick();
        return;
    }
    if (connectors.Occupant(kK3) == Device::Printer || dlg.CheckConnector(kK3)) {
        if (connectors.Occupant(kK4) == Device::Xy41xx || connectors.Occupant(kK4) == Device::Printer)
            connectors.Free(kK4);
        if (connectors.Occupant(kK5) == Device::Printer) connectors.Free(kK5);
        connectors.Set(kK3, Device::Bt100);
        CbPrtCentronicsClick();
        return;
    }
    if (connectors.Occupant(kK4) == Device::Xy41xx)
        rbPrtXY41xx->setChecked(true);
    else if (connectors.Occupant(kK4) == Device::Printer || connectors.Occupant(kK5) == Device::Printer)
        cbPrtCentronics->setChecked(true);
    else
        rbPrtNone->setChecked(true);
}

void TPagePrinter::RbPrtXY41xxClick() {
    ConnectorTable& connectors = dlg.ConnectorsForPages();
    if (connectors.Occupant(kK4) == Device::Xy41xx) {
        CbPrtCentronicsClick();
        return;
    }
    if (connectors.Occupant(kK4) == Device::Printer || dlg.CheckConnector(kK4)) {
        if (connectors.Occupant(kK3) == Device::Bt100 || connectors.Occupant(kK3) == Device::Printer)
            connectors.Free(kK3);
        if (connectors.Occupant(kK5) == Device::Printer) connectors.Free(kK5);
        connectors.Set(kK4, Device::Xy41xx);
        CbPrtCentronicsClick();
        return;
    }
    if (connectors.Occupant(kK3) == Device::Bt100)
        rbPrtBt100->setChecked(true);
    else if (connectors.Occupant(kK3) == Device::Printer || connectors.Occupant(kK5) == Device::Printer)
        cbPrtCentronics->setChecked(true);
    else
        rbPrtNone->setChecked(true);
}

void TPagePrinter::CbPrtCentronicsClick() {
    ConnectorTable& connectors = dlg.ConnectorsForPages();
    if (cbPrtCentronics->isChecked()) {
        const int c = cbPrtConnector->currentIndex();
        const int held = connectors.Occupant(c);
        if (held == Device::Bt100 || held == Device::Xy41xx) {
            if (connectors.Occupant(kK3) == Device::Bt100) connectors.Free(kK3);
            if (connectors.Occupant(kK4) == Device::Xy41xx) connectors.Free(kK4);
            connectors.Set(c, Device::Printer);
        } else if (held != Device::Printer && !dlg.CheckConnector(c)) {
            rbPrtNone->setChecked(true);
        }
    }
    const bool centronics = cbPrtCentronics->isChecked();
    for (QWidget* w : centronicsControls) w->setEnabled(centronics);
    checkOnLpt->setEnabled(rbPrtBt100->isChecked() || rbPrtXY41xx->isChecked());
}

void TPagePrinter::CbPrtConnectorChange(int index) {
    ConnectorTable& connectors = dlg.ConnectorsForPages();
    if (index == prtConnectorTag) return;
    if (dlg.CheckConnector(index)) {
        connectors.Set(index, Device::Printer);
        prtConnectorTag = index;
    } else {
        cbPrtConnector->setCurrentIndex(prtConnectorTag);
    }
}

void TPagePrinter::CheckOnLptClick() {
    // Every change probes, unticking too: a missing port is reported either way.
    if (lptProbing) return;
    if (LptHandle.load() != -1) return;  // the running machine holds it
    const int handle = LptOpen(LptNumber);
    if (handle >= 0) {
        LptClose(handle);
        return;
    }
    lptProbing = true;
    dlg.Prompter().Warning(&dlg, Text("err.CheckOnLpt.Title"),
                           Q(LangTextArg(kSection, "err.CheckOnLpt.Message", std::to_string(int(LptPortBase)))));
    checkOnLpt->setChecked(false);
    WriteAttrBool(ConfigSection("Printer"), "on-lpt", 0);
    lptProbing = false;
}

void TPagePrinter::Read(SettingsControls& c) const {
    c.printerBt100 = rbPrtBt100->isChecked();
    c.printerXy41xx = rbPrtXY41xx->isChecked();
    c.printerCentronics = cbPrtCentronics->isChecked();
    c.onLpt = checkOnLpt->isChecked();
}
