#include "shell/settings/logic/Media.h"

#include <sys/stat.h>

#include "common/Paths.h"
#include "machine/core/ModelCapabilities.h"
#include "shell/settings/logic/SettingsWriter.h"
#include "common/TextUtils.h"

namespace {


bool IsNoFile(const std::string& p) { return p.empty() || p == kNoFile; }

}  // namespace

bool FileHasSize(const std::string& path, int64_t size) {
    struct stat st {};
    if (path.empty() || stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    return static_cast<int64_t>(st.st_size) == size;
}

int32_t Pmd32ImageSize(int model, const std::string& path) {
    if (!Capabilities(model).consulDiskImages) return kPmd32ImageSize;
    const bool dcz = path.size() >= 4 && SameTextNoCase(path.substr(path.size() - 4), ".dcz");
    return dcz ? kPmd32ImageSize : kC2717ImageSize;
}

int32_t RaomImageSize(int version) { return version == 1 ? kRaomKuviSize : kRaomChtfSize; }

bool RaomImageSizeOk(int64_t size) { return size == kRaomChtfSize || size == kRaomKuviSize; }

std::string RaomSizesText(int version) { return version == 1 ? "256 kB / 256 kB" : "64 kB / 192 kB"; }

DriveView ShownDrives(const std::array<std::string, 4>& stored) {
    DriveView v;
    for (int d = 0; d < 4; ++d) {
        v.shown[d] = kNoFile;
        if (IsNoFile(stored[d])) continue;
        bool seen = false;
        for (int e = 0; e < d; ++e)
            if (SameTextNoCase(v.shown[e], stored[d])) seen = true;
        if (seen) {
            v.duplicate[d] = true;
            continue;
        }
        const std::string abs = MakeAbsolutePath(stored[d]);
        if (!FileHasSize(abs, kPmd32ImageSize) && !FileHasSize(abs, kC2717ImageSize)) continue;
        v.shown[d] = stored[d];
    }
    return v;
}

std::string ShownIfExists(const std::string& stored) {
    struct stat st {};
    if (IsNoFile(stored) || stat(MakeAbsolutePath(stored).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return kNoFile;
    return stored;
}

std::string ShownIfFolder(const std::string& stored) {
    struct stat st {};
    if (IsNoFile(stored) || stat(MakeAbsolutePath(stored).c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return kNoFile;
    return stored;
}
