#include "ui/core/Markup.h"

#include "base/TextConversion.h"
#include "ui/core/ImageLoader.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <vector>

namespace SkinUI {

namespace {

const DWORD kMaxFileSize = 4 * 1024 * 1024;

bool IsBlank(wchar_t c)
{
    return c > 0 && c <= 32;
}

void SkipWhitespace(wchar_t*& p)
{
    while (IsBlank(*p)) ++p;
}

void SkipWhitespace(const wchar_t*& p, const wchar_t* end)
{
    while (p < end && IsBlank(*p)) ++p;
}

void SkipIdentifier(wchar_t*& p)
{
    while (*p != L'\0' && (*p == L'_' || *p == L':' || iswalnum(*p))) ++p;
}

const struct {
    const wchar_t* name;
    size_t length;
    wchar_t ch;
} kEntities[] = {
    { L"&amp;", 5, L'&' },
    { L"&lt;", 4, L'<' },
    { L"&gt;", 4, L'>' },
    { L"&quot;", 6, L'"' },
    { L"&apos;", 6, L'\'' },
};

// One element whose closing tag is still to come.
struct OpenElement {
    ULONG index;
    wchar_t* nameEnd;
    wchar_t* textEnd;
};

// The end of the text completes the elements still open.
void EndOpenElements(const std::vector<OpenElement>& open)
{
    for (const OpenElement& element : open) {
        *element.textEnd = L'\0';
        *element.nameEnd = L'\0';
    }
}

} // namespace

CMarkupNode::CMarkupNode() : m_iPos(0), m_nAttributes(0), m_pOwner(nullptr)
{
}

CMarkupNode::CMarkupNode(CMarkup* owner, int pos) : m_iPos(pos), m_nAttributes(0), m_pOwner(owner)
{
}

bool CMarkupNode::IsValid() const
{
    return m_pOwner != nullptr;
}

CMarkupNode CMarkupNode::GetParent() const
{
    if (m_pOwner == nullptr) return CMarkupNode();
    ULONG pos = m_pOwner->m_pElements.get()[m_iPos].iParent;
    if (pos == 0) return CMarkupNode();
    return CMarkupNode(m_pOwner, pos);
}

CMarkupNode CMarkupNode::GetSibling() const
{
    if (m_pOwner == nullptr) return CMarkupNode();
    ULONG pos = m_pOwner->m_pElements.get()[m_iPos].iNext;
    if (pos == 0) return CMarkupNode();
    return CMarkupNode(m_pOwner, pos);
}

CMarkupNode CMarkupNode::GetChild() const
{
    if (m_pOwner == nullptr) return CMarkupNode();
    ULONG pos = m_pOwner->m_pElements.get()[m_iPos].iChild;
    if (pos == 0) return CMarkupNode();
    return CMarkupNode(m_pOwner, pos);
}

CMarkupNode CMarkupNode::GetChild(const wchar_t* name) const
{
    if (m_pOwner == nullptr || name == nullptr) return CMarkupNode();
    ULONG pos = m_pOwner->m_pElements.get()[m_iPos].iChild;
    while (pos != 0) {
        if (wcscmp(m_pOwner->m_pstrXML.get() + m_pOwner->m_pElements.get()[pos].iStart, name) == 0) {
            return CMarkupNode(m_pOwner, pos);
        }
        pos = m_pOwner->m_pElements.get()[pos].iNext;
    }
    return CMarkupNode();
}

bool CMarkupNode::HasSiblings() const
{
    return m_pOwner != nullptr && m_pOwner->m_pElements.get()[m_iPos].iNext > 0;
}

bool CMarkupNode::HasChildren() const
{
    return m_pOwner != nullptr && m_pOwner->m_pElements.get()[m_iPos].iChild != 0;
}

const wchar_t* CMarkupNode::GetName() const
{
    if (m_pOwner == nullptr) return nullptr;
    return m_pOwner->m_pstrXML.get() + m_pOwner->m_pElements.get()[m_iPos].iStart;
}

const wchar_t* CMarkupNode::GetValue() const
{
    if (m_pOwner == nullptr) return nullptr;
    return m_pOwner->m_pstrXML.get() + m_pOwner->m_pElements.get()[m_iPos].iData;
}

// Rebuilds the attribute table by scanning the pieces the parser left
// between the element name and the element text; never looks past them.
void CMarkupNode::MapAttributes()
{
    m_nAttributes = 0;
    const wchar_t* xml = m_pOwner->m_pstrXML.get();
    const wchar_t* p = xml + m_pOwner->m_pElements.get()[m_iPos].iStart;
    const wchar_t* end = xml + m_pOwner->m_pElements.get()[m_iPos].iData;
    while (p < end && *p != L'\0') ++p;
    ++p;
    while (p < end) {
        SkipWhitespace(p, end);
        const wchar_t* name = p;
        while (p < end && *p != L'\0') ++p;
        if (p >= end) return;
        ++p;
        SkipWhitespace(p, end);
        if (p >= end || *p != L'"') return;
        const wchar_t* value = ++p;
        while (p < end && *p != L'\0') ++p;
        if (p >= end) return;
        m_aAttributes[m_nAttributes].iName = static_cast<ULONG>(name - xml);
        m_aAttributes[m_nAttributes].iValue = static_cast<ULONG>(value - xml);
        if (++m_nAttributes >= MAX_XML_ATTRIBUTES) return;
        ++p;
    }
}

bool CMarkupNode::HasAttributes()
{
    if (m_pOwner == nullptr) return false;
    if (m_nAttributes == 0) MapAttributes();
    return m_nAttributes > 0;
}

bool CMarkupNode::HasAttribute(const wchar_t* name)
{
    if (m_pOwner == nullptr || name == nullptr) return false;
    if (m_nAttributes == 0) MapAttributes();
    for (int i = 0; i < m_nAttributes; i++) {
        if (wcscmp(m_pOwner->m_pstrXML.get() + m_aAttributes[i].iName, name) == 0) return true;
    }
    return false;
}

int CMarkupNode::GetAttributeCount()
{
    if (m_pOwner == nullptr) return 0;
    if (m_nAttributes == 0) MapAttributes();
    return m_nAttributes;
}

const wchar_t* CMarkupNode::GetAttributeName(int index)
{
    if (m_pOwner == nullptr) return nullptr;
    if (m_nAttributes == 0) MapAttributes();
    if (index < 0 || index >= m_nAttributes) return L"";
    return m_pOwner->m_pstrXML.get() + m_aAttributes[index].iName;
}

const wchar_t* CMarkupNode::GetAttributeValue(int index)
{
    if (m_pOwner == nullptr) return nullptr;
    if (m_nAttributes == 0) MapAttributes();
    if (index < 0 || index >= m_nAttributes) return L"";
    return m_pOwner->m_pstrXML.get() + m_aAttributes[index].iValue;
}

const wchar_t* CMarkupNode::GetAttributeValue(const wchar_t* name)
{
    if (m_pOwner == nullptr) return nullptr;
    if (name == nullptr) return L"";
    if (m_nAttributes == 0) MapAttributes();
    for (int i = 0; i < m_nAttributes; i++) {
        if (wcscmp(m_pOwner->m_pstrXML.get() + m_aAttributes[i].iName, name) == 0) {
            return m_pOwner->m_pstrXML.get() + m_aAttributes[i].iValue;
        }
    }
    return L"";
}

bool CMarkupNode::GetAttributeValue(int index, wchar_t* value, SIZE_T max)
{
    if (m_pOwner == nullptr || value == nullptr) return false;
    if (m_nAttributes == 0) MapAttributes();
    if (index < 0 || index >= m_nAttributes) return false;
    wcsncpy(value, m_pOwner->m_pstrXML.get() + m_aAttributes[index].iValue, max);
    return true;
}

bool CMarkupNode::GetAttributeValue(const wchar_t* name, wchar_t* value, SIZE_T max)
{
    if (m_pOwner == nullptr || name == nullptr || value == nullptr) return false;
    if (m_nAttributes == 0) MapAttributes();
    for (int i = 0; i < m_nAttributes; i++) {
        if (wcscmp(m_pOwner->m_pstrXML.get() + m_aAttributes[i].iName, name) == 0) {
            wcsncpy(value, m_pOwner->m_pstrXML.get() + m_aAttributes[i].iValue, max);
            return true;
        }
    }
    return false;
}

CMarkup::CMarkup(const wchar_t* xml)
    : m_nElements(0), m_nReservedElements(0),
      m_bPreserveWhitespace(true)
{
    m_szErrorMsg[0] = L'\0';
    m_szErrorXML[0] = L'\0';
    if (xml != nullptr) Load(xml);
}

CMarkup::~CMarkup()
{
    Release();
}

bool CMarkup::IsValid() const
{
    return m_pElements != nullptr;
}

void CMarkup::SetPreserveWhitespace(bool preserve)
{
    m_bPreserveWhitespace = preserve;
}

void CMarkup::Release()
{
    m_pstrXML.reset();
    m_pElements.reset();
    m_nElements = 0;
    m_nReservedElements = 0;
}

bool CMarkup::Load(const wchar_t* xml)
{
    Release();
    if (xml == nullptr) return Failed(L"Error opening file");
    size_t chars = wcslen(xml) + 1;
    m_pstrXML.reset(static_cast<wchar_t*>(malloc(chars * sizeof(wchar_t))));
    if (m_pstrXML == nullptr) return Failed(L"Out of memory");
    wmemcpy(m_pstrXML.get(), xml, chars);
    return Parse();
}

bool CMarkup::LoadFromMem(const BYTE* data, DWORD size, int encoding)
{
    Release();
    if (data == nullptr && size > 0) return Failed(L"Error opening file");
    if (size > INT_MAX) return Failed(L"File too large");
    if (encoding == XMLFILE_ENCODING_UNICODE) {
        bool littleEndian = size >= 2 && data[0] == 0xFF && data[1] == 0xFE;
        bool bigEndian = size >= 2 && data[0] == 0xFE && data[1] == 0xFF;
        if (!littleEndian && !bigEndian) return Failed(L"Missing UTF-16 byte-order mark");
        DWORD chars = size / 2 - 1;
        m_pstrXML.reset(static_cast<wchar_t*>(malloc((chars + 1) * sizeof(wchar_t))));
        if (m_pstrXML == nullptr) return Failed(L"Out of memory");
        // The caller's bytes stay as they are; a swapped copy is parsed.
        const BYTE* p = data + 2;
        for (DWORD i = 0; i < chars; i++, p += 2) {
            m_pstrXML.get()[i] = littleEndian ? static_cast<wchar_t>(p[0] | (p[1] << 8))
                                        : static_cast<wchar_t>((p[0] << 8) | p[1]);
        }
        m_pstrXML.get()[chars] = L'\0';
        return Parse();
    }
    if (encoding != XMLFILE_ENCODING_UTF8 && encoding != XMLFILE_ENCODING_ANSI) {
        return Failed(L"Unknown encoding");
    }
    UINT codePage = kAnsiCodePage;
    if (encoding == XMLFILE_ENCODING_UTF8) {
        codePage = CP_UTF8;
        if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) {
            data += 3;
            size -= 3;
        }
    }
    const char* bytes = reinterpret_cast<const char*>(data);
    const std::wstring wide = ToWide(std::string_view(bytes, size), codePage);
    m_pstrXML.reset(static_cast<wchar_t*>(malloc((wide.size() + 1) * sizeof(wchar_t))));
    if (m_pstrXML == nullptr) return Failed(L"Out of memory");
    wmemcpy(m_pstrXML.get(), wide.c_str(), wide.size() + 1);
    return Parse();
}

