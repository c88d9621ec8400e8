#include "ui/core/ControlUI.h"

#include "ui/core/AttributeValues.h"

#include "ui/core/PaintManagerUI.h"
#include "ui/core/RenderEngine.h"

#include <cwchar>

#include <gdiplus.h>

namespace SkinUI {

namespace {

bool HasRoundCorners(SIZE round)
{
    return round.cx > 0 || round.cy > 0;
}

// Clips rc by every ancestor's rect; false when nothing is left.
bool ClipByAncestors(const CControlUI* control, RECT& rc)
{
    for (const CControlUI* p = control->GetParent(); p != nullptr; p = p->GetParent()) {
        if (!::IntersectRect(&rc, &rc, &p->GetPos())) return false;
    }
    return true;
}

// GDI+ for the label's text effects: one session for the process, started
// by the first control and shut down with the process, so that no control's
// lifetime starts or ends it.
class GdiplusSession {
public:
    GdiplusSession() : m_token(0)
    {
        Gdiplus::GdiplusStartupInput input;
        if (Gdiplus::GdiplusStartup(&m_token, &input, nullptr) != Gdiplus::Ok) m_token = 0;
    }
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;
    ~GdiplusSession()
    {
        if (m_token != 0) Gdiplus::GdiplusShutdown(m_token);
    }

private:
    ULONG_PTR m_token;
};

void StartGdiplusOnce()
{
    static GdiplusSession session;
}

} // namespace

CControlUI::CControlUI()
    : m_manager(nullptr), m_parent(nullptr), m_updateNeeded(true), m_contextMenuUsed(false), m_itemRect{ 0, 0, 0, 0 },
      m_padding{ 0, 0, 0, 0 }, m_fixedXY{ 0, 0 }, m_fixedSize{ 0, 0 }, m_minSize{ 0, 0 }, m_maxSize{ 9999, 9999 },
      m_visible(true), m_internVisible(true), m_enabled(true), m_mouseEnabled(true), m_keyboardEnabled(true),
      m_focused(false), m_floating(false), m_inSetPos(false), m_placingFloat(false), m_relativePos{ false, { 0, 0 }, 0, 0, 0, 0 },
      m_shortcut(0), m_tag(0), m_bkColor(0), m_bkColor2(0), m_bkColor3(0), m_borderColor(0), m_focusBorderColor(0),
      m_colorHSL(false), m_borderSize(0), m_borderStyle(PS_SOLID), m_toolTipWidth(300), m_borderRound{ 0, 0 },
      m_paintRect{ 0, 0, 0, 0 }, m_borderSizes{ 0, 0, 0, 0 }, m_flat(false), m_tabStop(true)
{
    StartGdiplusOnce();
}

CControlUI::~CControlUI()
{
    onDestroy(this);
    if (m_manager != nullptr) m_manager->ReapObjects(this);
}

CUIString CControlUI::GetName() const
{
    return m_name;
}

void CControlUI::SetName(const wchar_t* name)
{
    m_name = name;
}

const wchar_t* CControlUI::GetClass() const
{
    return L"ControlUI";
}

LPVOID CControlUI::GetInterface(const wchar_t* name)
{
    if (name != nullptr && wcscmp(name, L"Control") == 0) return this;
    return nullptr;
}

UINT CControlUI::GetControlFlags() const
{
    return 0;
}

bool CControlUI::Activate()
{
    return IsVisible() && IsEnabled();
}

CPaintManagerUI* CControlUI::GetManager() const
{
    return m_manager;
}

void CControlUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init)
{
    m_manager = manager;
    m_parent = parent;
    if (init && m_parent != nullptr) Init();
}

CControlUI* CControlUI::GetParent() const
{
    return m_parent;
}

CUIString CControlUI::GetText() const
{
    return m_text;
}

void CControlUI::SetText(const wchar_t* text)
{
    if (m_text == text) return;
    m_text = text;
    Invalidate();
}

const RECT& CControlUI::GetPos() const
{
    return m_itemRect;
}

