#include "engine/UpdateWorker.h"

#include "base/FolderTree.h"
#include "engine/DeltaPatch.h"
#include "engine/HttpDownloader.h"
#include "engine/ManifestSignature.h"
#include "engine/PackageUnpacker.h"
#include "engine/Paths.h"
#include "engine/Settings.h"
#include "engine/StagedUpdate.h"
#include "engine/UpdateLog.h"
#include "engine/UpdateStatus.h"
#include "engine/XzDecoder.h"

#include <windows.h>

#include <cstdio>
#include <exception>

namespace {

// The flow's last act: the window ends the run on it.
void PostClose()
{
    PostMessageW(g_hUpdateWnd, WM_CLOSE, 0, 0);
}

// The pending update's files are the update folder's own: a setting that
// names anything else (edited, or left by some other program) is not one.
bool NamesFileOfUpdateFolder(const std::string& path)
{
    const std::string folder = GetUpdateDir() + "\\";
    return path.compare(0, folder.size(), folder) == 0 && IsPlainFileName(path.substr(folder.size()));
}

// The update folder is the Updater's own: a link in its place would take the
// download, the unpacking and the discard to wherever it points.
bool UpdateFolderIsLink()
{
    const std::string folder = GetUpdateDir();
    if (!IsLink(folder))
        return false;
    UpdateLog::Instance().Write("update folder: %s is a link; nothing is written there.", folder.c_str());
    return true;
}

// Downloads the manifest's package into the update folder, where it becomes
// a file of its own name (its suffix is the unpacking's to judge); only an
// xz stream is taken. url receives the address for the log line, also when it
// is not fetched. The download stops when the run ends, so that the window
// never waits long for the flow.
DownloadResult DownloadPackage(const UpdateWorker& worker, const std::string& package, const PackageDigest& digest,
                               const std::string& uri, std::string& url)
{
    if (!IsPlainFileName(package) || !MakePackageUrl(uri, package, url)) {
        url = uri + "/" + package;
        return DownloadResult{HttpDownloader::kNoFileName, ""};
    }
    HttpDownloader downloader;
    downloader.StopWhen([&worker] { return worker.IsEnding(); });
    if (digest.size >= 0)
        downloader.LimitSize(static_cast<uint64_t>(digest.size));
    // Judged before it takes the package's name: a pending update's package
    // of the same name stays as it was when the new one is refused.
    std::string refused;
    const DownloadResult download =
        downloader.Download(url, GetUpdateDir(), true, [&digest, &refused](const std::string& part) {
            if (!LooksLikeXzFile(part))
                return false;
            refused = CheckPackage(part, digest);
            return refused.empty();
        });
    if (!refused.empty()) {
        const std::string path = GetUpdateDir() + "\\" + package;
        UpdateLog::Instance().Write("package: %s refused, %s.", path.c_str(), refused.c_str());
    }
    return download;
}

// A completed installation from a signed manifest keeps its version, so
// that an older manifest offered later is refused.
void RecordInstalledVersion(const UpdateManifest& manifest)
{
    if (ManifestKeys::BuiltIn().Present())
        WriteInstalledSetting(manifest.GetVersion());
}

void LogFailedDownload(const UpdateWorker& worker, const std::string& url)
{
    if (worker.IsEnding())
        UpdateLog::Instance().Write("download stopped: the run is ending.");
    else
        UpdateLog::Instance().Write("downloading xz file: %s failed.", url.c_str());
}

void LogNotStaged(const std::string& packagePath, const StagedUpdate::Result& staged)
{
    UpdateLog::Instance().Write("staging: %s not staged, failed at %s, errcode[%d].", packagePath.c_str(),
                                staged.path.c_str(), staged.code);
}

// A force run's failed staging, told in the lines an installation from the
// package would have logged.
void LogStagingFailure(const std::string& installDir, const std::string& packagePath,
                       const StagedUpdate::Result& staged)
{
    // The staging folder could not be cleared (a link in its place): no
    // installation from the package meets that.
    if (staged.path == StagedUpdate::Folder(installDir)) {
        LogNotStaged(packagePath, staged);
        return;
    }
    if (staged.code == UpdateWorker::kInstallFailed) {
        UpdateLog::Instance().Write("file: %s %s check failed.", staged.path.c_str(),
                                    staged.sha256Mismatch ? "sha256" : "md5");
        return;
    }
    LogUnpackFailure(packagePath, staged.code, staged.path);
}

// Stages the manifest's delta that fits the installed files, downloaded
// first, so that only what changed comes over the network. False when there
// is none, or it could not be downloaded or staged: one line says so, and
// the full package follows as if no delta had been offered. A delta staged
// becomes the pending package, in packagePath.
bool StageDelta(const UpdateWorker& worker, const UpdateManifest& manifest, const std::vector<FileEntry>& files,
                bool background, std::string& packagePath, StagedUpdate::Result& staged)
{
    std::vector<DeltaEntry> deltas;
    manifest.GetDeltas(deltas);
    if (deltas.empty())
        return false;
    UpdateLog& log = UpdateLog::Instance();
    const DeltaEntry* delta = ChooseDelta(deltas, files, worker.InstallDir());
    if (!delta) {
        log.Write("delta: none of %d fits the installed files; taking the full package.",
                  static_cast<int>(deltas.size()));
        return false;
    }
    std::string url;
    const DownloadResult download = DownloadPackage(worker, delta->package, delta->digest, worker.Context().uri, url);
    if (download.code != HttpDownloader::kOk) {
        log.Write("delta: %s from %s not downloaded; taking the full package.", url.c_str(), delta->base.c_str());
        return false;
    }
    staged = StagedUpdate::Stage(worker.InstallDir(), download.path, manifest.GetPath(), files, background, delta);
    if (!staged.ok()) {
        remove(download.path.c_str());
        log.Write("delta: %s from %s not applied, failed at %s, errcode[%d]; taking the full package.",
                  download.path.c_str(), delta->base.c_str(), staged.path.c_str(), staged.code);
        return false;
    }
    packagePath = download.path;
    return true;
}

}  // namespace

