#include "shell/ProgramEntry.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTimer>

#include <cstdio>
#include <memory>

#include "Version.h"
#include "common/ConfigDocument.h"
#include "common/ConfigLocation.h"
#include "common/Startup.h"
#include "shell/FormMain.h"
#include "shell/InstanceChannel.h"
#include "ui/HintHidePause.h"

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

bool StartupErrorMessage(int error, const QString& file, const QString& problem, const QString& note,
                         QString& caption, QString& text) {
    if (!StartupErrorTexts(error, caption, text)) return false;
    QStringList detail;
    if (!problem.isEmpty()) detail << (file.isEmpty() ? problem : file + ": " + problem + ".");
    if (!note.isEmpty()) detail << note;
    if (!detail.isEmpty()) text += "\n\n" + detail.join('\n');
    return true;
}

CommandLine ParseCommandLine(const QStringList& args) {
    QCommandLineParser parser;
    parser.setApplicationDescription("Emulator of the PMD 85 computers.");
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{"h", "help"}, "Show this help and exit.");
    const QCommandLineOption version(QStringList{"v", "version"}, "Show the version and exit.");
    parser.addOption(help);
    parser.addOption(version);
    parser.addPositionalArgument("file", "A snapshot, tape or recording to open (.psn, .ptp, .pmd, .prc).",
                                 "[file]");
    CommandLine line;
    const QString program = args.isEmpty() ? QStringLiteral("orvik") : QFileInfo(args.first()).fileName();
    if (!parser.parse(args)) {
        line.action = CommandLine::Refuse;
        // Options of the Qt library itself, which the application object takes away.
        static const QStringList qtOptions{"platform", "platformpluginpath", "platformtheme", "plugin",
                                           "qwindowgeometry", "qwindowicon", "qwindowtitle", "reverse",
                                           "session", "display", "geometry", "style", "stylesheet",
                                           "widgetcount", "qmljsdebugger", "nograb", "dograb", "sync",
                                           "name", "title", "visual", "ncols", "cmap"};
        const QStringList unknown = parser.unknownOptionNames();
        line.qtOptionsOnly = !unknown.isEmpty();
        for (const QString& o : unknown)
            if (!qtOptions.contains(o)) line.qtOptionsOnly = false;
        line.output = program + ": " + parser.errorText() + "\nTry '" + program + " --help' for more information.\n";
        return line;
    }
    if (parser.isSet(help)) {
        line.action = CommandLine::PrintAndExit;
        line.output = parser.helpText();
        line.output.replace(QRegularExpression("^Usage: \\S+"), "Usage: " + program);
        return line;
    }
    if (parser.isSet(version)) {
        line.action = CommandLine::PrintAndExit;
        line.output = "Orvik " ORVIK_VERSION_TEXT "\n";
        return line;
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        line.action = CommandLine::Refuse;
        line.output = program + ": only one file can be opened at a time\nTry '" + program +
                      " --help' for more information.\n";
        return line;
    }
    if (!files.isEmpty()) line.file = files.first();
    return line;
}

namespace {

// Written to stderr as well. Where nobody can see or click the box (the offscreen
// platform) it is shown and closed at once, so the program still ends.
void ShowStartupError(int error, const ConfigDocument& doc, const QString& note) {
    QString caption, text;
    const QString problem = error == TFormMain::kPortIoMissing ? QString() : QString::fromStdString(doc.Problem());
    if (!StartupErrorMessage(error, QString::fromStdString(doc.FileName()), problem,
                             error == TFormMain::kConfigUnreadable ? note : QString(), caption, text))
        return;
    std::fprintf(stderr, "%s: %s\n", caption.toUtf8().constData(), text.toUtf8().constData());
    QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok);
    box.setObjectName("StartupErrorBox");
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        QTimer::singleShot(0, &box, &QMessageBox::accept);
    box.exec();
}

int Finish(const CommandLine& line) {
    const QByteArray text = line.output.toLocal8Bit();
    std::fputs(text.constData(), line.action == CommandLine::Refuse ? stderr : stdout);
    return line.action == CommandLine::Refuse ? kExitUsage : 0;
}

// The configuration's folder: the program folder in portable mode, else the user's
// folder; language files also come from the user's data folder and the share folder.
// Returns what went wrong on the way (the default configuration not found or not
// copied), for the start-up message of a configuration that cannot be read.
QString ChooseProgramFolders() {
    const std::string programDir = ExecutableDir();
    if (programDir.empty()) return {};  // InitCommonUtils then reports what it finds
    const std::string shared = SharedDataDir(programDir);
    const std::string beside = programDir + "Orvik.xml";
    const std::string installed = shared + "Orvik.xml";
    const std::string shipped = QFileInfo::exists(QString::fromStdString(beside)) ? beside : installed;
    const ConfigLocation where = ChooseConfigLocation(programDir, shipped);
    QString note;
    if (!where.problem.empty()) {
        if (!QFileInfo::exists(QString::fromStdString(shipped)))
            note = QStringLiteral("The default configuration cannot be read: it was looked for as %1 and as %2, "
                                  "and neither is there.")
                       .arg(QString::fromStdString(beside), QDir::cleanPath(QString::fromStdString(installed)));
        else
            note = QStringLiteral("The configuration cannot be made from the default %1: %2.")
                       .arg(QDir::cleanPath(QString::fromStdString(shipped)), QString::fromStdString(where.problem));
        std::fprintf(stderr, "Orvik: %s\n", note.toUtf8().constData());
    }
    SetExtraLanguageFolders({UserDataDir() + "Lang/", shared + "Lang/"});
    TFormMain::SetProgramDirOverride(where.dir);
    return note;
}

}  // namespace

int RunProgram(int argc, char** argv) {
    QCoreApplication::setApplicationName("Orvik");
    QCoreApplication::setApplicationVersion(ORVIK_VERSION_TEXT);
    // --help and --version need no display; anything refused here may still be an option
    // of Qt's own (-platform, -display...), which the application object takes away.
    QStringList raw;
    for (int i = 0; i < argc; ++i) raw << QString::fromLocal8Bit(argv[i]);
    CommandLine line = ParseCommandLine(raw);
    if (line.action == CommandLine::PrintAndExit) return Finish(line);
    if (line.action == CommandLine::Refuse && !line.qtOptionsOnly) return Finish(line);

    QApplication app(argc, argv);
    app.setApplicationName("Orvik");
    // Links the windows with the installed desktop entry (its icon and name).
    QGuiApplication::setDesktopFileName("io.github.orvik.Orvik");
    line = ParseCommandLine(QApplication::arguments());
    if (line.action != CommandLine::Run) return Finish(line);

    QStringList args{QApplication::arguments().value(0)};
    if (!line.file.isEmpty()) args << line.file;

    InstanceChannel channel(QCoreApplication::applicationFilePath());
    if (channel.CheckInstance(args, QDir::currentPath())) return 0;

    const QString folderNote = ChooseProgramFolders();
    {
        auto form = std::make_unique<TFormMain>();
        if (ApplicationTag < 0) {
            ShowStartupError(ApplicationTag, form->XMLDoc(), folderNote);
        } else {
            SetHintHidePause(app, kHintHidePauseMs);
            // The other windows are created here, before the first showing.
            form->SetInstanceChannel(&channel);
            if (!line.file.isEmpty())
                form->SetCommandLineFile(QDir::cleanPath(QDir::current().absoluteFilePath(line.file)));
            form->show();
            app.exec();
        }
    }
    channel.ReleaseInstance();
    return ApplicationTag >= 0 ? 0 : 1;
}
