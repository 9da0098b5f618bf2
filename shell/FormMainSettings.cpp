// The main window's side of the settings dialog: opening it from the menu
// items and the toolbar button, the program start that loads every page and
// applies every change code, and the dialog's position at exit.
#include <QAction>
#include <QApplication>
#include <QScreen>

#include "common/Config.h"
#include "common/Lang.h"
#include "machine/sound/SoundDevices.h"
#include "machine/storage/SdCard.h"
#include "shell/peripherals/FormJoy.h"
#include "shell/FirstStartPanel.h"
#include "shell/FormMain.h"
#include "shell/settings/FormSettings.h"
#include "ui/Prompts.h"
#include "ui/WindowPlacement.h"

void TFormMain::CreateSettingsWindow() {
    formSettings = std::make_unique<TFormSettings>(this);
    formSettings->SetPrompts(*prompts);
    formSettings->setWindowFlag(Qt::Dialog);
}

void TFormMain::MiSettingsClick(QAction* sender) {
    MachineOwner::PauseHold hold(*owner, 1, MachineOwner::PauseHold::IfWasRunning);
    if (sender && sender->data().isValid() && sender->data().toInt() >= 0)
        formSettings->SelectPage(sender->data().toInt());
    formSettings->TreeItemsClick();
    const int result = prompts->Exec(*formSettings);
    if (result == QDialog::Accepted) {
        // The dialog's OK wrote the rows edited in the joystick set-up dialog.
        ApplyChangedDocument(formSettings->ChangeList());
    } else if (formJoy) {
        formJoy->LoadSettings();
    }
    // The General page may have loaded another language.
    firstStart->FollowLater();
}

void TFormMain::ApplyChangedDocument(std::vector<int> codes) {
    if (!xmlDoc.Save()) prompts->ErrorKey(this, "FormMain", "err.SaveConfig");
    const bool reset = ApplySettings(codes);
    // A drive image that would not mount left the document: the storage
    // pages show that, since the next opening may not load them.
    formSettings->TabStoragesShow();
    if (reset) ResetMachine(1);
}

void TFormMain::RunStartSettings() {
    formSettings->LoadAllPages();
    formSettings->BtnOkClick();
    std::vector<int>& codes = formSettings->ChangeList();
    codes.clear();
    for (int c = 1; c <= 36; ++c) codes.push_back(c);
    std::vector<int> applied = codes;
    ApplySettings(applied);
    formSettings->TabStoragesShow();  // drive images that would not mount are out of the document

    pugi::xml_node options = ConfigSection("Options");
    int left = 0, top = 0;
    const QRect desk = screen() ? screen()->availableGeometry() : QRect(0, 0, 1024, 768);
    ReadWindowPos(options, left, top, formSettings->width(), formSettings->height(), desk.width(), desk.height());
    PlaceWindowFrame(formSettings.get(), QPoint(left, top));
    formSettings->SelectPage(ReadAttrInt(options, "page", 0));
}

void TFormMain::ReportDeviceFailures() {
    for (const MachineParts::MountFailure& f : owner->TakePmd32MountFailures()) {
        const std::string letter(1, char('A' + f.drive));
        std::string text = LangTextArgs("FormMain", "err.MountP32.Message", letter, f.path);
        const bool cfg = f.result == kPmdCfgMissing || f.result == kPmdCfgMalformed || f.result == kPmdCfgNoLine;
        const std::string reason = LangText("FormMain", cfg ? (f.result == kPmdCfgMissing    ? "text.MountP32.CfgMissing"
                                                               : f.result == kPmdCfgMalformed ? "text.MountP32.CfgMalformed"
                                                                                             : "text.MountP32.CfgNoLine")
                                                            : "text.MountP32.NotOpened");
        if (!reason.empty()) text += "\n" + reason;
        prompts->Warning(this, FormText("err.MountP32.Title"), QString::fromStdString(text));
    }
    const int sound = owner->TakeSoundOpenFailure();
    if (sound >= 0) {
        std::string device = std::to_string(sound);
        const std::string name = SoundDeviceName(sound);
        if (!name.empty()) device += " (" + name + ")";
        prompts->Warning(this, FormText("err.OpenSound.Title"),
                         QString::fromStdString(LangTextArg("FormMain", "err.OpenSound.Message", device)));
    }
}

void TFormMain::StoreSettingsWindow() {
    if (!formSettings) return;
    pugi::xml_node options = ConfigSection("Options");
    WriteAttrInt(options, "x", formSettings->x());
    WriteAttrInt(options, "y", formSettings->y());
    WriteAttrInt(options, "page", formSettings->ActivePage());
}

void TFormMain::ShowSettingsMute(bool mute) {
    if (formSettings) formSettings->SetMute(mute);
}
