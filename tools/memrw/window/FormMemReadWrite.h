#pragma once
// Memory load and save window: a range of memory to a file, or a file into
// memory, on the paused machine.

#include <QDialog>

#include <string>

#include "tools/memrw/MemReadWrite.h"
#include "ui/Prompts.h"

class ChipMemory;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

class TFormMemReadWrite : public QDialog {
    Q_OBJECT
public:
    explicit TFormMemReadWrite(QWidget* parent = nullptr);
    ~TFormMemReadWrite() override;

    void Setup(int model, ChipMemory* memory, bool save);
    void PresetFile(const std::string& path);

    // Message boxes, questions and file dialogs go through prompts.
    void SetPrompts(Prompts& p) { prompts = &p; }

    void FormShow();
    void CheckHexClick(bool byUser);
    bool ReadValues(bool hex, bool showMessage);
    void SbSelectFileClick();
    void BtnOKClick();
    const MemRangeValues& Values() const { return values; }

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void ShowLength();
    QString Text(const char* key) const;

    int model = 0;
    ChipMemory* memory = nullptr;
    bool save = false;
    bool firstShow = true;
    bool hexShown = false;
    bool fileChosenInDialog = false;  // the dialog asked about overwriting already
    MemRangeValues values;
    // The last file of each direction, as shown (relative to the program folder when inside it).
    std::string loadFile, saveFile;
    Prompts* prompts = &DefaultPrompts();

    QLineEdit* editFile = nullptr;
    QToolButton* sbSelectFile = nullptr;
    QLineEdit* meStart = nullptr;
    QLineEdit* meLength = nullptr;
    QLabel* lblPage = nullptr;
    QLineEdit* mePage = nullptr;
    QLabel* lblReadFrom = nullptr;
    QComboBox* cbReadFrom = nullptr;
    QCheckBox* checkHex = nullptr;
    QCheckBox* checkRemap = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
};
