#include "ui/ControlPictures.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainterPath>
#include <QtMath>
#include <algorithm>
#include <cmath>

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


void BlankPage(QPainter& p, QRectF r) {
    const qreal fold = r.width() * 0.3;
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(250, 250, 250));
    p.drawPolygon(QPolygonF({r.topLeft(), QPointF(r.right() - fold, r.top()), QPointF(r.right(), r.top() + fold),
                             r.bottomRight(), r.bottomLeft()}));
    p.setBrush(QColor(200, 200, 200));
    p.drawPolygon(QPolygonF({QPointF(r.right() - fold, r.top()), QPointF(r.right() - fold, r.top() + fold),
                             QPointF(r.right(), r.top() + fold)}));
}

void Star(QPainter& p, QPointF c, qreal outer) {
    QPolygonF star;
    for (int i = 0; i < 10; ++i) {
        const double a = -M_PI / 2 + i * M_PI / 5;
        const qreal r = i % 2 ? outer * 0.45 : outer;
        star << QPointF(c.x() + r * std::cos(a), c.y() + r * std::sin(a));
    }
    p.setPen(QPen(QColor(150, 100, 0), 0.8));
    p.setBrush(QColor(255, 210, 40));
    p.drawPolygon(star);
}

void EjectSign(QPainter& p) {
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(70, 110, 200));
    p.drawPolygon(QPolygonF({QPointF(8, 2), QPointF(14, 9.5), QPointF(2, 9.5)}));
    p.drawRect(QRectF(2, 11.5, 12, 2.5));
}

// A cross of two bars through centre c, arm long, the bars width wide.
QPolygonF PlusShape(QPointF c, qreal arm, qreal width) {
    const qreal h = width / 2;
    return QPolygonF({QPointF(c.x() - h, c.y() - arm), QPointF(c.x() + h, c.y() - arm), QPointF(c.x() + h, c.y() - h),
                      QPointF(c.x() + arm, c.y() - h), QPointF(c.x() + arm, c.y() + h), QPointF(c.x() + h, c.y() + h),
                      QPointF(c.x() + h, c.y() + arm), QPointF(c.x() - h, c.y() + arm), QPointF(c.x() - h, c.y() + h),
                      QPointF(c.x() - arm, c.y() + h), QPointF(c.x() - arm, c.y() - h), QPointF(c.x() - h, c.y() - h)});
}

void PlusSign(QPainter& p, QPointF c, qreal arm, QColor colour) {
    p.setPen(QPen(kOutline, 0.8));
    p.setBrush(colour);
    p.drawPolygon(PlusShape(c, arm, arm * 0.75));
}

void CrossSign(QPainter& p, QPointF c, qreal arm) {
    p.save();
    p.translate(c);
    p.rotate(45);
    p.setPen(QPen(kOutline, 0.8));
    p.setBrush(QColor(220, 40, 35));
    p.drawPolygon(PlusShape(QPointF(0, 0), arm, arm * 0.6));
    p.restore();
}

void SdCard(QPainter& p) {
    p.setPen(QPen(kOutline, 0.8));
    p.setBrush(QColor(50, 90, 170));
    p.drawPolygon(QPolygonF({QPointF(9.5, 6.5), QPointF(14.5, 6.5), QPointF(14.5, 15.5), QPointF(8, 15.5), QPointF(8, 8)}));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(240, 200, 60));
    for (qreal x = 10; x < 14; x += 1.3) p.drawRect(QRectF(x, 7.3, 0.8, 2));
    p.setBrush(QColor(240, 240, 240));
    p.drawRect(QRectF(9.2, 11, 4.3, 3.3));
}

// An arrowhead on the ring of radius r round (8, 8) at angle degrees,
// pointing clockwise.
void RingHead(QPainter& p, qreal r, qreal degrees) {
    const qreal a = qDegreesToRadians(degrees);
    const QPointF base(8 + r * std::cos(a), 8 - r * std::sin(a));
    const QPointF dir(std::sin(a), std::cos(a)), across(-dir.y() * 2.6, dir.x() * 2.6);
    p.drawPolygon(QPolygonF({base + across, base + dir * 3.2, base - across}));
}

