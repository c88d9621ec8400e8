// Stand-in for the Updater's process entry until its window exists: runs the
// entry's first steps, then, when it is the only Updater, logs a line, tells
// the test through the event named by argv[1] and holds the mutex until the
// event named by argv[2] is set.
#include "app/RunStart.h"
#include "base/ScopedHandles.h"
#include "engine/UpdateLog.h"

#include <windows.h>

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    if (!StartUpdaterRun())
        return 0;
    UpdateLog::Instance().Write("probe holds the mutex");
    ScopedHandle ready(OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[1]));
    ScopedHandle release(OpenEventA(SYNCHRONIZE, FALSE, argv[2]));
    if (!ready.Valid() || !release.Valid())
        return 3;
    SetEvent(ready.Get());
    return WaitForSingleObject(release.Get(), 60000) == WAIT_OBJECT_0 ? 0 : 4;
}