// The flows are the worker thread's entries: no exception may leave them.
int UpdateWorker::CheckUpdateProc()
{
    try {
        return CheckUpdate();
    } catch (const std::exception& error) {
        EndAfterFailure(error.what());
    } catch (...) {
        EndAfterFailure("unknown exception");
    }
    return 0;
}

bool UpdateWorker::ExecUpdateProc()
{
    // The window stopped the product before the flow began.
    productDown_ = true;
    try {
        return ExecUpdate();
    } catch (const std::exception& error) {
        EndAfterFailure(error.what());
    } catch (...) {
        EndAfterFailure("unknown exception");
    }
    return false;
}

void UpdateWorker::EndAfterFailure(const char* what) noexcept
{
    // Whatever was being installed was rolled back as the exception left it.
    try {
        UpdateLog::Instance().Write("worker: unexpected error, %s; the run was abandoned.", what);
        if (productDown_)
            StartProduct();
    } catch (...) {
    }
    PostClose();
}

int UpdateWorker::CheckUpdate()
{
    std::string url;
    std::vector<FileEntry> files;
    checkManifest_.GetFileList(files);

    if (context_.force) {
        UpdateLog::Instance().Write("begin to entering force mode.");
        if (UpdateFolderIsLink()) {
            PostClose();
            return 0;
        }
        // Everything up to the swap of files happens while the product runs:
        // it is stopped only once the package is unpacked and checked.
        std::string packagePath;
        StagedUpdate::Result staged;
        if (!StageDelta(*this, checkManifest_, files, false, packagePath, staged)) {
            const DownloadResult download = DownloadPackage(*this, checkManifest_.GetPackage(), checkManifest_.GetPackageDigest(), context_.uri, url);
            if (download.code != HttpDownloader::kOk) {
                LogFailedDownload(*this, url);
                PostClose();
                return 0;
            }
            staged = StagedUpdate::Stage(InstallDir(), download.path, checkManifest_.GetPath(), files, false);
            if (!staged.ok()) {
                // Logged first: naming the staging folder must not make the
                // update folder again once it is discarded.
                LogStagingFailure(InstallDir(), download.path, staged);
                DiscardUpdate();
                PostClose();
                return 0;
            }
        }
        StopProduct();
        // The outcome is in the log, and the pending update is gone either way.
        if (InstallFiles(staged.root, InstallDir(), files, Sources::kVerified))
            RecordInstalledVersion(checkManifest_);
        DiscardUpdate();
        StartProduct();
        FinishInstallation();
        PostClose();
        return 0;
    }

    UpdateLog::Instance().Write("begin to entering silent mode.");
    if (UpdateFolderIsLink()) {
        PostClose();
        return 0;
    }
    const std::string manifestPath = checkManifest_.GetPath();
    // A delta is recorded only once it is staged: without its tree, the
    // exec run could not install it.
    std::string deltaPath;
    StagedUpdate::Result deltaStaged;
    if (StageDelta(*this, checkManifest_, files, true, deltaPath, deltaStaged)) {
        WriteXmlSetting(manifestPath);
        WriteXzSetting(deltaPath);
        WriteVersionSetting(context_.version);
        PostClose();
        return 0;
    }
    const DownloadResult download = DownloadPackage(*this, checkManifest_.GetPackage(), checkManifest_.GetPackageDigest(), context_.uri, url);
    if (download.code != HttpDownloader::kOk) {
        LogFailedDownload(*this, url);
    } else {
        WriteXmlSetting(manifestPath);
        WriteXzSetting(download.path);
        WriteVersionSetting(context_.version);
        // The update is recorded; staging it only spares the exec run work.
        const StagedUpdate::Result staged = StagedUpdate::Stage(InstallDir(), download.path, manifestPath, files, true);
        if (!staged.ok())
            LogNotStaged(download.path, staged);
    }
    PostClose();
    return 0;
}