void RefreshArrows(QPainter& p) {
    const QColor green(40, 160, 60);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(green, 2, Qt::SolidLine, Qt::FlatCap));
    const QRectF ring(2.5, 2.5, 11, 11);
    p.drawArc(ring, 35 * 16, 135 * 16);
    p.drawArc(ring, 215 * 16, 135 * 16);
    p.setPen(QPen(kOutline, 0.8));
    p.setBrush(green);
    RingHead(p, 5.5, 35);
    RingHead(p, 5.5, 215);
}

// A tick, as on a ticked box.
void Tick(QPainter& p, QPointF at, qreal scale, QColor colour, qreal width) {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({at, QPointF(at.x() + 1.3 * scale, at.y() + 1.4 * scale),
                              QPointF(at.x() + 4 * scale, at.y() - 2 * scale)}));
}

// A pop-up menu: a sheet of rows, the middle one chosen, and the pointer.
void MenuSheet(QPainter& p) {
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(250, 250, 250));
    p.drawRect(QRectF(1.5, 1.5, 11, 13));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 120, 210));
    p.drawRect(QRectF(2, 6.5, 10, 3));
    p.setBrush(QColor(90, 90, 100));
    p.drawRect(QRectF(3.5, 3.5, 6, 1.2));
    p.drawRect(QRectF(3.5, 11.5, 7, 1.2));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(3.5, 7.4, 5, 1.2));
    // The pointer on the chosen row.
    p.setPen(QPen(kOutline, 0.8));
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF({QPointF(9.5, 7.5), QPointF(15.3, 12.4), QPointF(12.6, 12.6), QPointF(14, 15.4),
                             QPointF(12.8, 15.8), QPointF(11.4, 13.2), QPointF(9.5, 14.8)}));
}

void Lightning(QPainter& p) {
    p.setPen(QPen(QColor(150, 100, 0), 0.9, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(QColor(255, 210, 40));
    p.drawPolygon(QPolygonF({QPointF(10, 0.5), QPointF(3, 9), QPointF(7.4, 9), QPointF(5.5, 15.5),
                             QPointF(13, 6.2), QPointF(8.5, 6.2), QPointF(11, 0.5)}));
}

void Headphones(QPainter& p) {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kOutline, 2.6, Qt::SolidLine, Qt::FlatCap));
    p.drawArc(QRectF(2.5, 2, 11, 12), 0, 180 * 16);
    p.setPen(QPen(QColor(120, 120, 130), 1.2, Qt::SolidLine, Qt::FlatCap));
    p.drawArc(QRectF(2.5, 2, 11, 12), 0, 180 * 16);
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(60, 110, 200));
    p.drawRoundedRect(QRectF(0.5, 7.5, 4, 7), 1.5, 1.5);
    p.drawRoundedRect(QRectF(11.5, 7.5, 4, 7), 1.5, 1.5);
}

// A wide arrow filling the icon, pointing down when down, else up.
void WideArrow(QPainter& p, bool down) {
    QPolygonF a({QPointF(8, 1.5), QPointF(14.5, 8), QPointF(10.5, 8), QPointF(10.5, 14.5), QPointF(5.5, 14.5),
                 QPointF(5.5, 8), QPointF(1.5, 8)});
    if (down)
        for (QPointF& point : a) point.setY(16 - point.y());
    p.setPen(QPen(kOutline, 0.8));
    p.setBrush(QColor(70, 110, 200));
    p.drawPolygon(a);
}

