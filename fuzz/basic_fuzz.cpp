// BASIC text import: any text tokenises within the program's limit, every
// stored line exports as one line without breaking the lines after it, and
// every line the import did not log as not kept comes back unchanged when
// the program is exported and imported again.
#include <cstdio>
#include <vector>

#include "fuzz/FuzzFile.h"
#include "tools/tape/BasicText.h"

namespace {

BasicImport Import(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) std::abort();
    BasicImport r = TokeniseBasic(f);
    std::fclose(f);
    return r;
}

// The bytes of stored line i after its link: number, text and 00h.
std::vector<uint8_t> LineBytes(const BasicImport& r, size_t i) {
    const size_t from = r.lines[i].offset + 2;
    const size_t to = i + 1 < r.lines.size() ? r.lines[i + 1].offset : r.bytes.size() - 2;
    return std::vector<uint8_t>(r.bytes.begin() + static_cast<long>(from), r.bytes.begin() + static_cast<long>(to));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 200000) return 0;
    const BasicImport first = Import(fuzz::WriteInput("in.txt", data, size));
    if (first.bytes.size() < 2 || first.bytes.size() > kBasicMaxBytes) fuzz::PropertyFailed("program within 2..limit bytes");
    BasicLogText(first.log, "FormTape");
    std::vector<bool> notKept(first.lines.size(), false);
    bool lossy = false;
    for (const BasicLogEntry& e : first.log) {
        if (e.kind != BasicLogEntry::NotKept) continue;
        if (e.line >= first.lines.size()) fuzz::PropertyFailed("a logged line is a stored line");
        notKept[e.line] = true;
        lossy = true;
    }
    const BasicExport text = DetokeniseBasic(first.bytes.data(), first.bytes.size());
    if (text.truncated) fuzz::PropertyFailed("an imported program exports whole");
    if (text.lines.size() != first.lines.size()) fuzz::PropertyFailed("every stored line exports as one line");
    const std::string out = fuzz::PathOf("out.txt");
    std::FILE* f = std::fopen(out.c_str(), "wb");
    if (!f) std::abort();
    WriteBasicText(f, text);
    std::fclose(f);
    const BasicImport second = Import(out);
    if (second.lines.size() != first.lines.size()) fuzz::PropertyFailed("the exported text holds every line");
    for (size_t i = 0; i < first.lines.size(); ++i) {
        if (notKept[i]) continue;
        if (second.lines[i].number != first.lines[i].number || second.lines[i].source != first.lines[i].source)
            fuzz::PropertyFailed("a line not logged comes back as its text");
        if (LineBytes(second, i) != LineBytes(first, i)) fuzz::PropertyFailed("a line not logged comes back as its bytes");
    }
    if (!lossy && second.bytes != first.bytes) fuzz::PropertyFailed("import, export, import gives the same program");
    return 0;
}
