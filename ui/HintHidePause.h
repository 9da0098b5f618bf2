#pragma once
// The application's hint hide pause: how long a widget's hint (tool tip) stays shown.
// Every widget that sets no duration of its own takes the pause when its hint is first
// asked for, so that the widget's own handling of the hint (a window that keeps some
// hints hidden, say) stays as it is.
#include <QObject>

class QCoreApplication;

class HintHidePause : public QObject {
public:
    HintHidePause(int msecs, QObject* parent);
    int Msecs() const { return msecs; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int msecs;
};

// Installs the pause on the application (owned by it); msecs replaces an earlier one.
HintHidePause* SetHintHidePause(QCoreApplication& app, int msecs);
// The pause the application has, or null.
HintHidePause* FindHintHidePause(QCoreApplication& app);
