#include "tools/debugger/window/FormDbgFind.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "tools/debugger/window/DbgWindowUtils.h"

TFormDbgFind::TFormDbgFind(QWidget* parent) : QWidget(parent, Qt::Tool) {
    setObjectName("FormDbgFind");
    setWindowTitle("Find");
    auto* grid = new QGridLayout(this);
    radioValues = new QRadioButton("Values", this);
    radioValues->setObjectName("RadioValues");
    radioAscii = new QRadioButton("Text", this);
    radioAscii->setObjectName("RadioAscii");
    radioValues->setChecked(true);
    values = new QLineEdit(this);
    values->setObjectName("MeEditValues");
    masks = new QLineEdit(this);
    masks->setObjectName("MeEditMask");
    masks->setEnabled(false);
    ascii = new QLineEdit(this);
    ascii->setObjectName("MeEditAscii");
    ascii->setEnabled(false);
    ascii->setMaxLength(30);
    ascii->setContextMenuPolicy(Qt::NoContextMenu);  // typed over: no paste
    checkMask = new QCheckBox("Mask", this);
    checkMask->setObjectName("CheckMask");
    QFont fixed("Monospace");
    fixed.setStyleHint(QFont::TypeWriter);
    for (QLineEdit* e : {values, masks, ascii}) {
        e->setFont(fixed);
        e->installEventFilter(this);
    }
    grid->addWidget(radioValues, 0, 0);
    grid->addWidget(values, 0, 1, 1, 8);
    grid->addWidget(radioAscii, 1, 0);
    grid->addWidget(ascii, 1, 1, 1, 8);
    grid->addWidget(checkMask, 2, 0);
    grid->addWidget(masks, 2, 1, 1, 8);
    for (int i = 0; i < 8; ++i) {
        checkVal[i] = new QCheckBox(QString::number(i + 1), this);
        checkVal[i]->setObjectName(QString("CheckVal%1").arg(i + 1));
        grid->addWidget(checkVal[i], 3, i + 1);
        connect(checkVal[i], &QCheckBox::clicked, this, [this, i] { CheckValClick(i); });
    }
    btnFind = new QPushButton("Find", this);
    btnFind->setObjectName("BtnFind");
    btnFind->setEnabled(false);
    grid->addWidget(btnFind, 4, 8);
    connect(btnFind, &QPushButton::clicked, this, &TFormDbgFind::BtnFindClick);
    connect(values, &QLineEdit::textEdited, this, &TFormDbgFind::MeEditValuesChange);
    connect(values, &QLineEdit::editingFinished, this, &TFormDbgFind::MeEditValuesChange);
    connect(masks, &QLineEdit::textEdited, this, &TFormDbgFind::MeEditMaskChange);
    connect(masks, &QLineEdit::editingFinished, this, &TFormDbgFind::MeEditMaskChange);
    connect(ascii, &QLineEdit::textEdited, this, &TFormDbgFind::MeEditAsciiChange);
    connect(checkMask, &QCheckBox::clicked, this, &TFormDbgFind::CheckMaskClick);
    auto radio = [this] {
        values->setEnabled(radioValues->isChecked());
        ascii->setEnabled(radioAscii->isChecked());
        QLineEdit* on = radioValues->isChecked() ? values : ascii;
        on->setFocus();
        on->setCursorPosition(radioValues->isChecked() && !decimal ? 1 : radioAscii->isChecked() ? 1 : 0);
    };
    connect(radioValues, &QRadioButton::clicked, this, radio);
    connect(radioAscii, &QRadioButton::clicked, this, radio);
    SetRadix(false);
}

bool TFormDbgFind::eventFilter(QObject* watched, QEvent* event) {
    // The character field is typed over at the places 1, 5, ..., 29.
    if (watched == ascii && event->type() == QEvent::KeyPress)
        return dbgwin::TypeOverKey(ascii, static_cast<QKeyEvent*>(event), 4, 1, QChar('.'));
    if (watched == ascii && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease) &&
        static_cast<QMouseEvent*>(event)->button() == Qt::MiddleButton)
        return true;  // no pasted selection
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        // After the field's own handling of the release, which may still move the selection.
        auto* field = static_cast<QLineEdit*>(watched);
        if (field == ascii)
            QMetaObject::invokeMethod(this, [this] { MeEditAsciiClick(); }, Qt::QueuedConnection);
        else if (field == values || field == masks)
            QMetaObject::invokeMethod(this, [this, field] { MeEditValueClick(field); }, Qt::QueuedConnection);
    }
    return QWidget::eventFilter(watched, event);
}

