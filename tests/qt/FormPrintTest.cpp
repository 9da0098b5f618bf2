// The printer's paper window: dots from the queue, Clear, scrolling and size limits.
#include <QtTest>

#include <QScrollArea>
#include <QScrollBar>

#include "shell/peripherals/FormPrint.h"

class FormPrintTest : public QObject {
    Q_OBJECT

private slots:
    void timerDrawsTheQueuedDotsAndClips() {
        TFormPrint form;
        Bt100::DotQueue queue;
        int clears = 0;
        form.Setup(640, 820, [&] { return &queue; }, [&] { ++clears; });
        queue.Push(PaperDot{171, 50});
        queue.Push(PaperDot{640, 10});  // outside: dropped
        queue.Push(PaperDot{5, 819});
        form.TimerPrintTimer();
        QVERIFY(queue.Empty());
        QVERIFY(form.Paper().Dot(171, 50));
        QVERIFY(form.Paper().Dot(5, 819));
        QVERIFY(!form.Paper().Dot(639, 10));
        form.BtnClearClick();
        QCOMPARE(clears, 1);
        QVERIFY(!form.Paper().Dot(171, 50));
    }

    void withoutAPrinterClearOnlyResetsTheScrolling() {
        TFormPrint form;
        form.resize(300, 300);
        form.show();
        QVERIFY(form.ScrlBarV()->isEnabled());
        QVERIFY(form.ScrlBarH()->isEnabled());
        form.ScrlBarV()->setValue(50);
        form.ScrlBarH()->setValue(100);
        // Half of the overhang up, all of it to the left.
        const int clientW = form.width() - TFormPrint::kBarSize;
        const int clientH = form.height() - TFormPrint::kToolHeight - TFormPrint::kBarSize;
        QCOMPARE(form.PaperOrigin(), QPoint(clientW - 640, int((clientH - 820) * 0.5)));
        form.TimerPrintTimer();  // nothing attached: nothing happens
        form.BtnClearClick();
        QCOMPARE(form.ScrlBarV()->value(), 0);
        QCOMPARE(form.ScrlBarH()->value(), 0);
        QCOMPARE(form.PaperOrigin(), QPoint(0, 0));
        // The wheel steps by the large change.
        QWheelEvent down(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                         Qt::NoScrollPhase, false);
        QApplication::sendEvent(&form, &down);
        QCOMPARE(form.ScrlBarV()->value(), TFormPrint::kLargeChange);
    }

    // The bars, the paper panel and the tool panel where the window's layout
    // puts them; a new size keeps the scroll percentages.
    void layoutAndResizeKeepTheOverhangShare() {
        TFormPrint form;
        form.resize(300, 300);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.ScrlBarV()->geometry(), QRect(283, 0, 17, 244));
        QCOMPARE(form.ScrlBarH()->geometry(), QRect(0, 244, 283, 17));
        QCOMPARE(form.findChild<QWidget*>("PanelPaper")->geometry(), QRect(0, 0, 283, 244));
        QCOMPARE(form.findChild<QWidget*>("PanelTool")->geometry(), QRect(0, 261, 300, 39));
        form.ScrlBarH()->setValue(100);
        form.ScrlBarV()->setValue(25);
        QCOMPARE(form.PaperOrigin(), QPoint(283 - 640, -144));  // (244 - 820) / 4
        form.resize(400, 500);
        QTRY_COMPARE(form.width(), 400);
        QCOMPARE(form.ScrlBarH()->value(), 100);
        QCOMPARE(form.PaperOrigin(), QPoint(383 - 640, -94));  // (444 - 820) / 4
        // The wheel over the paper is left to the window (a real wheel event
        // goes on to it): the paper does not move out of step with the bars.
        QScrollArea* area = form.findChild<QScrollArea*>("PanelPaper");
        QVERIFY(area);
        QWheelEvent down(QPointF(10, 10), area->viewport()->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, -120),
                         Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(area->viewport(), &down);
        QVERIFY(!down.isAccepted());
        QCOMPARE(form.PaperOrigin(), QPoint(383 - 640, -94));
        QApplication::sendEvent(&form, &down);
        QCOMPARE(form.ScrlBarV()->value(), 25 + TFormPrint::kLargeChange);
        QCOMPARE(form.PaperOrigin(), QPoint(383 - 640, int(-376 * 0.49)));
    }

    void sizeLimits() {
        TFormPrint form;
        QCOMPARE(form.BoundedSize(QSize(100, 150)), QSize(200, 200));
        QCOMPARE(form.BoundedSize(QSize(5000, 5000)),
                 QSize(640 + TFormPrint::kBarSize, 820 + TFormPrint::kBarSize + TFormPrint::kToolHeight));
        QCOMPARE(form.BoundedSize(QSize(400, 500)), QSize(400, 500));
        QCOMPARE(form.objectName(), QString("FormPrint"));
        QVERIFY(form.findChild<QWidget*>("ImgPaper"));
        QVERIFY(form.findChild<QWidget*>("BtnClear"));
    }
};

QTEST_MAIN(FormPrintTest)
#include "FormPrintTest.moc"
