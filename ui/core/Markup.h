#pragma once

#include "base/ScopedHandles.h"

#include <windows.h>

namespace SkinUI {

enum {
    XMLFILE_ENCODING_UTF8 = 0,
    XMLFILE_ENCODING_UNICODE = 1,
    XMLFILE_ENCODING_ANSI = 2,
};

class CMarkup;

// A handle on one element of a parsed document; valid while the document is.
class CMarkupNode {
    friend class CMarkup;

public:
    CMarkupNode();

    bool IsValid() const;

    CMarkupNode GetParent() const;
    CMarkupNode GetSibling() const;
    CMarkupNode GetChild() const;
    CMarkupNode GetChild(const wchar_t* name) const;

    bool HasSiblings() const;
    bool HasChildren() const;
    const wchar_t* GetName() const;
    const wchar_t* GetValue() const;

    bool HasAttributes();
    bool HasAttribute(const wchar_t* name);
    int GetAttributeCount();
    const wchar_t* GetAttributeName(int index);
    const wchar_t* GetAttributeValue(int index);
    const wchar_t* GetAttributeValue(const wchar_t* name);
    bool GetAttributeValue(int index, wchar_t* value, SIZE_T max);
    bool GetAttributeValue(const wchar_t* name, wchar_t* value, SIZE_T max);

    enum { MAX_XML_ATTRIBUTES = 64 };

private:
    CMarkupNode(CMarkup* owner, int pos);
    void MapAttributes();

    struct XMLATTRIBUTE {
        ULONG iName;
        ULONG iValue;
    };

    int m_iPos;
    int m_nAttributes;
    XMLATTRIBUTE m_aAttributes[MAX_XML_ATTRIBUTES];
    CMarkup* m_pOwner;
};

// In-place XML parser for skin files: names, attribute values and element
// texts stay inside the one text buffer, zero-terminated where they end.
class CMarkup {
    friend class CMarkupNode;

public:
    explicit CMarkup(const wchar_t* xml = nullptr);
    CMarkup(const CMarkup&) = delete;
    CMarkup& operator=(const CMarkup&) = delete;
    ~CMarkup();

    bool Load(const wchar_t* xml);
    bool LoadFromMem(const BYTE* data, DWORD size, int encoding = XMLFILE_ENCODING_UTF8);
    // Reads from the resource folder or archive set up in CPaintManagerUI.
    bool LoadFromFile(const wchar_t* file, int encoding = XMLFILE_ENCODING_UTF8);
    void Release();
    bool IsValid() const;

    void SetPreserveWhitespace(bool preserve = true);
    void GetLastErrorMessage(wchar_t* message, SIZE_T max) const;
    void GetLastErrorLocation(wchar_t* source, SIZE_T max) const;

    CMarkupNode GetRoot();

private:
    struct XMLELEMENT {
        ULONG iStart;
        ULONG iChild;
        ULONG iNext;
        ULONG iParent;
        ULONG iData;
    };

    bool Parse();
    bool ParseElements(wchar_t*& text);
    bool MatchClosingTag(wchar_t*& text, ULONG index, const wchar_t* nameEnd);
    bool ParseAttributes(wchar_t*& text);
    void ParseData(wchar_t*& text, wchar_t*& dest, wchar_t end);
    bool ReserveElement(ULONG* index);
    bool Failed(const wchar_t* message, const wchar_t* location = L"");

    MallocPtr<wchar_t> m_pstrXML;
    MallocPtr<XMLELEMENT> m_pElements;
    ULONG m_nElements;
    ULONG m_nReservedElements;
    wchar_t m_szErrorMsg[100];
    wchar_t m_szErrorXML[50];
    bool m_bPreserveWhitespace;
};

} // namespace SkinUI
