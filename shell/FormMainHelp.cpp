// The main window's Help menu: the keyboard picture and the about box.
#include "shell/FormMain.h"

#include "common/Lang.h"
#include "machine/pio/SystemPIO.h"
#include "shell/help/FormAbout.h"
#include "shell/help/FormKeyMap.h"
#include "ui/LangWindows.h"

namespace {

template <class W>
W* Created(std::unique_ptr<W>& window, QWidget* parent) {
    if (!window) {
        window = std::make_unique<W>(parent);
        if (const IniFile* ini = LangIni()) TranslateWindows(*ini, {window.get()});
    }
    return window.get();
}

}  // namespace

TFormAbout* TFormMain::FormAbout() { return Created(formAbout, this); }
TFormKeyMap* TFormMain::FormKeyMap() { return Created(formKeyMap, this); }

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
    SetPause(1, 0);
    FormAbout()->exec();
    SetPause(0, 0);
}
