#include "shell/help/HelpPages.h"

#include <QFileInfo>
#include <QString>

#include <algorithm>

#include "common/ConfigLocation.h"
#include "common/Paths.h"
#include "common/Startup.h"

namespace {

std::string WithSlash(std::string dir) {
    if (!dir.empty() && dir.back() != '/') dir += '/';
    return dir;
}

bool PlainRelativeName(const std::string& name) {
    if (name.empty() || name.front() == '/' || name.find(':') != std::string::npos) return false;
    size_t from = 0;
    while (from <= name.size()) {
        const size_t to = std::min(name.find('/', from), name.size());
        if (name.compare(from, to - from, "..") == 0) return false;
        from = to + 1;
    }
    return true;
}

}  // namespace

std::vector<std::string> HelpPageFolders(const std::string& appDir, const std::string& programDir) {
    std::vector<std::string> folders;
    auto add = [&folders](const std::string& dir) {
        if (dir.empty() || dir == "/") return;
        if (std::find(folders.begin(), folders.end(), dir) == folders.end()) folders.push_back(dir);
    };
    add(WithSlash(appDir));
    if (!programDir.empty()) {
        add(WithSlash(programDir));
        add(SharedDataDir(programDir));                     // <prefix>/share/orvik/
        add(SharedDocDir(programDir));                      // where the install rules put it
    }
    return folders;
}

std::string HelpPageFolder(const std::string& name, const std::vector<std::string>& folders) {
    if (folders.empty()) return std::string();
    if (!PlainRelativeName(name)) return folders.front();
    for (const std::string& dir : folders)
        if (QFileInfo(QString::fromStdString(dir + name)).isFile()) return dir;
    return folders.front();
}

std::string HelpPageFolder(const std::string& name) {
    return HelpPageFolder(name, HelpPageFolders(AppDir(), ExecutableDir()));
}
