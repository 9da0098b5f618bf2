// The scoped pause of the windows: paused for the hold, then run again by
// its rule, or left paused.
#include "OwnerFixture.h"

namespace {

using Hold = MachineOwner::PauseHold;

struct HoldCase {
    const char* name;
    int before;         // 0 running, 1 paused
    Hold::Resume rule;
    bool keep;
    int after;
};

class PauseHoldTest : public OwnerTest, public ::testing::WithParamInterface<HoldCase> {};

TEST_P(PauseHoldTest, PausesForTheHoldThenFollowsItsRule) {
    const HoldCase& c = GetParam();
    owner.SetDebugger(nullptr);
    Build(kModel2A);
    owner.SetPause(c.before, 1);
    ASSERT_EQ(owner.GetRunState(), c.before);
    {
        Hold hold(owner, 1, c.rule);
        EXPECT_EQ(owner.GetRunState(), 1);
        EXPECT_EQ(hold.StateBefore(), c.before);
        if (c.keep) hold.Keep();
    }
    EXPECT_EQ(owner.GetRunState(), c.after);
    owner.Shutdown();
}

INSTANTIATE_TEST_SUITE_P(Rules, PauseHoldTest,
                         ::testing::Values(HoldCase{"RunningAlways", 0, Hold::Always, false, 0},
                                           HoldCase{"PausedAlways", 1, Hold::Always, false, 0},
                                           HoldCase{"RunningIfWasRunning", 0, Hold::IfWasRunning, false, 0},
                                           HoldCase{"PausedIfWasRunning", 1, Hold::IfWasRunning, false, 1},
                                           HoldCase{"RunningKept", 0, Hold::Always, true, 1},
                                           HoldCase{"RunningIfWasRunningKept", 0, Hold::IfWasRunning, true, 1}),
                         [](const ::testing::TestParamInfo<HoldCase>& info) { return std::string(info.param.name); });


// A hold inside another (a dialog opened from a dialog): the inner one
// finds the machine paused and leaves it so; the outer one runs it again.
class PauseHoldNestingTest : public OwnerTest {};

TEST_F(PauseHoldNestingTest, NestedHoldsRunTheMachineOnceTheOuterEnds) {
    owner.SetDebugger(nullptr);
    Build(kModel2A);
    owner.SetPause(0, 1);
    {
        Hold outer(owner, 0, Hold::IfWasRunning);
        {
            Hold inner(owner, 0, Hold::IfWasRunning);
        }
        EXPECT_EQ(owner.GetRunState(), 1);
        outer.Release();
        EXPECT_EQ(owner.GetRunState(), 0);
        owner.SetPause(1, 0);
    }
    // Released once: the end of the scope does not run it again.
    EXPECT_EQ(owner.GetRunState(), 1);
    owner.Shutdown();
}

}  // namespace