// A fat arrow pointing right through the middle of the box.
void RightArrow(QPainter& p, QRectF r, QColor colour) {
    const qreal mid = r.center().y(), head = r.width() * 0.45, bar = r.height() * 0.22;
    p.setPen(QPen(kOutline, 0.8));
    p.setBrush(colour);
    p.drawPolygon(QPolygonF({QPointF(r.left(), mid - bar), QPointF(r.right() - head, mid - bar),
                             QPointF(r.right() - head, r.top()), QPointF(r.right(), mid),
                             QPointF(r.right() - head, r.bottom()), QPointF(r.right() - head, mid + bar),
                             QPointF(r.left(), mid + bar)}));
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
        case Command::NewImage:
            BlankPage(p, QRectF(1.5, 3.5, 10, 12));
            Star(p, QPointF(11.5, 4.5), 4.2);
            break;
        case Command::Eject: EjectSign(p); break;
        case Command::Exchange:
            Arrow(p, 4.5, 1, 15, true, QColor(70, 110, 200));
            Arrow(p, 11.5, 1, 15, false, QColor(230, 150, 40));
            break;
        case Command::ChooseFolder:
            Small(p, 0, 0, 0.9, [](QPainter& q) { Folder(q); });
            SdCard(p);
            break;
        case Command::Save:
            Small(p, 0, 3, 0.8, [](QPainter& q) { Disk(q); });
            Arrow(p, 12.2, 0.5, 10, true, QColor(60, 180, 60));
            break;
        case Command::Delete: CrossSign(p, QPointF(8, 8), 7); break;
        case Command::Add: PlusSign(p, QPointF(8, 8), 6.5, QColor(60, 180, 60)); break;
        case Command::Remove:
            p.setPen(QPen(kOutline, 0.8));
            p.setBrush(QColor(220, 40, 35));
            p.drawRect(QRectF(1.5, 5.6, 13, 4.8));
            break;
        case Command::Refresh: RefreshArrows(p); break;
        case Command::NewTape:
            Small(p, 0, 3, 0.8, [](QPainter& q) { Cassette(q); });
            Star(p, QPointF(11.5, 4.5), 4.2);
            break;
        case Command::EditTape:
            Small(p, 0, 0, 0.8, [](QPainter& q) { Cassette(q); });
            Pencil(p);
            break;
        case Command::EditingTape:
            p.setPen(QPen(kOutline, 0.6));
            p.setBrush(QColor(255, 226, 90));
            p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 2.5, 2.5);
            Small(p, 0, 0, 0.8, [](QPainter& q) { Cassette(q); });
            Pencil(p);
            break;
        case Command::SaveTape:
            Small(p, 0, 0, 0.75, [](QPainter& q) { Cassette(q); });
            Small(p, 7, 7, 0.56, [](QPainter& q) { Disk(q); });
            break;
        case Command::MoveUp: WideArrow(p, false); break;
        case Command::MoveDown: WideArrow(p, true); break;
        case Command::Menu: MenuSheet(p); break;
        case Command::Stop: Square(p, QRectF(3.5, 3.5, 9, 9)); break;
        case Command::FastLoading: Lightning(p); break;
        case Command::Monitoring: Headphones(p); break;
        case Command::CurrentBlock: RightArrow(p, QRectF(1.5, 3, 13, 10), QColor(60, 180, 60)); break;
        case Command::Count: break;
    }
}

// ---- pictures of the settings' pages and groups (16 x 16 grid) -------------

void OptionSheet(QPainter& p) {
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(250, 250, 250));
    p.drawRoundedRect(QRectF(1.5, 0.5, 13, 15), 1, 1);
    for (int i = 0; i < 3; ++i) {
        const qreal y = 2.5 + i * 4.4;
        p.setPen(QPen(kOutline, 0.8));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(3, y, 3.2, 3.2));
        p.setPen(QPen(QColor(120, 120, 130), 1));
        p.drawLine(QPointF(7.5, y + 1.6), QPointF(i == 1 ? 11 : 13, y + 1.6));
        if (i != 2) Tick(p, QPointF(3.6, y + 1.5), 0.7, QColor(30, 150, 50), 1.1);
    }
}

void DiskDrive(QPainter& p) {
    Small(p, 3.5, 0, 0.56, [](QPainter& q) { Disk(q); });
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(200, 195, 185));
    p.drawRoundedRect(QRectF(0.5, 7.5, 15, 7), 1, 1);
    p.setBrush(QColor(40, 40, 45));
    p.drawRect(QRectF(3, 9.3, 10, 1.4));  // the slot
    p.setPen(QPen(QColor(150, 145, 135), 1));
    p.drawLine(QPointF(2, 12.8), QPointF(9, 12.8));
    Dot(p, kGreen, QPointF(12.5, 12.6), 1);
}

void Bubble(QPainter& p, QRectF r, bool tailLeft, QColor fill) {
    QPainterPath path;
    path.addRoundedRect(r, 2, 2);
    QPolygonF tail;
    if (tailLeft)
        tail << QPointF(r.left() + 2, r.bottom() - 0.5) << QPointF(r.left() + 1.5, r.bottom() + 2.5)
             << QPointF(r.left() + 5, r.bottom() - 0.5);
    else
        tail << QPointF(r.right() - 5, r.bottom() - 0.5) << QPointF(r.right() - 1.5, r.bottom() + 2.5)
             << QPointF(r.right() - 2, r.bottom() - 0.5);
    path.addPolygon(tail);
    path.setFillRule(Qt::WindingFill);
    p.setPen(QPen(kOutline, 1));
    p.setBrush(fill);
    p.drawPath(path.simplified());
}

