#include "common/Lang.h"

#include <sys/stat.h>

#include <memory>

#include "common/ConfigLocation.h"
#include "common/Paths.h"
#include "common/TextUtils.h"

namespace {
std::unique_ptr<IniFile> g_langIni;

void ReplaceFirst(std::string& text, const char* what, const std::string& with) {
    size_t p = text.find(what);
    if (p != std::string::npos) text.replace(p, 2, with);
}
}  // namespace

LangKeyParts SplitLangKey(const std::string& key) {
    LangKeyParts parts;
    size_t dot1 = key.find('.');
    if (dot1 == std::string::npos) {
        parts.kind = key;
        return parts;
    }
    parts.kind = key.substr(0, dot1);
    std::string rest = key.substr(dot1 + 1);
    size_t dot2 = rest.find('.');
    if (dot2 == std::string::npos) {
        parts.component = rest;
        return parts;
    }
    parts.component = rest.substr(0, dot2);
    parts.property = rest.substr(dot2 + 1);
    return parts;
}

std::vector<std::string> LanguageFolders() {
    std::vector<std::string> folders{AppDir() + "Lang/"};
    for (const std::string& f : ExtraLanguageFolders())
        if (f != folders.front()) folders.push_back(f);
    return folders;
}

std::string LangFilePath(const std::string& name) {
    const std::vector<std::string> folders = LanguageFolders();
    for (const std::string& folder : folders) {
        const std::string path = folder + name + ".ini";
        struct stat st{};
        if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return path;
    }
    return folders.front() + name + ".ini";
}

void OpenLanguageFile(const std::string& name) { OpenLanguageFilePath(LangFilePath(name)); }

void OpenLanguageFilePath(const std::string& path) {
    auto ini = std::make_unique<IniFile>();
    ini->Load(path);  // a missing file leaves it empty
    g_langIni = std::move(ini);
}

void CloseLanguageFile() { g_langIni.reset(); }

const IniFile* LangIni() { return g_langIni.get(); }

int LangCharset() { return g_langIni ? g_langIni->ReadInteger("Common", "Charset", 0) : 0; }

std::string LangText(const std::string& section, const std::string& key) {
    if (!g_langIni) return std::string();
    std::string text = g_langIni->ReadString(section, key);
    ConvertLineBreaks(text);
    return text;
}

std::string LangTextArg(const std::string& section, const std::string& key,
                        const std::string& arg) {
    std::string text = LangText(section, key);
    ReplaceFirst(text, "%1", arg);
    return text;
}

std::string LangTextArgs(const std::string& section, const std::string& key,
                         const std::string& arg1, const std::string& arg2) {
    std::string text = LangText(section, key);
    ReplaceFirst(text, "%1", arg1);
    ReplaceFirst(text, "%2", arg2);
    return text;
}
