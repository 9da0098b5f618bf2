#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "common/Startup.h"
#include "machine/input/Joy4004482.h"
#include "machine/input/JoyRow.h"
#include "machine/pio/IifGPIO.h"
#include "platform/KeyState.h"

namespace {

// A controller whose state the test sets; counts its polls.
struct FakePad {
    HostJoystickState state;
    int polls = 0;
    bool attached = true;
};
FakePad g_pads[2];

class FakeJoystick : public HostJoystick {
public:
    bool Open(const Guid& g) override {
        pad = nullptr;
        for (size_t i = 0; JoyDevices && i < JoyDevices->size(); ++i)
            if ((*JoyDevices)[i].InstanceGuid == g && i < 2 && g_pads[i].attached) pad = &g_pads[i];
        return pad != nullptr;
    }
    void Close() override { pad = nullptr; }
    bool IsOpen() const override { return pad != nullptr; }
    int AxisCount() const override { return 2; }
    int HatCount() const override { return 1; }
    int ButtonCount() const override { return 8; }
    bool Poll(HostJoystickState& s) override {
        if (!pad || !pad->attached) return false;
        ++pad->polls;
        s = pad->state;
        return true;
    }

private:
    FakePad* pad = nullptr;
};

std::unique_ptr<HostJoystick> MakeFake() { return std::make_unique<FakeJoystick>(); }

Guid PadGuid(int i) {
    Guid g;
    g.Data1 = 0x030000DE;
    g.Data4[7] = uint8_t(i);
    return g;
}

class JoystickFixture : public ::testing::Test {
protected:
    void SetUp() override {
        SetHostJoystickFactory(&MakeFake);
        JoyDevices = std::make_unique<std::vector<JoyDevice>>();
        JoyDevices->push_back(JoyDevice{PadGuid(0), "Pad"});
        JoyDevices->push_back(JoyDevice{PadGuid(1), "Pad"});
        for (FakePad& p : g_pads) p = FakePad{};
        keys.Clear();
        // Ports A and B input, port C output.
        gpio.WritePort(0x4F, 0x92, 0);
        SetPc(4, 1);
        SetPc(0, 1);
    }
    void TearDown() override {
        SetHostJoystickFactory(nullptr);
        JoyDevices.reset();
        keys.Clear();
    }
    void SetPc(int bit, int level) { gpio.WritePort(0x4F, uint8_t(bit << 1 | level), 0); }
    uint8_t ReadA() { return gpio.ReadPort(0x4C, 0); }
    uint8_t ReadB() { return gpio.ReadPort(0x4D, 0); }

