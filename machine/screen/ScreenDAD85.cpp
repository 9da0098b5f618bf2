#include "machine/screen/ScreenDAD85.h"

#include <cstring>

#include "machine/screen/BmpFile.h"

namespace {

// 5 banks of 16 colours: full, three darker steps, black.
constexpr uint32_t kBank0[16] = {0x000000, 0xA00000, 0x00A000, 0xA0A000, 0x0000A0, 0xA000A0,
                                 0x00A0A0, 0xA0A0A0, 0xBFBFBF, 0xFF5050, 0x50FF50, 0xFFFF50,
                                 0x5050FF, 0xFF50FF, 0x50FFFF, 0xFFFFFF};
constexpr uint32_t kBank1[16] = {0x000000, 0x720606, 0x067206, 0x727206, 0x060672, 0x720672,
                                 0x067272, 0x787878, 0x909090, 0xB94242, 0x42B942, 0xB9B942,
                                 0x4242B9, 0xB942B9, 0x50B9B9, 0xBFBFBF};
constexpr uint32_t kBank2[16] = {0x000000, 0x520909, 0x095209, 0x525209, 0x090952, 0x520952,
                                 0x095252, 0x5A5A5A, 0x6C6C6C, 0x863636, 0x368636, 0x868636,
                                 0x363686, 0x863686, 0x368686, 0x909090};
constexpr uint32_t kBank3[16] = {0x000000, 0x3C0808, 0x083C08, 0x3C3C08, 0x08083C, 0x3C083C,
                                 0x083C3C, 0x444444, 0x515151, 0x622C2C, 0x2C622C, 0x62622C,
                                 0x2C2C62, 0x622C62, 0x2C6262, 0x6C6C6C};

struct PaletteTable {
    uint32_t colours[ScreenDAD85::kPaletteSize];
    PaletteTable() {
        const uint32_t* banks[4] = {kBank0, kBank1, kBank2, kBank3};
        for (int i = 0; i < ScreenDAD85::kPaletteSize; ++i) colours[i] = 0xFF000000u;
        for (int b = 0; b < 4; ++b)
            for (int i = 0; i < 16; ++i) colours[b * 16 + i] = 0xFF000000u | banks[b][i];
    }
};

const PaletteTable& ThePalette() {
    static const PaletteTable table;
    return table;
}

constexpr uint8_t kClear = 0xFF;  // emulated pixel with its bit clear

int ScaleBitsOf(int sizeMode) { return sizeMode == 3 ? 3 : sizeMode; }

}  // namespace

ScreenDAD85::ScreenDAD85(int sizeMode, ScreenOwner* owner)
    : owner_(owner), bits_(static_cast<size_t>(kMaxWidth) * kMaxHeight, 0), shownRam_(kVideoRamSize, 0) {
    if (sizeMode < 0 || sizeMode > 3) sizeMode = 0;
    RecreateBitmap(sizeMode, false);
    SetColorProfile(1);
    SetHalfPass(1);
    if (sizeMode == 3) InitDirectDraw();
    Reset(0);
}

ScreenDAD85::~ScreenDAD85() {
    ReleaseDirectDraw();
}

const uint32_t* ScreenDAD85::Palette() {
    return ThePalette().colours;
}

int ScreenDAD85::WidthOf(int sizeMode, bool wide) {
    const int row = wide ? 384 : 288;
    switch (sizeMode) {
    case 0: return row;
    case 1:
    case 3: return row * 2;
    case 2: return row * 3;
    default: return 0;
    }
}

int ScreenDAD85::HeightOf(int sizeMode) {
    switch (sizeMode) {
    case 0: return 256;
    case 1:
    case 3: return 512;
    case 2: return 768;
    default: return 0;
    }
}

void ScreenDAD85::UpdateFlags(uint8_t clear, uint8_t set) {
    uint8_t old = flags_.load(std::memory_order_relaxed);
    while (!flags_.compare_exchange_weak(old, static_cast<uint8_t>((old & ~clear) | set),
                                         std::memory_order_relaxed)) {
    }
}

