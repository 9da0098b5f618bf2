#pragma once
// Placing a top-level window so that its whole frame, title bar included,
// lies on the screen's available area. Before the first showing the frame is
// not known and a window manager may take the position for the client
// area's; once the window is framed it is put where it belongs.
#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

// The frame's top-left corner for a frame of that size: the wanted corner
// moved just far enough that the frame fits the area (top and left edges win
// when the frame is larger than the area).
QPoint FitFrame(const QPoint& wanted, const QSize& frame, const QRect& area);

// Moves the window's frame to the wanted corner (desktop coordinates), kept
// on the screen; repeats the move once a window manager has framed the
// window, with the real frame size. Works before and after showing.
void PlaceWindowFrame(QWidget* window, const QPoint& wanted);

// The frame edges of the last framed window placed here (none until then):
// what a window not yet framed is expected to get.
QSize ExpectedFrameExtra();
