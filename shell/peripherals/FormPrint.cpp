#include "shell/peripherals/FormPrint.h"

#include <QHBoxLayout>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QResizeEvent>
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

TFormPrint::TFormPrint(QWidget* parent) : QWidget(parent, Qt::Window | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) {
    setObjectName("FormPrint");
    setWindowTitle("FormPrint");
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);

    panelPaper = new QWidget(this);
    panelPaper->setObjectName("PanelPaper");
    panelPaper->setAutoFillBackground(true);
    panelPaper->setPalette(pal);
    imgPaper = new PaperView(paper, panelPaper);

    scrlBarV = new QScrollBar(Qt::Vertical, this);
    scrlBarV->setObjectName("ScrlBarV");
    scrlBarH = new QScrollBar(Qt::Horizontal, this);
    scrlBarH->setObjectName("ScrlBarH");
    for (QScrollBar* b : {scrlBarV, scrlBarH}) {
        b->setRange(0, 100);
        b->setPageStep(kLargeChange);
        b->setEnabled(false);
        connect(b, &QScrollBar::valueChanged, this, [this] { PlacePaper(); });
    }

    panelTool = new QWidget(this);
    panelTool->setObjectName("PanelTool");
    auto* tl = new QHBoxLayout(panelTool);
    btnClear = new QPushButton("Clear", panelTool);
    btnClear->setObjectName("BtnClear");
    btnClear->setToolTip("Clear print buffer");
    tl->addWidget(btnClear);
    tl->addStretch(1);
    connect(btnClear, &QPushButton::clicked, this, [this] { BtnClearClick(); });

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
    const int w = width(), h = height();
    const int paperH = h - kToolHeight;
    scrlBarV->setGeometry(w - kBarSize, 0, kBarSize, paperH - kBarSize);
    scrlBarH->setGeometry(0, paperH - kBarSize, w - kBarSize, kBarSize);
    panelPaper->setGeometry(0, 0, w - kBarSize, paperH - kBarSize);
    panelTool->setGeometry(0, paperH, w, kToolHeight);
    scrlBarH->setEnabled(w - kBarSize < paper.Width());
    scrlBarV->setEnabled(paperH - kBarSize < paper.Height());
    PlacePaper();
}

QPoint TFormPrint::PaperOrigin() const { return imgPaper->pos(); }

void TFormPrint::PlacePaper() {
    const int clientW = width() - kBarSize, clientH = height() - kToolHeight - kBarSize;
    const int left = int((clientW - paper.Width()) * (scrlBarH->value() / 100.0));
    const int top = int((clientH - paper.Height()) * (scrlBarV->value() / 100.0));
    imgPaper->move(std::min(left, 0), std::min(top, 0));
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
