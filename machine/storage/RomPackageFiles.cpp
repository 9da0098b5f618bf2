#include "machine/storage/RomPackageFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/Config.h"
#include "common/Files.h"
#include "common/Paths.h"
#include "common/TextUtils.h"

namespace {


bool HasRmmExtension(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
    return SameTextNoCase(path.substr(dot), ".rmm");
}


}  // namespace

int32_t CheckRomFile(const std::string& path, int32_t& status) {
    status = 1;
    if (!HasRmmExtension(path)) return 0;
    const int fd = OpenRegularFile(path, O_RDONLY);
    if (fd < 0) return 0;
    struct stat st {};
    const bool ok = fstat(fd, &st) == 0;
    close(fd);
    if (!ok) return 0;
    status = 0;
    if (st.st_size > 0x7FFFFFFF) {
        status = 2;
        return 0x7FFFFFFF;
    }
    const int32_t size = static_cast<int32_t>(st.st_size);
    if (size < 1024 || size > 32768 || size % 1024 != 0) status = 2;
    return size;
}

RomFileList BuildRomFileList(pugi::xml_node package) {
    RomFileList list;
    int totalKb = 0;
    for (pugi::xml_node e = package.first_child(); e; e = e.next_sibling()) {
        if (e.type() != pugi::node_element || std::string(e.name()) != "RomFile") continue;
        ROM_FILE f;
        f.path = ReadElementText(e);
        if (f.path == "-") {
            f.size = 1024;
            f.status = 0;
        } else {
            f.size = CheckRomFile(MakeAbsolutePath(f.path), f.status);
        }
        totalKb += RomFileKb(f.size);
        if (totalKb > 256)
            f.status = 5;
        else if (totalKb > 64)
            f.status = 4;
        else if (totalKb > 32)
            f.status = 3;
        list.push_back(std::move(f));
    }
    return list;
}

PackageList ListPackages(pugi::xml_node romPackages) {
    PackageList list;
    int index = 0;
    for (pugi::xml_node e = romPackages.first_child(); e; e = e.next_sibling(), ++index) {
        if (e.type() != pugi::node_element || std::string(e.name()) != "RomPackage") continue;
        list.names.push_back(ReadAttrString(e, "name"));
        list.childIndex.push_back(index);
    }
    return list;
}

int FindPackage(const std::vector<std::string>& names, const std::string& wanted) {
    int found = -1;
    for (size_t i = 0; i < names.size(); ++i)
        if (SameTextNoCase(names[i], wanted)) found = static_cast<int>(i);
    return found;
}

pugi::xml_node PackageAt(pugi::xml_node romPackages, const PackageList& list, int position) {
    if (position < 0 || position >= static_cast<int>(list.childIndex.size())) return {};
    int index = 0;
    for (pugi::xml_node e = romPackages.first_child(); e; e = e.next_sibling(), ++index)
        if (index == list.childIndex[position]) return e;
    return {};
}

int RomFileKb(int32_t size) { return static_cast<int>((int64_t{size} + 1023) / 1024); }