void CControlUI::SetPos(RECT rc)
{
    if (rc.right < rc.left) rc.right = rc.left;
    if (rc.bottom < rc.top) rc.bottom = rc.top;

    CUIRect invalidate = ::IsRectEmpty(&m_itemRect) ? rc : m_itemRect;
    m_itemRect = rc;
    if (m_manager == nullptr) return;

    if (!m_inSetPos) {
        m_inSetPos = true;
        onSize(this);
        m_inSetPos = false;
    }

    if (m_floating && m_parent != nullptr && !m_placingFloat) {
        const RECT& parentRect = m_parent->GetPos();
        m_fixedXY.cx = m_fixedXY.cx >= 0 ? m_itemRect.left - parentRect.left : m_itemRect.right - parentRect.right;
        m_fixedXY.cy = m_fixedXY.cy >= 0 ? m_itemRect.top - parentRect.top : m_itemRect.bottom - parentRect.bottom;
        m_fixedSize.cx = m_itemRect.right - m_itemRect.left;
        m_fixedSize.cy = m_itemRect.bottom - m_itemRect.top;
    }

    m_updateNeeded = false;
    invalidate.Join(m_itemRect);
    if (!ClipByAncestors(this, invalidate) || ::IsRectEmpty(&invalidate)) return;
    m_manager->Invalidate(invalidate);
}

void CControlUI::SetFloatPlacement(RECT rc)
{
    m_placingFloat = true;
    SetPos(rc);
    m_placingFloat = false;
}

int CControlUI::GetWidth() const
{
    return m_itemRect.right - m_itemRect.left;
}

int CControlUI::GetHeight() const
{
    return m_itemRect.bottom - m_itemRect.top;
}

int CControlUI::GetX() const
{
    return m_itemRect.left;
}

int CControlUI::GetY() const
{
    return m_itemRect.top;
}

RECT CControlUI::GetPadding() const
{
    return m_padding;
}

void CControlUI::SetPadding(RECT padding)
{
    m_padding = padding;
    NeedParentUpdate();
}

SIZE CControlUI::GetFixedXY() const
{
    return m_fixedXY;
}

void CControlUI::SetFixedXY(SIZE xy)
{
    m_fixedXY = xy;
    if (m_floating) {
        NeedUpdate();
    } else {
        NeedParentUpdate();
    }
}

int CControlUI::GetFixedWidth() const
{
    return m_fixedSize.cx;
}

void CControlUI::SetFixedWidth(int cx)
{
    if (cx < 0) return;
    m_fixedSize.cx = cx;
    SetFixedXY(m_fixedXY);
}

int CControlUI::GetFixedHeight() const
{
    return m_fixedSize.cy;
}

void CControlUI::SetFixedHeight(int cy)
{
    if (cy < 0) return;
    m_fixedSize.cy = cy;
    SetFixedXY(m_fixedXY);
}

int CControlUI::GetMinWidth() const
{
    return m_minSize.cx;
}

void CControlUI::SetMinWidth(int cx)
{
    if (cx < 0 || m_minSize.cx == cx) return;
    m_minSize.cx = cx;
    SetFixedXY(m_fixedXY);
}

int CControlUI::GetMaxWidth() const
{
    return m_maxSize.cx;
}

void CControlUI::SetMaxWidth(int cx)
{
    if (cx < 0 || m_maxSize.cx == cx) return;
    m_maxSize.cx = cx;
    SetFixedXY(m_fixedXY);
}

int CControlUI::GetMinHeight() const
{
    return m_minSize.cy;
}

void CControlUI::SetMinHeight(int cy)
{
    if (cy < 0 || m_minSize.cy == cy) return;
    m_minSize.cy = cy;
    SetFixedXY(m_fixedXY);
}

int CControlUI::GetMaxHeight() const
{
    return m_maxSize.cy;
}

void CControlUI::SetMaxHeight(int cy)
{
    if (cy < 0 || m_maxSize.cy == cy) return;
    m_maxSize.cy = cy;
    SetFixedXY(m_fixedXY);
}

void CControlUI::SetRelativePos(SIZE move, SIZE zoom)
{
    m_relativePos.relative = true;
    m_relativePos.moveXPercent = move.cx;
    m_relativePos.moveYPercent = move.cy;
    m_relativePos.zoomXPercent = zoom.cx;
    m_relativePos.zoomYPercent = zoom.cy;
}

