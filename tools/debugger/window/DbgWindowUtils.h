#pragma once
// Small helpers shared by the debugger windows.
#include <QChar>
#include <QString>

#include <string>

class QKeyEvent;
class QLineEdit;

namespace dbgwin {

// The language file's text of section/key, or fallback when it has none.
QString Text(const char* section, const char* key, const char* fallback);
// System beep.
void Beep();
// Beeps given since the program started (the tests count them).
int BeepCount();

// Typing over a field of fixed length, as a mask edit does. The places that
// take characters are the positions first, first + step, ...; a printable
// key replaces the character at the caret's place (or the next place) and
// selects the place after it, Backspace and Delete put blank at the place
// before or at the caret, a key past the last place is dropped, and so are
// cut, paste, undo and the word deletions, which would change the length. True
// when the key was handled here (other keys are left to the field).
bool TypeOverKey(QLineEdit* edit, QKeyEvent* key, int step, int first, QChar blank);
// After a click: the caret on the place (caret div step) * step + first, that
// one character selected.
void SelectPlaceAtCaret(QLineEdit* edit, int step, int first);

}  // namespace dbgwin
