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

UINT ReadResourceId(const wchar_t* value)
{
    return value != nullptr ? static_cast<UINT>(wcstoul(value, nullptr, 10)) : 0;
}

DWORD ReadColorValue(const wchar_t* value)
{
    if (value == nullptr) return 0;
    while (*value > 0 && *value <= L' ') value++;
    if (*value == L'#') value++;
    return static_cast<DWORD>(wcstoul(value, nullptr, 16));
}

namespace {

const long kMaxListNumber = 1 << 20;

bool IsBlank(wchar_t ch)
{
    return ch > 0 && ch <= L' ';
}

} // namespace

int ReadNumbers(const wchar_t* text, long* values, int capacity)
{
    const wchar_t* p = text != nullptr ? text : L"";
    int count = 0;
    for (int i = 0; i < capacity; i++) {
        wchar_t* end = nullptr;
        values[i] = std::clamp(wcstol(p, &end, 10), -kMaxListNumber, kMaxListNumber);
        if (end != p) count = i + 1;
        // The list ends with the text, never one character past it.
        if (*end == L'\0') break;
        p = end + 1;
    }
    return count;
}

RECT ReadNumberList(const wchar_t* text)
{
    long values[4] = { 0, 0, 0, 0 };
    ReadNumbers(text, values, 4);
    return RECT{ values[0], values[1], values[2], values[3] };
}

CDescriptorReader::CDescriptorReader(const wchar_t* text, const wchar_t* end)
    : m_next(text != nullptr ? text : L""), m_end(end), m_stopped(false)
{
    if (m_end == nullptr) m_end = m_next + wcslen(m_next);
}

bool CDescriptorReader::Stop()
{
    m_stopped = true;
    return false;
}

bool CDescriptorReader::Next(CUIString& key, CUIString& value)
{
    if (m_stopped) return false;
    const wchar_t* p = m_next;
    while (p < m_end && IsBlank(*p)) p++;
    m_next = p;
    if (p == m_end) return Stop();
    const wchar_t* keyStart = p;
    while (p < m_end && *p != L'=' && *p > L' ') p++;
    const wchar_t* keyEnd = p;
    while (p < m_end && IsBlank(*p)) p++;
    if (p == m_end || *p != L'=') return Stop();
    p++;
    while (p < m_end && IsBlank(*p)) p++;
    if (p == m_end || *p != L'\'') return Stop();
    const wchar_t* valueStart = ++p;
    while (p < m_end && *p != L'\'') p++;
    if (p == m_end) return Stop();
    key.Assign(keyStart, static_cast<int>(keyEnd - keyStart));
    value.Assign(valueStart, static_cast<int>(p - valueStart));
    m_next = ++p;
    if (p < m_end && *p != L' ') m_stopped = true;
    return true;
}

} // namespace SkinUI
