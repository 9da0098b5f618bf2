#pragma once
// Drawing parts shared by the program's own pictures (status icons, command
// icons, model pictures): flat fills with a dark 1-unit outline, drawn on a
// 16 x 16 grid that the caller may scale.
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPolygonF>
#include <QRectF>

namespace PictureParts {

inline const QColor kOutline(40, 40, 40);
inline const QColor kGreen(60, 220, 60);
inline const QColor kRed(235, 40, 40);

inline QImage Blank(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

inline void Speaker(QPainter& p, QColor body) {
    p.setPen(Qt::NoPen);
    p.setBrush(body);
    p.drawRect(QRectF(1, 5.5, 3, 5));
    p.drawPolygon(QPolygonF({QPointF(4, 5.5), QPointF(8, 2), QPointF(8, 14), QPointF(4, 10.5)}));
}

inline void Dot(QPainter& p, QColor colour, QPointF centre, qreal radius) {
    p.setPen(QPen(kOutline, 1));
    p.setBrush(colour);
    p.drawEllipse(centre, radius, radius);
}

inline void Cassette(QPainter& p) {
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(90, 90, 100));
    p.drawRoundedRect(QRectF(0.5, 3.5, 15, 10), 1.5, 1.5);
    p.setBrush(QColor(230, 230, 230));
    p.drawEllipse(QPointF(4.5, 7.5), 1.8, 1.8);
    p.drawEllipse(QPointF(11.5, 7.5), 1.8, 1.8);
    p.drawLine(QPointF(4.5, 11.5), QPointF(11.5, 11.5));
}

inline void Disk(QPainter& p) {
    p.setPen(QPen(QColor(30, 30, 30), 1));
    p.setBrush(QColor(50, 60, 110));
    p.drawRect(QRectF(1.5, 1.5, 13, 13));
    p.setBrush(QColor(200, 200, 210));
    p.drawRect(QRectF(4.5, 1.5, 7, 4));  // shutter
    p.setBrush(QColor(240, 240, 240));
    p.drawRect(QRectF(3.5, 8.5, 9, 6));  // label
}

inline void Play(QPainter& p, QColor colour, QRectF box) {
    p.setPen(QPen(QColor(30, 60, 30), 1));
    p.setBrush(colour);
    p.drawPolygon(QPolygonF({box.topLeft(), QPointF(box.right(), box.center().y()), box.bottomLeft()}));
}

inline void Film(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 40, 40));
    p.drawRect(QRectF(2, 1, 12, 14));
    p.setBrush(QColor(220, 220, 220));
    for (int y = 2; y < 14; y += 3) {
        p.drawRect(QRectF(3, y, 1.5, 1.5));
        p.drawRect(QRectF(11.5, y, 1.5, 1.5));
    }
    p.setBrush(QColor(120, 170, 230));
    p.drawRect(QRectF(5.5, 3, 5, 4));
    p.drawRect(QRectF(5.5, 9, 5, 4));
}

}  // namespace PictureParts
