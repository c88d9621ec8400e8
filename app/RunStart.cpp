#include "app/RunStart.h"

#include "app/ProcessControl.h"
#include "app/SingleInstance.h"
#include "base/FailureSink.h"
#include "engine/InstallTransaction.h"
#include "engine/ManifestSignature.h"
#include "engine/Paths.h"
#include "engine/Settings.h"
#include "engine/StagedUpdate.h"
#include "engine/UpdateLog.h"
#include "engine/UpdateStatus.h"

#include <boost/bind/bind.hpp>

namespace {

void LogFailure(const char* where, const char* what)
{
    UpdateLog::Instance().Write("%s: unexpected error, %s; the operation was abandoned.", where, what);
}

bool FailStartUp()
{
    PostMessageW(g_hUpdateWnd, WM_CLOSE, 0, 0);
    return false;
}

}  // namespace

bool StartUpdaterRun()
{
    if (IsAlreadyRunning(kUpdaterMutexName))
        return false;
    UpdateLog::Instance().Open();
    SetFailureSink(LogFailure);
    // Only the holder of the mutex: a second instance must not touch files
    // that the first one may be installing. The run goes on whatever it found:
    // its line in the log tells, and a folder it could not put back whole
    // keeps its journal for the next run.
    (void)InstallTransaction::Recover(GetModuleDir());
    StagedUpdate::RemoveOrphan(GetModuleDir());
    return true;
}

bool PrepareUpdateRun(UpdateWorker& worker, bool argsUsable)
{
    UpdateLog& log = UpdateLog::Instance();
    if (!argsUsable) {
        log.Write("parseArgs error.");
        return FailStartUp();
    }
    if (g_updateOptions.mode == kExecMode) {
        log.Write("entering execUpdate mode.");
        // The product is the one the flows install and start again: beside
        // the Updater's own module, whatever the command line's first word.
        StopProductProcess(g_updateOptions.parentProcessName,
                           worker.InstallDir() + "\\" + g_updateOptions.parentProcessName);
        return true;
    }
    // Checked before anything is downloaded; a refused manifest has logged why.
    const std::string manifest = GetUpdateDir() + "\\configure.xml";
    const ManifestLoad load = LoadCheckedManifest(worker.CheckManifest(), manifest, ManifestKeys::BuiltIn(),
                                                  ManifestRules{g_updateOptions.version, ReadInstalledSetting()});
    if (load == ManifestLoad::kUnreadable)
        log.Write("load %s failed.", manifest.c_str());
    return load == ManifestLoad::kLoaded || FailStartUp();
}

FlowContext MakeFlowContext(const UpdateOptions& options)
{
    FlowContext context;
    context.execMode = options.mode == kExecMode;
    context.force = options.force != 0;
    context.version = options.version;
    context.productName = options.parentProcessName;
    context.uri = options.uri;
    context.updaterName = options.exeName;
    context.stopProduct = StopProductProcess;
    context.startProduct = StartProgram;
    return context;
}

boost::thread StartUpdateFlow(UpdateWorker& worker)
{
    worker.SetContext(MakeFlowContext(g_updateOptions));
    if (g_updateOptions.mode == kExecMode)
        return boost::thread(boost::bind(&UpdateWorker::ExecUpdateProc, &worker));
    return boost::thread(boost::bind(&UpdateWorker::CheckUpdateProc, &worker));
}
