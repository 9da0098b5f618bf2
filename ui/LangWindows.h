#pragma once
// Loading a language: opens its file and writes its texts into the windows it names.
#include <QList>
#include <string>

class IniFile;
class QWidget;

// Opens AppDir + "Lang/" + name + ".ini" and translates every top-level window whose
// object name matches a section.
void LoadLanguage(const std::string& name);
// The same for the given windows only.
void LoadLanguage(const std::string& name, const QList<QWidget*>& windows);

// Applies every section of ini to the window of that name (case-insensitive). A key whose
// number names no column, node or item abandons the rest of its section.
void TranslateWindows(const IniFile& ini, const QList<QWidget*>& windows);

// Applies one key to window. False on an error that abandons the section.
bool ApplyLangKey(QWidget* window, const std::string& key, const std::string& value);
