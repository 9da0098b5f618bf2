#pragma once
// Program folder and the conversions between stored (relative) and absolute paths.
#include <string>

// The program folder with its trailing '/' (empty until SetAppDir or InitCommonUtils).
const std::string& AppDir();
// Sets the program folder; a trailing '/' is added when missing.
void SetAppDir(const std::string& dir);
// Clears the program folder (DoneCommonUtils).
void ClearAppDir();

// The path without its leading AppDir when it lies in the program folder, otherwise unchanged.
// The result uses '/' as separator.
std::string MakeRelativePath(const std::string& path);
// An absolute path ("/...", or a drive path "X:\..." / "X:/...") comes back unchanged;
// anything else gets AppDir in front. Backslashes of a relative path (written on Windows)
// become '/'.
std::string MakeAbsolutePath(const std::string& path);
// A path as stored in the configuration, made absolute; "..." and the empty
// text (no file) give the empty text.
std::string StoredPathAbsolute(const std::string& text);
