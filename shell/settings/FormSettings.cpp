#include "shell/settings/FormSettings.h"

#include <algorithm>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTreeWidget>

#include "common/Config.h"
#include "common/Lang.h"
#include "common/Paths.h"
#include "machine/owner/MachineSettings.h"
#include "shell/settings/logic/Media.h"
#include "shell/settings/logic/RomPackages.h"
#include "shell/settings/pages/PageControls.h"
#include "shell/settings/pages/PageDisplay.h"
#include "shell/settings/pages/PageGeneral.h"
#include "shell/settings/pages/PageModel.h"
#include "shell/settings/pages/PagePrinter.h"
#include "shell/settings/pages/PageRomPackages.h"
#include "shell/settings/pages/PageSound.h"
#include "shell/settings/pages/PageStorages1.h"
#include "shell/settings/pages/PageStorages2.h"
#include "shell/settings/pages/PageWidgets.h"
#include "ui/ControlPictures.h"

using namespace setpage;

namespace {

const char* const kTreeLabels[TFormSettings::kPageCount] = {
    "Všeobecné", "Model", "Obrazovka", "Zvuk", "Ovládanie", "ROM balíčky",
    "Záznamové zariadenia (1)", "Záznamové zariadenia (2)", "Tlačiarne a plotre"};

static_assert(ControlPictures::kPageCount == TFormSettings::kPageCount, "a picture for every page");

enum PageIndex { kGeneral, kModel, kDisplay, kSound, kControl, kRomPackages, kStorages1, kStorages2, kPrinter };
// The start-up order of the loaders (the storage pages load together).
const int kLoadOrder[] = {kModel, kSound, kDisplay, kControl, kRomPackages, kGeneral, kStorages2, kPrinter};
// The pages whose devices claim the connectors.
bool HoldsDevices(int index) {
    return index == kControl || index == kStorages1 || index == kStorages2 || index == kPrinter;
}

}  // namespace

TFormSettings::TFormSettings(QWidget* parent) : QDialog(parent) {
    setObjectName("FormSettings");
    setWindowTitle(U("Nastavenia"));
    setModal(true);
    Build();
}

TFormSettings::~TFormSettings() = default;

QWidget* TFormSettings::Page(int index) const { return pages->widget(index); }

void TFormSettings::FitToPages() {
    // The designed size, larger when the pages' texts need more room (another
    // language, a larger desktop font).
    const QSize need = pages->minimumSizeHint();
    const int pw = std::max(404, need.width());
    const int ph = std::max(344, need.height());
    // The tree as wide as its longest page name.
    int names = 0;
    for (int i = 0; i < treeItems->topLevelItemCount(); ++i)
        names = std::max(names, treeItems->sizeHintForIndex(treeItems->model()->index(i, 0)).width());
    const int tw = std::max(168, names + 2 * treeItems->frameWidth() + 4);
    const int x = 4 + tw + 4;
    const int w = x + pw + 4, h = 60 + ph + 38;
    setFixedSize(w, h);
    treeItems->setGeometry(4, 4, tw, h - 42);
    findChild<QWidget*>("PanelTop")->setGeometry(x, 4, pw, 52);
    lblCaption->setGeometry(56, 6, pw - 64, 18);
    lblDesc->setGeometry(56, 26, pw - 64, 18);
    pages->setGeometry(x, 60, pw, ph);
    btnOk->setGeometry(w - 174, h - 32, 80, 26);
    btnCancel->setGeometry(w - 86, h - 32, 80, 26);
}

