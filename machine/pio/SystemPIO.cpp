#include "machine/pio/SystemPIO.h"

#include "machine/cpu/ChipMemory.h"
#include "platform/KeyState.h"

namespace {

struct KeyEntry {
    uint8_t vk;
    uint8_t column;
    uint8_t mask;
};

// Host key -> column and row bit, every model but Mato.
constexpr KeyEntry kKeys[] = {
    {VK_TAB, 13, 0x01},     {VK_RETURN, 14, 0x10}, {VK_CAPITAL, 12, 0x10}, {VK_SPACE, 0, 0x10},
    {VK_PRIOR, 14, 0x01},   {VK_NEXT, 14, 0x02},   {VK_END, 13, 0x08},     {VK_HOME, 13, 0x04},
    {VK_LEFT, 12, 0x04},    {VK_UP, 12, 0x08},     {VK_RIGHT, 14, 0x04},   {VK_DOWN, 14, 0x08},
    {VK_INSERT, 12, 0x02},  {VK_DELETE, 13, 0x02},
    {'1', 0, 0x02}, {'2', 1, 0x02}, {'3', 2, 0x02}, {'4', 3, 0x02}, {'5', 4, 0x02},
    {'6', 5, 0x02}, {'7', 6, 0x02}, {'8', 7, 0x02}, {'9', 8, 0x02}, {'0', 9, 0x02},
    {VK_F1, 0, 0x01}, {VK_F2, 1, 0x01}, {VK_F3, 2, 0x01},   {VK_F4, 3, 0x01},
    {VK_F5, 4, 0x01}, {VK_F6, 5, 0x01}, {VK_F7, 6, 0x01},   {VK_F8, 7, 0x01},
    {VK_F9, 8, 0x01}, {VK_F10, 9, 0x01}, {VK_F11, 10, 0x01}, {VK_F12, 11, 0x01},
    {'Q', 0, 0x04}, {'W', 1, 0x04}, {'E', 2, 0x04}, {'R', 3, 0x04}, {'T', 4, 0x04},
    {'Y', 5, 0x04}, {'U', 6, 0x04}, {'I', 7, 0x04}, {'O', 8, 0x04}, {'P', 9, 0x04},
    {'A', 0, 0x08}, {'S', 1, 0x08}, {'D', 2, 0x08}, {'F', 3, 0x08}, {'G', 4, 0x08},
    {'H', 5, 0x08}, {'J', 6, 0x08}, {'K', 7, 0x08}, {'L', 8, 0x08},
    {'Z', 1, 0x10}, {'X', 2, 0x10}, {'C', 3, 0x10}, {'V', 4, 0x10}, {'B', 5, 0x10},
    {'N', 6, 0x10}, {'M', 7, 0x10},
    {VK_OEM_1, 9, 0x08},     {VK_OEM_PLUS, 11, 0x08}, {VK_OEM_COMMA, 8, 0x10},
    {VK_OEM_MINUS, 10, 0x02}, {VK_OEM_PERIOD, 9, 0x10}, {VK_OEM_2, 10, 0x10},
    {VK_OEM_3, 12, 0x01},    {VK_OEM_4, 10, 0x04},    {VK_OEM_5, 11, 0x02},
    {VK_OEM_6, 11, 0x04},    {VK_OEM_7, 10, 0x08},
};

// Numeric pad (use-numpad); mask bit 5 also presses Shift.
constexpr KeyEntry kNumpad[] = {
    {VK_NUMPAD1, 0, 0x02}, {VK_NUMPAD2, 1, 0x02}, {VK_NUMPAD3, 2, 0x02},
    {VK_NUMPAD4, 3, 0x02}, {VK_NUMPAD5, 4, 0x02}, {VK_NUMPAD6, 5, 0x02},
    {VK_NUMPAD7, 6, 0x02}, {VK_NUMPAD8, 7, 0x02}, {VK_NUMPAD9, 8, 0x02},
    {VK_NUMPAD0, 9, 0x02}, {VK_DECIMAL, 9, 0x10}, {VK_DIVIDE, 10, 0x10},
    {VK_MULTIPLY, 10, 0x28}, {VK_ADD, 9, 0x28},  {VK_SUBTRACT, 9, 0x22},
};

constexpr KeyEntry kMatoKeys[] = {
    {VK_SPACE, 6, 0x04}, {VK_LEFT, 6, 0x10}, {VK_UP, 6, 0x02}, {VK_RIGHT, 6, 0x20}, {VK_DOWN, 6, 0x01},
    {'1', 0, 0x01}, {'2', 0, 0x02}, {'3', 0, 0x04}, {'4', 0, 0x08},
    {'5', 0, 0x10}, {'6', 0, 0x20}, {'7', 0, 0x40},
    {'8', 4, 0x08}, {'9', 5, 0x08}, {'0', 4, 0x02},
    {'Q', 1, 0x01}, {'W', 1, 0x02}, {'E', 1, 0x04}, {'R', 1, 0x08}, {'T', 1, 0x10}, {'Y', 1, 0x20}, {'U', 1, 0x40},
    {'A', 2, 0x01}, {'S', 2, 0x02}, {'D', 2, 0x04}, {'F', 2, 0x08}, {'G', 2, 0x10}, {'H', 2, 0x20}, {'J', 2, 0x40},
    {'Z', 3, 0x01}, {'X', 3, 0x02}, {'C', 3, 0x04}, {'V', 3, 0x08}, {'B', 3, 0x10}, {'N', 3, 0x20}, {'M', 3, 0x40},
    {'I', 4, 0x40}, {'K', 4, 0x20}, {'O', 5, 0x40}, {'L', 5, 0x20}, {'P', 5, 0x01},
    {VK_OEM_1, 5, 0x04}, {VK_OEM_COMMA, 4, 0x10}, {VK_OEM_MINUS, 4, 0x01}, {VK_OEM_PERIOD, 5, 0x10},
    {VK_OEM_2, 5, 0x02}, {VK_OEM_4, 6, 0x08}, {VK_OEM_6, 4, 0x04}, {VK_OEM_7, 6, 0x40},
};

// Mato control table (mato-ctrl): mask bit 7 also presses Shift.
constexpr KeyEntry kMatoCtrlShiftUp[] = {
    // Without Ctrl.
    {VK_NUMPAD0, 4, 0x02},
    {VK_NUMPAD1, 0, 0x01}, {VK_NUMPAD2, 0, 0x02}, {VK_NUMPAD3, 0, 0x04}, {VK_NUMPAD4, 0, 0x08},
    {VK_NUMPAD5, 0, 0x10}, {VK_NUMPAD6, 0, 0x20}, {VK_NUMPAD7, 0, 0x40},
    {VK_NUMPAD8, 4, 0x08}, {VK_NUMPAD9, 5, 0x08},
    {VK_DECIMAL, 5, 0x10}, {VK_DIVIDE, 5, 0x02}, {VK_SUBTRACT, 4, 0x01},
    {VK_MULTIPLY, 6, 0xC0}, {VK_ADD, 5, 0x84},
    // With Ctrl.
    {VK_TAB, 3, 0x04}, {VK_PRIOR, 3, 0x02}, {VK_NEXT, 3, 0x10}, {VK_END, 6, 0x20},
    {VK_HOME, 6, 0x02}, {VK_INSERT, 3, 0x40}, {VK_DELETE, 3, 0x20}, {VK_OEM_3, 3, 0x01},
    {VK_F1, 0, 0x01}, {VK_F2, 0, 0x02}, {VK_F3, 0, 0x04}, {VK_F4, 0, 0x08},
    {VK_F5, 0, 0x10}, {VK_F6, 0, 0x20}, {VK_F7, 0, 0x40},
    {VK_F8, 4, 0x08}, {VK_F9, 5, 0x08}, {VK_F10, 4, 0x02}, {VK_F11, 4, 0x01}, {VK_F12, 4, 0x04},
};
constexpr int kMatoCtrlPlain = 15;

// Shift down: Ctrl pressed, Shift released.
constexpr KeyEntry kMatoCtrlShiftDown[] = {
    {VK_INSERT, 5, 0x02}, {VK_PRIOR, 4, 0x10}, {VK_NEXT, 5, 0x10}, {VK_END, 6, 0x10}, {VK_HOME, 3, 0x08},
};

constexpr uint8_t kModShift = 0x20;
constexpr uint8_t kModCtrl = 0x40;
constexpr uint8_t kModEsc = 0x10;

inline bool Down(const uint8_t* keys, int vk) { return (keys[vk] & KeyState::kDown) != 0; }

const KeyEntry* FindKey(int vk) {
    for (const KeyEntry& e : kKeys)
        if (e.vk == vk) return &e;
    return nullptr;
}

}  // namespace

