#pragma once
// Plays the computer's side of the PMD-32 handshake through the
// general-purpose interface's ports: mode 2 on port A, status on port C.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "machine/pio/IifGPIO.h"
#include "machine/storage/Pmd32.h"
#include "TempFolder.h"

class Pmd32Link : public ::testing::Test {
protected:
    static constexpr uint8_t kPortA = 0x4C, kPortC = 0x4E, kControl = 0x4F;
    static constexpr uint8_t kObf = 0x80, kIbf = 0x20;
    static constexpr int kImageSize = 368640;

    void SetUp() override {
        unit = std::make_unique<Pmd32>(gpio);
        gpio.Reset(0);
        gpio.WritePort(kControl, 0xC0, 0);  // group A mode 2
    }

    void Tick(int n = 1) {
        for (int i = 0; i < n; ++i) unit->Tick(0, Pmd32::kTickCycles);
        ticks += n;
    }
    uint8_t Status() { return gpio.ReadPort(kPortC, 0); }
    // Ticks until the unit has latched a byte; false after limit ticks.
    bool WaitByte(int limit = 20000) {
        for (int i = 0; i < limit; ++i) {
            if (Status() & kIbf) return true;
            Tick();
        }
        return (Status() & kIbf) != 0;
    }
    uint8_t Recv() {
        if (!WaitByte()) {
            ADD_FAILURE() << "the unit sent nothing";
            return 0;
        }
        return gpio.ReadPort(kPortA, 0);
    }
    std::vector<uint8_t> Recv(int n) {
        std::vector<uint8_t> v;
        for (int i = 0; i < n; ++i) v.push_back(Recv());
        return v;
    }
    void Send(uint8_t value) {
        for (int i = 0; i < 1000 && !(Status() & kObf); ++i) Tick();
        EXPECT_TRUE(Status() & kObf) << "output buffer still full";
        gpio.WritePort(kPortA, value, 0);
    }
    void Connect() {
        ASSERT_EQ(Recv(), 0xAA);
        Send(0xAA);
    }
    // The letter and its parameters, then their XOR checksum (spoilt by flip).
    void Command(const std::vector<uint8_t>& bytes, uint8_t flip = 0) {
        uint8_t x = 0;
        for (uint8_t b : bytes) {
            x ^= b;
            Send(b);
        }
        Send(x ^ flip);
    }
    static std::vector<uint8_t> WithString(std::vector<uint8_t> head, const std::string& s) {
        head.push_back(static_cast<uint8_t>(s.size()));
        head.insert(head.end(), s.begin(), s.end());
        return head;
    }
    // Accept byte and result of a command that answers with a result.
    uint8_t Result() {
        EXPECT_EQ(Recv(), 0x33);
        return Recv();
    }
    // n data bytes and their checksum, which starts at start.
    std::vector<uint8_t> Data(int n, uint8_t start = 0) {
        std::vector<uint8_t> v = Recv(n);
        uint8_t x = start;
        for (uint8_t b : v) x ^= b;
        EXPECT_EQ(Recv(), x) << "checksum";
        return v;
    }
    // [length, text] and the checksum.
    std::string Text() {
        uint8_t n = Recv();
        std::vector<uint8_t> v = Recv(n);
        uint8_t x = n;
        for (uint8_t b : v) x ^= b;
        EXPECT_EQ(Recv(), x) << "checksum";
        return std::string(v.begin(), v.end());
    }

    std::string MakeImage(const std::string& name, uint32_t seed, size_t size = kImageSize) {
        std::string path = dir / name;
        TempFolder::Write(path, Pattern(size, seed));
        return path;
    }
    static size_t Offset(int track, int sector, int sectors = 36) {
        return static_cast<size_t>(track * sectors + sector) * 128;
    }

    TempFolder dir;
    IifGPIO gpio;
    std::unique_ptr<Pmd32> unit;
    long ticks = 0;
};
