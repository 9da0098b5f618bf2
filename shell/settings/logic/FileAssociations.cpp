#include "shell/settings/logic/FileAssociations.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <vector>

#include "common/Files.h"

extern char** environ;

namespace {

struct TypeInfo {
    const char* ext;        // without the dot
    const char* className;
    // The first bytes that tell the file from another program's of the same
    // extension (as the installed MIME package has them), or none.
    const char* magic;
};
const TypeInfo kTypes[kAssociationCount] = {
    {"pmd", "OrvikTapeFile",
     "\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff"
     "\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00"
     "UUUUUUUUUUUUUUUU"},
    {"ptp", "OrvikTapeFile", nullptr},
    {"psn", "OrvikSnapFile", nullptr},
    {"prc", "OrvikActionRecordingFile", "PRC\\x01"}};

std::string ExtKey(int i) { return std::string("\\.") + kTypes[i].ext; }
std::string ClassKey(const std::string& c) { return "\\" + c; }
std::string CommandKey(const std::string& c) { return "\\" + c + "\\shell\\open\\command"; }
std::string Command(const std::string& exe) { return "\"" + exe + "\" \"%1\""; }

// Writes a class with its command and icon keys, each when its key opens.
void WriteClass(AssociationStore& s, const std::string& c, const std::string& description, const std::string& exe,
                const char* icon) {
    if (s.OpenKey(ClassKey(c), true)) s.WriteDefault(ClassKey(c), description);
    if (s.OpenKey(CommandKey(c), true)) s.WriteDefault(CommandKey(c), Command(exe));
    const std::string iconKey = "\\" + c + "\\DefaultIcon";
    if (s.OpenKey(iconKey, true)) s.WriteDefault(iconKey, exe + icon);
}

void DeleteClass(AssociationStore& s, const std::string& c) {
    s.DeleteKey("\\" + c + "\\shell\\open\\command");
    s.DeleteKey("\\" + c + "\\shell\\open");
    s.DeleteKey("\\" + c + "\\shell");
    s.DeleteKey("\\" + c + "\\DefaultIcon");
    s.DeleteKey("\\" + c);
}

// The tape types (0, 1): write the extension key; true when it was written.
bool UpdateTape(AssociationStore& s, AssociationBoxes& b, int i, bool& removed) {
    if (b.checked[i]) {
        if (s.OpenKey(ExtKey(i), true)) {
            s.WriteDefault(ExtKey(i), kTypes[i].className);
            b.tag[i] = 1;
            return true;
        }
    } else if (b.tag[i] == 1) {
        s.DeleteKey(ExtKey(i));
        b.tag[i] = 0;
        removed = true;
    }
    return false;
}

void UpdateOwnClass(AssociationStore& s, AssociationBoxes& b, int i, const char* description, const char* icon,
                    const std::string& exe) {
    const std::string c = kTypes[i].className;
    if (b.checked[i]) {
        if (s.OpenKey(ExtKey(i), true)) {
            s.WriteDefault(ExtKey(i), c);
            b.tag[i] = 1;
        }
        WriteClass(s, c, description, exe, icon);
    } else if (b.tag[i] == 1) {
        s.DeleteKey(ExtKey(i));
        DeleteClass(s, c);
        b.tag[i] = 0;
    }
}

}  // namespace

void ReadAssociations(AssociationStore& store, AssociationBoxes& boxes) {
    for (int i = 0; i < kAssociationCount; ++i) {
        boxes.checked[i] = false;
        boxes.tag[i] = 0;
        std::string value;
        if (!store.OpenKey(ExtKey(i), false) || !store.ReadDefault(ExtKey(i), value)) continue;
        if (value == kTypes[i].className && store.OpenKey(CommandKey(kTypes[i].className), false)) {
            boxes.checked[i] = true;
            boxes.tag[i] = 1;
        }
    }
}

void UpdateAssociations(AssociationStore& store, AssociationBoxes& boxes, const std::string& exe) {
    bool pmdRemoved = false, ptpRemoved = false;
    bool tapeNeeded = UpdateTape(store, boxes, 0, pmdRemoved);
    tapeNeeded = UpdateTape(store, boxes, 1, ptpRemoved) || tapeNeeded;
    UpdateOwnClass(store, boxes, 2, "Orvik Snap File", ",1", exe);
    UpdateOwnClass(store, boxes, 3, "Orvik Action Recording File", ",3", exe);
    if (tapeNeeded) {
        WriteClass(store, "OrvikTapeFile", "Orvik Tape File", exe, ",2");
    } else if (pmdRemoved && ptpRemoved) {
        DeleteClass(store, "OrvikTapeFile");
        boxes.tag[0] = boxes.tag[1] = 0;
    }
    store.Release();
}

