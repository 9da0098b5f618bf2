#include "ui/QtCommonUtils.h"

#include <QApplication>
#include <QMessageBox>

#include "common/Files.h"
#include "ui/FileDialogs.h"

namespace {

void ShowCriticalBox(const std::string& title, const std::string& text) {
    QMessageBox::critical(QApplication::activeWindow(), QString::fromStdString(title),
                          QString::fromStdString(text));
}

void ReleaseQtParts() {
    FreeFileDialogs();
    SetErrorBoxHandler(nullptr);
}

}  // namespace

void InitCommonUtils(QWidget* mainWindow) {
    InitCommonUtils();
    CreateFileDialogs(mainWindow);
    SetErrorBoxHandler(&ShowCriticalBox);
    SetCommonUtilsDoneHook(&ReleaseQtParts);
}
