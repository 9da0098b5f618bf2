#pragma once
// Shared helpers of the tape tests: an event log for the interface, the
// expected line of a played block, and small USART set-up words.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "machine/core/ModelIndex.h"
#include "machine/tape/IifTape.h"

namespace tapetest {

// Async mode words: bits 0-1 clock factor, 2-3 length, 6-7 stop bits.
constexpr uint8_t kModeX1Bits8Stop2 = 0xCD;
constexpr uint8_t kModeX16Bits8Stop2 = 0xCE;
// TxEN, DTR, RxE, error reset, RTS.
constexpr uint8_t kCommand = 0x37;

inline uint8_t DataPort(int model) { return (model == kModelAlfa || model == kModelAlfa2) ? 0xF0 : 0x1C; }
inline uint8_t ControlPort(int model) { return static_cast<uint8_t>(DataPort(model) + 1); }
inline bool Plain(int model) { return model == kModel1 || model == kModelAlfa; }

// Records every event the interface sends; answers 'monitor' to event 4.
struct EventLog {
    std::vector<int> events;
    int monitorCalls = 0;
    uint8_t monitor = 0;
    std::function<void(int)> onEvent;  // run for events other than 4
    uint8_t Handle(int event) {
        if (event == TapeEventMonitor) {
            monitorCalls++;
            return monitor;
        }
        events.push_back(event);
        if (onEvent) onEvent(event);
        return 0;
    }
    int Count(int event) const {
        int n = 0;
        for (int e : events) n += e == event;
        return n;
    }
    void Attach(IifTape& tape) { tape.SetEventHandler(MakeClosure<&EventLog::Handle>(this)); }
};

struct SoundLog {
    struct Entry {
        int channel, on;
        int32_t position;
    };
    std::vector<Entry> entries;
    void Level(int channel, int on, int32_t position) { entries.push_back({channel, on, position}); }
    void Attach(IifTape& tape) { tape.SetSoundSink(MakeClosure<&SoundLog::Level>(this)); }
};

// The line of a played block, one level per half-bit: the lead-in of 1s,
// then per byte a start bit 0, eight data bits least significant first and
// two stop bits 1, each bit two half-bits, then the trailer of 1s.
inline std::vector<uint8_t> ExpectedLine(const std::vector<uint8_t>& bytes, int leadIn, int trailer) {
    std::vector<uint8_t> line(static_cast<size_t>(leadIn), 1);
    for (uint8_t b : bytes) {
        std::vector<uint8_t> bits{0};
        for (int i = 0; i < 8; ++i) bits.push_back((b >> i) & 1);
        bits.push_back(1);
        bits.push_back(1);
        for (uint8_t bit : bits) {
            line.push_back(bit);
            line.push_back(bit);
        }
    }
    line.insert(line.end(), static_cast<size_t>(trailer), 1);
    return line;
}

// One half-bit of emulated time.
inline void HalfBit(IifTape& tape, int32_t sliceClock = 0) { tape.Tick(sliceClock, IifTape::HalfBitCycles); }

// The DSR pin as the monitor sees it: status bit 7 is set while DSR is low.
inline int Dsr(IifTape& tape, int model) { return (tape.ReadPort(ControlPort(model), 0) & 0x80) ? 0 : 1; }

}  // namespace tapetest
