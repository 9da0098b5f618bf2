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

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ScreenDAD85* screen = nullptr;
    bool fullScreen = false;
    int painted = 0;
};
