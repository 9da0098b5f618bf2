#pragma once
// Loading a language: opens its file and writes its texts into the windows it names.
#include <QList>
#include <QString>
#include <memory>
#include <string>

#include "common/Lang.h"

class IniFile;
class QWidget;

// Gives w its object name, by which the language file's keys find it.
template <class W>
W* Named(W* w, const char* name) {
    w->setObjectName(QLatin1String(name));
    return w;
}

// Opens AppDir + "Lang/" + name + ".ini" and translates every top-level window whose
// object name matches a section.
void LoadLanguage(const std::string& name);
// The same for the given windows only.
void LoadLanguage(const std::string& name, const QList<QWidget*>& windows);

// Applies every section of ini to the window of that name (case-insensitive). A key whose
// number names no column, node or item abandons the rest of its section.
void TranslateWindows(const IniFile& ini, const QList<QWidget*>& windows);

// A window made on first use: made with parent, set up, and translated into
// the loaded language then (a window made later misses LoadLanguage's walk).
template <class W, class SetUp>
W* MadeOnFirstUse(std::unique_ptr<W>& window, QWidget* parent, SetUp setUp) {
    if (!window) {
        window = std::make_unique<W>(parent);
        setUp(*window);
        if (const IniFile* ini = LangIni()) TranslateWindows(*ini, {window.get()});
    }
    return window.get();
}

template <class W>
W* MadeOnFirstUse(std::unique_ptr<W>& window, QWidget* parent) {
    return MadeOnFirstUse(window, parent, [](W&) {});
}


// Applies one key to window. False on an error that abandons the section.
bool ApplyLangKey(QWidget* window, const std::string& key, const std::string& value);
