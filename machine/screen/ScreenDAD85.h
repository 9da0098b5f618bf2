#pragma once
// Screen renderer: turns the 16 KB of video RAM into an 8-bit palette bitmap,
// and the port-6Ch video-interrupt register.
//
// Showing the picture is the caller's job. The renderer only fills its bitmap:
//   - Paint() renders one frame under the screen mutex and returns true when
//     the bitmap holds a frame to show. The screen tick then posts a repaint.
//   - The window paints on its own thread: it takes LockBitmap(), builds a
//     QImage (Format_Indexed8) over Bits() with Width(), Height() and Stride()
//     and the colour table Palette() (kPaletteSize entries, 0xAARRGGBB), draws
//     it and releases the lock. The pixel memory never moves, but its size
//     changes with the size and wide mode, so read all four under the lock.
//   - Full screen: after SetSizeMode(3, ...) the window checks IsFullScreen().
//     When true it shows itself full screen on its monitor, hides the cursor,
//     fills the monitor black and draws the bitmap at (GetOffsetX(),
//     GetOffsetY()) (negative when the monitor is smaller than the bitmap: the
//     picture is then clipped evenly on both sides). When false after asking
//     for size 3, the set-up failed (GetFullScreenResult() not 0) and the
//     window goes back to a window size.
//
// Lock order: a caller that holds its own canvas lock takes it before the
// screen mutex. The blink phase is set without the mutex.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "machine/core/PeripheralDevice.h"

// What the renderer needs from the window that shows it.
class ScreenOwner {
public:
    // The rectangle of the monitor that holds the window; false when unknown.
    virtual bool GetMonitorRect(int& left, int& top, int& width, int& height) = 0;

protected:
    ~ScreenOwner() = default;
};

// A separate picture of the screen (clipboard, thumbnails): palette indices,
// top row first, width bytes per row.
struct ScreenPicture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;
};

class ScreenDAD85 : public PeripheralDevice {
public:
    static constexpr int kRows = 256;         // video RAM rows
    static constexpr int kRowBytes = 64;      // bytes per video RAM row
    static constexpr int kShownBytes = 48;    // bytes of a row that are shown
    static constexpr int kVideoRamSize = kRows * kRowBytes;
    static constexpr int kPaletteSize = 256;  // entries of Palette()
    static constexpr int kPaletteUsed = 80;   // 5 banks of 16 colours
    static constexpr int kMaxWidth = 1152;
    static constexpr int kMaxHeight = 768;
    static constexpr uint8_t kPort = 0x6C;

    // Flag bits.
    static constexpr uint8_t kFlagScale = 0x03;
    static constexpr uint8_t kFlagColor = 0x04;   // no blinking
    static constexpr uint8_t kFlagBlink = 0x08;   // blinking pixels visible
    static constexpr uint8_t kFlagStep = 0x70;    // half-pass step in use, 0 = LCD look
    static constexpr uint8_t kFlagWide = 0x80;

    // Full-screen set-up results.
    static constexpr int kFullScreenNone = -1;    // never set up
    static constexpr int kFullScreenOk = 0;
    static constexpr int kFullScreenNoMonitor = 1;

    // sizeMode 0..3 (100 %, 200 %, 300 %, full screen); other values give 0.
    // owner may be null: full screen then always fails.
    ScreenDAD85(int sizeMode, ScreenOwner* owner);
    ~ScreenDAD85() override;

    ScreenDAD85(const ScreenDAD85&) = delete;
    ScreenDAD85& operator=(const ScreenDAD85&) = delete;

    // Renders videoRam (kVideoRamSize bytes) into the bitmap. True when the
    // frame is to be shown; false without video RAM, and in size mode 3 when
    // full screen was not set up.
    bool Paint(const uint8_t* videoRam);
    // Paint for the screen tick: true only when the frame is to be shown and
    // the bitmap changed since the last frame this call reported (video RAM,
    // size, wide mode, colours, half-pass or a blink phase that shows), so a
    // still picture is reported once.
    bool PaintIfChanged(const uint8_t* videoRam);

    // Display options.
    void SetSizeMode(int sizeMode, ScreenOwner* owner);  // 0..3, others ignored
    void SetWideMode(bool wide);
    void SetBlinkPhase(bool visible);
    void SetHalfPass(int step);                // 1..5, others ignored
    void SetLcdMode(bool on);
    void SetColorProfile(int profile);         // 0..3, others ignored
    void SetUserColor(int index, int color);   // index 0..3, colour 0..15, others ignored

