#pragma once
// Start-up of the common services with their Qt part: the two file dialogs owned by the
// main window. DoneCommonUtils (common/Startup.h) releases them too.
#include "common/Startup.h"

class QWidget;

void InitCommonUtils(QWidget* mainWindow);
