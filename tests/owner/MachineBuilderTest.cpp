// The builder's own job, on bare machine parts without an owner: the table
// row of every model and what a build leaves to the appliers.
#include "OwnerFixture.h"
#include "machine/cpu/ChipMemoryModels.h"
#include "machine/owner/MachineBuilder.h"
#include "machine/owner/MachineParts.h"
#include "machine/pio/IifGPIO.h"
#include "machine/pio/SystemPIO.h"
#include "machine/screen/ScreenDAD85.h"
#include "machine/storage/Pmd32.h"
#include "machine/storage/RomModule.h"

namespace {

using machine_builder::Memory;
using machine_builder::Plan;

TEST(ModelPlan, NameMemoryAndRomPerModel) {
    struct Case {
        int model;
        const char* name;
        Memory memory, memory256k;
        int romKb;  // 0: the ROM file's size
    };
    const Case cases[] = {
        {kModel1, "Model-1", Memory::Model12, Memory::Model12, 0},
        {kModel2, "Model-2", Memory::Model12, Memory::Model12, 0},
        {kModel2A, "Model-2A", Memory::Model2A, Memory::Model2AEx, 0},
        {kModel3, "Model-3", Memory::Model3, Memory::Model3Ex, 8},
        {kModelMato, "Model-Mato", Memory::Model12, Memory::Model12, 16},
        {kModelAlfa, "Model-Alfa", Memory::Model12, Memory::Model12, 0},
        {kModelAlfa2, "Model-Alfa2", Memory::Model12, Memory::Model12, 0},
        {kModelC2717, "Model-C2717", Memory::C2717, Memory::C2717, 16},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_STREQ(Plan(c.model).name, c.name);
        EXPECT_STREQ(MachineBuilder::ModelName(c.model), c.name);
        EXPECT_EQ(Plan(c.model).memory, c.memory);
        EXPECT_EQ(Plan(c.model).memory256k, c.memory256k);
        EXPECT_EQ(Plan(c.model).romKb, c.romKb);
        // Only models 0-3 read the video-interrupt option; all but C2717 start narrow.
        EXPECT_EQ(Plan(c.model).videoInterruptOption, c.model <= kModel3);
        EXPECT_EQ(Plan(c.model).narrowAtStart, c.model != kModelC2717);
        // Model-1 and Model-Alfa clock the tape's serial chip themselves.
        EXPECT_EQ(Plan(c.model).tapeTimerClock,
                  c.model != kModel1 && c.model != kModelAlfa && c.model != kModelMato);
    }
    EXPECT_STREQ(MachineBuilder::ModelName(-1), "");
    EXPECT_STREQ(MachineBuilder::ModelName(8), "");
}

// A monitor file fills the model's ROM: the Model-3 takes 8 KB, the Mato and the Consul
// 16 KB, the others the file's size in whole KB from 4 to 16.
TEST(ModelPlan, MonitorRomSizeThatFitsEachModel) {
    const struct {
        int model;
        int64_t size;
        bool fits;
    } cases[] = {
        {kModel1, 4096, true},      {kModel1, 16384, true},     {kModel1, 2048, false},
        {kModel1, 17408, false},    {kModel1, 4096 + 512, false}, {kModel2, 8192, true},
        {kModel2A, 3072, false},    {kModelAlfa, 13312, true},  {kModelAlfa2, 16384, true},
        {kModel3, 8192, true},      {kModel3, 4096, false},     {kModel3, 16384, false},
        {kModelMato, 16384, true},  {kModelMato, 8192, false},  {kModelC2717, 16384, true},
        {kModelC2717, 4096, false}, {-1, 4096, false},          {8, 4096, false},
        {kModel1, 0, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MachineBuilder::MonitorRomFits(c.model, c.size), c.fits) << c.model << " " << c.size;
    EXPECT_EQ(MachineBuilder::ModelIndex("Model-2A"), kModel2A);
    EXPECT_EQ(MachineBuilder::ModelIndex("Model-C2717"), kModelC2717);
    EXPECT_EQ(MachineBuilder::ModelIndex("model-1"), -1);
    EXPECT_EQ(MachineBuilder::ModelIndex("-"), -1);
}

class BareBuild : public OwnerTest {
protected:
    void SetUp() override {
        OwnerTest::SetUp();
        parts.screen = std::make_unique<ScreenDAD85>(0, nullptr);
    }
    void TearDown() override {
        parts.DetachAll();
        parts.romModule.reset();
        MachineBuilder::DeleteCore(parts);
        OwnerTest::TearDown();
    }
    // The builder reads the configuration as the owner hands it over.
    void Build() {
        parts.settings = ReadMachineSettings(ConfigRoot);
        MachineBuilder::Build(parts, 0, 0, nullptr);
    }
    MachineParts parts;
};

TEST_F(BareBuild, SurvivingModuleIsMappedAgainAndTheDiskUnitIsLeftToItsApplier) {
    SelectModel(kModel2A);
    Build();
    ASSERT_NE(parts.cpu, nullptr);
    parts.romModule = std::make_unique<RomModule>();
    parts.PlaceRomModule();
    parts.pmd32 = std::make_unique<Pmd32>(*parts.gpio);
    parts.pmd32Place.Attach(*parts.cpu, nullptr, {}, parts.pmd32->TickHook());

    SelectModel(kModel3);
    Build();
    EXPECT_EQ(parts.model, kModel3);
    EXPECT_EQ(parts.cpu->FindPortDevice(0x88), parts.romModule.get());
    EXPECT_EQ(parts.pmd32, nullptr);
    EXPECT_FALSE(parts.pmd32Place.Attached());
    // System port, timer and tape ticks only.
    int hooks = 0;
    for (const CycleCallback* c = parts.cpu->GetCycleCallbacks(); c; c = c->Next) hooks++;
    EXPECT_EQ(hooks, 3);
    EXPECT_EQ(parts.monitorRomSize, 8 * 1024);
}

TEST_F(BareBuild, MatoBuildsOnlyTheSystemPort) {
    SelectModel(kModelMato);
    Build();
    ASSERT_NE(parts.systemPio, nullptr);
    EXPECT_EQ(parts.gpio, nullptr);
    EXPECT_EQ(parts.timerIf, nullptr);
    EXPECT_EQ(parts.tape, nullptr);
    EXPECT_EQ(parts.cpu->GetCycleCallbacks(), nullptr);
    EXPECT_EQ(parts.cpu->FindPortDevice(0x84), parts.systemPio.get());
    EXPECT_EQ(parts.cpu->GetPortMap()->Next, nullptr);
}

}  // namespace
