// Host key taps reach a running program that scans the keyboard once a
// frame, as a monitor does: every tap is seen once, in order, however short
// it was on the host, and a shifted key is seen with Shift only.
#include <string>
#include <vector>

#include "OwnerFixture.h"
#include "machine/pio/KeyEventQueue.h"
#include "platform/KeyState.h"

namespace {

// Scans columns 0-15 (port A out 84h, rows in on port B 85h, active low),
// once about every frame; each time the first pressed key (column with
// Shift in bit 7, row bits) differs from the last scan's and is not "none",
// it is logged at 6000h (two bytes) and the count at 5FFFh goes up.
const std::vector<uint8_t> kScanner = {
#include "KeyScanner.inc"
};

constexpr uint16_t kCount = 0x5FFF;
constexpr uint16_t kLog = 0x6000;

struct Key {
    int vk;
    uint8_t column;  // with Shift in bit 7, as the scanner logs it
    uint8_t rows;
};

// The key table's places (column / row bit) of the keys the tests type.
constexpr Key kQ{'Q', 0, 0x04}, kW{'W', 1, 0x04}, kE{'E', 2, 0x04}, k1{'1', 0, 0x02}, k0{'0', 9, 0x02},
    kM{'M', 7, 0x10}, kZ{'Z', 1, 0x10}, kSpace{VK_SPACE, 0, 0x10}, kReturn{VK_RETURN, 14, 0x10},
    kSemicolon{VK_OEM_1, 9, 0x08}, kF1{VK_F1, 0, 0x01};

class KeyTapsTest : public OwnerTest {
protected:
    void SetUp() override {
        OwnerTest::SetUp();
        Build(kModel2A);
        Mem().EndBootMapping();
        Poke(0x4000, kScanner);
        Cpu().PC = 0x4000;
        Slices(10);  // the program is scanning
    }
    void Slices(int n) {
        for (int i = 0; i < n; ++i) owner.PreciseTimerCpuTimer();
    }
    // Runs until every posted event is applied, then four frames more.
    void Settle() {
        for (int i = 0; i < 100000 && owner.KeyEvents().Waiting() > 0; ++i) owner.PreciseTimerCpuTimer();
        ASSERT_EQ(owner.KeyEvents().Waiting(), 0u);
        Slices(40);
    }
    void Tap(int vk) {
        owner.KeyEvents().Post(vk, true);
        owner.KeyEvents().Post(vk, false);
    }
    std::vector<std::pair<int, int>> Logged() {
        std::vector<std::pair<int, int>> out;
        const int n = Mem().ReadByte(kCount);
        for (int i = 0; i < n; ++i) out.emplace_back(Mem().ReadByte(kLog + 2 * i), Mem().ReadByte(kLog + 2 * i + 1));
        return out;
    }
};

TEST_F(KeyTapsTest, HundredShortTapsAreHundredKeyDownsInOrder) {
    // Doubled keys among them: a tap of the key just typed must be seen again.
    const Key pattern[] = {kQ, kQ, kW, kE, k1, k0, kM, kSpace, kReturn, kZ};
    // How the taps come: all before the machine runs on, one between two
    // slices, or the release a slice after the press.
    enum Feed { AllAtOnce, OnePerSlice, ReleaseNextSlice };
    for (Feed feed : {AllAtOnce, OnePerSlice, ReleaseNextSlice}) {
        SCOPED_TRACE(feed);
        SetUp();
        std::vector<std::pair<int, int>> expected;
        for (int i = 0; i < 100; ++i) {
            const Key& k = pattern[i % 10];
            expected.emplace_back(k.column, k.rows);
            if (feed == ReleaseNextSlice) {
                owner.KeyEvents().Post(k.vk, true);
                Slices(1);
                owner.KeyEvents().Post(k.vk, false);
            } else {
                Tap(k.vk);
            }
            if (feed != AllAtOnce) Slices(1);
        }
        Settle();
        EXPECT_EQ(Logged(), expected);
    }
}

TEST_F(KeyTapsTest, AQuickShiftedKeyGivesOnlyTheShiftedCode) {
    // Shift+; as a quick typist gives it: Shift let go before the key, with
    // nothing, one or two slices between the events.
    for (int gap : {0, 1, 2, 15}) {
        SCOPED_TRACE(gap);
        SetUp();
        owner.KeyEvents().Post(VK_LSHIFT, true);
        Slices(gap);
        owner.KeyEvents().Post(VK_OEM_1, true);
        Slices(gap);
        owner.KeyEvents().Post(VK_LSHIFT, false);
        Slices(gap);
        owner.KeyEvents().Post(VK_OEM_1, false);
        Settle();
        const std::vector<std::pair<int, int>> expected{{0x80 | kSemicolon.column, kSemicolon.rows}};
        EXPECT_EQ(Logged(), expected);
    }
}

TEST_F(KeyTapsTest, ShiftedAndPlainKeysInTurnKeepTheirShift) {
    // ";" then Shift+";" then ";" again, each quick: three codes, the middle one shifted.
    Tap(VK_OEM_1);
    owner.KeyEvents().Post(VK_RSHIFT, true);
    Tap(VK_OEM_1);
    owner.KeyEvents().Post(VK_RSHIFT, false);
    Tap(VK_OEM_1);
    Settle();
    const int c = kSemicolon.column, r = kSemicolon.rows;
    const std::vector<std::pair<int, int>> expected{{c, r}, {0x80 | c, r}, {c, r}};
    EXPECT_EQ(Logged(), expected);
}

TEST_F(KeyTapsTest, AnAltShortcutNeverReachesTheMachine) {
    // Alt+F1 opens the keyboard picture; the machine sees no F1.
    owner.KeyEvents().Post(VK_LMENU, true);
    Tap(VK_F1);
    owner.KeyEvents().Post(VK_LMENU, false);
    Settle();
    EXPECT_TRUE(Logged().empty());
    Tap(kF1.vk);
    Settle();
    const std::vector<std::pair<int, int>> expected{{kF1.column, kF1.rows}};
    EXPECT_EQ(Logged(), expected);
}

TEST_F(KeyTapsTest, KeysLetGoWhenTheFocusGoesAreReleasedAfterTheirHold) {
    owner.KeyEvents().Post(VK_LSHIFT, true);
    owner.KeyEvents().Post('Q', true);
    owner.KeyEvents().PostReleaseAll();
    Settle();
    EXPECT_FALSE(owner.Keys().IsDown('Q'));
    EXPECT_FALSE(owner.Keys().IsDown(VK_SHIFT));
    const std::vector<std::pair<int, int>> expected{{0x80 | kQ.column, kQ.rows}};
    EXPECT_EQ(Logged(), expected);
}

// "ABCDEFGH" typed while the machine is paused is not typed when it runs again; a key
// still held then is pressed, once.
TEST_F(KeyTapsTest, KeysTypedWhilePausedAreDropped) {
    owner.SetPause(1, 0);
    for (int vk : {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H'}) Tap(vk);
    owner.KeyEvents().Post('Q', true);
    owner.SetPause(0, 0);
    Settle();
    owner.KeyEvents().Post('Q', false);
    Settle();
    owner.SetPause(1, 0);
    const std::vector<std::pair<int, int>> expected{{kQ.column, kQ.rows}};
    EXPECT_EQ(Logged(), expected);
}

}  // namespace
