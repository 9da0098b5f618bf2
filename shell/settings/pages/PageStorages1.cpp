#include "shell/settings/pages/PageStorages1.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QVBoxLayout>

#include <array>

#include "common/Config.h"
#include "common/Files.h"
#include "common/Lang.h"
#include "common/Paths.h"
#include "shell/settings/FormSettings.h"
#include "shell/settings/logic/Media.h"
#include "machine/core/ModelCapabilities.h"
#include "shell/settings/pages/PageModel.h"

using namespace setpage;

namespace {
const char* const kDrives[4] = {"DriveA", "DriveB", "DriveC", "DriveD"};
}

TPageStorages1::TPageStorages1(TFormSettings& dialog)
    : TSettingsPage(dialog, "TabStorages1", "Záznamové zariadenia",
                    "Nastavenie kazetopaskových a disketových jednotiek...") {
    auto* col = new QVBoxLayout(this);
    gb32 = Named(new QGroupBox(this), "Gb32");
    auto* grid = new QGridLayout(gb32);
    check32Enable = Check(gb32, "Check32Enable", "Disketová jednotka PMD 32");
    connect(check32Enable, &QCheckBox::toggled, this, [this] { Check32EnableClick(); });
    grid->addWidget(check32Enable, 0, 0, 1, 6);
    static const char* const lbls[4] = {"Lbl32A", "Lbl32B", "Lbl32C", "Lbl32D"};
    static const char* const lblTexts[4] = {"A:", "B:", "C:", "D:"};
    static const char* const edits[4] = {"Edit32A", "Edit32B", "Edit32C", "Edit32D"};
    static const char* const wps[4] = {"Check32aWp", "Check32bWp", "Check32cWp", "Check32dWp"};
    static const char* const opens[4] = {"Sb32aOpen", "Sb32bOpen", "Sb32cOpen", "Sb32dOpen"};
    static const char* const news[4] = {"Sb32aNew", "Sb32bNew", "Sb32cNew", "Sb32dNew"};
    static const char* const ejects[4] = {"Sb32aEject", "Sb32bEject", "Sb32cEject", "Sb32dEject"};
    static const char* const exch[3] = {"Sb32ExchAB", "Sb32ExchBC", "Sb32ExchCD"};
    static const char* const exchHints[3] = {"Zameniť A<->B", "Zameniť B<->C", "Zameniť C<->D"};
    for (int d = 0; d < 4; ++d) {
        grid->addWidget(Label(gb32, lbls[d], lblTexts[d]), 1 + d, 0);
        edit32[d] = PathLine(gb32, edits[d]);
        grid->addWidget(edit32[d], 1 + d, 1);
        check32Wp[d] = Check(gb32, wps[d], "WP", "Ochrana proti zápisu");
        grid->addWidget(check32Wp[d], 1 + d, 2);
        QToolButton* o = SpeedButton(gb32, opens[d], "Otvoriť...", ControlPictures::Command::Open);
        QToolButton* n = SpeedButton(gb32, news[d], "Vytvoriť nový obraz...", ControlPictures::Command::NewImage);
        QToolButton* e = SpeedButton(gb32, ejects[d], "Vysunúť...", ControlPictures::Command::Eject);
        connect(o, &QToolButton::clicked, this, [this, d] { Sb32OpenClick(d); });
        connect(n, &QToolButton::clicked, this, [this, d] { Sb32NewClick(d); });
        connect(e, &QToolButton::clicked, this, [this, d] { Sb32EjectClick(d); });
        grid->addWidget(o, 1 + d, 3);
        grid->addWidget(n, 1 + d, 4);
        grid->addWidget(e, 1 + d, 5);
        if (d < 3) {
            QToolButton* x = SpeedButton(gb32, exch[d], exchHints[d], ControlPictures::Command::Exchange);
            connect(x, &QToolButton::clicked, this, [this, d] { Sb32ExchClick(d); });
            grid->addWidget(x, 1 + d, 6, 2, 1, Qt::AlignVCenter);
        }
    }
    check32SD = Check(gb32, "Check32SD", "Emulovať rozšírené povely PMD 32-SD");
    connect(check32SD, &QCheckBox::toggled, this, [this] { Check32SDClick(); });
    grid->addWidget(check32SD, 5, 0, 1, 6);
    lblRootPath = Label(gb32, "LblRootPath", "Adresár virtuálnej SD karty:");
    grid->addWidget(lblRootPath, 6, 0, 1, 6);
    editRootPath = PathLine(gb32, "EditRootPath");
    grid->addWidget(editRootPath, 7, 0, 1, 5);
    sbRootPath = SpeedButton(gb32, "SbRootPath", "Zvoliť adresár...", ControlPictures::Command::ChooseFolder);
    connect(sbRootPath, &QToolButton::clicked, this, [this] { SbRootPathClick(); });
    grid->addWidget(sbRootPath, 7, 5);
    col->addWidget(gb32);

    QGroupBox* gb30 = Named(new QGroupBox(this), "Gb30");
    auto* g30 = new QGridLayout(gb30);
    check30Enable = Check(gb30, "Check30Enable", "Disketová jednotka PMD 30 alebo MFD 85");
    check30Enable->setEnabled(false);
    connect(check30Enable, &QCheckBox::toggled, this, [this] { Check30EnableClick(); });
    g30->addWidget(check30Enable, 0, 0, 1, 6);
    QLabel* lbl30 = Label(gb30, "Lbl30", "Obraz:");
    edit30 = PathLine(gb30, "Edit30");
    check30Wp = Check(gb30, "Check30Wp", "WP", "Ochrana proti zápisu");
    QToolButton* o30 = SpeedButton(gb30, "Sb30Open", "Otvoriť...", ControlPictures::Command::Open);
    QToolButton* n30 = SpeedButton(gb30, "Sb30New", "Vytvoriť nový obraz...", ControlPictures::Command::NewImage);
    QToolButton* e30 = SpeedButton(gb30, "Sb30Eject", "Vysunúť...", ControlPictures::Command::Eject);
    connect(o30, &QToolButton::clicked, this,
            [this] { dlg.SimpleOpen(edit30, check30Wp, "text.OpenP30.Title", "text.OpenP30.Filter", "P30"); });
    connect(n30, &QToolButton::clicked, this,
            [this] { dlg.SimpleNew(edit30, check30Wp, "text.CreateP30.Title", "text.CreateP30.Filter", "P30"); });
    connect(e30, &QToolButton::clicked, this, [this] {
        SetPath(edit30, kNoFile, true);
        check30Wp->setChecked(true);
    });
    g30->addWidget(lbl30, 1, 0);
    g30->addWidget(edit30, 1, 1);
    g30->addWidget(check30Wp, 1, 2);
    g30->addWidget(o30, 1, 3);
    g30->addWidget(n30, 1, 4);
    g30->addWidget(e30, 1, 5);
    pmd30Controls = {lbl30, edit30, check30Wp, o30, n30, e30};
    QComboBox* adr = Named(new QComboBox(gb30), "Cb30Adr");
    for (int i = 0; i <= 14; ++i) adr->addItem(QString::number(i));
    adr->setProperty("dynamicItems", true);
    QCheckBox* master = Check(gb30, "Check30Master", "Režim MASTER");
    QComboBox* ram = Combo(gb30, "Cb30RAM", {"2 kB", "4 kB"});
    for (QWidget* w : {static_cast<QWidget*>(adr), static_cast<QWidget*>(master), static_cast<QWidget*>(ram)})
        w->setEnabled(false);
    g30->addWidget(adr, 2, 0);
    g30->addWidget(master, 2, 1);
    g30->addWidget(ram, 2, 2);
    col->addWidget(gb30);
    col->addStretch(1);
}

