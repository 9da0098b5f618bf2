#include "tools/memrw/window/FormMemReadWrite.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

#include <filesystem>

#include "common/Config.h"
#include "common/Lang.h"
#include "common/Paths.h"
#include "common/RecentFiles.h"
#include "common/TextUtils.h"
#include "machine/cpu/ChipMemory.h"
#include "ui/ControlPictures.h"
#include "ui/WindowPlacement.h"

namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, const char* caption) {
    auto* l = new QLabel(QString::fromUtf8(caption), parent);
    l->setObjectName(name);
    return l;
}

QLineEdit* MakeField(QWidget* parent, const char* name, const char* hint) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setToolTip(QString::fromUtf8(hint));
    e->setMaxLength(5);
    return e;
}

}  // namespace

TFormMemReadWrite::TFormMemReadWrite(QWidget* parent) : QDialog(parent) {
    setObjectName("FormMemReadWrite");
    setModal(true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* grid = new QGridLayout(this);
    grid->addWidget(MakeLabel(this, "LblFile", "Súbor:"), 0, 0);
    editFile = new QLineEdit(this);
    editFile->setObjectName("EditFile");
    editFile->setReadOnly(true);
    editFile->setStyleSheet("color: grey");
    sbSelectFile = new QToolButton(this);
    sbSelectFile->setObjectName("SbSelectFile");
    sbSelectFile->setIcon(ControlPictures::CommandIcon(ControlPictures::Command::Open));
    sbSelectFile->setAutoRaise(true);
    sbSelectFile->setToolTip(QString::fromUtf8("Výber súboru..."));
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(editFile);
    fileRow->addWidget(sbSelectFile);
    grid->addLayout(fileRow, 0, 1, 1, 3);

    grid->addWidget(MakeLabel(this, "LblStart", "Štart:"), 1, 0);
    meStart = MakeField(this, "MeStart", "Začiatočná adresa");
    grid->addWidget(meStart, 1, 1);
    grid->addWidget(MakeLabel(this, "LblLength", "Dĺžka:"), 2, 0);
    meLength = MakeField(this, "MeLength", "Dĺžka bloku");
    grid->addWidget(meLength, 2, 1);
    lblPage = MakeLabel(this, "LblPage", "Mapovanie:");
    grid->addWidget(lblPage, 3, 0);
    mePage = MakeField(this, "MePage", "Port mapovania pamäti");
    grid->addWidget(mePage, 3, 1);

    lblReadFrom = MakeLabel(this, "LblReadFrom", "Čítať z:");
    grid->addWidget(lblReadFrom, 1, 2);
    cbReadFrom = new QComboBox(this);
    cbReadFrom->setObjectName("CbReadFrom");
    cbReadFrom->addItems({"RAM", "ROM"});
    cbReadFrom->setToolTip(QString::fromUtf8("Pri modeloch, kde sa pamäť stránkuje, určuje zdrojovú stránku"));
    grid->addWidget(cbReadFrom, 1, 3);
    checkHex = new QCheckBox(QString::fromUtf8("Hexa hodnoty"), this);
    checkHex->setObjectName("CheckHex");
    checkHex->setChecked(true);
    grid->addWidget(checkHex, 2, 2, 1, 2);
    checkRemap = new QCheckBox(QString::fromUtf8("Preadresovať pamäť 0Cxxxh"), this);
    checkRemap->setObjectName("CheckRemap");
    checkRemap->setToolTip(QString::fromUtf8(
        "Pamäť vedľa VideoRAM sa preadresuje\ndo súvislej oblasti 0C000h - 0CFFFh"));
    grid->addWidget(checkRemap, 3, 2, 1, 2);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    btnOK = new QPushButton("OK", this);
    btnOK->setObjectName("BtnOK");
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QString::fromUtf8("Zrušiť"), this);
    btnCancel->setObjectName("BtnCancel");
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    grid->addLayout(buttons, 4, 0, 1, 4);

    connect(sbSelectFile, &QToolButton::clicked, this, &TFormMemReadWrite::SbSelectFileClick);
    connect(checkHex, &QCheckBox::clicked, this, [this] { CheckHexClick(true); });
    connect(btnOK, &QPushButton::clicked, this, &TFormMemReadWrite::BtnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TFormMemReadWrite::~TFormMemReadWrite() {
    if (firstShow) return;
    pugi::xml_node s = ConfigSectionForWrite("MemReadWrite");
    WriteElementText(s, MakeRelativePath(loadFile));
    WriteElementText(ChildForWrite(s, "SaveFile"), MakeRelativePath(saveFile));
    WriteAttrInt(s, "x", x());
    WriteAttrInt(s, "y", y());
    WriteAttrInt(s, "start", values.start);
    WriteAttrInt(s, "length", values.length);
    WriteAttrString(s, "source", cbReadFrom->currentIndex() == 0 ? "ram" : "rom");
    WriteAttrString(s, "radix", checkHex->isChecked() ? "hex" : "dec");
    WriteAttrBool(s, "remapping", checkRemap->isChecked() ? 1 : 0);
}

QString TFormMemReadWrite::Text(const char* key) const {
    return QString::fromStdString(LangText("FormMemReadWrite", key));
}

void TFormMemReadWrite::Setup(int newModel, ChipMemory* newMemory, bool newSave) {
    model = newModel;
    memory = newMemory;
    save = newSave;
    fileChosenInDialog = false;
}

void TFormMemReadWrite::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TFormMemReadWrite::FormShow() {
    if (firstShow) {
        pugi::xml_node s = ConfigSection("MemReadWrite");
        int left = 0, top = 0;
        const QRect desk = QApplication::primaryScreen() ? QApplication::primaryScreen()->availableGeometry()
                                                         : QRect(0, 0, 1024, 768);
        ReadWindowPos(s, left, top, width(), height(), desk.width(), desk.height());
        PlaceWindowFrame(this, QPoint(left, top));
        loadFile = ReadElementText(s);
        saveFile = ReadElementText(FindChildElement(s, "SaveFile"));
        values.start = ReadAttrInt(s, "start", 0);
        values.length = ReadAttrInt(s, "length", 4096);
        cbReadFrom->setCurrentIndex(AttrEquals(s, "source", "ram") ? 0 : 1);
        checkHex->setChecked(AttrEquals(s, "radix", "hex"));
        checkRemap->setChecked(ReadAttrBool(s, "remapping", false));
        values.page = 0;
        firstShow = false;
    }
    setWindowTitle(Text(save ? "text.SaveMemToFile.Caption" : "text.LoadFileToMem.Caption"));
    // Each direction starts at its own last file: a file just loaded is
    // never the one a save would overwrite.
    editFile->setText(QString::fromStdString(save ? saveFile : loadFile));
    CheckHexClick(false);
    const MemRwVisibility v = memory ? MemRwControls(model, *memory, save) : MemRwVisibility{};
    lblReadFrom->setVisible(v.readFrom);
    cbReadFrom->setVisible(v.readFrom);
    checkRemap->setVisible(v.remap);
    lblPage->setVisible(v.page);
    mePage->setVisible(v.page);
}

void TFormMemReadWrite::CheckHexClick(bool byUser) {
    if (byUser) ReadValues(hexShown, false);
    hexShown = checkHex->isChecked();
    meStart->setInputMask(hexShown ? ">\\#nnnn;0" : "00000;0");
    meLength->setInputMask(hexShown ? ">\\#nnnn;0" : "00000;0");
    mePage->setInputMask(hexShown ? ">\\#nn;0" : "000;0");
    meStart->setText(QString::fromStdString(FormatNumber(values.start, true, true, hexShown, false, true)));
    ShowLength();
    mePage->setText(QString::fromStdString(FormatNumber(values.page, false, true, hexShown, false, true)));
}

void TFormMemReadWrite::ShowLength() {
    meLength->setText(QString::fromStdString(FormatNumber(values.length, true, true, checkHex->isChecked(), false, true)));
}

bool TFormMemReadWrite::ReadValues(bool hex, bool showMessage) {
    const bool paging = memory && memory->GetPagingFlag() != 0;
    const bool valid = values.Read(meStart->displayText().toStdString(), meLength->displayText().toStdString(),
                                   mePage->displayText().toStdString(), hex, paging);
    if (!valid && showMessage) prompts->WarningKey(this, "FormMemReadWrite", "err.Values");
    return valid;
}

void TFormMemReadWrite::SbSelectFileClick() {
    std::string name = MakeAbsolutePath(editFile->text().toStdString());
    bool chosen;
    if (save) {
        chosen = prompts->SaveFile(LangText("FormMemReadWrite", "text.SaveDlg.Title"),
                                   LangText("FormMemReadWrite", "text.SaveDlg.Filter"), "", true, name);
    } else {
        chosen = prompts->OpenFile(LangText("FormMemReadWrite", "text.OpenDlg.Title"),
                                   LangText("FormMemReadWrite", "text.OpenDlg.Filter"), "", name);
    }
    if (!chosen) return;
    if (save) {
        fileChosenInDialog = true;
    } else {
        bool clamped = false;
        values.length = PresetLength(name, &clamped);
        ShowLength();
        if (clamped) prompts->WarningKey(this, "FormMemReadWrite", "err.FileTooLong");
    }
    (save ? saveFile : loadFile) = MakeRelativePath(name);
    editFile->setText(QString::fromStdString(MakeRelativePath(name)));
}

void TFormMemReadWrite::PresetFile(const std::string& path) {
    if (firstShow) {
        // Let the first showing read the configuration before the preset.
        setAttribute(Qt::WA_DontShowOnScreen, true);
        show();
        hide();
        setAttribute(Qt::WA_DontShowOnScreen, false);
    }
    bool clamped = false;
    values.length = PresetLength(path, &clamped);
    ShowLength();
    loadFile = MakeRelativePath(path);
    editFile->setText(QString::fromStdString(loadFile));
    if (clamped) prompts->WarningKey(this, "FormMemReadWrite", "err.FileTooLong");
}

void TFormMemReadWrite::BtnOKClick() {
    // No file yet: ask for one first; cancelling keeps the window open.
    const std::string shown = editFile->text().toStdString();
    if (shown.empty() || shown == "...") {
        SbSelectFileClick();
        const std::string chosen = editFile->text().toStdString();
        if (chosen.empty() || chosen == "...") return;
    }
    const std::string file = MakeAbsolutePath(editFile->text().toStdString());
    if (!ReadValues(checkHex->isChecked(), true)) {
        meStart->setFocus();
        return;
    }
    if (!memory) return;
    MemCopyOptions o;
    o.start = values.start;
    o.length = values.length;
    o.page = values.page;
    o.fromRam = cbReadFrom->currentIndex() == 0;
    o.remap = checkRemap->isChecked();
    if (save) {
        std::error_code ec;
        if (!fileChosenInDialog && std::filesystem::exists(file, ec)) {
            const QString title = Text("text.Overwrite.Title");
            const QString text = QString::fromStdString(
                LangTextArg("FormMemReadWrite", "text.Overwrite.Message", file));
            if (!prompts->QuestionDefaultNo(this, title, text)) return;
        }
        const MemFileResult r = SaveMemoryToFile(*memory, model, o, file);
        if (r.result != MemFileResult::Done)
            prompts->WarningKey(this, "FormMemReadWrite", "err.CreateFile");
        else
            AddRecentFile(file);
    } else {
        const MemFileResult r = LoadFileToMemory(*memory, model, o, file);
        if (r.result != MemFileResult::Done) {
            prompts->WarningKey(this, "FormMemReadWrite", "err.OpenFile");
        } else {
            values.length = r.length;
            ShowLength();
            if (r.clamped) prompts->WarningKey(this, "FormMemReadWrite", "err.FileTooLong");
            AddRecentFile(file);
        }
    }
    fileChosenInDialog = false;
    accept();
}

void TFormMemReadWrite::done(int result) {
    if (result == QDialog::Accepted && !ReadValues(checkHex->isChecked(), false)) {
        meStart->setFocus();
        return;
    }
    QDialog::done(result);
}
