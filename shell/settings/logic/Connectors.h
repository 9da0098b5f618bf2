#pragma once
// Which device the settings dialog has put on each expansion connector
// (K3 = GPIO 0, K4 = GPIO 1, K5 = IMS-2), and the check before a device
// takes a connector.
#include <functional>
#include <string>

namespace Device {
enum : int { None = 0, Joystick = 1, Pmd32 = 2, Pmd30 = 3, Kzd1 = 4, Bt100 = 5, Printer = 6, Xy41xx = 7 };
}

enum Connector : int { kK3 = 0, kK4 = 1, kK5 = 2 };

// "K3 (GPIO0)", "K4 (GPIO1)", "K5 (IMS-2)"; "" outside 0..2.
const char* ConnectorName(int connector);
// The language key of a device's name ("text.Device.Joystick" ...); "" for none or unknown.
const char* DeviceNameKey(int device);
// The control that switches a device off when it must leave connector:
// CheckJoyK3/CheckJoyK4, Check32Enable, Check30Enable, CheckKzdEnable, RbPrtNone; "" for none.
const char* SwitchOffControl(int device, int connector);

class ConnectorTable {
public:
    // Asked when the connector is taken: (connector name, device name key); true = Yes.
    using Question = std::function<bool(const std::string& connector, const std::string& deviceKey)>;
    // Switches the occupant off through its control; that control's handler frees the connector.
    using SwitchOff = std::function<void(const std::string& control)>;

    int Occupant(int connector) const { return Valid(connector) ? occupant[connector] : Device::None; }
    void Set(int connector, int device) {
        if (Valid(connector)) occupant[connector] = device;
    }
    void Free(int connector) { Set(connector, Device::None); }
    void Clear() { occupant[0] = occupant[1] = occupant[2] = Device::None; }

    // True when the dialog may put a device on the connector: it is free, or
    // the user agreed to switch its device off (which is then done).
    bool Check(int connector, const Question& ask, const SwitchOff& off) const;

private:
    static bool Valid(int c) { return c >= 0 && c < 3; }
    int occupant[3] = {0, 0, 0};
};
