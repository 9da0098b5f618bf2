#include <gtest/gtest.h>
#include <errno.h>

#include <filesystem>

#include "Version.h"
#include "common/Lang.h"
#include "common/Paths.h"
#include "common/Startup.h"
#include "platform/Joystick.h"

namespace {

TEST(Startup, InitSetsUpAndDoneReleases) {
    InitCommonUtils();
    // The program folder is the folder of this executable, with its separator.
    std::string exe = std::filesystem::canonical(program_invocation_name).string();
    EXPECT_EQ(AppDir(), exe.substr(0, exe.rfind('/') + 1));
    EXPECT_EQ(VersionString, ORVIK_VERSION_TEXT);
    EXPECT_EQ(LptHandle, -1);
    // The port access is built in, so the start-up check finds both functions.
    EXPECT_NE(Inp32, nullptr);
    EXPECT_NE(Out32, nullptr);
    EXPECT_EQ(Inp32(0x379), 0xFF);  // no port open
    Out32(0x378, 0x55);             // ignored without a port
    if (HostJoystickReady()) {
        EXPECT_NE(JoyDevices, nullptr);
    }

    OpenLanguageFile("English");
    DoneCommonUtils();
    EXPECT_EQ(AppDir(), "");
    EXPECT_EQ(LangIni(), nullptr);
    EXPECT_EQ(JoyDevices, nullptr);
    EXPECT_EQ(Inp32, nullptr);
    EXPECT_EQ(Out32, nullptr);
    EXPECT_EQ(VersionString, ORVIK_VERSION_TEXT);  // lives until exit
}

TEST(Startup, EnumJoyDevicesTwiceKeepsOneList) {
    InitCommonUtils();
    EnumJoyDevices();
    ASSERT_NE(JoyDevices, nullptr);
    size_t first = JoyDevices->size();
    EnumJoyDevices();
    ASSERT_NE(JoyDevices, nullptr);
    EXPECT_EQ(JoyDevices->size(), first);
    EXPECT_EQ(JoyDevices->size(), HostJoystickEnumerate().size());
    FreeJoyDevices();
    EXPECT_EQ(JoyDevices, nullptr);
    DoneCommonUtils();
}

}  // namespace