// ---- freedesktop store -----------------------------------------------------

namespace {

const char* const kClasses[3] = {"OrvikTapeFile", "OrvikSnapFile", "OrvikActionRecordingFile"};
const char* const kMimeNs = "http://www.freedesktop.org/standards/shared-mime-info";
const char* const kClassMark = "<!-- orvik-class: ";

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Key=value lines of a desktop entry.
std::map<std::string, std::string> DesktopValues(const std::string& text) {
    std::map<std::string, std::string> values;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        const size_t eq = line.find('=');
        if (eq != std::string::npos && line[0] != '#' && line[0] != '[') values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return values;
}

std::string DesktopEscape(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\n') out += "\\n";
        else if (c == '\\') out += "\\\\";
        else out += c;
    }
    return out;
}
std::string DesktopUnescape(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            ++i;
            out += s[i] == 'n' ? '\n' : s[i];
        } else {
            out += s[i];
        }
    }
    return out;
}

std::string XmlEscape(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '&') out += "&amp;";
        else if (c == '<') out += "&lt;";
        else if (c == '>') out += "&gt;";
        else if (c == '"') out += "&quot;";
        else out += c;
    }
    return out;
}

// Exec line of a stored command: the quoted program followed by "%f".
std::string ExecLine(const std::string& command) {
    std::string exec = command;
    const size_t at = exec.find("\"%1\"");
    if (at != std::string::npos) exec.replace(at, 4, "%f");
    return exec;
}

void RunTool(const char* tool, const std::string& folder) {
    std::vector<char*> args{const_cast<char*>(tool), const_cast<char*>(folder.c_str()), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, tool, nullptr, nullptr, args.data(), environ) != 0) return;  // not installed
    int status = 0;
    waitpid(pid, &status, 0);
}

}  // namespace

XdgAssociationStore::XdgAssociationStore(std::string home) : dataHome(std::move(home)) {
    if (!dataHome.empty() && dataHome.back() == '/') dataHome.pop_back();
    Load();
}

std::string XdgAssociationStore::DefaultDataHome() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && *xdg == '/') return xdg;
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.local/share";
}

std::string XdgAssociationStore::DesktopFile(const std::string& className) const {
    return dataHome + "/applications/orvik-" + Lower(className) + ".desktop";
}

std::string XdgAssociationStore::MimeFile(const std::string& extension) const {
    return dataHome + "/mime/packages/orvik-" + Lower(extension) + ".xml";
}

void XdgAssociationStore::Load() {
    keys.clear();
    for (int i = 0; i < kAssociationCount; ++i) {
        const std::string text = ReadWhole(MimeFile(kTypes[i].ext));
        if (text.empty()) continue;
        std::string value;
        const size_t at = text.find(kClassMark);
        if (at != std::string::npos) {
            const size_t from = at + std::string(kClassMark).size();
            const size_t end = text.find(" -->", from);
            if (end != std::string::npos) value = text.substr(from, end - from);
        }
        keys[ExtKey(i)] = value;
    }
    for (const char* c : kClasses) {
        const std::string text = ReadWhole(DesktopFile(c));
        if (text.empty()) continue;
        auto v = DesktopValues(text);
        keys[ClassKey(c)] = DesktopUnescape(v["X-Orvik-Description"]);
        const std::string base = ClassKey(c);
        if (v.count("X-Orvik-Shell")) keys[base + "\\shell"] = "";
        if (v.count("X-Orvik-Open")) keys[base + "\\shell\\open"] = "";
        if (v.count("X-Orvik-Command")) keys[base + "\\shell\\open\\command"] = DesktopUnescape(v["X-Orvik-Command"]);
        if (v.count("X-Orvik-DefaultIcon")) keys[base + "\\DefaultIcon"] = DesktopUnescape(v["X-Orvik-DefaultIcon"]);
    }
}

