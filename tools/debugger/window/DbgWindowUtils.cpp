#include "tools/debugger/window/DbgWindowUtils.h"

#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>

#include <atomic>

#include "common/Lang.h"

namespace dbgwin {

QString Text(const char* section, const char* key, const char* fallback) {
    const std::string t = LangText(section, key);
    return t.empty() ? QString::fromUtf8(fallback) : QString::fromStdString(t);
}

namespace {
std::atomic<int> beeps{0};
}  // namespace

void Beep() {
    beeps.fetch_add(1);
    QApplication::beep();
}

int BeepCount() { return beeps.load(); }

bool TypeOverKey(QLineEdit* edit, QKeyEvent* key, int step, int first, QChar blank) {
    const int len = static_cast<int>(edit->text().size());
    const int at = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
    // The first place at or after p.
    auto placeFrom = [step, first](int p) {
        if (p < first) return first;
        const int r = (p - first) % step;
        return r ? p + step - r : p;
    };
    auto put = [edit](int p, QChar c) {
        edit->setSelection(p, 1);
        edit->insert(QString(c));
    };
    if (key->key() == Qt::Key_Backspace) {
        if (at > first) {
            const int p = first + ((at - 1 - first) / step) * step;
            put(p, blank);
            edit->setSelection(p, 1);
        }
        return true;
    }
    if (key->key() == Qt::Key_Delete) {
        const int p = placeFrom(at);
        if (p < len) {
            put(p, blank);
            edit->setSelection(p, 1);
        }
        return true;
    }
    // Edits that would change the field's length are not typing over.
    for (QKeySequence::StandardKey k : {QKeySequence::Cut, QKeySequence::Paste, QKeySequence::Undo, QKeySequence::Redo,
                                        QKeySequence::DeleteStartOfWord, QKeySequence::DeleteEndOfWord,
                                        QKeySequence::DeleteEndOfLine, QKeySequence::DeleteCompleteLine})
        if (key->matches(k)) return true;
    const QString t = key->text();
    if (t.size() != 1 || t[0].unicode() < 32 || t[0].unicode() == 127 ||
        (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return false;
    const int p = placeFrom(at);
    if (p >= len) return true;
    put(p, t[0]);
    const int next = placeFrom(p + 1);
    if (next < len)
        edit->setSelection(next, 1);
    else
        edit->setCursorPosition(len);
    return true;
}

void SelectPlaceAtCaret(QLineEdit* edit, int step, int first) {
    const int len = static_cast<int>(edit->text().size());
    const int p = (edit->cursorPosition() / step) * step + first;
    if (p < len) edit->setSelection(p, 1);
}

}  // namespace dbgwin
