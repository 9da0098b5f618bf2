// Stand-in until the assistant itself is built: it changes nothing.
#include "shell/romfolder/RomFolderAssistant.h"

bool RunRomFolderAssistant(QWidget*, ConfigDocument&) { return false; }
