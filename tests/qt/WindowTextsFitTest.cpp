// Every window and dialog at its default size, in the English interface:
// no named label, check box, radio button or button shows a text wider (or,
// wrapped, taller) than the control, and no text the window shows is left
// in another language (a letter outside ASCII).
#include <QtTest>

#include <QAbstractButton>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTabWidget>
#include <QComboBox>
#include <QHeaderView>
#include <QScrollBar>
#include <QStyleOptionViewItem>
#include <QTreeWidget>
#include <QToolButton>

#include "common/Config.h"
#include "common/IniFile.h"
#include "common/Lang.h"
#include "shell/SnapDialogs.h"
#include "shell/help/FormAbout.h"
#include "shell/help/FormKeyMap.h"
#include "shell/peripherals/FormJoy.h"
#include "shell/peripherals/FormPrint.h"
#include "shell/recording/FormActionRecording.h"
#include "shell/romfolder/FormRomFolder.h"
#include "shell/settings/FormSettings.h"
#include "shell/settings/pages/PageRomPackages.h"
#include "tests/qt/KnownRomEntry.h"
#include "tests/qt/MainWindowFixture.h"
#include "tools/debugger/window/FormDebugger.h"
#include "tools/debugger/window/FormDisass.h"
#include "tools/debugger/window/FormDbgFind.h"
#include "tools/debugger/window/FormPerifStat.h"
#include "tools/memrw/window/FormMemReadWrite.h"
#include "tools/poke/window/FormPoke.h"
#include "tools/tape/window/EditTapeHeader.h"
#include "tools/tape/window/TapeBrowser.h"

namespace {

// A letter (or combining mark) outside ASCII: text of another language.
bool ForeignLetter(const QString& text) {
    for (QChar c : text)
        if (c.unicode() > 0x7F && (c.isLetter() || c.isMark())) return true;
    return false;
}

QString Where(const QWidget* window, const QWidget* w) {
    return window->objectName() + "." + (w->objectName().isEmpty() ? QString("(unnamed %1)").arg(w->metaObject()->className()) : w->objectName());
}

// Space a label's text needs against the room its contents rect gives.
QString LabelProblem(QLabel* l) {
    if (l->text().isEmpty() || !l->pixmap().isNull()) return {};
    const int m = l->margin();
    const QRect room = l->contentsRect().adjusted(m, m, -m, -m);
    const QFontMetrics fm(l->font());
    int flags = static_cast<int>(l->alignment());
    if (l->wordWrap()) flags |= Qt::TextWordWrap;
    if (l->buddy()) flags |= Qt::TextShowMnemonic;
    QString text = l->text();
    if (Qt::mightBeRichText(text) && l->textFormat() != Qt::PlainText) {
        QTextDocument doc;
        doc.setDocumentMargin(0);
        doc.setDefaultFont(l->font());
        doc.setHtml(text);
        if (l->wordWrap()) doc.setTextWidth(room.width());
        const QSizeF need(doc.idealWidth(), doc.size().height());
        if (need.width() > room.width() + 0.5 || (l->wordWrap() && need.height() > room.height() + 0.5))
            return QString("needs %1x%2, has %3x%4").arg(need.width()).arg(need.height()).arg(room.width()).arg(room.height());
        return {};
    }
    const QRect need = fm.boundingRect(room, flags, text);
    const bool lines = l->wordWrap() || text.contains('\n');
    if (need.width() > room.width() || (lines && need.height() > room.height()))
        return QString("needs %1x%2, has %3x%4").arg(need.width()).arg(need.height()).arg(room.width()).arg(room.height());
    return {};
}

QString ButtonProblem(QAbstractButton* b) {
    if (b->text().isEmpty()) return {};
    const QFontMetrics fm(b->font());
    QString text = b->text();
    const int textWidth = fm.size(Qt::TextShowMnemonic, text).width();
    QStyleOptionButton opt;
    opt.initFrom(b);
    opt.text = text;
    opt.icon = b->icon();
    opt.iconSize = b->iconSize();
    int room = 0;
    if (qobject_cast<QCheckBox*>(b)) {
        room = b->style()->subElementRect(QStyle::SE_CheckBoxContents, &opt, b).width();
    } else if (qobject_cast<QRadioButton*>(b)) {
        room = b->style()->subElementRect(QStyle::SE_RadioButtonContents, &opt, b).width();
    } else {
        // A push or tool button: its frame and the style's margins around the label.
        int frame = b->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, b) * 2;
        if (qobject_cast<QPushButton*>(b)) frame += b->style()->pixelMetric(QStyle::PM_ButtonMargin, &opt, b);
        if (auto* t = qobject_cast<QToolButton*>(b); t && t->toolButtonStyle() == Qt::ToolButtonIconOnly && !b->icon().isNull())
            return {};
        room = b->width() - frame;
        if (!b->icon().isNull()) room -= b->iconSize().width() + 4;
    }
    if (textWidth > room) return QString("needs %1, has %2").arg(textWidth).arg(room);
    return {};
}

