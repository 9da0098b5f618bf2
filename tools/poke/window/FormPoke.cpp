#include "tools/poke/window/FormPoke.h"

#include <QApplication>
#include <QCheckBox>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "common/Config.h"
#include "common/Lang.h"
#include "common/Paths.h"
#include "common/TextUtils.h"
#include "machine/core/ModelCapabilities.h"
#include "ui/WindowPlacement.h"

namespace {

constexpr int kItemIndexRole = Qt::UserRole + 1;

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption) {
    auto* b = new QPushButton(QString::fromUtf8(caption), parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

}  // namespace

TFormPoke::TFormPoke(QWidget* parent) : QDialog(parent) {
    setObjectName("FormPoke");
    setWindowTitle(QString::fromUtf8("Poke"));
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    auto* fields = new QGridLayout;
    auto* lblAddress = new QLabel(QString::fromUtf8("Adresa:"), this);
    lblAddress->setObjectName("LblAddress");
    auto* lblValue = new QLabel(QString::fromUtf8("Hodnota:"), this);
    lblValue->setObjectName("LblValue");
    meAddress = new QLineEdit(this);
    meAddress->setObjectName("MeAddress");
    meValue = new QLineEdit(this);
    meValue->setObjectName("MeValue");
    checkHex = new QCheckBox(QString::fromUtf8("Hexa hodnoty"), this);
    checkHex->setObjectName("CheckHex");
    checkHex->setChecked(true);
    checkRemap = new QCheckBox(QString::fromUtf8("Preadresovať 0Cxxxh"), this);
    checkRemap->setObjectName("CheckRemap");
    btnAdd = MakeButton(this, "BtnAdd", "Pridať");
    btnInsert = MakeButton(this, "BtnInsert", "Vložiť");
    fields->addWidget(lblAddress, 0, 0);
    fields->addWidget(meAddress, 0, 1);
    fields->addWidget(lblValue, 0, 2);
    fields->addWidget(meValue, 0, 3);
    fields->addWidget(btnAdd, 0, 4);
    fields->addWidget(btnInsert, 0, 5);
    fields->addWidget(checkHex, 1, 0, 1, 2);
    fields->addWidget(checkRemap, 1, 2, 1, 4);
    auto* lblNote = new QLabel(QString::fromUtf8("Poznámka:"), this);
    lblNote->setObjectName("LblNote");
    editNote = new QLineEdit(this);
    editNote->setObjectName("EditNote");
    btnAddNote = MakeButton(this, "BtnAddNote", "Pridať");
    btnInsertNote = MakeButton(this, "BtnInsertNote", "Vložiť");
    fields->addWidget(lblNote, 2, 0);
    fields->addWidget(editNote, 2, 1, 1, 3);
    fields->addWidget(btnAddNote, 2, 4);
    fields->addWidget(btnInsertNote, 2, 5);
    layout->addLayout(fields);

    clbPokeList = new QListWidget(this);
    clbPokeList->setObjectName("ClbPokeList");
    clbPokeList->setDragDropMode(QAbstractItemView::InternalMove);
    clbPokeList->setMinimumHeight(180);
    layout->addWidget(clbPokeList);

    auto* buttons = new QHBoxLayout;
    btnDelete = MakeButton(this, "BtnDelete", "Zmazať");
    btnClear = MakeButton(this, "BtnClear", "Vymazať všetko");
    btnSavePoke = MakeButton(this, "BtnSavePoke", "Uložiť...");
    btnLoadPoke = MakeButton(this, "BtnLoadPoke", "Načítať...");
    btnOK = MakeButton(this, "BtnOK", "OK");
    btnCancel = MakeButton(this, "BtnCancel", "Zrušiť");
    for (QPushButton* b : {btnDelete, btnClear, btnSavePoke, btnLoadPoke}) buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    layout->addLayout(buttons);

    connect(btnAdd, &QPushButton::clicked, this, [this] { BtnAddClick(false); });
    connect(btnInsert, &QPushButton::clicked, this, [this] { BtnAddClick(true); });
    connect(btnAddNote, &QPushButton::clicked, this, [this] { BtnAddNoteClick(false); });
    connect(btnInsertNote, &QPushButton::clicked, this, [this] { BtnAddNoteClick(true); });
    connect(btnDelete, &QPushButton::clicked, this, &TFormPoke::BtnDeleteClick);
    connect(btnClear, &QPushButton::clicked, this, &TFormPoke::BtnClearClick);
    connect(btnSavePoke, &QPushButton::clicked, this, &TFormPoke::BtnSavePokeClick);
    connect(btnLoadPoke, &QPushButton::clicked, this, &TFormPoke::BtnLoadPokeClick);
    connect(btnOK, &QPushButton::clicked, this, &TFormPoke::BtnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(checkHex, &QCheckBox::clicked, this, [this] { CheckHexClick(true); });
    connect(clbPokeList, &QListWidget::itemSelectionChanged, this, &TFormPoke::UpdateButtons);
    connect(clbPokeList, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        if (rebuilding) return;
        list.SetChecked(item->data(kItemIndexRole).toInt(), item->checkState() == Qt::Checked);
        UpdateButtons();
    });
    connect(clbPokeList, &QListWidget::itemDoubleClicked, this, [this] { ClbPokeListDblClick(); });
    connect(clbPokeList->model(), &QAbstractItemModel::rowsMoved, this,
            [this](const QModelIndex&, int from, int, const QModelIndex&, int to) {
                if (rebuilding) return;
                MoveEntry(from, to > from ? to - 1 : to);
            });

    CheckHexClick(false);
    UpdateButtons();
}

TFormPoke::~TFormPoke() {
    if (!firstShow) {
        pugi::xml_node s = ConfigSectionForWrite("Poke");
        WriteAttrInt(s, "x", x());
        WriteAttrInt(s, "y", y());
    }
}

QString TFormPoke::Text(const char* key) const {
    return QString::fromStdString(LangText("FormPoke", key));
}

void TFormPoke::SetTarget(int newModel, ChipMemory* newMemory) {
    if (newModel != model) {
        list.Clear();
        address = 0;
        value = 0;
        RebuildList();
        WriteFields();
    }
    model = newModel;
    memory = newMemory;
}

void TFormPoke::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TFormPoke::FormShow() {
    if (firstShow) {
        firstShow = false;
        int left = 0, top = 0;
        const QRect desk = QApplication::primaryScreen() ? QApplication::primaryScreen()->availableGeometry()
                                                         : QRect(0, 0, 1024, 768);
        ReadWindowPos(ConfigSection("Poke"), left, top, width(), height(), desk.width(), desk.height());
        PlaceWindowFrame(this, QPoint(left, top));
        lastFolder = AppDir();
    }
    checkRemap->setEnabled(Capabilities(model).remap);
    WriteFields();
    UpdateButtons();
    meAddress->setFocus();
}

bool TFormPoke::ReadValues(bool hex, bool showMessage) {
    bool good = true;
    address = ParseNumber(meAddress->displayText().toStdString(), hex);
    if (address < 0 || address > 0xFFFF) {
        address = 0;
        meAddress->setFocus();
        good = false;
    }
    value = ParseNumber(meValue->displayText().toStdString(), hex);
    if (good && (value < 0 || value > 255)) {
        value = 0;
        meValue->setFocus();
        good = false;
    } else if (value < 0 || value > 255) {
        value = 0;
    }
    if (!good && showMessage) prompts->Warning(this, Text("err.Values.Title"), Text("err.Values.Message"));
    return good;
}

void TFormPoke::WriteFields() {
    const bool hex = checkHex->isChecked();
    meAddress->setText(QString::fromStdString(FormatNumber(address, true, true, hex, false, true)));
    meValue->setText(QString::fromStdString(FormatNumber(value, false, true, hex, false, true)));
}

void TFormPoke::CheckHexClick(bool byUser) {
    if (byUser) ReadValues(hexShown, false);
    hexShown = checkHex->isChecked();
    // Upper case, "#" and up to four (two) characters; blanks show as 0.
    meAddress->setInputMask(hexShown ? ">\\#nnnn;0" : "00000;0");
    meValue->setInputMask(hexShown ? ">\\#nn;0" : "000;0");
    WriteFields();
    if (byUser) {
        list.RefreshTexts(hexShown);
        RebuildList();
    }
}

int TFormPoke::SelectedRow() const {
    const QList<QListWidgetItem*> sel = clbPokeList->selectedItems();
    int row = -1;
    for (QListWidgetItem* item : sel) {
        const int r = clbPokeList->row(item);
        if (row < 0 || r < row) row = r;
    }
    return row;
}

void TFormPoke::RebuildList() {
    rebuilding = true;
    clbPokeList->clear();
    QFont noteFont = clbPokeList->font();
    noteFont.setBold(true);
    for (int i = 0; i < list.Count(); ++i) {
        const PokeItem& p = list.At(i);
        auto* item = new QListWidgetItem(QString::fromStdString(p.text), clbPokeList);
        item->setData(kItemIndexRole, i);
        Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled |
                              Qt::ItemIsDropEnabled;
        if (p.IsNote()) {
            item->setFont(noteFont);
            item->setToolTip(QString::fromStdString(p.text));
        } else {
            flags |= Qt::ItemIsUserCheckable;
            item->setCheckState(p.checked ? Qt::Checked : Qt::Unchecked);
        }
        item->setFlags(flags);
    }
    rebuilding = false;
}

void TFormPoke::UpdateButtons() {
    const bool selected = SelectedRow() >= 0;
    btnOK->setEnabled(list.AnyItemChecked());
    btnInsert->setEnabled(selected);
    btnInsertNote->setEnabled(selected);
    btnDelete->setEnabled(selected);
    btnSavePoke->setEnabled(!list.Empty());
    btnClear->setEnabled(!list.Empty());
}

void TFormPoke::BtnAddClick(bool insert) {
    if (!ReadValues(checkHex->isChecked(), true)) return;
    const bool remap = checkRemap->isEnabled() && checkRemap->isChecked();
    list.AddPoke(address, value, remap, checkHex->isChecked(), insert ? SelectedRow() : -1);
    RebuildList();
    UpdateButtons();
    meAddress->setFocus();
}

void TFormPoke::BtnAddNoteClick(bool insert) {
    if (editNote->text().isEmpty()) return;
    list.AddNote(editNote->text().toStdString(), insert ? SelectedRow() : -1);
    RebuildList();
    UpdateButtons();
    meAddress->setFocus();
}

void TFormPoke::BtnDeleteClick() {
    const int row = SelectedRow();
    if (row < 0) return;
    list.Delete(row);
    RebuildList();
    UpdateButtons();
}

void TFormPoke::BtnClearClick() {
    list.Clear();
    RebuildList();
    UpdateButtons();
}

void TFormPoke::ClbPokeListDblClick() {
    list.ToggleGroup(SelectedRow());
    RebuildList();
    UpdateButtons();
}

void TFormPoke::MoveEntry(int from, int to) {
    list.Move(from, to);
    RebuildList();
    UpdateButtons();
}

void TFormPoke::BtnOKClick() {
    if (memory && list.AnyItemChecked()) list.Apply(*memory, model);
    accept();
}

void TFormPoke::BtnSavePokeClick() {
    std::string path = lastFolder;
    const bool chosen = prompts->SaveFile(LangText("FormPoke", "text.SaveDlg.Title"),
                                          LangText("FormPoke", "text.SaveDlg.Filter"), "", true, path);
    if (!chosen) return;
    const size_t slash = path.find_last_of('/');
    if (slash != std::string::npos) lastFolder = path.substr(0, slash + 1);
    if (!list.Save(path)) prompts->Warning(this, Text("err.Create.Title"), Text("err.Create.Message"));
}

void TFormPoke::BtnLoadPokeClick() {
    std::string path = lastFolder;
    const bool chosen = prompts->OpenFile(LangText("FormPoke", "text.OpenDlg.Title"),
                                          LangText("FormPoke", "text.OpenDlg.Filter"), "", path);
    if (!chosen) return;
    const size_t slash = path.find_last_of('/');
    if (slash != std::string::npos) lastFolder = path.substr(0, slash + 1);
    const PokeLoadResult r = list.Load(path, checkHex->isChecked());
    if (r.result == PokeLoadResult::CannotOpen) {
        prompts->Warning(this, Text("err.OpenPoke1.Title"), Text("err.OpenPoke1.Message"));
        return;
    }
    RebuildList();
    clbPokeList->clearSelection();
    if (r.result == PokeLoadResult::BadLine) {
        prompts->Warning(
            this, Text("err.OpenPoke2.Title"),
            QString::fromStdString(LangTextArg("FormPoke", "err.OpenPoke2.Message", std::to_string(r.badLine))));
    }
    if (!r.remapDropped.empty()) {
        std::string lines;
        for (int l : r.remapDropped) lines += (lines.empty() ? "" : ", ") + std::to_string(l);
        prompts->Warning(this, Text("err.OpenPoke3.Title"),
                         QString::fromStdString(LangTextArg("FormPoke", "err.OpenPoke3.Message", lines)));
    }
    UpdateButtons();
    btnOK->setEnabled(false);
    btnInsert->setEnabled(false);
    btnInsertNote->setEnabled(false);
    btnDelete->setEnabled(false);
    meAddress->setFocus();
}
