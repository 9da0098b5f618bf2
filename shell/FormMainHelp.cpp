// The main window's Help menu: the keyboard picture and the about box.
#include "shell/FormMain.h"

#include "common/Lang.h"
#include "machine/pio/SystemPIO.h"
#include "shell/help/FormAbout.h"
#include "shell/help/FormKeyMap.h"
#include "ui/LangWindows.h"

TFormAbout* TFormMain::FormAbout() { return MadeOnFirstUse(formAbout, this); }
TFormKeyMap* TFormMain::FormKeyMap() { return MadeOnFirstUse(formKeyMap, this); }

void TFormMain::RefreshKeyMap() {
    if (!formKeyMap) return;
    const SystemPIO* pio = owner->GetSystemPio();
    formKeyMap->SetChangeZy(pio && pio->changeZy == 1);
}

void TFormMain::MiKeyboardClick() {
    TFormKeyMap* map = FormKeyMap();
    RefreshKeyMap();
    map->show();
    map->raise();
}

void TFormMain::MiAboutClick() {
    MachineOwner::PauseHold hold(*owner, 0, MachineOwner::PauseHold::Always);
    FormAbout()->exec();
}
