#include "engine/UpdateWorker.h"

#include "app/UpdateOptions.h"
#include "engine/Paths.h"

UpdateWorker::UpdateWorker() : installDir_(GetModuleDir()) {}

std::string UpdateWorker::ProductPath() const
{
    return installDir_ + "\\" + g_updateOptions.parentProcessName;
}