void TFormSettings::Build() {
    setFixedSize(584, 442);
    treeItems = Named(new QTreeWidget(this), "TreeItems");
    treeItems->setGeometry(4, 4, 168, 400);
    treeItems->setHeaderHidden(true);
    treeItems->setRootIsDecorated(false);
    treeItems->setIconSize(QSize(24, 24));
    for (int i = 0; i < kPageCount; ++i) {
        auto* item = new QTreeWidgetItem(treeItems, QStringList(U(kTreeLabels[i])));
        item->setData(0, Qt::UserRole, i);  // image index
        item->setIcon(0, ControlPictures::SubjectIcon(ControlPictures::Subject(i)));
    }
    connect(treeItems, &QTreeWidget::itemClicked, this, [this] { TreeItemsClick(); });
    connect(treeItems, &QTreeWidget::currentItemChanged, this, [this] { TreeItemsClick(); });

    auto* header = Named(new QWidget(this), "PanelTop");
    header->setGeometry(176, 4, 404, 52);
    header->setAutoFillBackground(true);
    imgTop = Named(new QLabel(header), "ImgTop");
    imgTop->setGeometry(4, 4, 44, 44);
    lblCaption = DynamicLabel(header, "LblCaption", "");
    QFont bold = lblCaption->font();
    bold.setBold(true);
    lblCaption->setFont(bold);
    lblCaption->setGeometry(56, 6, 340, 18);
    lblDesc = DynamicLabel(header, "LblDesc", "");
    lblDesc->setGeometry(56, 26, 340, 18);

    pages = Named(new QStackedWidget(this), "Pages");
    pages->setGeometry(176, 60, 404, 344);
    general = new TPageGeneral(*this);
    model = new TPageModel(*this);
    display = new TPageDisplay(*this);
    sound = new TPageSound(*this);
    controls = new TPageControls(*this);
    romPackages = new TPageRomPackages(*this);
    storages1 = new TPageStorages1(*this);
    storages2 = new TPageStorages2(*this);
    printer = new TPagePrinter(*this);
    TSettingsPage* all[kPageCount] = {general, model, display, sound, controls, romPackages, storages1, storages2, printer};
    for (int i = 0; i < kPageCount; ++i) {
        page[i] = all[i];
        page[i]->WatchChanges();
        pages->addWidget(page[i]);
    }

    btnOk = Named(new QPushButton(U("OK"), this), "BtnOk");
    btnOk->setGeometry(410, 410, 80, 26);
    btnOk->setDefault(true);
    connect(btnOk, &QPushButton::clicked, this, [this] {
        BtnOkClick();
        accept();
    });
    btnCancel = Named(new QPushButton(U("Zrušiť"), this), "BtnCancel");
    btnCancel->setGeometry(498, 410, 80, 26);
    connect(btnCancel, &QPushButton::clicked, this, &TFormSettings::reject);
    SelectPage(0);
    FitToPages();
}

// ---- navigation ------------------------------------------------------------

void TFormSettings::SelectPage(int index) {
    if (index < 0 || index >= kPageCount) return;
    QTreeWidgetItem* item = treeItems->topLevelItem(index);
    if (treeItems->currentItem() != item) {
        treeClick = true;
        treeItems->setCurrentItem(item);  // runs TreeItemsClick
        treeClick = false;
    }
    TreeItemsClick();
}

void TFormSettings::TreeItemsClick() {
    QTreeWidgetItem* item = treeItems->currentItem();
    if (!item) return;
    const bool was = treeClick;
    treeClick = true;
    const int index = item->data(0, Qt::UserRole).toInt();
    pages->setCurrentIndex(index);
    // Edits on a page seen in this opening are undone by Cancel.
    if (isVisible()) page[index]->touched = true;
    ShowPageHeader();
    imgTop->setPixmap(item->icon(0).pixmap(40, 40));
    treeClick = was;
}

void TFormSettings::ShowPageHeader() {
    const auto* shown = static_cast<TSettingsPage*>(pages->currentWidget());
    lblCaption->setText(shown->Caption());
    lblDesc->setText(shown->Hint());
}

int TFormSettings::ActivePage() const { return pages->currentIndex(); }

