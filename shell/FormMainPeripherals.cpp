// The main window's side of the peripherals: the printer paper window and
// its command, the joystick set-up dialog, and the host mouse over the
// screen picture.
#include <QAction>

#include "machine/input/Mouse.h"
#include "machine/owner/MachineOwner.h"
#include "machine/owner/SettingsApplier.h"
#include "machine/printer/Bt100.h"
#include "machine/screen/ScreenDAD85.h"
#include "shell/FormMain.h"
#include "shell/ScreenView.h"
#include "shell/peripherals/FormJoy.h"
#include "shell/settings/FormSettings.h"
#include "shell/peripherals/FormPrint.h"

namespace {
// Attaches the drawn BT100 to the paper window. The window asks the owner
// for the queue on every tick, so it never keeps a printer that is gone,
// and clears the printer through the owner's lock.
class PaperLink : public QObject, public PrinterPaperLink {
public:
    PaperLink(MachineOwner& owner, TFormPrint& form) : QObject(&form), owner(owner), form(form) {}
    void AttachPrinter(int width, int height) override {
        if (width <= 0 || height <= 0) {
            form.Setup(0, 0, {}, {});
            return;
        }
        MachineOwner* o = &owner;
        form.Setup(
            width, height,
            [o]() -> Bt100::DotQueue* {
                Bt100* printer = o->GetBt100();
                return printer ? printer->GetDotQueue() : nullptr;
            },
            [o] { o->ClearPrinter(); });
    }

private:
    MachineOwner& owner;
    TFormPrint& form;
};
}  // namespace

void TFormMain::ConnectScreenMouse() {
    connect(screenView, &ScreenView::MouseMoved, this, [this](QPoint p) { FormMouseMove(p.x(), p.y()); });
    connect(screenView, &ScreenView::MouseButton, this, [this](QPoint p, Qt::MouseButton b, bool down) {
        if (down)
            FormMouseDown(p.x(), p.y(), b);
        else
            FormMouseUp(p.x(), p.y(), b);
    });
    connect(screenView, &ScreenView::MouseLeft, this, [this] { MouseMoveShowCursor(); });
}

void TFormMain::CreatePeripheralWindows() {
    formPrint = new TFormPrint(this);
    formJoy = new TFormJoy(this);
    formJoy->SetPrompts(*prompts);
    // The settings dialog's Controls page opens it for a connector.
    if (formSettings) {
        // OK, or the calibration opened, changes the joysticks.
        formSettings->SetJoystickSetup([this](int row) {
            const bool accepted = formJoy->EditConnector(row);
            return accepted || formJoy->GbJoyTag() == 1;
        });
        formSettings->SetJoystickRowsWriter([this] { formJoy->WriteEditedRows(); });
        formSettings->SetJoystickDescription([this](int row) { return formJoy->DescribeConnection(row); });
    }
    paperLink = new PaperLink(*owner, *formPrint);
    owner->SetPrinterPaper(paperLink);
}

void TFormMain::DonePeripherals() {
    if (owner) owner->SetPrinterPaper(nullptr);
    if (formPrint) formPrint->Setup(0, 0, {}, {});
}

void TFormMain::MiPrinterOutputClick() {
    if (!formPrint) return;
    formPrint->show();
    formPrint->raise();
    formPrint->activateWindow();
}

void TFormMain::PeripheralsFollowScreenSize() {
    MouseBase* mouse = owner->GetMouse();
    ScreenDAD85* s = owner->GetScreen();
    if (!mouse || !s) return;
    const int mode = s->GetSizeMode();
    if (mode == 3)
        mouse->SetGeometry(2, 0, 0);
    else
        mouse->SetGeometry(mode + 1, 0, SettingsApplier::kMouseToolBarOffset);
}

namespace {
// The picture's coordinates as the mouse's origin counts them: below the
// toolbar in a window, from the top in full screen.
int MouseY(MachineOwner& owner, int y) {
    ScreenDAD85* s = owner.GetScreen();
    return (s && s->GetSizeMode() == 3) ? y : y + SettingsApplier::kMouseToolBarOffset;
}
}  // namespace

void TFormMain::FormMouseMove(int x, int y) {
    MouseBase* mouse = owner->GetMouse();
    if (!mouse) return;
    if (mouse->hideCursor) {
        ScreenDAD85* s = owner->GetScreen();
        const int height = s ? s->Height() : 0;
        ShowMouseCursor(!(y > 0 && y < height));
    }
    mouse->Move(x, MouseY(*owner, y), 0, 0, 0);
}

void TFormMain::MouseButtonChange(int x, int y, Qt::MouseButton button, int change) {
    MouseBase* mouse = owner->GetMouse();
    if (!mouse) return;
    const int middle = button == Qt::MiddleButton ? change : 0;
    const int right = button == Qt::RightButton ? change : 0;
    const int left = button == Qt::LeftButton ? change : 0;
    mouse->Move(x, MouseY(*owner, y), middle, right, left);
}

void TFormMain::FormMouseDown(int x, int y, Qt::MouseButton button) { MouseButtonChange(x, y, button, 1); }

void TFormMain::FormMouseUp(int x, int y, Qt::MouseButton button) { MouseButtonChange(x, y, button, -1); }

void TFormMain::MouseMoveShowCursor() {
    MouseBase* mouse = owner->GetMouse();
    if (mouse && mouse->hideCursor) ShowMouseCursor(true);
}

void TFormMain::ShowMouseCursor(bool show) {
    if (show == !mouseCursorHidden) return;
    mouseCursorHidden = !show;
    if (show)
        screenView->unsetCursor();
    else
        screenView->setCursor(Qt::BlankCursor);
}