void CControlUI::SetRelativeParentSize(SIZE size)
{
    m_relativePos.parentSize = size;
}

TRelativePosUI CControlUI::GetRelativePos() const
{
    return m_relativePos;
}

bool CControlUI::IsRelativePos() const
{
    return m_relativePos.relative;
}

CUIString CControlUI::GetToolTip() const
{
    return m_toolTip;
}

void CControlUI::SetToolTip(const wchar_t* text)
{
    CUIString tip(text);
    tip.Replace(L"<n>", L"\r\n");
    m_toolTip = tip;
}

void CControlUI::SetToolTipWidth(int width)
{
    m_toolTipWidth = width;
}

int CControlUI::GetToolTipWidth() const
{
    return m_toolTipWidth;
}

wchar_t CControlUI::GetShortcut() const
{
    return m_shortcut;
}

void CControlUI::SetShortcut(wchar_t ch)
{
    m_shortcut = ch;
}

bool CControlUI::IsContextMenuUsed() const
{
    return m_contextMenuUsed;
}

void CControlUI::SetContextMenuUsed(bool menuUsed)
{
    m_contextMenuUsed = menuUsed;
}

const CUIString& CControlUI::GetUserData() const
{
    return m_userData;
}

void CControlUI::SetUserData(const wchar_t* text)
{
    m_userData = text;
}

UINT_PTR CControlUI::GetTag() const
{
    return m_tag;
}

void CControlUI::SetTag(UINT_PTR tag)
{
    m_tag = tag;
}

bool CControlUI::IsVisible() const
{
    return m_visible && m_internVisible;
}

void CControlUI::SetVisible(bool visible)
{
    if (m_visible == visible) return;
    const bool wasVisible = IsVisible();
    m_visible = visible;
    m_focused = false;
    if (!visible && m_manager != nullptr && m_manager->GetFocus() == this) m_manager->SetFocus(nullptr);
    if (IsVisible() != wasVisible) NeedParentUpdate();
}

void CControlUI::SetInternVisible(bool visible)
{
    m_internVisible = visible;
    if (!visible && m_manager != nullptr && m_manager->GetFocus() == this) m_manager->SetFocus(nullptr);
}

bool CControlUI::IsEnabled() const
{
    return m_enabled;
}

void CControlUI::SetEnabled(bool enable)
{
    if (m_enabled == enable) return;
    m_enabled = enable;
    Invalidate();
}

bool CControlUI::IsMouseEnabled() const
{
    return m_mouseEnabled;
}

void CControlUI::SetMouseEnabled(bool enable)
{
    m_mouseEnabled = enable;
}

bool CControlUI::IsKeyboardEnabled() const
{
    return m_keyboardEnabled;
}

void CControlUI::SetKeyboardEnabled(bool enable)
{
    m_keyboardEnabled = enable;
}

bool CControlUI::IsFocused() const
{
    return m_focused;
}

void CControlUI::SetFocus()
{
    if (m_manager != nullptr) m_manager->SetFocus(this);
}

bool CControlUI::IsFloat() const
{
    return m_floating;
}

void CControlUI::SetFloat(bool floating)
{
    if (m_floating == floating) return;
    m_floating = floating;
    NeedParentUpdate();
}

void CControlUI::SetFlat(bool flat)
{
    if (m_flat == flat) return;
    m_flat = flat;
    Invalidate();
}

void CControlUI::ToLoseFocus()
{
}

void CControlUI::EnableTabstop(bool enable)
{
    m_tabStop = enable;
}

bool CControlUI::GetTabstop() const
{
    return m_tabStop;
}

CControlUI* CControlUI::FindControl(FINDCONTROLPROC proc, LPVOID data, UINT flags)
{
    if ((flags & UIFIND_VISIBLE) != 0 && !IsVisible()) return nullptr;
    if ((flags & UIFIND_ENABLED) != 0 && !IsEnabled()) return nullptr;
    if ((flags & UIFIND_HITTEST) != 0 &&
        (!IsMouseEnabled() || data == nullptr || !::PtInRect(&m_itemRect, *static_cast<const POINT*>(data)))) {
        return nullptr;
    }
    return proc(this, data);
}

