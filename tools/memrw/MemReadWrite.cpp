#include "tools/memrw/MemReadWrite.h"

#include <algorithm>

#include "common/Files.h"
#include "common/TextUtils.h"
#include "machine/core/ModelCapabilities.h"
#include "machine/cpu/ChipMemory.h"

namespace {

bool HasPaging(ChipMemory& memory) { return memory.GetPagingFlag() != 0; }

bool SourceChoice(int model) { return Capabilities(model).allRamSwitch; }

// Sets the mapping flags of a copy and puts them back when it ends.
class MappingScope {
public:
    MappingScope(ChipMemory& memory, int model, const MemCopyOptions& options, bool save)
        : memory(memory), model(model), save(save) {
        allRam = memory.GetAllRamFlag();
        remap = memory.GetRemapFlag();
        paging = HasPaging(memory);
        page = paging ? memory.GetPagingRegister() : 0;
        if (save && SourceChoice(model)) memory.SetAllRamFlag(options.fromRam ? 1 : 0);
        if (Capabilities(model).remap) memory.SetRemapFlag(options.remap ? 1 : 0);
        if (paging) memory.SetPagingRegister(static_cast<uint8_t>(options.page));
    }
    ~MappingScope() {
        if (paging) memory.SetPagingRegister(page);
        if (Capabilities(model).remap) memory.SetRemapFlag(remap);
        if (save && SourceChoice(model)) memory.SetAllRamFlag(allRam);
    }
    MappingScope(const MappingScope&) = delete;
    MappingScope& operator=(const MappingScope&) = delete;

private:
    ChipMemory& memory;
    int model;
    bool save;
    uint8_t allRam = 0;
    uint8_t remap = 0;
    bool paging = false;
    uint8_t page = 0;
};

}  // namespace

bool MemRangeValues::Read(const std::string& startText, const std::string& lengthText,
                          const std::string& pageText, bool hex, bool hasPaging) {
    bool valid = true;
    start = ParseNumber(startText, hex);
    if (start < 0 || start > 0xFFFF) {
        start = 0;
        valid = false;
    }
    length = ParseNumber(lengthText, hex);
    if (length < 1 || length > kMaxLength) {
        length = 1;
        valid = false;
    }
    if (hasPaging) {
        page = ParseNumber(pageText, hex);
        if (page < 0 || page > 127) {
            page = 0;
            valid = false;
        }
    }
    return valid;
}

MemRwVisibility MemRwControls(int model, const ChipMemory& memory, bool save) {
    MemRwVisibility v;
    v.readFrom = save && SourceChoice(model);
    v.remap = Capabilities(model).remap;
    v.page = memory.GetPagingFlag() != 0;
    return v;
}

std::vector<uint8_t> ReadMemoryRange(ChipMemory& memory, int model, const MemCopyOptions& options) {
    const int32_t length = std::clamp(options.length, 0, MemRangeValues::kMaxLength);
    std::vector<uint8_t> bytes(static_cast<size_t>(length));
    MappingScope scope(memory, model, options, true);
    for (int32_t i = 0; i < length; ++i) bytes[i] = memory.ReadByte(options.start + i);
    return bytes;
}

void WriteMemoryRange(ChipMemory& memory, int model, const MemCopyOptions& options,
                      const std::vector<uint8_t>& bytes) {
    MappingScope scope(memory, model, options, false);
    const int32_t n = static_cast<int32_t>(std::min<size_t>(bytes.size(), MemRangeValues::kMaxLength));
    for (int32_t i = 0; i < n; ++i) memory.WriteByte(options.start + i, bytes[i]);
}

MemFileResult SaveMemoryToFile(ChipMemory& memory, int model, const MemCopyOptions& options,
                               const std::string& path) {
    MemFileResult r;
    const std::vector<uint8_t> bytes = ReadMemoryRange(memory, model, options);
    if (!ReplaceFileContents(path, bytes.data(), bytes.size())) {
        r.result = MemFileResult::CannotCreate;
        return r;
    }
    r.length = static_cast<int32_t>(bytes.size());
    return r;
}

MemFileResult LoadFileToMemory(ChipMemory& memory, int model, const MemCopyOptions& options,
                               const std::string& path) {
    MemFileResult r;
    const int32_t want = std::clamp(options.length, 1, MemRangeValues::kMaxLength);
    // One byte more tells whether the file goes on past the length.
    std::vector<uint8_t> bytes(static_cast<size_t>(want) + 1);
    const int32_t n = ReadFilePart(path, 0, bytes.data(), want + 1);
    if (n < 1) {
        r.result = MemFileResult::CannotOpen;
        return r;
    }
    r.clamped = n > want && want == MemRangeValues::kMaxLength;
    bytes.resize(static_cast<size_t>(std::min(n, want)));
    WriteMemoryRange(memory, model, options, bytes);
    r.length = static_cast<int32_t>(bytes.size());
    return r;
}

int32_t PresetLength(const std::string& path, bool* clamped) {
    const int32_t size = GetFileSizeByName(path);
    if (clamped) *clamped = size > MemRangeValues::kMaxLength;
    return std::clamp(size, 1, MemRangeValues::kMaxLength);
}
