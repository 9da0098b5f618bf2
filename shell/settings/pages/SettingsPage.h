#pragma once
// One page of the settings dialog: it builds its controls, loads them from
// the configuration document and hands their values to OK.
#include <QString>
#include <QWidget>

#include "shell/settings/logic/SettingsWriter.h"

class TFormSettings;

class TSettingsPage : public QWidget {
    Q_OBJECT
    // Set by the language file ("TabX.Caption", "TabX.Hint").
    Q_PROPERTY(QString caption READ Caption WRITE SetCaption)
    Q_PROPERTY(QString hint READ Hint WRITE SetHint)
public:
    TSettingsPage(TFormSettings& dialog, const char* name, const char* caption, const char* hint);

    QString Caption() const { return caption; }
    void SetCaption(const QString& text) { caption = text; }
    // The page's description shown in the dialog's header.
    QString Hint() const { return hint; }
    void SetHint(const QString& text) { hint = text; }

    // Loads the controls from the document.
    virtual void Load() = 0;
    // The values OK writes.
    virtual void Read(SettingsControls& c) const { (void)c; }

    // Shown or changed since the dialog last loaded it: Cancel loads it again.
    bool touched = false;
    // Marks the page touched whenever one of its controls changes.
    void WatchChanges();

protected:
    TFormSettings& dlg;

private:
    QString caption;
    QString hint;
};
