#include "engine/HttpResponse.h"

#include <curl/curl.h>

#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n'))
        text.remove_suffix(1);
    return text;
}

// True when the header line is "name: value" (the name in any case).
bool HeaderValue(std::string_view line, const char* name, std::string& value)
{
    const size_t length = strlen(name);
    if (line.size() <= length || line[length] != ':' || _strnicmp(line.data(), name, length) != 0)
        return false;
    value = std::string(Trimmed(line.substr(length + 1)));
    return true;
}

// "bytes START-END/TOTAL".
bool ParseContentRange(const std::string& value, uint64_t& start, uint64_t& total)
{
    if (value.compare(0, 6, "bytes ") != 0)
        return false;
    char* end = nullptr;
    start = strtoull(value.c_str() + 6, &end, 10);
    const char* slash = strchr(end, '/');
    if (*end != '-' || slash == nullptr)
        return false;
    total = strtoull(slash + 1, &end, 10);
    return *end == '\0' && total > start;
}

}  // namespace

void HttpResponse::Read(std::string_view line)
{
    if (Trimmed(line).empty()) {
        complete = true;
        return;
    }
    if (line.compare(0, 5, "HTTP/") == 0) {
        *this = HttpResponse{};
        const size_t space = line.find(' ');
        if (space != std::string_view::npos)
            status = strtol(std::string(line.substr(space + 1, 3)).c_str(), nullptr, 10);
        return;
    }
    std::string value;
    if (HeaderValue(line, "ETag", value))
        etag = value;
    else if (HeaderValue(line, "Last-Modified", value))
        lastModified = value;
    else if (HeaderValue(line, "Retry-After", value))
        retryAfter = value;
    else if (HeaderValue(line, "Content-Length", value))
        length = strtoull(value.c_str(), nullptr, 10);
    else if (HeaderValue(line, "Content-Range", value))
        hasRange = ParseContentRange(value, rangeStart, rangeTotal);
}

std::string HttpResponse::Validator() const
{
    if (!etag.empty() && etag.compare(0, 2, "W/") != 0)
        return etag;
    return lastModified;
}

long long HttpResponse::RetryAfterMs() const
{
    if (retryAfter.empty())
        return -1;
    char* end = nullptr;
    const long long seconds = strtoll(retryAfter.c_str(), &end, 10);
    if (*end == '\0' && seconds >= 0)
        return seconds * 1000;
    const time_t when = curl_getdate(retryAfter.c_str(), nullptr);
    if (when < 0)
        return -1;
    const long long ahead = static_cast<long long>(when) - static_cast<long long>(time(nullptr));
    return ahead > 0 ? ahead * 1000 : 0;
}