void ScreenDAD85::RecreateBitmap(int sizeMode, bool wide) {
    std::lock_guard<std::mutex> lock(ScreenMutex);
    const int oldMode = sizeMode_.load(std::memory_order_relaxed);
    const bool oldWide = (flags_.load(std::memory_order_relaxed) & kFlagWide) != 0;
    if (sizeMode == oldMode && wide == oldWide) return;
    const uint8_t set = static_cast<uint8_t>(ScaleBitsOf(sizeMode) | (wide ? kFlagWide : 0));
    sizeMode_.store(sizeMode, std::memory_order_relaxed);
    UpdateFlags(kFlagScale | kFlagWide, set);
    if (wide == oldWide && ((oldMode == 1 && sizeMode == 3) || (oldMode == 3 && sizeMode == 1)))
        return;  // same picture, only the scale bits differ
    width_.store(WidthOf(sizeMode, wide), std::memory_order_relaxed);
    height_.store(HeightOf(sizeMode), std::memory_order_relaxed);
    std::memset(bits_.data(), 0, bits_.size());
    shownValid_ = false;
}

void ScreenDAD85::InitDirectDraw() {
    std::lock_guard<std::mutex> lock(ScreenMutex);
    int left = 0, top = 0, w = 0, h = 0;
    if (!owner_ || !owner_->GetMonitorRect(left, top, w, h) || w <= 0 || h <= 0) {
        fullScreen_.store(false, std::memory_order_relaxed);
        fullScreenResult_.store(kFullScreenNoMonitor, std::memory_order_relaxed);
        return;
    }
    monitorLeft_ = left;
    monitorTop_ = top;
    monitorWidth_ = w;
    monitorHeight_ = h;
    // Integer division rounds toward zero, also for a monitor smaller than the bitmap.
    offsetX_.store((w - width_.load(std::memory_order_relaxed)) / 2, std::memory_order_relaxed);
    offsetY_.store((h - height_.load(std::memory_order_relaxed)) / 2, std::memory_order_relaxed);
    fullScreenResult_.store(kFullScreenOk, std::memory_order_relaxed);
    fullScreen_.store(true, std::memory_order_relaxed);
}

void ScreenDAD85::ReleaseDirectDraw() {
    std::lock_guard<std::mutex> lock(ScreenMutex);
    fullScreen_.store(false, std::memory_order_relaxed);
}

void ScreenDAD85::SetSizeMode(int sizeMode, ScreenOwner* owner) {
    if (sizeMode < 0 || sizeMode > 3) return;
    const int oldMode = GetSizeMode();
    if (sizeMode == oldMode) return;
    owner_ = owner;
    if (oldMode == 3) ReleaseDirectDraw();
    RecreateBitmap(sizeMode, IsWideMode());
    if (sizeMode == 3) InitDirectDraw();
}

void ScreenDAD85::SetWideMode(bool wide) {
    const int mode = GetSizeMode();
    RecreateBitmap(mode, wide);
    std::lock_guard<std::mutex> lock(ScreenMutex);
    if (fullScreen_.load(std::memory_order_relaxed))  // centre the new width
        offsetX_.store((monitorWidth_ - width_.load(std::memory_order_relaxed)) / 2,
                       std::memory_order_relaxed);
}

void ScreenDAD85::SetBlinkPhase(bool visible) {
    if (visible)
        UpdateFlags(0, kFlagBlink);
    else
        UpdateFlags(kFlagBlink, 0);
}

void ScreenDAD85::SetHalfPass(int step) {
    if (step < 1 || step > 5) return;
    std::lock_guard<std::mutex> lock(ScreenMutex);
    halfPass_ = step;
    UpdateFlags(kFlagStep, static_cast<uint8_t>(step << 4));
}

void ScreenDAD85::SetLcdMode(bool on) {
    std::lock_guard<std::mutex> lock(ScreenMutex);
    UpdateFlags(kFlagStep, on ? 0 : static_cast<uint8_t>(halfPass_ << 4));
}

