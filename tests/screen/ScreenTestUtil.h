#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "machine/screen/ScreenDAD85.h"

// 16 KB of video RAM, 256 rows of 64 bytes, all clear.
struct VideoRam {
    std::array<uint8_t, ScreenDAD85::kVideoRamSize> bytes{};
    void Set(int row, int column, uint8_t value) { bytes[row * 64 + column] = value; }
    const uint8_t* data() const { return bytes.data(); }
};

inline uint8_t PixelAt(ScreenDAD85& screen, int x, int y) {
    auto lock = screen.LockBitmap();
    return screen.Bits()[y * screen.Stride() + x];
}

inline std::vector<uint8_t> PixelRun(ScreenDAD85& screen, int x, int y, int count) {
    auto lock = screen.LockBitmap();
    const uint8_t* line = screen.Bits() + y * screen.Stride();
    return std::vector<uint8_t>(line + x, line + x + count);
}

// Number of non-black-index pixels in the whole bitmap.
inline int NonZeroPixels(ScreenDAD85& screen) {
    auto lock = screen.LockBitmap();
    int n = 0;
    for (int i = 0; i < screen.Width() * screen.Height(); ++i) n += screen.Bits()[i] != 0;
    return n;
}

class FakeOwner : public ScreenOwner {
public:
    FakeOwner(int w, int h, bool ok = true) : w_(w), h_(h), ok_(ok) {}
    bool GetMonitorRect(int& left, int& top, int& width, int& height) override {
        left = 0;
        top = 0;
        width = w_;
        height = h_;
        return ok_;
    }

private:
    int w_, h_;
    bool ok_;
};
