#include "ui/core/AttributeValues.h"

#include <algorithm>
#include <climits>
#include <cwchar>

namespace SkinUI {

bool ReadBoolValue(const wchar_t* value)
{
    return value != nullptr && wcscmp(value, L"true") == 0;
}

int ReadIntValue(const wchar_t* value)
{
    if (value == nullptr) return 0;
    const long long number = wcstoll(value, nullptr, 10);
    return static_cast<int>(std::clamp(number, static_cast<long long>(INT_MIN), static_cast<long long>(INT_MAX)));
}

DWORD ReadColorValue(const wchar_t* value)
{
    if (value == nullptr) return 0;
    while (*value > 0 && *value <= L' ') value++;
    if (*value == L'#') value++;
    return static_cast<DWORD>(wcstoul(value, nullptr, 16));
}

} // namespace SkinUI
