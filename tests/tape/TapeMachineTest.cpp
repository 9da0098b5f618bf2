// The tape interface inside a running machine: an 8080 with RAM, the timer
// interface and the tape interface wired as the machine builder wires them,
// running small programs of our own that read and write the 8251 the way a
// monitor's tape routines do.
#include <gtest/gtest.h>

#include <vector>

#include "machine/core/ModelIndex.h"
#include "machine/cpu/ChipCpu8080.h"
#include "machine/cpu/ChipMemoryModels.h"
#include "machine/timer/IifTimer.h"
#include "tests/tape/TapeTestUtil.h"

using namespace tapetest;

namespace {

constexpr uint16_t kDest = 0x4000;
constexpr uint16_t kSource = 0x2000;
constexpr uint16_t kCount = 0x5000;

class Machine {
public:
    explicit Machine(int model) : model(model), cpu(memory), timer(model, &cpu), tape(model) {
        memory.Reset();
        memory.EndBootMapping();  // RAM from 0000h
        cpu.AddPortDevice(0x5C, 0xFC, 0, &timer);
        cpu.AddCycleCallback(timer.TickHook());
        cpu.AddPortDevice(DataPort(model), 0xFC, 1, &tape);
        if (!Plain(model)) timer.SetOutputListener(MakeClosure<&IifTape::OnTimerOut>(&tape));
        cpu.AddCycleCallback(tape.TickHook());
        log.Attach(tape);
    }
    ~Machine() { timer.SetOutputListener(IifTimer::OutputListener()); }

    void Load(uint16_t address, const std::vector<uint8_t>& bytes) {
        for (size_t i = 0; i < bytes.size(); ++i) memory.WriteByte(address + static_cast<int32_t>(i), bytes[i]);
    }
    std::vector<uint8_t> Read(uint16_t address, size_t n) {
        std::vector<uint8_t> out;
        for (size_t i = 0; i < n; ++i) out.push_back(memory.ReadByte(address + static_cast<int32_t>(i)));
        return out;
    }
    // Runs until HLT or the cycle limit; returns false at the limit.
    bool Run(int64_t limit) {
        int64_t total = 0;
        while (!cpu.Halt && total < limit) {
            total += cpu.Step();
            if (cpu.SliceClock >= 4096) cpu.SliceClock -= 4096;
        }
        return cpu.Halt != 0;
    }
    void RunCycles(int64_t n) {
        for (int64_t t = 0; t < n && !cpu.Halt;) {
            t += cpu.Step();
            if (cpu.SliceClock >= 4096) cpu.SliceClock -= 4096;
        }
    }

