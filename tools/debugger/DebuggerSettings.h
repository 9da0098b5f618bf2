#pragma once
// The debugger's element of the configuration document.
#include <cstdint>
#include <string>

#include <pugixml.hpp>

namespace dbg {

struct DebuggerSettings {
    int x = 0, y = 0;
    bool decimal = false;
    int notation = 0;
    int highlightColor = 15714740;
    int memAddress = 0;
    int source = 6;  // MEM AF BC DE HL PC SP
    int type = 2;    // Dump Ascii Disassembling
    uint16_t bpAddress[6] = {};
    bool bpActive[6] = {};
};

// Reads the element (null: every default). The position is taken as stored.
DebuggerSettings ReadDebuggerSettings(pugi::xml_node element);
// Writes everything but the highlight colour; creates the children it needs.
void WriteDebuggerSettings(pugi::xml_node element, const DebuggerSettings& s);

// The 8253 counter texts of the peripheral-status window from its 18-byte state.
struct CounterTexts {
    std::string mode, count, preset, levels;
};
CounterTexts DescribeCounter(const uint8_t state[18], int counter);

}  // namespace dbg
