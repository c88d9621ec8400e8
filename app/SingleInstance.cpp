#include "app/SingleInstance.h"

#include <windows.h>

bool IsAlreadyRunning(const char* mutexName)
{
    // Creating and testing in one step leaves no gap in which two Updaters
    // starting together could both see no mutex. The handle is kept open on
    // purpose: the mutex is held until the process ends.
    HANDLE mutex = CreateMutexA(nullptr, TRUE, mutexName);
    const DWORD error = GetLastError();
    if (!mutex)
        return error == ERROR_ACCESS_DENIED;  // it exists, held by someone we may not touch
    return error == ERROR_ALREADY_EXISTS;
}
