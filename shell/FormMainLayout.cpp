// The main window's size and place: the window sizes and full screen (the
// menus, toolbar and status panel around the screen picture), the layout
// that fits the window to the picture, and the frame's position.
#include <QGuiApplication>

#include <algorithm>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>
#include <QToolBar>

#include "common/Config.h"
#include "machine/owner/MachineOwner.h"
#include "machine/screen/ScreenDAD85.h"
#include "shell/FormMain.h"
#include "shell/ScreenView.h"

void TFormMain::PlaceFrame(int left, int top) {
    move(left, top);  // the frame's position, as the closing stores it
    // During the first showing the window is not mapped yet, and a window
    // manager takes that position for the client area's. Once the frame is
    // known the frame is put there again; without a manager it never
    // appears and the window is already in place.
    // Polled: Qt 6.4 tells nothing when the frame becomes known. QWindow has
    // no signal for its frame margins, and the X11 plugin only marks them
    // stale when the manager sets _NET_FRAME_EXTENTS; a Move event comes with
    // the manager's moves but not with the frame extents alone.
    placeAt = QPoint(left, top);
    placeClock.start();
    placeSettled = 0;
    placeTimer->start();
}

void TFormMain::PlaceFrameTick() {
    if (inFullScreen || placeClock.elapsed() > 5000) {
        placeTimer->stop();
        return;
    }
    if (frameGeometry() == geometry()) return;  // no frame yet
    if (fitPending) {
        // The frame is known now: the start's size and place must let all of it show.
        fitPending = false;
        const QSize extra = frameGeometry().size() - geometry().size();
        const QRect desk = screen() ? screen()->availableGeometry() : QRect();
        if (desk.isValid()) {
            const int fit = FittingWindowSize(windowSize, extra);
            const QSize whole = WindowSizeOf(fit, true) + extra;
            auto clamp = [](int pos, int size, int from, int length) {
                return std::max(from, std::min(pos, from + length - size));
            };
            const QPoint at(clamp(placeAt.x(), whole.width(), desk.x(), desk.width()),
                            clamp(placeAt.y(), whole.height(), desk.y(), desk.height()));
            savedLeft = at.x();
            savedTop = at.y();
            if (fit != windowSize) {
                miSize[fit]->setChecked(true);
                SetScreenSize(fit);  // places the frame again
                return;
            }
            if (at != placeAt) {
                placeAt = at;
                placeSettled = 0;
            }
        }
    }
    // The manager may still move the window while it frames it: done once
    // the frame has stayed in place for a few ticks.
    if (frameGeometry().topLeft() != placeAt) {
        placeSettled = 0;
        move(placeAt);
    } else if (++placeSettled >= 5) {
        placeTimer->stop();
    }
}

bool TFormMain::GetMonitorRect(int& left, int& top, int& width, int& height) {
    QScreen* sc = screen();
    if (!sc) sc = QGuiApplication::primaryScreen();
    if (!sc) return false;
    const QRect r = sc->geometry();
    left = r.x();
    top = r.y();
    width = r.width();
    height = r.height();
    return width > 0 && height > 0;
}

void TFormMain::SetMenusForFullScreen(bool full) {
    for (QMenu* m : {miFile, miView, miEmul, miTools, miHelp}) m->menuAction()->setVisible(!full);
    for (QMenu* m : {miFile, miTools, miHelp}) m->menuAction()->setEnabled(!full);
    FollowEnableRules();  // the File, Tools and Help items follow inFullScreen
}

void TFormMain::SetScreenSize(int size) {
    const bool screenTimerOn = owner->ScreenTimer().Enabled();
    const bool controlsOn = controlsTimer->isActive();
    owner->ScreenTimer().SetEnabled(false);
    controlsTimer->stop();
    ScreenDAD85* s = owner->GetScreen();
    screenView->SetScreen(s);
    if (size == 3 && s->GetSizeMode() >= 0 && s->GetSizeMode() <= 2) windowSize = s->GetSizeMode();
    s->SetSizeMode(size, this);
    if (size == 3 && !s->IsFullScreen()) {
        s->SetSizeMode(windowSize, this);
        miSize[windowSize]->setChecked(true);
        size = windowSize;
    }
    if (size == 3) {
        inFullScreen = true;
        SetMenusForFullScreen(true);
        menuBar()->hide();
        toolBar->hide();
        panel->hide();
        screenView->SetFullScreen(true);
        // The fixed sizes of the window layout would keep the old area.
        for (QWidget* w : {static_cast<QWidget*>(screenView), centralWidget(), static_cast<QWidget*>(this)}) {
            w->setMinimumSize(0, 0);
            w->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        }
        showFullScreen();
        // A window manager acts on the full-screen state; without one the
        // window covers the monitor by itself.
        int left = 0, top = 0, width = 0, height = 0;
        if (GetMonitorRect(left, top, width, height)) setGeometry(left, top, width, height);
        raise();
        activateWindow();
    } else {
        windowSize = size;
        const bool wasFull = inFullScreen;
        inFullScreen = false;
        screenView->SetFullScreen(false);
        SetMenusForFullScreen(false);
        menuBar()->show();
        toolBar->show();
        panel->show();
        if (wasFull) showNormal();
        UpdateWindowLayout();
        raise();
        activateWindow();
        // The first showing places the window itself, after this.
        if (!firstShowPending) PlaceFrame(savedLeft, savedTop);
    }
    PeripheralsFollowScreenSize();
    if (controlsOn) controlsTimer->start();
    if (screenTimerOn) owner->ScreenTimer().SetEnabled(true);
    screenView->update();
}

QSize TFormMain::WindowSizeOf(int size, bool widest) const {
    // The Consul 2717 switches to the wide picture; the others stay narrow.
    ScreenDAD85* s = owner->GetScreen();
    const bool wide = (s && s->IsWideMode()) ||
                      (widest && AttrEquals(ConfigSection("Model"), "current", "Model-C2717"));
    return QSize(ScreenDAD85::WidthOf(size, wide) + 1,
                 ScreenDAD85::HeightOf(size) + kPanelHeight + kToolBarHeight + menuBar()->sizeHint().height());
}

int TFormMain::FittingWindowSize(int wanted, QSize frameExtra) const {
    if (wanted < 0 || wanted > 2) wanted = 2;
    QScreen* sc = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!sc) return wanted;
    const QSize desk = sc->availableGeometry().size();
    for (int size = wanted; size > 0; --size) {
        const QSize whole = WindowSizeOf(size, true) + frameExtra;
        if (whole.width() <= desk.width() && whole.height() <= desk.height()) return size;
    }
    return 0;
}

void TFormMain::UpdateWindowLayout() {
    ScreenDAD85* s = owner->GetScreen();
    if (!s || inFullScreen) return;
    const int w = ScreenDAD85::WidthOf(s->GetSizeMode(), s->IsWideMode()) + 1;
    const int h = ScreenDAD85::HeightOf(s->GetSizeMode());
    screenView->setFixedSize(w, h);
    centralWidget()->setFixedSize(w, h + kPanelHeight);
    if (QLayout* l = layout()) l->activate();
    setFixedSize(w, h + kPanelHeight + kToolBarHeight + menuBar()->sizeHint().height());
    labelCpuUsage->setText("0%");
    labelCpuUsage->move(w - 139 - (labelCpuUsage->width() - 22), 4);
    imageSound->move(w - 117, 4);
    imageTape->move(w - 99, 4);
    imageDisk->move(w - 81, 4);
    imageLed[0]->move(w - 59, 4);
    imageLed[1]->move(w - 41, 4);
    imageLed[2]->move(w - 23, 4);
    update();
}
