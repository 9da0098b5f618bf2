#include <gtest/gtest.h>

#include "platform/ParPort.h"

namespace {

TEST(ParPort, DevicePathOfPortNumber) {
    char buf[32];
    EXPECT_STREQ(LptDevicePath(1, buf, sizeof buf), "/dev/parport0");
    EXPECT_STREQ(LptDevicePath(3, buf, sizeof buf), "/dev/parport2");
}

TEST(ParPort, NoPortNoAccess) {
    EXPECT_EQ(LptHandle, -1);
    EXPECT_EQ(LptNumber, 1);
    EXPECT_EQ(LptPortBase, 0x378);
    EXPECT_EQ(LptOpen(0), -1);
    EXPECT_EQ(LptOpen(-3), -1);
    EXPECT_EQ(LptOpen(200), -1);  // no such device
    EXPECT_EQ(ParPortRead(0x379), 0xFF);
    ParPortWrite(0x378, 0x12);  // ignored
    ParPortWrite(0x37A, 0x12);
    LptClose(-1);
}

}  // namespace
