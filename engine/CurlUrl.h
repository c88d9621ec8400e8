#pragma once

#include <string>

// The scheme ("http", "https") and host of a URL as libcurl reads it, the
// host without the brackets of an IPv6 address; false when it cannot be read.
bool SplitUrl(const std::string& url, std::string& scheme, std::string& host);
