#pragma once
// A device's place on a CPU: its port-bus entries and its cycle hook (with a
// quiet measure: a scheduled device), added
// by one call and removed by one call (or when the handle is destroyed).
// Removing takes only the entries that still belong to the device, so a
// device that another one displaced from a port leaves that port alone.
#include <cstdint>
#include <initializer_list>

#include "machine/cpu/ChipCpu8080.h"

// One port-bus entry: (port AND mask) == port; reset 1: reset with the CPU.
struct PortRange {
    uint8_t port = 0;
    uint8_t mask = 0;
    uint8_t reset = 0;
};

class DeviceAttachment {
public:
    static constexpr int kMaxRanges = 2;

    DeviceAttachment() = default;
    // Maps device (may be null: a hook only) at ranges and adds hook (may be empty).
    DeviceAttachment(ChipCpu8080& cpu, PeripheralDevice* device, std::initializer_list<PortRange> ranges,
                     CycleHook hook = CycleHook(), QuietHook quiet = QuietHook());
    ~DeviceAttachment() { Detach(); }
    DeviceAttachment(DeviceAttachment&& other) noexcept { Take(other); }
    DeviceAttachment& operator=(DeviceAttachment&& other) noexcept {
        if (this != &other) {
            Detach();
            Take(other);
        }
        return *this;
    }
    DeviceAttachment(const DeviceAttachment&) = delete;
    DeviceAttachment& operator=(const DeviceAttachment&) = delete;

    // Detaches whatever this handle held, then attaches as the constructor does.
    void Attach(ChipCpu8080& cpu, PeripheralDevice* device, std::initializer_list<PortRange> ranges,
                CycleHook hook = CycleHook(), QuietHook quiet = QuietHook());
    // Removes the device's entries and its hook; nothing when not attached.
    void Detach();
    bool Attached() const { return cpu != nullptr; }
    ChipCpu8080* Cpu() const { return cpu; }

private:
    void Take(DeviceAttachment& other) noexcept;

    ChipCpu8080* cpu = nullptr;
    PeripheralDevice* device = nullptr;
    PortRange ranges[kMaxRanges] = {};
    int rangeCount = 0;
    CycleHook hook;
};
