#pragma once
// Small tape images built byte by byte for the tests.
#include <cstdint>
#include <string>
#include <vector>

#include "tests/common/TestTempDir.h"

namespace tapefix {

using Bytes = std::vector<uint8_t>;

inline uint8_t Sum(const Bytes& b, size_t from = 0, size_t n = SIZE_MAX) {
    uint8_t s = 0;
    for (size_t i = from; i < b.size() && i - from < n; ++i) s = static_cast<uint8_t>(s + b[i]);
    return s;
}

inline void Word(Bytes& out, unsigned w) {
    out.push_back(static_cast<uint8_t>(w));
    out.push_back(static_cast<uint8_t>(w >> 8));
}

inline void Append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

// The 63-byte header part: sync runs, number, type, start, length field,
// 8-character name and the header sum (plus headSumDelta to spoil it).
inline Bytes HeaderPart(uint8_t number, uint8_t type, uint16_t start, uint16_t lengthField, const char* name,
                        int headSumDelta = 0) {
    Bytes p(16, 0xFF);
    p.insert(p.end(), 16, 0x00);
    p.insert(p.end(), 16, 0x55);
    p.push_back(number);
    p.push_back(type);
    Word(p, start);
    Word(p, lengthField);
    bool ended = false;
    for (int i = 0; i < 8; ++i) {
        ended = ended || name[i] == 0;
        p.push_back(static_cast<uint8_t>(ended ? ' ' : name[i]));
    }
    p.push_back(static_cast<uint8_t>(Sum(p, 48, 14) + headSumDelta));
    return p;
}

// Data bytes followed by their sum (plus delta).
inline Bytes Body(const Bytes& data, int sumDelta = 0) {
    Bytes b = data;
    b.push_back(static_cast<uint8_t>(Sum(data) + sumDelta));
    return b;
}

inline Bytes Data(size_t n, uint8_t seed = 1) {
    Bytes d;
    for (size_t i = 0; i < n; ++i) d.push_back(static_cast<uint8_t>(seed + i * 7));
    return d;
}

// PTP records of a header block.
inline Bytes PtpHeaderBlock(const Bytes& part, const Bytes& body) {
    Bytes out;
    Word(out, 63);
    Append(out, part);
    Word(out, static_cast<unsigned>(body.size()));
    Append(out, body);
    return out;
}

inline Bytes PtpRecord(const Bytes& data) {
    Bytes out;
    Word(out, static_cast<unsigned>(data.size()));
    Append(out, data);
    return out;
}

inline std::string Str(const Bytes& b) { return std::string(b.begin(), b.end()); }
inline Bytes FromStr(const std::string& s) { return Bytes(s.begin(), s.end()); }

}  // namespace tapefix