    int model;
    ChipMemory12 memory{4};
    ChipCpu8080 cpu;
    IifTimer timer;
    IifTape tape;
    EventLog log;
};

uint8_t Lo(int v) { return static_cast<uint8_t>(v); }
uint8_t Hi(int v) { return static_cast<uint8_t>(v >> 8); }

// Plain wiring: the 8251 receiver does the work; the loop polls RxRDY.
std::vector<uint8_t> UsartReceiveLoop(int model, int count) {
    const uint8_t c = ControlPort(model), d = DataPort(model);
    return {
        0x31, 0x00, 0x70,              // 0000 LXI SP,7000h
        0x3E, kModeX1Bits8Stop2,       // 0003 MVI A,mode
        0xD3, c,                       // 0005 OUT ctrl
        0x3E, kCommand,                // 0007 MVI A,command
        0xD3, c,                       // 0009 OUT ctrl
        0x21, Lo(kDest), Hi(kDest),    // 000B LXI H,dest
        0x01, Lo(count), Hi(count),    // 000E LXI B,count
        0xDB, c,                       // 0011 IN ctrl
        0xE6, 0x02,                    // 0013 ANI 02h (RxRDY)
        0xCA, 0x11, 0x00,              // 0015 JZ 0011
        0xDB, d,                       // 0018 IN data
        0x77,                          // 001A MOV M,A
        0x23,                          // 001B INX H
        0x0B,                          // 001C DCX B
        0x78,                          // 001D MOV A,B
        0xB1,                          // 001E ORA C
        0xC2, 0x11, 0x00,              // 001F JNZ 0011
        0x76,                          // 0022 HLT
    };
}

// Phase-encoded wiring: the monitor samples DSR in status bit 7 and decodes
// the phase encoding by the time between level changes: a change after one
// half-bit is a cell boundary, after a whole bit the middle of a cell whose
// bit differs from the one before.
std::vector<uint8_t> PhaseReceiveLoop(int model, int count) {
    const uint8_t c = ControlPort(model);
    constexpr uint8_t kLong = 35;  // polls of 36 cycles: a half-bit is ~23, a bit ~47
    std::vector<uint8_t> p = {
        0x31, 0x00, 0x70,              // 0000 LXI SP,7000h
        0x21, Lo(count), Hi(count),    // 0003 LXI H,count
        0x22, Lo(kCount), Hi(kCount),  // 0006 SHLD count
        0x21, Lo(kDest), Hi(kDest),    // 0009 LXI H,dest
        0xDB, c,                       // 000C IN ctrl
        0xE6, 0x80,                    // 000E ANI 80h
        0x57,                          // 0010 MOV D,A
        // sync: 32 short intervals in a row (the lead-in), then a long one
        0x06, 0x20,                    // 0011 MVI B,32
        0xCD, 0x60, 0x00,              // 0013 CALL EDGE
        0x79,                          // 0016 MOV A,C
        0xFE, kLong,                   // 0017 CPI long
        0xD2, 0x11, 0x00,              // 0019 JNC 0011
        0x05,                          // 001C DCR B
        0xC2, 0x13, 0x00,              // 001D JNZ 0013
        0xCD, 0x60, 0x00,              // 0020 CALL EDGE
        0x79,                          // 0023 MOV A,C
        0xFE, kLong,                   // 0024 CPI long
        0xDA, 0x20, 0x00,              // 0026 JC 0020
        0x1E, 0x00,                    // 0029 MVI E,0 (the start bit)
        // byte: eight data bits into M, least significant first
        0x06, 0x08,                    // 002B MVI B,8
        0xCD, 0x70, 0x00,              // 002D CALL NEXTBIT
        0x7B,                          // 0030 MOV A,E
        0x1F,                          // 0031 RAR
        0x7E,                          // 0032 MOV A,M
        0x1F,                          // 0033 RAR
        0x77,                          // 0034 MOV M,A
        0x05,                          // 0035 DCR B
        0xC2, 0x2D, 0x00,              // 0036 JNZ 002D
        0xCD, 0x70, 0x00,              // 0039 CALL NEXTBIT (stop bit)
        0xCD, 0x70, 0x00,              // 003C CALL NEXTBIT (stop bit)
        0x23,                          // 003F INX H
        0xE5,                          // 0040 PUSH H
        0x2A, Lo(kCount), Hi(kCount),  // 0041 LHLD count
        0x2B,                          // 0044 DCX H
        0x22, Lo(kCount), Hi(kCount),  // 0045 SHLD count
        0x7C,                          // 0048 MOV A,H
        0xB5,                          // 0049 ORA L
        0xE1,                          // 004A POP H
        0xCA, 0x56, 0x00,              // 004B JZ 0056
        0xCD, 0x70, 0x00,              // 004E CALL NEXTBIT (start bit)
        0xC3, 0x2B, 0x00,              // 0051 JMP 002B
        0x00, 0x00,                    // 0054
        0x76,                          // 0056 HLT
    };
    p.resize(0x60, 0x00);
    const std::vector<uint8_t> edge = {
        // EDGE: waits for DSR to change; C = polls taken, D = the new level
        0x0E, 0x00,                    // 0060 MVI C,0
        0x0C,                          // 0062 INR C
        0xDB, c,                       // 0063 IN ctrl
        0xE6, 0x80,                    // 0065 ANI 80h
        0xBA,                          // 0067 CMP D
        0xCA, 0x62, 0x00,              // 0068 JZ 0062
        0x57,                          // 006B MOV D,A
        0xC9,                          // 006C RET
        0x00, 0x00, 0x00,              // 006D
        // NEXTBIT: from the middle of one cell to the middle of the next; E = its bit
        0xCD, 0x60, 0x00,              // 0070 CALL EDGE
        0x79,                          // 0073 MOV A,C
        0xFE, kLong,                   // 0074 CPI long
        0xDA, 0x7F, 0x00,              // 0076 JC 007F
        0x7B,                          // 0079 MOV A,E
        0xEE, 0x01,                    // 007A XRI 1
        0x5F,                          // 007C MOV E,A
        0xC9,                          // 007D RET
        0x00,                          // 007E
        0xCD, 0x60, 0x00,              // 007F CALL EDGE
        0xC9,                          // 0082 RET
    };
    p.insert(p.end(), edge.begin(), edge.end());
    return p;
}

// Writes count bytes from the source through the 8251, waiting for TxRDY.
std::vector<uint8_t> SendLoop(int model, int count) {
    const uint8_t c = ControlPort(model), d = DataPort(model);
    std::vector<uint8_t> p = {
        0x31, 0x00, 0x70,              // LXI SP,7000h
        0x3E, kModeX1Bits8Stop2,       // MVI A,mode
        0xD3, c,                       // OUT ctrl
        0x3E, kCommand,                // MVI A,command
        0xD3, c,                       // OUT ctrl
    };
    if (!Plain(model)) {
        // TxC from the timer: the listened counter in mode 3 with count 100.
        const bool c2717 = model == kModelC2717;
        const std::vector<uint8_t> timer = {
            0x3E, static_cast<uint8_t>(c2717 ? 0x36 : 0x76),  // MVI A,control word
            0xD3, 0x5F,                                       // OUT 5Fh
            0x3E, 100,                                        // MVI A,100
            0xD3, static_cast<uint8_t>(c2717 ? 0x5C : 0x5D),  // OUT counter
            0x3E, 0,                                          // MVI A,0
            0xD3, static_cast<uint8_t>(c2717 ? 0x5C : 0x5D),  // OUT counter
        };
        p.insert(p.end(), timer.begin(), timer.end());
    }
    const uint16_t loop = static_cast<uint16_t>(p.size() + 6);
    const std::vector<uint8_t> body = {
        0x21, Lo(kSource), Hi(kSource),  // LXI H,source
        0x01, Lo(count), Hi(count),      // LXI B,count
        0xDB, c,                         // loop: IN ctrl
        0xE6, 0x01,                      // ANI 01h (TxRDY)
        0xCA, Lo(loop), Hi(loop),        // JZ loop
        0x7E,                            // MOV A,M
        0xD3, d,                         // OUT data
        0x23,                            // INX H
        0x0B,                            // DCX B
        0x78,                            // MOV A,B
        0xB1,                            // ORA C
        0xC2, Lo(loop), Hi(loop),        // JNZ loop
        0x76,                            // HLT
    };
    p.insert(p.end(), body.begin(), body.end());
    return p;
}

std::vector<uint8_t> TestBytes(int n, int seed) {
    std::vector<uint8_t> v;
    uint32_t x = static_cast<uint32_t>(seed) * 2654435761u + 1;
    for (int i = 0; i < n; ++i) {
        x = x * 1103515245u + 12345u;
        v.push_back(static_cast<uint8_t>(x >> 16));
    }
    // A first byte whose bits all differ from their neighbours' shows a
    // receiver one bit early or late.
    v[0] = 0x55;
    v[1] = 0x00;
    v[2] = 0xFF;
    return v;
}

struct PlayCase {
    int model;
    int headerPart;
    int first;
    int delayCycles;  // before the block starts: moves the bit cells against the clock
};

class MachinePlay : public ::testing::TestWithParam<PlayCase> {};

}  // namespace

