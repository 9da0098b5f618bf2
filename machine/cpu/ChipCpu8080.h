#pragma once
#include <atomic>
#include <cstdint>
#include "machine/core/CycleHook.h"
#include "machine/core/PeripheralDevice.h"
#include "machine/cpu/ChipMemory.h"
#include "machine/cpu/CpuInputRecorder.h"
#include "machine/cpu/OpcodeTables.h"

// Snapshot record of the CPU, 13 bytes, words little-endian.
struct CpuState {
    enum : uint8_t { FlagInte = 0x01, FlagEi1 = 0x02, FlagEi2 = 0x04, FlagHalt = 0x08, FlagIntRequest = 0x10 };
    uint8_t Flags;
    uint8_t PSW[2];  // F, A
    uint8_t BC[2];   // C, B
    uint8_t DE[2];
    uint8_t HL[2];
    uint8_t PC[2];
    uint8_t SP[2];
};
static_assert(sizeof(CpuState) == 13, "CpuState is 13 bytes");

// One port-bus entry: a device answers when (port AND Mask) == Port.
struct PortMapEntry {
    uint8_t Port = 0;
    uint8_t Mask = 0;
    PeripheralDevice* Device = nullptr;
    uint8_t ResetFlag = 0;  // 1: reset with the CPU
    PortMapEntry* Next = nullptr;
};

// Cycle hooks (machine/core/CycleHook.h) run once per instruction, after the
// fetch and before the execution. A hook added with a quiet measure is a
// scheduled device: it runs only at its events, where it gets every cycle it
// missed (all but the previous instruction's in one call first, then that
// instruction's as a plain hook would), and before each port access.

struct CycleCallback {
    CycleHook Hook;
    QuietHook Quiet;  // empty: a plain per-instruction hook
    CycleCallback* Next = nullptr;
};

// Intel 8080 core. Registers and counters are public: the slice adjusts
// the clocks, the debugger reads and writes the registers.
class ChipCpu8080 {
public:
    enum : uint8_t { FlagS = 0x80, FlagZ = 0x40, FlagAC = 0x10, FlagP = 0x04, FlagOne = 0x02, FlagCY = 0x01 };
    static constexpr int32_t StateSize = 13;

    explicit ChipCpu8080(ChipMemory& memory);
    ~ChipCpu8080();
    ChipCpu8080(const ChipCpu8080&) = delete;
    ChipCpu8080& operator=(const ChipCpu8080&) = delete;

    // Clears INTE, the EI stages, HALT and a pending interrupt, PC = 0,
    // resets the memory mapping and the port devices marked for reset.
    // Waits while a Step runs. Other registers and the counters stay.
    void Reset();
    // Executes one instruction (or the pending RST 7) and returns its
    // cycles; 0 when a Step is already running.
    int32_t Step();
    // 1 when accepted (INTE was set): RST 7 runs at the next Step.
    int32_t Interrupt();
    void SetInte(uint8_t value);
    // Writes the 13-byte state; a null buffer only returns the size.
    int32_t GetState(void* buffer) const;
    void SetState(const void* buffer);
    // Mnemonic template of the opcode (Z80 notation when z80Style is 1).
    static const char16_t* GetMnemonic(int32_t opcode, uint8_t z80Style);

    // Port bus.
    void AddPortDevice(uint8_t port, uint8_t mask, uint8_t resetFlag, PeripheralDevice* device);
    void RemovePortDevice(uint8_t port);
    // Removes the entry with that port value only while it belongs to device.
    void RemovePortDevice(uint8_t port, const PeripheralDevice* device);
    PeripheralDevice* FindPortDevice(uint8_t port) const {
        for (PortMapEntry* e = portHead; e; e = e->Next)
            if ((port & e->Mask) == e->Port) return e->Device;
        return nullptr;
    }
    // Cycle callbacks.
    void AddCycleCallback(CycleHook hook);
    // A scheduled device (quiet must be set, else it is a plain hook).
    void AddCycleCallback(CycleHook hook, QuietHook quiet);
    void RemoveCycleCallback(CycleHook hook);
    // Brings the scheduled devices to where plain hooks would have them
    // between two instructions (owing only the last instruction's cycles)
    // and reschedules. Call it before the devices are read or changed from
    // outside the instruction loop.
    void SyncDevices();
    // Asks the scheduled devices for their quiet measures again: after their
    // state was changed from outside a port access.
    void ScheduleEvents();
    // After LastCycles was set from outside: the devices owe it, and nothing more.
    void ResetEventClock();
    // Plain hooks only; scheduled devices run through the event check in Step.
    void RunCycleCallbacks() {
        if (hookCount >= 0) [[likely]] {
            for (int i = 0; i < hookCount; ++i) hookCode[i](hookObject[i], SliceClock, LastCycles);
            return;
        }
        for (CycleCallback* c = callbackHead; c; c = c->Next)
            if (!c->Quiet) c->Hook(SliceClock, LastCycles);
    }
    const PortMapEntry* GetPortMap() const { return portHead; }
    const CycleCallback* GetCycleCallbacks() const { return callbackHead; }