void Speech(QPainter& p) {
    Bubble(p, QRectF(0.5, 0.5, 10, 7.5), true, QColor(70, 120, 210));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, 1.1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({QPointF(3.5, 6.5), QPointF(5.5, 1.8), QPointF(7.5, 6.5)}));  // A
    p.drawLine(QPointF(4.3, 5), QPointF(6.7, 5));
    Bubble(p, QRectF(5.5, 6.5, 10, 6.5), false, QColor(250, 215, 90));
    p.setPen(QPen(QColor(90, 70, 30), 1.1, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(7.8, 8.8), QPointF(13.2, 8.8));  // lines of text
    p.drawLine(QPointF(7.8, 10.8), QPointF(11.5, 10.8));
}

void TapeFile(QPainter& p) {
    BlankPage(p, QRectF(1.5, 0.5, 11, 14));
    Small(p, 2.6, 5.5, 0.55, [](QPainter& q) { Cassette(q); });
    Dot(p, QColor(50, 170, 70), QPointF(12, 12), 3.4);
    Tick(p, QPointF(10.2, 12), 0.7, Qt::white, 1.2);
}

void Plug(QPainter& p) {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(50, 50, 55), 1.4));
    QPainterPath cable(QPointF(4, 11));
    cable.cubicTo(QPointF(4, 15.5), QPointF(8, 15.5), QPointF(8.5, 12.5));
    p.drawPath(cable);
    p.setPen(QPen(kOutline, 0.9));
    p.setBrush(QColor(170, 170, 180));
    p.drawPolygon(QPolygonF({QPointF(8.5, 8.5), QPointF(15.5, 8.5), QPointF(14.8, 13.5), QPointF(9.2, 13.5)}));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 60, 65));
    p.drawRect(QRectF(10, 10, 4, 2));
}

void DrawSubject(QPainter& p, Subject s) {
    switch (s) {
        case Subject::General: OptionSheet(p); break;
        case Subject::Model: Computer(p); break;
        case Subject::Display: Monitor(p); break;
        case Subject::Sound:
            Speaker(p, QColor(60, 60, 70));
            Waves(p);
            break;
        case Subject::Controls:
            Small(p, 0, -1, 0.72, [](QPainter& q) { Keys(q); });
            Small(p, 6.5, 5.5, 0.65, [](QPainter& q) { Stick(q); });
            break;
        case Subject::RomPackages:
            Small(p, 0, 0, 0.72, [](QPainter& q) { Cartridge(q); });
            Small(p, 5, 4.5, 0.72, [](QPainter& q) { Cartridge(q); });
            break;
        case Subject::DiskUnits: DiskDrive(p); break;
        case Subject::TapeAndRaom:
            Small(p, 0, -1, 0.75, [](QPainter& q) { Cassette(q); });
            Small(p, 6.5, 5.5, 0.62, [](QPainter& q) { Chip(q); });
            break;
        case Subject::Printers:
            Small(p, 0, 0, 0.85, [](QPainter& q) { PrinterBox(q); });
            Pencil(p);
            break;
        case Subject::Language: Speech(p); break;
        case Subject::FileTypes: TapeFile(p); break;
        case Subject::Centronics:
            Small(p, 0, 0, 0.7, [](QPainter& q) { PrinterBox(q); });
            Plug(p);
            break;
        case Subject::Count: break;
    }
}

// ---- status icons of a ROM package's rows (drawn on their own pixels) -------

void DrawRomStatus(QPainter& p, int status) {
    switch (status) {
        case 0: Tick(p, QPointF(1.2, 4.2), 1.45, QColor(20, 150, 40), 1.7); break;
        case 1:
            Dot(p, QColor(215, 35, 30), QPointF(4, 4), 3.5);
            p.setPen(QPen(Qt::white, 1.2, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(2.6, 2.6), QPointF(5.4, 5.4));
            p.drawLine(QPointF(5.4, 2.6), QPointF(2.6, 5.4));
            break;
        case 2:
            p.setPen(QPen(QColor(120, 70, 0), 0.8));
            p.setBrush(QColor(250, 190, 30));
            p.drawPolygon(QPolygonF({QPointF(4, 0.4), QPointF(7.7, 7.6), QPointF(0.3, 7.6)}));
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(30, 30, 30));
            p.drawRect(QRectF(3.4, 2.6, 1.2, 2.8));
            p.drawRect(QRectF(3.4, 6, 1.2, 1));
            break;
        default:
            // Beyond the room: an arrow up out of a full box.
            p.setPen(QPen(kOutline, 0.8));
            p.setBrush(QColor(150, 60, 190));
            p.drawPolygon(QPolygonF({QPointF(4, 0.3), QPointF(7.5, 3.8), QPointF(5.2, 3.8), QPointF(5.2, 7.7),
                                     QPointF(2.8, 7.7), QPointF(2.8, 3.8), QPointF(0.5, 3.8)}));
            break;
    }
}

