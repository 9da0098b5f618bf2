#pragma once
// One block of the tape browser's list: the header fields, sums, where its
// bytes lie in its source file, and its flags. A block holds no data bytes.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A file made by the program to hold an added block's bytes (a BASIC
// import). Deleted when the last block that refers to it goes away.
class TempSource {
public:
    explicit TempSource(std::string path) : path_(std::move(path)) {}
    ~TempSource();
    TempSource(const TempSource&) = delete;
    TempSource& operator=(const TempSource&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// The fields a user gives in the tape-header editor.
struct TapeHeaderFields {
    uint8_t number = 0;
    uint8_t type = '?';
    uint16_t start = 0;
    std::array<uint8_t, 8> name{' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
};

struct TapeBlock {
    static constexpr int kHeaderPart = 63;   // sync pattern and 15 header bytes
    static constexpr int kSyncLength = 48;
    static constexpr int kWorkBuffer = 65537;

    uint8_t number = 0;
    uint8_t type = 0;          // 0: headless
    uint16_t start = 0;
    uint16_t length = 0;       // header: data bytes - 1; headless: data bytes
    std::array<uint8_t, 8> name{};
    uint8_t headSum = 0;       // as stored, or recomputed after an edit
    uint8_t bodySum = 0;       // computed over the data bytes
    int32_t headOffset = 0;    // of the 63-byte header part in source
    int32_t bodyOffset = 0;    // of the body, or of headless data
    bool headSumBad = false;
    bool bodySumBad = false;
    bool repairSum = false;    // the body's last byte is written from bodySum
    bool added = false;        // made by an editing operation
    bool lengthBad = false;    // the body did not match the header length
    int32_t foundLength = -1;  // with lengthBad: body bytes present - 2
    std::string source;
    std::shared_ptr<TempSource> temp;  // set when source is a file of ours

    bool IsHeader() const { return type != 0; }
    // Bytes read from source for the body: length + 2, or length.
    int32_t BodyCount() const { return IsHeader() ? int32_t(length) + 2 : int32_t(length); }
    // Header bytes 48..62 as they are written.
    std::array<uint8_t, 15> HeaderBytes() const;
    void SetHeaderBytes(const uint8_t* bytes);
    // headSum from the 14 header bytes before it.
    void RecomputeHeadSum();
    void ApplyFields(const TapeHeaderFields& f);
};

using TapeBlockList = std::vector<TapeBlock>;
