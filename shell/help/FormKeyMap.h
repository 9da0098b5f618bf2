#pragma once
// The keyboard picture: a floating window showing which host key gives which
// key of the emulated keyboard; dragged by the picture itself.

#include <QWidget>

class QLabel;

class TFormKeyMap : public QWidget {
    Q_OBJECT
public:
    explicit TFormKeyMap(QWidget* parent = nullptr);

    void ImageKeyboardMouseDown(const QPoint& at);
    void ImageKeyboardMouseMove(const QPoint& at);
    void ImageKeyboardMouseUp();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* imageKeyboard = nullptr;
    bool dragging = false;
    QPoint start;
};
