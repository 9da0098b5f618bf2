// Snapshot files: any bytes load or give a result code, into the memory of
// the model the header names (or of a default model).
#include <memory>
#include <vector>

#include "fuzz/FuzzFile.h"
#include "machine/core/ModelIndex.h"
#include "machine/cpu/ChipMemoryModels.h"
#include "machine/cpu/ChipMemory.h"
#include "machine/snapshot/Snapshot.h"

namespace {

// The memory of the model the header names, with a paging register when the
// header has one.
std::unique_ptr<ChipMemory> MemoryFor(int model, bool paged) {
    std::unique_ptr<ChipMemory> m;
    switch (model) {
        case kModel1: case kModel2: m = std::make_unique<ChipMemory12>(4); break;
        case kModel2A:
            if (paged) m = std::make_unique<ChipMemory2AEx>(4);
            else m = std::make_unique<ChipMemory2A>(4);
            break;
        case kModel3:
            if (paged) m = std::make_unique<ChipMemory3Ex>(8);
            else m = std::make_unique<ChipMemory3>(8);
            break;
        case kModelC2717: m = std::make_unique<ChipMemoryC2717>(16); break;
        default: m = std::make_unique<ChipMemory2AEx>(4); break;
    }
    m->Reset();
    return m;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 300000) return 0;
    const std::string path = fuzz::WriteInput("in.psn", data, size);
    uint8_t header[snapshot::HeaderSize];
    int32_t romLength = -1;
    std::vector<uint8_t> rom(snapshot::MaxRomSize);
    // Without a memory: read and checked only.
    const int checked = LoadSnapshot(path, 0, header, &romLength, rom.data(), nullptr);
    const bool paged = size > snapshot::OffPaging && data[snapshot::OffVersion] == 2 && data[snapshot::OffPaging] != 0xFF;
    auto memory = MemoryFor(size > snapshot::OffModel ? data[snapshot::OffModel] : kModel2A, paged);
    romLength = -1;
    const int loaded = LoadSnapshot(path, 0, header, &romLength, rom.data(), memory.get());
    // The same memory layout as the header's: the same answer.
    const bool sameLayout = (memory->GetPagingFlag() != 0) == paged;
    if (sameLayout && checked != loaded) fuzz::PropertyFailed("checking and loading agree");
    // Left at -1 without a ROM block.
    if (loaded == SnapshotOk && (romLength < -1 || romLength > snapshot::MaxRomSize))
        fuzz::PropertyFailed("ROM length within the buffer");
    return 0;
}
