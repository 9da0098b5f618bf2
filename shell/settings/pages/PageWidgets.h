#pragma once
// Small builders and bindings shared by the settings pages.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QRadioButton>
#include <QString>
#include <QToolButton>

#include <initializer_list>
#include <string>
#include <vector>

#include "shell/settings/logic/SettingsWriter.h"
#include "ui/ControlPictures.h"
#include "ui/LangWindows.h"

namespace setpage {

inline const char* const kSection = "FormSettings";

inline QString U(const char* text) { return QString::fromUtf8(text); }
inline QString Q(const std::string& text) { return QString::fromStdString(text); }
inline std::string S(const QString& text) { return text.toStdString(); }

// A colour's sample: a framed square of it.
QPixmap Swatch(const QColor& color, int w, int h);
QColor TableColor(int n);
QString Text(const char* key);

QLabel* Label(QWidget* parent, const char* name, const char* text);
QCheckBox* Check(QWidget* parent, const char* name, const char* text, const char* hint = nullptr);
QRadioButton* Radio(QWidget* parent, const char* name, const char* text, const char* hint = nullptr);
QComboBox* Combo(QWidget* parent, const char* name, std::initializer_list<const char*> items);
QToolButton* SpeedButton(QWidget* parent, const char* name, const char* hint, ControlPictures::Command picture);
// A read-only path edit. userSet: the path shown was put there in this dialog
// and is not yet written to the configuration.
class PathLineEdit : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;
    bool userSet = false;
};
PathLineEdit* PathLine(QWidget* parent, const char* name);
QGroupBox* Group(QWidget* parent, const char* name, const char* title);
// A label whose text the program sets.
QLabel* DynamicLabel(QWidget* parent, const char* name, const char* text);

bool SameNoCase(const std::string& a, const std::string& b);

// Path edits: the text shown and whether the user put it there.
void SetPath(PathLineEdit* edit, const std::string& shown, bool userSet);
PathEdit ReadPath(const PathLineEdit* edit);

// Fills combo with the package names of the document and picks wanted.
void FillPackageCombo(QComboBox* combo, const std::string& wanted);

// A check box bound to a configuration value: the loader reads the
// attribute (path is "Section" or "Section/Element"), OK reads the box.
struct BoolBinding {
    QCheckBox* box;
    bool SettingsControls::*value;
    const char* path;
    const char* attribute;
    bool byDefault;
};
void LoadBindings(const std::vector<BoolBinding>& table);
void ReadBindings(const std::vector<BoolBinding>& table, SettingsControls& c);

}  // namespace setpage
