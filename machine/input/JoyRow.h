#pragma once
// One joystick connector's set-up and the host keys a keys row may use.
#include <cstdint>
#include <string>
#include <vector>

#include <pugixml.hpp>

struct JoyDevice;

struct JoyRow {
    enum Type : int32_t { kNone = -1, kKeys = 0, kAxes = 1, kPov = 2, kButtons = 3 };
    static constexpr int32_t kDefaultSensitivity = 60;

    int32_t type = kNone;
    // Keys: indices into JoyKeyTable; buttons: button numbers; fire also for
    // axes and pov. -1 = not assigned.
    int32_t left = -1, right = -1, up = -1, down = -1, fire = -1;
    int32_t pov = -1;          // hat 0-3 for type pov
    int32_t sensitivity = kDefaultSensitivity;  // dead-zone radius in percent, 0-100
    int32_t device = -1;       // index into JoyDevices, -1 none

    friend bool operator==(const JoyRow&, const JoyRow&) = default;
    // Every field -1 (the state before OK fills it).
    static JoyRow Cleared() {
        JoyRow r;
        r.sensitivity = -1;
        return r;
    }
};

struct JoyKey {
    const char* name;
    int vk;  // Windows virtual-key code
};
constexpr int kJoyKeyCount = 87;
extern const JoyKey JoyKeyTable[kJoyKeyCount];

// The type's configuration text ("keys", "axes", "pov", "buttons", "none")
// and back (anything else -1).
const char* JoyTypeText(int32_t type);
int32_t JoyTypeFromText(const std::string& text);

// Reads a row from its configuration element (Gpio0 / Gpio1). A sensitivity
// outside 0-100 becomes 60; a controller row whose controller is not among
// devices (or whose GUID text is malformed) is cleared to type -1.
JoyRow LoadJoyRow(pugi::xml_node node, const std::vector<JoyDevice>* devices);
// Writes a row with connected = true; the GUID of its controller for the
// controller types, else empty. False without an element.
bool WriteJoyRow(pugi::xml_node node, const JoyRow& row, const std::vector<JoyDevice>* devices);
// The connector's element: Controls > Joystick > Gpio0 or Gpio1 (created when missing).
pugi::xml_node JoyRowNode(int connector, bool create);

// Summary shown by the settings: "..." for none; a keys row's key names
// joined by ", " ("..." each unassigned); a controller row's controller name.
std::string DescribeJoyRow(const JoyRow& row, const std::vector<JoyDevice>* devices);
