// Poke lists: any text loads (up to its first bad line), and a list loaded,
// saved and loaded again gives the same text and the same entries.
#include "fuzz/FuzzFile.h"
#include "tools/poke/PokeList.h"

namespace {

bool SameItems(const PokeList& a, const PokeList& b) {
    if (a.Count() != b.Count()) return false;
    for (int i = 0; i < a.Count(); ++i) {
        const PokeItem& x = a.At(i);
        const PokeItem& y = b.At(i);
        if (x.address != y.address || x.value != y.value || x.remap != y.remap || x.text != y.text) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 100000) return 0;
    const std::string path = fuzz::WriteInput("in.pok", data, size);
    for (bool hex : {false, true}) {
        PokeList first;
        first.Load(path, hex);
        const std::string text = first.FileText();
        const std::string saved = fuzz::WriteInput("saved.pok", reinterpret_cast<const uint8_t*>(text.data()), text.size());
        PokeList second;
        const PokeLoadResult r = second.Load(saved, hex);
        if (r.result != PokeLoadResult::Loaded) fuzz::PropertyFailed("a saved list loads without a bad line");
        if (!r.remapDropped.empty()) fuzz::PropertyFailed("a saved list keeps only remap flags it may hold");
        if (!SameItems(first, second)) fuzz::PropertyFailed("load, save, load gives the same entries");
        if (second.FileText() != text) fuzz::PropertyFailed("load, save, load gives the same text");
    }
    return 0;
}
