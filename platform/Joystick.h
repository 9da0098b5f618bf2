#pragma once
// Host game controllers through SDL's joystick API (polled). Axis values are scaled to
// -128..128; hats read in hundredths of a degree clockwise from up, 0xFFFFFFFF centred.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Guid.h"

// Starts the joystick subsystem; false when the host offers none.
bool HostJoystickInit();
// Stops it (every HostJoystick should be closed first).
void HostJoystickDone();
bool HostJoystickReady();

struct HostJoystickInfo {
    Guid instanceGuid;  // stays the same for the same controller in the same order of plugging
    std::string name;
};

// The controllers attached now, in the host's order.
std::vector<HostJoystickInfo> HostJoystickEnumerate();

// State of one controller, as the standard joystick state.
struct HostJoystickState {
    int32_t x = 0, y = 0, z = 0;
    int32_t rx = 0, ry = 0, rz = 0;
    int32_t slider[2] = {0, 0};
    uint32_t pov[4] = {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu};
    uint8_t buttons[32] = {};  // 80h pressed
};

// One opened controller. The methods are virtual so that tests can stand a
// fake controller in (SetHostJoystickFactory).
class HostJoystick {
public:
    HostJoystick() = default;
    virtual ~HostJoystick();
    HostJoystick(const HostJoystick&) = delete;
    HostJoystick& operator=(const HostJoystick&) = delete;

    // Opens the attached controller with this instance GUID; false when none is attached.
    virtual bool Open(const Guid& instanceGuid);
    virtual void Close();
    virtual bool IsOpen() const { return handle_ != nullptr; }
    virtual int AxisCount() const;    // 0..8: X, Y, Z, three rotations, two sliders
    virtual int HatCount() const;     // 0..4
    virtual int ButtonCount() const;  // 0..32
    // Updates and reads the state; false when the controller is gone.
    virtual bool Poll(HostJoystickState& state);

private:
    void* handle_ = nullptr;  // SDL_Joystick*
};

// Makes the controller object the joystick interface and the set-up dialog
// open; an SDL controller unless a factory is set (tests).
using HostJoystickFactory = std::unique_ptr<HostJoystick> (*)();
void SetHostJoystickFactory(HostJoystickFactory factory);
std::unique_ptr<HostJoystick> CreateHostJoystick();

// Scales an SDL axis value (-32768..32767) to -128..128.
int32_t ScaleJoystickAxis(int value);
// Converts an SDL hat position to hundredths of a degree, 0xFFFFFFFF when centred.
uint32_t JoystickHatToPov(uint8_t hat);
