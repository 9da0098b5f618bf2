#include "ui/ControlPictures.h"

#include <QPainterPath>
#include <cmath>
#include <initializer_list>
#include <string>
#include <vector>

#include "ui/PictureParts.h"

namespace ControlPictures {

using namespace PictureParts;

namespace {

// ---- command icons (16 x 16 grid) -----------------------------------------

void Folder(QPainter& p) {
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(215, 165, 55));
    p.drawPolygon(QPolygonF({QPointF(1.5, 3.5), QPointF(6, 3.5), QPointF(7.5, 5), QPointF(13.5, 5),
                             QPointF(13.5, 13.5), QPointF(1.5, 13.5)}));
    p.setBrush(QColor(250, 215, 110));
    p.drawPolygon(QPolygonF({QPointF(4, 7.5), QPointF(15.5, 7.5), QPointF(13.5, 13.5), QPointF(1.5, 13.5)}));
}

void Camera(QPainter& p) {
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(80, 80, 92));
    p.drawRect(QRectF(5.5, 2.5, 5, 2));
    p.drawRoundedRect(QRectF(1.5, 4.5, 13, 9), 1.5, 1.5);
    p.setBrush(QColor(230, 230, 230));
    p.drawEllipse(QPointF(8, 9), 3.2, 3.2);
    p.setBrush(QColor(90, 150, 225));
    p.drawEllipse(QPointF(8, 9), 1.8, 1.8);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 240, 150));
    p.drawRect(QRectF(2.5, 5.5, 2, 1.5));  // flash
}

// Draws part of a picture smaller, at a corner of the icon.
template <typename F>
void Small(QPainter& p, qreal x, qreal y, qreal scale, F draw) {
    p.save();
    p.translate(x, y);
    p.scale(scale, scale);
    draw(p);
    p.restore();
}

void CircleArrow(QPainter& p, QColor colour) {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(colour, 2, Qt::SolidLine, Qt::FlatCap));
    const QRectF ring(3, 3, 10, 10);
    p.drawArc(ring, 90 * 16, 270 * 16);
    p.setPen(QPen(kOutline, 0.8));
    p.setBrush(colour);
    p.drawPolygon(QPolygonF({QPointF(7, 0.6), QPointF(11.2, 3), QPointF(7, 5.6)}));
}

void PowerSign(QPainter& p) {
    const QColor red(205, 55, 40);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(red, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(2.5, 3, 11, 11), 125 * 16, 290 * 16);
    p.drawLine(QPointF(8, 1.5), QPointF(8, 8));
}

void PauseBars(QPainter& p) {
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(70, 110, 200));
    p.drawRect(QRectF(3.5, 2.5, 3, 11));
    p.drawRect(QRectF(9.5, 2.5, 3, 11));
}

void Waves(QPainter& p) {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(50, 110, 200), 1.2));
    p.drawArc(QRectF(6, 5, 5, 6), -60 * 16, 120 * 16);
    p.drawArc(QRectF(5, 2.5, 9, 11), -60 * 16, 120 * 16);
}

void Cross(QPainter& p, QRectF box) {
    p.setPen(QPen(kRed, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(box.topLeft(), box.bottomRight());
    p.drawLine(box.topRight(), box.bottomLeft());
}

void Gear(QPainter& p) {
    QPolygonF teeth;
    for (int i = 0; i < 32; ++i) {
        const double a = (i / 32.0) * 2 * M_PI;
        const double r = (i / 2) % 2 ? 5.2 : 7.2;
        teeth << QPointF(8 + r * std::cos(a + M_PI / 16), 8 + r * std::sin(a + M_PI / 16));
    }
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(140, 140, 150));
    p.drawPolygon(teeth);
    p.setBrush(QColor(235, 235, 235));
    p.drawEllipse(QPointF(8, 8), 2.2, 2.2);
}

void Beetle(QPainter& p) {
    p.setPen(QPen(kOutline, 1));
    for (qreal y : {6.5, 9.5, 12.5}) {
        p.drawLine(QPointF(1.5, y - 1), QPointF(14.5, y - 1));
        p.drawLine(QPointF(1.5, y + 1), QPointF(3.5, y));
        p.drawLine(QPointF(14.5, y + 1), QPointF(12.5, y));
    }
    p.drawLine(QPointF(6, 1), QPointF(7, 3));
    p.drawLine(QPointF(10, 1), QPointF(9, 3));
    p.setBrush(QColor(40, 40, 40));
    p.drawEllipse(QPointF(8, 4), 2.3, 2);
    p.setBrush(QColor(200, 50, 40));
    p.drawEllipse(QRectF(3.8, 5.2, 8.4, 10));
    p.drawLine(QPointF(8, 5.5), QPointF(8, 15));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 30, 30));
    p.drawEllipse(QPointF(6, 9), 0.9, 0.9);
    p.drawEllipse(QPointF(10, 9), 0.9, 0.9);
    p.drawEllipse(QPointF(6.3, 12.5), 0.8, 0.8);
    p.drawEllipse(QPointF(9.7, 12.5), 0.8, 0.8);
}

