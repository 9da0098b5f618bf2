// The deck's logic with a tape interface and no machine: auto-stop rules,
// edit mode and its block operations, and the keys it passes on.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "machine/tape/IifTape.h"
#include "tests/tools/tape/TapeFixtures.h"
#include "tools/tape/TapeDeck.h"

using namespace tapefix;

namespace {

class ScriptedUi : public TapeDeckUi {
public:
    Answer answer = Cancel;
    std::string savePath;  // "" cancels the dialog
    int questions = 0, dialogs = 0;
    std::vector<TapeFileError> errors;
    Answer AskSaveChanges() override {
        questions++;
        return answer;
    }
    bool AskSaveTapeFile(std::string& path) override {
        dialogs++;
        if (savePath.empty()) return false;
        path = savePath;
        return true;
    }
    void ShowFileError(const TapeFileError& e) override { errors.push_back(e); }
};

// Logs the part ends, then lets the deck answer.
struct Spy {
    TapeDeck* deck;
    int partEnds = 0;
    uint8_t Handle(int event) {
        if (event == TapeEventPartEnd) partEnds++;
        return deck->TapeEvent(event);
    }
};

class TapeDeckTest : public ::testing::Test {
protected:
    void SetUp() override {
        deck.SetUi(&ui);
        deck.SetTapeDevice(&tape);
        spy.deck = &deck;
        tape.SetEventHandler(MakeClosure<&Spy::Handle>(&spy));
    }
    void TearDown() override { deck.SetTapeDevice(nullptr); }
    std::string Write(const std::string& name, const Bytes& b) {
        dir.write(name, Str(b));
        return dir.file(name);
    }
    Bytes Read(const std::string& name) { return FromStr(dir.read(name)); }
    // Header block 1, a headless block, header block 2.
    std::string ThreeBlocks() {
        Bytes t = PtpHeaderBlock(HeaderPart(1, '?', 0x4000, 1, "ONE"), Body(Data(2)));
        Append(t, PtpRecord(Data(3)));
        Append(t, PtpHeaderBlock(HeaderPart(2, '?', 0x5000, 0, "TWO"), Body(Data(1))));
        return Write("three.ptp", t);
    }
    // Plays half-bits until the deck stops; the current blocks seen in turn.
    std::vector<int> PlayToStop() {
        std::vector<int> seen{deck.CurrentIndex()};
        for (int i = 0; i < 200000 && deck.Playing(); ++i) {
            tape.Tick(0, IifTape::HalfBitCycles);
            if (deck.CurrentIndex() != seen.back()) seen.push_back(deck.CurrentIndex());
        }
        return seen;
    }
    TestTempDir dir;
    IifTape tape{2};
    ScriptedUi ui;
    TapeDeck deck;
    Spy spy;
};

TEST_F(TapeDeckTest, AutoStopRulesEndThePlayWhereTheySay) {
    struct Case {
        const char* name;
        int mode;
        int cursor;
        std::vector<int> seen;
        int partEnds;
    };
    const Case cases[] = {
        // Blocks 1, 2, 3 played; the deck stops with block 1 current.
        {"end of tape", TapeDeck::StopAtEnd, -1, {0, 1, 2, 0}, 5},
        // The headless block after a header block plays on; the next header stops.
        {"next header", TapeDeck::StopAtNextHeader, -1, {0, 1, 2}, 3},
        {"cursor on the second row", TapeDeck::StopAtCursor, 1, {0, 1}, 2},
        {"cursor on the third row", TapeDeck::StopAtCursor, 2, {0, 1, 2}, 3},
        {"cursor on the first row", TapeDeck::StopAtCursor, 0, {0, 1, 2, 0}, 5},
    };
    const std::string path = ThreeBlocks();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        deck.SetTapeFileName(path);
        ASSERT_EQ(deck.BlockCount(), 3u);
        deck.autoStop = c.mode;
        deck.cursorRow = c.cursor;
        spy.partEnds = 0;
        ASSERT_TRUE(deck.Play());
        EXPECT_EQ(PlayToStop(), c.seen);
        EXPECT_FALSE(deck.Playing());
        EXPECT_EQ(spy.partEnds, c.partEnds);
        EXPECT_EQ(tape.GetPlayState(), 0);
        // Play goes on from the block where it stopped.
        EXPECT_EQ(deck.CurrentIndex(), c.seen.back());
    }
}

TEST_F(TapeDeckTest, ASingleBlockTapeStopsAfterItInEveryMode) {
    const std::string path = Write("one.ptp", PtpHeaderBlock(HeaderPart(1, '?', 0x4000, 1, "ONE"), Body(Data(2))));
    for (int mode : {0, 1, 2}) {
        SCOPED_TRACE(mode);
        deck.SetTapeFileName(path);
        deck.autoStop = mode;
        deck.cursorRow = mode == 2 ? 0 : -1;
        spy.partEnds = 0;
        ASSERT_TRUE(deck.Play());
        EXPECT_EQ(PlayToStop(), std::vector<int>{0});
        EXPECT_EQ(spy.partEnds, 2);  // header part and body
    }
}

