#pragma once
#include <atomic>
#include <cstdint>
#include "machine/core/CycleHook.h"
#include "machine/core/ModelIndex.h"
#include <mutex>
#include <string>

#include "machine/core/PeripheralDevice.h"
#include "machine/core/SoundSink.h"
#include "machine/pio/ChipPIO8255.h"

class ChipMemory;
class HostKeyState;

// The system interface at ports 84h-87h: port A selects keyboard columns,
// port B returns the rows and modifier keys, port C drives the speaker
// tones, a LED and the memory-mapping lines. Also turns the host key state
// into the emulated key matrix and types inserted text.
//
// The CPU thread (ports, hooks, Tick, ScanAfterKeyEvents and ScanKeyboard
// at a slice boundary, the only writer of the matrix) and the user-interface
// thread (SetInsertText, reading leds and changeWord) share the matrix, modifiers, changeWord and
// leds as atomic bytes; the inserted text is guarded by its own small lock,
// and the two scans by another, taken only at slice boundaries and ticks.
class SystemPIO : public PeripheralDevice {
public:
    // keys: the host key state the keyboard scan reads; null: no host keys.
    SystemPIO(int model, ChipMemory* memory, const HostKeyState* keys = nullptr);
    ~SystemPIO() override;
    SystemPIO(const SystemPIO&) = delete;
    SystemPIO& operator=(const SystemPIO&) = delete;

    void WritePort(uint8_t port, uint8_t value, int32_t cycles) override;
    uint8_t ReadPort(uint8_t port, int32_t cycles) override;
    void Reset(int32_t cycles) override;

    // The speaker's level writer (channel 0); an empty closure silences it.
    void SetSoundSink(SoundLevelSink sink);

    // Keyboard step, every 10 slices (20 ms of emulated time): types the next
    // character of inserted text, or scans the host key state into the matrix.
    void ScanKeyboard();
    // Emulation thread, at a slice boundary after host key events were
    // applied: scans the host key state into the matrix at once, unless
    // inserted text is being typed.
    void ScanAfterKeyEvents();
    // Replaces the text still to be typed.
    void SetInsertText(const std::u16string& text);
    std::u16string GetInsertText() const;

    // Cycles per tone generator step (4 kHz at 2.048 MHz); the 1 kHz tone
    // toggles every fourth step.
    static constexpr int32_t kToneStepCycles = 256;

    // Cycle hook: the 4 kHz and 1 kHz tone generator.
    void Tick(int32_t sliceClock, int32_t cycles) {
        toneCycles += cycles;
        while (toneCycles >= kToneStepCycles) [[unlikely]] ToneStep(sliceClock);
    }
    // Tick as the CPU's cycle hook.
    CycleHook TickHook() { return MakeClosure<&SystemPIO::Tick>(this); }
    // Cycles until a tone step that changes the speaker level.
    int32_t Quiet();
    QuietHook QuietMeasure() { return MakeClosure<&SystemPIO::Quiet>(this); }

    int GetModel() const { return model; }
    ChipMemory* GetMemory() const { return memory; }

    // bit 0 change pending, bits 1-7 non-zero = wide mode wanted.
    std::atomic<uint8_t> changeWord{0};
    ChipPIO8255 pio{0};
    // bit 0 speaker line active, bit 1 port-C bit 3, bit 2 all-RAM mapping.
    std::atomic<uint8_t> leds{0};
    // bit 4 Esc (Mato), bit 5 Shift, bit 6 Stop/Ctrl; set = pressed.
    std::atomic<uint8_t> modifiers{0};
    // One byte per keyboard column, set bits = pressed keys.
    std::atomic<uint8_t> matrix[16] = {};

    // Keyboard options (0/1), set from the configuration.
    uint8_t changeZy = 0;
    uint8_t useNumpad = 0;
    uint8_t matoCtrl = 0;

    // Tone generator and access clock (CPU thread).
    int32_t lastCycles = 0;
    int32_t toneCycles = 0;
    int32_t toneSteps = 0;
    uint8_t tone1k = 0;
    uint8_t tone4k = 0;
    // The speaker level last sent (and shown on the LED); -1 unknown.
    int8_t speakerLevel = -1;

private:
    // One step of the tone generator, every kToneStepCycles cycles.
    void ToneStep(int32_t sliceClock);
    void OnReadPortB();
    void OnReadPortC();
    void OnPortCLower(uint8_t oldValue, uint8_t newValue);
    void OnPortCUpper(uint8_t oldValue, uint8_t newValue);
    // The speaker level for port C output c, with the tones' phases now or
    // as given.
    int SpeakerLevel(uint8_t c) const { return SpeakerLevel(c, tone4k, tone1k); }
    int SpeakerLevel(uint8_t c, uint8_t t4, uint8_t t1) const;
    void SetLedBit(uint8_t mask, bool on);
    void ScanHost();
    // Presses the typed character's key; false when it has none.
    bool TypeCharacter(char16_t ch);
    void ClearKeys();

    ChipMemory* memory = nullptr;
    const HostKeyState* hostKeys = nullptr;
    int model = 0;
    SoundLevelSink soundSink;

    // Serialises the two scans (user-interface and emulation thread); never
    // taken per instruction.
    std::mutex scanLock;
    mutable std::mutex textLock;
    std::u16string InsertTextBuffer;
    uint16_t lastTyped = 0;
    int32_t holdTicks = 0;
    int32_t gapTicks = 0;
};
