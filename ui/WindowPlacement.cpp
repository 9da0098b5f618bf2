#include "ui/WindowPlacement.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <algorithm>

namespace {

QSize g_frameExtra;  // frame width minus client width, and the same for heights

QRect AvailableArea(QWidget* window, const QPoint& at) {
    QScreen* s = QGuiApplication::screenAt(at);
    if (!s) s = window->screen();
    if (!s) s = QGuiApplication::primaryScreen();
    return s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
}

bool Framed(const QWidget* w) { return w->isVisible() && w->frameGeometry() != w->geometry(); }

// Watches the window until its frame has stayed where it belongs for a few ticks.
class FramePlacer : public QObject {
public:
    static constexpr const char* kName = "FramePlacer";
    FramePlacer(QWidget* w, const QPoint& wantedCorner) : QObject(w), window(w), wanted(wantedCorner) {
        setObjectName(kName);
        timer.setInterval(20);
        connect(&timer, &QTimer::timeout, this, [this] { Tick(); });
        clock.start();
        timer.start();
    }
    void Retarget(const QPoint& wantedCorner) {
        wanted = wantedCorner;
        settled = 0;
        clock.restart();
        if (!timer.isActive()) timer.start();
    }

private:
    void Tick() {
        if (!window || clock.elapsed() > 5000 || (window->windowState() & (Qt::WindowFullScreen | Qt::WindowMaximized))) {
            timer.stop();
            return;
        }
        if (!window->isVisible()) {
            clock.restart();  // waits for the showing
            return;
        }
        if (!Framed(window)) {
            // No manager, or the frame not known yet: asking again for the
            // position makes the window system report the frame anew.
            if (++unframed % 10 == 0) window->move(window->pos() + QPoint(0, 0));
            return;
        }
        const QRect frame = window->frameGeometry();
        g_frameExtra = frame.size() - window->geometry().size();
        const QPoint corner = FitFrame(wanted, frame.size(), AvailableArea(window, wanted));
        if (frame.topLeft() != corner) {
            settled = 0;
            window->move(corner);
        } else if (++settled >= 5) {
            timer.stop();
        }
    }

    QPointer<QWidget> window;
    QPoint wanted;
    QTimer timer;
    QElapsedTimer clock;
    int settled = 0;
    int unframed = 0;
};

}  // namespace

QPoint FitFrame(const QPoint& wanted, const QSize& frame, const QRect& area) {
    int x = std::min(wanted.x(), area.left() + area.width() - frame.width());
    int y = std::min(wanted.y(), area.top() + area.height() - frame.height());
    x = std::max(x, area.left());
    y = std::max(y, area.top());
    return {x, y};
}

QSize ExpectedFrameExtra() { return g_frameExtra; }

void PlaceWindowFrame(QWidget* window, const QPoint& wanted) {
    if (!window) return;
    QSize frame = window->frameGeometry().size();
    if (!Framed(window)) frame = window->size() + g_frameExtra;
    window->move(FitFrame(wanted, frame, AvailableArea(window, wanted)));
    if (auto* placer = window->findChild<QObject*>(FramePlacer::kName, Qt::FindDirectChildrenOnly))
        static_cast<FramePlacer*>(placer)->Retarget(wanted);
    else
        new FramePlacer(window, wanted);
}
