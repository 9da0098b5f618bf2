#pragma once
// A 128-bit device identifier laid out in the usual four fields.
#include <cstdint>
#include <cstring>

struct Guid {
    uint32_t Data1 = 0;
    uint16_t Data2 = 0;
    uint16_t Data3 = 0;
    uint8_t Data4[8] = {};

    friend bool operator==(const Guid& a, const Guid& b) {
        return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
               std::memcmp(a.Data4, b.Data4, sizeof a.Data4) == 0;
    }
};
