#include "machine/input/JoyRow.h"

#include "common/Config.h"
#include "common/Startup.h"
#include "common/TextUtils.h"

const JoyKey JoyKeyTable[kJoyKeyCount] = {
    {"A", 65}, {"B", 66}, {"C", 67}, {"D", 68}, {"E", 69}, {"F", 70}, {"G", 71}, {"H", 72},
    {"I", 73}, {"J", 74}, {"K", 75}, {"L", 76}, {"M", 77}, {"N", 78}, {"O", 79}, {"P", 80},
    {"Q", 81}, {"R", 82}, {"S", 83}, {"T", 84}, {"U", 85}, {"V", 86}, {"W", 87}, {"X", 88},
    {"Y", 89}, {"Z", 90},
    {"0", 48}, {"1", 49}, {"2", 50}, {"3", 51}, {"4", 52}, {"5", 53}, {"6", 54}, {"7", 55},
    {"8", 56}, {"9", 57},
    {"Enter", 13}, {"Space", 32}, {"Tab", 9}, {"Insert", 45}, {"Delete", 46}, {"Home", 36},
    {"End", 35}, {"Page Up", 33}, {"Page Down", 34}, {"Up", 38}, {"Left", 37}, {"Down", 40},
    {"Right", 39},
    {"F1", 112}, {"F2", 113}, {"F3", 114}, {"F4", 115}, {"F5", 116}, {"F6", 117}, {"F7", 118},
    {"F8", 119}, {"F9", 120}, {"F10", 121}, {"F11", 122}, {"F12", 123},
    {";", 186}, {"=", 187}, {",", 188}, {"-", 189}, {".", 190}, {"/", 191}, {"`", 192},
    {"[", 219}, {"]", 220}, {"\\", 221}, {":", 222},
    {"Num 0", 96}, {"Num 1", 97}, {"Num 2", 98}, {"Num 3", 99}, {"Num 4", 100}, {"Num 5", 101},
    {"Num 6", 102}, {"Num 7", 103}, {"Num 8", 104}, {"Num 9", 105},
    {"Num /", 111}, {"Num *", 106}, {"Num -", 109}, {"Num +", 107}, {"Num .", 110},
};

const char* JoyTypeText(int32_t type) {
    switch (type) {
        case JoyRow::kKeys: return "keys";
        case JoyRow::kAxes: return "axes";
        case JoyRow::kPov: return "pov";
        case JoyRow::kButtons: return "buttons";
        default: return "none";
    }
}

int32_t JoyTypeFromText(const std::string& text) {
    if (text == "keys") return JoyRow::kKeys;
    if (text == "axes") return JoyRow::kAxes;
    if (text == "pov") return JoyRow::kPov;
    if (text == "buttons") return JoyRow::kButtons;
    return JoyRow::kNone;
}

JoyRow LoadJoyRow(pugi::xml_node node, const std::vector<JoyDevice>* devices) {
    JoyRow row;
    row.type = JoyTypeFromText(ReadAttrString(node, "type"));
    row.left = ReadAttrInt(node, "left", -1);
    row.right = ReadAttrInt(node, "right", -1);
    row.up = ReadAttrInt(node, "up", -1);
    row.down = ReadAttrInt(node, "down", -1);
    row.fire = ReadAttrInt(node, "fire", -1);
    row.pov = ReadAttrInt(node, "pov", -1);
    row.sensitivity = ReadAttrInt(node, "sensitivity", -1);
    if (row.sensitivity < 0 || row.sensitivity > 100) row.sensitivity = JoyRow::kDefaultSensitivity;
    row.device = -1;
    Guid guid;
    if (devices && TextToGuid(ReadAttrString(node, "guid"), guid)) {
        for (size_t i = 0; i < devices->size(); ++i)
            if ((*devices)[i].InstanceGuid == guid) {
                row.device = static_cast<int32_t>(i);
                break;
            }
    }
    if (row.type != JoyRow::kKeys && row.device < 0) {
        row = JoyRow::Cleared();
        row.sensitivity = JoyRow::kDefaultSensitivity;
    }
    return row;
}

bool WriteJoyRow(pugi::xml_node node, const JoyRow& row, const std::vector<JoyDevice>* devices) {
    if (!node) return false;
    WriteAttrString(node, "type", JoyTypeText(row.type));
    std::string guid;
    bool controller = row.type == JoyRow::kAxes || row.type == JoyRow::kPov || row.type == JoyRow::kButtons;
    if (controller && devices && row.device >= 0 && size_t(row.device) < devices->size())
        guid = GuidToText((*devices)[size_t(row.device)].InstanceGuid);
    WriteAttrString(node, "guid", guid);
    WriteAttrInt(node, "left", row.left);
    WriteAttrInt(node, "right", row.right);
    WriteAttrInt(node, "up", row.up);
    WriteAttrInt(node, "down", row.down);
    WriteAttrInt(node, "fire", row.fire);
    WriteAttrInt(node, "sensitivity", row.sensitivity);
    WriteAttrInt(node, "pov", row.pov);
    WriteAttrBool(node, "connected", 1);
    return true;
}

pugi::xml_node JoyRowNode(int connector, bool create) {
    if (connector != 0 && connector != 1) return {};
    const char* name = connector == 0 ? "Gpio0" : "Gpio1";
    if (create) return ChildForWrite(ChildForWrite(ConfigSectionForWrite("Controls"), "Joystick"), name);
    return FindChildElement(FindChildElement(ConfigSection("Controls"), "Joystick"), name);
}

std::string DescribeJoyRow(const JoyRow& row, const std::vector<JoyDevice>* devices) {
    if (row.type == JoyRow::kNone) return "...";
    if (row.type == JoyRow::kKeys) {
        std::string text;
        const int32_t keys[5] = {row.left, row.right, row.up, row.down, row.fire};
        for (int i = 0; i < 5; ++i) {
            if (i) text += ", ";
            text += (keys[i] >= 0 && keys[i] < kJoyKeyCount) ? JoyKeyTable[keys[i]].name : "...";
        }
        return text;
    }
    if (devices && row.device >= 0 && size_t(row.device) < devices->size())
        return (*devices)[size_t(row.device)].InstanceName;
    return "...";
}
