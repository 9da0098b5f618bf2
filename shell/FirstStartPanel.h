#pragma once
// The first start without a monitor ROM: over the screen picture, a panel
// that names the model lacking its ROM and offers the ROM folder assistant
// and the settings dialog's Model page. Whether the ROM is missing is the
// machine owner's to say (MachineOwner::MonitorRomMissing; the owner also
// keeps such a machine paused); the panel follows it after every build:
// shown while the ROM is missing, gone once it is there, and the machine
// held for it runs. What it asks of the main window goes out as signals.
#include <QWidget>

class MachineOwner;
class QLabel;
class QPushButton;

class FirstStartPanel : public QWidget {
    Q_OBJECT
public:
    // Covers screen (the screen view) and follows its size; hidden at first.
    FirstStartPanel(MachineOwner& owner, QWidget* screen);

    // The text naming the model, from the language file (text.FirstStart.Message).
    static QString MessageFor(int model);

public slots:
    // Shows or hides the panel as the built machine has its ROM or not.
    void Follow();
    // Follow once the current command is over (the builder calls at every build).
    void FollowLater();
    // BtnRomFolder: asks for the ROM folder assistant (RomFolderRequested).
    void ChooseRomFolder();
    // BtnFirstStartSettings: asks for the settings dialog on the Model page
    // (ModelSettingsRequested), then follows what it changed.
    void OpenModelSettings();

signals:
    // Shown over a machine without its ROM: nothing runs, no LED is lit.
    void Held();
    // Gone after a ROM came: the machine held for it may run.
    void Released();
    // The ROM folder assistant; a confirmed change is saved and applied as
    // the settings dialog's OK does, the machine is reset, and Follow is called.
    void RomFolderRequested();
    // The settings dialog on its Model page, run to its end.
    void ModelSettingsRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    MachineOwner& owner;
    QLabel* labelMessage = nullptr;
    QLabel* labelHint = nullptr;
    QPushButton* btnRomFolder = nullptr;
    QPushButton* btnSettings = nullptr;
    bool followPending = false;
};
