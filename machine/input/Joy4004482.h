#pragma once
// The 4004/482 joystick interface: one or two joysticks on the
// general-purpose interface, joystick 1 (connector K3) read through 8255
// port A while PC4 is 1, joystick 2 (K4) through port B while PC0 is 1.
// Each is played with host keys or a host game controller; the controls
// tick polls them every 20 ms and the port hooks read the bytes it left.
//
// Port byte, active low: bit 0 down, 1 up, 2 right, 3 left, 4 fire; bits
// 5-7 always 1.
#include <atomic>
#include <cstdint>
#include <memory>

#include "machine/input/JoyRow.h"
#include "machine/pio/ChipPIO8255.h"
#include "platform/Joystick.h"
#include "platform/KeyState.h"

class IifGPIO;

class Joy4004482 {
public:
    enum Mode : int { kFirstOnly = 0, kSecondOnly = 1, kBoth = 2 };
    enum : uint8_t { kDown = 0x01, kUp = 0x02, kRight = 0x04, kLeft = 0x08, kFire = 0x10 };

    // rows: two rows for kBoth (connector 0, then 1), else the one row of
    // the connector used. keys: the host key states of the keys rows (none:
    // every key up).
    Joy4004482(IifGPIO& gpio, int mode, const JoyRow* rows, const HostKeyState* keys);
    ~Joy4004482();
    Joy4004482(const Joy4004482&) = delete;
    Joy4004482& operator=(const Joy4004482&) = delete;

    // Controls tick (user-interface thread).
    void Poll();
    // Opens the controllers of the controller rows (JoyDevices[device]).
    void AcquireDevices();
    // Stops polling and closes them (the pause does this and re-acquires).
    void ReleaseDevices(int release);

    // Port hooks (emulation thread).
    void OnPortARead();
    void OnPortBRead();

    // The byte a slot shows now (FFh at start).
    uint8_t SlotByte(int slot) const { return slot == 0 || slot == 1 ? bytes[slot].load() : 0xFF; }
    int SlotCount() const { return slotCount; }
    bool SameDevice() const { return sameDevice; }

    // Direction sector 0-7 (0 up, clockwise) of a stick at x, y (y up
    // positive), or -1 inside the dead zone of sensitivity percent (and at
    // the centre). Each sector is centred on its direction.
    static int AxesSector(int32_t x, int32_t y, int32_t sensitivity);
    // Sector of a hat value in hundredths of a degree, -1 when centred.
    static int PovSector(uint32_t value);
    // The direction bits of a sector (0-7); any other value gives FFh.
    static uint8_t SectorByte(int sector);
    // A keys row's byte from the key-state table.
    static uint8_t KeysByte(const JoyRow& row, const uint8_t* keyState);
    // A controller row's byte from its state.
    static uint8_t ControllerByte(const JoyRow& row, const HostJoystickState& state);

private:
    IifGPIO& gpio;
    int mode;
    const HostKeyState* keys;
    JoyRow rows[2];
    std::unique_ptr<HostJoystick> device[2];
    std::atomic<uint8_t> bytes[2];
    HostJoystickState lastState;
    bool stopped = true;
    bool sameDevice = false;
    int slotCount = 1;
    ChipPIO8255::InputHook previousA, previousB;
};
