// The printer's paper window: dots from the queue, Clear, scrolling and size limits.
#include <QtTest>

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
