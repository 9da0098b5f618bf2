#include "tools/tape/window/TapeBrowser.h"

#include <fcntl.h>

#include <stdlib.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QScreen>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>
#include <string_view>
#include <filesystem>

#include "common/Config.h"
#include "common/Files.h"
#include "common/Lang.h"
#include "common/Paths.h"
#include "common/RecentFiles.h"
#include "machine/core/RequestWords.h"
#include "machine/owner/MachineOwner.h"
#include "ui/FileDialogs.h"
#include "tools/tape/BasicText.h"
#include "tools/tape/HeaderRules.h"
#include "tools/tape/window/EditTapeHeader.h"
#include "ui/WindowPlacement.h"

namespace {

constexpr const char* kSection = "FormTapeBrowser";

std::string Lang(const char* key) { return LangText(kSection, key); }
QString QLang(const char* key) { return QString::fromStdString(Lang(key)); }

// "9217 (2401h)"
QString DecHex(unsigned v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%u (%04Xh)", v, v);
    return QString::fromLatin1(buf);
}

QString Latin1(const uint8_t* bytes, int n) {
    return QString::fromLatin1(reinterpret_cast<const char*>(bytes), n);
}

// The widest of the characters.
int Widest(const QFontMetrics& fm, std::string_view chars) {
    int widest = 0;
    for (char c : chars)
        widest = std::max(widest, fm.horizontalAdvance(QLatin1Char(c)));
    return widest;
}

std::string FileName(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Folder(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

TFormTapeBrowser::TFormTapeBrowser(QWidget* parent) : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint) {
    setObjectName("FormTapeBrowser");
    deck.SetUi(this);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 4, 4, 4);
    auto* tools = new QHBoxLayout;
    column->addLayout(tools);
    auto button = [this](const char* name, const char* hint, QStyle::StandardPixmap icon, const char* text) {
        auto* b = new QToolButton(this);
        b->setObjectName(name);
        b->setToolTip(QString::fromUtf8(hint));
        if (icon != QStyle::SP_CustomBase)
            b->setIcon(style()->standardIcon(icon));
        else
            b->setText(QString::fromUtf8(text));
        b->setAutoRaise(true);
        return b;
    };
    SBtnInsertTape = button("SBtnInsertTape", "Vložiť pásku", QStyle::SP_DialogOpenButton, "");
    SBtnNewTape = button("SBtnNewTape", "Nová páska", QStyle::SP_FileIcon, "");
    SBtnEditTape = button("SBtnEditTape", "Upraviť obsah pásky", QStyle::SP_CustomBase, "E");
    SBtnEditTape->setCheckable(true);
    SBtnSaveTape = button("SBtnSaveTape", "Uložiť ako...", QStyle::SP_DialogSaveButton, "");
    SBtnAdd = button("SBtnAdd", "Pridať...", QStyle::SP_CustomBase, "+");
    SBtnDelete = button("SBtnDelete", "Odstrániť", QStyle::SP_TrashIcon, "");
    SBtnUp = button("SBtnUp", "Posunúť hore", QStyle::SP_ArrowUp, "");
    SBtnDown = button("SBtnDown", "Posunúť dolu", QStyle::SP_ArrowDown, "");
    SBtnPopUp = button("SBtnPopUp", "Kontextové menu", QStyle::SP_CustomBase, "...");
    for (QToolButton* b : {SBtnInsertTape, SBtnNewTape, SBtnEditTape, SBtnSaveTape, SBtnAdd, SBtnDelete, SBtnUp,
                           SBtnDown, SBtnPopUp})
        tools->addWidget(b);
    tools->addStretch();

    ListViewTape = new QTreeWidget(this);
    ListViewTape->setObjectName("ListViewTape");
    ListViewTape->setColumnCount(3);
    ListViewTape->setHeaderLabels({QString::fromUtf8("Súbor"), QString::fromUtf8("Začiatok"), QString::fromUtf8("Dĺžka")});
    ListViewTape->setRootIsDecorated(false);
    ListViewTape->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListViewTape->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListViewTape->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListViewTape->header()->setSectionsClickable(false);
    ListViewTape->setColumnWidth(0, 120);
    ListViewTape->setColumnWidth(1, 90);
    ListViewTape->setColumnWidth(2, 90);
    ListViewTape->headerItem()->setTextAlignment(1, Qt::AlignRight);
    ListViewTape->headerItem()->setTextAlignment(2, Qt::AlignRight);
    ListViewTape->setContextMenuPolicy(Qt::CustomContextMenu);
    column->addWidget(ListViewTape, 1);

    auto* play = new QHBoxLayout;
    column->addLayout(play);
    SBtnStop = button("SBtnStop", "Stop", QStyle::SP_MediaStop, "");
    SBtnPlay = button("SBtnPlay", "Stop", QStyle::SP_MediaPlay, "");
    SBtnFlashLoad = button("SBtnFlashLoad", "Rýchle nahrávanie", QStyle::SP_MediaSeekForward, "");
    SBtnFlashLoad->setCheckable(true);
    SBtnMonit = button("SBtnMonit", "Odposluch", QStyle::SP_MediaVolume, "");
    SBtnMonit->setCheckable(true);
    for (QToolButton* b : {SBtnStop, SBtnPlay, SBtnFlashLoad, SBtnMonit}) play->addWidget(b);
    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName("ProgressBar");
    ProgressBar->setTextVisible(false);
    ProgressBar->setRange(0, 1);
    ProgressBar->setValue(0);
    play->addWidget(ProgressBar, 1);
    auto* stopRow = new QHBoxLayout;
    column->addLayout(stopRow);
    LblAutoStop = new QLabel("Auto Stop:", this);
    LblAutoStop->setObjectName("LblAutoStop");
    CbAutoStop = new QComboBox(this);
    CbAutoStop->setObjectName("CbAutoStop");
    CbAutoStop->addItems({QString::fromUtf8("Zastavť  pri dosiahnutí konca pásky"),
                          QString::fromUtf8("Zastaviť na ďalšom hlavičkovom bloku"),
                          QString::fromUtf8("Zastaviť na bloku, na ktorom stojí kurzor")});
    stopRow->addWidget(LblAutoStop);
    stopRow->addWidget(CbAutoStop, 1);

    PopupMenu = new QMenu(this);
    PopupMenu->setObjectName("PopupMenu");
    auto item = [this](const char* name, const char* text) {
        QAction* a = PopupMenu->addAction(QString::fromUtf8(text));
        a->setObjectName(name);
        return a;
    };
    PiAddFileAsHeaderBlock = item("PiAddFileAsHeaderBlock", "Pridať súbor ako hlavičkový blok...");
    PiAddFileAsHeadless = item("PiAddFileAsHeadless", "Pridať súbor ako bezhlavičkový blok...");
    PopupMenu->addSeparator();
    PiEditHead = item("PiEditHead", "Upraviť hlavičku súboru...");
    PiRepairBlockCRC = item("PiRepairBlockCRC", "Opraviť CRC hlavičkového bloku...");
    PopupMenu->addSeparator();
    PiToHeadless = item("PiToHeadless", "Zmeniť na bezhlavičkový blok");
    PiToHeader = item("PiToHeader", "Zmeniť na hlavičkový blok...");
    PopupMenu->addSeparator();
    PiDelSel = item("PiDelSel", "Zmazať vybrané");
    PopupMenu->addSeparator();
    PiSaveAsPTP = item("PiSaveAsPTP", "Uložiť vybrané ako novú PTP pásku...");
    PiSaveAsPmd = item("PiSaveAsPmd", "Uložiť vybrané ako PMD súbor...");
    PiSaveAsRaw = item("PiSaveAsRaw", "Uložiť čisté data bloku...");
    PopupMenu->addSeparator();
    PiSaveAsTxt = item("PiSaveAsTxt", "Uložiť program v BASICu ako textový súbor...");
    PiCreateFromTxt = item("PiCreateFromTxt", "Vytvoriť program v BASICu z textového súboru...");

    connect(SBtnInsertTape, &QToolButton::clicked, this, [this] { SBtnInsertTapeClick(); });
    connect(SBtnNewTape, &QToolButton::clicked, this, [this] { SBtnNewTapeClick(); });
    connect(SBtnEditTape, &QToolButton::clicked, this, [this] { SBtnEditTapeClick(); });
    connect(SBtnSaveTape, &QToolButton::clicked, this, [this] { SBtnSaveTapeClick(); });
    connect(SBtnAdd, &QToolButton::clicked, this, [this] { SBtnAddClick(); });
    connect(SBtnDelete, &QToolButton::clicked, this, [this] { SBtnDeleteClick(); });
    connect(SBtnUp, &QToolButton::clicked, this, [this] { SBtnDownUpClick(false); });
    connect(SBtnDown, &QToolButton::clicked, this, [this] { SBtnDownUpClick(true); });
    connect(SBtnPopUp, &QToolButton::clicked, this, [this] {
        PopupMenuPopup();
        PopupMenu->popup(mapToGlobal(QPoint(8, 8)));
    });
    connect(SBtnPlay, &QToolButton::clicked, this, [this] { SBtnPlayClick(); });
    connect(SBtnStop, &QToolButton::clicked, this, [this] { SBtnStopClick(); });
    connect(SBtnFlashLoad, &QToolButton::clicked, this, [this] { SBtnFlashLoadClick(); });
    connect(SBtnMonit, &QToolButton::clicked, this, [this] { SBtnMonitClick(); });
    connect(CbAutoStop, &QComboBox::currentIndexChanged, this, [this](int i) { deck.autoStop = i < 0 ? 0 : i; });
    connect(ListViewTape, &QTreeWidget::itemSelectionChanged, this, [this] { ListViewTapeClick(); });
    connect(ListViewTape, &QTreeWidget::itemDoubleClicked, this, [this] { ListViewTapeDblClick(); });
    connect(ListViewTape, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        PopupMenuPopup();
        PopupMenu->popup(ListViewTape->viewport()->mapToGlobal(at));
    });
    connect(PopupMenu, &QMenu::aboutToShow, this, [this] { PopupMenuPopup(); });
    connect(PiAddFileAsHeaderBlock, &QAction::triggered, this, [this] { PiAddFileToTapeClick(0); });
    connect(PiAddFileAsHeadless, &QAction::triggered, this, [this] { PiAddFileToTapeClick(1); });
    connect(PiEditHead, &QAction::triggered, this, [this] { PiEditHeadClick(); });
    connect(PiRepairBlockCRC, &QAction::triggered, this, [this] { PiRepairBlockCRCClick(); });
    connect(PiToHeadless, &QAction::triggered, this, [this] { PiToHeadlessClick(); });
    connect(PiToHeader, &QAction::triggered, this, [this] { PiToHeaderClick(); });
    connect(PiDelSel, &QAction::triggered, this, [this] { SBtnDeleteClick(); });
    connect(PiSaveAsPTP, &QAction::triggered, this, [this] { PiSaveAsClick(TapeLayout::Ptp); });
    connect(PiSaveAsPmd, &QAction::triggered, this, [this] { PiSaveAsClick(TapeLayout::Pmd); });
    connect(PiSaveAsRaw, &QAction::triggered, this, [this] { PiSaveAsRawClick(); });
    connect(PiSaveAsTxt, &QAction::triggered, this, [this] { PiSaveAsTxtClick(); });
    connect(PiCreateFromTxt, &QAction::triggered, this, [this] { PiCreateFromTxtClick(); });

