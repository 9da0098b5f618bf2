#pragma once
// The poke dialog: a list of memory patches under notes, written into the
// memory of the paused machine on OK.

#include <QDialog>

#include <string>

#include "tools/poke/PokeList.h"
#include "ui/Prompts.h"

class ChipMemory;
class QCheckBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

class TFormPoke : public QDialog {
    Q_OBJECT
public:
    explicit TFormPoke(QWidget* parent = nullptr);
    ~TFormPoke() override;

    // A new model clears the list.
    void SetTarget(int model, ChipMemory* memory);
    PokeList& List() { return list; }

    // Message boxes and file dialogs go through prompts.
    void SetPrompts(Prompts& p) { prompts = &p; }

    // Handlers.
    void FormShow();
    bool ReadValues(bool hex, bool showMessage);
    void CheckHexClick(bool byUser);
    void BtnAddClick(bool insert);
    void BtnAddNoteClick(bool insert);
    void BtnDeleteClick();
    void BtnClearClick();
    void BtnOKClick();
    void BtnSavePokeClick();
    void BtnLoadPokeClick();
    void ClbPokeListDblClick();
    void MoveEntry(int from, int to);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void RebuildList();
    void UpdateButtons();
    void WriteFields();
    int SelectedRow() const;
    QString Text(const char* key) const;

    PokeList list;
    int model = -1;
    ChipMemory* memory = nullptr;
    int address = 0;
    int value = 0;
    bool hexShown = true;
    bool firstShow = true;
    bool rebuilding = false;
    std::string lastFolder;
    Prompts* prompts = &DefaultPrompts();

    QLineEdit* meAddress = nullptr;
    QLineEdit* meValue = nullptr;
    QCheckBox* checkHex = nullptr;
    QCheckBox* checkRemap = nullptr;
    QLineEdit* editNote = nullptr;
    QListWidget* clbPokeList = nullptr;
    QPushButton* btnAdd = nullptr;
    QPushButton* btnInsert = nullptr;
    QPushButton* btnAddNote = nullptr;
    QPushButton* btnInsertNote = nullptr;
    QPushButton* btnDelete = nullptr;
    QPushButton* btnClear = nullptr;
    QPushButton* btnSavePoke = nullptr;
    QPushButton* btnLoadPoke = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
};
