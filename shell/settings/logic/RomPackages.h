#pragma once
// ROM-module images and the named ROM packages of the configuration: the
// size rule of an image, a package's file list with its statuses, the rows of
// the package list, and saving and deleting packages.
#include <pugixml.hpp>

#include <string>
#include <vector>

#include "machine/storage/RomFile.h"
#include "machine/storage/RomPackageFiles.h"

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
