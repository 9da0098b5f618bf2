#pragma once
// Shows the screen renderer's bitmap.
#include <QList>
#include <QRgb>
#include <QWidget>

class ScreenDAD85;

class ScreenView : public QWidget {
    Q_OBJECT
public:
    explicit ScreenView(QWidget* parent = nullptr);
    void SetScreen(ScreenDAD85* screen);
    // Full screen: the picture at the renderer's offsets on black.
    void SetFullScreen(bool on) { fullScreen = on; }
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
    ScreenDAD85* screen = nullptr;
    bool fullScreen = false;
    int painted = 0;
};
