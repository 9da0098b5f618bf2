#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <pugixml.hpp>

#include "common/Config.h"
#include "common/Paths.h"
#include "ui/FileDialogs.h"
#include "ui/QtCommonUtils.h"

namespace {

struct Seen {
    QString folder;
    QString nameField;
    bool sidebarVisible = true;
    QString title;
};

// Runs show() while a timer looks at the dialog and then lets act() close it.
bool Show(QFileDialog* d, const std::function<bool()>& show, Seen& seen,
          const std::function<void(QFileDialog*)>& act) {
    QTimer::singleShot(0, d, [&] {
        seen.folder = QDir(d->directory()).absolutePath();
        auto* edit = d->findChild<QLineEdit*>("fileNameEdit");
        seen.nameField = edit ? edit->text() : QString("<none>");
        auto* side = d->findChild<QWidget*>("sidebar");
        seen.sidebarVisible = side && !side->isHidden();
        seen.title = d->windowTitle();
        act(d);
    });
    return show();
}

void Touch(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
}

QString Clean(const QString& p) { return QDir::cleanPath(p); }

}  // namespace

class FileDialogsTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString app;  // the program folder without its separator

private slots:
    void init() {
        app = QDir(dir.path()).canonicalPath();
        SetAppDir(app.toStdString());
        Touch(app + "/tapes/game.ptp");
        CreateFileDialogs(nullptr);
    }
    void cleanup() {
        FreeFileDialogs();
        ClearAppDir();
        QDir(app + "/tapes").removeRecursively();
        QDir(app + "/other").removeRecursively();
    }

    void filterConversion() {
        QCOMPARE(ConvertDialogFilter("Tapes|*.ptp;*.pmd|All files|*.*"),
                 QStringList({"Tapes (*.ptp *.pmd)", "All files (*)"}));
        QCOMPARE(ConvertDialogFilter("Snapshots (*.psn)|*.psn"), QStringList({"Snapshots (*.psn)"}));
        QCOMPARE(ConvertDialogFilter(""), QStringList());
        QCOMPARE(ConvertDialogFilter("Odd|"), QStringList({"Odd (*)"}));
    }

    void saveWithRelativeNameCancelled() {
        std::string name = "tapes\\game.ptp";
        Seen seen;
        bool ok = Show(SaveDialog(), [&] { return SaveFileDialog("Save", "Tapes|*.ptp", "ptp", true, name); },
                       seen, [](QFileDialog* d) { d->reject(); });
        QVERIFY(!ok);
        QCOMPARE(seen.title, QString("Save"));
        QCOMPARE(Clean(seen.folder), app + "/tapes");
        QCOMPARE(seen.nameField, QString("game.ptp"));
        QCOMPARE(QString::fromStdString(name), app + "/tapes/game.ptp");  // absolute even on cancel
    }

    void saveIntoMissingFolderShowsTheName() {
        std::string name = "gone/new.ptp";
        Seen seen;
        Show(SaveDialog(), [&] { return SaveFileDialog("Save", "Tapes|*.ptp", "ptp", false, name); },
             seen, [](QFileDialog* d) { d->reject(); });
        QCOMPARE(Clean(seen.folder), app);
        QCOMPARE(seen.nameField, QString("new.ptp"));
        QVERIFY(SaveDialog()->testOption(QFileDialog::DontConfirmOverwrite));
    }

    void openRemembersTheFolderOfTheChosenFile() {
        // "..." the first time: the program folder, empty name field.
        std::string name = "...";
        Seen seen;
        const QString chosen = app + "/tapes/game.ptp";
        bool ok = Show(OpenDialog(), [&] { return OpenFileDialog("Open", "Tapes|*.ptp", "ptp", name); },
                       seen, [&](QFileDialog* d) {
                           d->selectFile(chosen);
                           QMetaObject::invokeMethod(d, "accept", Qt::DirectConnection);
                       });
        QVERIFY(ok);
        QCOMPARE(Clean(seen.folder), app);
        QCOMPARE(seen.nameField, QString());
        QCOMPARE(QString::fromStdString(name), chosen);

        // Again with no file: the folder of the last file, empty name field.
        name = "";
        ok = Show(OpenDialog(), [&] { return OpenFileDialog("Open", "Tapes|*.ptp", "ptp", name); },
                  seen, [](QFileDialog* d) { d->reject(); });
        QVERIFY(!ok);
        QCOMPARE(Clean(seen.folder), app + "/tapes");
        QCOMPARE(seen.nameField, QString());
        QCOMPARE(QString::fromStdString(name), QString());

        // That folder gone: the program folder.
        QDir(app + "/tapes").removeRecursively();
        name = "...";
        Show(OpenDialog(), [&] { return OpenFileDialog("Open", "Tapes|*.ptp", "ptp", name); }, seen,
             [](QFileDialog* d) { d->reject(); });
        QCOMPARE(Clean(seen.folder), app);
        QCOMPARE(QString::fromStdString(name), QString("..."));
    }

    void openWithNameInMissingFolder() {
        std::string name = app.toStdString() + "/nowhere/x.ptp";
        Seen seen;
        Show(OpenDialog(), [&] { return OpenFileDialog("Open", "Tapes|*.ptp", "ptp", name); }, seen,
             [](QFileDialog* d) { d->reject(); });
        QCOMPARE(Clean(seen.folder), app);
        QCOMPARE(seen.nameField, QString());

        name = "tapes/game.ptp";
        Show(OpenDialog(), [&] { return OpenFileDialog("Open", "Tapes|*.ptp", "ptp", name); }, seen,
             [](QFileDialog* d) { d->reject(); });
        QCOMPARE(Clean(seen.folder), app + "/tapes");
        QCOMPARE(seen.nameField, QString("game.ptp"));
    }

    void readOnlyFilesOpenButAreNotSavedOver() {
        const QString locked = app + "/tapes/locked.ptp";
        Touch(locked);
        QVERIFY(QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
        std::string name = "...";
        Seen seen;
        bool ok = Show(OpenDialog(), [&] { return OpenFileDialog("Open", "Tapes|*.ptp", "ptp", name); }, seen,
                       [&](QFileDialog* d) {
                           d->selectFile(locked);
                           QMetaObject::invokeMethod(d, "accept", Qt::DirectConnection);
                       });
        QVERIFY(ok);
        QCOMPARE(QString::fromStdString(name), locked);

        // The save dialog refuses it and stays open; the second showing is cancelled.
        int showings = 0;
        name = "...";
        ok = Show(SaveDialog(), [&] { return SaveFileDialog("Save", "Tapes|*.ptp", "ptp", false, name); }, seen,
                  [&](QFileDialog* d) {
                      showings++;
                      d->selectFile(locked);
                      QTimer::singleShot(0, d, [d, &showings] {
                          showings++;
                          d->reject();
                      });
                      QMetaObject::invokeMethod(d, "accept", Qt::DirectConnection);
                  });
        QVERIFY(!ok);
        QCOMPARE(showings, 2);
        QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    void placesBarFollowsTheConfiguration() {
        pugi::xml_document doc;
        doc.load_string("<Orvik><General show-place-bar-on-file-dialog=\"false\"/></Orvik>");
        ConfigRoot = doc.document_element();
        std::string name = "...";
        Seen seen;
        Show(OpenDialog(), [&] { return OpenFileDialog("Open", "", "", name); }, seen,
             [](QFileDialog* d) { d->reject(); });
        QVERIFY(!seen.sidebarVisible);

        doc.load_string("<Orvik><General/></Orvik>");  // default: shown
        ConfigRoot = doc.document_element();
        Show(SaveDialog(), [&] { return SaveFileDialog("Save", "", "", false, name); }, seen,
             [](QFileDialog* d) { d->reject(); });
        QVERIFY(seen.sidebarVisible);
        ConfigRoot = pugi::xml_node();
    }

    void commonUtilsOwnAndReleaseTheDialogs() {
        QWidget mainWindow;
        InitCommonUtils(&mainWindow);
        QPointer<QFileDialog> open = OpenDialog(), save = SaveDialog();
        QCOMPARE(open->parent(), &mainWindow);
        QCOMPARE(save->parent(), &mainWindow);
        QVERIFY(open != save);
        QVERIFY(!AppDir().empty());
        DoneCommonUtils();
        QVERIFY(open.isNull());
        QVERIFY(save.isNull());
        QVERIFY(AppDir().empty());
    }
};

QTEST_MAIN(FileDialogsTest)
#include "FileDialogsTest.moc"
