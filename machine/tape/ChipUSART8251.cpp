#include "machine/tape/ChipUSART8251.h"

namespace {
constexpr int32_t kStepMask = 0x3F;
constexpr int32_t kPhaseSync1 = 0x40;
constexpr int32_t kPhaseSync2 = 0x80;
}  // namespace

ChipUSART8251::ChipUSART8251() = default;

void ChipUSART8251::Signal(int kind, bool changed) {
    if (updateHooks[kind]) updateHooks[kind]();
    if (changed && changeHooks[kind]) changeHooks[kind]();
}

uint8_t ChipUSART8251::Parity(uint8_t value) const {
    uint8_t x = 0;
    for (int i = 0; i < charBits; i++) x ^= (value >> i) & 1;
    return (mode & 0x20) ? x : static_cast<uint8_t>(x ^ 1);
}

void ChipUSART8251::Reset(int clearHooks) {
    writePhase = 0;
    if (clearHooks == 1)
        for (int i = 0; i < HookCount; i++) changeHooks[i] = updateHooks[i] = Hook();
}

void ChipUSART8251::Write(int reg, uint8_t value) {
    if (reg == 0)
        ControlWrite(value);
    else if (reg == 1)
        DataWrite(value);
}

uint8_t ChipUSART8251::Read(int reg) {
    if (reg == 0) return StatusRead();
    if (reg == 1) return DataRead();
    return 0xFF;
}

void ChipUSART8251::ControlWrite(uint8_t value) {
    switch (writePhase) {
    case 0: {
        static const int32_t factors[4] = {0, 1, 16, 64};
        mode = value;
        charBits = ((mode >> 2) & 3) + 5;
        clockFactor = factors[mode & 3];
        rxBitCount = txBitCount = charBits;
        syncMode = (mode & 3) == 0;
        synDet = 0;
        Signal(HookSynDet, false);
        txEmpty = 1;
        Signal(HookTxEmpty, false);
        txRdy = 1;
        Signal(HookTxRdy, false);
        rxRdy = 0;
        Signal(HookRxRdy, false);
        parityError = overrunError = framingError = 0;
        rxState = 0;
        breakFlag = 0;
        breakCount = 0;
        txState = 0;
        sendBreak = 0;
        rxD = 1;
        rxC = 1;
        txD = 1;
        Signal(HookTxD, false);
        txC = 0;
        dsr = 1;
        cts = 1;
        if (syncMode) {
            writePhase = 1;
        } else {
            writePhase = 3;
            LoadNextAsync();
            rxState = 1;
        }
        break;
    }
    case 1:
        sync1 = value;
        if (mode & 0x80) {
            writePhase = 3;
            LoadNextSync();
            EnterHunt();
        } else {
            writePhase = 2;
        }
        break;
    case 2:
        sync2 = value;
        writePhase = 3;
        LoadNextSync();
        EnterHunt();
        break;
    default:
        CommandWrite(value);
        break;
    }
}

void ChipUSART8251::CommandWrite(uint8_t value) {
    uint8_t old = command;
    command = value;
    if (value & 0x40) {
        writePhase = 0;
        return;
    }
    if (value & 0x10) parityError = overrunError = framingError = 0;
    if (value & 0x08) {
        sendBreak = 1;
        if (txD == 1) {
            txD = 0;
            Signal(HookTxD, true);
        }
    } else if (sendBreak) {
        sendBreak = 0;
        bool changed = txD != 1;
        txD = 1;
        Signal(HookTxD, changed);
        LoadNext();
    }
    Signal(HookDtr, ((old ^ value) & 0x02) != 0);
    Signal(HookRts, ((old ^ value) & 0x20) != 0);
    if (syncMode && (value & 0x80)) EnterHunt();
}

void ChipUSART8251::EnterHunt() {
    if (mode & 0x40) {
        rxState = 0;
    } else {
        rxState = kPhaseSync1;
        rxShift = sync1;
        rxParity = Parity(sync1);
        rxBitCount = charBits + 1;
    }
    if (rxRdy) {
        rxRdy = 0;
        Signal(HookRxRdy, true);
    }
}

void ChipUSART8251::DataWrite(uint8_t value) {
    if (writePhase != 3) return;
    txBuffer = value;
    bool wasEmpty = txEmpty == 1, wasRdy = txRdy == 1;
    txEmpty = 0;
    txRdy = 0;
    Signal(HookTxEmpty, wasEmpty);
    Signal(HookTxRdy, wasRdy);
}

