#include "tools/tape/TapeFile.h"

#include <algorithm>
#include <cstring>

#include "common/Files.h"

namespace {

uint16_t Word(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

void PutWord(std::vector<uint8_t>& out, uint32_t w) {
    out.push_back(static_cast<uint8_t>(w));
    out.push_back(static_cast<uint8_t>(w >> 8));
}

// 16 x FFh, 16 x 00h, 16 x 55h.
bool IsHeaderPart(const uint8_t* p) {
    for (int i = 0; i < 16; ++i)
        if (p[i] != 0xFF || p[16 + i] != 0x00 || p[32 + i] != 0x55) return false;
    return true;
}

// A bare header part, or a PTP record of 63 bytes holding one.
bool StartsWithHeaderPart(const std::vector<uint8_t>& data) {
    if (data.size() >= 63 && IsHeaderPart(data.data())) return true;
    return data.size() >= 67 && Word(data.data()) == 63 && IsHeaderPart(data.data() + 2);
}

void TakeHeader(TapeBlock& block, const uint8_t* part) {
    block.SetHeaderBytes(part + TapeBlock::kSyncLength);
    uint8_t sum = 0;
    Checksum8(part + TapeBlock::kSyncLength, 14, &sum);
    block.headSumBad = sum != block.headSum;
}

void PutSync(std::vector<uint8_t>& out) {
    out.insert(out.end(), 16, 0xFF);
    out.insert(out.end(), 16, 0x00);
    out.insert(out.end(), 16, 0x55);
}

TapeFileError Error(TapeFileError::Code code, const std::string& path, int limit = 0) {
    TapeFileError e;
    e.code = code;
    e.path = path;
    e.limit = limit;
    return e;
}

}  // namespace

bool Checksum8(const uint8_t* bytes, size_t n, uint8_t* sum) {
    uint8_t s = 0;
    for (size_t i = 0; i < n; ++i) s = static_cast<uint8_t>(s + bytes[i]);
    if (sum) *sum = s;
    return s == bytes[n];
}

TapeReadResult ReadTapeFile(const std::string& path) {
    TapeReadResult r;
    const int32_t size32 = GetFileSizeByName(path);
    uint8_t probe;
    if (size32 < 0 || ReadFilePart(path, 0, &probe, 0) < 0) return r;
    r.opened = true;
    const uint32_t size = static_cast<uint32_t>(size32);
    r.size = size;
    if (size < 65) return r;
    std::vector<uint8_t> work(TapeBlock::kWorkBuffer);
    uint32_t pos = 0;
    while (pos < size - 2) {
        uint8_t window[67] = {};
        TapeBlock block;
        const uint32_t p = pos;
        const int32_t n = ReadFilePart(path, static_cast<int32_t>(p), window, 67);
        if (n < 0) break;
        uint32_t w = Word(window);
        bool header = false;
        if (n >= 63 && IsHeaderPart(window)) {
            r.pmd = true;
            TakeHeader(block, window);
            block.headOffset = static_cast<int32_t>(p);
            block.bodyOffset = static_cast<int32_t>(p + 63);
            header = true;
        } else if (w == 63 && n == 67 && IsHeaderPart(window + 2)) {
            TakeHeader(block, window + 2);
            block.headOffset = static_cast<int32_t>(p + 2);
            block.bodyOffset = static_cast<int32_t>(p + 67);
            w = Word(window + 65);
            header = true;
        }
        if (header) {
            const uint32_t b = static_cast<uint32_t>(block.bodyOffset);
            const uint32_t need = uint32_t(block.length) + 2;
            if (need <= size - b && (r.pmd || need == w)) {
                if (ReadFilePart(path, static_cast<int32_t>(b), work.data(), static_cast<int32_t>(need)) !=
                    static_cast<int32_t>(need))
                    break;
                block.foundLength = -1;
                block.bodySumBad = !Checksum8(work.data(), block.length + size_t(1), &block.bodySum);
                pos = b + need;
            } else if (r.pmd) {
                block.lengthBad = true;
                block.foundLength = static_cast<int32_t>(size - b) - 2;
                pos = size;
            } else {
                block.lengthBad = true;
                block.foundLength = static_cast<int32_t>(w) - 2;
                pos = b + w;
            }
        } else {
            if (r.pmd) {
                if (size - p > 0xFFFF) break;
                block.length = static_cast<uint16_t>(size - p);
                block.bodyOffset = static_cast<int32_t>(p);
                pos = size;
            } else {
                // A record needs its count and w bytes after it.
                if (w > size - p - 2) break;
                block.length = static_cast<uint16_t>(w);
                block.bodyOffset = static_cast<int32_t>(p + 2);
                pos = p + 2 + w;
            }
            block.type = 0;
            block.headOffset = 0;
            block.foundLength = -1;
        }
        block.source = path;
        r.blocks.push_back(std::move(block));
    }
    r.bad = pos != size;
    r.end = pos;
    return r;
}

TapeFileError TapeReadProblem(const std::string& path, const TapeReadResult& read) {
    if (!read.opened) return Error(TapeFileError::FileUnreadable, path);
    if (read.blocks.empty()) return Error(TapeFileError::NoTape, path);
    // A last block that runs past the end is listed with its state picture.
    if (read.bad && read.end < read.size && read.size - read.end > 2)
        return Error(TapeFileError::TapeReadInPart, path, static_cast<int>(read.end));
    return {};
}

TapeFileError ReadBlockBody(const TapeBlock& block, std::vector<uint8_t>& out) {
    const int32_t count = block.BodyCount();
    out.assign(static_cast<size_t>(count), 0);
    if (count == 0) return {};
    const int32_t n = ReadFilePart(block.source, block.bodyOffset, out.data(), count);
    const bool addedHeader = block.added && block.IsHeader();
    // An added header block's source ends before its sum byte; a block whose
    // body was found short is kept with what is there.
    const int32_t needed = block.lengthBad ? 0 : addedHeader ? count - 1 : count;
    if (n < 0 || n < needed) return Error(TapeFileError::SourceUnreadable, block.source);
    if (block.repairSum || addedHeader) out[static_cast<size_t>(count) - 1] = block.bodySum;
    return {};
}

TapeFileError BuildTapeImage(const TapeBlockList& list, TapeLayout layout, std::vector<uint8_t>& out) {
    out.clear();
    bool afterHeadless = false;
    std::vector<uint8_t> body;
    for (const TapeBlock& block : list) {
        // A PMD file's headless block runs to the end of the file: nothing
        // after it would read back as a block of its own.
        if (layout == TapeLayout::Pmd && afterHeadless) return Error(TapeFileError::PmdAfterHeadless, block.source);
        if (layout == TapeLayout::Ptp && block.BodyCount() > 0xFFFF)
            return Error(TapeFileError::BlockTooLong, block.source);
        if (TapeFileError e = ReadBlockBody(block, body)) return e;
        if (block.IsHeader()) {
            if (layout == TapeLayout::Ptp) PutWord(out, 63);
            PutSync(out);
            const auto h = block.HeaderBytes();
            out.insert(out.end(), h.begin(), h.end());
        } else {
            // After a header block the reader looks for a header part first:
            // data that begin with one would not read back as headless data.
            if (layout == TapeLayout::Pmd && !out.empty() && StartsWithHeaderPart(body))
                return Error(TapeFileError::PmdHeadlessAsHeader, block.source);
            afterHeadless = true;
        }
        if (layout == TapeLayout::Ptp) PutWord(out, static_cast<uint32_t>(body.size()));
        out.insert(out.end(), body.begin(), body.end());
    }
    return {};
}

TapeFileError WriteTapeFile(const std::string& target, const TapeBlockList& list, TapeLayout layout) {
    std::vector<uint8_t> image;
    if (TapeFileError e = BuildTapeImage(list, layout, image)) return e;
    if (!ReplaceFileContents(target, image.data(), image.size()))
        return Error(TapeFileError::WriteFailed, target);
    return {};
}

TapeFileError ExportRawBlock(const TapeBlock& block, const std::string& target) {
    std::vector<uint8_t> body;
    if (TapeFileError e = ReadBlockBody(block, body)) return e;
    if (!ReplaceFileContents(target, body.data(), body.size()))
        return Error(TapeFileError::WriteFailed, target);
    return {};
}

TapeFileError CheckFileForBlock(const std::string& path, bool asHeader, int32_t* size) {
    const int32_t s = GetFileSizeByName(path);
    uint8_t probe;
    if (s < 0 || ReadFilePart(path, 0, &probe, 0) < 0) return Error(TapeFileError::FileUnreadable, path);
    if (s == 0) return Error(TapeFileError::FileEmpty, path);
    const int32_t limit = asHeader ? kMaxHeaderFile : kMaxHeadlessFile;
    if (s > limit) return Error(TapeFileError::FileTooLong, path, limit);
    if (size) *size = s;
    return {};
}

TapeFileError MakeHeadlessBlock(const std::string& path, TapeBlock& out) {
    int32_t size = 0;
    if (TapeFileError e = CheckFileForBlock(path, false, &size)) return e;
    out = TapeBlock();
    out.length = static_cast<uint16_t>(size);
    out.added = true;
    out.source = path;
    return {};
}

TapeFileError MakeHeaderBlock(const std::string& path, const TapeHeaderFields& fields, TapeBlock& out) {
    int32_t size = 0;
    if (TapeFileError e = CheckFileForBlock(path, true, &size)) return e;
    std::vector<uint8_t> data(static_cast<size_t>(size) + 1);
    if (ReadFilePart(path, 0, data.data(), size) != size) return Error(TapeFileError::FileUnreadable, path);
    TapeBlock b;
    b.length = static_cast<uint16_t>(size - 1);
    b.ApplyFields(fields);
    b.RecomputeHeadSum();
    Checksum8(data.data(), static_cast<size_t>(size), &b.bodySum);
    b.added = true;
    b.source = path;
    out = std::move(b);
    return {};
}

bool BlockToHeadless(TapeBlock& block) {
    if (!block.IsHeader()) return false;
    if (block.length == 0xFFFF) return false;
    const uint16_t length = static_cast<uint16_t>(block.length + 1);
    block.number = 0;
    block.type = 0;
    block.start = 0;
    block.name.fill(0);
    block.headSum = 0;
    block.bodySum = 0;
    block.headOffset = 0;
    block.headSumBad = block.bodySumBad = block.repairSum = block.added = false;
    block.lengthBad = false;
    block.foundLength = -1;
    block.length = length;
    return true;
}

TapeFileError BlockToHeader(TapeBlock& block, const TapeHeaderFields& fields) {
    if (block.IsHeader() || block.length == 0) return Error(TapeFileError::FileEmpty, block.source);
    const int32_t n = block.length;
    std::vector<uint8_t> data(static_cast<size_t>(n) + 1);
    if (ReadFilePart(block.source, block.bodyOffset, data.data(), n) != n)
        return Error(TapeFileError::SourceUnreadable, block.source);
    block.length = static_cast<uint16_t>(n - 1);
    block.ApplyFields(fields);
    if (block.type == 0) block.type = '?';
    block.RecomputeHeadSum();
    Checksum8(data.data(), static_cast<size_t>(n), &block.bodySum);
    block.headSumBad = block.bodySumBad = block.repairSum = false;
    block.lengthBad = false;
    block.added = true;
    block.foundLength = -1;
    return {};
}

void RepairBlockSum(TapeBlock& block) {
    block.bodySumBad = false;
    block.repairSum = true;
}

TapeFileError AppendRecordedBlock(const std::string& path, const std::vector<uint8_t>& recorded) {
    std::vector<uint8_t> image;
    bool pmd = false;
    const int32_t size = GetFileSizeByName(path);
    if (size > 0) {
        image.resize(static_cast<size_t>(size));
        if (ReadFilePart(path, 0, image.data(), size) != size) return Error(TapeFileError::WriteFailed, path);
        const TapeReadResult r = ReadTapeFile(path);
        pmd = r.pmd;
        if (pmd && !r.blocks.empty() && !r.blocks.back().IsHeader())
            return Error(TapeFileError::PmdAfterHeadless, path);
    }
    const bool headerRecord = recorded.size() >= 67 && Word(recorded.data()) == 63 && IsHeaderPart(recorded.data() + 2);
    if (!pmd) {
        image.insert(image.end(), recorded.begin(), recorded.end());
    } else if (headerRecord) {
        image.insert(image.end(), recorded.begin() + 2, recorded.begin() + 65);
        image.insert(image.end(), recorded.begin() + 67, recorded.end());
    } else if (recorded.size() >= 2) {
        image.insert(image.end(), recorded.begin() + 2, recorded.end());
    }
    if (!ReplaceFileContents(path, image.data(), image.size())) return Error(TapeFileError::WriteFailed, path);
    return {};
}
