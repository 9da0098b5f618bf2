#pragma once
// The program entry: the command line, the single-instance check, the main
// window, the start-up fault boxes and the exit code.
#include <QString>
#include <QStringList>

// Runs the program; returns the process exit code.
int RunProgram(int argc, char** argv);

// How long a hint stays shown.
constexpr int kHintHidePauseMs = 5000;

// The exit code of a refused command line.
constexpr int kExitUsage = 2;

// What the command line asks for: run (with an optional file), print a text and end
// with 0 (--help, --version), or refuse it with a message and kExitUsage.
struct CommandLine {
    enum Action { Run, PrintAndExit, Refuse };
    Action action = Run;
    QString file;    // the file to open, or empty
    QString output;  // the help or version text, or the refusal
    bool qtOptionsOnly = false;  // refused only for options the Qt library takes itself
};
// args as QCoreApplication::arguments() gives them (the program first).
CommandLine ParseCommandLine(const QStringList& args);

// The caption and text of the start-up fault box for a negative start-up
// error (-1, -2, -3); false for any other value.
bool StartupErrorTexts(int error, QString& caption, QString& text);

// The whole start-up message: the fixed text of the error, then the file and what is
// wrong with it (file: problem), then note (how the configuration's folder was chosen,
// when that went wrong), each on a line of its own when not empty.
bool StartupErrorMessage(int error, const QString& file, const QString& problem, const QString& note,
                         QString& caption, QString& text);
