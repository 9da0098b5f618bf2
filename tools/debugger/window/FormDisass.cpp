#include "tools/debugger/window/FormDisass.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

#include <fstream>
#include <sstream>

#include "common/Files.h"
#include "common/Lang.h"
#include "common/TextUtils.h"
#include "tools/debugger/window/DbgWindowUtils.h"

namespace {
const char* const kSection = "FormDisass";
QString T(const char* key, const char* fallback) { return dbgwin::Text(kSection, key, fallback); }
}  // namespace

TFormDisass::TFormDisass(QWidget* parent) : QWidget(parent, Qt::Tool) {
    setObjectName("FormDisass");
    setWindowTitle(QString::fromUtf8("Disassembling do súboru"));
    auto* grid = new QGridLayout(this);
    auto edit = [this](const char* name, const char* hint) {
        auto* e = new QLineEdit(this);
        e->setObjectName(name);
        e->setToolTip(QString::fromUtf8(hint));
        return e;
    };
    meFrom = edit("MeFrom", "Aktuálna začiatočná adresa");
    meTo = edit("MeTo", "Aktuálna koncová adresa");
    meOffset = edit("MeOffset", "Posun proti originálnemu umiestneniu");
    const char* const labels[3][2] = {{"LblFrom", "Od:"}, {"LblTo", "Do:"}, {"LblOffset", "Posun:"}};
    QLineEdit* edits[3] = {meFrom, meTo, meOffset};
    for (int i = 0; i < 3; ++i) {
        auto* l = new QLabel(QString::fromUtf8(labels[i][1]), this);
        l->setObjectName(labels[i][0]);
        grid->addWidget(l, 0, 2 * i);
        grid->addWidget(edits[i], 0, 2 * i + 1);
    }
    auto* lblAs = new QLabel(QString::fromUtf8("Ako:"), this);
    lblAs->setObjectName("LblAs");
    cbAs = new QComboBox(this);
    cbAs->setObjectName("CbAs");
    cbAs->setToolTip(QString::fromUtf8("Spôsob disassemblingu"));
    cbAs->addItems({"", "DB n8", "DB 'text'", "DW n16", "DS n16"});
    grid->addWidget(lblAs, 1, 0);
    grid->addWidget(cbAs, 1, 1, 1, 2);
    checkDwLabel = new QCheckBox(QString::fromUtf8("Hodnoty ako návestia"), this);
    checkDwLabel->setObjectName("CheckDwLabel");
    checkDwLabel->setEnabled(false);
    grid->addWidget(checkDwLabel, 1, 3, 1, 3);
    connect(cbAs, &QComboBox::currentIndexChanged, this, [this](int i) { checkDwLabel->setEnabled(i == 3); });
    auto button = [this](const char* name, const char* text, const char* hint) {
        auto* b = new QPushButton(QString::fromUtf8(text), this);
        b->setObjectName(name);
        if (hint) b->setToolTip(QString::fromUtf8(hint));
        return b;
    };
    QPushButton* add = button("BtnAdd", "Pridať", "Zaradí novú položku podľa začiatočnej adresy");
    QPushButton* del = button("BtnDel", "Zmazať", "Zmaže vybrané položky");
    QPushButton* save = button("BtnSave", "Uložiť zoznam", "Uloží zoznam do súboru");
    QPushButton* load = button("BtnLoad", "Otvoriť zoznam", "Otvoriť zoznam zo súboru");
    grid->addWidget(add, 2, 0, 1, 2);
    grid->addWidget(del, 2, 2, 1, 2);
    grid->addWidget(save, 2, 4);
    grid->addWidget(load, 2, 5);
    lvList = new QTreeWidget(this);
    lvList->setObjectName("LvList");
    lvList->setRootIsDecorated(false);
    lvList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvList->setHeaderLabels({"Od", "Do", "Posun", "Ako", QString::fromUtf8("DW návestia")});
    grid->addWidget(lvList, 3, 0, 1, 6);
    rbAddrs = new QRadioButton("adresy", this);
    rbAddrs->setObjectName("RbAddrs");
    rbLabels = new QRadioButton(QString::fromUtf8("návestia"), this);
    rbLabels->setObjectName("RbLabels");
    rbLabels->setChecked(true);
    checkHexDump = new QCheckBox(QString::fromUtf8("Pridať Hex Dump"), this);
    checkHexDump->setObjectName("CheckHexDump");
    checkHexDump->setEnabled(false);
    connect(rbAddrs, &QRadioButton::toggled, checkHexDump, &QCheckBox::setEnabled);
    QPushButton* go = button("BtnDisass", "Vykonaj", nullptr);
    grid->addWidget(rbAddrs, 4, 0, 1, 2);
    grid->addWidget(rbLabels, 4, 2, 1, 2);
    grid->addWidget(checkHexDump, 5, 0, 1, 3);
    grid->addWidget(go, 5, 5);
    connect(add, &QPushButton::clicked, this, &TFormDisass::BtnAddClick);
    connect(del, &QPushButton::clicked, this, &TFormDisass::BtnDelClick);
    connect(save, &QPushButton::clicked, this, &TFormDisass::BtnSaveClick);
    connect(load, &QPushButton::clicked, this, &TFormDisass::BtnLoadClick);
    connect(go, &QPushButton::clicked, this, &TFormDisass::BtnDisassClick);
    SetDecimalMode(false);
}

void TFormDisass::SetDecimalMode(bool dec) {
    decimal = dec;
    // Typed over in place: five digits, or "#" and four upper-case hex digits.
    for (QLineEdit* e : {meFrom, meTo, meOffset}) {
        e->setInputMask(decimal ? "99999; " : ">\\#HHHH; ");
        e->setText(decimal ? "00000" : "#0000");
    }
    if (isVisible()) RefreshList();
}

