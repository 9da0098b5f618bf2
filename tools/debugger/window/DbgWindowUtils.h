#pragma once
// Small helpers shared by the debugger windows.
#include <QString>

#include <functional>
#include <string>

namespace dbgwin {

// The language file's text of section/key, or fallback when it has none.
QString Text(const char* section, const char* key, const char* fallback);
// Information and warning boxes; tests replace them.
using BoxHook = std::function<void(const QString& title, const QString& text, bool warning)>;
void SetBoxHook(BoxHook hook);
void ShowBox(const QString& title, const QString& text, bool warning);
// System beep.
void Beep();

}  // namespace dbgwin
