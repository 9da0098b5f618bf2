#include "tools/debugger/window/FormPerifStat.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

#include "machine/timer/ChipPIT8253.h"
#include "tools/debugger/DebuggerSettings.h"

TFormPerifStat::TFormPerifStat(QWidget* parent) : QWidget(parent, Qt::Tool) {
    setObjectName("FormPerifStat");
    setWindowTitle(QString::fromUtf8("Stav periférnych obvodov"));
    auto* outer = new QVBoxLayout(this);
    auto* group = new QGroupBox(QString::fromUtf8("Interný CTC 8253"), this);
    group->setObjectName("GbIntCTC8253");
    outer->addWidget(group);
    auto* grid = new QGridLayout(group);
    static const char* const kRows[4] = {"M", "C", "P", "X"};
    static const char* const kCaptions[4] = {"Mode:", "Count:", "Preset:", "G/C/O:"};
    for (int i = 0; i < 3; ++i) {
        const QString base = QString("LblC%1").arg(i);
        auto* title = new QLabel(QString("CTC%1").arg(i), group);
        title->setObjectName(base);
        QFont bold = title->font();
        bold.setBold(true);
        title->setFont(bold);
        grid->addWidget(title, 0, 2 * i, 1, 2);
        for (int r = 0; r < 4; ++r) {
            auto* caption = new QLabel(kCaptions[r], group);
            caption->setObjectName(base + kRows[r]);
            auto* value = new QLabel(group);
            value->setObjectName(base + kRows[r] + "v");
            grid->addWidget(caption, r + 1, 2 * i);
            grid->addWidget(value, r + 1, 2 * i + 1);
            values[i][r] = value;
        }
    }
    resize(418, 137);
}

void TFormPerifStat::UpdateView() {
    if (!pit) return;
    uint8_t state[18] = {};
    pit->GetState(state, 18);
    for (int i = 0; i < 3; ++i) {
        const dbg::CounterTexts t = dbg::DescribeCounter(state, i);
        values[i][0]->setText(QString::fromStdString(t.mode));
        values[i][1]->setText(QString::fromStdString(t.count));
        values[i][2]->setText(QString::fromStdString(t.preset));
        values[i][3]->setText(QString::fromStdString(t.levels));
    }
}
