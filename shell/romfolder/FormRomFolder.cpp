#include "shell/romfolder/FormRomFolder.h"

#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "common/ConfigDocument.h"
#include "common/IniFile.h"
#include "common/Lang.h"
#include "machine/owner/MachineBuilder.h"
#include "shell/settings/pages/PageModel.h"
#include "ui/LangWindows.h"

namespace {

const char* const kSection = "FormRomFolder";

QString Q(const std::string& s) { return QString::fromStdString(s); }

QString FileName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return Q(slash == std::string::npos ? path : path.substr(slash + 1));
}

}  // namespace

TFormRomFolder::TFormRomFolder(QWidget* parent, const std::string& folderPath, const std::vector<KnownRom>& table,
                               ConfigDocument& document)
    : QDialog(parent), doc(document), folder(QDir::cleanPath(Q(folderPath)).toStdString()) {
    setObjectName("FormRomFolder");
    setWindowTitle(QStringLiteral("ROM folder"));
    setModal(true);
    Build();
    if (const IniFile* ini = LangIni()) TranslateWindows(*ini, {this});
    plan = PlanRomFolder(ScanRomFolder(folder, table), doc.Root());
    Fill();
}

void TFormRomFolder::Build() {
    auto* col = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    lblFolder = Named(new QLabel(QStringLiteral("Folder:"), this), "LblFolder");
    editFolder = Named(new QLineEdit(Q(folder), this), "EditFolder");
    editFolder->setReadOnly(true);
    editFolder->setProperty("dynamicText", true);
    top->addWidget(lblFolder);
    top->addWidget(editFolder, 1);
    col->addLayout(top);

    lvRomFolder = Named(new QTreeWidget(this), "LvRomFolder");
    lvRomFolder->setRootIsDecorated(false);
    lvRomFolder->setColumnCount(kColCount);
    lvRomFolder->setHeaderLabels({QStringLiteral("File"), QStringLiteral("Recognised as"),
                                  QStringLiteral("What OK does"), QStringLiteral("ROM module")});
    lvRomFolder->header()->setStretchLastSection(true);
    lvRomFolder->setSelectionMode(QAbstractItemView::NoSelection);
    connect(lvRomFolder, &QTreeWidget::itemChanged, this,
            [this](QTreeWidgetItem* item, int column) { PlugToggled(item, column); });
    col->addWidget(lvRomFolder, 1);

    lblSummary = Named(new QLabel(this), "LblSummary");
    lblSummary->setProperty("dynamicText", true);
    lblSummary->setWordWrap(true);
    col->addWidget(lblSummary);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    btnOk = Named(new QPushButton(QStringLiteral("OK"), this), "BtnOk");
    btnOk->setDefault(true);
    btnCancel = Named(new QPushButton(QStringLiteral("Cancel"), this), "BtnCancel");
    connect(btnOk, &QPushButton::clicked, this, &TFormRomFolder::accept);
    connect(btnCancel, &QPushButton::clicked, this, &TFormRomFolder::reject);
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    col->addLayout(buttons);
    resize(860, 420);
}

QString TFormRomFolder::Text(const char* key, const char* english) const {
    const std::string t = LangText(kSection, key);
    return t.empty() ? QString::fromUtf8(english) : Q(t);
}

QTreeWidgetItem* TFormRomFolder::Row(size_t i) const { return i < items.size() ? items[i] : nullptr; }

