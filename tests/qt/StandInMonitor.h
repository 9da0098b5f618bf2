#pragma once
// A monitor ROM of our own for window tests and the painting benchmark.
#include <QByteArray>
#include <QString>

#include <cstdint>
#include <initializer_list>

// The stand-in monitor, assembled for a ROM seen at 8000h after the boot
// mapping ends (every model used here):
//   JMP 8003h; LXI SP,7000h
//   end of the boot mapping (Consul 2717: mode 82h, port C 0 = narrow
//   screen, then a read; others: any system-port write)
//   clear C000h-FFFFh
//   for row r = 0..255: byte at C000h + 64 r + (r >> 3) = 41h odd r, 15h even r
//   JMP $ (with ticking: forever increment the byte at C000h + 64 * 200 + 40,
//   about every 2 ms, so that one row changes in every frame)
inline QByteArray StandInMonitor(bool consul, uint16_t& haltAddress, bool ticking = false) {
    const int b = 0x8000;
    QByteArray p;
    auto put = [&p](std::initializer_list<int> bytes) {
        for (int v : bytes) p.append(static_cast<char>(v));
    };
    auto here = [&p, b] { return b + static_cast<int>(p.size()); };
    auto jump = [&put](int opcode, int target) { put({opcode, target & 0xFF, (target >> 8) & 0xFF}); };

    jump(0xC3, b + 3);
    put({0x31, 0x00, 0x70});
    if (consul)
        put({0x3E, 0x82, 0xD3, 0x87, 0xDB, 0x84});  // MVI A,82h; OUT 87h; IN 84h
    else
        put({0xD3, 0x84});                          // OUT 84h
    put({0x21, 0x00, 0xC0});                        // LXI H,C000h
    const int clear = here();
    put({0x36, 0x00, 0x23, 0x7C, 0xB5});            // MVI M,0; INX H; MOV A,H; ORA L
    jump(0xC2, clear);
    put({0x21, 0x00, 0xC0, 0x06, 0x00});            // LXI H,C000h; MVI B,0
    const int row = here();
    put({0x78, 0x0F, 0x0F, 0x0F, 0xE6, 0x1F});      // MOV A,B; RRC x3; ANI 1Fh
    put({0x5F, 0x16, 0x00, 0xE5, 0x19});            // MOV E,A; MVI D,0; PUSH H; DAD D
    put({0x78, 0xE6, 0x01, 0x3E, 0x15});            // MOV A,B; ANI 1; MVI A,15h
    const int store = here() + 5;
    jump(0xCA, store);                               // JZ store
    put({0x3E, 0x41});                              // MVI A,41h
    put({0x77, 0xE1});                              // store: MOV M,A; POP H
    put({0x11, 0x40, 0x00, 0x19, 0x04});            // LXI D,64; DAD D; INR B
    jump(0xC2, row);
    haltAddress = static_cast<uint16_t>(here());
    if (ticking) {
        put({0x21, 0x28, 0xF2});                    // LXI H,C000h + 64 * 200 + 40
        const int tick = here();
        put({0x34, 0x06, 0x00});                    // INR M; MVI B,0
        const int wait = here();
        put({0x05});                                // DCR B
        jump(0xC2, wait);                            // JNZ wait
        jump(0xC3, tick);
    } else {
        jump(0xC3, here());                          // JMP $
    }
    p.append(QByteArray(4096 - p.size(), '\0'));
    return p;
}

// Makes the configuration text boot model from the monitor ROM file rom.
inline void UseMonitorRom(QString& config, const QString& model, const QString& rom) {
    const QString open = "<" + model + (model == "Model-2A" ? " ram256k=\"false\">" : ">");
    const int at = config.indexOf(open);
    const int romAt = config.indexOf("<RomFile/>", at);
    if (at >= 0 && romAt >= 0) config.replace(romAt, 10, "<RomFile>" + rom + "</RomFile>");
}
