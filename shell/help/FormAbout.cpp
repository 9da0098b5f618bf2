#include "shell/help/FormAbout.h"

#include <QFrame>
#include <QLabel>
#include <QIcon>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>

#include "common/Startup.h"
#include "shell/help/HelpPictures.h"

namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, const QRect& at) {
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setGeometry(at);
    l->setAttribute(Qt::WA_TranslucentBackground);
    return l;
}

QIcon TickIcon() {
    QPixmap tick(20, 20);
    tick.setDevicePixelRatio(2);
    tick.fill(Qt::transparent);
    QPainter p(&tick);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({QPointF(1.5, 5.5), QPointF(4, 8.5), QPointF(8.5, 1.5)}));
    return QIcon(tick);
}

}  // namespace

TFormAbout::TFormAbout(QWidget* parent) : QDialog(parent) {
    setObjectName("FormAbout");
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setModal(true);
    setFixedSize(324, 210);
    auto* back = new QFrame(this);
    back->setObjectName("BackPanel");
    back->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    back->setGeometry(0, 0, 324, 210);
    imageBack = MakeLabel(back, "ImageBack", QRect(2, 2, 320, 206));
    imageBack->setPixmap(QPixmap::fromImage(DrawAboutBackground()));
    imageTesla = MakeLabel(back, "ImageTesla", QRect(2, 2, 320, 206));
    imageTesla->setPixmap(QPixmap::fromImage(DrawAboutHidden()));
    imageTesla->hide();
    lblName = MakeLabel(back, "LblName", QRect(29, 20, 8, 8));
    lblVersionNum = MakeLabel(back, "LblVersionNum", QRect(59, 68, 245, 12));
    lblVersionNum->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont bold("Tahoma");
    bold.setPixelSize(7);
    bold.setBold(true);
    lblVersionNum->setFont(bold);
    lblVersionNum->setStyleSheet("color: black");
    lblCopyright = MakeLabel(back, "LblCopyright", QRect(15, 158, 289, 13));
    lblCopyright->setText(QString::fromUtf8("© Orvik developers"));
    QFont b = lblCopyright->font();
    b.setBold(true);
    lblCopyright->setFont(b);
    lblCopyright->setStyleSheet("color: white");
    lblAuthors = MakeLabel(back, "LblAuthors", QRect(15, 172, 289, 13));
    lblAuthors->setText(QString::fromUtf8("Emulátor počítačov PMD 85"));
    lblAuthors->setStyleSheet("color: white");
    // The tick is drawn: a text glyph would not fit the small button.
    okButton = new QPushButton(back);
    okButton->setIcon(TickIcon());
    okButton->setIconSize(QSize(10, 10));
    okButton->setObjectName("OkButton");
    okButton->setGeometry(288, 181, 16, 16);
    okButton->setDefault(true);
    connect(okButton, &QPushButton::clicked, this, &QDialog::reject);
    for (QLabel* l : {imageBack, imageTesla, lblCopyright, lblAuthors, lblName}) l->installEventFilter(this);
    lblName->raise();
}

QPoint TFormAbout::CentredOver(const QRect& main, const QSize& box) {
    auto place = [](int mainStart, int mainSize, int boxSize) {
        if (boxSize < mainSize) return mainStart + (mainSize - boxSize) / 2;
        const int at = mainStart - (boxSize - mainSize) / 2;
        return at < 0 ? 0 : at;
    };
    return QPoint(place(main.left(), main.width(), box.width()), place(main.top(), main.height(), box.height()));
}

void TFormAbout::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TFormAbout::FormShow() {
    if (QWidget* main = parentWidget()) move(CentredOver(main->frameGeometry(), size()));
    lblVersionNum->setText(QString::fromStdString("v" + VersionString));
    lblVersionNum->show();
    lblCopyright->show();
    lblAuthors->show();
    imageBack->show();
    imageTesla->hide();
}

void TFormAbout::ImageClick() { okButton->click(); }

void TFormAbout::LblNameClick(Qt::KeyboardModifiers shift, bool doubleClick) {
    const Qt::KeyboardModifiers all = Qt::ShiftModifier | Qt::AltModifier | Qt::ControlModifier;
    if ((shift & all) != all || !doubleClick) return;
    lblVersionNum->hide();
    lblCopyright->hide();
    lblAuthors->hide();
    imageBack->hide();
    imageTesla->show();
}

bool TFormAbout::HiddenShown() const { return imageTesla->isVisible(); }

bool TFormAbout::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lblName &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)) {
        auto* e = static_cast<QMouseEvent*>(event);
        LblNameClick(e->modifiers(), event->type() == QEvent::MouseButtonDblClick);
        return true;
    }
    if (watched != lblName && event->type() == QEvent::MouseButtonPress) {
        ImageClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
