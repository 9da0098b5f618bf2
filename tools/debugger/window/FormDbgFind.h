#pragma once
// The debugger's search window: eight values or characters with a mask each.
#include <QWidget>

#include <functional>

#include "tools/debugger/MemorySearch.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

class TFormDbgFind : public QWidget {
    Q_OBJECT
public:
    explicit TFormDbgFind(QWidget* parent = nullptr);
    void SetRadix(bool decimal);
    const dbg::SearchPattern& GetPattern() const { return p; }
    bool FindEnabled() const;
    // Called by the Find button: a new search in the debugger.
    std::function<void(bool newSearch)> findNext;

    void MeEditValuesChange();
    void MeEditMaskChange();
    void MeEditAsciiChange();
    void CheckValClick(int position);
    void CheckMaskClick();
    void BtnFindClick();

    QLineEdit* values = nullptr;
    QLineEdit* masks = nullptr;
    QLineEdit* ascii = nullptr;
    QCheckBox* checkVal[8] = {};
    QCheckBox* checkMask = nullptr;
    QPushButton* btnFind = nullptr;
    QRadioButton* radioValues = nullptr;
    QRadioButton* radioAscii = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A click puts the caret on the clicked value's first digit, or on the
    // clicked character, with that one character selected.
    void MeEditValueClick(QLineEdit* field);
    void MeEditAsciiClick();
    void EnableByte(int position, bool valueChange);
    void UpdateFindButton();
    void Rewrite();
    dbg::SearchPattern p;
    bool decimal = false;
    bool updating = false;
};
