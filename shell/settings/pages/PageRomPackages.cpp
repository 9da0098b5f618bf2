#include "shell/settings/pages/PageRomPackages.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QShowEvent>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "common/Config.h"
#include "common/Lang.h"
#include "common/Paths.h"
#include "shell/settings/FormSettings.h"
#include "shell/settings/pages/PageModel.h"
#include "shell/settings/pages/PageStorages2.h"
#include "shell/settings/pages/PageWidgets.h"
#include "ui/ListColumns.h"

using namespace setpage;

TPageRomPackages::TPageRomPackages(TFormSettings& dialog)
    : TSettingsPage(dialog, "TabRomPackages", "ROM moduly", "Nastavenie ROM modulu...") {
    auto* col = new QVBoxLayout(this);
    QGroupBox* gb = Group(this, "GbRomPackages", "ROM balíčky");
    auto* g = new QVBoxLayout(gb);
    QLabel* l1 = Label(gb, "LblRmiPkg1",
                       "ROM balíčky predstavujú zoskupenie súborov (*.rmm), ktoré spolu tvoria obsah ROM Modulu "
                       "alebo RAOM Modulu.");
    QLabel* l2 = Label(gb, "LblRmiPkg2",
                       "Stĺpec \"ROM x\", v zozname súborov v balíčku, určuje parameter tohto príkazu v BASIC G. "
                       "Pred lomítkom je hodnota pre modely -1, -2 a -2A a za lomítkom je hodnota pre model -3.");
    l1->setWordWrap(true);
    l2->setWordWrap(true);
    g->addWidget(l1);
    g->addWidget(l2);
    auto* row = new QHBoxLayout;
    row->addWidget(Label(gb, "LblRomPackage", "Rom balíček:"));
    cbRomPackage = Named(new QComboBox(gb), "CbRomPackage");
    cbRomPackage->setEditable(true);
    cbRomPackage->setInsertPolicy(QComboBox::NoInsert);
    cbRomPackage->setProperty("dynamicItems", true);
    connect(cbRomPackage, qOverload<int>(&QComboBox::activated), this, [this] { CbRomPackageSelect(); });
    connect(cbRomPackage, &QComboBox::editTextChanged, this, [this] {
        if (!loading) CbRomPackageChange();
    });
    row->addWidget(cbRomPackage, 1);
    sbRomPackageSave = SpeedButton(gb, "SbRomPackageSave", "Uložiť balíček", ControlPictures::Command::Save);
    sbRomPackageDel = SpeedButton(gb, "SbRomPackageDel", "Zmazať balíček", ControlPictures::Command::Delete);
    connect(sbRomPackageSave, &QToolButton::clicked, this, [this] { SbRomPackageSaveClick(); });
    connect(sbRomPackageDel, &QToolButton::clicked, this, [this] { SbRomPackageDelClick(); });
    row->addWidget(sbRomPackageSave);
    row->addWidget(sbRomPackageDel);
    g->addLayout(row);
    auto* list = new QHBoxLayout;
    lvRomFileList = Named(new QTreeWidget(gb), "LvRomFileList");
    lvRomFileList->setColumnCount(4);
    lvRomFileList->setHeaderLabels({U("ROM súbor"), U("Adresa"), U("Veľkosť [kB]"), U("ROM x")});
    lvRomFileList->setRootIsDecorated(false);
    lvRomFileList->setSelectionBehavior(QAbstractItemView::SelectRows);
    // The file column takes the room the others leave.
    lvRomFileList->header()->setStretchLastSection(false);
    lvRomFileList->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    FitColumns();
    connect(lvRomFileList, &QTreeWidget::itemSelectionChanged, this,
            [this] { sbRomFileDel->setEnabled(!lvRomFileList->selectedItems().isEmpty()); });
    list->addWidget(lvRomFileList, 1);
    auto* buttons = new QVBoxLayout;
    sbRomFileAdd = SpeedButton(gb, "SbRomFileAdd", "Pridať do balíčka", ControlPictures::Command::Add);
    sbRomFileDel = SpeedButton(gb, "SbRomFileDel", "Odstrániť z balíčka", ControlPictures::Command::Remove);
    connect(sbRomFileAdd, &QToolButton::clicked, this, [this] { SbRomFileAddClick(); });
    connect(sbRomFileDel, &QToolButton::clicked, this, [this] { SbRomFileDelClick(); });
    buttons->addWidget(sbRomFileAdd);
    buttons->addWidget(sbRomFileDel);
    buttons->addStretch(1);
    list->addLayout(buttons);
    g->addLayout(list, 1);
    col->addWidget(gb, 1);
    auto* hidden = Named(new QCheckBox(this), "CheckResetOnChange");
    hidden->hide();
}

void TPageRomPackages::showEvent(QShowEvent* event) {
    FitColumns();  // the headings and the font of the language
    TSettingsPage::showEvent(event);
}

void TPageRomPackages::FitColumns() {
    // Addresses have six hex digits (up to 03FC00h, the last of 256 kB),
    // sizes up to seven digits (2097152 kB for a file of 2 GB, shown though
    // too big), ROM x one digit or "-" before the slash and up to two after
    // (" 6 / 5", " - / 21"); the file column shows at least its heading.
    using ListColumns::WidestChar;
    const QFontMetrics fm(lvRomFileList->font());
    const QChar hex = WidestChar(fm, "0123456789ABCDEF"), digit = WidestChar(fm, "0123456789");
    const QChar romX = WidestChar(fm, "0123456789-");
    int total = lvRomFileList->header()->sectionSizeHint(0);
    total += ListColumns::FitColumn(lvRomFileList, 1, QString(6, hex) + "h");
    total += ListColumns::FitColumn(lvRomFileList, 2, QString(7, digit));
    total += ListColumns::FitColumn(lvRomFileList, 3, QString(" ") + romX + " / " + romX + romX);
    lvRomFileList->setMinimumWidth(total + 2 * lvRomFileList->frameWidth() +
                                   style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, lvRomFileList) + 2);
}

