#pragma once
// Small helpers shared by the debugger windows.
#include <QString>

#include <string>

namespace dbgwin {

// The language file's text of section/key, or fallback when it has none.
QString Text(const char* section, const char* key, const char* fallback);
// System beep.
void Beep();

}  // namespace dbgwin
