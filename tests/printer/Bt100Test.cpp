#include <gtest/gtest.h>

#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "machine/pio/IifGPIO.h"
#include "machine/printer/Bt100.h"
#include "machine/printer/PrinterPaper.h"
#include "platform/ParPort.h"
#include "tests/support/FlatMachine.h"

using namespace testsupport;

namespace {

std::vector<std::pair<int, int>> TakeAll(Bt100& p) {
    std::vector<std::pair<int, int>> out;
    PaperDot d;
    while (p.GetDotQueue()->Pop(d)) out.emplace_back(d.x, d.y);
    return out;
}

struct Fixture : ::testing::Test {
    void SetUp() override { gpio.WritePort(0x4F, 0x88, 0); }  // A out, C upper in, C lower out
    void Lines(uint8_t v) { gpio.WritePort(0x4C, v, 0); }
    uint8_t PortC() { return gpio.ReadPort(0x4E, 0); }
    IifGPIO gpio;
};

TEST_F(Fixture, ResetPositionAndNeedleDots) {
    Bt100 p(gpio, 0);
    EXPECT_EQ(p.HeadX(), 80);
    EXPECT_EQ(p.PaperY(), 50);
    Lines(0xFE);  // needle down
    Lines(0xFE);  // again at the same place: a second dot
    Lines(0xFF);  // needle up: no dot
    EXPECT_EQ(TakeAll(p), (std::vector<std::pair<int, int>>{{171, 50}, {171, 50}}));
}

TEST_F(Fixture, HeadAndPaperStepTiming) {
    Bt100 p(gpio, 0);
    // Head left: 1136 cycles, then 568 for the second part.
    Lines(0x7F);
    EXPECT_EQ(PortC() & 0xF0, 0xD0);  // C7 1 (off grid), C6 1, C5 0, C4 1
    p.Tick(0, 1135);
    EXPECT_EQ(p.HeadX(), 80);
    p.Tick(0, 1);
    EXPECT_EQ(p.HeadX(), 79);
    EXPECT_EQ(PortC() & 0x40, 0x00);  // second part
    p.Tick(0, 567);
    EXPECT_EQ(PortC() & 0x40, 0x00);
    p.Tick(0, 1);
    EXPECT_EQ(PortC() & 0x40, 0x40);
    // Both directions at once stop the head.
    Lines(0x5F);
    p.Tick(0, 100000);
    EXPECT_EQ(p.HeadX(), 79);
    // Paper: 33552 + 568 cycles.
    Lines(0xEF);
    p.Tick(0, 33551);
    EXPECT_EQ(p.PaperY(), 50);
    p.Tick(0, 1);
    EXPECT_EQ(p.PaperY(), 51);
    EXPECT_EQ(PortC() & 0x10, 0x00);
    p.Tick(0, 568);
    EXPECT_EQ(PortC() & 0x10, 0x10);
    // The lower half of port C keeps the computer's own output.
    gpio.WritePort(0x4F, 0x01, 0);  // PC0 = 1
    gpio.WritePort(0x4F, 0x05, 0);  // PC2 = 1
    EXPECT_EQ(PortC() & 0x0F, 0x05);
}

TEST_F(Fixture, GridSensorAndStops) {
    Bt100 p(gpio, 0);
    Lines(0xDF);  // right
    for (int i = 0; i < 20; ++i) p.Tick(0, 1136 + 568);
    EXPECT_EQ(p.HeadX(), 100);
    EXPECT_EQ(PortC() & 0x80, 0x80);
    p.Tick(0, 1136 + 568 - 1);  // to 101: not on the grid
    Lines(0xFF);
    p.Tick(0, 1);
    EXPECT_EQ(p.HeadX(), 101);
    // Run right into the stop at 515.
    Lines(0xDF);
    p.Tick(0, 2000000);
    EXPECT_EQ(p.HeadX(), 515);
    EXPECT_FALSE(p.AtHome());
    // Left stop at -16 sets the home sensor C5.
    Lines(0x7F);
    for (int i = 0; i < 1000; ++i) p.Tick(0, 2000);
    EXPECT_EQ(p.HeadX(), -16);
    EXPECT_TRUE(p.AtHome());
    EXPECT_EQ(PortC() & 0x20, 0x20);
    // Paper line 819 is the picture's last row: a dot there is on the paper.
    Lines(0xEF);
    for (int i = 0; i < 819 - 50; ++i) p.Tick(0, 33552 + 568);
    EXPECT_EQ(p.PaperY(), 819);
    Lines(0xEE);
    Lines(0xEF);
    // One more line and the paper stops at 820: dots there fall off the paper
    // instead of piling up on the last row.
    for (int i = 0; i < 100; ++i) p.Tick(0, 33552 + 568);
    EXPECT_EQ(p.PaperY(), 820);
    Lines(0xEE);
    EXPECT_EQ(TakeAll(p), (std::vector<std::pair<int, int>>{{75, 819}, {75, 820}}));
}

TEST_F(Fixture, DotsPastThePaperEndAreNotDrawn) {
    Bt100 p(gpio, 0);
    Lines(0xEF);  // feed to the end of the paper
    for (int i = 0; i < 1000; ++i) p.Tick(0, 33552 + 568);
    Lines(0xEE);  // needle down past the end
    Lines(0xEE);
    PrinterPaper paper;
    EXPECT_EQ(paper.TakeDots(*p.GetDotQueue()), 2);
    for (int y = 0; y < paper.Height(); ++y) EXPECT_FALSE(paper.Dot(171, y)) << "row " << y;
}

// A head step once begun ends its second part: at the left stop, and when the
// program lets go of the motor line in the middle of it.
TEST_F(Fixture, AHeadStepFinishesAtTheStopAndWhenTheMotorStops) {
    Bt100 p(gpio, 0);
    Lines(0x7F);  // left, 96 steps to the stop
    for (int i = 0; i < 95; ++i) p.Tick(0, 1136 + 568);
    p.Tick(0, 1136);
    EXPECT_EQ(p.HeadX(), -16);
    EXPECT_EQ(PortC() & 0x60, 0x20) << "home, second part";
    p.Tick(0, 568);
    EXPECT_EQ(PortC() & 0x60, 0x60) << "the step ended at the stop";
    Lines(0xDF);  // right one step, then the line goes up in its second part
    p.Tick(0, 1136);
    EXPECT_EQ(p.HeadX(), -15);
    Lines(0xFF);
    EXPECT_EQ(PortC() & 0x40, 0x00);
    p.Tick(0, 568);
    EXPECT_EQ(PortC() & 0x40, 0x40);
    p.Tick(0, 100000);
    EXPECT_EQ(p.HeadX(), -15);
}

TEST_F(Fixture, SideOneUsesPortBAndTheLowerHalf) {
    gpio.WritePort(0x4F, 0x81, 0);  // B out, C lower in, C upper out
    Bt100 p(gpio, 1);
    gpio.WritePort(0x4D, 0x7F, 0);  // head left on port B
    p.Tick(0, 1136);
    EXPECT_EQ(p.HeadX(), 79);
    EXPECT_EQ(gpio.ReadPort(0x4E, 0) & 0x0F, 0x09);  // C3 1, C2 0 (second part), C1 0, C0 1
    gpio.WritePort(0x4D, 0xFE, 0);
    EXPECT_EQ(TakeAll(p), (std::vector<std::pair<int, int>>{{170, 50}}));
    Lines(0xFE);  // port A is not the printer's now
    EXPECT_TRUE(TakeAll(p).empty());
}

TEST_F(Fixture, DotQueueIsBoundedAndPaperClips) {
    Bt100 p(gpio, 0);
    for (size_t i = 0; i < Bt100::kDotQueueSize + 10; ++i) Lines(0xFE);
    EXPECT_EQ(p.GetDotQueue()->Size(), Bt100::kDotQueueSize);
    EXPECT_EQ(p.DroppedDots(), 10u);
    PrinterPaper paper;
    EXPECT_EQ(paper.TakeDots(*p.GetDotQueue()), int(Bt100::kDotQueueSize));
    EXPECT_TRUE(paper.Dot(171, 50));
    // Dots outside the picture are dropped, not written out of bounds.
    Bt100::DotQueue q;
    for (auto [x, y] : std::vector<std::pair<int, int>>{{-1, 0}, {640, 0}, {0, 820}, {0, -5}, {639, 819}})
        q.Push(PaperDot{int16_t(x), int16_t(y)});
    PrinterPaper small;
    EXPECT_EQ(small.TakeDots(q), 5);
    int black = 0;
    for (int y = 0; y < small.Height(); ++y)
        for (int x = 0; x < small.Width(); ++x) black += small.Dot(x, y);
    EXPECT_EQ(black, 1);
    EXPECT_TRUE(small.Dot(639, 819));
}

TEST_F(Fixture, ClearUnderTheMachineLockWhileTheEmulationPrints) {
    // The emulation prints under its lock; the window drains without it and
    // clears under it, as the paper window's Clear does.
    Bt100 p(gpio, 0);
    std::mutex machineLock;
    std::atomic<bool> done{false};
    std::thread emulation([&] {
        for (int i = 0; i < 20000; ++i) {
            std::lock_guard lk(machineLock);
            Lines(0xFE);
            Lines(0xDE);
            p.Tick(0, 1704);
        }
        done = true;
    });
    PrinterPaper paper;
    int clears = 0;
    while (!done) {
        paper.TakeDots(*p.GetDotQueue());
        if (++clears % 50 == 0) {
            std::lock_guard lk(machineLock);
            p.Reset();
            paper.Clear();
        }
        std::this_thread::yield();
    }
    emulation.join();
    paper.TakeDots(*p.GetDotQueue());
    std::lock_guard lk(machineLock);
    p.Reset();
    EXPECT_EQ(p.HeadX(), 80);
    EXPECT_TRUE(p.GetDotQueue()->Empty());
}

TEST(Bt100Program, NeedleLinesFromAProgramOfOurOwn) {
    FlatMachine fm;
    IifGPIO gpio;
    fm.cpu.AddPortDevice(0x4C, 0xFC, 1, &gpio);
    Bt100 printer(gpio, 0);
    fm.cpu.AddCycleCallback(printer.TickHook());
    Asm a;
    a.w(LXI_SP, 0xF000).b(MVI_A, 0x88).b(OUT, 0x4F).b(MVI_A, 0xFF).b(OUT, 0x4C);
    a.to(CALL, "dot");  // (171, 50)
    a.b(MVI_B, 10);
    a.at("r").b(MVI_A, 0xDF).b(OUT, 0x4C).b(MVI_D, 0x40).to(CALL, "step").b(DCR_B).to(JNZ, "r");
    a.b(MVI_A, 0xFF).b(OUT, 0x4C).to(CALL, "dot");  // (181, 50)
    a.b(MVI_B, 3);
    a.at("p").b(MVI_A, 0xEF).b(OUT, 0x4C).b(MVI_D, 0x10).to(CALL, "step").b(DCR_B).to(JNZ, "p");
    a.b(MVI_A, 0xFF).b(OUT, 0x4C).to(CALL, "dot");  // (181, 53)
    a.b(MVI_A, 0x7F).b(OUT, 0x4C);                  // home: left until C5
    a.at("h").b(IN, 0x4E).b(ANI, 0x20).to(JZ, "h");
    a.b(MVI_A, 0xFF).b(OUT, 0x4C).to(CALL, "dot");  // (75, 53)
    a.b(HLT);
    a.at("dot").b(MVI_A, 0xFE).b(OUT, 0x4C).b(MVI_A, 0xFF).b(OUT, 0x4C).b(RET);
    // One step: the sensor bit in D goes to 0 (second part) and back to 1.
    a.at("step").b(IN, 0x4E).b(0xA2 /* ANA D */).to(JNZ, "step");
    a.at("s2").b(IN, 0x4E).b(0xA2).to(JZ, "s2").b(RET);
    fm.Load(a.Build());
    ASSERT_TRUE(fm.RunToHalt());

    PrinterPaper paper;
    EXPECT_EQ(paper.TakeDots(*printer.GetDotQueue()), 4);
    int black = 0;
    for (int y = 0; y < paper.Height(); ++y)
        for (int x = 0; x < paper.Width(); ++x) black += paper.Dot(x, y);
    EXPECT_EQ(black, 4);
    for (auto [x, y] : std::vector<std::pair<int, int>>{{171, 50}, {181, 50}, {181, 53}, {75, 53}})
        EXPECT_TRUE(paper.Dot(x, y)) << x << "," << y;
    fm.cpu.RemoveCycleCallback(printer.TickHook());
    fm.cpu.RemovePortDevice(0x4C);
}

// A parallel port that records every register access.
class FakePort : public ParPortIo {
public:
    bool open = true;
    uint8_t status = 0xFF;
    std::vector<std::pair<uint16_t, uint8_t>> writes;
    std::vector<uint16_t> reads;
    bool IsOpen() const override { return open; }
    uint8_t Read(uint16_t port) override {
        reads.push_back(port);
        return status;
    }
    void Write(uint16_t port, uint8_t value) override { writes.emplace_back(port, value); }
};

TEST_F(Fixture, LptPassThroughRecordsTheSignalSequence) {
    FakePort port;
    {
        Bt100Lpt p(gpio, 0, port, 0x378);
        using W = std::vector<std::pair<uint16_t, uint8_t>>;
        EXPECT_EQ(port.writes, (W{{0x37A, 0xC0}, {0x378, 0xFF}}));
        port.writes.clear();
        // FFh idle, needle, right, left, feed, left + needle.
        for (uint8_t v : {0xFF, 0xFE, 0xDF, 0x7F, 0xEF, 0x7E}) Lines(v);
        EXPECT_EQ(port.writes, (W{{0x378, 0x0F}, {0x378, 0x07}, {0x378, 0x0D}, {0x378, 0x0B}, {0x378, 0x0E},
                                  {0x378, 0x03}}));
        struct Case {
            uint8_t status, nibble;
        };
        const Case cases[] = {{0x00, 0x20}, {0xF0, 0xD0}, {0x80, 0x00}, {0x40, 0xA0},
                              {0x10, 0x60}, {0x20, 0x30}, {0x0F, 0x20}};
        for (const Case& c : cases) {
            port.status = c.status;
            EXPECT_EQ(PortC() & 0xF0, c.nibble) << int(c.status);
            EXPECT_EQ(port.reads.back(), 0x379);
        }
    }
    // Destroyed: the lines no longer reach the port.
    port.writes.clear();
    Lines(0x00);
    EXPECT_TRUE(port.writes.empty());
}

TEST_F(Fixture, LptDoesNothingWhileThePortIsClosed) {
    FakePort port;
    port.open = false;
    Bt100Lpt p(gpio, 0, port, 0x278);
    Lines(0xFE);
    PortC();
    EXPECT_TRUE(port.writes.empty());
    EXPECT_TRUE(port.reads.empty());
}

}  // namespace
