#pragma once
// Joystick 4004/482 set-up dialog: maps one connector's joystick to host
// keys or to a game controller (X and Y axes or a hat, or five buttons),
// with a live test of the chosen controller.
//
// The dialog keeps the two connector rows. Its OK only edits the row in
// memory; the settings dialog writes the edited rows on its own OK
// (WriteEditedRows) and drops them on Cancel (LoadSettings).
#include <QDialog>
#include <QPoint>
#include <QString>
#include <memory>

#include "machine/input/JoyRow.h"
#include "platform/Joystick.h"
#include "ui/Prompts.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTimer;
class QToolButton;
class SensitivityImage;

class TFormJoy : public QDialog {
    Q_OBJECT
public:
    static constexpr int kImageSize = 57;
    static constexpr int kObjectCount = 38;  // X, Y, hats 0-3, buttons 0-31

    explicit TFormJoy(QWidget* parent = nullptr);
    ~TFormJoy() override;
    // Message boxes go through prompts.
    void SetPrompts(Prompts& p) { prompts = &p; }

    // Opens the dialog modally for connector 0 (K3, Gpio0) or 1 (K4, Gpio1);
    // true when it was closed with OK (the row is then edited).
    bool EditConnector(int connector);
    // Reloads both rows from the configuration and forgets the edits.
    void LoadSettings();
    // Writes every row edited with OK to the configuration (with connected
    // = true); false when no configuration is open.
    bool WriteEditedRows();

    const JoyRow& Row(int connector) const { return rows[connector & 1]; }
    bool IsRowEdited(int connector) const { return edited[connector & 1]; }
    QString DescribeConnection(int connector) const;
    // 1 once a row was edited or the calibration was opened in this showing.
    int GbJoyTag() const;

    // The current row, set before showing.
    int currentRow = 0;

    // The controller list refresh (EnumJoyDevices unless a test replaces it).
    static void SetDeviceEnumerator(void (*enumerate)());

    // Object names as the dialog shows them ("X axis", "Hat 0", "Button 3").
    static QString ObjectName(int entry);

    // Parts the tests drive.
    void FormShow();
    void BtnOkClick();
    void TimerTimer();
    void CbDeviceChange();
    void CbAxesChange();
    void BtnAssociateClick(QPushButton* button);
    void SetSensitivityCursor(QPoint p);
    QPoint SensitivityCursor() const { return sensCursor; }
    QPoint Crosshair() const { return crosshair; }
    bool Assigning() const { return assigning != nullptr; }
    // The associate text of an unassigned button.
    static QString AssociateText();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class SensitivityImage;
    Prompts* prompts = &DefaultPrompts();
    void CreateControls();
    void RefreshDevices();
    void UpdateEnabling();
    void StopDevice(bool release);
    void SelectKeyGroup(bool keys);
    void ShowButton(QPushButton* b, int tagBase, int number);
    // The number a direction or fire button stands for (its base plus the
    // host button, base - 1 when none).
    int& ButtonTag(const QPushButton* b);
    void EndAssigning(int number);
    void DrawSensitivity();
    void BtnCalibrateClick();

    JoyRow rows[2];
    bool edited[2] = {false, false};

    QGroupBox* gbJoy = nullptr;
    QRadioButton* rbKeyMap = nullptr;
    QRadioButton* rbJoyDev = nullptr;
    QRadioButton* rbAxes = nullptr;
    QRadioButton* rbButtons = nullptr;
    QComboBox* keys[5] = {};  // left, right, up, down, fire
    QLabel* keyLabels[5] = {};
    QComboBox* cbDevice = nullptr;
    QToolButton* sBtnRefresh = nullptr;
    QComboBox* cbAxes = nullptr;
    QLabel* lblSensitivity = nullptr;
    SensitivityImage* imgSens = nullptr;
    QLabel* lblAxesBtnFire = nullptr;
    QPushButton* btnAxesFire = nullptr;
    QPushButton* btnCalibrate = nullptr;
    QPushButton* dirButtons[5] = {};  // BtnLeft, BtnRight, BtnUp, BtnDown, BtnFire
    int buttonTags[6] = {};           // dirButtons, then btnAxesFire
    int gbJoyTag = 0;                 // 1 once a row was edited
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;
    QTimer* timer = nullptr;

    std::unique_ptr<HostJoystick> testDevice;
    int povIndex = -1;
    bool objects[kObjectCount] = {};
    int buttonCount = 0;
    QPoint crosshair;
    QPoint sensCursor{15, 15};
    QPushButton* assigning = nullptr;
    int blink = 0;
};
