// Inserted text is typed by the slices in emulated time: a program that
// scans the keyboard once a frame sees the same keys, in the same order,
// whether the machine runs at 1x on its timer or as fast as the host goes.
#include <chrono>
#include <thread>
#include <vector>

#include "OwnerFixture.h"
#include "machine/pio/SystemPIO.h"

namespace {

// The scanner of KeyTapsTest: logs each change of the first pressed key
// (column with Shift in bit 7, row bits) at 6000h, the count at 5FFFh.
const std::vector<uint8_t> kScanner = {
#include "KeyScanner.inc"
};
constexpr uint16_t kCount = 0x5FFF;
constexpr uint16_t kLog = 0x6000;

// "QW1 m0": Q 0/04, W 1/04, 1 0/02, space 0/10, m (M with Shift) 7/10, 0 9/02.
const std::vector<uint8_t> kExpected = {0x00, 0x04, 0x01, 0x04, 0x00, 0x02, 0x00, 0x10, 0x87, 0x10, 0x09, 0x02};
constexpr int kLogBytes = 64;

class InsertedTextTest : public OwnerTest {
protected:
    void Prepare() {
        owner.SetDebugger(nullptr);
        Build(kModel2A);
        Mem().EndBootMapping();
        Poke(0x4000, kScanner);
        Cpu().PC = 0x4000;
        owner.GetSystemPio()->SetInsertText(u"QW1 m0");
    }
    // What the program logged, and the whole video RAM.
    std::vector<uint8_t> Seen() {
        std::vector<uint8_t> out;
        const int n = Mem().ReadByte(kCount);
        for (int i = 0; i < 2 * n && i < kLogBytes; ++i) out.push_back(Mem().ReadByte(kLog + i));
        return out;
    }
    std::vector<uint8_t> Screen() {
        std::vector<uint8_t> out;
        for (int a = 0xC000; a < 0x10000; ++a) out.push_back(Mem().ReadByte(a));
        return out;
    }
    // Enough slices for the text (about 3 keyboard steps a character) and
    // the scanner to log the last key.
    static constexpr int kSlices = 6 * 4 * SliceRunner::kKeyboardSlices + 200;
};

TEST_F(InsertedTextTest, OneTimesAndFastestSpeedTypeTheSameKeys) {
    // As fast as the host goes: the slices one after another.
    Prepare();
    for (int i = 0; i < kSlices; ++i) owner.PreciseTimerCpuTimer();
    const std::vector<uint8_t> fastest = Seen();
    const std::vector<uint8_t> fastestScreen = Screen();
    EXPECT_TRUE(owner.GetSystemPio()->GetInsertText().empty());

    // 1x: the CPU timer's 2 ms slices.
    Prepare();
    const int32_t start = owner.GetSliceCount();
    owner.SetPause(0, 1);
    for (int i = 0; i < 3000 && owner.GetSliceCount() < start + kSlices; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    owner.SetPause(1, 1);
    ASSERT_GE(owner.GetSliceCount(), start + kSlices);
    const std::vector<uint8_t> timed = Seen();
    EXPECT_TRUE(owner.GetSystemPio()->GetInsertText().empty());

    EXPECT_EQ(fastest, kExpected);
    EXPECT_EQ(timed, kExpected);
    EXPECT_EQ(Screen(), fastestScreen);
    owner.Shutdown();
}

}  // namespace
