#include "shell/StatusPictures.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include "ui/PictureParts.h"

namespace StatusPictures {

using namespace PictureParts;

namespace {

struct ModelLook {
    const char* label;  // fits the picture
    QRgb stripe;        // the model's colour
};

// Names as short as the panel needs, colours to tell the models apart.
const ModelLook kModels[8] = {
    {"PMD 1", qRgb(0xC0, 0x30, 0x30)},  {"PMD 2", qRgb(0xD0, 0x80, 0x20)},
    {"PMD 2A", qRgb(0xC0, 0xB0, 0x20)}, {"PMD 3", qRgb(0x30, 0xA0, 0x40)},
    {"Mato", qRgb(0x20, 0x90, 0xB0)},   {"Alfa", qRgb(0x30, 0x50, 0xD0)},
    {"Alfa 2", qRgb(0x80, 0x40, 0xC0)}, {"C2717", qRgb(0xB0, 0x40, 0x90)},
};

}  // namespace

QPixmap ModelPicture(int model) {
    QImage image = Blank(kModelWidth, kModelHeight);
    if (model < 0 || model > 7) return QPixmap::fromImage(image);
    const ModelLook& look = kModels[model];
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // A machine's front: dark body, the model's colour at the left.
    p.setPen(QPen(QColor(20, 20, 20), 1));
    p.setBrush(QColor(55, 55, 60));
    p.drawRoundedRect(QRectF(0.5, 0.5, kModelWidth - 1, kModelHeight - 1), 2, 2);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(look.stripe));
    p.drawRect(QRectF(2, 2, 4, kModelHeight - 4));
    // The label, made smaller until it fits beside the stripe.
    const QRect room(8, 1, kModelWidth - 10, kModelHeight - 2);
    QFont font;
    font.setBold(true);
    int size = 11;
    for (; size > 6; --size) {
        font.setPixelSize(size);
        if (QFontMetrics(font).horizontalAdvance(QString::fromLatin1(look.label)) <= room.width()) break;
    }
    font.setPixelSize(size);
    p.setFont(font);
    p.setPen(QColor(240, 240, 240));
    p.drawText(room, Qt::AlignCenter, QString::fromLatin1(look.label));
    return QPixmap::fromImage(image);
}

QPixmap Icon(Kind kind, int index) {
    QImage image = Blank(kIconSize, kIconSize);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    if (kind == Led) {
        QColor lamp(60, 60, 60);
        if (index == 1) lamp = QColor(255, 220, 0);
        if (index == 2) lamp = QColor(230, 30, 30);
        if (index == 4) lamp = QColor(40, 110, 255);
        Dot(p, lamp, QPointF(8, 8), 5);
        return QPixmap::fromImage(image);
    }
    switch (index) {
        case 0:
            break;
        case kTapePlaying:
            Cassette(p);
            Play(p, QColor(60, 220, 60), QRectF(6, 4.5, 5, 6));
            break;
        case kTapeCapturing:
            Cassette(p);
            Dot(p, QColor(235, 40, 40), QPointF(8, 7.5), 2.5);
            break;
        case kWaveRecording:
            Speaker(p, QColor(60, 60, 70));
            Dot(p, QColor(235, 40, 40), QPointF(12, 8), 3.2);
            break;
        case kWaveRecordingOff:
            Speaker(p, QColor(60, 60, 70));
            Dot(p, QColor(110, 40, 40), QPointF(12, 8), 3.2);
            break;
        case kAction:
            Film(p);
            break;
        case kActionPlaying:
            Play(p, QColor(60, 220, 60), QRectF(3, 2, 11, 12));
            break;
        case kActionRecording:
            Dot(p, QColor(235, 40, 40), QPointF(8, 8), 5.5);
            break;
        default:
            // Disk activity: the disk with a lamp, green reading, red writing.
            Disk(p);
            Dot(p, index == 1 ? QColor(60, 220, 60) : QColor(235, 40, 40), QPointF(12, 12), 2.5);
            break;
    }
    return QPixmap::fromImage(image);
}

}  // namespace StatusPictures
