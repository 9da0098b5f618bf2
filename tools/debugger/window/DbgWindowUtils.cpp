#include "tools/debugger/window/DbgWindowUtils.h"

#include <QApplication>

#include "common/Lang.h"

namespace dbgwin {

QString Text(const char* section, const char* key, const char* fallback) {
    const std::string t = LangText(section, key);
    return t.empty() ? QString::fromUtf8(fallback) : QString::fromStdString(t);
}

void Beep() { QApplication::beep(); }

}  // namespace dbgwin
