#pragma once

#include <string>

// Folders of the Updater. Paths are narrow ANSI strings without a trailing
// backslash. The user-data and update getters create their folder when it is
// missing, so every caller of the update, log and settings getters also
// creates the user-data folder.
std::string GetModuleDir();
std::string GetUserDataDir();
std::string GetUpdateDir();
std::string GetLogPath();
std::string GetSettingsPath();

// Local time as "YYYY-MM-DD hh:mm:ss".
std::string FormatLogTime();

// Copy of the path with every '/' replaced by '\'.
std::string ToBackslashes(const std::string& path);

// Creates every missing folder on the way to the file; the file name itself
// and a drive prefix ("X:") are left alone.
void MakeParentDirs(const std::string& filePath);

// Splits at the last separator ('/' in URL form, '\' otherwise). Without a
// separator the folder is empty and the name is the whole text.
void SplitPath(const std::string& text, std::string& folder, std::string& name, bool urlForm);

// Case-sensitive: true when the last occurrence of suffix ends the text.
bool EndsWith(const std::string& text, const std::string& suffix);

// True for existing files and folders alike.
bool FileExists(const std::string& path);

// Deletes the folder with everything below it, read-only files included.
// A missing folder is left alone; failures are ignored.
void RemoveDirTree(const std::string& folder);
