#include "shell/settings/logic/RomPackages.h"

#include <cstdio>

#include "common/Config.h"
#include "common/Files.h"
#include "common/Paths.h"
#include "common/TextUtils.h"

namespace {

std::string Format(const char* fmt, long value) {
    char buf[32];
    std::snprintf(buf, sizeof buf, fmt, value);
    return buf;
}

}  // namespace

std::string TrimBlanks(const std::string& text) {
    size_t b = 0, e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ') --e;
    return text.substr(b, e - b);
}

std::vector<RomFileRow> RomFileRows(const RomFileList& files) {
    std::vector<RomFileRow> rows;
    int a = 0;
    for (const ROM_FILE& f : files) {
        RomFileRow r;
        r.file = f.path;
        r.icon = f.status < 0 ? 0 : (f.status > 3 ? 3 : f.status);
        if (a < 256 && f.status != 1) {
            r.address = Format("%06lXh", long(a) * 1024);
            r.size = f.size == 0 ? "???" : Format("%ld", RomFileKb(f.size));
            if (a >= 9 && a <= 31 && f.path != "-") {
                char before[8] = "-", after[8] = "-", text[24];
                if (a <= 15) std::snprintf(before, sizeof before, "%d", a - 9);
                if (a >= 10) std::snprintf(after, sizeof after, "%d", a - 10);
                std::snprintf(text, sizeof text, " %s / %s", before, after);
                r.romX = text;
            }
        }
        a += RomFileKb(f.size);
        rows.push_back(std::move(r));
    }
    return rows;
}

std::vector<TipLine> RomFileTip(int status) {
    switch (status) {
        case 1: return {{"err.LvRomFileList.FileNotFound", "", ""}};
        case 2: return {{"err.LvRomFileList.BadSize", "", ""}};
        case 3:
        case 4:
        case 5: {
            std::vector<TipLine> lines{{"err.LvRomFileList.Overflow", "32", "ROM"}};
            if (status >= 4) lines.push_back({"err.LvRomFileList.Overflow", "64", "CHTF RAOM"});
            if (status >= 5) lines.push_back({"err.LvRomFileList.Overflow", "256", "KUVI RAOM"});
            return lines;
        }
        default: return {};
    }
}

PackageButtons PackageButtonsFor(const std::string& typed, const std::vector<std::string>& names, bool edited,
                                 size_t listCount) {
    PackageButtons b;
    const std::string n = TrimBlanks(typed);
    if ((!n.empty() && FindPackage(names, n) < 0) || edited) {
        b.save = listCount > 0 && !n.empty();
        b.del = false;
    } else {
        b.save = false;
        b.del = names.size() > 1 && !n.empty();
    }
    return b;
}

std::string SavePackage(pugi::xml_node romPackages, const std::string& name, const RomFileList& files) {
    const std::string n = TrimBlanks(name);
    if (n.empty() || !romPackages) return {};
    const PackageList list = ListPackages(romPackages);
    const int at = FindPackage(list.names, n);
    pugi::xml_node package;
    if (at < 0) {
        package = romPackages.append_child("RomPackage");
        package.append_attribute("name").set_value(n.c_str());
    } else {
        package = PackageAt(romPackages, list, at);
        while (package.first_child()) package.remove_child(package.first_child());
    }
    for (const ROM_FILE& f : files) package.append_child("RomFile").text().set(f.path.c_str());
    return at < 0 ? n : list.names[at];
}

DeleteResult DeletePackage(pugi::xml_node root, const std::string& typed) {
    const std::string n = TrimBlanks(typed);
    if (n.empty()) return DeleteResult::Blank;
    pugi::xml_node models = FindChildElement(root, "Model");
    for (pugi::xml_node m = models.first_child(); m; m = m.next_sibling()) {
        if (m.type() != pugi::node_element || std::string(m.name()).rfind("Model", 0) != 0) continue;
        pugi::xml_node rm = FindChildElement(m, "RomModule");
        if (rm && SameTextNoCase(ReadAttrString(rm, "name"), n)) return DeleteResult::InUse;
    }
    pugi::xml_node packages = FindChildElement(root, "RomPackages");
    const PackageList list = ListPackages(packages);
    const int at = FindPackage(list.names, n);
    if (at < 0) return DeleteResult::NotFound;
    packages.remove_child(PackageAt(packages, list, at));
    pugi::xml_node raom = FindChildElement(FindChildElement(root, "Storages"), "RaomModule");
    if (raom && SameTextNoCase(ReadAttrString(raom, "name"), n)) WriteAttrString(raom, "name", "");
    return DeleteResult::Deleted;
}
