// The main window's peripherals: the printer output command and paper, the
// joystick dialog it keeps, and the host mouse over the screen.
#include <QtTest>

#include <QAction>
#include <QMenu>
#include <QMouseEvent>

#include <memory>

#include "machine/input/Mouse.h"
#include "machine/pio/IifGPIO.h"
#include "machine/printer/Bt100.h"
#include "shell/FormMain.h"
#include "shell/ScreenView.h"
#include "shell/peripherals/FormJoy.h"
#include "shell/peripherals/FormPrint.h"
#include "tests/qt/TestProgramDir.h"

class FormMainPeripheralsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestProgramDir> prog;
    std::unique_ptr<TFormMain> form;

    void Start() {
        prog = std::make_unique<TestProgramDir>();
        QVERIFY(prog->Make([](QString& xml) {
            xml.replace(QRegularExpression("<Mouse type=\"[a-z0-9]*\""), "<Mouse type=\"poly8\"");
            xml.replace(QRegularExpression("<Printer type=\"[a-z0-9]*\""), "<Printer type=\"bt100\"");
        }));
        TFormMain::SetProgramDirOverride(prog->Path().toStdString());
        form = std::make_unique<TFormMain>();
        QCOMPARE(ApplicationTag, 0);
        form->show();
        QVERIFY(!form->FirstShowPending());
        form->SetPause(1, 1);
    }

private slots:
    void cleanup() {
        form.reset();
        prog.reset();
        TFormMain::SetProgramDirOverride("");
    }

    void printerOutputShowsThePaperWithTheDots() {
        Start();
        MachineOwner& owner = form->Owner();
        QVERIFY(owner.GetBt100());
        QAction* item = form->findChild<QAction*>("MiPrinterOutput");
        QVERIFY(item);
        QCOMPARE(item->shortcut(), QKeySequence(Qt::ALT | Qt::Key_O));
        // In the tools menu, right before the clipboard text.
        QMenu* tools = form->findChild<QMenu*>("MiTools");
        QVERIFY(tools);
        const QList<QAction*> actions = tools->actions();
        const int at = int(actions.indexOf(item));
        QVERIFY(at >= 0 && at + 2 < actions.size());
        QVERIFY(actions[at + 1]->isSeparator());
        QCOMPARE(actions[at + 2]->objectName(), QString("MiInsertText"));

        TFormPrint* paper = form->FormPrint();
        QVERIFY(paper);
        QVERIFY(!paper->isVisible());
        item->trigger();
        QVERIFY(paper->isVisible());

        IifGPIO& gpio = *owner.GetGpio();
        gpio.WritePort(0x4F, 0x88, 0);
        gpio.WritePort(0x4C, 0xFE, 0);
        paper->TimerPrintTimer();
        QVERIFY(paper->Paper().Dot(171, 50));
        paper->BtnClearClick();
        QVERIFY(!paper->Paper().Dot(171, 50));
        QVERIFY(owner.GetBt100()->GetDotQueue()->Empty());
    }

    void mouseOverTheScreenReachesTheEmulatedMouse() {
        Start();
        auto* mouse = dynamic_cast<MousePoly08*>(form->Owner().GetMouse());
        QVERIFY(mouse);
        ScreenView* screen = form->findChild<ScreenView*>("ScreenView");
        QVERIFY(screen);
        QTest::mouseMove(screen, QPoint(20, 20));
        QMouseEvent move(QEvent::MouseMove, QPointF(20, 20), QPointF(20, 20), screen->mapToGlobal(QPointF(20, 20)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(screen, &move);
        QCOMPARE(screen->cursor().shape(), Qt::BlankCursor);  // hidden over the picture
        QVERIFY(!mouse->Pending());
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(30, 20), QPointF(30, 20), screen->mapToGlobal(QPointF(30, 20)),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(screen, &press);
        QVERIFY(mouse->Pending());
        QCOMPARE(mouse->Status() & 0x04, 0);  // left pressed
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(screen, &leave);
        QVERIFY(screen->cursor().shape() != Qt::BlankCursor);
    }

    void joystickDialogIsKept() {
        Start();
        TFormJoy* joy = form->FormJoy();
        QVERIFY(joy);
        QCOMPARE(joy->objectName(), QString("FormJoy"));
        QCOMPARE(joy->DescribeConnection(0), QString("..."));
    }
};

QTEST_MAIN(FormMainPeripheralsTest)
#include "FormMainPeripheralsTest.moc"
