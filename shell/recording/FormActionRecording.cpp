#include "shell/recording/FormActionRecording.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QHideEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>

#include "common/Config.h"
#include "common/Lang.h"
#include "common/Paths.h"
#include "machine/recording/Recording.h"
#include "machine/screen/ScreenDAD85.h"
#include "ui/ControlPictures.h"
#include "ui/LangWindows.h"
#include "ui/WindowPlacement.h"

namespace {
const char* const kSection = "FormActionRecording";

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

}  // namespace

TFormActionRecording::TFormActionRecording(QWidget* parent) : QDialog(parent) {
    setObjectName("FormActionRecording");
    setWindowTitle(Text("Záznam akcie"));
    // A tool window: above the main window, not above the rest of the desktop.
    setWindowFlags(Qt::Tool | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint);
    setFixedSize(kClientWidth, kClientHeight);

    panelCreate = Named(new QWidget(this), "PanelCreatePRC");
    panelCreate->setGeometry(0, 0, kClientWidth, kClientHeight);
    auto* lblBegin = Named(new QLabel(Text("Začať záznam:"), panelCreate), "LblBeginPrc");
    lblBegin->setGeometry(12, 8, 300, 18);
    rbCurrentPos = Named(new QRadioButton(Text("od aktuálnej pozície"), panelCreate), "RbCurrentPos");
    rbCurrentPos->setGeometry(24, 28, 300, 20);
    rbCurrentPos->setChecked(true);
    rbFromExistSnap = Named(new QRadioButton(Text("z existujúceho Snapshotu"), panelCreate), "RbFromExistSnap");
    rbFromExistSnap->setGeometry(24, 50, 300, 20);
    lblSnapFile = Named(new QLabel(Text("Súbor Snashotu:"), panelCreate), "LblSnapFile");
    lblSnapFile->setGeometry(40, 74, 280, 16);
    editSnapFile = Named(new QLineEdit(panelCreate), "EditSnapFile");
    editSnapFile->setGeometry(40, 92, 280, 22);
    editSnapFile->setReadOnly(true);
    QPalette grey = editSnapFile->palette();
    grey.setColor(QPalette::Text, Qt::gray);
    editSnapFile->setPalette(grey);
    sbSelectSnapFile = Named(new QToolButton(panelCreate), "SbSelectSnapFile");
    sbSelectSnapFile->setGeometry(324, 92, 24, 22);
    sbSelectSnapFile->setIcon(ControlPictures::CommandIcon(ControlPictures::Command::Open));
    sbSelectSnapFile->setAutoRaise(true);
    sbSelectSnapFile->setToolTip(Text("Výber súboru..."));
    checkExtSnapFile = Named(new QCheckBox(Text("Nevkladať Snapshoty do PRC (externé Snapshoty)"), panelCreate),
                             "CheckExtSnapFile");
    checkExtSnapFile->setGeometry(12, 122, 340, 20);
    btnOk = Named(new QPushButton(Text("OK"), panelCreate), "BtnOK");
    btnOk->setGeometry(188, 152, 75, 25);
    btnOk->setDefault(true);
    btnCancel = Named(new QPushButton(Text("Zrušiť"), panelCreate), "BtnCancel");
    btnCancel->setGeometry(275, 152, 75, 25);
    RbCurrentPosClick();
    connect(rbCurrentPos, &QRadioButton::clicked, this, [this] { RbCurrentPosClick(); });
    connect(rbFromExistSnap, &QRadioButton::clicked, this, [this] { RbFromExistSnapClick(); });
    connect(sbSelectSnapFile, &QToolButton::clicked, this, [this] { SbSelectSnapFileClick(); });
    connect(btnOk, &QPushButton::clicked, this, [this] { accept(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { reject(); });  // Escape too (QDialog)

    panelRecording = Named(new QWidget(this), "PanelRecording");
    panelRecording->setGeometry(0, 0, kClientWidth, kClientHeight);
    scrlBox = Named(new QScrollArea(panelRecording), "ScrlBoxRecording");
    scrlBox->setGeometry(1, 1, 360, 158);
    scrlBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrlBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scrlBox->horizontalScrollBar()->setSingleStep(kThumbStep);
    scrlBox->horizontalScrollBar()->setTracking(true);
    strip = new QWidget;
    strip->setObjectName("ScrlBoxContent");
    scrlBox->setWidget(strip);
    ResizeStrip();
    // The key help along the bottom, spread over the width.
    keysRow = new QWidget(panelRecording);
    keysRow->setObjectName("PanelKeys");
    auto* keys = new QHBoxLayout(keysRow);
    keys->setContentsMargins(4, 0, 4, 0);
    keys->setSpacing(kKeysGap);
    keys->addWidget(Named(new QLabel(Text("Alt+Insert - Pridať značku"), keysRow), "LblAddMark"));
    keys->addStretch(1);
    keys->addWidget(Named(new QLabel(Text("Alt+Del - Späť na značku"), keysRow), "LblRolback"));
    keys->addStretch(1);
    keys->addWidget(Named(new QLabel(Text("Alt+Break - Stop"), keysRow), "LblStop"));
    // Over the strip while the machine is paused.
    lblPaused = Named(new QLabel(Text("Pozastavené: Alt+F3 spustí emuláciu"), panelRecording), "LblPaused");
    lblPaused->setAlignment(Qt::AlignCenter);
    lblPaused->setMargin(3);
    lblPaused->setAutoFillBackground(true);
    QPalette note = lblPaused->palette();
    note.setColor(QPalette::Window, QColor(255, 255, 160));
    note.setColor(QPalette::WindowText, Qt::black);
    lblPaused->setPalette(note);
    lblPaused->hide();
    panelRecording->hide();
    FitToTexts();
}

void TFormActionRecording::FitToTexts() {
    // At least the designed client area; wider when the texts of the language
    // need it, so that none is cut off.
    int width = kClientWidth;
    width = std::max(width, keysRow->layout()->sizeHint().width());
    width = std::max(width, lblPaused->sizeHint().width() + 8);
    width = std::max(width, checkExtSnapFile->x() + checkExtSnapFile->sizeHint().width() + 10);
    for (QWidget* w : std::initializer_list<QWidget*>{rbCurrentPos, rbFromExistSnap})
        width = std::max(width, w->x() + w->sizeHint().width() + 10);
    setFixedSize(width, kClientHeight);
    panelCreate->setGeometry(0, 0, width, kClientHeight);
    panelRecording->setGeometry(0, 0, width, kClientHeight);
    const int grow = width - kClientWidth;
    checkExtSnapFile->setGeometry(12, 122, width - 22, 20);
    for (QWidget* w : std::initializer_list<QWidget*>{rbCurrentPos, rbFromExistSnap})
        w->setGeometry(24, w->y(), width - 34, 20);
    editSnapFile->setGeometry(40, 92, 280 + grow, 22);
    sbSelectSnapFile->setGeometry(324 + grow, 92, 24, 22);
    btnOk->setGeometry(188 + grow, 152, 75, 25);
    btnCancel->setGeometry(275 + grow, 152, 75, 25);
    scrlBox->setGeometry(1, 1, width - 2, 158);
    keysRow->setGeometry(0, 160, width, 26);
    const QSize note = lblPaused->sizeHint();
    lblPaused->setGeometry(std::max(0, (width - note.width()) / 2), 56, std::min(width, note.width()), note.height());
    lblPaused->raise();
    ResizeStrip();
}

void TFormActionRecording::SetPaused(bool paused) { lblPaused->setVisible(paused); }

bool TFormActionRecording::PausedShown() const { return lblPaused->isVisible(); }

TFormActionRecording::~TFormActionRecording() { ClearThumbnails(); }

void TFormActionRecording::ShowStartPanel(bool start) {
    panelCreate->setVisible(start);
    panelRecording->setVisible(!start);
    if (!start) ScrollToEnd();
}

bool TFormActionRecording::StartFromSnapshot() const { return rbFromExistSnap->isChecked(); }
std::string TFormActionRecording::SnapshotFileText() const { return editSnapFile->text().toStdString(); }
bool TFormActionRecording::ExternalSnapshots() const { return checkExtSnapFile->isChecked(); }

void TFormActionRecording::RbCurrentPosClick() {
    lblSnapFile->setEnabled(false);
    editSnapFile->setEnabled(false);
    sbSelectSnapFile->setEnabled(false);
}

void TFormActionRecording::RbFromExistSnapClick() {
    lblSnapFile->setEnabled(true);
    editSnapFile->setEnabled(true);
    sbSelectSnapFile->setEnabled(true);
}

void TFormActionRecording::SbSelectSnapFileClick() {
    std::string start = editSnapFile->text().toStdString();
    if (start.empty()) start = ReadElementText(ConfigSection("Snapshot"));
    std::string path = MakeAbsolutePath(start);
    const std::string title = LangText(kSection, "text.OpenSnapDlg.Title");
    const std::string filter = LangText(kSection, "text.OpenSnapDlg.FilterSnap");
    const bool ok = prompts->OpenFile(title, filter, "", path);
    if (ok) editSnapFile->setText(QString::fromStdString(MakeRelativePath(path)));
}

bool TFormActionRecording::FormCloseQuery() {
    if (!editSnapFile->isEnabled() || !editSnapFile->text().isEmpty()) return true;
    prompts->ErrorKey(this, kSection, "err.SnapFile");
    return false;
}

void TFormActionRecording::done(int result) {
    if (result == QDialog::Accepted && panelCreate->isVisible() && !FormCloseQuery()) return;
    QDialog::done(result);
}

void TFormActionRecording::showEvent(QShowEvent* event) {
    FitToTexts();  // the language may have changed the texts
    FormShow();
    QDialog::showEvent(event);
    // Thumbnails added while hidden: the strip's range is known only now.
    if (panelRecording->isVisible()) ScrollToEnd();
}

void TFormActionRecording::FormShow() {
    if (!firstShow) return;
    firstShow = false;
    QScreen* sc = screen() ? screen() : QGuiApplication::primaryScreen();
    const QRect desk = sc ? sc->availableGeometry() : QRect(0, 0, 1024, 768);
    int left = 0, top = 0;
    ReadWindowPos(ConfigSection("ActionRecording"), left, top, frameGeometry().width(), frameGeometry().height(),
                  desk.width(), desk.height());
    PlaceWindowFrame(this, QPoint(desk.left() + left, desk.top() + top));
}

void TFormActionRecording::closeEvent(QCloseEvent* event) {
    FormClose();
    QDialog::closeEvent(event);
}

void TFormActionRecording::hideEvent(QHideEvent* event) {
    // Every closing: OK and Cancel of the start panel, and the main window
    // hiding the recording panel, as well as the close button. A hiding by
    // the desktop (minimizing) is none.
    if (!event->spontaneous()) FormClose();
    QDialog::hideEvent(event);
}

void TFormActionRecording::FormClose() {
    pugi::xml_node element = ConfigSection("ActionRecording");
    WriteAttrInt(element, "x", pos().x());
    WriteAttrInt(element, "y", pos().y());
}

void TFormActionRecording::SetSources(ScreenDAD85* screenRef, Recording* recordingRef) {
    renderer = screenRef;
    recording = recordingRef;
}

void TFormActionRecording::ScrollToStart() { scrlBox->horizontalScrollBar()->setValue(0); }

void TFormActionRecording::ScrollToEnd() {
    QScrollBar* bar = scrlBox->horizontalScrollBar();
    bar->setValue(bar->maximum());
}

void TFormActionRecording::ResizeStrip() {
    const int n = static_cast<int>(thumbnails.size());
    strip->resize(std::max(scrlBox->viewport()->width(), n * kThumbStep + 10), kThumbHeight + 20);
}

void TFormActionRecording::ClearThumbnails() {
    for (QLabel* t : thumbnails) delete t;
    thumbnails.clear();
    if (strip) ResizeStrip();
}

void TFormActionRecording::AddThumbnail() {
    if (!renderer || !recording) return;
    const int i = static_cast<int>(thumbnails.size());
    if (i >= recording->GetSnapshotCount()) return;
    ScrollToStart();
    auto* image = new QLabel(strip);
    image->setObjectName(QString("Thumbnail%1").arg(i));
    image->setGeometry(i * kThumbStep + 10, 10, kThumbWidth, kThumbHeight);
    thumbnails.push_back(image);
    ResizeStrip();
    image->show();

    QPixmap pixmap(kThumbWidth, kThumbHeight);
    pixmap.fill(Qt::black);
    uint8_t videoRam[Recording::ScreenBytes];
    if (recording->GetSnapshotScreen(i, videoRam)) {
        const bool blink = renderer->GetBlinkPhase();
        ScreenPicture picture = renderer->CreateDib();
        const bool drawn = renderer->Render(videoRam, picture);
        renderer->SetBlinkPhase(blink);
        if (drawn && picture.width > 0 && picture.height > 0) {
            QImage bitmap(picture.pixels.data(), picture.width, picture.height, picture.width,
                          QImage::Format_Indexed8);
            QList<QRgb> colours;
            const uint32_t* palette = ScreenDAD85::Palette();
            for (int c = 0; c < ScreenDAD85::kPaletteSize; ++c) colours.push_back(palette[c]);
            bitmap.setColorTable(colours);
            QPainter painter(&pixmap);
            painter.drawImage(QRect(0, 0, kThumbWidth, kThumbHeight), bitmap);
        }
    }
    image->setPixmap(pixmap);
    ScrollToEnd();
}

void TFormActionRecording::AddAllThumbnails() {
    if (!recording) return;
    while (ThumbnailCount() < recording->GetSnapshotCount()) {
        const int before = ThumbnailCount();
        AddThumbnail();
        if (ThumbnailCount() == before) break;
    }
}

void TFormActionRecording::RemoveLastThumbnail() {
    if (thumbnails.empty()) return;
    ScrollToStart();
    delete thumbnails.back();
    thumbnails.pop_back();
    ResizeStrip();
    ScrollToEnd();
}
