// Array new and delete of the test programs, counting live arrays. The
// support library comes before the runtime on every link line, so these
// replace the runtime's own in each test program that uses new[].
#include "tests/support/AllocationCounter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<long> g_liveArrays{0};

}  // namespace

void* operator new[](size_t size)
{
    void* block = malloc(size ? size : 1);
    if (!block)
        throw std::bad_alloc();
    ++g_liveArrays;
    return block;
}

void operator delete[](void* block) noexcept
{
    if (!block)
        return;
    --g_liveArrays;
    free(block);
}

void operator delete[](void* block, size_t) noexcept
{
    operator delete[](block);
}

long LiveArrayAllocations()
{
    return g_liveArrays.load();
}
