#include "ui/HintHidePause.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

HintHidePause::HintHidePause(int msecs, QObject* parent) : QObject(parent), msecs(msecs) {
    setObjectName("HintHidePause");
}

bool HintHidePause::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ToolTip && watched->isWidgetType()) {
        auto* w = static_cast<QWidget*>(watched);
        if (w->toolTipDuration() < 0) w->setToolTipDuration(msecs);
    }
    return false;  // the hint itself is the widget's business
}

HintHidePause* FindHintHidePause(QCoreApplication& app) {
    return dynamic_cast<HintHidePause*>(app.findChild<QObject*>("HintHidePause", Qt::FindDirectChildrenOnly));
}

HintHidePause* SetHintHidePause(QCoreApplication& app, int msecs) {
    if (HintHidePause* old = FindHintHidePause(app)) {
        app.removeEventFilter(old);
        delete old;
    }
    auto* pause = new HintHidePause(msecs, &app);
    app.installEventFilter(pause);
    return pause;
}
