#include "shell/settings/pages/PageControls.h"

#include <QApplication>
#include <QGridLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/Config.h"
#include "shell/settings/FormSettings.h"

using namespace setpage;

TPageControls::TPageControls(TFormSettings& dialog)
    : TSettingsPage(dialog, "TabControl", "Ovládacie prvky", "Nastavenie klávesnice a joysticku...") {
    auto* col = new QVBoxLayout(this);
    QGroupBox* gbKey = Group(this, "GbKey", "Klávesnica ");
    auto* key = new QVBoxLayout(gbKey);
    checkAZ = Check(gbKey, "CheckAZ", "Vymeniť klávesy Y a Z");
    checkNumpad = Check(gbKey, "CheckNumpad", "Použiť numerickú klávesnicu");
    checkExtMato = Check(gbKey, "CheckExtMato", "Rozšírená emulácia riadiacich kláves (Maťo)");
    key->addWidget(checkAZ);
    key->addWidget(checkNumpad);
    key->addWidget(checkExtMato);
    col->addWidget(gbKey);
    QGroupBox* gbJoy = Group(this, "GbJoy", "Joystick 4004/482 ");
    auto* joy = new QGridLayout(gbJoy);
    static const char* const checks[2] = {"CheckJoyK3", "CheckJoyK4"};
    static const char* const texts[2] = {"K3 - GPIO/0", "K4 - GPIO/1"};
    static const char* const btns[2] = {"BtnJoyK3", "BtnJoyK4"};
    static const char* const lbls[2] = {"LblJoyTypeK3", "LblJoyTypeK4"};
    for (int r = 0; r < 2; ++r) {
        checkJoy[r] = Check(gbJoy, checks[r], texts[r]);
        connect(checkJoy[r], &QCheckBox::toggled, this, [this, r] { CheckJoyClick(r); });
        btnJoy[r] = Named(new QPushButton(U("Nastaviť..."), gbJoy), btns[r]);
        btnJoy[r]->setEnabled(false);
        connect(btnJoy[r], &QPushButton::clicked, this, [this, r] { BtnJoyClick(r); });
        lblJoyType[r] = DynamicLabel(gbJoy, lbls[r], "...");
        joy->addWidget(checkJoy[r], r, 0);
        joy->addWidget(btnJoy[r], r, 1);
        joy->addWidget(lblJoyType[r], r, 2);
    }
    col->addWidget(gbJoy);
    QGroupBox* gbMouse = Group(this, "GbMouse", "Myš");
    auto* mouse = new QVBoxLayout(gbMouse);
    rbMouse[0] = Radio(gbMouse, "RbMouseNone", "Žiadna");
    rbMouse[1] = Radio(gbMouse, "RbMouse602", "Myš 602");
    rbMouse[2] = Radio(gbMouse, "RbMousePoly8", "Myš Poly-08");
    for (QRadioButton* r : rbMouse) mouse->addWidget(r);
    checkMouseHideCursor = Check(gbMouse, "CheckMouseHideCursor", "Skrývať systémový kurzor myši");
    mouse->addWidget(checkMouseHideCursor);
    col->addWidget(gbMouse);
    col->addStretch(1);
    bindings = {
        {checkAZ, &SettingsControls::changeZY, "Controls/Keyboard", "change-zy", false},
        {checkNumpad, &SettingsControls::useNumpad, "Controls/Keyboard", "use-numpad", false},
        {checkExtMato, &SettingsControls::matoCtrl, "Controls/Keyboard", "mato-ctrl", false},
        {checkMouseHideCursor, &SettingsControls::hideCursor, "Controls/Mouse", "hide-cursor", true},
    };
}

void TPageControls::Load() {
    pugi::xml_node controls = ConfigSection("Controls");
    LoadBindings(bindings);
    pugi::xml_node mouse = FindChildElement(controls, "Mouse");
    static const char* const words[3] = {"none", "m602", "poly8"};
    for (QRadioButton* r : rbMouse) r->setAutoExclusive(false);
    for (int i = 0; i < 3; ++i) rbMouse[i]->setChecked(AttrEquals(mouse, "type", words[i]));
    for (QRadioButton* r : rbMouse) r->setAutoExclusive(true);
    pugi::xml_node joy = FindChildElement(controls, "Joystick");
    static const char* const rows[2] = {"Gpio0", "Gpio1"};
    for (int r = 0; r < 2; ++r) {
        const bool on = ReadAttrBool(FindChildElement(joy, rows[r]), "connected", false);
        if (checkJoy[r]->isChecked() == on) CheckJoyClick(r);
        checkJoy[r]->setChecked(on);
        btnJoy[r]->setEnabled(checkJoy[r]->isChecked());
    }
}

void TPageControls::CheckJoyClick(int row) {
    if (joyGuard) return;
    joyGuard = true;
    ConnectorTable& connectors = dlg.ConnectorsForPages();
    const int connector = row == 0 ? kK3 : kK4;
    if (!checkJoy[row]->isChecked()) {
        if (connectors.Occupant(connector) == Device::Joystick) connectors.Free(connector);
    } else if (connectors.Occupant(connector) != Device::Joystick) {
        if (dlg.CheckConnector(connector)) {
            connectors.Set(connector, Device::Joystick);
        } else {
            checkJoy[row]->setChecked(false);
            btnJoy[row]->setEnabled(false);
            joyGuard = false;
            return;
        }
    }
    btnJoy[row]->setEnabled(checkJoy[row]->isChecked());
    joyGuard = false;
}

void TPageControls::BtnJoyClick(int row) {
    // The joystick set-up dialog is not part of the program yet.
    if (!dlg.RunJoystickSetup(row)) return;
    if (auto text = dlg.JoystickText(row)) lblJoyType[row & 1]->setText(*text);
}

void TPageControls::ShowJoystickTypes() {
    for (int r = 0; r < 2; ++r)
        if (auto text = dlg.JoystickText(r)) lblJoyType[r]->setText(*text);
}

void TPageControls::Read(SettingsControls& c) const {
    ReadBindings(bindings, c);
    c.mouse = -1;
    for (int i = 0; i < 3; ++i)
        if (rbMouse[i]->isChecked()) c.mouse = i;
    c.joyK3 = checkJoy[0]->isChecked();
    c.joyK4 = checkJoy[1]->isChecked();
}