SystemPIO::SystemPIO(int model, ChipMemory* memory, const HostKeyState* keys)
    : memory(memory), hostKeys(keys), model(model) {
    pio.SetInputHook(ChipPIO8255::kPortB, MakeClosure<&SystemPIO::OnReadPortB>(this));
    if (model == kModelMato) pio.SetInputHook(ChipPIO8255::kPortC, MakeClosure<&SystemPIO::OnReadPortC>(this));
    pio.SetOutputHook(ChipPIO8255::kPortCLower, MakeClosure<&SystemPIO::OnPortCLower>(this));
    pio.SetOutputHook(ChipPIO8255::kPortCUpper, MakeClosure<&SystemPIO::OnPortCUpper>(this));
}

SystemPIO::~SystemPIO() = default;

void SystemPIO::WritePort(uint8_t port, uint8_t value, int32_t cycles) {
    lastCycles = cycles;
    if (model != kModelC2717 && memory) memory->EndBootMapping();
    const uint8_t p = port & 0x8F;
    if (p >= 0x84 && p <= 0x87) pio.Write(p - 0x84, value);
}

uint8_t SystemPIO::ReadPort(uint8_t port, int32_t cycles) {
    lastCycles = cycles;
    if (model == kModelC2717 && memory) memory->EndBootMapping();
    const uint8_t p = port & 0x8F;
    if (p >= 0x84 && p <= 0x87) return pio.Read(p - 0x84, cycles);
    return 0xFF;
}

