#include "machine/timer/ChipPIT8253.h"

#include <cstdint>

namespace {

// Counting position of a count: binary 0..FFFFh, BCD 0..9999 as a decimal
// number; -1 for a BCD count with a digit above 9.
int32_t CountValue(uint16_t ce, bool bcd) {
    if (!bcd) return ce;
    int32_t v = 0;
    for (int shift = 12; shift >= 0; shift -= 4) {
        int digit = (ce >> shift) & 0xF;
        if (digit > 9) return -1;
        v = v * 10 + digit;
    }
    return v;
}

uint16_t CountFromValue(int32_t v, bool bcd) {
    if (!bcd) return static_cast<uint16_t>(v);
    return static_cast<uint16_t>((v / 1000) << 12 | (v / 100 % 10) << 8 | (v / 10 % 10) << 4 | v % 10);
}

// Decrement steps from v until the count equals target (1..modulus).
int32_t Distance(int32_t v, int32_t target, int32_t modulus) {
    int32_t d = ((v - target) % modulus + modulus) % modulus;
    return d == 0 ? modulus : d;
}

}  // namespace

ChipPIT8253::ChipPIT8253() {
    c[0].control = 0x32;
    c[1].control = 0x72;
    c[2].control = 0xB2;
}

int ChipPIT8253::ModeOf(const Counter& k) {
    int mode = (k.control >> 1) & 7;
    return mode >= 6 ? mode - 4 : mode;
}

bool ChipPIT8253::Step(Counter& k) {
    uint16_t old = k.countingElement;
    uint16_t ce = static_cast<uint16_t>(old - 1);
    if (IsBcd(k)) {
        if (old == 0) {
            ce = 0x9999;
        } else if ((old & 0xF) == 0) {
            if ((ce & 0x000F) == 0x000F) ce = static_cast<uint16_t>(ce - 0x0006);
            if ((ce & 0x00F0) == 0x00F0) ce = static_cast<uint16_t>(ce - 0x0060);
            if ((ce & 0x0F00) == 0x0F00) ce = static_cast<uint16_t>(ce - 0x0600);
        }
    }
    k.countingElement = ce;
    return ce == 0;
}

void ChipPIT8253::SetOut(int counter, uint8_t level) {
    Counter& k = c[counter];
    if (k.out == level) return;
    k.out = level;
    if (k.outHandler) k.outHandler(counter, level);
}

void ChipPIT8253::Write(int reg, uint8_t value) {
    if (reg >= 0 && reg <= 2)
        CountWrite(reg, value);
    else if (reg == 3)
        ControlWord(value);
}

void ChipPIT8253::ControlWord(uint8_t value) {
    if (value >= 0xC0) return;
    int counter = value >> 6;
    Counter& k = c[counter];
    k.quietRun = 0;
    int rw = (value >> 4) & 3;
    if (rw == 0) {
        if (k.latchState == 0) {
            k.latchState = ((k.control >> 4) & 3) == 3 ? 2 : 1;
            k.outputLatch = k.countingElement;
        }
        return;
    }
    k.control = value;
    k.writePhase = rw == 3 ? 2 : 1;
    k.countPending = 0;
    k.readToggle = 0;
    k.latchState = 0;
    k.enabled = 0;
    SetOut(counter, ModeOf(k) == 0 ? 0 : 1);
    k.newlyProgrammed = 1;
}

void ChipPIT8253::CountWrite(int counter, uint8_t value) {
    Counter& k = c[counter];
    k.quietRun = 0;
    int rw = (k.control >> 4) & 3;
    int mode = ModeOf(k);
    bool complete = false;
    if (rw == 1) {
        k.countRegister = value;
        complete = true;
    } else if (rw == 2) {
        k.countRegister = static_cast<uint16_t>(value << 8);
        complete = true;
    } else if (rw == 3) {
        if (k.writePhase == 1) {
            k.countRegister = static_cast<uint16_t>(k.countRegister | value << 8);
            complete = true;
        } else {
            k.countRegister = value;
            k.writePhase = 1;
            if (mode == 0) {
                k.out = 0;  // drops at once, listeners are not told
                k.enabled = 0;
            }
        }
    }
    if (!complete) return;
    k.writePhase = 0;
    k.countPending = 1;
    uint8_t level = 1;
    switch (mode) {
    case 0:
        level = 0;
        k.enabled = k.gate;
        k.trigger = 1;
        break;
    case 1:
    case 5:
        k.enabled = k.gate;
        break;
    case 4:
        k.enabled = k.gate;
        k.trigger = 1;
        break;
    default:  // 2, 3
        k.enabled = k.gate;
        if (!k.gate)
            k.countingElement = k.countRegister;
        else if (k.newlyProgrammed)
            k.trigger = 1;
        break;
    }
    SetOut(counter, level);
    k.newlyProgrammed = 0;
}

