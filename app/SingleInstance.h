#pragma once

// Name of the mutex that keeps a second Updater from running.
constexpr const char kUpdaterMutexName[] = "__Global_QuellonUI_Updater";

// True when another process holds the named mutex; otherwise this process now
// owns it for the rest of its life.
bool IsAlreadyRunning(const char* mutexName);
