#pragma once
// Disk and RAM-disk images of the storage pages: accepted and created sizes
// per model and hardware version, and what the drive edits show on loading.
#include <array>
#include <cstdint>
#include <string>

inline constexpr int32_t kPmd32ImageSize = 368640;
inline constexpr int32_t kC2717ImageSize = 512512;
inline constexpr int32_t kRaomChtfSize = 196608;
inline constexpr int32_t kRaomKuviSize = 262144;

// True when the file exists and its length is size exactly.
bool FileHasSize(const std::string& path, int64_t size);

// The size a PMD-32 image named path must have on model: on the Consul 2717
// 368,640 for a ".dcz" name (any case) and 512,512 otherwise; 368,640 elsewhere.
int32_t Pmd32ImageSize(int model, const std::string& path);
// The size of a new RAM-disk image of the RAOM version (0 CHTF, 1 KUVI).
int32_t RaomImageSize(int version);
// Either RAM-disk size is accepted whatever the version.
bool RaomImageSizeOk(int64_t size);
// "64 kB / 192 kB" for CHTF, "256 kB / 256 kB" for KUVI.
std::string RaomSizesText(int version);

// What each drive edit shows for the stored paths: the stored text when the
// file (made absolute) has one of the PMD-32 sizes and no earlier drive shows
// the same path (ignoring case), else the placeholder. duplicate[d] tells
// that drive d was emptied because an earlier drive shows its image.
struct DriveView {
    std::array<std::string, 4> shown;
    std::array<bool, 4> duplicate{};
};
DriveView ShownDrives(const std::array<std::string, 4>& stored);

// The text an edit shows for a stored path: the path when the file (made
// absolute) exists, else the placeholder.
std::string ShownIfExists(const std::string& stored);
// The same for a folder.
std::string ShownIfFolder(const std::string& stored);
