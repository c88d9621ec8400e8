#include "ui/core/TaggedText.h"

#include "base/ScopedGdi.h"
#include "ui/core/AttributeValues.h"
#include "ui/core/PaintManagerUI.h"
#include "ui/core/RenderEngine.h"

#include <algorithm>
#include <cstdlib>
#include <cwchar>
#include <vector>

namespace SkinUI {

namespace {

// Pixel arguments of tags are held to this, far beyond any screen, so that
// sums of positions cannot overflow.
constexpr int kMaxPixels = 1 << 20;
constexpr int kMaxFontSize = 1000;
const wchar_t kEllipsis[] = L"...";

COLORREF ToColorRef(DWORD argb)
{
    return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

bool IsOpenBracket(wchar_t c)
{
    return c == L'<' || c == L'{';
}

bool IsCloseBracket(wchar_t c)
{
    return c == L'>' || c == L'}';
}

bool IsAsciiLetter(wchar_t c)
{
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

// An opening bracket, an optional '/', one letter a-z, then a blank or a
// closing bracket.
bool IsTagStart(const wchar_t* p)
{
    if (!IsOpenBracket(p[0])) return false;
    const wchar_t* q = p[1] == L'/' ? p + 2 : p + 1;
    if (q[0] < L'a' || q[0] > L'z') return false;
    return q[1] == L' ' || IsCloseBracket(q[1]);
}

// "<{>", "<}>", "{<}" and "{>}" stand for their middle character.
bool IsEscapedBracket(const wchar_t* p)
{
    if (p[0] == L'<') return (p[1] == L'{' || p[1] == L'}') && p[2] == L'>';
    if (p[0] == L'{') return (p[1] == L'<' || p[1] == L'>') && p[2] == L'}';
    return false;
}

bool IsRawEnd(const wchar_t* p)
{
    return IsOpenBracket(p[0]) && p[1] == L'/' && p[2] == L'r' && IsCloseBracket(p[3]);
}

const wchar_t* SkipBlanks(const wchar_t* p, const wchar_t* end)
{
    while (p < end && *p == L' ') p++;
    return p;
}

// A decimal number held to +-kMaxPixels; *next is set past it.
int ReadDecimal(const wchar_t* p, const wchar_t* end, int fallback, const wchar_t** next = nullptr)
{
    p = SkipBlanks(p, end);
    const CUIString digits(p, static_cast<int>(end - p));
    wchar_t* stop = nullptr;
    const long value = wcstol(digits.GetData(), &stop, 10);
    if (next != nullptr) *next = p + (stop - digits.GetData());
    if (stop == digits.GetData()) return fallback;
    return static_cast<int>(std::clamp(value, static_cast<long>(-kMaxPixels), static_cast<long>(kMaxPixels)));
}

// The text of a tag's argument between p and end as a string.
CUIString Slice(const wchar_t* p, const wchar_t* end)
{
    return CUIString(p, static_cast<int>(end - p));
}

struct Item {
    int x;
    int width;
    // A run of text ...
    const wchar_t* text;
    int length;
    const TFontInfo* font;
    COLORREF color;
    bool selected;
    // ... or a frame of an inline image.
    const TImageInfo* image;
    RECT source;
};

struct Line {
    int top;
    int height;
    int width;
    size_t firstItem;
    size_t endItem;
};

struct LinkPart {
    size_t line;
    int left;
    int right;
    size_t name;
};

// Lays the whole text out into lines of positioned runs and images first
// (each run measured once), then draws them: line heights, the vertical
// alignment and each line's horizontal alignment are known before anything
// is drawn.
class TaggedLayout {
public:
    TaggedLayout(HDC dc, CPaintManagerUI* manager, DWORD color, UINT style, int width, int height)
        : m_dc(dc), m_manager(manager), m_color(color), m_style(style), m_width(width), m_height(height),
          m_singleLine((style & DT_SINGLELINE) != 0), m_selectedFont(nullptr)
    {
    }

    // Texts of the links of the previous paint that lie under the mouse.
    void SetHoverLinks(const RECT* links, const CUIString* texts, int count)
    {
        if (links == nullptr || texts == nullptr) return;
        const POINT mouse = m_manager->GetMousePos();
        for (int i = 0; i < count; i++) {
            if (::PtInRect(&links[i], mouse)) m_hoverTexts.push_back(texts[i]);
        }
    }

    void Run(const wchar_t* text);
    void Draw(const RECT& rc);
    int LinkCount(int capacity) const { return std::min(capacity, static_cast<int>(m_linkParts.size())); }
    void StoreLinks(const RECT& rc, RECT* links, CUIString* texts, int count) const;
    int Width() const;
    int Bottom() const;

private:
    struct Offset {
        int dx;
        int dy;
    };

    bool LayoutLine(const wchar_t*& p);
    void FinishLine();
    bool PlaceRun(const wchar_t* s, int n, int& consumed);
    bool HandleTag(const wchar_t*& p);
    bool CloseTag(wchar_t tag);
    void OpenLink(const wchar_t* args, const wchar_t* end);
    void PushColor(const wchar_t* args, const wchar_t* end);
    bool PlaceImage(const wchar_t* args, const wchar_t* end);
    void AddText(const wchar_t* s, int n, int width);
    void RecordLinkPart();

    const TFontInfo* CurrentFont()
    {
        return m_fonts.empty() ? m_manager->GetDefaultFontInfo() : m_fonts.back();
    }
    DWORD CurrentColor() const { return m_colors.empty() ? m_color : m_colors.back(); }
    int CurrentSpacing() const { return m_spacing.empty() ? 0 : m_spacing.back(); }
    static int FontHeight(const TFontInfo* f) { return f->metrics.tmHeight + f->metrics.tmExternalLeading; }
    void Select(const TFontInfo* f);
    void PushFont(const TFontInfo* f);
    void PushVariant(bool bold, bool underline, bool italic);
    void PushNamedFont(const wchar_t* args, const wchar_t* end);
    void PopFont();
    void GrowLine() { m_lineHeight = std::max(m_lineHeight, FontHeight(CurrentFont()) + CurrentSpacing()); }
    int Measure(const wchar_t* s, int n);
    Offset LineOffset(const Line& line, const RECT& rc) const;

    HDC m_dc;
    CPaintManagerUI* m_manager;
    DWORD m_color;
    UINT m_style;
    int m_width;
    int m_height;
    bool m_singleLine;
    HFONT m_selectedFont;

    std::vector<const TFontInfo*> m_fonts;
    std::vector<DWORD> m_colors;
    std::vector<int> m_spacing;
    bool m_raw = false;
    bool m_selected = false;
    bool m_inLink = false;
    int m_linkStart = 0;
    bool m_stopAfterLine = false;

    int m_x = 0;
    int m_lineTop = 0;
    int m_lineHeight = 0;
    int m_imageBottom = 0;
    size_t m_lineFirstItem = 0;

    std::vector<CUIString> m_hoverTexts;
    std::vector<CUIString> m_linkNames;
    std::vector<LinkPart> m_linkParts;
    std::vector<Item> m_items;
    std::vector<Line> m_lines;
    std::vector<int> m_extents;
};

void TaggedLayout::Run(const wchar_t* text)
{
    const wchar_t* p = text;
    for (;;) {
        m_x = 0;
        m_lineHeight = FontHeight(CurrentFont()) + CurrentSpacing();
        m_lineFirstItem = m_items.size();
        if (m_inLink) m_linkStart = 0;
        const bool wrapped = LayoutLine(p);
        FinishLine();
        if (wrapped) {
            // A line broken for width does not start the next one with blanks.
            while (*p == L' ') p++;
        }
        if (*p == L'\0' || m_singleLine || m_stopAfterLine) break;
        if (m_lineTop >= m_height) break;
    }
}

void TaggedLayout::FinishLine()
{
    if (m_inLink) RecordLinkPart();
    m_lines.push_back(Line{ m_lineTop, m_lineHeight, m_x, m_lineFirstItem, m_items.size() });
    m_lineTop += m_lineHeight;
}

// Lays out one line from p; p ends past what the line took. True when the
// line ended because the next run or image did not fit.
bool TaggedLayout::LayoutLine(const wchar_t*& p)
{
    while (*p != L'\0') {
        if (*p == L'\n') {
            p++;
            return false;
        }
        if (*p == L'\r') {
            p++;
            continue;
        }
        int consumed = 0;
        if (m_raw) {
            if (IsRawEnd(p)) {
                m_raw = false;
                p += 4;
                continue;
            }
            const wchar_t* e = p + 1;
            while (*e != L'\0' && *e != L'\n' && *e != L'\r' && !IsRawEnd(e)) e++;
            const bool ended = PlaceRun(p, static_cast<int>(e - p), consumed);
            p += consumed;
            if (ended) return true;
            continue;
        }
        if (IsEscapedBracket(p)) {
            if (PlaceRun(p + 1, 1, consumed)) {
                if (consumed == 1) p += 3;
                return true;
            }
            p += 3;
            continue;
        }
        if (IsTagStart(p)) {
            if (HandleTag(p)) return false;
            continue;
        }
        // A run reaches to the next bracket or line break; a bracket that does
        // not start a tag is ordinary text.
        const wchar_t* e = p + 1;
        while (*e != L'\0' && !IsOpenBracket(*e) && *e != L'\n' && *e != L'\r') e++;
        const bool ended = PlaceRun(p, static_cast<int>(e - p), consumed);
        p += consumed;
        if (ended) return true;
    }
    return false;
}

int TaggedLayout::Measure(const wchar_t* s, int n)
{
    SIZE size = { 0, 0 };
    if (n > 0) ::GetTextExtentPoint32W(m_dc, s, n, &size);
    return size.cx;
}

// Places up to n characters at the pen. True when the line ends here
// because the run did not fit; consumed tells how many characters it took.
bool TaggedLayout::PlaceRun(const wchar_t* s, int n, int& consumed)
{
    const TFontInfo* font = CurrentFont();
    Select(font);
    const int room = std::max(0, m_width - m_x);
    // Only a run that might reach the edge is measured character by character.
    if (static_cast<long long>(n) * font->metrics.tmMaxCharWidth <= room) {
        AddText(s, n, Measure(s, n));
        consumed = n;
        return false;
    }
    // Measure a prefix about twice what the room can hold, then the rest
    // only if all of it fitted.
    const int average = std::max<int>(1, font->metrics.tmAveCharWidth);
    int probe = std::min(n, 2 * (room / average) + 8);
    int fit = 0;
    SIZE size = { 0, 0 };
    for (;;) {
        m_extents.resize(static_cast<size_t>(probe));
        ::GetTextExtentExPointW(m_dc, s, probe, room, &fit, m_extents.data(), &size);
        if (fit < probe || probe == n) break;
        probe = n;
    }
    if (fit >= n) {
        AddText(s, n, size.cx);
        consumed = n;
        return false;
    }
    // The character that passes the edge stays only when it is the first on
    // the line, so every line takes at least one.
    int cut = fit;
    if (cut == 0 && m_x == 0) cut = 1;
    const bool lastLine = m_lineTop + 2 * m_lineHeight > m_height;
    if ((m_style & DT_END_ELLIPSIS) != 0 && (m_singleLine || lastLine)) {
        const int dots = Measure(kEllipsis, 3);
        while (cut > 0 && (cut > fit || m_extents[static_cast<size_t>(cut - 1)] + dots > room)) cut--;
        if (cut > 0) AddText(s, cut, m_extents[static_cast<size_t>(cut - 1)]);
        AddText(kEllipsis, 3, dots);
        m_stopAfterLine = true;
        consumed = n;
        return true;
    }
    if ((m_style & DT_WORDBREAK) != 0 && !m_singleLine && cut > 0 && IsAsciiLetter(s[cut]) &&
        IsAsciiLetter(s[cut - 1])) {
        // Never inside a Latin word: back to the last character that is not
        // an ASCII letter, or move the whole word down when the line has
        // something already.
        int i = cut - 1;
        while (i >= 0 && IsAsciiLetter(s[i])) i--;
        if (i >= 0) {
            cut = i + 1;
        } else if (m_x > 0) {
            cut = 0;
        }
    }
    if (cut > 0) AddText(s, cut, cut <= fit ? m_extents[static_cast<size_t>(cut - 1)] : Measure(s, cut));
    consumed = cut;
    return true;
}

void TaggedLayout::AddText(const wchar_t* s, int n, int width)
{
    if (n <= 0) return;
    Item item = {};
    item.x = m_x;
    item.width = width;
    item.text = s;
    item.length = n;
    item.font = CurrentFont();
    item.color = ToColorRef(CurrentColor());
    item.selected = m_selected;
    m_items.push_back(item);
    m_x = std::min(m_x + width, kMaxPixels);
}

void TaggedLayout::RecordLinkPart()
{
    if (m_linkNames.empty() || m_x <= m_linkStart) return;
    m_linkParts.push_back(LinkPart{ m_lines.size(), m_linkStart, m_x, m_linkNames.size() - 1 });
    m_linkStart = m_x;
}

void TaggedLayout::Select(const TFontInfo* f)
{
    if (f->font.Get() == m_selectedFont) return;
    ::SelectObject(m_dc, f->font.Get());
    m_selectedFont = f->font.Get();
}

void TaggedLayout::PushFont(const TFontInfo* f)
{
    m_fonts.push_back(f);
    GrowLine();
}

// Pushes the current font with a style added; a font that has the style
// already is pushed again, so that every closing tag pops what its opening
// tag pushed.
void TaggedLayout::PushVariant(bool bold, bool underline, bool italic)
{
    const TFontInfo* current = CurrentFont();
    bold |= current->bold;
    underline |= current->underline;
    italic |= current->italic;
    if (bold == current->bold && underline == current->underline && italic == current->italic) {
        PushFont(current);
        return;
    }
    const CUIString face = current->faceName;
    const int size = current->size;
    HFONT font = m_manager->GetFont(face.GetData(), size, bold, underline, italic);
    if (font == nullptr) font = m_manager->AddFont(face.GetData(), size, bold, underline, italic);
    PushFont(font != nullptr ? m_manager->GetFontInfo(font) : current);
}

// "<f name size style>": a font by face name, size (10 when missing) and
// the words "bold", "underline", "italic" in the style.
void TaggedLayout::PushNamedFont(const wchar_t* args, const wchar_t* end)
{
    const wchar_t* nameEnd = args;
    while (nameEnd < end && *nameEnd != L' ') nameEnd++;
    const CUIString face = Slice(args, nameEnd);
    const wchar_t* next = nameEnd;
    int size = ReadDecimal(nameEnd, end, 10, &next);
    if (size <= 0 || size > kMaxFontSize) size = 10;
    CUIString style = Slice(next, end);
    style.MakeLower();
    const bool bold = style.Find(L"bold") >= 0;
    const bool underline = style.Find(L"underline") >= 0;
    const bool italic = style.Find(L"italic") >= 0;
    HFONT font = m_manager->GetFont(face.GetData(), size, bold, underline, italic);
    if (font == nullptr) font = m_manager->AddFont(face.GetData(), size, bold, underline, italic);
    PushFont(font != nullptr ? m_manager->GetFontInfo(font) : CurrentFont());
}

void TaggedLayout::PopFont()
{
    if (m_fonts.empty()) return;
    const TFontInfo* popped = m_fonts.back();
    m_fonts.pop_back();
    if (popped->italic && !CurrentFont()->italic) {
        // Leave room for the slant of the italic text just ended.
        Select(popped);
        ABC abc = {};
        if (::GetCharABCWidthsW(m_dc, L' ', L' ', &abc)) m_x += std::abs(abc.abcC) / 2;
    }
    GrowLine();
}

// "<a name>": the link's colour and underline, and its name.
void TaggedLayout::OpenLink(const wchar_t* args, const wchar_t* end)
{
    if (m_inLink) RecordLinkPart();
    const CUIString name = Slice(args, end);
    bool hover = false;
    for (const CUIString& text : m_hoverTexts) hover = hover || text == name.GetData();
    m_colors.push_back(hover ? m_manager->GetDefaultLinkHoverFontColor() : m_manager->GetDefaultLinkFontColor());
    PushVariant(false, true, false);
    m_linkNames.push_back(name);
    m_inLink = true;
    m_linkStart = m_x;
}

// "<c #xxxxxx>": a text colour.
void TaggedLayout::PushColor(const wchar_t* args, const wchar_t* end)
{
    const wchar_t* q = SkipBlanks(args, end);
    if (q < end && *q == L'#') q++;
    const CUIString digits = Slice(q, end);
    // Read as a signed 32-bit value: eight digits with a high alpha byte
    // saturate to white.
    const long long value = std::clamp(wcstoll(digits.GetData(), nullptr, 16), -0x80000000LL, 0x7FFFFFFFLL);
    m_colors.push_back(static_cast<DWORD>(value) & 0x00FFFFFF);
}

// Handles a closing tag. True when the line ends before it.
bool TaggedLayout::CloseTag(wchar_t tag)
{
    switch (tag) {
    case L'a':
        if (m_inLink) {
            RecordLinkPart();
            m_inLink = false;
        }
        if (!m_colors.empty()) m_colors.pop_back();
        PopFont();
        break;
    case L'b':
    case L'f':
    case L'i':
    case L'u':
        PopFont();
        break;
    case L'c':
        if (!m_colors.empty()) m_colors.pop_back();
        break;
    case L'p':
        if (m_x > 0) return true;
        if (!m_spacing.empty()) m_spacing.pop_back();
        // The line after a paragraph does not keep the paragraph's spacing.
        if (m_items.size() == m_lineFirstItem) m_lineHeight = FontHeight(CurrentFont()) + CurrentSpacing();
        break;
    case L's':
        m_selected = !m_selected;
        break;
    default:
        break;
    }
    return false;
}

// Handles the tag at p. True when the line ends here; p then stays on the
// tag when the tag belongs to the next line.
bool TaggedLayout::HandleTag(const wchar_t*& p)
{
    const bool closing = p[1] == L'/';
    const wchar_t tag = closing ? p[2] : p[1];
    const wchar_t* args = closing ? p + 3 : p + 2;
    if (*args == L' ') args++;
    const wchar_t* end = args;
    while (*end != L'\0' && !IsCloseBracket(*end)) end++;
    const wchar_t* next = *end != L'\0' ? end + 1 : end;

    if (closing) {
        if (CloseTag(tag)) return true;
        p = next;
        return false;
    }

    switch (tag) {
    case L'a':
        OpenLink(args, end);
        break;
    case L'b':
        PushVariant(true, false, false);
        break;
    case L'c':
        PushColor(args, end);
        break;
    case L'f': {
        const wchar_t* q = SkipBlanks(args, end);
        if (q == end) {
            PushFont(CurrentFont());
        } else if (*q >= L'0' && *q <= L'9') {
            PushFont(m_manager->GetFontInfo(ReadDecimal(q, end, -1)));
        } else {
            PushNamedFont(q, end);
        }
        break;
    }
    case L'i':
        if (SkipBlanks(args, end) == end) {
            PushVariant(false, false, true);
        } else if (!PlaceImage(SkipBlanks(args, end), end)) {
            return true;
        }
        break;
    case L'n':
        if (!m_singleLine) {
            p = next;
            return true;
        }
        break;
    case L'p':
        if (m_x > 0) return true;
        m_spacing.push_back(std::clamp(ReadDecimal(args, end, 0), 0, kMaxPixels));
        GrowLine();
        break;
    case L'r':
        m_raw = true;
        break;
    case L's':
        m_selected = !m_selected;
        break;
    case L'u':
        PushVariant(false, true, false);
        break;
    case L'x':
        m_x = std::min(m_x + std::clamp(ReadDecimal(args, end, 0), 0, m_width), kMaxPixels);
        break;
    case L'y':
        m_lineHeight = std::clamp(ReadDecimal(args, end, 0), 0, kMaxPixels);
        break;
    default:
        break;
    }
    p = next;
    return false;
}

// "<i name count index>" or "<i file='...' restype='...' count index>". False
// when the image belongs to the next line.
bool TaggedLayout::PlaceImage(const wchar_t* args, const wchar_t* end)
{
    const CUIString all = Slice(args, end);
    CUIString name;
    CUIString type;
    const wchar_t* rest = args;
    if (all.Find(L"file='") >= 0 || all.Find(L"res='") >= 0) {
        // key='value' items; anything after them is the frame count and index.
        CDescriptorReader reader(args, end);
        CUIString key;
        CUIString value;
        while (reader.Next(key, value)) {
            if (key == L"file" || key == L"res") {
                name = value;
            } else if (key == L"restype") {
                type = value;
            }
        }
        rest = reader.Rest();
    } else {
        const wchar_t* nameEnd = args;
        while (nameEnd < end && *nameEnd != L' ') nameEnd++;
        name = Slice(args, nameEnd);
        rest = nameEnd;
    }
    const wchar_t* next = rest;
    int count = ReadDecimal(rest, end, 1, &next);
    if (count < 1) count = 1;
    int index = ReadDecimal(next, end, 0);
    if (index < 0 || index >= count) index = 0;

    const TImageInfo* image = m_manager->GetImageEx(name.GetData(), type.IsEmpty() ? nullptr : type.GetData());
    if (image == nullptr) return true;
    const int frameWidth = image->width / count;
    if (frameWidth <= 0) return true;
    if (!m_singleLine && m_x > 0 && m_x + frameWidth > m_width) return false;

    Item item = {};
    item.x = m_x;
    item.width = frameWidth;
    item.image = image;
    item.source = RECT{ index * frameWidth, 0, (index + 1) * frameWidth, image->height };
    m_items.push_back(item);
    m_x = std::min(m_x + frameWidth, kMaxPixels);
    m_lineHeight = std::max(m_lineHeight, image->height);
    m_imageBottom = std::max(m_imageBottom, m_lineTop + m_lineHeight);
    return true;
}

int TaggedLayout::Width() const
{
    int width = 0;
    for (const Line& line : m_lines) width = std::max(width, line.width);
    return width;
}

int TaggedLayout::Bottom() const
{
    const int last = m_lines.empty() ? 0 : m_lines.back().top + m_lines.back().height;
    return std::max(last, m_imageBottom);
}

TaggedLayout::Offset TaggedLayout::LineOffset(const Line& line, const RECT& rc) const
{
    Offset offset = { 0, 0 };
    const int width = rc.right - rc.left;
    const int height = rc.bottom - rc.top;
    if ((m_style & DT_CENTER) != 0) {
        offset.dx = std::max(0, (width - line.width) / 2);
    } else if ((m_style & DT_RIGHT) != 0) {
        offset.dx = std::max(0, width - line.width);
    }
    // A single line taller than its rect stays centred on it; more lines start
    // at the top rather than lose their first one.
    const int total = Bottom();
    if ((m_style & DT_VCENTER) != 0) {
        offset.dy = (height - total) / 2;
    } else if ((m_style & DT_BOTTOM) != 0) {
        offset.dy = height - total;
    }
    if (!m_singleLine) offset.dy = std::max(0, offset.dy);
    return offset;
}

void TaggedLayout::Draw(const RECT& rc)
{
    const COLORREF selectedBk = ToColorRef(m_manager->GetDefaultSelectedBkColor());
    ::SetBkColor(m_dc, selectedBk);
    bool opaque = false;
    ::SetBkMode(m_dc, TRANSPARENT);
    for (const Line& line : m_lines) {
        const Offset offset = LineOffset(line, rc);
        const int left = rc.left + offset.dx;
        const int top = rc.top + offset.dy + line.top;
        const int bottom = top + line.height;
        for (size_t i = line.firstItem; i < line.endItem; i++) {
            const Item& item = m_items[i];
            if (item.image != nullptr) {
                const int h = item.image->height;
                const int y = h < line.height ? top + (line.height - h) / 2 : bottom - h;
                const RECT dest = { left + item.x, y, left + item.x + item.width, y + h };
                CRenderEngine::DrawImage(m_dc, item.image->bitmap.Get(), dest, rc, item.source, RECT{ 0, 0, 0, 0 },
                                         item.image->hasAlpha);
                continue;
            }
            Select(item.font);
            if (item.selected != opaque) {
                opaque = item.selected;
                ::SetBkMode(m_dc, opaque ? OPAQUE : TRANSPARENT);
            }
            ::SetTextColor(m_dc, item.color);
            ::TextOutW(m_dc, left + item.x, bottom - FontHeight(item.font), item.text, item.length);
        }
    }
}

void TaggedLayout::StoreLinks(const RECT& rc, RECT* links, CUIString* texts, int count) const
{
    const bool aligned = (m_style & DT_CALCRECT) == 0;
    for (int i = 0; i < count; i++) {
        const LinkPart& part = m_linkParts[static_cast<size_t>(i)];
        const Line& line = m_lines[std::min(part.line, m_lines.size() - 1)];
        const Offset offset = aligned ? LineOffset(line, rc) : Offset{ 0, 0 };
        const int top = rc.top + offset.dy + line.top;
        links[i] = RECT{ rc.left + offset.dx + part.left, top, rc.left + offset.dx + part.right, top + line.height };
        texts[i] = m_linkNames[part.name];
    }
}

} // namespace

void DrawTaggedText(HDC hDC, CPaintManagerUI* manager, RECT& rc, const wchar_t* text, DWORD color, RECT* links,
                    CUIString* linkTexts, int& linkCount, UINT style)
{
    const int capacity = (links != nullptr && linkTexts != nullptr) ? std::max(0, linkCount) : 0;
    if (hDC == nullptr || manager == nullptr || text == nullptr || ::IsRectEmpty(&rc)) {
        linkCount = 0;
        return;
    }
    const bool calculate = (style & DT_CALCRECT) != 0;
    ScopedSaveDC saved(hDC);
    TaggedLayout layout(hDC, manager, color, style, rc.right - rc.left, rc.bottom - rc.top);
    layout.SetHoverLinks(links, linkTexts, capacity);
    layout.Run(text);

    if (calculate) {
        layout.StoreLinks(rc, links, linkTexts, layout.LinkCount(capacity));
        linkCount = layout.LinkCount(capacity);
        rc.right = std::min<LONG>(rc.right, rc.left + layout.Width());
        rc.bottom = rc.top + layout.Bottom();
        return;
    }
    ::IntersectClipRect(hDC, rc.left, rc.top, rc.right, rc.bottom);
    layout.Draw(rc);
    layout.StoreLinks(rc, links, linkTexts, layout.LinkCount(capacity));
    linkCount = layout.LinkCount(capacity);
}

} // namespace SkinUI
