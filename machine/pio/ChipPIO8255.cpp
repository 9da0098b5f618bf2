#include "machine/pio/ChipPIO8255.h"

ChipPIO8255::ChipPIO8255(int reset) {
    ClearHooks();
    if (reset == 1) Reset(1);
}

ChipPIO8255::~ChipPIO8255() = default;

void ChipPIO8255::ClearHooks() {
    outA_ = {};
    outB_ = {};
    outC_ = {};
    outCUpper_ = {};
    outCLower_ = {};
    inA_ = {};
    inB_ = {};
    inC_ = {};
    inCUpper_ = {};
    inCLower_ = {};
    onControl_ = {};
}

ChipPIO8255::ControlHook ChipPIO8255::SetOnControlWrite(ControlHook hook) {
    ControlHook old = onControl_;
    onControl_ = hook;
    return old;
}

ChipPIO8255::OutputHook ChipPIO8255::SetOutputHook(int kind, OutputHook hook) {
    OutputHook* slot = nullptr;
    if (kind == kPortA) slot = &outA_;
    else if (kind == kPortB) slot = &outB_;
    if (!slot) return {};
    OutputHook old = *slot;
    *slot = hook;
    return old;
}

ChipPIO8255::PortCHook ChipPIO8255::SetOutputHook(int kind, PortCHook hook) {
    PortCHook* slot = nullptr;
    if (kind == kPortC) slot = &outC_;
    else if (kind == kPortCUpper) slot = &outCUpper_;
    else if (kind == kPortCLower) slot = &outCLower_;
    if (!slot) return {};
    PortCHook old = *slot;
    *slot = hook;
    return old;
}

ChipPIO8255::InputHook ChipPIO8255::SetInputHook(int kind, InputHook hook) {
    InputHook* slot = nullptr;
    switch (kind) {
        case kPortA: slot = &inA_; break;
        case kPortB: slot = &inB_; break;
        case kPortC: slot = &inC_; break;
        case kPortCUpper: slot = &inCUpper_; break;
        case kPortCLower: slot = &inCLower_; break;
        default: return {};
    }
    InputHook old = *slot;
    *slot = hook;
    return old;
}

void ChipPIO8255::NotifyPortC(uint8_t oldValue, uint8_t newValue) {
    if (oldValue != newValue && outC_.Assigned()) {
        outC_(oldValue, newValue);
        return;
    }
    uint8_t changed = oldValue ^ newValue;
    if ((changed & 0xF0) && outCUpper_.Assigned()) outCUpper_(oldValue, newValue);
    if ((changed & 0x0F) && outCLower_.Assigned()) outCLower_(oldValue, newValue);
}

void ChipPIO8255::Reset(int clearHooks) {
    if (clearHooks == 1) ClearHooks();
    Write(3, 0x9B);
    portALatch = 0;
    portBLatch = 0;
}

void ChipPIO8255::WriteMode(uint8_t value) {
    if ((value & 0x60) == 0x60) value &= ~0x20;
    control = value;
    portAIn = 0xFF;
    portAOut = 0;
    portBIn = 0xFF;
    portBOut = 0;
    if (ModeB1()) portBLatch = 0;
    portCIn = 0;
    if (!ModeB1()) portCIn = 0x07;
    if (ModeA() == 0) portCIn |= 0xF8;
    portCOut = 0;
    if (ModeB1()) portCOut = kIbfObfB;
    if (ModeA() != 0) portCOut |= kObfA;
    inteA1 = inteA2 = inteB = 0;
    if (onControl_.Assigned()) onControl_(control);
    NotifyPortC(static_cast<uint8_t>(~portCOut), portCOut);
}

void ChipPIO8255::WriteBitCommand(uint8_t value) {
    const int n = (value >> 1) & 7;
    const uint8_t level = value & 1;
    const uint8_t old = portCOut;
    const int modeA = ModeA();
    bool applied = false;

    if (n == 4 && ((modeA == 1 && PortAInput()) || modeA == 2)) {
        inteA1 = level;
        applied = true;
    } else if (n == 6 && ((modeA == 1 && !PortAInput()) || modeA == 2)) {
        inteA2 = level;
        applied = true;
    }
    if (applied) {
        portCOut &= ~kIntrA;
        if ((inteA1 && (portCIn & 0x10) && (portCOut & kIbfA)) ||
            (inteA2 && (portCIn & 0x40) && (portCOut & kObfA)))
            portCOut |= kIntrA;
    }
    if (n == 2 && ModeB1()) {
        inteB = level;
        applied = true;
        portCOut &= ~kIntrB;
        if (inteB && (portCIn & 0x04) && (portCOut & kIbfObfB)) portCOut |= kIntrB;
    }
    if (!applied) {
        const bool lowerOut = !ModeB1() && !CLowerInput();
        const bool upperOut = modeA == 0 && !CUpperInput();
        bool writable = false;
        if (n <= 2) writable = lowerOut;
        else if (n == 3) writable = modeA == 0 && (!CUpperInput() || lowerOut);
        else writable = upperOut;
        if (writable) {
            const uint8_t mask = static_cast<uint8_t>(1u << n);
            if (level) portCOut |= mask;
            else portCOut &= ~mask;
        }
    }
    NotifyPortC(old, portCOut);
}

