#pragma once

#include <windows.h>

namespace SkinUI {

// Wide string with a small inline buffer: short texts (the many attribute
// names, values and control names) never touch the heap.
class CUIString {
public:
    enum { MAX_LOCAL_STRING_LEN = 63 };

    CUIString();
    CUIString(wchar_t ch);
    CUIString(const wchar_t* text, int maxLength = -1);
    CUIString(const CUIString& src);
    ~CUIString();

    void Empty();
    int GetLength() const;
    bool IsEmpty() const;
    wchar_t GetAt(int index) const;
    void SetAt(int index, wchar_t ch);
    void Append(const wchar_t* text);
    void Assign(const wchar_t* text, int maxLength = -1);
    const wchar_t* GetData() const;
    operator const wchar_t*() const;
    wchar_t operator[](int index) const;

    const CUIString& operator=(const CUIString& src);
    const CUIString& operator=(const wchar_t* text);
    const CUIString& operator=(wchar_t ch);
    const CUIString& operator=(const char* text);

    const CUIString& operator+=(const CUIString& src);
    const CUIString& operator+=(const wchar_t* text);
    const CUIString& operator+=(wchar_t ch);
    const CUIString& operator+=(const char* text);

    CUIString operator+(const CUIString& src) const;
    CUIString operator+(const wchar_t* text) const;

    bool operator==(const wchar_t* text) const;
    bool operator!=(const wchar_t* text) const;
    bool operator<(const wchar_t* text) const;
    bool operator<=(const wchar_t* text) const;
    bool operator>(const wchar_t* text) const;
    bool operator>=(const wchar_t* text) const;

    int Compare(const wchar_t* text) const;
    int CompareNoCase(const wchar_t* text) const;
    void MakeUpper();
    void MakeLower();

    CUIString Left(int length) const;
    CUIString Mid(int start, int length = -1) const;
    CUIString Right(int length) const;

    int Find(wchar_t ch, int start = 0) const;
    int Find(const wchar_t* text, int start = 0) const;
    int ReverseFind(wchar_t ch) const;
    int Replace(const wchar_t* from, const wchar_t* to);

    int Format(const wchar_t* format, ...);
    int SmallFormat(const wchar_t* format, ...);

private:
    bool IsInline() const { return m_pstr == m_szBuffer; }
    bool Overlaps(const wchar_t* text) const;
    void FreeHeap();
    int FormatV(int bufferChars, const wchar_t* format, va_list args);

    wchar_t* m_pstr;
    wchar_t m_szBuffer[MAX_LOCAL_STRING_LEN + 1];
};

} // namespace SkinUI