uint8_t ChipUSART8251::StatusRead() {
    uint8_t status = static_cast<uint8_t>(txRdy | rxRdy << 1 | txEmpty << 2 | parityError << 3 |
                                          overrunError << 4 | framingError << 5);
    if (syncMode) status |= static_cast<uint8_t>(synDet << 6);
    if (dsr == 0) status |= 0x80;
    if (syncMode && !(mode & 0x40) && synDet) {
        synDet = 0;
        Signal(HookSynDet, true);
    }
    return status;
}

uint8_t ChipUSART8251::DataRead() {
    if (!rxRdy) return 0xFF;
    rxRdy = 0;
    Signal(HookRxRdy, true);
    return rxData;
}

void ChipUSART8251::LoadNextAsync() {
    if (txRdy == 0) {
        txState = 3;
        txShift = txBuffer;
        txParity = Parity(txShift);
        txBitCount = charBits;
        txRdy = 1;
        Signal(HookTxRdy, true);
    } else {
        bool changed = txEmpty != 1;
        txEmpty = 1;
        Signal(HookTxEmpty, changed);
        txState = 2;
    }
    txDivider = clockFactor;
}

void ChipUSART8251::LoadNextSync() {
    if ((txState & ~kStepMask) == kPhaseSync1 && !(mode & 0x80)) {
        txState = kPhaseSync2 | 4;
        txShift = sync2;
    } else if (txRdy == 0) {
        txState = 4;
        txShift = txBuffer;
        txRdy = 1;
        Signal(HookTxRdy, true);
    } else {
        txState = kPhaseSync1 | 4;
        txShift = sync1;
        bool changed = txEmpty != 1;
        txEmpty = 1;
        Signal(HookTxEmpty, changed);
    }
    txParity = Parity(txShift);
    txBitCount = charBits;
}

void ChipUSART8251::TxClock(int level) {
    uint8_t old = txC;
    uint8_t lv = level ? 1 : 0;
    txC = lv;
    if (writePhase != 3 || sendBreak || lv == old || lv != 0) return;
    uint8_t oldTxD = txD;
    int step = txState & kStepMask;
    if (syncMode) {
        if (step == 4) {
            if ((cts || !(command & 0x01)) && txBitCount == charBits) return;
            txD = txShift & 1;
            txShift >>= 1;
            if (--txBitCount <= 0) {
                if (mode & 0x10)
                    txState = (txState & ~kStepMask) | 5;
                else
                    LoadNextSync();
            }
        } else if (step == 5) {
            txD = txParity;
            LoadNextSync();
        } else {
            return;
        }
    } else {
        if (--txDivider > 0) return;
        txDivider = clockFactor;
        switch (step) {
        case 2:
            LoadNextAsync();
            if ((txState & kStepMask) == 3) {
                txD = 0;
                txState = 4;
            }
            break;
        case 3:
            if (cts || !(command & 0x01)) return;
            txD = 0;
            txState = 4;
            break;
        case 4:
            txD = txShift & 1;
            txShift >>= 1;
            if (--txBitCount <= 0) txState = (mode & 0x10) ? 5 : 6;
            break;
        case 5:
            txD = txParity;
            txState = 6;
            break;
        case 6:
            txD = 1;
            switch (mode >> 6) {
            case 2: txState = 7; break;
            case 3: txState = 8; break;
            default: txState = 2; break;
            }
            break;
        case 7:
            if (txDivider > 1) txDivider /= 2;
            txD = 1;
            txState = 2;
            break;
        case 8:
            txD = 1;
            txState = 2;
            break;
        default:
            break;
        }
    }
    Signal(HookTxD, txD != oldTxD);
}

void ChipUSART8251::RxClock(int level) {
    uint8_t old = rxC;
    uint8_t lv = level ? 1 : 0;
    rxC = lv;
    if (writePhase != 3 || lv == old || lv != 1) return;
    if (!syncMode) {
        if (--rxDivider > 0) return;
        rxDivider = clockFactor;
    }
    ReceiveSample();
}

