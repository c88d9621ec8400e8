#include "engine/UpdateWorker.h"

#include "engine/InstallTransaction.h"
#include "engine/Paths.h"
#include "engine/Settings.h"

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
    RemoveDirTree(SetAsideFolder());
}

void UpdateWorker::DiscardInstalledUpdate(const std::string& tree)
{
    // A tree that a killed run left there goes first. When the rename fails,
    // the tree stays where it is and goes with the update folder.
    const std::string aside = SetAsideFolder();
    if (FileExists(aside))
        RemoveDirTree(aside);
    MoveFileExA(tree.c_str(), aside.c_str(), 0);
    DiscardPendingUpdate();
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
