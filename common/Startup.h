#pragma once
// Process-wide resources of the common services, set up by InitCommonUtils and released by
// DoneCommonUtils (the file dialogs are added by the Qt layer's overloads).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Guid.h"
#include "platform/ParPort.h"

// The program version; "2.x.y.z" until InitCommonUtils sets the built version.
extern std::string VersionString;

// One attached game controller.
struct JoyDevice {
    Guid InstanceGuid;
    std::string InstanceName;
};

// The host controllers, or none (nullptr) before EnumJoyDevices and after FreeJoyDevices.
extern std::unique_ptr<std::vector<JoyDevice>> JoyDevices;

// The port-I/O functions; the start-up check requires both.
using Inp32Fn = uint8_t (*)(uint16_t port);
using Out32Fn = void (*)(uint16_t port, uint8_t value);
extern Inp32Fn Inp32;
extern Out32Fn Out32;

// The folder part of the running executable's path with a trailing '/'; empty when unknown.
std::string ExecutableDir();

// AppDir from the executable, the host controllers, VersionString, LptHandle := -1 and
// the port-I/O functions.
void InitCommonUtils();
// Releases what InitCommonUtils, EnumJoyDevices and the language loading created.
void DoneCommonUtils();
// A function that DoneCommonUtils calls first (the Qt layer frees its file dialogs there).
using CommonUtilsDoneHook = void (*)();
void SetCommonUtilsDoneHook(CommonUtilsDoneHook hook);

// Rebuilds JoyDevices from the controllers attached now (an empty list without a
// joystick subsystem).
void EnumJoyDevices();
// JoyDevices becomes none.
void FreeJoyDevices();