bool CMarkup::LoadFromFile(const wchar_t* file, int encoding)
{
    Release();
    if (file == nullptr) return Failed(L"Error opening file");
    std::vector<BYTE> bytes;
    switch (ReadSkinFile(file, kMaxFileSize, bytes)) {
    case SkinFileResult::Ok:
        return LoadFromMem(bytes.data(), static_cast<DWORD>(bytes.size()), encoding);
    case SkinFileResult::Empty:
        return Failed(L"File is empty");
    case SkinFileResult::TooLarge:
        return Failed(L"File too large");
    case SkinFileResult::ReadFailed:
        return Failed(L"Could not read file");
    case SkinFileResult::ZipOpenFailed:
        return Failed(L"Error opening zip file");
    case SkinFileResult::ZipItemMissing:
        return Failed(L"Could not find ziped file");
    case SkinFileResult::UnzipFailed:
        return Failed(L"Could not unzip file");
    case SkinFileResult::OpenFailed:
    case SkinFileResult::ResourceMissing:
        break;
    }
    return Failed(L"Error opening file");
}

void CMarkup::GetLastErrorMessage(wchar_t* message, SIZE_T max) const
{
    if (message != nullptr) wcsncpy(message, m_szErrorMsg, max);
}

void CMarkup::GetLastErrorLocation(wchar_t* source, SIZE_T max) const
{
    if (source != nullptr) wcsncpy(source, m_szErrorXML, max);
}

