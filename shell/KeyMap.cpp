#include "shell/KeyMap.h"

#include <QKeyEvent>

#include "machine/pio/KeyEventQueue.h"
#include "platform/KeyState.h"

namespace {
constexpr int VK_SNAPSHOT = 0x2C;
constexpr int VK_LWIN = 0x5B;
constexpr int VK_RWIN = 0x5C;
constexpr int VK_APPS = 0x5D;
constexpr int VK_OEM_102 = 0xE2;

// Indexed by evdev key code.
int EvdevToVk(unsigned code) {
    static const int digits[10] = {'1', '2', '3', '4', '5', '6', '7', '8', '9', '0'};
    if (code >= 2 && code <= 11) return digits[code - 2];
    static const char row1[] = "QWERTYUIOP";  // 16..25
    if (code >= 16 && code <= 25) return row1[code - 16];
    static const char row2[] = "ASDFGHJKL";  // 30..38
    if (code >= 30 && code <= 38) return row2[code - 30];
    static const char row3[] = "ZXCVBNM";  // 44..50
    if (code >= 44 && code <= 50) return row3[code - 44];
    if (code >= 59 && code <= 68) return VK_F1 + static_cast<int>(code - 59);
    switch (code) {
        case 1: return VK_ESCAPE;
        case 12: return VK_OEM_MINUS;
        case 13: return VK_OEM_PLUS;
        case 14: return VK_BACK;
        case 15: return VK_TAB;
        case 26: return VK_OEM_4;
        case 27: return VK_OEM_6;
        case 28: return VK_RETURN;
        case 29: return VK_LCONTROL;
        case 39: return VK_OEM_1;
        case 40: return VK_OEM_7;
        case 41: return VK_OEM_3;
        case 42: return VK_LSHIFT;
        case 43: return VK_OEM_5;
        case 51: return VK_OEM_COMMA;
        case 52: return VK_OEM_PERIOD;
        case 53: return VK_OEM_2;
        case 54: return VK_RSHIFT;
        case 55: return VK_MULTIPLY;
        case 56: return VK_LMENU;
        case 57: return VK_SPACE;
        case 58: return VK_CAPITAL;
        case 69: return VK_NUMLOCK;
        case 70: return VK_SCROLL;
        case 71: return VK_NUMPAD7;
        case 72: return VK_NUMPAD8;
        case 73: return VK_NUMPAD9;
        case 74: return VK_SUBTRACT;
        case 75: return VK_NUMPAD4;
        case 76: return VK_NUMPAD5;
        case 77: return VK_NUMPAD6;
        case 78: return VK_ADD;
        case 79: return VK_NUMPAD1;
        case 80: return VK_NUMPAD2;
        case 81: return VK_NUMPAD3;
        case 82: return VK_NUMPAD0;
        case 83: return VK_DECIMAL;
        case 86: return VK_OEM_102;
        case 87: return VK_F11;
        case 88: return VK_F12;
        case 96: return VK_RETURN;  // keypad Enter
        case 97: return VK_RCONTROL;
        case 98: return VK_DIVIDE;
        case 99: return VK_SNAPSHOT;
        case 100: return VK_RMENU;
        case 102: return VK_HOME;
        case 103: return VK_UP;
        case 104: return VK_PRIOR;
        case 105: return VK_LEFT;
        case 106: return VK_RIGHT;
        case 107: return VK_END;
        case 108: return VK_DOWN;
        case 109: return VK_NEXT;
        case 110: return VK_INSERT;
        case 111: return VK_DELETE;
        case 119: return VK_PAUSE;
        case 125: return VK_LWIN;
        case 126: return VK_RWIN;
        case 127: return VK_APPS;
        default: return 0;
    }
}
}  // namespace

int VirtualKeyOfScanCode(unsigned scanCode) {
    if (scanCode < 8) return 0;
    return EvdevToVk(scanCode - 8);
}

