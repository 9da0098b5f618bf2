#pragma once
// The .prc layout shared by the recording, playback and compaction sources:
// header and block sizes, little-endian fields, path pieces.
#include <cstdint>
#include <string>

namespace prc_format {

constexpr int64_t kMaxFileSize = INT32_MAX;  // offsets are stored in 32 bits
constexpr int kHeaderBytes = 4;
constexpr int kBlockHeader = 5;
constexpr int kActionHeader = 9;
constexpr int kChunkHeader = 6;

inline uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t Get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}
inline void Put16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void Put32(uint8_t* p, uint32_t v) {
    Put16(p, v);
    Put16(p + 2, v >> 16);
}

inline std::string BaseName(const std::string& p) {
    const size_t slash = p.rfind('/');
    return slash == std::string::npos ? p : p.substr(slash + 1);
}

inline std::string FolderOf(const std::string& p) {
    const size_t slash = p.rfind('/');
    return slash == std::string::npos ? std::string() : p.substr(0, slash + 1);
}

}  // namespace prc_format
