#pragma once
// What the ROM-folder assistant does with a scanned folder, without Qt: which
// model's monitor ROM each recognised monitor becomes, which ROM package each
// BASIC module becomes and whether it is offered for the model's ROM module,
// and the writing of the chosen part into the configuration.
#include <pugixml.hpp>

#include <string>
#include <vector>

#include "common/RomRecogniser.h"

// One line of the assistant's list, in file-name order.
struct RomFolderRow {
    enum class Kind {
        Monitor,      // becomes (or already is) a model's RomFile
        MonitorSame,  // already the model's RomFile
        MonitorSize,  // refused: the size does not fit the model
        MonitorSpare, // another file is taken for the model
        Module,       // a ROM package is created (or an equal one is there)
        ModuleBad,    // refused as a ROM-module image (extension or size)
        ModuleSpare,  // another copy of the same module is taken
        Unstorable,   // its path cannot be kept in the configuration
        Known,        // known, but of no model or of a kind the assistant does not set
        Unknown,      // a plausible size, not in the table
        Skipped,      // not read
    };
    Kind kind = Kind::Unknown;
    std::string path;   // as scanned (folder + name)
    std::string stored; // the text the configuration would hold (relative inside AppDir)
    KnownRom rom;       // for the recognised kinds
    int model = -1;     // the model index of a monitor or module
    RomSkipReason skip = RomSkipReason::Unreadable;
    // Module rows.
    std::string package;      // the package's name
    bool packageExists = false; // an equal package of that name is already there
    bool plugOffered = false;   // the model has a ROM module
    bool plugDefault = false;   // the check box starts checked
    std::string pluggedNow;     // the package the model's module holds now (inserted), else empty
};

struct RomFolderPlan {
    bool folderRead = false;
    int currentModel = -1;  // Model/current
    // The model OK makes current, or -1: the current model has no monitor ROM and does not
    // get one here, so the first model that does (one this folder sets, else one that had
    // one) takes its place and the machine boots.
    int switchModel = -1;
    std::vector<RomFolderRow> rows;
    // True when OK would change something, given the default check boxes.
    bool HasWork() const;
};

// Plans the folder's scan against the configuration under root.
RomFolderPlan PlanRomFolder(const RomScanResult& scan, pugi::xml_node root);

// Whether the model's RomFile names a file that is there and not empty (what the machine
// builder loads as its monitor ROM).
bool ModelHasMonitorRom(pugi::xml_node root, int model);

// Writes the plan: the monitors' RomFile, the model switch, the new packages, and for the module rows
// whose plug[i] (indexed like plan.rows) is true the model's ROM module. Returns the
// change codes for the settings applier (sorted); changed tells whether anything
// in the document changed.
std::vector<int> ApplyRomFolderPlan(pugi::xml_node root, const RomFolderPlan& plan, const std::vector<bool>& plug,
                                    bool& changed);

// The text to store for a path: relative when it lies in the program folder, else the
// path itself; empty when the stored text would not lead back to the same file (a name
// the configuration reads as no file or a gap, characters XML cannot hold).
std::string StorableRomPath(const std::string& path);

// The words that name a recognised dump, English unless the language file has them.
struct RomNameTexts {
    std::string ofModel = "%1 %2";   // model, kind: "PMD 85-2A monitor"
    std::string unsorted = "%1 (%2)"; // the table's file name, kind: "pmd32.rom (device ROM)"
    std::string monitor = "monitor", module = "ROM module", device = "device ROM", rom = "ROM";
    std::string unknown = "unknown dump";
    std::string Kind(const std::string& kind) const;
};
// The texts from a window's section of the open language file (keys text.RomName.*,
// text.RomKind.*), each missing one in English.
RomNameTexts LoadRomNameTexts(const std::string& section);
// "PMD 85-2A monitor" with the caption of the dump's model; without one (a dump of no
// model) the table's file name with the kind.
std::string RomDisplayName(const KnownRom& rom, const std::string& modelCaption, const RomNameTexts& texts);