bool UpdateWorker::ExecUpdate()
{
    PostStatus("正在初始化更新...", -1);
    UpdateLog::Instance().Write("begin updating files from the xml config.");

    const std::string manifestPath = ReadXmlSetting();
    const std::string packagePath = ReadXzSetting();
    UpdateManifest manifest;
    bool applied = false;
    ManifestLoad load = ManifestLoad::kUnreadable;
    if (UpdateFolderIsLink()) {
        DiscardUpdate();
    } else if (!NamesFileOfUpdateFolder(manifestPath) || !NamesFileOfUpdateFolder(packagePath) ||
               (load = LoadCheckedManifest(manifest, manifestPath, ManifestKeys::BuiltIn(),
                                           ManifestRules{"", ReadInstalledSetting()})) != ManifestLoad::kLoaded) {
        // A refused manifest has logged why.
        if (load != ManifestLoad::kRefused)
            UpdateLog::Instance().Write("load xml: %s occur error.", manifestPath.c_str());
        DiscardUpdate();
    } else {
        std::vector<FileEntry> files;
        manifest.GetFileList(files);
        // A tree staged by the silent run, still as it was checked, spares the unpacking.
        const std::string staged = StagedUpdate::FindTree(InstallDir(), packagePath, manifestPath, files);
        if (!staged.empty()) {
            applied = InstallFiles(staged, InstallDir(), files, Sources::kVerified);
            DiscardUpdate();
        } else {
            // Discards by itself.
            applied = UnpackAndInstall(packagePath, files) == kInstalled;
        }
        if (applied)
            RecordInstalledVersion(manifest);
        UpdateLog::Instance().Write(applied ? "updated successfully." : "updated failed.");
    }
    StartProduct();
    FinishInstallation();
    PostClose();
    return applied;
}