CMarkupNode CMarkup::GetRoot()
{
    if (m_nElements < 2) return CMarkupNode();
    return CMarkupNode(this, 1);
}

bool CMarkup::Failed(const wchar_t* message, const wchar_t* location)
{
    wcsncpy(m_szErrorMsg, message, 99);
    m_szErrorMsg[99] = L'\0';
    wcsncpy(m_szErrorXML, location != nullptr ? location : L"", 49);
    m_szErrorXML[49] = L'\0';
    return false;
}

bool CMarkup::ReserveElement(ULONG* index)
{
    if (m_nElements == 0) m_nReservedElements = 0;
    if (m_nElements >= m_nReservedElements) {
        ULONG reserved = m_nReservedElements + m_nReservedElements / 2 + 500;
        void* block = realloc(m_pElements.get(), reserved * sizeof(XMLELEMENT));
        if (block == nullptr) return false;
        (void)m_pElements.release();
        m_pElements.reset(static_cast<XMLELEMENT*>(block));
        m_nReservedElements = reserved;
    }
    *index = m_nElements++;
    m_pElements.get()[*index] = XMLELEMENT();
    return true;
}

bool CMarkup::Parse()
{
    m_szErrorMsg[0] = L'\0';
    m_szErrorXML[0] = L'\0';
    ULONG dummy = 0;
    bool ok = ReserveElement(&dummy) || Failed(L"Out of memory");
    wchar_t* text = m_pstrXML.get();
    if (ok) ok = ParseElements(text);
    if (!ok) Release();
    return ok;
}

