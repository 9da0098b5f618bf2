#include "machine/cpu/DeviceAttachment.h"

DeviceAttachment::DeviceAttachment(ChipCpu8080& c, PeripheralDevice* d, std::initializer_list<PortRange> list,
                                   CycleHook h, QuietHook q) {
    Attach(c, d, list, h, q);
}

void DeviceAttachment::Attach(ChipCpu8080& c, PeripheralDevice* d, std::initializer_list<PortRange> list,
                              CycleHook h, QuietHook q) {
    Detach();
    cpu = &c;
    device = d;
    hook = h;
    if (device)
        for (const PortRange& r : list) {
            if (rangeCount == kMaxRanges) break;
            ranges[rangeCount++] = r;
            cpu->AddPortDevice(r.port, r.mask, r.reset, device);
        }
    if (hook) cpu->AddCycleCallback(hook, q);
}

void DeviceAttachment::Detach() {
    if (!cpu) return;
    for (int i = 0; i < rangeCount; ++i) cpu->RemovePortDevice(ranges[i].port, device);
    if (hook) cpu->RemoveCycleCallback(hook);
    cpu = nullptr;
    device = nullptr;
    rangeCount = 0;
    hook = CycleHook();
}

void DeviceAttachment::Take(DeviceAttachment& other) noexcept {
    cpu = other.cpu;
    device = other.device;
    rangeCount = other.rangeCount;
    for (int i = 0; i < rangeCount; ++i) ranges[i] = other.ranges[i];
    hook = other.hook;
    other.cpu = nullptr;
    other.device = nullptr;
    other.rangeCount = 0;
    other.hook = CycleHook();
}