    // Register pairs, little-endian (PSW = A * 256 + F).
    uint16_t GetPSW() const { return static_cast<uint16_t>(A << 8 | F); }
    uint16_t GetBC() const { return static_cast<uint16_t>(B << 8 | C); }
    uint16_t GetDE() const { return static_cast<uint16_t>(D << 8 | E); }
    uint16_t GetHL() const { return static_cast<uint16_t>(H << 8 | L); }
    void SetPSW(uint16_t v) { F = static_cast<uint8_t>(v); A = static_cast<uint8_t>(v >> 8); }
    void SetBC(uint16_t v) { C = static_cast<uint8_t>(v); B = static_cast<uint8_t>(v >> 8); }
    void SetDE(uint16_t v) { E = static_cast<uint8_t>(v); D = static_cast<uint8_t>(v >> 8); }
    void SetHL(uint16_t v) { L = static_cast<uint8_t>(v); H = static_cast<uint8_t>(v >> 8); }

    uint8_t F = 0, A = 0;
    uint8_t C = 0, B = 0;
    uint8_t E = 0, D = 0;
    uint8_t L = 0, H = 0;
    uint16_t SP = 0;
    uint16_t PC = 0;
    uint8_t INTE = 0;
    uint8_t EiStage1 = 0;
    uint8_t EiStage2 = 0;
    uint8_t Halt = 0;
    uint8_t IntRequest = 0;
    int32_t SliceClock = 0;           // cycles within the current slice
    uint32_t TotalClock = 0;          // cycles since creation, wraps
    int32_t LastCycles = 0;           // cycles of the last instruction
    uint32_t NextEvent = 0;           // TotalClock at which Step serves the hooks
    uint32_t InstructionCounter = 0;  // instructions fetched from memory

    uint8_t FlagTable[256];           // S, Z, P and bit 1 of each value
    uint16_t DaaTable[1024];          // index A + 256*CY + 512*AC: A*256 + F

    CpuInputRecorder* Recording = nullptr;  // attached action recording, not owned

    ChipMemory& GetMemory() { return memory; }

private:
    // Inside Step: a Step called from a device hook during it does nothing.
    // Every Step and Reset runs on the emulation thread or under the CPU
    // mutex, so this is no lock.
    bool inStep = false;
    void BuildTables();
    // Copies the callback list into the flat arrays (-1 when it is longer).
    void FlattenCycleCallbacks();
    // The event: every scheduled device catches up, then every hook runs.
    void ServeEvents();
    // Runs the scheduled devices up to TotalClock minus owed cycles.
    void CatchUpDevices(int32_t owed);
    // Before a port access: the scheduled devices as their hooks would have
    // them inside this instruction (the previous one's cycles just taken).
    void CatchUpInstruction();
    // Removes the first entry with that port value; with a device, only when it is that device's.
    void RemovePortEntry(uint8_t port, const PeripheralDevice* device);

    ChipMemory& memory;
    PortMapEntry* portHead = nullptr;
    PortMapEntry* portTail = nullptr;
    CycleCallback* callbackHead = nullptr;
    // The callback list as flat arrays, walked every instruction.
    static constexpr int kFlatHooks = 8;
    int hookCount = 0;
    // Code and object apart, so the walk indexes both with one scale.
    CycleHook::Code hookCode[kFlatHooks] = {};
    void* hookObject[kFlatHooks] = {};
    // Every hook in list order for the events; -1 when the list is longer.
    static constexpr int kEventHooks = 12;
    int eventCount = 0;
    int scheduledCount = 0;   // entries with a quiet measure
    bool plainHooks = false;  // some hook runs every instruction
    uint32_t eventClock = 0;  // TotalClock the scheduled devices have been run to
    CycleHook eventHook[kEventHooks] = {};
    QuietHook eventQuiet[kEventHooks] = {};
};
