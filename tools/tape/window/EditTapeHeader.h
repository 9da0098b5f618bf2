#pragma once
// The modal dialog in which the user gives or changes a tape block's header.
#include <QDialog>

#include "ui/Prompts.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TFormEditTapeHeader : public QDialog {
    Q_OBJECT
public:
    explicit TFormEditTapeHeader(QWidget* parent = nullptr);

    // Keeps start and length and shows them in the present mode.
    void SetValues(int32_t start, int32_t length);
    void GetValues(uint16_t& start, uint16_t& length) const;
    // The block number of MeNumber (0..255), -1 when invalid.
    int Number() const;

    void CheckHexClick();
    // Reads both values in the given mode; with a message on failure.
    bool ReadValues(bool hex, bool withMessage);
    bool CheckType();
    bool CheckName();

    // Message boxes go through prompts.
    void SetPrompts(Prompts& p) { prompts = &p; }

    QLineEdit* MeNumber = nullptr;
    QLineEdit* EditType = nullptr;
    QLineEdit* EditName = nullptr;
    QLineEdit* MeStart = nullptr;
    QLineEdit* MeLength = nullptr;
    QCheckBox* CheckHex = nullptr;
    QPushButton* BtnOK = nullptr;
    QPushButton* BtnCancel = nullptr;

public slots:
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ShowValues();
    bool shownHex = true;  // the mode the edits show
    int32_t start = 0;
    int32_t length = 0;
    Prompts* prompts = &DefaultPrompts();
};
