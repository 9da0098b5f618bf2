#pragma once
// The two shared file dialogs. Each keeps its initial folder between uses.
#include <QStringList>
#include <string>

class QFileDialog;
class QWidget;

// Creates the open and the save dialog, owned by owner (earlier ones are freed first).
void CreateFileDialogs(QWidget* owner);
// Frees both dialogs.
void FreeFileDialogs();
// The dialogs (created on first use when CreateFileDialogs was not called).
QFileDialog* OpenDialog();
QFileDialog* SaveDialog();

// Turns "description|patterns|description|patterns" (patterns separated by ';') into
// name filters "description (patterns)". "*.*" becomes "*".
QStringList ConvertDialogFilter(const std::string& filter);

// Asks for an existing file. The name "..." or "" opens in the last folder (AppDir when it
// is gone) with an empty name field; any other name is first made absolute (also when the
// user cancels). True when a file was chosen; name then holds its full path.
bool OpenFileDialog(const std::string& title, const std::string& filter,
                    const std::string& defaultExt, std::string& name);
// Likewise for a file to write; overwritePrompt asks before replacing an existing file.
bool SaveFileDialog(const std::string& title, const std::string& filter,
                    const std::string& defaultExt, bool overwritePrompt, std::string& name);
