#include "shell/settings/pages/SettingsPage.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QComboBox>
#include <QLineEdit>
#include <QTreeWidget>

TSettingsPage::TSettingsPage(TFormSettings& dialog, const char* name, const char* caption_, const char* hint_)
    : dlg(dialog), caption(QString::fromUtf8(caption_)), hint(QString::fromUtf8(hint_)) {
    setObjectName(QLatin1String(name));
}

void TSettingsPage::WatchChanges() {
    auto mark = [this] { touched = true; };
    for (QAbstractButton* b : findChildren<QAbstractButton*>()) connect(b, &QAbstractButton::toggled, this, mark);
    for (QComboBox* c : findChildren<QComboBox*>()) {
        connect(c, &QComboBox::currentIndexChanged, this, mark);
        connect(c, &QComboBox::editTextChanged, this, mark);
    }
    for (QAbstractSlider* s : findChildren<QAbstractSlider*>()) connect(s, &QAbstractSlider::valueChanged, this, mark);
    for (QLineEdit* e : findChildren<QLineEdit*>()) connect(e, &QLineEdit::textChanged, this, mark);
    for (QTreeWidget* t : findChildren<QTreeWidget*>()) connect(t->model(), &QAbstractItemModel::rowsRemoved, this, mark);
    for (QTreeWidget* t : findChildren<QTreeWidget*>()) connect(t->model(), &QAbstractItemModel::rowsInserted, this, mark);
}
