#pragma once

#include "engine/UpdateManifest.h"

#include <atomic>
#include <string>
#include <vector>

// The worker side of the update window: the check and exec flows and the
// unpacking and installation steps they run. The window derives from it and
// starts one flow on its worker thread; everything is reported by posting to
// g_hUpdateWnd, so the flows also run without a window of this kind.
class UpdateWorker {
public:
    UpdateWorker();
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
    // pending update whatever the outcome.
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
    // user-data folder instead. False at the first file that fails.
    bool InstallFiles(const std::string& sourceRoot, const std::string& targetRoot,
                      const std::vector<FileEntry>& files);

    // True while InstallFiles runs; close requests are refused meanwhile.
    bool IsBusy() const { return busy.load(); }

    // The manifest of check mode, loaded by the window before the flow starts.
    UpdateManifest& CheckManifest() { return checkManifest_; }

    // The product's install folder: the Updater's own folder unless set.
    const std::string& InstallDir() const { return installDir_; }
    void SetInstallDir(const std::string& folder) { installDir_ = folder; }

protected:
    std::atomic<bool> busy{false};

private:
    std::string ProductPath() const;

    UpdateManifest checkManifest_;
    std::string installDir_;
};
