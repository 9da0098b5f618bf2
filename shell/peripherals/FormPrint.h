#pragma once
// The printer's paper: a 640 x 820 white picture with the BT100's needle
// dots, scrolled inside a resizable window, and a button that clears it.
// The window does not know the printer: it is handed the dot queue and a
// clear action, and empties the queue every 200 ms.
//
// The paper sits in a QScrollArea, which clips and places it; the window's
// own scroll bars run from 0 to 100, a percentage of the paper's overhang,
// and drive the area's hidden pixel bars.
#include <QWidget>
#include <functional>

#include "machine/printer/PrinterPaper.h"

class QPushButton;
class QScrollArea;
class QScrollBar;
class QTimer;
class PaperView;

class TFormPrint : public QWidget {
    Q_OBJECT
public:
    static constexpr int kBarSize = 17;
    static constexpr int kToolHeight = 39;
    static constexpr int kLargeChange = 24;
    static constexpr int kMinSize = 200;

    using GetDotQueue = std::function<Bt100::DotQueue*()>;
    // Resets the printer while the emulation is held; the window clears its paper itself.
    using ClearPrinter = std::function<void()>;

    explicit TFormPrint(QWidget* parent = nullptr);
    ~TFormPrint() override;

    // A width or height above 0 resizes the paper; empty closures detach the printer.
    void Setup(int width, int height, GetDotQueue getDotQueue, ClearPrinter clearPrinter);

    void TimerPrintTimer();
    void BtnClearClick();
    // The size the window accepts for a wanted size (at least 200 x 200,
    // at most the paper plus its scroll bar).
    QSize BoundedSize(QSize wanted) const;

    const PrinterPaper& Paper() const { return paper; }
    QScrollBar* ScrlBarV() const { return scrlBarV; }
    QScrollBar* ScrlBarH() const { return scrlBarH; }
    // The paper picture's position inside its panel.
    QPoint PaperOrigin() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void UpdateBars();
    void PlacePaper();

    PrinterPaper paper;
    GetDotQueue getDotQueue;
    ClearPrinter clearPrinter;
    QScrollArea* panelPaper = nullptr;
    PaperView* imgPaper = nullptr;
    QScrollBar* scrlBarV = nullptr;
    QScrollBar* scrlBarH = nullptr;
    QWidget* panelTool = nullptr;
    QPushButton* btnClear = nullptr;
    QTimer* timerPrint = nullptr;
};
