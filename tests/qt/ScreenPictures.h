#pragma once
// The renderer's bitmap as the screen widget colours it, and pixel counts.
#include <QImage>
#include <QList>
#include <QRgb>

#include "machine/screen/ScreenDAD85.h"

inline QImage BitmapAsImage(ScreenDAD85& screen) {
    QList<QRgb> colors;
    for (int i = 0; i < ScreenDAD85::kPaletteSize; ++i) colors.append(static_cast<QRgb>(ScreenDAD85::Palette()[i]));
    auto lock = screen.LockBitmap();
    QImage indexed(screen.Bits(), screen.Width(), screen.Height(), screen.Stride(), QImage::Format_Indexed8);
    indexed.setColorTable(colors);
    return indexed.convertToFormat(QImage::Format_RGB32);  // a copy, made under the lock
}

// Pixels of shot that differ from picture placed at (x, y) on black.
inline int CountDifferencesAt(const QImage& shot, const QImage& picture, int x, int y) {
    int wrong = 0;
    for (int sy = 0; sy < shot.height(); ++sy)
        for (int sx = 0; sx < shot.width(); ++sx) {
            const int px = sx - x, py = sy - y;
            const QRgb want =
                px >= 0 && py >= 0 && px < picture.width() && py < picture.height() ? picture.pixel(px, py) : qRgb(0, 0, 0);
            if ((shot.pixel(sx, sy) & 0xFFFFFF) != (want & 0xFFFFFF)) wrong++;
        }
    return wrong;
}

inline int CountLit(const QImage& image) {
    int lit = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) & 0xFFFFFF) lit++;
    return lit;
}
