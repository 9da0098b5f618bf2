#include "ui/QtCommonUtils.h"

#include "ui/FileDialogs.h"

namespace {

void ReleaseQtParts() {
    FreeFileDialogs();
}

}  // namespace

void InitCommonUtils(QWidget* mainWindow) {
    InitCommonUtils();
    CreateFileDialogs(mainWindow);
    SetCommonUtilsDoneHook(&ReleaseQtParts);
}
