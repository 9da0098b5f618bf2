#pragma once
#include <cstdint>
#include "machine/core/Closure.h"

// The sound driver's level writer: (channel, on, slice clock). A device
// sets its channel's level through it; "on" is exactly 1 for the high level.
using SoundLevelSink = Closure<void(int channel, int on, int32_t cycles)>;
