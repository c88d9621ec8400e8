#pragma once

#include <string>

// Ends the product's running main program: the first listed process whose
// executable name matches (ignoring case) is ended with exit code 0 when its
// full path matches too; a process of that name in another folder stops the
// search. Its path is read from the module list, else from the process's
// image name; when neither can be read, that one process is ended. Falls back
// to TaskKill when the process cannot be opened or cannot be ended. After ending it, waits (up to about
// 10 s) until the process is gone, so that its files are free; returns at
// once when the product is not running.
void StopProductProcess(const std::string& exeName, const std::string& fullPath);

// Starts the system folder's "taskkill.exe /f /im <name>" hidden and does not
// wait for it.
void TaskKill(const std::string& exeName);

// Starts the taskkill tool (full path, parameters). The default asks the
// shell; tests put in their own to watch the call.
using TaskKillLauncher = void (*)(const std::wstring& program, const std::string& parameters);

// Puts in a launcher (null: the default) and returns the one before.
TaskKillLauncher SetTaskKillLauncher(TaskKillLauncher launcher);

// Starts the program without arguments in the Updater's current folder; true
// when the process was created.
bool StartProgram(const std::string& path);
