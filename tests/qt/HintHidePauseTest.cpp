// The hint hide pause of the program: a widget's hint stays shown 5000 ms unless the
// widget sets its own time, and a widget that keeps its hints hidden still does.
#include <QtTest>

#include <QAction>
#include <QHelpEvent>
#include <QLabel>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

#include "shell/ProgramEntry.h"
#include "ui/HintHidePause.h"

namespace {

// Asks w for its hint as the pointer resting on it does.
void AskHint(QWidget* w) {
    QHelpEvent e(QEvent::ToolTip, QPoint(2, 2), w->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(w, &e);
}

// Keeps the hints of one widget hidden, as a window with its hints switched off does.
struct Swallow : QObject {
    bool eventFilter(QObject*, QEvent* e) override { return e->type() == QEvent::ToolTip; }
};

}  // namespace

class HintHidePauseTest : public QObject {
    Q_OBJECT

private slots:
    void hintsStayFiveSeconds() {
        QCOMPARE(kHintHidePauseMs, 5000);
        SetHintHidePause(*qApp, kHintHidePauseMs);
        SetHintHidePause(*qApp, kHintHidePauseMs);  // once more: still one
        QCOMPARE(qApp->findChildren<QObject*>("HintHidePause").size(), qsizetype(1));
        QCOMPARE(FindHintHidePause(*qApp)->Msecs(), 5000);
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* label = new QLabel("label", &window);
        label->setToolTip("the label's hint");
        auto* own = new QLabel("own", &window);
        own->setToolTip("its own time");
        own->setToolTipDuration(1234);
        auto* button = new QToolButton(&window);
        auto* action = new QAction("Open", &window);
        action->setToolTip("Open a tape");
        button->setDefaultAction(action);  // as on the toolbar
        auto* hidden = new QLabel("hidden", &window);
        hidden->setToolTip("never shown");
        Swallow swallow;
        hidden->installEventFilter(&swallow);
        for (QWidget* w : std::initializer_list<QWidget*>{label, own, button, hidden}) layout->addWidget(w);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QCOMPARE(label->toolTipDuration(), -1);
        AskHint(label);
        QCOMPARE(label->toolTipDuration(), 5000);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), QString("the label's hint"));
        AskHint(button);
        QCOMPARE(button->toolTipDuration(), 5000);
        QTRY_COMPARE(QToolTip::text(), QString("Open a tape"));
        AskHint(own);
        QCOMPARE(own->toolTipDuration(), 1234);
        QToolTip::hideText();
        QTRY_VERIFY(!QToolTip::isVisible());
        AskHint(hidden);
        QTest::qWait(50);
        QVERIFY(!QToolTip::isVisible() || QToolTip::text() != QString("never shown"));
    }
};

QTEST_MAIN(HintHidePauseTest)
#include "HintHidePauseTest.moc"