void TPageStorages1::Load() {
    pugi::xml_node st = ConfigSection("Storages");
    pugi::xml_node p30 = FindChildElement(st, "PMD-30");
    const bool p30On = ReadAttrBool(p30, "connected", false);
    if (check30Enable->isChecked() == p30On) Check30EnableClick();
    check30Enable->setChecked(p30On);
    check30Wp->setChecked(ReadAttrBool(p30, "write-protect", false));
    SetPath(edit30, ShownIfExists(ReadElementText(p30)), false);

    pugi::xml_node p32 = FindChildElement(st, "PMD-32");
    const bool p32On = ReadAttrBool(p32, "connected", false);
    check32SD->setChecked(ReadAttrBool(p32, "extra-commands", false));
    if (check32Enable->isChecked() == p32On) Check32EnableClick();
    check32Enable->setChecked(p32On);
    std::array<std::string, 4> stored;
    for (int d = 0; d < 4; ++d) {
        pugi::xml_node de = FindChildElement(p32, kDrives[d]);
        stored[d] = ReadElementText(de);
        check32Wp[d]->setChecked(ReadAttrBool(de, "write-protect", false));
    }
    const DriveView view = ShownDrives(stored);
    // An image shown in an earlier drive is taken out of this one for good;
    // a missing file keeps its path.
    for (int d = 0; d < 4; ++d) SetPath(edit32[d], view.shown[d], view.duplicate[d]);
    SetPath(editRootPath, ShownIfFolder(ReadElementText(FindChildElement(p32, "SD-Root"))), false);
    Check32SDClick();
}

void TPageStorages1::Check32EnableClick() {
    if (guard32) return;
    guard32 = true;
    ConnectorTable& connectors = dlg.ConnectorsForPages();
    if (check32Enable->isChecked()) {
        if (connectors.Occupant(kK3) != Device::Pmd32) {
            if (dlg.CheckConnector(kK3)) {
                connectors.Set(kK3, Device::Pmd32);
            } else {
                check32Enable->setChecked(false);
                guard32 = false;
                return;
            }
        }
    } else if (connectors.Occupant(kK3) == Device::Pmd32) {
        connectors.Free(kK3);
    }
    const bool on = check32Enable->isChecked();
    for (QWidget* w : gb32->findChildren<QWidget*>())
        if (w != check32Enable) w->setEnabled(on);
    guard32 = false;
    Check32SDClick();
}

