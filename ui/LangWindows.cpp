#include "ui/LangWindows.h"

#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include "common/IniFile.h"
#include "common/Lang.h"
#include "common/TextUtils.h"

namespace {

QObject* FindComponent(QWidget* window, const std::string& name) {
    const QString wanted = QString::fromStdString(name);
    if (wanted.isEmpty()) return nullptr;
    const QList<QObject*> all = window->findChildren<QObject*>();
    for (QObject* o : all)
        if (o->objectName().compare(wanted, Qt::CaseInsensitive) == 0) return o;
    return nullptr;
}

// The tab widget that shows page as one of its tabs, or nullptr.
QTabWidget* TabOf(QWidget* page, int& index) {
    QWidget* stack = page->parentWidget();
    if (!stack || !qobject_cast<QStackedWidget*>(stack)) return nullptr;
    auto* tabs = qobject_cast<QTabWidget*>(stack->parentWidget());
    if (!tabs) return nullptr;
    index = tabs->indexOf(page);
    return index >= 0 ? tabs : nullptr;
}

bool SetCaption(QObject* o, QWidget* window, const QString& text) {
    if (o == window) {
        window->setWindowTitle(text);
        return true;
    }
    if (auto* a = qobject_cast<QAction*>(o)) {
        a->setText(text);
        return true;
    }
    if (auto* m = qobject_cast<QMenu*>(o)) {
        m->setTitle(text);
        return true;
    }
    if (auto* l = qobject_cast<QLabel*>(o)) {
        l->setText(text);
        return true;
    }
    if (auto* b = qobject_cast<QAbstractButton*>(o)) {
        b->setText(text);
        return true;
    }
    if (auto* g = qobject_cast<QGroupBox*>(o)) {
        g->setTitle(text);
        return true;
    }
    if (o->metaObject()->indexOfProperty("caption") >= 0)  // a page with a caption of its own
        return o->setProperty("caption", text);
    if (auto* w = qobject_cast<QWidget*>(o)) {
        int index = -1;
        if (QTabWidget* tabs = TabOf(w, index)) {
            tabs->setTabText(index, text);
            return true;
        }
        w->setWindowTitle(text);
        return true;
    }
    return false;
}

bool SetHint(QObject* o, const QString& text) {
    if (o->metaObject()->indexOfProperty("hint") >= 0)  // a page's description, not a tip
        return o->setProperty("hint", text);
    if (auto* a = qobject_cast<QAction*>(o)) {
        a->setToolTip(text);
        return true;
    }
    // A tool button takes its tip from its action again at every change of it.
    if (auto* b = qobject_cast<QToolButton*>(o); b && b->defaultAction()) {
        b->defaultAction()->setToolTip(text);
        return true;
    }
    if (auto* w = qobject_cast<QWidget*>(o)) {
        w->setToolTip(text);
        return true;
    }
    return false;
}

// The number after prefix in property; false when it is not a whole decimal number.
bool NumberAfter(const std::string& property, size_t prefixLen, int& n) {
    std::string digits = property.substr(prefixLen);
    if (digits.empty() || digits.size() > 9) return false;
    n = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        n = n * 10 + (c - '0');
    }
    return true;
}

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

bool IsCaptionKind(const std::string& kind) {
    static const char* kinds[] = {"form",  "label", "static",   "button",
                                  "check", "radio", "groupBox", "tabSheet"};
    for (const char* k : kinds)
        if (kind == k) return true;
    return false;
}

bool SetColumn(QObject* o, int n, const QString& text) {
    auto* view = qobject_cast<QAbstractItemView*>(o);
    if (!view || !view->model()) return false;
    if (auto* tree = qobject_cast<QTreeWidget*>(o)) {
        if (n < 1 || n > tree->columnCount()) return false;
        tree->headerItem()->setText(n - 1, text);
        return true;
    }
    QAbstractItemModel* m = view->model();
    if (n < 1 || n > m->columnCount()) return false;
    return m->setHeaderData(n - 1, Qt::Horizontal, text);
}

bool SetTreeItem(QObject* o, int n, const QString& text) {
    auto* tree = qobject_cast<QTreeWidget*>(o);
    if (!tree || n < 1) return false;
    int i = 0;
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        if (++i == n) {
            (*it)->setText(0, text);
            return true;
        }
    return false;
}

bool SetComboItem(QObject* o, int n, const QString& text) {
    auto* combo = qobject_cast<QComboBox*>(o);
    if (!combo || n < 1 || n > combo->count()) return false;
    const int keep = combo->currentIndex();
    combo->setItemText(n - 1, text);
    if (combo->currentIndex() != keep) combo->setCurrentIndex(keep);
    return true;
}

}  // namespace

bool ApplyLangKey(QWidget* window, const std::string& key, const std::string& value) {
    const LangKeyParts k = SplitLangKey(key);
    QObject* target = (k.kind == "form") ? window : FindComponent(window, k.component);
    if (!target) return true;  // names no component: skipped

    if (k.property == "Hint") {
        std::string hint = value;
        ConvertLineBreaks(hint);
        SetHint(target, QString::fromStdString(hint));
        return true;
    }
    const QString text = QString::fromStdString(value);
    if (k.property == "Caption") {
        if (IsCaptionKind(k.kind) || k.kind == "menuItem") return SetCaption(target, window, text);
        return true;
    }
    int n = 0;
    if (StartsWith(k.property, "Column") && k.kind == "listView")
        return NumberAfter(k.property, 6, n) && SetColumn(target, n, text);
    if (StartsWith(k.property, "TreeItem") && k.kind == "treeItems")
        return NumberAfter(k.property, 8, n) && SetTreeItem(target, n, text);
    if (StartsWith(k.property, "ComboItem") && k.kind == "comboBox")
        return NumberAfter(k.property, 9, n) && SetComboItem(target, n, text);
    return true;
}

void TranslateWindows(const IniFile& ini, const QList<QWidget*>& windows) {
    for (const IniFile::Section& section : ini.Sections()) {
        QWidget* window = nullptr;
        const QString name = QString::fromStdString(section.name);
        for (QWidget* w : windows)
            if (w && w->objectName().compare(name, Qt::CaseInsensitive) == 0) {
                window = w;
                break;
            }
        if (!window) continue;
        for (const IniFile::Entry& e : section.entries)
            if (!ApplyLangKey(window, e.key, e.value)) break;  // rest of this section dropped
    }
}

void LoadLanguage(const std::string& name, const QList<QWidget*>& windows) {
    OpenLanguageFile(name);
    if (const IniFile* ini = LangIni()) TranslateWindows(*ini, windows);
}

void LoadLanguage(const std::string& name) {
    LoadLanguage(name, QApplication::topLevelWidgets());
}
