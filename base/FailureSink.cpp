#include "base/FailureSink.h"

namespace {

FailureSink g_sink = nullptr;

}  // namespace

void SetFailureSink(FailureSink sink)
{
    g_sink = sink;
}

void ReportFailure(const char* where, const char* what) noexcept
{
    if (g_sink == nullptr)
        return;
    // The report itself must not become the exception that escapes.
    try {
        g_sink(where, what);
    } catch (...) {
    }
}
