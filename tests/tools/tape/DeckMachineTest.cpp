// The deck with the machine owner, headless: a tape of our own is played
// into a booting monitor of our own, a save is recorded into the tape file,
// and the auto-stop rules end the play where they should.
#include <gtest/gtest.h>

#include <filesystem>

#include "machine/core/ModelIndex.h"
#include "machine/core/RequestWords.h"
#include "machine/tape/IifTape.h"
#include "platform/KeyState.h"
#include "tests/owner/OwnerFixture.h"
#include "tests/tools/tape/Asm8080.h"
#include "tests/tools/tape/PhaseReceive.h"
#include "tests/tools/tape/TapeFixtures.h"
#include "tools/tape/TapeDeck.h"

using namespace tapefix;
using namespace op;

namespace {

constexpr uint16_t kRom = 0x8000;
constexpr uint16_t kHeaderCopy = 0x6000;  // the header part as the monitor read it
constexpr uint16_t kCounter = 0x6200;
constexpr uint16_t kResult = 0x6100;      // A, F and B after the block routine
constexpr uint16_t kLoadAddress = 0x4000;
constexpr int kLong = 35;                 // polls of 36 cycles: a half-bit ~23, a bit ~47

bool Plain(int model) { return model == kModel1 || model == kModelAlfa; }

// RECV: reads BC bytes to HL from the tape.
void EmitReceive(Asm8080& a, int model) {
    if (Plain(model)) {
        a.Label("RECV");
        // The 8251 does the work; poll RxRDY.
        a.Label("R1");
        a.Emit({IN, 0x1D, ANI, 0x02});
        a.Op16(JZ, "R1");
        a.Emit({IN, 0x1C, MOV_M_A, INX_H, DCX_B, MOV_A_B, ORA_C});
        a.Op16(JNZ, "R1");
        a.Emit({RET});
        return;
    }
    EmitPhaseReceive(a, kCounter, kLong, false);
}

// CMD: waits for the command M G L D Return typed on the keyboard, as a
// monitor does: the matrix is scanned about once a frame and each new
// key-down is compared with the command's next key (column, row bits); a
// wrong key starts the command again.
void EmitCommandWait(Asm8080& a) {
    constexpr uint16_t kLast = 0x6300;  // column and rows seen by the last scan
    a.Label("CMD");
    a.Emit({MVI_A, 0x8A, OUT, 0x87});  // port A out, port B in, port C upper in (the mapping kept)
    a.Emit({MVI_A, 0xFF});
    a.Op16(STA, kLast);
    a.Label("CRST");
    a.Op16(LXI_H, "WORD");
    a.Label("CNEXT");
    a.Emit({MOV_A_M, CPI, 0xFF, RZ, PUSH_H});
    a.Op16(CALL, "GETKEY");
    a.Emit({POP_H, MOV_A_M, 0xB8});  // CMP B
    a.Op16(JNZ, "CRST");
    a.Emit({INX_H, MOV_A_M, 0xB9});  // CMP C
    a.Op16(JNZ, "CRST");
    a.Emit({INX_H});
    a.Op16(JMP, "CNEXT");
    // GETKEY: B = column (Shift in bit 7), C = rows of the next key-down.
    a.Label("GETKEY");
    a.Emit({0x11, 0xDC, 0x05});  // LXI D,1500: about a frame between scans
    a.Label("GWAIT");
    a.Emit({0x1B, 0x7A, 0xB3});  // DCX D; MOV A,D; ORA E
    a.Op16(JNZ, "GWAIT");
    a.Emit({0x16, 0x00});        // MVI D,0: column
    a.Label("GCOL");
    a.Emit({0x7A, OUT, 0x84, IN, 0x85, MOV_E_A, 0x2F, ANI, 0x1F});  // MOV A,D; ...; CMA; ANI 1Fh
    a.Op16(JNZ, "GFOUND");
    a.Emit({0x14, 0x7A, CPI, 16});  // INR D; MOV A,D
    a.Op16(JNZ, "GCOL");
    a.Emit({MVI_A, 0xFF});
    a.Op16(STA, kLast);  // nothing pressed
    a.Op16(JMP, "GETKEY");
    a.Label("GFOUND");
    a.Emit({0x4F, 0x7B, 0x2F, ANI, 0x20, 0x07, 0x07, 0xB2, 0x47});  // C = rows; B = D | Shift << 2
    a.Op16(LDA, kLast);
    a.Emit({0xB8});  // CMP B
    a.Op16(JNZ, "GNEW");
    a.Op16(LDA, kLast + 1);
    a.Emit({0xB9});  // CMP C
    a.Op16(JZ, "GETKEY");  // still the same key
    a.Label("GNEW");
    a.Emit({MOV_A_B});
    a.Op16(STA, kLast);
    a.Emit({MOV_A_C});
    a.Op16(STA, kLast + 1);
    a.Emit({RET});
    // The key table's places of M, G, L, D and Return.
    a.Label("WORD");
    a.Emit({7, 0x10, 4, 0x08, 8, 0x08, 2, 0x08, 14, 0x10, 0xFF});
}

// The test monitor: boots, reads a header part, then loads the body with
// its block routine at 8DC4h (the place the fast-loading trap watches: INX H
// at 8DD3h, RET at 8DE1h) to the header's start address, and stops at DONE.
// With typedCommand it first waits for the load command on the keyboard.
std::vector<uint8_t> TestMonitor(int model, uint16_t& done, bool typedCommand = false) {
    Asm8080 a(kRom);
    a.Op16(JMP, kRom + 3);
    a.Op16(LXI_SP, 0x7000);
    a.Emit({OUT, 0x84});  // ends the boot mapping
    if (typedCommand) {
        a.Op16(CALL, "CMD");
        a.Label("COMMAND");
    }
    if (Plain(model)) a.Emit({MVI_A, 0xCD, OUT, 0x1D, MVI_A, 0x37, OUT, 0x1D});
    a.Op16(LXI_H, kHeaderCopy);
    a.Op16(LXI_B, 63);
    a.Op16(CALL, "RECV");
    // Let the header part end before the body is asked for.
    a.Op16(LXI_B, 1000);
    a.Label("WAIT");
    a.Emit({DCX_B, MOV_A_B, ORA_C});
    a.Op16(JNZ, "WAIT");
    a.Op16(LHLD, kHeaderCopy + 52);  // length field
    a.Emit({XCHG});
    a.Op16(LHLD, kHeaderCopy + 50);  // start address
    a.Emit({MVI_C, 1});
    a.Op16(CALL, 0x8DC4);
    a.Op16(STA, kResult);
    a.Emit({PUSH_PSW, POP_H});
    a.Op16(SHLD, kResult + 1);
    a.Emit({MOV_A_B});
    a.Op16(STA, kResult + 3);
    a.Label("DONE");
    a.Op16(JMP, "DONE");
    // SLOW: HL = destination, DE = length field: DE + 2 bytes (data and sum).
    a.Label("SLOW");
    a.Emit({PUSH_H, INX_D, INX_D, MOV_B_D, MOV_C_E});
    a.Op16(CALL, "RECV");
    a.Emit({POP_H, RET});
    EmitReceive(a, model);
    if (typedCommand) EmitCommandWait(a);
    a.At(0x8DC4);
    a.Op16(JMP, "SLOW");
    a.At(0x8DD3);
    a.Emit({INX_H});
    a.At(0x8DE1);
    a.Emit({RET});
    done = a.Address("DONE");
    return a.Finish(4096);
}

// Writes count bytes from 2000h through the 8251, waiting for TxRDY.
std::vector<uint8_t> SaveLoop(int model, int count) {
    Asm8080 a(0x0000);
    a.Op16(LXI_SP, 0x7000);
    a.Emit({MVI_A, 0xCD, OUT, 0x1D, MVI_A, 0x37, OUT, 0x1D});
    if (!Plain(model)) {
        // TxC from the timer: counter 1 in mode 3, count 100.
        a.Emit({MVI_A, 0x76, OUT, 0x5F, MVI_A, 100, OUT, 0x5D, MVI_A, 0, OUT, 0x5D});
    }
    a.Op16(LXI_H, 0x2000);
    a.Op16(LXI_B, count);
    a.Label("L");
    a.Emit({IN, 0x1D, ANI, 0x01});
    a.Op16(JZ, "L");
    a.Emit({MOV_A_M, OUT, 0x1C, INX_H, DCX_B, MOV_A_B, ORA_C});
    a.Op16(JNZ, "L");
    a.Emit({HLT});
    return a.Finish(0x100);
}

class Ui : public TapeDeckUi {
public:
    std::string newTape;  // the answer of the new-tape dialog ("" cancels)
    int asked = 0;
    std::vector<TapeFileError> errors;
    bool AskSaveTapeFile(std::string& path) override {
        asked++;
        if (newTape.empty()) return false;
        path = newTape;
        return true;
    }
    void ShowFileError(const TapeFileError& e) override { errors.push_back(e); }
};

class DeckMachineTest : public OwnerTest {
protected:
    void SetUp() override {
        OwnerTest::SetUp();
        deck.SetUi(&ui);
        deck.SetOwner(&owner);
        owner.SetTapeBrowser(&deck);
    }
    void TearDown() override {
        owner.SetTapeBrowser(nullptr);
        OwnerTest::TearDown();
    }
    // Builds and resets; the reset's stop request is served.
    void Boot(int model, const std::vector<uint8_t>& rom) {
        Build(model, rom);
        Serve();
        ASSERT_EQ(owner.TapeBrowserTag.load(), TapeRequest::Idle);
    }
    void Serve() { owner.TimerRefreshControlsTimer(); }
    // Runs slices, with a controls tick every tenth, until pc or the limit.
    int RunUntil(uint16_t pc, int limit) {
        int n = 0;
        for (; n < limit && Cpu().PC != pc; ++n) {
            owner.PreciseTimerCpuTimer();
            if (n % 10 == 9) Serve();
        }
        return n;
    }
    std::string TapeFile(const std::string& name, const Bytes& bytes) { return dir.File(name, bytes); }

