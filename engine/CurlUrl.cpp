#include "engine/CurlUrl.h"

#include <curl/curl.h>

#include <memory>

namespace {

struct UrlCleanup {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using UrlHandle = std::unique_ptr<CURLU, UrlCleanup>;

struct CurlFree {
    void operator()(char* text) const { curl_free(text); }
};
using CurlText = std::unique_ptr<char, CurlFree>;

bool UrlPart(CURLU* url, CURLUPart which, std::string& value)
{
    char* part = nullptr;
    if (curl_url_get(url, which, &part, 0) != CURLUE_OK)
        return false;
    value = CurlText(part).get();
    return true;
}

}  // namespace

bool SplitUrl(const std::string& text, std::string& scheme, std::string& host)
{
    UrlHandle url(curl_url());
    if (!url || curl_url_set(url.get(), CURLUPART_URL, text.c_str(), 0) != CURLUE_OK ||
        !UrlPart(url.get(), CURLUPART_SCHEME, scheme) || !UrlPart(url.get(), CURLUPART_HOST, host))
        return false;
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    return true;
}
