#pragma once
// Masked pattern search over the 64 KB address space, and the texts of the
// search window's fields.
#include <cstdint>
#include <string>

class ChipMemory;

namespace dbg {

struct SearchPattern {
    uint8_t pattern[8] = {};
    uint8_t mask[8] = {};
    char16_t chars[8] = {u'.', u'.', u'.', u'.', u'.', u'.', u'.', u'.'};
    bool Any() const {
        for (uint8_t m : mask)
            if (m) return true;
        return false;
    }
};

struct SearchState {
    uint16_t start = 0;
    uint16_t current = 0;
};

// True when the masked pattern matches at address (bytes past FFFFh from 0000h).
bool MatchesAt(ChipMemory& memory, const SearchPattern& p, uint16_t address);

// The next match after state.current (a new search starts after base); true
// with state.current at the hit, false when the walk came back to state.start.
bool FindNext(ChipMemory& memory, const SearchPattern& p, SearchState& state, bool newSearch, uint16_t base);

// Eight padded bytes separated by single blanks.
std::string FormatBytes(const uint8_t bytes[8], bool decimal);
// A blank, then the eight characters three blanks apart (character i at 4i+1).
std::u16string FormatAscii(const char16_t chars[8]);

// Reads a field of eight padded bytes. Returns 1 with the bytes, 0 when fewer
// than eight values stand there, or -(caret+2) with the caret on the digit
// that makes a value too large.
int ParseBytes(const std::string& field, bool decimal, uint8_t bytes[8]);

}  // namespace dbg