// A name plate: its room in the drawing's units, its text and colours.
struct Plate {
    QRectF room;
    const char* text;  // UTF-8
    QColor plate, ink;
};

// The plate's letters, as large as the room allows in a picture drawn at
// scale: capitals no taller than the room less a margin, the text no wider.
QFont PlateFont(const Plate& plate, qreal scale) {
    QFont font;
    font.setBold(true);
    font.setHintingPreference(QFont::PreferFullHinting);
    const QString text = QString::fromUtf8(plate.text);
    const qreal w = plate.room.width() * scale, h = plate.room.height() * scale;
    for (int size = int(h * 1.4); size > 5; --size) {
        font.setPixelSize(size);
        const QFontMetricsF m(font);
        if (m.capHeight() <= h - 3 && m.horizontalAdvance(text) <= w - 3) break;
    }
    return font;
}

// Drawn on the pixels of the picture, so that the letters stay sharp.
void DrawPlate(QPainter& p, const Plate& plate) {
    const qreal scale = p.transform().m11();
    const QFont font = PlateFont(plate, scale);
    const QFontMetricsF m(font);
    const QString text = QString::fromUtf8(plate.text);
    const QRectF room = p.transform().mapRect(plate.room);
    const qreal w = std::ceil(m.horizontalAdvance(text) + 4);
    const QRectF box(std::round(room.left()), std::round(room.top()), std::min(w, room.width()), std::round(room.height()));
    p.save();
    p.resetTransform();
    p.setPen(Qt::NoPen);
    p.setBrush(plate.plate);
    p.drawRoundedRect(box, 1.5, 1.5);
    p.setFont(font);
    p.setPen(plate.ink);
    // The capitals centred in the plate, on a whole pixel.
    const qreal base = std::round(box.top() + (box.height() + m.capHeight()) / 2);
    p.drawText(QPointF(box.left() + (box.width() - m.horizontalAdvance(text)) / 2, base), text);
    p.restore();
}

// A row of keys from x0 to x1 at y.
void KeyRow(QPainter& p, qreal x0, qreal x1, qreal y, qreal pitch, qreal h, QColor colour) {
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    for (qreal x = x0; x + pitch * 0.7 <= x1 + 0.01; x += pitch) p.drawRect(QRectF(x, y, pitch * 0.72, h));
}

struct DeskLook {
    QColor top, front, keys, functionKeys;
};

// The PMD 85 family: one wedge case holding the keyboard, the name plate on
// its rear panel, a row of function keys and a block of cursor keys.
void WedgeComputer(QPainter& p, const DeskLook& look) {
    p.setPen(QPen(kOutline, 1));
    p.setBrush(look.top);
    p.drawPolygon(QPolygonF({QPointF(5.5, 0.5), QPointF(54.5, 0.5), QPointF(58.5, 27.5), QPointF(1.5, 27.5)}));
    p.setBrush(look.front);
    p.drawRect(QRectF(1.5, 27.5, 57, 5));
    p.setPen(QPen(look.front, 1));
    p.drawLine(QPointF(4.4, 12.5), QPointF(55.6, 12.5));  // the rear ridge
    KeyRow(p, 9, 46, 13.8, 3.1, 1.5, look.functionKeys);
    for (int row = 0; row < 4; ++row) KeyRow(p, 7.6 + row * 0.6, 44 + row * 0.4, 16 + row * 2.4, 3.1, 1.7, look.keys);
    p.setBrush(look.keys);
    p.drawRect(QRectF(16, 25.7, 20, 0.9));                 // space bar
    KeyRow(p, 48, 55, 16, 3.2, 1.7, look.functionKeys);  // cursor block
    KeyRow(p, 48.4, 55.4, 18.4, 3.2, 1.7, look.keys);
    KeyRow(p, 48.8, 55.8, 20.8, 3.2, 1.7, look.keys);
}