    FitColumns();
    resize(minimumWidth(), 300);
    // The tape of the configuration; loaded at the first showing.
    pugi::xml_node section = ConfigSection("TapeBrowser");
    if (section) {
        const std::string stored = section.text().get();
        if (!stored.empty() && stored != "...") deck.SetTapeFileName(MakeAbsolutePath(stored));
    }
    RefreshButtons();
    FillListView();
}

TFormTapeBrowser::~TFormTapeBrowser() {
    if (everShown) SaveSettings();
    if (owner) owner->SetTapeBrowser(nullptr);
}

void TFormTapeBrowser::SetOwner(MachineOwner* o) {
    owner = o;
    deck.SetOwner(o);
    if (o) o->SetTapeBrowser(&deck);
}

void TFormTapeBrowser::SetTag(int value) {
    if (owner) owner->TapeBrowserTag.store(value);
}

void TFormTapeBrowser::SetTapeFileName(const std::string& path) {
    deck.SetTapeFileName(MakeAbsolutePath(path));
    FillListView();
}

bool TFormTapeBrowser::FileDialog(bool save, const char* titleKey, const char* filterKey, const char* ext,
                                  std::string& path) {
    if (fileDialogHook) return fileDialogHook(save, titleKey, path);
    if (save) return SaveFileDialog(Lang(titleKey), Lang(filterKey), ext, true, path);
    return OpenFileDialog(Lang(titleKey), Lang(filterKey), ext, path);
}

