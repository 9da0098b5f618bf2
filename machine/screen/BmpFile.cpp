#include "machine/screen/BmpFile.h"
#include "common/Files.h"

#include <vector>


namespace {

void Put16(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    out[at] = static_cast<uint8_t>(v);
    out[at + 1] = static_cast<uint8_t>(v >> 8);
}

void Put32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    Put16(out, at, v & 0xFFFF);
    Put16(out, at + 2, v >> 16);
}

}  // namespace


int WriteBmp8(const std::string& path, const uint8_t* pixels, int width, int height, int stride,
              const uint32_t* palette, int colours) {
    if (!pixels || !palette || width <= 0 || height <= 0 || stride < width || colours <= 0 ||
        colours > 256)
        return -1;
    const size_t rowBytes = (static_cast<size_t>(width) + 3) & ~size_t(3);
    const size_t headerBytes = 14 + 40 + 4 * static_cast<size_t>(colours);
    const size_t imageBytes = rowBytes * static_cast<size_t>(height);
    const size_t fileBytes = headerBytes + imageBytes;
    if (fileBytes > 0xFFFFFFFFu) return -1;

    std::vector<uint8_t> out(fileBytes, 0);
    out[0] = 'B';
    out[1] = 'M';
    Put32(out, 2, static_cast<uint32_t>(fileBytes));
    Put32(out, 10, static_cast<uint32_t>(headerBytes));
    Put32(out, 14, 40);
    Put32(out, 18, static_cast<uint32_t>(width));
    Put32(out, 22, static_cast<uint32_t>(height));  // positive: bottom-up
    Put16(out, 26, 1);
    Put16(out, 28, 8);
    Put32(out, 30, 0);  // no compression
    Put32(out, 34, static_cast<uint32_t>(imageBytes));
    Put32(out, 38, 3779);
    Put32(out, 42, 3779);
    Put32(out, 46, static_cast<uint32_t>(colours));
    Put32(out, 50, 0);
    for (int i = 0; i < colours; ++i) {
        const size_t at = 54 + 4 * static_cast<size_t>(i);
        out[at] = static_cast<uint8_t>(palette[i]);             // blue
        out[at + 1] = static_cast<uint8_t>(palette[i] >> 8);    // green
        out[at + 2] = static_cast<uint8_t>(palette[i] >> 16);   // red
    }
    for (int y = 0; y < height; ++y) {
        const uint8_t* src = pixels + static_cast<size_t>(height - 1 - y) * static_cast<size_t>(stride);
        uint8_t* dst = out.data() + headerBytes + static_cast<size_t>(y) * rowBytes;
        for (int x = 0; x < width; ++x) dst[x] = src[x];
    }
    return ReplaceFileContents(path, out.data(), out.size()) ? 0 : -1;
}