    IifGPIO gpio;
    HostKeyState keys;
};

JoyRow KeysRow() {
    JoyRow r;
    r.type = JoyRow::kKeys;
    r.left = 46;   // "Left"
    r.right = 48;  // "Right"
    r.up = 45;     // "Up"
    r.down = 47;   // "Down"
    r.fire = 37;   // "Space"
    return r;
}

JoyRow PadRow(int32_t type, int32_t device) {
    JoyRow r;
    r.type = type;
    r.device = device;
    r.fire = 4;
    if (type == JoyRow::kButtons) {
        r.left = 0;
        r.right = 1;
        r.up = 2;
        r.down = 3;
    }
    if (type == JoyRow::kPov) r.pov = 0;
    return r;
}

TEST(JoyKeyTable, NamesAndCodesAtTheirIndices) {
    struct Case {
        int index;
        const char* name;
        int vk;
    };
    const Case cases[] = {{0, "A", 65},        {25, "Z", 90},       {26, "0", 48},    {35, "9", 57},
                          {36, "Enter", 13},   {37, "Space", 32},   {44, "Page Down", 34},
                          {45, "Up", 38},      {48, "Right", 39},   {49, "F1", 112},  {60, "F12", 123},
                          {61, ";", 186},      {70, "\\", 221},     {71, ":", 222},   {72, "Num 0", 96},
                          {81, "Num 9", 105},  {82, "Num /", 111},  {86, "Num .", 110}};
    for (const Case& c : cases) {
        EXPECT_STREQ(JoyKeyTable[c.index].name, c.name) << c.index;
        EXPECT_EQ(JoyKeyTable[c.index].vk, c.vk) << c.index;
    }
}

TEST_F(JoystickFixture, KeysRowGivesActiveLowBitsWhilePc4IsHigh) {
    JoyRow row = KeysRow();
    Joy4004482 joy(gpio, Joy4004482::kFirstOnly, &row, &keys);
    struct Case {
        std::vector<int> keys;
        uint8_t expected;
    };
    const Case cases[] = {
        {{}, 0xFF},
        {{VK_LEFT}, 0xF7},
        {{VK_RIGHT}, 0xFB},
        {{VK_UP}, 0xFD},
        {{VK_DOWN}, 0xFE},
        {{VK_SPACE}, 0xEF},
        {{VK_UP, VK_LEFT, VK_SPACE}, 0xE5},
        {{'A', VK_F1}, 0xFF},  // keys of no direction
    };
    for (const Case& c : cases) {
        keys.Clear();
        for (int vk : c.keys) keys.SetKey(vk, true);
        joy.Poll();
        SetPc(4, 1);
        EXPECT_EQ(ReadA(), c.expected);
        SetPc(4, 0);
        EXPECT_EQ(ReadA(), 0xFF) << "PC4 low hides the joystick";
    }
}

TEST_F(JoystickFixture, OutOfRangeKeyIndicesAreIgnored) {
    JoyRow row = KeysRow();
    row.left = 87;
    row.right = -5;
    row.up = 100000;
    Joy4004482 joy(gpio, Joy4004482::kFirstOnly, &row, &keys);
    keys.SetKey(VK_LEFT, true);
    joy.Poll();
    EXPECT_EQ(ReadA(), 0xFF);
}

TEST(Joy4004482Axes, SectorsAreCentredOnTheirDirection) {
    // x right, y up; sensitivity in percent of the full radius 128.
    struct Case {
        int x, y, sensitivity, sector;
    };
    const Case cases[] = {
        {0, 128, 60, 0},     {128, 0, 60, 2},     {0, -128, 60, 4},    {-128, 0, 60, 6},
        {90, 90, 60, 1},     {90, -90, 60, 3},    {-90, -90, 60, 5},   {-90, 90, 60, 7},
        {128, 10, 60, 2},    // just above right is still right
        {-5, 128, 60, 0},    // just left of up is still up
        {128, 60, 60, 1},    // 64.9 degrees: up and right
        {128, 50, 60, 2},    // 68.7 degrees: right
        {128, 40, 60, 2},    {40, 128, 60, 0},  {-40, -128, 60, 4},
        {0, 0, 0, -1},       // the centre is neutral even with no dead zone
        {0, 0, 60, -1},
        {20, 0, 60, -1},     // inside the circle
        {0, 76, 60, -1},     // 59 %
        {0, 77, 60, 0},      // 60 %
        {128, 0, 100, 2},    // full deflection reaches 100 %
        {128, 0, 139, 2},    // a sensitivity beyond 100 counts as 100
        {1, 0, -7, 2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Joy4004482::AxesSector(c.x, c.y, c.sensitivity), c.sector)
            << c.x << "," << c.y << " sensitivity " << c.sensitivity;
}

TEST(Joy4004482Axes, SectorBytesAndHats) {
    const uint8_t bytes[9] = {0xFD, 0xF9, 0xFB, 0xFA, 0xFE, 0xF6, 0xF7, 0xF5, 0xFF};
    for (int s = 0; s < 9; ++s) EXPECT_EQ(Joy4004482::SectorByte(s), bytes[s]) << s;
    EXPECT_EQ(Joy4004482::SectorByte(-1), 0xFF);
    struct Hat {
        uint32_t value;
        int sector;
    };
    const Hat hats[] = {{0, 0},         {4500, 1},     {9000, 2},     {13500, 3}, {18000, 4},
                        {22500, 5},     {27000, 6},    {31500, 7},    {35999, 8}, {0xFFFFFFFFu, -1},
                        {0x0000FFFFu, -1}};
    for (const Hat& h : hats) EXPECT_EQ(Joy4004482::PovSector(h.value), h.sector) << h.value;
}

TEST_F(JoystickFixture, ControllerRowsThroughAFakedDevice) {
    struct Case {
        int32_t type;
        int32_t x, y;  // the controller's axes (y positive down)
        uint32_t hat;
        std::vector<int> buttons;
        uint8_t expected;
    };
    const Case cases[] = {
        {JoyRow::kAxes, 0, -128, 0xFFFFFFFFu, {}, 0xFD},
        {JoyRow::kAxes, 128, 0, 0xFFFFFFFFu, {}, 0xFB},
        {JoyRow::kAxes, 0, 128, 0xFFFFFFFFu, {}, 0xFE},
        {JoyRow::kAxes, -128, 128, 0xFFFFFFFFu, {}, 0xF6},
        {JoyRow::kAxes, 10, 10, 0xFFFFFFFFu, {4}, 0xEF},  // dead zone, fire still works
        {JoyRow::kAxes, 0, 0, 0xFFFFFFFFu, {}, 0xFF},
        {JoyRow::kPov, 0, 0, 0, {}, 0xFD},
        {JoyRow::kPov, 0, 0, 13500, {4}, 0xEA},
        {JoyRow::kPov, 0, 0, 35999, {}, 0xFF},
        {JoyRow::kPov, 0, 0, 0xFFFFFFFFu, {}, 0xFF},
        {JoyRow::kButtons, 0, 0, 0xFFFFFFFFu, {1, 4}, 0xEB},
        {JoyRow::kButtons, 0, 0, 0xFFFFFFFFu, {0, 2}, 0xF5},
        {JoyRow::kButtons, 0, 0, 0xFFFFFFFFu, {3}, 0xFE},
        {JoyRow::kButtons, 0, 0, 0xFFFFFFFFu, {7}, 0xFF},
    };
    for (const Case& c : cases) {
        JoyRow row = PadRow(c.type, 1);
        Joy4004482 joy(gpio, Joy4004482::kSecondOnly, &row, &keys);
        g_pads[1].state = HostJoystickState{};
        g_pads[1].state.x = c.x;
        g_pads[1].state.y = c.y;
        g_pads[1].state.pov[0] = c.hat;
        for (int b : c.buttons) g_pads[1].state.buttons[b] = 0x80;
        joy.Poll();
        SetPc(0, 1);
        EXPECT_EQ(ReadB(), c.expected) << "type " << c.type << " x " << c.x << " y " << c.y << " hat " << c.hat;
        SetPc(0, 0);
        EXPECT_EQ(ReadB(), 0xFF);
    }
}

TEST_F(JoystickFixture, TwoRowsOnOneControllerReadItOnce) {
    JoyRow rows[2] = {PadRow(JoyRow::kAxes, 0), PadRow(JoyRow::kPov, 0)};
    Joy4004482 joy(gpio, Joy4004482::kBoth, rows, &keys);
    EXPECT_TRUE(joy.SameDevice());
    g_pads[0].state.x = -128;
    g_pads[0].state.pov[0] = 18000;
    joy.Poll();
    EXPECT_EQ(g_pads[0].polls, 1);
    EXPECT_EQ(ReadA(), 0xF7);  // axes: left
    EXPECT_EQ(ReadB(), 0xFE);  // hat: down
}

TEST_F(JoystickFixture, IdenticalPadsAreToldApartByOrder) {
    JoyRow rows[2] = {PadRow(JoyRow::kButtons, 0), PadRow(JoyRow::kButtons, 1)};
    Joy4004482 joy(gpio, Joy4004482::kBoth, rows, &keys);
    EXPECT_FALSE(joy.SameDevice());
    g_pads[0].state.buttons[0] = 0x80;
    g_pads[1].state.buttons[1] = 0x80;
    joy.Poll();
    EXPECT_EQ(ReadA(), 0xF7);
    EXPECT_EQ(ReadB(), 0xFB);
    EXPECT_EQ(g_pads[0].polls, 1);
    EXPECT_EQ(g_pads[1].polls, 1);
}

TEST_F(JoystickFixture, MissingControllerKeepsFFAndReleaseStopsPolling) {
    g_pads[0].attached = false;
    JoyRow rows[2] = {PadRow(JoyRow::kButtons, 0), KeysRow()};
    Joy4004482 joy(gpio, Joy4004482::kBoth, rows, &keys);
    keys.SetKey(VK_DOWN, true);
    joy.Poll();
    EXPECT_EQ(ReadA(), 0xFF);
    EXPECT_EQ(ReadB(), 0xFE);
    // Released: polls change nothing until re-acquired.
    joy.ReleaseDevices(0);
    keys.Clear();
    joy.Poll();
    EXPECT_EQ(ReadB(), 0xFE);
    joy.AcquireDevices();
    joy.Poll();
    EXPECT_EQ(ReadB(), 0xFF);
}

struct Sentinel {
    int calls = 0;
    void Read() { ++calls; }
};

TEST_F(JoystickFixture, DeletionPutsThePreviousHooksBack) {
    Sentinel s;
    auto hook = MakeClosure<&Sentinel::Read>(&s);
    gpio.pio.SetInputHook(ChipPIO8255::kPortA, hook);
    gpio.pio.SetInputHook(ChipPIO8255::kPortB, hook);
    {
        JoyRow rows[2] = {KeysRow(), KeysRow()};
        Joy4004482 joy(gpio, Joy4004482::kBoth, rows, &keys);
        ReadA();
        EXPECT_EQ(s.calls, 0);
    }
    EXPECT_EQ(gpio.pio.SetInputHook(ChipPIO8255::kPortA, {}), hook);
    EXPECT_EQ(gpio.pio.SetInputHook(ChipPIO8255::kPortB, {}), hook);
}

TEST(JoyRowConfig, LoadWriteAndDescribe) {
    std::vector<JoyDevice> devices = {JoyDevice{PadGuid(0), "Pad A"}, JoyDevice{PadGuid(1), "Pad B"}};
    pugi::xml_document doc;
    pugi::xml_node n = doc.append_child("Gpio0");

    JoyRow axes = PadRow(JoyRow::kAxes, 1);
    axes.sensitivity = 42;
    ASSERT_TRUE(WriteJoyRow(n, axes, &devices));
    EXPECT_STREQ(n.attribute("type").value(), "axes");
    EXPECT_STREQ(n.attribute("connected").value(), "true");
    EXPECT_EQ(LoadJoyRow(n, &devices), axes);
    EXPECT_EQ(DescribeJoyRow(axes, &devices), "Pad B");

    // The controller is gone: the row loads cleared.
    std::vector<JoyDevice> one = {devices[0]};
    JoyRow gone = LoadJoyRow(n, &one);
    EXPECT_EQ(gone.type, JoyRow::kNone);
    EXPECT_EQ(gone.device, -1);
    EXPECT_EQ(gone.left, -1);
    EXPECT_EQ(gone.sensitivity, 60);
    EXPECT_EQ(DescribeJoyRow(gone, &one), "...");

    // Keys rows need no controller; a sensitivity out of range becomes 60.
    n.attribute("type").set_value("keys");
    n.attribute("sensitivity").set_value("150");
    n.attribute("guid").set_value("not a guid");
    JoyRow keys = LoadJoyRow(n, &devices);
    EXPECT_EQ(keys.type, JoyRow::kKeys);
    EXPECT_EQ(keys.sensitivity, 60);
    JoyRow unassigned;
    unassigned.type = JoyRow::kKeys;
    EXPECT_EQ(DescribeJoyRow(unassigned, nullptr), "..., ..., ..., ..., ...");
    EXPECT_EQ(DescribeJoyRow(KeysRow(), nullptr), "Left, Right, Up, Down, Space");
    EXPECT_EQ(JoyTypeFromText("wheel"), JoyRow::kNone);
}

}  // namespace
