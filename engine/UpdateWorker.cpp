#include "engine/UpdateWorker.h"

#include "engine/Paths.h"

UpdateWorker::UpdateWorker() : installDir_(GetModuleDir())
{
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