void TFormTapeBrowser::Message(const QString& title, const QString& text, bool error) {
    if (messageHook) {
        messageHook(title, text);
        return;
    }
    if (error)
        QMessageBox::critical(this, title, text);
    else
        QMessageBox::warning(this, title, text);
}

// ---- TapeDeckUi ----------------------------------------------------------

bool TFormTapeBrowser::AskSaveTapeFile(std::string& path) {
    std::string name = path.empty() ? Folder(deck.TapePath()) : path;
    const bool ok = FileDialog(true, "text.SaveTapeDlg.Title", "text.SaveTapeDlg.Filter", "PTP", name);
    if (ok) path = name;
    return ok;
}

TapeDeckUi::Answer TFormTapeBrowser::AskSaveChanges() {
    const QString title = QLang("err.ChangedTape.Title"), text = QLang("err.ChangedTape.Message");
    if (questionHook) return questionHook(title, text);
    const auto r = QMessageBox::question(this, title, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    return r == QMessageBox::Yes ? Yes : r == QMessageBox::No ? No : Cancel;
}

void TFormTapeBrowser::ShowFileError(const TapeFileError& e) {
    auto box = [this](const char* key, const std::string& arg, bool error, const std::string& arg2 = std::string()) {
        const std::string title = Lang((std::string(key) + ".Title").c_str());
        const std::string msgKey = std::string(key) + ".Message";
        const std::string text = arg2.empty() ? LangTextArg(kSection, msgKey, arg) : LangTextArgs(kSection, msgKey, arg, arg2);
        Message(QString::fromStdString(title), QString::fromStdString(text), error);
    };
    switch (e.code) {
        case TapeFileError::None: break;
        case TapeFileError::SourceUnreadable:
        case TapeFileError::FileUnreadable: box("err.OpenTape", e.path, true); break;
        case TapeFileError::BlockTooLong: box("err.BlockTooLong", e.path, true); break;
        case TapeFileError::WriteFailed: box("err.CreateFile", e.path, true); break;
        case TapeFileError::PmdAfterHeadless: box("err.PmdHeadless", e.path, true); break;
        case TapeFileError::FileTooLong: box("err.AddFile", e.path, false, std::to_string(e.limit)); break;
        case TapeFileError::FileEmpty: box("err.AddFileEmpty", e.path, false); break;
    }
}

void TFormTapeBrowser::DeckChanged() {
    FillListView();
}

void TFormTapeBrowser::ShowProgress(int position, int maximum) {
    ProgressBar->setRange(0, std::max(maximum, 1));
    ProgressBar->setValue(std::min(position, std::max(maximum, 1)));
}

bool TFormTapeBrowser::IsActive() { return isActiveWindow(); }

void TFormTapeBrowser::SetAvailable(bool on) {
    available = on;
    if (!on) hide();
}

// ---- list ----------------------------------------------------------------

void TFormTapeBrowser::FillListView() {
    const TapeBlockList blocks = deck.Blocks();
    const int current = deck.CurrentIndex();
    const std::vector<int> selected = SelectedRows();
    const int cursor = ListViewTape->currentItem() ? ListViewTape->indexOfTopLevelItem(ListViewTape->currentItem()) : -1;
    ListViewTape->blockSignals(true);
    ListViewTape->clear();
    for (size_t i = 0; i < blocks.size(); ++i) {
        const TapeBlock& b = blocks[i];
        auto* row = new QTreeWidgetItem(ListViewTape);
        if (b.IsHeader()) {
            const QString caption = QString::fromStdString(FormatBlockNumber(b.number)) + "/" +
                                    QChar(QLatin1Char(static_cast<char>(b.type))) + " " + Latin1(b.name.data(), 8);
            row->setText(0, caption);
            row->setText(1, DecHex(b.start));
        } else {
            row->setText(0, "...");
        }
        row->setText(2, DecHex(b.length));
        row->setTextAlignment(1, Qt::AlignRight);
        row->setTextAlignment(2, Qt::AlignRight);
        // State: bad header sum, a body that does not match, a bad body sum.
        QString tip;
        int state = -1;
        if (b.headSumBad) {
            state = 1;
            tip = QLang("err.ListViewTape.CrcHead");
        } else if (b.lengthBad) {
            state = 2;
            char buf[48];
            std::snprintf(buf, sizeof buf, " - %d (%04Xh)", b.foundLength, static_cast<unsigned>(b.foundLength) & 0xFFFF);
            tip = QLang("err.ListViewTape.LengthBody") + QString::fromLatin1(buf);
        } else if (b.bodySumBad) {
            state = 3;
            tip = QLang("err.ListViewTape.CrcBody");
        }
        row->setData(0, Qt::UserRole, state);
        if (!tip.isEmpty()) row->setToolTip(0, tip);
        if (static_cast<int>(i) == current)
            row->setIcon(0, style()->standardIcon(QStyle::SP_ArrowRight));
        else if (state > 0)
            row->setIcon(0, style()->standardIcon(QStyle::SP_MessageBoxWarning));
    }
    if (cursor >= 0 && cursor < ListViewTape->topLevelItemCount())
        ListViewTape->setCurrentItem(ListViewTape->topLevelItem(cursor), 0, QItemSelectionModel::NoUpdate);
    for (int r : selected)
        if (r < ListViewTape->topLevelItemCount()) ListViewTape->topLevelItem(r)->setSelected(true);
    ListViewTape->blockSignals(false);
    QString caption = QLang("form.FormTapeBrowser.Caption");
    if (caption.isEmpty()) caption = QString::fromUtf8("Prehliadač pásky");
    if (!blocks.empty()) caption += " - " + QString::fromStdString(FileName(blocks.front().source));
    setWindowTitle(caption);
    if (current >= 0 && current < ListViewTape->topLevelItemCount())
        ListViewTape->scrollToItem(ListViewTape->topLevelItem(current));
    RefreshButtons();
}

std::vector<int> TFormTapeBrowser::SelectedRows() const {
    std::vector<int> rows;
    for (int i = 0; i < ListViewTape->topLevelItemCount(); ++i)
        if (ListViewTape->topLevelItem(i)->isSelected()) rows.push_back(i);
    return rows;
}

void TFormTapeBrowser::RefreshButtons() {
    const bool edit = deck.EditMode();
    const bool playing = deck.Playing();
    const bool any = deck.BlockCount() > 0;
    SBtnEditTape->setChecked(edit);
    SBtnEditTape->setEnabled(!playing);
    SBtnInsertTape->setEnabled(!edit);
    SBtnFlashLoad->setEnabled(!edit);
    SBtnMonit->setEnabled(!edit);
    CbAutoStop->setEnabled(!edit);
    LblAutoStop->setEnabled(!edit);
    SBtnPlay->setEnabled(!edit && any);
    SBtnStop->setEnabled(!edit && any);
    SBtnAdd->setEnabled(edit);
    if (!edit) SBtnSaveTape->setEnabled(false);
    ListViewTapeClick();
}

void TFormTapeBrowser::ListViewTapeClick() {
    const std::vector<int> rows = SelectedRows();
    const bool edit = deck.EditMode();
    SBtnDelete->setEnabled(edit && !rows.empty());
    SBtnUp->setEnabled(edit && deck.CanMove(rows, false));
    SBtnDown->setEnabled(edit && deck.CanMove(rows, true));
    deck.cursorRow = ListViewTape->currentItem() ? ListViewTape->indexOfTopLevelItem(ListViewTape->currentItem())
                                                 : (rows.empty() ? -1 : rows.front());
}

void TFormTapeBrowser::ListViewTapeDblClick() {
    QTreeWidgetItem* it = ListViewTape->currentItem();
    const int row = it ? ListViewTape->indexOfTopLevelItem(it) : -1;
    SBtnStopClick();
    if (row >= 0) deck.SelectCurrentBlock(row);
    FillListView();
}

// ---- buttons -------------------------------------------------------------

void TFormTapeBrowser::SBtnPlayClick() {
    if (firstShowPending) RunFirstShow();
    if (!SBtnPlay->isEnabled()) return;
    deck.Play();
    FillListView();
}

void TFormTapeBrowser::SBtnStopClick() {
    if (firstShowPending) RunFirstShow();
    if (!SBtnStop->isEnabled() && !deck.Playing()) return;
    deck.Stop();
    ShowProgress(0, ProgressBar->maximum());
    FillListView();
}

void TFormTapeBrowser::SBtnFlashLoadClick() {
    deck.SetFastLoading(SBtnFlashLoad->isChecked());
    SBtnFlashLoad->setChecked(deck.fastLoading.load());
}

void TFormTapeBrowser::SBtnMonitClick() { deck.monitoring = SBtnMonit->isChecked(); }

void TFormTapeBrowser::SBtnInsertTapeClick() {
    SBtnStopClick();
    SetTag(TapeRequest::Busy);
    std::string path = deck.TapePath();
    const bool ok = FileDialog(false, "text.OpenTapeDlg.Title", "text.OpenTapeDlg.Filter", "PTP", path);
    if (ok) {
        deck.InsertTape(path);
        AddRecentFile(path);
    }
    SetTag(TapeRequest::Idle);
    FillListView();
}

void TFormTapeBrowser::SBtnNewTapeClick() {
    deck.NewTape();
    SBtnSaveTape->setEnabled(false);
    FillListView();
}

void TFormTapeBrowser::SBtnEditTapeClick() {
    deck.EditTapeClick(true);
    SBtnSaveTape->setEnabled(false);
    FillListView();
}

void TFormTapeBrowser::SBtnSaveTapeClick() {
    SetTag(TapeRequest::Busy);
    std::string path = Folder(deck.TapePath());
    if (FileDialog(true, "text.SaveTapeDlg.Title", "text.SaveTapeDlg.Filter", "PTP", path)) {
        if (TapeFileError e = deck.SaveTape(path))
            ShowFileError(e);
        else
            SBtnSaveTape->setEnabled(false);
    }
    SetTag(TapeRequest::Idle);
    FillListView();
}

void TFormTapeBrowser::SBtnAddClick() {
    if (!deck.EditMode()) return;
    SetTag(TapeRequest::Busy);
    std::string path = Folder(deck.TapePath());
    const bool ok = FileDialog(false, "text.OpenTapeDlg.Title", "text.OpenTapeDlg.Filter", "PTP", path);
    SetTag(TapeRequest::Idle);
    if (!ok) return;
    if (!deck.AddTape(path)) {
        Message(QLang("err.OpenTape.Title"), QString::fromStdString(LangTextArg(kSection, "err.OpenTape.Message", path)),
                true);
        return;
    }
    SBtnSaveTape->setEnabled(true);
    FillListView();
}

void TFormTapeBrowser::SBtnDeleteClick() {
    if (!deck.EditMode()) return;
    const std::vector<int> rows = SelectedRows();
    if (rows.empty()) return;
    deck.DeleteBlocks(rows);
    ListViewTape->clearSelection();
    SBtnSaveTape->setEnabled(true);
    FillListView();
}

void TFormTapeBrowser::SBtnDownUpClick(bool down) {
    const std::vector<int> moved = deck.MoveBlocks(SelectedRows(), down);
    ListViewTape->clearSelection();
    SBtnSaveTape->setEnabled(true);
    FillListView();
    for (int r : moved)
        if (r < ListViewTape->topLevelItemCount()) ListViewTape->topLevelItem(r)->setSelected(true);
    if (!moved.empty()) ListViewTape->scrollToItem(ListViewTape->topLevelItem(moved.front()), QAbstractItemView::PositionAtCenter);
    ListViewTapeClick();
}

// ---- pop-up menu ---------------------------------------------------------

void TFormTapeBrowser::PopupMenuPopup() {
    const std::vector<int> rows = SelectedRows();
    const TapeBlockList blocks = deck.Blocks();
    const size_t n = rows.size();
    const bool edit = deck.EditMode();
    const TapeBlock* b = n > 0 && rows[0] < static_cast<int>(blocks.size()) ? &blocks[rows[0]] : nullptr;
    const bool header = b && b->IsHeader();
    PiDelSel->setEnabled(n > 0 && edit);
    PiSaveAsPTP->setEnabled(n > 0);
    PiAddFileAsHeaderBlock->setEnabled(edit);
    PiAddFileAsHeadless->setEnabled(edit);
    PiCreateFromTxt->setEnabled(edit);
    PiSaveAsRaw->setEnabled(n == 1);
    PiToHeadless->setEnabled(n == 1 && header && edit);
    PiSaveAsTxt->setEnabled(n == 1 && header && b->type == '>');
    PiToHeader->setEnabled(n == 1 && b && !header && edit);
    PiEditHead->setEnabled(n == 1 && header && edit);
    PiRepairBlockCRC->setEnabled(n == 1 && header && b->bodySumBad && edit);
    PiSaveAsPmd->setEnabled(n > 0 && deck.CanSaveAsPmd(rows));
}

int TFormTapeBrowser::RunEditor() {
    if (!headerEditor) return QDialog::Rejected;
    if (editorHook) return editorHook(*headerEditor);
    const QRect r = frameGeometry();
    headerEditor->adjustSize();
    PlaceWindowFrame(headerEditor, r.center() - QPoint(headerEditor->width() / 2, headerEditor->height() / 2));
    return headerEditor->exec();
}

bool TFormTapeBrowser::EditFields(TapeHeaderFields& fields, const TapeBlock* block, const std::string& name,
                                  int32_t start, int32_t length, bool typeAndStartEnabled, uint16_t* startOut) {
    if (!headerEditor) return false;
    TFormEditTapeHeader& e = *headerEditor;
    if (block) {
        e.MeNumber->setText(QString::fromStdString(FormatBlockNumber(block->number)));
        e.EditType->setText(QString(QLatin1Char(static_cast<char>(block->type))));
        e.EditName->setText(QString::fromStdString(BlockNameText(*block)).trimmed());
    } else {
        e.MeNumber->setText("00");
        e.EditType->setText(typeAndStartEnabled ? "?" : ">");
        e.EditName->setText(QString::fromStdString(name));
    }
    e.EditType->setEnabled(typeAndStartEnabled);
    e.MeStart->setEnabled(typeAndStartEnabled);
    e.SetValues(start, length);
    if (RunEditor() != QDialog::Accepted) return false;
    uint16_t s = 0, l = 0;
    e.GetValues(s, l);
    fields = MakeHeaderFields(std::max(e.Number(), 0), e.EditType->text().toStdString(), s,
                              e.EditName->text().toStdString());
    if (startOut) *startOut = s;
    return true;
}

void TFormTapeBrowser::PiAddFileToTapeClick(int tag, const std::string& file) {
    std::string path = file;
    if (tag != 2) {
        SetTag(TapeRequest::Busy);
        const bool ok = FileDialog(false, "text.AddFileDlg.Title", "text.AddFileDlg.Filter", "", path);
        SetTag(TapeRequest::Idle);
        if (!ok) return;
    }
    AddFile(tag, path);
}

void TFormTapeBrowser::AddFile(int tag, const std::string& path) {
    int32_t size = 0;
    if (TapeFileError e = CheckFileForBlock(path, tag != 1, &size)) {
        ShowFileError(e);
        return;
    }
    TapeBlock block;
    if (tag == 1) {
        if (TapeFileError e = MakeHeadlessBlock(path, block)) {
            ShowFileError(e);
            return;
        }
    } else {
        SetTag(TapeRequest::PauseRequest);
        TapeHeaderFields fields;
        const bool ok = EditFields(fields, nullptr, HeaderNameForFile(path), tag == 2 ? kBasicStart : 0, size - 1,
                                   tag != 2, nullptr);
        if (ok) {
            if (tag == 2) {
                fields.type = '>';
                fields.start = kBasicStart;
            }
            if (TapeFileError e = MakeHeaderBlock(path, fields, block)) {
                ShowFileError(e);
                SetTag(TapeRequest::ResumeRequest);
                return;
            }
        }
        SetTag(TapeRequest::ResumeRequest);
        if (!ok) return;
    }
    if (tag == 2 && path == basicTempFile) block.temp = basicTemp;
    deck.AddBlock(std::move(block));
    SBtnSaveTape->setEnabled(true);
    FillListView();
}

void TFormTapeBrowser::PiEditHeadClick() {
    const std::vector<int> rows = SelectedRows();
    if (rows.size() != 1) return;
    const TapeBlockList blocks = deck.Blocks();
    const TapeBlock& b = blocks[rows[0]];
    SetTag(TapeRequest::PauseRequest);
    TapeHeaderFields fields;
    if (EditFields(fields, &b, "", b.start, b.length, true, nullptr)) {
        deck.EditHeader(rows[0], fields);
        SBtnSaveTape->setEnabled(true);
    }
    SetTag(TapeRequest::ResumeRequest);
    FillListView();
}

void TFormTapeBrowser::PiRepairBlockCRCClick() {
    const std::vector<int> rows = SelectedRows();
    if (rows.size() != 1) return;
    deck.RepairBlock(rows[0]);
    FillListView();
}

void TFormTapeBrowser::PiToHeadlessClick() {
    const std::vector<int> rows = SelectedRows();
    if (rows.size() != 1) return;
    if (!deck.ToHeadless(rows[0])) {
        QApplication::beep();
        return;
    }
    SBtnSaveTape->setEnabled(true);
    FillListView();
}

void TFormTapeBrowser::PiToHeaderClick() {
    const std::vector<int> rows = SelectedRows();
    if (rows.size() != 1) return;
    const TapeBlock b = deck.Blocks()[rows[0]];
    if (b.length == 0) {
        QApplication::beep();
        return;
    }
    SetTag(TapeRequest::PauseRequest);
    TapeHeaderFields fields;
    if (EditFields(fields, nullptr, "HEADLESS", 0, b.length - 1, true, nullptr)) {
        if (TapeFileError e = deck.ToHeader(rows[0], fields))
            ShowFileError(e);
        else
            SBtnSaveTape->setEnabled(true);
    }
    SetTag(TapeRequest::ResumeRequest);
    FillListView();
}

void TFormTapeBrowser::PiSaveAsClick(TapeLayout layout) {
    const std::vector<int> rows = SelectedRows();
    if (rows.empty()) return;
    SetTag(TapeRequest::Busy);
    std::string path;
    const bool pmd = layout == TapeLayout::Pmd;
    if (FileDialog(true, "text.SaveTapeDlg.Title", pmd ? "text.SaveTapeDlg.Filter2" : "text.SaveTapeDlg.Filter",
                   pmd ? "PMD" : "PTP", path))
        if (TapeFileError e = deck.SaveSelection(rows, layout, path)) ShowFileError(e);
    SetTag(TapeRequest::Idle);
}

void TFormTapeBrowser::PiSaveAsRawClick() {
    const std::vector<int> rows = SelectedRows();
    if (rows.size() != 1) return;
    SetTag(TapeRequest::PauseRequest);
    std::string path;
    if (FileDialog(true, "text.SaveTapeDlg.Title", "text.SaveTapeDlg.Filter2", "", path))
        if (TapeFileError e = ExportRawBlock(deck.Blocks()[rows[0]], path)) ShowFileError(e);
    SetTag(TapeRequest::ResumeRequest);
}

void TFormTapeBrowser::PiSaveAsTxtClick() {
    const std::vector<int> rows = SelectedRows();
    if (rows.size() != 1) return;
    const TapeBlock b = deck.Blocks()[rows[0]];
    if (!b.IsHeader()) return;
    std::string path = BlockNameText(b);
    for (char& c : path) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    path += ".txt";
    SetTag(TapeRequest::PauseRequest);
    if (FileDialog(true, "text.SaveBasicDlg.Title", "text.SaveBasicDlg.Filter", "", path)) {
        std::vector<uint8_t> body;
        if (TapeFileError e = ReadBlockBody(b, body)) {
            ShowFileError(e);
        } else {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            const size_t data = body.empty() ? 0 : body.size() - 1;  // without the sum byte
            const BasicExport text = DetokeniseBasic(body.data(), data);
            char* buffer = nullptr;
            size_t size = 0;
            std::FILE* f = open_memstream(&buffer, &size);
            if (f) {
                WriteBasicText(f, text);
                std::fclose(f);
            }
            const bool ok = f && ReplaceFileContents(path, buffer, size);
            std::free(buffer);
            QApplication::restoreOverrideCursor();
            if (!ok) {
                TapeFileError e;
                e.code = TapeFileError::WriteFailed;
                e.path = path;
                ShowFileError(e);
            } else if (text.truncated) {
                Message(QLang("err.ExportBasic.Title"),
                        QString::fromStdString(LangTextArg(kSection, "err.ExportBasic.Message", path)), false);
            }
        }
    }
    SetTag(TapeRequest::ResumeRequest);
}

void TFormTapeBrowser::PiCreateFromTxtClick() {
    if (!deck.EditMode()) return;
    SetTag(TapeRequest::Busy);
    std::string textFile = AppDir();
    if (!FileDialog(false, "text.OpenTextFileDlg.Title", "text.OpenTextFileDlg.Filter", "", textFile)) {
        SetTag(TapeRequest::Idle);
        return;
    }
    SetTag(TapeRequest::PauseRequest);
    // Only a regular file, opened without waiting on a pipe.
    const int textFd = OpenRegularFile(textFile, O_RDONLY);
    std::FILE* in = textFd >= 0 ? fdopen(textFd, "rb") : nullptr;
    if (!in && textFd >= 0) ::close(textFd);
    if (!in) {
        Message(QLang("err.OpenTape.Title"),
                QString::fromStdString(LangTextArg(kSection, "err.OpenTape.Message", textFile)), false);
        SetTag(TapeRequest::ResumeRequest);
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const BasicImport program = TokeniseBasic(in);
    std::fclose(in);
    if (!program.log.empty()) {
        std::string log = BasicLogText(program.log, kSection);
        std::string crlf;
        for (char c : log) {
            if (c == '\n') crlf += '\r';
            crlf += c;
        }
        const std::string logFile = textFile + ".log";
        if (!ReplaceFileContents(logFile, crlf)) {
            QApplication::restoreOverrideCursor();
            TapeFileError e;
            e.code = TapeFileError::WriteFailed;
            e.path = logFile;
            ShowFileError(e);
            SetTag(TapeRequest::ResumeRequest);
            return;
        }
        QApplication::restoreOverrideCursor();
        const QString title = QLang("err.ImportBasic.Title");
        const QString text = QString::fromStdString(LangTextArgs(kSection, "err.ImportBasic.Message", textFile, logFile));
        TapeDeckUi::Answer a;
        if (questionHook) {
            a = questionHook(title, text);
        } else {
            const auto r = QMessageBox::warning(this, title, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            a = r == QMessageBox::Yes ? Yes : r == QMessageBox::No ? No : Cancel;
        }
        if (a == No) QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(logFile)));
        if (a != Yes) {
            SetTag(TapeRequest::ResumeRequest);
            return;
        }
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    // The tokenised program waits in the temporary folder, not beside the
    // user's text, until the tape is written or the block dropped.
    std::string pattern = (std::filesystem::temp_directory_path() / (FileName(textFile) + "-XXXXXX-tmp.tmp")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkstemps(name.data(), 8);
    bool ok = fd >= 0;
    if (ok) {
        ok = ::write(fd, program.bytes.data(), program.bytes.size()) == static_cast<ssize_t>(program.bytes.size());
        ::close(fd);
        if (!ok) ::unlink(name.data());
    }
    QApplication::restoreOverrideCursor();
    SetTag(TapeRequest::ResumeRequest);
    if (!ok) {
        TapeFileError e;
        e.code = TapeFileError::WriteFailed;
        e.path = pattern;
        ShowFileError(e);
        return;
    }
    basicTempFile = name.data();
    // The block shares the file; when the editor is cancelled it goes here.
    basicTemp = std::make_shared<TempSource>(basicTempFile);
    PiAddFileToTapeClick(2, basicTempFile);
    basicTemp.reset();
}

// ---- window --------------------------------------------------------------

void TFormTapeBrowser::FitColumns() {
    // Each column holds its widest content: the block caption with its state
    // image, start and length up to 65535 (FFFFh), and its heading. The
    // window is at least 330 wide and wider when the columns need it.
    const QFontMetrics fm(ListViewTape->font());
    const int pad = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, ListViewTape) + 1);
    const QFontMetrics hm(ListViewTape->header()->font());
    const int headPad = 2 * style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, ListViewTape->header()) + 4;
    QTreeWidgetItem* head = ListViewTape->headerItem();
    const int icon = ListViewTape->iconSize().width() > 0
                         ? ListViewTape->iconSize().width()
                         : style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, ListViewTape);
    int widths[3];
    widths[0] = icon + 2 * pad + fm.horizontalAdvance(QStringLiteral("00/> ")) + 8 * Widest(fm, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789");
    const int number = 5 * Widest(fm, "0123456789") + fm.horizontalAdvance(QStringLiteral(" (h)")) +
                       4 * Widest(fm, "0123456789ABCDEF");
    for (int c = 1; c < 3; ++c) widths[c] = number + pad;
    int total = 0;
    for (int c = 0; c < 3; ++c) {
        widths[c] = std::max(widths[c], hm.horizontalAdvance(head->text(c)) + headPad);
        ListViewTape->setColumnWidth(c, widths[c]);
        total += widths[c];
    }
    const QMargins m = layout()->contentsMargins();
    const int list = total + 2 * ListViewTape->frameWidth() + style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2;
    setMinimumSize(std::max(kMinClientWidth, list + m.left() + m.right()), kMinClientHeight);
}

