#include "engine/Settings.h"

#include "engine/Paths.h"

#include <windows.h>

namespace {

constexpr char kSection[] = "update";
// Profile values are limited in size; stop growing the buffer there.
constexpr size_t kMaxValueSize = 65536;

std::string ReadSetting(const char* key)
{
    const std::string path = GetSettingsPath();
    // The value is read in full: a cut path would name another file.
    std::string value(512, '\0');
    for (;;) {
        const DWORD length = GetPrivateProfileStringA(kSection, key, "", &value[0],
                                                      static_cast<DWORD>(value.size()), path.c_str());
        if (length + 1 < value.size() || value.size() >= kMaxValueSize) {
            value.resize(length);
            return value;
        }
        value.assign(value.size() * 2, '\0');
    }
}

void WriteSetting(const char* key, const std::string& value)
{
    WritePrivateProfileStringA(kSection, key, value.c_str(), GetSettingsPath().c_str());
}

}  // namespace

std::string ReadXmlSetting()
{
    return ReadSetting("xml");
}

std::string ReadXzSetting()
{
    return ReadSetting("xz");
}

void WriteXmlSetting(const std::string& value)
{
    WriteSetting("xml", value);
}

void WriteXzSetting(const std::string& value)
{
    WriteSetting("xz", value);
}

void WriteVersionSetting(const std::string& value)
{
    WriteSetting("version", value);
}

std::string ReadInstalledSetting()
{
    return ReadSetting("installed");
}

void WriteInstalledSetting(const std::string& value)
{
    WriteSetting("installed", value);
}

void DiscardPendingUpdate()
{
    RemoveDirTree(GetUpdateDir());
    WriteVersionSetting("");
    WriteXzSetting("");
    WriteXmlSetting("");
}
