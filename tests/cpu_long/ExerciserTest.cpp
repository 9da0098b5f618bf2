// The full 8080 instruction exerciser: every group passes with the CRCs of
// real silicon, and the totals are exact.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/cpu/CpmHarness.h"
#include "tests/support/SharedTestData.h"

TEST(Exerciser8080, AllGroupsPassWithExactTotals) {
    const std::string dir = shared_test_data::Dir() + "/cpu8080";
    REQUIRE_SHARED_FOLDER(dir, "CPU test programs");
    std::vector<uint8_t> program;
    ASSERT_TRUE(CpmHarness::ReadFile(dir + "/8080EXM.COM", program));
    CpmHarness h;
    ASSERT_TRUE(h.Load(program));
    const uint64_t instructions = 2919050698ull;
    const uint64_t cycles = 23803381171ull;
    ASSERT_TRUE(h.Run(instructions + 1000)) << h.output;
    EXPECT_NE(h.output.find("Tests complete"), std::string::npos) << h.output;
    EXPECT_EQ(h.output.find("ERROR"), std::string::npos) << h.output;
    static const char* const crcs[] = {
        "14474ba6", "9e922f9e", "cf762c86", "bb3f030c", "adb6460e", "83ed1345", "f79287cd",
        "e5f6721b", "15b5579a", "7f4e2501", "cf2ab396", "12b2952c", "9f2b23c0", "ff57d356",
        "92e963bd", "d5702fab", "a9c3d5cb", "e8864f26", "fcf46e12", "2b821d5f", "eaa72044",
        "10b58cee", "ed57af72", "e0d89235", "2b0471e9"};
    for (const char* crc : crcs) EXPECT_NE(h.output.find(std::string("PASS! crc is:") + crc), std::string::npos) << crc;
    EXPECT_EQ(h.instructions, instructions);
    EXPECT_EQ(h.cycles, cycles);
    // The 32-bit clock wraps instead of overflowing.
    EXPECT_EQ(h.cpu.TotalClock, static_cast<uint32_t>(cycles));
    EXPECT_EQ(h.cpu.InstructionCounter, static_cast<uint32_t>(instructions));
}
