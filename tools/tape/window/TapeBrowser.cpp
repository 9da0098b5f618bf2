#include "tools/tape/window/TapeBrowser.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QScreen>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>
#include <string_view>

#include "common/Config.h"
#include "common/Lang.h"
#include "common/Paths.h"
#include "common/RecentFiles.h"
#include "machine/core/RequestWords.h"
#include "machine/owner/MachineOwner.h"
#include "tools/tape/HeaderRules.h"
#include "tools/tape/window/EditTapeHeader.h"
#include "tools/tape/window/TapeBrowserText.h"
#include "ui/ControlPictures.h"
#include "ui/ListColumns.h"
#include "ui/WindowPlacement.h"

using namespace tapebrowser;

TFormTapeBrowser::TFormTapeBrowser(QWidget* parent) : QWidget(parent, Qt::Tool) {
    setObjectName("FormTapeBrowser");
    deck.SetUi(this);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 4, 4, 4);
    auto* tools = new QHBoxLayout;
    column->addLayout(tools);
    using ControlPictures::Command;
    auto button = [this](const char* name, const char* hint, const QIcon& icon) {
        auto* b = new QToolButton(this);
        b->setObjectName(name);
        b->setToolTip(QString::fromUtf8(hint));
        b->setIcon(icon);
        b->setAutoRaise(true);
        return b;
    };
    auto picture = [](Command c) { return ControlPictures::CommandIcon(c); };
    SBtnInsertTape = button("SBtnInsertTape", "Vložiť pásku", picture(Command::OpenTape));
    SBtnNewTape = button("SBtnNewTape", "Nová páska", picture(Command::NewTape));
    SBtnEditTape = button("SBtnEditTape", "Upraviť obsah pásky",
                          ControlPictures::TwoStateIcon(Command::EditTape, Command::EditingTape));
    SBtnEditTape->setCheckable(true);
    SBtnSaveTape = button("SBtnSaveTape", "Uložiť ako...", picture(Command::SaveTape));
    SBtnAdd = button("SBtnAdd", "Pridať...", picture(Command::Add));
    SBtnDelete = button("SBtnDelete", "Odstrániť", picture(Command::Delete));
    SBtnUp = button("SBtnUp", "Posunúť hore", picture(Command::MoveUp));
    SBtnDown = button("SBtnDown", "Posunúť dolu", picture(Command::MoveDown));
    SBtnPopUp = button("SBtnPopUp", "Kontextové menu", picture(Command::Menu));
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
    SBtnStop = button("SBtnStop", "Stop", picture(Command::Stop));
    SBtnPlay = button("SBtnPlay", "Stop", picture(Command::Run));
    // The two switches show their picture in colour while on.
    SBtnFlashLoad = button("SBtnFlashLoad", "Rýchle nahrávanie", ControlPictures::ToggleIcon(Command::FastLoading));
    SBtnFlashLoad->setCheckable(true);
    SBtnMonit = button("SBtnMonit", "Odposluch", ControlPictures::ToggleIcon(Command::Monitoring));
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

    for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
    // Each row's picture: the current-block arrow, then the block's state.
    const int side = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, ListViewTape);
    ListViewTape->setIconSize(QSize(2 * side, side));
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

bool TFormTapeBrowser::SetTapeFileName(const std::string& path) {
    const TapeFileError e = deck.InsertTape(MakeAbsolutePath(path));
    FillListView();
    if (e) ShowFileError(e);
    return e.code != TapeFileError::FileUnreadable && e.code != TapeFileError::NoTape;
}

bool TFormTapeBrowser::FileDialog(bool save, const char* titleKey, const char* filterKey, const char* ext,
                                  std::string& path) {
    if (save) return prompts->SaveFile(Lang(titleKey), Lang(filterKey), ext, true, path);
    return prompts->OpenFile(Lang(titleKey), Lang(filterKey), ext, path);
}