void SystemPIO::Reset(int32_t cycles) {
    lastCycles = cycles;
    pio.Reset(0);
}

void SystemPIO::SetSoundSink(SoundLevelSink sink) {
    soundSink = sink;
    speakerLevel = -1;  // the new writer's level is not known
}

void SystemPIO::SetLedBit(uint8_t mask, bool on) {
    uint8_t v = leds.load(std::memory_order_relaxed);
    v = static_cast<uint8_t>(on ? (v | mask) : (v & ~mask));
    leds.store(v, std::memory_order_relaxed);
}

// --- port hooks (CPU thread) ---

void SystemPIO::OnReadPortB() {
    const uint8_t mods = modifiers.load(std::memory_order_relaxed);
    if (model == kModelMato) {
        const uint8_t a = pio.GetPortOutput(0);
        uint8_t rows = matrix[7].load(std::memory_order_relaxed);
        for (int col = 0; col < 7; ++col)
            if (!(a & (1u << col))) rows |= matrix[col].load(std::memory_order_relaxed);
        pio.SetPortInput(1, static_cast<uint8_t>(~rows));
        return;
    }
    const int column = pio.GetPortOutput(0) & 0x0F;
    const uint8_t rows = matrix[column].load(std::memory_order_relaxed);
    pio.SetPortInput(1, static_cast<uint8_t>((~rows & 0x1F) | (~mods & 0x60)));
}

