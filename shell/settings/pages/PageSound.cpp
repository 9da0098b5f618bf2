#include "shell/settings/pages/PageSound.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QSlider>
#include <QVBoxLayout>

#include "common/Config.h"
#include "machine/sound/SoundDevices.h"
#include "shell/settings/logic/Pages.h"
#include "shell/settings/pages/PageWidgets.h"

using namespace setpage;

namespace {
bool SoundHostApiPresent(int type) {
    for (const SoundHostApiEntry& api : SoundHostApis())
        if (api.type == type) return true;
    return false;
}
}  // namespace

TPageSound::TPageSound(TFormSettings& dialog)
    : TSettingsPage(dialog, "TabSound", "Zvuk", "Nastavenie zvukového výstupu emulátora...") {
    auto* col = new QVBoxLayout(this);
    QGroupBox* gbOut = Group(this, "GbOutType", "Typ výstupu ");
    auto* out = new QHBoxLayout(gbOut);
    // The two host APIs of this system: ALSA and JACK.
    radioWO = Radio(gbOut, "RadioWO", "ALSA");
    radioDS = Radio(gbOut, "RadioDS", "JACK");
    for (QRadioButton* r : {radioWO, radioDS})
        connect(r, &QRadioButton::toggled, this, [this](bool on) {
            if (on && !loading) OutTypeClick();
        });
    out->addWidget(radioWO);
    out->addWidget(radioDS);
    col->addWidget(gbOut);
    col->addWidget(Label(this, "LblAudioDevice", "Zvukové zariadenie:"));
    cbAudioDevice = Named(new QComboBox(this), "CbAudioDevice");
    cbAudioDevice->setProperty("dynamicItems", true);
    col->addWidget(cbAudioDevice);
    lblNoAudioDevice = Label(this, "LblNoAudioDevice",
                             "Pre tento typ výstupu sa nenašlo žiadne zvukové zariadenie: emulátor beží bez zvuku.");
    lblNoAudioDevice->setWordWrap(true);
    lblNoAudioDevice->hide();
    col->addWidget(lblNoAudioDevice);
    QGroupBox* gbVol = Group(this, "GbVolume", "Hlasitosť:");
    auto* grid = new QGridLayout(gbVol);
    checkMute = Check(gbVol, "CheckMute", "Stlmiť");
    connect(checkMute, &QCheckBox::toggled, this, [this] { CheckMuteClick(); });
    grid->addWidget(checkMute, 0, 0, 1, 2);
    auto track = [gbVol, grid](const char* lblName, const char* lblText, const char* name, int row) {
        QLabel* l = Label(gbVol, lblName, lblText);
        auto* t = Named(new QSlider(Qt::Horizontal, gbVol), name);
        t->setRange(0, 100);
        t->setPageStep(10);
        t->setProperty("dynamicText", true);
        QObject::connect(t, &QSlider::valueChanged, t, [t](int v) { t->setToolTip(QString::asprintf("%i", v)); });
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
    col->addWidget(Label(this, "LblMusicIF", "Zvukový interface:"));
    cbMusicIF = Combo(this, "CbMusicIF", {"Žiadny", "Musica (značne zaťažuje CPU!)", "MIF 85"});
    connect(cbMusicIF, qOverload<int>(&QComboBox::currentIndexChanged), this, [this] { CheckMuteClick(); });
    col->addWidget(cbMusicIF);
    col->addStretch(1);
}

void TPageSound::Load() {
    pugi::xml_node s = ConfigSection("Sound");
    const bool ds = AttrEquals(s, "out-type", "dsound"), wo = AttrEquals(s, "out-type", "waveout");
    deviceTag = ReadAttrInt(s, "device-index", -1);
    loading = true;
    radioWO->setAutoExclusive(false);
    radioDS->setAutoExclusive(false);
    radioWO->setChecked(false);
    radioDS->setChecked(false);
    radioWO->setAutoExclusive(true);
    radioDS->setAutoExclusive(true);
    if (ds) radioDS->setChecked(true);
    if (wo) radioWO->setChecked(true);
    loading = false;
    listed = false;
    if (deviceTag != kSoundDeviceNone || isVisible()) {
        ListDevices();
        if (cbAudioDevice->currentIndex() >= 0) {
            const int chosen = cbAudioDevice->currentData().toInt();
            if (chosen != deviceTag && deviceTag != kSoundDeviceNone) WriteAttrInt(s, "device-index", chosen);
        } else if (deviceTag == -1) {
            // Nothing to choose: later starts leave the sound library alone.
            WriteAttrInt(s, "device-index", kSoundDeviceNone);
        }
    } else {
        // No device was found before: the list is read when the page is shown,
        // which starts the sound library only then.
        cbAudioDevice->clear();
        lblNoAudioDevice->hide();
        radioDS->setEnabled(ds);
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

void TPageSound::ListDevices() {
    listed = true;
    // The second host API only where it is present (or already chosen).
    radioDS->setEnabled(radioDS->isChecked() || SoundHostApiPresent(SoundHostApiType(true)));
    OutTypeClick();
}

void TPageSound::showEvent(QShowEvent* event) {
    TSettingsPage::showEvent(event);
    if (!listed) ListDevices();  // a choice made here is written by OK
}

void TPageSound::OutTypeClick() {
    listed = true;
    const int type = SoundHostApiType(radioDS->isChecked());
    std::vector<SoundDeviceEntry> devices = SoundDevicesOfHostApi(type);
    const SoundDeviceChoice choice = ChooseSoundDevice(devices, deviceTag, SoundDefaultOutputDevice(type));
    cbAudioDevice->clear();
    for (const SoundDeviceItem& item : choice.items) cbAudioDevice->addItem(Q(item.name), item.number);
    cbAudioDevice->setCurrentIndex(choice.selected);
    lblNoAudioDevice->setVisible(cbAudioDevice->count() == 0);
}

void TPageSound::CheckMuteClick() {
    const bool on = !checkMute->isChecked();
    trackSpeaker->setEnabled(on);
    trackTape->setEnabled(on);
    const bool sif = on && cbMusicIF->currentIndex() > 0;
    trackMusicIF->setEnabled(sif);
    lblVolumeMusicIF->setEnabled(sif);
}

void TPageSound::SetMute(bool mute) {
    checkMute->setChecked(mute);
    CheckMuteClick();
}

bool TPageSound::Muted() const { return checkMute->isChecked(); }

void TPageSound::ClearSoundInterface() {
    if (cbMusicIF->currentIndex() != 0) touched = true;
    cbMusicIF->setCurrentIndex(0);
}

void TPageSound::Read(SettingsControls& c) const {
    c.directSound = radioDS->isChecked();
    if (cbAudioDevice->currentIndex() >= 0) c.deviceNumber = cbAudioDevice->currentData().toInt();
    c.volumeSpeaker = trackSpeaker->value();
    c.volumeTape = trackTape->value();
    c.volumeSoundIf = trackMusicIF->value();
    c.mute = checkMute->isChecked();
    c.soundIf = cbMusicIF->currentIndex() < 0 ? 0 : cbMusicIF->currentIndex();
}
