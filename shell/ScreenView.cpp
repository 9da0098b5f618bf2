#include "shell/ScreenView.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>

#include "machine/screen/ScreenDAD85.h"

ScreenView::ScreenView(QWidget* parent) : QWidget(parent) {
    setObjectName("ScreenView");
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
}

const QList<QRgb>& ScreenView::ColorTable() {
    static const QList<QRgb> table = [] {
        QList<QRgb> t;
        const uint32_t* palette = ScreenDAD85::Palette();
        for (int i = 0; i < ScreenDAD85::kPaletteSize; ++i) t.append(static_cast<QRgb>(palette[i]));
        return t;
    }();
    return table;
}

void ScreenView::SetScreen(ScreenDAD85* s) {
    screen = s;
    update();
}

void ScreenView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!screen) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    auto lock = screen->LockBitmap();
    const int w = screen->Width();
    const int h = screen->Height();
    int x = 0, y = 0;
    if (fullScreen) {
        x = screen->GetOffsetX();
        y = screen->GetOffsetY();
    }
    if (fullScreen || w < width() || h < height()) painter.fillRect(rect(), Qt::black);
    if (w <= 0 || h <= 0) return;
    QImage image(screen->Bits(), w, h, screen->Stride(), QImage::Format_Indexed8);
    image.setColorTable(ColorTable());
    painter.drawImage(x, y, image);
    ++painted;
}

void ScreenView::mouseMoveEvent(QMouseEvent* event) { emit MouseMoved(event->position().toPoint()); }

void ScreenView::mousePressEvent(QMouseEvent* event) {
    emit MouseButton(event->position().toPoint(), event->button(), true);
}

void ScreenView::mouseReleaseEvent(QMouseEvent* event) {
    emit MouseButton(event->position().toPoint(), event->button(), false);
}

void ScreenView::leaveEvent(QEvent*) { emit MouseLeft(); }
