// The user's Windows proxy settings, as one test process sees them: its
// HKEY_CURRENT_USER points at a key of its own while this object lives, so
// the settings of tests running beside it (and the prefix's own) stay as
// they are.
#pragma once

#include <windows.h>

#include <string>

class ProxySettings {
public:
    // The flags of Windows' DefaultConnectionSettings.
    enum : DWORD { kDirect = 1, kManual = 2, kScript = 4, kDetect = 8 };

    ProxySettings(DWORD flags, const std::string& proxy, const std::string& bypass, const std::string& scriptUrl);
    ~ProxySettings();
    ProxySettings(const ProxySettings&) = delete;
    ProxySettings& operator=(const ProxySettings&) = delete;

    // Whether the settings could be put in place.
    bool Ok() const { return ok_; }

private:
    std::string keyPath_;
    HKEY key_ = nullptr;
    bool ok_ = false;
};
