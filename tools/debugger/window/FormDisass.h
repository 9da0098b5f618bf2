#pragma once
// Disassembly of memory areas to a listing file.
#include <QWidget>

#include <string>
#include <vector>

#include "tools/debugger/Listing.h"
#include "ui/Prompts.h"

class ChipMemory;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;

class TFormDisass : public QWidget {
    Q_OBJECT
public:
    explicit TFormDisass(QWidget* parent = nullptr);
    void SetMemory(ChipMemory* m) { memory = m; }
    void SetNotation(int n) { notation = n; }
    void SetDecimalMode(bool decimal);
    std::vector<dbg::DisassArea>& Areas() { return areas; }

    void RefreshList();
    void BtnAddClick();
    void BtnDelClick();
    void BtnDisassClick();
    void BtnSaveClick();
    void BtnLoadClick();

    // Boxes and file dialogs go through prompts.
    void SetPrompts(Prompts& p) { prompts = &p; }

    QLineEdit* meFrom = nullptr;
    QLineEdit* meTo = nullptr;
    QLineEdit* meOffset = nullptr;
    QComboBox* cbAs = nullptr;
    QCheckBox* checkDwLabel = nullptr;
    QTreeWidget* lvList = nullptr;
    QRadioButton* rbAddrs = nullptr;
    QRadioButton* rbLabels = nullptr;
    QCheckBox* checkHexDump = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QString Number(int32_t v) const;
    QString TypeName(int type) const;
    Prompts* prompts = &DefaultPrompts();
    ChipMemory* memory = nullptr;
    std::vector<dbg::DisassArea> areas;
    bool decimal = false;
    int notation = 0;
};