void TFormSettings::showEvent(QShowEvent* event) {
    FitToPages();  // the texts of the language
    QDialog::showEvent(event);
    // Only the page that opens shows the document again; the others keep
    // what they showed when the dialog last closed.
    ClearTouched();
    joystickChanged = false;
    controls->ShowJoystickTypes();
    LoadPage(ActivePage());
    page[ActivePage()]->touched = true;
    TreeItemsClick();
}

void TFormSettings::reject() {
    QDialog::reject();
    bool devices = false;
    for (int i = 0; i < kPageCount; ++i) devices = devices || (page[i]->touched && HoldsDevices(i));
    if (devices) {
        // The devices claim their connectors again from what the document says.
        connectors.Clear();
        for (int i = 0; i < kPageCount; ++i)
            if (HoldsDevices(i)) page[i]->touched = true;
    }
    if (page[kStorages1]->touched) page[kStorages2]->touched = true;
    const bool was = treeClick;
    treeClick = false;
    for (int i : kLoadOrder)
        if (page[i]->touched) LoadPage(i);
    treeClick = was;
    joystickChanged = false;
    controls->ShowJoystickTypes();
    ClearTouched();
}

void TFormSettings::ClearTouched() {
    for (TSettingsPage* p : page) p->touched = false;
}

void TFormSettings::LoadPage(int index) {
    const bool was = treeClick;
    treeClick = false;
    switch (index) {
        case kGeneral: TabGeneralShow(); break;
        case kModel: TabModelShow(); break;
        case kDisplay: TabDisplayShow(); break;
        case kSound: TabSoundShow(); break;
        case kControl: TabControlShow(); break;
        case kRomPackages: TabRomPackagesShow(); break;
        case kStorages1:
        case kStorages2: TabStoragesShow(); break;
        case kPrinter: TabPrinterShow(); break;
        default: break;
    }
    treeClick = was;
}

void TFormSettings::LoadAllPages() {
    const bool was = treeClick;
    treeClick = false;
    // The devices claim their connectors again from what the document says.
    connectors.Clear();
    for (int i : kLoadOrder) LoadPage(i);
    joystickChanged = false;
    controls->ShowJoystickTypes();
    treeClick = was;
}

void TFormSettings::TabGeneralShow() {
    if (treeClick && general->HasLanguages()) return;  // an empty language list loads even then
    general->Load();
}
void TFormSettings::TabModelShow() {
    if (!treeClick) model->Load();
}
void TFormSettings::TabDisplayShow() {
    if (!treeClick) display->Load();
}
void TFormSettings::TabSoundShow() {
    if (!treeClick) sound->Load();
}
void TFormSettings::TabControlShow() {
    if (!treeClick) controls->Load();
}
void TFormSettings::TabRomPackagesShow() {
    if (!treeClick) romPackages->Load();
}
void TFormSettings::TabStoragesShow() {
    if (treeClick) return;
    storages2->Load();
    storages1->Load();
}
void TFormSettings::TabPrinterShow() {
    if (!treeClick) printer->Load();
}

// ---- services of the pages -------------------------------------------------

bool TFormSettings::ChooseFile(bool save, const char* titleKey, const char* filterKey, const char* ext,
                               std::string& path) {
    const std::string title = LangText(kSection, titleKey), filter = LangText(kSection, filterKey);
    return save ? prompts->SaveFile(title, filter, ext, true, path) : prompts->OpenFile(title, filter, ext, path);
}

bool TFormSettings::ChooseFolder(const std::string& title, std::string& folder) {
    return prompts->ChooseFolder(this, title, folder);
}

void TFormSettings::SimpleOpen(setpage::PathLineEdit* edit, QCheckBox* wp, const char* title, const char* filter, const char* ext) {
    std::string path = S(edit->text());
    if (!ChooseFile(false, title, filter, ext, path)) return;
    SetPath(edit, MakeRelativePath(path), true);
    wp->setChecked(true);
}

void TFormSettings::SimpleNew(setpage::PathLineEdit* edit, QCheckBox* wp, const char* title, const char* filter, const char* ext) {
    std::string path = S(edit->text());
    if (!ChooseFile(true, title, filter, ext, path)) return;
    SetPath(edit, MakeRelativePath(path), true);
    wp->setChecked(false);
}