void ScreenDAD85::FillColorTable(int profile) {
    static constexpr uint8_t kMono[8] = {0, 15, 15, 15, 15, 15, 15, 15};
    static constexpr uint8_t kStandard[8] = {0, 8, 15, 8, 15, 8, 15, 8};
    static constexpr uint8_t kMulti[8] = {0, 9, 12, 13, 10, 11, 14, 15};
    switch (profile) {
    case 0: std::memcpy(colorTable_, kMono, 8); break;
    case 1: std::memcpy(colorTable_, kStandard, 8); break;
    case 2:
        colorTable_[0] = 0;
        for (int i = 1; i < 4; ++i) colorTable_[i] = userColors_[i];
        for (int i = 0; i < 4; ++i) colorTable_[4 + i] = userColors_[i];
        break;
    default: std::memcpy(colorTable_, kMulti, 8); break;
    }
}

void ScreenDAD85::SetColorProfile(int profile) {
    if (profile < 0 || profile > 3) return;
    std::lock_guard<std::mutex> lock(ScreenMutex);
    colorProfile_ = profile;
    FillColorTable(profile);
    if (profile == 1)
        UpdateFlags(kFlagColor, 0);
    else
        UpdateFlags(0, kFlagColor);
}

void ScreenDAD85::SetUserColor(int index, int color) {
    if (index < 0 || index > 3 || color < 0 || color > 15) return;
    std::lock_guard<std::mutex> lock(ScreenMutex);
    userColors_[index] = static_cast<uint8_t>(color);
    if (colorProfile_ == 2) {
        colorTable_[index] = static_cast<uint8_t>(color);
        colorTable_[index + 4] = static_cast<uint8_t>(color);
    }
}

int ScreenDAD85::GetColorProfile() const {
    std::lock_guard<std::mutex> lock(ScreenMutex);
    return colorProfile_;
}

int ScreenDAD85::GetHalfPass() const {
    std::lock_guard<std::mutex> lock(ScreenMutex);
    return halfPass_;
}

int ScreenDAD85::GetUserColor(int index) const {
    if (index < 0 || index > 3) return -1;
    std::lock_guard<std::mutex> lock(ScreenMutex);
    return userColors_[index];
}