void TFormTapeBrowser::RunFirstShow() {
    if (!firstShowPending) return;
    firstShowPending = false;
    FitColumns();  // the headings of the language
    pugi::xml_node s = ConfigSection("TapeBrowser");
    if (s) {
        int h = ReadAttrInt(s, "height", 0);
        const int minH = kMinClientHeight + (frameGeometry().height() - height());
        if (h < minH) h = minH;
        resize(minimumWidth(), h);
        int x = 0, y = 0;
        const QRect desk = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry()
                                                            : QRect(0, 0, 1024, 768);
        ReadWindowPos(s, x, y, width(), height(), desk.width(), desk.height());
        PlaceWindowFrame(this, QPoint(x, y));
        SBtnMonit->setChecked(ReadAttrBool(s, "monitoring", false));
        SBtnFlashLoad->setChecked(ReadAttrBool(s, "flash", false));
        const std::string stop = ReadAttrString(s, "auto-stop");
        CbAutoStop->setCurrentIndex(stop == "off" ? 0 : stop == "next-head" ? 1 : 2);
    } else {
        CbAutoStop->setCurrentIndex(0);
    }
    deck.monitoring = SBtnMonit->isChecked();
    deck.SetFastLoading(SBtnFlashLoad->isChecked());
    deck.autoStop = CbAutoStop->currentIndex();
    deck.EditTapeClick(false);
    FillListView();
}

