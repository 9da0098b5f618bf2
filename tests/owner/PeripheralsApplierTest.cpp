// The settings applier's peripherals: MIF 85 (code 34), joystick (9),
// mouse (10) and printer (31), built, placed and removed with the machine.
#include <algorithm>
#include <span>

#include "OwnerFixture.h"
#include "common/Startup.h"
#include "machine/core/ChangeCodes.h"
#include "machine/core/ModelIndex.h"
#include "machine/input/Joy4004482.h"
#include "machine/input/Mouse.h"
#include "machine/pio/IifGPIO.h"
#include "machine/printer/Bt100.h"
#include "machine/sndif/Mif85.h"
#include "machine/sound/SoundDriver.h"
#include "machine/timer/IifTimer.h"
#include "platform/ParPort.h"

namespace {

namespace CC = ChangeCode;

struct FakePaper : PrinterPaperLink {
    std::vector<std::pair<int, int>> calls;
    void AttachPrinter(int w, int h) override { calls.emplace_back(w, h); }
};

class PeripheralsTest : public OwnerTest {
protected:
    void SetUp() override {
        OwnerTest::SetUp();
        owner.SetSoundFactory([](int, int channels, std::span<const int> volumes) {
            return std::make_unique<SoundDriver>(SoundDriver::NoDevice, channels, volumes);
        });
        owner.SetPrinterPaper(&paper);
        pugi::xml_node controls = ConfigRoot.append_child("Controls");
        controls.append_child("Keyboard");
        mouse = controls.append_child("Mouse");
        pugi::xml_node joy = controls.append_child("Joystick");
        gpio0 = joy.append_child("Gpio0");
        gpio1 = joy.append_child("Gpio1");
        printer = ConfigRoot.append_child("Printer");
    }
    void TearDown() override {
        owner.SetPrinterPaper(nullptr);
        OwnerTest::TearDown();
    }
    static void Attr(pugi::xml_node node, const char* name, const char* value) {
        node.remove_attribute(name);
        node.append_attribute(name).set_value(value);
    }
    int Apply(std::vector<int> codes) { return owner.ApplySettings(codes); }
    void KeysRow(pugi::xml_node n) {
        for (auto [k, v] : {std::pair{"connected", "true"}, {"type", "keys"}, {"left", "46"}, {"right", "48"},
                            {"up", "45"}, {"down", "47"}, {"fire", "37"}})
            Attr(n, k, v);
    }