void Keys(QPainter& p) {
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(205, 205, 210));
    p.drawRoundedRect(QRectF(0.5, 3.5, 15, 9), 1.5, 1.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 60, 70));
    for (int row = 0; row < 2; ++row)
        for (int i = 0; i < 6; ++i) p.drawRect(QRectF(2 + i * 2 + row, 5 + row * 2.5, 1.4, 1.5));
    p.drawRect(QRectF(4.5, 10, 7, 1.3));
}

void Stick(QPainter& p) {
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(60, 60, 70));
    p.drawRoundedRect(QRectF(1.5, 10.5, 13, 4), 1.5, 1.5);
    p.setBrush(QColor(150, 150, 160));
    p.drawRect(QRectF(7, 4, 2, 7));
    Dot(p, kRed, QPointF(8, 4), 2.6);
    Dot(p, QColor(250, 200, 40), QPointF(12, 10.5), 1.1);
}

void Computer(QPainter& p) {
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(200, 200, 200));
    p.drawPolygon(QPolygonF({QPointF(2.5, 4.5), QPointF(13.5, 4.5), QPointF(15.5, 11.5), QPointF(0.5, 11.5)}));
    p.setBrush(QColor(150, 150, 150));
    p.drawRect(QRectF(0.5, 11.5, 15, 2));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 40, 40));
    p.drawRect(QRectF(3.5, 5.5, 9, 1));
    p.setBrush(QColor(40, 40, 45));
    p.drawRect(QRectF(3, 7.2, 10, 1.2));
    p.drawRect(QRectF(2.5, 9, 11, 1.2));
}

void Monitor(QPainter& p) {
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(70, 70, 80));
    p.drawRoundedRect(QRectF(0.5, 1.5, 15, 11), 1.5, 1.5);
    p.setBrush(QColor(30, 90, 40));
    p.drawRect(QRectF(2.5, 3.5, 11, 7));
    p.setPen(QPen(QColor(140, 240, 140), 1));
    p.drawLine(QPointF(4, 5.5), QPointF(9, 5.5));
    p.drawLine(QPointF(4, 7.5), QPointF(11, 7.5));
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(120, 120, 130));
    p.drawRect(QRectF(5.5, 12.5, 5, 2));
}

void Landscape(QPainter& p, QRectF r) {
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(150, 200, 245));
    p.drawRect(r);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 170, 70));
    p.drawPolygon(QPolygonF({QPointF(r.left() + 0.5, r.bottom() - 0.5), QPointF(r.left() + r.width() * 0.4, r.top() + r.height() * 0.4),
                             QPointF(r.left() + r.width() * 0.7, r.top() + r.height() * 0.7),
                             QPointF(r.right() - 0.5, r.top() + r.height() * 0.5), QPointF(r.right() - 0.5, r.bottom() - 0.5)}));
    p.setBrush(QColor(250, 210, 40));
    p.drawEllipse(QPointF(r.right() - r.width() * 0.25, r.top() + r.height() * 0.28), r.width() * 0.1, r.width() * 0.1);
}

void Clipboard(QPainter& p) {
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(185, 135, 75));
    p.drawRoundedRect(QRectF(2.5, 2.5, 11, 13), 1, 1);
    p.setBrush(QColor(250, 250, 250));
    p.drawRect(QRectF(4, 4.5, 8, 9.5));
    p.setBrush(QColor(160, 160, 170));
    p.drawRect(QRectF(5.5, 1.5, 5, 2.5));
}

