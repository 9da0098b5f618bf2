#include "ui/Prompts.h"

#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

#include "common/Lang.h"
#include "ui/FileDialogs.h"

QString Prompts::KeyTitle(const char* section, const char* key) {
    return QString::fromStdString(LangText(section, std::string(key) + ".Title"));
}

QString Prompts::KeyMessage(const char* section, const char* key) {
    return QString::fromStdString(LangText(section, std::string(key) + ".Message"));
}

void Prompts::InformationKey(QWidget* parent, const char* section, const char* key) {
    Information(parent, KeyTitle(section, key), KeyMessage(section, key));
}

void Prompts::ErrorKey(QWidget* parent, const char* section, const char* key) {
    Error(parent, KeyTitle(section, key), KeyMessage(section, key));
}

void Prompts::WarningKey(QWidget* parent, const char* section, const char* key) {
    Warning(parent, KeyTitle(section, key), KeyMessage(section, key));
}

void QtPrompts::Information(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox::information(parent, title, text);
}

void QtPrompts::Error(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox::critical(parent, title, text);
}

void QtPrompts::Warning(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox::warning(parent, title, text);
}

bool QtPrompts::Question(QWidget* parent, const QString& title, const QString& text, Look look) {
    QMessageBox box(look == Look::Warning ? QMessageBox::Warning : QMessageBox::Question, title, text,
                    QMessageBox::Yes | QMessageBox::No, parent);
    return box.exec() == QMessageBox::Yes;
}

bool QtPrompts::QuestionDefaultNo(QWidget* parent, const QString& title, const QString& text, Look look) {
    QMessageBox box(look == Look::Warning ? QMessageBox::Warning : QMessageBox::Question, title, text,
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

Prompts::Answer QtPrompts::QuestionCancel(QWidget* parent, const QString& title, const QString& text, Look look) {
    QMessageBox box(look == Look::Warning ? QMessageBox::Warning : QMessageBox::Question, title, text,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent);
    const int r = box.exec();
    return r == QMessageBox::Yes ? Answer::Yes : r == QMessageBox::No ? Answer::No : Answer::Cancel;
}

bool QtPrompts::OpenFile(const std::string& title, const std::string& filter, const std::string& defaultExt,
                         std::string& path) {
    return OpenFileDialog(title, filter, defaultExt, path);
}

bool QtPrompts::SaveFile(const std::string& title, const std::string& filter, const std::string& defaultExt,
                         bool overwritePrompt, std::string& path) {
    return SaveFileDialog(title, filter, defaultExt, overwritePrompt, path);
}

bool QtPrompts::ChooseFolder(QWidget* parent, const std::string& title, std::string& folder) {
    const QString chosen = QFileDialog::getExistingDirectory(parent, QString::fromStdString(title),
                                                             QString::fromStdString(folder), QFileDialog::ShowDirsOnly);
    folder = chosen.toStdString();
    return !chosen.isEmpty();
}

bool QtPrompts::OpenUrl(const QUrl& url) { return QDesktopServices::openUrl(url); }

int QtPrompts::Exec(QDialog& dialog) { return dialog.exec(); }

Prompts& DefaultPrompts() {
    static QtPrompts prompts;
    return prompts;
}
