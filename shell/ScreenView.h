#pragma once
// Shows the screen renderer's bitmap.
//
// The view keeps its own RGB copy of the bitmap (allocated again only when
// the picture's size changes) and a copy of the palette indices it was made
// from. A new frame converts only the rows whose indices changed and asks
// the window system to repaint only those rows, so a quiet picture costs a
// row compare per frame. Windowed, the picture sits at the top left; in full
// screen it is centred on black and the pointer is hidden.
#include <QImage>
#include <QList>
#include <QRect>
#include <QRgb>
#include <QWidget>

#include <atomic>
#include <cstdint>
#include <vector>

class ScreenDAD85;

class ScreenView : public QWidget {
    Q_OBJECT
public:
    explicit ScreenView(QWidget* parent = nullptr);
    void SetScreen(ScreenDAD85* screen);
    // Full screen: the picture centred on black, no pointer.
    void SetFullScreen(bool on);
    bool IsFullScreen() const { return fullScreen; }
    // The renderer drew a frame; from any thread. Posts at most one pending
    // FrameReady to the view's thread, as a call by name: the queued event is
    // then made and freed inside Qt alone, with no object of ours handed from
    // thread to thread behind Qt's own locks.
    void PostFrame();
    // Takes the changed rows of the renderer's bitmap and repaints them.
    Q_INVOKABLE void FrameReady();
    // Where the picture's top left corner lies in the view.
    QPoint PictureOrigin() const;
    // The renderer's palette as Qt colours.
    static const QList<QRgb>& ColorTable();
    // Number of frames painted (for tests).
    int PaintedFrames() const { return painted; }

signals:
    // The host mouse over the picture, in the widget's own coordinates.
    void MouseMoved(QPoint pos);
    void MouseButton(QPoint pos, Qt::MouseButton button, bool down);
    void MouseLeft();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    // Brings the RGB copy up to date; returns the changed rows (picture
    // coordinates, empty when nothing changed).
    QRect Sync();

    ScreenDAD85* screen = nullptr;
    bool fullScreen = false;
    int painted = 0;
    std::atomic<bool> framePending{false};
    QImage frame;                // RGB copy of the bitmap
    std::vector<uint8_t> shown;  // the indices frame was made from
    bool shownValid = false;
    bool resized = false;        // frame was made at a new size, not yet painted whole
};
