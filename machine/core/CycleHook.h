#pragma once
#include <cstdint>
#include "machine/core/Closure.h"

// A device's per-instruction hook on the CPU: (slice clock, cycles of the
// previous instruction). A device hands out MakeClosure<&Device::Tick>(this).
using CycleHook = Closure<void(int32_t sliceClock, int32_t cycles)>;