void SystemPIO::OnReadPortC() {
    const uint8_t mods = modifiers.load(std::memory_order_relaxed);
    pio.SetPortInput(2, static_cast<uint8_t>((~mods & 0x70) | 0x01));
}

int SystemPIO::SpeakerLevel(uint8_t c, uint8_t t4, uint8_t t1) const {
    if (model == kModelMato) return (c & 0x06) ? 1 : 0;
    return ((c & 0x04) || ((c & 0x02) && t4) || ((c & 0x01) && t1)) ? 1 : 0;
}

void SystemPIO::OnPortCLower(uint8_t, uint8_t) {
    const uint8_t c = pio.GetPortOutput(2);
    const int level = SpeakerLevel(c);
    if (soundSink.Assigned()) soundSink(0, level, lastCycles);
    speakerLevel = static_cast<int8_t>(level);
    SetLedBit(0x01, level != 0);
    if (model != kModelMato) SetLedBit(0x02, (c & 0x08) != 0);
}

void SystemPIO::OnPortCUpper(uint8_t, uint8_t) {
    const uint8_t c = pio.GetPortOutput(2);
    if (memory) {
        switch (model) {
            case kModelC2717:
                changeWord.store(static_cast<uint8_t>((c & 0x20) | 0x01), std::memory_order_relaxed);
                memory->SetAllRamFlag((c & 0x40) ? 1 : 0);
                memory->SetRemapFlag((c & 0x80) ? 1 : 0);
                break;
            case kModel3:
                if (c & 0x20) memory->Reset();
                else memory->SetAllRamFlag((c & 0x10) ? 0 : 1);
                break;
            case kModel2A:
                memory->SetAllRamFlag((c & 0x10) ? 0 : 1);
                break;
            default:
                break;
        }
        SetLedBit(0x04, memory->GetAllRamFlag() != 0);
    }
}

void SystemPIO::ToneStep(int32_t sliceClock) {
    toneCycles -= kToneStepCycles;
    tone4k ^= 1;
    ++toneSteps;
    if ((toneSteps & 3) == 0) tone1k ^= 1;
    const int level = SpeakerLevel(pio.GetPortOutput(2));
    if (soundSink.Assigned()) soundSink(0, level, sliceClock - toneCycles);
    speakerLevel = static_cast<int8_t>(level);
    SetLedBit(0x01, level != 0);
}

int32_t SystemPIO::Quiet() {
    // A step that sends the level already sent changes nothing; the tones
    // repeat after eight steps.
    const uint8_t c = pio.GetPortOutput(2);
    uint8_t t4 = tone4k, t1 = tone1k;
    int32_t steps = toneSteps;
    int32_t until = kToneStepCycles - toneCycles;
    for (int k = 0; k < 8; ++k, until += kToneStepCycles) {
        t4 ^= 1;
        if ((++steps & 3) == 0) t1 ^= 1;
        const int level = SpeakerLevel(c, t4, t1);
        if (level != speakerLevel) return until > 0 ? until - 1 : 0;
    }
    return INT32_MAX;
}

// --- keyboard (user-interface thread) ---

void SystemPIO::SetInsertText(const std::u16string& text) {
    std::lock_guard<std::mutex> guard(textLock);
    InsertTextBuffer = text;
}

std::u16string SystemPIO::GetInsertText() const {
    std::lock_guard<std::mutex> guard(textLock);
    return InsertTextBuffer;
}

void SystemPIO::ClearKeys() {
    for (auto& m : matrix) m.store(0, std::memory_order_relaxed);
    modifiers.store(0, std::memory_order_relaxed);
}