void CMarkup::ParseData(wchar_t*& text, wchar_t*& dest, wchar_t end)
{
    while (*text != L'\0' && *text != end) {
        if (*text == L'&') {
            bool decoded = false;
            for (const auto& entity : kEntities) {
                if (wcsncmp(text, entity.name, entity.length) == 0) {
                    *dest++ = entity.ch;
                    text += entity.length;
                    decoded = true;
                    break;
                }
            }
            if (decoded) continue;
        }
        if (*text == L' ') {
            *dest++ = *text++;
            if (!m_bPreserveWhitespace) SkipWhitespace(text);
        } else {
            *dest++ = *text++;
        }
    }
    // Keeps the gap scannable for the node's attribute mapping.
    for (wchar_t* fill = dest; fill < text; ++fill) *fill = L' ';
}

bool CMarkup::ParseAttributes(wchar_t*& text)
{
    if (*text == L'>') return true;
    *text++ = L'\0';
    SkipWhitespace(text);
    while (*text != L'\0' && *text != L'>' && *text != L'/') {
        SkipIdentifier(text);
        wchar_t* nameEnd = text;
        SkipWhitespace(text);
        if (*text != L'=') return Failed(L"Error while parsing attributes", text);
        *text++ = L' ';
        *nameEnd = L'\0';
        SkipWhitespace(text);
        if (*text != L'"') return Failed(L"Expected attribute value", text);
        wchar_t* dest = ++text;
        ParseData(text, dest, L'"');
        if (*text == L'\0') return Failed(L"Error while parsing attribute string", text);
        *dest = L'\0';
        if (text != dest) *text = L' ';
        ++text;
        SkipWhitespace(text);
    }
    return true;
}

