#include "platform/ParPort.h"

#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>

std::atomic<int> LptHandle{-1};
int LptNumber = 1;
uint16_t LptPortBase = 0x378;

const char* LptDevicePath(int number, char* buffer, int size) {
    std::snprintf(buffer, static_cast<size_t>(size), "/dev/parport%d", number - 1);
    return buffer;
}

int LptOpen(int number) {
    if (number < 1) return -1;
    char path[32];
    int fd = ::open(LptDevicePath(number, path, sizeof path), O_RDWR | O_CLOEXEC);
    if (fd < 0) return -1;
    // Exclusive, like a device opened without sharing.
    (void)::ioctl(fd, PPEXCL);
    if (::ioctl(fd, PPCLAIM) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void LptClose(int handle) {
    if (handle < 0) return;
    (void)::ioctl(handle, PPRELEASE);
    ::close(handle);
}

uint8_t ParPortRead(uint16_t port) {
    int fd = LptHandle;
    if (fd < 0 || port != static_cast<uint16_t>(LptPortBase + 1)) return 0xFF;
    unsigned char status = 0xFF;
    if (::ioctl(fd, PPRSTATUS, &status) != 0) return 0xFF;
    return status;
}

void ParPortWrite(uint16_t port, uint8_t value) {
    int fd = LptHandle;
    if (fd < 0) return;
    unsigned char v = value;
    if (port == LptPortBase)
        (void)::ioctl(fd, PPWDATA, &v);
    else if (port == static_cast<uint16_t>(LptPortBase + 2))
        (void)::ioctl(fd, PPWCONTROL, &v);
}