std::unique_ptr<AssociationStore> TFormSettings::AssociationStoreNow() const {
    return storeFactory ? storeFactory() : std::make_unique<XdgAssociationStore>(XdgAssociationStore::DefaultDataHome());
}

bool TFormSettings::RunJoystickSetup(int row) {
    // The joystick set-up dialog is not part of the program yet.
    if (!joystickSetup) {
        QApplication::beep();
        return false;
    }
    if (joystickSetup(row)) joystickChanged = true;
    return true;
}

std::optional<QString> TFormSettings::JoystickText(int row) const {
    if (!joystickDescription) return std::nullopt;
    return joystickDescription(row);
}

const std::vector<KnownRom>& TFormSettings::KnownRoms() const { return knownRoms ? *knownRoms : BuiltInKnownRoms(); }

bool TFormSettings::FileHasSize(const std::string& path, int64_t size) { return ::FileHasSize(path, size); }

bool TFormSettings::CheckConnector(int connector) {
    return connectors.Check(
        connector,
        [this](const std::string& name, const std::string& deviceKey) {
            QString text = Text("err.CheckConnector.Message");
            text.replace(QStringLiteral("%1"), Q(name));
            text.replace(QStringLiteral("%2"), Text(deviceKey.c_str()));
            return prompts->Question(this, Text("err.CheckConnector.Title"), text, Prompts::Look::Warning);
        },
        [this](const std::string& control) { SwitchOff(control); });
}

void TFormSettings::SwitchOff(const std::string& control) {
    if (control == "RbPrtNone") {
        printer->touched = true;
        printer->SwitchOff();
        return;
    }
    if (auto* box = findChild<QCheckBox*>(Q(control))) {
        for (TSettingsPage* p : page)
            if (p->isAncestorOf(box)) p->touched = true;
        box->setChecked(false);
    }
}

// ---- model and sound for the main window -------------------------------------

int TFormSettings::SelectedModel() const { return model->SelectedModel(); }

std::string TFormSettings::GetSelectedModelName() const { return SelectedModelName(SelectedModel()); }

void TFormSettings::SelectModel(int m) { model->SelectModel(m); }

void TFormSettings::SetMute(bool mute) { sound->SetMute(mute); }

bool TFormSettings::Muted() const { return sound->Muted(); }

// ---- OK --------------------------------------------------------------------

SettingsControls TFormSettings::Controls() const {
    SettingsControls c;
    for (const TSettingsPage* p : page) p->Read(c);
    c.joystickDialogChanged = joystickChanged;
    return c;
}

void TFormSettings::BtnOkClick() {
    changeList.clear();
    if (joystickRowsWriter) joystickRowsWriter();
    // The codes come from the settings before and after the controls are written.
    const MachineSettings before = ReadMachineSettings(ConfigRoot);
    SettingsControls c = Controls();
    // A module box checked with no package chosen is written back unchecked:
    // the module still counts as changed, as does a package picked again.
    const ModelElementSettings& shown = before.model.models[IsModelIndex(c.model) ? c.model : kModelC2717];
    const ForcedChanges forced{flags.romModulePackage || c.insertRomModule != shown.romModuleInserted,
                               flags.raom || c.raomEnabled != before.raom.inserted, c.joystickDialogChanged};
    WriteSettings(ConfigRoot, c, flags);
    changeList = ChangeCodesBetween(before, ReadMachineSettings(ConfigRoot), forced);
    if (!c.insertRomModule) model->UncheckInsertRm();
    if (!c.raomEnabled) storages2->UncheckRaom();
    joystickChanged = c.joystickDialogChanged;
    // What was written is now the stored state of every path edit.
    for (setpage::PathLineEdit* e : findChildren<setpage::PathLineEdit*>()) e->userSet = false;
    ClearTouched();
}
