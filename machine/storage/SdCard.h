#pragma once
// Host side of the PMD-32 memory card: a folder of the host that the emulated
// machine browses. Every name that comes from the emulated machine is resolved
// here and refused when it would leave the card's root folder.
#include <cstdint>
#include <string>
#include <vector>

// Geometry of a disk image.
struct ImageGeometry {
    uint8_t tracks = 0;   // 0 stands for 256
    uint8_t sectors = 0;
    uint8_t heads = 0;
};

// Result codes of the unit (one byte each, sent to the emulated machine).
constexpr uint8_t kPmdOk = 0;
constexpr uint8_t kPmdWriteProtected = 1;
constexpr uint8_t kPmdReadFailed = 3;
constexpr uint8_t kPmdWriteFailed = 4;
constexpr uint8_t kPmdBadDrive = 5;
constexpr uint8_t kPmdNotFound = 6;
constexpr uint8_t kPmdPathTooLong = 7;
constexpr uint8_t kPmdNotCreated = 8;
constexpr uint8_t kPmdCfgMissing = 9;
constexpr uint8_t kPmdCfgMalformed = 11;
constexpr uint8_t kPmdCfgNoLine = 12;
constexpr uint8_t kPmdChecksumError = 0x99;

// The extension of the last name of path including its dot (".P32"), or "".
std::string ImageExtension(const std::string& path);

// Looks up the line of an images.cfg text for the image's extension.
// Returns 0 with geometry, 11 for a malformed matching line, 12 for no line.
int ParseImagesCfg(const std::string& text, const std::string& imagePath, ImageGeometry& geometry);

// Reads the file cfgPath and looks up the image's extension in it; 9 when the
// file is missing or unreadable, else as ParseImagesCfg.
int ReadImagesCfgFile(const std::string& cfgPath, const std::string& imagePath, ImageGeometry& geometry);

// Joins name to the relative folder dir ("" at the top) and normalises the
// result: "/" and "\" separate, "." parts drop, ".." removes the part before.
// Returns false when the path climbs above the top. The result has no
// leading or trailing "/" ("" for the top itself).
bool JoinCardPath(const std::string& dir, const std::string& name, std::string& relative);

// The real (symbolic links resolved) path of root + relative, checked to lie
// inside the real root. mustExist false allows the last name to be missing
// (its folder must exist and lie inside); a last name that is a symbolic link
// is refused then. Returns false when it is outside or cannot be resolved.
bool ResolveInsideCard(const std::string& root, const std::string& relative, bool mustExist,
                       std::string& real);

// One listing of a card folder: the names the L command hands out, in order.
// Folders come as "[name]", files as their name. Skipped: hidden names
// (beginning with "."), symbolic links, anything but plain files and folders,
// read-only entries (no owner write permission), and names too long for a one-byte length.
// ".." is listed first unless atTop.
std::vector<std::string> ListCardFolder(const std::string& folder, bool atTop);

// Creates a new file filled with fill, never replacing an existing one
// (nor following a symbolic link). True when exactly size bytes were written;
// a file that could not be completed is removed again.
bool CreateNewImageFile(const std::string& path, int64_t size, uint8_t fill);
