#include "ui/controls/ButtonUI.h"

#include "ui/core/AttributeValues.h"
#include "ui/core/PaintManagerUI.h"
#include "ui/core/RenderEngine.h"

namespace SkinUI {

CButtonUI::CButtonUI()
    : m_buttonState(0), m_hotBkColor(0), m_hotTextColor(0), m_pushedTextColor(0), m_focusedTextColor(0)
{
    m_textStyle = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
}

CButtonUI::~CButtonUI() = default;

const wchar_t* CButtonUI::GetClass() const
{
    return L"ButtonUI";
}

LPVOID CButtonUI::GetInterface(const wchar_t* name)
{
    if (name != nullptr && wcscmp(name, L"Button") == 0) return this;
    return CLabelUI::GetInterface(name);
}

UINT CButtonUI::GetControlFlags() const
{
    UINT flags = 0;
    if (IsEnabled()) flags |= UIFLAG_SETCURSOR;
    if (IsKeyboardEnabled()) flags |= UIFLAG_TABSTOP;
    return flags;
}

bool CButtonUI::Activate()
{
    if (!CControlUI::Activate()) return false;
    if (m_manager != nullptr) m_manager->SendNotify(this, L"click");
    return true;
}

void CButtonUI::SetEnabled(bool enable)
{
    CControlUI::SetEnabled(enable);
    if (!IsEnabled()) m_buttonState = 0;
}

void CButtonUI::DoEvent(TEventUI& event)
{
    if (!IsMouseEnabled() && event.type > UIEVENT__MOUSEBEGIN && event.type < UIEVENT__MOUSEEND) {
        if (m_parent != nullptr) {
            m_parent->DoEvent(event);
        } else {
            CLabelUI::DoEvent(event);
        }
        return;
    }
    const bool inside = ::PtInRect(&m_itemRect, event.mousePoint) != FALSE;
    switch (event.type) {
    case UIEVENT_SETFOCUS:
    case UIEVENT_KILLFOCUS:
        Invalidate();
        break;
    case UIEVENT_KEYDOWN:
        if (IsKeyboardEnabled() && (event.key == VK_SPACE || event.key == VK_RETURN)) {
            Activate();
            return;
        }
        break;
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
        if (inside && IsEnabled()) {
            m_buttonState |= UISTATE_PUSHED | UISTATE_CAPTURED;
            Invalidate();
        }
        return;
    case UIEVENT_MOUSEMOVE:
        if ((m_buttonState & UISTATE_CAPTURED) != 0) {
            if (inside) {
                m_buttonState |= UISTATE_PUSHED;
            } else {
                m_buttonState &= ~UISTATE_PUSHED;
            }
            Invalidate();
        }
        return;
    case UIEVENT_BUTTONUP:
        if ((m_buttonState & UISTATE_CAPTURED) != 0) {
            if (inside) Activate();
            m_buttonState &= ~(UISTATE_PUSHED | UISTATE_CAPTURED);
            Invalidate();
        }
        return;
    case UIEVENT_MOUSEENTER:
        if (IsEnabled()) {
            m_buttonState |= UISTATE_HOT;
            Invalidate();
        }
        break;
    case UIEVENT_MOUSELEAVE:
        if (IsEnabled()) {
            m_buttonState &= ~UISTATE_HOT;
            Invalidate();
        }
        break;
    case UIEVENT_SETCURSOR:
        ::SetCursor(::LoadCursor(nullptr, IDC_HAND));
        return;
    case UIEVENT_CONTEXTMENU:
        if (IsContextMenuUsed() && m_manager != nullptr) {
            m_manager->SendNotify(this, L"menu", event.wParam, event.lParam);
        }
        return;
    default:
        break;
    }
    CLabelUI::DoEvent(event);
}

void CButtonUI::SetAttribute(const wchar_t* name, const wchar_t* value)
{
    if (name == nullptr || value == nullptr) return;
    const CUIString key(name);
    if (key == L"normalimage") {
        SetNormalImage(value);
    } else if (key == L"hotimage") {
        SetHotImage(value);
    } else if (key == L"pushedimage") {
        SetPushedImage(value);
    } else if (key == L"focusedimage") {
        SetFocusedImage(value);
    } else if (key == L"disabledimage") {
        SetDisabledImage(value);
    } else if (key == L"foreimage") {
        SetForeImage(value);
    } else if (key == L"hotforeimage") {
        SetHotForeImage(value);
    } else if (key == L"hotbkcolor") {
        SetHotBkColor(ReadColorValue(value));
    } else if (key == L"hottextcolor") {
        SetHotTextColor(ReadColorValue(value));
    } else if (key == L"pushedtextcolor") {
        SetPushedTextColor(ReadColorValue(value));
    } else if (key == L"focusedtextcolor") {
        SetFocusedTextColor(ReadColorValue(value));
    } else {
        CLabelUI::SetAttribute(name, value);
    }
}

SIZE CButtonUI::EstimateSize(SIZE available)
{
    if (m_fixedSize.cy > 0 || m_manager == nullptr) return CControlUI::EstimateSize(available);
    return SIZE{ m_fixedSize.cx, m_manager->GetFontInfo(m_font)->metrics.tmHeight + 8 };
}

void CButtonUI::RefreshStateBits()
{
    if (IsFocused()) {
        m_buttonState |= UISTATE_FOCUSED;
    } else {
        m_buttonState &= ~UISTATE_FOCUSED;
    }
    if (!IsEnabled()) {
        m_buttonState |= UISTATE_DISABLED;
    } else {
        m_buttonState &= ~UISTATE_DISABLED;
    }
}

bool CButtonUI::DrawStateImage(HDC hDC, CUIString& image)
{
    if (DrawImage(hDC, image.GetData())) return true;
    image.Empty();
    return false;
}

void CButtonUI::PaintStatusImage(HDC hDC)
{
    RefreshStateBits();
    // Which image shows the state; an image that fails to draw falls back to
    // the normal one.
    bool normal = true;
    if ((m_buttonState & UISTATE_DISABLED) != 0) {
        if (!m_disabledImage.IsEmpty()) normal = !DrawStateImage(hDC, m_disabledImage);
    } else if ((m_buttonState & UISTATE_PUSHED) != 0) {
        if (!m_pushedImage.IsEmpty()) {
            DrawStateImage(hDC, m_pushedImage);
            normal = false;
        }
    } else if ((m_buttonState & UISTATE_HOT) != 0) {
        if (!m_hotImage.IsEmpty()) {
            DrawStateImage(hDC, m_hotImage);
            if (!m_hotForeImage.IsEmpty()) {
                DrawStateImage(hDC, m_hotForeImage);
                return;
            }
            normal = false;
        } else if (m_hotBkColor != 0) {
            CRenderEngine::DrawColor(hDC, m_paintRect, GetAdjustColor(m_hotBkColor));
            return;
        }
    } else if ((m_buttonState & UISTATE_FOCUSED) != 0) {
        if (!m_focusedImage.IsEmpty()) normal = !DrawStateImage(hDC, m_focusedImage);
    }
    if (normal && !m_normalImage.IsEmpty()) DrawStateImage(hDC, m_normalImage);
    if (!m_foreImage.IsEmpty()) DrawStateImage(hDC, m_foreImage);
}

void CButtonUI::PaintButtonText(HDC hDC, DWORD color)
{
    RECT rc = TextRect();
    if (m_showHtml) {
        int links = 0;
        CRenderEngine::DrawHtmlText(hDC, m_manager, rc, m_text.GetData(), color, nullptr, nullptr, links,
                                    m_textStyle);
    } else {
        CRenderEngine::DrawTextW(hDC, m_manager, rc, m_text.GetData(), color, m_font, m_textStyle);
    }
}

void CButtonUI::PaintText(HDC hDC)
{
    if (m_manager == nullptr) return;
    RefreshStateBits();
    ApplyDefaultColors();
    if (m_text.IsEmpty()) return;
    DWORD color = IsEnabled() ? m_textColor : m_disabledTextColor;
    if ((m_buttonState & UISTATE_PUSHED) != 0 && m_pushedTextColor != 0) {
        color = m_pushedTextColor;
    } else if ((m_buttonState & UISTATE_HOT) != 0 && m_hotTextColor != 0) {
        color = m_hotTextColor;
    } else if ((m_buttonState & UISTATE_FOCUSED) != 0 && m_focusedTextColor != 0) {
        color = m_focusedTextColor;
    }
    PaintButtonText(hDC, color);
}

const wchar_t* CButtonUI::GetNormalImage() const
{
    return m_normalImage.GetData();
}

void CButtonUI::SetNormalImage(const wchar_t* image)
{
    m_normalImage = image != nullptr ? image : L"";
    Invalidate();
}

const wchar_t* CButtonUI::GetHotImage() const
{
    return m_hotImage.GetData();
}

void CButtonUI::SetHotImage(const wchar_t* image)
{
    m_hotImage = image != nullptr ? image : L"";
    Invalidate();
}

const wchar_t* CButtonUI::GetPushedImage() const
{
    return m_pushedImage.GetData();
}

void CButtonUI::SetPushedImage(const wchar_t* image)
{
    m_pushedImage = image != nullptr ? image : L"";
    Invalidate();
}

const wchar_t* CButtonUI::GetFocusedImage() const
{
    return m_focusedImage.GetData();
}

void CButtonUI::SetFocusedImage(const wchar_t* image)
{
    m_focusedImage = image != nullptr ? image : L"";
    Invalidate();
}

const wchar_t* CButtonUI::GetDisabledImage() const
{
    return m_disabledImage.GetData();
}

void CButtonUI::SetDisabledImage(const wchar_t* image)
{
    m_disabledImage = image != nullptr ? image : L"";
    Invalidate();
}

const wchar_t* CButtonUI::GetForeImage() const
{
    return m_foreImage.GetData();
}

void CButtonUI::SetForeImage(const wchar_t* image)
{
    m_foreImage = image != nullptr ? image : L"";
    Invalidate();
}

const wchar_t* CButtonUI::GetHotForeImage() const
{
    return m_hotForeImage.GetData();
}

void CButtonUI::SetHotForeImage(const wchar_t* image)
{
    m_hotForeImage = image != nullptr ? image : L"";
    Invalidate();
}

void CButtonUI::SetHotBkColor(DWORD color)
{
    m_hotBkColor = color;
}

DWORD CButtonUI::GetHotBkColor() const
{
    return m_hotBkColor;
}

void CButtonUI::SetHotTextColor(DWORD color)
{
    m_hotTextColor = color;
}

DWORD CButtonUI::GetHotTextColor() const
{
    return m_hotTextColor;
}

void CButtonUI::SetPushedTextColor(DWORD color)
{
    m_pushedTextColor = color;
}

DWORD CButtonUI::GetPushedTextColor() const
{
    return m_pushedTextColor;
}

void CButtonUI::SetFocusedTextColor(DWORD color)
{
    m_focusedTextColor = color;
}

DWORD CButtonUI::GetFocusedTextColor() const
{
    return m_focusedTextColor;
}

UINT CButtonUI::GetButtonState() const
{
    return m_buttonState;
}

} // namespace SkinUI
