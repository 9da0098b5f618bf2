#include "machine/owner/ColorTable.h"

namespace {
const char* const kNames[ColorTable::Count] = {
    "black", "maroon", "green", "olive", "navy", "purple", "teal", "gray",
    "silver", "red", "lime", "yellow", "blue", "fuchsia", "aqua", "white",
};
}  // namespace

int ColorTable::ColorIndexFromName(std::string_view name) {
    for (int i = 0; i < Count; ++i)
        if (name == kNames[i]) return i;
    return 15;
}

const char* ColorTable::ColorNameFromIndex(int index) {
    if (index < 0 || index > 14) return "white";
    return kNames[index];
}
