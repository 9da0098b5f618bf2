// The settings applier's own job: its steps in their fixed order, one step
// per change code, and the list order not mattering.
#include <algorithm>
#include <map>

#include "OwnerFixture.h"
#include "machine/core/ChangeCodes.h"
#include "machine/owner/SettingsApplier.h"
#include "machine/storage/RaomModule.h"
#include "machine/storage/RomModule.h"

namespace {

namespace CC = ChangeCode;

TEST(SettingsApplierSteps, FixedOrderWithTheirCodes) {
    // step: the codes it answers, first..last.
    const std::vector<std::pair<int, int>> expected = {
        {CC::SoundDevice, CC::Volumes},  // 5, else 6
        {CC::Model, CC::Model},
        {CC::Compatibility, CC::Compatibility},
        {CC::VideoInterrupt, CC::VideoInterrupt},
        {CC::HalfPass, CC::HalfPass},
        {CC::Colors, CC::Colors},
        {CC::Keyboard, CC::Keyboard},
        {CC::DebuggerHints, CC::DebuggerHints},
        {CC::RomModule, CC::RomModule},
        {CC::Raom, CC::Raom},
        {CC::Joystick, CC::Joystick},
        {CC::Mouse, CC::Mouse},
        {CC::Bt100, CC::Bt100},
        {CC::Pmd32Unit, CC::Pmd32ProtectD},  // 19-27
        {CC::Musica, CC::Musica},
        {CC::Mif85, CC::Mif85},
    };
    const auto& steps = SettingsApplier::Steps();
    ASSERT_EQ(steps.size(), expected.size());
    for (size_t i = 0; i < steps.size(); ++i) {
        EXPECT_EQ(steps[i].first, expected[i].first) << i;
        EXPECT_EQ(steps[i].last, expected[i].second) << i;
        EXPECT_NE(steps[i].handler, nullptr) << i;
    }
}

TEST(SettingsApplierSteps, EveryCodeHasAtMostOneStep) {
    std::map<int, int> stepsOf;
    for (const SettingsApplier::Step& s : SettingsApplier::Steps())
        for (int code = s.first; code <= s.last; ++code) stepsOf[code]++;
    // Codes acted on only with another code, or read by the builder.
    const std::vector<int> noStep = {CC::RomModuleInserted, CC::Kzd1Connection,   CC::Kzd1Image,
                                     CC::Kzd1WriteProtect,  CC::Pmd30Connection,  CC::Pmd30Image,
                                     CC::Pmd30WriteProtect, CC::RaomInserted,     CC::Xy41xx,
                                     CC::Centronics,        CC::Ram256k};
    for (int code = CC::First; code <= CC::Last; ++code) {
        const bool none = std::find(noStep.begin(), noStep.end(), code) != noStep.end();
        EXPECT_EQ(stepsOf[code], none ? 0 : 1) << code;
    }
}

class SettingsApplierTest : public OwnerTest {};

// The ROM module's step runs before the ROM/RAM module's, so the ROM/RAM
// module holds 88h at the end, whatever the order of the list.
TEST_F(SettingsApplierTest, ListOrderDoesNotMatter) {
    Build(kModel2A);
    InsertRomModule(kModel2A);
    InsertRaom();
    for (std::vector<int> codes : {std::vector<int>{CC::Raom, CC::RomModule}, std::vector<int>{CC::RomModule, CC::Raom}}) {
        SetRomModule(false, 0);
        SetRomModule(false, 1);
        InsertRomModule(kModel2A);
        InsertRaom();
        EXPECT_EQ(owner.ApplySettings(codes), 0);
        ASSERT_NE(owner.GetRomModule(), nullptr);
        ASSERT_NE(owner.GetRaomModule(), nullptr);
        EXPECT_EQ(Cpu().FindPortDevice(0x88), owner.GetRaomModule());
    }
}

// Code 1 adds the codes of every device built on the core; each is handled
// once in the same call.
TEST_F(SettingsApplierTest, ModelCodeAddsTheDeviceCodesOnce) {
    Build(kModel2A);
    std::vector<int> codes{CC::Model};
    EXPECT_EQ(owner.ApplySettings(codes), 1);
    for (int code : {CC::Compatibility, CC::Ram256k, CC::VideoInterrupt, CC::Keyboard, CC::RomModule, CC::Raom,
                     CC::Musica, CC::Mif85, CC::Pmd32Unit, CC::Joystick, CC::Mouse})
        EXPECT_EQ(std::count(codes.begin(), codes.end(), code), 1) << code;
    EXPECT_EQ(std::count(codes.begin(), codes.end(), CC::SoundDevice), 0);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), CC::Colors), 0);
}

}  // namespace