    TempDir dir;
    Ui ui;
    TapeDeck deck;
};

struct LoadCase {
    int model;
    bool fast;
};

class DeckLoad : public DeckMachineTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(DeckLoad, TheMonitorLoadsTheBlockFromTheTape) {
    const LoadCase c = GetParam();
    const Bytes data = Data(200, 31);
    const Bytes tapeBytes =
        PtpHeaderBlock(HeaderPart(1, '?', kLoadAddress, static_cast<uint16_t>(data.size() - 1), "TESTPROG"),
                       Body(data));
    const std::string path = TapeFile("load.ptp", tapeBytes);
    uint16_t done = 0;
    Boot(c.model, TestMonitor(c.model, done));
    deck.SetTapeFileName(path);
    ASSERT_EQ(deck.BlockCount(), 1u);
    deck.SetFastLoading(c.fast);
    ASSERT_TRUE(deck.Play());
    const int slices = RunUntil(done, 12000);
    ASSERT_EQ(Cpu().PC, done) << "the monitor did not finish";
    std::vector<uint8_t> loaded;
    for (size_t i = 0; i < data.size(); ++i) loaded.push_back(Mem().ReadByte(kLoadAddress + static_cast<int32_t>(i)));
    EXPECT_EQ(loaded, data);
    // The monitor's copy of the header part is the tape's.
    for (int i = 0; i < 63; ++i) ASSERT_EQ(Mem().ReadByte(kHeaderCopy + i), tapeBytes[2 + i]) << i;
    if (c.fast && !Plain(c.model)) {
        // The block trap took the body: the sum matched (F = 40h, pushed
        // with the 8080's fixed bit 1), A = 0.
        EXPECT_EQ(Mem().ReadByte(kResult), 0x00);
        EXPECT_EQ(Mem().ReadByte(kResult + 1), 0x42);
        EXPECT_EQ(Mem().ReadByte(kResult + 3), Sum(data));
    }
    // The body's part end passes the end of the tape: the deck stops with
    // the first block current.
    RunUntil(0xFFFF, 400);
    EXPECT_FALSE(deck.Playing());
    EXPECT_EQ(deck.CurrentIndex(), 0);
    (void)slices;
}

INSTANTIATE_TEST_SUITE_P(Models, DeckLoad,
                         ::testing::Values(LoadCase{kModel1, false}, LoadCase{kModel1, true},
                                           LoadCase{kModel2A, false}, LoadCase{kModel2A, true}),
                         [](const auto& info) {
                             return std::string(info.param.model == kModel1 ? "Model1" : "Model2A") +
                                    (info.param.fast ? "Fast" : "Normal");
                         });

TEST_F(DeckMachineTest, FastLoadingTakesFewerSlicesThanNormal) {
  for (int model : {kModel1, kModel2A}) {
    SCOPED_TRACE(model);
    const LoadCase c{model, true};
    const Bytes data = Data(600, 5);
    const std::string path = TapeFile(
        "speed.ptp",
        PtpHeaderBlock(HeaderPart(1, '?', kLoadAddress, static_cast<uint16_t>(data.size() - 1), "SPEED"), Body(data)));
    int slices[2] = {0, 0};
    for (int fast = 0; fast < 2; ++fast) {
        uint16_t done = 0;
        Boot(c.model, TestMonitor(c.model, done));
        deck.SetTapeFileName(path);
        deck.SetFastLoading(fast == 1);
        ASSERT_TRUE(deck.Play());
        slices[fast] = RunUntil(done, 20000);
        ASSERT_EQ(Cpu().PC, done);
        deck.Stop();
    }
    // The body of 602 bytes takes 602 x 22 half-bits at tape speed, about
    // 2760 slices; fast loading skips nearly all of them.
    EXPECT_LT(slices[1] + 2000, slices[0]);
  }
}

TEST_F(DeckMachineTest, ALoadCommandTypedAtFullSpeedStartsTheLoadEveryTime) {
    const Bytes data = Data(40, 7);
    const std::string path = TapeFile(
        "typed.ptp",
        PtpHeaderBlock(HeaderPart(1, '?', kLoadAddress, static_cast<uint16_t>(data.size() - 1), "TYPED"), Body(data)));
    const int command[] = {'M', 'G', 'L', 'D', VK_RETURN};
    for (int model : {kModel1, kModel2A}) {
        // The command comes at a different point of the monitor's scan each time.
        for (int phase = 0; phase < 10; ++phase) {
            SCOPED_TRACE(testing::Message() << "model " << model << " phase " << phase);
            uint16_t done = 0;
            Boot(model, TestMonitor(model, done, true));
            RunUntil(0xFFFF, 20 + phase);
            // The host's key events as a quick typist or a typing tool gives
            // them: all within a few milliseconds, before the next slice.
            for (int vk : command) {
                owner.KeyEvents().Post(vk, true);
                owner.KeyEvents().Post(vk, false);
            }
            deck.SetTapeFileName(path);
            deck.SetFastLoading(true);
            ASSERT_TRUE(deck.Play());
            RunUntil(done, 12000);
            ASSERT_EQ(Cpu().PC, done) << "the load did not start";
            for (size_t i = 0; i < data.size(); ++i)
                ASSERT_EQ(Mem().ReadByte(kLoadAddress + static_cast<int32_t>(i)), data[i]) << i;
            deck.Stop();
            for (int i = 0; i < static_cast<int>(data.size()); ++i) Mem().WriteByte(kLoadAddress + i, 0);
        }
    }
}

class DeckSave : public DeckMachineTest, public ::testing::WithParamInterface<int> {};

// A header block saved by the machine, in the record layout of the tape.
Bytes SavedBlock(Bytes& sent) {
    const Bytes part = HeaderPart(9, '?', 0x5000, 39, "SAVED");
    const Bytes body = Body(Data(40, 3));
    sent = part;
    Append(sent, body);
    return PtpHeaderBlock(part, body);
}

TEST_P(DeckSave, TheSaveLoopIsAppendedToTheTapeFile) {
    const int model = GetParam();
    const Bytes first = PtpHeaderBlock(HeaderPart(1, '>', 0x2401, 2, "FIRST"), Body(Data(3)));
    const std::string path = TapeFile("save.ptp", first);
    uint16_t done = 0;
    Boot(model, TestMonitor(model, done));
    deck.SetTapeFileName(path);
    Bytes sent;
    const Bytes record = SavedBlock(sent);
    Mem().EndBootMapping();
    Poke(0x2000, sent);
    Poke(0x0000, SaveLoop(model, static_cast<int>(sent.size())));
    Cpu().PC = 0x0000;
    for (int n = 0; n < 8000 && !Cpu().Halt; ++n) {
        owner.PreciseTimerCpuTimer();
        if (n % 10 == 9) Serve();
    }
    ASSERT_TRUE(Cpu().Halt) << "the save loop did not finish";
    // The recogniser closes the block after the body; then the append request is served.
    for (int n = 0; n < 200 && deck.BlockCount() < 2; ++n) {
        owner.PreciseTimerCpuTimer();
        Serve();
    }
    EXPECT_EQ(ui.asked, 0);  // a PTP tape with a header block first: no question
    EXPECT_TRUE(ui.errors.empty());
    Bytes expected = first;
    Append(expected, record);
    std::ifstream in(path, std::ios::binary);
    const Bytes file((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(file, expected);
    ASSERT_EQ(deck.BlockCount(), 2u);
    EXPECT_EQ(deck.Blocks()[1].start, 0x5000);
    EXPECT_FALSE(deck.Modified());
}

TEST_P(DeckSave, WithoutATapeFileTheDeckAsksForOne) {
    const int model = GetParam();
    uint16_t done = 0;
    Boot(model, TestMonitor(model, done));
    ui.newTape = dir.path + "/new.ptp";
    Bytes sent;
    const Bytes record = SavedBlock(sent);
    Mem().EndBootMapping();
    Poke(0x2000, sent);
    Poke(0x0000, SaveLoop(model, static_cast<int>(sent.size())));
    Cpu().PC = 0x0000;
    for (int n = 0; n < 8200 && deck.BlockCount() < 1; ++n) {
        owner.PreciseTimerCpuTimer();
        if (n % 10 == 9 || Cpu().Halt) Serve();
    }
    EXPECT_EQ(ui.asked, 1);
    EXPECT_EQ(deck.TapePath(), ui.newTape);
    std::ifstream in(ui.newTape, std::ios::binary);
    const Bytes file((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(file, record);
}

// Cancelling the new-tape question leaves no file to append to: the saved
// block goes nowhere, and no box names a file without a name.
TEST_P(DeckSave, CancellingTheNewTapeDropsTheBlockWithoutABox) {
    const int model = GetParam();
    uint16_t done = 0;
    Boot(model, TestMonitor(model, done));
    ui.newTape.clear();
    Bytes sent;
    SavedBlock(sent);
    Mem().EndBootMapping();
    Poke(0x2000, sent);
    Poke(0x0000, SaveLoop(model, static_cast<int>(sent.size())));
    Cpu().PC = 0x0000;
    for (int n = 0; n < 8200 && !Cpu().Halt; ++n) {
        owner.PreciseTimerCpuTimer();
        if (n % 10 == 9) Serve();
    }
    ASSERT_TRUE(Cpu().Halt);
    Serve();
    EXPECT_EQ(ui.asked, 1);
    for (const TapeFileError& e : ui.errors) ADD_FAILURE() << "box " << e.code << " for \"" << e.path << "\"";
    EXPECT_EQ(deck.TapePath(), "");
    EXPECT_EQ(deck.BlockCount(), 0u);
}

TEST_F(DeckMachineTest, RecordingInEditModeKeepsTheEdits) {
    Bytes tapeBytes = PtpHeaderBlock(HeaderPart(1, '>', 0x2401, 2, "FIRST"), Body(Data(3)));
    Append(tapeBytes, PtpHeaderBlock(HeaderPart(2, '?', 0x3000, 0, "SECOND"), Body({7})));
    const std::string path = TapeFile("edit.ptp", tapeBytes);
    uint16_t done = 0;
    Boot(kModel2A, TestMonitor(kModel2A, done));
    deck.SetTapeFileName(path);
    ASSERT_TRUE(deck.EditTapeClick(true));
    deck.DeleteBlocks({1});  // an edit not yet saved
    ASSERT_TRUE(deck.Modified());
    Bytes sent;
    const Bytes record = SavedBlock(sent);
    Mem().EndBootMapping();
    Poke(0x2000, sent);
    Poke(0x0000, SaveLoop(kModel2A, static_cast<int>(sent.size())));
    Cpu().PC = 0x0000;
    for (int n = 0; n < 8200 && deck.BlockCount() < 2; ++n) {
        owner.PreciseTimerCpuTimer();
        if (n % 10 == 9 || Cpu().Halt) Serve();
    }
    // The file got the block; the list keeps the deletion and shows the block.
    Bytes expected = tapeBytes;
    Append(expected, record);
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(Bytes((std::istreambuf_iterator<char>(in)), {}), expected);
    const TapeBlockList list = deck.Blocks();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].number, 1);
    EXPECT_EQ(list[1].number, 9);
    EXPECT_TRUE(deck.EditMode());
    EXPECT_TRUE(deck.Modified());
}

INSTANTIATE_TEST_SUITE_P(Models, DeckSave, ::testing::Values(kModel1, kModel2A),
                         [](const auto& info) { return std::string(info.param == kModel1 ? "Model1" : "Model2A"); });

}  // namespace