void CControlUI::Init()
{
    DoInit();
    onInit(this);
}

void CControlUI::DoInit()
{
}

void CControlUI::Event(TEventUI& event)
{
    if (onEvent(&event)) DoEvent(event);
}

void CControlUI::DoEvent(TEventUI& event)
{
    switch (event.type) {
    case UIEVENT_CONTEXTMENU:
        if (IsContextMenuUsed()) {
            if (m_manager != nullptr) m_manager->SendNotify(this, L"menu", event.wParam, event.lParam);
            return;
        }
        break;
    case UIEVENT_KILLFOCUS:
        m_focused = false;
        Invalidate();
        return;
    case UIEVENT_SETFOCUS:
        m_focused = true;
        Invalidate();
        return;
    case UIEVENT_SETCURSOR:
        ::SetCursor(::LoadCursor(nullptr, IDC_ARROW));
        return;
    case UIEVENT_TIMER:
        if (m_manager != nullptr) m_manager->SendNotify(this, L"timer", event.wParam, event.lParam);
        return;
    default:
        break;
    }
    if (m_parent != nullptr) m_parent->DoEvent(event);
}

bool CControlUI::SetAppearanceAttribute(const CUIString& key, const wchar_t* value)
{
    if (key == L"bkcolor" || key == L"bkcolor1" || key == L"bkcolor2" || key == L"bkcolor3") {
        while (*value > 0 && *value <= L' ') value++;
        const DWORD color = ReadColorValue(value);
        if (key == L"bkcolor2") {
            SetBkColor2(color);
        } else if (key == L"bkcolor3") {
            SetBkColor3(color);
        } else {
            SetBkColor(color);
        }
    } else if (key == L"bordercolor") {
        SetBorderColor(ReadColorValue(value));
    } else if (key == L"focusbordercolor") {
        SetFocusBorderColor(ReadColorValue(value));
    } else if (key == L"colorhsl") {
        SetColorHSL(ReadBoolValue(value));
    } else if (key == L"bordersize") {
        if (wcschr(value, L',') == nullptr) {
            SetBorderSize(ReadIntValue(value));
            SetBorderSize(RECT{ 0, 0, 0, 0 });
        } else {
            SetBorderSize(ReadNumberList(value));
        }
    } else if (key == L"leftbordersize") {
        SetLeftBorderSize(ReadIntValue(value));
    } else if (key == L"topbordersize") {
        SetTopBorderSize(ReadIntValue(value));
    } else if (key == L"rightbordersize") {
        SetRightBorderSize(ReadIntValue(value));
    } else if (key == L"bottombordersize") {
        SetBottomBorderSize(ReadIntValue(value));
    } else if (key == L"borderstyle") {
        SetBorderStyle(ReadIntValue(value));
    } else if (key == L"borderround") {
        const RECT rc = ReadNumberList(value);
        SetBorderRound(SIZE{ rc.left, rc.top });
    } else if (key == L"bkimage") {
        SetBkImage(value);
    } else {
        return false;
    }
    return true;
}

