// The run-length coder: unpacking any bytes stays inside its buffers, and a
// block packed and unpacked again is the block.
#include <cstring>
#include <vector>

#include "common/Rle.h"
#include "fuzz/FuzzFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2 || size > 70000) return 0;
    // First two bytes: the unpacked size asked for (1..65536).
    const int want = ((data[0] | (data[1] << 8)) & 0xFFFF) + 1;
    const uint8_t* packed = data + 2;
    const int p = static_cast<int>(size - 2);
    if (p > 0 && p <= want) {
        std::vector<uint8_t> out(static_cast<size_t>(want));
        const int n = RleDecompress(out.data(), want, packed, p);
        if (n != -2 && (n < 1 || n > want)) fuzz::PropertyFailed("unpacking gives 1..size bytes or -2");
    }
    if (p > 0) {
        std::vector<uint8_t> block(packed, packed + p);
        std::vector<uint8_t> out(block.size());
        const int n = RleCompress(out.data(), block.data(), p);
        if (n < 1 || n > p) fuzz::PropertyFailed("packed size 1..n");
        std::vector<uint8_t> back(block.size(), 0xA5);
        const int m = RleDecompress(back.data(), p, out.data(), n);
        if (m != p || back != block) fuzz::PropertyFailed("pack then unpack gives the block");
    }
    return 0;
}
