#pragma once
// The ROM folder assistant: finds the monitor ROMs (and ROM module images) in
// a folder the user chooses and enters them in the configuration.
class QWidget;
class ConfigDocument;

// true when confirmed and the configuration changed
bool RunRomFolderAssistant(QWidget* parent, ConfigDocument& doc);