    int GetSizeMode() const { return sizeMode_.load(std::memory_order_relaxed); }
    bool IsWideMode() const { return (GetFlags() & kFlagWide) != 0; }
    bool GetBlinkPhase() const { return (GetFlags() & kFlagBlink) != 0; }
    int GetColorProfile() const;
    int GetHalfPass() const;
    int GetUserColor(int index) const;         // -1 for an index outside 0..3
    uint8_t GetFlags() const { return flags_.load(std::memory_order_relaxed); }

    // The bitmap. Read Bits() and its geometry only while holding LockBitmap().
    std::unique_lock<std::mutex> LockBitmap() { return std::unique_lock<std::mutex>(ScreenMutex); }
    const uint8_t* Bits() const { return bits_.data(); }
    int Width() const { return width_.load(std::memory_order_relaxed); }
    int Height() const { return height_.load(std::memory_order_relaxed); }
    int Stride() const { return Width(); }
    // kPaletteSize colours as 0xFFRRGGBB; entries from kPaletteUsed on are black.
    static const uint32_t* Palette();
    static int WidthOf(int sizeMode, bool wide);
    static int HeightOf(int sizeMode);

    // Full-screen state for the window.
    bool IsFullScreen() const { return fullScreen_.load(std::memory_order_relaxed); }
    int GetFullScreenResult() const { return fullScreenResult_.load(std::memory_order_relaxed); }
    int GetOffsetX() const { return offsetX_.load(std::memory_order_relaxed); }
    int GetOffsetY() const { return offsetY_.load(std::memory_order_relaxed); }

    // Separate pictures. CreateDib gives a black picture of the current size;
    // Render draws videoRam with the current options into picture, first
    // remaking it at the current size when its size differs. Render returns
    // false (picture untouched) without video RAM.
    ScreenPicture CreateDib();
    bool Render(const uint8_t* videoRam, ScreenPicture& picture);
    // The picture for the clipboard; the window puts it there.
    bool CopyToClipboard(const uint8_t* videoRam, ScreenPicture& picture) { return Render(videoRam, picture); }
    // Saves the picture as an 8-bit BMP with the kPaletteUsed-colour palette,
    // through a temporary file in the same folder. 0 on success, -1 on failure
    // (the target is then left as it was).
    int SaveToBmp(const uint8_t* videoRam, const std::string& path);

    // Port 6Ch.
    void WritePort(uint8_t port, uint8_t value, int32_t cycles) override;
    uint8_t ReadPort(uint8_t port, int32_t cycles) override;
    void Reset(int32_t cycles) override;
    uint8_t GetVideoInterruptState() const;
    void SetVideoInterruptState(uint8_t state);
    bool IsVideoInterruptEnabled() const { return videoIntEnabled_.load(std::memory_order_relaxed) != 0; }

private:
    void RecreateBitmap(int sizeMode, bool wide);
    void InitDirectDraw();     // full-screen set-up
    void ReleaseDirectDraw();  // full-screen release
    void UpdateFlags(uint8_t clear, uint8_t set);
    void FillColorTable(int profile);
    // Draws with the current options into pixels of the current size; the
    // caller holds the mutex. With rows given, only rows whose entry is
    // non-zero are drawn.
    void RenderLocked(const uint8_t* videoRam, uint8_t* pixels, const uint8_t* rows = nullptr) const;
    // Paint under the mutex; true when the frame is to be shown.
    bool PaintLocked(const uint8_t* videoRam);

    mutable std::mutex ScreenMutex;
    ScreenOwner* owner_ = nullptr;
    std::vector<uint8_t> bits_;  // kMaxWidth x kMaxHeight, allocated once
    // What bits_ shows: the video RAM it was drawn from and the options it
    // was drawn with, so that Paint redraws only the rows that changed.
    std::vector<uint8_t> shownRam_;  // kVideoRamSize, allocated once
    bool shownValid_ = false;
    uint8_t shownFlags_ = 0;
    int shownProfile_ = -1;
    uint8_t shownTable_[8] = {};
    bool unreported_ = false;  // the bitmap changed since PaintIfChanged last said so

    int monitorLeft_ = 0, monitorTop_ = 0, monitorWidth_ = 0, monitorHeight_ = 0;
    std::atomic<int> offsetX_{0};
    std::atomic<int> offsetY_{0};
    std::atomic<int> fullScreenResult_{kFullScreenNone};
    std::atomic<bool> fullScreen_{false};

    std::atomic<int> width_{0};
    std::atomic<int> height_{0};
    std::atomic<int> sizeMode_{-1};
    int colorProfile_ = 1;
    uint8_t userColors_[4] = {15, 10, 14, 11};
    uint8_t colorTable_[8] = {};
    int halfPass_ = 1;
    std::atomic<uint8_t> flags_{0};

    std::atomic<uint8_t> videoIntRegister_{7};
    std::atomic<uint8_t> videoIntEnabled_{0};
};
