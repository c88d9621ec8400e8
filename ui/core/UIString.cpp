#include "ui/core/UIString.h"

#include "base/TextConversion.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <functional>
#include <vector>

namespace SkinUI {

namespace {

// wvsprintfW never writes more than 1024 characters plus the terminator.
const int kFormatBufferChars = 1025;

// Length of text, but never looking further than limit characters.
int BoundedLength(const wchar_t* text, int limit)
{
    int n = 0;
    while (n < limit && text[n] != L'\0') ++n;
    return n;
}

} // namespace

CUIString::CUIString() : m_pstr(m_szBuffer)
{
    m_szBuffer[0] = L'\0';
}

CUIString::CUIString(wchar_t ch) : m_pstr(m_szBuffer)
{
    m_szBuffer[0] = ch;
    m_szBuffer[1] = L'\0';
}

CUIString::CUIString(const wchar_t* text, int maxLength) : m_pstr(m_szBuffer)
{
    m_szBuffer[0] = L'\0';
    Assign(text, maxLength);
}

CUIString::CUIString(const CUIString& src) : m_pstr(m_szBuffer)
{
    m_szBuffer[0] = L'\0';
    Assign(src.m_pstr);
}

CUIString::~CUIString()
{
    FreeHeap();
}

void CUIString::FreeHeap()
{
    if (!IsInline()) {
        free(m_pstr);
        m_pstr = m_szBuffer;
    }
}

bool CUIString::Overlaps(const wchar_t* text) const
{
    std::less_equal<const wchar_t*> le;
    return le(m_pstr, text) && le(text, m_pstr + GetLength());
}

void CUIString::Empty()
{
    FreeHeap();
    m_szBuffer[0] = L'\0';
}

int CUIString::GetLength() const
{
    return static_cast<int>(wcslen(m_pstr));
}

bool CUIString::IsEmpty() const
{
    return m_pstr[0] == L'\0';
}

wchar_t CUIString::GetAt(int index) const
{
    return m_pstr[index];
}

void CUIString::SetAt(int index, wchar_t ch)
{
    m_pstr[index] = ch;
}

void CUIString::Assign(const wchar_t* text, int maxLength)
{
    if (text == nullptr) text = L"";
    if (Overlaps(text)) {
        // The block may be freed or moved below: work from a copy.
        CUIString copy(text, maxLength);
        Assign(copy.m_pstr, maxLength);
        return;
    }
    if (maxLength < 0) maxLength = static_cast<int>(wcslen(text));
    if (maxLength < MAX_LOCAL_STRING_LEN) {
        FreeHeap();
    } else if (maxLength > GetLength() || IsInline()) {
        void* block = realloc(IsInline() ? nullptr : m_pstr, (maxLength + 1) * sizeof(wchar_t));
        if (block == nullptr) {
            Empty();
            return;
        }
        m_pstr = static_cast<wchar_t*>(block);
    }
    int copied = BoundedLength(text, maxLength);
    wmemcpy(m_pstr, text, copied);
    wmemset(m_pstr + copied, L'\0', maxLength - copied + 1);
}

void CUIString::Append(const wchar_t* text)
{
    if (text == nullptr) return;
    if (Overlaps(text)) {
        CUIString copy(text);
        Append(copy.m_pstr);
        return;
    }
    int oldLength = GetLength();
    int newLength = oldLength + static_cast<int>(wcslen(text));
    if (newLength >= MAX_LOCAL_STRING_LEN) {
        size_t bytes = (newLength + 1) * sizeof(wchar_t);
        if (IsInline()) {
            wchar_t* block = static_cast<wchar_t*>(malloc(bytes));
            if (block == nullptr) return;
            wmemcpy(block, m_szBuffer, oldLength + 1);
            m_pstr = block;
        } else {
            void* block = realloc(m_pstr, bytes);
            if (block == nullptr) return;
            m_pstr = static_cast<wchar_t*>(block);
        }
    } else if (!IsInline()) {
        wmemcpy(m_szBuffer, m_pstr, oldLength + 1);
        FreeHeap();
    }
    wcscpy(m_pstr + oldLength, text);
}

const wchar_t* CUIString::GetData() const
{
    return m_pstr;
}

CUIString::operator const wchar_t*() const
{
    return m_pstr;
}

wchar_t CUIString::operator[](int index) const
{
    return m_pstr[index];
}

const CUIString& CUIString::operator=(const CUIString& src)
{
    Assign(src.m_pstr);
    return *this;
}

const CUIString& CUIString::operator=(const wchar_t* text)
{
    if (text == nullptr) Empty();
    else Assign(text);
    return *this;
}

const CUIString& CUIString::operator=(wchar_t ch)
{
    FreeHeap();
    m_szBuffer[0] = ch;
    m_szBuffer[1] = L'\0';
    return *this;
}

const CUIString& CUIString::operator=(const char* text)
{
    if (text == nullptr) Empty();
    else Assign(ToWide(text).c_str());
    return *this;
}

const CUIString& CUIString::operator+=(const CUIString& src)
{
    Append(src.m_pstr);
    return *this;
}

const CUIString& CUIString::operator+=(const wchar_t* text)
{
    Append(text);
    return *this;
}

const CUIString& CUIString::operator+=(wchar_t ch)
{
    wchar_t text[2] = { ch, L'\0' };
    Append(text);
    return *this;
}

const CUIString& CUIString::operator+=(const char* text)
{
    if (text != nullptr) Append(ToWide(text).c_str());
    return *this;
}

CUIString CUIString::operator+(const CUIString& src) const
{
    CUIString result(*this);
    result.Append(src.m_pstr);
    return result;
}

CUIString CUIString::operator+(const wchar_t* text) const
{
    CUIString result(*this);
    result.Append(text);
    return result;
}

bool CUIString::operator==(const wchar_t* text) const { return Compare(text) == 0; }
bool CUIString::operator!=(const wchar_t* text) const { return Compare(text) != 0; }
bool CUIString::operator<(const wchar_t* text) const { return Compare(text) < 0; }
bool CUIString::operator<=(const wchar_t* text) const { return Compare(text) <= 0; }
bool CUIString::operator>(const wchar_t* text) const { return Compare(text) > 0; }
bool CUIString::operator>=(const wchar_t* text) const { return Compare(text) >= 0; }

int CUIString::Compare(const wchar_t* text) const
{
    return wcscmp(m_pstr, text != nullptr ? text : L"");
}

int CUIString::CompareNoCase(const wchar_t* text) const
{
    return _wcsicmp(m_pstr, text != nullptr ? text : L"");
}

void CUIString::MakeUpper()
{
    _wcsupr(m_pstr);
}

void CUIString::MakeLower()
{
    _wcslwr(m_pstr);
}

CUIString CUIString::Left(int length) const
{
    int total = GetLength();
    if (length < 0) length = 0;
    if (length > total) length = total;
    return CUIString(m_pstr, length);
}

CUIString CUIString::Mid(int start, int length) const
{
    int total = GetLength();
    if (start < 0) start = 0;
    if (start > total) start = total;
    if (length < 0 || start + length > total) length = total - start;
    if (length <= 0) return CUIString();
    return CUIString(m_pstr + start, length);
}

CUIString CUIString::Right(int length) const
{
    int total = GetLength();
    if (length < 0) length = 0;
    if (length > total) length = total;
    return CUIString(m_pstr + total - length, length);
}

int CUIString::Find(wchar_t ch, int start) const
{
    if (start != 0 && (start < 0 || start >= GetLength())) return -1;
    const wchar_t* hit = wcschr(m_pstr + start, ch);
    // wcschr also finds the terminator; that is no match.
    if (hit == nullptr || *hit == L'\0') return -1;
    return static_cast<int>(hit - m_pstr);
}

int CUIString::Find(const wchar_t* text, int start) const
{
    if (text == nullptr) return -1;
    if (start != 0 && (start < 0 || start > GetLength())) return -1;
    // The runtime's wcsstr does not find the empty text everywhere.
    if (*text == L'\0') return start;
    const wchar_t* hit = wcsstr(m_pstr + start, text);
    return hit == nullptr ? -1 : static_cast<int>(hit - m_pstr);
}

int CUIString::ReverseFind(wchar_t ch) const
{
    const wchar_t* hit = wcsrchr(m_pstr, ch);
    if (hit == nullptr || *hit == L'\0') return -1;
    return static_cast<int>(hit - m_pstr);
}

int CUIString::Replace(const wchar_t* from, const wchar_t* to)
{
    if (from == nullptr || *from == L'\0') return 0;
    if (to == nullptr) to = L"";
    // Both may point into this string, which is rebuilt below.
    CUIString fromCopy(from);
    CUIString toCopy(to);
    int fromLength = fromCopy.GetLength();
    int toLength = toCopy.GetLength();
    int count = 0;
    int pos = Find(fromCopy);
    while (pos >= 0) {
        CUIString rebuilt = Left(pos);
        rebuilt.Append(toCopy);
        rebuilt.Append(m_pstr + pos + fromLength);
        Assign(rebuilt);
        ++count;
        pos = Find(fromCopy, pos + toLength);
    }
    return count;
}

int CUIString::FormatV(int bufferChars, const wchar_t* format, va_list args)
{
    wchar_t buffer[kFormatBufferChars] = { 0 };
    int result = wvsprintfW(buffer, format, args);
    // Output that does not fit the caller's limit is cut there.
    buffer[bufferChars - 1] = L'\0';
    Assign(buffer);
    return result;
}

int CUIString::Format(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    int result = FormatV(kFormatBufferChars, format, args);
    va_end(args);
    return result;
}

int CUIString::SmallFormat(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    int result = FormatV(MAX_LOCAL_STRING_LEN + 1, format, args);
    va_end(args);
    return result < MAX_LOCAL_STRING_LEN ? result : GetLength();
}

} // namespace SkinUI
