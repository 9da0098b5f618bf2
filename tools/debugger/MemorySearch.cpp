#include "tools/debugger/MemorySearch.h"

#include <cctype>

#include "tools/debugger/Disassembler.h"
#include "machine/cpu/ChipMemory.h"

namespace dbg {

bool MatchesAt(ChipMemory& memory, const SearchPattern& p, uint16_t address) {
    for (int i = 0; i < 8; ++i)
        if ((p.pattern[i] ^ memory.ReadByte(static_cast<uint16_t>(address + i))) & p.mask[i]) return false;
    return true;
}

bool FindNext(ChipMemory& memory, const SearchPattern& p, SearchState& state, bool newSearch, uint16_t base) {
    if (newSearch) state.start = state.current = base;
    for (;;) {
        state.current = static_cast<uint16_t>(state.current + 1);
        if (state.current == state.start) return false;
        if (MatchesAt(memory, p, state.current)) return true;
    }
}

std::string FormatBytes(const uint8_t bytes[8], bool decimal) {
    std::string s;
    for (int i = 0; i < 8; ++i) {
        if (i) s += ' ';
        s += PaddedByte(bytes[i], decimal);
    }
    return s;
}

std::u16string FormatAscii(const char16_t chars[8]) {
    std::u16string s = u" ";
    for (int i = 0; i < 8; ++i) {
        if (i) s += u"   ";
        s += chars[i];
    }
    return s;
}

int ParseBytes(const std::string& field, bool decimal, uint8_t bytes[8]) {
    // Fields of 3 digits ("#" and 2 in hex) one blank apart; blanks inside
    // a field count as zeros, as the edit field shows them.
    const int width = decimal ? 3 : 3;
    for (int i = 0; i < 8; ++i) {
        const size_t at = static_cast<size_t>(i) * (width + 1);
        if (at + width > field.size()) return 0;
        std::string part = field.substr(at, width);
        int value = 0;
        int digits = 0;
        size_t k = 0;
        if (!decimal) {
            if (part[0] != '#') return 0;
            k = 1;
        }
        for (; k < part.size(); ++k) {
            const int c = static_cast<unsigned char>(part[k]);
            int d;
            if (c == ' ')
                d = 0;
            else if (std::isdigit(c))
                d = c - '0';
            else if (!decimal && std::isxdigit(c))
                d = std::toupper(c) - 'A' + 10;
            else
                return 0;
            value = value * (decimal ? 10 : 16) + d;
            ++digits;
        }
        if (digits == 0) return 0;
        if (value > 255) {
            // The digit that makes it too large: 300.. first, 260..299 second, 256..259 third.
            const int caret = value >= 300 ? 0 : value >= 260 ? 1 : 2;
            return -(static_cast<int>(at) + caret + 2);
        }
        bytes[i] = static_cast<uint8_t>(value);
    }
    return 1;
}

}  // namespace dbg