// The Didaktik Alfa: a keyboard in front of a tall rear box.
void BoxComputer(QPainter& p, const DeskLook& look) {
    p.setPen(QPen(kOutline, 1));
    p.setBrush(look.front);
    p.drawRect(QRectF(2.5, 0.5, 55, 12));
    p.setBrush(look.top);
    p.drawPolygon(QPolygonF({QPointF(2.5, 12.5), QPointF(57.5, 12.5), QPointF(58.5, 28.5), QPointF(1.5, 28.5)}));
    p.setBrush(look.front);
    p.drawRect(QRectF(1.5, 28.5, 57, 4));
    // Ventilation slots and the lamp of the rear box.
    p.setPen(QPen(look.top.darker(140), 1));
    for (qreal x = 5; x < 11; x += 2) p.drawLine(QPointF(x, 3), QPointF(x, 10));
    Dot(p, kRed, QPointF(13, 6.5), 1.3);
    for (int row = 0; row < 4; ++row) KeyRow(p, 5 + row, 55 - (3 - row) * 0.5, 14.7 + row * 2.9, 3.3, 2, look.keys);
    p.setPen(Qt::NoPen);
    p.setBrush(look.keys);
    p.drawRect(QRectF(17, 26.5, 24, 1));
}

// The Mato: a small, low case with a plain block of keys.
void SmallComputer(QPainter& p) {
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(232, 226, 208));
    p.drawRoundedRect(QRectF(7.5, 1.5, 45, 26), 3, 3);
    p.setBrush(QColor(190, 182, 160));
    p.drawRoundedRect(QRectF(7.5, 26.5, 45, 5), 2, 2);
    p.setPen(Qt::NoPen);
    for (int row = 0; row < 3; ++row) KeyRow(p, 11 + row, 49 - (2 - row), 15.5 + row * 3, 3, 2.1, QColor(70, 90, 120));
    p.setBrush(QColor(70, 90, 120));
    p.drawRect(QRectF(19, 24.5, 20, 1));
    Dot(p, kGreen, QPointF(48.5, 7), 1);
}

// The Consul 2717: a flat system unit and a keyboard of its own on a cable.
void SplitComputer(QPainter& p) {
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(185, 185, 180));
    p.drawRect(QRectF(4.5, 0.5, 51, 13));
    p.setBrush(QColor(60, 60, 60));
    p.drawRect(QRectF(40.5, 5.5, 10, 2));  // a drive slot
    Dot(p, kRed, QPointF(52.5, 10.5), 1);
    // The cable.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(50, 50, 50), 1));
    QPainterPath cable(QPointF(44, 13.5));
    cable.cubicTo(QPointF(44, 17), QPointF(36, 15), QPointF(36, 19.5));
    p.drawPath(cable);
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(220, 215, 200));
    p.drawPolygon(QPolygonF({QPointF(4.5, 19.5), QPointF(55.5, 19.5), QPointF(57.5, 29.5), QPointF(2.5, 29.5)}));
    p.setBrush(QColor(170, 165, 150));
    p.drawRect(QRectF(2.5, 29.5, 55, 2));
    for (int row = 0; row < 3; ++row) KeyRow(p, 7 + row * 0.5, 53, 20.8 + row * 2.5, 2.9, 1.7, QColor(80, 80, 85));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(80, 80, 85));
    p.drawRect(QRectF(18, 28.2, 22, 0.8));
}

const QColor kPlateWhite(245, 245, 245), kPlateBlack(25, 25, 25);

// The name plate of each model, in model order.
const Plate kPlates[8] = {
    {QRectF(8, 1.5, 40, 10.5), "85-1", kPlateBlack, kPlateWhite},
    {QRectF(8, 1.5, 40, 10.5), "85-2", kPlateBlack, kPlateWhite},
    {QRectF(8, 1.5, 40, 10.5), "85-2A", QColor(200, 40, 30), kPlateWhite},
    {QRectF(8, 1.5, 40, 10.5), "85-3", kPlateWhite, kPlateBlack},
    {QRectF(11, 3, 34, 10.5), "Maťo", QColor(200, 60, 40), kPlateWhite},
    {QRectF(16, 1.5, 40.5, 10.5), "Alfa", kPlateWhite, QColor(30, 50, 110)},
    {QRectF(16, 1.5, 40.5, 10.5), "Alfa 2", kPlateWhite, QColor(40, 80, 40)},
    {QRectF(7, 1.5, 32, 10.5), "2717", QColor(40, 60, 120), kPlateWhite},
};

