#include "tools/debugger/window/DbgWindowUtils.h"

#include <QApplication>
#include <QMessageBox>

#include "common/Lang.h"

namespace dbgwin {

namespace {
BoxHook& Hook() {
    static BoxHook hook;
    return hook;
}
}  // namespace

QString Text(const char* section, const char* key, const char* fallback) {
    const std::string t = LangText(section, key);
    return t.empty() ? QString::fromUtf8(fallback) : QString::fromStdString(t);
}

void SetBoxHook(BoxHook hook) { Hook() = std::move(hook); }

void ShowBox(const QString& title, const QString& text, bool warning) {
    if (Hook()) {
        Hook()(title, text, warning);
        return;
    }
    if (warning)
        QMessageBox::warning(QApplication::activeWindow(), title, text);
    else
        QMessageBox::information(QApplication::activeWindow(), title, text);
}

void Beep() { QApplication::beep(); }

}  // namespace dbgwin
