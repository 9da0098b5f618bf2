#include "machine/input/Joy4004482.h"

#include <cmath>
#include <cstring>

#include "common/Startup.h"
#include "machine/pio/IifGPIO.h"

namespace {
bool IsController(int32_t type) {
    return type == JoyRow::kAxes || type == JoyRow::kPov || type == JoyRow::kButtons;
}
bool Pressed(const HostJoystickState& s, int32_t button) {
    return button >= 0 && button < 32 && (s.buttons[button] & 0x80);
}
}  // namespace

Joy4004482::Joy4004482(IifGPIO& gpio, int mode, const JoyRow* rowsIn, const HostKeyState* keys)
    : gpio(gpio), mode(mode), keys(keys) {
    bytes[0] = 0xFF;
    bytes[1] = 0xFF;
    if (mode == kBoth) {
        slotCount = 2;
        if (rowsIn) {
            rows[0] = rowsIn[0];
            rows[1] = rowsIn[1];
        }
        sameDevice = rows[0].device >= 0 && rows[0].device == rows[1].device && IsController(rows[0].type) &&
                     IsController(rows[1].type);
    } else if (rowsIn) {
        rows[0] = rowsIn[0];
    }
    if (mode == kBoth || mode == kFirstOnly)
        previousA = gpio.pio.SetInputHook(ChipPIO8255::kPortA, MakeClosure<&Joy4004482::OnPortARead>(this));
    if (mode == kBoth || mode == kSecondOnly)
        previousB = gpio.pio.SetInputHook(ChipPIO8255::kPortB, MakeClosure<&Joy4004482::OnPortBRead>(this));
    AcquireDevices();
}

Joy4004482::~Joy4004482() {
    ReleaseDevices(1);
    if (mode == kBoth || mode == kFirstOnly) gpio.pio.SetInputHook(ChipPIO8255::kPortA, previousA);
    if (mode == kBoth || mode == kSecondOnly) gpio.pio.SetInputHook(ChipPIO8255::kPortB, previousB);
}

void Joy4004482::AcquireDevices() {
    stopped = true;
    for (int i = 0; i < slotCount; ++i) {
        if (sameDevice && i == 1) break;
        const JoyRow& row = rows[i];
        if (!IsController(row.type)) continue;
        if (!device[i]) {
            if (!JoyDevices || row.device < 0 || size_t(row.device) >= JoyDevices->size()) continue;
            device[i] = CreateHostJoystick();
            if (!device[i]->Open((*JoyDevices)[size_t(row.device)].InstanceGuid)) {
                device[i].reset();
                continue;
            }
        }
    }
    stopped = false;
}

void Joy4004482::ReleaseDevices(int release) {
    stopped = true;
    if (!release) return;  // the controllers are polled: nothing to stop
    for (auto& d : device) d.reset();
}

int Joy4004482::AxesSector(int32_t x, int32_t y, int32_t sensitivity) {
    if (sensitivity < 0) sensitivity = 0;
    if (sensitivity > 100) sensitivity = 100;
    double radius = std::sqrt(double(x) * x + double(y) * y);
    if (radius <= 0) return -1;  // the centre is neutral whatever the sensitivity
    if (int(std::trunc(radius / 128.0 * 100.0)) < sensitivity) return -1;
    double c = double(y) / radius;
    if (c > 1) c = 1;
    if (c < -1) c = -1;
    double angle = std::acos(c) * 180.0 / 3.14159265358979323846;
    if (x < 0) angle = 360.0 - angle;
    int sector = int(std::trunc((angle + 22.5) / 45.0));
    return sector & 7;
}

int Joy4004482::PovSector(uint32_t value) {
    if ((value & 0xFFFF) == 0xFFFF) return -1;
    return int((value + 4499) / 4500);
}

uint8_t Joy4004482::SectorByte(int sector) {
    switch (sector) {
        case 0: return uint8_t(0xFF & ~kUp);
        case 1: return uint8_t(0xFF & ~(kUp | kRight));
        case 2: return uint8_t(0xFF & ~kRight);
        case 3: return uint8_t(0xFF & ~(kDown | kRight));
        case 4: return uint8_t(0xFF & ~kDown);
        case 5: return uint8_t(0xFF & ~(kDown | kLeft));
        case 6: return uint8_t(0xFF & ~kLeft);
        case 7: return uint8_t(0xFF & ~(kUp | kLeft));
        default: return 0xFF;
    }
}

uint8_t Joy4004482::KeysByte(const JoyRow& row, const uint8_t* keyState) {
    uint8_t b = 0xFF;
    auto down = [&](int32_t index) {
        return index >= 0 && index < kJoyKeyCount && (keyState[JoyKeyTable[index].vk] & KeyState::kDown);
    };
    if (down(row.left)) b &= uint8_t(~kLeft);
    if (down(row.right)) b &= uint8_t(~kRight);
    if (down(row.up)) b &= uint8_t(~kUp);
    if (down(row.down)) b &= uint8_t(~kDown);
    if (down(row.fire)) b &= uint8_t(~kFire);
    return b;
}

uint8_t Joy4004482::ControllerByte(const JoyRow& row, const HostJoystickState& s) {
    uint8_t b = 0xFF;
    switch (row.type) {
        case JoyRow::kButtons:
            if (Pressed(s, row.left)) b &= uint8_t(~kLeft);
            if (Pressed(s, row.right)) b &= uint8_t(~kRight);
            if (Pressed(s, row.up)) b &= uint8_t(~kUp);
            if (Pressed(s, row.down)) b &= uint8_t(~kDown);
            if (Pressed(s, row.fire)) b &= uint8_t(~kFire);
            return b;
        case JoyRow::kAxes: b = SectorByte(AxesSector(s.x, -s.y, row.sensitivity)); break;
        case JoyRow::kPov: b = (row.pov >= 0 && row.pov < 4) ? SectorByte(PovSector(s.pov[row.pov])) : 0xFF; break;
        default: return 0xFF;
    }
    b |= kFire;
    if (Pressed(s, row.fire)) b &= uint8_t(~kFire);
    return b;
}

void Joy4004482::Poll() {
    if (stopped) return;
    uint8_t keyState[KeyState::kCount];
    if (rows[0].type == JoyRow::kKeys || (slotCount == 2 && rows[1].type == JoyRow::kKeys)) {
        if (!keys || !keys->GetKeyboardState(keyState)) std::memset(keyState, 0, sizeof keyState);
    }
    bool haveState = false;
    for (int i = 0; i < slotCount; ++i) {
        const JoyRow& row = rows[i];
        if (row.type == JoyRow::kKeys) {
            bytes[i] = KeysByte(row, keyState);
            continue;
        }
        if (!IsController(row.type)) {
            bytes[i] = 0xFF;
            continue;
        }
        if (sameDevice && i == 1) {
            if (!haveState) return;
        } else {
            if (!device[i] || !device[i]->IsOpen()) continue;
            if (!device[i]->Poll(lastState)) {
                if (sameDevice) return;
                continue;
            }
            haveState = true;
        }
        bytes[i] = ControllerByte(row, lastState);
    }
}

void Joy4004482::OnPortARead() {
    gpio.SetPortInput(0, gpio.GetPortOutputBit(2, 4) ? bytes[0].load(std::memory_order_relaxed) : uint8_t(0xFF));
}

void Joy4004482::OnPortBRead() {
    const int last = slotCount - 1;
    gpio.SetPortInput(1, gpio.GetPortOutputBit(2, 0) ? bytes[last].load(std::memory_order_relaxed) : uint8_t(0xFF));
}
