#include "base/TextConversion.h"

#include <climits>

std::wstring ToWide(std::string_view text, UINT codePage)
{
    if (text.empty() || text.size() > INT_MAX)
        return std::wstring();
    const int length = static_cast<int>(text.size());
    const int chars = MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
    if (chars <= 0)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(chars), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), length, &wide[0], chars);
    return wide;
}

std::string ToNarrow(std::wstring_view text, UINT codePage)
{
    if (text.empty() || text.size() > INT_MAX)
        return std::string();
    const int length = static_cast<int>(text.size());
    const int bytes = WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return std::string();
    std::string narrow(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), length, &narrow[0], bytes, nullptr, nullptr);
    return narrow;
}

std::string ToUtf8(std::string_view text, UINT codePage)
{
    return ToNarrow(ToWide(text, codePage), CP_UTF8);
}
