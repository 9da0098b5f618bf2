// The tool windows' editors and masked fields typed as a user types (key
// events of the X server, under a window manager): the debugger's text
// editor and breakpoint editor, the search window's fields and the
// disassembly window's address fields.
#include <QtTest>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTreeWidget>

#include <memory>

#include "machine/core/RequestWords.h"
#include "machine/cpu/ChipCpu8080.h"
#include "machine/cpu/ChipMemory.h"
#include "shell/FormMain.h"
#include "tests/qt/FakePrompts.h"
#include "tests/qt/TestProgramDir.h"
#include "tests/qt/TestWindowManager.h"
#include "tests/qt/XdoMainWindow.h"
#include "tools/debugger/window/DbgWindowUtils.h"
#include "tools/debugger/window/FormDbgFind.h"
#include "tools/debugger/window/FormDebugger.h"
#include "tools/debugger/window/FormDisass.h"

class ToolEditorsTypingTest : public QObject {
    Q_OBJECT

    XdoMainWindow x;
    FakePrompts& prompts = x.prompts;
    std::unique_ptr<TFormMain>& form = x.form;

    static bool Run(const QStringList& args) { return XdoMainWindow::Xdo(args); }
    static bool Type(const QString& text) { return XdoMainWindow::TypeText(text); }
    static bool Key(const QString& keys) { return XdoMainWindow::Key(keys); }
    static bool FocusIn(QWidget* window, QWidget* w) { return XdoMainWindow::FocusIn(window, w); }

    TFormDebugger* OpenDebugger() {
        form->ActionNamed("MiDebugger")->trigger();
        TFormDebugger* d = form->FormDebugger();
        if (!QTest::qWaitForWindowExposed(d)) return nullptr;
        return d;
    }
    ChipMemory& Mem() { return *form->Owner().GetMemory(); }

private slots:
    void initTestCase() {
        if (const char* why = XdoMainWindow::Missing()) QSKIP(why);
        QVERIFY(x.wm.Start());
    }

    void init() { QVERIFY(x.Show()); }

    void cleanup() { x.Close(); }

