#include "tools/debugger/MemoryEdit.h"

#include "machine/cpu/ChipMemory.h"
#include "tools/debugger/Disassembler.h"

namespace dbg {

void CopyMemory(ChipMemory& m, int32_t start, int32_t end, int32_t target) {
    if (end < start) return;
    if (target < start) {
        for (int32_t a = start; a <= end; ++a, ++target) m.WriteByte(target & 0xFFFF, m.ReadByte(a & 0xFFFF));
    } else {
        target += end - start;
        for (int32_t a = end; a >= start; --a, --target) m.WriteByte(target & 0xFFFF, m.ReadByte(a & 0xFFFF));
    }
}

void FillMemory(ChipMemory& m, int32_t start, int32_t end, uint8_t value) {
    for (int32_t a = start; a <= end; ++a) m.WriteByte(a & 0xFFFF, value);
}

int WriteTextBytes(ChipMemory& m, int32_t address, const std::u16string& text) {
    int written = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const int32_t a = address + static_cast<int32_t>(i);
        if (a < 0 || a > 0xFFFF) break;
        const uint8_t old = m.ReadByte(a);
        if (text[i] == u'.' && DumpChar(old) == '.') continue;
        m.WriteByte(a, static_cast<uint8_t>(text[i] & 0xFF));
        ++written;
    }
    return written;
}

void WriteDumpBytes(ChipMemory& m, int32_t address, const uint8_t bytes[8]) {
    for (int i = 0; i < 8; ++i)
        if (address + i <= 0xFFFF) m.WriteByte(address + i, bytes[i]);
}

}  // namespace dbg
