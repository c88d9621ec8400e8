#pragma once

#include "base/ScopedHandles.h"

// The process-wide update log. Every log line of the Updater goes through
// Write; each line is one formatted write followed by a flush, so lines from
// the UI thread and the worker stay whole and are on disk at once.
class UpdateLog {
public:
    static UpdateLog& Instance();

    // Starts a new file when the old one reached 4096 bytes, then opens it
    // for appending. A log that cannot be opened makes Write do nothing.
    void Open();

    // One line "[time]  message\r\n"; the message is cut to 767 characters.
    void Write(const char* format, ...) __attribute__((format(ms_printf, 2, 3)));

    UpdateLog(const UpdateLog&) = delete;
    UpdateLog& operator=(const UpdateLog&) = delete;

private:
    UpdateLog() = default;
    ~UpdateLog() = default;

    ScopedFile stream_;
};
