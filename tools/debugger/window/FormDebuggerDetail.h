#pragma once
// Names the files of TFormDebugger share.
#include <QObject>
#include <QString>
#include <QVariant>

#include <string>

namespace dbgwin::formdebugger {

inline constexpr const char* kSection = "FormDebugger";
inline constexpr const char* kSourceNames[7] = {"(MEM", "(AF", "(BC", "(DE", "(HL", "(PC", "(SP"};
inline constexpr int kStepCopy = 980, kStepFill = 990;

inline int TagOf(const QObject* o) { return o->property("tag").toInt(); }
inline QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace dbgwin::formdebugger
