#pragma once

#include <string>

// Ends the product's running main program: the first listed process whose
// executable name matches (ignoring case) is ended with exit code 0 when its
// full path matches too; a process of that name in another folder stops the
// search. Falls back to TaskKill when the process cannot be opened or ended.
// Returns at once, without waiting for the process to go away.
void StopProductProcess(const std::string& exeName, const std::string& fullPath);

// Starts "taskkill /f /im <name>" hidden and does not wait for it.
void TaskKill(const std::string& exeName);

// Starts the program without arguments in the Updater's current folder; true
// when the process was created.
bool StartProgram(const std::string& path);