TEST_F(TapeDeckTest, PlayAndStopFollowTheButtonsRules) {
    EXPECT_FALSE(deck.Play());  // empty list
    deck.SetTapeFileName(ThreeBlocks());
    ASSERT_TRUE(deck.Play());
    EXPECT_TRUE(deck.Playing());
    EXPECT_EQ(deck.ProgressMaximum(), 63);
    // Fast loading does not change while playing.
    deck.SetFastLoading(true);
    EXPECT_FALSE(deck.fastLoading.load());
    for (int i = 0; i < 7000; ++i) tape.Tick(0, IifTape::HalfBitCycles);
    deck.UpdateProgress();
    EXPECT_GT(deck.ProgressPosition(), 0);
    deck.Stop();
    EXPECT_FALSE(deck.Playing());
    EXPECT_EQ(deck.ProgressPosition(), 0);
    tape.Tick(0, IifTape::HalfBitCycles);
    EXPECT_EQ(tape.GetPlayState(), 0);
    deck.SetFastLoading(true);
    EXPECT_TRUE(deck.fastLoading.load());
    // A source that has gone: the deck stops and says so.
    std::filesystem::remove(dir.file("three.ptp"));
    ui.errors.clear();
    EXPECT_TRUE(deck.Play());  // the header part comes from the block's fields
    for (int i = 0; i < 20000 && deck.Playing(); ++i) tape.Tick(0, IifTape::HalfBitCycles);
    EXPECT_FALSE(deck.Playing());
    deck.UpdateProgress();
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(ui.errors[0].path, dir.file("three.ptp"));
}

TEST_F(TapeDeckTest, EditModeNotesThePathAndLeavingWithoutChangesRestoresIt) {
    const std::string path = ThreeBlocks();
    deck.SetTapeFileName(path);
    EXPECT_TRUE(deck.EditTapeClick(true));
    EXPECT_TRUE(deck.EditMode());
    EXPECT_FALSE(deck.CanPlay());
    deck.NewTape();
    EXPECT_EQ(deck.BlockCount(), 0u);
    EXPECT_EQ(deck.TapePath(), "");
    EXPECT_TRUE(deck.EditTapeClick(true));
    EXPECT_FALSE(deck.EditMode());
    EXPECT_EQ(deck.TapePath(), path);
    EXPECT_EQ(deck.BlockCount(), 3u);
    EXPECT_EQ(ui.questions, 0);
}