void TPageStorages1::Check32SDClick() {
    const bool on = check32Enable->isChecked() && check32SD->isChecked();
    lblRootPath->setEnabled(on);
    editRootPath->setEnabled(on);
    sbRootPath->setEnabled(on);
}

void TPageStorages1::Sb32OpenClick(int drive) {
    if (drive < 0 || drive > 3) return;
    const bool consul = Capabilities(dlg.ModelPage()->SelectedModel()).consulDiskImages;
    std::string path = S(edit32[drive]->text());
    if (!dlg.ChooseFile(false, "text.OpenP32.Title", consul ? "text.OpenZBR.Filter" : "text.OpenP32.Filter",
                        consul ? "dcz" : "p32", path))
        return;
    if (!::FileHasSize(path, Pmd32ImageSize(dlg.ModelPage()->SelectedModel(), path))) {
        Sb32EjectClick(drive);
        dlg.Prompter().Warning(&dlg, Text("err.OpenP32.Title"), Q(LangTextArg(kSection, "err.OpenP32.Message", path)));
        return;
    }
    const std::string shown = MakeRelativePath(path);
    for (int d = 0; d < 4; ++d)
        if (d != drive && SameNoCase(S(edit32[d]->text()), shown)) {
            dlg.Prompter().Warning(&dlg, Text("err.OpenP32Diff.Title"),
                                   Q(LangTextArg(kSection, "err.OpenP32Diff.Message", path)));
            return;
        }
    SetPath(edit32[drive], shown, true);
    check32Wp[drive]->setChecked(true);
}

void TPageStorages1::Sb32NewClick(int drive) {
    if (drive < 0 || drive > 3) return;
    std::string path = S(edit32[drive]->text());
    if (!dlg.ChooseFile(true, "text.CreateP32.Title", "text.CreateP32.Filter", "p32", path)) return;
    if (CreateMediumFile(path, Pmd32ImageSize(dlg.ModelPage()->SelectedModel(), path), 0xE5)) {
        SetPath(edit32[drive], MakeRelativePath(path), true);
        check32Wp[drive]->setChecked(false);
    } else {
        dlg.Prompter().ErrorKey(&dlg, kSection, "err.CreateMedium");
        Sb32EjectClick(drive);
    }
}

void TPageStorages1::Sb32EjectClick(int drive) {
    if (drive < 0 || drive > 3) return;
    SetPath(edit32[drive], kNoFile, true);
    check32Wp[drive]->setChecked(true);
}

void TPageStorages1::Sb32ExchClick(int pair) {
    if (pair < 0 || pair > 2) return;
    const QString a = edit32[pair]->text(), b = edit32[pair + 1]->text();
    const bool wa = check32Wp[pair]->isChecked(), wb = check32Wp[pair + 1]->isChecked();
    SetPath(edit32[pair], S(b), true);
    SetPath(edit32[pair + 1], S(a), true);
    check32Wp[pair]->setChecked(wb);
    check32Wp[pair + 1]->setChecked(wa);
}

void TPageStorages1::SbRootPathClick() {
    std::string folder = MakeAbsolutePath(S(editRootPath->text()));
    if (!QFileInfo(Q(folder)).isDir()) folder = AppDir();
    if (dlg.ChooseFolder(LangText(kSection, "text.SelectFolderSD.Title"), folder))
        SetPath(editRootPath, MakeRelativePath(folder), true);
}

void TPageStorages1::Check30EnableClick() {
    if (guard30) return;
    guard30 = true;
    ConnectorTable& connectors = dlg.ConnectorsForPages();
    if (check30Enable->isChecked() && connectors.Occupant(kK5) != Device::Pmd30) {
        if (dlg.CheckConnector(kK5)) {
            connectors.Set(kK5, Device::Pmd30);
        } else {
            check30Enable->setChecked(false);
        }
    } else if (!check30Enable->isChecked() && connectors.Occupant(kK5) == Device::Pmd30) {
        connectors.Free(kK5);
    }
    for (QWidget* w : pmd30Controls) w->setEnabled(check30Enable->isChecked());
    guard30 = false;
}

void TPageStorages1::Read(SettingsControls& c) const {
    c.pmd30Enabled = check30Enable->isChecked();
    c.pmd30Protect = check30Wp->isChecked();
    c.pmd30Image = ReadPath(edit30);
    c.pmd32Enabled = check32Enable->isChecked();
    c.pmd32Sd = check32SD->isChecked();
    for (int d = 0; d < 4; ++d) {
        c.pmd32Protect[d] = check32Wp[d]->isChecked();
        c.pmd32Image[d] = ReadPath(edit32[d]);
    }
    c.sdRoot = ReadPath(editRootPath);
}
