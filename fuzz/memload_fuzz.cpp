// Memory load: any file loads into the memory of each model, up to the
// range asked for, and the preset length follows the file's size.
#include <memory>

#include "fuzz/FuzzFile.h"
#include "machine/core/ModelIndex.h"
#include "machine/cpu/ChipMemoryModels.h"
#include "tools/memrw/MemReadWrite.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4 || size > 140000) return 0;
    // First four bytes: start and length of the range.
    MemCopyOptions o;
    o.start = data[0] | (data[1] << 8);
    o.length = ((data[2] | (data[3] << 8)) & 0xFFFF) | 1;
    o.remap = data[2] & 0x80;
    o.page = data[3] & 0x7F;
    const std::string path = fuzz::WriteInput("mem.bin", data + 4, size - 4);
    bool clamped = false;
    const int32_t preset = PresetLength(path, &clamped);
    if (preset < 1 || preset > MemRangeValues::kMaxLength) fuzz::PropertyFailed("preset length 1..65535");
    // Made once: building the memories costs more than a load.
    static ChipMemory2AEx paged(4);
    static ChipMemoryC2717 consul(16);
    static ChipMemory12 small(4);
    struct { ChipMemory* memory; int model; } targets[] = {
        {&paged, kModel2A}, {&consul, kModelC2717}, {&small, kModel1}};
    for (auto& t : targets) {
        t.memory->Reset();
        const MemFileResult r = LoadFileToMemory(*t.memory, t.model, o, path);
        if (r.result == MemFileResult::Done && (r.length < 1 || r.length > o.length))
            fuzz::PropertyFailed("loaded length within the range");
    }
    return 0;
}