TEST_F(TapeDeckTest, LeavingEditModeAfterChangesAsksFirst) {
    const std::string path = ThreeBlocks();
    const Bytes original = Read("three.ptp");
    struct Case {
        const char* name;
        TapeDeckUi::Answer answer;
        std::string savePath;
        bool leaves;
        size_t blocksAfter;
    };
    const Case cases[] = {
        {"cancel", TapeDeckUi::Cancel, "", false, 2},
        {"yes, dialog cancelled", TapeDeckUi::Yes, "", false, 2},
        {"yes, folder missing", TapeDeckUi::Yes, dir.file("no/such.ptp"), false, 2},
        {"no: the changes are dropped", TapeDeckUi::No, "", true, 3},
        {"yes: saved", TapeDeckUi::Yes, dir.file("saved.ptp"), true, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        deck.SetTapeFileName(path);
        if (!deck.EditMode()) ASSERT_TRUE(deck.EditTapeClick(true));
        if (deck.BlockCount() == 3) deck.DeleteBlocks({1});
        ASSERT_TRUE(deck.Modified());
        ui.answer = c.answer;
        ui.savePath = c.savePath;
        ui.errors.clear();
        EXPECT_EQ(deck.EditTapeClick(true), c.leaves);
        EXPECT_EQ(deck.EditMode(), !c.leaves);
        EXPECT_EQ(deck.BlockCount(), c.blocksAfter);
        if (!c.savePath.empty() && !c.leaves) {
            // A failed save is reported; the edits stay.
            ASSERT_EQ(ui.errors.size(), 1u);
            EXPECT_EQ(ui.errors[0].code, TapeFileError::WriteFailed);
        }
    }
    EXPECT_EQ(deck.TapePath(), dir.file("saved.ptp"));
    EXPECT_EQ(Read("three.ptp"), original);
    EXPECT_EQ(ReadTapeFile(dir.file("saved.ptp")).blocks.size(), 2u);
}

TEST_F(TapeDeckTest, ClosingInEditModeNeedsEditModeLeft) {
    deck.SetTapeFileName(ThreeBlocks());
    EXPECT_TRUE(deck.LeaveEditModeForClose());  // not editing
    deck.EditTapeClick(true);
    // Without changes the close is refused.
    EXPECT_FALSE(deck.LeaveEditModeForClose());
    EXPECT_TRUE(deck.EditMode());
    deck.DeleteBlocks({0});
    ui.answer = TapeDeckUi::Cancel;
    EXPECT_FALSE(deck.LeaveEditModeForClose());
    ui.answer = TapeDeckUi::No;
    EXPECT_TRUE(deck.LeaveEditModeForClose());
    EXPECT_FALSE(deck.EditMode());
}

TEST_F(TapeDeckTest, DeletingEveryBlockLeavesNoCurrentBlock) {
    deck.SetTapeFileName(ThreeBlocks());
    deck.EditTapeClick(true);
    deck.SelectCurrentBlock(2);
    deck.DeleteBlocks({0, 1, 2});
    EXPECT_EQ(deck.BlockCount(), 0u);
    EXPECT_EQ(deck.CurrentIndex(), -1);
    deck.EditTapeClick(true);  // dropping the change: No
    EXPECT_TRUE(deck.EditMode());
}

TEST_F(TapeDeckTest, MovingBlocks) {
    deck.SetTapeFileName(ThreeBlocks());
    deck.EditTapeClick(true);
    EXPECT_FALSE(deck.CanMove({2}, true));   // the selection ends at the last row
    EXPECT_FALSE(deck.CanMove({0}, false));
    EXPECT_FALSE(deck.CanMove({0, 2}, true));  // not contiguous
    EXPECT_EQ(deck.MoveBlocks({0, 1}, true), (std::vector<int>{1, 2}));
    TapeBlockList b = deck.Blocks();
    EXPECT_EQ(b[0].number, 2);
    EXPECT_EQ(b[1].number, 1);
    EXPECT_EQ(b[2].type, 0);
    EXPECT_EQ(deck.CurrentIndex(), 0);  // any change makes the first block current
    EXPECT_EQ(deck.MoveBlocks({2}, false), (std::vector<int>{1}));
    b = deck.Blocks();
    EXPECT_EQ(b[1].type, 0);
    EXPECT_EQ(b[2].number, 1);
    EXPECT_EQ(deck.MoveBlocks({2}, true), (std::vector<int>{2}));  // refused
}

TEST_F(TapeDeckTest, PmdSelectionsAndBlockEdits) {
    deck.SetTapeFileName(ThreeBlocks());
    EXPECT_FALSE(deck.CanSaveAsPmd({0, 1, 2}));  // header, headless, header
    EXPECT_FALSE(deck.CanSaveAsPmd({1}));        // starts headless
    EXPECT_TRUE(deck.CanSaveAsPmd({0, 1}));
    EXPECT_TRUE(deck.CanSaveAsPmd({0, 2}));
    ASSERT_FALSE(deck.SaveSelection({0, 1, 2}, TapeLayout::Ptp, dir.file("sel.ptp")));
    EXPECT_EQ(Read("sel.ptp"), Read("three.ptp"));
    ASSERT_FALSE(deck.SaveSelection({2, 0}, TapeLayout::Pmd, dir.file("sel.pmd")));
    EXPECT_EQ(ReadTapeFile(dir.file("sel.pmd")).blocks.size(), 2u);

    deck.EditTapeClick(true);
    TapeHeaderFields f;
    f.number = 42;
    f.type = '>';
    f.start = 0x2401;
    deck.EditHeader(0, f);
    TapeBlock b = deck.Blocks()[0];
    EXPECT_EQ(b.number, 42);
    uint8_t sum = 0;
    const auto h = b.HeaderBytes();
    Checksum8(h.data(), 14, &sum);
    EXPECT_EQ(b.headSum, sum);
    EXPECT_TRUE(deck.ToHeadless(0));
    EXPECT_EQ(deck.Blocks()[0].type, 0);
    EXPECT_FALSE(deck.ToHeader(0, f));
    EXPECT_EQ(deck.Blocks()[0].type, '>');
    EXPECT_TRUE(deck.AddTape(dir.file("sel.pmd")));
    EXPECT_EQ(deck.BlockCount(), 5u);
    EXPECT_FALSE(deck.AddTape(dir.file("missing.ptp")));
    ASSERT_FALSE(deck.SaveTape(dir.file("edited.ptp")));
    EXPECT_FALSE(deck.Modified());
    EXPECT_EQ(deck.TapePath(), dir.file("edited.ptp"));
    EXPECT_EQ(deck.BlockCount(), 5u);
}

TEST(TapeDeckKeys, DigitsLettersKeypadAndFunctionKeysGoToTheMainWindow) {
    for (int vk = 0; vk < 256; ++vk) {
        const bool want = (vk >= 0x30 && vk <= 0x39) || (vk >= 0x41 && vk <= 0x5A) || (vk >= 0x61 && vk <= 0x7A);
        EXPECT_EQ(KeyGoesToMainWindow(vk), want) << std::hex << vk;
    }
}

}  // namespace
