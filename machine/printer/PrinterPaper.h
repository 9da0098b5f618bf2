#pragma once
// The paper of the drawn BT100: a 640 x 820 picture, white with the
// needle's black dots. The paper window empties the printer's dot queue
// into it on the user-interface thread and paints it.
#include <cstdint>
#include <vector>

#include "machine/printer/Bt100.h"

class PrinterPaper {
public:
    PrinterPaper(int width = Bt100::kPaperWidth, int height = Bt100::kPaperHeight);

    int Width() const { return width; }
    int Height() const { return height; }
    // A new size (both above 0) clears the paper.
    void Resize(int width, int height);
    // All white.
    void Clear();

    // Draws every queued dot; dots outside the paper are dropped. Returns
    // the dots taken. Consumer side of the queue.
    int TakeDots(Bt100::DotQueue& queue);
    // true = black.
    bool Dot(int x, int y) const;
    // One byte per pixel, rows top to bottom: 0 white, 1 black.
    const uint8_t* Pixels() const { return pixels.data(); }
    // Bumped with every change, so a view repaints only when needed.
    uint32_t Revision() const { return revision; }

private:
    int width, height;
    std::vector<uint8_t> pixels;
    uint32_t revision = 0;
};
