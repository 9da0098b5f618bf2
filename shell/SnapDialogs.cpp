#include "shell/SnapDialogs.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGridLayout>

namespace {

void Prepare(QFileDialog* d, bool showPlacesBar) {
    d->setOption(QFileDialog::DontUseNativeDialog, true);
    d->setModal(true);
    d->setSizeGripEnabled(true);
    d->setOption(QFileDialog::ReadOnly, false);
    if (auto* side = d->findChild<QWidget*>(QStringLiteral("sidebar"))) side->setVisible(showPlacesBar);
}

QCheckBox* AddCheck(QFileDialog* d, const char* name) {
    auto* box = new QCheckBox(d);
    box->setObjectName(name);
    if (auto* grid = qobject_cast<QGridLayout*>(d->layout()))
        grid->addWidget(box, grid->rowCount(), 0, 1, grid->columnCount());
    return box;
}

QString Chosen(const QFileDialog* d) {
    const QStringList files = d->selectedFiles();
    return files.isEmpty() ? QString() : QFileInfo(files.first()).absoluteFilePath();
}

}  // namespace

TSnapOpenDialog::TSnapOpenDialog(QWidget* owner, bool places) : QFileDialog(owner), showPlacesBar(places) {
    setObjectName("SnapOpenDialog");
    Prepare(this, places);
    setAcceptMode(QFileDialog::AcceptOpen);
    setFileMode(QFileDialog::ExistingFile);
    check = AddCheck(this, "CheckSnapOpen");
}

bool TSnapOpenDialog::Execute(Prompts& prompts) {
    Prepare(this, showPlacesBar);
    check->setText(checkCaption);
    check->setChecked(checkState == 1);
    const bool ok = prompts.Exec(*this) == QDialog::Accepted && !Chosen(this).isEmpty();
    checkState = check->isChecked() ? 1 : 0;
    return ok;
}

QString TSnapOpenDialog::SelectedPath() const { return Chosen(this); }

TSnapSaveDialog::TSnapSaveDialog(QWidget* owner, bool places) : QFileDialog(owner), showPlacesBar(places) {
    setObjectName("SnapSaveDialog");
    Prepare(this, places);
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    first = AddCheck(this, "CheckSnapPack");
    second = AddCheck(this, "CheckSnapMonitor");
}

bool TSnapSaveDialog::Execute(Prompts& prompts) {
    Prepare(this, showPlacesBar);
    first->setText(firstCaption);
    first->setChecked(firstCheckState == 1);
    second->setText(secondCaption);
    second->setChecked(secondCheckState == 1);
    const bool ok = prompts.Exec(*this) == QDialog::Accepted && !Chosen(this).isEmpty();
    firstCheckState = first->isChecked() ? 1 : 0;
    secondCheckState = second->isChecked() ? 1 : 0;
    return ok;
}

QString TSnapSaveDialog::SelectedPath() const { return Chosen(this); }
