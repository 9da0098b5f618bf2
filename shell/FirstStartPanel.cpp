#include "shell/FirstStartPanel.h"

#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/Lang.h"
#include "machine/core/ModelIndex.h"
#include "machine/owner/MachineOwner.h"
#include "shell/settings/pages/PageModel.h"

namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

}  // namespace

FirstStartPanel::FirstStartPanel(MachineOwner& o, QWidget* screen) : QWidget(screen), owner(o) {
    setObjectName("FirstStartPanel");
    setAutoFillBackground(true);
    // The screen may hide the pointer (full screen, the emulated mouse); the buttons need it.
    setCursor(Qt::ArrowCursor);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(12, 12, 12, 12);
    column->setSpacing(8);
    column->addStretch(1);
    labelMessage = new QLabel(this);
    labelMessage->setObjectName("LabelFirstStartMessage");
    labelMessage->setWordWrap(true);
    labelMessage->setAlignment(Qt::AlignCenter);
    QFont bold = labelMessage->font();
    bold.setBold(true);
    labelMessage->setFont(bold);
    column->addWidget(labelMessage);
    labelHint = new QLabel(U("Vyberte priečinok s obrazmi ROM, alebo súbor monitora na stránke Model v nastaveniach."),
                           this);
    labelHint->setObjectName("LabelFirstStartHint");
    labelHint->setWordWrap(true);
    labelHint->setAlignment(Qt::AlignCenter);
    column->addWidget(labelHint);
    btnRomFolder = new QPushButton(U("Vybrať priečinok s ROM..."), this);
    btnRomFolder->setObjectName("BtnRomFolder");
    btnSettings = new QPushButton(U("Nastavenia..."), this);
    btnSettings->setObjectName("BtnFirstStartSettings");
    for (QPushButton* b : {btnRomFolder, btnSettings}) {
        // The window's keys belong to the emulated keyboard.
        b->setFocusPolicy(Qt::NoFocus);
        column->addWidget(b, 0, Qt::AlignHCenter);
    }
    column->addStretch(1);
    connect(btnRomFolder, &QPushButton::clicked, this, &FirstStartPanel::ChooseRomFolder);
    connect(btnSettings, &QPushButton::clicked, this, &FirstStartPanel::OpenModelSettings);
    screen->installEventFilter(this);
    hide();
}

QString FirstStartPanel::MessageFor(int model) {
    if (!IsModelIndex(model)) model = kModel1;
    const std::string name = TPageModel::ModelCaption(model).toStdString();
    const std::string text = LangTextArg("FormMain", "text.FirstStart.Message", name);
    if (!text.empty()) return QString::fromStdString(text);
    return U("%1 nemá monitor ROM.").arg(QString::fromStdString(name));
}

void FirstStartPanel::FollowLater() {
    if (followPending) return;
    followPending = true;
    QMetaObject::invokeMethod(this, &FirstStartPanel::Follow, Qt::QueuedConnection);
}

void FirstStartPanel::Follow() {
    followPending = false;
    if (owner.Closing.load() == 1) return;
    if (owner.MonitorRomMissing()) {
        labelMessage->setText(MessageFor(owner.GetModel()));
        emit Held();
        if (parentWidget()) setGeometry(parentWidget()->rect());
        show();
        raise();
        return;
    }
    if (isHidden()) return;
    hide();
    // The machine was held for its ROM; the change that brought it built and
    // reset the machine.
    emit Released();
}

void FirstStartPanel::ChooseRomFolder() { emit RomFolderRequested(); }

void FirstStartPanel::OpenModelSettings() {
    emit ModelSettingsRequested();
    Follow();
}

bool FirstStartPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize) setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
}
