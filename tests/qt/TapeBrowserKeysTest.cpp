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

    TestWindowManager wm;
    QTemporaryDir dir;
    std::unique_ptr<TestProgramDir> prog;
    FakePrompts prompts;
    std::unique_ptr<TFormMain> form;

    static QString Xdotool() { return QStandardPaths::findExecutable("xdotool"); }

    static bool Type(const QString& keys) {
        QProcess p;
        p.start(Xdotool(), {"key", "--clearmodifiers", keys});
        return p.waitForFinished(5000) && p.exitCode() == 0;
    }

    static bool Activate(QWidget* window) {
        QProcess p;
        p.start(Xdotool(), {"windowactivate", "--sync", QString::number(window->winId())});
        p.waitForFinished(5000);
        window->activateWindow();
        return QTest::qWaitFor([window] { return QApplication::activeWindow() == window; }, 5000);
    }

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
        if (!TestWindowManager::OnX11()) QSKIP("needs an X server");
        if (Xdotool().isEmpty()) QSKIP("xdotool is not installed");
        QVERIFY(wm.Start());
    }

    void init() {
        prog = std::make_unique<TestProgramDir>();
        QVERIFY(prog->Make([](QString& t) { t.replace("mute=\"false\"", "mute=\"true\""); }));
        TFormMain::SetProgramDirOverride(prog->Path().toStdString());
        form = std::make_unique<TFormMain>(prompts);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QVERIFY(!form->FirstShowPending());
    }

    void cleanup() {
        form.reset();
        prog.reset();
        TFormMain::SetProgramDirOverride("");
    }

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