namespace {

TapeDeckUi::Answer DeckAnswer(Prompts::Answer a) {
    return a == Prompts::Answer::Yes ? TapeDeckUi::Yes : a == Prompts::Answer::No ? TapeDeckUi::No : TapeDeckUi::Cancel;
}

}  // namespace

// ---- TapeDeckUi ----------------------------------------------------------

bool TFormTapeBrowser::AskSaveTapeFile(std::string& path) {
    std::string name = path.empty() ? Folder(deck.TapePath()) : path;
    const bool ok = FileDialog(true, "text.SaveTapeDlg.Title", "text.SaveTapeDlg.Filter", "ptp", name);
    if (ok) path = name;
    return ok;
}

TapeDeckUi::Answer TFormTapeBrowser::AskSaveChanges() {
    const QString title = QLang("err.ChangedTape.Title"), text = QLang("err.ChangedTape.Message");
    return DeckAnswer(prompts->QuestionCancel(this, title, text));
}

void TFormTapeBrowser::ShowFileError(const TapeFileError& e) {
    auto box = [this](const char* key, const std::string& arg, bool error, const std::string& arg2 = std::string()) {
        const std::string title = Lang((std::string(key) + ".Title").c_str());
        const std::string msgKey = std::string(key) + ".Message";
        const std::string text = arg2.empty() ? LangTextArg(kSection, msgKey, arg) : LangTextArgs(kSection, msgKey, arg, arg2);
        if (error)
            prompts->Error(this, QString::fromStdString(title), QString::fromStdString(text));
        else
            prompts->Warning(this, QString::fromStdString(title), QString::fromStdString(text));
    };
    switch (e.code) {
        case TapeFileError::None: break;
        case TapeFileError::SourceUnreadable:
        case TapeFileError::FileUnreadable: box("err.OpenTape", e.path, true); break;
        case TapeFileError::BlockTooLong: box("err.BlockTooLong", e.path, true); break;
        case TapeFileError::WriteFailed: box("err.CreateFile", e.path, true); break;
        case TapeFileError::PmdAfterHeadless: box("err.PmdHeadless", e.path, true); break;
        case TapeFileError::PmdHeadlessAsHeader: box("err.PmdHeadlessAsHeader", e.path, true); break;
        case TapeFileError::FileTooLong: box("err.AddFile", e.path, false, std::to_string(e.limit)); break;
        case TapeFileError::FileEmpty: box("err.AddFileEmpty", e.path, false); break;
        case TapeFileError::NoTape: box("err.NoTape", e.path, false); break;
        case TapeFileError::TapeReadInPart: box("err.TapeInPart", e.path, false, std::to_string(e.limit)); break;
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

namespace {

// A block drawn as a short header part and a longer body; the part at fault
// is red: the header (bad header sum), the body's end cut off (a body that
// does not match the header length), or the body (bad body sum).
QPixmap StatePicture(int state, int side) {
    QPixmap p(side, side);
    p.fill(Qt::transparent);
    QPainter g(&p);
    const QColor ok(120, 120, 120), bad(210, 30, 30);
    const int top = side / 4, h = side / 2, head = side / 3;
    g.fillRect(0, top, head - 1, h, state == 1 ? bad : ok);
    if (state == 2) {
        g.fillRect(head, top, (side - head) / 2, h, ok);
        g.fillRect(side - 3, 1, 2, side - 2, bad);
    } else {
        g.fillRect(head, top, side - head, h, state == 3 ? bad : ok);
    }
    return p;
}

}  // namespace

QIcon TFormTapeBrowser::RowPicture(bool current, int state) const {
    const QSize size = ListViewTape->iconSize();
    const int side = size.height();
    QPixmap p(size);
    p.fill(Qt::transparent);
    QPainter g(&p);
    if (current) g.drawPixmap(0, 0, ControlPictures::CommandPicture(ControlPictures::Command::CurrentBlock, side));
    if (state > 0) g.drawPixmap(size.width() - side, 0, StatePicture(state, side));
    g.end();
    return QIcon(p);
}

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
                                    Latin1(&b.type, 1) + " " + Latin1(b.name.data(), 8);
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
        const bool isCurrent = static_cast<int>(i) == current;
        if (isCurrent || state > 0) row->setIcon(0, RowPicture(isCurrent, state));
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
    const bool ok = FileDialog(false, "text.OpenTapeDlg.Title", "text.OpenTapeDlg.Filter", "ptp", path);
    TapeFileError e;
    if (ok) {
        e = deck.InsertTape(path);
        if (e.code != TapeFileError::FileUnreadable && e.code != TapeFileError::NoTape) AddRecentFile(path);
    }
    SetTag(TapeRequest::Idle);
    FillListView();
    if (e) ShowFileError(e);
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
    if (FileDialog(true, "text.SaveTapeDlg.Title", "text.SaveTapeDlg.Filter", "ptp", path)) {
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
    const bool ok = FileDialog(false, "text.OpenTapeDlg.Title", "text.OpenTapeDlg.Filter", "ptp", path);
    SetTag(TapeRequest::Idle);
    if (!ok) return;
    if (!deck.AddTape(path)) {
        prompts->Error(this, QLang("err.OpenTape.Title"),
                       QString::fromStdString(LangTextArg(kSection, "err.OpenTape.Message", path)));
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

// ---- window --------------------------------------------------------------

void TFormTapeBrowser::FitColumns() {
    // Each column holds its widest content: the block caption with its state
    // image, start and length up to 65535 (FFFFh), and its heading. The
    // window is at least 330 wide and wider when the columns need it.
    using ListColumns::WidestChar;
    const QFontMetrics fm(ListViewTape->font());
    const QString caption = QStringLiteral("00/> ") + QString(8, WidestChar(fm, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"));
    const QString number = QString(5, WidestChar(fm, "0123456789")) + " (" +
                           QString(4, WidestChar(fm, "0123456789ABCDEF")) + "h)";
    int total = ListColumns::FitColumn(ListViewTape, 0, caption, true);
    for (int c = 1; c < 3; ++c) total += ListColumns::FitColumn(ListViewTape, c, number);
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

namespace {

// The virtual-key code of the keys the deck answers: digits, letters, the
// numeric keypad's digits and operators, and the function keys.
int DeckVirtualKey(const QKeyEvent* e) {
    const int key = e->key();
    if (e->modifiers() & Qt::KeypadModifier) {
        if (key >= Qt::Key_0 && key <= Qt::Key_9) return 0x60 + (key - Qt::Key_0);
        switch (key) {
            case Qt::Key_Asterisk: return 0x6A;
            case Qt::Key_Plus: return 0x6B;
            case Qt::Key_Comma: return 0x6C;
            case Qt::Key_Minus: return 0x6D;
            case Qt::Key_Period: return 0x6E;
            case Qt::Key_Slash: return 0x6F;
            default: return 0;
        }
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return 0x70 + (key - Qt::Key_F1);
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z)) return key;
    return 0;
}

}  // namespace

bool TFormTapeBrowser::DeckKey(QKeyEvent* event) {
    const int key = event->key();
    if ((event->modifiers() & Qt::AltModifier) && key == Qt::Key_T) {
        if (deck.EditMode())
            QApplication::beep();
        else
            hide();
        return true;
    }
    if (key == Qt::Key_Space && !SelectedRows().empty()) {
        ListViewTapeDblClick();
        return true;
    }
    if (KeyGoesToMainWindow(DeckVirtualKey(event))) {
        if (QWidget* main = parentWidget()) {
            main->activateWindow();
            main->setFocus(Qt::ShortcutFocusReason);
        }
        return true;
    }
    return false;
}

bool TFormTapeBrowser::eventFilter(QObject* watched, QEvent* event) {
    // The window's keys come first, whichever of its controls has the focus.
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == this && DeckKey(static_cast<QKeyEvent*>(event)))
        return true;
    return QWidget::eventFilter(watched, event);
}

void TFormTapeBrowser::keyPressEvent(QKeyEvent* event) {
    if (!DeckKey(event)) QWidget::keyPressEvent(event);
}