void ChipPIO8255::Write(int reg, uint8_t value) {
    switch (reg & 3) {
        case 0:
            if (ModeA() != 0) {
                const uint8_t old = portCOut;
                portAOut = value;
                portCOut &= ~(kObfA | kIntrA);
                NotifyPortC(old, portCOut);
            } else {
                portAOut = value;
                if (outA_.Assigned()) outA_(value);
            }
            break;
        case 1:
            if (ModeB1()) {
                const uint8_t old = portCOut;
                portBOut = value;
                portCOut &= ~(kIbfObfB | kIntrB);
                NotifyPortC(old, portCOut);
            } else {
                portBOut = value;
                if (outB_.Assigned()) outB_(value);
            }
            break;
        case 2: {
            const uint8_t old = portCOut;
            const bool lowerBusy = (control & 0x05) != 0;  // C lower input or group-B mode 1
            const bool upperBusy = (control & 0x68) != 0;  // C upper input or group-A mode 1/2
            if (!lowerBusy && !upperBusy) portCOut = value;
            else if (lowerBusy && !upperBusy)
                portCOut = static_cast<uint8_t>((portCOut & 0x0F) | (value & 0xF0));
            else if (!lowerBusy && upperBusy)
                portCOut = static_cast<uint8_t>((portCOut & 0xF0) | (value & 0x0F));
            NotifyPortC(old, portCOut);
            break;
        }
        case 3:
            if (value & 0x80) WriteMode(value);
            else WriteBitCommand(value);
            break;
    }
}

uint8_t ChipPIO8255::Read(int reg, int32_t cycles) {
    switch (reg & 3) {
        case 0: {
            const int modeA = ModeA();
            if (modeA == 0 && PortAInput() && inA_.Assigned()) inA_();
            if (modeA == 0) return PortAInput() ? portAIn : static_cast<uint8_t>(portAOut & portAIn);
            if (modeA == 1 && !PortAInput()) return portAOut;
            const uint8_t old = portCOut;
            const uint8_t v = portALatch;
            portCOut &= ~(kIbfA | kIntrA);
            NotifyPortC(old, portCOut);
            return v;
        }
        case 1: {
            if (!ModeB1() && PortBInput() && inB_.Assigned()) inB_();
            if (!PortBInput()) return portBOut;
            if (!ModeB1()) return portBIn;
            const uint8_t old = portCOut;
            const uint8_t v = portBLatch;
            portCOut &= ~(kIbfObfB | kIntrB);
            NotifyPortC(old, portCOut);
            return v;
        }
        case 2: {
            const int modeA = ModeA();
            const bool upperIn = modeA == 0 && CUpperInput();
            const bool lowerIn = !ModeB1() && CLowerInput();
            if (inCUpper_.Assigned() || inCLower_.Assigned()) {
                if (upperIn && inCUpper_.Assigned()) inCUpper_();
                if (lowerIn && inCLower_.Assigned()) inCLower_();
            } else if (inC_.Assigned() && (lowerIn || upperIn)) {
                inC_();
            }
            uint8_t v = 0;
            if (!ModeB1()) v = (CLowerInput() ? portCIn : portCOut) & 0x0F;
            if (modeA == 0) {
                v |= (CUpperInput() ? portCIn : portCOut) & 0xF0;
            } else if (modeA == 1) {
                v &= 0x07;
                v |= portCOut & kIntrA;
                if (PortAInput()) {
                    v |= portCOut & kIbfA;
                    if (inteA1) v |= 0x10;
                } else {
                    v |= portCOut & kObfA;
                    if (inteA2) v |= 0x40;
                }
            } else {
                v &= 0x07;
                v |= portCOut & (kObfA | kIbfA | kIntrA);
                if (inteA2) v |= 0x40;
                if (inteA1) v |= 0x10;
            }
            if (ModeB1()) {
                v = static_cast<uint8_t>((v & ~0x07) | (portCOut & 0x03));
                if (inteB) v |= 0x04;
                if (modeA == 0) {
                    v &= ~0x08;
                    v |= (CUpperInput() ? portCIn : portCOut) & 0x08;
                }
            }
            return v;
        }
        default:
            return control;
    }
}

