// The PMD-32 card's images.cfg: any text gives a result code and, on
// success, a geometry.
#include "fuzz/FuzzFile.h"
#include "machine/storage/SdCard.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 100000) return 0;
    const std::string cfg = fuzz::WriteInput("images.cfg", data, size);
    for (const char* image : {"disk.p32", "GAME.X18", "a.b.dsk", "noext"}) {
        ImageGeometry g{};
        ReadImagesCfgFile(cfg, fuzz::PathOf(image), g);
    }
    return 0;
}
