#pragma once
// The pictures of the Help windows, drawn by the program itself.

#include <QImage>

// The about box's background (320 x 206) and its hidden second picture.
QImage DrawAboutBackground();
QImage DrawAboutHidden();
// The host keyboard with the emulated key each host key gives (820 x 262).
QImage DrawKeyboardPicture();
