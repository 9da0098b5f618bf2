#include "shell/FirstStartPanel.h"

#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <vector>

#include "common/Lang.h"
#include "machine/core/ModelIndex.h"
#include "shell/FormMain.h"
#include "shell/romfolder/RomFolderAssistant.h"
#include "shell/settings/FormSettings.h"
#include "shell/settings/pages/PageModel.h"

namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

}  // namespace

FirstStartPanel::FirstStartPanel(TFormMain& f, QWidget* screen) : QWidget(screen), form(f) {
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
    MachineOwner& owner = form.Owner();
    if (owner.Closing.load() == 1) return;
    if (owner.MonitorRomMissing()) {
        labelMessage->setText(MessageFor(owner.GetModel()));
        // Nothing runs, so no LED is lit.
        for (int mask : {1, 2, 4}) form.SetLed(mask, false);
        if (parentWidget()) setGeometry(parentWidget()->rect());
        show();
        raise();
        return;
    }
    if (isHidden()) return;
    hide();
    // The machine was held for its ROM; the change that brought it built and
    // reset the machine.
    if (form.RunState() == 1) form.ResumeAfterReset();
}

void FirstStartPanel::ChooseRomFolder() {
    const int wasRunning = form.RunState();
    form.SetPause(1, 1);
    TFormSettings& settings = *form.FormSettings();
    std::vector<int> codes;
    if (RunRomFolderAssistant(&form, form.XMLDoc(), codes, form.Prompter(), settings.KnownRoms())) {
        // The pages show the document again (so that the dialog's next OK
        // keeps what the assistant wrote), then as after the dialog's OK.
        ReloadSettingsPages(settings);
        form.ApplyChangedDocument(codes);
        Follow();
    }
    if (wasRunning == 0) form.SetPause(0, 1);
}

void FirstStartPanel::OpenModelSettings() {
    form.MiSettingsClick(form.ActionNamed("MiModel"));
    Follow();
}

bool FirstStartPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize) setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
}
