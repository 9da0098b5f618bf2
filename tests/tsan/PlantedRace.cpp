// A race planted on purpose: a plain thread and a timer slot of the Qt event
// loop write one global without any ordering. ThreadSanitizer must report it
// under the project's suppressions; a suppression that hides it would hide a
// real race between the timer thread and the windows too.
#include <QCoreApplication>
#include <QTimer>

#include <thread>

namespace {
int shared = 0;
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::thread worker([] { shared = 1; });
    QTimer::singleShot(0, &app, [&app] {
        shared = 2;
        app.quit();
    });
    const int result = app.exec();
    worker.join();
    return result + (shared == 0 ? 1 : 0);
}
