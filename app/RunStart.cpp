#include "app/RunStart.h"

#include "app/SingleInstance.h"
#include "engine/UpdateLog.h"

bool StartUpdaterRun()
{
    if (IsAlreadyRunning(kUpdaterMutexName))
        return false;
    UpdateLog::Instance().Open();
    return true;
}
