#pragma once
// Names the files of TFormDebugger share.
#include <QLabel>
#include <QObject>
#include <QString>

#include <string>

namespace dbgwin::formdebugger {

inline constexpr const char* kSection = "FormDebugger";
inline constexpr const char* kSourceNames[7] = {"(MEM", "(AF", "(BC", "(DE", "(HL", "(PC", "(SP"};
inline constexpr int kStepCopy = 980, kStepFill = 990;

// A label of the window's views; tag tells which value or line it shows.
class TaggedLabel : public QLabel {
public:
    TaggedLabel(QWidget* parent, int t) : QLabel(parent), tag(t) {}
    const int tag;
};

inline int TagOf(const QObject* o) {
    auto* l = dynamic_cast<const TaggedLabel*>(o);
    return l ? l->tag : 0;
}
inline QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace dbgwin::formdebugger
