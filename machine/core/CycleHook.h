#pragma once
#include <cstdint>
#include "machine/core/Closure.h"

// A device's per-instruction hook on the CPU: (slice clock, cycles of the
// previous instruction). A device hands out MakeClosure<&Device::Tick>(this).
using CycleHook = Closure<void(int32_t sliceClock, int32_t cycles)>;

// A scheduled device's quiet measure: how many more cycles its hook can take,
// in one call or in several, before it acts (an output edge, a step, a sound
// level, an interrupt). Everything it does in that stretch is seen only
// through the port bus. The CPU calls such a hook only when the cycles are
// used up, before a port access and when the owner syncs the devices.
using QuietHook = Closure<int32_t()>;