void TFormDbgFind::MeEditValueClick(QLineEdit* field) {
    if (field->hasSelectedText() && field->selectedText().size() > 1) return;  // a drag selected more
    dbgwin::SelectPlaceAtCaret(field, 4, decimal ? 0 : 1);
}

void TFormDbgFind::MeEditAsciiClick() {
    if (ascii->hasSelectedText() && ascii->selectedText().size() > 1) return;
    dbgwin::SelectPlaceAtCaret(ascii, 4, 1);
}

void TFormDbgFind::SetRadix(bool dec) {
    decimal = dec;
    updating = true;
    const QString mask = decimal ? "999 999 999 999 999 999 999 999; " : ">\\#HH \\#HH \\#HH \\#HH \\#HH \\#HH \\#HH \\#HH; ";
    values->setInputMask(mask);
    masks->setInputMask(mask);
    updating = false;
    Rewrite();
}

void TFormDbgFind::Rewrite() {
    updating = true;
    values->setText(QString::fromStdString(dbg::FormatBytes(p.pattern, decimal)));
    masks->setText(QString::fromStdString(dbg::FormatBytes(p.mask, decimal)));
    ascii->setText(QString::fromStdU16String(dbg::FormatAscii(p.chars)));
    updating = false;
}

bool TFormDbgFind::FindEnabled() const { return btnFind->isEnabled(); }

void TFormDbgFind::EnableByte(int i, bool valueChange) {
    if (checkVal[i]->isChecked()) return;
    checkVal[i]->setChecked(true);
    btnFind->setEnabled(true);
    if (valueChange) p.mask[i] = 0xFF;
}

void TFormDbgFind::UpdateFindButton() { btnFind->setEnabled(p.Any()); }

void TFormDbgFind::MeEditValuesChange() {
    if (updating) return;
    uint8_t b[8];
    const int r = dbg::ParseBytes(values->text().toStdString(), decimal, b);
    if (r < 0) {
        values->setFocus();
        values->setSelection(-r - 2, 1);
        dbgwin::Beep();
        return;
    }
    if (r == 0) {
        dbgwin::Beep();  // fewer than eight values
        return;
    }
    for (int i = 0; i < 8; ++i) {
        if (b[i] == p.pattern[i]) continue;
        p.pattern[i] = b[i];
        EnableByte(i, true);
        p.chars[i] = b[i] >= 32 && b[i] <= 126 ? char16_t(b[i]) : u'.';
        break;
    }
    const int caret = values->cursorPosition();
    Rewrite();
    values->setCursorPosition(caret);
}

void TFormDbgFind::MeEditMaskChange() {
    if (updating) return;
    uint8_t b[8];
    const int r = dbg::ParseBytes(masks->text().toStdString(), decimal, b);
    if (r < 0) {
        masks->setFocus();
        masks->setSelection(-r - 2, 1);
        dbgwin::Beep();
        return;
    }
    if (r == 0) {
        dbgwin::Beep();  // fewer than eight values
        return;
    }
    for (int i = 0; i < 8; ++i) {
        if (b[i] == p.mask[i]) continue;
        p.mask[i] = b[i];
        EnableByte(i, false);
        break;
    }
    const int caret = masks->cursorPosition();
    Rewrite();
    masks->setCursorPosition(caret);
    UpdateFindButton();
}

void TFormDbgFind::MeEditAsciiChange() {
    if (updating) return;
    const std::u16string t = ascii->text().toStdU16String();
    for (int i = 0; i < 8; ++i) {
        const size_t at = static_cast<size_t>(4 * i + 1);
        if (at >= t.size()) break;
        const char16_t c = t[at];
        if (c == p.chars[i] || c < 32 || c == 127) continue;
        p.chars[i] = c;
        p.pattern[i] = static_cast<uint8_t>(c & 0xFF);
        EnableByte(i, true);
        break;
    }
    const int caret = ascii->cursorPosition();
    Rewrite();
    ascii->setCursorPosition(caret);
    UpdateFindButton();
}

void TFormDbgFind::CheckValClick(int i) {
    if (checkVal[i]->isChecked()) {
        p.mask[i] = 0xFF;
    } else {
        p.pattern[i] = 0;
        p.mask[i] = 0;
        p.chars[i] = u'.';
    }
    Rewrite();
    UpdateFindButton();
}

void TFormDbgFind::CheckMaskClick() {
    masks->setEnabled(checkMask->isChecked());
    if (checkMask->isChecked()) {
        masks->setFocus();
        masks->setCursorPosition(decimal ? 0 : 1);
        return;
    }
    for (uint8_t& m : p.mask)
        if (m) m = 0xFF;
    Rewrite();
}

void TFormDbgFind::BtnFindClick() {
    hide();
    if (findNext) findNext(true);
}