    FakePaper paper;
    pugi::xml_node mouse, gpio0, gpio1, printer;
};

TEST_F(PeripheralsTest, Mif85NeedsTheSettingAndADriver) {
    Build(kModel2A);
    Attr(Section("Sound"), "sound-if", "mif85");
    EXPECT_EQ(Apply({CC::Mif85}), 1);
    EXPECT_EQ(owner.GetMif85(), nullptr) << "no sound driver";
    Attr(Section("Sound"), "device-index", "0");
    Apply({CC::SoundDevice, CC::Mif85});
    Mif85* mif = owner.GetMif85();
    ASSERT_NE(mif, nullptr);
    EXPECT_EQ(owner.GetSoundDriver()->ChannelCount(), 3);
    for (int port : {0xEC, 0xED, 0xEE, 0xEF}) EXPECT_EQ(Cpu().FindPortDevice(uint8_t(port)), mif) << port;

    // Counter 0 of the timer interrupts while the MIF 85 enables it.
    Cpu().INTE = 1;
    mif->WritePort(0xEC, 1, 0);
    IifTimer& timer = *owner.GetTimerIf();
    timer.WritePort(0x5F, 0x34, 0);
    timer.WritePort(0x5C, 10, 0);
    timer.WritePort(0x5C, 0, 0);
    timer.Tick(0, 20);
    EXPECT_EQ(Cpu().IntRequest, 1);

    // A rebuild keeps it on the new core; a new driver gets its generator.
    Apply({CC::Model});
    ASSERT_NE(owner.GetMif85(), nullptr);
    EXPECT_EQ(Cpu().FindPortDevice(0xEE), owner.GetMif85());
    Apply({CC::SoundDevice});
    ASSERT_NE(owner.GetMif85(), nullptr);

    // Another sound interface removes it and its ports.
    Attr(Section("Sound"), "sound-if", "none");
    Apply({CC::Mif85});
    EXPECT_EQ(owner.GetMif85(), nullptr);
    EXPECT_EQ(Cpu().FindPortDevice(0xEE), nullptr);
}

// The MIF 85 interrupts through counter 0 of the timer interface: a model
// without one (Model-Mato) gets no MIF 85, neither by its code nor by a rebuild.
TEST_F(PeripheralsTest, Mif85NeedsATimerInterface) {
    Attr(Section("Sound"), "device-index", "0");
    Attr(Section("Sound"), "sound-if", "mif85");
    Build(kModelMato);
    ASSERT_EQ(owner.GetTimerIf(), nullptr);
    EXPECT_EQ(Apply({CC::SoundDevice, CC::Mif85}), 1);
    ASSERT_NE(owner.GetSoundDriver(), nullptr);
    EXPECT_EQ(owner.GetMif85(), nullptr);
    for (int port : {0xEC, 0xED, 0xEE, 0xEF}) EXPECT_EQ(Cpu().FindPortDevice(uint8_t(port)), nullptr) << port;

    // Built on a model with the timer interface, then the model becomes Mato.
    SelectModel(kModel2A);
    Apply({CC::Model});
    ASSERT_NE(owner.GetMif85(), nullptr);
    SelectModel(kModelMato);
    Apply({CC::Model});
    EXPECT_EQ(owner.GetMif85(), nullptr);
    EXPECT_EQ(Cpu().FindPortDevice(0xEC), nullptr);
    // The sound driver still runs with its own channels only.
    Apply({CC::SoundDevice});
    EXPECT_EQ(owner.GetMif85(), nullptr);
}

TEST_F(PeripheralsTest, JoystickModesFollowTheConnectedRows) {
    Build(kModel2A);
    EXPECT_EQ(Apply({CC::Joystick}), 0);
    EXPECT_EQ(owner.GetJoystick(), nullptr);
    KeysRow(gpio1);
    Apply({CC::Joystick});
    ASSERT_NE(owner.GetJoystick(), nullptr);
    EXPECT_EQ(owner.GetJoystick()->SlotCount(), 1);
    KeysRow(gpio0);
    Apply({CC::Joystick});
    ASSERT_NE(owner.GetJoystick(), nullptr);
    EXPECT_EQ(owner.GetJoystick()->SlotCount(), 2);

    // The controls tick polls it with the machine's keys; the 8255 shows the byte.
    IifGPIO& gpio = *owner.GetGpio();
    gpio.WritePort(0x4F, 0x92, 0);
    gpio.WritePort(0x4F, 0x09, 0);  // PC4 = 1
    owner.Keys().SetKey(VK_LEFT, true);
    owner.TimerRefreshControlsTimer();
    EXPECT_EQ(gpio.ReadPort(0x4C, 0), 0xF7);
    owner.Keys().Clear();

    // A rebuild deletes the joystick with the interface; code 9 makes a new one.
    Apply({CC::Model});
    ASSERT_NE(owner.GetJoystick(), nullptr);
    SelectModel(kModelMato);
    Apply({CC::Model});
    EXPECT_EQ(owner.GetJoystick(), nullptr) << "no general-purpose interface";
}

TEST_F(PeripheralsTest, MiceByTypeAndModel) {
    Build(kModel1);
    Attr(mouse, "type", "m602");
    EXPECT_EQ(Apply({CC::Mouse}), 1);
    ASSERT_NE(dynamic_cast<Mouse602*>(owner.GetMouse()), nullptr);
    EXPECT_EQ(Cpu().FindPortDevice(0x8C), owner.GetMouse());
    EXPECT_EQ(owner.GetTimerIf()->IsCounter1Running(), 1) << "cascade on";
    EXPECT_EQ(owner.GetMouse()->hideCursor, 1);

    Attr(mouse, "type", "poly8");
    Attr(mouse, "hide-cursor", "false");
    Apply({CC::Mouse});
    ASSERT_NE(dynamic_cast<MousePoly08*>(owner.GetMouse()), nullptr);
    EXPECT_EQ(owner.GetTimerIf()->IsCounter1Running(), 0) << "cascade off";
    EXPECT_EQ(owner.GetMouse()->hideCursor, 0);

    // The Poly08 interrupts the CPU after a move.
    Cpu().INTE = 1;
    owner.GetMouse()->Move(100, 100, 0, 0, 0);
    owner.GetMouse()->Move(104, 100, 0, 0, 0);
    owner.GetMouse()->TakeHostInput();
    owner.GetMouse()->Tick(0, MousePoly08::kPacketCycles);
    EXPECT_EQ(Cpu().IntRequest, 1);

    // The 602 only on Model-1.
    Build(kModel2);
    Attr(mouse, "type", "m602");
    Apply({CC::Mouse});
    EXPECT_EQ(owner.GetMouse(), nullptr);
    EXPECT_EQ(Cpu().FindPortDevice(0x8C), nullptr);
    Attr(mouse, "type", "none");
    EXPECT_EQ(Apply({CC::Mouse}), 1);
    EXPECT_EQ(owner.GetMouse(), nullptr);
}

// The window's moves reach the mouse's emulated side at the next slice
// start: the phases step from there, 1706 cycles each.
TEST_F(PeripheralsTest, MouseMovesAreTakenAtTheSliceStart) {
    Build(kModel1);
    Attr(mouse, "type", "m602");
    Apply({CC::Mouse});
    MouseBase* m = owner.GetMouse();
    ASSERT_NE(m, nullptr);
    owner.PreciseTimerCpuTimer();
    m->Move(100, 100, 0, 0, 0);
    m->Move(101, 100, 0, 0, 1);  // one pixel right: phases 4, 12, 8, 0
    EXPECT_EQ(m->ReadPort(0x8C, 0), 0) << "not taken before the slice";
    owner.PreciseTimerCpuTimer();
    // About 4096 cycles from the slice start: two steps, the button taken.
    EXPECT_EQ(m->ReadPort(0x8C, 0), 0x40 | 12);
    owner.PreciseTimerCpuTimer();
    EXPECT_EQ(m->ReadPort(0x8C, 0), 0x40 | 0);
    EXPECT_EQ(m->Quiet(), INT32_MAX);
}

TEST_F(PeripheralsTest, PrinterDrawnOrOnTheParallelPort) {
    Build(kModel2A);
    Attr(printer, "type", "bt100");
    Attr(printer, "on-lpt", "false");
    paper.calls.clear();
    EXPECT_EQ(Apply({CC::Bt100}), 0);
    ASSERT_NE(owner.GetBt100(), nullptr);
    EXPECT_EQ(paper.calls, (std::vector<std::pair<int, int>>{{0, 0}, {640, 820}}));

    // A program's needle dot through the interface, then Clear through the owner.
    IifGPIO& gpio = *owner.GetGpio();
    gpio.WritePort(0x4F, 0x88, 0);
    gpio.WritePort(0x4C, 0xFE, 0);
    EXPECT_EQ(owner.GetBt100()->GetDotQueue()->Size(), 1u);
    owner.ClearPrinter();
    EXPECT_TRUE(owner.GetBt100()->GetDotQueue()->Empty());

    // The head moves with the CPU's cycles.
    gpio.WritePort(0x4C, 0xDF, 0);
    for (int i = 0; i < 1000; ++i) Cpu().Step();
    EXPECT_GT(owner.GetBt100()->HeadX(), 80);

    // A rebuild detaches the paper and removes the printer with the interface;
    // code 1 brings it back.
    paper.calls.clear();
    Apply({CC::Model});
    ASSERT_NE(owner.GetBt100(), nullptr);
    EXPECT_EQ(paper.calls.back(), std::make_pair(640, 820));

    Attr(printer, "on-lpt", "true");
    Apply({CC::Bt100});
    EXPECT_EQ(owner.GetBt100(), nullptr);
    EXPECT_NE(owner.GetBt100Lpt(), nullptr);
    EXPECT_EQ(paper.calls.back(), std::make_pair(0, 0));
    Attr(printer, "type", "xy41xx");
    Apply({CC::Bt100});
    EXPECT_EQ(owner.GetBt100Lpt(), nullptr);
    EXPECT_EQ(LptHandle.load(), -1);
}

}  // namespace
