#include "shell/romfolder/logic/RomFolderPlan.h"

#include <algorithm>
#include <cstdint>
#include <set>

#include "common/Config.h"
#include "common/Files.h"
#include "common/Lang.h"
#include "common/Paths.h"
#include "machine/core/ChangeCodes.h"
#include "machine/core/ModelCapabilities.h"
#include "machine/owner/MachineBuilder.h"
#include "shell/settings/logic/RomPackages.h"

namespace {

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}

bool ValidUtf8(const std::string& s) {
    size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        size_t n = 0;
        uint32_t cp = 0;
        if (c < 0x80) {
            ++i;
            continue;
        }
        if ((c & 0xE0) == 0xC0) {
            n = 1;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            n = 2;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            n = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + n >= s.size()) return false;
        for (size_t k = 1; k <= n; ++k) {
            const unsigned char d = static_cast<unsigned char>(s[i + k]);
            if ((d & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (d & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF.
        if ((n == 1 && cp < 0x80) || (n == 2 && cp < 0x800) || (n == 3 && cp < 0x10000) || cp > 0x10FFFF ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += n + 1;
    }
    return true;
}

// A text that an XML element can hold and give back unchanged.
bool XmlKeeps(const std::string& s) {
    for (char ch : s) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F) return false;
    }
    return ValidUtf8(s);
}

std::string WithoutExtension(const std::string& name) {
    const size_t dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

pugi::xml_node ModelElement(pugi::xml_node root, int model) {
    return FindChildElement(FindChildElement(root, "Model"), MachineBuilder::ModelName(model));
}

// The RomFile texts of a package, in order.
std::vector<std::string> PackageFiles(pugi::xml_node package) {
    std::vector<std::string> files;
    for (pugi::xml_node e = package.first_child(); e; e = e.next_sibling())
        if (e.type() == pugi::node_element && std::string(e.name()) == "RomFile") files.push_back(ReadElementText(e));
    return files;
}

bool RaomInserted(pugi::xml_node root) {
    return ReadAttrBool(FindChildElement(FindChildElement(root, "Storages"), "RaomModule"), "inserted", false);
}

}  // namespace

std::string StorableRomPath(const std::string& path) {
    if (path.empty() || path[0] != '/' || !XmlKeeps(path)) return {};
    const std::string relative = MakeRelativePath(path);
    // "-" is a gap in a package, "..." no file; a backslash of a relative path reads as '/'.
    if (relative != path && relative != "-" && relative != "..." && !relative.empty() &&
        StoredPathAbsolute(relative) == path)
        return relative;
    return StoredPathAbsolute(path) == path ? path : std::string();
}

bool ModelHasMonitorRom(pugi::xml_node root, int model) {
    if (!IsModelIndex(model)) return false;
    const std::string text = ReadElementText(FindChildElement(ModelElement(root, model), "RomFile"));
    if (text.empty() || text == "...") return false;
    return GetFileSizeByName(StoredPathAbsolute(text)) > 0;
}

bool RomFolderPlan::HasWork() const {
    if (switchModel >= 0) return true;
    for (const RomFolderRow& r : rows) {
        if (r.kind == RomFolderRow::Kind::Monitor) return true;
        if (r.kind == RomFolderRow::Kind::Module && (!r.packageExists || (r.plugDefault && r.pluggedNow != r.package)))
            return true;
    }
    return false;
}

RomFolderPlan PlanRomFolder(const RomScanResult& scan, pugi::xml_node root) {
    using Kind = RomFolderRow::Kind;
    RomFolderPlan plan;
    plan.folderRead = scan.folderRead;
    plan.currentModel = MachineBuilder::ModelIndex(ReadAttrString(FindChildElement(root, "Model"), "current"));
    const bool raom = RaomInserted(root);
    pugi::xml_node packages = FindChildElement(root, "RomPackages");
    const PackageList existing = ListPackages(packages);
    std::set<std::string> taken;  // lower-case package names, the document's and the plan's
    for (const std::string& n : existing.names) taken.insert(Lower(n));
    std::set<int> plugChosen;  // models whose first offered module is checked

    for (const RecognisedRom& found : scan.recognised) {
        RomFolderRow row;
        row.path = found.path;
        row.rom = found.rom;
        row.model = MachineBuilder::ModelIndex(found.rom.model);
        const bool monitor = found.rom.kind == "monitor", module = found.rom.kind == "module";
        if (row.model < 0 || (!monitor && !module)) {
            row.kind = Kind::Known;
            plan.rows.push_back(std::move(row));
            continue;
        }
        row.stored = StorableRomPath(found.path);
        if (monitor) {
            const auto first = scan.monitors.find(found.rom.model);
            if (first == scan.monitors.end() || first->second.path != found.path)
                row.kind = Kind::MonitorSpare;
            else if (row.stored.empty())
                row.kind = Kind::Unstorable;
            else if (!MachineBuilder::MonitorRomFits(row.model, found.rom.size))
                row.kind = Kind::MonitorSize;
            else if (ReadElementText(FindChildElement(ModelElement(root, row.model), "RomFile")) == row.stored)
                row.kind = Kind::MonitorSame;
            else
                row.kind = Kind::Monitor;
            plan.rows.push_back(std::move(row));
            continue;
        }
        const bool chosen = std::any_of(scan.basicModules.begin(), scan.basicModules.end(),
                                        [&](const RecognisedRom& m) { return m.path == found.path; });
        int32_t status = 1;
        if (!chosen) {
            row.kind = Kind::ModuleSpare;
        } else if (row.stored.empty()) {
            row.kind = Kind::Unstorable;
        } else if (CheckRomFile(found.path, status), status != 0) {
            row.kind = Kind::ModuleBad;
        } else {
            row.kind = Kind::Module;
            // Named after the module; an equal package of that name is taken as it is, a
            // different one keeps its name and the new one gets a number.
            const std::string base = WithoutExtension(found.rom.name).empty() ? found.rom.name
                                                                               : WithoutExtension(found.rom.name);
            for (int n = 1; n < 1000 && row.package.empty(); ++n) {
                const std::string name = n == 1 ? base : base + " (" + std::to_string(n) + ")";
                const int at = FindPackage(existing.names, name);
                if (at >= 0 && PackageFiles(PackageAt(packages, existing, at)) == std::vector<std::string>{row.stored}) {
                    row.package = existing.names[at];
                    row.packageExists = true;
                } else if (!taken.count(Lower(name))) {
                    row.package = name;
                    taken.insert(Lower(name));
                }
            }
            if (row.package.empty()) row.kind = Kind::ModuleBad;
            row.plugOffered = row.kind == Kind::Module && Capabilities(row.model).romModule;
            if (row.plugOffered) {
                pugi::xml_node rm = FindChildElement(ModelElement(root, row.model), "RomModule");
                const std::string now = ReadAttrString(rm, "name");
                const bool inserted = ReadAttrBool(rm, "inserted", false);
                if (inserted) row.pluggedNow = now;
                // A module the user already plugged with another package stays as it is;
                // so does a model whose RAOM module would have to come out.
                const bool otherPlugged = inserted && !now.empty() && FindPackage(existing.names, now) >= 0 &&
                                          Lower(now) != Lower(row.package);
                const bool raomInTheWay = raom && row.model == plan.currentModel;
                // A package made by an earlier run and left out of the module then stays out.
                const bool leftOut = row.packageExists && Lower(now) != Lower(row.package);
                const bool pluggedAlready = row.packageExists && inserted && Lower(now) == Lower(row.package);
                row.plugDefault = pluggedAlready ||
                                  (!otherPlugged && !raomInTheWay && !leftOut && !plugChosen.count(row.model));
                if (row.plugDefault) plugChosen.insert(row.model);
            }
        }
        plan.rows.push_back(std::move(row));
    }
    for (const std::string& path : scan.unknown) {
        RomFolderRow row;
        row.kind = Kind::Unknown;
        row.path = path;
        plan.rows.push_back(std::move(row));
    }
    for (const SkippedFile& s : scan.skipped) {
        RomFolderRow row;
        row.kind = Kind::Skipped;
        row.path = s.path;
        row.skip = s.reason;
        plan.rows.push_back(std::move(row));
    }
    std::stable_sort(plan.rows.begin(), plan.rows.end(),
                     [](const RomFolderRow& a, const RomFolderRow& b) { return a.path < b.path; });

    // A current model left without a monitor ROM gives way to one that has one.
    auto setHere = [&](int model) {
        return std::any_of(plan.rows.begin(), plan.rows.end(),
                           [&](const RomFolderRow& r) { return r.kind == Kind::Monitor && r.model == model; });
    };
    if (!setHere(plan.currentModel) && !ModelHasMonitorRom(root, plan.currentModel)) {
        for (int m = 0; m < kModelCount && plan.switchModel < 0; ++m)
            if (setHere(m)) plan.switchModel = m;
        for (int m = 0; m < kModelCount && plan.switchModel < 0; ++m)
            if (m != plan.currentModel && ModelHasMonitorRom(root, m)) plan.switchModel = m;
    }
    return plan;
}

std::vector<int> ApplyRomFolderPlan(pugi::xml_node root, const RomFolderPlan& plan, const std::vector<bool>& plug,
                                    bool& changed) {
    using Kind = RomFolderRow::Kind;
    changed = false;
    std::set<int> codes;
    if (!root) return {};
    pugi::xml_node models = ChildForWrite(root, "Model");
    int current = MachineBuilder::ModelIndex(ReadAttrString(models, "current"));
    for (const RomFolderRow& r : plan.rows) {
        if (r.kind != Kind::Monitor) continue;
        pugi::xml_node rom = ChildForWrite(ChildForWrite(models, MachineBuilder::ModelName(r.model)), "RomFile");
        if (ReadElementText(rom) == r.stored) continue;
        WriteElementText(rom, r.stored);
        changed = true;
        if (r.model == current) codes.insert(ChangeCode::Model);
    }
    // The switch is made before the modules, so that the new current model's module and
    // the RAOM module are never plugged in together either.
    if (IsModelIndex(plan.switchModel) && plan.switchModel != current &&
        ModelHasMonitorRom(root, plan.switchModel)) {
        WriteAttrString(models, "current", MachineBuilder::ModelName(plan.switchModel));
        current = plan.switchModel;
        changed = true;
        codes.insert(ChangeCode::Model);
    }
    for (size_t i = 0; i < plan.rows.size(); ++i) {
        const RomFolderRow& r = plan.rows[i];
        if (r.kind != Kind::Module) continue;
        pugi::xml_node packages = ChildForWrite(root, "RomPackages");
        std::string name = r.package;
        const PackageList list = ListPackages(packages);
        const int at = FindPackage(list.names, name);
        const bool equal = at >= 0 && PackageFiles(PackageAt(packages, list, at)) == std::vector<std::string>{r.stored};
        if (!equal) {
            if (at >= 0) continue;  // the name was taken since the plan was made: never refill a user's package
            ROM_FILE f;
            f.path = r.stored;
            name = SavePackage(packages, name, {f});
            if (name.empty()) continue;
            changed = true;
        }
        if (!r.plugOffered || i >= plug.size() || !plug[i]) continue;
        pugi::xml_node rm = ChildForWrite(ChildForWrite(models, MachineBuilder::ModelName(r.model)), "RomModule");
        const bool was = ReadAttrBool(rm, "inserted", false);
        if (!was || ReadAttrString(rm, "name") != name) {
            WriteAttrBool(rm, "inserted", 1);
            WriteAttrString(rm, "name", name);
            changed = true;
            if (r.model == current) {
                codes.insert(ChangeCode::RomModule);
                if (!was) codes.insert(ChangeCode::RomModuleInserted);
            }
        }
        // A ROM module and a RAOM module are never plugged in together.
        pugi::xml_node raom = FindChildElement(FindChildElement(root, "Storages"), "RaomModule");
        if (r.model == current && ReadAttrBool(raom, "inserted", false)) {
            WriteAttrBool(raom, "inserted", 0);
            changed = true;
            codes.insert(ChangeCode::Raom);
        }
    }
    return {codes.begin(), codes.end()};
}

std::string RomNameTexts::Kind(const std::string& kind) const {
    if (kind == "monitor") return monitor;
    if (kind == "module") return module;
    if (kind == "device") return device;
    return rom;
}

RomNameTexts LoadRomNameTexts(const std::string& section) {
    RomNameTexts t;
    auto take = [&](const char* key, std::string& value) {
        const std::string text = LangText(section, key);
        if (!text.empty()) value = text;
    };
    take("text.RomName.OfModel", t.ofModel);
    take("text.RomName.Unsorted", t.unsorted);
    take("text.RomKind.Monitor", t.monitor);
    take("text.RomKind.Module", t.module);
    take("text.RomKind.Device", t.device);
    take("text.RomKind.Rom", t.rom);
    take("text.RomName.Unknown", t.unknown);
    return t;
}

namespace {
std::string Fill(std::string pattern, const std::string& a1, const std::string& a2) {
    const size_t p1 = pattern.find("%1");
    if (p1 != std::string::npos) pattern.replace(p1, 2, a1);
    const size_t p2 = pattern.find("%2", p1 == std::string::npos ? 0 : p1 + a1.size());
    if (p2 != std::string::npos) pattern.replace(p2, 2, a2);
    return pattern;
}
}  // namespace

std::string RomDisplayName(const KnownRom& rom, const std::string& modelCaption, const RomNameTexts& t) {
    if (!modelCaption.empty()) return Fill(t.ofModel, modelCaption, t.Kind(rom.kind));
    return Fill(t.unsorted, rom.name, t.Kind(rom.kind));
}