void ScreenDAD85::RenderLocked(const uint8_t* videoRam, uint8_t* pixels, const uint8_t* rows) const {
    const uint8_t f = flags_.load(std::memory_order_relaxed);
    const bool wide = (f & kFlagWide) != 0;
    const int scale = (f & kFlagScale) == 3 ? 2 : (f & kFlagScale) + 1;
    const int step = (f & kFlagStep) >> 4;
    const bool hideBlinking = (f & (kFlagColor | kFlagBlink)) == 0;
    const bool multi = colorProfile_ == 3;
    const int perByte = wide ? 8 : 6;
    const int rowPixels = kShownBytes * perByte;
    const int width = rowPixels * scale;

    uint8_t table[8];
    std::memcpy(table, colorTable_, 8);
    // Brightness offsets of the added lines.
    const uint8_t add1 = static_cast<uint8_t>(16 * (step - 1));
    const uint8_t add2 = static_cast<uint8_t>(step <= 1 ? 0 : step < 5 ? 16 * step : 64);

    uint8_t line[384];
    for (int r = 0; r < kRows; ++r) {
        if (rows && !rows[r]) continue;
        const uint8_t* row = videoRam + r * kRowBytes;
        const uint8_t* partner = videoRam + (r ^ 1) * kRowBytes;
        for (int b = 0; b < kShownBytes; ++b) {
            const uint8_t v = row[b];
            uint8_t c;
            if (wide) {
                c = table[4];
            } else if (hideBlinking && (v & 0x80)) {
                c = 0;
            } else if (!multi) {
                c = table[4 + (v >> 6)];
            } else {
                const int a = v >> 6;
                const int p = partner[b] >> 6;
                int g = a | p;
                if (a == 0 || p == 0) g += 4;
                c = table[g];
            }
            uint8_t* out = line + b * perByte;
            for (int i = 0; i < perByte; ++i) out[i] = (v >> i) & 1 ? c : kClear;
        }

        uint8_t* l0 = pixels + static_cast<size_t>(r) * scale * width;
        if (scale == 1) {
            for (int x = 0; x < rowPixels; ++x) l0[x] = line[x] == kClear ? 0 : line[x];
            continue;
        }
        uint8_t* l1 = l0 + width;
        uint8_t* l2 = l1 + width;  // triple scale only
        if (step == 0) {  // LCD look
            for (int x = 0; x < rowPixels; ++x) {
                const uint8_t c = line[x];
                if (scale == 2) {
                    uint8_t* p0 = l0 + 2 * x;
                    uint8_t* p1 = l1 + 2 * x;
                    if (c == kClear) {
                        p0[0] = p0[1] = p1[0] = p1[1] = 0;
                    } else {
                        p0[0] = c;
                        p0[1] = static_cast<uint8_t>(c + 16);
                        p1[0] = static_cast<uint8_t>(c + 64);
                        p1[1] = static_cast<uint8_t>(c + 48);
                    }
                } else {
                    uint8_t* p0 = l0 + 3 * x;
                    uint8_t* p1 = l1 + 3 * x;
                    uint8_t* p2 = l2 + 3 * x;
                    if (c == kClear) {
                        p0[0] = p0[1] = p0[2] = p1[0] = p1[1] = p1[2] = p2[0] = p2[1] = p2[2] = 0;
                    } else {
                        p0[0] = p0[1] = c;
                        p0[2] = static_cast<uint8_t>(c + 16);
                        p1[0] = p1[2] = c;
                        p1[1] = static_cast<uint8_t>(c + 16);
                        p2[0] = p2[2] = static_cast<uint8_t>(c + 64);
                        p2[1] = static_cast<uint8_t>(c + 48);
                    }
                }
            }
            continue;
        }
        if (scale == 2) {
            for (int x = 0; x < rowPixels; ++x) {
                const uint8_t c = line[x] == kClear ? 0 : line[x];
                l0[2 * x] = l0[2 * x + 1] = c;
                l1[2 * x] = l1[2 * x + 1] = static_cast<uint8_t>(c + add1);
            }
        } else {
            for (int x = 0; x < rowPixels; ++x) {
                const uint8_t c = line[x] == kClear ? 0 : line[x];
                l0[3 * x] = l0[3 * x + 1] = l0[3 * x + 2] = c;
                l1[3 * x] = l1[3 * x + 1] = l1[3 * x + 2] = static_cast<uint8_t>(c + add1);
                l2[3 * x] = l2[3 * x + 1] = l2[3 * x + 2] = static_cast<uint8_t>(c + add2);
            }
        }
    }
}

bool ScreenDAD85::Paint(const uint8_t* videoRam) {
    std::lock_guard<std::mutex> lock(ScreenMutex);
    return PaintLocked(videoRam);
}

bool ScreenDAD85::PaintIfChanged(const uint8_t* videoRam) {
    std::lock_guard<std::mutex> lock(ScreenMutex);
    if (!PaintLocked(videoRam) || !unreported_) return false;
    unreported_ = false;
    return true;
}

