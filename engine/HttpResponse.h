#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// What the headers of the latest response said.
struct HttpResponse {
    long status = 0;
    std::string etag;
    std::string lastModified;
    std::string retryAfter;
    uint64_t length = 0;
    bool hasRange = false;
    uint64_t rangeStart = 0;
    uint64_t rangeTotal = 0;
    bool complete = false;  // the blank line that ends the headers came

    // Takes one header line; a status line starts a new response.
    void Read(std::string_view line);
    // A weak ETag may name equal but different bytes, so it cannot ask for a
    // rest; a date can.
    std::string Validator() const;
    // Milliseconds the server asked to wait, or -1 when it did not say.
    long long RetryAfterMs() const;
};
