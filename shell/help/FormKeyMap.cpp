#include "shell/help/FormKeyMap.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>

#include "shell/help/HelpPictures.h"
#include "ui/WindowPlacement.h"

TFormKeyMap::TFormKeyMap(QWidget* parent) : QWidget(parent, Qt::Tool) {
    setObjectName("FormKeyMap");
    setWindowTitle(QString::fromUtf8("Rozloženie klávesnice PMD-85 na PC klávesnici"));
    setFixedSize(820, 262);
    imageKeyboard = new QLabel(this);
    imageKeyboard->setObjectName("ImageKeyboard");
    imageKeyboard->setGeometry(0, 0, 820, 262);
    imageKeyboard->setPixmap(QPixmap::fromImage(DrawKeyboardPicture()));
    imageKeyboard->installEventFilter(this);
    if (QScreen* s = QGuiApplication::primaryScreen()) {
        const QRect desk = s->availableGeometry();
        PlaceWindowFrame(this, QPoint(desk.left() + (desk.width() - width()) / 2, desk.top() + (desk.height() - height()) / 2));
    }
}

void TFormKeyMap::SetChangeZy(bool on) {
    if (on == changeZy) return;
    changeZy = on;
    imageKeyboard->setPixmap(QPixmap::fromImage(DrawKeyboardPicture(on)));
}

void TFormKeyMap::ImageKeyboardMouseDown(const QPoint& at) {
    dragging = true;
    start = at;
}

void TFormKeyMap::ImageKeyboardMouseMove(const QPoint& at) {
    if (!dragging) return;
    move(x() + at.x() - start.x(), y() + at.y() - start.y());
}

void TFormKeyMap::ImageKeyboardMouseUp() { dragging = false; }

bool TFormKeyMap::eventFilter(QObject* watched, QEvent* event) {
    if (watched == imageKeyboard) {
        switch (event->type()) {
            case QEvent::MouseButtonPress:
                ImageKeyboardMouseDown(static_cast<QMouseEvent*>(event)->position().toPoint());
                return true;
            case QEvent::MouseMove:
                ImageKeyboardMouseMove(static_cast<QMouseEvent*>(event)->position().toPoint());
                return true;
            case QEvent::MouseButtonRelease:
                ImageKeyboardMouseUp();
                return true;
            default:
                break;
        }
    }
    return QWidget::eventFilter(watched, event);
}
