// Real host key events in an X server with a window manager: text typed by
// a typing tool at full speed reaches a program that scans the keyboard
// once a frame exactly as slow typing does, and Alt+Pause (also with Ctrl,
// which makes it Break) stops a running action recording.
#include <QtTest>

#include <QProcess>
#include <QStandardPaths>

#include <memory>
#include <vector>

#include "machine/cpu/ChipCpu8080.h"
#include "machine/cpu/ChipMemory.h"
#include "machine/recording/RecordingSession.h"
#include "shell/FormMain.h"
#include "shell/recording/FormActionRecording.h"
#include "shell/settings/FormSettings.h"
#include "tests/qt/MainWindowFixture.h"
#include "tests/qt/TestWindowManager.h"

namespace {

// The keyboard scanner of the owner tests (code at 4000h), logging each
// key-down (column with Shift in bit 7, row bits) at 6000h, count at 5FFFh.
const std::vector<uint8_t> kScanner = {
#include "tests/owner/KeyScanner.inc"
};
constexpr uint16_t kCount = 0x5FFF;
constexpr int kLogPointer = 0x3A;  // high byte of the log address in LXI H,6000h
constexpr uint16_t kScreenLog = 0xC800;

QString Xdotool() { return QStandardPaths::findExecutable("xdotool"); }

}  // namespace

class HostKeysTest : public QObject, public MainWindowFixture {
    Q_OBJECT

    TestWindowManager manager;

    // False (and the test skipped) without an X server, xdotool or openbox.
    bool Ready() {
        if (!TestWindowManager::OnX11()) return false;
        if (Xdotool().isEmpty() || TestWindowManager::Program().isEmpty()) return false;
        return manager.Start();
    }
    int Xdo(const QStringList& args) { return QProcess::execute(Xdotool(), args); }
    // The window gets the keyboard focus of the X server.
    bool Focus(QWidget* w) {
        w->raise();
        w->activateWindow();
        Xdo({"windowactivate", "--sync", QString::number(w->winId())});
        return QTest::qWaitForWindowActive(w, 10000);
    }
    // The scanner at 4000h, logging into the screen at C800h; the machine runs.
    void RunScanner() {
        form->SetPause(1, 1);
        ChipMemory& m = *form->Owner().GetMemory();
        std::vector<uint8_t> program = kScanner;
        QCOMPARE(int(program[kLogPointer]), 0x60);
        program[kLogPointer] = kScreenLog >> 8;
        for (size_t i = 0; i < program.size(); ++i) m.WriteByte(0x4000 + static_cast<int32_t>(i), program[i]);
        for (int a = 0xC000; a <= 0xFFFF; ++a) m.WriteByte(a, 0);
        form->Owner().GetCpu()->PC = 0x4000;
        form->Owner().GetCpu()->Halt = 0;
        form->SetPause(0, 1);
        const int32_t start = form->Owner().GetSliceCount();
        QTRY_VERIFY_WITH_TIMEOUT(form->Owner().GetSliceCount() > start + 20, 10000);
    }
    std::vector<uint8_t> Screen() {
        std::vector<uint8_t> s;
        ChipMemory& m = *form->Owner().GetMemory();
        for (int a = 0xC000; a <= 0xFFFF; ++a) s.push_back(static_cast<uint8_t>(m.ReadByte(a)));
        return s;
    }
    // Types text and Return with xdotool (delay between keys in ms); screen: the video
    // RAM once every key-down has been seen and the key events are all applied.
    void Typed(const QString& text, int delayMs, int keyDowns, std::vector<uint8_t>& screen) {
        RunScanner();
        QVERIFY(Focus(form.get()));
        // The text, then Return ("\n" in a typed text has no key of its own).
        Xdo({"type", "--delay", QString::number(delayMs), text});
        Xdo({"key", "Return"});
        ChipMemory& m = *form->Owner().GetMemory();
        QTRY_VERIFY_WITH_TIMEOUT(form->Owner().KeyEvents().Waiting() == 0 && m.ReadByte(kCount) >= keyDowns, 30000);
        // Some frames more: nothing else may come.
        const int32_t start = form->Owner().GetSliceCount();
        QTRY_VERIFY_WITH_TIMEOUT(form->Owner().GetSliceCount() > start + 50, 10000);
        QCOMPARE(int(m.ReadByte(kCount)), keyDowns);
        form->SetPause(1, 1);
        screen = Screen();
    }

private slots:
    void cleanup() {
        Stop();
        manager.Stop();
    }

    void typingToolAtFullSpeedGivesTheSameScreenAsSlowTyping() {
        if (!Ready()) QSKIP("needs an X server, xdotool and openbox");
        Start();
        // Doubled letters, shifted letters and shifted punctuation, then Return.
        const QString text = "mgld aab;:B+x";
        const int keyDowns = static_cast<int>(text.size()) + 1;
        std::vector<uint8_t> slow, fast;
        Typed(text, 200, keyDowns, slow);
        if (QTest::currentTestFailed()) return;
        Typed(text, 12, keyDowns, fast);  // xdotool's own default
        if (QTest::currentTestFailed()) return;
        QVERIFY(fast == slow);
        // Spot checks from the key table: "m" is column 7 row 10h, then "g" 4/08h;
        // "B" with Shift; ":" is Shift and the ";" key, 9/08h.
        const int log = kScreenLog - 0xC000;
        QCOMPARE(int(fast[log]), 7);
        QCOMPARE(int(fast[log + 1]), 0x10);
        QCOMPARE(int(fast[log + 2]), 4);
        QCOMPARE(int(fast[log + 3]), 0x08);
        QCOMPARE(int(fast[log + 2 * 9]), 0x80 | 9);  // ':'
        QCOMPARE(int(fast[log + 2 * 9 + 1]), 0x08);
        QCOMPARE(int(fast[log + 2 * 10]), 0x80 | 5);  // 'B'
        QCOMPARE(int(fast[log + 2 * 10 + 1]), 0x10);
        QCOMPARE(int(fast[log + 2 * 13]), 14);  // Return
        QCOMPARE(int(fast[log + 2 * 13 + 1]), 0x10);
    }