void SystemPIO::ScanHost() {
    uint8_t keys[KeyState::kCount] = {};
    if (hostKeys) hostKeys->GetKeyboardState(keys);
    if (Down(keys, VK_MENU)) {
        ClearKeys();
        return;
    }
    if (changeZy == 1) {
        const uint8_t z = keys['Z'];
        keys['Z'] = keys['Y'];
        keys['Y'] = z;
    }

    uint8_t m[16];
    for (int i = 0; i < 16; ++i) m[i] = matrix[i].load(std::memory_order_relaxed);
    uint8_t mods = 0;

    if (model != kModelMato) {
        for (const KeyEntry& e : kKeys) {
            if (Down(keys, e.vk)) m[e.column] |= e.mask;
            else m[e.column] &= ~e.mask;
        }
        if (Down(keys, VK_BACK) && !Down(keys, VK_LEFT)) m[12] |= 0x04;
        if (Down(keys, VK_SHIFT)) mods |= kModShift;
        if (Down(keys, VK_ESCAPE) || Down(keys, VK_CONTROL)) mods |= kModCtrl;
        if (useNumpad == 1) {
            for (const KeyEntry& e : kNumpad) {
                if (!Down(keys, e.vk)) continue;
                m[e.column] |= e.mask & 0x1F;
                if (e.mask & 0x20) mods |= kModShift;
            }
        }
    } else {
        for (const KeyEntry& e : kMatoKeys) {
            if (Down(keys, e.vk)) m[e.column] |= e.mask;
            else m[e.column] &= ~e.mask;
        }
        if (Down(keys, VK_BACK) && !Down(keys, VK_LEFT)) m[6] |= 0x10;
        if (Down(keys, VK_RETURN)) m[7] |= 0x80;
        else m[7] &= ~0x80;
        if (Down(keys, VK_ESCAPE)) mods |= kModEsc;
        if (Down(keys, VK_SHIFT)) mods |= kModShift;
        if (Down(keys, VK_CONTROL)) mods |= kModCtrl;
        if (matoCtrl == 1) {
            if (!Down(keys, VK_SHIFT)) {
                int index = 0;
                for (const KeyEntry& e : kMatoCtrlShiftUp) {
                    if (Down(keys, e.vk)) {
                        m[e.column] |= e.mask & 0x7F;
                        if (index >= kMatoCtrlPlain) mods |= kModCtrl;
                        if (e.mask & 0x80) mods |= kModShift;
                    }
                    ++index;
                }
            } else {
                for (const KeyEntry& e : kMatoCtrlShiftDown) {
                    if (!Down(keys, e.vk)) continue;
                    m[e.column] |= e.mask & 0x7F;
                    mods |= kModCtrl;
                    mods &= ~kModShift;
                }
            }
        }
    }

    for (int i = 0; i < 16; ++i) matrix[i].store(m[i], std::memory_order_relaxed);
    modifiers.store(mods, std::memory_order_relaxed);
}

