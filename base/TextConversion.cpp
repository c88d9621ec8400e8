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

std::string ToLowerHex(const void* bytes, size_t size)
{
    static const char kDigits[] = "0123456789abcdef";
    const unsigned char* in = static_cast<const unsigned char*>(bytes);
    std::string hex(2 * size, '0');
    for (size_t i = 0; i < size; ++i) {
        hex[2 * i] = kDigits[in[i] >> 4];
        hex[2 * i + 1] = kDigits[in[i] & 0x0f];
    }
    return hex;
}

namespace {

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

bool FromHex(std::string_view text, void* bytes, size_t size)
{
    if (text.size() != 2 * size)
        return false;
    unsigned char* out = static_cast<unsigned char*>(bytes);
    for (size_t i = 0; i < size; ++i) {
        const int high = HexValue(text[2 * i]);
        const int low = HexValue(text[2 * i + 1]);
        if (high < 0 || low < 0)
            return false;
        out[i] = static_cast<unsigned char>(high << 4 | low);
    }
    return true;
}
