#pragma once
// The 16 standard colours by the names stored in the configuration.

#include <string_view>

struct ColorTable {
    static constexpr int Count = 16;
    // The number of the first name equal to the text (case-sensitive); any
    // other text, the empty one included, gives 15 (white).
    static int ColorIndexFromName(std::string_view name);
    // The stored name; numbers outside 0..14 give "white".
    static const char* ColorNameFromIndex(int index);
};
