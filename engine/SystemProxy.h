#pragma once

#include <string>

// The proxy that the user's Windows settings give a URL, as "host:port", or
// empty for a direct connection. In this order: an auto-config script (the
// one the settings name, or one found by WPAD when they ask to detect it)
// asked for the URL; else the manual proxy, unless the bypass list names
// the URL's host ("<local>" for host names without a dot); else the
// machine's WinHTTP default. A list of proxies by scheme
// ("http=a:1;https=b:2") gives the one of the URL's scheme.
std::string SystemProxyFor(const std::string& url);

// The entry of a WinHTTP proxy list that serves the scheme ("http" or
// "https"); empty when none does.
std::string ProxyOfList(const std::string& list, const std::string& scheme);

// Whether a WinHTTP bypass list ("*.corp;10.*;<local>") names the host.
bool BypassesProxy(const std::string& bypassList, const std::string& host);