void TFormRomFolder::Fill() {
    using Kind = RomFolderRow::Kind;
    const RomNameTexts names = LoadRomNameTexts(kSection);
    lvRomFolder->blockSignals(true);
    lvRomFolder->clear();
    items.clear();
    for (const RomFolderRow& r : plan.rows) {
        auto* item = new QTreeWidgetItem(lvRomFolder);
        item->setFlags(Qt::ItemIsEnabled);
        item->setText(kColFile, FileName(r.path));
        item->setToolTip(kColFile, Q(r.path));
        const QString model = TPageModel::ModelCaption(r.model);
        QString recognised, action;
        switch (r.kind) {
            case Kind::Unknown: recognised = Q(names.unknown); break;
            case Kind::Skipped:
                switch (r.skip) {
                    case RomSkipReason::LinkOutside:
                        recognised = Text("text.Skip.LinkOutside", "a link that leads out of the folder");
                        break;
                    case RomSkipReason::SpecialFile:
                        recognised = Text("text.Skip.SpecialFile", "not a regular file");
                        break;
                    case RomSkipReason::SubFolder: recognised = Text("text.Skip.SubFolder", "a folder"); break;
                    case RomSkipReason::WrongSize:
                        recognised = Text("text.Skip.WrongSize", "a size no ROM has");
                        break;
                    case RomSkipReason::Unreadable:
                        recognised = Text("text.Skip.Unreadable", "cannot be read");
                        break;
                }
                action = Text("text.Do.NotRead", "not read");
                break;
            default: recognised = Q(RomDisplayName(r.rom, model.toStdString(), names)); break;
        }
        switch (r.kind) {
            case Kind::Monitor: action = Text("text.Do.Monitor", "becomes the monitor ROM of %1").replace("%1", model); break;
            case Kind::MonitorSame:
                action = Text("text.Do.MonitorSame", "already the monitor ROM of %1").replace("%1", model);
                break;
            case Kind::MonitorSize: {
                const int kb = MachineBuilder::MonitorRomKb(r.model);
                const QString need = kb ? Text("text.Size.Kb", "%1 KB").replace("%1", QString::number(kb))
                                        : Text("text.Size.Range", "4 to 16 KB");
                action = Text("text.Do.MonitorSize", "not set: wrong size for %1 (%2 needed)")
                             .replace("%1", model)
                             .replace("%2", need);
                break;
            }
            case Kind::MonitorSpare:
                action = Text("text.Do.MonitorSpare", "not used: another file is taken for %1").replace("%1", model);
                break;
            case Kind::Module:
                action = (r.packageExists ? Text("text.Do.PackageThere", "ROM package \"%1\" already there")
                                          : Text("text.Do.PackageNew", "ROM package \"%1\" created"))
                             .replace("%1", Q(r.package));
                break;
            case Kind::ModuleBad:
                action = Text("text.Do.ModuleBad", "not used: not a ROM-module image (*.rmm, 1 to 32 KB in whole KB)");
                break;
            case Kind::ModuleSpare: action = Text("text.Do.ModuleSpare", "not used: a copy of another file"); break;
            case Kind::Unstorable:
                action = Text("text.Do.Unstorable", "not used: the configuration cannot hold this file name");
                break;
            case Kind::Known: action = Text("text.Do.Known", "not used"); break;
            default: break;
        }
        item->setText(kColRecognised, recognised);
        item->setText(kColAction, action);
        item->setToolTip(kColAction, action);
        if (r.plugOffered) {
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
            item->setText(kColPlug, Text("text.Plug", "plug into %1's ROM module").replace("%1", model));
            item->setCheckState(kColPlug, r.plugDefault ? Qt::Checked : Qt::Unchecked);
            if (!r.pluggedNow.empty() && r.pluggedNow != r.package)
                item->setToolTip(kColPlug, Text("text.Plug.Now", "now plugged in: \"%1\"").replace("%1", Q(r.pluggedNow)));
        }
        items.push_back(item);
    }
    lvRomFolder->blockSignals(false);
    for (int c = 0; c < kColCount; ++c) lvRomFolder->resizeColumnToContents(c);
    // A long reason keeps room for the check boxes; its tip shows it whole.
    if (lvRomFolder->columnWidth(kColAction) > 380) lvRomFolder->setColumnWidth(kColAction, 380);

    QString summary;
    if (!plan.folderRead)
        summary = Text("text.Summary.Unread", "The folder cannot be read.");
    else if (plan.rows.empty())
        summary = Text("text.Summary.Empty", "The folder holds no files.");
    else if (!plan.HasWork())
        summary = Text("text.Summary.Nothing", "Nothing here changes the settings.");
    else if (plan.switchModel >= 0)
        summary = Text("text.Summary.Switch", "%1 has no monitor ROM: OK makes %2 the current model.")
                      .replace("%1", TPageModel::ModelCaption(plan.currentModel))
                      .replace("%2", TPageModel::ModelCaption(plan.switchModel));
    lblSummary->setText(summary);
    lblSummary->setVisible(!summary.isEmpty());
}

void TFormRomFolder::PlugToggled(QTreeWidgetItem* item, int column) {
    if (column != kColPlug || item->checkState(kColPlug) != Qt::Checked) return;
    // One package per model's module: checking one clears the others of that model.
    int model = -1;
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i] == item) model = plan.rows[i].model;
    lvRomFolder->blockSignals(true);
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i] != item && plan.rows[i].plugOffered && plan.rows[i].model == model)
            items[i]->setCheckState(kColPlug, Qt::Unchecked);
    lvRomFolder->blockSignals(false);
}

void TFormRomFolder::accept() {
    std::vector<bool> plug(plan.rows.size(), false);
    for (size_t i = 0; i < items.size() && i < plug.size(); ++i)
        plug[i] = plan.rows[i].plugOffered && items[i]->checkState(kColPlug) == Qt::Checked;
    codes = ApplyRomFolderPlan(doc.Root(), plan, plug, changed);
    QDialog::accept();
}
