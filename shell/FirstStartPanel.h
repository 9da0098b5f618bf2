#pragma once
// The first start without a monitor ROM: over the screen picture, a panel
// that names the model lacking its ROM and offers the ROM folder assistant
// and the settings dialog's Model page. Whether the ROM is missing is the
// machine owner's to say (MachineOwner::MonitorRomMissing; the owner also
// keeps such a machine paused); the panel follows it after every build:
// shown while the ROM is missing, gone once it is there, and the machine
// held for it runs.
#include <QWidget>

class QLabel;
class QPushButton;
class TFormMain;

class FirstStartPanel : public QWidget {
    Q_OBJECT
public:
    // Covers screen (the screen view) and follows its size; hidden at first.
    FirstStartPanel(TFormMain& form, QWidget* screen);

    // The text naming the model, from the language file (text.FirstStart.Message).
    static QString MessageFor(int model);

public slots:
    // Shows or hides the panel as the built machine has its ROM or not.
    void Follow();
    // Follow once the current command is over (the builder calls at every build).
    void FollowLater();
    // BtnRomFolder: the ROM folder assistant; a confirmed change is saved and
    // applied as the settings dialog's OK does, and the machine is reset.
    void ChooseRomFolder();
    // BtnFirstStartSettings: the settings dialog on the Model page.
    void OpenModelSettings();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TFormMain& form;
    QLabel* labelMessage = nullptr;
    QLabel* labelHint = nullptr;
    QPushButton* btnRomFolder = nullptr;
    QPushButton* btnSettings = nullptr;
    bool followPending = false;
};