TEST_P(MachinePlay, ReceiveLoopReadsThePlayedBlockByteExact) {
    const PlayCase c = GetParam();
    Machine m(c.model);
    const int n = c.headerPart ? 63 : 300;
    const std::vector<uint8_t> block = TestBytes(n, c.model * 10 + c.headerPart);
    m.Load(0, Plain(c.model) ? UsartReceiveLoop(c.model, n) : PhaseReceiveLoop(c.model, n));
    m.RunCycles(c.delayCycles);
    m.tape.StartBlock(block.data(), n, c.first, 0, c.headerPart);
    ASSERT_TRUE(m.Run(40000000)) << "the loop did not finish";
    EXPECT_EQ(m.Read(kDest, static_cast<size_t>(n)), block);
    // The receive loop finishes with the block's last bit.
    m.cpu.Halt = 0;
    m.cpu.PC = 0x0100;
    m.Load(0x0100, {0xC3, 0x00, 0x01});  // JMP 0100h
    m.RunCycles(853 * 600);
    EXPECT_EQ(m.log.Count(TapeEventPartEnd), 1);
    EXPECT_EQ(m.tape.GetActivity(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    BothWirings, MachinePlay,
    ::testing::Values(PlayCase{0, 1, 1, 100}, PlayCase{0, 1, 1, 953}, PlayCase{0, 0, 0, 100},
                      PlayCase{0, 0, 0, 953}, PlayCase{5, 1, 0, 100}, PlayCase{5, 0, 0, 953},
                      PlayCase{1, 1, 1, 100}, PlayCase{2, 1, 0, 953}, PlayCase{2, 0, 0, 100},
                      PlayCase{3, 0, 0, 953}, PlayCase{6, 1, 1, 100}, PlayCase{7, 0, 0, 953}));

class MachineSave : public ::testing::TestWithParam<int> {};

TEST_P(MachineSave, SendLoopIsCapturedAsTheTapeRecord) {
    const int model = GetParam();
    Machine m(model);
    std::vector<uint8_t> save(16, 0xFF);
    save.insert(save.end(), 16, 0x00);
    save.insert(save.end(), 16, 0x55);
    const int bodyLength = 40;  // length field; the body is two bytes longer
    std::vector<uint8_t> header = TestBytes(15, 7);
    header[4] = Lo(bodyLength);
    header[5] = Hi(bodyLength);
    save.insert(save.end(), header.begin(), header.end());
    const std::vector<uint8_t> body = TestBytes(bodyLength + 2, 8);
    save.insert(save.end(), body.begin(), body.end());

    m.Load(kSource, save);
    m.Load(0, SendLoop(model, static_cast<int>(save.size())));
    ASSERT_TRUE(m.Run(20000000));
    EXPECT_EQ(m.log.events, (std::vector<int>{TapeEventHeader, TapeEventRecorded}));

    std::vector<uint8_t> expected{63, 0};
    expected.insert(expected.end(), save.begin(), save.begin() + 63);
    expected.push_back(Lo(bodyLength + 2));
    expected.push_back(Hi(bodyLength + 2));
    expected.insert(expected.end(), body.begin(), body.end());
    std::vector<uint8_t> out;
    m.tape.GetCapturedBlock(out);
    EXPECT_EQ(out, expected);
    EXPECT_EQ(m.tape.GetActivity(), 11);
}

INSTANTIATE_TEST_SUITE_P(BothWirings, MachineSave, ::testing::Values(0, 1, 2, 3, 5, 6, 7));

// What the receive loop read at tape speed, the traps' block and byte
// services hand over at once, without emulated time passing.
TEST(MachineTraps, BlockAndByteServicesDeliverThePlayedBytesAtOnce) {
    for (int model : {0, 2}) {
        SCOPED_TRACE(model);
        Machine m(model);
        const int n = 300;
        const std::vector<uint8_t> block = TestBytes(n, model * 10);
        m.Load(0, Plain(model) ? UsartReceiveLoop(model, n) : PhaseReceiveLoop(model, n));
        m.tape.StartBlock(block.data(), n, 0, 0, 0);
        ASSERT_TRUE(m.Run(40000000));
        ASSERT_EQ(m.Read(kDest, n), block);

        // The loop ends with the last byte, before the trailer: the next
        // StartBlock replaces the rest of the part.
        const int ends = m.log.Count(TapeEventPartEnd);
        m.tape.StartBlock(block.data(), n, 0, 1, 0);
        const uint8_t* data = nullptr;
        int32_t length = 0;
        ASSERT_TRUE(m.tape.GetTrapBlock(&data, &length));
        ASSERT_EQ(length, n);
        EXPECT_EQ(std::vector<uint8_t>(data, data + length), m.Read(kDest, n));
        if (!Plain(model)) {
            // The byte service of the other models.
            std::vector<uint8_t> got;
            uint8_t b = 0;
            while (m.tape.TakeTrapByte(&b) == 0) got.push_back(b);
            EXPECT_EQ(got, m.Read(kDest, n));
        } else {
            m.tape.SkipTrapBytes(n);
        }
        EXPECT_EQ(m.tape.GetPlayState(), 0);
        EXPECT_EQ(m.log.Count(TapeEventPartEnd), ends + 1);
    }
}