void TextLines(QPainter& p) {
    p.setPen(QPen(QColor(60, 60, 70), 1));
    for (qreal y : {7.0, 9.0, 11.0}) p.drawLine(QPointF(5.5, y), QPointF(y == 9.0 ? 9.5 : 10.5, y));
}

void Chip(QPainter& p) {
    p.setPen(QPen(QColor(150, 150, 150), 1));
    for (qreal y = 3.5; y < 14; y += 2.5) {
        p.drawLine(QPointF(1, y), QPointF(3, y));
        p.drawLine(QPointF(13, y), QPointF(15, y));
    }
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(50, 50, 55));
    p.drawRect(QRectF(3.5, 1.5, 9, 13));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 200, 200));
    p.drawEllipse(QPointF(6, 3.5), 0.8, 0.8);
}

// A fat arrow, pointing down when down, else up, centred at x.
void Arrow(QPainter& p, qreal x, qreal top, qreal bottom, bool down, QColor colour) {
    const qreal head = (bottom - top) * 0.5;
    QPolygonF a;
    if (down)
        a << QPointF(x - 1.2, top) << QPointF(x + 1.2, top) << QPointF(x + 1.2, bottom - head) << QPointF(x + 3, bottom - head)
          << QPointF(x, bottom) << QPointF(x - 3, bottom - head) << QPointF(x - 1.2, bottom - head);
    else
        a << QPointF(x - 1.2, bottom) << QPointF(x + 1.2, bottom) << QPointF(x + 1.2, top + head) << QPointF(x + 3, top + head)
          << QPointF(x, top) << QPointF(x - 3, top + head) << QPointF(x - 1.2, top + head);
    p.setPen(QPen(kOutline, 0.8));
    p.setBrush(colour);
    p.drawPolygon(a);
}

void Pencil(QPainter& p) {
    p.setPen(QPen(kOutline, 0.8));
    p.setBrush(QColor(250, 200, 50));
    p.drawPolygon(QPolygonF({QPointF(14.5, 5), QPointF(16, 6.5), QPointF(9, 13.5), QPointF(7.5, 12)}));
    p.setBrush(QColor(240, 210, 170));
    p.drawPolygon(QPolygonF({QPointF(7.5, 12), QPointF(9, 13.5), QPointF(6.5, 14.5)}));
}

void Cartridge(QPainter& p) {
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(70, 75, 85));
    p.drawRect(QRectF(2.5, 1.5, 11, 10));
    p.setBrush(QColor(230, 230, 210));
    p.drawRect(QRectF(4.5, 3.5, 7, 4));
    p.setBrush(QColor(40, 130, 60));
    p.drawRect(QRectF(3.5, 11.5, 9, 3));
    p.setPen(QPen(QColor(230, 190, 60), 1));
    for (qreal x = 5; x < 12; x += 1.5) p.drawLine(QPointF(x, 12.5), QPointF(x, 14.5));
}

void PrinterBox(QPainter& p) {
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(250, 250, 250));
    p.drawRect(QRectF(4.5, 1.5, 7, 5));
    p.setBrush(QColor(150, 150, 160));
    p.drawRoundedRect(QRectF(0.5, 6.5, 15, 6), 1, 1);
    p.setBrush(QColor(250, 250, 250));
    p.drawRect(QRectF(4.5, 10.5, 7, 5));
    p.setPen(QPen(QColor(90, 90, 100), 1));
    p.drawLine(QPointF(6, 12.5), QPointF(10, 12.5));
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    p.drawRect(QRectF(12, 8, 2, 1.5));
}

void Globe(QPainter& p) {
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(60, 120, 210));
    p.drawEllipse(QPointF(8, 8), 6.5, 6.5);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(220, 235, 255), 0.9));
    p.drawEllipse(QPointF(8, 8), 2.8, 6.3);
    p.drawLine(QPointF(8, 1.6), QPointF(8, 14.4));
    p.drawLine(QPointF(1.6, 8), QPointF(14.4, 8));
    p.drawLine(QPointF(2.8, 4.8), QPointF(13.2, 4.8));
    p.drawLine(QPointF(2.8, 11.2), QPointF(13.2, 11.2));
}

