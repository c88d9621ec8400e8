#pragma once

#include <windows.h>

#include <string>

// The full path of the program a process runs, empty when it cannot be read.
// The handle needs PROCESS_QUERY_LIMITED_INFORMATION; with PROCESS_VM_READ and
// PROCESS_QUERY_INFORMATION too, the module's own name is read first. A
// process id alone names whatever process holds it now: ids are given again
// once their process has ended, so whoever ends a process by id checks this
// path first.
std::string ProcessImagePath(HANDLE process);
