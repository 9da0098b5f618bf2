#include "machine/printer/PrinterPaper.h"

#include <algorithm>

PrinterPaper::PrinterPaper(int w, int h) : width(w > 0 ? w : 1), height(h > 0 ? h : 1) {
    pixels.assign(size_t(width) * size_t(height), 0);
}

void PrinterPaper::Resize(int w, int h) {
    if (w <= 0 || h <= 0) return;
    width = w;
    height = h;
    pixels.assign(size_t(width) * size_t(height), 0);
    ++revision;
}

void PrinterPaper::Clear() {
    std::fill(pixels.begin(), pixels.end(), uint8_t(0));
    ++revision;
}

int PrinterPaper::TakeDots(Bt100::DotQueue& queue) {
    int taken = 0;
    PaperDot d;
    while (queue.Pop(d)) {
        ++taken;
        if (d.x < 0 || d.y < 0 || d.x >= width || d.y >= height) continue;
        pixels[size_t(d.y) * size_t(width) + size_t(d.x)] = 1;
    }
    if (taken) ++revision;
    return taken;
}

bool PrinterPaper::Dot(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return false;
    return pixels[size_t(y) * size_t(width) + size_t(x)] != 0;
}
