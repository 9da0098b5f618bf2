#include "shell/settings/pages/PageGeneral.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

#include "common/Config.h"
#include "common/Lang.h"
#include "common/Paths.h"
#include "ui/LangWindows.h"
#include "shell/settings/FormSettings.h"
#include "shell/settings/logic/Pages.h"

using namespace setpage;

TPageGeneral::TPageGeneral(TFormSettings& dialog)
    : TSettingsPage(dialog, "TabGeneral", "Všeobecné", "Všeobecné nastavenia") {
    auto* col = new QVBoxLayout(this);
    QGroupBox* gbLang = Group(this, "GbLang", "Jazyk");
    auto* lang = new QHBoxLayout(gbLang);
    auto* imgLang = Named(new QLabel(gbLang), "ImgLang");
    imgLang->setPixmap(ControlPictures::SubjectPicture(ControlPictures::Subject::Language, 32));
    lang->addWidget(imgLang);
    lblLang = Label(gbLang, "LblLang", "Zvoľte jazyk:");
    lang->addWidget(lblLang);
    cbeLang = Named(new QComboBox(gbLang), "CbeLang");
    cbeLang->setToolTip(U("Zmena jazyka sa vykoná okamžite"));
    cbeLang->setProperty("dynamicItems", true);
    connect(cbeLang, qOverload<int>(&QComboBox::activated), this, [this](int i) { CbeLangChange(i); });
    lang->addWidget(cbeLang, 1);
    col->addWidget(gbLang);

    QGroupBox* gbReg = Group(this, "GbRegtype", "Registrované typy");
    auto* reg = new QGridLayout(gbReg);
    auto* imgReg = Named(new QLabel(gbReg), "ImgRegtype");
    imgReg->setPixmap(ControlPictures::SubjectPicture(ControlPictures::Subject::FileTypes, 32));
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

    checkHintDbg = Check(this, "CheckHintDbg", "Zobrazovať nápovedu v debuggeri");
    checkShowPlaceBar = Check(this, "CheckShowPlaceBar", "Zobrazovať panel miest v dialógoch súborov");
    checkInfoFS = Check(this, "CheckInfoFS", "Zobrazovať info pred zobrazením na celú obrazovku");
    col->addWidget(checkHintDbg);
    col->addWidget(checkShowPlaceBar);
    col->addWidget(checkInfoFS);
    col->addStretch(1);
    bindings = {
        {checkHintDbg, &SettingsControls::hintInDebugger, "General", "show-hint-in-debugger", false},
        {checkShowPlaceBar, &SettingsControls::showPlaceBar, "General", "show-place-bar-on-file-dialog", true},
        {checkInfoFS, &SettingsControls::infoOnFullScreen, "General", "show-info-on-enter-full-screen", true},
    };
}

void TPageGeneral::Load() {
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

    std::unique_ptr<AssociationStore> store = dlg.AssociationStoreNow();
    ReadAssociations(*store, assoc);
    for (int i = 0; i < 4; ++i) checkRegtype[i]->setChecked(assoc.checked[i]);
    LoadBindings(bindings);
}

bool TPageGeneral::HasLanguages() const { return cbeLang->count() > 0; }

void TPageGeneral::Read(SettingsControls& c) const { ReadBindings(bindings, c); }

void TPageGeneral::CbeLangChange(int index) {
    if (index < 0 || index >= static_cast<int>(languageBases.size())) return;
    // The real base name, so that "en.old" stays "en.old".
    const std::string name = languageBases[index];
    LoadLanguage(name);
    dlg.ShowPageHeader();
    WriteAttrString(ConfigSection("General"), "language", name);
}

void TPageGeneral::BtnRegtypeUpdateClick() {
    for (int i = 0; i < 4; ++i) assoc.checked[i] = checkRegtype[i]->isChecked();
    std::unique_ptr<AssociationStore> store = dlg.AssociationStoreNow();
    UpdateAssociations(*store, assoc, S(QCoreApplication::applicationFilePath()));
}
