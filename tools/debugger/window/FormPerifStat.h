#pragma once
// The 8253 counters of the timer interface, shown while the debugger is open.
#include <QWidget>

class ChipPIT8253;
class QLabel;

class TFormPerifStat : public QWidget {
    Q_OBJECT
public:
    explicit TFormPerifStat(QWidget* parent = nullptr);
    // None when the model has no timer interface.
    void SetTimer(const ChipPIT8253* timer) { pit = timer; }
    void UpdateView();
    int Tag = 0;  // shown again with the debugger when set
    QLabel* Value(int counter, int row) const { return values[counter][row]; }

private:
    const ChipPIT8253* pit = nullptr;
    QLabel* values[3][4] = {};
};
