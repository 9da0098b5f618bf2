// The status panel's CPU-usage label shows the share of wall time spent in
// CPU slices, as a truncated whole percentage: a slice of known cost (it
// spends at least 100 us before it runs the CPU) must give a figure that is
// not 0 and not below what that cost alone accounts for.
#include <QtTest>

#include <QLabel>

#include <chrono>
#include <memory>

#include "machine/owner/OwnerLinks.h"
#include "shell/FormMain.h"
#include "tests/qt/TestProgramDir.h"

namespace {

// Asked once per slice, before the slice runs: spends spinUs there.
class CostlySlice : public DebuggerLink {
public:
    explicit CostlySlice(int spinUs) : spin(spinUs) {}
    int IsBreakpoint(uint16_t) override { return 0; }
    int StepWatchingReturn(int32_t& cycles) override {
        cycles = 4;
        return 0;
    }
    bool AnyBreakpoint() override {
        const auto end = std::chrono::steady_clock::now() + spin;
        while (std::chrono::steady_clock::now() < end) {
        }
        return false;
    }
    void OpenDebugger() override {}

private:
    std::chrono::microseconds spin;
};

int Percent(const QString& text) {
    if (!text.endsWith('%')) return -1;
    bool ok = false;
    const int v = text.chopped(1).toInt(&ok);
    return ok ? v : -1;
}

}  // namespace

class CpuUsageLabelTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { TFormMain::SetProgramDirOverride(""); }

    void aSliceOfKnownCostShowsInTheLabel() {
        TestProgramDir prog;
        QVERIFY(prog.Make([](QString& t) { t.replace("mute=\"false\"", "mute=\"true\""); }));
        TFormMain::SetProgramDirOverride(prog.Path().toStdString());
        auto form = std::make_unique<TFormMain>();
        QCOMPARE(ApplicationTag, 0);
        auto* label = form->findChild<QLabel*>("LabelCpuUsage");
        QVERIFY(label);
        QCOMPARE(label->text(), QString("0%"));

        CostlySlice costly(100);
        form->Owner().SetDebugger(&costly);
        form->show();
        QCOMPARE(form->RunState(), 0);

        // Figures come once a second; the first one covers the start.
        QTRY_VERIFY_WITH_TIMEOUT(label->text() != "0%", 10000);
        const int32_t slicesBefore = form->Owner().GetSliceCount();
        QElapsedTimer clock;
        clock.start();
        QTest::qWait(3000);
        const int32_t slices = form->Owner().GetSliceCount() - slicesBefore;
        const double seconds = clock.elapsed() / 1000.0;
        const int shown = Percent(label->text());
        // Each slice costs at least 100 us: usage >= slices/s * 100 us * 100,
        // truncated; one less for a rate that varied over the seconds.
        const int atLeast = int(slices / seconds * 100e-6 * 100) - 1;
        QVERIFY2(shown >= 1 && shown <= 100 && shown >= atLeast,
                 qPrintable(QString("label %1 with %2 slices in %3 s").arg(label->text()).arg(slices).arg(seconds)));
        form->SetPause(1, 1);
        form->Owner().SetDebugger(nullptr);
        form.reset();
    }
};

QTEST_MAIN(CpuUsageLabelTest)
#include "CpuUsageLabelTest.moc"
