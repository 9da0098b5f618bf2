#pragma once
// The pictures of the Help windows, drawn by the program itself.

#include <QImage>

// The about box's background (320 x 206) and its hidden second picture.
QImage DrawAboutBackground();
QImage DrawAboutHidden();
// The host keyboard with the emulated key each host key gives (820 x 262).
// changeZy: the keyboard setting that exchanges Y and Z; off, the host's Y
// key (at the PMD 85's Z) gives Z and the host's Z key gives Y.
QImage DrawKeyboardPicture(bool changeZy = false);
// The emulated key the picture names for the host key with that legend
// ("" when the picture has no such key).
QString KeyboardPictureLegend(const QString& hostKey, bool changeZy);
