#pragma once

// The first steps of the process entry, before any window exists: the
// single-instance test, then the log. False when another Updater runs; the
// caller then exits with code 0 having written nothing.
bool StartUpdaterRun();
