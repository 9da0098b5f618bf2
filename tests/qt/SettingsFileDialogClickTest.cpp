// Settings under a real X server with a window manager, driven by real
// pointer events (xdotool): after choosing the monitor ROM in the file
// dialog, one click on OK closes the settings dialog, whether the file was
// chosen by a double click in the list or with the dialog's Open button.
#include <QtTest>

#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QProcess>
#include <QScreen>
#include <QPushButton>
#include <QStandardPaths>
#include <QToolButton>

#include "ui/FileDialogs.h"
#include "shell/settings/FormSettings.h"
#include "tests/qt/MainWindowFixture.h"
#include "tests/qt/TestWindowManager.h"

namespace {

// Real pointer events through the X server.
bool Xdotool(const QStringList& args) {
    QProcess p;
    p.start(QStandardPaths::findExecutable("xdotool"), args);
    const bool ok = p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (!ok) qWarning() << "xdotool" << args << p.readAllStandardError();
    return ok;
}

bool ClickAt(const QPoint& global, int count = 1) {
    return Xdotool({"mousemove", QString::number(global.x()), QString::number(global.y()), "click",
                    "--repeat", QString::number(count), "--delay", "60", "1"});
}

QPoint Centre(QWidget* w) { return w->mapToGlobal(w->rect().center()); }

}  // namespace

class SettingsFileDialogClickTest : public QObject {
    Q_OBJECT

    TestWindowManager manager;
    MainWindowFixture w;

private slots:
    void initTestCase() {
        if (!TestWindowManager::OnX11()) QSKIP("real pointer events need an X server (xvfb-run)");
        if (QStandardPaths::findExecutable("xdotool").isEmpty()) QSKIP("xdotool is not installed");
        if (TestWindowManager::Program().isEmpty()) QSKIP("openbox is not installed");
    }
    void cleanupTestCase() { manager.Stop(); }
    void cleanup() { w.Stop(); }

    void oneClickOnOkAfterTheMonitorFileDialog_data() {
        QTest::addColumn<bool>("withManager");
        QTest::addColumn<bool>("doubleClick");
        QTest::addColumn<bool>("clickAtOnce");  // OK clicked as soon as the file dialog went
        for (bool manager : {true, false})
            for (bool dbl : {true, false})
                for (bool atOnce : {false, true})
                    QTest::addRow("%s, %s, %s", manager ? "window manager" : "no window manager",
                                  dbl ? "double click on the file" : "Open button", atOnce ? "OK at once" : "OK once active")
                        << manager << dbl << atOnce;
    }

    void oneClickOnOkAfterTheMonitorFileDialog() {
        QFETCH(bool, withManager);
        QFETCH(bool, doubleClick);
        QFETCH(bool, clickAtOnce);
        if (withManager)
            QVERIFY2(manager.Start(), "openbox did not start");
        else
            manager.Stop();
        w.Start();
        QVERIFY(!QTest::currentTestFailed());
        w.prompts.real = &DefaultPrompts();  // the real settings and file dialogs
        QVERIFY(QTest::qWaitForWindowExposed(w.form.get()));
        QVERIFY(manager.Framed(w.form.get()));
        QVERIFY(w.prog->Write("test.rom", QByteArray(4096, '\0')));

        TFormSettings* settings = w.form->FormSettings();
        QString failure;
        bool okClicked = false;
        MainWindowFixture::WhenShown(settings, [&] {
            auto fail = [&](const QString& why) {
                if (failure.isEmpty()) failure = why;  // the first reason, not its consequences
                settings->reject();
            };
            if (!QTest::qWaitForWindowActive(settings)) return fail("settings not active");
            settings->SelectPage(1);  // the Model page
            auto* open = settings->findChild<QToolButton*>("SbMonOpen");
            if (!open || !QTest::qWaitFor([&] { return open->isVisible(); })) return fail("no SbMonOpen");
            QFileDialog* dialog = OpenDialog();
            MainWindowFixture::WhenShown(dialog, [&, dialog] {
                if (!QTest::qWaitForWindowActive(dialog)) return fail("file dialog not active"), dialog->reject();
                // The view the dialog shows: its list or its details.
                QAbstractItemView* list = dialog->findChild<QListView*>("listView");
                if (!list || !list->isVisible()) list = dialog->findChild<QAbstractItemView*>("treeView");
                QModelIndex file;
                auto found = [&] {
                    if (!list) return false;
                    const QModelIndex root = list->rootIndex();
                    for (int r = 0; r < list->model()->rowCount(root); ++r) {
                        const QModelIndex i = list->model()->index(r, 0, root);
                        if (i.data().toString() == "test.rom") file = i;
                    }
                    return file.isValid();
                };
                if (!QTest::qWaitFor(found, 5000)) return fail("test.rom not listed"), dialog->reject();
                // The folder model sorts and lays out its rows after loading them:
                // click only once the file's place has stayed the same for a while.
                QRect r;
                for (int tries = 0; tries < 40; ++tries) {
                    QTest::qWait(150);
                    file = QModelIndex();
                    found();
                    list->scrollTo(file);
                    const QRect now = list->visualRect(file);
                    if (tries >= 2 && now.isValid() && now == r) break;
                    r = now;
                }
                const QPoint at = list->viewport()->mapToGlobal(QPoint(r.left() + 30, r.center().y()));
                if (doubleClick) {
                    if (!ClickAt(at, 2)) return fail("xdotool failed"), dialog->reject();
                } else {
                    if (!ClickAt(at)) return fail("xdotool failed"), dialog->reject();
                    QPushButton* accept = nullptr;
                    for (QPushButton* b : dialog->findChildren<QPushButton*>())
                        if (b->isVisible() && b->isDefault()) accept = b;
                    if (!accept || !QTest::qWaitFor([&] { return accept->isEnabled(); }, 3000))
                        return fail("no Open button"), dialog->reject();
                    if (!ClickAt(Centre(accept))) return fail("xdotool failed"), dialog->reject();
                }
                // Never left open when the clicks did not close it.
                if (!QTest::qWaitFor([&] { return !dialog->isVisible(); }, 5000)) {
                    fail("the file dialog did not take the file");
                    dialog->reject();
                }
            });
            open->click();
            if (dialog->isVisible()) return fail("file dialog still open");
            auto* edit = settings->findChild<QLineEdit*>("EditMon");
            if (!edit || !edit->text().endsWith("test.rom")) return fail("monitor file not taken: " + (edit ? edit->text() : ""));
            // Back in the settings dialog: the user moves to OK and clicks once.
            auto* ok = settings->findChild<QPushButton*>("BtnOk");
            if (!clickAtOnce && !QTest::qWaitFor([&] { return settings->isActiveWindow(); }, 5000))
                return fail("settings not active again");
            okClicked = ClickAt(Centre(ok));
            if (!QTest::qWaitFor([&] { return !settings->isVisible(); }, 5000)) fail("one click on OK did not close the dialog");
        });
        w.form->TBtnSettingsClick();
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QVERIFY(okClicked);
        QVERIFY(!settings->isVisible());
        QCOMPARE(settings->result(), int(QDialog::Accepted));
    }
};

QTEST_MAIN(SettingsFileDialogClickTest)
#include "SettingsFileDialogClickTest.moc"
