#include "shell/settings/logic/Connectors.h"

const char* ConnectorName(int connector) {
    static const char* const names[3] = {"K3 (GPIO0)", "K4 (GPIO1)", "K5 (IMS-2)"};
    return (connector >= 0 && connector < 3) ? names[connector] : "";
}

const char* DeviceNameKey(int device) {
    static const char* const keys[8] = {"",
                                        "text.Device.Joystick",
                                        "text.Device.Pmd32",
                                        "text.Device.Pmd30",
                                        "text.Device.Kzd1",
                                        "text.Device.Bt100",
                                        "text.Device.Printer",
                                        "text.Device.XY41xx"};
    return (device >= 0 && device < 8) ? keys[device] : "";
}

const char* SwitchOffControl(int device, int connector) {
    switch (device) {
        case Device::Joystick: return connector == kK4 ? "CheckJoyK4" : "CheckJoyK3";
        case Device::Pmd32: return "Check32Enable";
        case Device::Pmd30: return "Check30Enable";
        case Device::Kzd1: return "CheckKzdEnable";
        case Device::Bt100:
        case Device::Printer:
        case Device::Xy41xx: return "RbPrtNone";
        default: return "";
    }
}

bool ConnectorTable::Check(int connector, const Question& ask, const SwitchOff& off) const {
    const int device = Occupant(connector);
    if (device == Device::None) return true;
    if (!ask || !ask(ConnectorName(connector), DeviceNameKey(device))) return false;
    if (off) off(SwitchOffControl(device, connector));
    return true;
}
