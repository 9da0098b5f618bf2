// The public CPU test programs under the CP/M harness: success text and the
// exact instruction and cycle totals of an exact 8080.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/cpu/CpmHarness.h"
#include "tests/support/SharedTestData.h"

namespace {

struct ProgramCase {
    const char* file;
    const char* success;
    uint64_t instructions;
    uint64_t cycles;
};

class CpmProgram : public ::testing::TestWithParam<ProgramCase> {};

TEST_P(CpmProgram, PassesWithExactTotals) {
    const ProgramCase& c = GetParam();
    const std::string dir = shared_test_data::Dir() + "/cpu8080";
    REQUIRE_SHARED_FOLDER(dir, "CPU test programs");
    std::vector<uint8_t> program;
    ASSERT_TRUE(CpmHarness::ReadFile(dir + "/" + c.file, program)) << c.file;
    CpmHarness h;
    ASSERT_TRUE(h.Load(program));
    ASSERT_TRUE(h.Run(c.instructions + 1000)) << "did not reach the warm boot; output:\n" << h.output;
    EXPECT_NE(h.output.find(c.success), std::string::npos) << h.output;
    EXPECT_EQ(h.output.find("FAILED"), std::string::npos) << h.output;
    EXPECT_EQ(h.output.find("ERROR"), std::string::npos) << h.output;
    EXPECT_EQ(h.instructions, c.instructions);
    EXPECT_EQ(h.cycles, c.cycles);
    EXPECT_EQ(h.cpu.InstructionCounter, static_cast<uint32_t>(c.instructions));
    EXPECT_EQ(h.cpu.TotalClock, static_cast<uint32_t>(c.cycles));
}

INSTANTIATE_TEST_SUITE_P(Programs, CpmProgram,
                         ::testing::Values(ProgramCase{"TST8080.COM", " CPU IS OPERATIONAL", 651, 4924},
                                           ProgramCase{"8080PRE.COM", "8080 Preliminary tests complete", 1061, 7817},
                                           ProgramCase{"CPUTEST.COM", "CPU TESTS OK", 33971311, 255653383}),
                         [](const ::testing::TestParamInfo<ProgramCase>& i) {
                             std::string n = i.param.file;
                             return n.substr(0, n.find('.'));
                         });

}  // namespace
