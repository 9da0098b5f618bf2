#pragma once
#include <cstdint>
#include "machine/core/Closure.h"

// One Intel 8255 programmable peripheral interface: ports A, B, C and the
// control register, modes 0, 1 and 2 with the port-C handshake.
//
// Not a port device by itself: the interface that carries it decodes its own
// port numbers to the register index (0 A, 1 B, 2 C, 3 control) and forwards.
// Peripherals attach through the hook closures and drive the input pins
// through the device-side operations.
class ChipPIO8255 {
public:
    // Port A / port B output hook: the written value.
    using OutputHook = Closure<void(uint8_t value)>;
    // Port-C output hooks (whole, upper, lower): old and new output latch.
    using PortCHook = Closure<void(uint8_t oldValue, uint8_t newValue)>;
    // Input hook: runs before the CPU reads the port in mode 0, so that the
    // device can set the pins (SetPortInput / SetInputPin) first.
    using InputHook = Closure<void()>;
    // Runs after every mode write with the new control word.
    using ControlHook = Closure<void(uint8_t control)>;

    // Hook kinds of SetOutputHook / SetInputHook.
    enum HookKind : int {
        kPortA = 0,
        kPortB = 1,
        kPortC = 2,       // whole port C
        kPortCUpper = 4,  // bits 4-7
        kPortCLower = 5,  // bits 0-3
    };

    // Port-C status bits in portCOut. OBF bits are active low (1 = empty).
    static constexpr uint8_t kIntrB = 0x01;
    static constexpr uint8_t kIbfObfB = 0x02;
    static constexpr uint8_t kIntrA = 0x08;
    static constexpr uint8_t kIbfA = 0x20;
    static constexpr uint8_t kObfA = 0x80;

    static constexpr int kStateSize = 5;

    // reset 1: reset with the hooks cleared; 0: hooks cleared only, the
    // owner resets the chip before use.
    explicit ChipPIO8255(int reset = 1);
    virtual ~ChipPIO8255();

    // --- CPU side ---
    void Write(int reg, uint8_t value);
    uint8_t Read(int reg, int32_t cycles = 0);
    // clearHooks 1 empties the hooks first; then control 9Bh is written
    // (hooks run as for any mode write) and both strobe latches are cleared.
    void Reset(int clearHooks);

    // 5-byte record: control, portCOut, portBOut, portAOut, INTE bits
    // (bit 0 inteA1, bit 1 inteA2, bit 2 inteB). A null buffer only gives
    // the size.
    int GetState(uint8_t* buffer) const;
    // Ignored for a null record or a control byte of 0; otherwise replays
    // the record through ordinary writes (hooks run).
    void SetState(const uint8_t* record);

    // --- hooks; each setter returns the previous closure ---
    ControlHook SetOnControlWrite(ControlHook hook);
    // Kinds 0 and 1 only; any other kind stores nothing, returns empty.
    OutputHook SetOutputHook(int kind, OutputHook hook);
    // Kinds 2, 4 and 5 only; any other kind stores nothing, returns empty.
    PortCHook SetOutputHook(int kind, PortCHook hook);
    // Kinds 0, 1, 2, 4, 5; any other kind stores nothing, returns empty.
    InputHook SetInputHook(int kind, InputHook hook);
    void ClearHooks();

    // --- device side ---
    // Port 0 sets portAIn, 1 portBIn, 2 runs the handshake edges and then
    // stores portCIn. Other ports are ignored.
    void SetPortInput(int port, uint8_t value);
    // level counts as high only when it is exactly 1.
    void SetInputPin(int port, int bit, int level);
    // The byte the chip drives on the port's pins; FFh for ports other than 0-2.
    uint8_t GetPortOutput(int port) const;
    // One bit of GetPortOutput as 0/1; 0 for ports other than 0-2.
    int GetOutputPin(int port, int bit) const;

    // --- registers (public for status views, snapshots and tests) ---
    uint8_t control = 0;
    uint8_t portAIn = 0;
    uint8_t portALatch = 0;
    uint8_t portAOut = 0;
    uint8_t portBIn = 0;
    uint8_t portBLatch = 0;
    uint8_t portBOut = 0;
    uint8_t portCIn = 0;
    uint8_t portCOut = 0;
    uint8_t inteA1 = 0;
    uint8_t inteA2 = 0;
    uint8_t inteB = 0;

private:
    int ModeA() const { return (control >> 5) & 3; }
    bool ModeB1() const { return (control & 0x04) != 0; }
    bool PortAInput() const { return (control & 0x10) != 0; }
    bool PortBInput() const { return (control & 0x02) != 0; }
    bool CUpperInput() const { return (control & 0x08) != 0; }
    bool CLowerInput() const { return (control & 0x01) != 0; }

    void NotifyPortC(uint8_t oldValue, uint8_t newValue);
    void WriteMode(uint8_t value);
    void WriteBitCommand(uint8_t value);

    OutputHook outA_;
    OutputHook outB_;
    PortCHook outC_;
    PortCHook outCUpper_;
    PortCHook outCLower_;
    InputHook inA_;
    InputHook inB_;
    InputHook inC_;
    InputHook inCUpper_;
    InputHook inCLower_;
    ControlHook onControl_;
};
