#include "ui/core/RenderEngine.h"

#include "base/ScopedGdi.h"
#include "base/SystemLibrary.h"
#include "ui/core/AttributeValues.h"
#include "ui/core/ControlUI.h"
#include "ui/core/PaintManagerUI.h"
#include "ui/core/TaggedText.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cwchar>

namespace SkinUI {

namespace {

typedef BOOL(WINAPI* AlphaBlendFn)(HDC, int, int, int, int, HDC, int, int, int, int, BLENDFUNCTION);
typedef BOOL(WINAPI* GradientFillFn)(HDC, PTRIVERTEX, ULONG, PVOID, ULONG, ULONG);
typedef BOOL(WINAPI* AnimateWindowFn)(HWND, DWORD, DWORD);

// Through void(*)() so that the cast from FARPROC says what it means.
template <typename Fn>
Fn LookUp(HMODULE module, const char* name)
{
    if (module == nullptr) return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

struct Msimg32 {
    AlphaBlendFn alphaBlend;
    GradientFillFn gradientFill;
};

// Looked up once; msimg32 stays loaded for the process.
const Msimg32& Platform()
{
    static const Msimg32 functions = [] {
        HMODULE module = LoadSystemLibraryForever(L"msimg32.dll");
        return Msimg32{ LookUp<AlphaBlendFn>(module, "AlphaBlend"),
                        LookUp<GradientFillFn>(module, "GradientFill") };
    }();
    return functions;
}

bool g_usePlatform = true;

AlphaBlendFn PlatformAlphaBlend()
{
    return g_usePlatform ? Platform().alphaBlend : nullptr;
}

GradientFillFn PlatformGradientFill()
{
    return g_usePlatform ? Platform().gradientFill : nullptr;
}

// The Win32 byte macros read 0xAARRGGBB the other way round: GetBValue gives
// red and GetRValue blue.
COLORREF ToColorRef(DWORD argb)
{
    return RGB(GetBValue(argb), GetGValue(argb), GetRValue(argb));
}

int Width(const RECT& rc)
{
    return rc.right - rc.left;
}

int Height(const RECT& rc)
{
    return rc.bottom - rc.top;
}

bool Intersects(const RECT& a, const RECT& b)
{
    RECT t;
    return ::IntersectRect(&t, &a, &b) != FALSE;
}

// Source-over with constant alpha for systems without msimg32's AlphaBlend.
// The source is premultiplied when the blend asks for its per-pixel alpha,
// as AlphaBlend takes it.
bool SoftwareAlphaBlend(HDC hDC, int dx, int dy, int dw, int dh, HDC hSrc, int sx, int sy, int sw, int sh,
                        BLENDFUNCTION bf)
{
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return false;
    ScopedCreatedDC srcDC(::CreateCompatibleDC(hDC));
    ScopedCreatedDC dstDC(::CreateCompatibleDC(hDC));
    if (!srcDC || !dstDC) return false;
    DWORD* srcBits = nullptr;
    DWORD* dstBits = nullptr;
    ScopedBitmap srcBitmap = Create32BitSection(hDC, dw, dh, &srcBits);
    ScopedBitmap dstBitmap = Create32BitSection(hDC, dw, dh, &dstBits);
    if (!srcBitmap || !dstBitmap) return false;
    ScopedSelectObject selectSrc(srcDC.Get(), srcBitmap.Get());
    ScopedSelectObject selectDst(dstDC.Get(), dstBitmap.Get());
    // Colour-on-colour keeps the alpha bytes of the source as they are.
    ::SetStretchBltMode(srcDC.Get(), COLORONCOLOR);
    ::StretchBlt(srcDC.Get(), 0, 0, dw, dh, hSrc, sx, sy, sw, sh, SRCCOPY);
    ::BitBlt(dstDC.Get(), 0, 0, dw, dh, hDC, dx, dy, SRCCOPY);
    ::GdiFlush();

    const double constant = bf.SourceConstantAlpha / 255.0;
    const bool perPixel = (bf.AlphaFormat & AC_SRC_ALPHA) != 0;
    const size_t count = static_cast<size_t>(dw) * static_cast<size_t>(dh);
    for (size_t i = 0; i < count; i++) {
        const DWORD s = srcBits[i];
        const DWORD d = dstBits[i];
        const double sourceAlpha = perPixel ? (s >> 24) / 255.0 : 1.0;
        const double k = std::max(0.0, sourceAlpha * constant);
        DWORD out = 0;
        for (int shift = 0; shift < 32; shift += 8) {
            const double sc = shift == 24 ? sourceAlpha * 255.0 : ((s >> shift) & 0xFF);
            const double dc = (d >> shift) & 0xFF;
            const double v = std::min(255.0, sc * constant + dc * (1.0 - k));
            out |= static_cast<DWORD>(v) << shift;
        }
        dstBits[i] = out;
    }
    ::BitBlt(hDC, dx, dy, dw, dh, dstDC.Get(), 0, 0, SRCCOPY);
    return true;
}

bool Blend(HDC hDC, int dx, int dy, int dw, int dh, HDC hSrc, int sx, int sy, int sw, int sh, BLENDFUNCTION bf)
{
    if (AlphaBlendFn alphaBlend = PlatformAlphaBlend()) {
        return alphaBlend(hDC, dx, dy, dw, dh, hSrc, sx, sy, sw, sh, bf) != FALSE;
    }
    return SoftwareAlphaBlend(hDC, dx, dy, dw, dh, hSrc, sx, sy, sw, sh, bf);
}

// Copies cells of one bitmap, blending or not. Every cell is cut at the
// destination rect, so corners wider than the destination stay inside it.
class CellPainter {
public:
    CellPainter(HDC hDC, HDC hSrc, const RECT& rcDest, const RECT& rcPaint, bool blend, BYTE fade)
        : m_dc(hDC), m_src(hSrc), m_bounds(rcDest), m_paint(rcPaint), m_blend(blend),
          m_bf{ AC_SRC_OVER, 0, fade, AC_SRC_ALPHA }
    {
    }

    // The whole cell, stretched, when it reaches into the paint rect.
    void Stretch(const RECT& dst, const RECT& src) const
    {
        RECT cut;
        if (Width(dst) <= 0 || Height(dst) <= 0 || Width(src) <= 0 || Height(src) <= 0) return;
        if (!::IntersectRect(&cut, &dst, &m_bounds) || !Intersects(cut, m_paint)) return;
        RECT part = src;
        if (!::EqualRect(&cut, &dst)) {
            part.left = src.left + MulDiv(cut.left - dst.left, Width(src), Width(dst));
            part.top = src.top + MulDiv(cut.top - dst.top, Height(src), Height(dst));
            part.right = src.left + MulDiv(cut.right - dst.left, Width(src), Width(dst));
            part.bottom = src.top + MulDiv(cut.bottom - dst.top, Height(src), Height(dst));
            if (Width(part) <= 0 || Height(part) <= 0) return;
        }
        if (m_blend) {
            Blend(m_dc, cut.left, cut.top, Width(cut), Height(cut), m_src, part.left, part.top, Width(part),
                  Height(part), m_bf);
        } else {
            ::StretchBlt(m_dc, cut.left, cut.top, Width(cut), Height(cut), m_src, part.left, part.top, Width(part),
                         Height(part), SRCCOPY);
        }
    }

    // A cell of the source's own size.
    void Copy(const RECT& dst, int sx, int sy) const
    {
        RECT cut;
        if (!::IntersectRect(&cut, &dst, &m_bounds) || !Intersects(cut, m_paint)) return;
        sx += cut.left - dst.left;
        sy += cut.top - dst.top;
        if (m_blend) {
            Blend(m_dc, cut.left, cut.top, Width(cut), Height(cut), m_src, sx, sy, Width(cut), Height(cut), m_bf);
        } else {
            ::BitBlt(m_dc, cut.left, cut.top, Width(cut), Height(cut), m_src, sx, sy, SRCCOPY);
        }
    }

private:
    HDC m_dc;
    HDC m_src;
    RECT m_bounds;
    RECT m_paint;
    bool m_blend;
    BLENDFUNCTION m_bf;
};

void DrawCentre(const CellPainter& painter, const RECT& dst, const RECT& src, bool xtiled, bool ytiled)
{
    const int tileWidth = Width(src);
    const int tileHeight = Height(src);
    if (Width(dst) <= 0 || Height(dst) <= 0 || tileWidth <= 0 || tileHeight <= 0) return;
    if (!xtiled && !ytiled) {
        painter.Stretch(dst, src);
        return;
    }
    const int columns = xtiled ? (Width(dst) + tileWidth - 1) / tileWidth : 1;
    const int rows = ytiled ? (Height(dst) + tileHeight - 1) / tileHeight : 1;
    for (int row = 0; row < rows; row++) {
        for (int column = 0; column < columns; column++) {
            RECT cell = dst;
            RECT part = src;
            if (xtiled) {
                cell.left = dst.left + column * tileWidth;
                cell.right = std::min<LONG>(cell.left + tileWidth, dst.right);
                part.right = part.left + Width(cell);
            }
            if (ytiled) {
                cell.top = dst.top + row * tileHeight;
                cell.bottom = std::min<LONG>(cell.top + tileHeight, dst.bottom);
                part.bottom = part.top + Height(cell);
            }
            if (xtiled && ytiled) {
                painter.Copy(cell, part.left, part.top);
            } else {
                painter.Stretch(cell, part);
            }
        }
    }
}

// The state of one descriptor while it is read and drawn.
class DescriptorPainter {
public:
    DescriptorPainter(HDC hDC, CPaintManagerUI* manager, const RECT& rcItem, const RECT& rcPaint, const wchar_t* image)
        : m_dc(hDC), m_manager(manager), m_item(rcItem), m_paint(rcPaint), m_name(image), m_dest(rcItem),
          m_source{ 0, 0, 0, 0 }, m_corner{ 0, 0, 0, 0 }, m_mask(0), m_fade(255), m_hole(false), m_xtiled(false),
          m_ytiled(false)
    {
    }

    // One pass over a descriptor. A malformed item ends the pass silently.
    void Parse(const wchar_t* text)
    {
        int images = 0;
        CDescriptorReader reader(text);
        CUIString key;
        CUIString value;
        while (reader.Next(key, value)) {
            if (!value.IsEmpty()) Apply(key, value, images);
        }
    }

    void DrawFinal(bool tileWhole)
    {
        const int tileWidth = Width(m_source);
        const int tileHeight = Height(m_source);
        // A source without extent cannot be laid out as a grid: drawn once.
        if (!tileWhole || tileWidth <= 0 || tileHeight <= 0) {
            DrawCurrent();
            return;
        }
        const RECT source = m_source;
        const int columns = (Width(m_item) + tileWidth - 1) / tileWidth;
        const int rows = (Height(m_item) + tileHeight - 1) / tileHeight;
        for (int row = 0; row < rows; row++) {
            for (int column = 0; column < columns; column++) {
                // The last row and column are cut at the item rect, the
                // source with them, so nothing lands outside the control.
                m_dest.left = m_item.left + column * tileWidth;
                m_dest.top = m_item.top + row * tileHeight;
                m_dest.right = std::min<LONG>(m_dest.left + tileWidth, m_item.right);
                m_dest.bottom = std::min<LONG>(m_dest.top + tileHeight, m_item.bottom);
                m_source = source;
                m_source.right = m_source.left + Width(m_dest);
                m_source.bottom = m_source.top + Height(m_dest);
                DrawCurrent();
            }
        }
    }

private:
    void Apply(const CUIString& key, const CUIString& value, int& images)
    {
        if (key == L"file" || key == L"res") {
            if (images > 0) DrawCurrent();
            m_name = value;
            if (key == L"file") images++;
        } else if (key == L"restype") {
            if (images > 0) DrawCurrent();
            m_type = value;
            images++;
        } else if (key == L"dest") {
            const RECT rc = ReadNumberList(value);
            if (rc.left >= 0) m_dest.left = m_item.left + rc.left;
            if (rc.top >= 0) m_dest.top = m_item.top + rc.top;
            if (rc.right >= 0) m_dest.right = m_item.left + rc.right;
            if (rc.bottom >= 0) m_dest.bottom = m_item.top + rc.bottom;
            m_dest.right = std::min(m_dest.right, m_item.right);
            m_dest.bottom = std::min(m_dest.bottom, m_item.bottom);
        } else if (key == L"source") {
            m_source = ReadNumberList(value);
        } else if (key == L"corner") {
            m_corner = ReadNumberList(value);
        } else if (key == L"mask") {
            m_mask = ReadColorValue(value);
        } else if (key == L"fade") {
            m_fade = static_cast<BYTE>(std::clamp(ReadIntValue(value), 0, 255));
        } else if (key == L"hole") {
            m_hole = ReadBoolValue(value);
        } else if (key == L"xtiled") {
            m_xtiled = ReadBoolValue(value);
        } else if (key == L"ytiled") {
            m_ytiled = ReadBoolValue(value);
        }
    }

    void DrawCurrent()
    {
        if (m_name.IsEmpty()) return;
        const TImageInfo* image = m_manager->GetImageEx(m_name, m_type.IsEmpty() ? nullptr : m_type.GetData(), m_mask);
        if (image == nullptr || !image->bitmap) return;
        RECT source = m_source;
        if (source.left == 0 && source.top == 0 && source.right == 0 && source.bottom == 0) {
            source.right = image->width;
            source.bottom = image->height;
        }
        source.left = std::max(source.left, 0L);
        source.top = std::max(source.top, 0L);
        source.right = std::min<LONG>(source.right, image->width);
        source.bottom = std::min<LONG>(source.bottom, image->height);
        if (!Intersects(m_dest, m_item) || !Intersects(m_dest, m_paint)) return;
        CRenderEngine::DrawImage(m_dc, image->bitmap.Get(), m_dest, m_paint, source, m_corner, image->hasAlpha, m_fade,
                                 m_hole, m_xtiled, m_ytiled);
    }

    HDC m_dc;
    CPaintManagerUI* m_manager;
    RECT m_item;
    RECT m_paint;
    CUIString m_name;
    CUIString m_type;
    RECT m_dest;
    RECT m_source;
    RECT m_corner;
    DWORD m_mask;
    BYTE m_fade;
    bool m_hole;
    bool m_xtiled;
    bool m_ytiled;
};

// RGB in 0..1 to hue (degrees), saturation and lightness (0..1).
void RgbToHsl(float r, float g, float b, float& h, float& s, float& l)
{
    const float maxValue = std::max({ r, g, b });
    const float minValue = std::min({ r, g, b });
    l = (maxValue + minValue) / 2.0f;
    if (maxValue == minValue) {
        h = s = 0.0f;
        return;
    }
    const float d = maxValue - minValue;
    s = l > 0.5f ? d / (2.0f - maxValue - minValue) : d / (maxValue + minValue);
    if (maxValue == r) {
        h = (g - b) / d + (g < b ? 6.0f : 0.0f);
    } else if (maxValue == g) {
        h = (b - r) / d + 2.0f;
    } else {
        h = (r - g) / d + 4.0f;
    }
    h *= 60.0f;
}

float HueToChannel(float p, float q, float t)
{
    if (t < 0.0f) t += 1.0f;
    if (t > 1.0f) t -= 1.0f;
    if (t < 1.0f / 6.0f) return p + (q - p) * 6.0f * t;
    if (t < 0.5f) return q;
    if (t < 2.0f / 3.0f) return p + (q - p) * (2.0f / 3.0f - t) * 6.0f;
    return p;
}

void HslToRgb(float h, float s, float l, float& r, float& g, float& b)
{
    if (s <= 0.0f) {
        r = g = b = l;
        return;
    }
    const float q = l < 0.5f ? l * (1.0f + s) : l + s - l * s;
    const float p = 2.0f * l - q;
    const float hue = std::fmod(h, 360.0f) / 360.0f;
    r = HueToChannel(p, q, hue + 1.0f / 3.0f);
    g = HueToChannel(p, q, hue);
    b = HueToChannel(p, q, hue - 1.0f / 3.0f);
}

BYTE ToByte(float value)
{
    return static_cast<BYTE>(std::lround(std::clamp(value, 0.0f, 1.0f) * 255.0f));
}

// The rect in device coordinates, as clip regions take it.
RECT ToDevice(HDC hDC, RECT rc)
{
    ::LPtoDP(hDC, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

// Fills rc with an opaque colour without creating a brush.
void FillOpaque(HDC hDC, const RECT& rc, COLORREF color)
{
    const COLORREF old = ::SetBkColor(hDC, color);
    ::ExtTextOutW(hDC, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
    ::SetBkColor(hDC, old);
}

// Text colour and transparent background for the scope.
class ScopedTextStyle {
public:
    ScopedTextStyle(HDC hDC, COLORREF color)
        : m_dc(hDC), m_mode(::SetBkMode(hDC, TRANSPARENT)), m_color(::SetTextColor(hDC, color))
    {
    }
    ~ScopedTextStyle()
    {
        ::SetTextColor(m_dc, m_color);
        ::SetBkMode(m_dc, m_mode);
    }
    ScopedTextStyle(const ScopedTextStyle&) = delete;
    ScopedTextStyle& operator=(const ScopedTextStyle&) = delete;

private:
    HDC m_dc;
    int m_mode;
    COLORREF m_color;
};

} // namespace

ScopedBitmap Create32BitSection(HDC hDC, int width, int height, DWORD** bits, bool topDown)
{
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = topDown ? -height : height;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    bmi.bmiHeader.biSizeImage = static_cast<DWORD>(width) * static_cast<DWORD>(height) * 4;
    void* pixels = nullptr;
    ScopedBitmap bitmap(::CreateDIBSection(hDC, &bmi, DIB_RGB_COLORS, &pixels, nullptr, 0));
    *bits = static_cast<DWORD*>(pixels);
    if (pixels == nullptr) bitmap.Reset();
    return bitmap;
}

CRenderClip::CRenderClip() : m_clipRect{ 0, 0, 0, 0 }, m_dc(nullptr)
{
}

CRenderClip::~CRenderClip()
{
    Restore();
}

void CRenderClip::Restore()
{
    // A null saved region removes the clip, which is what the context had.
    if (m_dc != nullptr) ::SelectClipRgn(m_dc, m_savedRegion.Get());
    m_dc = nullptr;
    m_clipRegion.Reset();
    m_savedRegion.Reset();
}

void CRenderClip::GenerateClip(HDC hDC, RECT rc, CRenderClip& clip)
{
    GenerateRoundClip(hDC, rc, rc, 0, 0, clip);
}

void CRenderClip::GenerateRoundClip(HDC hDC, RECT rc, RECT rcItem, int width, int height, CRenderClip& clip)
{
    clip.Restore();
    if (hDC == nullptr) return;
    // The context's own region rather than its clip box: a rounded clip of
    // an outer control stays rounded, and a context without a clip gets
    // none back.
    ScopedRegion saved(::CreateRectRgn(0, 0, 0, 0));
    if (saved && ::GetClipRgn(hDC, saved.Get()) != 1) saved.Reset();
    const RECT device = ToDevice(hDC, rc);
    ScopedRegion region(::CreateRectRgnIndirect(&device));
    if (!region) return;
    if (width > 0 || height > 0) {
        const RECT item = ToDevice(hDC, rcItem);
        ScopedRegion round(::CreateRoundRectRgn(item.left, item.top, item.right + 1, item.bottom + 1, width, height));
        if (!round) return;
        ::CombineRgn(region.Get(), region.Get(), round.Get(), RGN_AND);
    }
    clip.m_dc = hDC;
    clip.m_clipRect = rc;
    clip.m_savedRegion = std::move(saved);
    ::ExtSelectClipRgn(hDC, region.Get(), RGN_AND);
    // The clip now in force, for UseOldClipEnd.
    if (::GetClipRgn(hDC, region.Get()) == 1) clip.m_clipRegion = std::move(region);
}

void CRenderClip::UseOldClipBegin(HDC hDC, CRenderClip& clip)
{
    ::SelectClipRgn(hDC, clip.m_savedRegion.Get());
}

void CRenderClip::UseOldClipEnd(HDC hDC, CRenderClip& clip)
{
    ::SelectClipRgn(hDC, clip.m_clipRegion.Get());
}

void CRenderEngine::UsePlatformFunctions(bool use)
{
    g_usePlatform = use;
}

DWORD CRenderEngine::AdjustColor(DWORD color, short H, short S, short L)
{
    if (H == 180 && S == 100 && L == 100) return color;
    float r = GetBValue(color) / 255.0f;
    float g = GetGValue(color) / 255.0f;
    float b = GetRValue(color) / 255.0f;
    float h = 0.0f;
    float s = 0.0f;
    float l = 0.0f;
    RgbToHsl(r, g, b, h, s, l);
    h += H - 180;
    if (h <= 0.0f) h += 360.0f;
    s = std::clamp(s * S / 100.0f, 0.0f, 1.0f);
    l = std::clamp(l * L / 100.0f, 0.0f, 1.0f);
    HslToRgb(h, s, l, r, g, b);
    return (color & 0xFF000000) | (static_cast<DWORD>(ToByte(r)) << 16) | (static_cast<DWORD>(ToByte(g)) << 8) |
           ToByte(b);
}

void CRenderEngine::DrawImage(HDC hDC, HBITMAP hBitmap, const RECT& rc, const RECT& rcPaint, const RECT& rcBmpPart,
                              const RECT& rcCorners, bool alphaChannel, BYTE fade, bool hole, bool xtiled, bool ytiled)
{
    if (hDC == nullptr || hBitmap == nullptr) return;
    ScopedCreatedDC memDC(::CreateCompatibleDC(hDC));
    if (!memDC) return;
    ScopedSelectObject selectBitmap(memDC.Get(), hBitmap);
    const int oldMode = ::SetStretchBltMode(hDC, HALFTONE);

    const bool blend = alphaChannel || fade < 255;
    const RECT& d = rc;
    const RECT& s = rcBmpPart;
    // A negative border width has no meaning; taken as none.
    const RECT c = { std::max(rcCorners.left, 0L), std::max(rcCorners.top, 0L), std::max(rcCorners.right, 0L),
                     std::max(rcCorners.bottom, 0L) };
    const bool noCorners = c.left == 0 && c.top == 0 && c.right == 0 && c.bottom == 0;
    if (!blend && noCorners && Width(d) == Width(s) && Height(d) == Height(s)) {
        RECT part;
        if (::IntersectRect(&part, &d, &rcPaint)) {
            ::BitBlt(hDC, part.left, part.top, Width(part), Height(part), memDC.Get(), s.left + part.left - d.left,
                     s.top + part.top - d.top, SRCCOPY);
        }
        ::SetStretchBltMode(hDC, oldMode);
        return;
    }

    const CellPainter painter(hDC, memDC.Get(), d, rcPaint, blend, fade);
    if (!hole) {
        DrawCentre(painter,
                   RECT{ d.left + c.left, d.top + c.top, d.right - c.right, d.bottom - c.bottom },
                   RECT{ s.left + c.left, s.top + c.top, s.right - c.right, s.bottom - c.bottom }, xtiled, ytiled);
    }
    if (c.left > 0 && c.top > 0) {
        painter.Stretch(RECT{ d.left, d.top, d.left + c.left, d.top + c.top },
                        RECT{ s.left, s.top, s.left + c.left, s.top + c.top });
    }
    if (c.top > 0) {
        painter.Stretch(RECT{ d.left + c.left, d.top, d.right - c.right, d.top + c.top },
                        RECT{ s.left + c.left, s.top, s.right - c.right, s.top + c.top });
    }
    if (c.right > 0 && c.top > 0) {
        painter.Stretch(RECT{ d.right - c.right, d.top, d.right, d.top + c.top },
                        RECT{ s.right - c.right, s.top, s.right, s.top + c.top });
    }
    if (c.left > 0) {
        painter.Stretch(RECT{ d.left, d.top + c.top, d.left + c.left, d.bottom - c.bottom },
                        RECT{ s.left, s.top + c.top, s.left + c.left, s.bottom - c.bottom });
    }
    if (c.right > 0) {
        painter.Stretch(RECT{ d.right - c.right, d.top + c.top, d.right, d.bottom - c.bottom },
                        RECT{ s.right - c.right, s.top + c.top, s.right, s.bottom - c.bottom });
    }
    if (c.left > 0 && c.bottom > 0) {
        painter.Stretch(RECT{ d.left, d.bottom - c.bottom, d.left + c.left, d.bottom },
                        RECT{ s.left, s.bottom - c.bottom, s.left + c.left, s.bottom });
    }
    if (c.bottom > 0) {
        painter.Stretch(RECT{ d.left + c.left, d.bottom - c.bottom, d.right - c.right, d.bottom },
                        RECT{ s.left + c.left, s.bottom - c.bottom, s.right - c.right, s.bottom });
    }
    if (c.right > 0 && c.bottom > 0) {
        painter.Stretch(RECT{ d.right - c.right, d.bottom - c.bottom, d.right, d.bottom },
                        RECT{ s.right - c.right, s.bottom - c.bottom, s.right, s.bottom });
    }
    ::SetStretchBltMode(hDC, oldMode);
}

bool CRenderEngine::DrawImageString(HDC hDC, CPaintManagerUI* manager, const RECT& rcItem, const RECT& rcPaint,
                                    const wchar_t* image, const wchar_t* modify, bool tileWhole)
{
    if (manager == nullptr || hDC == nullptr) return false;
    if (image == nullptr) return true;
    DescriptorPainter painter(hDC, manager, rcItem, rcPaint, image);
    painter.Parse(image);
    if (modify != nullptr) painter.Parse(modify);
    painter.DrawFinal(tileWhole);
    return true;
}

void CRenderEngine::DrawColor(HDC hDC, const RECT& rc, DWORD color)
{
    if (hDC == nullptr || color <= 0x00FFFFFF) return;
    if (color >= 0xFF000000) {
        FillOpaque(hDC, rc, ToColorRef(color));
        return;
    }
    // Premultiplied, as the blend takes it: on any background the result is
    // the colour at its alpha.
    DWORD* bits = nullptr;
    ScopedBitmap pixel = Create32BitSection(hDC, 1, 1, &bits);
    if (!pixel) return;
    const DWORD a = color >> 24;
    *bits = (a << 24) | ((GetBValue(color) * a / 255) << 16) | ((GetGValue(color) * a / 255) << 8) |
            (GetRValue(color) * a / 255);
    DrawImage(hDC, pixel.Get(), rc, rc, RECT{ 0, 0, 1, 1 }, RECT{ 0, 0, 0, 0 }, true, 255);
}

void CRenderEngine::DrawGradient(HDC hDC, const RECT& rc, DWORD first, DWORD second, bool vertical, int steps)
{
    const BYTE alpha = static_cast<BYTE>(((first >> 24) + (second >> 24)) / 2);
    if (hDC == nullptr || alpha == 0 || Width(rc) <= 0 || Height(rc) <= 0) return;

    // Below full alpha the gradient is made in a bitmap of its own and
    // blended at the end; both fills below draw on target in area.
    HDC target = hDC;
    RECT area = rc;
    ScopedCreatedDC memDC;
    ScopedBitmap memBitmap;
    if (alpha < 255) {
        memDC.Reset(::CreateCompatibleDC(hDC));
        memBitmap.Reset(::CreateCompatibleBitmap(hDC, Width(rc), Height(rc)));
        if (!memDC || !memBitmap) return;
        target = memDC.Get();
        area = RECT{ 0, 0, Width(rc), Height(rc) };
    }
    ScopedSelectObject selectBitmap(memDC.Get(), memBitmap.Get());

    if (GradientFillFn gradientFill = PlatformGradientFill()) {
        TRIVERTEX vertices[2] = {};
        vertices[0].x = area.left;
        vertices[0].y = area.top;
        vertices[0].Red = static_cast<COLOR16>(GetBValue(first) << 8);
        vertices[0].Green = static_cast<COLOR16>(GetGValue(first) << 8);
        vertices[0].Blue = static_cast<COLOR16>(GetRValue(first) << 8);
        vertices[0].Alpha = 0xFF00;
        vertices[1].x = area.right;
        vertices[1].y = area.bottom;
        vertices[1].Red = static_cast<COLOR16>(GetBValue(second) << 8);
        vertices[1].Green = static_cast<COLOR16>(GetGValue(second) << 8);
        vertices[1].Blue = static_cast<COLOR16>(GetRValue(second) << 8);
        vertices[1].Alpha = 0xFF00;
        GRADIENT_RECT rect = { 0, 1 };
        gradientFill(target, vertices, 2, &rect, 1, vertical ? GRADIENT_FILL_RECT_V : GRADIENT_FILL_RECT_H);
    } else {
        int shift = 1;
        if (steps >= 64) {
            shift = 6;
        } else if (steps >= 32) {
            shift = 5;
        } else if (steps >= 16) {
            shift = 4;
        } else if (steps >= 8) {
            shift = 3;
        } else if (steps >= 4) {
            shift = 2;
        }
        const int bands = 1 << shift;
        const int height = Height(area);
        const int width = Width(area);
        for (int i = 0; i < bands; i++) {
            const BYTE r = static_cast<BYTE>((GetBValue(second) * (bands - i) + GetBValue(first) * i) >> shift);
            const BYTE g = static_cast<BYTE>((GetGValue(second) * (bands - i) + GetGValue(first) * i) >> shift);
            const BYTE b = static_cast<BYTE>((GetRValue(second) * (bands - i) + GetRValue(first) * i) >> shift);
            RECT band = area;
            if (vertical) {
                band.top = area.bottom - (((i + 1) * height) >> shift);
                band.bottom = area.bottom - ((i * height) >> shift);
            } else {
                band.left = area.right - (((i + 1) * width) >> shift);
                band.right = area.right - ((i * width) >> shift);
            }
            if (Width(band) > 0 && Height(band) > 0) FillOpaque(target, band, RGB(r, g, b));
        }
    }

    if (alpha < 255) {
        Blend(hDC, rc.left, rc.top, Width(rc), Height(rc), target, 0, 0, Width(rc), Height(rc),
              BLENDFUNCTION{ AC_SRC_OVER, 0, alpha, 0 });
    }
}

void CRenderEngine::DrawLine(HDC hDC, const RECT& rc, int size, DWORD color, int style)
{
    if (hDC == nullptr) return;
    ScopedPen pen(::CreatePen(style, size, ToColorRef(color)));
    if (!pen) return;
    ScopedSelectObject selectPen(hDC, pen.Get());
    POINT old;
    ::MoveToEx(hDC, rc.left, rc.top, &old);
    ::LineTo(hDC, rc.right, rc.bottom);
    ::MoveToEx(hDC, old.x, old.y, nullptr);
}

void CRenderEngine::DrawRect(HDC hDC, const RECT& rc, int size, DWORD color)
{
    if (hDC == nullptr) return;
    ScopedPen pen(::CreatePen(PS_SOLID | PS_INSIDEFRAME, size, ToColorRef(color)));
    if (!pen) return;
    ScopedSelectObject selectPen(hDC, pen.Get());
    ScopedSelectObject selectBrush(hDC, ::GetStockObject(HOLLOW_BRUSH));
    ::Rectangle(hDC, rc.left, rc.top, rc.right, rc.bottom);
}

void CRenderEngine::DrawRoundRect(HDC hDC, const RECT& rc, int size, int width, int height, DWORD color)
{
    if (hDC == nullptr) return;
    ScopedPen pen(::CreatePen(PS_SOLID | PS_INSIDEFRAME, size, ToColorRef(color)));
    if (!pen) return;
    ScopedSelectObject selectPen(hDC, pen.Get());
    ScopedSelectObject selectBrush(hDC, ::GetStockObject(HOLLOW_BRUSH));
    ::RoundRect(hDC, rc.left, rc.top, rc.right, rc.bottom, width, height);
}

void CRenderEngine::DrawTextW(HDC hDC, CPaintManagerUI* manager, RECT& rc, const wchar_t* text, DWORD color, int font,
                              UINT style)
{
    if (hDC == nullptr || manager == nullptr || text == nullptr) return;
    ScopedTextStyle textStyle(hDC, ToColorRef(color));
    ScopedSelectObject selectFont(hDC, manager->GetFont(font));
    ::DrawTextW(hDC, text, -1, &rc, style | DT_NOPREFIX);
}

void CRenderEngine::DrawHtmlText(HDC hDC, CPaintManagerUI* manager, RECT& rc, const wchar_t* text, DWORD color,
                                 RECT* links, CUIString* linkTexts, int& linkCount, UINT style)
{
    DrawTaggedText(hDC, manager, rc, text, color, links, linkTexts, linkCount, style);
}

SIZE CRenderEngine::GetTextSize(HDC hDC, CPaintManagerUI* manager, const wchar_t* text, int font, UINT style)
{
    (void)style;
    SIZE size = { 0, 0 };
    if (hDC == nullptr || manager == nullptr || text == nullptr) return size;
    ScopedSelectObject selectFont(hDC, manager->GetFont(font));
    ::GetTextExtentPoint32W(hDC, text, static_cast<int>(wcslen(text)), &size);
    return size;
}

void CRenderEngine::DoPaintAlphaBitmap(HDC hDC, CPaintManagerUI* manager, HBITMAP hBitmap, RECT rc, BYTE alpha)
{
    if (hDC == nullptr || manager == nullptr || hBitmap == nullptr) return;
    ScopedCreatedDC memDC(::CreateCompatibleDC(hDC));
    if (!memDC) return;
    ScopedSelectObject selectBitmap(memDC.Get(), hBitmap);
    const int oldMode = ::SetStretchBltMode(hDC, COLORONCOLOR);
    Blend(hDC, rc.left, rc.top, Width(rc), Height(rc), memDC.Get(), 0, 0, Width(rc), Height(rc),
          BLENDFUNCTION{ AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA });
    ::SetStretchBltMode(hDC, oldMode);
}

HBITMAP CRenderEngine::GenerateBitmap(CPaintManagerUI* manager, CControlUI* control, RECT rc, DWORD filterColor)
{
    if (manager == nullptr || control == nullptr) return nullptr;
    const int width = Width(rc);
    const int height = Height(rc);
    if (width <= 0 || height <= 0 || rc.right <= 0 || rc.bottom <= 0) return nullptr;

    // Without a window of its own the manager has no paint context: the
    // screen's serves for compatibility.
    ScopedWindowDC screen;
    HDC reference = manager->GetPaintDC();
    if (reference == nullptr) {
        screen = ScopedWindowDC(nullptr);
        reference = screen.Get();
    }
    ScopedCreatedDC paintDC(::CreateCompatibleDC(reference));
    ScopedBitmap paintBitmap(::CreateCompatibleBitmap(reference, rc.right, rc.bottom));
    if (!paintDC || !paintBitmap) return nullptr;
    ScopedSelectObject selectPaint(paintDC.Get(), paintBitmap.Get());
    if (filterColor != 0) FillOpaque(paintDC.Get(), rc, ToColorRef(filterColor));
    control->DoPaint(paintDC.Get(), rc);

    ScopedCreatedDC copyDC(::CreateCompatibleDC(reference));
    DWORD* bits = nullptr;
    ScopedBitmap copy = Create32BitSection(reference, width, height, &bits, false);
    if (!copyDC || !copy) return nullptr;
    {
        ScopedSelectObject selectCopy(copyDC.Get(), copy.Get());
        ::BitBlt(copyDC.Get(), 0, 0, width, height, paintDC.Get(), rc.left, rc.top, SRCCOPY);
        ::GdiFlush();
    }
    if (filterColor != 0) {
        const DWORD key = filterColor & 0x00FFFFFF;
        const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
        for (size_t i = 0; i < count; i++) {
            bits[i] = (bits[i] & 0x00FFFFFF) == key ? 0 : (bits[i] | 0xFF000000);
        }
    }
    return copy.Release();
}

void CRenderEngine::DoAnimateWindow(HWND hWnd, UINT flags, DWORD duration)
{
    static const AnimateWindowFn animateWindow =
        LookUp<AnimateWindowFn>(LoadSystemLibraryForever(L"user32.dll"), "AnimateWindow");
    if (animateWindow == nullptr || hWnd == nullptr) return;
    DWORD effect = 0;
    if ((flags & 0x1) != 0) effect |= AW_BLEND;
    if ((flags & 0x2) != 0) effect |= AW_HIDE;
    animateWindow(hWnd, duration, effect);
}

} // namespace SkinUI