    // Each typed character takes the next place; "." over a byte that
    // shows as "." keeps the byte; a character past the end is dropped.
    void textEditorIsTypedOver() {
        QFETCH(int, count);
        QFETCH(int, start);
        QFETCH(QString, typed);
        QFETCH(QByteArray, expected);  // the count bytes after Enter
        TFormDebugger* d = OpenDebugger();
        QVERIFY(d);
        for (int i = 0; i < count; ++i) Mem().WriteByte(0x5000 + i, i == 1 ? 0x07 : 0x41 + i);
        d->OpenAsciiEditor(0x5000, start, d->Line(0), count);
        QLineEdit* e = d->AsciiEditor();
        QVERIFY(FocusIn(d, e));
        QCOMPARE(e->selectionStart(), start);
        // The field shows what Enter will write ("." for the byte that shows as one).
        QString shown = QString::fromLatin1(expected);
        shown.replace(QChar(0x07), QChar('.'));
        QVERIFY(Type(typed));
        QTRY_COMPARE_WITH_TIMEOUT(e->text(), shown, 5000);
        // Cut and paste would change the length: they do nothing here (the
        // keys reach the field in order, so Enter comes after them).
        QGuiApplication::clipboard()->setText("0123456789");
        QVERIFY(Key("ctrl+x"));
        QVERIFY(Key("ctrl+v"));
        QVERIFY(Key("Return"));
        QTRY_VERIFY_WITH_TIMEOUT(!e->isVisible(), 5000);
        QCOMPARE(e->text(), shown);  // never longer or shorter
        QByteArray got;
        for (int i = 0; i < count; ++i) got += char(Mem().ReadByte(0x5000 + i));
        QCOMPARE(got, expected);
    }
    void textEditorIsTypedOver_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("XYZ at the start") << 8 << 0 << "XYZ" << QByteArray("XYZDEFGH");
        QTest::newRow("from the middle, a blank too") << 8 << 3 << "a b" << QByteArray("A\x07" "Ca bGH");
        QTest::newRow("past the end of 8") << 8 << 6 << "pqrs" << QByteArray("A\x07" "CDEFpq");
        QByteArray ascii32;
        for (int i = 0; i < 32; ++i) ascii32 += char(i == 1 ? 0x07 : 0x41 + i);
        QByteArray typed32 = ascii32;
        typed32.replace(30, 2, "xy");
        QTest::newRow("the last places of 32") << 32 << 30 << "xyz" << typed32;
    }

    // The edited breakpoint item is a header in the highlight colour; the
    // typed address goes in and the item comes back as a ticked item.
    void breakpointItemIsAHeaderWhileEdited() {
        QFETCH(QString, finish);
        TFormDebugger* d = OpenDebugger();
        QVERIFY(d);
        d->Run().SetBp(2, 0x1234, true);
        d->ShowBreakPoints();
        QListWidget* list = d->BreakPointList();
        QListWidgetItem* item = list->item(1);
        QVERIFY(FocusIn(d, list));
        const QPoint at = list->viewport()->mapToGlobal(list->visualItemRect(item).center());
        // Off the item first: a move onto the place the pointer has already never ends.
        QVERIFY(Run({"mousemove", "--sync", QString::number(at.x() + 40), QString::number(at.y() + 300)}));
        QVERIFY(Run({"mousemove", "--sync", QString::number(at.x()), QString::number(at.y())}));
        QVERIFY(Run({"click", "--repeat", "2", "--delay", "80", "1"}));
        QTRY_VERIFY_WITH_TIMEOUT(d->ValueEditor()->isVisible(), 5000);
        QVERIFY(!item->data(Qt::CheckStateRole).isValid());  // no check box
        QCOMPARE(item->background().color(), d->HighlightColor());
        QVERIFY(!(item->flags() & Qt::ItemIsUserCheckable));
        QCOMPARE(d->Run().Bp(2).active.load(), uint8_t(1));  // still armed
        QVERIFY(FocusIn(d, d->ValueEditor()));
        QVERIFY(Type("4"));
        QTRY_VERIFY_WITH_TIMEOUT(d->ValueEditor()->text().startsWith("#4"), 5000);
        QVERIFY(Key(finish));
        QTRY_VERIFY_WITH_TIMEOUT(!d->ValueEditor()->isVisible(), 5000);
        QCOMPARE(item->checkState(), Qt::Checked);
        QCOMPARE(item->background().style(), Qt::NoBrush);
        QVERIFY(item->flags() & Qt::ItemIsUserCheckable);
        QCOMPARE(d->Run().Bp(2).address.load(), uint16_t(finish == "Return" ? 0x4234 : 0x1234));
        QCOMPARE(d->Run().Bp(2).active.load(), uint8_t(1));
    }
    void breakpointItemIsAHeaderWhileEdited_data() {
        QTest::addColumn<QString>("finish");
        QTest::newRow("Enter") << QString("Return");
        QTest::newRow("Esc") << QString("Escape");
    }

    // The character field takes a typed character at the clicked place; the
    // value field takes hex digits (upper-cased) only, typed over.
    void searchFieldsAreTypedOver() {
        TFormDebugger* d = OpenDebugger();
        QVERIFY(d);
        d->SbFindClick();
        TFormDbgFind* f = d->FormDbgFind();
        QVERIFY(QTest::qWaitForWindowExposed(f));
        f->radioAscii->click();
        QLineEdit* ascii = f->ascii;
        QVERIFY(FocusIn(f, ascii));
        // A click between characters 3 and 4 selects character 3 (place 13).
        ascii->setCursorPosition(15);
        const QPoint at = ascii->inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
        ascii->setCursorPosition(0);
        QTest::mouseClick(ascii, Qt::LeftButton, {}, at);
        QTRY_COMPARE_WITH_TIMEOUT(ascii->selectionStart(), 13, 5000);
        QCOMPARE(ascii->selectedText().size(), 1);
        QVERIFY(Type("AB"));
        QTRY_VERIFY_WITH_TIMEOUT(f->checkVal[4]->isChecked(), 5000);
        QCOMPARE(f->GetPattern().pattern[3], uint8_t('A'));
        QCOMPARE(f->GetPattern().pattern[4], uint8_t('B'));
        QCOMPARE(f->GetPattern().mask[3], uint8_t(0xFF));
        QVERIFY(f->checkVal[3]->isChecked());
        QVERIFY(!f->checkVal[2]->isChecked());
        QCOMPARE(ascii->text().size(), 30);
        QCOMPARE(ascii->text().mid(13, 5), QString("A   B"));
        QVERIFY(f->btnFind->isEnabled());

        f->radioValues->click();
        QLineEdit* values = f->values;
        QVERIFY(FocusIn(f, values));
        // A click on the "#" of value 2 selects its first digit.
        values->setCursorPosition(4);
        const QPoint hash = values->inputMethodQuery(Qt::ImCursorRectangle).toRect().center() + QPoint(2, 0);
        values->setCursorPosition(0);
        QTest::mouseClick(values, Qt::LeftButton, {}, hash);
        QTRY_COMPARE_WITH_TIMEOUT(values->selectionStart(), 5, 5000);
        QVERIFY(Type("g9c"));  // g is no hex digit
        QTRY_COMPARE_WITH_TIMEOUT(f->GetPattern().pattern[1], uint8_t(0x9C), 5000);
        QVERIFY(values->text().startsWith("#00 #9C #00"));
        QVERIFY(f->checkVal[1]->isChecked());

        // Fewer than eight values read: the error beep, nothing taken.
        const int beeps = dbgwin::BeepCount();
        values->setText("#11 #22");
        f->MeEditValuesChange();
        QCOMPARE(dbgwin::BeepCount(), beeps + 1);
        QCOMPARE(f->GetPattern().pattern[0], uint8_t(0));
    }

    // "C000" and "C0FF" typed (in lower case) over the address fields add
    // the area C000h..C0FFh; letters beyond F do not get in.
    void disassemblyAddressesAreTypedOver() {
        TFormDebugger* d = OpenDebugger();
        QVERIFY(d);
        d->SbDisassClick();
        TFormDisass* w = d->FormDisass();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        auto* from = w->findChild<QLineEdit*>("MeFrom");
        auto* to = w->findChild<QLineEdit*>("MeTo");
        auto* offset = w->findChild<QLineEdit*>("MeOffset");
        QVERIFY(from && to && offset);
        struct Field {
            QLineEdit* edit;
            const char* typed;
            const char* shown;
        };
        const Field fields[] = {{from, "c0x00", "#C000"}, {to, "c0ff", "#C0FF"}, {offset, "4z", "#4000"}};
        for (const Field& f : fields) {
            QVERIFY(FocusIn(w, f.edit));
            f.edit->setCursorPosition(1);
            QVERIFY(Type(f.typed));
            QTRY_COMPARE_WITH_TIMEOUT(f.edit->text(), QString(f.shown), 5000);
        }
        w->findChild<QPushButton*>("BtnAdd")->click();
        QCOMPARE(prompts.Warnings(), QStringList());
        QCOMPARE(w->Areas().size(), size_t(1));
        QCOMPARE(w->Areas()[0].from, 0xC000);
        QCOMPARE(w->Areas()[0].to, 0xC0FF);
        QCOMPARE(w->Areas()[0].offset, 0x4000);  // C000h + 4000h runs on from 0000h
    }
};

QTEST_MAIN(ToolEditorsTypingTest)
#include "ToolEditorsTypingTest.moc"
