#pragma once
// A 4 KB monitor of our own for the PMD 85 models (ROM at 8000h once the
// boot mapping ends): writes 55h, AAh at the start of video RAM (C000h),
// then either writes 0Fh after them and stops, or counts that byte up for ever.
#include <QByteArray>

#include <initializer_list>

inline QByteArray VideoMarkMonitor(bool counting) {
    QByteArray rom;
    auto put = [&rom](std::initializer_list<int> bytes) {
        for (int b : bytes) rom.append(static_cast<char>(b));
    };
    put({0xC3, 0x03, 0x80});        // JMP 8003h
    put({0x31, 0x00, 0x70});        // LXI SP,7000h
    put({0xD3, 0x84});              // OUT 84h: boot mapping off
    put({0x21, 0x00, 0xC0});        // LXI H,C000h
    put({0x36, 0x55, 0x23});        // MVI M,55h; INX H
    put({0x36, 0xAA, 0x23});        // MVI M,AAh; INX H
    if (counting)
        put({0x34, 0xC3, 0x11, 0x80});  // 8011h: INR M; JMP 8011h
    else
        put({0x36, 0x0F, 0xC3, 0x13, 0x80});  // MVI M,0Fh; 8013h: JMP $
    rom.resize(4096, '\0');
    return rom;
}
