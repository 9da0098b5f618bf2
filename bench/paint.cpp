// The cost of showing the machine's picture in the main window, per window
// size. The main window boots a stand-in monitor of our own that draws a
// pattern and then either stands still or changes one row in every frame.
// Printed per size:
//   - painting one frame in the screen widget (posted repaint, paint and
//     flush to the window system), with one changed row and with the whole
//     picture changed: wall time of the user-interface thread and the CPU
//     time of the whole process per frame;
//   - the process's share of one core while the machine runs at real time,
//     with a still picture and with a picture that changes in every frame,
//     and the wake-ups of its threads per second.
// Run it in a real X server for figures that include the window system:
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/paint [seconds]
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QTimer>

#include <sys/resource.h>
#include <time.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>

#include "machine/cpu/ChipCpu8080.h"
#include "machine/cpu/ChipMemory.h"
#include "machine/screen/ScreenDAD85.h"
#include "shell/FormMain.h"
#include "shell/ScreenView.h"
#include "tests/qt/FakePrompts.h"
#include "tests/qt/StandInMonitor.h"
#include "tests/qt/TestProgramDir.h"

namespace {

double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

struct ThreadUse {
    std::string name;
    double cpuSeconds = 0;
    long wakeUps = 0;  // voluntary context switches: sleeps that ended
};

// CPU seconds and wake-ups of each thread of the process, by thread id.
std::map<int, ThreadUse> ThreadCpuSeconds() {
    std::map<int, ThreadUse> threads;
    const double tick = double(sysconf(_SC_CLK_TCK));
    QDir dir("/proc/self/task");
    for (const QString& id : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        std::ifstream in(("/proc/self/task/" + id + "/stat").toStdString());
        std::string line;
        if (!std::getline(in, line)) continue;
        const size_t open = line.find('('), close = line.rfind(')');
        if (open == std::string::npos || close == std::string::npos) continue;
        std::istringstream rest(line.substr(close + 2));
        std::string field;
        double utime = 0, stime = 0;
        for (int i = 3; i <= 15 && rest >> field; ++i) {
            if (i == 14) utime = std::stod(field);
            if (i == 15) stime = std::stod(field);
        }
        ThreadUse& use = threads[id.toInt()];
        use.name = line.substr(open + 1, close - open - 1);
        use.cpuSeconds = (utime + stime) / tick;
        std::ifstream status(("/proc/self/task/" + id + "/status").toStdString());
        for (std::string l; std::getline(status, l);)
            if (l.rfind("voluntary_ctxt_switches:", 0) == 0) use.wakeUps = std::stol(l.substr(24));
    }
    return threads;
}

void RunEvents(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

struct PaintCost {
    double wallUs = 0;
    double cpuUs = 0;
};

// Frames painted through the window's own path: the renderer draws, the
// view is told, the event loop paints and flushes.
PaintCost MeasureFrames(TFormMain& form, int frames, bool wholePicture) {
    MachineOwner& owner = form.Owner();
    uint8_t* vram = owner.GetMemory()->GetVideoRam();
    ScreenDAD85* screen = owner.GetScreen();
    double wall = 0, cpu = 0;
    for (int i = 0; i < frames; ++i) {
        if (wholePicture)
            for (int r = 0; r < ScreenDAD85::kRows; ++r) vram[r * ScreenDAD85::kRowBytes + (i % 48)] ^= 0x3F;
        else
            vram[100 * ScreenDAD85::kRowBytes + 20] ^= 0x3F;
        screen->Paint(vram);  // the screen tick's share, not counted
        QElapsedTimer t;
        const double c0 = ProcessCpuSeconds();
        t.start();
        form.ViewLink().RepaintScreen();
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        wall += double(t.nsecsElapsed()) / 1000.0;
        cpu += (ProcessCpuSeconds() - c0) * 1e6;
    }
    return {wall / frames, cpu / frames};
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    std::printf("platform %s, real-time run %d s per size and picture\n", qPrintable(QGuiApplication::platformName()),
                seconds);
    static const char* const sizes[3] = {"normal", "double", "triple"};
    for (int s = 0; s < 3; ++s) {
        for (int changing = 0; changing < 2; ++changing) {
            TestProgramDir prog;
            const QString rom = prog.Path("monitor.rom");
            if (!prog.Make([&](QString& t) {
                    t.replace("size=\"triple\"", QString("size=\"%1\"").arg(sizes[s]));
                    t.replace("mute=\"false\"", "mute=\"true\"");
                    UseMonitorRom(t, "Model-C2717", rom);
                })) {
                std::fprintf(stderr, "cannot make the program folder\n");
                return 1;
            }
            uint16_t halt = 0;
            prog.Write("monitor.rom", StandInMonitor(true, halt, changing != 0));
            TFormMain::SetProgramDirOverride(prog.Path().toStdString());
            FakePrompts prompts;  // boxes are only noted
            auto form = std::make_unique<TFormMain>(prompts);
            if (ApplicationTag != 0) {
                std::fprintf(stderr, "the main window did not start (%d)\n", ApplicationTag);
                return 1;
            }
            form->show();
            RunEvents(1500);  // boot and draw

            // Real time.
            MachineOwner& owner = form->Owner();
            const int frames0 = form->Screen()->PaintedFrames();
            const int32_t slices0 = owner.GetSliceCount();
            const auto threads0 = ThreadCpuSeconds();
            const double cpu0 = ProcessCpuSeconds();
            QElapsedTimer wall;
            wall.start();
            RunEvents(seconds * 1000);
            const double elapsed = double(wall.nsecsElapsed()) * 1e-9;
            const double share = (ProcessCpuSeconds() - cpu0) / elapsed * 100.0;
            const double fps = (form->Screen()->PaintedFrames() - frames0) / elapsed;
            const double sps = (owner.GetSliceCount() - slices0) / elapsed;
            std::string perThread;
            long wakeUps = 0;
            for (const auto& [id, entry] : ThreadCpuSeconds()) {
                const auto before = threads0.find(id);
                const bool old = before != threads0.end();
                const double used = entry.cpuSeconds - (old ? before->second.cpuSeconds : 0.0);
                const long woke = entry.wakeUps - (old ? before->second.wakeUps : 0);
                wakeUps += woke;
                if (used <= 0 && woke < elapsed) continue;
                char part[128];
                std::snprintf(part, sizeof part, "%s%s %.2f %% %.0f/s", perThread.empty() ? "" : ", ",
                              entry.name.c_str(), used / elapsed * 100.0, double(woke) / elapsed);
                perThread += part;
            }
            const int w = form->Screen()->width(), h = form->Screen()->height();
            if (changing) {
                // Single frames, machine held.
                form->SetPause(1, 1);
                MeasureFrames(*form, 20, false);  // warm up
                const PaintCost row = MeasureFrames(*form, 200, false);
                const PaintCost whole = MeasureFrames(*form, 100, true);
                std::printf("                         paint, one row changed: %8.1f us/frame (process CPU %8.1f us)\n",
                            row.wallUs, row.cpuUs);
                std::printf("                         paint, whole picture:     %8.1f us/frame (process CPU %8.1f us)\n",
                            whole.wallUs, whole.cpuUs);
            } else {
                std::printf("%3d %%  widget %4dx%-4d\n", 100 * (s + 1), w, h);
            }
            std::printf("                         real time, %s: process %5.2f %% of a core, %.0f frames/s, %.0f slices/s\n",
                        changing ? "picture changing every frame" : "still picture", share, fps, sps);
            std::printf("                         wake-ups: %.0f/s; threads (share of a core, wake-ups): %s\n",
                        double(wakeUps) / elapsed, perThread.c_str());
            if (auto* label = form->findChild<QLabel*>("LabelCpuUsage"))
                std::printf("                         CPU-usage label: %s\n", qPrintable(label->text()));
            std::fflush(stdout);
            form.reset();
            TFormMain::SetProgramDirOverride("");
        }
    }
    return 0;
}
