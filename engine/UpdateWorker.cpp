#include "engine/UpdateWorker.h"

#include "base/FolderTree.h"
#include "engine/InstallTransaction.h"
#include "engine/Paths.h"
#include "engine/Settings.h"
#include "engine/StagedUpdate.h"

#include <windows.h>

UpdateWorker::UpdateWorker() : installDir_(GetModuleDir())
{
}

UpdateWorker::~UpdateWorker() = default;

namespace {

std::string SetAsideFolder()
{
    return GetUserDataDir() + "\\discarded";
}

}  // namespace

void UpdateWorker::FinishInstallation()
{
    installed_.reset();
    if (setAside_)
        setAside_ = !RemoveDirTree(SetAsideFolder());
    if (stagingLeft_)
        stagingLeft_ = !RemoveDirTree(StagedUpdate::Folder(installDir_));
}

void UpdateWorker::DiscardUpdate(const std::string& installedTree)
{
    // A tree that a killed run left aside goes first; while anything stays
    // there (a link in its place among them), the tree is not moved and goes
    // with the update folder instead.
    const std::string aside = SetAsideFolder();
    if (!installedTree.empty() && FileExists(installedTree) && !IsLink(installedTree) && RemoveDirTree(aside))
        setAside_ = MoveFileExA(installedTree.c_str(), aside.c_str(), 0) != FALSE;
    // The staging marker goes with the update folder, first: what is left of
    // the staging folder is no staged tree any more.
    DiscardPendingUpdate();
    const std::string staging = StagedUpdate::Folder(installDir_);
    if (!FileExists(staging))
        return;
    if (productDown_)
        stagingLeft_ = true;
    else
        RemoveDirTree(staging);
}

std::string UpdateWorker::ProductPath() const
{
    return installDir_ + "\\" + context_.productName;
}

void UpdateWorker::StopProduct()
{
    productDown_ = true;
    if (context_.stopProduct)
        context_.stopProduct(context_.productName, ProductPath());
}

void UpdateWorker::StartProduct()
{
    productDown_ = false;
    if (context_.startProduct)
        context_.startProduct(ProductPath());
}

bool UpdateWorker::BeginEnding()
{
    RunState expected = RunState::kIdle;
    return runState_.compare_exchange_strong(expected, RunState::kEnding) || expected == RunState::kEnding;
}

bool UpdateWorker::BeginInstalling()
{
    RunState expected = RunState::kIdle;
    return runState_.compare_exchange_strong(expected, RunState::kInstalling);
}

void UpdateWorker::EndInstalling()
{
    RunState expected = RunState::kInstalling;
    runState_.compare_exchange_strong(expected, RunState::kIdle);
}
