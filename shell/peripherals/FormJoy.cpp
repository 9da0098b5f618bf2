#include "shell/peripherals/FormJoy.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

#include "common/Config.h"
#include "common/Lang.h"
#include "common/Startup.h"
#include "shell/KeyMap.h"
#include "ui/ControlPictures.h"

namespace {
constexpr int kHalf = TFormJoy::kImageSize / 2;  // 28
constexpr int kAxesFireNone = 99, kAxesFireBase = 100;
constexpr int kButtonNone = 199, kButtonBase = 200;


double Distance(QPoint a, QPoint b) {
    double dx = a.x() - b.x(), dy = a.y() - b.y();
    return std::sqrt(dx * dx + dy * dy);
}

void (*g_enumerate)() = &EnumJoyDevices;
}  // namespace

// The 57 x 57 sensitivity picture: the dead-zone circle and the stick's crosshair.
class SensitivityImage : public QWidget {
public:
    explicit SensitivityImage(TFormJoy* form) : QWidget(form), form(form) {
        setFixedSize(TFormJoy::kImageSize, TFormJoy::kImageSize);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        p.setPen(Qt::blue);
        p.drawRect(0, 0, width() - 1, height() - 1);
        const QPoint c = form->crosshair;
        p.setPen(Qt::black);
        p.drawLine(c.x() - 4, c.y(), c.x() + 4, c.y());
        p.drawLine(c.x(), c.y() - 4, c.x(), c.y() + 4);
        const QPoint centre(kHalf, kHalf);
        const int radius = int(Distance(form->sensCursor, centre));
        p.setPen(Distance(c, centre) < radius ? Qt::black : Qt::red);
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(centre, radius, radius);
    }
    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton) return;
        dragging = true;
        form->SetSensitivityCursor(e->position().toPoint());
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        if (dragging) form->SetSensitivityCursor(e->position().toPoint());
    }
    void mouseReleaseEvent(QMouseEvent*) override { dragging = false; }

private:
    TFormJoy* form;
    bool dragging = false;
};

TFormJoy::TFormJoy(QWidget* parent) : QDialog(parent) {
    setObjectName("FormJoy");
    setWindowTitle("Joystick 4004/482");
    CreateControls();
    LoadSettings();
    sensCursor = QPoint(15, 15);
    crosshair = QPoint(kHalf, kHalf);
    DrawSensitivity();
}

TFormJoy::~TFormJoy() { StopDevice(true); }

void TFormJoy::SetDeviceEnumerator(void (*enumerate)()) { g_enumerate = enumerate ? enumerate : &EnumJoyDevices; }

QString TFormJoy::ObjectName(int entry) {
    if (entry == 0) return "X axis";
    if (entry == 1) return "Y axis";
    if (entry >= 2 && entry < 6) return QString("Hat %1").arg(entry - 2);
    if (entry >= 6 && entry < kObjectCount) return QString("Button %1").arg(entry - 6);
    return QString();
}

QString TFormJoy::AssociateText() {
    std::string t = LangText("FormJoy", "text.Buttons.Associate");
    return t.empty() ? QString::fromUtf8("Priradiť") : QString::fromStdString(t);
}