void CControlUI::SetAttribute(const wchar_t* name, const wchar_t* value)
{
    if (name == nullptr || value == nullptr) return;
    const CUIString key(name);
    if (SetAppearanceAttribute(key, value)) return;
    if (key == L"pos") {
        const RECT rc = ReadNumberList(value);
        SetFixedXY(SIZE{ rc.left >= 0 ? rc.left : rc.right, rc.top >= 0 ? rc.top : rc.bottom });
        SetFixedWidth(rc.right - rc.left);
        SetFixedHeight(rc.bottom - rc.top);
    } else if (key == L"relativepos") {
        const RECT rc = ReadNumberList(value);
        SetRelativePos(SIZE{ rc.left, rc.top }, SIZE{ rc.right, rc.bottom });
    } else if (key == L"padding") {
        SetPadding(ReadNumberList(value));
    } else if (key == L"width") {
        SetFixedWidth(ReadIntValue(value));
    } else if (key == L"height") {
        SetFixedHeight(ReadIntValue(value));
    } else if (key == L"minwidth") {
        SetMinWidth(ReadIntValue(value));
    } else if (key == L"minheight") {
        SetMinHeight(ReadIntValue(value));
    } else if (key == L"maxwidth") {
        SetMaxWidth(ReadIntValue(value));
    } else if (key == L"maxheight") {
        SetMaxHeight(ReadIntValue(value));
    } else if (key == L"name") {
        SetName(value);
    } else if (key == L"text") {
        SetText(value);
    } else if (key == L"tooltip") {
        SetToolTip(value);
    } else if (key == L"userdata") {
        SetUserData(value);
    } else if (key == L"enabled") {
        SetEnabled(ReadBoolValue(value));
    } else if (key == L"mouse") {
        SetMouseEnabled(ReadBoolValue(value));
    } else if (key == L"keyboard") {
        SetKeyboardEnabled(ReadBoolValue(value));
    } else if (key == L"visible") {
        SetVisible(ReadBoolValue(value));
    } else if (key == L"float") {
        SetFloat(ReadBoolValue(value));
    } else if (key == L"menu") {
        SetContextMenuUsed(ReadBoolValue(value));
    } else if (key == L"flat") {
        SetFlat(ReadBoolValue(value));
    } else if (key == L"tabstop") {
        EnableTabstop(ReadBoolValue(value));
    } else if (key == L"shortcut") {
        SetShortcut(value[0]);
    } else if (key == L"virtualwnd") {
        SetVirtualWnd(value);
    }
}

SIZE CControlUI::EstimateSize(SIZE available)
{
    (void)available;
    return m_fixedSize;
}

void CControlUI::DoPaint(HDC hDC, const RECT& rcPaint)
{
    if (!::IntersectRect(&m_paintRect, &rcPaint, &m_itemRect)) return;
    CRenderClip roundClip;
    if (HasRoundCorners(m_borderRound)) {
        CRenderClip::GenerateRoundClip(hDC, m_paintRect, m_itemRect, m_borderRound.cx, m_borderRound.cy, roundClip);
    }
    PaintBkColor(hDC);
    PaintBkImage(hDC);
    PaintStatusImage(hDC);
    PaintText(hDC);
    PaintBorder(hDC);
}

void CControlUI::PaintBkColor(HDC hDC)
{
    if (m_bkColor == 0) return;
    if (m_bkColor2 == 0) {
        // A translucent colour covers the whole control, so that every part
        // of it is blended from the same background.
        const RECT& area = m_bkColor >= 0xFF000000 ? m_paintRect : m_itemRect;
        CRenderEngine::DrawColor(hDC, area, GetAdjustColor(m_bkColor));
        return;
    }
    if (m_bkColor3 == 0) {
        CRenderEngine::DrawGradient(hDC, m_itemRect, GetAdjustColor(m_bkColor), GetAdjustColor(m_bkColor2), true, 16);
        return;
    }
    RECT upper = m_itemRect;
    upper.bottom = (m_itemRect.top + m_itemRect.bottom) / 2;
    CRenderEngine::DrawGradient(hDC, upper, GetAdjustColor(m_bkColor), GetAdjustColor(m_bkColor2), true, 8);
    RECT lower = m_itemRect;
    lower.top = upper.bottom;
    CRenderEngine::DrawGradient(hDC, lower, GetAdjustColor(m_bkColor2), GetAdjustColor(m_bkColor3), true, 8);
}

void CControlUI::PaintBkImage(HDC hDC)
{
    if (m_bkImage.IsEmpty()) return;
    if (!DrawImage(hDC, m_bkImage)) m_bkImage.Empty();
}

void CControlUI::PaintStatusImage(HDC hDC)
{
    (void)hDC;
}

void CControlUI::PaintText(HDC hDC)
{
    (void)hDC;
}