// A size x size picture drawn on the 16 x 16 grid.
template <class F>
QPixmap OnGrid(int size, F draw) {
    QImage image = Blank(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    draw(p);
    p.end();
    return QPixmap::fromImage(image);
}

}  // namespace

QPixmap CommandPicture(Command command, int size) {
    return OnGrid(size, [command](QPainter& p) { DrawCommand(p, command); });
}

QIcon CommandIcon(Command command) {
    QIcon icon;
    icon.addPixmap(CommandPicture(command, 16));
    icon.addPixmap(CommandPicture(command, 32));
    return icon;
}

QIcon ToggleIcon(Command command) {
    QIcon icon;
    for (int size : {16, 32}) {
        const QPixmap on = CommandPicture(command, size);
        QImage off = on.toImage().convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < off.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(off.scanLine(y));
            for (int x = 0; x < off.width(); ++x) {
                const int grey = 96 + qGray(line[x]) * 5 / 8;
                line[x] = qRgba(grey, grey, grey, qAlpha(line[x]));
            }
        }
        icon.addPixmap(on, QIcon::Normal, QIcon::On);
        icon.addPixmap(QPixmap::fromImage(off), QIcon::Normal, QIcon::Off);
    }
    return icon;
}

QIcon TwoStateIcon(Command off, Command on) {
    QIcon icon;
    for (int size : {16, 32}) {
        icon.addPixmap(CommandPicture(off, size), QIcon::Normal, QIcon::Off);
        icon.addPixmap(CommandPicture(on, size), QIcon::Normal, QIcon::On);
    }
    return icon;
}

QPixmap SubjectPicture(Subject subject, int size) {
    return OnGrid(size, [subject](QPainter& p) { DrawSubject(p, subject); });
}

QIcon SubjectIcon(Subject subject) {
    QIcon icon;
    icon.addPixmap(SubjectPicture(subject, 24));
    icon.addPixmap(SubjectPicture(subject, 40));
    return icon;
}

QPixmap RomStatusPicture(int status, int size) {
    QImage image = Blank(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / qreal(kRomStatusSize), size / qreal(kRomStatusSize));
    DrawRomStatus(p, std::clamp(status, 0, kRomStatusCount - 1));
    p.end();
    return QPixmap::fromImage(image);
}

int PlateLetterHeight(int model, int width) {
    if (model < 0 || model > 7) return 0;
    return int(QFontMetricsF(PlateFont(kPlates[model], qreal(width) / kModelWidth)).capHeight());
}

QPixmap ModelPicture(int model, int width) {
    const qreal scale = qreal(width) / kModelWidth;
    QImage image = Blank(width, qRound(kModelHeight * scale));
    if (model < 0 || model > 7) return QPixmap::fromImage(image);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(scale, scale);
    switch (model) {
        case 0:  // light grey case, black keys, red function keys
            WedgeComputer(p, {QColor(205, 205, 200), QColor(150, 150, 145), QColor(35, 35, 35), QColor(200, 45, 40)});
            break;
        case 1:  // cream case
            WedgeComputer(p, {QColor(222, 212, 180), QColor(165, 155, 125), QColor(50, 45, 40), QColor(40, 90, 180)});
            break;
        case 2:
            WedgeComputer(p, {QColor(222, 212, 180), QColor(165, 155, 125), QColor(50, 45, 40), QColor(210, 120, 30)});
            break;
        case 3:  // black case, light keys
            WedgeComputer(p, {QColor(60, 60, 64), QColor(30, 30, 32), QColor(200, 200, 205), QColor(220, 140, 30)});
            break;
        case 4: SmallComputer(p); break;
        case 5:
            BoxComputer(p, {QColor(120, 135, 160), QColor(80, 92, 115), QColor(235, 235, 235), QColor()});
            break;
        case 6:
            BoxComputer(p, {QColor(170, 180, 150), QColor(115, 125, 100), QColor(45, 45, 45), QColor()});
            break;
        case 7: SplitComputer(p); break;
    }
    DrawPlate(p, kPlates[model]);
    p.end();
    return QPixmap::fromImage(image);
}

}  // namespace ControlPictures
