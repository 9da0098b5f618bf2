#pragma once
// What each model has, in one table: the options the settings offer for it
// and the hardware switches the tools and the emulation slice may use.

#include "machine/core/ModelIndex.h"

struct ModelCapabilities {
    bool romModule;          // a ROM module may be plugged in
    bool raom;               // the RAOM module may be plugged in
    bool ram256k;            // the 256 KB RAM option (paging register at 6Dh)
    bool compatibilityMode;  // the compatibility mode of the PMD 85-3
    bool timerInterface;     // the timer interface, general-purpose interface and the tape
    bool tapeTraps;          // fast tape loading through the monitor's tape routines
    bool soundInterface;     // Musica or MIF 85 may be chosen
    bool allRamSwitch;       // the All RAM switch: a second memory bank under the ROM
    bool remap;              // the Consul 2717's remap switch and boot mapping
    bool consulDiskImages;   // PMD-32 images also come in the Consul's size
    bool mouse602;           // the Mouse 602 (timer cascade)
};

inline constexpr ModelCapabilities kModelCapabilities[kModelCount] = {
    //  rom    raom  256k   comp   timer  traps  sndif  allram remap  consul m602
    {true, true, false, false, true, true, true, false, false, false, true},    // Model-1
    {true, true, false, false, true, true, true, false, false, false, false},   // Model-2
    {true, true, true, false, true, true, true, true, false, false, false},     // Model-2A
    {true, true, true, true, true, true, true, true, false, false, false},      // Model-3
    {false, true, false, false, false, false, false, false, false, false, false},  // Model-Mato
    {true, true, false, false, true, true, true, false, false, false, false},   // Model-Alfa
    {true, true, false, false, true, true, true, false, false, false, false},   // Model-Alfa2
    {true, true, false, false, true, true, false, true, true, true, false},     // Model-C2717
};

// The row of a model; an index outside 0-7 reads as the Consul 2717, the
// model the settings fall back to.
inline constexpr const ModelCapabilities& Capabilities(int model) {
    return kModelCapabilities[IsModelIndex(model) ? model : kModelC2717];
}
