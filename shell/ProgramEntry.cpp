#include "shell/ProgramEntry.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <memory>

#include "shell/FormMain.h"
#include "shell/InstanceChannel.h"

bool StartupErrorTexts(int error, QString& caption, QString& text) {
    switch (error) {
        case TFormMain::kConfigUnreadable:
            caption = "Error in config file";
            text = "Config file is incorrect or corrupted!";
            return true;
        case TFormMain::kVersionMismatch:
            caption = "Bad config file version";
            text = "Config file version mismatch to application version!";
            return true;
        case TFormMain::kPortIoMissing:
            caption = "DLL missing ";
            text = "inpout32.dll not found!";
            return true;
        default:
            return false;
    }
}

namespace {

// The box is also written to stderr. Where nobody can see or click it (the
// offscreen platform) it is shown and closed at once, so the program still ends.
void ShowStartupError(int error) {
    QString caption, text;
    if (!StartupErrorTexts(error, caption, text)) return;
    std::fprintf(stderr, "%s: %s\n", caption.toUtf8().constData(), text.toUtf8().constData());
    QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok);
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        QTimer::singleShot(0, &box, &QMessageBox::accept);
    box.exec();
}

}  // namespace

int RunProgram(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setApplicationName("Orvik");
    const QStringList args = QApplication::arguments();

    InstanceChannel channel(QCoreApplication::applicationFilePath());
    if (channel.CheckInstance(args, QDir::currentPath())) return 0;

    {
        auto form = std::make_unique<TFormMain>();
        if (ApplicationTag < 0) {
            ShowStartupError(ApplicationTag);
        } else {
            // The other windows are created here, before the first showing.
            form->SetInstanceChannel(&channel);
            if (args.size() > 1 && !args[1].isEmpty())
                form->SetCommandLineFile(QDir::cleanPath(QDir::current().absoluteFilePath(args[1])));
            form->show();
            app.exec();
        }
    }
    channel.ReleaseInstance();
    return ApplicationTag >= 0 ? 0 : 1;
}
