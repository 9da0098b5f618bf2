#include "machine/storage/RomFile.h"

#include <vector>

#include "common/Files.h"
#include "common/Paths.h"

int LoadRomFileList(const RomFileList& files, int sizeKb, RomPageLoader loader) {
    int sum = 0;
    std::vector<uint8_t> buffer;
    for (const ROM_FILE& file : files) {
        if (sum >= sizeKb) break;
        if (file.size <= 0) continue;
        int n = static_cast<int>((static_cast<int64_t>(file.size) + 1023) / 1024);
        if (n > sizeKb - sum) n = sizeKb - sum;
        buffer.assign(static_cast<size_t>(n) * 1024, 0xFF);
        int32_t got = 0;
        if (file.path != "-")
            got = ReadFilePart(MakeAbsolutePath(file.path), 0, buffer.data(), static_cast<int32_t>(buffer.size()));
        if (got > 0 && loader) loader(sum, n, buffer.data());
        sum += n;
    }
    return sum;
}
