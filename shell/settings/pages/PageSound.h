#pragma once
// Sound: host API, output device, volumes, mute and the sound interface.
#include "shell/settings/pages/SettingsPage.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QRadioButton;
class QSlider;

class TPageSound : public TSettingsPage {
    Q_OBJECT
public:
    explicit TPageSound(TFormSettings& dialog);
    void Load() override;
    void Read(SettingsControls& c) const override;

    void SetMute(bool mute);
    bool Muted() const;
    // Models without a sound interface.
    void ClearSoundInterface();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Fills the device list (which starts the sound library).
    void ListDevices();
    void OutTypeClick();
    void CheckMuteClick();

    int deviceTag = -1;
    bool loading = false;  // the radio buttons are being set from the document
    bool listed = false;   // the device list was read since the last Load
    QLabel* lblNoAudioDevice = nullptr;
    QRadioButton* radioWO = nullptr;
    QRadioButton* radioDS = nullptr;
    QComboBox* cbAudioDevice = nullptr;
    QCheckBox* checkMute = nullptr;
    QSlider* trackSpeaker = nullptr;
    QSlider* trackTape = nullptr;
    QSlider* trackMusicIF = nullptr;
    QLabel* lblVolumeMusicIF = nullptr;
    QComboBox* cbMusicIF = nullptr;
};