void TFormJoy::CreateControls() {
    auto* outer = new QVBoxLayout(this);
    gbJoy = new QGroupBox(this);
    gbJoy->setObjectName("GbJoy");
    gbJoyTag = 0;
    outer->addWidget(gbJoy);
    auto* grid = new QGridLayout(gbJoy);

    rbKeyMap = new QRadioButton(QString::fromUtf8("Mapovať na klávesnicu"), gbJoy);
    rbKeyMap->setObjectName("RbKeyMap");
    grid->addWidget(rbKeyMap, 0, 0, 1, 4);
    static const char* keyNames[5] = {"CbKeyLeft", "CbKeyRight", "CbKeyUp", "CbKeyDown", "CbKeyFire"};
    static const char* keyLabelNames[5] = {"LblKeyLeft", "LblKeyRight", "LblKeyUp", "LblKeyDown", "LblKeyFire"};
    static const char* keyCaptions[5] = {"Vľavo:", "Vpravo:", "Hore:", "Dole:", "Fire:"};
    for (int i = 0; i < 5; ++i) {
        keyLabels[i] = new QLabel(QString::fromUtf8(keyCaptions[i]), gbJoy);
        keyLabels[i]->setObjectName(keyLabelNames[i]);
        keys[i] = new QComboBox(gbJoy);
        keys[i]->setObjectName(keyNames[i]);
        for (const JoyKey& k : JoyKeyTable) keys[i]->addItem(QString::fromUtf8(k.name));
        keys[i]->setCurrentIndex(-1);
        keys[i]->installEventFilter(this);
        grid->addWidget(keyLabels[i], 1 + i, 0);
        grid->addWidget(keys[i], 1 + i, 1);
    }

    rbJoyDev = new QRadioButton("Joystick / Gamepad", gbJoy);
    rbJoyDev->setObjectName("RbJoyDev");
    grid->addWidget(rbJoyDev, 0, 2, 1, 3);
    cbDevice = new QComboBox(gbJoy);
    cbDevice->setObjectName("CbDevice");
    sBtnRefresh = new QToolButton(gbJoy);
    sBtnRefresh->setObjectName("SBtnRefresh");
    sBtnRefresh->setIcon(ControlPictures::CommandIcon(ControlPictures::Command::Refresh));
    sBtnRefresh->setToolTip(QString::fromUtf8("Obnoviť zoznam zariadení"));
    auto* devRow = new QHBoxLayout;
    devRow->addWidget(cbDevice, 1);
    devRow->addWidget(sBtnRefresh);
    grid->addLayout(devRow, 1, 2, 1, 3);

    rbAxes = new QRadioButton(QString::fromUtf8("Osi X a Y alebo pozičné klobúčiky"), gbJoy);
    rbAxes->setObjectName("RbAxes");
    grid->addWidget(rbAxes, 2, 2, 1, 3);
    cbAxes = new QComboBox(gbJoy);
    cbAxes->setObjectName("CbAxes");
    grid->addWidget(cbAxes, 3, 2, 1, 3);
    lblSensitivity = new QLabel(QString::fromUtf8("Citlivosť:"), gbJoy);
    lblSensitivity->setObjectName("LblSensitivity");
    imgSens = new SensitivityImage(this);
    imgSens->setObjectName("ImgSens");
    imgSens->setToolTip(QString::fromUtf8("Kliknutím možno meniť veľkosť\nkružnice určujúcej citlivosť páky"));
    lblAxesBtnFire = new QLabel("Fire:", gbJoy);
    lblAxesBtnFire->setObjectName("LblAxesBtnFire");
    btnAxesFire = new QPushButton(gbJoy);
    btnAxesFire->setObjectName("BtnAxesFire");
    btnCalibrate = new QPushButton(QString::fromUtf8("Kalibrovať"), gbJoy);
    btnCalibrate->setObjectName("BtnCalibrate");
    grid->addWidget(lblSensitivity, 4, 2);
    grid->addWidget(imgSens, 4, 3, 2, 1);
    grid->addWidget(lblAxesBtnFire, 6, 2);
    grid->addWidget(btnAxesFire, 6, 3);
    grid->addWidget(btnCalibrate, 6, 4);

    rbButtons = new QRadioButton(QString::fromUtf8("Tlačidlá"), gbJoy);
    rbButtons->setObjectName("RbButtons");
    grid->addWidget(rbButtons, 7, 2, 1, 3);
    static const char* btnNames[5] = {"BtnLeft", "BtnRight", "BtnUp", "BtnDown", "BtnFire"};
    auto* btnRow = new QHBoxLayout;
    for (int i = 0; i < 5; ++i) {
        dirButtons[i] = new QPushButton(gbJoy);
        dirButtons[i]->setObjectName(btnNames[i]);
        dirButtons[i]->setToolTip(QString::fromUtf8(keyCaptions[i]));
        btnRow->addWidget(dirButtons[i]);
        connect(dirButtons[i], &QPushButton::clicked, this, [this, i] { BtnAssociateClick(dirButtons[i]); });
    }
    grid->addLayout(btnRow, 8, 2, 1, 3);
    connect(btnAxesFire, &QPushButton::clicked, this, [this] { BtnAssociateClick(btnAxesFire); });

    auto* source = new QButtonGroup(this);
    source->addButton(rbKeyMap);
    source->addButton(rbJoyDev);
    auto* kind = new QButtonGroup(this);
    kind->addButton(rbAxes);
    kind->addButton(rbButtons);
    connect(rbKeyMap, &QRadioButton::toggled, this, [this](bool on) {
        if (on) StopDevice(false);
        UpdateEnabling();
    });
    connect(rbJoyDev, &QRadioButton::toggled, this, [this](bool on) {
        if (on && testDevice && cbAxes->currentIndex() >= 0) timer->start();
        UpdateEnabling();
    });
    connect(rbAxes, &QRadioButton::toggled, this, [this] { UpdateEnabling(); });
    connect(rbButtons, &QRadioButton::toggled, this, [this] { UpdateEnabling(); });
    connect(cbDevice, qOverload<int>(&QComboBox::activated), this, [this] { CbDeviceChange(); });
    connect(cbAxes, qOverload<int>(&QComboBox::activated), this, [this] { CbAxesChange(); });
    connect(sBtnRefresh, &QToolButton::clicked, this, [this] {
        RefreshDevices();
        CbDeviceChange();
    });
    connect(btnCalibrate, &QPushButton::clicked, this, [this] { BtnCalibrateClick(); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    btnOk = new QPushButton("OK", this);
    btnOk->setObjectName("BtnOk");
    btnOk->setDefault(true);
    btnCancel = new QPushButton(QString::fromUtf8("Zrušiť"), this);
    btnCancel->setObjectName("BtnCancel");
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    outer->addLayout(buttons);
    connect(btnOk, &QPushButton::clicked, this, [this] { BtnOkClick(); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    timer = new QTimer(this);
    timer->setObjectName("Timer");
    timer->setInterval(100);
    connect(timer, &QTimer::timeout, this, [this] { TimerTimer(); });
}

void TFormJoy::RefreshDevices() {
    g_enumerate();
    const int keep = cbDevice->currentIndex();
    cbDevice->clear();
    if (JoyDevices) {
        for (size_t i = 0; i < JoyDevices->size(); ++i) {
            QString name = QString::fromStdString((*JoyDevices)[i].InstanceName);
            int same = 0;
            for (size_t j = 0; j < i; ++j)
                if ((*JoyDevices)[j].InstanceName == (*JoyDevices)[i].InstanceName) ++same;
            if (same) name += QString(" (%1)").arg(same + 1);  // identical pads by order
            cbDevice->addItem(name);
        }
    }
    cbDevice->setCurrentIndex(keep < cbDevice->count() ? keep : -1);
}

void TFormJoy::LoadSettings() {
    RefreshDevices();
    for (int i = 0; i < 2; ++i) {
        rows[i] = LoadJoyRow(JoyRowNode(i, false), JoyDevices.get());
        edited[i] = false;
    }
}

bool TFormJoy::WriteEditedRows() {
    if (!ConfigRoot) return false;
    for (int i = 0; i < 2; ++i) {
        if (!edited[i]) continue;
        if (!WriteJoyRow(JoyRowNode(i, true), rows[i], JoyDevices.get())) return false;
        edited[i] = false;
    }
    return true;
}

QString TFormJoy::DescribeConnection(int connector) const {
    return QString::fromStdString(DescribeJoyRow(rows[connector & 1], JoyDevices.get()));
}

int TFormJoy::GbJoyTag() const { return gbJoyTag; }

int& TFormJoy::ButtonTag(const QPushButton* b) {
    for (int i = 0; i < 5; ++i)
        if (b == dirButtons[i]) return buttonTags[i];
    return buttonTags[5];
}

bool TFormJoy::EditConnector(int connector) {
    currentRow = connector & 1;
    return exec() == QDialog::Accepted;
}

void TFormJoy::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TFormJoy::ShowButton(QPushButton* b, int tagBase, int number) {
    if (number >= 0 && number < 32) {
        b->setText(ObjectName(6 + number));
        ButtonTag(b) = tagBase + number;
    } else {
        b->setText(AssociateText());
        ButtonTag(b) = tagBase - 1;
    }
}

void TFormJoy::FormShow() {
    gbJoyTag = 0;
    sensCursor = QPoint(15, 15);
    const JoyRow& row = rows[currentRow & 1];
    if (row.type >= JoyRow::kAxes && row.type <= JoyRow::kButtons) {
        rbJoyDev->setChecked(true);
        RefreshDevices();
        cbDevice->setCurrentIndex(row.device < cbDevice->count() ? row.device : -1);
        CbDeviceChange();
        if (row.type == JoyRow::kButtons) {
            const int32_t n[5] = {row.left, row.right, row.up, row.down, row.fire};
            for (int i = 0; i < 5; ++i) ShowButton(dirButtons[i], kButtonBase, n[i]);
            ShowButton(btnAxesFire, kAxesFireBase, -1);
            for (QComboBox* k : keys) k->setCurrentIndex(-1);
            if (rbButtons->isEnabled()) rbButtons->setChecked(true);
        } else {
            ShowButton(btnAxesFire, kAxesFireBase, row.fire);
            for (QPushButton* b : dirButtons) ShowButton(b, kButtonBase, -1);
            for (int i = 0; i < cbAxes->count(); ++i) {
                bool hat = cbAxes->itemData(i).toInt() >= 0;
                if (hat == (row.type == JoyRow::kPov) &&
                    (!hat || row.pov < 0 || cbAxes->itemData(i).toInt() == row.pov)) {
                    cbAxes->setCurrentIndex(i);
                    break;
                }
            }
            CbAxesChange();
            if (rbAxes->isEnabled()) rbAxes->setChecked(true);
            sensCursor = QPoint(kHalf, int(std::trunc(row.sensitivity / 100.0 * kHalf)) + kHalf);
        }
    } else {
        const int32_t n[5] = {row.left, row.right, row.up, row.down, row.fire};
        for (int i = 0; i < 5; ++i) keys[i]->setCurrentIndex(n[i] >= 0 && n[i] < kJoyKeyCount ? n[i] : -1);
        for (QPushButton* b : dirButtons) ShowButton(b, kButtonBase, -1);
        ShowButton(btnAxesFire, kAxesFireBase, -1);
        rbKeyMap->setChecked(true);
    }
    UpdateEnabling();
    DrawSensitivity();
}

void TFormJoy::UpdateEnabling() {
    if (assigning) return;
    const bool keyMap = rbKeyMap->isChecked();
    const bool joyDev = rbJoyDev->isChecked();
    for (int i = 0; i < 5; ++i) {
        keys[i]->setEnabled(keyMap);
        keyLabels[i]->setEnabled(keyMap);
    }
    rbKeyMap->setEnabled(true);
    rbJoyDev->setEnabled(true);
    cbDevice->setEnabled(joyDev);
    sBtnRefresh->setEnabled(joyDev);
    rbAxes->setEnabled(joyDev && cbAxes->count() > 0);
    rbButtons->setEnabled(joyDev && buttonCount >= 5);
    const bool axes = rbAxes->isEnabled() && rbAxes->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(cbAxes), static_cast<QWidget*>(lblSensitivity),
                       static_cast<QWidget*>(imgSens), static_cast<QWidget*>(lblAxesBtnFire),
                       static_cast<QWidget*>(btnAxesFire), static_cast<QWidget*>(btnCalibrate)})
        w->setEnabled(axes);
    const bool buttons = rbButtons->isEnabled() && rbButtons->isChecked();
    for (QPushButton* b : dirButtons) b->setEnabled(buttons);
    btnOk->setEnabled(true);
    btnCancel->setEnabled(true);
}

void TFormJoy::StopDevice(bool release) {
    if (timer) timer->stop();
    if (release) testDevice.reset();
}

void TFormJoy::CbDeviceChange() {
    StopDevice(true);
    cbAxes->clear();
    for (bool& o : objects) o = false;
    buttonCount = 0;
    for (QPushButton* b : dirButtons) ShowButton(b, kButtonBase, -1);
    ShowButton(btnAxesFire, kAxesFireBase, -1);
    const int index = cbDevice->currentIndex();
    if (index >= 0 && JoyDevices && size_t(index) < JoyDevices->size()) {
        testDevice = CreateHostJoystick();
        if (testDevice->Open((*JoyDevices)[size_t(index)].InstanceGuid)) {
            const int axes = testDevice->AxisCount();
            objects[0] = axes >= 1;
            objects[1] = axes >= 2;
            const int hats = std::min(testDevice->HatCount(), 4);
            for (int h = 0; h < hats; ++h) objects[2 + h] = true;
            buttonCount = std::min(testDevice->ButtonCount(), 32);
            for (int b = 0; b < buttonCount; ++b) objects[6 + b] = true;
            if (objects[0] && objects[1]) cbAxes->addItem(ObjectName(0) + " & " + ObjectName(1), -1);
            for (int h = 0; h < hats; ++h) cbAxes->addItem(ObjectName(2 + h), h);
            if (cbAxes->count() > 0) cbAxes->setCurrentIndex(0);
        } else {
            testDevice.reset();  // only the keys remain usable
        }
    }
    UpdateEnabling();
    CbAxesChange();
}

void TFormJoy::CbAxesChange() {
    if (cbAxes->currentIndex() < 0 || !testDevice) return;
    povIndex = cbAxes->currentData().toInt();
    timer->start();
}

void TFormJoy::SetSensitivityCursor(QPoint p) {
    sensCursor = p;
    DrawSensitivity();
}

void TFormJoy::DrawSensitivity() {
    if (imgSens) imgSens->update();
}

void TFormJoy::TimerTimer() {
    if (!testDevice || !testDevice->IsOpen()) return;
    HostJoystickState s;
    if (!testDevice->Poll(s)) return;
    if (assigning) {
        ++blink;
        QFont f = assigning->font();
        f.setBold(blink % 3 == 0 ? !f.bold() : f.bold());
        assigning->setFont(f);
        for (int b = 0; b < buttonCount && b < 32; ++b)
            if (s.buttons[b] & 0x80) {
                EndAssigning(b);
                break;
            }
    }
    if (!rbAxes->isChecked()) return;
    const int w = kImageSize, h = kImageSize;
    QPoint p;
    if (povIndex < 0) {
        p = QPoint(int(std::trunc((s.x + 128) / 256.0 * w)), int(std::trunc((s.y + 128) / 256.0 * h)));
    } else {
        uint32_t v = s.pov[povIndex & 3];
        if ((v & 0xFFFF) == 0xFFFF) {
            p = QPoint(kHalf, kHalf);
        } else {
            static const QPoint at[8] = {{kHalf, 0}, {w, 0},     {w, kHalf}, {w, h},
                                         {kHalf, h}, {0, h},     {0, kHalf}, {0, 0}};
            uint32_t sector = (v + 4499) / 4500;
            p = sector < 8 ? at[sector] : QPoint(0, 0);
        }
    }
    p.setX(std::clamp(p.x(), 3, w - 4));
    p.setY(std::clamp(p.y(), 3, h - 4));
    if (p != crosshair) {
        crosshair = p;
        DrawSensitivity();
    }
}

void TFormJoy::BtnAssociateClick(QPushButton* b) {
    if (assigning == b) {
        EndAssigning(-1);
        return;
    }
    if (assigning) return;
    const bool axesFire = b == btnAxesFire;
    for (QWidget* w : {static_cast<QWidget*>(rbKeyMap), static_cast<QWidget*>(rbJoyDev),
                       static_cast<QWidget*>(rbAxes), static_cast<QWidget*>(rbButtons),
                       static_cast<QWidget*>(cbDevice), static_cast<QWidget*>(sBtnRefresh),
                       static_cast<QWidget*>(btnOk), static_cast<QWidget*>(btnCancel)})
        w->setEnabled(false);
    if (axesFire) {
        cbAxes->setEnabled(false);
        btnCalibrate->setEnabled(false);
        imgSens->setEnabled(false);
    } else {
        for (QPushButton* o : dirButtons)
            if (o != b) o->setEnabled(false);
    }
    ShowButton(b, axesFire ? kAxesFireBase : kButtonBase, -1);
    assigning = b;
    blink = 0;
    if (testDevice) timer->start();
}

void TFormJoy::EndAssigning(int number) {
    QPushButton* b = assigning;
    if (!b) return;
    assigning = nullptr;
    QFont f = b->font();
    f.setBold(false);
    b->setFont(f);
    ShowButton(b, b == btnAxesFire ? kAxesFireBase : kButtonBase, number);
    UpdateEnabling();
}

void TFormJoy::BtnCalibrateClick() {
    gbJoyTag = 1;
    const QString tool = QStandardPaths::findExecutable("jstest-gtk");
    if (tool.isEmpty()) {
        QApplication::beep();
        return;
    }
    prompts->InformationKey(this, "FormJoy", "err.Calibrate");
    QProcess::startDetached(tool, {});
}

void TFormJoy::BtnOkClick() {
    JoyRow row = JoyRow::Cleared();
    const int device = cbDevice->currentIndex();
    if (rbKeyMap->isChecked()) {
        row.type = JoyRow::kKeys;
        row.left = keys[0]->currentIndex();
        row.right = keys[1]->currentIndex();
        row.up = keys[2]->currentIndex();
        row.down = keys[3]->currentIndex();
        row.fire = keys[4]->currentIndex();
    } else if (rbButtons->isChecked() && rbButtons->isEnabled() && device >= 0) {
        row.type = JoyRow::kButtons;
        int32_t* n[5] = {&row.left, &row.right, &row.up, &row.down, &row.fire};
        for (int i = 0; i < 5; ++i) *n[i] = buttonTags[i] >= kButtonBase ? buttonTags[i] - kButtonBase : -1;
        row.device = device;
    } else if (device >= 0 && cbAxes->currentIndex() >= 0) {
        const int hat = cbAxes->currentData().toInt();
        row.type = hat >= 0 ? JoyRow::kPov : JoyRow::kAxes;
        row.pov = hat >= 0 ? hat : -1;
        row.fire = buttonTags[5] >= kAxesFireBase ? buttonTags[5] - kAxesFireBase : -1;
        // The cursor may sit in a corner, beyond the circle's reach.
        int s = int(std::trunc(Distance(sensCursor, QPoint(kHalf, kHalf)) / kHalf * 100.0));
        row.sensitivity = std::clamp(s, 0, 100);
        row.device = device;
    }
    rows[currentRow & 1] = row;
    edited[currentRow & 1] = true;
    gbJoyTag = 1;
    accept();
}

bool TFormJoy::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        for (QComboBox* k : keys)
            if (watched == k) {
                auto* ke = static_cast<QKeyEvent*>(event);
                if (ke->key() == Qt::Key_Backspace) {
                    k->setCurrentIndex(-1);
                    return true;
                }
                const int vk = VirtualKeyOf(ke);
                for (int i = 0; i < kJoyKeyCount; ++i)
                    if (JoyKeyTable[i].vk == vk) {
                        k->setCurrentIndex(i);
                        return true;
                    }
                return false;
            }
    }
    return QDialog::eventFilter(watched, event);
}