bool SystemPIO::TypeCharacter(char16_t ch) {
    int vk = 0;
    bool shift = false;
    if (ch >= u'a' && ch <= u'z') {
        vk = ch - u'a' + 'A';
        shift = true;
    } else if ((ch >= u'A' && ch <= u'Z') || (ch >= u'0' && ch <= u'9')) {
        vk = ch;
    }
    if (vk) {
        // The key table is positional, and the PMD 85 has Z where the host's Y key lies
        // and Y where its Z key lies: a typed character is its own letter, so Z and Y are
        // always exchanged here, whatever change-zy does to the host's keys.
        if (vk == 'Z') vk = 'Y';
        else if (vk == 'Y') vk = 'Z';
    } else if (ch >= u'!' && ch <= u')') {
        vk = '1' + (ch - u'!');
        shift = true;
    } else {
        const bool shiftOpen = model == kModel2 || model == kModel2A || model == kModelAlfa2;
        const bool shiftClose = model == kModel1 || model == kModel3 || model == kModelAlfa;
        switch (ch) {
            case u'\r': vk = VK_RETURN; break;
            case u'\t': vk = VK_TAB; break;
            case u' ': vk = VK_SPACE; break;
            case u'*': vk = VK_OEM_7; shift = true; break;
            case u':': vk = VK_OEM_7; break;
            case u'+': vk = VK_OEM_1; shift = true; break;
            case u';': vk = VK_OEM_1; break;
            case u'-': vk = '0'; shift = true; break;
            case u'<': vk = VK_OEM_COMMA; shift = true; break;
            case u',': vk = VK_OEM_COMMA; break;
            case u'=': vk = VK_OEM_MINUS; shift = true; break;
            case u'_': vk = VK_OEM_MINUS; break;
            case u'>': vk = VK_OEM_PERIOD; shift = true; break;
            case u'.': vk = VK_OEM_PERIOD; break;
            case u'?': vk = VK_OEM_2; shift = true; break;
            case u'/': vk = VK_OEM_2; break;
            case u'^': vk = VK_OEM_6; shift = true; break;
            case u'\\': vk = VK_OEM_6; break;
            case u'`': vk = VK_OEM_4; shift = true; break;
            case u'@': vk = VK_OEM_4; break;
            case u'[':
                if (model == kModelC2717) { vk = VK_OEM_5; shift = true; }
                else { vk = VK_OEM_PLUS; shift = shiftOpen; }
                break;
            case u'{':
                if (model == kModelC2717) vk = VK_OEM_5;
                else { vk = VK_OEM_5; shift = shiftOpen; }
                break;
            case u']':
                if (model == kModelC2717) { vk = VK_OEM_PLUS; shift = true; }
                else { vk = VK_OEM_PLUS; shift = shiftClose; }
                break;
            case u'}':
                if (model == kModelC2717) vk = VK_OEM_PLUS;
                else { vk = VK_OEM_5; shift = shiftClose; }
                break;
            default: break;
        }
    }
    const KeyEntry* e = vk ? FindKey(vk) : nullptr;
    if (!e) return false;
    matrix[e->column].store(static_cast<uint8_t>(matrix[e->column].load(std::memory_order_relaxed) | e->mask),
                            std::memory_order_relaxed);
    if (shift)
        modifiers.store(static_cast<uint8_t>(modifiers.load(std::memory_order_relaxed) | kModShift),
                        std::memory_order_relaxed);
    return true;
}

void SystemPIO::ScanAfterKeyEvents() {
    std::lock_guard<std::mutex> guard(scanLock);
    if (model != kModelMato) {
        if (holdTicks > 0 || gapTicks > 0) return;
        std::lock_guard<std::mutex> text(textLock);
        if (!InsertTextBuffer.empty()) return;
    }
    ScanHost();
}

void SystemPIO::ScanKeyboard() {
    std::lock_guard<std::mutex> scan(scanLock);
    if (model == kModelMato) {
        ScanHost();
        return;
    }
    if (holdTicks > 0) {
        if (--holdTicks != 0) return;
        ClearKeys();
    }
    if (gapTicks > 0) {
        if (--gapTicks != 0) return;
        lastTyped = 0;
    }
    char16_t ch = 0;
    bool typing = false;
    {
        std::lock_guard<std::mutex> guard(textLock);
        if (!InsertTextBuffer.empty()) {
            ch = InsertTextBuffer.front();
            // lastTyped 0 means none, so a NUL in the text cannot match it.
            if (lastTyped != 0 && ch == lastTyped) {
                gapTicks = 2;
                lastTyped = 0;
                return;
            }
            lastTyped = ch;
            InsertTextBuffer.erase(0, 1);
            typing = true;
        }
    }
    if (!typing) {
        ScanHost();
        return;
    }
    if (!((ch >= 32 && ch <= 126) || ch == u'\r' || ch == u'\t')) return;
    if (TypeCharacter(ch)) {
        holdTicks = 3;
        gapTicks = (ch == u'\r') ? 50 : 0;
    }
}