void Information(QPainter& p) {
    Dot(p, QColor(50, 110, 210), QPointF(8, 8), 6.5);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(8, 4.6), 1.2, 1.2);
    p.drawRect(QRectF(7, 6.8, 2, 5.8));
}

void Door(QPainter& p) {
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(90, 90, 95));
    p.drawRect(QRectF(1.5, 1.5, 8, 13));
    p.setBrush(QColor(185, 125, 65));
    p.drawPolygon(QPolygonF({QPointF(1.5, 1.5), QPointF(6.5, 3), QPointF(6.5, 15.5), QPointF(1.5, 14.5)}));
    p.setPen(QPen(kOutline, 0.8));
    p.setBrush(QColor(60, 170, 60));
    p.drawPolygon(QPolygonF({QPointF(8, 6.8), QPointF(11.5, 6.8), QPointF(11.5, 4.5), QPointF(15.5, 8),
                             QPointF(11.5, 11.5), QPointF(11.5, 9.2), QPointF(8, 9.2)}));
}

void Clock(QPainter& p) {
    Dot(p, QColor(245, 245, 235), QPointF(8, 8), 6.5);
    p.setPen(QPen(kOutline, 1.3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(8, 8), QPointF(8, 3.8));
    p.drawLine(QPointF(8, 8), QPointF(11, 9.5));
}

void Page(QPainter& p) {
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(250, 250, 250));
    p.drawPolygon(QPolygonF({QPointF(2.5, 0.5), QPointF(10, 0.5), QPointF(13.5, 4), QPointF(13.5, 15.5), QPointF(2.5, 15.5)}));
    p.setBrush(QColor(200, 200, 200));
    p.drawPolygon(QPolygonF({QPointF(10, 0.5), QPointF(10, 4), QPointF(13.5, 4)}));
    // Rows of bits: data for memory.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 100, 170));
    for (int row = 0; row < 4; ++row)
        for (int i = 0; i < 4; ++i)
            if ((row * 5 + i * 3) % 4 != 1) p.drawRect(QRectF(4 + i * 2.2, 6 + row * 2.3, 1.4, 1.4));
}

void Square(QPainter& p, QRectF r) {
    p.setPen(QPen(kOutline, 0.8));
    p.setBrush(QColor(60, 60, 70));
    p.drawRect(r);
}

// Film with a sign at its lower right.
template <typename F>
void FilmWith(QPainter& p, F sign) {
    Small(p, 0, 0, 0.85, [](QPainter& q) { Film(q); });
    sign(p);
}

