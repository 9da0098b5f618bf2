#include "common/Startup.h"

#include <unistd.h>

#include <climits>

#include "Version.h"
#include "common/Lang.h"
#include "common/Paths.h"
#include "platform/Joystick.h"

std::string VersionString = "2.x.y.z";
std::unique_ptr<std::vector<JoyDevice>> JoyDevices;
Inp32Fn Inp32 = nullptr;
Out32Fn Out32 = nullptr;

namespace {
CommonUtilsDoneHook g_doneHook = nullptr;
}

void SetCommonUtilsDoneHook(CommonUtilsDoneHook hook) { g_doneHook = hook; }

std::string ExecutableDir() {
    char buf[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return std::string();
    std::string path(buf, static_cast<size_t>(n));
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return std::string();
    return path.substr(0, slash + 1);
}

void InitCommonUtils() {
    ClearAppDir();
    std::string dir = ExecutableDir();
    if (!dir.empty()) SetAppDir(dir);

    if (HostJoystickInit()) EnumJoyDevices();

    VersionString = ORVIK_VERSION_TEXT;

    LptHandle = -1;

    // Port access is built in.
    Inp32 = &ParPortRead;
    Out32 = &ParPortWrite;
}

void DoneCommonUtils() {
    if (g_doneHook) g_doneHook();
    ClearAppDir();
    CloseLanguageFile();
    FreeJoyDevices();
    HostJoystickDone();
    Inp32 = nullptr;
    Out32 = nullptr;
    int h = LptHandle.exchange(-1);
    if (h != -1) LptClose(h);
}

void EnumJoyDevices() {
    FreeJoyDevices();
    auto list = std::make_unique<std::vector<JoyDevice>>();
    for (const HostJoystickInfo& info : HostJoystickEnumerate())
        list->push_back(JoyDevice{info.instanceGuid, info.name});
    JoyDevices = std::move(list);
}

void FreeJoyDevices() { JoyDevices.reset(); }
