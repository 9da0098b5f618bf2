#pragma once
// The program entry: single-instance check, the main window, the start-up
// fault boxes and the exit code.
#include <QString>

// Runs the program; returns the process exit code.
int RunProgram(int argc, char** argv);

// The caption and text of the start-up fault box for a negative start-up
// error (-1, -2, -3); false for any other value.
bool StartupErrorTexts(int error, QString& caption, QString& text);
