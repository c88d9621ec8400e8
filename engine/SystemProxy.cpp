#include "engine/SystemProxy.h"

#include "base/ScopedWinHttp.h"
#include "base/TextConversion.h"
#include "engine/CurlUrl.h"

#include <cctype>
#include <vector>

namespace {

// The entries of a WinHTTP list, which separates them by ';' or blanks.
std::vector<std::string> ListEntries(const std::string& list)
{
    std::vector<std::string> entries;
    std::string entry;
    for (const char c : list + ";") {
        if (c == ';' || c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            if (!entry.empty())
                entries.push_back(entry);
            entry.clear();
        } else {
            entry += c;
        }
    }
    return entries;
}

// '*' stands for any run of characters; case does not count.
bool MatchesPattern(const char* pattern, const char* text)
{
    if (*pattern == '\0')
        return *text == '\0';
    if (*pattern == '*')
        return MatchesPattern(pattern + 1, text) || (*text != '\0' && MatchesPattern(pattern, text + 1));
    return *text != '\0' &&
           tolower(static_cast<unsigned char>(*pattern)) == tolower(static_cast<unsigned char>(*text)) &&
           MatchesPattern(pattern + 1, text + 1);
}

// The settings give their strings in UTF-16; proxy names are ASCII.
std::string Narrow(LPCWSTR text)
{
    return text == nullptr ? std::string() : ToNarrow(text);
}

// The proxy a WinHTTP result names for the URL; empty for none.
std::string NamedProxy(const WINHTTP_PROXY_INFO& info, const std::string& scheme, const std::string& host)
{
    const ScopedGlobalString proxy(info.lpszProxy);
    const ScopedGlobalString bypass(info.lpszProxyBypass);
    if (info.dwAccessType != WINHTTP_ACCESS_TYPE_NAMED_PROXY || BypassesProxy(Narrow(bypass.Get()), host))
        return "";
    return ProxyOfList(Narrow(proxy.Get()), scheme);
}

// Asks the auto-config script (given, or found by WPAD) for the URL; false
// when there is none or it cannot be had.
bool ScriptProxy(const WINHTTP_CURRENT_USER_IE_PROXY_CONFIG& settings, const std::string& url,
                 const std::string& scheme, const std::string& host, std::string& proxy)
{
    const ScopedWinHttp session(WinHttpOpen(L"Corvane Updater", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                            WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session.Valid())
        return false;
    WINHTTP_AUTOPROXY_OPTIONS options = {};
    if (settings.lpszAutoConfigUrl != nullptr) {
        options.dwFlags = WINHTTP_AUTOPROXY_CONFIG_URL;
        options.lpszAutoConfigUrl = settings.lpszAutoConfigUrl;
    } else {
        options.dwFlags = WINHTTP_AUTOPROXY_AUTO_DETECT;
        options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
    }
    options.fAutoLogonIfChallenged = TRUE;
    WINHTTP_PROXY_INFO info = {};
    if (!WinHttpGetProxyForUrl(session.Get(), ToWide(url).c_str(), &options, &info))
        return false;
    proxy = NamedProxy(info, scheme, host);
    return true;
}

}  // namespace

std::string ProxyOfList(const std::string& list, const std::string& scheme)
{
    std::string plain;
    for (const std::string& entry : ListEntries(list)) {
        const size_t equals = entry.find('=');
        if (equals == std::string::npos) {
            if (plain.empty())
                plain = entry;
        } else if (_stricmp(entry.substr(0, equals).c_str(), scheme.c_str()) == 0) {
            return entry.substr(equals + 1);
        }
    }
    return plain;
}

bool BypassesProxy(const std::string& bypassList, const std::string& host)
{
    for (const std::string& entry : ListEntries(bypassList)) {
        if (_stricmp(entry.c_str(), "<local>") == 0 ? host.find('.') == std::string::npos
                                                    : MatchesPattern(entry.c_str(), host.c_str()))
            return true;
    }
    return false;
}

std::string SystemProxyFor(const std::string& url)
{
    std::string scheme, host;
    if (!SplitUrl(url, scheme, host))
        return "";
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG settings = {};
    if (WinHttpGetIEProxyConfigForCurrentUser(&settings)) {
        const ScopedGlobalString script(settings.lpszAutoConfigUrl);
        const ScopedGlobalString manual(settings.lpszProxy);
        const ScopedGlobalString bypass(settings.lpszProxyBypass);
        std::string proxy;
        if ((settings.lpszAutoConfigUrl != nullptr || settings.fAutoDetect) &&
            ScriptProxy(settings, url, scheme, host, proxy))
            return proxy;
        if (manual.Valid())
            return BypassesProxy(Narrow(bypass.Get()), host) ? "" : ProxyOfList(Narrow(manual.Get()), scheme);
    }
    WINHTTP_PROXY_INFO machine = {};
    if (WinHttpGetDefaultProxyConfiguration(&machine))
        return NamedProxy(machine, scheme, host);
    return "";
}