void ChipUSART8251::ReceiveSample() {
    int step = rxState & kStepMask;
    int32_t phase = rxState & ~kStepMask;
    if (syncMode && step == 0) {
        if (phase == 0) return;  // external sync: nothing to compare
        if (rxBitCount > 1) {
            if (rxD != (rxShift & 1)) {
                EnterHunt();
                return;
            }
            rxShift >>= 1;
            rxBitCount--;
            return;
        }
        if (rxD != rxParity) {
            EnterHunt();
            return;
        }
        if (phase == kPhaseSync1 && !(mode & 0x80)) {
            rxState = kPhaseSync2;
            rxShift = sync2;
            rxParity = Parity(sync2);
            rxBitCount = charBits + 1;
            return;
        }
        rxState = kPhaseSync1 | 4;
        rxBitCount = charBits;
        rxShift = 0;
        bool changed = synDet == 0;
        synDet = 1;
        Signal(HookSynDet, changed);
        return;
    }
    switch (step) {
    case 1:
        if (rxD == 0 && breakCount > 0) {
            rxState = 3;
            rxDivider = HalfFactor();
        }
        break;
    case 3:
        if (rxD == 1) {
            rxState = 1;
        } else {
            rxState = 4;
            rxShift = 0;
            rxBitCount = charBits;
        }
        break;
    case 4:
        rxShift >>= 1;
        if (rxD) rxShift |= 0x80;
        if (--rxBitCount <= 0) {
            if (charBits < 8) rxShift >>= 8 - charBits;
            if (mode & 0x10) {
                rxState = phase | 5;
                rxParity = Parity(rxShift);
            } else if (!syncMode) {
                rxState = 6;
            } else {
                CompleteChar();
                rxShift = 0;
                rxBitCount = charBits;
            }
        }
        break;
    case 5:
        if (rxD != rxParity) parityError = 1;
        if (!syncMode) {
            rxState = 6;
        } else {
            CompleteChar();
            rxState = phase | 4;
            rxShift = 0;
            rxBitCount = charBits;
        }
        break;
    case 6:
        if (rxD == 0) {
            framingError = 1;
            if (++breakCount > 1) {
                breakCount = 2;
                SetBreakFlag(1);
            }
        }
        CompleteChar();
        rxState = 1;
        break;
    default:
        break;
    }
}

void ChipUSART8251::SetBreakFlag(uint8_t value) {
    bool changed = breakFlag != value;
    breakFlag = value;
    Signal(HookBreak, changed);
}

void ChipUSART8251::CompleteChar() {
    rxData = rxShift;
    if (rxRdy) overrunError = 1;
    bool changed = rxRdy == 0;
    rxRdy = 1;
    Signal(HookRxRdy, changed);
}

void ChipUSART8251::SetRxD(int level) {
    uint8_t lv = level ? 1 : 0;
    if (!syncMode) {
        if (rxD == 1 && lv == 0 && (rxState & kStepMask) == 1) {
            rxState = 3;
            rxDivider = HalfFactor();
        }
        if (lv == 1) {
            if (breakFlag) {
                breakFlag = 0;
                Signal(HookBreak, true);
            }
            breakCount = 0;
        }
    }
    rxD = lv;
}

void ChipUSART8251::ReceiveChar(uint8_t value) {
    rxShift = value;
    CompleteChar();
}

uint8_t ChipUSART8251::TakeTxChar() {
    if (txRdy == 1) return 0;
    if (!charMode) return txBuffer;
    txRdy = 1;
    Signal(HookTxRdy, true);
    LoadNext();
    return txBuffer;
}

int ChipUSART8251::GetState(uint8_t* buffer) const {
    if (buffer) {
        buffer[0] = mode;
        buffer[1] = sync1;
        buffer[2] = sync2;
        buffer[3] = command;
    }
    return StateSize;
}

void ChipUSART8251::SetState(const uint8_t* record) {
    if (!record || record[0] == 0) return;
    Reset(0);
    uint8_t m = record[0];
    ControlWrite(m);
    if ((m & 3) == 0) ControlWrite(record[1]);
    if ((m & 0x83) == 0) ControlWrite(record[2]);
    ControlWrite(record[3]);
}

ChipUSART8251::Hook ChipUSART8251::SetOutputHook(int kind, Hook hook) {
    if (kind < 0 || kind >= HookCount) return Hook();
    Hook previous = changeHooks[kind];
    changeHooks[kind] = hook;
    return previous;
}

ChipUSART8251::Hook ChipUSART8251::SetInputHook(int kind, Hook hook) {
    if (kind < 0 || kind >= HookCount) return Hook();
    Hook previous = updateHooks[kind];
    updateHooks[kind] = hook;
    return previous;
}
