#include "machine/input/Mouse.h"

#include <algorithm>
#include <cstdlib>

#include "machine/cpu/ChipCpu8080.h"

MouseBase::MouseBase(int32_t scale, int32_t originX, int32_t originY)
    : scale(scale > 0 ? scale : 1), originX(originX), originY(originY) {}

void MouseBase::SetGeometry(int32_t s, int32_t x, int32_t y) {
    scale = s > 0 ? s : 1;
    originX = x;
    originY = y;
    lastX = lastY = -1;
}

bool MouseBase::NewPosition(int32_t x, int32_t y, int32_t& newX, int32_t& newY) {
    newX = (x - originX) / scale;
    newY = (y - originY) / scale;
    if (lastX == -1 && lastY == -1) {
        lastX = newX;
        lastY = newY;
        return false;
    }
    return true;
}

// --- Mouse602 ---

uint8_t Mouse602::ReadPort(uint8_t port, int32_t cycles) { return uint8_t(phase | takenButtons); }

void Mouse602::TakeHostInput() {
    taken = queue.Size();
    takenButtons = buttons.load(std::memory_order_relaxed);
}

void Mouse602::Tick(int32_t sliceClock, int32_t cycles) {
    if (taken == 0) return;
    stepCycles += cycles;
    while (stepCycles >= kStepCycles) {
        stepCycles -= kStepCycles;
        uint8_t next;
        if (taken == 0 || !queue.Pop(next)) break;
        --taken;
        phase = next;
    }
}

int32_t Mouse602::Quiet() {
    if (taken == 0) return INT32_MAX;  // the count waits with the queue
    return stepCycles < kStepCycles ? kStepCycles - 1 - stepCycles : 0;
}

void Mouse602::PushGroup(const uint8_t (&entries)[4]) {
    // A group goes in whole or not at all, so the phases stay a valid sequence.
    if (!queue.HasRoom(4)) {
        ++dropped;
        return;
    }
    for (uint8_t e : entries) queue.Push(e);
}

void Mouse602::Move(int32_t x, int32_t y, int middle, int right, int left) {
    (void)middle;
    int32_t nx, ny;
    if (NewPosition(x, y, nx, ny)) {
        static const uint8_t kPositive[4] = {1, 3, 2, 0};
        static const uint8_t kNegative[4] = {2, 3, 1, 0};
        int32_t dx = std::abs(nx - lastX), dy = std::abs(ny - lastY);
        const uint8_t* xs = nx >= lastX ? kPositive : kNegative;
        const uint8_t* ys = ny >= lastY ? kPositive : kNegative;
        lastX = nx;
        lastY = ny;
        while (dx > 0 || dy > 0) {
            int32_t k = 1;
            bool xLarger = dx >= dy;
            if (dx > 0 && dy > 0) k = std::max(dx, dy) / 2;
            uint8_t group[4];
            for (int i = 0; i < 4; ++i)
                group[i] = uint8_t((dx > 0 ? xs[i] << 2 : 0) | (dy > 0 ? ys[i] : 0));
            PushGroup(group);
            --k;
            if (dx > 0) --dx;
            if (dy > 0) --dy;
            while (k > 0) {
                int32_t& count = xLarger ? dx : dy;
                if (count <= 0) break;
                for (int i = 0; i < 4; ++i) group[i] = xLarger ? uint8_t(xs[i] << 2) : ys[i];
                PushGroup(group);
                --k;
                --count;
            }
        }
    }
    uint8_t b = buttons.load(std::memory_order_relaxed);
    if (left > 0) b |= 0x40;
    if (left < 0) b &= uint8_t(~0x40);
    if (right > 0) b |= 0x80;
    if (right < 0) b &= uint8_t(~0x80);
    buttons.store(b, std::memory_order_relaxed);
}

// --- MousePoly08 ---

void MousePoly08::Move(int32_t x, int32_t y, int middle, int right, int left) {
    if (pending.load(std::memory_order_acquire)) return;
    int32_t nx, ny;
    bool moved = NewPosition(x, y, nx, ny);
    int32_t mx = 0, my = 0;
    if (moved) {
        // A packet carries -128..127; the rest stays for the next packet.
        mx = std::clamp(nx - lastX, -128, 127);
        my = std::clamp(ny - lastY, -128, 127);
        lastX += mx;
        lastY += my;
    }
    uint8_t s = status;
    auto button = [&s](int change, uint8_t bit) {
        if (change > 0) s &= uint8_t(~bit);
        if (change < 0) s |= bit;
    };
    button(left, 0x04);
    button(right, 0x01);
    button(middle, 0x02);
    bool changed = mx != 0 || my != 0 || s != status || left != 0 || right != 0 || middle != 0;
    status = s;
    dx = int8_t(mx);
    dy = int8_t(my);
    if (changed) pending.store(1, std::memory_order_release);
}

void MousePoly08::TakeHostInput() {
    if (!taken) taken = pending.load(std::memory_order_acquire) != 0;
}

void MousePoly08::Tick(int32_t sliceClock, int32_t cycles) {
    if (!cpu) return;
    if (!steady && !taken) return;
    tickCycles += cycles;
    while (tickCycles >= kPacketCycles) {
        tickCycles -= kPacketCycles;
        sendingMove = taken;
        if (sendingMove) sentStatus = status;
        byteIndex = 0;
        sendState = 1;
        cpu->Interrupt();
    }
}

int32_t MousePoly08::Quiet() {
    if (!cpu || (!steady && !taken)) return INT32_MAX;
    return tickCycles < kPacketCycles ? kPacketCycles - 1 - tickCycles : 0;
}

uint8_t MousePoly08::ReadPort(uint8_t port, int32_t cycles) {
    switch (sendState) {
        case 1:
            if (sendingMove)
                shift = byteIndex == 0 ? status : uint8_t(byteIndex == 1 ? dx : dy);
            else
                shift = byteIndex == 0 ? sentStatus : 0;  // nothing moved: an empty packet
            bitsLeft = 8;
            sendState = 2;
            return 0;
        case 2: {
            uint8_t bit = (shift & 1) ? 0x80 : 0;
            shift >>= 1;
            if (--bitsLeft == 0) sendState = 3;
            return bit;
        }
        case 3:
            if (byteIndex == 2) {
                sendState = 0;
                if (sendingMove) {
                    taken = false;
                    pending.store(0, std::memory_order_release);
                }
                sendingMove = false;
            } else {
                ++byteIndex;
                sendState = 1;
            }
            return 0x80;
        default: return 0x80;
    }
}
