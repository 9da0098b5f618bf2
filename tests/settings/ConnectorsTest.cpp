// The connector check for every occupant and answer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/settings/logic/Connectors.h"

namespace {

struct Row {
    int connector;
    int device;
    const char* connectorName;
    const char* deviceKey;
    const char* switchOff;
};

const Row kRows[] = {
    {kK3, Device::Joystick, "K3 (GPIO0)", "text.Device.Joystick", "CheckJoyK3"},
    {kK4, Device::Joystick, "K4 (GPIO1)", "text.Device.Joystick", "CheckJoyK4"},
    {kK5, Device::Joystick, "K5 (IMS-2)", "text.Device.Joystick", "CheckJoyK3"},
    {kK3, Device::Pmd32, "K3 (GPIO0)", "text.Device.Pmd32", "Check32Enable"},
    {kK5, Device::Pmd30, "K5 (IMS-2)", "text.Device.Pmd30", "Check30Enable"},
    {kK4, Device::Kzd1, "K4 (GPIO1)", "text.Device.Kzd1", "CheckKzdEnable"},
    {kK3, Device::Bt100, "K3 (GPIO0)", "text.Device.Bt100", "RbPrtNone"},
    {kK5, Device::Printer, "K5 (IMS-2)", "text.Device.Printer", "RbPrtNone"},
    {kK4, Device::Xy41xx, "K4 (GPIO1)", "text.Device.XY41xx", "RbPrtNone"},
};

TEST(CheckConnector, FreeConnectorAsksNothing) {
    ConnectorTable t;
    for (int c = 0; c < 3; ++c) {
        int asked = 0;
        EXPECT_TRUE(t.Check(c, [&](const std::string&, const std::string&) { return ++asked, false; }, nullptr));
        EXPECT_EQ(asked, 0);
    }
}

TEST(CheckConnector, EveryOccupantAndAnswer) {
    for (const Row& r : kRows)
        for (bool yes : {false, true}) {
            ConnectorTable t;
            t.Set(r.connector, r.device);
            std::string askedConnector, askedDevice;
            std::vector<std::string> switched;
            const bool allowed = t.Check(
                r.connector,
                [&](const std::string& c, const std::string& d) {
                    askedConnector = c;
                    askedDevice = d;
                    return yes;
                },
                [&](const std::string& control) { switched.push_back(control); });
            EXPECT_EQ(allowed, yes) << r.deviceKey;
            EXPECT_EQ(askedConnector, r.connectorName);
            EXPECT_EQ(askedDevice, r.deviceKey);
            if (yes) {
                ASSERT_EQ(switched.size(), 1u);
                EXPECT_EQ(switched[0], r.switchOff);
            } else {
                EXPECT_TRUE(switched.empty());
            }
        }
}

TEST(CheckConnector, OccupancyTable) {
    ConnectorTable t;
    for (int c = 0; c < 3; ++c) EXPECT_EQ(t.Occupant(c), Device::None);
    t.Set(kK4, Device::Joystick);
    EXPECT_EQ(t.Occupant(kK4), Device::Joystick);
    t.Free(kK4);
    EXPECT_EQ(t.Occupant(kK4), Device::None);
    t.Set(5, Device::Pmd32);  // no such connector
    EXPECT_EQ(t.Occupant(5), Device::None);
    EXPECT_STREQ(ConnectorName(3), "");
    EXPECT_STREQ(DeviceNameKey(0), "");
}

}  // namespace
