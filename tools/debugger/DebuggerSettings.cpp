#include "tools/debugger/DebuggerSettings.h"

#include <string>

#include "common/Config.h"
#include "common/TextUtils.h"

namespace dbg {

namespace {
const char* const kSources[7] = {"mem", "af", "bc", "de", "hl", "pc", "sp"};
const char* const kTypes[3] = {"dump", "ascii", "disassembly"};

}  // namespace

DebuggerSettings ReadDebuggerSettings(pugi::xml_node e) {
    DebuggerSettings s;
    if (!e) return s;
    s.x = ReadAttrInt(e, "x", 0);
    s.y = ReadAttrInt(e, "y", 0);
    s.decimal = AttrEquals(e, "radix", "dec");
    s.notation = AttrEquals(e, "notation", "z80") ? 1 : 0;
    s.highlightColor = ReadAttrInt(e, "highlight-color", 15714740);
    pugi::xml_node list = FindChildElement(e, "List");
    int mem = 0;
    if (list && ParseConfigInt(ReadElementText(list).c_str(), mem)) s.memAddress = mem & 0xFFFF;
    s.source = 6;
    for (int i = 0; i < 6; ++i)
        if (AttrEquals(list, "source", kSources[i])) s.source = i;
    s.type = AttrEquals(list, "type", "dump") ? 0 : AttrEquals(list, "type", "ascii") ? 1 : 2;
    pugi::xml_node bps = FindChildElement(e, "BreakPoints");
    for (int k = 0; k < 6; ++k) {
        const std::string name = "BP" + std::to_string(k + 1);
        pugi::xml_node bp = FindChildElement(bps, name.c_str());
        int a = 0;
        if (bp && ParseConfigInt(ReadElementText(bp).c_str(), a)) s.bpAddress[k] = static_cast<uint16_t>(a);
        s.bpActive[k] = ReadAttrBool(bp, "active", false);
    }
    return s;
}

void WriteDebuggerSettings(pugi::xml_node e, const DebuggerSettings& s) {
    if (!e) return;
    WriteAttrInt(e, "x", s.x);
    WriteAttrInt(e, "y", s.y);
    WriteAttrString(e, "radix", s.decimal ? "dec" : "hex");
    WriteAttrString(e, "notation", s.notation == 1 ? "z80" : "i8080");
    pugi::xml_node list = ChildForWrite(e, "List");
    WriteElementInt(list, s.memAddress);
    WriteAttrString(list, "source", kSources[s.source >= 0 && s.source < 7 ? s.source : 6]);
    WriteAttrString(list, "type", kTypes[s.type >= 0 && s.type < 3 ? s.type : 2]);
    pugi::xml_node bps = ChildForWrite(e, "BreakPoints");
    for (int k = 0; k < 6; ++k) {
        const std::string name = "BP" + std::to_string(k + 1);
        pugi::xml_node bp = ChildForWrite(bps, name.c_str());
        WriteElementInt(bp, s.bpAddress[k]);
        WriteAttrBool(bp, "active", s.bpActive[k] ? 1 : 0);
    }
}

CounterTexts DescribeCounter(const uint8_t st[18], int i) {
    static const char* const kAccess[4] = {"CAP", "LSB", "MSB", "BOTH"};
    CounterTexts t;
    const uint8_t control = st[3 * i];
    int mode = (control >> 1) & 7;
    if (mode >= 6) mode -= 4;
    const bool bcd = control & 1;
    t.mode = std::to_string(mode) + " / " + (bcd ? "BCD" : "BIN") + " / " + kAccess[(control >> 4) & 3];
    const unsigned cr = st[3 * i + 1] | st[3 * i + 2] << 8;
    const unsigned ce = st[9 + 2 * i] | st[10 + 2 * i] << 8;
    t.preset = FormatNumber(cr, true, true, true, false, !bcd);
    t.count = FormatNumber(ce, true, true, true, false, !bcd);
    const uint8_t lv = st[15 + i];
    t.levels = std::string(lv & 0x20 ? "1" : "0") + " / " + (lv & 0x10 ? "1" : "0") + " / " + (lv & 0x80 ? "1" : "0");
    return t;
}

}  // namespace dbg
