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

private:
    void OutTypeClick();
    void CheckMuteClick();

    int deviceTag = -1;
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