void DrawCommand(QPainter& p, Command c) {
    switch (c) {
        case Command::Open: Folder(p); break;
        case Command::OpenTape:
            Folder(p);
            Small(p, 5, 6, 0.65, [](QPainter& q) { Cassette(q); });
            break;
        case Command::OpenSnapshot:
            Folder(p);
            Small(p, 5, 5, 0.65, [](QPainter& q) { Camera(q); });
            break;
        case Command::SaveSnapshot:
            Small(p, 0, 0, 0.75, [](QPainter& q) { Camera(q); });
            Small(p, 7, 7, 0.56, [](QPainter& q) { Disk(q); });
            break;
        case Command::Snapshot: Camera(p); break;
        case Command::Reset: CircleArrow(p, QColor(40, 120, 200)); break;
        case Command::HardReset: PowerSign(p); break;
        case Command::Run: Play(p, kGreen, QRectF(3.5, 2.5, 10, 11)); break;
        case Command::Pause: PauseBars(p); break;
        case Command::SoundOn:
            Speaker(p, QColor(60, 60, 70));
            Waves(p);
            break;
        case Command::SoundOff:
            Speaker(p, QColor(60, 60, 70));
            Cross(p, QRectF(10, 5, 4.5, 6));
            break;
        case Command::Tape: Cassette(p); break;
        case Command::Settings: Gear(p); break;
        case Command::Debugger: Beetle(p); break;
        case Command::Keyboard: Keys(p); break;
        case Command::Joystick: Stick(p); break;
        case Command::Computer: Computer(p); break;
        case Command::Display: Monitor(p); break;
        case Command::Picture: Landscape(p, QRectF(0.5, 2.5, 15, 11)); break;
        case Command::PictureClip:
            Clipboard(p);
            Landscape(p, QRectF(4.5, 6.5, 7, 6));
            break;
        case Command::PictureBmp:
            Landscape(p, QRectF(0.5, 0.5, 12, 9));
            Small(p, 7, 7, 0.56, [](QPainter& q) { Disk(q); });
            break;
        case Command::RecordSound:
            Speaker(p, QColor(60, 60, 70));
            Dot(p, kRed, QPointF(12, 8), 3.2);
            break;
        case Command::Recording: Film(p); break;
        case Command::PlayRecording:
            FilmWith(p, [](QPainter& q) { Play(q, kGreen, QRectF(9.5, 8.5, 6, 7)); });
            break;
        case Command::CreateRecording:
            FilmWith(p, [](QPainter& q) { Dot(q, kRed, QPointF(12.2, 12.2), 3.2); });
            break;
        case Command::ContinueRecording:
            FilmWith(p, [](QPainter& q) {
                Dot(q, kRed, QPointF(11, 12.5), 2.4);
                Play(q, kGreen, QRectF(12.5, 9.5, 3.2, 6));
            });
            break;
        case Command::StopRecording:
            FilmWith(p, [](QPainter& q) { Square(q, QRectF(9.5, 9.5, 6, 6)); });
            break;
        case Command::Poke:
            Chip(p);
            Pencil(p);
            break;
        case Command::LoadMemory:
            Small(p, 0, 0, 0.9, [](QPainter& q) { Chip(q); });
            Arrow(p, 12, 4, 15.5, true, QColor(60, 180, 60));
            break;
        case Command::SaveMemory:
            Small(p, 0, 0, 0.9, [](QPainter& q) { Chip(q); });
            Arrow(p, 12, 4, 15.5, false, QColor(230, 150, 40));
            break;
        case Command::RomModule: Cartridge(p); break;
        case Command::Storage: Disk(p); break;
        case Command::Printer: PrinterBox(p); break;
        case Command::InsertText:
            Clipboard(p);
            TextLines(p);
            break;
        case Command::Web: Globe(p); break;
        case Command::About: Information(p); break;
        case Command::Exit: Door(p); break;
        case Command::RecentFiles: Clock(p); break;
        case Command::OtherFile: Page(p); break;
        case Command::Count: break;
    }
}

// ---- model pictures (60 x 34) ---------------------------------------------

// Glyphs of the model badges as strokes on a 2 x 4 grid; 'a' is alpha.
std::vector<QPolygonF> Glyph(char c) {
    auto line = [](std::initializer_list<QPointF> points) { return QPolygonF(points); };
    switch (c) {
        case '1': return {line({{0.3, 1}, {1.2, 0}, {1.2, 4}})};
        case '2': return {line({{0, 0.6}, {0.5, 0}, {1.5, 0}, {2, 0.6}, {2, 1.5}, {0, 4}, {2, 4}})};
        case '3': return {line({{0, 0}, {2, 0}, {0.9, 1.7}, {1.6, 1.8}, {2, 2.4}, {2, 3.4}, {1.5, 4}, {0, 4}})};
        case '5': return {line({{2, 0}, {0.1, 0}, {0, 1.8}, {1.4, 1.7}, {2, 2.3}, {2, 3.4}, {1.5, 4}, {0, 4}})};
        case '8':
            return {line({{0.2, 0}, {1.8, 0}, {1.8, 1.8}, {0.2, 1.8}, {0.2, 0}}),
                    line({{0, 1.8}, {2, 1.8}, {2, 4}, {0, 4}, {0, 1.8}})};
        case '-': return {line({{0.3, 2.1}, {1.7, 2.1}})};
        case 'A': return {line({{0, 4}, {1, 0}, {2, 4}}), line({{0.5, 2.6}, {1.5, 2.6}})};
        case 'a':
            return {line({{2.2, 1.2}, {1.7, 2.6}, {1.2, 3.6}, {0.5, 4}, {0, 3.2}, {0.1, 2}, {0.7, 1.3},
                          {1.3, 1.7}, {1.8, 3.4}, {2.3, 4}})};
        default: return {};
    }
}

