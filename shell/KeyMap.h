#pragma once
// Host keys to Windows virtual-key codes for the host key state.
class QKeyEvent;
class KeyEventQueue;

// The virtual-key code of a key event, 0 when it has none. The physical key
// (native scan code, X keycode = evdev code + 8) decides when known, so the
// emulated keyboard follows key positions, not the host layout; otherwise the
// Qt key, with the keypad modifier selecting the numeric-keypad codes.
int VirtualKeyOf(const QKeyEvent* event);
int VirtualKeyOfScanCode(unsigned scanCode);
int VirtualKeyOfQtKey(int key, bool keypad);

// Posts a key press or release to the machine's key-event queue; true when it
// named a key. Auto-repeated releases are ignored (the key stays down).
bool UpdateKeyState(KeyEventQueue& queue, const QKeyEvent* event);
