#include "tools/tape/TapeBlock.h"

#include <unistd.h>

TempSource::~TempSource() {
    if (!path_.empty()) ::unlink(path_.c_str());
}

std::array<uint8_t, 15> TapeBlock::HeaderBytes() const {
    std::array<uint8_t, 15> b{};
    b[0] = number;
    b[1] = type;
    b[2] = static_cast<uint8_t>(start);
    b[3] = static_cast<uint8_t>(start >> 8);
    b[4] = static_cast<uint8_t>(length);
    b[5] = static_cast<uint8_t>(length >> 8);
    for (int i = 0; i < 8; ++i) b[6 + i] = name[i];
    b[14] = headSum;
    return b;
}

void TapeBlock::SetHeaderBytes(const uint8_t* b) {
    number = b[0];
    type = b[1];
    start = static_cast<uint16_t>(b[2] | (b[3] << 8));
    length = static_cast<uint16_t>(b[4] | (b[5] << 8));
    for (int i = 0; i < 8; ++i) name[i] = b[6 + i];
    headSum = b[14];
}

void TapeBlock::RecomputeHeadSum() {
    const auto b = HeaderBytes();
    uint8_t s = 0;
    for (int i = 0; i < 14; ++i) s = static_cast<uint8_t>(s + b[i]);
    headSum = s;
}

void TapeBlock::ApplyFields(const TapeHeaderFields& f) {
    number = f.number;
    type = f.type;
    start = f.start;
    name = f.name;
}
