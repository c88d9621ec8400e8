#include "tests/support/ProxySettings.h"

#include <string>

namespace {

void Append(std::string& blob, DWORD value)
{
    blob.append(reinterpret_cast<const char*>(&value), sizeof(value));
}

void AppendText(std::string& blob, const std::string& text)
{
    Append(blob, static_cast<DWORD>(text.size()));
    blob += text;
}

}  // namespace

ProxySettings::ProxySettings(DWORD flags, const std::string& proxy, const std::string& bypass,
                             const std::string& scriptUrl)
    : keyPath_("Software\\Corvane Tests\\proxy-" + std::to_string(GetCurrentProcessId()))
{
    if (RegCreateKeyExA(HKEY_CURRENT_USER, keyPath_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr) !=
            ERROR_SUCCESS ||
        RegOverridePredefKey(HKEY_CURRENT_USER, key_) != ERROR_SUCCESS)
        return;
    // Version, change counter, flags, then the three counted strings and
    // the fields that only Windows' own dialog fills.
    std::string blob;
    Append(blob, 0x46);
    Append(blob, 1);
    Append(blob, flags);
    AppendText(blob, proxy);
    AppendText(blob, bypass);
    AppendText(blob, scriptUrl);
    blob.append(32, '\0');
    HKEY connections = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER,
                        "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections", 0, nullptr, 0,
                        KEY_ALL_ACCESS, nullptr, &connections, nullptr) != ERROR_SUCCESS)
        return;
    ok_ = RegSetValueExA(connections, "DefaultConnectionSettings", 0, REG_BINARY,
                         reinterpret_cast<const BYTE*>(blob.data()), static_cast<DWORD>(blob.size())) == ERROR_SUCCESS;
    RegCloseKey(connections);
}

ProxySettings::~ProxySettings()
{
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    if (key_ != nullptr)
        RegCloseKey(key_);
    RegDeleteTreeA(HKEY_CURRENT_USER, keyPath_.c_str());
}
