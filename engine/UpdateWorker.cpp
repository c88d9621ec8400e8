#include "engine/UpdateWorker.h"

#include "engine/InstallTransaction.h"
#include "engine/Paths.h"

UpdateWorker::UpdateWorker() : installDir_(GetModuleDir())
{
}

UpdateWorker::~UpdateWorker() = default;

void UpdateWorker::FinishInstallation()
{
    installed_.reset();
}

std::string UpdateWorker::ProductPath() const
{
    return installDir_ + "\\" + context_.productName;
}

void UpdateWorker::StopProduct()
{
    if (context_.stopProduct)
        context_.stopProduct(context_.productName, ProductPath());
}

void UpdateWorker::StartProduct()
{
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
