#pragma once

// Where a boundary that no exception may cross (a window procedure, a
// thread's entry, a library's callback) reports one it caught, for layers
// that have no log of their own. The program names the sink once at start,
// before any window or thread exists; without one nothing is reported.
using FailureSink = void (*)(const char* where, const char* what);
void SetFailureSink(FailureSink sink);
void ReportFailure(const char* where, const char* what) noexcept;
