#pragma once

#include "base/PathUtil.h"

#include <string>

// Folders of the Updater (the generic path helpers are in base/PathUtil.h). Paths are narrow ANSI strings without a
// trailing backslash. The user-data and update getters create their folder when it is missing, so every caller of the
// update, log and settings getters also creates the user-data folder.
std::string GetModuleDir();
std::string GetUserDataDir();
std::string GetUpdateDir();
std::string GetLogPath();
std::string GetSettingsPath();

// Local time as "YYYY-MM-DD hh:mm:ss".
std::string FormatLogTime();

// Deletes the folder with everything below it, read-only files included.
// A missing folder is left alone; failures are ignored.
void RemoveDirTree(const std::string& folder);
