#pragma once
// Disassembly of memory areas to a listing: with addresses (and a hex dump)
// or assembler-like with generated labels.
#include <bitset>
#include <cstdint>
#include <string>
#include <vector>

class ChipMemory;

namespace dbg {

enum AreaType : int32_t { AreaCode = 0, AreaBytes = 1, AreaText = 2, AreaWords = 3, AreaSpace = 4 };

struct DisassArea {
    int32_t from = 0;
    int32_t to = 0;
    int32_t offset = 0;
    int32_t type = AreaCode;
    bool valuesAsLabels = false;
    bool operator==(const DisassArea&) const = default;
};

// False when the bounds are outside 0..FFFFh, to < from, the type is unknown
// or the offset is outside 0..FFFFh (relocated addresses wrap past FFFFh).
bool AreaIsValid(const DisassArea& area);

// Inserts before the first area with a greater from.
void InsertArea(std::vector<DisassArea>& areas, const DisassArea& area);

// The address proposed after adding the area (words are whole words).
int32_t NextFreeAddress(const DisassArea& area);

struct ListingOptions {
    bool labels = true;    // assembler-like with labels, else addresses
    bool hexDump = false;  // addresses mode only
    bool decimal = false;
    int notation = 0;      // 0 Intel, 1 Z80
};

class ListingWriter {
public:
    ListingWriter(ChipMemory& memory, const ListingOptions& options) : memory(memory), opt(options) {}
    // The whole listing, lines ending in CR LF. Labels that are used but not
    // defined by any line are listed with their values after the areas.
    std::string Write(const std::vector<DisassArea>& areas);
    // Labels used by the last Write but not defined by any of its lines.
    const std::vector<uint16_t>& UndefinedLabels() const { return undefined; }

private:
    void BuildSets(const std::vector<DisassArea>& areas);
    std::string AddressColumn(uint32_t v);
    std::string LabelText(uint16_t v, int distance = 0);
    std::string ByteNumber(unsigned v, bool assemblerForm);
    std::string WordNumber(unsigned v);
    void Line(const std::string& text);
    void WriteCode(const DisassArea& a);
    void WriteBytes(const DisassArea& a);
    void WriteText(const DisassArea& a);
    void WriteWords(const DisassArea& a);
    void WriteSpace(const DisassArea& a);
    std::string Mnemonic(const char* intel, const char* z80) const { return opt.notation == 1 ? z80 : intel; }

    ChipMemory& memory;
    ListingOptions opt;
    std::bitset<65536> codeSet, labelSet, defined, used;
    std::vector<uint16_t> undefined;
    std::string out;
};

// Writes the listing through a temporary file renamed over path.
bool SaveListing(const std::string& path, ChipMemory& memory, const std::vector<DisassArea>& areas,
                 const ListingOptions& options);

// Area-list files: one "from,to,offset,type,flag" line per area, CR LF.
std::string AreaListText(const std::vector<DisassArea>& areas);
// Reads the entries up to the first bad one; returns 0 when all were good,
// else the line number of the bad entry (the good ones before it are kept).
int ParseAreaList(const std::string& text, std::vector<DisassArea>& areas);

}  // namespace dbg
