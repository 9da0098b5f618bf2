#pragma once
// ROM-module images and the named ROM packages of the configuration: the
// size rule of an image, a package's file list with its statuses, the rows of
// the package list, and saving and deleting packages.
#include <pugixml.hpp>

#include <string>
#include <vector>

#include "machine/storage/RomFile.h"

// Size of a ROM-module image at path (absolute); status 0 valid, 1 missing,
// unreadable or not ".rmm", 2 bad size (below 1 KB, above 32 KB, not whole KB).
int32_t CheckRomFile(const std::string& path, int32_t& status);

// The file list of one RomPackage element: "-" is a 1 KB gap; running totals
// beyond 32, 64 and 256 KB give statuses 3, 4 and 5.
RomFileList BuildRomFileList(pugi::xml_node package);

// The packages in a combo: names in order and, for each position, the index of
// that RomPackage among all children of RomPackages.
struct PackageList {
    std::vector<std::string> names;
    std::vector<int> childIndex;
};
PackageList ListPackages(pugi::xml_node romPackages);
// The last position whose name equals wanted ignoring case; -1 when none.
int FindPackage(const std::vector<std::string>& names, const std::string& wanted);
// The RomPackage element at a combo position; null when out of range.
pugi::xml_node PackageAt(pugi::xml_node romPackages, const PackageList& list, int position);

// A row of the file list view.
struct RomFileRow {
    std::string file, address, size, romX;
    int icon = 0;
};
std::vector<RomFileRow> RomFileRows(const RomFileList& files);
// The language keys and arguments of a row's tip for a status: each element
// is one line (key "err.LvRomFileList..." with up to two arguments).
struct TipLine {
    std::string key, arg1, arg2;
};
std::vector<TipLine> RomFileTip(int status);

// Save and delete buttons while the user types name (trimmed inside).
struct PackageButtons {
    bool save = false, del = false;
};
PackageButtons PackageButtonsFor(const std::string& typed, const std::vector<std::string>& names, bool edited,
                                 size_t listCount);

std::string TrimBlanks(const std::string& text);

// Stores files as the package named name (trimmed): a listed name (ignoring
// case) is emptied and refilled, a new one is added at the end. Returns the
// stored name, empty when name is blank (nothing stored).
std::string SavePackage(pugi::xml_node romPackages, const std::string& name, const RomFileList& files);

enum class DeleteResult { Deleted, Blank, InUse, NotFound };
// Deletes the package named typed (trimmed, ignoring case). Refused while a
// model's ROM module names it (ignoring case). A RAOM module naming it is left
// with no package.
DeleteResult DeletePackage(pugi::xml_node root, const std::string& typed);
