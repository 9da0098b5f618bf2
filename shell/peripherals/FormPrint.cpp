#include "shell/peripherals/FormPrint.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>

// Paints the paper picture.
class PaperView : public QWidget {
public:
    PaperView(const PrinterPaper& paper, QWidget* parent) : QWidget(parent), paper(paper) {
        setObjectName("ImgPaper");
        resize(paper.Width(), paper.Height());
    }
    void Refresh() {
        if (shown == paper.Revision() && !image.isNull()) return;
        shown = paper.Revision();
        image = QImage(paper.Pixels(), paper.Width(), paper.Height(), paper.Width(), QImage::Format_Indexed8);
        image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
        image = image.copy();  // detach from the paper's bytes
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        if (image.isNull()) Refresh();
        p.drawImage(0, 0, image);
    }

private:
    const PrinterPaper& paper;
    QImage image;
    uint32_t shown = ~0u;
};

namespace {
// The paper's area: the wheel and the keys are left to the window, whose
// percentage bars alone move the paper.
class PaperArea : public QScrollArea {
public:
    explicit PaperArea(QWidget* parent) : QScrollArea(parent) {
        setObjectName("PanelPaper");
        setFrameShape(QFrame::NoFrame);
        setFocusPolicy(Qt::NoFocus);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setWidgetResizable(false);
        setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }

protected:
    void wheelEvent(QWheelEvent* event) override { event->ignore(); }
    void keyPressEvent(QKeyEvent* event) override { event->ignore(); }
};
}  // namespace

TFormPrint::TFormPrint(QWidget* parent) : QWidget(parent, Qt::Window | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) {
    setObjectName("FormPrint");
    setWindowTitle("FormPrint");
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);

    panelPaper = new PaperArea(this);
    panelPaper->setPalette(pal);
    panelPaper->viewport()->setAutoFillBackground(true);
    panelPaper->viewport()->setBackgroundRole(QPalette::Window);
    panelPaper->viewport()->setPalette(pal);
    imgPaper = new PaperView(paper, nullptr);
    panelPaper->setWidget(imgPaper);
    // A new viewport size gives new pixel ranges: the percentages stay.
    for (QScrollBar* b : {panelPaper->horizontalScrollBar(), panelPaper->verticalScrollBar()})
        connect(b, &QScrollBar::rangeChanged, this, [this] { PlacePaper(); });

    scrlBarV = new QScrollBar(Qt::Vertical, this);
    scrlBarV->setObjectName("ScrlBarV");
    scrlBarH = new QScrollBar(Qt::Horizontal, this);
    scrlBarH->setObjectName("ScrlBarH");
    scrlBarV->setFixedWidth(kBarSize);
    scrlBarH->setFixedHeight(kBarSize);
    for (QScrollBar* b : {scrlBarV, scrlBarH}) {
        b->setRange(0, 100);
        b->setPageStep(kLargeChange);
        b->setEnabled(false);
        connect(b, &QScrollBar::valueChanged, this, [this] { PlacePaper(); });
    }

    panelTool = new QWidget(this);
    panelTool->setObjectName("PanelTool");
    panelTool->setFixedHeight(kToolHeight);
    auto* tl = new QHBoxLayout(panelTool);
    btnClear = new QPushButton("Clear", panelTool);
    btnClear->setObjectName("BtnClear");
    btnClear->setToolTip("Clear print buffer");
    tl->addWidget(btnClear);
    tl->addStretch(1);
    connect(btnClear, &QPushButton::clicked, this, [this] { BtnClearClick(); });

    // The paper, the vertical bar at the right edge, the horizontal bar below
    // the paper (the corner stays empty), the tool panel at the bottom.
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    grid->addWidget(panelPaper, 0, 0);
    grid->addWidget(scrlBarV, 0, 1);
    grid->addWidget(scrlBarH, 1, 0);
    grid->addWidget(panelTool, 2, 0, 1, 2);

    timerPrint = new QTimer(this);
    timerPrint->setObjectName("TimerPrint");
    timerPrint->setInterval(200);
    connect(timerPrint, &QTimer::timeout, this, [this] { TimerPrintTimer(); });
    timerPrint->start();

    setMinimumSize(kMinSize, kMinSize);
    setMaximumSize(BoundedSize(QSize(100000, 100000)));
    resize(657, 641);
}

TFormPrint::~TFormPrint() = default;

void TFormPrint::Setup(int width, int height, GetDotQueue queue, ClearPrinter clear) {
    if (width > 0 && height > 0) {
        paper.Resize(width, height);
        imgPaper->resize(width, height);
        imgPaper->Refresh();
        setMaximumSize(BoundedSize(QSize(100000, 100000)));
    }
    getDotQueue = std::move(queue);
    clearPrinter = std::move(clear);
    UpdateBars();
}

QSize TFormPrint::BoundedSize(QSize wanted) const {
    const int maxW = paper.Width() + kBarSize;
    const int maxH = paper.Height() + kBarSize + kToolHeight;
    return QSize(std::clamp(wanted.width(), kMinSize, maxW), std::clamp(wanted.height(), kMinSize, maxH));
}

void TFormPrint::TimerPrintTimer() {
    if (!getDotQueue) return;
    Bt100::DotQueue* q = getDotQueue();
    if (!q) return;
    if (paper.TakeDots(*q) > 0) imgPaper->Refresh();
}

void TFormPrint::BtnClearClick() {
    if (clearPrinter) {
        clearPrinter();
        paper.Clear();
        imgPaper->Refresh();
    }
    scrlBarH->setValue(0);
    scrlBarV->setValue(0);
}

void TFormPrint::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    UpdateBars();
}

void TFormPrint::UpdateBars() {
    scrlBarH->setEnabled(width() - kBarSize < paper.Width());
    scrlBarV->setEnabled(height() - kToolHeight - kBarSize < paper.Height());
    PlacePaper();
}

QPoint TFormPrint::PaperOrigin() const { return imgPaper->pos(); }

void TFormPrint::PlacePaper() {
    // The area's pixel bars run from 0 to the overhang; the paper's left is
    // minus the overhang times the percentage, truncated towards zero.
    QScrollBar* h = panelPaper->horizontalScrollBar();
    QScrollBar* v = panelPaper->verticalScrollBar();
    h->setValue(int(h->maximum() * (scrlBarH->value() / 100.0)));
    v->setValue(int(v->maximum() * (scrlBarV->value() / 100.0)));
}

void TFormPrint::wheelEvent(QWheelEvent* event) {
    const int delta = event->angleDelta().y();
    if (delta > 0 && scrlBarV->value() > scrlBarV->minimum()) {
        scrlBarV->setValue(scrlBarV->value() - kLargeChange);
        event->accept();
        return;
    }
    if (delta < 0 && scrlBarV->value() < scrlBarV->maximum()) {
        scrlBarV->setValue(scrlBarV->value() + kLargeChange);
        event->accept();
        return;
    }
    event->ignore();
}
