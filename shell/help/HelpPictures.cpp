#include "shell/help/HelpPictures.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>

namespace {

struct Key {
    const char* host;  // the host key's legend
    const char* pmd;   // what the emulated keyboard gets
    double width;      // in key units
};

// Host rows from the function keys down; the lower legend is the PMD 85 key
// (host Y and Z as they are with change-zy off).
const Key kRow0[] = {{"Esc", "STOP", 1},  {"", "", 0.5},     {"F1", "K0", 1},   {"F2", "K1", 1},   {"F3", "K2", 1},
                     {"F4", "K3", 1},     {"", "", 0.25},    {"F5", "K4", 1},   {"F6", "K5", 1},   {"F7", "K6", 1},
                     {"F8", "K7", 1},     {"", "", 0.25},    {"F9", "K8", 1},   {"F10", "K9", 1},  {"F11", "K10", 1},
                     {"F12", "K11", 1}};
const Key kRow1[] = {{"`", "WRK", 1}, {"1", "1", 1},    {"2", "2", 1},     {"3", "3", 1},  {"4", "4", 1},
                     {"5", "5", 1},   {"6", "6", 1},    {"7", "7", 1},     {"8", "8", 1},  {"9", "9", 1},
                     {"0", "0", 1},   {"-", "_", 1},    {"=", "[ ]", 1},   {"\\", "{ }", 1}, {"Bksp", "\u2190", 1.5}};
const Key kRow2[] = {{"Tab", "C-D", 1.5}, {"Q", "Q", 1}, {"W", "W", 1}, {"E", "E", 1}, {"R", "R", 1},
                     {"T", "T", 1},       {"Y", "Z", 1}, {"U", "U", 1}, {"I", "I", 1}, {"O", "O", 1},
                     {"P", "P", 1},       {"[", "@", 1}, {"]", "\\", 1}, {"Enter", "EOL", 2}};
const Key kRow3[] = {{"Caps", "EOL", 1.75}, {"A", "A", 1}, {"S", "S", 1}, {"D", "D", 1}, {"F", "F", 1},
                     {"G", "G", 1},         {"H", "H", 1}, {"J", "J", 1}, {"K", "K", 1}, {"L", "L", 1},
                     {";", ";", 1},         {"'", ":", 1}, {"", "", 2.25}};
const Key kRow4[] = {{"Shift", "SHIFT", 2.25}, {"Z", "Y", 1}, {"X", "X", 1}, {"C", "C", 1}, {"V", "V", 1},
                     {"B", "B", 1},            {"N", "N", 1}, {"M", "M", 1}, {",", ",", 1}, {".", ".", 1},
                     {"/", "/", 1},            {"Shift", "SHIFT", 2.75}};
const Key kRow5[] = {{"Ctrl", "STOP", 1.5}, {"", "", 1}, {"Alt", "", 1.25}, {"Space", "SPACE", 6.25},
                     {"Alt", "", 1.25},    {"", "", 1}, {"Ctrl", "STOP", 1.5}};
// The block beside the main keys.
const Key kBlock0[] = {{"Ins", "INS", 1}, {"Home", "\u2196", 1}, {"PgUp", "RCL", 1}};
const Key kBlock1[] = {{"Del", "DEL", 1}, {"End", "END", 1}, {"PgDn", "CLR", 1}};
const Key kBlock3[] = {{"", "", 1}, {"\u2191", "\u2191", 1}, {"", "", 1}};
const Key kBlock4[] = {{"\u2190", "\u2190", 1}, {"\u2193", "\u2193", 1}, {"\u2192", "\u2192", 1}};

constexpr int kUnit = 42;
constexpr int kRowHeight = 38;

// The PMD 85 key of a host key: with change-zy on, host Y gives Y and host Z gives Z.
QString Legend(const Key& k, bool changeZy) {
    const QString host = QString::fromUtf8(k.host);
    if (changeZy && (host == "Y" || host == "Z")) return host;
    return QString::fromUtf8(k.pmd);
}

template <size_t N>
void DrawRow(QPainter& p, const Key (&row)[N], int x, int y, bool changeZy) {
    QFont host("Sans", 7);
    QFont pmd("Sans", 8, QFont::Bold);
    for (const Key& k : row) {
        const int w = static_cast<int>(k.width * kUnit);
        if (k.host[0] || k.pmd[0]) {
            const QRect r(x + 1, y + 1, w - 3, kRowHeight - 3);
            p.setPen(QColor(70, 70, 70));
            p.setBrush(k.pmd[0] ? QColor(236, 236, 228) : QColor(200, 200, 196));
            p.drawRoundedRect(r, 4, 4);
            p.setFont(host);
            p.setPen(QColor(90, 90, 90));
            p.drawText(r.adjusted(4, 2, -3, 0), Qt::AlignLeft | Qt::AlignTop, QString::fromUtf8(k.host));
            p.setFont(pmd);
            p.setPen(QColor(160, 20, 20));
            p.drawText(r.adjusted(3, 0, -4, -3), Qt::AlignRight | Qt::AlignBottom, Legend(k, changeZy));
        }
        x += w;
    }
}

}  // namespace

