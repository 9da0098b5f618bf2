#pragma once
#include <cstdint>
#include "machine/core/Closure.h"

// Intel 8251 USART: mode, sync-character and command words, status, a
// bit-level transmitter clocked by TxC, a bit-level receiver clocked by RxC,
// the modem pins and a character-level shortcut.
//
// Not a port device: the owner decodes its ports to the register index
// (0 control/status, 1 data), clocks the chip and drives its input pins.
// Hooks let the owner follow the output signals; a hook gets only its
// object pointer and reads the pins through the getters. Wherever a signal
// is evaluated its update hook runs first, then its change hook when the
// signal changed.
class ChipUSART8251 {
public:
    using Hook = Closure<void()>;
    enum HookKind : int {
        HookTxD = 0,
        HookTxRdy = 1,
        HookTxEmpty = 2,
        HookRxRdy = 3,
        HookDtr = 4,
        HookRts = 5,
        HookSynDet = 6,
        HookBreak = 7,
        HookCount = 8
    };
    static constexpr int StateSize = 4;

    ChipUSART8251();
    virtual ~ChipUSART8251() = default;

    // The next control write is a mode word; clearHooks 1 empties all hooks.
    void Reset(int clearHooks);
    // Register 0 control, 1 data; others do nothing.
    void Write(int reg, uint8_t value);
    // Register 0 status, 1 data; others FFh.
    uint8_t Read(int reg);

    // 4 bytes: mode, sync 1, sync 2, command. Returns 4; buffer may be null.
    int GetState(uint8_t* buffer) const;
    // Nothing for a null record or a mode byte of 0; otherwise resets the
    // chip and replays the words as control writes.
    void SetState(const uint8_t* record);

    // Input pins. DSR and CTS are active low.
    void SetRxD(int level);
    void TxClock(int level);
    void RxClock(int level);
    void SetDsr(int level) { dsr = level ? 1 : 0; }
    void SetCts(int level) { cts = level ? 1 : 0; }

    // Output pins.
    int GetTxRdy() const { return txRdy && (command & 0x01) && !cts ? 1 : 0; }
    int GetRxRdy() const { return rxRdy; }
    int GetTxEmpty() const { return txEmpty; }
    int GetTxD() const { return txD; }
    int GetSynDet() const { return synDet; }
    int GetBreak() const { return breakFlag; }
    // Active low: 1 while the command word does not assert the signal.
    int GetRts() const { return (command & 0x20) ? 0 : 1; }
    int GetDtr() const { return (command & 0x02) ? 0 : 1; }

    // Character level.
    void SetCharMode(int on) { charMode = on ? 1 : 0; }
    int GetCharMode() const { return charMode; }
    // Delivers a whole received character.
    void ReceiveChar(uint8_t value);
    // The character the CPU wrote, 0 when none waits. In character mode the
    // character is consumed (the transmitter is ready again at once);
    // otherwise it stays for the bit-level transmitter.
    uint8_t TakeTxChar();

    // Set change / update hook 0..7; return the previous one (an empty one
    // and nothing stored for a kind above 7).
    Hook SetOutputHook(int kind, Hook hook);
    Hook SetInputHook(int kind, Hook hook);

    uint8_t GetMode() const { return mode; }
    uint8_t GetCommand() const { return command; }
    int GetWritePhase() const { return writePhase; }

private:
    void Signal(int kind, bool changed);
    uint8_t Parity(uint8_t value) const;
    void ControlWrite(uint8_t value);
    void CommandWrite(uint8_t value);
    void DataWrite(uint8_t value);
    uint8_t StatusRead();
    uint8_t DataRead();
    void LoadNextAsync();
    void LoadNextSync();
    void LoadNext() { syncMode ? LoadNextSync() : LoadNextAsync(); }
    void EnterHunt();
    void CompleteChar();
    void ReceiveSample();
    void SetBreakFlag(uint8_t value);
    int HalfFactor() const { return clockFactor == 1 ? 1 : clockFactor / 2; }

    int32_t writePhase = 0;
    uint8_t mode = 0;
    uint8_t command = 0;
    int32_t charBits = 0;
    int32_t clockFactor = 0;
    uint8_t syncMode = 0;
    uint8_t synDet = 0;
    uint8_t sync1 = 0, sync2 = 0;
    int32_t rxState = 0;
    uint8_t rxData = 0;
    uint8_t rxShift = 0;
    uint8_t rxParity = 0;
    int32_t rxBitCount = 0;
    int32_t rxDivider = 0;
    uint8_t breakFlag = 0;
    int32_t breakCount = 0;
    int32_t txState = 0;
    uint8_t txBuffer = 0;
    uint8_t txShift = 0;
    uint8_t txParity = 0;
    int32_t txBitCount = 0;
    int32_t txDivider = 0;
    uint8_t sendBreak = 0;
    uint8_t txRdy = 0, rxRdy = 0, txEmpty = 0;
    uint8_t parityError = 0, overrunError = 0, framingError = 0;
    uint8_t txD = 0, txC = 0, rxD = 0, rxC = 0, dsr = 0, cts = 0;
    uint8_t charMode = 0;
    Hook changeHooks[HookCount];
    Hook updateHooks[HookCount];
};
