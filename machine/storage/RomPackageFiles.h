#pragma once
// The named ROM packages of the configuration as the modules take them: a
// package's file list with the status of each file, and finding a package
// by name.
#include <pugixml.hpp>

#include <string>
#include <vector>

#include "machine/storage/RomFile.h"

// Size of a ROM-module image at path (absolute); status 0 valid, 1 missing,
// unreadable or not ".rmm", 2 bad size (below 1 KB, above 32 KB, not whole KB).
int32_t CheckRomFile(const std::string& path, int32_t& status);

// Whole KB a file of size bytes takes (rounded up; any int32 size).
int RomFileKb(int32_t size);

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
