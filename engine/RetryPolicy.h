#pragma once

#include <cstdint>
#include <functional>

// When a download tries again. Only failures that a moment can mend are
// tried again: a failed or dropped connection, a time-out or stall, and the
// statuses 408, 429 and 5xx.
struct RetryPolicy {
    // Tries in a row that keep no new byte of the file.
    int maxTries = 5;
    // The wait before the second try; it doubles with every further try
    // (give or take a quarter, so that many clients do not come back at once).
    uint32_t firstDelayMs = 1000;
    // A server's Retry-After is followed up to this.
    uint32_t retryAfterLimitMs = 30000;
    // No try starts this long after the last one that kept new bytes.
    uint32_t giveUpAfterMs = 120000;
    // How a wait is spent: Sleep, unless a test records the waits instead.
    std::function<void(uint32_t milliseconds)> wait;
};

// Whether a transfer that ended with the libcurl code (a CURLcode) may
// succeed when tried again.
bool IsTransient(int curlCode);

// Whether a response of the HTTP status may be followed by a good one.
bool IsTransientStatus(long status);

// The wait before the try after `tries` failed ones: the server's word if
// it gave one (up to the limit), else the doubling delay with its jitter.
uint32_t RetryDelay(const RetryPolicy& policy, int tries, long long retryAfterMs);
