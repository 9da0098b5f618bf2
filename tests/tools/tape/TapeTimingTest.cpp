// A tape of several blocks played at normal speed into a monitor of our own
// that searches each header and loads its body, through the machine owner's
// CPU slices. With fast loading off every part takes the emulated time of
// the tape's bit rate, whether breakpoints are armed, set elsewhere or hit
// and run past as the debugger does.
#include <gtest/gtest.h>

#include <cstdlib>

#include "machine/core/ModelIndex.h"
#include "machine/core/RequestWords.h"
#include "machine/tape/IifTape.h"
#include "tests/owner/OwnerFixture.h"
#include "tests/tools/tape/Asm8080.h"
#include "tests/tools/tape/PhaseReceive.h"
#include "tests/tools/tape/TapeFixtures.h"
#include "tools/debugger/RunControl.h"
#include "tools/tape/TapeDeck.h"

using namespace tapefix;
using namespace op;

namespace {

constexpr uint16_t kRom = 0x8000;
constexpr uint16_t kHeaderCopy = 0x6000;
constexpr uint16_t kCounter = 0x6200;  // bytes left in RECV
constexpr uint16_t kBlocks = 0x6202;   // blocks loaded
// Polls of 46 cycles: a half-bit about 18, a whole bit about 36.
constexpr int kLong = 27;
constexpr int INR_A = 0x3C;

// Half-bits of the parts, from the tape interface's play sequence: each
// byte is a start bit, eight data bits and two stop bits of two half-bits.
constexpr int kHalfBit = 853;
constexpr int kByteHalfBits = 22;
constexpr int kHeaderPartBytes = 63;
constexpr int kGap = 3598, kHeaderLeadIn = 6718, kBodyLeadIn = 1200, kTrailer = 480;

// The monitor: for ever, searches a header part (the sync runs and a start
// bit), reads its 63 bytes, then reads the body (length field + 2 bytes) to
// the header's start address and counts the block. Every edge wait gives up
// counting at 255 polls (a silent gap), and a wait that long starts the
// search again.
std::vector<uint8_t> Monitor(uint16_t& search) {
    Asm8080 a(kRom);
    a.Op16(JMP, kRom + 3);
    a.Op16(LXI_SP, 0x7000);
    a.Emit({OUT, 0x84});
    a.Emit({MVI_A, 0});
    a.Op16(STA, kBlocks);
    a.Label("LOOP");
    a.Op16(LXI_H, kHeaderCopy);
    a.Label("SEARCH");
    a.Op16(LXI_B, kHeaderPartBytes);
    a.Op16(CALL, "RECV");
    a.Op16(LHLD, kHeaderCopy + 52);
    a.Emit({XCHG});
    a.Op16(LHLD, kHeaderCopy + 50);
    a.Emit({INX_D, INX_D, MOV_B_D, MOV_C_E});
    a.Op16(CALL, "RECV");
    a.Op16(LDA, kBlocks);
    a.Emit({INR_A});
    a.Op16(STA, kBlocks);
    a.Op16(JMP, "LOOP");

    EmitPhaseReceive(a, kCounter, kLong, true);
    search = a.Address("SEARCH");
    return a.Finish(4096);
}

// Notes the CPU's total clock at every part end and passes the events on.
struct PartEnds {
    TapeDeck* deck = nullptr;
    ChipCpu8080* cpu = nullptr;
    std::vector<uint32_t> clocks;
    uint8_t Event(int event) {
        if (event == TapeEventPartEnd) clocks.push_back(cpu->TotalClock);
        return deck->TapeEvent(event);
    }
};

enum class Breakpoints { None, Elsewhere, HitAndRunOn };

struct TimingCase {
    const char* name;
    Breakpoints breakpoints;
};

class TapeTiming : public OwnerTest, public ::testing::WithParamInterface<TimingCase> {
protected:
    void TearDown() override {
        owner.SetTapeBrowser(nullptr);
        owner.SetDebugger(nullptr);
        OwnerTest::TearDown();
    }
    TempDir dir;
    TapeDeck deck;
};

TEST_P(TapeTiming, EveryPartTakesTheTimeOfTheBitRate) {
    const TimingCase c = GetParam();
    const size_t lengths[3] = {40, 120, 7};
    const uint16_t starts[3] = {0x4000, 0x4100, 0x4300};
    Bytes tape;
    std::vector<Bytes> data;
    for (int i = 0; i < 3; ++i) {
        data.push_back(Data(lengths[i], static_cast<uint8_t>(11 * i + 3)));
        Append(tape, PtpHeaderBlock(HeaderPart(static_cast<uint8_t>(i + 1), '?', starts[i],
                                               static_cast<uint16_t>(lengths[i] - 1), "TIMING"),
                                    Body(data.back())));
    }
    const std::string path = dir.File("timing.ptp", tape);

    dbg::RunControl run(owner.DebuggerTag);
    owner.SetDebugger(&run);
    deck.SetOwner(&owner);
    owner.SetTapeBrowser(&deck);
    uint16_t search = 0;
    Build(kModel2A, Monitor(search));
    owner.TimerRefreshControlsTimer();  // the reset's stop request
    run.Attach(&Cpu(), &Mem(), kModel2A);
    if (c.breakpoints == Breakpoints::Elsewhere) {
        run.SetBp(1, 0x5000, true);
        run.SetBp(6, 0x7F00, true);
    } else if (c.breakpoints == Breakpoints::HitAndRunOn) {
        run.SetBp(1, search, true);
    }

    PartEnds ends;
    ends.deck = &deck;
    ends.cpu = &Cpu();
    deck.SetTapeFileName(path);
    ASSERT_EQ(deck.BlockCount(), 3u);
    deck.SetFastLoading(false);
    ASSERT_TRUE(deck.Play());
    owner.GetTape()->SetEventHandler(MakeClosure<&PartEnds::Event>(&ends));

    int stops = 0;
    for (int n = 0; n < 40000 && deck.Playing(); ++n) {
        owner.PreciseTimerCpuTimer();
        if (owner.DebuggerTag.load() == DebuggerRequest::StopRequest) {
            // As the debugger: stopped at the breakpoint, then run on past it
            // (the controls tick turns the run request into running).
            stops++;
            ASSERT_EQ(Cpu().PC, search);
            run.EnterStopped();
            run.Run();
            ASSERT_EQ(owner.DebuggerTag.load(), DebuggerRequest::RunRequest);
            owner.DebuggerTag.store(DebuggerRequest::Running);
        }
        if (n % 10 == 9) owner.TimerRefreshControlsTimer();
    }
    ASSERT_FALSE(deck.Playing()) << "the tape did not reach its end";
    // The monitor searches once per block, and once more in the last trailer.
    if (c.breakpoints == Breakpoints::HitAndRunOn)
        EXPECT_EQ(stops, 4);
    else
        EXPECT_EQ(stops, 0);
    EXPECT_EQ(Mem().ReadByte(kBlocks), 3) << "the monitor did not load every block";
    for (int i = 0; i < 3; ++i)
        for (size_t k = 0; k < lengths[i]; ++k)
            ASSERT_EQ(Mem().ReadByte(starts[i] + static_cast<int32_t>(k)), data[i][k]) << i << " " << k;

    // Six parts end; from the end of the first header part on, each part
    // takes its half-bits, to within the instruction that passes the edge.
    ASSERT_EQ(ends.clocks.size(), 6u);
    const int headerPart = kGap + kHeaderLeadIn + kHeaderPartBytes * kByteHalfBits;
    for (int i = 1; i < 6; ++i) {
        const int block = i / 2;
        const int halfBits = (i % 2 == 1) ? kBodyLeadIn + static_cast<int>(lengths[block] + 1) * kByteHalfBits + kTrailer
                                          : headerPart;
        const int64_t took = static_cast<int64_t>(ends.clocks[i]) - ends.clocks[i - 1];
        EXPECT_LT(std::llabs(took - static_cast<int64_t>(halfBits) * kHalfBit), kHalfBit / 8)
            << "part " << i << " took " << took << " cycles";
    }
}

INSTANTIATE_TEST_SUITE_P(Breakpoints, TapeTiming,
                         ::testing::Values(TimingCase{"None", Breakpoints::None},
                                           TimingCase{"Elsewhere", Breakpoints::Elsewhere},
                                           TimingCase{"HitAndRunOn", Breakpoints::HitAndRunOn}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
