#pragma once
// The poke list: memory patches (address, value) grouped under notes, written
// into the memory of the paused machine, saved to and loaded from a text file.

#include <cstdint>
#include <string>
#include <vector>

class ChipMemory;

struct PokeItem {
    int32_t address = -1;  // 0..FFFFh; -1 for a note
    int32_t value = 0;     // 0..255; 0 for a note
    uint8_t remap = 0;     // written with the Consul 2717 remapping on (C000h..CFFFh only)
    std::string text;      // display text of a poke, or the note's text
    bool checked = false;  // only pokes can be ticked

    bool IsNote() const { return address < 0; }
};

// The addresses the Consul 2717 remapping covers.
inline constexpr int32_t kRemapFirst = 0xC000;
inline constexpr int32_t kRemapLast = 0xCFFF;
inline constexpr bool InRemapArea(int32_t address) {
    return address >= kRemapFirst && address <= kRemapLast;
}

// "X/" when flagged, the address, ",", the value: "#" with four and two digits
// in hexadecimal, plain decimal otherwise.
std::string PokeItemText(const PokeItem& item, bool hex);

struct PokeLoadResult {
    enum : int { Loaded = 0, CannotOpen = 1, BadLine = 2 };
    int result = Loaded;
    int badLine = 0;                   // line number of the first bad line (BadLine)
    std::vector<int> remapDropped;     // lines whose remap flag lay outside C000h..CFFFh
};

class PokeList {
public:
    const std::vector<PokeItem>& Items() const { return items; }
    int Count() const { return static_cast<int>(items.size()); }
    bool Empty() const { return items.empty(); }
    const PokeItem& At(int index) const { return items[index]; }

    // A poke; the remap flag is kept only inside C000h..CFFFh. Appended when
    // before is outside the list. Returns its index.
    int AddPoke(int32_t address, int32_t value, bool remap, bool hex, int before = -1);
    // A note; an empty text does nothing (-1). Returns its index.
    int AddNote(const std::string& text, int before = -1);
    void Delete(int index);
    void Clear() { items.clear(); }
    // Ticks or unticks a poke; notes stay unticked.
    void SetChecked(int index, bool checked);
    bool AnyItemChecked() const;
    // Double click: the entries after index (from the first entry when index is
    // -1) up to the next note get the inverse of the first one's state.
    void ToggleGroup(int index);
    // Drag and drop: the entry at from moves to the position of the entry at to.
    void Move(int from, int to);
    // Rebuilds every poke's display text in the radix.
    void RefreshTexts(bool hex);

    // Writes the ticked pokes in list order. On Consul 2717 a flagged poke is
    // written with the remapping on, the others with the machine's own state,
    // which is restored afterwards.
    void Apply(ChipMemory& memory, int model) const;

    // The file: one line per entry, CR LF ended; notes "; text", pokes in decimal.
    std::string FileText() const;
    // Written through a temporary file renamed over the target.
    bool Save(const std::string& path) const;
    // Clears the list and reads the file; loading stops at the first bad line,
    // keeping what was read before it. A remap flag outside C000h..CFFFh is
    // dropped with a warning line (older files).
    PokeLoadResult Load(const std::string& path, bool hex);

private:
    int Insert(PokeItem item, int before);
    std::vector<PokeItem> items;
};
