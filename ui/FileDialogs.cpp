#include "ui/FileDialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPointer>
#include <QRegularExpression>

#include "common/Config.h"
#include "common/Paths.h"

namespace {

struct DialogState {
    QPointer<QFileDialog> dialog;
    QString initialDir;  // empty until set
};

DialogState g_open, g_save;

void Free(DialogState& s) {
    if (s.dialog) delete s.dialog.data();
    s.dialog = nullptr;
    s.initialDir.clear();
}

QFileDialog* Make(DialogState& s, QWidget* owner) {
    Free(s);
    s.dialog = new QFileDialog(owner);
    s.dialog->setOption(QFileDialog::DontUseNativeDialog, true);
    s.dialog->setModal(true);
    s.dialog->setSizeGripEnabled(true);
    return s.dialog;
}

QFileDialog* Get(DialogState& s) {
    if (!s.dialog) Make(s, nullptr);
    return s.dialog;
}

QString AppDirQ() { return QString::fromStdString(AppDir()); }

bool FolderExists(const QString& dir) { return !dir.isEmpty() && QFileInfo(dir).isDir(); }

void SetNameField(QFileDialog* d, const QString& file) {
    if (!file.isEmpty()) {
        d->selectFile(file);
    } else if (auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
        edit->clear();
    }
}

void Prepare(QFileDialog* d, const std::string& title, const std::string& filter,
             const std::string& defaultExt) {
    d->setWindowTitle(QString::fromStdString(title));
    d->setNameFilters(ConvertDialogFilter(filter));
    d->setDefaultSuffix(QString::fromStdString(defaultExt));
    d->setOption(QFileDialog::ReadOnly, false);
    bool placesBar = ReadAttrBool(ConfigSection("General"), "show-place-bar-on-file-dialog", true);
    if (auto* side = d->findChild<QWidget*>(QStringLiteral("sidebar"))) side->setVisible(placesBar);
}

// A file without any write permission bit: the save dialog does not return
// it (the open dialog takes it like any other).
bool IsReadOnlyFile(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() &&
           !(info.permissions() & (QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther));
}

bool Run(DialogState& s, const QString& folder, const QString& file, std::string& name) {
    QFileDialog* d = s.dialog;
    s.initialDir = folder;
    d->setDirectory(folder);
    SetNameField(d, file);
    QString path;
    for (;;) {
        if (d->exec() != QDialog::Accepted) return false;
        const QStringList chosen = d->selectedFiles();
        if (chosen.isEmpty()) return false;
        path = QFileInfo(chosen.first()).absoluteFilePath();
        if (d->acceptMode() != QFileDialog::AcceptSave || !IsReadOnlyFile(path)) break;
        QApplication::beep();  // refused: the dialog stays for another choice
    }
    name = path.toStdString();
    s.initialDir = QFileInfo(path).absolutePath();
    return true;
}

bool IsNoFile(const std::string& name) { return name.empty() || name == "..."; }

}  // namespace

void CreateFileDialogs(QWidget* owner) {
    Make(g_open, owner);
    Make(g_save, owner);
}

void FreeFileDialogs() {
    Free(g_open);
    Free(g_save);
}

QFileDialog* OpenDialog() { return Get(g_open); }
QFileDialog* SaveDialog() { return Get(g_save); }

QStringList ConvertDialogFilter(const std::string& filter) {
    QStringList out;
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    static const QRegularExpression trailingPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString desc = parts[i];
        desc.remove(trailingPatterns);
        QStringList patterns;
        for (QString p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            p = p.trimmed();
            if (p == QLatin1String("*.*")) p = QStringLiteral("*");
            if (!p.isEmpty()) patterns << p;
        }
        if (patterns.isEmpty()) patterns << QStringLiteral("*");
        out << desc.trimmed() + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                   QLatin1Char(')');
    }
    return out;
}

bool OpenFileDialog(const std::string& title, const std::string& filter,
                    const std::string& defaultExt, std::string& name) {
    QFileDialog* d = Get(g_open);
    Prepare(d, title, filter, defaultExt);
    d->setAcceptMode(QFileDialog::AcceptOpen);
    d->setFileMode(QFileDialog::ExistingFile);

    QString folder, file;
    if (IsNoFile(name)) {
        folder = FolderExists(g_open.initialDir) ? g_open.initialDir : AppDirQ();
    } else {
        name = MakeAbsolutePath(name);
        QFileInfo info(QString::fromStdString(name));
        if (FolderExists(info.absolutePath())) {
            folder = info.absolutePath();
            file = info.fileName();
        } else {
            folder = AppDirQ();
        }
    }
    return Run(g_open, folder, file, name);
}

bool SaveFileDialog(const std::string& title, const std::string& filter,
                    const std::string& defaultExt, bool overwritePrompt, std::string& name) {
    QFileDialog* d = Get(g_save);
    Prepare(d, title, filter, defaultExt);
    d->setAcceptMode(QFileDialog::AcceptSave);
    d->setFileMode(QFileDialog::AnyFile);
    d->setOption(QFileDialog::DontConfirmOverwrite, !overwritePrompt);

    QString folder, file;
    if (IsNoFile(name)) {
        folder = FolderExists(g_save.initialDir) ? g_save.initialDir : AppDirQ();
    } else {
        name = MakeAbsolutePath(name);
        QFileInfo info(QString::fromStdString(name));
        folder = FolderExists(info.absolutePath()) ? info.absolutePath() : AppDirQ();
        file = info.fileName();  // shown also when the folder is gone
    }
    return Run(g_save, folder, file, name);
}
