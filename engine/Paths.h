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

// Deletes one of the Updater's folders with everything below it, read-only
// files included, never through a link (RemoveFolderTree); a link met is
// logged in one line. True when the folder is gone (or was never there).
bool RemoveDirTree(const std::string& folder);
