#include "shell/settings/pages/PageWidgets.h"

#include <QPainter>

#include "common/Config.h"
#include "common/Lang.h"
#include "shell/settings/logic/RomPackages.h"

namespace setpage {

QPixmap Swatch(const QColor& color, int w, int h) {
    QPixmap p(w, h);
    p.fill(Qt::transparent);
    QPainter g(&p);
    g.setPen(Qt::black);
    g.setBrush(color);
    g.drawRect(0, 0, w - 1, h - 1);
    return p;
}

QColor TableColor(int n) {
    static const int rgb[16][3] = {{0, 0, 0},     {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                                   {0, 0, 128},   {128, 0, 128}, {0, 128, 128}, {128, 128, 128},
                                   {192, 192, 192}, {255, 0, 0}, {0, 255, 0},   {255, 255, 0},
                                   {0, 0, 255},   {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
    n = (n >= 0 && n < 16) ? n : 15;
    return QColor(rgb[n][0], rgb[n][1], rgb[n][2]);
}

QString Text(const char* key) { return Q(LangText(kSection, key)); }

QLabel* Label(QWidget* parent, const char* name, const char* text) {
    return Named(new QLabel(U(text), parent), name);
}
QCheckBox* Check(QWidget* parent, const char* name, const char* text, const char* hint) {
    auto* c = Named(new QCheckBox(U(text), parent), name);
    if (hint) c->setToolTip(U(hint));
    return c;
}
QRadioButton* Radio(QWidget* parent, const char* name, const char* text, const char* hint) {
    auto* r = Named(new QRadioButton(U(text), parent), name);
    if (hint) r->setToolTip(U(hint));
    return r;
}
QComboBox* Combo(QWidget* parent, const char* name, std::initializer_list<const char*> items) {
    auto* c = Named(new QComboBox(parent), name);
    for (const char* i : items) c->addItem(U(i));
    return c;
}
QToolButton* SpeedButton(QWidget* parent, const char* name, const char* hint, ControlPictures::Command picture) {
    auto* b = Named(new QToolButton(parent), name);
    b->setToolTip(U(hint));
    b->setText(QString());
    b->setIcon(ControlPictures::CommandIcon(picture));
    b->setAutoRaise(true);
    return b;
}
PathLineEdit* PathLine(QWidget* parent, const char* name) {
    auto* e = Named(new PathLineEdit(QString::fromLatin1(kNoFile), parent), name);
    e->setReadOnly(true);
    e->setProperty("dynamicText", true);
    return e;
}
QGroupBox* Group(QWidget* parent, const char* name, const char* title) {
    return Named(new QGroupBox(U(title), parent), name);
}
QLabel* DynamicLabel(QWidget* parent, const char* name, const char* text) {
    QLabel* l = Label(parent, name, text);
    l->setProperty("dynamicText", true);
    return l;
}

bool SameNoCase(const std::string& a, const std::string& b) {
    return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) == 0;
}

void SetPath(PathLineEdit* edit, const std::string& shown, bool userSet) {
    edit->setText(Q(shown.empty() ? std::string(kNoFile) : shown));
    edit->userSet = userSet;
}

PathEdit ReadPath(const PathLineEdit* edit) {
    PathEdit p;
    p.text = S(edit->text());
    if (p.text.empty()) p.text = kNoFile;
    p.userSet = edit->userSet;
    return p;
}

void FillPackageCombo(QComboBox* combo, const std::string& wanted) {
    const PackageList list = ListPackages(ConfigSection("RomPackages"));
    combo->clear();
    for (const std::string& n : list.names) combo->addItem(Q(n));
    combo->setCurrentIndex(FindPackage(list.names, wanted));
    if (combo->isEditable() && combo->currentIndex() < 0) combo->setEditText(QString());
}

namespace {
pugi::xml_node BoundNode(const char* path) {
    const std::string p = path;
    const size_t slash = p.find('/');
    if (slash == std::string::npos) return ConfigSection(p.c_str());
    return FindChildElement(ConfigSection(p.substr(0, slash).c_str()), p.substr(slash + 1).c_str());
}
}  // namespace

void LoadBindings(const std::vector<BoolBinding>& table) {
    for (const BoolBinding& b : table) b.box->setChecked(ReadAttrBool(BoundNode(b.path), b.attribute, b.byDefault));
}

void ReadBindings(const std::vector<BoolBinding>& table, SettingsControls& c) {
    for (const BoolBinding& b : table) c.*b.value = b.box->isChecked();
}

}  // namespace setpage
