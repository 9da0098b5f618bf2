// The tape browser's keys typed as a user types them (key events of the X
// server, under a window manager) while its block list has the focus: Space
// makes the selected block current; digits, letters, keypad and function
// keys hand the focus to the main window instead of going to the list.
#include <QtTest>

#include <QApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <memory>

#include "shell/FormMain.h"
#include "tests/qt/FakePrompts.h"
#include "tests/qt/TestProgramDir.h"
#include "tests/qt/TestWindowManager.h"
#include "tests/qt/XdoMainWindow.h"
#include "tools/tape/window/TapeBrowser.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Word(Bytes& out, unsigned w) {
    out.push_back(static_cast<uint8_t>(w));
    out.push_back(static_cast<uint8_t>(w >> 8));
}

// A PTP header block of type "?" with the data bytes 1..n and a blank name.
Bytes HeaderBlock(uint8_t number, int n) {
    Bytes part(16, 0xFF);
    part.insert(part.end(), 16, 0x00);
    part.insert(part.end(), 16, 0x55);
    part.push_back(number);
    part.push_back('?');
    Word(part, 0x3000);
    Word(part, static_cast<unsigned>(n - 1));
    part.insert(part.end(), 8, ' ');
    uint8_t sum = 0;
    for (int i = 48; i < 62; ++i) sum = static_cast<uint8_t>(sum + part[i]);
    part.push_back(sum);
    Bytes out;
    Word(out, 63);
    out.insert(out.end(), part.begin(), part.end());
    Word(out, static_cast<unsigned>(n + 1));
    uint8_t s = 0;
    for (int i = 1; i <= n; ++i) {
        out.push_back(static_cast<uint8_t>(i));
        s = static_cast<uint8_t>(s + i);
    }
    out.push_back(s);
    return out;
}

}  // namespace

class TapeBrowserKeysTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    XdoMainWindow x;
    std::unique_ptr<TFormMain>& form = x.form;

    static bool Type(const QString& keys) { return XdoMainWindow::Key(keys); }
    static bool Activate(QWidget* window) { return XdoMainWindow::Activate(window); }

    // The browser active with the focus in its block list, row 2 selected.
    bool FocusTheList(TFormTapeBrowser* b) {
        if (!Activate(b)) return false;
        QTreeWidget* list = b->ListViewTape;
        list->setFocus(Qt::OtherFocusReason);
        list->clearSelection();
        list->setCurrentItem(list->topLevelItem(2));
        return QTest::qWaitFor([list] { return QApplication::focusWidget() == list; }, 5000) &&
               list->topLevelItem(2)->isSelected();
    }

private slots:
    void initTestCase() {
        if (const char* why = XdoMainWindow::Missing()) QSKIP(why);
        QVERIFY(x.wm.Start());
    }

    void init() { QVERIFY(x.Show()); }

    void cleanup() { x.Close(); }

    void spaceMakesTheSelectedBlockCurrent() {
        TFormTapeBrowser* b = OpenTape();
        QVERIFY(b);
        QCOMPARE(b->Deck().CurrentIndex(), 0);
        QVERIFY(FocusTheList(b));
        QVERIFY(Type("space"));
        QTRY_COMPARE_WITH_TIMEOUT(b->Deck().CurrentIndex(), 2, 5000);
        QCOMPARE(QApplication::activeWindow(), static_cast<QWidget*>(b));
    }

    void keysForTheMachineGoToTheMainWindow() {
        QFETCH(QString, keys);
        TFormTapeBrowser* b = OpenTape();
        QVERIFY(b);
        QVERIFY(FocusTheList(b));
        QVERIFY(Type(keys));
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeWindow(), static_cast<QWidget*>(form.get()), 5000);
        // The key went nowhere in the list: the selection stays.
        QVERIFY(b->ListViewTape->topLevelItem(2)->isSelected());
        QCOMPARE(b->Deck().CurrentIndex(), 0);
    }
    void keysForTheMachineGoToTheMainWindow_data() {
        QTest::addColumn<QString>("keys");
        QTest::newRow("letter") << QString("a");
        QTest::newRow("digit") << QString("7");
        QTest::newRow("keypad") << QString("KP_Multiply");
        QTest::newRow("function key") << QString("F5");
    }

private:
    TFormTapeBrowser* OpenTape() {
        Bytes t;
        for (uint8_t n = 1; n <= 3; ++n) {
            const Bytes blk = HeaderBlock(n, 4 + n);
            t.insert(t.end(), blk.begin(), blk.end());
        }
        const QString path = dir.path() + "/keys.ptp";
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly)) return nullptr;
        f.write(reinterpret_cast<const char*>(t.data()), static_cast<qint64>(t.size()));
        f.close();
        if (!form->OpenTapeFile(path)) return nullptr;
        TFormTapeBrowser* b = form->TapeBrowser();
        if (!b || !QTest::qWaitForWindowExposed(b) || b->ListViewTape->topLevelItemCount() != 3) return nullptr;
        return b;
    }
};

QTEST_MAIN(TapeBrowserKeysTest)
#include "TapeBrowserKeysTest.moc"
