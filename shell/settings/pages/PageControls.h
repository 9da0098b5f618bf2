#pragma once
// Controls: keyboard, the joystick interfaces on K3/K4 and the mouse.
#include "shell/settings/pages/PageWidgets.h"
#include "shell/settings/pages/SettingsPage.h"

class QPushButton;

class TPageControls : public TSettingsPage {
    Q_OBJECT
public:
    explicit TPageControls(TFormSettings& dialog);
    void Load() override;
    void Read(SettingsControls& c) const override;
    void ShowJoystickTypes();

private:
    void CheckJoyClick(int row);
    void BtnJoyClick(int row);

    bool joyGuard = false;
    QCheckBox* checkAZ = nullptr;
    QCheckBox* checkNumpad = nullptr;
    QCheckBox* checkExtMato = nullptr;
    QCheckBox* checkJoy[2] = {};
    QPushButton* btnJoy[2] = {};
    QLabel* lblJoyType[2] = {};
    QRadioButton* rbMouse[3] = {};
    QCheckBox* checkMouseHideCursor = nullptr;
    std::vector<setpage::BoolBinding> bindings;
};