void TFormTapeBrowser::SaveSettings() {
    pugi::xml_node s = ConfigSection("TapeBrowser");
    if (!s) return;
    WriteAttrInt(s, "x", pos().x());
    WriteAttrInt(s, "y", pos().y());
    WriteAttrInt(s, "height", frameGeometry().height());
    WriteAttrBool(s, "monitoring", SBtnMonit->isChecked() ? 1 : 0);
    WriteAttrBool(s, "flash", SBtnFlashLoad->isChecked() ? 1 : 0);
    static const char* kStops[3] = {"off", "next-head", "cursor"};
    const int i = CbAutoStop->currentIndex();
    WriteAttrString(s, "auto-stop", kStops[i < 0 || i > 2 ? 0 : i]);
    s.text().set(MakeRelativePath(deck.TapePath()).c_str());
}

void TFormTapeBrowser::showEvent(QShowEvent* event) {
    everShown = true;
    RunFirstShow();
    QWidget::showEvent(event);
}

void TFormTapeBrowser::closeEvent(QCloseEvent* event) {
    if (deck.EditMode()) {
        SetTag(TapeRequest::Busy);
        const bool left = deck.LeaveEditModeForClose();
        SetTag(TapeRequest::Idle);
        FillListView();
        if (!left) {
            QApplication::beep();
            event->ignore();
            return;
        }
    }
    if (everShown) SaveSettings();
    event->accept();
}

void TFormTapeBrowser::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if ((event->modifiers() & Qt::AltModifier) && key == Qt::Key_T) {
        if (deck.EditMode())
            QApplication::beep();
        else
            hide();
        return;
    }
    if (key == Qt::Key_Space && !SelectedRows().empty()) {
        ListViewTapeDblClick();
        return;
    }
    if (!(event->modifiers() & Qt::KeypadModifier) && KeyGoesToMainWindow(key)) {
        if (QWidget* main = parentWidget()) main->activateWindow();
        return;
    }
    QWidget::keyPressEvent(event);
}
