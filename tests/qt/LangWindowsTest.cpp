#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QtTest>
#include <memory>

#include "common/Lang.h"
#include "common/Paths.h"
#include "ui/LangWindows.h"

namespace {

// A small window with one control of each translated kind.
struct TestWindow {
    std::unique_ptr<QWidget> w{new QWidget};
    QLabel* label;
    QLabel* after;
    QPushButton* button;
    QCheckBox* check;
    QGroupBox* group;
    QTabWidget* tabs;
    QWidget* page2;
    QTreeWidget* list;
    QTreeWidget* tree;
    QComboBox* combo;
    QAction* action;
    QMenu* menu;

    explicit TestWindow(const char* name) {
        w->setObjectName(name);
        w->setWindowTitle("Built-in");
        auto* lay = new QVBoxLayout(w.get());
        label = new QLabel("Meno", w.get());
        label->setObjectName("LblName");
        after = new QLabel("Potom", w.get());
        after->setObjectName("LblAfter");
        button = new QPushButton("Zrušiť", w.get());
        button->setObjectName("BtnCancel");
        check = new QCheckBox("Zapnúť", w.get());
        check->setObjectName("ChkOn");
        group = new QGroupBox("Skupina", w.get());
        group->setObjectName("GbGroup");
        tabs = new QTabWidget(w.get());
        auto* page1 = new QWidget;
        page1->setObjectName("TsFirst");
        page2 = new QWidget;
        page2->setObjectName("TsSecond");
        tabs->addTab(page1, "Prvá");
        tabs->addTab(page2, "Druhá");
        list = new QTreeWidget(w.get());
        list->setObjectName("LvList");
        list->setHeaderLabels({"A", "B", "C"});
        tree = new QTreeWidget(w.get());
        tree->setObjectName("TvTree");
        auto* root1 = new QTreeWidgetItem(tree, QStringList{"r1"});
        new QTreeWidgetItem(root1, QStringList{"r1c1"});
        auto* c2 = new QTreeWidgetItem(root1, QStringList{"r1c2"});
        new QTreeWidgetItem(c2, QStringList{"r1c2g1"});
        new QTreeWidgetItem(tree, QStringList{"r2"});
        tree->collapseAll();
        combo = new QComboBox(w.get());
        combo->setObjectName("CbItems");
        combo->addItems({"jeden", "dva", "tri"});
        combo->setCurrentIndex(2);
        action = new QAction("Otvoriť", w.get());
        action->setObjectName("MiOpen");
        menu = new QMenu("Súbor", w.get());
        menu->setObjectName("MiFile");
        menu->addAction(action);
        for (QWidget* c : std::initializer_list<QWidget*>{label, after, button, check, group, tabs,
                                                          list, tree, combo})
            lay->addWidget(c);
    }
};

void WriteFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

}  // namespace

class LangWindowsTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void init() {
        SetAppDir(dir.path().toStdString());
        CloseLanguageFile();
    }
    void cleanup() {
        CloseLanguageFile();
        ClearAppDir();
    }

    void translatesEveryKind() {
        WriteFile(dir.path() + "/Lang/Test.ini",
                  "[Common]\r\nCharset=238\r\n"
                  "[formtest]\r\n"
                  "form.SomethingElse.Caption=Test window\r\n"
                  "form.FormTest.Hint=Window\\hint\r\n"
                  "label.lblname.Caption=Na\\me\r\n"
                  "label.LblName.Hint=Line1\\Line2\r\n"
                  "button.BtnCancel.Caption=Cancel\r\n"
                  "check.ChkOn.Caption=On\r\n"
                  "groupBox.GbGroup.Caption=Group\r\n"
                  "tabSheet.TsSecond.Caption=Second\r\n"
                  "menuItem.MiOpen.Caption=&Open\r\n"
                  "menuItem.MiFile.Caption=&File\r\n"
                  "listView.LvList.Column3=Third\r\n"
                  "treeItems.TvTree.TreeItem3=third node\r\n"
                  "treeItems.TvTree.TreeItem4=fourth node\r\n"
                  "comboBox.CbItems.ComboItem1=one\r\n"
                  "panel.LblAfter.Caption=panel kind changes nothing\r\n"
                  "label.LblAfter.caption=other letter case changes nothing\r\n"
                  "err.OpenTape.Title=Run-time\\text\r\n"
                  "label.NoSuchLabel.Caption=skipped\r\n"
                  "[NoSuchWindow]\r\nlabel.LblName.Caption=not here\r\n");
        TestWindow t("FormTest");
        LoadLanguage("Test", {t.w.get()});

        QCOMPARE(t.w->windowTitle(), QString("Test window"));
        QCOMPARE(t.w->toolTip(), QString("Window\nhint"));
        QCOMPARE(t.label->text(), QString("Na\\me"));  // a caption keeps its backslash
        QCOMPARE(t.label->toolTip(), QString("Line1\nLine2"));
        QCOMPARE(t.button->text(), QString("Cancel"));
        QCOMPARE(t.check->text(), QString("On"));
        QCOMPARE(t.group->title(), QString("Group"));
        QCOMPARE(t.tabs->tabText(0), QString("Prvá"));
        QCOMPARE(t.tabs->tabText(1), QString("Second"));
        QCOMPARE(t.action->text(), QString("&Open"));
        QCOMPARE(t.menu->title(), QString("&File"));
        QCOMPARE(t.list->headerItem()->text(0), QString("A"));
        QCOMPARE(t.list->headerItem()->text(2), QString("Third"));
        // Depth-first over all nodes, collapsed ones included: r1, r1c1, r1c2, r1c2g1, r2.
        QCOMPARE(t.tree->topLevelItem(0)->child(1)->text(0), QString("third node"));
        QCOMPARE(t.tree->topLevelItem(0)->child(1)->child(0)->text(0), QString("fourth node"));
        QCOMPARE(t.tree->topLevelItem(1)->text(0), QString("r2"));
        QCOMPARE(t.combo->itemText(0), QString("one"));
        QCOMPARE(t.combo->currentIndex(), 2);  // the selection stays
        QCOMPARE(t.after->text(), QString("Potom"));

        // The same file answers the run-time lookups with line feeds.
        QCOMPARE(QString::fromStdString(LangText("FormTest", "err.OpenTape.Title")),
                 QString("Run-time\ntext"));
        QCOMPARE(QString::fromStdString(LangText("FormTest", "label.LblName.Caption")),
                 QString("Na\nme"));
        QCOMPARE(LangCharset(), 238);
    }

    void badNumberAbandonsOnlyTheRestOfItsSection() {
        struct Case {
            const char* key;
        } cases[] = {{"listView.LvList.Column0"},    {"listView.LvList.ColumnX"},
                     {"listView.LvList.Column4"},    {"listView.LvList.Column"},
                     {"treeItems.TvTree.TreeItem6"}, {"comboBox.CbItems.ComboItem4"},
                     {"comboBox.CbItems.ComboItem0"}, {"treeItems.TvTree.TreeItemA"}};
        for (const Case& c : cases) {
            QByteArray ini = "[FormA]\r\nlabel.LblName.Caption=before\r\n";
            ini += QByteArray(c.key) + "=bad\r\n";
            ini += "label.LblAfter.Caption=after\r\n"
                   "[FormB]\r\nlabel.LblName.Caption=second window\r\n";
            WriteFile(dir.path() + "/Lang/Bad.ini", ini);
            TestWindow a("FormA"), b("FormB");
            LoadLanguage("Bad", {a.w.get(), b.w.get()});
            QCOMPARE(a.label->text(), QString("before"));      // applied stays applied
            QCOMPARE(a.after->text(), QString("Potom"));       // rest of the section dropped
            QCOMPARE(b.label->text(), QString("second window"));  // next section still applied
            QCOMPARE(a.combo->currentIndex(), 2);
        }
    }

    void topLevelWindowsAndMissingFile() {
        WriteFile(dir.path() + "/Lang/Top.ini", "[FormTop]\r\nbutton.BtnCancel.Caption=Cancel\r\n");
        TestWindow t("FormTop");
        LoadLanguage("Top");  // finds the window among the application's windows
        QCOMPARE(t.button->text(), QString("Cancel"));

        LoadLanguage("Missing");  // acts as an empty file: texts stay
        QCOMPARE(t.button->text(), QString("Cancel"));
        QVERIFY(LangIni() != nullptr);
        QCOMPARE(QString::fromStdString(LangText("FormTop", "button.BtnCancel.Caption")), QString());
    }
};

QTEST_MAIN(LangWindowsTest)
#include "LangWindowsTest.moc"
