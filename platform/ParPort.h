#pragma once
// Parallel-port access over Linux ppdev. The port's registers are addressed like the PC's
// I/O ports: data at the base address, status at base + 1, control at base + 2.
#include <atomic>
#include <cstdint>

// Handle of the opened parallel-port device, or -1 when none is open.
extern std::atomic<int> LptHandle;
// The parallel port's number (1 = /dev/parport0) and its I/O base address.
extern int LptNumber;
extern uint16_t LptPortBase;

// The device of a port number: "/dev/parport" + (number - 1).
const char* LptDevicePath(int number, char* buffer, int size);
// Opens and claims the port's device for reading and writing; its handle, or -1.
int LptOpen(int number);
// Releases and closes a handle from LptOpen.
void LptClose(int handle);

// Byte read from an I/O port: the status register of the open port at LptPortBase + 1,
// FFh for any other address or while no port is open.
uint8_t ParPortRead(uint16_t port);
// Byte write to an I/O port: the data register at LptPortBase, the control register at
// LptPortBase + 2; ignored for other addresses or while no port is open.
void ParPortWrite(uint16_t port, uint8_t value);

// Register access to a parallel port, as the printer pass-through uses it;
// tests stand a recording fake in.
class ParPortIo {
public:
    virtual ~ParPortIo() = default;
    // True while the port is open and can be driven.
    virtual bool IsOpen() const = 0;
    virtual uint8_t Read(uint16_t port) = 0;
    virtual void Write(uint16_t port, uint8_t value) = 0;
};
