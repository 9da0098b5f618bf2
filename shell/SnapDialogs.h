#pragma once
// The snapshot file dialogs: the program's own (non-native) file dialog with
// one extra check box (open) or two (save) below the file fields.

#include <QFileDialog>

#include "ui/Prompts.h"

class QCheckBox;

class TSnapOpenDialog : public QFileDialog {
    Q_OBJECT
public:
    TSnapOpenDialog(QWidget* owner, bool showPlacesBar);
    static TSnapOpenDialog* CreatePlain(QWidget* owner) { return new TSnapOpenDialog(owner, true); }

    // Runs the dialog through prompts: true on OK; the chosen file is then SelectedPath.
    bool Execute(Prompts& prompts = DefaultPrompts());
    QString SelectedPath() const;

    uint8_t checkState = 0;
    QString checkCaption;
    bool showPlacesBar = true;

private:
    QCheckBox* check = nullptr;
};

class TSnapSaveDialog : public QFileDialog {
    Q_OBJECT
public:
    TSnapSaveDialog(QWidget* owner, bool showPlacesBar);
    static TSnapSaveDialog* CreatePlain(QWidget* owner) { return new TSnapSaveDialog(owner, true); }

    bool Execute(Prompts& prompts = DefaultPrompts());
    QString SelectedPath() const;

    uint8_t firstCheckState = 0;   // pack
    uint8_t secondCheckState = 0;  // with monitor
    QString firstCaption;
    QString secondCaption;
    bool showPlacesBar = true;

private:
    QCheckBox* first = nullptr;
    QCheckBox* second = nullptr;
};