// A plate with the model's mark, its top left at (x, y); glyphs 6 units high.
void Badge(QPainter& p, qreal x, qreal y, const char* mark, QColor plate, QColor ink) {
    constexpr qreal k = 1.5;
    const int n = int(std::char_traits<char>::length(mark));
    const qreal w = n * 3.0 * k - k + 3;
    p.setPen(Qt::NoPen);
    p.setBrush(plate);
    p.drawRoundedRect(QRectF(x, y, w, 4 * k + 2.4), 1, 1);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(ink, 1.1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    for (int i = 0; i < n; ++i)
        for (QPolygonF stroke : Glyph(mark[i])) {
            for (QPointF& pt : stroke) pt = QPointF(x + 1.5 + i * 3.0 * k + pt.x() * k, y + 1.2 + pt.y() * k);
            p.drawPolyline(stroke);
        }
}

// A row of keys from x0 to x1 at y.
void KeyRow(QPainter& p, qreal x0, qreal x1, qreal y, qreal pitch, qreal h, QColor colour) {
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    for (qreal x = x0; x + pitch * 0.7 <= x1 + 0.01; x += pitch) p.drawRect(QRectF(x, y, pitch * 0.72, h));
}

struct DeskLook {
    QColor top, front, keys, functionKeys;
    const char* mark;
    QColor plate, ink;
};

// The PMD 85 family: one wedge case holding the keyboard, a row of
// function keys above it and a block of cursor keys at the right.
void WedgeComputer(QPainter& p, const DeskLook& look) {
    p.setPen(QPen(kOutline, 1));
    p.setBrush(look.top);
    p.drawPolygon(QPolygonF({QPointF(5.5, 1.5), QPointF(54.5, 1.5), QPointF(58.5, 26.5), QPointF(1.5, 26.5)}));
    p.setBrush(look.front);
    p.drawRect(QRectF(1.5, 26.5, 57, 5));
    p.setPen(QPen(look.front, 1));
    p.drawLine(QPointF(5, 11.5), QPointF(55, 11.5));  // the rear ridge
    KeyRow(p, 9, 46, 12.8, 3.1, 1.6, look.functionKeys);
    for (int row = 0; row < 4; ++row) KeyRow(p, 8 - row * 0.6 + row * 1.2, 44 + row * 0.4, 15.4 + row * 2.5, 3.1, 1.8, look.keys);
    p.setBrush(look.keys);
    p.drawRect(QRectF(16, 25.2, 20, 0.9));                 // space bar
    KeyRow(p, 48, 55, 15.4, 3.2, 1.8, look.functionKeys);  // cursor block
    KeyRow(p, 48.4, 55.4, 17.9, 3.2, 1.8, look.keys);
    KeyRow(p, 48.8, 55.8, 20.4, 3.2, 1.8, look.keys);
    Badge(p, 8, 2.3, look.mark, look.plate, look.ink);
}

// The Didaktik Alfa: a keyboard in front of a tall rear box.
void BoxComputer(QPainter& p, const DeskLook& look) {
    p.setPen(QPen(kOutline, 1));
    p.setBrush(look.front);
    p.drawRect(QRectF(2.5, 1.5, 55, 11));
    p.setBrush(look.top);
    p.drawPolygon(QPolygonF({QPointF(2.5, 12.5), QPointF(57.5, 12.5), QPointF(58.5, 27.5), QPointF(1.5, 27.5)}));
    p.setBrush(look.front);
    p.drawRect(QRectF(1.5, 27.5, 57, 4));
    // Ventilation slots and the lamp of the rear box.
    p.setPen(QPen(look.top.darker(140), 1));
    for (qreal x = 6; x < 30; x += 3) p.drawLine(QPointF(x, 4), QPointF(x, 10));
    Dot(p, kRed, QPointF(34, 7), 1.3);
    for (int row = 0; row < 4; ++row) KeyRow(p, 5 + row, 55 - (3 - row) * 0.5, 14.5 + row * 2.8, 3.3, 2, look.keys);
    p.setPen(Qt::NoPen);
    p.setBrush(look.keys);
    p.drawRect(QRectF(17, 26, 24, 1));
    Badge(p, 40, 2.5, look.mark, look.plate, look.ink);
}

// The Mato: a small, low case with a plain block of keys.
void SmallComputer(QPainter& p) {
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(232, 226, 208));
    p.drawRoundedRect(QRectF(9.5, 9.5, 41, 17), 3, 3);
    p.setBrush(QColor(190, 182, 160));
    p.drawRoundedRect(QRectF(9.5, 24.5, 41, 5), 2, 2);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 60, 40));
    p.drawRect(QRectF(12, 11.5, 14, 1.4));  // the maker's stripe
    for (int row = 0; row < 3; ++row) KeyRow(p, 13 + row, 47 - (2 - row), 14.5 + row * 3, 3, 2.1, QColor(70, 90, 120));
    p.setBrush(QColor(70, 90, 120));
    p.drawRect(QRectF(20, 23.3, 18, 1));
    Dot(p, kGreen, QPointF(46, 12), 1);
}

