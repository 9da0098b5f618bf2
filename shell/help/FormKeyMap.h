#pragma once
// The keyboard picture: a floating window showing which host key gives which
// key of the emulated keyboard; dragged by the picture itself.

#include <QWidget>

class QLabel;

class TFormKeyMap : public QWidget {
    Q_OBJECT
public:
    explicit TFormKeyMap(QWidget* parent = nullptr);

    // Draws the picture for the keyboard's change-zy setting.
    void SetChangeZy(bool on);
    bool ChangeZy() const { return changeZy; }

    void ImageKeyboardMouseDown(const QPoint& at);
    void ImageKeyboardMouseMove(const QPoint& at);
    void ImageKeyboardMouseUp();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* imageKeyboard = nullptr;
    bool dragging = false;
    bool changeZy = false;
    QPoint start;
};