bool XdgAssociationStore::OpenKey(const std::string& key, bool create) {
    if (keys.count(key)) return true;
    if (!create) return false;
    // Creating a key makes its parents too.
    for (size_t at = key.find('\\', 1); at != std::string::npos; at = key.find('\\', at + 1))
        if (!keys.count(key.substr(0, at))) keys[key.substr(0, at)] = "";
    keys[key] = "";
    dirty = true;
    return true;
}

bool XdgAssociationStore::ReadDefault(const std::string& key, std::string& value) {
    auto it = keys.find(key);
    if (it == keys.end()) return false;
    value = it->second;
    return true;
}

void XdgAssociationStore::WriteDefault(const std::string& key, const std::string& value) {
    keys[key] = value;
    dirty = true;
}

void XdgAssociationStore::DeleteKey(const std::string& key) {
    if (keys.erase(key)) dirty = true;
}

void XdgAssociationStore::Release() {
    if (!dirty) return;
    dirty = false;
    std::error_code ec;
    bool mimeChanged = false, desktopChanged = false;
    for (int i = 0; i < kAssociationCount; ++i) {
        const std::string file = MimeFile(kTypes[i].ext);
        auto it = keys.find(ExtKey(i));
        if (it == keys.end()) {
            if (std::filesystem::remove(file, ec)) mimeChanged = true;
            continue;
        }
        std::string comment = std::string("Orvik .") + kTypes[i].ext + " file";
        auto cls = keys.find(ClassKey(it->second));
        if (cls != keys.end() && !cls->second.empty()) comment = cls->second;
        std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
        xml += std::string(kClassMark) + XmlEscape(it->second) + " -->\n";
        xml += std::string("<mime-info xmlns=\"") + kMimeNs + "\">\n";
        xml += std::string("  <mime-type type=\"application/x-orvik-") + kTypes[i].ext + "\">\n";
        xml += "    <comment>" + XmlEscape(comment) + "</comment>\n";
        if (kTypes[i].magic)
            xml += std::string("    <magic priority=\"60\">\n      <match type=\"string\" offset=\"0\" value=\"") +
                   kTypes[i].magic + "\"/>\n    </magic>\n";
        xml += std::string("    <glob pattern=\"*.") + kTypes[i].ext + "\"/>\n";
        xml += "  </mime-type>\n</mime-info>\n";
        std::filesystem::create_directories(dataHome + "/mime/packages", ec);
        if (ReadWhole(file) != xml && ReplaceFileContents(file, xml)) mimeChanged = true;
    }
    for (const char* c : kClasses) {
        const std::string file = DesktopFile(c);
        const std::string base = ClassKey(c);
        auto it = keys.find(base);
        if (it == keys.end()) {
            if (std::filesystem::remove(file, ec)) desktopChanged = true;
            continue;
        }
        std::string mimeTypes;
        for (int i = 0; i < kAssociationCount; ++i) {
            auto e = keys.find(ExtKey(i));
            if (e != keys.end() && e->second == c) mimeTypes += std::string("application/x-orvik-") + kTypes[i].ext + ";";
        }
        std::string d = "[Desktop Entry]\nType=Application\n";
        d += "Name=" + DesktopEscape(it->second.empty() ? std::string(c) : it->second) + "\n";
        d += "NoDisplay=true\n";
        auto cmd = keys.find(base + "\\shell\\open\\command");
        if (cmd != keys.end()) d += "Exec=" + DesktopEscape(ExecLine(cmd->second)) + "\n";
        if (!mimeTypes.empty()) d += "MimeType=" + mimeTypes + "\n";
        d += "X-Orvik-Description=" + DesktopEscape(it->second) + "\n";
        if (keys.count(base + "\\shell")) d += "X-Orvik-Shell=1\n";
        if (keys.count(base + "\\shell\\open")) d += "X-Orvik-Open=1\n";
        if (cmd != keys.end()) d += "X-Orvik-Command=" + DesktopEscape(cmd->second) + "\n";
        auto icon = keys.find(base + "\\DefaultIcon");
        if (icon != keys.end()) d += "X-Orvik-DefaultIcon=" + DesktopEscape(icon->second) + "\n";
        std::filesystem::create_directories(dataHome + "/applications", ec);
        if (ReadWhole(file) != d && ReplaceFileContents(file, d)) desktopChanged = true;
    }
    if (!runRefreshTools) return;
    if (mimeChanged) RunTool("update-mime-database", dataHome + "/mime");
    if (desktopChanged) RunTool("update-desktop-database", dataHome + "/applications");
}