QString TFormDisass::Number(int32_t v) const {
    return QString::fromStdString(FormatNumber(static_cast<unsigned>(v), true, true, !decimal, false, true));
}

QString TFormDisass::TypeName(int type) const {
    if (type == 0) return T("text.CbAs.type1", "Code");
    return cbAs->itemText(type);
}

void TFormDisass::showEvent(QShowEvent* event) {
    const QString code = QString::fromStdString(LangText(kSection, "text.CbAs.type1"));
    if (!code.isEmpty()) cbAs->setItemText(0, code);
    else if (cbAs->itemText(0).isEmpty()) cbAs->setItemText(0, "Code");
    if (lvList->topLevelItemCount() == 0) RefreshList();
    QWidget::showEvent(event);
}

void TFormDisass::RefreshList() {
    lvList->clear();
    for (const dbg::DisassArea& a : areas) {
        auto* item = new QTreeWidgetItem(lvList);
        item->setText(0, Number(a.from));
        item->setText(1, Number(a.to));
        item->setText(2, Number(a.offset));
        item->setText(3, TypeName(a.type));
        if (a.type == dbg::AreaWords)
            item->setText(4, a.valuesAsLabels ? T("text.LvList.Yes", "Yes") : T("text.LvList.No", "No"));
    }
}

void TFormDisass::BtnAddClick() {
    dbg::DisassArea a;
    a.from = ParseNumber(meFrom->text().toStdString(), !decimal);
    a.to = ParseNumber(meTo->text().toStdString(), !decimal);
    // The offset is taken modulo 10000h; a field that does not read stays -1 and is refused.
    a.offset = ParseNumber(meOffset->text().toStdString(), !decimal);
    if (a.offset > 0) a.offset &= 0xFFFF;
    a.type = cbAs->currentIndex();
    a.valuesAsLabels = a.type == dbg::AreaWords && checkDwLabel->isChecked();
    if (!dbg::AreaIsValid(a)) {
        prompts->Warning(QApplication::activeWindow(), T("err.AddItem.Title", "Add"),
                         T("err.AddItem.Message", "The area is not valid."));
        return;
    }
    dbg::InsertArea(areas, a);
    RefreshList();
    const QString next = Number(dbg::NextFreeAddress(a) & 0xFFFF);
    meFrom->setText(next);
    meTo->setText(next);
}

void TFormDisass::BtnDelClick() {
    std::vector<dbg::DisassArea> kept;
    for (int i = 0; i < lvList->topLevelItemCount() && i < static_cast<int>(areas.size()); ++i)
        if (!lvList->topLevelItem(i)->isSelected()) kept.push_back(areas[static_cast<size_t>(i)]);
    areas = kept;
    RefreshList();
}

namespace {
bool AskSave(Prompts& prompts, std::string& path) {
    path = "...";
    return prompts.SaveFile(LangText(kSection, "text.SaveDlg.Title"), LangText(kSection, "text.SaveDlg.Filter"), "",
                            true, path);
}
}  // namespace

void TFormDisass::BtnDisassClick() {
    if (areas.empty()) {
        prompts->Warning(QApplication::activeWindow(), T("err.Disass1.Title", "Disassembly"),
                         T("err.Disass1.Message", "The list is empty."));
        return;
    }
    if (!memory) return;
    std::string path;
    if (!AskSave(*prompts, path)) return;
    dbg::ListingOptions o;
    o.labels = rbLabels->isChecked();
    o.hexDump = !o.labels && checkHexDump->isChecked();
    o.decimal = decimal;
    o.notation = notation;
    setCursor(Qt::WaitCursor);
    const bool ok = dbg::SaveListing(path, *memory, areas, o);
    unsetCursor();
    if (!ok) {
        prompts->Warning(QApplication::activeWindow(), T("err.Disass2.Title", "Disassembly"),
                         T("err.Disass2.Message", "The file could not be written."));
        return;
    }
    prompts->Information(QApplication::activeWindow(), T("err.Disass3.Title", "Disassembly"),
                         T("err.Disass3.Message", "The listing is written."));
}

void TFormDisass::BtnSaveClick() {
    if (areas.empty()) {
        prompts->Warning(QApplication::activeWindow(), T("err.Disass1.Title", "Disassembly"),
                         T("err.Disass1.Message", "The list is empty."));
        return;
    }
    std::string path;
    if (!AskSave(*prompts, path)) return;
    if (!ReplaceFileContents(path, dbg::AreaListText(areas)))
        prompts->Warning(QApplication::activeWindow(), T("err.Disass2.Title", "Disassembly"),
                         T("err.Disass2.Message", "The file could not be written."));
}

void TFormDisass::BtnLoadClick() {
    std::string path;
    path = "...";
    if (!prompts->OpenFile(LangText(kSection, "text.OpenDlg.Title"), LangText(kSection, "text.OpenDlg.Filter"), "",
                           path))
        return;
    std::string text;
    if (!ReadWholeFile(path, text)) {
        prompts->Warning(QApplication::activeWindow(), T("err.OpenList1.Title", "Open list"),
                         T("err.OpenList1.Message", "The file cannot be opened."));
        return;
    }
    const int bad = dbg::ParseAreaList(text, areas);
    RefreshList();
    if (bad)
        prompts->Warning(QApplication::activeWindow(), T("err.OpenList2.Title", "Open list"),
                         QString::fromStdString(LangTextArg(kSection, "err.OpenList2.Message", std::to_string(bad))));
}