    // Real keys typed while the machine is paused are not typed when it runs again; a
    // key still held then is pressed, once.
    void keysTypedWhilePausedAreDropped() {
        if (!Ready()) QSKIP("needs an X server, xdotool and openbox");
        Start();
        RunScanner();
        QVERIFY(Focus(form.get()));
        form->ActionNamed("MiPaused")->trigger();
        QCOMPARE(form->RunState(), 1);
        Xdo({"type", "--delay", "20", "abcdefgh"});
        Xdo({"keydown", "q"});
        QTRY_VERIFY_WITH_TIMEOUT(form->Owner().KeyEvents().Live().IsDown('Q'), 10000);
        form->ActionNamed("MiPaused")->trigger();
        QCOMPARE(form->RunState(), 0);
        ChipMemory& m = *form->Owner().GetMemory();
        QTRY_VERIFY_WITH_TIMEOUT(m.ReadByte(kCount) >= 1, 10000);
        Xdo({"keyup", "q"});
        QTRY_VERIFY_WITH_TIMEOUT(form->Owner().KeyEvents().Waiting() == 0, 10000);
        const int32_t start = form->Owner().GetSliceCount();
        QTRY_VERIFY_WITH_TIMEOUT(form->Owner().GetSliceCount() > start + 50, 10000);
        form->SetPause(1, 1);
        QCOMPARE(int(m.ReadByte(kCount)), 1);
        const int log = kScreenLog;
        QCOMPARE(int(m.ReadByte(log)), 0);      // Q: column 0
        QCOMPARE(int(m.ReadByte(log + 1)), 0x04);  // row 04h
    }

    void altPauseStopsARecording_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<bool>("inRecordingWindow");
        QTest::newRow("Alt+Pause") << "alt+Pause" << false;
        QTest::newRow("Ctrl+Alt+Pause") << "ctrl+alt+Pause" << false;
        QTest::newRow("Alt+Pause, recording window") << "alt+Pause" << true;
        QTest::newRow("Ctrl+Alt+Pause, recording window") << "ctrl+alt+Pause" << true;
    }
    void altPauseStopsARecording() {
        QFETCH(QString, keys);
        QFETCH(bool, inRecordingWindow);
        if (!Ready()) QSKIP("needs an X server, xdotool and openbox");
        Start();
        const std::string prc = prog->Path("keys.prc").toStdString();
        prompts.paths = {prc};
        // The start panel: OK from the present state.
        prompts.onExec = [](QDialog& d) {
            auto* panel = qobject_cast<TFormActionRecording*>(&d);
            return panel && !panel->StartFromSnapshot() ? int(QDialog::Accepted) : int(QDialog::Rejected);
        };
        prompts.defaultAnswer = Prompts::Answer::No;
        form->ActionNamed("MiCreatePrc")->trigger();
        RecordingSession& session = form->PrcSession();
        QVERIFY(session.IsRecording());
        form->SetPause(0, 1);
        QWidget* target = inRecordingWindow ? static_cast<QWidget*>(form->FormActionRecording()) : form.get();
        QVERIFY(target->isVisible());
        QVERIFY(Focus(target));
        Xdo({"key", keys});
        QTRY_VERIFY_WITH_TIMEOUT(!session.IsOpen(), 10000);
        QVERIFY(!form->ActionNamed("MiStopPrc")->isEnabled());
    }

    // Alt+R opens the ROM modules page, and while a recording runs its window.
    void altROpensTheRomModulesPageOrTheRecordingWindow() {
        if (!Ready()) QSKIP("needs an X server, xdotool and openbox");
        Start();
        int page = -1;
        prompts.onExec = [&page](QDialog& d) {
            if (auto* settings = qobject_cast<TFormSettings*>(&d)) page = settings->ActivePage();
            return int(QDialog::Rejected);
        };
        QVERIFY(Focus(form.get()));
        Xdo({"key", "alt+r"});
        QTRY_COMPARE_WITH_TIMEOUT(page, 5, 10000);

        const std::string prc = prog->Path("altr.prc").toStdString();
        prompts.paths = {prc};
        prompts.onExec = [](QDialog& d) {
            auto* panel = qobject_cast<TFormActionRecording*>(&d);
            return panel && !panel->StartFromSnapshot() ? int(QDialog::Accepted) : int(QDialog::Rejected);
        };
        form->ActionNamed("MiCreatePrc")->trigger();
        QVERIFY(form->PrcSession().IsRecording());
        form->FormActionRecording()->hide();
        prompts.dialogs.clear();
        QVERIFY(Focus(form.get()));
        Xdo({"key", "alt+r"});
        QTRY_VERIFY_WITH_TIMEOUT(form->FormActionRecording()->isVisible(), 10000);
        QVERIFY(!prompts.dialogs.contains("FormSettings"));
    }
};

QTEST_MAIN(HostKeysTest)
#include "HostKeysTest.moc"
