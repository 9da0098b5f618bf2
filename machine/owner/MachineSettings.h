#pragma once
// The settings the machine is built and configured from, as one typed value:
// a struct per element of the configuration document that the machine uses.
// Read from the document in one place, written back in one place; the change
// codes come from comparing two values.

#include <pugixml.hpp>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "machine/core/ModelIndex.h"
#include "machine/input/JoyRow.h"
#include "machine/storage/RomFile.h"

// One model's element under Model.
struct ModelElementSettings {
    std::string romFile;  // RomFile text: the monitor ROM, stored path
    bool compatibilityMode = false;  // Model-3 only
    bool ram256k = false;            // Model-2A and Model-3 only
    bool romModuleInserted = false;  // RomModule, every model but the Mato
    std::string romModuleName;       // the ROM package of the ROM module
    bool operator==(const ModelElementSettings&) const = default;
};

struct ModelSettings {
    int current = -1;  // -1: an unknown name; the Consul's element then counts
    std::array<ModelElementSettings, kModelCount> models;

    const ModelElementSettings& Current() const { return models[IsModelIndex(current) ? current : kModelC2717]; }
    bool operator==(const ModelSettings&) const = default;
};

enum class HalfPass : uint8_t { Off, B75, B50, B25, B0, Lcd };     // any other text: B0
enum class ColorProfile : uint8_t { Mono, Standard, Color, Multicolor };  // other: Color
enum class ColorPalette : uint8_t { Rgb, Video, Defined };         // other: Defined

struct ScreenSettings {
    HalfPass halfPass = HalfPass::B0;
    ColorProfile colorProfile = ColorProfile::Color;
    ColorPalette palette = ColorPalette::Defined;
    std::array<int, 4> attr = {15, 15, 15, 15};  // attr00, attr01, attr10, attr11 as colour numbers
    bool videoCpuInterrupt = false;
    bool operator==(const ScreenSettings&) const = default;
};

enum class SoundInterface : uint8_t { None, Musica, Mif85 };  // other: None

struct SoundSettings {
    bool directSound = false;  // out-type "dsound"
    int deviceIndex = -1;
    // As stored; none when missing or not a number.
    std::optional<int> volumeSpeaker, volumeTape, volumeSoundIf;
    bool mute = false;
    SoundInterface soundIf = SoundInterface::None;
    bool operator==(const SoundSettings&) const = default;
};

struct KeyboardSettings {
    bool changeZy = false, useNumpad = false, matoCtrl = false;
    bool operator==(const KeyboardSettings&) const = default;
};

enum class MouseType : uint8_t { None, M602, Poly8 };  // other: None

struct MouseSettings {
    MouseType type = MouseType::None;
    bool hideCursor = true;
    bool operator==(const MouseSettings&) const = default;
};

// Gpio0 (K3) and Gpio1 (K4). The set-up rows are written by the joystick
// set-up dialog, so the writer leaves them alone.
struct JoystickSettings {
    std::array<bool, 2> connected = {false, false};
    std::array<JoyRow, 2> rows;
    bool operator==(const JoystickSettings&) const = default;
};

struct RaomSettings {
    bool inserted = false;
    std::string name;   // its ROM package
    int version = 0;    // hw-version: 0 "chtf", 1 "kuvi"; other texts read as 0
    std::string image;  // element text: the RAM image, stored path
    bool operator==(const RaomSettings&) const = default;
};

struct Kzd1Settings {
    bool connected = false;
    bool onK3 = false;  // port "gpio0"
    bool writeProtect = false;
    std::string image;
    bool operator==(const Kzd1Settings&) const = default;
};

struct Pmd30Settings {
    bool connected = false;
    bool writeProtect = false;
    std::string image;
    bool operator==(const Pmd30Settings&) const = default;
};

struct Pmd32DriveSettings {
    bool writeProtect = false;
    std::string image;
    bool operator==(const Pmd32DriveSettings&) const = default;
};

struct Pmd32Settings {
    bool connected = false;
    bool extraCommands = false;
    std::array<Pmd32DriveSettings, 4> drives;
    std::string sdRoot;
    bool operator==(const Pmd32Settings&) const = default;
};

enum class PrinterType : uint8_t { None, Bt100, Xy41xx, Centronics };  // other: None

struct PrinterSettings {
    PrinterType type = PrinterType::None;
    bool onLpt = false;
    bool operator==(const PrinterSettings&) const = default;
};

// One RomPackage: its name and file list.
struct RomPackageSettings {
    std::string name;
    RomFileList files;
    bool operator==(const RomPackageSettings&) const = default;
};

// RomPackages, in document order. The packages page saves them itself, so
// the writer leaves them alone.
struct RomPackagesSettings {
    std::vector<RomPackageSettings> packages;

    // The files of the last package named name (ignoring case); none when no package has the name.
    RomFileList FilesOf(const std::string& name) const;
    bool operator==(const RomPackagesSettings&) const = default;
};

struct GeneralSettings {
    bool showHintInDebugger = false;
    bool operator==(const GeneralSettings&) const = default;
};

struct MachineSettings {
    ModelSettings model;
    RomPackagesSettings romPackages;
    ScreenSettings screen;
    SoundSettings sound;
    KeyboardSettings keyboard;
    MouseSettings mouse;
    JoystickSettings joystick;
    RaomSettings raom;
    Kzd1Settings kzd1;
    Pmd30Settings pmd30;
    Pmd32Settings pmd32;
    PrinterSettings printer;
    GeneralSettings general;

    // What the modules take: whether the ROM module is plugged in (never on a
    // model without one) and the files of each module's package.
    bool RomModuleInserted() const;
    RomFileList RomModuleFiles() const;
    RomFileList RaomFiles() const;

    bool operator==(const MachineSettings&) const = default;
};


// The value of the document under root (the element holding the sections);
// missing elements and attributes read as their defaults. The joystick rows
// name their controllers among joyDevices (the host's, when given).
MachineSettings ReadMachineSettings(pugi::xml_node root, const std::vector<JoyDevice>* joyDevices = nullptr);

// Writes every field of the value that differs from what the document reads
// as; fields that read the same are left as they stand, so writing back the
// value just read changes nothing. Elements the document lacks are not made.
void WriteMachineSettings(pugi::xml_node root, const MachineSettings& value);

// Groups that count as changed whatever the values say: a package picked
// again for the ROM module or the RAOM module, joystick rows edited.
struct ForcedChanges {
    bool romModule = false;
    bool raom = false;
    bool joystick = false;
};

// The change codes for going from old to now, in the order the settings
// dialog's OK appends them (a code may appear more than once).
std::vector<int> ChangeCodesBetween(const MachineSettings& old, const MachineSettings& now,
                                    ForcedChanges forced = {});
