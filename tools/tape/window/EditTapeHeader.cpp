#include "tools/tape/window/EditTapeHeader.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include "common/Lang.h"
#include "tools/tape/HeaderRules.h"

namespace {
constexpr const char* kSection = "FormEditTapeHeader";
const char* kHexMask = ">\\#nnnn; ";
const char* kDecMask = "00000; ";
}  // namespace

TFormEditTapeHeader::TFormEditTapeHeader(QWidget* parent) : QDialog(parent) {
    setObjectName("FormEditTapeHeader");
    setWindowTitle(QString::fromUtf8("Hlavička súboru"));
    setModal(true);
    auto* grid = new QGridLayout(this);
    auto label = [this, grid](const char* name, const char* text, int row) {
        auto* l = new QLabel(QString::fromUtf8(text), this);
        l->setObjectName(name);
        grid->addWidget(l, row, 0);
    };
    auto edit = [this, grid](const char* name, int row) {
        auto* e = new QLineEdit(this);
        e->setObjectName(name);
        grid->addWidget(e, row, 1);
        return e;
    };
    label("LblNumber", "Číslo:", 0);
    MeNumber = edit("MeNumber", 0);
    MeNumber->setMaxLength(3);
    MeNumber->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9 ]{0,3}"), MeNumber));
    label("LblType", "Typ:", 1);
    EditType = edit("EditType", 1);
    EditType->setMaxLength(1);
    EditType->setText("?");
    label("LblName", "Meno:", 2);
    EditName = edit("EditName", 2);
    EditName->setMaxLength(8);
    label("LblStart", "Štart:", 3);
    MeStart = edit("MeStart", 3);
    MeStart->setToolTip(QString::fromUtf8("Začiatočná adresa"));
    label("LblLength", "Dĺžka:", 4);
    MeLength = edit("MeLength", 4);
    MeLength->setToolTip(QString::fromUtf8("Dĺžka súboru"));
    MeLength->setEnabled(false);
    MeLength->setReadOnly(true);
    CheckHex = new QCheckBox(QString::fromUtf8("Hexa hodnoty"), this);
    CheckHex->setObjectName("CheckHex");
    CheckHex->setChecked(true);
    grid->addWidget(CheckHex, 5, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    BtnOK = new QPushButton("OK", this);
    BtnOK->setObjectName("BtnOK");
    BtnOK->setDefault(true);
    BtnCancel = new QPushButton(QString::fromUtf8("Zrušiť"), this);
    BtnCancel->setObjectName("BtnCancel");
    buttons->addWidget(BtnOK);
    buttons->addWidget(BtnCancel);
    grid->addLayout(buttons, 6, 0, 1, 2);
    resize(164, 189);
    connect(BtnOK, &QPushButton::clicked, this, &TFormEditTapeHeader::accept);
    connect(BtnCancel, &QPushButton::clicked, this, &TFormEditTapeHeader::reject);
    connect(CheckHex, &QCheckBox::clicked, this, [this] { CheckHexClick(); });
    ShowValues();
}

void TFormEditTapeHeader::ShowValues() {
    const bool hex = CheckHex->isChecked();
    MeStart->setInputMask(hex ? kHexMask : kDecMask);
    MeLength->setInputMask(hex ? kHexMask : kDecMask);
    MeStart->setText(QString::fromStdString(FormatHeaderValue(static_cast<unsigned>(start), hex)));
    MeLength->setText(QString::fromStdString(FormatHeaderValue(static_cast<unsigned>(length), hex)));
    shownHex = hex;
}

void TFormEditTapeHeader::SetValues(int32_t s, int32_t l) {
    start = s;
    length = l;
    ShowValues();
}

void TFormEditTapeHeader::GetValues(uint16_t& s, uint16_t& l) const {
    s = static_cast<uint16_t>(start);
    l = static_cast<uint16_t>(length);
}

int TFormEditTapeHeader::Number() const { return ParseBlockNumber(MeNumber->text().trimmed().toStdString()); }

bool TFormEditTapeHeader::ReadValues(bool hex, bool withMessage) {
    const bool ok = ReadHeaderValues(MeStart->displayText().toStdString(), MeLength->displayText().toStdString(),
                                     hex, start, length);
    if (!ok && withMessage) prompts->WarningKey(this, kSection, "err.Values");
    return ok;
}

void TFormEditTapeHeader::CheckHexClick() {
    // The values as shown, read in the mode they are shown in.
    ReadValues(shownHex, false);
    ShowValues();
}

bool TFormEditTapeHeader::CheckType() {
    switch (::CheckType(EditType->text().toStdString())) {
        case HeaderCheck::Ok:
            return true;
        case HeaderCheck::TypeEmpty:
            prompts->WarningKey(this, kSection, "err.FileType1");
            break;
        default:
            prompts->WarningKey(this, kSection, "err.FileType2");
            break;
    }
    EditType->setFocus();
    return false;
}

bool TFormEditTapeHeader::CheckName() {
    switch (::CheckName(EditName->text().toStdString())) {
        case HeaderCheck::Ok:
            return true;
        case HeaderCheck::NameEmpty:
            prompts->WarningKey(this, kSection, "err.FileName1");
            break;
        default:
            prompts->WarningKey(this, kSection, "err.FileName2");
            break;
    }
    EditName->setFocus();
    return false;
}

void TFormEditTapeHeader::accept() {
    if (!CheckType() || !CheckName()) return;
    if (Number() < 0) {
        prompts->WarningKey(this, kSection, "err.Values");
        MeNumber->setFocus();
        return;
    }
    if (!ReadValues(CheckHex->isChecked(), true)) {
        MeStart->setFocus();
        return;
    }
    QDialog::accept();
}

void TFormEditTapeHeader::showEvent(QShowEvent* event) {
    ShowValues();
    QDialog::showEvent(event);
}
