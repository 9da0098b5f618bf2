#pragma once
// The pictures of the main window's status panel, drawn by the program:
// the model picture (48 x 16) and the 16 x 16 LED, disk, tape and sound icons.
#include <QPixmap>

namespace StatusPictures {

constexpr int kModelWidth = 48;
constexpr int kModelHeight = 16;
constexpr int kIconSize = 16;

// Image lists.
enum Kind { Led, DiskTape };

// Icon indexes of the disk/tape list: 0 nothing, disk activity from 1 on,
// tape 10 playing and 11 capturing, 12/13 WAV recording, 14/16 action
// recording, 14/15 action playback.
enum : int {
    kTapePlaying = 10,
    kTapeCapturing = 11,
    kWaveRecording = 12,
    kWaveRecordingOff = 13,
    kAction = 14,
    kActionPlaying = 15,
    kActionRecording = 16,
};

// The picture of model 0..7 (blank outside).
QPixmap ModelPicture(int model);
// LED index 0 dark, 1 yellow, 2 red, 4 blue; a disk/tape icon index.
QPixmap Icon(Kind kind, int index);

}  // namespace StatusPictures
