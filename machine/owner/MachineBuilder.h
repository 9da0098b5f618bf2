#pragma once
// Builds the core of a model (memory, CPU, system port, general-purpose,
// timer and tape interfaces) from one table row per model, and takes it
// apart again. Optional devices are the settings applier's.

#include <cstdint>
#include <string>

#include "machine/core/ModelIndex.h"
#include "machine/cpu/DeviceAttachment.h"

struct MachineParts;

namespace machine_builder {

// Memory classes.
enum class Memory : uint8_t { Model12, Model2A, Model2AEx, Model3, Model3Ex, C2717 };

// Core devices on the port bus.
enum class Device : uint8_t { SystemPio, Gpio, Timer, Tape, Paging, Screen };

// When a table entry applies.
enum class When : uint8_t { Always, Ram256k, VideoInterrupt };

// A device's port-bus entry; with tick, its cycle hook is added with it, so
// the hooks run in the order of their entries.
struct PortEntry {
    Device device;
    PortRange range;
    When when = When::Always;
    bool tick = false;
};

struct ModelPlan {
    const char* name;           // the configuration name
    Memory memory;              // without the 256 KB option
    Memory memory256k;          // with it (same as memory: no option)
    uint8_t romKb;              // fixed monitor ROM size; 0: the file's, 4..16
    bool videoInterruptOption;  // reads video-cpu-interrupt
    bool narrowAtStart;         // the system port asks for the narrow screen
    bool tapeTimerClock;        // the timer interface clocks the tape's serial chip
    PortEntry ports[6];         // in map order
    int portCount;
};

// The row of a model (0-7).
const ModelPlan& Plan(int model);

}  // namespace machine_builder

class MachineBuilder {
public:
    static constexpr int kRomBufferSize = 16384;

    // Deletes the old core and builds the model selected in the configuration;
    // the monitor ROM comes from romData when fromSnapshot is 1 and romLength
    // at least 4096, otherwise from the model's ROM file; without either the
    // machine has none (parts.monitorRomLoaded false). Optional devices
    // that survive (modules, Musica) are mapped again on the new CPU; the
    // disk unit is gone and must be made again by its applier.
    static void Build(MachineParts& parts, uint8_t fromSnapshot, int32_t romLength, const uint8_t* romData);
    // Deletes the core and the devices built on it (the disk unit).
    static void DeleteCore(MachineParts& parts);
    // The configuration name of a model ("Model-1" ...), "" outside 0-7.
    static const char* ModelName(int model);
    // The model's index for its configuration name; -1 for any other text.
    static int ModelIndex(const std::string& name);
    // Whether a monitor ROM file of size bytes fills the model's ROM: exactly its fixed
    // size, or whole KB from 4 to 16 KB where the ROM takes the file's size.
    static bool MonitorRomFits(int model, int64_t size);
    // The fixed monitor ROM size of a model in KB; 0 where the file's size is taken.
    static int MonitorRomKb(int model);
};