// The closing tag at text of the element at index, whose name ends at
// nameEnd; text is left after it.
bool CMarkup::MatchClosingTag(wchar_t*& text, ULONG index, const wchar_t* nameEnd)
{
    *text = L'\0';
    text += 2;
    SkipWhitespace(text);
    const wchar_t* name = m_pstrXML.get() + m_pElements.get()[index].iStart;
    const size_t nameLength = nameEnd - name;
    if (wcsncmp(text, name, nameLength) != 0) return Failed(L"Unmatched closing tag", text);
    text += nameLength;
    SkipWhitespace(text);
    if (*text != L'>') return Failed(L"Unmatched closing tag", text);
    ++text;
    return true;
}

// Walks the document with an explicit stack of open elements, so deeply
// nested input cannot exhaust the thread's stack.
bool CMarkup::ParseElements(wchar_t*& text)
{
    std::vector<OpenElement> open;
    ULONG parent = 0;
    ULONG previous = 0;
    for (;;) {
        SkipWhitespace(text);
        if (*text == L'\0') {
            if (parent > 1) return Failed(L"Expected start tag", text);
            // The end of the text completes the top two levels.
            EndOpenElements(open);
            return true;
        }
        if (*text != L'<') return Failed(L"Expected start tag", text);

        if (text[1] == L'/') {
            if (open.empty()) return Failed(L"Unmatched closing tag", text);
            OpenElement element = open.back();
            open.pop_back();
            *element.textEnd = L'\0';
            if (!MatchClosingTag(text, element.index, element.nameEnd)) return false;
            *element.nameEnd = L'\0';
            previous = element.index;
            parent = m_pElements.get()[element.index].iParent;
            continue;
        }

        *text++ = L'\0';
        SkipWhitespace(text);
        if (*text == L'!' || *text == L'?') {
            wchar_t close = *text == L'!' ? L'-' : L'?';
            while (*text != L'\0' && !(text[0] == close && text[1] == L'>')) ++text;
            if (*text != L'\0') text += 2;
            continue;
        }

        ULONG index = 0;
        if (!ReserveElement(&index)) return Failed(L"Out of memory");
        m_pElements.get()[index].iStart = static_cast<ULONG>(text - m_pstrXML.get());
        m_pElements.get()[index].iParent = parent;
        if (previous == 0 && parent != 0) m_pElements.get()[parent].iChild = index;
        else if (previous != 0) m_pElements.get()[previous].iNext = index;

        SkipIdentifier(text);
        wchar_t* nameEnd = text;
        if (*text == L'\0') return Failed(L"Error parsing element name", text);
        if (text[0] == L'/' && text[1] == L'>') {
            // A name directly followed by "/>" is an empty element too.
            *text = L'\0';
            m_pElements.get()[index].iData = static_cast<ULONG>(text - m_pstrXML.get());
            text += 2;
            previous = index;
            continue;
        }
        if (!ParseAttributes(text)) return false;
        SkipWhitespace(text);
        if (text[0] == L'/' && text[1] == L'>') {
            m_pElements.get()[index].iData = static_cast<ULONG>(text - m_pstrXML.get());
            *text = L'\0';
            text += 2;
            previous = index;
            continue;
        }
        if (*text != L'>') return Failed(L"Expected start-tag closing", text);
        m_pElements.get()[index].iData = static_cast<ULONG>(++text - m_pstrXML.get());
        wchar_t* dest = text;
        ParseData(text, dest, L'<');
        if (*text == L'\0' && parent <= 1) {
            *dest = L'\0';
            *nameEnd = L'\0';
            EndOpenElements(open);
            return true;
        }
        if (*text != L'<') return Failed(L"Expected end-tag start", text);
        open.push_back(OpenElement{ index, nameEnd, dest });
        parent = index;
        previous = 0;
    }
}

} // namespace SkinUI
