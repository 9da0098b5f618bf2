#include "shell/ScreenView.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>

#include <cstring>

#include "machine/screen/ScreenDAD85.h"

ScreenView::ScreenView(QWidget* parent) : QWidget(parent) {
    setObjectName("ScreenView");
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    shown.reserve(static_cast<size_t>(ScreenDAD85::kMaxWidth) * ScreenDAD85::kMaxHeight);
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
    if (s != screen) shownValid = false;
    screen = s;
    update();
}

void ScreenView::SetFullScreen(bool on) {
    fullScreen = on;
    if (on)
        setCursor(Qt::BlankCursor);
    else
        unsetCursor();
    update();
}

void ScreenView::PostFrame() {
    if (framePending.exchange(true)) return;
    QMetaObject::invokeMethod(this, "FrameReady", Qt::QueuedConnection);
}

void ScreenView::FrameReady() {
    framePending.store(false);
    const QRect rows = Sync();
    if (!isVisible()) return;
    // Painted at once: one pass of the event loop per frame, not two. A
    // picture of a new size repaints the whole view (the old one may have
    // covered more of it).
    if (resized) {
        resized = false;
        repaint();
    } else if (!rows.isEmpty()) {
        repaint(rows.translated(PictureOrigin()));
    }
}

QPoint ScreenView::PictureOrigin() const {
    if (!fullScreen || frame.isNull()) return QPoint(0, 0);
    // Centred; when the view covers the monitor this is the renderer's own
    // centring offset. Rounded toward zero, as the renderer does.
    return QPoint((width() - frame.width()) / 2, (height() - frame.height()) / 2);
}

QRect ScreenView::Sync() {
    if (!screen) return {};
    auto lock = screen->LockBitmap();
    const int w = screen->Width();
    const int h = screen->Height();
    const int stride = screen->Stride();
    if (w <= 0 || h <= 0) return {};
    if (frame.width() != w || frame.height() != h) {
        frame = QImage(w, h, QImage::Format_RGB32);
        shownValid = false;
        resized = true;
    }
    const size_t size = static_cast<size_t>(w) * h;
    if (shown.size() != size) {
        shown.resize(size);
        shownValid = false;
    }
    const uint8_t* bits = screen->Bits();
    const uint32_t* palette = ScreenDAD85::Palette();
    int first = -1, last = -1;
    for (int y = 0; y < h; ++y) {
        const uint8_t* src = bits + static_cast<size_t>(y) * stride;
        uint8_t* copy = shown.data() + static_cast<size_t>(y) * w;
        if (shownValid && std::memcmp(src, copy, static_cast<size_t>(w)) == 0) continue;
        std::memcpy(copy, src, static_cast<size_t>(w));
        auto* dst = reinterpret_cast<uint32_t*>(frame.scanLine(y));
        for (int x = 0; x < w; ++x) dst[x] = palette[src[x]];
        if (first < 0) first = y;
        last = y;
    }
    shownValid = true;
    if (first < 0) return {};
    return QRect(0, first, w, last - first + 1);
}

void ScreenView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    // A frame posted but not yet taken (a paint that came first) is taken here.
    const QRect changed = framePending.load() ? Sync() : QRect();
    const QPoint origin = PictureOrigin();
    const QRect picture = frame.isNull() ? QRect() : QRect(origin, frame.size());
    // Rows taken here are painted again through the window system: this
    // paint may have gone elsewhere (a grab) or covered only a part.
    if (resized) {
        resized = false;
        update();
    } else if (!changed.isEmpty()) {
        update(changed.translated(origin));
    }
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    if (!picture.contains(event->rect())) {
        const QRegion around = event->region() - QRegion(picture);
        for (const QRect& r : around) painter.fillRect(r, Qt::black);
    }
    const QRect inside = event->rect() & picture;
    if (!inside.isEmpty()) {
        painter.drawImage(inside.topLeft(), frame, inside.translated(-origin));
        ++painted;
    }
}

void ScreenView::mouseMoveEvent(QMouseEvent* event) { emit MouseMoved(event->position().toPoint()); }

void ScreenView::mousePressEvent(QMouseEvent* event) {
    emit MouseButton(event->position().toPoint(), event->button(), true);
}

void ScreenView::mouseReleaseEvent(QMouseEvent* event) {
    emit MouseButton(event->position().toPoint(), event->button(), false);
}

void ScreenView::leaveEvent(QEvent*) { emit MouseLeft(); }