void CControlUI::PaintBorder(HDC hDC)
{
    if (m_borderColor == 0 && m_focusBorderColor == 0) return;
    const bool focusFrame = IsFocused() && m_focusBorderColor != 0;
    // A colour of 0 is one that was never set: a control with only a focus
    // border colour shows no frame while it is not focused.
    const DWORD frameColor = focusFrame ? m_focusBorderColor : m_borderColor;
    const RECT& rc = m_itemRect;
    if (m_borderSize > 0 && HasRoundCorners(m_borderRound)) {
        if (frameColor == 0) return;
        CRenderEngine::DrawRoundRect(hDC, rc, m_borderSize, m_borderRound.cx, m_borderRound.cy,
                                     GetAdjustColor(frameColor));
    } else if (focusFrame && m_borderSize > 0) {
        CRenderEngine::DrawRect(hDC, rc, m_borderSize, GetAdjustColor(m_focusBorderColor));
    } else if (m_borderColor == 0) {
        return;
    } else if (m_borderSizes.left > 0 || m_borderSizes.top > 0 || m_borderSizes.right > 0 ||
               m_borderSizes.bottom > 0) {
        // Each side lies inside the control: a pen of width w centred w / 2
        // in from the left or top edge, and (w - 1) / 2 in from the last
        // pixel at the right or bottom (which is one before right, bottom).
        const DWORD color = GetAdjustColor(m_borderColor);
        const RECT& w = m_borderSizes;
        if (w.left > 0) {
            const LONG x = rc.left + w.left / 2;
            CRenderEngine::DrawLine(hDC, RECT{ x, rc.top, x, rc.bottom }, w.left, color, m_borderStyle);
        }
        if (w.top > 0) {
            const LONG y = rc.top + w.top / 2;
            CRenderEngine::DrawLine(hDC, RECT{ rc.left, y, rc.right, y }, w.top, color, m_borderStyle);
        }
        if (w.right > 0) {
            const LONG x = rc.right - 1 - (w.right - 1) / 2;
            CRenderEngine::DrawLine(hDC, RECT{ x, rc.top, x, rc.bottom }, w.right, color, m_borderStyle);
        }
        if (w.bottom > 0) {
            const LONG y = rc.bottom - 1 - (w.bottom - 1) / 2;
            CRenderEngine::DrawLine(hDC, RECT{ rc.left, y, rc.right, y }, w.bottom, color, m_borderStyle);
        }
    } else if (m_borderSize > 0) {
        CRenderEngine::DrawRect(hDC, rc, m_borderSize, GetAdjustColor(m_borderColor));
    }
}

void CControlUI::DoPostPaint(HDC hDC, const RECT& rcPaint)
{
    (void)hDC;
    (void)rcPaint;
}

bool CControlUI::DrawImage(HDC hDC, const wchar_t* image, const wchar_t* modify)
{
    return CRenderEngine::DrawImageString(hDC, m_manager, m_itemRect, m_paintRect, image, modify, m_flat);
}

void CControlUI::Invalidate()
{
    if (!IsVisible() || m_manager == nullptr) return;
    RECT invalidate = m_itemRect;
    if (!ClipByAncestors(this, invalidate)) return;
    m_manager->Invalidate(invalidate);
}

bool CControlUI::IsUpdateNeeded() const
{
    return m_updateNeeded;
}

void CControlUI::NeedUpdate()
{
    if (!IsVisible()) return;
    m_updateNeeded = true;
    Invalidate();
    if (m_manager != nullptr) m_manager->NeedUpdate();
}

void CControlUI::NeedParentUpdate()
{
    if (m_parent != nullptr) {
        m_parent->NeedUpdate();
        m_parent->Invalidate();
    } else {
        NeedUpdate();
    }
    if (m_manager != nullptr) m_manager->NeedUpdate();
}

DWORD CControlUI::GetAdjustColor(DWORD color) const
{
    if (!m_colorHSL) return color;
    short H = 180;
    short S = 100;
    short L = 100;
    CPaintManagerUI::GetHSL(&H, &S, &L);
    return CRenderEngine::AdjustColor(color, H, S, L);
}

void CControlUI::SetVirtualWnd(const wchar_t* name)
{
    m_virtualWnd = name;
    if (m_manager != nullptr) m_manager->UsedVirtualWnd(true);
}

CUIString CControlUI::GetVirtualWnd() const
{
    if (!m_virtualWnd.IsEmpty()) return m_virtualWnd;
    if (m_parent != nullptr) return m_parent->GetVirtualWnd();
    return CUIString();
}

