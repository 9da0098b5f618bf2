#include "shell/settings/FormSettings.h"

#include <algorithm>

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <portaudio.h>

#include <algorithm>

#include "common/Config.h"
#include "common/Files.h"
#include "common/Lang.h"
#include "common/Paths.h"
#include "machine/owner/ColorTable.h"
#include "machine/sound/SoundDevices.h"
#include "platform/ParPort.h"
#include "shell/qtcommon/ControlPictures.h"
#include "shell/qtcommon/FileDialogs.h"
#include "shell/qtcommon/LangWindows.h"
#include "shell/settings/logic/Media.h"
#include "shell/settings/logic/Pages.h"

namespace {

const char* const kSection = "FormSettings";

struct PageInfo {
    const char* sheet;
    const char* tree;
    const char* caption;
    const char* hint;
};
const PageInfo kPages[TFormSettings::kPageCount] = {
    {"TabGeneral", "Všeobecné", "Všeobecné", "Všeobecné nastavenia"},
    {"TabModel", "Model", "Model počítača", "Nastavenie emulovaného modelu počítača..."},
    {"TabDisplay", "Obrazovka", "Obrazovka", "Nastavenie spôsobu zobrazovania..."},
    {"TabSound", "Zvuk", "Zvuk", "Nastavenie zvukového výstupu emulátora..."},
    {"TabControl", "Ovládanie", "Ovládacie prvky", "Nastavenie klávesnice a joysticku..."},
    {"TabRomPackages", "ROM balíčky", "ROM moduly", "Nastavenie ROM modulu..."},
    {"TabStorages1", "Záznamové zariadenia (1)", "Záznamové zariadenia",
     "Nastavenie kazetopaskových a disketových jednotiek..."},
    {"TabStorages2", "Záznamové zariadenia (2)", "Záznamové zariadenia",
     "Nastavenie kazetopaskových a disketových jednotiek..."},
    {"TabPrinter", "Tlačiarne a plotre", "Tlačiarne a plotre", "Nastavenie tlačiarní a plotrov"},
};

const char* const kModelRadios[8] = {"RadioM1", "RadioM2", "RadioM2A", "RadioM3",
                                     "RadioMM", "RadioMA", "RadioMA2", "RadioMC"};
const char* const kModelCaptions[8] = {"PMD 85-1", "PMD 85-2",      "PMD 85-2A",       "PMD 85-3",
                                       "Maťo",     "Didaktik Alfa", "Didaktik Alfa 2", "Consul 2717"};
const char* const kModelImages[8] = {"ImgPMD1", "ImgPMD2",      "ImgPMD2A",      "ImgPMD3",
                                     "ImgMato", "ImageDidAlfa", "ImageDidAlfa2", "imgC2717"};
const char* const kDrives[4] = {"DriveA", "DriveB", "DriveC", "DriveD"};

QString U(const char* text) { return QString::fromUtf8(text); }
QString Q(const std::string& text) { return QString::fromStdString(text); }
std::string S(const QString& text) { return text.toStdString(); }

// A small picture: a framed square of a colour, optionally with a number.
QPixmap Swatch(const QColor& color, int w, int h, const QString& mark = QString()) {
    QPixmap p(w, h);
    p.fill(Qt::transparent);
    QPainter g(&p);
    g.setPen(Qt::black);
    g.setBrush(color);
    g.drawRect(0, 0, w - 1, h - 1);
    if (!mark.isEmpty()) {
        g.setPen(Qt::white);
        g.drawText(QRect(0, 0, w, h), Qt::AlignCenter, mark);
    }
    return p;
}

QColor TableColor(int n) {
    static const int rgb[16][3] = {{0, 0, 0},     {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                                   {0, 0, 128},   {128, 0, 128}, {0, 128, 128}, {128, 128, 128},
                                   {192, 192, 192}, {255, 0, 0}, {0, 255, 0},   {255, 255, 0},
                                   {0, 0, 255},   {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
    n = (n >= 0 && n < 16) ? n : 15;
    return QColor(rgb[n][0], rgb[n][1], rgb[n][2]);
}

template <class W>
W* Named(W* w, const char* name) {
    w->setObjectName(QLatin1String(name));
    return w;
}

QLabel* Label(QWidget* parent, const char* name, const char* text) {
    return Named(new QLabel(U(text), parent), name);
}
QCheckBox* Check(QWidget* parent, const char* name, const char* text, const char* hint = nullptr) {
    auto* c = Named(new QCheckBox(U(text), parent), name);
    if (hint) c->setToolTip(U(hint));
    return c;
}
QRadioButton* Radio(QWidget* parent, const char* name, const char* text, const char* hint = nullptr) {
    auto* r = Named(new QRadioButton(U(text), parent), name);
    if (hint) r->setToolTip(U(hint));
    return r;
}
QComboBox* Combo(QWidget* parent, const char* name, std::initializer_list<const char*> items) {
    auto* c = Named(new QComboBox(parent), name);
    for (const char* i : items) c->addItem(U(i));
    return c;
}
QToolButton* SpeedButton(QWidget* parent, const char* name, const char* hint, const char* mark) {
    auto* b = Named(new QToolButton(parent), name);
    b->setToolTip(U(hint));
    b->setText(QString());
    b->setIcon(QIcon(Swatch(QColor(70, 90, 140), 16, 16, QString::fromLatin1(mark))));
    b->setAutoRaise(true);
    return b;
}
QLineEdit* PathLine(QWidget* parent, const char* name) {
    auto* e = Named(new QLineEdit(QString::fromLatin1(kNoFile), parent), name);
    e->setReadOnly(true);
    e->setProperty("dynamicText", true);
    return e;
}
QGroupBox* Group(QWidget* parent, const char* name, const char* title) {
    return Named(new QGroupBox(U(title), parent), name);
}
// A label whose text the program sets.
QLabel* DynamicLabel(QWidget* parent, const char* name, const char* text) {
    QLabel* l = Label(parent, name, text);
    l->setProperty("dynamicText", true);
    return l;
}

bool SameNoCase(const std::string& a, const std::string& b) {
    return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) == 0;
}

}  // namespace

TFormSettings::TFormSettings(QWidget* parent) : QDialog(parent) {
    setObjectName("FormSettings");
    setWindowTitle(U("Nastavenia"));
    setModal(true);
    Build();
    // The hint's backslash is a line break.
    checkM3Comp->setToolTip(checkM3Comp->toolTip().replace(QLatin1Char('\\'), QLatin1Char('\n')));
}

TFormSettings::~TFormSettings() = default;

QString TFormSettings::Text(const char* key) const { return Q(LangText(kSection, key)); }

QWidget* TFormSettings::Page(int index) const { return pages->widget(index); }

void TFormSettings::FitToPages() {
    // The designed size, larger when the pages' texts need more room (another
    // language, a larger desktop font).
    const QSize need = pages->minimumSizeHint();
    const int pw = std::max(404, need.width());
    const int ph = std::max(344, need.height());
    const int w = 176 + pw + 4, h = 60 + ph + 38;
    setFixedSize(w, h);
    treeItems->setGeometry(4, 4, 168, h - 42);
    findChild<QWidget*>("PanelTop")->setGeometry(176, 4, pw, 52);
    lblCaption->setGeometry(56, 6, pw - 64, 18);
    lblDesc->setGeometry(56, 26, pw - 64, 18);
    pages->setGeometry(176, 60, pw, ph);
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
        auto* item = new QTreeWidgetItem(treeItems, QStringList(U(kPages[i].tree)));
        item->setData(0, Qt::UserRole, i);  // image index
        item->setIcon(0, QIcon(Swatch(QColor(60, 100, 160), 24, 24, QString::number(i))));
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

    pages = Named(new QTabWidget(this), "Pages");
    pages->tabBar()->hide();
    pages->setGeometry(176, 60, 404, 344);
    for (int i = 0; i < kPageCount; ++i) {
        QWidget* page = nullptr;
        switch (i) {
            case 0: page = BuildGeneral(); break;
            case 1: page = BuildModel(); break;
            case 2: page = BuildDisplay(); break;
            case 3: page = BuildSound(); break;
            case 4: page = BuildControls(); break;
            case 5: page = BuildRomPackages(); break;
            case 6: page = BuildStorages1(); break;
            case 7: page = BuildStorages2(); break;
            default: page = BuildPrinter(); break;
        }
        page->setObjectName(QLatin1String(kPages[i].sheet));
        page->setToolTip(U(kPages[i].hint));  // the page hint; not shown as a tip
        page->installEventFilter(this);
        pages->addTab(page, U(kPages[i].caption));
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

bool TFormSettings::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ToolTip && pages && pages->indexOf(qobject_cast<QWidget*>(watched)) >= 0)
        return true;  // a page's hint is its description, not a tip
    if (event->type() == QEvent::MouseButtonPress) {
        const QVariant tag = watched->property("modelTag");
        if (tag.isValid()) {
            const int m = tag.toInt() - 1;
            if (m >= 0 && m < 8) radioModel[m]->setChecked(true);
            RadioModelClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// ---- page builders ---------------------------------------------------------

QWidget* TFormSettings::BuildGeneral() {
    auto* page = new QWidget;
    auto* col = new QVBoxLayout(page);
    QGroupBox* gbLang = Group(page, "GbLang", "Jazyk");
    auto* lang = new QHBoxLayout(gbLang);
    auto* imgLang = Named(new QLabel(gbLang), "ImgLang");
    imgLang->setPixmap(Swatch(QColor(90, 140, 90), 32, 32));
    lang->addWidget(imgLang);
    lblLang = Label(gbLang, "LblLang", "Zvoľte jazyk:");
    lang->addWidget(lblLang);
    cbeLang = Named(new QComboBox(gbLang), "CbeLang");
    cbeLang->setToolTip(U("Zmena jazyka sa vykoná okamžite"));
    cbeLang->setProperty("dynamicItems", true);
    connect(cbeLang, qOverload<int>(&QComboBox::activated), this, [this](int i) { CbeLangChange(i); });
    lang->addWidget(cbeLang, 1);
    col->addWidget(gbLang);

    QGroupBox* gbReg = Group(page, "GbRegtype", "Registrované typy");
    auto* reg = new QGridLayout(gbReg);
    auto* imgReg = Named(new QLabel(gbReg), "ImgRegtype");
    imgReg->setPixmap(Swatch(QColor(140, 110, 60), 32, 32));
    reg->addWidget(imgReg, 0, 0, 5, 1, Qt::AlignTop);
    static const char* const regNames[4] = {"CheckRegtypePMD", "CheckRegtypePTP", "CheckRegtypePSN", "CheckRegtypePRC"};
    static const char* const regTexts[4] = {".pmd - súbor pásky starých emulátorov", ".ptp - súbor pásky",
                                            ".psn - súbor snapshotu", ".prc - súbor záznamu akcie"};
    for (int i = 0; i < 4; ++i) {
        checkRegtype[i] = Check(gbReg, regNames[i], regTexts[i]);
        reg->addWidget(checkRegtype[i], i, 1);
    }
    auto* btnReg = Named(new QPushButton(U("Registrovať Obnoviť"), gbReg), "BtnRegtypeUpdate");
    connect(btnReg, &QPushButton::clicked, this, [this] { BtnRegtypeUpdateClick(); });
    reg->addWidget(btnReg, 4, 1, 1, 1, Qt::AlignRight);
    col->addWidget(gbReg);

    checkHintDbg = Check(page, "CheckHintDbg", "Zobrazovať nápovedu v debuggeri");
    checkShowPlaceBar = Check(page, "CheckShowPlaceBar", "Zobrazovať panel miest v dialógoch súborov");
    checkInfoFS = Check(page, "CheckInfoFS", "Zobrazovať info pred zobrazením na celú obrazovku");
    col->addWidget(checkHintDbg);
    col->addWidget(checkShowPlaceBar);
    col->addWidget(checkInfoFS);
    col->addStretch(1);
    return page;
}

QWidget* TFormSettings::BuildModel() {
    auto* page = new QWidget;
    auto* col = new QVBoxLayout(page);
    col->setSpacing(2);  // the model pictures need the height
    QGroupBox* gb = Group(page, "GbModel", "Model ");
    auto* grid = new QGridLayout(gb);
    grid->setVerticalSpacing(1);  // room for the pictures' height
    for (int i = 0; i < 8; ++i) {
        auto* img = Named(new QLabel(gb), kModelImages[i]);
        img->setPixmap(ControlPictures::ModelPicture(i, ControlPictures::kModelPageWidth));
        img->setMinimumSize(img->pixmap().size());
        img->setProperty("modelTag", i + 1);
        img->installEventFilter(this);
        radioModel[i] = Radio(gb, kModelRadios[i], kModelCaptions[i]);
        connect(radioModel[i], &QRadioButton::toggled, this, [this](bool on) {
            if (on) RadioModelClick();
        });
        grid->addWidget(img, i % 4, (i / 4) * 2);
        grid->addWidget(radioModel[i], i % 4, (i / 4) * 2 + 1);
    }
    col->addWidget(gb);
    checkM3Comp = Check(page, "CheckM3Comp", "Automaticky prejsť do režimu kompatibility PMD 85-2",
                        "Nahrádza ručné zadávanie JUMP FFF0 po resete\\(iba v prípade, že nie je vložený ROM-Modul).");
    check256k = Check(page, "Check256k", "256 kB RAM");
    col->addWidget(checkM3Comp);
    col->addWidget(check256k);
    QGroupBox* gbMon = Group(page, "GbMonFile", "Monitor ROM ");
    auto* mon = new QHBoxLayout(gbMon);
    editMon = PathLine(gbMon, "EditMon");
    editMon->setStyleSheet("QLineEdit { background: #d0d0d0; }");
    mon->addWidget(editMon, 1);
    QToolButton* open = SpeedButton(gbMon, "SbMonOpen", "Otvoriť...", "O");
    connect(open, &QToolButton::clicked, this, [this] { SbMonOpenClick(); });
    mon->addWidget(open);
    col->addWidget(gbMon);
    checkInsertRm = Check(page, "CheckInsertRm", "Vložiť ROM modul");
    connect(checkInsertRm, &QCheckBox::toggled, this, [this] { CheckInsertRmClick(); });
    col->addWidget(checkInsertRm);
    auto* hidden = Named(new QCheckBox(page), "CheckResetRom");
    hidden->hide();
    QGroupBox* gbPkg = Named(new QGroupBox(page), "GbPkg");
    auto* pkg = new QHBoxLayout(gbPkg);
    lblPkg = Label(gbPkg, "LblPkg", "ROM balíček:");
    cbPkg = Named(new QComboBox(gbPkg), "CbPkg");
    cbPkg->setProperty("dynamicItems", true);
    connect(cbPkg, qOverload<int>(&QComboBox::activated), this, [this] { CbPkgSelect(); });
    pkg->addWidget(lblPkg);
    pkg->addWidget(cbPkg, 1);
    col->addWidget(gbPkg);
    col->addStretch(1);
    return page;
}

QWidget* TFormSettings::BuildDisplay() {
    auto* page = new QWidget;
    auto* col = new QVBoxLayout(page);
    QLabel* lblDispMode = Label(page, "LblDispMode", "Režim vykresľovania vo fullscreen móde a násobkoch zväčšenia v okne:");
    lblDispMode->setWordWrap(true);
    col->addWidget(lblDispMode);
    cbDispMode = Combo(page, "CbDispMode", {"Plné zobrazenie", "Half-Pass", "LCD Emulácia"});
    connect(cbDispMode, qOverload<int>(&QComboBox::activated), this, [this] { CbDispModeChange(); });
    col->addWidget(cbDispMode);
    lblHalfpass = Label(page, "LblHalfpass", "Miera zdôraznenia v Half-Pass režime:");
    col->addWidget(lblHalfpass);
    cbHalfpass = Combo(page, "CbHalfpass", {"75% jasu aktuálneho riadku", "50% jasu aktuálneho riadku",
                                             "25% jasu aktuálneho riadku", "polriadok úplne vynechaný"});
    col->addWidget(cbHalfpass);
    col->addWidget(Label(page, "LblColor", "Farebný profil:"));
    cbColor = Combo(page, "CbColor", {"Iba biela", "Štandardné so zníženým jasom a blikaním", "Farebné", "ColorAce"});
    connect(cbColor, qOverload<int>(&QComboBox::activated), this, [this] { CbColorChange(); });
    col->addWidget(cbColor);
    lblPallette = Label(page, "LblPallette", "Paleta farieb:");
    col->addWidget(lblPallette);
    cbPallette = Combo(page, "CbPallette", {"RGB výstup", "Video výstup", "Vlastná"});
    connect(cbPallette, qOverload<int>(&QComboBox::activated), this, [this] { CbPalletteChange(); });
    col->addWidget(cbPallette);
    QGroupBox* gb = Group(page, "GbAttr", "Atribúty ");
    auto* grid = new QGridLayout(gb);
    static const char* const lbls[4] = {"LblAttr00", "LblAttr01", "LblAttr10", "LblAttr11"};
    static const char* const lblTexts[4] = {"Atribút 00:", "Atribút 01:", "Atribút 10:", "Atribút 11:"};
    static const char* const cbs[4] = {"CbAttr00", "CbAttr01", "CbAttr10", "CbAttr11"};
    for (int i = 0; i < 4; ++i) {
        lblAttr[i] = Label(gb, lbls[i], lblTexts[i]);
        cbAttr[i] = Named(new QComboBox(gb), cbs[i]);
        cbAttr[i]->setProperty("dynamicItems", true);  // colour names
        for (int n = 0; n < 16; ++n)
            cbAttr[i]->addItem(QIcon(Swatch(TableColor(n), 14, 14)), QLatin1String(ColorTable::ColorNameFromIndex(n)));
        cbAttr[i]->setItemText(15, QStringLiteral("white"));
        grid->addWidget(lblAttr[i], i / 2, (i % 2) * 2);
        grid->addWidget(cbAttr[i], i / 2, (i % 2) * 2 + 1);
    }
    col->addWidget(gb);
    checkIntVideoCPU = Check(page, "CheckIntVideoCPU", "Prerušenie od Video procesora");
    col->addWidget(checkIntVideoCPU);
    col->addStretch(1);
    return page;
}

QWidget* TFormSettings::BuildSound() {
    auto* page = new QWidget;
    auto* col = new QVBoxLayout(page);
    QGroupBox* gbOut = Group(page, "GbOutType", "Typ výstupu ");
    auto* out = new QHBoxLayout(gbOut);
    // The two host APIs of this system: ALSA and JACK.
    radioWO = Radio(gbOut, "RadioWO", "ALSA");
    radioDS = Radio(gbOut, "RadioDS", "JACK");
    for (QRadioButton* r : {radioWO, radioDS})
        connect(r, &QRadioButton::toggled, this, [this](bool on) {
            if (on) OutTypeClick();
        });
    out->addWidget(radioWO);
    out->addWidget(radioDS);
    col->addWidget(gbOut);
    col->addWidget(Label(page, "LblAudioDevice", "Zvukové zariadenie:"));
    cbAudioDevice = Named(new QComboBox(page), "CbAudioDevice");
    cbAudioDevice->setProperty("dynamicItems", true);
    col->addWidget(cbAudioDevice);
    QGroupBox* gbVol = Group(page, "GbVolume", "Hlasitosť:");
    auto* grid = new QGridLayout(gbVol);
    checkMute = Check(gbVol, "CheckMute", "Stlmiť");
    connect(checkMute, &QCheckBox::toggled, this, [this] { CheckMuteClick(); });
    grid->addWidget(checkMute, 0, 0, 1, 2);
    auto track = [this, gbVol, grid](const char* lblName, const char* lblText, const char* name, int row) {
        QLabel* l = Label(gbVol, lblName, lblText);
        auto* t = Named(new QSlider(Qt::Horizontal, gbVol), name);
        t->setRange(0, 100);
        t->setPageStep(10);
        t->setProperty("dynamicText", true);
        connect(t, &QSlider::valueChanged, t, [t](int v) { t->setToolTip(QString::asprintf("%i", v)); });
        grid->addWidget(l, row, 0);
        grid->addWidget(t, row, 1);
        return std::make_pair(l, t);
    };
    trackSpeaker = track("LblVolumeSpeaker", "Akustický menič:", "TrackVolumeSpeaker", 1).second;
    trackTape = track("LblVolumeTape", "Magnetofón:", "TrackVolumeTape", 2).second;
    auto musicIf = track("LblVolumeMusicIF", "Zvukový interface:", "TrackVolumeMusicIF", 3);
    lblVolumeMusicIF = musicIf.first;
    trackMusicIF = musicIf.second;
    col->addWidget(gbVol);
    col->addWidget(Label(page, "LblMusicIF", "Zvukový interface:"));
    cbMusicIF = Combo(page, "CbMusicIF", {"Žiadny", "Musica (značne zaťažuje CPU!)", "MIF 85"});
    connect(cbMusicIF, qOverload<int>(&QComboBox::currentIndexChanged), this, [this] { CheckMuteClick(); });
    col->addWidget(cbMusicIF);
    col->addStretch(1);
    return page;
}

QWidget* TFormSettings::BuildControls() {
    auto* page = new QWidget;
    auto* col = new QVBoxLayout(page);
    QGroupBox* gbKey = Group(page, "GbKey", "Klávesnica ");
    auto* key = new QVBoxLayout(gbKey);
    checkAZ = Check(gbKey, "CheckAZ", "Vymeniť klávesy Y a Z");
    checkNumpad = Check(gbKey, "CheckNumpad", "Použiť numerickú klávesnicu");
    checkExtMato = Check(gbKey, "CheckExtMato", "Rozšírená emulácia riadiacich kláves (Maťo)");
    key->addWidget(checkAZ);
    key->addWidget(checkNumpad);
    key->addWidget(checkExtMato);
    col->addWidget(gbKey);
    QGroupBox* gbJoy = Group(page, "GbJoy", "Joystick 4004/482 ");
    auto* joy = new QGridLayout(gbJoy);
    static const char* const checks[2] = {"CheckJoyK3", "CheckJoyK4"};
    static const char* const texts[2] = {"K3 - GPIO/0", "K4 - GPIO/1"};
    static const char* const btns[2] = {"BtnJoyK3", "BtnJoyK4"};
    static const char* const lbls[2] = {"LblJoyTypeK3", "LblJoyTypeK4"};
    for (int r = 0; r < 2; ++r) {
        checkJoy[r] = Check(gbJoy, checks[r], texts[r]);
        checkJoy[r]->setProperty("tag", r);
        connect(checkJoy[r], &QCheckBox::toggled, this, [this, r] { CheckJoyClick(r); });
        btnJoy[r] = Named(new QPushButton(U("Nastaviť..."), gbJoy), btns[r]);
        btnJoy[r]->setEnabled(false);
        connect(btnJoy[r], &QPushButton::clicked, this, [this, r] { BtnJoyClick(r); });
        lblJoyType[r] = DynamicLabel(gbJoy, lbls[r], "...");
        joy->addWidget(checkJoy[r], r, 0);
        joy->addWidget(btnJoy[r], r, 1);
        joy->addWidget(lblJoyType[r], r, 2);
    }
    col->addWidget(gbJoy);
    QGroupBox* gbMouse = Group(page, "GbMouse", "Myš");
    auto* mouse = new QVBoxLayout(gbMouse);
    rbMouse[0] = Radio(gbMouse, "RbMouseNone", "Žiadna");
    rbMouse[1] = Radio(gbMouse, "RbMouse602", "Myš 602");
    rbMouse[2] = Radio(gbMouse, "RbMousePoly8", "Myš Poly-08");
    for (QRadioButton* r : rbMouse) mouse->addWidget(r);
    checkMouseHideCursor = Check(gbMouse, "CheckMouseHideCursor", "Skrývať systémový kurzor myši");
    mouse->addWidget(checkMouseHideCursor);
    col->addWidget(gbMouse);
    col->addStretch(1);
    return page;
}

QWidget* TFormSettings::BuildRomPackages() {
    auto* page = new QWidget;
    auto* col = new QVBoxLayout(page);
    QGroupBox* gb = Group(page, "GbRomPackages", "ROM balíčky");
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
    sbRomPackageSave = SpeedButton(gb, "SbRomPackageSave", "Uložiť balíček", "S");
    sbRomPackageDel = SpeedButton(gb, "SbRomPackageDel", "Zmazať balíček", "X");
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
    lvRomFileList->setColumnWidth(0, 140);
    lvRomFileList->setColumnWidth(1, 55);
    lvRomFileList->setColumnWidth(2, 75);
    connect(lvRomFileList, &QTreeWidget::itemSelectionChanged, this,
            [this] { sbRomFileDel->setEnabled(!lvRomFileList->selectedItems().isEmpty()); });
    list->addWidget(lvRomFileList, 1);
    auto* buttons = new QVBoxLayout;
    sbRomFileAdd = SpeedButton(gb, "SbRomFileAdd", "Pridať do balíčka", "+");
    sbRomFileDel = SpeedButton(gb, "SbRomFileDel", "Odstrániť z balíčka", "-");
    connect(sbRomFileAdd, &QToolButton::clicked, this, [this] { SbRomFileAddClick(); });
    connect(sbRomFileDel, &QToolButton::clicked, this, [this] { SbRomFileDelClick(); });
    buttons->addWidget(sbRomFileAdd);
    buttons->addWidget(sbRomFileDel);
    buttons->addStretch(1);
    list->addLayout(buttons);
    g->addLayout(list, 1);
    col->addWidget(gb, 1);
    auto* hidden = Named(new QCheckBox(page), "CheckResetOnChange");
    hidden->hide();
    return page;
}

QWidget* TFormSettings::BuildStorages1() {
    auto* page = new QWidget;
    auto* col = new QVBoxLayout(page);
    gb32 = Named(new QGroupBox(page), "Gb32");
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
        QToolButton* o = SpeedButton(gb32, opens[d], "Otvoriť...", "O");
        QToolButton* n = SpeedButton(gb32, news[d], "Vytvoriť nový obraz...", "N");
        QToolButton* e = SpeedButton(gb32, ejects[d], "Vysunúť...", "E");
        o->setProperty("tag", d);
        n->setProperty("tag", d);
        e->setProperty("tag", d);
        connect(o, &QToolButton::clicked, this, [this, d] { Sb32OpenClick(d); });
        connect(n, &QToolButton::clicked, this, [this, d] { Sb32NewClick(d); });
        connect(e, &QToolButton::clicked, this, [this, d] { Sb32EjectClick(d); });
        grid->addWidget(o, 1 + d, 3);
        grid->addWidget(n, 1 + d, 4);
        grid->addWidget(e, 1 + d, 5);
        if (d < 3) {
            QToolButton* x = SpeedButton(gb32, exch[d], exchHints[d], "<>");
            x->setProperty("tag", d);
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
    sbRootPath = SpeedButton(gb32, "SbRootPath", "Zvoliť adresár...", "D");
    connect(sbRootPath, &QToolButton::clicked, this, [this] { SbRootPathClick(); });
    grid->addWidget(sbRootPath, 7, 5);
    col->addWidget(gb32);

    QGroupBox* gb30 = Named(new QGroupBox(page), "Gb30");
    auto* g30 = new QGridLayout(gb30);
    check30Enable = Check(gb30, "Check30Enable", "Disketová jednotka PMD 30 alebo MFD 85");
    check30Enable->setEnabled(false);
    connect(check30Enable, &QCheckBox::toggled, this, [this] { Check30EnableClick(); });
    g30->addWidget(check30Enable, 0, 0, 1, 6);
    QLabel* lbl30 = Label(gb30, "Lbl30", "Obraz:");
    edit30 = PathLine(gb30, "Edit30");
    check30Wp = Check(gb30, "Check30Wp", "WP", "Ochrana proti zápisu");
    QToolButton* o30 = SpeedButton(gb30, "Sb30Open", "Otvoriť...", "O");
    QToolButton* n30 = SpeedButton(gb30, "Sb30New", "Vytvoriť nový obraz...", "N");
    QToolButton* e30 = SpeedButton(gb30, "Sb30Eject", "Vysunúť...", "E");
    connect(o30, &QToolButton::clicked, this,
            [this] { SimpleOpen(edit30, check30Wp, "text.OpenP30.Title", "text.OpenP30.Filter", "P30"); });
    connect(n30, &QToolButton::clicked, this,
            [this] { SimpleNew(edit30, check30Wp, "text.CreateP30.Title", "text.CreateP30.Filter", "P30"); });
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
    return page;
}

QWidget* TFormSettings::BuildStorages2() {
    auto* page = new QWidget;
    auto* col = new QVBoxLayout(page);
    QGroupBox* gbRaom = Named(new QGroupBox(page), "GbRaom");
    auto* g = new QGridLayout(gbRaom);
    checkRaomEnable = Check(gbRaom, "CheckRaomEnable", "RAOM Modul");
    connect(checkRaomEnable, &QCheckBox::toggled, this, [this] { CheckRaomEnableClick(); });
    g->addWidget(checkRaomEnable, 0, 0, 1, 5);
    QLabel* lblVer = Label(gbRaom, "LblRaomVer", "Verzia:");
    cbRaomVer = Combo(gbRaom, "CbRaomVer", {"CHTF", "KUVI"});
    connect(cbRaomVer, qOverload<int>(&QComboBox::activated), this, [this] { CbRaomVerChange(); });
    QLabel* lblSizes = Label(gbRaom, "LblRaomSizes", "ROM / RAM:");
    lblRaomSizesVal = DynamicLabel(gbRaom, "LblRaomSizesVal", "64 kB / 192 kB");
    QLabel* lblPkgR = Label(gbRaom, "LblRaomPkg", "ROM balíček:");
    cbRaomPkg = Named(new QComboBox(gbRaom), "CbRaomPkg");
    cbRaomPkg->setProperty("dynamicItems", true);
    connect(cbRaomPkg, qOverload<int>(&QComboBox::activated), this, [this] { flags.raom = true; });
    QLabel* lblRaom = Label(gbRaom, "LblRaom", "Obraz RAM disku:");
    editRaom = PathLine(gbRaom, "EditRaom");
    QToolButton* o = SpeedButton(gbRaom, "SbRaomOpen", "Otvoriť...", "O");
    QToolButton* n = SpeedButton(gbRaom, "SbRaomNew", "Vytvoriť nový obraz...", "N");
    QToolButton* e = SpeedButton(gbRaom, "SbRaomEject", "Vysunúť...", "E");
    connect(o, &QToolButton::clicked, this, [this] { SbRaomOpenClick(); });
    connect(n, &QToolButton::clicked, this, [this] { SbRaomNewClick(); });
    connect(e, &QToolButton::clicked, this, [this] { SetPath(editRaom, kNoFile, true); });
    g->addWidget(lblVer, 1, 0);
    g->addWidget(cbRaomVer, 1, 1);
    g->addWidget(lblSizes, 1, 2);
    g->addWidget(lblRaomSizesVal, 1, 3, 1, 2);
    g->addWidget(lblPkgR, 2, 0);
    g->addWidget(cbRaomPkg, 2, 1, 1, 4);
    g->addWidget(lblRaom, 3, 0, 1, 5);
    g->addWidget(editRaom, 4, 0, 1, 2);
    g->addWidget(o, 4, 2);
    g->addWidget(n, 4, 3);
    g->addWidget(e, 4, 4);
    raomControls = {lblVer, cbRaomVer, lblSizes, lblRaomSizesVal, lblRaom, editRaom, o, n, e, lblPkgR, cbRaomPkg};
    col->addWidget(gbRaom);

    QGroupBox* gbKzd = Named(new QGroupBox(page), "GbKzd");
    auto* k = new QGridLayout(gbKzd);
    checkKzdEnable = Check(gbKzd, "CheckKzdEnable", "Kazetopáskový záznamník dát KZD-1");
    checkKzdEnable->setEnabled(false);
    connect(checkKzdEnable, &QCheckBox::toggled, this, [this] { CheckKzdEnableClick(); });
    k->addWidget(checkKzdEnable, 0, 0, 1, 6);
    QLabel* conn = Label(gbKzd, "LblKzdConn", "Konektor:");
    radioKzdK3 = Radio(gbKzd, "RadioKzdK3", "K3 - GPIO/0", "Port A");
    radioKzdK4 = Radio(gbKzd, "RadioKzdK4", "K4 - GPIO/1", "Port B");
    radioKzdK4->setChecked(true);
    QLabel* lblKzd = Label(gbKzd, "LblKzd", "Obraz pásky:");
    editKzd = PathLine(gbKzd, "EditKzd");
    checkKzdWp = Check(gbKzd, "CheckKzdWp", "WP", "Ochrana proti zápisu");
    QToolButton* ko = SpeedButton(gbKzd, "SbKzdOpen", "Otvoriť...", "O");
    QToolButton* kn = SpeedButton(gbKzd, "SbKzdNew", "Vytvoriť nový obraz...", "N");
    QToolButton* ke = SpeedButton(gbKzd, "SbKzdEject", "Vysunúť...", "E");
    connect(ko, &QToolButton::clicked, this,
            [this] { SimpleOpen(editKzd, checkKzdWp, "text.OpenKzd.Title", "text.OpenKzd.Filter", "PTK"); });
    connect(kn, &QToolButton::clicked, this,
            [this] { SimpleNew(editKzd, checkKzdWp, "text.CreateKzd.Title", "text.CreateKzd.Filter", "PTK"); });
    connect(ke, &QToolButton::clicked, this, [this] {
        SetPath(editKzd, kNoFile, true);
        checkKzdWp->setChecked(true);
    });
    k->addWidget(conn, 1, 0);
    k->addWidget(radioKzdK3, 1, 1);
    k->addWidget(radioKzdK4, 1, 2);
    k->addWidget(lblKzd, 2, 0);
    k->addWidget(editKzd, 2, 1);
    k->addWidget(checkKzdWp, 2, 2);
    k->addWidget(ko, 2, 3);
    k->addWidget(kn, 2, 4);
    k->addWidget(ke, 2, 5);
    kzdControls = {conn, radioKzdK3, radioKzdK4, lblKzd, editKzd, checkKzdWp, ko, kn, ke};
    col->addWidget(gbKzd);
    col->addStretch(1);
    return page;
}

QWidget* TFormSettings::BuildPrinter() {
    auto* page = new QWidget;
    auto* col = new QVBoxLayout(page);
    auto* kinds = new QButtonGroup(page);
    rbPrtNone = Radio(page, "RbPrtNone", "Žiadna");
    rbPrtBt100 = Radio(page, "RbPrtBt100", "Tlačiareň  BT100");
    rbPrtXY41xx = Radio(page, "RbPrtXY41xx", "Grafická jednotka  XY 41xx");
    cbPrtCentronics = Radio(page, "CbPrtCentronics", "Tlačiareň s rozhraním CENTRONICS");
    rbPrtNone->setChecked(true);
    rbPrtXY41xx->setEnabled(false);
    cbPrtCentronics->setEnabled(false);
    for (QRadioButton* r : {rbPrtNone, rbPrtBt100, rbPrtXY41xx, cbPrtCentronics}) {
        kinds->addButton(r);
        col->addWidget(r);
    }
    connect(rbPrtNone, &QRadioButton::toggled, this, [this](bool on) { if (on) RbPrtNoneClick(); });
    connect(rbPrtBt100, &QRadioButton::toggled, this, [this](bool on) { if (on) RbPrtBt100Click(); });
    connect(rbPrtXY41xx, &QRadioButton::toggled, this, [this](bool on) { if (on) RbPrtXY41xxClick(); });
    connect(cbPrtCentronics, &QRadioButton::toggled, this, [this] { CbPrtCentronicsClick(); });
    checkOnLpt = Check(page, "CheckOnLpt", "Pripojená na LPT",
                       "Označuje, že BT100 alebo XY 41xx je pripojená priamo na LPT port");
    checkOnLpt->setEnabled(false);
    connect(checkOnLpt, &QCheckBox::toggled, this, [this] { CheckOnLptClick(); });
    col->addWidget(checkOnLpt);
    QGroupBox* gb = Named(new QGroupBox(page), "GbPrtCentronics");
    auto* g = new QGridLayout(gb);
    auto* img = Named(new QLabel(gb), "ImgPrtCentronics");
    img->setPixmap(Swatch(QColor(120, 120, 160), 32, 32));
    g->addWidget(img, 0, 0, 3, 1);
    QLabel* lblConn = Label(gb, "LblPrtConnector", "Konektor:");
    cbPrtConnector = Combo(gb, "CbPrtConnector", {"K3 - GPIO0", "K4 - GPIO1", "K5 - IMS-2"});
    connect(cbPrtConnector, qOverload<int>(&QComboBox::activated), this, [this](int i) { CbPrtConnectorChange(i); });
    checkInvData = Check(gb, "CheckInvData", "Negované data");
    auto* modes = new QButtonGroup(gb);
    rbNorm = Radio(gb, "RbNorm", "Normálny režim");
    rbDirectLpt = Radio(gb, "RbDirectLpt", "Posielať priamo na LPT");
    rbToFile = Radio(gb, "RbToFile", "Zachytávať do súboru");
    for (QRadioButton* r : {rbNorm, rbDirectLpt, rbToFile}) modes->addButton(r);
    rbNorm->setChecked(true);
    checkOnlyText = Check(gb, "CheckOnlyText", "Iba text bez riadiacich znakov");
    g->addWidget(lblConn, 0, 1);
    g->addWidget(cbPrtConnector, 0, 2);
    g->addWidget(checkInvData, 1, 1, 1, 2);
    g->addWidget(rbNorm, 2, 1);
    g->addWidget(rbDirectLpt, 3, 1);
    g->addWidget(rbToFile, 4, 1);
    g->addWidget(checkOnlyText, 5, 1, 1, 2);
    centronicsControls = {lblConn, cbPrtConnector, checkInvData, rbNorm, rbDirectLpt, rbToFile, checkOnlyText};
    for (QWidget* w : centronicsControls) w->setEnabled(false);
    col->addWidget(gb);
    col->addStretch(1);
    return page;
}

// ---- dialog ----------------------------------------------------------------

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
    lblCaption->setText(pages->tabText(index));
    lblDesc->setText(pages->widget(index)->toolTip());
    imgTop->setPixmap(item->icon(0).pixmap(40, 40));
    treeClick = was;
}

int TFormSettings::ActivePage() const { return pages->currentIndex(); }

void TFormSettings::showEvent(QShowEvent* event) {
    FitToPages();  // the texts of the language
    QDialog::showEvent(event);
    // Every page shows the document as it is now: nothing left over from a
    // cancelled opening.
    LoadAllPages();
    TreeItemsClick();
}

void TFormSettings::reject() {
    QDialog::reject();
    LoadAllPages();
}

void TFormSettings::LoadAllPages() {
    const bool was = treeClick;
    treeClick = false;
    // The devices claim their connectors again from what the document says.
    connectors.Clear();
    TabModelShow();
    TabSoundShow();
    TabDisplayShow();
    TabControlShow();
    TabRomPackagesShow();
    TabGeneralShow();
    TabStoragesShow();
    TabPrinterShow();
    joystickChanged = false;
    if (joystickDescription)
        for (int r = 0; r < 2; ++r) lblJoyType[r]->setText(joystickDescription(r));
    treeClick = was;
}

bool TFormSettings::Ask(const QString& title, const QString& text) {
    if (questionBox) return questionBox(title, text);
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Yes | QMessageBox::No, this);
    return box.exec() == QMessageBox::Yes;
}

void TFormSettings::Warn(const QString& title, const QString& text) {
    if (messageBox) {
        messageBox(title, text);
        return;
    }
    QMessageBox::warning(this, title, text);
}

bool TFormSettings::ChooseFile(bool save, const char* titleKey, const char* filterKey, const char* ext,
                               std::string& path) {
    const std::string title = LangText(kSection, titleKey), filter = LangText(kSection, filterKey);
    if (fileDialog) return fileDialog(save, title, filter, ext, path);
    return save ? SaveFileDialog(title, filter, ext, true, path) : OpenFileDialog(title, filter, ext, path);
}

void TFormSettings::SetPath(QLineEdit* edit, const std::string& shown, bool userSet) {
    edit->setText(Q(shown.empty() ? std::string(kNoFile) : shown));
    edit->setProperty("userSet", userSet);
}

PathEdit TFormSettings::ReadPath(QLineEdit* edit) const {
    PathEdit p;
    p.text = S(edit->text());
    if (p.text.empty()) p.text = kNoFile;
    p.userSet = edit->property("userSet").toBool();
    return p;
}

bool TFormSettings::FileHasSize(const std::string& path, int64_t size) { return ::FileHasSize(path, size); }

bool TFormSettings::CheckConnector(int connector) {
    return connectors.Check(
        connector,
        [this](const std::string& name, const std::string& deviceKey) {
            QString text = Text("err.CheckConnector.Message");
            text.replace(QStringLiteral("%1"), Q(name));
            text.replace(QStringLiteral("%2"), Text(deviceKey.c_str()));
            return Ask(Text("err.CheckConnector.Title"), text);
        },
        [this](const std::string& control) { SwitchOff(control); });
}

void TFormSettings::SwitchOff(const std::string& control) {
    if (control == "RbPrtNone") {
        rbPrtNone->setChecked(true);
        return;
    }
    if (auto* box = findChild<QCheckBox*>(Q(control))) box->setChecked(false);
}

// ---- General ---------------------------------------------------------------

void TFormSettings::TabGeneralShow() {
    if (treeClick && cbeLang->count() > 0) return;
    cbeLang->clear();
    languageBases.clear();
    for (const std::string& folder : LanguageFolders())
    for (const LanguageEntry& e : LanguageEntries(ListLanguageFiles(folder))) {
        // A language of an earlier folder hides the same one of a later folder.
        if (std::find(languageBases.begin(), languageBases.end(), e.baseName) != languageBases.end()) continue;
        const QString flag = Q(folder + e.baseName + ".bmp");
        QPixmap picture;
        if (QFileInfo::exists(flag) && picture.load(flag)) {
            picture.setMask(picture.createMaskFromColor(QColor(255, 0, 255)));
            cbeLang->addItem(QIcon(picture), Q(e.shownName));
        } else {
            cbeLang->addItem(Q(e.shownName));
        }
        languageBases.push_back(e.baseName);
    }
    std::vector<LanguageEntry> entries;
    for (const std::string& b : languageBases) entries.push_back({b, b});
    cbeLang->setCurrentIndex(FindLanguage(entries, ReadAttrString(ConfigSection("General"), "language")));
    cbeLang->setEnabled(cbeLang->count() > 0);
    lblLang->setEnabled(cbeLang->count() > 0);

    std::unique_ptr<AssociationStore> store =
        storeFactory ? storeFactory() : std::make_unique<XdgAssociationStore>(XdgAssociationStore::DefaultDataHome());
    ReadAssociations(*store, assoc);
    for (int i = 0; i < 4; ++i) {
        checkRegtype[i]->setChecked(assoc.checked[i]);
        checkRegtype[i]->setProperty("tag", assoc.tag[i]);
    }
    pugi::xml_node g = ConfigSection("General");
    checkHintDbg->setChecked(ReadAttrBool(g, "show-hint-in-debugger", false));
    checkShowPlaceBar->setChecked(ReadAttrBool(g, "show-place-bar-on-file-dialog", true));
    checkInfoFS->setChecked(ReadAttrBool(g, "show-info-on-enter-full-screen", true));
}

void TFormSettings::CbeLangChange(int index) {
    if (index < 0 || index >= static_cast<int>(languageBases.size())) return;
    // The real base name, so that "en.old" stays "en.old".
    const std::string name = languageBases[index];
    LoadLanguage(name);
    lblCaption->setText(pages->tabText(ActivePage()));
    lblDesc->setText(pages->currentWidget()->toolTip());
    WriteAttrString(ConfigSection("General"), "language", name);
}

void TFormSettings::BtnRegtypeUpdateClick() {
    for (int i = 0; i < 4; ++i) {
        assoc.checked[i] = checkRegtype[i]->isChecked();
        assoc.tag[i] = checkRegtype[i]->property("tag").toInt();
    }
    std::unique_ptr<AssociationStore> store =
        storeFactory ? storeFactory() : std::make_unique<XdgAssociationStore>(XdgAssociationStore::DefaultDataHome());
    UpdateAssociations(*store, assoc, S(QCoreApplication::applicationFilePath()));
    for (int i = 0; i < 4; ++i) checkRegtype[i]->setProperty("tag", assoc.tag[i]);
}

// ---- Model -----------------------------------------------------------------

int TFormSettings::SelectedModel() const {
    for (int i = 0; i < 7; ++i)
        if (radioModel[i]->isChecked()) return i;
    return 7;
}

std::string TFormSettings::GetSelectedModelName() const { return SelectedModelName(SelectedModel()); }

void TFormSettings::SelectModel(int model) {
    if (model >= 0 && model < 8) {
        radioModel[model]->setChecked(true);
    } else {
        for (QRadioButton* r : radioModel) {
            r->setAutoExclusive(false);
            r->setChecked(false);
            r->setAutoExclusive(true);
        }
    }
    RadioModelClick();
    WriteAttrString(ConfigSection("Model"), "current", GetSelectedModelName());
}

void TFormSettings::TabModelShow() {
    if (treeClick) return;
    const std::string current = ReadAttrString(ConfigSection("Model"), "current");
    int m = 7;
    for (int i = 0; i < 8; ++i)
        if (current == SelectedModelName(i)) {
            m = i;
            break;
        }
    if (radioModel[m]->isChecked())
        RadioModelClick();
    else
        radioModel[m]->setChecked(true);
    CbPkgSelect();
}

void TFormSettings::RadioModelClick() {
    const int m = SelectedModel();
    pugi::xml_node me = FindChildElement(ConfigSection("Model"), SelectedModelName(m));
    SetPath(editMon, ShownIfExists(ReadElementText(FindChildElement(me, "RomFile"))), false);
    checkM3Comp->setVisible(m == 3);
    checkM3Comp->setEnabled(m == 3);
    checkM3Comp->setChecked(ReadAttrBool(me, "compatibility-mode", false));
    check256k->setVisible(m == 3 || m == 2);
    check256k->setEnabled(m == 3 || m == 2);
    check256k->setChecked(ReadAttrBool(me, "ram256k", false));
    if (m == 4) {
        cbPkg->setCurrentIndex(-1);
        checkInsertRm->setChecked(false);
        checkInsertRm->setEnabled(false);
        lblPkg->setEnabled(false);
        cbPkg->setEnabled(false);
        cbMusicIF->setCurrentIndex(0);
    } else {
        if (m == 7) cbMusicIF->setCurrentIndex(0);
        checkInsertRm->setEnabled(true);
        pugi::xml_node rm = FindChildElement(me, "RomModule");
        checkInsertRm->setChecked(ReadAttrBool(rm, "inserted", false));
        CheckInsertRmClick();
        const std::string name = ReadAttrString(rm, "name");
        if (cbPkg->count() == 0) {
            FillPackageCombo(cbPkg, name, false);
        } else {
            std::vector<std::string> names;
            for (int i = 0; i < cbPkg->count(); ++i) names.push_back(S(cbPkg->itemText(i)));
            cbPkg->setCurrentIndex(FindPackage(names, name));
        }
    }
    // The packages page shows the same package.
    if (cbRomPackage->count() != cbPkg->count()) FillPackageCombo(cbRomPackage, "", true);
    loading = true;
    cbRomPackage->setCurrentIndex(cbPkg->currentIndex());
    loading = false;
    CbRomPackageSelect();
}

void TFormSettings::CheckInsertRmClick() {
    const bool on = checkInsertRm->isChecked();
    lblPkg->setEnabled(on && checkInsertRm->isEnabled());
    cbPkg->setEnabled(on && checkInsertRm->isEnabled());
    if (on && checkRaomEnable->isChecked()) checkRaomEnable->setChecked(false);
}

void TFormSettings::CbPkgSelect() {
    loading = true;
    cbRomPackage->setCurrentIndex(cbPkg->currentIndex());
    loading = false;
    CbRomPackageSelect();
    flags.romModulePackage = true;
}

void TFormSettings::SbMonOpenClick() {
    std::string path = S(editMon->text());
    if (!ChooseFile(false, "text.OpenMonitor.Title", "text.OpenMonitor.Filter", "ROM", path)) return;
    SetPath(editMon, MakeRelativePath(path), true);
}

// ---- Display ---------------------------------------------------------------

void TFormSettings::TabDisplayShow() {
    if (treeClick) return;
    const DisplayChoice d = LoadDisplay(ConfigSection("Screen"));
    cbDispMode->setCurrentIndex(d.displayMode);
    cbHalfpass->setCurrentIndex(d.halfPass);
    cbColor->setCurrentIndex(d.colorProfile);
    cbPallette->setCurrentIndex(d.palette);
    for (int i = 0; i < 4; ++i) userColors[i] = d.userColors[i];
    checkIntVideoCPU->setChecked(d.videoInterrupt);
    CbDispModeChange();
    CbColorChange();
}

void TFormSettings::CbDispModeChange() {
    const bool on = cbDispMode->currentIndex() == 1;
    lblHalfpass->setEnabled(on);
    cbHalfpass->setEnabled(on);
}

void TFormSettings::CbColorChange() {
    const bool on = cbColor->currentIndex() == 2;
    lblPallette->setEnabled(on);
    cbPallette->setEnabled(on);
    CbPalletteChange();
}

void TFormSettings::CbPalletteChange() {
    const bool defined = cbColor->currentIndex() == 2 && cbPallette->currentIndex() == 2;
    int colors[4];
    PresetColors(PresetRow(cbColor->currentIndex(), cbPallette->currentIndex()), userColors, colors);
    for (int i = 0; i < 4; ++i) {
        lblAttr[i]->setEnabled(defined);
        cbAttr[i]->setEnabled(defined);
        cbAttr[i]->setCurrentIndex(colors[i]);
    }
}

// ---- Sound -----------------------------------------------------------------

void TFormSettings::TabSoundShow() {
    if (treeClick) return;
    pugi::xml_node s = ConfigSection("Sound");
    const bool ds = AttrEquals(s, "out-type", "dsound"), wo = AttrEquals(s, "out-type", "waveout");
    deviceTag = ReadAttrInt(s, "device-index", -1);
    radioWO->setAutoExclusive(false);
    radioDS->setAutoExclusive(false);
    radioWO->setChecked(false);
    radioDS->setChecked(false);
    radioWO->setAutoExclusive(true);
    radioDS->setAutoExclusive(true);
    if (ds) radioDS->setChecked(true);
    if (wo) radioWO->setChecked(true);
    // The second host API only where it is present (or already chosen).
    radioDS->setEnabled(ds || Pa_HostApiTypeIdToHostApiIndex(PaHostApiTypeId(SoundHostApiType(true))) >= 0);
    if (!ds && !wo) OutTypeClick();
    if (cbAudioDevice->currentIndex() >= 0) {
        const int chosen = cbAudioDevice->currentData().toInt();
        if (chosen != deviceTag) WriteAttrInt(s, "device-index", chosen);
    }
    bool rewrite = false;
    const int speaker = LoadVolume(s, "volume-speaker", 90, rewrite);
    if (rewrite) WriteAttrInt(s, "volume-speaker", speaker);
    rewrite = false;
    const int tape = LoadVolume(s, "volume-tape", 50, rewrite);
    if (rewrite) WriteAttrInt(s, "volume-tape", tape);
    rewrite = false;
    const int musicIf = LoadVolume(s, "volume-sound-if", 90, rewrite);
    if (rewrite) WriteAttrInt(s, "volume-sound-if", musicIf);
    trackSpeaker->setValue(speaker);
    trackTape->setValue(tape);
    trackMusicIF->setValue(musicIf);
    const std::string sif = ReadAttrString(s, "sound-if");
    cbMusicIF->setCurrentIndex(sif == "musica" ? 1 : sif == "mif85" ? 2 : 0);
    checkMute->setChecked(ReadAttrBool(s, "mute", false));
    CheckMuteClick();
}

void TFormSettings::OutTypeClick() {
    const int type = SoundHostApiType(radioDS->isChecked());
    std::vector<SoundDeviceEntry> devices = SoundDevicesOfHostApi(type);
    const SoundDeviceChoice choice = ChooseSoundDevice(devices, deviceTag, SoundDefaultOutputDevice(type));
    cbAudioDevice->clear();
    for (const SoundDeviceItem& item : choice.items) cbAudioDevice->addItem(Q(item.name), item.number);
    cbAudioDevice->setCurrentIndex(choice.selected);
}

void TFormSettings::CheckMuteClick() {
    const bool on = !checkMute->isChecked();
    trackSpeaker->setEnabled(on);
    trackTape->setEnabled(on);
    const bool sif = on && cbMusicIF->currentIndex() > 0;
    trackMusicIF->setEnabled(sif);
    lblVolumeMusicIF->setEnabled(sif);
}

void TFormSettings::SetMute(bool mute) {
    checkMute->setChecked(mute);
    CheckMuteClick();
}

bool TFormSettings::Muted() const { return checkMute->isChecked(); }

// ---- Controls --------------------------------------------------------------

void TFormSettings::TabControlShow() {
    if (treeClick) return;
    pugi::xml_node controls = ConfigSection("Controls");
    pugi::xml_node k = FindChildElement(controls, "Keyboard");
    checkAZ->setChecked(ReadAttrBool(k, "change-zy", false));
    checkNumpad->setChecked(ReadAttrBool(k, "use-numpad", false));
    checkExtMato->setChecked(ReadAttrBool(k, "mato-ctrl", false));
    pugi::xml_node mouse = FindChildElement(controls, "Mouse");
    static const char* const words[3] = {"none", "m602", "poly8"};
    for (QRadioButton* r : rbMouse) r->setAutoExclusive(false);
    for (int i = 0; i < 3; ++i) rbMouse[i]->setChecked(AttrEquals(mouse, "type", words[i]));
    for (QRadioButton* r : rbMouse) r->setAutoExclusive(true);
    checkMouseHideCursor->setChecked(ReadAttrBool(mouse, "hide-cursor", true));
    pugi::xml_node joy = FindChildElement(controls, "Joystick");
    static const char* const rows[2] = {"Gpio0", "Gpio1"};
    for (int r = 0; r < 2; ++r) {
        const bool on = ReadAttrBool(FindChildElement(joy, rows[r]), "connected", false);
        if (checkJoy[r]->isChecked() == on) CheckJoyClick(r);
        checkJoy[r]->setChecked(on);
        btnJoy[r]->setEnabled(checkJoy[r]->isChecked());
    }
}

void TFormSettings::CheckJoyClick(int row) {
    if (joyGuard) return;
    joyGuard = true;
    const int connector = row == 0 ? kK3 : kK4;
    if (!checkJoy[row]->isChecked()) {
        if (connectors.Occupant(connector) == Device::Joystick) connectors.Free(connector);
    } else if (connectors.Occupant(connector) != Device::Joystick) {
        if (CheckConnector(connector)) {
            connectors.Set(connector, Device::Joystick);
        } else {
            checkJoy[row]->setChecked(false);
            btnJoy[row]->setEnabled(false);
            joyGuard = false;
            return;
        }
    }
    btnJoy[row]->setEnabled(checkJoy[row]->isChecked());
    joyGuard = false;
}

void TFormSettings::BtnJoyClick(int row) {
    // The joystick set-up dialog is not part of the program yet.
    if (!joystickSetup) {
        QApplication::beep();
        return;
    }
    if (joystickSetup(row)) joystickChanged = true;
    if (joystickDescription) lblJoyType[row & 1]->setText(joystickDescription(row));
}

// ---- ROM packages ----------------------------------------------------------

void TFormSettings::FillPackageCombo(QComboBox* combo, const std::string& wanted, bool rebuild) {
    const bool was = loading;
    loading = true;
    pugi::xml_node packages = ConfigSection("RomPackages");
    PackageList list = ListPackages(packages);
    if (rebuild) {
        romFiles.clear();
        packageTable = list;
    }
    combo->clear();
    for (const std::string& n : list.names) combo->addItem(Q(n));
    combo->setCurrentIndex(FindPackage(list.names, wanted));
    if (combo->isEditable() && combo->currentIndex() < 0) combo->setEditText(QString());
    loading = was;
}

void TFormSettings::TabRomPackagesShow() {
    if (treeClick) return;
    romPackageEdited = false;
    FillPackageCombo(cbRomPackage, "", true);
    CbRomPackageSelect();
}

void TFormSettings::CbRomPackageSelect() {
    romFiles.clear();
    const int at = cbRomPackage->currentIndex();
    if (at >= 0) romFiles = BuildRomFileList(PackageAt(ConfigSection("RomPackages"), packageTable, at));
    FillRomFileListView();
    romPackageEdited = false;
    sbRomPackageSave->setEnabled(false);
    sbRomPackageDel->setEnabled(true);
}

void TFormSettings::CbRomPackageChange() {
    const PackageButtons b = PackageButtonsFor(S(cbRomPackage->currentText()), packageTable.names, romPackageEdited,
                                               static_cast<size_t>(lvRomFileList->topLevelItemCount()));
    sbRomPackageSave->setEnabled(b.save);
    sbRomPackageDel->setEnabled(b.del);
}

void TFormSettings::RefreshModelPackages() {
    cbPkg->clear();
    const bool flag = flags.romModulePackage;
    RadioModelClick();
    flags.romModulePackage = flag;
    FillPackageCombo(cbRaomPkg, ReadAttrString(FindChildElement(ConfigSection("Storages"), "RaomModule"), "name"),
                     false);
}

void TFormSettings::SbRomPackageSaveClick() {
    const std::string name = SavePackage(ConfigSection("RomPackages"), S(cbRomPackage->currentText()), romFiles);
    if (name.empty()) return;
    RefreshModelPackages();
    FillPackageCombo(cbRomPackage, name, true);
    CbRomPackageSelect();
}

void TFormSettings::SbRomPackageDelClick() {
    switch (DeletePackage(ConfigRoot, S(cbRomPackage->currentText()))) {
        case DeleteResult::Blank:
        case DeleteResult::NotFound: sbRomPackageDel->setEnabled(false); return;
        case DeleteResult::InUse:
            Warn(Text("err.DeletePackage.Title"), Text("err.DeletePackage.Message"));
            return;
        case DeleteResult::Deleted: break;
    }
    FillPackageCombo(cbRomPackage, "", true);
    RefreshModelPackages();
    CbRomPackageSelect();
}

void TFormSettings::SbRomFileAddClick() {
    std::string path;
    if (!ChooseFile(false, "text.AddRomFile.Title", "text.AddRomFile.Filter", "RMM", path)) return;
    int32_t status = 1;
    const int32_t size = CheckRomFile(path, status);
    if (status != 0) {
        Warn(Text("err.AddRomFile.Title"), Q(LangTextArg(kSection, "err.AddRomFile.Message", path)));
        return;
    }
    romFiles.push_back({MakeRelativePath(path), size, 0});
    FillRomFileListView();
    romPackageEdited = true;
    CbRomPackageChange();
    sbRomPackageDel->setEnabled(false);
}

void TFormSettings::SbRomFileDelClick() {
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

void TFormSettings::FillRomFileListView() {
    lvRomFileList->clear();
    static const QColor icons[4] = {QColor(0, 150, 0), QColor(200, 0, 0), QColor(220, 140, 0), QColor(160, 0, 160)};
    const std::vector<RomFileRow> rows = RomFileRows(romFiles);
    for (size_t i = 0; i < rows.size(); ++i) {
        const RomFileRow& r = rows[i];
        auto* item = new QTreeWidgetItem(lvRomFileList, {Q(r.file), Q(r.address), Q(r.size), Q(r.romX)});
        item->setTextAlignment(1, Qt::AlignRight);
        item->setTextAlignment(2, Qt::AlignRight);
        item->setTextAlignment(3, Qt::AlignHCenter);
        item->setIcon(0, QIcon(Swatch(icons[r.icon], 8, 8)));
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

// ---- Storages --------------------------------------------------------------

void TFormSettings::TabStoragesShow() {
    if (treeClick) return;
    pugi::xml_node st = ConfigSection("Storages");
    pugi::xml_node raom = FindChildElement(st, "RaomModule");
    if (AttrEquals(raom, "hw-version", "chtf")) cbRaomVer->setCurrentIndex(0);
    if (AttrEquals(raom, "hw-version", "kuvi")) cbRaomVer->setCurrentIndex(1);
    lblRaomSizesVal->setText(Q(RaomSizesText(cbRaomVer->currentIndex())));
    const bool raomOn = ReadAttrBool(raom, "inserted", false);
    if (checkRaomEnable->isChecked() == raomOn) CheckRaomEnableClick();
    checkRaomEnable->setChecked(raomOn);
    const std::string raomImage = ReadElementText(raom);
    const std::string raomAbs = MakeAbsolutePath(raomImage);
    SetPath(editRaom,
            (!raomImage.empty() && (::FileHasSize(raomAbs, kRaomChtfSize) || ::FileHasSize(raomAbs, kRaomKuviSize)))
                ? raomImage
                : std::string(kNoFile),
            false);
    FillPackageCombo(cbRaomPkg, ReadAttrString(raom, "name"), false);

    pugi::xml_node kzd = FindChildElement(st, "KZD-1");
    if (AttrEquals(kzd, "port", "gpio0"))
        radioKzdK3->setChecked(true);
    else
        radioKzdK4->setChecked(true);
    const bool kzdOn = ReadAttrBool(kzd, "connected", false);
    if (checkKzdEnable->isChecked() == kzdOn) CheckKzdEnableClick();
    checkKzdEnable->setChecked(kzdOn);
    checkKzdWp->setChecked(ReadAttrBool(kzd, "write-protect", false));
    SetPath(editKzd, ShownIfExists(ReadElementText(kzd)), false);

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

void TFormSettings::Check32EnableClick() {
    if (guard32) return;
    guard32 = true;
    if (check32Enable->isChecked()) {
        if (connectors.Occupant(kK3) != Device::Pmd32) {
            if (CheckConnector(kK3)) {
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

void TFormSettings::Check32SDClick() {
    const bool on = check32Enable->isChecked() && check32SD->isChecked();
    lblRootPath->setEnabled(on);
    editRootPath->setEnabled(on);
    sbRootPath->setEnabled(on);
}

void TFormSettings::Sb32OpenClick(int drive) {
    if (drive < 0 || drive > 3) return;
    const bool consul = SelectedModel() == 7;
    std::string path = S(edit32[drive]->text());
    const std::string title = LangText(kSection, "text.OpenP32.Title");
    const std::string filter = LangText(kSection, consul ? "text.OpenZBR.Filter" : "text.OpenP32.Filter");
    const char* ext = consul ? "DCZ" : "P32";
    const bool ok = fileDialog ? fileDialog(false, title, filter, ext, path) : OpenFileDialog(title, filter, ext, path);
    if (!ok) return;
    if (!::FileHasSize(path, Pmd32ImageSize(SelectedModel(), path))) {
        Sb32EjectClick(drive);
        Warn(Text("err.OpenP32.Title"), Q(LangTextArg(kSection, "err.OpenP32.Message", path)));
        return;
    }
    const std::string shown = MakeRelativePath(path);
    for (int d = 0; d < 4; ++d)
        if (d != drive && SameNoCase(S(edit32[d]->text()), shown)) {
            Warn(Text("err.OpenP32Diff.Title"), Q(LangTextArg(kSection, "err.OpenP32Diff.Message", path)));
            return;
        }
    SetPath(edit32[drive], shown, true);
    check32Wp[drive]->setChecked(true);
}

void TFormSettings::Sb32NewClick(int drive) {
    if (drive < 0 || drive > 3) return;
    std::string path = S(edit32[drive]->text());
    if (!ChooseFile(true, "text.CreateP32.Title", "text.CreateP32.Filter", "P32", path)) return;
    if (CreateMediumFile(path, Pmd32ImageSize(SelectedModel(), path), 0xE5, kSection)) {
        SetPath(edit32[drive], MakeRelativePath(path), true);
        check32Wp[drive]->setChecked(false);
    } else {
        Sb32EjectClick(drive);
    }
}

void TFormSettings::Sb32EjectClick(int drive) {
    if (drive < 0 || drive > 3) return;
    SetPath(edit32[drive], kNoFile, true);
    check32Wp[drive]->setChecked(true);
}

void TFormSettings::Sb32ExchClick(int pair) {
    if (pair < 0 || pair > 2) return;
    const QString a = edit32[pair]->text(), b = edit32[pair + 1]->text();
    const bool wa = check32Wp[pair]->isChecked(), wb = check32Wp[pair + 1]->isChecked();
    SetPath(edit32[pair], S(b), true);
    SetPath(edit32[pair + 1], S(a), true);
    check32Wp[pair]->setChecked(wb);
    check32Wp[pair + 1]->setChecked(wa);
}

void TFormSettings::SbRootPathClick() {
    std::string folder = MakeAbsolutePath(S(editRootPath->text()));
    if (!QFileInfo(Q(folder)).isDir()) folder = AppDir();
    const std::string title = LangText(kSection, "text.SelectFolderSD.Title");
    bool ok = false;
    if (folderDialog) {
        ok = folderDialog(title, folder);
    } else {
        const QString chosen = QFileDialog::getExistingDirectory(this, Q(title), Q(folder), QFileDialog::ShowDirsOnly);
        ok = !chosen.isEmpty();
        folder = S(chosen);
    }
    if (ok) SetPath(editRootPath, MakeRelativePath(folder), true);
}

void TFormSettings::Check30EnableClick() {
    if (guard30) return;
    guard30 = true;
    if (check30Enable->isChecked() && connectors.Occupant(kK5) != Device::Pmd30) {
        if (CheckConnector(kK5)) {
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

void TFormSettings::CheckKzdEnableClick() {
    if (guardKzd) return;
    guardKzd = true;
    const int c = radioKzdK4->isChecked() ? kK4 : kK3;
    if (checkKzdEnable->isChecked() && connectors.Occupant(c) != Device::Kzd1) {
        if (CheckConnector(c))
            connectors.Set(c, Device::Kzd1);
        else
            checkKzdEnable->setChecked(false);
    } else if (!checkKzdEnable->isChecked()) {
        for (int k : {kK3, kK4})
            if (connectors.Occupant(k) == Device::Kzd1) connectors.Free(k);
    }
    for (QWidget* w : kzdControls) w->setEnabled(checkKzdEnable->isChecked());
    guardKzd = false;
}

void TFormSettings::SimpleOpen(QLineEdit* edit, QCheckBox* wp, const char* title, const char* filter, const char* ext) {
    std::string path = S(edit->text());
    if (!ChooseFile(false, title, filter, ext, path)) return;
    SetPath(edit, MakeRelativePath(path), true);
    wp->setChecked(true);
}

void TFormSettings::SimpleNew(QLineEdit* edit, QCheckBox* wp, const char* title, const char* filter, const char* ext) {
    std::string path = S(edit->text());
    if (!ChooseFile(true, title, filter, ext, path)) return;
    SetPath(edit, MakeRelativePath(path), true);
    wp->setChecked(false);
}

void TFormSettings::CheckRaomEnableClick() {
    const bool on = checkRaomEnable->isChecked();
    for (QWidget* w : raomControls) w->setEnabled(on);
    if (on && checkInsertRm->isChecked()) checkInsertRm->setChecked(false);
}

void TFormSettings::CbRaomVerChange() {
    lblRaomSizesVal->setText(Q(RaomSizesText(cbRaomVer->currentIndex())));
    flags.raom = true;
}

void TFormSettings::SbRaomOpenClick() {
    std::string path = S(editRaom->text());
    if (!ChooseFile(false, "text.OpenRaom.Title", "text.OpenRaom.Filter", "RWM", path)) return;
    if (::FileHasSize(path, kRaomChtfSize) || ::FileHasSize(path, kRaomKuviSize)) {
        SetPath(editRaom, MakeRelativePath(path), true);
    } else {
        SetPath(editRaom, kNoFile, true);
        Warn(Text("err.OpenRaom.Title"), Q(LangTextArg(kSection, "err.OpenRaom.Message", path)));
    }
}

void TFormSettings::SbRaomNewClick() {
    std::string path = S(editRaom->text());
    if (!ChooseFile(true, "text.CreateRaom.Title", "text.CreateRaom.Filter", "RWM", path)) return;
    if (CreateMediumFile(path, RaomImageSize(cbRaomVer->currentIndex()), 0x00, kSection))
        SetPath(editRaom, MakeRelativePath(path), true);
    else
        SetPath(editRaom, kNoFile, true);
}

// ---- Printer ---------------------------------------------------------------

void TFormSettings::TabPrinterShow() {
    if (treeClick) return;
    const bool was = loading;
    loading = true;
    pugi::xml_node p = ConfigSection("Printer");
    // Any other type shows no printer, so that a cancelled choice is not
    // written by the next OK.
    QRadioButton* chosen = AttrEquals(p, "type", "bt100")        ? rbPrtBt100
                           : AttrEquals(p, "type", "xy41xx")     ? rbPrtXY41xx
                           : AttrEquals(p, "type", "centronics") ? cbPrtCentronics
                                                                 : rbPrtNone;
    if (chosen->isChecked()) {
        if (chosen == rbPrtBt100) RbPrtBt100Click();
        else if (chosen == rbPrtXY41xx) RbPrtXY41xxClick();
        else if (chosen == rbPrtNone) RbPrtNoneClick();
        else CbPrtCentronicsClick();
    } else {
        chosen->setChecked(true);
    }
    checkOnLpt->setEnabled(rbPrtBt100->isChecked() || rbPrtXY41xx->isChecked());
    loading = was;
    // Probes the port when this switches it on; the warning is shown at start too.
    checkOnLpt->setChecked(ReadAttrBool(p, "on-lpt", false));
    const std::string port = ReadAttrString(p, "port");
    prtConnectorTag = port == "ims2" ? 2 : port == "gpio1" ? 1 : 0;
    cbPrtConnector->setCurrentIndex(prtConnectorTag);
    checkInvData->setChecked(ReadAttrBool(p, "neg-data", false));
    const std::string mode = ReadAttrString(p, "mode");
    (mode == "normal" ? rbNorm : mode == "file" ? rbToFile : rbDirectLpt)->setChecked(true);
    checkOnlyText->setChecked(ReadAttrBool(p, "only-text", false));
}

void TFormSettings::RbPrtNoneClick() {
    if (connectors.Occupant(kK3) == Device::Bt100 || connectors.Occupant(kK3) == Device::Printer) connectors.Free(kK3);
    if (connectors.Occupant(kK4) == Device::Xy41xx || connectors.Occupant(kK4) == Device::Printer) connectors.Free(kK4);
    if (connectors.Occupant(kK5) == Device::Printer) connectors.Free(kK5);
    CbPrtCentronicsClick();
}

void TFormSettings::RbPrtBt100Click() {
    if (connectors.Occupant(kK3) == Device::Bt100) {
        CbPrtCentronicsClick();
        return;
    }
    if (connectors.Occupant(kK3) == Device::Printer || CheckConnector(kK3)) {
        if (connectors.Occupant(kK4) == Device::Xy41xx || connectors.Occupant(kK4) == Device::Printer)
            connectors.Free(kK4);
        if (connectors.Occupant(kK5) == Device::Printer) connectors.Free(kK5);
        connectors.Set(kK3, Device::Bt100);
        CbPrtCentronicsClick();
        return;
    }
    if (connectors.Occupant(kK4) == Device::Xy41xx)
        rbPrtXY41xx->setChecked(true);
    else if (connectors.Occupant(kK4) == Device::Printer || connectors.Occupant(kK5) == Device::Printer)
        cbPrtCentronics->setChecked(true);
    else
        rbPrtNone->setChecked(true);
}

void TFormSettings::RbPrtXY41xxClick() {
    if (connectors.Occupant(kK4) == Device::Xy41xx) {
        CbPrtCentronicsClick();
        return;
    }
    if (connectors.Occupant(kK4) == Device::Printer || CheckConnector(kK4)) {
        if (connectors.Occupant(kK3) == Device::Bt100 || connectors.Occupant(kK3) == Device::Printer)
            connectors.Free(kK3);
        if (connectors.Occupant(kK5) == Device::Printer) connectors.Free(kK5);
        connectors.Set(kK4, Device::Xy41xx);
        CbPrtCentronicsClick();
        return;
    }
    if (connectors.Occupant(kK3) == Device::Bt100)
        rbPrtBt100->setChecked(true);
    else if (connectors.Occupant(kK3) == Device::Printer || connectors.Occupant(kK5) == Device::Printer)
        cbPrtCentronics->setChecked(true);
    else
        rbPrtNone->setChecked(true);
}

void TFormSettings::CbPrtCentronicsClick() {
    if (cbPrtCentronics->isChecked()) {
        const int c = cbPrtConnector->currentIndex();
        const int held = connectors.Occupant(c);
        if (held == Device::Bt100 || held == Device::Xy41xx) {
            if (connectors.Occupant(kK3) == Device::Bt100) connectors.Free(kK3);
            if (connectors.Occupant(kK4) == Device::Xy41xx) connectors.Free(kK4);
            connectors.Set(c, Device::Printer);
        } else if (held != Device::Printer && !CheckConnector(c)) {
            rbPrtNone->setChecked(true);
        }
    }
    const bool centronics = cbPrtCentronics->isChecked();
    for (QWidget* w : centronicsControls) w->setEnabled(centronics);
    checkOnLpt->setEnabled(rbPrtBt100->isChecked() || rbPrtXY41xx->isChecked());
}

void TFormSettings::CbPrtConnectorChange(int index) {
    if (index == prtConnectorTag) return;
    if (CheckConnector(index)) {
        connectors.Set(index, Device::Printer);
        prtConnectorTag = index;
    } else {
        cbPrtConnector->setCurrentIndex(prtConnectorTag);
    }
}

void TFormSettings::CheckOnLptClick() {
    // Every change probes, unticking too: a missing port is reported either way.
    if (lptProbing) return;
    if (LptHandle.load() != -1) return;  // the running machine holds it
    const int handle = LptOpen(LptNumber);
    if (handle >= 0) {
        LptClose(handle);
        return;
    }
    lptProbing = true;
    Warn(Text("err.CheckOnLpt.Title"),
         Q(LangTextArg(kSection, "err.CheckOnLpt.Message", std::to_string(int(LptPortBase)))));
    checkOnLpt->setChecked(false);
    WriteAttrBool(ConfigSection("Printer"), "on-lpt", 0);
    lptProbing = false;
}

// ---- OK --------------------------------------------------------------------

SettingsControls TFormSettings::Controls() const {
    SettingsControls c;
    c.model = SelectedModel();
    c.monitor = ReadPath(editMon);
    c.m3Compatibility = checkM3Comp->isChecked();
    c.ram256k = check256k->isChecked();
    c.insertRomModule = checkInsertRm->isChecked();
    c.romModulePackage = cbPkg->currentIndex() >= 0 ? S(cbPkg->currentText()) : std::string();
    c.displayMode = cbDispMode->currentIndex();
    c.halfPass = cbHalfpass->currentIndex();
    c.colorProfile = cbColor->currentIndex();
    c.palette = cbPallette->currentIndex();
    for (int i = 0; i < 4; ++i) c.attr[i] = cbAttr[i]->currentIndex();
    c.videoInterrupt = checkIntVideoCPU->isChecked();
    c.directSound = radioDS->isChecked();
    if (cbAudioDevice->currentIndex() >= 0) c.deviceNumber = cbAudioDevice->currentData().toInt();
    c.volumeSpeaker = trackSpeaker->value();
    c.volumeTape = trackTape->value();
    c.volumeSoundIf = trackMusicIF->value();
    c.mute = checkMute->isChecked();
    c.soundIf = cbMusicIF->currentIndex() < 0 ? 0 : cbMusicIF->currentIndex();
    c.changeZY = checkAZ->isChecked();
    c.useNumpad = checkNumpad->isChecked();
    c.matoCtrl = checkExtMato->isChecked();
    c.mouse = -1;
    for (int i = 0; i < 3; ++i)
        if (rbMouse[i]->isChecked()) c.mouse = i;
    c.hideCursor = checkMouseHideCursor->isChecked();
    c.joystickDialogChanged = joystickChanged;
    c.joyK3 = checkJoy[0]->isChecked();
    c.joyK4 = checkJoy[1]->isChecked();
    c.raomEnabled = checkRaomEnable->isChecked();
    c.raomPackage = cbRaomPkg->currentIndex() >= 0 ? S(cbRaomPkg->currentText()) : std::string();
    c.raomVersion = cbRaomVer->currentIndex();
    c.raomImage = ReadPath(editRaom);
    c.kzdEnabled = checkKzdEnable->isChecked();
    c.kzdOnK3 = radioKzdK3->isChecked();
    c.kzdProtect = checkKzdWp->isChecked();
    c.kzdImage = ReadPath(editKzd);
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
    c.printerBt100 = rbPrtBt100->isChecked();
    c.printerXy41xx = rbPrtXY41xx->isChecked();
    c.printerCentronics = cbPrtCentronics->isChecked();
    c.onLpt = checkOnLpt->isChecked();
    c.hintInDebugger = checkHintDbg->isChecked();
    c.showPlaceBar = checkShowPlaceBar->isChecked();
    c.infoOnFullScreen = checkInfoFS->isChecked();
    return c;
}

void TFormSettings::BtnOkClick() {
    changeList.clear();
    SettingsControls c = Controls();
    changeList = WriteSettings(ConfigRoot, c, flags);
    if (!c.insertRomModule && checkInsertRm->isChecked()) checkInsertRm->setChecked(false);
    if (!c.raomEnabled && checkRaomEnable->isChecked()) checkRaomEnable->setChecked(false);
    joystickChanged = c.joystickDialogChanged;
    // What was written is now the stored state of every path edit.
    for (QLineEdit* e : findChildren<QLineEdit*>())
        if (e->property("userSet").isValid()) e->setProperty("userSet", false);
}

ModuleSelection TFormSettings::ModuleControls() const {
    ModuleSelection m;
    m.romModuleInserted = checkInsertRm->isChecked();
    m.raomEnabled = checkRaomEnable->isChecked();
    m.raomVersion = cbRaomVer->currentIndex() < 0 ? 0 : cbRaomVer->currentIndex();
    const PathEdit raom = ReadPath(editRaom);
    m.raomImage = raom.Written(ReadElementText(FindChildElement(ConfigSection("Storages"), "RaomModule")));
    pugi::xml_node packages = ConfigSection("RomPackages");
    const PackageList list = ListPackages(packages);
    if (m.romModuleInserted && cbPkg->currentIndex() >= 0)
        m.romModuleFiles = BuildRomFileList(PackageAt(packages, list, FindPackage(list.names, S(cbPkg->currentText()))));
    if (m.raomEnabled && cbRaomPkg->currentIndex() >= 0)
        m.raomFiles = BuildRomFileList(PackageAt(packages, list, FindPackage(list.names, S(cbRaomPkg->currentText()))));
    return m;
}