uint8_t ChipPIT8253::Read(int reg) {
    if (reg < 0 || reg > 2) return 0xFF;
    Counter& k = c[reg];
    int rw = (k.control >> 4) & 3;
    if (rw == 1 || rw == 2) {
        uint16_t v = k.countingElement;
        if (k.latchState) {
            v = k.outputLatch;
            k.latchState = 0;
        }
        return static_cast<uint8_t>(rw == 1 ? v : v >> 8);
    }
    if (k.latchState) {
        uint8_t b = static_cast<uint8_t>(k.latchState == 2 ? k.outputLatch : k.outputLatch >> 8);
        k.latchState--;
        return b;
    }
    uint8_t b = static_cast<uint8_t>(k.readToggle ? k.countingElement >> 8 : k.countingElement);
    k.readToggle ^= 1;
    return b;
}

void ChipPIT8253::SetGate(int counter, int level) {
    if (counter < 0 || counter > 2) return;
    Counter& k = c[counter];
    k.quietRun = 0;
    uint8_t lv = level ? 1 : 0;
    bool rising = !k.gate && lv;
    switch (ModeOf(k)) {
    case 0:
    case 4:
        k.enabled = lv;
        break;
    case 1:
    case 5:
        k.enabled = lv;
        if (rising) k.trigger = 1;
        break;
    default:  // 2, 3
        k.enabled = lv;
        if (rising) k.trigger = 1;
        k.gate = lv;
        if (!lv) SetOut(counter, 1);
        return;
    }
    k.gate = lv;
}

void ChipPIT8253::Clock(int counter, int level) {
    if (counter < 0 || counter > 2) return;
    Counter& k = c[counter];
    k.quietRun = 0;
    uint8_t lv = level ? 1 : 0;
    bool falling = k.clock && !lv;
    k.clock = lv;
    if (falling) FallingEdge(counter);
}

void ChipPIT8253::FallingEdge(int counter) {
    Counter& k = c[counter];
    switch (ModeOf(k)) {
    case 0:
        if (k.countPending) {
            k.countingElement = k.countRegister;
            k.countPending = 0;
        } else if (k.enabled && Step(k)) {
            SetOut(counter, 1);
        }
        break;
    case 1:
        if (k.trigger) {
            k.trigger = 0;
            k.countPending = 0;
            k.countingElement = k.countRegister;
            k.enabled = 1;
            SetOut(counter, 0);
        } else if (k.enabled && Step(k)) {
            SetOut(counter, 1);
        }
        break;
    case 2:
        if (k.trigger) {
            k.trigger = 0;
            k.countPending = 0;
            k.countingElement = k.countRegister;
        } else if (k.enabled) {
            if (Step(k)) {
                k.countingElement = k.countRegister;
                SetOut(counter, 1);
            } else if (k.countingElement == 1) {
                SetOut(counter, 0);
            }
        }
        break;
    case 3:
        if (k.trigger) {
            k.countingElement = k.countRegister;
            k.countPending = 0;
            k.trigger = 0;
        } else if (k.enabled) {
            // Two steps per edge; an odd count takes one step less in the
            // high half and one more in the low half. A half ends as soon
            // as the count reaches 0, so counts 1 and 3 still alternate.
            bool tc;
            if (k.out) {
                tc = Step(k);
                if (!tc && (k.countingElement & 1)) tc = Step(k);
            } else {
                tc = (k.countingElement & 1) ? Step(k) : false;
                if (!tc) tc = Step(k);
                if (!tc) tc = Step(k);
            }
            if (k.countingElement == 0) {
                k.countPending = 0;
                k.countingElement = k.countRegister;
                SetOut(counter, k.out ? 0 : 1);
            }
        }
        break;
    case 4:
        if (k.countPending) {
            k.countingElement = k.countRegister;
            k.countPending = 0;
        } else if (k.enabled) {
            if (Step(k))
                SetOut(counter, 0);
            else if (k.countingElement == (IsBcd(k) ? 0x9999 : 0xFFFF))
                SetOut(counter, 1);
        }
        break;
    case 5:
        if (k.trigger) {
            k.trigger = 0;
            k.countPending = 0;
            k.countingElement = k.countRegister;
            SetOut(counter, 1);
        } else if (k.enabled) {
            if (Step(k))
                SetOut(counter, 0);
            else if (k.countingElement == (IsBcd(k) ? 0x9999 : 0xFFFF))
                SetOut(counter, 1);
        }
        break;
    }
}