CControlUI* CControlUI::ApplyAttributeList(const wchar_t* list)
{
    if (list == nullptr) return this;
    const wchar_t* p = list;
    while (*p != L'\0') {
        const wchar_t* name = p;
        while (*p != L'\0' && *p != L'=') p++;
        if (*p != L'=') break;
        const CUIString key(name, static_cast<int>(p - name));
        if (*++p != L'"') break;
        const wchar_t* value = ++p;
        while (*p != L'\0' && *p != L'"') p++;
        if (*p != L'"') break;
        SetAttribute(key, CUIString(value, static_cast<int>(p - value)));
        if (*++p != L' ') break;
        p++;
    }
    return this;
}

DWORD CControlUI::GetBkColor() const
{
    return m_bkColor;
}

void CControlUI::SetBkColor(DWORD color)
{
    if (m_bkColor == color) return;
    m_bkColor = color;
    Invalidate();
}

DWORD CControlUI::GetBkColor2() const
{
    return m_bkColor2;
}

void CControlUI::SetBkColor2(DWORD color)
{
    if (m_bkColor2 == color) return;
    m_bkColor2 = color;
    Invalidate();
}

DWORD CControlUI::GetBkColor3() const
{
    return m_bkColor3;
}

void CControlUI::SetBkColor3(DWORD color)
{
    if (m_bkColor3 == color) return;
    m_bkColor3 = color;
    Invalidate();
}

const CUIString& CControlUI::GetBkImage() const
{
    return m_bkImage;
}

void CControlUI::SetBkImage(const wchar_t* image)
{
    if (m_bkImage == image) return;
    m_bkImage = image;
    Invalidate();
}

DWORD CControlUI::GetBorderColor() const
{
    return m_borderColor;
}

void CControlUI::SetBorderColor(DWORD color)
{
    if (m_borderColor == color) return;
    m_borderColor = color;
    Invalidate();
}

DWORD CControlUI::GetFocusBorderColor() const
{
    return m_focusBorderColor;
}

void CControlUI::SetFocusBorderColor(DWORD color)
{
    if (m_focusBorderColor == color) return;
    m_focusBorderColor = color;
    Invalidate();
}

bool CControlUI::IsColorHSL() const
{
    return m_colorHSL;
}

void CControlUI::SetColorHSL(bool colorHSL)
{
    if (m_colorHSL == colorHSL) return;
    m_colorHSL = colorHSL;
    Invalidate();
}

int CControlUI::GetBorderSize() const
{
    return m_borderSize;
}

void CControlUI::SetBorderSize(int size)
{
    if (m_borderSize == size) return;
    m_borderSize = size;
    Invalidate();
}

void CControlUI::SetBorderSize(RECT sizes)
{
    m_borderSizes = sizes;
    Invalidate();
}

int CControlUI::GetLeftBorderSize() const
{
    return m_borderSizes.left;
}

void CControlUI::SetLeftBorderSize(int size)
{
    m_borderSizes.left = size;
    Invalidate();
}

int CControlUI::GetTopBorderSize() const
{
    return m_borderSizes.top;
}

void CControlUI::SetTopBorderSize(int size)
{
    m_borderSizes.top = size;
    Invalidate();
}

int CControlUI::GetRightBorderSize() const
{
    return m_borderSizes.right;
}

void CControlUI::SetRightBorderSize(int size)
{
    m_borderSizes.right = size;
    Invalidate();
}

int CControlUI::GetBottomBorderSize() const
{
    return m_borderSizes.bottom;
}

void CControlUI::SetBottomBorderSize(int size)
{
    m_borderSizes.bottom = size;
    Invalidate();
}

int CControlUI::GetBorderStyle() const
{
    return m_borderStyle;
}

void CControlUI::SetBorderStyle(int style)
{
    m_borderStyle = style;
    Invalidate();
}

SIZE CControlUI::GetBorderRound() const
{
    return m_borderRound;
}

void CControlUI::SetBorderRound(SIZE round)
{
    m_borderRound = round;
    Invalidate();
}

} // namespace SkinUI
