#include "engine/UpdateLog.h"

#include "engine/Paths.h"

#include <sys/stat.h>

#include <cstdarg>
#include <cstdio>

namespace {

// A log of this size or more is started afresh at the next open.
constexpr long kRestartSize = 4096;

}  // namespace

UpdateLog& UpdateLog::Instance()
{
    static UpdateLog log;
    return log;
}

void UpdateLog::Open()
{
    const std::string path = GetLogPath();
    struct _stat info;
    if (_stat(path.c_str(), &info) == 0 && info.st_size >= kRestartSize)
        remove(path.c_str());
    if (!stream_)
        stream_.Reset(fopen(path.c_str(), "ab+"));
}

void UpdateLog::Write(const char* format, ...)
{
    if (!stream_)
        return;
    char message[768] = {};
    va_list args;
    va_start(args, format);
    _vsnprintf(message, sizeof(message) - 1, format, args);
    va_end(args);
    fprintf(stream_.Get(), "[%s]  %s\r\n", FormatLogTime().c_str(), message);
    fflush(stream_.Get());
}