QImage DrawAboutBackground() {
    QImage image(320, 206, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient g(0, 0, 0, 206);
    g.setColorAt(0, QColor(40, 60, 120));
    g.setColorAt(1, QColor(10, 15, 40));
    p.fillRect(image.rect(), g);
    // A stylised screen with the machine's green picture.
    p.setPen(QColor(180, 180, 190));
    p.setBrush(QColor(20, 20, 20));
    p.drawRoundedRect(QRect(24, 14, 96, 62), 6, 6);
    p.setPen(QColor(60, 220, 90));
    for (int i = 0; i < 5; ++i) p.drawLine(34, 26 + i * 10, 34 + 20 + i * 14, 26 + i * 10);
    p.setPen(Qt::white);
    p.setFont(QFont("Sans", 20, QFont::Bold));
    p.drawText(QRect(130, 16, 180, 40), Qt::AlignRight | Qt::AlignVCenter, "Orvik");
    p.setFont(QFont("Sans", 9));
    p.drawText(QRect(130, 44, 180, 20), Qt::AlignRight | Qt::AlignVCenter, "PMD 85 emulator");
    return image;
}

QImage DrawAboutHidden() {
    QImage image(320, 206, QImage::Format_RGB32);
    QPainter p(&image);
    p.fillRect(image.rect(), QColor(0, 0, 0));
    // The 8080 at the heart of it all.
    p.setPen(QColor(200, 200, 200));
    p.setBrush(QColor(40, 40, 40));
    p.drawRect(QRect(100, 50, 120, 106));
    for (int i = 0; i < 20; ++i) {
        p.drawLine(100 - 10, 54 + i * 5, 100, 54 + i * 5);
        p.drawLine(220, 54 + i * 5, 230, 54 + i * 5);
    }
    p.setFont(QFont("Sans", 14, QFont::Bold));
    p.drawText(QRect(100, 50, 120, 106), Qt::AlignCenter, "8080");
    return image;
}

QImage DrawKeyboardPicture(bool changeZy) {
    QImage image(820, 262, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.fillRect(image.rect(), QColor(60, 60, 66));
    const int x0 = 8, y0 = 8;
    DrawRow(p, kRow0, x0, y0, changeZy);
    DrawRow(p, kRow1, x0, y0 + kRowHeight + 8, changeZy);
    DrawRow(p, kRow2, x0, y0 + 2 * kRowHeight + 8, changeZy);
    DrawRow(p, kRow3, x0, y0 + 3 * kRowHeight + 8, changeZy);
    DrawRow(p, kRow4, x0, y0 + 4 * kRowHeight + 8, changeZy);
    DrawRow(p, kRow5, x0, y0 + 5 * kRowHeight + 8, changeZy);
    const int bx = x0 + static_cast<int>(15.5 * kUnit) + 14;
    DrawRow(p, kBlock0, bx, y0 + kRowHeight + 8, changeZy);
    DrawRow(p, kBlock1, bx, y0 + 2 * kRowHeight + 8, changeZy);
    DrawRow(p, kBlock3, bx, y0 + 4 * kRowHeight + 8, changeZy);
    DrawRow(p, kBlock4, bx, y0 + 5 * kRowHeight + 8, changeZy);
    return image;
}

QString KeyboardPictureLegend(const QString& hostKey, bool changeZy) {
    const auto find = [&](const auto& row) -> QString {
        for (const Key& k : row)
            if (hostKey == QString::fromUtf8(k.host)) return Legend(k, changeZy);
        return QString();
    };
    for (QString found : {find(kRow0), find(kRow1), find(kRow2), find(kRow3), find(kRow4), find(kRow5), find(kBlock0),
                          find(kBlock1), find(kBlock3), find(kBlock4)})
        if (!found.isEmpty()) return found;
    return QString();
}