bool ScreenDAD85::PaintLocked(const uint8_t* videoRam) {
    if (!videoRam) return false;
    // Draw from a copy, so that the bitmap always matches shownRam_ even when
    // video RAM changes meanwhile. A row in multicolour also depends on its
    // partner row.
    const uint8_t f = flags_.load(std::memory_order_relaxed);
    const uint8_t flagsChanged = static_cast<uint8_t>(f ^ shownFlags_);
    const bool all = !shownValid_ || (flagsChanged & ~kFlagBlink) != 0 || colorProfile_ != shownProfile_ ||
                     std::memcmp(colorTable_, shownTable_, sizeof colorTable_) != 0;
    // A new blink phase changes only rows that hold blinking bytes, and only
    // where the picture blinks at all.
    const bool blink = !all && (flagsChanged & kFlagBlink) != 0 && (f & (kFlagColor | kFlagWide)) == 0;
    uint8_t changed[kRows];
    uint8_t draw[kRows];
    bool any = all;
    for (int r = 0; r < kRows; ++r) {
        const uint8_t* src = videoRam + r * kRowBytes;
        uint8_t* dst = shownRam_.data() + r * kRowBytes;
        changed[r] = all || std::memcmp(src, dst, kShownBytes) != 0;
        if (changed[r]) {
            std::memcpy(dst, src, kRowBytes);
        } else if (blink) {
            for (int i = 0; i < kShownBytes && !changed[r]; ++i) changed[r] = (dst[i] & 0x80) != 0;
        }
        any = any || changed[r];
    }
    if (any) {
        const bool multi = colorProfile_ == 3;
        for (int r = 0; r < kRows; ++r) draw[r] = changed[r] || (multi && changed[r ^ 1]);
        RenderLocked(shownRam_.data(), bits_.data(), draw);
        unreported_ = true;
    }
    shownValid_ = true;
    shownFlags_ = f;
    shownProfile_ = colorProfile_;
    std::memcpy(shownTable_, colorTable_, sizeof colorTable_);
    if (sizeMode_.load(std::memory_order_relaxed) == 3 &&
        fullScreenResult_.load(std::memory_order_relaxed) != kFullScreenOk)
        return false;
    return true;
}

ScreenPicture ScreenDAD85::CreateDib() {
    std::lock_guard<std::mutex> lock(ScreenMutex);
    ScreenPicture picture;
    picture.width = Width();
    picture.height = Height();
    picture.pixels.assign(static_cast<size_t>(picture.width) * picture.height, 0);
    return picture;
}

bool ScreenDAD85::Render(const uint8_t* videoRam, ScreenPicture& picture) {
    if (!videoRam) return false;
    std::lock_guard<std::mutex> lock(ScreenMutex);
    const int w = Width();
    const int h = Height();
    const size_t size = static_cast<size_t>(w) * h;
    if (picture.width != w || picture.height != h || picture.pixels.size() != size) {
        picture.width = w;
        picture.height = h;
        picture.pixels.assign(size, 0);
    }
    RenderLocked(videoRam, picture.pixels.data());
    return true;
}

int ScreenDAD85::SaveToBmp(const uint8_t* videoRam, const std::string& path) {
    ScreenPicture picture;
    if (!Render(videoRam, picture)) return -1;
    return WriteBmp8(path, picture.pixels.data(), picture.width, picture.height, picture.width,
                     Palette(), kPaletteUsed);
}

void ScreenDAD85::WritePort(uint8_t port, uint8_t value, int32_t) {
    if (port != kPort) return;
    if (value & 0x40)
        videoIntEnabled_.store((value & 0x80) ? 1 : 0, std::memory_order_relaxed);
    else
        videoIntRegister_.store(value & 0x07, std::memory_order_relaxed);
}

uint8_t ScreenDAD85::ReadPort(uint8_t port, int32_t) {
    if (port != kPort) return 0xFF;
    return GetVideoInterruptState();
}

void ScreenDAD85::Reset(int32_t) {
    videoIntRegister_.store(7, std::memory_order_relaxed);
    videoIntEnabled_.store(0, std::memory_order_relaxed);
}

uint8_t ScreenDAD85::GetVideoInterruptState() const {
    return static_cast<uint8_t>((videoIntEnabled_.load(std::memory_order_relaxed) ? 0x80 : 0) |
                                videoIntRegister_.load(std::memory_order_relaxed));
}

void ScreenDAD85::SetVideoInterruptState(uint8_t state) {
    videoIntEnabled_.store((state & 0x80) ? 1 : 0, std::memory_order_relaxed);
    videoIntRegister_.store(state & 0x07, std::memory_order_relaxed);
}
