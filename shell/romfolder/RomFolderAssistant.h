#pragma once
// The ROM-folder assistant for the main window: a folder of ROM dumps given
// once sets the models' monitor ROMs and makes ROM packages of the BASIC
// modules. After a true result the caller (with the machine paused, as for
// the settings dialog) saves the document, runs ReloadSettingsPages and
// applies the change codes as after the settings dialog's OK; the modules'
// file lists come from the document's ROM packages.
#include <vector>

#include "common/RomRecogniser.h"
#include "ui/Prompts.h"

class ConfigDocument;
class QWidget;
class TFormSettings;

// Asks for a folder, shows what it holds (files recognised by table); true
// when the user confirmed and the configuration changed. codes then holds the
// change codes for the settings applier (empty otherwise): 1 when the current
// model's monitor ROM changed, 11 when its ROM module's package or insertion
// changed, 12 when its module went in, 29 when the RAOM module had to come
// out for it.
bool RunRomFolderAssistant(QWidget* parent, ConfigDocument& doc, std::vector<int>& codes,
                           Prompts& prompts = DefaultPrompts(), const std::vector<KnownRom>& table = BuiltInKnownRoms());

// Loads the settings dialog's pages that show what the assistant wrote (Model, ROM
// packages, storages): the dialog's next OK compares its controls with the document
// and would otherwise write the old monitor and module back.
void ReloadSettingsPages(TFormSettings& settings);
