#pragma once

#include "app/UpdateOptions.h"
#include "engine/UpdateWorker.h"

#include <boost/thread/thread.hpp>

// The start-up of a run, written once for the update window.

// The first steps of the process entry, before any window exists: the
// single-instance test, then the log, then the recovery of an installation
// that a killed run left unfinished. False when another Updater runs; the
// caller then exits with code 0 having written nothing.
bool StartUpdaterRun();

// The window's start-up after its controls exist and its parseArgs has filled
// g_updateOptions (argsUsable: what it returned): acts on the run mode on this
// (the UI) thread. Exec mode logs "entering execUpdate mode." and stops the
// product beside the worker's install folder; check mode loads the manifest from the update folder into the
// worker. On failure (a rejected command line included) it logs why, posts
// WM_CLOSE to g_hUpdateWnd and returns false: the caller then adds no tray
// icon and starts no flow.
bool PrepareUpdateRun(UpdateWorker& worker, bool argsUsable);

// The flows' view of the parsed options, with the product stopped and started
// by the process control of the application.
FlowContext MakeFlowContext(const UpdateOptions& options);

// Gives the worker the context of g_updateOptions and starts the run mode's
// flow on a thread of its own. Nothing waits for it.
boost::thread StartUpdateFlow(UpdateWorker& worker);