int VirtualKeyOfQtKey(int key, bool keypad) {
    if (keypad) {
        if (key >= Qt::Key_0 && key <= Qt::Key_9) return VK_NUMPAD0 + (key - Qt::Key_0);
        switch (key) {
            case Qt::Key_Asterisk: return VK_MULTIPLY;
            case Qt::Key_Plus: return VK_ADD;
            case Qt::Key_Minus: return VK_SUBTRACT;
            case Qt::Key_Period:
            case Qt::Key_Comma: return VK_DECIMAL;
            case Qt::Key_Slash: return VK_DIVIDE;
            case Qt::Key_Enter: return VK_RETURN;
            default: break;
        }
    }
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return 'A' + (key - Qt::Key_A);
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return '0' + (key - Qt::Key_0);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12) return VK_F1 + (key - Qt::Key_F1);
    switch (key) {
        case Qt::Key_Escape: return VK_ESCAPE;
        case Qt::Key_Tab:
        case Qt::Key_Backtab: return VK_TAB;
        case Qt::Key_Backspace: return VK_BACK;
        case Qt::Key_Return:
        case Qt::Key_Enter: return VK_RETURN;
        case Qt::Key_Shift: return VK_LSHIFT;
        case Qt::Key_Control: return VK_LCONTROL;
        case Qt::Key_Alt: return VK_LMENU;
        case Qt::Key_AltGr: return VK_RMENU;
        case Qt::Key_Space: return VK_SPACE;
        case Qt::Key_Left: return VK_LEFT;
        case Qt::Key_Right: return VK_RIGHT;
        case Qt::Key_Up: return VK_UP;
        case Qt::Key_Down: return VK_DOWN;
        case Qt::Key_Home: return VK_HOME;
        case Qt::Key_End: return VK_END;
        case Qt::Key_PageUp: return VK_PRIOR;
        case Qt::Key_PageDown: return VK_NEXT;
        case Qt::Key_Insert: return VK_INSERT;
        case Qt::Key_Delete: return VK_DELETE;
        case Qt::Key_Pause:
        case Qt::Key_Cancel: return VK_PAUSE;  // Ctrl+Pause is Break
        case Qt::Key_CapsLock: return VK_CAPITAL;
        case Qt::Key_NumLock: return VK_NUMLOCK;
        case Qt::Key_ScrollLock: return VK_SCROLL;
        case Qt::Key_Minus:
        case Qt::Key_Underscore: return VK_OEM_MINUS;
        case Qt::Key_Equal:
        case Qt::Key_Plus: return VK_OEM_PLUS;
        case Qt::Key_Comma:
        case Qt::Key_Less: return VK_OEM_COMMA;
        case Qt::Key_Period:
        case Qt::Key_Greater: return VK_OEM_PERIOD;
        case Qt::Key_Slash:
        case Qt::Key_Question: return VK_OEM_2;
        case Qt::Key_Semicolon:
        case Qt::Key_Colon: return VK_OEM_1;
        case Qt::Key_Apostrophe:
        case Qt::Key_QuoteDbl: return VK_OEM_7;
        case Qt::Key_BracketLeft:
        case Qt::Key_BraceLeft: return VK_OEM_4;
        case Qt::Key_BracketRight:
        case Qt::Key_BraceRight: return VK_OEM_6;
        case Qt::Key_Backslash:
        case Qt::Key_Bar: return VK_OEM_5;
        case Qt::Key_QuoteLeft:
        case Qt::Key_AsciiTilde: return VK_OEM_3;
        case Qt::Key_Asterisk: return VK_MULTIPLY;
        default: return 0;
    }
}

int VirtualKeyOf(const QKeyEvent* event) {
    if (!event) return 0;
    if (int vk = VirtualKeyOfScanCode(event->nativeScanCode())) return vk;
    return VirtualKeyOfQtKey(event->key(), (event->modifiers() & Qt::KeypadModifier) != 0);
}

bool UpdateKeyState(KeyEventQueue& queue, const QKeyEvent* event) {
    if (!event) return false;
    const bool down = event->type() == QEvent::KeyPress;
    if (!down && event->type() != QEvent::KeyRelease) return false;
    const int vk = VirtualKeyOf(event);
    if (vk == 0) return false;
    if (!down && event->isAutoRepeat()) return true;
    queue.Post(vk, down);
    return true;
}