// The Consul 2717: a flat system unit and a keyboard of its own on a cable.
void SplitComputer(QPainter& p) {
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(185, 185, 180));
    p.drawRect(QRectF(6.5, 1.5, 47, 11));
    p.setBrush(QColor(60, 60, 60));
    p.drawRect(QRectF(10.5, 5.5, 16, 2));  // a drive slot
    p.setPen(QPen(QColor(130, 130, 125), 1));
    for (qreal x = 33; x < 47; x += 2.5) p.drawLine(QPointF(x, 4), QPointF(x, 10));
    Dot(p, kRed, QPointF(50, 9.5), 1);
    // The cable.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(50, 50, 50), 1));
    QPainterPath cable(QPointF(30, 12.5));
    cable.cubicTo(QPointF(30, 16), QPointF(40, 14), QPointF(40, 18.5));
    p.drawPath(cable);
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(220, 215, 200));
    p.drawPolygon(QPolygonF({QPointF(4.5, 18.5), QPointF(55.5, 18.5), QPointF(57.5, 29.5), QPointF(2.5, 29.5)}));
    p.setBrush(QColor(170, 165, 150));
    p.drawRect(QRectF(2.5, 29.5, 55, 2));
    for (int row = 0; row < 3; ++row) KeyRow(p, 7 + row * 0.5, 53, 20 + row * 2.7, 2.9, 1.9, QColor(80, 80, 85));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(80, 80, 85));
    p.drawRect(QRectF(18, 28, 22, 0.9));
}

}  // namespace

QPixmap CommandPicture(Command command, int size) {
    QImage image = Blank(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    DrawCommand(p, command);
    p.end();
    return QPixmap::fromImage(image);
}

QIcon CommandIcon(Command command) {
    QIcon icon;
    icon.addPixmap(CommandPicture(command, 16));
    icon.addPixmap(CommandPicture(command, 32));
    return icon;
}

QPixmap ModelPicture(int model, int width) {
    const qreal scale = qreal(width) / kModelWidth;
    QImage image = Blank(width, qRound(kModelHeight * scale));
    if (model < 0 || model > 7) return QPixmap::fromImage(image);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    const QColor white(245, 245, 245), black(25, 25, 25);
    switch (model) {
        case 0:  // light grey case, black keys, red function keys
            WedgeComputer(p, {QColor(205, 205, 200), QColor(150, 150, 145), QColor(35, 35, 35), QColor(200, 45, 40),
                              "85-1", black, white});
            break;
        case 1:  // cream case
            WedgeComputer(p, {QColor(222, 212, 180), QColor(165, 155, 125), QColor(50, 45, 40), QColor(40, 90, 180),
                              "85-2", black, white});
            break;
        case 2:
            WedgeComputer(p, {QColor(222, 212, 180), QColor(165, 155, 125), QColor(50, 45, 40), QColor(210, 120, 30),
                              "85-2A", QColor(200, 40, 30), white});
            break;
        case 3:  // black case, light keys
            WedgeComputer(p, {QColor(60, 60, 64), QColor(30, 30, 32), QColor(200, 200, 205), QColor(220, 140, 30),
                              "85-3", white, black});
            break;
        case 4: SmallComputer(p); break;
        case 5:
            BoxComputer(p, {QColor(120, 135, 160), QColor(80, 92, 115), QColor(235, 235, 235), QColor(), "a",
                            white, QColor(30, 50, 110)});
            break;
        case 6:
            BoxComputer(p, {QColor(170, 180, 150), QColor(115, 125, 100), QColor(45, 45, 45), QColor(), "a2",
                            white, QColor(40, 80, 40)});
            break;
        case 7: SplitComputer(p); break;
    }
    p.end();
    return QPixmap::fromImage(image);
}

}  // namespace ControlPictures