void ChipPIO8255::SetPortInput(int port, uint8_t value) {
    if (port == 0) {
        portAIn = value;
        return;
    }
    if (port == 1) {
        portBIn = value;
        return;
    }
    if (port != 2) return;

    const uint8_t oldPins = portCIn;
    const uint8_t oldOut = portCOut;
    const int modeA = ModeA();
    auto falling = [&](uint8_t mask) { return (oldPins & mask) && !(value & mask); };
    auto rising = [&](uint8_t mask) { return !(oldPins & mask) && (value & mask); };

    if (ModeB1()) {
        if (falling(0x04)) {
            if (PortBInput()) portBLatch = portBIn;
            portCOut |= kIbfObfB;
            portCOut &= ~kIntrB;
        } else if (rising(0x04)) {
            if (inteB && (portCOut & kIbfObfB)) portCOut |= kIntrB;
            else portCOut &= ~kIntrB;
        }
    }
    if (modeA == 2 || (modeA == 1 && PortAInput())) {
        if (falling(0x10)) {
            portALatch = portAIn;
            portCOut |= kIbfA;
            portCOut &= ~kIntrA;
        } else if (rising(0x10)) {
            if (inteA1 && (portCOut & kIbfA)) portCOut |= kIntrA;
            else portCOut &= ~kIntrA;
        }
    }
    if (modeA == 2 || (modeA == 1 && !PortAInput())) {
        if (falling(0x40)) {
            portCOut |= kObfA;
            portCOut &= ~kIntrA;
        } else if (rising(0x40)) {
            if (inteA2 && (portCOut & kObfA)) portCOut |= kIntrA;
            else portCOut &= ~kIntrA;
        }
    }
    portCIn = value;
    NotifyPortC(oldOut, portCOut);
}

void ChipPIO8255::SetInputPin(int port, int bit, int level) {
    if (bit < 0 || bit > 7) return;
    const uint8_t mask = static_cast<uint8_t>(1u << bit);
    auto apply = [&](uint8_t v) -> uint8_t {
        return static_cast<uint8_t>(level == 1 ? (v | mask) : (v & ~mask));
    };
    switch (port) {
        case 0: portAIn = apply(portAIn); break;
        case 1: portBIn = apply(portBIn); break;
        case 2: {
            const int modeA = ModeA();
            const bool edge = (bit == 2 && ModeB1()) ||
                              ((bit == 4 || bit == 6) && (modeA == 1 || modeA == 2));
            if (edge) SetPortInput(2, apply(portCIn));
            else portCIn = apply(portCIn);
            break;
        }
        default: break;
    }
}

uint8_t ChipPIO8255::GetPortOutput(int port) const {
    switch (port) {
        case 0: {
            if (ModeA() == 2) {
                if (!(portCIn & 0x40)) return portAOut;
                if (portCIn & 0x10) return 0xFF;
                return portAIn;
            }
            return PortAInput() ? portAIn : portAOut;
        }
        case 1:
            return PortBInput() ? portBIn : portBOut;
        case 2: {
            uint8_t v = 0;
            if (!ModeB1()) {
                const uint8_t src = CLowerInput() ? portCIn : portCOut;
                v = src & 0x07;
            } else {
                v = static_cast<uint8_t>((portCOut & 0x03) | (portCIn & 0x04));
            }
            switch (ModeA()) {
                case 0:
                    v |= (CUpperInput() ? portCIn : portCOut) & 0xF0;
                    if (!ModeB1()) v |= (CLowerInput() ? portCIn : portCOut) & 0x08;
                    break;
                case 1:
                    if (PortAInput()) v |= (portCOut & 0x28) | (portCIn & 0xD0);
                    else v |= (portCOut & 0x88) | (portCIn & 0x70);
                    break;
                default:
                    v |= (portCOut & 0xA8) | (portCIn & 0x50);
                    break;
            }
            return v;
        }
        default:
            return 0xFF;
    }
}

int ChipPIO8255::GetOutputPin(int port, int bit) const {
    if (port < 0 || port > 2 || bit < 0 || bit > 7) return 0;
    return (GetPortOutput(port) >> bit) & 1;
}

int ChipPIO8255::GetState(uint8_t* buffer) const {
    if (buffer) {
        buffer[0] = control;
        buffer[1] = portCOut;
        buffer[2] = portBOut;
        buffer[3] = portAOut;
        buffer[4] = static_cast<uint8_t>((inteA1 ? 1 : 0) | (inteA2 ? 2 : 0) | (inteB ? 4 : 0));
    }
    return kStateSize;
}

void ChipPIO8255::SetState(const uint8_t* record) {
    if (!record || record[0] == 0) return;
    Reset(0);
    Write(3, record[0]);
    Write(2, record[1]);
    Write(1, record[2]);
    Write(0, record[3]);
    if (record[4] & 1) Write(3, 0x09);
    if (record[4] & 2) Write(3, 0x0D);
    if (record[4] & 4) Write(3, 0x05);
}
