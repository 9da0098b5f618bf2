// BASIC text import: any text tokenises within the program's limit, and the
// program imported, exported and imported again is the same program, unless
// the import logged a line whose bytes its text cannot give back.
#include <algorithm>
#include <cstdio>

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 200000) return 0;
    const BasicImport first = Import(fuzz::WriteInput("in.txt", data, size));
    if (first.bytes.size() < 2 || first.bytes.size() > kBasicMaxBytes) fuzz::PropertyFailed("program within 2..limit bytes");
    BasicLogText(first.log, "FormTape");
    const bool lossy = std::any_of(first.log.begin(), first.log.end(),
                                   [](const BasicLogEntry& e) { return e.kind == BasicLogEntry::NotKept; });
    const BasicExport text = DetokeniseBasic(first.bytes.data(), first.bytes.size());
    if (!lossy && text.truncated) fuzz::PropertyFailed("an imported program exports whole");
    const std::string out = fuzz::PathOf("out.txt");
    std::FILE* f = std::fopen(out.c_str(), "wb");
    if (!f) std::abort();
    WriteBasicText(f, text);
    std::fclose(f);
    const BasicImport second = Import(out);
    if (!lossy && second.bytes != first.bytes) fuzz::PropertyFailed("import, export, import gives the same program");
    return 0;
}