void TPageRomPackages::Fill(const std::string& wanted) {
    const bool was = loading;
    loading = true;
    romFiles.clear();
    packageTable = ListPackages(ConfigSection("RomPackages"));
    FillPackageCombo(cbRomPackage, wanted);
    loading = was;
}

void TPageRomPackages::Load() {
    romPackageEdited = false;
    Fill("");
    CbRomPackageSelect();
}

void TPageRomPackages::Follow(int index, int count) {
    if (count >= 0 && cbRomPackage->count() != count) Fill("");
    loading = true;
    cbRomPackage->setCurrentIndex(index);
    loading = false;
    CbRomPackageSelect();
}

void TPageRomPackages::CbRomPackageSelect() {
    romFiles.clear();
    const int at = cbRomPackage->currentIndex();
    if (at >= 0) romFiles = BuildRomFileList(PackageAt(ConfigSection("RomPackages"), packageTable, at));
    FillRomFileListView();
    romPackageEdited = false;
    sbRomPackageSave->setEnabled(false);
    sbRomPackageDel->setEnabled(true);
}

void TPageRomPackages::CbRomPackageChange() {
    const PackageButtons b = PackageButtonsFor(S(cbRomPackage->currentText()), packageTable.names, romPackageEdited,
                                               static_cast<size_t>(lvRomFileList->topLevelItemCount()));
    sbRomPackageSave->setEnabled(b.save);
    sbRomPackageDel->setEnabled(b.del);
}

void TPageRomPackages::RefreshOtherPages() {
    dlg.ModelPage()->RefreshPackages();
    dlg.Storages2Page()->RefreshPackages();
}

void TPageRomPackages::SbRomPackageSaveClick() {
    const std::string name = SavePackage(ConfigSection("RomPackages"), S(cbRomPackage->currentText()), romFiles);
    if (name.empty()) return;
    RefreshOtherPages();
    Fill(name);
    CbRomPackageSelect();
}

void TPageRomPackages::SbRomPackageDelClick() {
    switch (DeletePackage(ConfigRoot, S(cbRomPackage->currentText()))) {
        case DeleteResult::Blank:
        case DeleteResult::NotFound: sbRomPackageDel->setEnabled(false); return;
        case DeleteResult::InUse:
            dlg.Prompter().Warning(&dlg, Text("err.DeletePackage.Title"), Text("err.DeletePackage.Message"));
            return;
        case DeleteResult::Deleted: break;
    }
    Fill("");
    RefreshOtherPages();
    CbRomPackageSelect();
}

void TPageRomPackages::SbRomFileAddClick() {
    std::string path;
    if (!dlg.ChooseFile(false, "text.AddRomFile.Title", "text.AddRomFile.Filter", "rmm", path)) return;
    int32_t status = 1;
    const int32_t size = CheckRomFile(path, status);
    if (status != 0) {
        dlg.Prompter().Warning(&dlg, Text("err.AddRomFile.Title"),
                               Q(LangTextArg(kSection, "err.AddRomFile.Message", path)));
        return;
    }
    romFiles.push_back({MakeRelativePath(path), size, 0});
    FillRomFileListView();
    romPackageEdited = true;
    CbRomPackageChange();
    sbRomPackageDel->setEnabled(false);
}

void TPageRomPackages::SbRomFileDelClick() {
    QTreeWidgetItem* item = lvRomFileList->currentItem();
    if (!item || lvRomFileList->selectedItems().isEmpty()) return;
    const int at = lvRomFileList->indexOfTopLevelItem(item);
    if (at < 0 || at >= static_cast<int>(romFiles.size())) return;
    romFiles.erase(romFiles.begin() + at);
    FillRomFileListView();
    romPackageEdited = true;
    CbRomPackageChange();
    sbRomPackageDel->setEnabled(false);
}

void TPageRomPackages::FillRomFileListView() {
    lvRomFileList->clear();
    const std::vector<RomFileRow> rows = RomFileRows(romFiles);
    for (size_t i = 0; i < rows.size(); ++i) {
        const RomFileRow& r = rows[i];
        auto* item = new QTreeWidgetItem(lvRomFileList, {Q(r.file), Q(r.address), Q(r.size), Q(r.romX)});
        item->setTextAlignment(1, Qt::AlignRight);
        item->setTextAlignment(2, Qt::AlignRight);
        item->setTextAlignment(3, Qt::AlignHCenter);
        item->setIcon(0, QIcon(ControlPictures::RomStatusPicture(r.icon)));
        QString tip;
        for (const TipLine& line : RomFileTip(romFiles[i].status)) {
            if (!tip.isEmpty()) tip += QLatin1Char('\n');
            tip += Q(LangTextArgs(kSection, line.key, line.arg1, line.arg2));
        }
        for (int c = 0; c < 4; ++c) item->setToolTip(c, tip);
    }
    lvRomFileList->setEnabled(!rows.empty());
    sbRomFileDel->setEnabled(false);
}
