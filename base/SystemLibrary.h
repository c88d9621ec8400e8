#pragma once

#include "base/ScopedHandles.h"

// Loads a DLL from the system folder only, never from the program's own or
// the current folder, so that a DLL planted beside the program is not run.
// Empty when the library is not there.
ScopedLibrary LoadSystemLibrary(const wchar_t* dllName);

// The same for a library that stays loaded for the rest of the process (a
// function pointer taken from it is kept for good).
HMODULE LoadSystemLibraryForever(const wchar_t* dllName);

// For the whole process: DLLs loaded by name come from the system folder only,
// never from the program's own folder or the current folder. Called first
// thing by a program's entry; SetDefaultDllDirectories is looked up at run
// time, since systems without the search-path update lack it.
void RestrictDllSearchToSystem();
