#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "machine/core/ModelIndex.h"
#include "machine/cpu/ChipMemory.h"
#include "machine/cpu/ChipMemoryModels.h"
#include "machine/pio/SystemPIO.h"
#include "platform/KeyState.h"

namespace {

// Counts the mapping calls; no address space behind it.
class FakeMemory : public ChipMemory {
public:
    FakeMemory() : ChipMemory(4) {}
    void Reset() override {
        ++resets;
        bootFlag = 1;
    }
    void EndBootMapping() override {
        ++endBootCalls;
        bootFlag = 0;
    }
    uint8_t* GetVideoRam() override { return video; }
    int32_t GetPointer(int32_t, int32_t, uint8_t** pointer, int) override {
        *pointer = nullptr;
        return -1;
    }
    int resets = 0;
    int endBootCalls = 0;

private:
    uint8_t video[16384] = {};
};

struct SoundEvent {
    int channel, on;
    int32_t cycles;
};

struct FakeSink {
    std::vector<SoundEvent> events;
    void Level(int channel, int on, int32_t cycles) { events.push_back({channel, on, cycles}); }
};

constexpr int kAllModels[] = {kModel1, kModel2, kModel2A, kModel3, kModelMato, kModelAlfa, kModelAlfa2, kModelC2717};
constexpr int kMato = kModelMato;

struct Machine {
    explicit Machine(int model) : sys(model, &mem, &keys) {
        sys.SetSoundSink(MakeClosure<&FakeSink::Level>(&sink));
        sys.Reset(0);
    }
    // Port A output, port B input, port C output (mode 0).
    void SetUpKeyboardMode() { sys.WritePort(0x87, 0x82, 0); }
    uint8_t ReadRows(uint8_t portA) {
        sys.WritePort(0x84, portA, 0);
        return sys.ReadPort(0x85, 0);
    }
    void Scan(std::initializer_list<int> pressed) {
        keys.Clear();
        for (int k : pressed) keys.SetKey(k, true);
        sys.ScanKeyboard();
    }
    FakeMemory mem;
    FakeSink sink;
    HostKeyState keys;
    SystemPIO sys;
};

// ---------------------------------------------------------------- ports

TEST(SystemPIO, PortWritesEndBootMappingExceptOnC2717) {
    for (int model : kAllModels) {
        Machine m(model);
        for (uint8_t port : {0x84, 0x85, 0x86, 0x87}) {
            m.mem.endBootCalls = 0;
            m.sys.WritePort(port, 0x9B, 0);
            EXPECT_EQ(m.mem.endBootCalls, model == kModelC2717 ? 0 : 1) << "model " << model << " write " << int(port);
            m.mem.endBootCalls = 0;
            m.sys.ReadPort(port, 0);
            EXPECT_EQ(m.mem.endBootCalls, model == kModelC2717 ? 1 : 0) << "model " << model << " read " << int(port);
        }
    }
}

TEST(SystemPIO, PortDecodingMasks8Fh) {
    Machine m(0);
    m.sys.WritePort(0xF7, 0x80, 0);  // F7h AND 8Fh = 87h
    m.sys.WritePort(0x94, 0x5A, 0);  // 84h
    m.sys.WritePort(0xB6, 0x0C, 0);  // 86h
    EXPECT_EQ(m.sys.pio.control, 0x80);
    EXPECT_EQ(m.sys.pio.portAOut, 0x5A);
    EXPECT_EQ(m.sys.pio.portCOut, 0x0C);
    EXPECT_EQ(m.sys.ReadPort(0xC4, 0), 0x5A);
    EXPECT_EQ(m.sys.ReadPort(0x80, 0), 0xFF);
    EXPECT_EQ(m.sys.ReadPort(0x8C, 0), 0xFF);
    m.sys.WritePort(0x88, 0x11, 0);  // not ours
    EXPECT_EQ(m.sys.pio.portAOut, 0x5A);
}

// ---------------------------------------------------------------- key tables

struct KeyCase {
    int vk;
    int column;
    uint8_t mask;
};

const KeyCase kOrdinaryKeys[] = {
    {VK_TAB, 13, 0x01}, {VK_RETURN, 14, 0x10}, {VK_CAPITAL, 12, 0x10}, {VK_SPACE, 0, 0x10},
    {VK_PRIOR, 14, 0x01}, {VK_NEXT, 14, 0x02}, {VK_END, 13, 0x08}, {VK_HOME, 13, 0x04},
    {VK_LEFT, 12, 0x04}, {VK_UP, 12, 0x08}, {VK_RIGHT, 14, 0x04}, {VK_DOWN, 14, 0x08},
    {VK_INSERT, 12, 0x02}, {VK_DELETE, 13, 0x02},
    {'1', 0, 0x02}, {'2', 1, 0x02}, {'3', 2, 0x02}, {'4', 3, 0x02}, {'5', 4, 0x02},
    {'6', 5, 0x02}, {'7', 6, 0x02}, {'8', 7, 0x02}, {'9', 8, 0x02}, {'0', 9, 0x02},
    {VK_F1, 0, 0x01}, {VK_F2, 1, 0x01}, {VK_F3, 2, 0x01}, {VK_F4, 3, 0x01}, {VK_F5, 4, 0x01},
    {VK_F6, 5, 0x01}, {VK_F7, 6, 0x01}, {VK_F8, 7, 0x01}, {VK_F9, 8, 0x01}, {VK_F10, 9, 0x01},
    {VK_F11, 10, 0x01}, {VK_F12, 11, 0x01},
    {'Q', 0, 0x04}, {'W', 1, 0x04}, {'E', 2, 0x04}, {'R', 3, 0x04}, {'T', 4, 0x04},
    {'Y', 5, 0x04}, {'U', 6, 0x04}, {'I', 7, 0x04}, {'O', 8, 0x04}, {'P', 9, 0x04},
    {'A', 0, 0x08}, {'S', 1, 0x08}, {'D', 2, 0x08}, {'F', 3, 0x08}, {'G', 4, 0x08},
    {'H', 5, 0x08}, {'J', 6, 0x08}, {'K', 7, 0x08}, {'L', 8, 0x08},
    {'Z', 1, 0x10}, {'X', 2, 0x10}, {'C', 3, 0x10}, {'V', 4, 0x10}, {'B', 5, 0x10},
    {'N', 6, 0x10}, {'M', 7, 0x10},
    {VK_OEM_1, 9, 0x08}, {VK_OEM_PLUS, 11, 0x08}, {VK_OEM_COMMA, 8, 0x10}, {VK_OEM_MINUS, 10, 0x02},
    {VK_OEM_PERIOD, 9, 0x10}, {VK_OEM_2, 10, 0x10}, {VK_OEM_3, 12, 0x01}, {VK_OEM_4, 10, 0x04},
    {VK_OEM_5, 11, 0x02}, {VK_OEM_6, 11, 0x04}, {VK_OEM_7, 10, 0x08},
};

const KeyCase kMatoKeys[] = {
    {VK_SPACE, 6, 0x04}, {VK_LEFT, 6, 0x10}, {VK_UP, 6, 0x02}, {VK_RIGHT, 6, 0x20}, {VK_DOWN, 6, 0x01},
    {'1', 0, 0x01}, {'2', 0, 0x02}, {'3', 0, 0x04}, {'4', 0, 0x08}, {'5', 0, 0x10}, {'6', 0, 0x20},
    {'7', 0, 0x40}, {'8', 4, 0x08}, {'9', 5, 0x08}, {'0', 4, 0x02},
    {'Q', 1, 0x01}, {'W', 1, 0x02}, {'E', 1, 0x04}, {'R', 1, 0x08}, {'T', 1, 0x10}, {'Y', 1, 0x20},
    {'U', 1, 0x40}, {'A', 2, 0x01}, {'S', 2, 0x02}, {'D', 2, 0x04}, {'F', 2, 0x08}, {'G', 2, 0x10},
    {'H', 2, 0x20}, {'J', 2, 0x40}, {'Z', 3, 0x01}, {'X', 3, 0x02}, {'C', 3, 0x04}, {'V', 3, 0x08},
    {'B', 3, 0x10}, {'N', 3, 0x20}, {'M', 3, 0x40}, {'I', 4, 0x40}, {'K', 4, 0x20}, {'O', 5, 0x40},
    {'L', 5, 0x20}, {'P', 5, 0x01}, {VK_OEM_1, 5, 0x04}, {VK_OEM_COMMA, 4, 0x10},
    {VK_OEM_MINUS, 4, 0x01}, {VK_OEM_PERIOD, 5, 0x10}, {VK_OEM_2, 5, 0x02}, {VK_OEM_4, 6, 0x08},
    {VK_OEM_6, 4, 0x04}, {VK_OEM_7, 6, 0x40},
};

TEST(SystemPIO, EveryOrdinaryKeyReachesItsColumnActiveLow) {
    for (int model : kAllModels) {
        if (model == kMato) continue;
        Machine m(model);
        m.SetUpKeyboardMode();
        for (const KeyCase& k : kOrdinaryKeys) {
            m.Scan({k.vk});
            for (int col = 0; col < 16; ++col) {
                const uint8_t expected = col == k.column ? static_cast<uint8_t>(0x7F & ~k.mask) : 0x7F;
                // Upper port-A bits do not matter: only the low nibble selects.
                ASSERT_EQ(m.ReadRows(static_cast<uint8_t>(0xF0 | col)), expected)
                    << "model " << model << " key " << k.vk << " column " << col;
            }
        }
    }
}

TEST(SystemPIO, ModifierBitsAreActiveLow) {
    Machine m(1);
    m.SetUpKeyboardMode();
    EXPECT_EQ(m.ReadRows(0), 0x7F);
    m.Scan({VK_SHIFT});
    EXPECT_EQ(m.ReadRows(0), 0x5F);
    m.Scan({VK_ESCAPE});
    EXPECT_EQ(m.ReadRows(0), 0x3F);
    m.Scan({VK_CONTROL});
    EXPECT_EQ(m.ReadRows(0), 0x3F);
    m.Scan({VK_SHIFT, VK_CONTROL, 'Q'});
    EXPECT_EQ(m.ReadRows(0), 0x1B);
    m.Scan({});
    EXPECT_EQ(m.ReadRows(0), 0x7F);
}

TEST(SystemPIO, BackspaceActsAsCursorLeft) {
    Machine m(0);
    m.Scan({VK_BACK});
    EXPECT_EQ(m.sys.matrix[12].load(), 0x04);
    m.Scan({VK_BACK, VK_LEFT});
    EXPECT_EQ(m.sys.matrix[12].load(), 0x04);
    m.Scan({});
    EXPECT_EQ(m.sys.matrix[12].load(), 0x00);
}

TEST(SystemPIO, ChangeZyExchangesTheKeys) {
    Machine m(0);
    m.sys.changeZy = 1;
    m.Scan({'Z'});
    EXPECT_EQ(m.sys.matrix[5].load(), 0x04);  // Y's place
    EXPECT_EQ(m.sys.matrix[1].load(), 0x00);
    m.Scan({'Y'});
    EXPECT_EQ(m.sys.matrix[1].load(), 0x10);  // Z's place
    EXPECT_EQ(m.sys.matrix[5].load(), 0x00);
}

TEST(SystemPIO, AltReleasesEveryKey) {
    for (int model : {0, kMato}) {
        Machine m(model);
        m.Scan({'Q', 'A', VK_SHIFT, VK_ESCAPE, VK_RETURN});
        ASSERT_NE(m.sys.modifiers.load(), 0);
        m.Scan({'Q', 'A', VK_SHIFT, VK_ESCAPE, VK_RETURN, VK_LMENU});
        for (int c = 0; c < 16; ++c) EXPECT_EQ(m.sys.matrix[c].load(), 0) << c;
        EXPECT_EQ(m.sys.modifiers.load(), 0);
    }
}

TEST(SystemPIO, NumericPad) {
    struct PadCase {
        int vk, column;
        uint8_t mask;
        bool shift;
    };
    const PadCase cases[] = {
        {VK_NUMPAD1, 0, 0x02, false}, {VK_NUMPAD5, 4, 0x02, false}, {VK_NUMPAD9, 8, 0x02, false},
        {VK_NUMPAD0, 9, 0x02, false}, {VK_DECIMAL, 9, 0x10, false}, {VK_DIVIDE, 10, 0x10, false},
        {VK_MULTIPLY, 10, 0x08, true}, {VK_ADD, 9, 0x08, true},     {VK_SUBTRACT, 9, 0x02, true},
    };
    for (const PadCase& p : cases) {
        Machine m(2);
        m.Scan({p.vk});
        EXPECT_EQ(m.sys.matrix[p.column].load(), 0) << "pad off " << p.vk;
        m.sys.useNumpad = 1;
        m.Scan({p.vk});
        for (int c = 0; c < 16; ++c)
            EXPECT_EQ(m.sys.matrix[c].load(), c == p.column ? p.mask : 0) << "pad " << p.vk << " col " << c;
        EXPECT_EQ(m.sys.modifiers.load(), p.shift ? 0x20 : 0x00) << "pad " << p.vk;
    }
}

TEST(SystemPIO, MatoKeyTable) {
    Machine m(kMato);
    m.SetUpKeyboardMode();
    for (const KeyCase& k : kMatoKeys) {
        m.Scan({k.vk});
        // Only the key's column selected (bit = 0), the others deselected.
        const uint8_t select = static_cast<uint8_t>(0x7F & ~(1u << k.column));
        EXPECT_EQ(m.ReadRows(select), static_cast<uint8_t>(~k.mask)) << "key " << k.vk;
        EXPECT_EQ(m.ReadRows(0x7F), 0xFF) << "key " << k.vk;
    }
}

TEST(SystemPIO, MatoColumnsSelectTogether) {
    Machine m(kMato);
    m.SetUpKeyboardMode();
    m.Scan({'1', 'Q', 'Z', 'I', 'P', VK_UP, 'A'});  // columns 0, 1, 3, 4, 5, 6, 2
    // 05h: columns 1, 3, 4, 5 and 6 (bits 0 and 2 high deselect 0 and 2).
    EXPECT_EQ(m.ReadRows(0x05), static_cast<uint8_t>(~(0x01 | 0x01 | 0x40 | 0x01 | 0x02)));
    m.Scan({VK_RETURN});  // column 7 is always read
    EXPECT_EQ(m.ReadRows(0xFF), 0x7F);
    m.Scan({VK_BACK});
    EXPECT_EQ(m.ReadRows(0xFF & ~0x40), static_cast<uint8_t>(~0x10));
}

TEST(SystemPIO, MatoModifiersOnPortC) {
    Machine m(kMato);
    m.sys.WritePort(0x87, 0x8B, 0);  // port C input on both halves
    EXPECT_EQ(m.sys.ReadPort(0x86, 0), 0x71);
    m.Scan({VK_ESCAPE});
    EXPECT_EQ(m.sys.ReadPort(0x86, 0), 0x61);
    m.Scan({VK_SHIFT});
    EXPECT_EQ(m.sys.ReadPort(0x86, 0), 0x51);
    m.Scan({VK_CONTROL});
    EXPECT_EQ(m.sys.ReadPort(0x86, 0), 0x31);
    m.Scan({VK_CONTROL, VK_SHIFT, VK_ESCAPE});
    EXPECT_EQ(m.sys.ReadPort(0x86, 0), 0x01);
}

TEST(SystemPIO, MatoControlTable) {
    struct CtrlCase {
        std::vector<int> keys;
        int column;
        uint8_t mask;
        uint8_t modifiers;
    };
    const CtrlCase cases[] = {
        {{VK_NUMPAD0}, 4, 0x02, 0x00},
        {{VK_NUMPAD7}, 0, 0x40, 0x00},
        {{VK_DIVIDE}, 5, 0x02, 0x00},
        {{VK_MULTIPLY}, 6, 0x40, 0x20},
        {{VK_ADD}, 5, 0x04, 0x20},
        {{VK_TAB}, 3, 0x04, 0x40},            // sixteenth entry: Ctrl from here on
        {{VK_OEM_3}, 3, 0x01, 0x40},
        {{VK_F7}, 0, 0x40, 0x40},
        {{VK_F12}, 4, 0x04, 0x40},
        {{VK_SHIFT, VK_INSERT}, 5, 0x02, 0x40},  // second half: Shift released
        {{VK_SHIFT, VK_HOME}, 3, 0x08, 0x40},
        {{VK_SHIFT, VK_END}, 6, 0x10, 0x40},
    };
    for (const CtrlCase& c : cases) {
        Machine m(kMato);
        m.sys.matoCtrl = 1;
        for (int k : c.keys) m.keys.SetKey(k, true);
        m.sys.ScanKeyboard();
        for (int col = 0; col < 16; ++col)
            EXPECT_EQ(m.sys.matrix[col].load(), col == c.column ? c.mask : 0) << c.keys.back() << " col " << col;
        EXPECT_EQ(m.sys.modifiers.load(), c.modifiers) << c.keys.back();
    }
    // Without the option the table is not walked.
    Machine m(kMato);
    m.Scan({VK_TAB});
    EXPECT_EQ(m.sys.matrix[3].load(), 0);
    EXPECT_EQ(m.sys.modifiers.load(), 0);
}

TEST(SystemPIO, MatoIgnoresInsertedText) {
    Machine m(kMato);
    m.sys.SetInsertText(u"A");
    m.keys.SetKey('Q', true);
    m.sys.ScanKeyboard();
    EXPECT_EQ(m.sys.matrix[1].load(), 0x01);
    EXPECT_EQ(m.sys.matrix[2].load(), 0x00);
}

// ---------------------------------------------------------------- typing

struct Pressed {
    int column;
    uint8_t mask;
    bool shift;
};

Pressed Snapshot(SystemPIO& s) {
    Pressed p{-1, 0, (s.modifiers.load() & 0x20) != 0};
    for (int c = 0; c < 16; ++c) {
        if (s.matrix[c].load()) {
            p.column = c;
            p.mask = s.matrix[c].load();
        }
    }
    return p;
}

// Types one character on a fresh port and returns what is pressed.
Pressed TypeOne(int model, char16_t ch, uint8_t changeZy = 0) {
    Machine m(model);
    m.sys.changeZy = changeZy;
    m.sys.SetInsertText(std::u16string(1, ch));
    m.sys.ScanKeyboard();
    return Snapshot(m.sys);
}

TEST(SystemPIO, TypedCharactersMapToKeys) {
    struct TypeCase {
        char16_t ch;
        int column;
        uint8_t mask;
        bool shift;
    };
    const TypeCase cases[] = {
        {u'A', 0, 0x08, false}, {u'a', 0, 0x08, true},  {u'm', 7, 0x10, true},  {u'5', 4, 0x02, false},
        {u'0', 9, 0x02, false}, {u'\r', 14, 0x10, false}, {u'\t', 13, 0x01, false}, {u' ', 0, 0x10, false},
        {u'!', 0, 0x02, true},  {u'"', 1, 0x02, true},  {u'&', 5, 0x02, true},  {u')', 8, 0x02, true},
        {u'*', 10, 0x08, true}, {u':', 10, 0x08, false}, {u'+', 9, 0x08, true}, {u';', 9, 0x08, false},
        {u'-', 9, 0x02, true},  {u'<', 8, 0x10, true},  {u',', 8, 0x10, false}, {u'=', 10, 0x02, true},
        {u'_', 10, 0x02, false}, {u'>', 9, 0x10, true}, {u'.', 9, 0x10, false}, {u'?', 10, 0x10, true},
        {u'/', 10, 0x10, false}, {u'^', 11, 0x04, true}, {u'\\', 11, 0x04, false}, {u'`', 10, 0x04, true},
        {u'@', 10, 0x04, false},
    };
    for (int model : {0, 1, 2, 3, 5, 6, 7}) {
        for (const TypeCase& c : cases) {
            const Pressed p = TypeOne(model, c.ch);
            EXPECT_EQ(p.column, c.column) << "model " << model << " char " << int(c.ch);
            EXPECT_EQ(p.mask, c.mask) << "model " << model << " char " << int(c.ch);
            EXPECT_EQ(p.shift, c.shift) << "model " << model << " char " << int(c.ch);
        }
    }
}

TEST(SystemPIO, TypedBracketsPerModel) {
    // '=' key 11/08, backslash key 11/02.
    struct BracketCase {
        int model;
        char16_t ch;
        uint8_t mask;
        bool shift;
    };
    const BracketCase cases[] = {
        {7, u'[', 0x02, true},  {7, u'{', 0x02, false}, {7, u']', 0x08, true},  {7, u'}', 0x08, false},
        {1, u'[', 0x08, true},  {1, u'{', 0x02, true},  {1, u']', 0x08, false}, {1, u'}', 0x02, false},
        {2, u'[', 0x08, true},  {6, u'{', 0x02, true},  {6, u']', 0x08, false}, {2, u'}', 0x02, false},
        {0, u'[', 0x08, false}, {0, u'{', 0x02, false}, {0, u']', 0x08, true},  {0, u'}', 0x02, true},
        {3, u'[', 0x08, false}, {5, u'{', 0x02, false}, {3, u']', 0x08, true},  {5, u'}', 0x02, true},
    };
    for (const BracketCase& c : cases) {
        const Pressed p = TypeOne(c.model, c.ch);
        EXPECT_EQ(p.column, 11) << "model " << c.model << " " << char(c.ch);
        EXPECT_EQ(p.mask, c.mask) << "model " << c.model << " " << char(c.ch);
        EXPECT_EQ(p.shift, c.shift) << "model " << c.model << " " << char(c.ch);
    }
}

TEST(SystemPIO, TypedZyExchange) {
    const Pressed z = TypeOne(0, u'z', 1);
    EXPECT_EQ(z.column, 5);
    EXPECT_EQ(z.mask, 0x04);
    EXPECT_TRUE(z.shift);
    const Pressed y = TypeOne(0, u'Y', 1);
    EXPECT_EQ(y.column, 1);
    EXPECT_EQ(y.mask, 0x10);
    EXPECT_FALSE(y.shift);
}

// Inserted text types each letter as itself: the PMD 85's Z lies at 5/04 (the host's Y
// key's place) and its Y at 1/10, with change-zy off as well as on.
TEST(SystemPIO, TypedZAndYAreThemselvesWhateverChangeZy) {
    struct Case {
        char16_t ch;
        int column;
        uint8_t mask;
        bool shift;
    };
    const Case cases[] = {{u'z', 5, 0x04, true}, {u'Z', 5, 0x04, false}, {u'y', 1, 0x10, true}, {u'Y', 1, 0x10, false}};
    for (uint8_t changeZy : {0, 1}) {
        for (int model : {0, 2, 7}) {
            for (const Case& c : cases) {
                const Pressed p = TypeOne(model, c.ch, changeZy);
                EXPECT_EQ(p.column, c.column) << char(c.ch) << " change-zy " << int(changeZy) << " model " << model;
                EXPECT_EQ(p.mask, c.mask) << char(c.ch) << " change-zy " << int(changeZy) << " model " << model;
                EXPECT_EQ(p.shift, c.shift) << char(c.ch) << " change-zy " << int(changeZy) << " model " << model;
            }
        }
    }
}

TEST(SystemPIO, DoubledLetterIsTwoPresses) {
    Machine m(0);
    m.sys.SetInsertText(u"aa");
    std::vector<bool> pressed;
    for (int tick = 0; tick < 10; ++tick) {
        m.sys.ScanKeyboard();
        const Pressed p = Snapshot(m.sys);
        pressed.push_back(p.column == 0 && p.mask == 0x08 && p.shift);
        if (p.column != -1) {
            ASSERT_TRUE(pressed.back()) << tick;
        }
    }
    // Held three ticks, released two, held three again.
    const std::vector<bool> expected = {true, true, true, false, false, true, true, true, false, false};
    EXPECT_EQ(pressed, expected);
    EXPECT_TRUE(m.sys.GetInsertText().empty());
}

TEST(SystemPIO, CarriageReturnWaitsOneSecond) {
    Machine m(0);
    m.sys.SetInsertText(u"\rQ");
    int firstQ = -1;
    for (int tick = 1; tick <= 80 && firstQ < 0; ++tick) {
        m.sys.ScanKeyboard();
        if (m.sys.matrix[0].load() & 0x04) firstQ = tick;
        if (tick <= 3) {
            EXPECT_EQ(m.sys.matrix[14].load(), 0x10) << tick;
        }
        if (tick == 4) {
            EXPECT_EQ(m.sys.matrix[14].load(), 0x00);
        }
    }
    // Pressed at tick 1 for 3 ticks, then a 50-tick gap that starts in the
    // releasing tick: Q at tick 4 + 49.
    EXPECT_EQ(firstQ, 53);
}

TEST(SystemPIO, UntypableCharactersAreDropped) {
    Machine m(0);
    m.sys.SetInsertText(u"\n\u00E9|~B");
    Pressed p{};
    int ticks = 0;
    while (ticks < 10) {
        ++ticks;
        m.sys.ScanKeyboard();
        p = Snapshot(m.sys);
        if (p.column != -1) break;
    }
    EXPECT_EQ(ticks, 5);  // one tick for each dropped or keyless character
    EXPECT_EQ(p.column, 5);
    EXPECT_EQ(p.mask, 0x10);
}

TEST(SystemPIO, NulInTextDoesNotStallTyping) {
    Machine m(0);
    m.sys.SetInsertText(std::u16string(u"\0B", 2));
    bool typed = false;
    for (int tick = 0; tick < 10 && !typed; ++tick) {
        m.sys.ScanKeyboard();
        typed = m.sys.matrix[5].load() == 0x10;
    }
    EXPECT_TRUE(typed);
}

TEST(SystemPIO, HostKeysScannedOnlyWhenNothingIsTyped) {
    Machine m(0);
    m.keys.SetKey('Q', true);
    m.sys.SetInsertText(u"B");
    m.sys.ScanKeyboard();  // types B
    EXPECT_EQ(m.sys.matrix[0].load(), 0x00);
    m.sys.ScanKeyboard();
    m.sys.ScanKeyboard();
    EXPECT_EQ(m.sys.matrix[0].load(), 0x00);
    m.sys.ScanKeyboard();  // hold ends, text empty: host scan
    EXPECT_EQ(m.sys.matrix[5].load(), 0x00);
    EXPECT_EQ(m.sys.matrix[0].load(), 0x04);
}

// ---------------------------------------------------------------- speaker

TEST(SystemPIO, SpeakerLinesOnPortWrites) {
    struct LevelCase {
        int model;
        uint8_t portC;
        int level;
    };
    const LevelCase cases[] = {
        {0, 0x00, 0}, {0, 0x04, 1}, {0, 0x02, 0}, {0, 0x01, 0}, {0, 0x07, 1},
        {7, 0x04, 1}, {3, 0x03, 0},
        {kMato, 0x00, 0}, {kMato, 0x01, 0}, {kMato, 0x02, 1}, {kMato, 0x04, 1}, {kMato, 0x06, 1},
    };
    for (const LevelCase& c : cases) {
        Machine m(c.model);
        m.SetUpKeyboardMode();
        m.sys.WritePort(0x86, static_cast<uint8_t>(~c.portC & 0x0F), 0);  // the lower half must change
        m.sink.events.clear();
        m.sys.WritePort(0x86, c.portC, 1234);
        ASSERT_FALSE(m.sink.events.empty()) << c.model << " " << int(c.portC);
        const SoundEvent& e = m.sink.events.back();
        EXPECT_EQ(e.channel, 0);
        EXPECT_EQ(e.on, c.level) << "model " << c.model << " port C " << int(c.portC);
        EXPECT_EQ(e.cycles, 1234);
        EXPECT_EQ(m.sys.leds.load() & 0x01, c.level);
    }
}

TEST(SystemPIO, LedFollowsPortCBit3) {
    Machine m(1);
    m.SetUpKeyboardMode();
    m.sys.WritePort(0x87, 0x07, 0);  // PC3 set
    EXPECT_EQ(m.sys.leds.load() & 0x02, 0x02);
    m.sys.WritePort(0x87, 0x06, 0);
    EXPECT_EQ(m.sys.leds.load() & 0x02, 0x00);
}

TEST(SystemPIO, ToneGenerator) {
    Machine m(0);
    m.SetUpKeyboardMode();
    m.sys.WritePort(0x86, 0x02, 0);  // 4 kHz line
    m.sink.events.clear();
    m.sys.Tick(100, 100);
    m.sys.Tick(200, 100);
    EXPECT_TRUE(m.sink.events.empty());  // below 256 cycles nothing happens
    m.sys.Tick(300, 100);                // 300 cycles: one step, 44 left over
    ASSERT_EQ(m.sink.events.size(), 1u);
    EXPECT_EQ(m.sink.events[0].on, 1);
    EXPECT_EQ(m.sink.events[0].cycles, 300 - 44);
    EXPECT_EQ(m.sink.events[0].channel, 0);

    // 4 kHz toggles every step, 1 kHz every fourth step.
    std::vector<int> fourK, oneK;
    for (int i = 0; i < 8; ++i) {
        m.sys.WritePort(0x86, 0x02, 0);
        m.sys.Tick(0, 256);
        fourK.push_back(m.sink.events.back().on);
    }
    EXPECT_EQ(fourK, (std::vector<int>{0, 1, 0, 1, 0, 1, 0, 1}));
    m.sys.WritePort(0x86, 0x01, 0);  // 1 kHz line; steps so far: 9
    for (int i = 0; i < 8; ++i) {
        m.sys.Tick(0, 256);
        oneK.push_back(m.sink.events.back().on);
    }
    // tone1k toggled at steps 4 and 8 (back to 0); steps 12 and 16 toggle.
    EXPECT_EQ(oneK, (std::vector<int>{0, 0, 1, 1, 1, 1, 0, 0}));
    EXPECT_EQ(m.sys.leds.load() & 0x01, 0);

    m.sys.WritePort(0x86, 0x04, 0);  // steady high whatever the tones
    for (int i = 0; i < 4; ++i) {
        m.sys.Tick(0, 256);
        EXPECT_EQ(m.sink.events.back().on, 1);
    }
    m.sys.WritePort(0x86, 0x00, 0);  // silent
    for (int i = 0; i < 4; ++i) {
        m.sys.Tick(0, 256);
        EXPECT_EQ(m.sink.events.back().on, 0);
    }
}

TEST(SystemPIO, NoSinkIsSafe) {
    FakeMemory mem;
    SystemPIO sys(0, &mem);
    sys.Reset(0);
    sys.WritePort(0x87, 0x80, 0);
    sys.WritePort(0x86, 0x04, 0);
    sys.Tick(0, 300);
    EXPECT_EQ(sys.leds.load() & 0x01, 1);
}

// ---------------------------------------------------------------- mapping

TEST(SystemPIO, MemoryMappingLines) {
    // Model-2A: all-RAM = NOT PC4.
    {
        Machine m(2);
        m.sys.WritePort(0x87, 0x8A, 0);  // C upper input: pins high, ROM visible
        EXPECT_EQ(m.mem.GetAllRamFlag(), 0);
        m.sys.WritePort(0x87, 0x82, 0);  // C upper output, latch 0
        EXPECT_EQ(m.mem.GetAllRamFlag(), 1);
        EXPECT_EQ(m.sys.leds.load() & 0x04, 0x04);
        m.sys.WritePort(0x87, 0x09, 0);  // PC4 set
        EXPECT_EQ(m.mem.GetAllRamFlag(), 0);
        EXPECT_EQ(m.sys.leds.load() & 0x04, 0x00);
    }
    // Model-3: PC5 set returns to the boot map, else all-RAM = NOT PC4.
    {
        Machine m(3);
        m.sys.WritePort(0x87, 0x82, 0);
        EXPECT_EQ(m.mem.GetAllRamFlag(), 1);
        const int resets = m.mem.resets;
        m.sys.WritePort(0x86, 0x30, 0);
        EXPECT_EQ(m.mem.resets, resets + 1);
        EXPECT_EQ(m.mem.GetAllRamFlag(), 1);  // unchanged by the boot-map call
        m.sys.WritePort(0x86, 0x10, 0);
        EXPECT_EQ(m.mem.GetAllRamFlag(), 0);
    }
    // Model-C2717: change word, all-RAM = PC6, remap = PC7.
    {
        Machine m(7);
        m.sys.WritePort(0x87, 0x82, 0);
        EXPECT_EQ(m.sys.changeWord.load(), 0x01);
        m.sys.WritePort(0x86, 0x20, 0);
        EXPECT_EQ(m.sys.changeWord.load(), 0x21);
        m.sys.WritePort(0x86, 0xC0, 0);
        EXPECT_EQ(m.sys.changeWord.load(), 0x01);
        EXPECT_EQ(m.mem.GetAllRamFlag(), 1);
        EXPECT_EQ(m.mem.GetRemapFlag(), 1);
        EXPECT_EQ(m.sys.leds.load() & 0x04, 0x04);
        m.sys.WritePort(0x86, 0x40, 0);
        EXPECT_EQ(m.mem.GetRemapFlag(), 0);
    }
    // Other models leave the mapping alone.
    for (int model : {0, 1, kMato, 5, 6}) {
        Machine m(model);
        m.sys.changeWord = 0x01;
        m.sys.WritePort(0x87, 0x82, 0);
        m.sys.WritePort(0x86, 0xF0, 0);
        m.sys.WritePort(0x86, 0x00, 0);
        EXPECT_EQ(m.mem.GetAllRamFlag(), 0) << model;
        EXPECT_EQ(m.mem.GetRemapFlag(), 0) << model;
        EXPECT_EQ(m.mem.resets, 0) << model;
        EXPECT_EQ(m.sys.changeWord.load(), 0x01) << model;
    }
}

TEST(SystemPIO, ResetKeepsHooks) {
    Machine m(0);
    m.SetUpKeyboardMode();
    m.Scan({'Q'});
    m.sys.Reset(77);
    EXPECT_EQ(m.sys.lastCycles, 77);
    EXPECT_EQ(m.sys.pio.control, 0x9B);
    m.SetUpKeyboardMode();
    EXPECT_EQ(m.ReadRows(0), 0x7B);
}

}  // namespace

// ---------------------------------------------------------------- with a real memory model


namespace {

// The mapping lines follow the pins: with port C upper as input they float
// high, so the monitor stays visible once the boot mapping ends.
TEST(SystemPIOWithMemory, Model2ABootEndsIntoTheMonitor) {
    ChipMemory2A mem(4);
    const uint8_t image[] = {0xC3, 0x00, 0x80};
    ASSERT_TRUE(mem.LoadRom(image, sizeof image));
    mem.Reset();
    SystemPIO sys(2, &mem);
    sys.Reset(0);
    EXPECT_EQ(mem.GetBootFlag(), 1);
    sys.WritePort(0x87, 0x8A, 0);  // A out, B in, C upper in, C lower out
    EXPECT_EQ(mem.GetBootFlag(), 0);
    EXPECT_EQ(mem.GetAllRamFlag(), 0);
    EXPECT_EQ(mem.ReadByte(0x8000), 0xC3);
    sys.WritePort(0x87, 0x82, 0);  // C upper output, PC4 low: RAM everywhere
    EXPECT_EQ(mem.GetAllRamFlag(), 1);
    EXPECT_EQ(mem.ReadByte(0x8000), 0x00);
}

}  // namespace