// The problems of the window as it shows now.
QStringList Problems(QWidget* window) {
    QStringList found;
    QList<QWidget*> all = window->findChildren<QWidget*>();
    for (QWidget* w : all) {
        if (!w->isVisibleTo(window)) continue;
        QString text;
        if (auto* l = qobject_cast<QLabel*>(w)) {
            text = l->text();
            if (!w->objectName().isEmpty())
                if (const QString p = LabelProblem(l); !p.isEmpty()) found << Where(window, w) + " \"" + text + "\": " + p;
        } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
            text = b->text();
            if (!w->objectName().isEmpty())
                if (const QString p = ButtonProblem(b); !p.isEmpty()) found << Where(window, w) + " \"" + text + "\": " + p;
        } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
            text = g->title();
        } else if (auto* t = qobject_cast<QTabWidget*>(w)) {
            for (int i = 0; i < t->count(); ++i) text += t->tabText(i);
        }
        if (ForeignLetter(text) || ForeignLetter(w->toolTip()))
            found << Where(window, w) + " not in English: \"" + text + "\" / \"" + w->toolTip() + "\"";
    }
    if (ForeignLetter(window->windowTitle())) found << window->objectName() + " title: " + window->windowTitle();
    return found;
}

}  // namespace

class WindowTextsFitTest : public QObject {
    Q_OBJECT

    MainWindowFixture w;
    QStringList problems;

    // Shows the window (not modally) at its default size and collects its problems.
    void Check(QWidget* window) {
        QVERIFY(window);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QTest::qWait(20);
        problems += Problems(window);
    }
    // Runs the modal command, checks the window once it shows, then closes it.
    void CheckModal(QDialog* window, const std::function<void()>& command) {
        bool seen = false;
        MainWindowFixture::WhenShown(window, [&, window] {
            QTest::qWait(20);
            problems += Problems(window);
            seen = true;
            window->reject();
        });
        command();
        QVERIFY2(seen, qPrintable(window->objectName()));
    }

private slots:
    void init() {
        // A run with a desktop's larger font (CTest runs the test at 11 points too).
        if (const int points = qEnvironmentVariableIntValue("ORVIK_TEST_FONT_POINTS"); points > 0) {
            QFont font = QApplication::font();
            font.setPointSize(points);
            QApplication::setFont(font);
        }
        problems.clear();
        w.Start();
        QVERIFY(!QTest::currentTestFailed());
        QVERIFY(QTest::qWaitForWindowExposed(w.form.get()));
    }
    void cleanup() { w.Stop(); }