int32_t ChipPIT8253::SkipPulses(int counter, int32_t n) {
    if (counter < 0 || counter > 2 || n <= 0) return 0;
    Counter& k = c[counter];
    if (k.quietRun > 0) {
        const int32_t run = n < k.quietRun ? n : k.quietRun;
        TakeQuietRun(k, run);
        return run;
    }
    constexpr int64_t kUnbounded = INT32_MAX;
    int mode = ModeOf(k);
    // A pending load is done by the next edge.
    if ((mode == 0 || mode == 4) ? k.countPending : k.trigger) return 0;
    if (!k.enabled) {
        k.clock = 0;
        k.quietStep = 0;
        k.quietRun = static_cast<int32_t>(kUnbounded - n);
        return n;
    }
    bool bcd = IsBcd(k);
    int32_t v = CountValue(k.countingElement, bcd);
    if (v < 0) return 0;
    const int32_t modulus = bcd ? 10000 : 65536;
    int64_t longest = 0;  // pulses without a change
    int perPulse = 1;     // decrement steps per pulse
    switch (mode) {
    case 0:
    case 1:
        longest = k.out ? kUnbounded : Distance(v, 0, modulus) - 1;
        break;
    case 2: {
        int32_t d1 = Distance(v, 1, modulus), d0 = Distance(v, 0, modulus);
        longest = (d1 < d0 ? d1 : d0) - 1;
        break;
    }
    case 3:
        if (v & 1) return 0;
        longest = (v == 0 ? modulus / 2 : v / 2) - 1;
        perPulse = 2;
        break;
    default:  // 4, 5
        if (!k.out) return 0;
        longest = Distance(v, 0, modulus) - 1;
        break;
    }
    if (longest <= 0) return 0;
    const int64_t run = longest < n ? longest : n;
    int32_t nv = static_cast<int32_t>(((v - run * perPulse) % modulus + modulus) % modulus);
    k.countingElement = CountFromValue(nv, bcd);
    k.clock = 0;
    if (!bcd) {
        k.quietStep = static_cast<uint8_t>(perPulse);
        k.quietRun = static_cast<int32_t>(longest - run);
    }
    return static_cast<int32_t>(run);
}

int32_t ChipPIT8253::QuietPulses(int counter) const {
    if (counter < 0 || counter > 2) return INT32_MAX;
    const Counter& k = c[counter];
    if (k.quietRun > 0) return k.quietRun;
    const int mode = ModeOf(k);
    // A pending load is done by the next edge; then the count is known.
    if ((mode == 0 || mode == 4) ? k.countPending : k.trigger) return 0;
    if (!k.enabled) return INT32_MAX;
    const bool bcd = IsBcd(k);
    const int32_t v = CountValue(k.countingElement, bcd);
    if (v < 0) return 0;
    const int32_t modulus = bcd ? 10000 : 65536;
    int32_t quiet = 0;
    switch (mode) {
    case 0:
    case 1:
        quiet = k.out ? INT32_MAX : Distance(v, 0, modulus) - 1;
        break;
    case 2: {
        const int32_t d1 = Distance(v, 1, modulus), d0 = Distance(v, 0, modulus);
        quiet = (d1 < d0 ? d1 : d0) - 1;
        break;
    }
    case 3:
        // Two steps per edge; an odd count loses one step on its first
        // edge (three in the low half), so (v - 3) / 2 edges are safe.
        if (v & 1)
            quiet = (v - 3) / 2;
        else
            quiet = (v == 0 ? modulus / 2 : v / 2) - 1;
        break;
    default:  // 4, 5
        quiet = k.out ? Distance(v, 0, modulus) - 1 : 0;
        break;
    }
    return quiet > 0 ? quiet : 0;
}

void ChipPIT8253::PulsesSlow(int counter, int32_t n, int32_t* position) {
    if (counter < 0 || counter > 2) return;
    while (n > 0) {
        int32_t run = SkipPulses(counter, n);
        if (run > 0) {
            n -= run;
            if (position) *position += run;
            continue;
        }
        Clock(counter, 1);
        Clock(counter, 0);
        if (position) ++*position;
        --n;
    }
}

ChipPIT8253::OutHandler ChipPIT8253::SetOutHandler(int counter, OutHandler handler) {
    if (counter < 0 || counter > 2) return OutHandler();
    OutHandler previous = c[counter].outHandler;
    c[counter].outHandler = handler;
    return previous;
}

void ChipPIT8253::GetState(uint8_t* buffer, int n) const {
    if (!buffer || n <= 0) return;
    uint8_t record[StateSize];
    for (int i = 0; i < 3; i++) {
        const Counter& k = c[i];
        record[i * 3] = k.control;
        record[i * 3 + 1] = static_cast<uint8_t>(k.countRegister);
        record[i * 3 + 2] = static_cast<uint8_t>(k.countRegister >> 8);
        record[9 + i * 2] = static_cast<uint8_t>(k.countingElement);
        record[10 + i * 2] = static_cast<uint8_t>(k.countingElement >> 8);
        record[15 + i] = static_cast<uint8_t>(k.out << 7 | k.gate << 5 | k.clock << 4);
    }
    if (n > StateSize) n = StateSize;
    for (int i = 0; i < n; i++) buffer[i] = record[i];
}

void ChipPIT8253::SetState(const uint8_t* record, int n) {
    if (!record) return;
    for (int i = 0; i < 3; i++) {
        int base = i * 3;
        if (base >= n) return;
        uint8_t control = record[base];
        Write(3, control);
        if ((control & 0x10) && base + 1 < n) Write(i, record[base + 1]);
        if ((control & 0x20) && base + 2 < n) Write(i, record[base + 2]);
        if (base + 2 >= n) return;
    }
}
