#pragma once
// Change codes: each names one group of settings. The settings dialog, the
// program start, the hard reset and the snapshot loader produce lists of them;
// the settings applier consumes them.

namespace ChangeCode {
enum : int {
    Model = 1,              // model or monitor ROM: rebuild the whole machine
    Compatibility = 2,      // Model-3 compatibility mode
    HalfPass = 3,           // half-pass display mode
    Colors = 4,             // colour profile and user colours
    SoundDevice = 5,        // sound output device
    Volumes = 6,            // volumes and mute
    Musica = 7,             // Musica sound interface
    Keyboard = 8,           // keyboard options
    Joystick = 9,           // joysticks
    Mouse = 10,             // mouse
    RomModule = 11,         // ROM module
    RomModuleInserted = 12, // ROM module newly inserted (reset)
    Kzd1Connection = 13,
    Kzd1Image = 14,
    Kzd1WriteProtect = 15,
    Pmd30Connection = 16,
    Pmd30Image = 17,
    Pmd30WriteProtect = 18,
    Pmd32Unit = 19,         // PMD-32 unit: connected, extra commands, SD root
    Pmd32ImageA = 20,
    Pmd32ProtectA = 21,
    Pmd32ImageB = 22,
    Pmd32ProtectB = 23,
    Pmd32ImageC = 24,
    Pmd32ProtectC = 25,
    Pmd32ImageD = 26,
    Pmd32ProtectD = 27,
    DebuggerHints = 28,
    Raom = 29,              // ROM/RAM module
    RaomInserted = 30,      // ROM/RAM module newly inserted (reset)
    Bt100 = 31,             // BT100 printer
    Xy41xx = 32,            // XY 41xx plotter
    Centronics = 33,        // Centronics printer
    Mif85 = 34,             // MIF 85 sound interface
    Ram256k = 35,           // 256 KB RAM (always with Model)
    VideoInterrupt = 36,    // video-circuit interrupt (always with Model)
};
inline constexpr int First = 1;
inline constexpr int Last = 36;

// Drive image and write-protection codes of PMD-32 drive 0-3.
inline constexpr int Pmd32Image(int drive) { return Pmd32ImageA + 2 * drive; }
inline constexpr int Pmd32Protect(int drive) { return Pmd32ProtectA + 2 * drive; }
}  // namespace ChangeCode
