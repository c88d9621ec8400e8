#include "base/ProcessImage.h"

#include "base/TextConversion.h"

#include <psapi.h>

#include <iterator>

// The image name works where the module list cannot be read: a 64-bit process
// seen from a 32-bit one, a process still starting.
std::string ProcessImagePath(HANDLE process)
{
    char module[512] = {};
    if (GetModuleFileNameExA(process, nullptr, module, sizeof(module) - 1) != 0)
        return module;
    wchar_t image[MAX_PATH * 4] = {};
    DWORD length = static_cast<DWORD>(std::size(image));
    if (!QueryFullProcessImageNameW(process, 0, image, &length))
        return std::string();
    return ToNarrow(std::wstring_view(image, length));
}
