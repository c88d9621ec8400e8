#include "UiCoreTestHelpers.h"

#include <windows.h>

#include "TestSupport.h"

std::wstring Widen(const std::string& ansi)
{
    int chars = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring wide(chars, L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), &wide[0], chars);
    return wide;
}

std::wstring DataPath(const std::string& name)
{
    return Widen(TestDataDir() + "\\" + name);
}

std::wstring TempPath(const std::string& name)
{
    return Widen(TestTempDir() + "\\" + name);
}

std::vector<unsigned char> ReadBytes(const std::string& path)
{
    std::string bytes = ReadFileBytes(path);
    return std::vector<unsigned char>(bytes.begin(), bytes.end());
}
