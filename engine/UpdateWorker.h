#pragma once

#include "engine/UpdateManifest.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class InstallTransaction;

// What a flow takes from the program that runs it: the parsed run options and
// the means to stop and start the product. The application fills it before
// the worker starts; the flows only read it.
struct FlowContext {
    bool execMode = false;    // installation posts no progress in exec mode
    bool force = false;       // check mode: install at once instead of recording
    std::string version;      // the version on offer, recorded by a silent run
    std::string productName;  // the product's executable name
    std::string uri;          // base address of the package download
    std::string updaterName;  // the Updater's own file name, set aside instead of replaced
    std::function<void(const std::string& exeName, const std::string& fullPath)> stopProduct;
    std::function<bool(const std::string& path)> startProduct;
};

// The worker side of the update window: the check and exec flows and the
// unpacking and installation steps they run. CUpdateDlg derives from it, so
// the flows, UnpackAndInstall, InstallFiles and the run state are the window's own
// members; it starts one flow on its worker thread. Everything is reported
// by posting to g_hUpdateWnd, so the flows also run without such a window.
class UpdateWorker {
public:
    UpdateWorker();
    ~UpdateWorker();
    UpdateWorker(const UpdateWorker&) = delete;
    UpdateWorker& operator=(const UpdateWorker&) = delete;

    // Check mode: downloads the manifest's package and records it as pending
    // (silent) or installs it at once around a stop and restart of the
    // product (force). Always 0; ends by posting WM_CLOSE.
    int CheckUpdateProc();

    // Exec mode: installs the pending update and starts the product again.
    // True only when the update was applied; ends by posting WM_CLOSE.
    bool ExecUpdateProc();

    // Decodes, extracts and installs a .tar.xz package, then forgets the
    // pending update whatever the outcome (the run's one discard).
    enum : int {
        kInstalled = 0,
        kPackageMissing = -1,
        kBadSuffix = -2,
        kXzFailed = -3,
        kTarFailed = -4,
        kInstallFailed = -5,
    };
    int UnpackAndInstall(const std::string& packagePath, const std::vector<FileEntry>& files);

    // Copies the listed files that are not current from the source root into
    // the target root; the Updater's own executable and skin archive go to the
    // user-data folder instead. False at the first file that fails, after
    // everything replaced so far was put back. Sources checked and flushed
    // when they were staged in the install folder (kVerified) are not read:
    // each is swapped in by two renames (see InstallTransaction::Swap).
    enum class Sources { kCheckDigests, kVerified };
    bool InstallFiles(const std::string& sourceRoot, const std::string& targetRoot, const std::vector<FileEntry>& files,
                      Sources sources = Sources::kCheckDigests);

    // Removes the old copies that the last successful installation kept and
    // the tree that this run set aside; the flows call it once the product
    // runs again, so that it costs the product no downtime. After a kill
    // before then, the next run's recovery removes the old copies, and the
    // next discard the tree.
    void FinishInstallation();

    // True while InstallFiles runs; close requests are refused meanwhile.
    bool IsBusy() const { return runState_.load() == RunState::kInstalling; }

    // The window's side of ending the run: true when the run may end now,
    // after which no installation begins; false while one runs.
    [[nodiscard]] bool BeginEnding();
    // True once BeginEnding went through: a download then stops.
    bool IsEnding() const { return runState_.load() == RunState::kEnding; }

    // Test seams. The hook runs on the worker right before an installation
    // begins (where a close request could slip in); installing without the
    // journal and backups measures what they cost.
    void SetBeforeInstallHook(std::function<void()> hook) { beforeInstall_ = std::move(hook); }
    void SetTransactional(bool transactional) { transactional_ = transactional; }

    // The manifest of check mode, loaded by the window before the flow starts.
    UpdateManifest& CheckManifest() { return checkManifest_; }

    // The run options and product control; set before the flow starts.
    const FlowContext& Context() const { return context_; }
    void SetContext(FlowContext context) { context_ = std::move(context); }

    // The product's install folder: the Updater's own folder unless set.
    const std::string& InstallDir() const { return installDir_; }
    void SetInstallDir(const std::string& folder) { installDir_ = folder; }

private:
    // The flows' bodies; the public entries above catch what they throw.
    int CheckUpdate();
    bool ExecUpdate();
    // After an exception left a flow: logged, the product running again if
    // the flow had it stopped, and the run ended.
    void EndAfterFailure(const char* what) noexcept;

    // One state for the worker and the window, changed atomically, so that a
    // close and the start of an installation can never both go through.
    enum class RunState { kIdle, kInstalling, kEnding };
    [[nodiscard]] bool BeginInstalling();
    void EndInstalling();

    // The one discard of a run, whatever it came to: forgets the pending
    // update (the update folder and the settings). A tree that an
    // installation took its files from first leaves the update folder in one
    // rename, so that the discard is quick; FinishInstallation removes it.
    // A tree that is a link is never moved: it goes with the update folder.
    // The staging folder goes too; while the product is stopped, only once
    // it runs again (FinishInstallation).
    void DiscardUpdate(const std::string& installedTree = "");

    std::string ProductPath() const;
    void StopProduct();
    void StartProduct();

    FlowContext context_;
    UpdateManifest checkManifest_;
    std::string installDir_;
    std::atomic<RunState> runState_{RunState::kIdle};
    std::function<void()> beforeInstall_;
    std::unique_ptr<InstallTransaction> installed_;  // committed, backups still there
    bool transactional_ = true;
    bool setAside_ = false;  // a tree waits in the set-aside folder for FinishInstallation
    bool stagingLeft_ = false;  // the staging folder waits for FinishInstallation
    bool productDown_ = false;  // stopped, by the flow or for the exec run, and not started since
};