    void mainWindow() {
        problems += Problems(w.form.get());
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join("\n")));
    }
    // The first-start panel over the smallest screen picture.
    void firstStartPanel() {
        w.Stop();
        w.Start(true);
        QVERIFY(!QTest::currentTestFailed());
        w.form->ActionNamed("MiSize100")->trigger();
        QWidget* panel = w.form->findChild<QWidget*>("FirstStartPanel");
        QVERIFY(panel);
        QTRY_VERIFY(panel->isVisible());
        QTest::qWait(20);
        problems += Problems(w.form.get());
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join("\n")));
    }

    // The ROM folder assistant's list: a monitor, a BASIC module and an unknown file.
    void romFolderList() {
        QVERIFY(QDir().mkpath(w.prog->Path("roms")));
        const QByteArray monitor(4096, '\x11'), module(8192, '\x22'), unknown(4096, '\x33');
        QVERIFY(w.prog->Write("roms/monitor.rom", monitor));
        QVERIFY(w.prog->Write("roms/basic2.rmm", module));
        QVERIFY(w.prog->Write("roms/other.bin", unknown));
        const std::vector<KnownRom> table = {KnownRomEntry("monitor.rom", monitor, "monitor", "Model-2A"),
                                             KnownRomEntry("basic2.rmm", module, "module", "Model-2")};
        TFormRomFolder dialog(w.form.get(), w.prog->Path("roms").toStdString(), table, w.form->XMLDoc());
        Check(&dialog);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join("\n")));
    }

    void settingsEveryPage() {
        TFormSettings* settings = w.form->FormSettings();
        QVERIFY(settings);
        w.prompts.AnswerDialogs<TFormSettings>([&](TFormSettings& dialog) {
            dialog.show();
            if (!QTest::qWaitForWindowExposed(&dialog)) problems << "settings not shown";
            for (int page = 0; page < TFormSettings::kPageCount; ++page) {
                dialog.SelectPage(page);
                QTest::qWait(20);
                for (const QString& p : Problems(&dialog)) problems << QString("page %1: ").arg(page) + p;
            }
            // Every page name shows whole in the tree.
            auto* tree = dialog.findChild<QTreeWidget*>("TreeItems");
            for (int i = 0; tree && i < tree->topLevelItemCount(); ++i) {
                const QModelIndex index = tree->model()->index(i, 0);
                const int need = tree->sizeHintForIndex(index).width();
                const int has = tree->viewport()->width();
                if (need > has)
                    problems << QString("tree item \"%1\": needs %2, has %3").arg(tree->topLevelItem(i)->text(0)).arg(need).arg(has);
            }
            dialog.hide();
            return int(QDialog::Rejected);
        });
        w.form->TBtnSettingsClick();
        problems.removeDuplicates();
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join("\n")));
    }

    // The ROM packages page's file list with the widest addresses, sizes and
    // "ROM x" values a package can show: every such cell and every heading
    // fits its column, and the list needs no sideways scrolling.
    void romPackageColumnsShowTheirContent() {
        QVERIFY(QDir().mkpath(w.prog->Path("roms")));
        pugi::xml_node package = ConfigSectionForWrite("RomPackages").append_child("RomPackage");
        package.append_attribute("name").set_value("Wide");
        auto add = [&](const QString& name, qint64 kb) {
            QFile f(w.prog->Path("roms/" + name));
            QVERIFY(f.open(QIODevice::WriteOnly));
            QVERIFY(f.resize(kb * 1024 > 0x7FFFFFFF ? 0x7FFFFFFF : kb * 1024));  // sparse
            package.append_child("RomFile").text().set(("roms/" + name).toUtf8().constData());
        };
        // At 0..15 kB: "0 / -" up to "6 / 5"; at 31 kB "- / 21"; the last one
        // at 255 kB (03FC00h) and 2 GB (2097152 kB) long.
        for (int i = 0; i < 16; ++i) add(QString("k%1.rmm").arg(i), 1);
        add("fill15.rmm", 15);
        add("k31.rmm", 1);
        for (int i = 0; i < 6; ++i) add(QString("m%1.rmm").arg(i), 32);
        add("fill31.rmm", 31);
        add("huge.rmm", 2 * 1024 * 1024);
        if (QTest::currentTestFailed()) return;
        TFormSettings* settings = w.form->FormSettings();
        QVERIFY(settings);
        QStringList expected;
        w.prompts.AnswerDialogs<TFormSettings>([&](TFormSettings& dialog) {
            dialog.show();
            if (!QTest::qWaitForWindowExposed(&dialog)) problems << "settings not shown";
            dialog.SelectPage(5);
            dialog.RomPackagesPage()->Load();  // the package added after the program start
            auto* combo = dialog.findChild<QComboBox*>("CbRomPackage");
            const int at = combo->findText("Wide");
            if (at < 0) problems << "no package Wide";
            combo->setCurrentIndex(at);
            emit combo->activated(at);
            QTest::qWait(20);
            auto* list = dialog.findChild<QTreeWidget*>("LvRomFileList");
            const int rows = list->topLevelItemCount();
            if (rows != 26) {
                problems << QString("%1 rows in package %2").arg(rows).arg(at);
                return int(QDialog::Rejected);
            }
            expected << list->topLevelItem(rows - 1)->text(1) << list->topLevelItem(rows - 1)->text(2);
            for (int row : {15, 16, 17}) expected << list->topLevelItem(row)->text(3);
            QStyleOptionViewItem opt;
            opt.initFrom(list);
            opt.font = list->font();
            const int icon = list->style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, list);
            opt.decorationSize = list->iconSize().isValid() ? list->iconSize() : QSize(icon, icon);
            opt.features = QStyleOptionViewItem::HasDisplay;
            for (int c = 1; c < 4; ++c)
                for (int row = 0; row < rows; ++row) {
                    const int need = list->itemDelegate()->sizeHint(opt, list->model()->index(row, c)).width();
                    if (need > list->columnWidth(c))
                        problems << QString("row %1 column %2 \"%3\": needs %4, has %5")
                                        .arg(row).arg(c).arg(list->topLevelItem(row)->text(c)).arg(need).arg(list->columnWidth(c));
                }
            for (int c = 0; c < 4; ++c)
                if (list->header()->sectionSizeHint(c) > list->columnWidth(c))
                    problems << QString("heading \"%1\": needs %2, has %3")
                                    .arg(list->headerItem()->text(c)).arg(list->header()->sectionSizeHint(c)).arg(list->columnWidth(c));
            if (list->horizontalScrollBar()->maximum() != 0) problems << "the list scrolls sideways";
            const QString folder = QStringLiteral(ORVIK_BUILD_TESTS_DIR "/artefacts");
            QDir().mkpath(folder);
            dialog.grab().save(folder + QString("/rom-packages-page-%1.png").arg(QApplication::font().pointSize()));
            dialog.hide();
            return int(QDialog::Rejected);
        });
        w.form->TBtnSettingsClick();
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join("\n")));
        // The rows hold the widest values.
        QCOMPARE(expected, QStringList({"03FC00h", "2097152", " 6 / 5", " - / 6", " - / 21"}));
    }

    void toolWindows() {
        w.form->MiTapeBrowserClick();
        Check(w.form->TapeBrowser());
        w.form->MiDebuggerClick();
        TFormDebugger* debugger = w.form->FormDebugger();
        Check(debugger);
        Check(debugger->FormDbgFind());
        Check(debugger->FormPerifStat());
        Check(debugger->FormDisass());
        Check(w.form->FormJoy());
        Check(w.form->FormPrint());
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join("\n")));
    }

    void modalWindows() {
        CheckModal(w.form->FormPoke(), [&] { w.form->MiPokeClick(); });
        CheckModal(w.form->FormMemReadWrite(), [&] { w.form->MiLoadSaveMemClick(1); });
        CheckModal(w.form->FormMemReadWrite(), [&] { w.form->MiLoadSaveMemClick(0); });
        CheckModal(w.form->FormAbout(), [&] { w.form->MiAboutClick(); });
        CheckModal(w.form->TapeHeaderEditor(), [&] { w.form->TapeHeaderEditor()->exec(); });
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join("\n")));
    }

    void keyboardPicture() {
        Check(w.form->FormKeyMap());
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join("\n")));
    }

    void actionRecordingBothPanels() {
        TFormActionRecording* rec = w.form->FormActionRecording();
        QVERIFY(rec);
        rec->ShowStartPanel(true);
        CheckModal(rec, [&] { rec->exec(); });
        rec->ShowStartPanel(false);
        Check(rec);
        rec->hide();
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join("\n")));
    }

    // The English file itself: every value is English (ASCII letters; signs such
    // as the copyright sign are not letters).
    void englishFileHoldsOnlyEnglish() {
        QFile f(ORVIK_SOURCE_DIR "/resources/Lang/English.ini");
        QVERIFY(f.open(QIODevice::ReadOnly));
        QStringList foreign;
        int line = 0;
        for (const QByteArray& bytes : f.readAll().split('\n')) {
            ++line;
            const QString text = QString::fromUtf8(bytes);
            if (text.toUtf8() != bytes) foreign << QString("line %1: not UTF-8").arg(line);
            if (ForeignLetter(text)) foreign << QString("line %1: %2").arg(line).arg(text.trimmed());
        }
        QVERIFY2(foreign.isEmpty(), qPrintable(foreign.join("\n")));
        // The check itself sees Slovak text.
        QVERIFY(ForeignLetter(QString::fromUtf8("Alt+Insert - Pridať značku")));
        QVERIFY(!ForeignLetter(QString::fromUtf8("© Orvik developers")));
    }

    void snapshotDialogs() {
        TSnapSaveDialog save(w.form.get(), true);
        save.firstCaption = QString::fromStdString(LangText("FormMain", "check.SavePacked.Caption"));
        save.secondCaption = QString::fromStdString(LangText("FormMain", "check.AlsoMonit.Caption"));
        CheckModal(&save, [&] { save.Execute(); });
        TSnapOpenDialog open(w.form.get(), true);
        open.checkCaption = QString::fromStdString(LangText("FormMain", "check.DontRun.Caption"));
        CheckModal(&open, [&] { open.Execute(); });
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join("\n")));
    }
};

QTEST_MAIN(WindowTextsFitTest)
#include "WindowTextsFitTest.moc"
