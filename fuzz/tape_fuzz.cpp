// Tape files (.ptp, .pmd): any bytes read as a list of blocks; the BASIC
// export takes any body; and blocks read, written and read again are the
// same blocks with the same bytes.
#include <cstdio>
#include <vector>

#include "fuzz/FuzzFile.h"
#include "tools/tape/BasicText.h"
#include "tools/tape/TapeFile.h"

namespace {

struct Read {
    TapeBlockList blocks;
    std::vector<std::vector<uint8_t>> bodies;
    bool whole = true;  // every body could be read
};

Read Bodies(const TapeBlockList& blocks) {
    Read r;
    r.blocks = blocks;
    for (const TapeBlock& b : blocks) {
        std::vector<uint8_t> body;
        if (ReadBlockBody(b, body)) r.whole = false;
        r.bodies.push_back(std::move(body));
    }
    return r;
}

void Dump(const char* what, const TapeBlockList& blocks) {
    std::fprintf(stderr, "%s:\n", what);
    for (const TapeBlock& b : blocks)
        std::fprintf(stderr, "  type %02X length %u head @%d body @%d lengthBad %d found %d\n", b.type, b.length,
                     b.headOffset, b.bodyOffset, b.lengthBad, b.foundLength);
}

void RoundTrip(const Read& first, TapeLayout layout, const char* name) {
    std::vector<uint8_t> image;
    if (BuildTapeImage(first.blocks, layout, image)) return;
    // The reader takes a file shorter than 65 bytes for no tape at all, and
    // reads no record that starts in the last two bytes: an empty headless
    // block at the end is not read back.
    if (image.size() < 65) return;
    if (!first.blocks.back().IsHeader() && first.blocks.back().length == 0) return;
    const std::string path = fuzz::WriteInput(name, image.data(), image.size());
    const TapeReadResult again = ReadTapeFile(path);
    if (again.bad || again.blocks.size() != first.blocks.size()) {
        Dump("read", first.blocks);
        Dump("read again", again.blocks);
    }
    if (again.bad) fuzz::PropertyFailed("a written tape reads back whole");
    const Read second = Bodies(again.blocks);
    if (second.blocks.size() != first.blocks.size()) fuzz::PropertyFailed("same number of blocks");
    for (size_t i = 0; i < first.blocks.size(); ++i) {
        const TapeBlock& a = first.blocks[i];
        const TapeBlock& b = second.blocks[i];
        if (a.IsHeader() != b.IsHeader()) fuzz::PropertyFailed("same kind of block");
        if (a.IsHeader() && a.HeaderBytes() != b.HeaderBytes()) fuzz::PropertyFailed("same header bytes");
        if (first.bodies[i] != second.bodies[i]) fuzz::PropertyFailed("same body bytes");
    }
}

// A header part whose type byte is 00h stands in the list as a headless
// block of its length field: written, it loses its header. Such tapes do not
// read back the same. A bare header part ends right before the body; a
// counted one (count, header part, body count) 2 bytes earlier.
bool HasTypeZeroHeader(const TapeBlockList& blocks, const uint8_t* data, size_t size) {
    for (const TapeBlock& b : blocks) {
        if (b.IsHeader() || static_cast<size_t>(b.bodyOffset) > size) continue;
        for (int before : {63, 65}) {
            if (b.bodyOffset < before) continue;
            const uint8_t* h = data + b.bodyOffset - before;
            bool sync = true;
            for (int i = 0; i < 48 && sync; ++i) sync = h[i] == (i < 16 ? 0xFF : i < 32 ? 0x00 : 0x55);
            if (sync) return true;
        }
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 300000) return 0;
    const std::string path = fuzz::WriteInput("in.ptp", data, size);
    const TapeReadResult r = ReadTapeFile(path);
    const Read first = Bodies(r.blocks);
    for (size_t i = 0; i < r.blocks.size(); ++i) {
        const std::vector<uint8_t>& body = first.bodies[i];
        if (r.blocks[i].type == '>' && !body.empty()) DetokeniseBasic(body.data(), body.size());
    }
    if (!first.whole || HasTypeZeroHeader(r.blocks, data, size)) return 0;
    RoundTrip(first, TapeLayout::Ptp, "out.ptp");
    if (r.pmd) RoundTrip(first, TapeLayout::Pmd, "out.pmd");
    return 0;
}
